// The FM tone generator, modelled as eight square-wave voices driven only by
// the key-on register (0x28) and the frequency registers (0xA0-0xAF). Every
// other register of the chip is ignored: no operators, rate envelopes,
// algorithms, panning, LFO, DAC or timers.
#pragma once

#include "core/types.h"

struct FmVoice {
  u16 phase;      // phase accumulator; bits 15-8 index g_fmWave
  i16 envelope;   // level 0-16384, ramped linearly
  u8 keyMask;     // operator bits of the last key-on write; non-zero: keyed on
  u16 blockFnum;  // bits 13-11 block, bits 10-0 F-number (bits 15-14 unused)
};

inline constexpr u32 kFmVoiceCount = 8;

// Voices 0-3 belong to part I (ports 0 and 1), voices 4-7 to part II (ports 2 and 3).
extern FmVoice g_fmVoices[kFmVoiceCount];
// One cycle of a square wave: 128 entries of +16384, then 128 of -16384.
extern i16 g_fmWave[256];

// Silences and clears every voice and fills the wave table. The address
// latches live in g_machine and are cleared with it, not here.
u32 FmInit();
// A byte write to 0xA04000-0xA04003; only address bits 1-0 count. Even ports
// latch a register address for their part, odd ports write that register.
u32 FmWritePort(u32 address, u32 data);
// part 0 or 1 (only bit 0 counts).
u32 FmWriteRegister(u32 part, u8 reg, u8 data);
// One frame of audio: samplesPerFrame stereo pairs into g_coreInterface's
// soundBuffer. Returns 1, touching nothing, when soundBuffer is null.
u32 FmRenderFrame();
// Mixes one stereo pair (left, right) from all eight voices.
u32 FmMixSample(i16* pair);
// Advances one voice by one sample and returns that sample's output.
i32 FmVoiceStep(FmVoice* voice);
