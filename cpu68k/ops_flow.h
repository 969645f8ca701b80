// Program control and system: branches, jumps, returns, traps, STOP, RESET,
// the SR and CCR moves and logic, and the 68010 additions.
#pragma once

#include "cpu68k/cpu68k_core.h"

inline bool Cpu68kSupervisor() { return g_cpu68kContext.srSys & kSrS; }

// Privilege violation: the opcode's own address is stacked and none of the
// operands is read. The instruction still charges its own cycles, unless an
// odd vector turned the exception into an address error.
// kCheckIrq: the instruction would have ended with Cpu68kEndCheckIrq.
template <bool kCheckIrq = false>
inline i32 Cpu68kPrivilegeViolation(i32 cycles, Cpu68kRunState& s) {
  if (!Cpu68kException(8, s.pc - 2, s)) return Cpu68kEndAtZero();
  g_cpu68kCycles -= cycles;
  return kCheckIrq ? Cpu68kEndCheckIrq(s) : Cpu68kLeft();
}

// An exception raised after the instruction has done its work, stacking the
// address of the next instruction (TRAPV, CHK).
inline i32 Cpu68kTrapAfter(u32 vector, i32 cycles, Cpu68kRunState& s) {
  if (!Cpu68kException(vector, s.pc, s)) return Cpu68kEndAtZero();
  return Charge(cycles);
}

CPU68K_HANDLER(Nop) { return Charge(4); }

// Bcc, BRA (condition 0) and BSR (condition 1). The displacement counts
// from the word after the opcode.
template <int cc>
inline i32 Cpu68kBranch(u32 base, u32 displacement, Cpu68kRunState& s) {
  if constexpr (cc == 1) {
    // The return address goes on the stack before the target is tested.
    Push32(Cpu68kReturnAddress(s.pc));
    Cpu68kJump<true>(base + displacement, s);
    return Charge(18);
  } else {
    if (!Condition<cc>(s)) return Charge(8);
    Cpu68kJump<true>(base + displacement, s);
    return Charge(10);
  }
}

CPU68K_HANDLER(Bcc8) {
  constexpr int cc = x;
  return Cpu68kBranch<cc>(s.pc, SignExtend<Sz::B>(op), s);
}

CPU68K_HANDLER(Bcc16) {
  constexpr int cc = x;
  const u32 base = s.pc;
  const u32 displacement = SignExtend<Sz::W>(Fetch16(s));
  return Cpu68kBranch<cc>(base, displacement, s);
}

// DBcc. The loop branch only adds the displacement: it keeps the fetch base
// of the DBcc itself and leaves pcFull alone, which is what makes tight
// loops cheap.
CPU68K_HANDLER(Dbcc) {
  constexpr int cc = x;
  if (Condition<cc>(s)) {
    s.pc += 2;
    return Charge(12);
  }
  u32& d = RegD(op);
  u32 count;
  if constexpr (std::endian::native == std::endian::little) {
    // The counter is the register's first two bytes: read and stored as a
    // word, with no merge into the high half. Only here, since the loop
    // reads it back as a word: a long read soon after a word store would
    // wait for that store.
    u16 w;
    std::memcpy(&w, &d, 2);
    --w;
    std::memcpy(&d, &w, 2);
    count = w;
  } else {
    count = (d - 1) & 0xFFFF;
    d = (d & 0xFFFF0000) | count;
  }
  if (count == 0xFFFF) {
    s.pc += 2;
    return Charge(12);
  }
  const u32 base = s.pc;
  s.pc = base + SignExtend<Sz::W>(Fetch16(s));
  // The loop keeps its fetch base; only a target outside the memory that
  // base maps (a displacement reaching past either end) gets a new one,
  // so no fetch leaves the host buffers.
  if (s.pc - g_cpu68kPcLow >= g_cpu68kPcSpan) [[unlikely]] {
    s.pc &= g_cpu68kMemHandlers.addrMask;
    Cpu68kRebase(s);
  }
  return Charge(10);
}

// Scc writes its byte without reading the destination first.
CPU68K_HANDLER(Scc) {
  constexpr int cc = x;
  const bool taken = Condition<cc>(s);
  const u32 v = taken ? 0xFF : 0x00;
  if constexpr (dst == Ea::Dn) {
    WriteDn<Sz::B>(op, v);
    return Charge(taken ? 6 : 4);
  } else {
    MemWrite<Sz::B>(EaAddress<dst, Sz::B>(op, s), v);
    return Charge(8 + EaCost<dst, Sz::B>());
  }
}

// JMP's cost by mode; JSR costs 8 more in every mode.
template <Ea ea>
constexpr i32 Cpu68kJumpCost() {
  switch (ea) {
    case Ea::Ind:
      return 16;
    case Ea::Index:
      return 28;
    case Ea::AbsL:
      return 26;
    case Ea::PcIndex:
      return 24;
    default:  // d16(An), abs.W, d16(PC)
      return 22;
  }
}

CPU68K_HANDLER(Jmp) {
  Cpu68kJump<true>(EaAddress<src, Sz::L>(op, s), s);
  return Charge(Cpu68kJumpCost<src>());
}

CPU68K_HANDLER(Jsr) {
  const u32 target = EaAddress<src, Sz::L>(op, s);
  Push32(Cpu68kReturnAddress(s.pc));
  Cpu68kJump<true>(target, s);
  return Charge(Cpu68kJumpCost<src>() + 8);
}

// Pops a long from the active stack.
inline u32 Cpu68kPop32() {
  u32& sp = g_cpu68kContext.a[7];
  const u32 address = sp;
  sp = address + 4;
  return g_cpu68kMemHandlers.read32(address);
}

CPU68K_HANDLER(Rts) {
  Cpu68kJump<true>(Cpu68kPop32(), s);
  return Charge(16);
}

CPU68K_HANDLER(Rtr) {
  u32& sp = g_cpu68kContext.a[7];
  const u32 frame = sp;
  sp = frame + 6;
  Cpu68kSetCcr(s, g_cpu68kMemHandlers.read16(frame));
  Cpu68kJump(g_cpu68kMemHandlers.read32(frame + 2), s);
  return Charge(20);
}

// RTE writes the SR before it jumps, so an odd return address faults in the
// mode the frame restored. Either path may have lowered the mask.
CPU68K_HANDLER(Rte) {
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation<true>(20, s);
  u32& sp = g_cpu68kContext.a[7];
  const u32 frame = sp;
  sp = frame + 6;
  const u32 sr = g_cpu68kMemHandlers.read16(frame);
  const u32 pc = g_cpu68kMemHandlers.read32(frame + 2);
  Cpu68kSetSr(s, sr);
  Cpu68kJump(pc, s);
  g_cpu68kCycles -= 20;
  return Cpu68kEndCheckIrq(s);
}

// 68010: returns and then frees a block of parameters on the stack.
CPU68K_HANDLER(Rtd) {
  if (!g_cpu68kContext.cpuModel) return Cpu68kOpIllegal(op);
  u32& sp = g_cpu68kContext.a[7];
  const u32 pc = g_cpu68kMemHandlers.read32(sp);
  sp += 4 + SignExtend<Sz::W>(Fetch16(s));
  Cpu68kJump(pc, s);
  return Charge(16);
}

CPU68K_HANDLER(Trap) {
  Cpu68kException(32 + (op & 15), s.pc, s);
  return Cpu68kEndAtZero();
}

CPU68K_HANDLER(Trapv) {
  if (s.cv & kFlagV) return Cpu68kTrapAfter(7, 4, s);
  return Charge(4);
}

// CHK: N tells which bound failed; Z, V and C are left as they were.
CPU68K_HANDLER(Chk) {
  constexpr i32 cost = 10 + EaCost<src, Sz::W>();
  const i32 bound = static_cast<i16>(EaRead<src, Sz::W>(op, s));
  const i32 value = static_cast<i16>(RegD(op >> 9));
  if (value < 0) {
    SetFlagN(s, true);
    return Cpu68kTrapAfter(6, cost, s);
  }
  if (value > bound) {
    SetFlagN(s, false);
    s.cv &= ~kFlagV;
    return Cpu68kTrapAfter(6, cost, s);
  }
  return Charge(cost);
}

// STOP has no stopped state: it ends the run at once (with the counter at
// -4) and the next run goes on after it, unless an interrupt the new mask
// lets through is waiting, which is taken instead at no cost of STOP's own.
CPU68K_HANDLER(Stop) {
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation(4, s);
  Cpu68kSetSr(s, Fetch16(s));
  const Cpu68kContext& c = g_cpu68kContext;
  const u32 level = c.irqPending & 7;
  if (level == 7 || level > (c.srSys & 7)) return Cpu68kTakeInterrupt(s);
  g_cpu68kCycles = 0;
  return Charge(4);
}

// RESET pulses the reset line for the rest of the machine (the callback);
// the processor itself carries on with the next instruction at once.
CPU68K_HANDLER(Reset) {
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation(132, s);
  Cpu68kContext& c = g_cpu68kContext;
  if (c.resetHandler) {
    c.pc = s.pc;
    c.ccrHost = Cpu68kImage(s);
    c.resetHandler();
    s.pc = c.pc;
    Cpu68kSetImage(s, c.ccrHost);
    s.base = g_cpu68kPcBase;
  }
  g_cpu68kCycles -= 132;
  // Only a stream of RESETs far longer than any program's meets the bound.
  if (g_cpu68kCycles < -kCpu68kBudgetLimit) [[unlikely]] {
    return Cpu68kLeft();
  }
  return Cpu68kNoTest();
}

// MOVE from SR (any mode) and, on the 68010, MOVE from CCR.
template <Ea dst>
inline i32 Cpu68kStoreStatus(u32 op, u32 v, Cpu68kRunState& s) {
  if constexpr (dst == Ea::Dn) {
    WriteDn<Sz::W>(op, v);
    return Charge(6);
  } else {
    MemWrite<Sz::W>(EaAddress<dst, Sz::W>(op, s), v);
    return Charge(8 + EaCost<dst, Sz::W>());
  }
}

CPU68K_HANDLER(MoveFromSr) { return Cpu68kStoreStatus<dst>(op, Cpu68kSr(Cpu68kImage(s)), s); }

CPU68K_HANDLER(MoveFromCcr) {
  if (!g_cpu68kContext.cpuModel) return Cpu68kOpIllegal(op);
  return Cpu68kStoreStatus<dst>(op, Cpu68kCcr(Cpu68kImage(s)), s);
}

CPU68K_HANDLER(MoveToCcr) {
  Cpu68kSetCcr(s, EaRead<src, Sz::W>(op, s));
  return Charge(12 + EaCost<src, Sz::W>());
}

// MOVE to SR may lower the mask, so a waiting interrupt is looked at after
// it, also after the privilege violation.
CPU68K_HANDLER(MoveToSr) {
  constexpr i32 cost = 12 + EaCost<src, Sz::W>();
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation<true>(cost, s);
  Cpu68kSetSr(s, EaRead<src, Sz::W>(op, s));
  g_cpu68kCycles -= cost;
  return Cpu68kEndCheckIrq(s);
}

// ANDI, ORI and EORI to CCR and to SR.
enum class Cpu68kSrLogic { And, Or, Eor };

template <Cpu68kSrLogic logic>
constexpr u32 Cpu68kSrCombine(u32 a, u32 b) {
  if constexpr (logic == Cpu68kSrLogic::And) return a & b;
  if constexpr (logic == Cpu68kSrLogic::Or) return a | b;
  return a ^ b;
}

template <Cpu68kSrLogic logic>
inline i32 Cpu68kLogicCcr(Cpu68kRunState& s) {
  const u32 imm = Fetch16(s) & 0xFF;
  Cpu68kSetCcr(s, Cpu68kSrCombine<logic>(Cpu68kCcr(Cpu68kImage(s)), imm));
  return Charge(20);
}

template <Cpu68kSrLogic logic>
inline i32 Cpu68kLogicSr(Cpu68kRunState& s) {
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation(20, s);
  const u32 imm = Fetch16(s);
  Cpu68kSetSr(s, Cpu68kSrCombine<logic>(Cpu68kSr(Cpu68kImage(s)), imm) & 0xFFFF);
  g_cpu68kCycles -= 20;
  return Cpu68kEndCheckIrq(s);
}

CPU68K_HANDLER(AndiCcr) { return Cpu68kLogicCcr<Cpu68kSrLogic::And>(s); }
CPU68K_HANDLER(OriCcr) { return Cpu68kLogicCcr<Cpu68kSrLogic::Or>(s); }
CPU68K_HANDLER(EoriCcr) { return Cpu68kLogicCcr<Cpu68kSrLogic::Eor>(s); }
CPU68K_HANDLER(AndiSr) { return Cpu68kLogicSr<Cpu68kSrLogic::And>(s); }
CPU68K_HANDLER(OriSr) { return Cpu68kLogicSr<Cpu68kSrLogic::Or>(s); }
CPU68K_HANDLER(EoriSr) { return Cpu68kLogicSr<Cpu68kSrLogic::Eor>(s); }

// 68010 MOVEC. Of the control register code only bits 11 and 0 are
// decoded: 0x000 SFC, 0x001 DFC, 0x800 USP, 0x801 VBR.
inline u32& Cpu68kControlRegister(u32 code) {
  Cpu68kContext& c = g_cpu68kContext;
  if (code & 0x800) return (code & 1) ? c.vbr : c.usp;
  return (code & 1) ? c.dfc : c.sfc;
}

template <bool kToControl>
inline i32 Cpu68kMovec(u32 op, Cpu68kRunState& s) {
  if (!g_cpu68kContext.cpuModel) return Cpu68kOpIllegal(op);
  if (!Cpu68kSupervisor()) return Cpu68kPrivilegeViolation(4, s);
  const u32 ext = Fetch16(s);
  u32& general = Reg16(ext >> 12);
  u32& control = Cpu68kControlRegister(ext);
  if constexpr (kToControl) {
    // The function code registers hold three bits.
    control = (ext & 0x800) ? general : (general & 7);
  } else {
    general = control;
  }
  return Charge(4);
}

CPU68K_HANDLER(MovecToReg) { return Cpu68kMovec<false>(op, s); }
CPU68K_HANDLER(MovecFromReg) { return Cpu68kMovec<true>(op, s); }
