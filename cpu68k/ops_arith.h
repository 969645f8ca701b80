// Integer arithmetic, logic and compare: ADD, SUB, CMP, AND, OR, EOR in all
// their forms, the one-operand NEG, NEGX, NOT, CLR, TST, TAS, and the word
// multiplies and divides.
#pragma once

#include "cpu68k/cpu68k_core.h"

// The two-operand operations that share their forms.
enum class Alu : u8 { Add, Sub, Cmp, And, Or, Eor };

// d op v at the operand size (both already masked): sets the flag image and,
// for ADD and SUB, X; CMP's result is only for its flags.
template <Alu k, Sz sz>
inline u32 AluApply(u32 d, u32 v, Cpu68kRunState& s) {
  constexpr u32 mask = SizeInfo<sz>::kMask;
  u32 r;
  if constexpr (k == Alu::Add) {
    const Wide<sz> wide = WideAdd<sz>(d, v);
    r = static_cast<u32>(wide) & mask;
    s.cv = FlagsAddCV<sz>(d, v, wide);
    SetFlagsNZ<sz>(s, r);
    g_cpu68kContext.xFlag = s.cv;
  } else if constexpr (k == Alu::Sub || k == Alu::Cmp) {
    const Wide<sz> wide = WideSub<sz>(d, v);
    r = static_cast<u32>(wide) & mask;
    s.cv = FlagsSubCV<sz>(d, v, wide);
    SetFlagsNZ<sz>(s, r);
    if constexpr (k == Alu::Sub) g_cpu68kContext.xFlag = s.cv;
  } else {
    r = k == Alu::And ? d & v : k == Alu::Or ? d | v : d ^ v;
    SetFlagsLogic<sz>(s, r);
  }
  return r;
}

// Cost of the ea,Dn and ea,An forms: a long with a register source costs 8,
// and an immediate source adds nothing.
template <Sz sz, Ea src>
constexpr i32 ToRegCost() {
  if constexpr (sz != Sz::L) return 4 + EaCost<src, sz>();
  if constexpr (IsRegister(src)) return 8;
  return 6 + EaCost<src, sz>();
}

// <ea> op Dn -> Dn (CMP: only the flags).
template <Alu k, Sz sz, Ea src>
inline i32 Cpu68kToReg(u32 op, Cpu68kRunState& s) {
  const u32 v = EaRead<src, sz>(op, s);
  const u32 r = AluApply<k, sz>(RegD(op >> 9) & SizeInfo<sz>::kMask, v, s);
  if constexpr (k != Alu::Cmp) WriteDn<sz>(op >> 9, r);
  return Charge(ToRegCost<sz, src>());
}

// v op <ea> -> <ea>, the destination addressed once, read, then written.
// CMPI only reads.
template <Alu k, Sz sz, Ea dst>
inline void Cpu68kToEa(u32 op, u32 v, Cpu68kRunState& s) {
  constexpr u32 mask = SizeInfo<sz>::kMask;
  if constexpr (dst == Ea::Dn) {
    const u32 r = AluApply<k, sz>(RegD(op) & mask, v, s);
    if constexpr (k != Alu::Cmp) WriteDn<sz>(op, r);
  } else {
    const u32 address = EaAddress<dst, sz>(op, s);
    const u32 r = AluApply<k, sz>(MemRead<sz>(address), v, s);
    if constexpr (k != Alu::Cmp) MemWrite<sz>(address, r);
  }
}

// Dn op <ea> -> <ea>; EOR also to a data register, at the memory cost.
template <Alu k, Sz sz, Ea dst>
inline i32 Cpu68kToMem(u32 op, Cpu68kRunState& s) {
  Cpu68kToEa<k, sz, dst>(op, RegD(op >> 9) & SizeInfo<sz>::kMask, s);
  return Charge((sz == Sz::L ? 12 : 8) + EaCost<dst, sz>());
}

template <Alu k, Sz sz, Ea dst>
constexpr i32 ImmCost() {
  constexpr bool l = sz == Sz::L;
  if constexpr (dst == Ea::Dn) {
    if constexpr (k == Alu::And || k == Alu::Cmp) return l ? 14 : 8;
    return l ? 16 : 8;
  }
  if constexpr (k == Alu::Cmp) return (l ? 12 : 8) + EaCost<dst, sz>();
  return (l ? 20 : 12) + EaCost<dst, sz>();
}

// #imm op <ea>: the immediate comes before the destination's extension words.
template <Alu k, Sz sz, Ea dst>
inline i32 Cpu68kImmediate(u32 op, Cpu68kRunState& s) {
  const u32 v = EaRead<Ea::Imm, sz>(op, s);
  Cpu68kToEa<k, sz, dst>(op, v, s);
  return Charge(ImmCost<k, sz, dst>());
}

// ADDA, SUBA, CMPA: all 32 bits of An against the sign-extended source.
// ADDA and SUBA leave every flag alone.
template <Alu k, Sz sz, Ea src>
inline i32 Cpu68kToAn(u32 op, Cpu68kRunState& s) {
  const u32 v = SignExtend<sz>(EaRead<src, sz>(op, s));
  u32& a = RegA(op >> 9);
  if constexpr (k == Alu::Add) a += v;
  if constexpr (k == Alu::Sub) a -= v;
  if constexpr (k == Alu::Cmp) {
    s.cv = FlagsSubCV<Sz::L>(a, v, WideSub<Sz::L>(a, v));
    SetFlagsNZ<Sz::L>(s, a - v);
  }
  return Charge(ToRegCost<sz, src>());
}

// ADDQ and SUBQ: the quick value is bits 11-9, 0 meaning 8. On An the whole
// register changes and no flag does; the byte size on An runs this word form.
template <bool kSub, Sz sz, Ea dst>
inline i32 Cpu68kQuick(u32 op, Cpu68kRunState& s) {
  const u32 q = (((op >> 9) - 1) & 7) + 1;
  if constexpr (dst == Ea::An) {
    u32& a = RegA(op);
    a = kSub ? a - q : a + q;
    return Charge(8);
  } else {
    Cpu68kToEa<kSub ? Alu::Sub : Alu::Add, sz, dst>(op, q, s);
    if constexpr (dst == Ea::Dn) return Charge(sz == Sz::L ? 8 : 4);
    return Charge((sz == Sz::L ? 12 : 8) + EaCost<dst, sz>());
  }
}

// Flags of ADDX, SUBX and NEGX: those of the whole operation, except that a
// zero result keeps Z as it was, so a chain of them tests the whole number.
// X is C.
template <Sz sz>
inline void SetFlagsExtended(Cpu68kRunState& s, u32 cv, u32 r) {
  s.cv = cv;
  SetFlagNClearZ(s, SignExtend<sz>(r) >> 31, r);
  g_cpu68kContext.xFlag = cv;
}

// ADDX and SUBX: Dy,Dx or -(Ay),-(Ax), the source stepped and read first.
template <bool kSub, Sz sz, Ea src, Ea dst>
inline i32 Cpu68kExtended(u32 op, Cpu68kRunState& s) {
  constexpr u32 mask = SizeInfo<sz>::kMask;
  const u32 x = g_cpu68kContext.xFlag & 1;
  u32 v, d, address = 0;
  if constexpr (dst == Ea::Dn) {
    v = RegD(op) & mask;
    d = RegD(op >> 9) & mask;
  } else {
    v = MemRead<sz>(EaAddress<src, sz>(op, s));
    address = EaAddress<dst, sz>(op >> 9, s);
    d = MemRead<sz>(address);
  }
  const Wide<sz> wide = kSub ? WideSub<sz>(d, v, x) : WideAdd<sz>(d, v, x);
  const u32 r = static_cast<u32>(wide) & mask;
  SetFlagsExtended<sz>(s, kSub ? FlagsSubCV<sz>(d, v, wide) : FlagsAddCV<sz>(d, v, wide), r);
  if constexpr (dst == Ea::Dn) {
    WriteDn<sz>(op >> 9, r);
    return Charge(sz == Sz::L ? 8 : 4);
  } else {
    MemWrite<sz>(address, r);
    return Charge(sz == Sz::L ? 30 : 18);
  }
}

// NEG, NEGX, NOT: read-modify-write of one operand.
enum class Unary : u8 { Neg, Negx, Not };

template <Unary k, Sz sz, Ea dst>
inline i32 Cpu68kUnary(u32 op, Cpu68kRunState& s) {
  constexpr u32 mask = SizeInfo<sz>::kMask;
  u32 address = 0;
  u32 d;
  if constexpr (dst == Ea::Dn) {
    d = RegD(op) & mask;
  } else {
    address = EaAddress<dst, sz>(op, s);
    d = MemRead<sz>(address);
  }
  u32 r;
  if constexpr (k == Unary::Not) {
    r = ~d & mask;
    SetFlagsLogic<sz>(s, r);
  } else if constexpr (k == Unary::Neg) {
    const Wide<sz> wide = WideSub<sz>(0, d);
    r = static_cast<u32>(wide) & mask;
    s.cv = FlagsSubCV<sz>(0, d, wide);
    SetFlagsNZ<sz>(s, r);
    g_cpu68kContext.xFlag = s.cv;
  } else {
    const Wide<sz> wide = WideSub<sz>(0, d, g_cpu68kContext.xFlag & 1);
    r = static_cast<u32>(wide) & mask;
    SetFlagsExtended<sz>(s, FlagsSubCV<sz>(0, d, wide), r);
  }
  if constexpr (dst == Ea::Dn) {
    WriteDn<sz>(op, r);
  } else {
    MemWrite<sz>(address, r);
  }
  return Charge((sz == Sz::L ? 6 : 4) + EaCost<dst, sz>());
}

// ---------------------------------------------------------------------------
// The instruction handlers.

CPU68K_HANDLER(AddToReg) { return Cpu68kToReg<Alu::Add, sz, src>(op, s); }
CPU68K_HANDLER(SubToReg) { return Cpu68kToReg<Alu::Sub, sz, src>(op, s); }
CPU68K_HANDLER(AndToReg) { return Cpu68kToReg<Alu::And, sz, src>(op, s); }
CPU68K_HANDLER(OrToReg) { return Cpu68kToReg<Alu::Or, sz, src>(op, s); }
CPU68K_HANDLER(Cmp) { return Cpu68kToReg<Alu::Cmp, sz, src>(op, s); }

CPU68K_HANDLER(AddToMem) { return Cpu68kToMem<Alu::Add, sz, dst>(op, s); }
CPU68K_HANDLER(SubToMem) { return Cpu68kToMem<Alu::Sub, sz, dst>(op, s); }
CPU68K_HANDLER(AndToMem) { return Cpu68kToMem<Alu::And, sz, dst>(op, s); }
CPU68K_HANDLER(OrToMem) { return Cpu68kToMem<Alu::Or, sz, dst>(op, s); }
CPU68K_HANDLER(Eor) { return Cpu68kToMem<Alu::Eor, sz, dst>(op, s); }

CPU68K_HANDLER(Addi) { return Cpu68kImmediate<Alu::Add, sz, dst>(op, s); }
CPU68K_HANDLER(Subi) { return Cpu68kImmediate<Alu::Sub, sz, dst>(op, s); }
CPU68K_HANDLER(Cmpi) { return Cpu68kImmediate<Alu::Cmp, sz, dst>(op, s); }
CPU68K_HANDLER(Andi) { return Cpu68kImmediate<Alu::And, sz, dst>(op, s); }
CPU68K_HANDLER(Ori) { return Cpu68kImmediate<Alu::Or, sz, dst>(op, s); }
CPU68K_HANDLER(Eori) { return Cpu68kImmediate<Alu::Eor, sz, dst>(op, s); }

CPU68K_HANDLER(Adda) { return Cpu68kToAn<Alu::Add, sz, src>(op, s); }
CPU68K_HANDLER(Suba) { return Cpu68kToAn<Alu::Sub, sz, src>(op, s); }
CPU68K_HANDLER(Cmpa) { return Cpu68kToAn<Alu::Cmp, sz, src>(op, s); }

CPU68K_HANDLER(Addq) { return Cpu68kQuick<false, sz, dst>(op, s); }
CPU68K_HANDLER(Subq) { return Cpu68kQuick<true, sz, dst>(op, s); }

CPU68K_HANDLER(Addx) { return Cpu68kExtended<false, sz, src, dst>(op, s); }
CPU68K_HANDLER(Subx) { return Cpu68kExtended<true, sz, src, dst>(op, s); }

CPU68K_HANDLER(Neg) { return Cpu68kUnary<Unary::Neg, sz, dst>(op, s); }
CPU68K_HANDLER(Negx) { return Cpu68kUnary<Unary::Negx, sz, dst>(op, s); }
CPU68K_HANDLER(Not) { return Cpu68kUnary<Unary::Not, sz, dst>(op, s); }

#undef CPU68K_ARITH_HANDLER

// CMPM (Ay)+,(Ax)+: the source is read first; flags of destination - source.
CPU68K_HANDLER(Cmpm) {
  const u32 v = MemRead<sz>(EaAddress<src, sz>(op, s));
  const u32 d = MemRead<sz>(EaAddress<dst, sz>(op >> 9, s));
  AluApply<Alu::Cmp, sz>(d, v, s);
  return Charge(sz == Sz::L ? 20 : 12);
}

// CLR writes without reading the old value.
CPU68K_HANDLER(Clr) {
  EaWrite<dst, sz>(op, 0, s);
  SetFlagsLogic<sz>(s, 0);
  return Charge((sz == Sz::L ? 6 : 4) + EaCost<dst, sz>());
}

CPU68K_HANDLER(Tst) {
  SetFlagsLogic<sz>(s, EaRead<src, sz>(op, s));
  return Charge(4 + EaCost<src, sz>());
}

// TAS: flags from the byte as it was, then the byte written back with bit 7
// set (the 68000 holds the bus between the two).
CPU68K_HANDLER(Tas) {
  if constexpr (dst == Ea::Dn) {
    u32& d = RegD(op);
    SetFlagsLogic<Sz::B>(s, d);
    d |= 0x80;
    return Charge(4);
  } else {
    const u32 address = EaAddress<dst, Sz::B>(op, s);
    const u32 v = MemRead<Sz::B>(address);
    SetFlagsLogic<Sz::B>(s, v);
    MemWrite<Sz::B>(address, v | 0x80);
    return Charge(14 + EaCost<dst, Sz::B>());
  }
}

// MULU and MULS: low word of Dn times the word source, the 32-bit product
// into the whole register. The signed product is formed from the
// sign-extended operands in u32, which is exact modulo 2^32.
template <bool kSigned, Ea src>
inline i32 Cpu68kMultiply(u32 op, Cpu68kRunState& s) {
  u32 v = EaRead<src, Sz::W>(op, s);
  u32& d = RegD(op >> 9);
  u32 w = d & 0xFFFF;
  if constexpr (kSigned) {
    v = SignExtend<Sz::W>(v);
    w = SignExtend<Sz::W>(w);
  }
  d = w * v;
  SetFlagsLogic<Sz::L>(s, d);
  return Charge(70 + EaCost<src, Sz::W>());
}

CPU68K_HANDLER(Mulu) { return Cpu68kMultiply<false, src>(op, s); }

CPU68K_HANDLER(Muls) { return Cpu68kMultiply<true, src>(op, s); }

// The divides' operand costs, a table of their own.
template <Ea ea>
constexpr i32 DivideEaCost() {
  switch (ea) {
    case Ea::Ind:
    case Ea::Post:
    case Ea::Imm:
      return 4;
    case Ea::Pre:
      return 6;
    case Ea::Disp:
    case Ea::AbsW:
    case Ea::PcDisp:
      return 8;
    case Ea::PcIndex:
      return 10;
    case Ea::Index:
    case Ea::AbsL:
      return 12;
    default:
      return 0;
  }
}

// DIVU and DIVS: 32-bit Dn by the word source into remainder:quotient. The
// whole cost is charged first; a zero divisor gives part of it back and
// raises vector 5 with the PC past the instruction. An overflowing quotient
// sets V and leaves Dn alone. The run may end at a budget of exactly zero.
template <bool kSigned, Ea src>
inline i32 Cpu68kDivide(u32 op, Cpu68kRunState& s) {
  s.cv &= ~kFlagC;
  g_cpu68kCycles -= (kSigned ? 150 : 133) + DivideEaCost<src>();
  const u32 divisor = EaRead<src, Sz::W>(op, s);
  if (divisor == 0) {
    g_cpu68kCycles += kSigned ? 112 : 95;
    Cpu68kException(5, s.pc, s);
    return Cpu68kEndAtZero();
  }
  u32& d = RegD(op >> 9);
  u32 quotient, remainder;
  if constexpr (kSigned) {
    // In 64 bits, 0x80000000 / -1 is an ordinary quotient that overflows.
    const i64 n = static_cast<i32>(d);
    const i64 m = static_cast<i16>(divisor);
    const i64 q = n / m;
    if (q < -32768 || q > 32767) {
      s.cv |= kFlagV;
      return Cpu68kEndAtZero();
    }
    quotient = static_cast<u32>(q);
    remainder = static_cast<u32>(n % m);
  } else {
    quotient = d / divisor;
    if (quotient > 0xFFFF) {
      s.cv |= kFlagV;
      return Cpu68kEndAtZero();
    }
    remainder = d % divisor;
  }
  d = (remainder << 16) | (quotient & 0xFFFF);
  SetFlagsLogic<Sz::W>(s, quotient);
  return Cpu68kEndAtZero();
}

CPU68K_HANDLER(Divu) { return Cpu68kDivide<false, src>(op, s); }

CPU68K_HANDLER(Divs) { return Cpu68kDivide<true, src>(op, s); }
