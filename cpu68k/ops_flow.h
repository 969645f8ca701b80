// Program control and system: branches, jumps, returns, traps, STOP, RESET,
// the SR and CCR moves and logic, and the 68010 additions.
#pragma once

#include "cpu68k/cpu68k_core.h"

template <Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl<Op::Nop, sz, src, dst, x> {
  static u32 Run(u32, Cpu68kRunState&) { return Charge(4); }
};

// Bcc, BRA (condition 0) and BSR (condition 1). The displacement counts
// from the word after the opcode.
template <int cc>
inline u32 Cpu68kBranch(u32 base, u32 displacement, Cpu68kRunState& s) {
  if constexpr (cc == 1) {
    Push32(Cpu68kReturnAddress(s.pc));
    Cpu68kJump(base + displacement, s);
    return Charge(18);
  } else {
    if (!Condition<cc>(s.flags)) return Charge(8);
    Cpu68kJump(base + displacement, s);
    return Charge(10);
  }
}

template <Sz sz, Ea src, Ea dst, int cc>
struct Cpu68kImpl<Op::Bcc8, sz, src, dst, cc> {
  static u32 Run(u32 op, Cpu68kRunState& s) {
    return Cpu68kBranch<cc>(s.pc, SignExtend<Sz::B>(op), s);
  }
};

template <Sz sz, Ea src, Ea dst, int cc>
struct Cpu68kImpl<Op::Bcc16, sz, src, dst, cc> {
  static u32 Run(u32, Cpu68kRunState& s) {
    const u32 base = s.pc;
    const u32 displacement = SignExtend<Sz::W>(Fetch16(s));
    return Cpu68kBranch<cc>(base, displacement, s);
  }
};
