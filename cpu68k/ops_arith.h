// Integer arithmetic, logic and compare.
#pragma once

#include "cpu68k/cpu68k_core.h"

// ADDQ and SUBQ: the quick value is bits 11-9, 0 meaning 8. On An the whole
// register changes and no flag does.
template <bool kSub, Sz sz, Ea dst>
inline u32 Cpu68kQuick(u32 op, Cpu68kRunState& s) {
  const u32 q = ((op >> 9) & 7) ? ((op >> 9) & 7) : 8;
  if constexpr (dst == Ea::An) {
    u32& a = RegA(op);
    a = kSub ? a - q : a + q;
    return Charge(8);
  } else {
    constexpr u32 mask = SizeInfo<sz>::kMask;
    u32 address = 0;
    u32 d;
    if constexpr (dst == Ea::Dn) {
      d = RegD(op) & mask;
    } else {
      address = EaAddress<dst, sz>(op, s);
      d = MemRead<sz>(address);
    }
    const u32 r = (kSub ? d - q : d + q) & mask;
    s.flags = kSub ? FlagsSub<sz>(d, q, r) : FlagsAdd<sz>(d, q, r);
    g_cpu68kContext.xFlag = s.flags;
    if constexpr (dst == Ea::Dn) {
      WriteDn<sz>(op, r);
      return Charge(sz == Sz::L ? 8 : 4);
    } else {
      MemWrite<sz>(address, r);
      return Charge((sz == Sz::L ? 12 : 8) + EaCost<dst, sz>());
    }
  }
}

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Addq, sz, src, dst, x> {
  static u32 Run(u32 op, Cpu68kRunState& s) { return Cpu68kQuick<false, sz, dst>(op, s); }
};

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Subq, sz, src, dst, x> {
  static u32 Run(u32 op, Cpu68kRunState& s) { return Cpu68kQuick<true, sz, dst>(op, s); }
};
