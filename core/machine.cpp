// Power-on, cartridge insert and eject, reset with the region from the
// cartridge header, and the frame loop that slices the processor's time.
#include "core/machine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/bus.h"
#include "core/fm.h"
#include "core/vdp.h"
#include "cpu68k/cpu68k.h"

MachineState g_machine;

// Straight-line fetches off the end of RAM run into its fence.
static_assert(offsetof(MachineState, ramFence) == sizeof(MachineState::ram));
CoreInterface g_coreInterface;

namespace {

// The core keeps its own copy of the cartridge image so that the copy can
// carry a fetch fence: the image, a zero byte when its size is odd, then
// kFenceBytes of fence. Reused across loads.
u8* s_image = nullptr;
size_t s_imageCapacity = 0;
void* (*s_imageRealloc)(void*, size_t) = nullptr;

void* ImageRealloc(void* old, size_t bytes) {
  return s_imageRealloc != nullptr ? s_imageRealloc(old, bytes) : std::realloc(old, bytes);
}

void ArmTraps(u8* trapZone) {
  for (u32 i = 0; i < kFenceTrapBytes; i += 2) std::memcpy(trapZone + i, &kFenceTrapOpcode, 2);
}

void ReleaseImage() {
  std::free(s_image);
  s_image = nullptr;
  s_imageCapacity = 0;
}

// Copies the image behind a fence; returns the copy, or null when no buffer
// could be had (the cartridge is then treated as ejected).
u8* CopyImage(const u8* rom, u32 size) {
  const uint64_t evenSize = (static_cast<uint64_t>(size) + 1) & ~uint64_t{1};
  const uint64_t need = evenSize + kFenceBytes;
  if (need > SIZE_MAX) return nullptr;
  const bool overlaps =
      s_image != nullptr &&
      reinterpret_cast<uintptr_t>(rom) >= reinterpret_cast<uintptr_t>(s_image) &&
      reinterpret_cast<uintptr_t>(rom) < reinterpret_cast<uintptr_t>(s_image) + s_imageCapacity;
  u8* buffer;
  if (overlaps) {
    // Loading the image the core already holds: the source must survive the
    // copy, so it cannot be resized in place.
    buffer = static_cast<u8*>(ImageRealloc(nullptr, static_cast<size_t>(need)));
    if (buffer == nullptr) return nullptr;
    std::memcpy(buffer, rom, size);
    ReleaseImage();
  } else {
    buffer = static_cast<u8*>(ImageRealloc(s_image, static_cast<size_t>(need)));
    if (buffer == nullptr) return nullptr;
    std::memcpy(buffer, rom, size);
  }
  s_image = buffer;
  s_imageCapacity = static_cast<size_t>(need);
  std::memset(buffer + size, 0, static_cast<size_t>(evenSize - size) + kFenceZeroBytes);
  ArmTraps(buffer + evenSize + kFenceZeroBytes);
  return buffer;
}

inline u8 Reg(u32 index) { return g_machine.vdp.regs[index]; }

// One byte of the header's region field as region bits.
u32 RegionBits(u8 b) {
  if (b <= 0x20) return 0;
  if (b == 'J') return 1;
  if (b == 'U') return 4;
  if (b == 'E') return 8;
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  return 0;
}

}  // namespace

void CoreClearMachine() {
  std::memset(&g_machine, 0, sizeof g_machine);
  ArmTraps(g_machine.ramFence + kFenceZeroBytes);
  VdpRenderReset();
}

u32 CoreInit() {
  CoreClearMachine();
  g_coreInterface.pad[0] = 0;
  g_coreInterface.pad[1] = 0;
  g_machine.paletteDirty = 1;
  Cpu68kInit();
  Cpu68kPostInit();
  FmInit();
  return 0;
}

void CoreShutdown() {
  CoreClearMachine();
  ReleaseImage();
  // Keep the processor's fetch base off the buffer just freed.
  BusSetPcBase(0);
}

u32 CoreLoadRom(const u8* rom, u32 size) {
  CoreClearMachine();
  const bool insert = rom != nullptr && size != 0;
  u8* image = insert ? CopyImage(rom, size) : nullptr;
  if (image != nullptr) {
    g_machine.rom = image;
    g_machine.romSize = size;
  } else {
    ReleaseImage();
  }
  CoreReset();
  // An image that could not be kept leaves the machine ejected: say so.
  return insert && image == nullptr ? 1 : 0;
}

void CoreSetImageAllocatorForTest(void* (*reallocate)(void*, size_t)) {
  s_imageRealloc = reallocate;
}

u32 CoreReset() {
  Cpu68kReset();
  FmInit();
  // The header's four region bytes, in any order: J Japan, U Americas,
  // E Europe, or one hex digit of region bits.
  const u32 field = BusRead32(0x1F0);
  u32 r = 0;
  for (int shift = 0; shift < 32; shift += 8) r |= RegionBits(static_cast<u8>(field >> shift));
  u8 bits;
  u8 pal;
  if (r & 4) {
    bits = 0x80;
    pal = 0;
  } else if (r & 8) {
    bits = 0xC0;
    pal = 1;
  } else if (r & 1) {
    bits = 0x00;
    pal = 0;
  } else if (r & 2) {
    bits = 0x40;
    pal = 1;
  } else {
    bits = 0x80;
    pal = 0;
  }
  g_machine.version = bits | 0x20;
  g_machine.pal = pal;
  return 0;
}

u32 CoreRunFrame() {
  if (g_machine.rom == nullptr) return 1;
  if (Reg(0) & 0x10) return CoreRunFrameByLines();

  // Whole frame in two slices: the vertical blank, then the rest.
  VdpState& vdp = g_machine.vdp;
  g_machine.vCounter = -64;
  if (Reg(1) & 0x20) Cpu68kSetIrq(6);
  vdp.status |= 0x88;
  const i32 first = Cpu68kRun(18560);
  if (Reg(1) & 0x40) vdp.status &= ~0x08;
  Cpu68kSetIrq(0);
  Cpu68kRun(127969 - first);
  FmRenderFrame();
  if (g_coreInterface.lineCallback != nullptr) {
    for (i32 y = 0; y < 224; ++y) VdpRenderLine(y);
  }
  return 0;
}

// 262 lines of 489 cycles, lines -38 to -1 being the vertical blank. Each
// slice is given what the frame is short of its running target, so one
// line's overrun is taken from the next.
u32 CoreRunFrameByLines() {
  VdpState& vdp = g_machine.vdp;
  i32 h = 1024;
  i32 target = 0;
  i32 done = 0;
  if (Reg(1) & 0x20) Cpu68kSetIrq(6);
  vdp.status |= 0x88;
  for (i32 line = -38; line <= 223; ++line) {
    // A line is drawn from what the previous line's slice left.
    if (g_coreInterface.lineCallback != nullptr && line >= 0) VdpRenderLine(line);
    if (line == 0 && (Reg(1) & 0x40)) vdp.status &= ~0x08;
    if (h <= 0 && (Reg(0) & 0x10)) Cpu68kSetIrq(4);
    if (line <= 0 || h <= 0) h = Reg(10) + 1;
    g_machine.vCounter = static_cast<i16>(line);
    target += 489;
    done += Cpu68kRun(target - done);
    h -= 1;
  }
  Cpu68kSetIrq(0);
  FmRenderFrame();
  return 0;
}
