// Data movement: MOVE, MOVEA, MOVEQ, MOVEM, MOVEP, LEA, PEA, EXG, SWAP, EXT,
// LINK, UNLK, MOVE USP.
#pragma once

#include "cpu68k/cpu68k_core.h"

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Move, sz, src, dst, x> {
  static u32 Run(u32 op, Cpu68kRunState& s) {
    const u32 v = EaRead<src, sz>(op, s);
    s.flags = FlagsNZ<sz>(v);
    EaWrite<dst, sz>(op >> 9, v, s);
    return Charge(4 + EaCost<src, sz>() + EaCost<dst, sz>());
  }
};

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Movea, sz, src, dst, x> {
  static u32 Run(u32 op, Cpu68kRunState& s) {
    RegA(op >> 9) = SignExtend<sz>(EaRead<src, sz>(op, s));
    return Charge(4 + EaCost<src, sz>());
  }
};

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Moveq, sz, src, dst, x> {
  static u32 Run(u32 op, Cpu68kRunState& s) {
    const u32 v = SignExtend<Sz::B>(op);
    RegD(op >> 9) = v;
    s.flags = FlagsNZ<Sz::L>(v);
    return Charge(4);
  }
};
