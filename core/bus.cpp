// The 68000 memory map: cartridge image, work RAM, the second processor's
// window and the I/O registers, plus the opcode fetch base.
#include "core/bus.h"

#include <cstdint>
#include <cstring>

#include "core/fm.h"
#include "core/machine.h"
#include "core/vdp.h"
#include "cpu68k/cpu68k.h"

namespace {

inline u16 LoadWord(const u8* p) {
  u16 w;
  std::memcpy(&w, p, 2);
  return w;
}

inline void StoreWord(u8* p, u16 w) { std::memcpy(p, &w, 2); }

// Work RAM answers wherever address bits 21-23 are all set.
inline bool InRam(u32 address) { return (address & 0xE00000) == 0xE00000; }

inline bool InSubCpuWindow(u32 a) { return a >= 0xA00000 && a <= 0xA01FFF; }

// Several I/O reads return bits of this counter and then advance it.
inline void StepIoCounter() { g_machine.ioCounter = static_cast<u8>(g_machine.ioCounter + 1); }

// Where the fetch base lands for a program counter that maps no fetchable
// memory: ILLEGAL opcodes, long enough for any instruction's extension words.
struct TrapArea {
  u16 words[kFenceBytes / 2];
};
constexpr TrapArea MakeTrapArea() {
  TrapArea t{};
  for (u16& w : t.words) w = kFenceTrapOpcode;
  return t;
}
alignas(4) constexpr TrapArea kTrapArea = MakeTrapArea();

// The processor forms base + PC itself, so the base is only ever a number
// that lands on the right host byte once PC is added; computing it as an
// integer keeps a base below a buffer out of pointer arithmetic.
inline const u8* BaseFor(const void* target, u32 pc) {
  return reinterpret_cast<const u8*>(reinterpret_cast<uintptr_t>(target) - pc);
}

// The I/O side of the accesses, kept out of line: the cartridge and work RAM
// paths then need no stack frame, and most accesses take them.
[[gnu::noinline]] u32 ReadIo32(u32 io) {
  const u32 high = BusReadIo16(io);
  return high << 16 | BusReadIo16(io + 2);
}
[[gnu::noinline]] void WriteIo8(u32 io, u8 data) { BusWriteIo8(io & 0xFFFFFF, data); }
[[gnu::noinline]] void WriteIo16(u32 io, u16 data) { BusWriteIo16(io & 0xFFFFFE, data); }
[[gnu::noinline]] void WriteIo32(u32 io, u32 data) {
  const u32 a = io & 0xFFFFFE;
  BusWriteIo16(a, static_cast<u16>(data >> 16));
  BusWriteIo16(a + 2, static_cast<u16>(data));
}

// The byte and word reads in their handler form, widened once at the end of
// each path rather than again after the paths join.
inline u32 Read8(u32 address) {
  const u32 a = address & 0xFFFFFF;
  if (a < g_machine.romSize) return g_machine.rom[a ^ 1];
  if (InRam(a)) return g_machine.ram[(a ^ 1) & 0xFFFF];
  const u32 w = BusReadIo16(a & ~1u);
  return (a & 1) ? w & 0xFF : w >> 8;
}
inline u32 Read16(u32 address) {
  const u32 a = address & 0xFFFFFE;
  if (a < g_machine.romSize) return LoadWord(g_machine.rom + a);
  if (InRam(a)) return LoadWord(g_machine.ram + (a & 0xFFFF));
  return BusReadIo16(a);
}

u32 HandlerRead8(u32 address) { return Read8(address); }
u32 HandlerRead16(u32 address) { return Read16(address); }
u32 HandlerRead32(u32 address) { return BusRead32(address); }
void HandlerWrite8(u32 address, u32 data) { BusWrite8(address, static_cast<u8>(data)); }
void HandlerWrite16(u32 address, u32 data) { BusWrite16(address, static_cast<u16>(data)); }
void HandlerWrite32(u32 address, u32 data) { BusWrite32(address, data); }

}  // namespace

namespace {
constexpr Cpu68kMemHandlers kConsoleHandlers = {
    HandlerRead8,   HandlerRead16,  HandlerRead32, HandlerWrite8,
    HandlerWrite16, HandlerWrite32, BusSetPcBase,  HandlerRead8,
    HandlerRead16,  HandlerRead32,  0x00FFFFFF,    Cpu68kDefaultResetHandler,
};
}  // namespace

// Both constant-initialised, so the table is filled before any code runs.
constinit const Cpu68kMemHandlers kCpu68kConsoleMemHandlers = kConsoleHandlers;
constinit Cpu68kMemHandlers g_cpu68kMemHandlers = kConsoleHandlers;

u8 BusRead8(u32 address) { return static_cast<u8>(Read8(address)); }

u16 BusRead16(u32 address) { return static_cast<u16>(Read16(address)); }

// The region is decided once, for the high word. The image buffer carries
// zeros past its end, so a long that straddles it reads 0 in its low word; a
// long at the last word of a RAM bank takes its low word from the start of
// the same bank.
u32 BusRead32(u32 address) {
  const u32 a = address & 0xFFFFFE;
  if (a < g_machine.romSize) {
    return static_cast<u32>(LoadWord(g_machine.rom + a)) << 16 | LoadWord(g_machine.rom + a + 2);
  }
  if (InRam(a)) {
    return static_cast<u32>(LoadWord(g_machine.ram + (a & 0xFFFF))) << 16 |
           LoadWord(g_machine.ram + ((a + 2) & 0xFFFF));
  }
  return ReadIo32(a);
}

void BusWrite8(u32 address, u8 data) {
  if (InRam(address)) {
    g_machine.ram[(address ^ 1) & 0xFFFF] = data;
    return;
  }
  WriteIo8(address, data);
}

void BusWrite16(u32 address, u16 data) {
  if (InRam(address)) {
    StoreWord(g_machine.ram + (address & 0xFFFE), data);
    return;
  }
  WriteIo16(address, data);
}

// Decided once for the high word: the low word of an I/O long goes to the
// I/O writer even when it would fall in work RAM.
void BusWrite32(u32 address, u32 data) {
  if (InRam(address)) {
    StoreWord(g_machine.ram + (address & 0xFFFE), static_cast<u16>(data >> 16));
    StoreWord(g_machine.ram + ((address + 2) & 0xFFFE), static_cast<u16>(data));
    return;
  }
  WriteIo32(address, data);
}

[[gnu::noinline]] u16 BusReadIo16(u32 a) {
  MachineState& m = g_machine;
  const u8 counter = m.ioCounter;
  if (InSubCpuWindow(a)) {
    // The second processor is not run; while it would own the bus the
    // window reads back the counter instead of the stored word.
    u16 w = LoadWord(m.subCpuRam + (a & 0x1FFF));
    if (counter & 2) w = static_cast<u16>((counter >> 2) * 0x0101);
    StepIoCounter();
    return w;
  }
  // One switch over the single-address registers rather than a chain of
  // tests: the VDP status, which programs poll, is found at once.
  switch (a) {
    case 0xA04000:
      StepIoCounter();
      return counter & 3;  // FM busy/timer bits
    case 0xA10000:
      return m.version;
    case 0xA10002:
      return BusReadPad(0);
    case 0xA10004:
      return BusReadPad(1);
    case 0xA11100:
      StepIoCounter();
      return static_cast<u16>((counter & 4) << 6);  // bus request granted/busy
    case 0xC00004: {
      // Bits 13, 12, 10 and 5 always read 1; FIFO empty (9) and full (8)
      // take turns with counter bit 2; bit 2 (H blank) follows counter bit 1.
      u16 s = m.vdp.status | ((counter & 4) ? 0x3520 : 0x3620);
      if (counter & 2) s |= 0x0004;
      StepIoCounter();
      if (m.pal) s |= 0x0001;
      return s;
    }
    default:
      break;
  }
  if ((a & 0xFFFFF8) == 0xC00008) {
    if (m.vCounter > -64) return static_cast<u16>((m.vCounter & 0xFF) << 8);
    StepIoCounter();
    return static_cast<u16>(counter << 8);
  }
  return 0;
}

// Three-button pad: TH high selects Up, Down, Left, Right, B, C; TH low
// selects Up, Down, A, Start. Buttons read active low.
u16 BusReadPad(u32 port) {
  const u32 b = ~g_coreInterface.pad[port & 1];
  u32 v;
  if (g_machine.padTh[port & 1]) {
    v = (b & 0x3F) | 0x40;
  } else {
    v = ((b & 0xC0) >> 2) | (b & 3);
  }
  return static_cast<u16>(v << 8 | v);
}

void BusWriteIo8(u32 a, u8 d) {
  if (InSubCpuWindow(a)) {
    g_machine.subCpuRam[(a ^ 1) & 0x1FFF] = d;
  } else if ((a & 0xFFFFFC) == 0xA04000) {
    FmWritePort(a, d);
  } else if (a == 0xA11100) {
    // Bus request: there is no second processor to stop.
  } else if (a == 0xA10003) {
    g_machine.padTh[0] = (d >> 6) & 1;
  } else if (a == 0xA10005) {
    g_machine.padTh[1] = (d >> 6) & 1;
  } else if ((a & 0xFFFFF8) == 0xC00000) {
    // The VDP sees a byte write as the byte on both halves of the data bus.
    VdpWritePort(a, static_cast<u16>(d << 8 | d));
  }
}

void BusWriteIo16(u32 a, u16 d) {
  if ((a & 0xFFFFF8) == 0xC00000) {
    VdpWritePort(a, d);
  } else if (InSubCpuWindow(a)) {
    StoreWord(g_machine.subCpuRam + (a & 0x1FFE), d);
  } else {
    BusWriteIo8(a, static_cast<u8>(d >> 8));
    BusWriteIo8(a + 1, static_cast<u8>(d));
  }
}

// Every base returned keeps base + PC, and the few words after it, inside
// one host buffer: the image copy and work RAM carry fences, and a PC that
// maps neither lands on a block of ILLEGAL opcodes.
const u8* BusPcBase(u32 pc) {
  if (pc < g_machine.romSize) return g_machine.rom;
  if (InRam(pc)) {
    // Cutting the whole upper half also covers a PC with a top byte, which
    // the 68000's 24-bit bus ignores.
    return BaseFor(g_machine.ram, pc & 0xFFFF0000);
  }
  return BaseFor(&kTrapArea, pc);
}

void BusSetPcBase(u32 pc) {
  g_cpu68kPcBase = BusPcBase(pc);
  if (pc < g_machine.romSize) {
    g_cpu68kPcLow = 0;
    g_cpu68kPcSpan = g_machine.romSize;
  } else if (InRam(pc)) {
    g_cpu68kPcLow = pc & 0xFFFF0000;
    g_cpu68kPcSpan = 0x10000;
  } else {
    g_cpu68kPcLow = pc;
    g_cpu68kPcSpan = 0;
  }
}

u32 BusSetPcBaseArg(u32 pc) {
  BusSetPcBase(pc);
  return 0;
}
