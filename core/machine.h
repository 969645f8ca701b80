// The emulated console as one object: machine state, the interface shared
// with the frontend, and the core's entry points.
//
// Every 68000 memory (cartridge image, work RAM, video RAM, the second
// processor's window) is held in host-word form: an array of host 16-bit
// words, each one big-endian 68000 word. The byte at 68000 address A lies at
// byte offset A ^ 1; a word access is one plain 16-bit load or store.
#pragma once

#include <cstddef>

#include "core/types.h"

// Opcode fetches read host memory straight through a base pointer, so every
// fetchable memory is followed by a fence: first zeros (what a word or long
// that runs past the end reads), then ILLEGAL opcodes, so that execution that
// runs off the end raises an illegal-instruction exception instead of
// reading foreign memory. No instruction is longer than 10 bytes, so neither
// zone can be stepped over.
inline constexpr u32 kFenceZeroBytes = 32;
inline constexpr u32 kFenceTrapBytes = 32;
inline constexpr u32 kFenceBytes = kFenceZeroBytes + kFenceTrapBytes;
inline constexpr u16 kFenceTrapOpcode = 0x4AFC;

struct VdpState {
  u8 regs[32];        // register bytes, 24-31 stored though nothing reads them
  u32 command;        // first control word in the high half, second in the low
  u8 commandPending;  // 1 between the first and second control word
  u8 code;            // access code CD3-CD0
  u16 address;        // access address (byte address; wraps at 65536)
  u32 status;         // stored status bits: 7 vertical interrupt, 3 vertical blank
};

struct MachineState {
  u8 ram[65536];             // work RAM, 0xE00000-0xFFFFFF (mirrored every 64 KB)
  u8 ramFence[kFenceBytes];  // fetch fence after work RAM (see above)
  u8 vram[65536];            // video RAM, 32768 words
  u8 subCpuRam[8192];        // second-processor window, 0xA00000-0xA01FFF
  u16 hostPalette[64];       // colour RAM as host RGB565 colours
  u16 cram[64];              // colour RAM words
  u16 vsram[64];             // vertical scroll RAM (0 plane A, 1 plane B)
  const u8* rom;             // cartridge image (host-word form), or null
  u32 romSize;               // image size in bytes
  u8 ioCounter;              // free-running counter stepped by some I/O reads
  u8 padTh[2];               // TH select of controller ports 1 and 2
  i16 vCounter;              // line reported by the HV counter; -64: free-running
  u8 paletteDirty;           // hostPalette must be rebuilt from cram
  u8 version;                // version register (0xA10001)
  u8 pal;                    // 1 for a 50 Hz region
  VdpState vdp;
  u8 fmAddress[2];  // FM register address latch of each part
};

extern MachineState g_machine;

// Called for each visible line (0-223) with the 64 host colours and 320
// colour indices; the result is ignored.
using LineCallback = u32 (*)(i32 line, const u16* palette, const u8* pixels);

struct CoreInterface {
  u32 sampleRate;             // written by the frontend; not read by the core
  u32 samplesPerFrame;        // stereo pairs per frame (735 or 882)
  i16* soundBuffer;           // interleaved stereo for one frame, or null
  u32 pad[2];                 // active-high: 0 up 1 down 2 left 3 right 4 B 5 C 6 A 7 Start
  LineCallback lineCallback;  // null: no line is rendered
};

extern CoreInterface g_coreInterface;

u32 CoreInit();
void CoreShutdown();
// Inserts a copy of the image (null or size 0 ejects). 1 when the copy
// cannot be allocated: the machine is then ejected.
u32 CoreLoadRom(const u8* rom, u32 size);
u32 CoreReset();
u32 CoreRunFrame();
u32 CoreRunFrameByLines();

// Clears g_machine as one block (and re-arms the fetch fence).
void CoreClearMachine();

// Replaces the reallocation that keeps the core's copy of the image (null
// restores realloc) so tests can make it fail.
void CoreSetImageAllocatorForTest(void* (*reallocate)(void*, std::size_t));
