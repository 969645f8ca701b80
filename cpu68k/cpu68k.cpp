// The 68000's frame: context, run loop, interrupts and exception processing.
#include "cpu68k/cpu68k.h"

#include <algorithm>
#include <cstring>

#include "core/bus.h"
#include "cpu68k/cpu68k_core.h"

Cpu68kContext g_cpu68kContext;
i32 g_cpu68kCycles;
u32 g_cpu68kRunEnd = kCpu68kRunOn;
Cpu68kRunState g_cpu68kRunState;

namespace {
// Until the first reset gives it a real one, the fetch base points at
// ILLEGAL opcodes, so a run before any reset cannot read foreign memory.
alignas(2) const u8 kNoMemory[16] = {0xFC, 0x4A, 0xFC, 0x4A, 0xFC, 0x4A, 0xFC, 0x4A,
                                     0xFC, 0x4A, 0xFC, 0x4A, 0xFC, 0x4A, 0xFC, 0x4A};
}  // namespace

const u8* g_cpu68kPcBase = kNoMemory;
u32 g_cpu68kPcLow = 0;
u32 g_cpu68kPcSpan = 0;

const u8 g_cpu68kExceptionCycles[48] = {
    0,  0,  0,  0,  38, 42, 44, 38, 38, 0,  38, 38, 0,  0,  0,  0,   // 0-15
    0,  0,  0,  0,  0,  0,  0,  0,  46, 46, 46, 46, 46, 46, 46, 46,  // 16-31
    38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38, 38,  // 32-47
};

namespace {
constexpr u32 CcrImage(u32 v) {
  return ((v & 1) ? kFlagC : 0) | ((v & 2) ? kFlagV : 0) | ((v & 4) ? kFlagZ : 0) |
         ((v & 8) ? kFlagN : 0) | ((v & 16) ? 0x100 : 0);
}
}  // namespace

const u32 g_cpu68kCcrToHost[32] = {
    CcrImage(0),  CcrImage(1),  CcrImage(2),  CcrImage(3),  CcrImage(4),  CcrImage(5),
    CcrImage(6),  CcrImage(7),  CcrImage(8),  CcrImage(9),  CcrImage(10), CcrImage(11),
    CcrImage(12), CcrImage(13), CcrImage(14), CcrImage(15), CcrImage(16), CcrImage(17),
    CcrImage(18), CcrImage(19), CcrImage(20), CcrImage(21), CcrImage(22), CcrImage(23),
    CcrImage(24), CcrImage(25), CcrImage(26), CcrImage(27), CcrImage(28), CcrImage(29),
    CcrImage(30), CcrImage(31),
};

i32 Cpu68kDefaultIrqAck(u32) { return -1; }
u32 Cpu68kDefaultResetHandler() { return 0; }

u32 Cpu68kInit() {
  Cpu68kContext& c = g_cpu68kContext;
  const u32 pcFull = c.pcFull;
  std::memset(&c, 0, sizeof c);
  c.pcFull = pcFull;
  c.irqAck = Cpu68kDefaultIrqAck;
  c.resetHandler = g_cpu68kMemHandlers.resetHandlerDefault;
  Cpu68kBuildOpTable();
  return 0;
}

u32 Cpu68kPostInit() { return 0; }

u32 Cpu68kReset() {
  Cpu68kContext& c = g_cpu68kContext;
  c.srSys = 0x27;
  c.a[7] = BusRead32(0);
  // The 68000 drives 24 address lines: a top byte in the reset vector is
  // not seen by the bus, so the PC is cut as every other new PC is. An
  // uncut PC would carry the top byte into straight-line fetches and wrap
  // at 2^32 instead of running into the fence after the memory it is in.
  c.pc = BusRead32(4) & g_cpu68kMemHandlers.addrMask;
  BusSetPcBaseArg(c.pc);
  return 0;
}

u32 Cpu68kSetIrq(u32 level) {
  g_cpu68kContext.irqPending = level;
  return 0;
}

u16 Cpu68kGetSr() { return static_cast<u16>(Cpu68kSr(g_cpu68kContext.ccrHost)); }

bool Cpu68kException(u32 vector, u32 stackedPc, Cpu68kRunState& s) {
  Cpu68kContext& c = g_cpu68kContext;
  vector &= 0xFF;
  // Vectors above 47 come only from a foreign acknowledge callback: free.
  if (vector < 48) g_cpu68kCycles -= g_cpu68kExceptionCycles[vector];
  const u32 sr = Cpu68kSr(Cpu68kImage(s));
  if (!(c.srSys & kSrS)) {
    c.srSys |= kSrS;
    c.usp = c.a[7];
    c.a[7] = c.ssp;
  }
  c.a[7] -= 6;
  g_cpu68kMemHandlers.write16(c.a[7], sr);
  g_cpu68kMemHandlers.write32(c.a[7] + 2, stackedPc);
  u32 target = g_cpu68kMemHandlers.read32(vector * 4 + c.vbr);
  if (target & 1) {
    if (vector == 3) {
      // An odd address-error vector would fault for ever; the processor
      // goes on at the even address below it instead.
      target &= ~1u;
    } else {
      Cpu68kException(3, target - 2, s);
      return false;
    }
  }
  Cpu68kSetNewPc(target, s);
  return true;
}

[[gnu::noinline]] void Cpu68kJumpFar(u32 v, Cpu68kRunState& s) { Cpu68kJump<false>(v, s); }

i32 Cpu68kTakeInterrupt(Cpu68kRunState& s) {
  Cpu68kContext& c = g_cpu68kContext;
  const u32 level = c.irqPending & 7;
  c.irqPending &= ~7u;
  c.ccrHost = Cpu68kImage(s);
  i32 vector = c.irqAck(level);
  Cpu68kSetImage(s, c.ccrHost);
  if (vector < 0) vector = static_cast<i32>(24 + level);
  if (!Cpu68kException(static_cast<u32>(vector), s.pc, s)) return Cpu68kEndAtZero();
  c.srSys = (c.srSys & ~7u) | level;
  return Cpu68kLeft();
}

i32 Cpu68kCheckInterrupt(Cpu68kRunState& s) {
  const u32 level = g_cpu68kContext.irqPending & 7;
  const u32 mask = g_cpu68kContext.srSys & 7;
  if (level == 7 || level > mask) return Cpu68kTakeInterrupt(s);
  return Cpu68kLeft();
}

namespace {
// Runs instructions until the counter goes below zero; the first one
// without the test. Kept on its own so that the loop is only the fetch, the
// call, one subtraction from the counter in memory and its sign test.
[[gnu::noinline]] void Cpu68kDispatch() {
  const Cpu68kRunState& s = g_cpu68kRunState;
  do {
    u16 opcode;
    std::memcpy(&opcode, s.base + s.pc, 2);
    g_cpu68kRunState.pc = s.pc + 2;
    g_cpu68kCycles -= g_cpu68kOpTable[opcode](opcode);
  } while (g_cpu68kCycles >= 0);
}
}  // namespace

i32 Cpu68kRun(i32 cycles) { return Cpu68kExecute(cycles); }

i32 Cpu68kExecute(i32 cycles) {
  Cpu68kContext& c = g_cpu68kContext;
  cycles = std::clamp(cycles, -kCpu68kBudgetLimit, kCpu68kBudgetLimit);
  g_cpu68kCycles = cycles;
  Cpu68kRunState& s = g_cpu68kRunState;
  s.pc = c.pc;
  s.base = g_cpu68kPcBase;
  Cpu68kSetImage(s, c.ccrHost);
  if (c.irqPending & 7) g_cpu68kCycles -= Cpu68kCheckInterrupt(s);
  if (g_cpu68kCycles >= 0) Cpu68kDispatch();
  while (g_cpu68kRunEnd != kCpu68kRunOn) {
    const u32 end = g_cpu68kRunEnd;
    g_cpu68kRunEnd = kCpu68kRunOn;
    g_cpu68kCycles += kCpu68kSpecial;
    if (end == kCpu68kRunLeave) break;
    // RESET: the next opcode runs whatever the counter says.
    Cpu68kDispatch();
  }
  c.pc = s.pc;
  c.ccrHost = Cpu68kImage(s);
  if (c.srSys & kSrS) {
    c.ssp = c.a[7];
  } else {
    c.usp = c.a[7];
  }
  return cycles - g_cpu68kCycles;
}

// Illegal opcodes, line A and line F stack their own address and end the
// run at a budget of zero.
i32 Cpu68kOpIllegal(u32) {
  Cpu68kRunState& s = g_cpu68kRunState;
  Cpu68kException(4, s.pc - 2, s);
  return Cpu68kEndAtZero();
}
i32 Cpu68kOpLineA(u32) {
  Cpu68kRunState& s = g_cpu68kRunState;
  Cpu68kException(10, s.pc - 2, s);
  return Cpu68kEndAtZero();
}
i32 Cpu68kOpLineF(u32) {
  Cpu68kRunState& s = g_cpu68kRunState;
  Cpu68kException(11, s.pc - 2, s);
  return Cpu68kEndAtZero();
}
