// Data movement: MOVE, MOVEA, MOVEQ, MOVEM, MOVEP, LEA, PEA, EXG, SWAP, EXT,
// LINK, UNLK, MOVE USP.
#pragma once

#include "cpu68k/cpu68k_core.h"

CPU68K_HANDLER(Move) {
  const u32 v = EaRead<src, sz>(op, s);
  s.flags = FlagsNZ<sz>(v);
  EaWrite<dst, sz>(op >> 9, v, s);
  return Charge(4 + EaCost<src, sz>() + EaCost<dst, sz>());
}

CPU68K_HANDLER(Movea) {
  RegA(op >> 9) = SignExtend<sz>(EaRead<src, sz>(op, s));
  return Charge(4 + EaCost<src, sz>());
}

CPU68K_HANDLER(Moveq) {
  const u32 v = SignExtend<Sz::B>(op);
  RegD(op >> 9) = v;
  s.flags = FlagsNZ<Sz::L>(v);
  return Charge(4);
}

// MOVEM. The register mask comes first, then the EA's own extension words.
// Word loads are sign-extended into data registers too. Each register's
// cycles are charged as it moves, the base after the last one.
template <Ea ea>
constexpr i32 MovemBase(bool toMemory) {
  switch (ea) {
    case Ea::Ind:
      return 16;
    case Ea::Post:
      return 0;
    case Ea::Pre:
      return 8;
    case Ea::Disp:
    case Ea::AbsW:
    case Ea::PcDisp:
      return 24;
    case Ea::Index:
    case Ea::AbsL:
      return 28;
    case Ea::PcIndex:
      return toMemory ? 0 : 26;
    default:
      return 0;
  }
}

CPU68K_HANDLER(MovemToMem) {
  constexpr u32 step = SizeInfo<sz>::kBytes;
  constexpr i32 perRegister = sz == Sz::L ? 8 : 4;
  const u32 mask = Fetch16(s);
  if constexpr (dst == Ea::Pre) {
    // Bit 0 is A7 and bit 15 D0; D0 ends at the lowest address. Every
    // value is the register as it was, An included.
    u32 address = RegA(op);
    for (u32 bit = 0; bit < 16; ++bit) {
      if (!(mask & (1u << bit))) continue;
      address -= step;
      MemWrite<sz>(address, g_cpu68kContext.r[15 - bit]);
      g_cpu68kCycles -= perRegister;
    }
    RegA(op) = address;
  } else {
    u32 address = EaAddress<dst, sz>(op, s);
    for (u32 bit = 0; bit < 16; ++bit) {
      if (!(mask & (1u << bit))) continue;
      MemWrite<sz>(address, g_cpu68kContext.r[bit]);
      address += step;
      g_cpu68kCycles -= perRegister;
    }
  }
  return Charge(MovemBase<dst>(true));
}

CPU68K_HANDLER(MovemToReg) {
  constexpr u32 step = SizeInfo<sz>::kBytes;
  constexpr i32 perRegister = sz == Sz::L ? 8 : 4;
  const u32 mask = Fetch16(s);
  u32 address;
  if constexpr (src == Ea::Post) {
    address = RegA(op);
  } else {
    address = EaAddress<src, sz>(op, s);
  }
  for (u32 bit = 0; bit < 16; ++bit) {
    if (!(mask & (1u << bit))) continue;
    const u32 v = IsPcRelative(src) ? MemReadPc<sz>(address) : MemRead<sz>(address);
    g_cpu68kContext.r[bit] = SignExtend<sz>(v);
    address += step;
    g_cpu68kCycles -= perRegister;
  }
  g_cpu68kCycles -= MovemBase<src>(false);
  if constexpr (src == Ea::Post) {
    // The final address replaces a value loaded into An itself.
    RegA(op) = address;
    return kCpu68kEndAtZero;
  }
  return kCpu68kNext;
}

// MOVEP: bytes at every other address, high byte first, one bus call each.
// extra: 0 word to Dd, 1 long to Dd, 2 word from Dd, 3 long from Dd.
CPU68K_HANDLER(Movep) {
  constexpr int form = x;
  constexpr int bytes = (form & 1) ? 4 : 2;
  const u32 address = RegA(op) + SignExtend<Sz::W>(Fetch16(s));
  u32& d = RegD(op >> 9);
  if constexpr (form < 2) {
    u32 v = 0;
    for (int i = 0; i < bytes; ++i) {
      v = (v << 8) | (g_cpu68kMemHandlers.read8(address + 2 * i) & 0xFF);
    }
    d = bytes == 4 ? v : ((d & 0xFFFF0000) | v);
  } else {
    for (int i = 0; i < bytes; ++i) {
      g_cpu68kMemHandlers.write8(address + 2 * i, d >> (8 * (bytes - 1 - i)));
    }
  }
  return Charge(bytes == 4 ? 36 : 28);
}

template <Ea ea>
constexpr i32 LeaCost() {
  switch (ea) {
    case Ea::Ind:
      return 12;
    case Ea::Index:
      return 26;
    case Ea::AbsL:
      return 24;
    case Ea::PcIndex:
      return 22;
    default:
      return 20;  // d16(An), abs.W, d16(PC)
  }
}

CPU68K_HANDLER(Lea) {
  RegA(op >> 9) = EaAddress<src, Sz::L>(op, s);
  return Charge(LeaCost<src>());
}

CPU68K_HANDLER(Pea) {
  // The address is formed before the push, so PEA (A7) pushes the old A7.
  Push32(EaAddress<src, Sz::L>(op, s));
  return Charge(LeaCost<src>() + 8);
}

CPU68K_HANDLER(Swap) {
  u32& d = RegD(op);
  d = (d << 16) | (d >> 16);
  s.flags = FlagsNZ<Sz::L>(d);
  return Charge(4);
}

CPU68K_HANDLER(Ext) {
  u32& d = RegD(op);
  if constexpr (sz == Sz::W) {
    d = (d & 0xFFFF0000) | (SignExtend<Sz::B>(d) & 0xFFFF);
    s.flags = FlagsNZ<Sz::W>(d);
  } else {
    d = SignExtend<Sz::W>(d);
    s.flags = FlagsNZ<Sz::L>(d);
  }
  return Charge(4);
}

inline u32 Exchange(u32& a, u32& b) {
  const u32 t = a;
  a = b;
  b = t;
  return Charge(6);
}

CPU68K_HANDLER(ExgDD) { return Exchange(RegD(op >> 9), RegD(op)); }
CPU68K_HANDLER(ExgAA) { return Exchange(RegA(op >> 9), RegA(op)); }
CPU68K_HANDLER(ExgDA) { return Exchange(RegD(op >> 9), RegA(op)); }

CPU68K_HANDLER(Link) {
  u32& sp = g_cpu68kContext.a[7];
  sp -= 4;
  // An is read after the step, so LINK A7 saves the lowered A7.
  const u32 saved = RegA(op);
  RegA(op) = sp;
  g_cpu68kMemHandlers.write32(sp, saved);
  sp += SignExtend<Sz::W>(Fetch16(s));
  return Charge(16);
}

CPU68K_HANDLER(Unlk) {
  const u32 frame = RegA(op);
  RegA(op) = g_cpu68kMemHandlers.read32(frame);
  g_cpu68kContext.a[7] = frame + 4;
  return Charge(12);
}

// MOVE An,USP and MOVE USP,An: privileged.
template <bool kToUsp>
inline u32 MoveUsp(u32 op, Cpu68kRunState& s) {
  if (!(g_cpu68kContext.srSys & kSrS)) {
    if (!Cpu68kException(8, s.pc - 2, s)) return kCpu68kEndAtZero;
    return Charge(4);
  }
  if constexpr (kToUsp) {
    g_cpu68kContext.usp = RegA(op);
  } else {
    RegA(op) = g_cpu68kContext.usp;
  }
  return Charge(4);
}

CPU68K_HANDLER(MoveToUsp) { return MoveUsp<true>(op, s); }
CPU68K_HANDLER(MoveFromUsp) { return MoveUsp<false>(op, s); }
