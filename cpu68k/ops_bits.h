// Shifts and rotates, single-bit operations and decimal arithmetic.
#pragma once

#include "cpu68k/cpu68k_core.h"

// ---------------------------------------------------------------------------
// Shifts and rotates.

enum class ShiftKind : u8 { Asl, Asr, Lsl, Lsr, Rol, Ror, Roxl, Roxr };

// ROL and ROR leave X alone; every other shift copies its C into X, unless
// the count was 0.
constexpr bool ShiftSetsX(ShiftKind k) { return k != ShiftKind::Rol && k != ShiftKind::Ror; }

// Shifts v (already cut to the operand size) by n places, 0 to 63, with x
// as the X bit the rotates through X start from. Returns the result and
// puts its V and C into cv (its N and Z come from the result). Counts at and beyond the width are
// worked out case by case, so no C++ shift ever reaches the width of its
// type.
template <ShiftKind k, Sz sz>
inline u32 ShiftValue(u32 v, u32 n, u32 x, u32& cv) {
  constexpr u32 bits = SizeInfo<sz>::kBits;
  constexpr u32 mask = SizeInfo<sz>::kMask;
  constexpr u32 msb = SizeInfo<sz>::kMsb;
  constexpr bool kThroughX = k == ShiftKind::Roxl || k == ShiftKind::Roxr;
  u32 r = v;
  u32 c = 0;
  bool overflow = false;
  if (n == 0) {
    c = kThroughX ? x & 1 : 0;
  } else if constexpr (k == ShiftKind::Asl || k == ShiftKind::Lsl) {
    r = n >= bits ? 0 : (v << n) & mask;
    c = n <= bits ? (v >> (bits - n)) & 1 : 0;
    if constexpr (k == ShiftKind::Asl) {
      // V: the sign bit changed at some step, i.e. the n + 1 top bits that
      // pass through it are not all alike. Past the width every bit of a
      // non-zero operand has passed through, followed by zeros.
      if (n >= bits) {
        overflow = v != 0;
      } else {
        const u32 top = mask & ~static_cast<u32>(static_cast<u64>(mask) >> (n + 1));
        overflow = (v & top) != 0 && (v & top) != top;
      }
    }
  } else if constexpr (k == ShiftKind::Asr) {
    const bool negative = v & msb;
    if (n >= bits) {
      r = negative ? mask : 0;
      c = negative;
    } else {
      r = v >> n;
      if (negative) r |= mask & ~(mask >> n);
      c = (v >> (n - 1)) & 1;
    }
  } else if constexpr (k == ShiftKind::Lsr) {
    r = n >= bits ? 0 : v >> n;
    c = n <= bits ? (v >> (n - 1)) & 1 : 0;
  } else if constexpr (k == ShiftKind::Rol || k == ShiftKind::Ror) {
    const u32 m = n & (bits - 1);
    if (m != 0) {
      r = k == ShiftKind::Rol ? ((v << m) | (v >> (bits - m))) & mask
                              : ((v >> m) | (v << (bits - m))) & mask;
    }
    c = k == ShiftKind::Rol ? r & 1 : (r & msb) != 0;
  } else {
    // The ring of the operand with X above its top bit: bits + 1 places.
    constexpr u32 ringBits = bits + 1;
    constexpr u64 ringMask = (u64{1} << ringBits) - 1;
    const u32 m = n % ringBits;
    u64 ring = (static_cast<u64>(x & 1) << bits) | v;
    if (m != 0) {
      ring = k == ShiftKind::Roxl ? ((ring << m) | (ring >> (ringBits - m))) & ringMask
                                  : ((ring >> m) | (ring << (ringBits - m))) & ringMask;
    }
    r = static_cast<u32>(ring) & mask;
    c = static_cast<u32>(ring >> bits) & 1;
  }
  cv = (c ? kFlagC : 0) | (overflow ? kFlagV : 0);
  return r;
}

// A shift of Dy (bits 2-0) by an immediate count (bits 11-9, 0 meaning 8)
// or by Dx (bits 11-9) modulo 64. The cost grows by 2 per place.
template <ShiftKind k, Sz sz, bool kCountInRegister, int x>
inline i32 Cpu68kShiftRegister(u32 op, Cpu68kRunState& s) {
  const u32 n = kCountInRegister ? RegD(op >> 9) & 63 : (((op >> 9) - 1) & 7) + 1;
  u32 cv;
  const u32 r = ShiftValue<k, sz>(RegD(op) & SizeInfo<sz>::kMask, n, g_cpu68kContext.xFlag, cv);
  WriteDn<sz>(op, r);
  s.cv = cv;
  SetFlagsNZ<sz>(s, r);
  if (ShiftSetsX(k) && n != 0) g_cpu68kContext.xFlag = cv;
  // ASL.L #1 is the one form cheaper than the rule (x = 1 marks it).
  if constexpr (sz == Sz::L && x == 1) return Charge(8);
  return Charge(static_cast<i32>((sz == Sz::L ? 8 : 6) + 2 * n));
}

// A memory word shifted by one place, read and written at one address.
template <ShiftKind k, Ea dst>
inline i32 Cpu68kShiftMemory(u32 op, Cpu68kRunState& s) {
  const u32 address = EaAddress<dst, Sz::W>(op, s);
  u32 cv;
  const u32 r = ShiftValue<k, Sz::W>(MemRead<Sz::W>(address), 1, g_cpu68kContext.xFlag, cv);
  MemWrite<Sz::W>(address, r);
  s.cv = cv;
  SetFlagsNZ<Sz::W>(s, r);
  if constexpr (ShiftSetsX(k)) g_cpu68kContext.xFlag = cv;
  return Charge(8 + EaCost<dst, Sz::W>());
}

#define CPU68K_SHIFT_HANDLERS(name, kind)                                                         \
  CPU68K_HANDLER(name##Imm) { return Cpu68kShiftRegister<ShiftKind::kind, sz, false, x>(op, s); } \
  CPU68K_HANDLER(name##Reg) { return Cpu68kShiftRegister<ShiftKind::kind, sz, true, x>(op, s); }  \
  CPU68K_HANDLER(name##Mem) { return Cpu68kShiftMemory<ShiftKind::kind, dst>(op, s); }

CPU68K_SHIFT_HANDLERS(Asl, Asl)
CPU68K_SHIFT_HANDLERS(Asr, Asr)
CPU68K_SHIFT_HANDLERS(Lsl, Lsl)
CPU68K_SHIFT_HANDLERS(Lsr, Lsr)
CPU68K_SHIFT_HANDLERS(Rol, Rol)
CPU68K_SHIFT_HANDLERS(Ror, Ror)
CPU68K_SHIFT_HANDLERS(Roxl, Roxl)
CPU68K_SHIFT_HANDLERS(Roxr, Roxr)
#undef CPU68K_SHIFT_HANDLERS

// ---------------------------------------------------------------------------
// Single-bit operations.

enum class BitKind : u8 { Tst, Chg, Clr, Set };

// The bit number is Dx (bits 11-9) or, in the static form, an extension
// word fetched before the destination's own. A data register is tested as
// 32 bits, a memory operand as one byte. Only Z changes: set when the bit
// was 0 before the operation.
template <BitKind k, bool kStatic, Ea dst>
inline i32 Cpu68kBitOp(u32 op, Cpu68kRunState& s) {
  const u32 number = kStatic ? Fetch16(s) : RegD(op >> 9);
  bool wasZero;
  i32 cost;
  if constexpr (dst == Ea::Dn) {
    u32& reg = RegD(op);
    const u32 bit = 1u << (number & 31);
    wasZero = !(reg & bit);
    if constexpr (k == BitKind::Chg) reg ^= bit;
    if constexpr (k == BitKind::Clr) reg &= ~bit;
    if constexpr (k == BitKind::Set) reg |= bit;
    // On a register the bit number never changes the cost: the maximum.
    if constexpr (k == BitKind::Tst) cost = kStatic ? 10 : 6;
    if constexpr (k == BitKind::Chg || k == BitKind::Set) cost = kStatic ? 12 : 8;
    if constexpr (k == BitKind::Clr) cost = kStatic ? 14 : 10;
  } else {
    const u32 bit = 1u << (number & 7);
    if constexpr (k == BitKind::Tst) {
      // #imm (dynamic form only) tests the low byte of its word.
      wasZero = !(EaRead<dst, Sz::B>(op, s) & bit);
      cost = (kStatic ? 8 : 4) + EaCost<dst, Sz::B>();
    } else {
      const u32 address = EaAddress<dst, Sz::B>(op, s);
      u32 v = MemRead<Sz::B>(address);
      wasZero = !(v & bit);
      if constexpr (k == BitKind::Chg) v ^= bit;
      if constexpr (k == BitKind::Clr) v &= ~bit;
      if constexpr (k == BitKind::Set) v |= bit;
      MemWrite<Sz::B>(address, v);
      cost = (kStatic ? 12 : 8) + EaCost<dst, Sz::B>();
    }
  }
  s.nz = (s.nz & kNzHigh) | (wasZero ? 0 : 1);
  return Charge(cost);
}

#define CPU68K_BIT_HANDLERS(name, kind)                                               \
  CPU68K_HANDLER(name##Dyn) { return Cpu68kBitOp<BitKind::kind, false, dst>(op, s); } \
  CPU68K_HANDLER(name##Imm) { return Cpu68kBitOp<BitKind::kind, true, dst>(op, s); }

CPU68K_BIT_HANDLERS(Btst, Tst)
CPU68K_BIT_HANDLERS(Bchg, Chg)
CPU68K_BIT_HANDLERS(Bclr, Clr)
CPU68K_BIT_HANDLERS(Bset, Set)
#undef CPU68K_BIT_HANDLERS

// ---------------------------------------------------------------------------
// Decimal arithmetic.

// Packed-decimal d + s + x (kSub: d - s - x) on bytes. The binary result is
// adjusted by 6 where the low digit overflowed or left the decimal range,
// and by 0x60 where the whole byte did; the second adjustment is the
// decimal carry. The same rule gives a defined result for non-decimal
// operands.
template <bool kSub>
inline u32 DecimalAdjust(u32 d, u32 s, u32 x, bool& carry) {
  u32 r;
  bool c, h;
  if constexpr (kSub) {
    r = (d - s - x) & 0xFF;
    c = d < s + x;
    h = (d & 0xF) < (s & 0xF) + x;
  } else {
    r = (d + s + x) & 0xFF;
    c = d + s + x > 0xFF;
    h = (d & 0xF) + (s & 0xF) + x > 0xF;
  }
  const u32 binary = r;
  if ((r & 0xF) > 9 || h) r = (kSub ? r - 6 : r + 6) & 0xFF;
  carry = binary > 0x99 || c;
  if (carry) r = (kSub ? r - 0x60 : r + 0x60) & 0xFF;
  return r;
}

// Flags of the decimal instructions: C and X the decimal carry, Z only ever
// cleared (so a multi-byte sum tests zero as a whole), V kept. ABCD and SBCD
// give N the value of C; NBCD gives it bit 7 of the result.
template <bool kNIsCarry>
inline void DecimalFlags(u32 r, bool carry, Cpu68kRunState& s) {
  const u32 cv = (s.cv & kFlagV) | (carry ? kFlagC : 0);
  s.cv = cv;
  SetFlagNClearZ(s, kNIsCarry ? carry : (r & 0x80) != 0, r);
  g_cpu68kContext.xFlag = cv;
}

// ABCD and SBCD: Dy,Dx, or -(Ay),-(Ax) with the source stepped and read
// before the destination.
template <bool kSub, Ea src, Ea dst>
inline i32 Cpu68kDecimal(u32 op, Cpu68kRunState& s) {
  const u32 x = g_cpu68kContext.xFlag & 1;
  bool carry;
  if constexpr (dst == Ea::Dn) {
    const u32 r = DecimalAdjust<kSub>(RegD(op >> 9) & 0xFF, RegD(op) & 0xFF, x, carry);
    WriteDn<Sz::B>(op >> 9, r);
    DecimalFlags<true>(r, carry, s);
    return Charge(6);
  } else {
    const u32 source = MemRead<Sz::B>(EaAddress<src, Sz::B>(op, s));
    const u32 address = EaAddress<dst, Sz::B>(op >> 9, s);
    const u32 r = DecimalAdjust<kSub>(MemRead<Sz::B>(address), source, x, carry);
    MemWrite<Sz::B>(address, r);
    DecimalFlags<true>(r, carry, s);
    return Charge(18);
  }
}

CPU68K_HANDLER(Abcd) { return Cpu68kDecimal<false, src, dst>(op, s); }

CPU68K_HANDLER(Sbcd) { return Cpu68kDecimal<true, src, dst>(op, s); }

// NBCD: 0 - operand - X.
CPU68K_HANDLER(Nbcd) {
  const u32 xIn = g_cpu68kContext.xFlag & 1;
  bool carry;
  if constexpr (dst == Ea::Dn) {
    const u32 r = DecimalAdjust<true>(0, RegD(op) & 0xFF, xIn, carry);
    WriteDn<Sz::B>(op, r);
    DecimalFlags<false>(r, carry, s);
    return Charge(6);
  } else {
    const u32 address = EaAddress<dst, Sz::B>(op, s);
    const u32 r = DecimalAdjust<true>(0, MemRead<Sz::B>(address), xIn, carry);
    MemWrite<Sz::B>(address, r);
    DecimalFlags<false>(r, carry, s);
    return Charge(8 + EaCost<dst, Sz::B>());
  }
}
