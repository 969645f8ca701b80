// Internals shared by the run loop and the instruction handlers.
//
// Every opcode reaches a handler specialised for one instruction, size and
// choice of addressing modes (see gen_optable.py, the one description of the
// encodings); at run time a handler decodes only register numbers.
#pragma once

#include <bit>
#include <cstring>
#include <type_traits>

#include "cpu68k/cpu68k.h"
#include "cpu68k_optable.inc"

// The run's working state: kept apart from the context for the length of a
// run and written back when it ends. The flag image is held in two parts
// while the run lasts, since most instructions set N and Z from their result
// and storing the result is cheaper than testing it: nz holds the result
// sign-extended to 64 bits, so N is its bit 63 and Z is set when its low 32
// bits are 0 (the halves can also hold N and Z both set, as a CCR write may
// leave them); cv is the image with C, V and every bit other than N and Z
// (bits 6 and 7 of cv mean nothing). Cpu68kImage joins them into the image
// wherever it is read as a whole.
struct Cpu68kRunState {
  u32 pc;          // 68000 address of the next word to fetch
  u32 cv;          // flag image apart from N and Z
  const u8* base;  // opcode fetch base: the word at PC is at base + PC
  u64 nz;          // N in bit 63, Z when the low half is 0
};

// A handler returns the cycles that are still to be charged for it, its own
// cost in the ordinary case (Charge), and the run loop subtracts them from
// g_cpu68kCycles: one subtraction and one sign test per instruction. The run
// goes on while the counter is not negative. What a handler charges along
// the way (exceptions, MOVEM's registers) it subtracts itself. A handler
// that ends the run in another way returns kCpu68kSpecial, which drives the
// counter far below zero, with the way in g_cpu68kRunEnd; the run loop then
// gives the counter back (Cpu68kEndAtZero, Cpu68kNoTest).
// Keeps the cycle counter and a run's result inside i32 for any opcode
// stream. A run takes its budget within +-kCpu68kBudgetLimit, and RESET, the
// one instruction that dispatches the next opcode without the budget test,
// gives the test back once the counter is kCpu68kBudgetLimit below zero, so
// an endless stream of RESETs ends the run there. No single step charges
// more than a few hundred cycles, so the counter never falls much below
// -kCpu68kBudgetLimit and a result stays below 2 * kCpu68kBudgetLimit plus
// that. Real programs are never near either bound.
inline constexpr i32 kCpu68kBudgetLimit = 1 << 29;

// The working state of the run in progress. A single instance, so that the
// handlers reach it at a fixed address and the run loop passes only the
// opcode.
extern Cpu68kRunState g_cpu68kRunState;

using Cpu68kOpHandler = i32 (*)(u32 opcode);

extern Cpu68kOpHandler g_cpu68kOpTable[65536];
extern const u8 g_cpu68kOpTablePacked[];
extern const Cpu68kOpHandler g_cpu68kHandlerList[];
void Cpu68kBuildOpTable();

// Flag image bits: the positions of the x86 flags register.
inline constexpr u32 kFlagC = 0x001;
inline constexpr u32 kFlagZ = 0x040;
inline constexpr u32 kFlagN = 0x080;
inline constexpr u32 kFlagV = 0x800;
inline constexpr u32 kSrS = 0x20;  // S in srSys

enum class Op : u8 {
  Illegal,
  LineA,
  LineF,
#define CPU68K_OP_ENUM(name) name,
  CPU68K_OPS(CPU68K_OP_ENUM)
#undef CPU68K_OP_ENUM
};

enum class Sz : u8 { N, B, W, L };

// Effective-address classes. Post7/Pre7: byte forms through A7, which step
// by 2. DnAn: a register source that may be either kind (bits 3-0 index the
// 16 registers).
enum class Ea : u8 {
  None,
  Dn,
  An,
  DnAn,
  Ind,
  Post,
  Post7,
  Pre,
  Pre7,
  Disp,
  Index,
  AbsW,
  AbsL,
  PcDisp,
  PcIndex,
  Imm,
};

// ---------------------------------------------------------------------------
// Registers, sizes and flags.

inline Cpu68kContext& Ctx() { return g_cpu68kContext; }
inline u32& RegD(u32 n) { return g_cpu68kContext.r[n & 7]; }
inline u32& RegA(u32 n) { return g_cpu68kContext.r[8 + (n & 7)]; }
inline u32& Reg16(u32 n) { return g_cpu68kContext.r[n & 15]; }

template <Sz sz>
struct SizeInfo;
template <>
struct SizeInfo<Sz::B> {
  static constexpr u32 kMask = 0xFF, kMsb = 0x80, kBytes = 1, kBits = 8;
};
template <>
struct SizeInfo<Sz::W> {
  static constexpr u32 kMask = 0xFFFF, kMsb = 0x8000, kBytes = 2, kBits = 16;
};
template <>
struct SizeInfo<Sz::L> {
  static constexpr u32 kMask = 0xFFFFFFFF, kMsb = 0x80000000, kBytes = 4, kBits = 32;
};

// Sign-extends the low bits of v at the operand size.
template <Sz sz>
constexpr u32 SignExtend(u32 v) {
  if constexpr (sz == Sz::B) return static_cast<u32>(static_cast<i32>(static_cast<i8>(v)));
  if constexpr (sz == Sz::W) return static_cast<u32>(static_cast<i32>(static_cast<i16>(v)));
  return v;
}

// Writes a result of the operand size into a data register: a byte or word
// replaces only the low part.
template <Sz sz>
inline void WriteDn(u32 n, u32 v) {
  u32& r = RegD(n);
  r = (r & ~SizeInfo<sz>::kMask) | (v & SizeInfo<sz>::kMask);
}

// The flags come from the operation carried out one size wider than the
// operand (u32 for bytes and words, u64 for longs), so the carry or borrow
// is the bit just above the operand, and every flag is moved into its place
// in the image by shifts, without a branch.
template <Sz sz>
using Wide = std::conditional_t<sz == Sz::L, u64, u32>;

// Moves bit (bits - 1) of v, the operand's sign position, to bit `to`.
template <Sz sz, u32 to>
constexpr u32 SignBitTo(u64 v) {
  constexpr u32 from = SizeInfo<sz>::kBits - 1;
  if constexpr (from >= to) {
    return static_cast<u32>(v >> (from - to)) & (1u << to);
  } else {
    return static_cast<u32>(v << (to - from)) & (1u << to);
  }
}

// The image from the run state's three parts, and the parts from an image.
inline constexpr u64 kNzHigh = 0xFFFFFFFF00000000;  // the half that carries N
inline bool FlagN(const Cpu68kRunState& s) { return s.nz >> 63; }
inline bool FlagZ(const Cpu68kRunState& s) { return static_cast<u32>(s.nz) == 0; }
inline u32 Cpu68kImage(const Cpu68kRunState& s) {
  return (s.cv & ~(kFlagN | kFlagZ)) | (FlagN(s) ? kFlagN : 0) | (FlagZ(s) ? kFlagZ : 0);
}
inline void Cpu68kSetImage(Cpu68kRunState& s, u32 image) {
  s.cv = image;
  s.nz = ((image & kFlagN) ? kNzHigh : 0) | (~image & kFlagZ);
}

// N alone, and N with Z only ever cleared: a nonzero r clears it.
inline void SetFlagN(Cpu68kRunState& s, bool n) { s.nz = (s.nz & ~kNzHigh) | (n ? kNzHigh : 0); }
inline void SetFlagNClearZ(Cpu68kRunState& s, bool n, u32 r) {
  s.nz = (n ? kNzHigh : 0) | static_cast<u32>(s.nz | r);
}

// N and Z of a result at the operand size: the result sign-extended to 64
// bits is negative and zero exactly when the result is.
template <Sz sz>
inline void SetFlagsNZ(Cpu68kRunState& s, u32 r) {
  s.nz = static_cast<u64>(static_cast<i64>(static_cast<i32>(SignExtend<sz>(r))));
}

// Flags of a move, a logical operation or a test: N and Z, V and C clear.
template <Sz sz>
inline void SetFlagsLogic(Cpu68kRunState& s, u32 r) {
  s.cv = 0;
  SetFlagsNZ<sz>(s, r);
}

// C and V of d + s (+ x) and of d - s (- x) at the operand size; d and s are
// cut to the size, and wide is the sum or difference at the wider type.
template <Sz sz>
constexpr u32 FlagsAddCV(u32 d, u32 s, Wide<sz> wide) {
  const u32 r = static_cast<u32>(wide);
  return (static_cast<u32>(wide >> SizeInfo<sz>::kBits) & kFlagC) |
         SignBitTo<sz, 11>((s ^ r) & (d ^ r));
}
template <Sz sz>
constexpr u32 FlagsSubCV(u32 d, u32 s, Wide<sz> wide) {
  const u32 r = static_cast<u32>(wide);
  return (static_cast<u32>(wide >> SizeInfo<sz>::kBits) & kFlagC) |
         SignBitTo<sz, 11>((s ^ d) & (r ^ d));
}
template <Sz sz>
constexpr Wide<sz> WideAdd(u32 d, u32 s, u32 x = 0) {
  return static_cast<Wide<sz>>(d) + s + x;
}
template <Sz sz>
constexpr Wide<sz> WideSub(u32 d, u32 s, u32 x = 0) {
  return static_cast<Wide<sz>>(d) - s - x;
}

// The sixteen conditions, tested on the flags of the run state.
template <int cc>
inline bool Condition(const Cpu68kRunState& s) {
  const bool c = s.cv & kFlagC, z = FlagZ(s), n = FlagN(s), v = s.cv & kFlagV;
  switch (cc) {
    case 0:
      return true;
    case 1:
      return false;
    case 2:
      return !c && !z;
    case 3:
      return c || z;
    case 4:
      return !c;
    case 5:
      return c;
    case 6:
      return !z;
    case 7:
      return z;
    case 8:
      return !v;
    case 9:
      return v;
    case 10:
      return !n;
    case 11:
      return n;
    case 12:
      return n == v;
    case 13:
      return n != v;
    case 14:
      return !z && n == v;
    default:
      return z || n != v;
  }
}

// SR as the 68000 sees it, from srSys and a flag image.
inline u32 Cpu68kCcr(u32 flags) {
  return ((g_cpu68kContext.xFlag & 1) << 4) | ((flags & kFlagN) ? 8 : 0) |
         ((flags & kFlagZ) ? 4 : 0) | ((flags & kFlagV) ? 2 : 0) | (flags & kFlagC);
}
inline u32 Cpu68kSr(u32 flags) { return (g_cpu68kContext.srSys << 8) | Cpu68kCcr(flags); }

// CCR write: the image takes N Z V C, X its bit 8.
inline void Cpu68kSetCcr(Cpu68kRunState& s, u32 v) {
  const u32 image = g_cpu68kCcrToHost[v & 0x1F];
  Cpu68kSetImage(s, image);
  g_cpu68kContext.xFlag = image >> 8;
}

// SR write: change of stacks when S clears, all eight bits of the high
// byte, then the CCR. Only reached in supervisor mode.
inline void Cpu68kSetSr(Cpu68kRunState& s, u32 v) {
  Cpu68kContext& c = g_cpu68kContext;
  if (!(v & 0x2000)) {
    c.ssp = c.a[7];
    c.a[7] = c.usp;
  }
  c.srSys = (v >> 8) & 0xFF;
  Cpu68kSetCcr(s, v);
}

// ---------------------------------------------------------------------------
// Fetch and bus access.

inline u32 Fetch16(Cpu68kRunState& s) {
  u16 w;
  std::memcpy(&w, s.base + s.pc, 2);
  s.pc += 2;
  return w;
}
inline u32 Fetch32(Cpu68kRunState& s) {
  const u32 hi = Fetch16(s);
  return (hi << 16) | Fetch16(s);
}

template <Sz sz>
inline u32 MemRead(u32 address) {
  if constexpr (sz == Sz::B) return g_cpu68kMemHandlers.read8(address) & 0xFF;
  if constexpr (sz == Sz::W) return g_cpu68kMemHandlers.read16(address) & 0xFFFF;
  if constexpr (sz == Sz::L) return g_cpu68kMemHandlers.read32(address);
}
template <Sz sz>
inline u32 MemReadPc(u32 address) {
  if constexpr (sz == Sz::B) return g_cpu68kMemHandlers.read8Pc(address) & 0xFF;
  if constexpr (sz == Sz::W) return g_cpu68kMemHandlers.read16Pc(address) & 0xFFFF;
  if constexpr (sz == Sz::L) return g_cpu68kMemHandlers.read32Pc(address);
}
template <Sz sz>
inline void MemWrite(u32 address, u32 v) {
  if constexpr (sz == Sz::B) g_cpu68kMemHandlers.write8(address, v);
  if constexpr (sz == Sz::W) g_cpu68kMemHandlers.write16(address, v);
  if constexpr (sz == Sz::L) g_cpu68kMemHandlers.write32(address, v);
}

// ---------------------------------------------------------------------------
// Effective addresses.

// Cycles an operand adds to an instruction's base cost.
template <Ea ea, Sz sz>
constexpr i32 EaCost() {
  constexpr bool l = sz == Sz::L;
  switch (ea) {
    case Ea::Ind:
    case Ea::Post:
    case Ea::Post7:
      return l ? 8 : 4;
    case Ea::Pre:
    case Ea::Pre7:
      return l ? 10 : 6;
    case Ea::Disp:
    case Ea::AbsW:
    case Ea::PcDisp:
      return l ? 12 : 8;
    case Ea::Index:
    case Ea::PcIndex:
      return l ? 14 : 10;
    case Ea::AbsL:
      return l ? 16 : 12;
    default:
      return 0;
  }
}

constexpr bool IsRegister(Ea ea) { return ea == Ea::Dn || ea == Ea::An || ea == Ea::DnAn; }
constexpr bool IsPcRelative(Ea ea) { return ea == Ea::PcDisp || ea == Ea::PcIndex; }

// The index word of d8(An,Xn) and d8(PC,Xn): register, its width, d8.
inline u32 IndexOffset(u32 ext) {
  u32 x = Reg16(ext >> 12);
  if (!(ext & 0x800)) x = SignExtend<Sz::W>(x);
  return x + SignExtend<Sz::B>(ext);
}

// Address of a memory operand; reg is the register field (0-7). Consumes
// the extension words and steps (An)+ and -(An), writing the register back
// before any bus access.
template <Ea ea, Sz sz>
inline u32 EaAddress(u32 reg, Cpu68kRunState& s) {
  constexpr u32 step = (ea == Ea::Post7 || ea == Ea::Pre7) ? 2
                       : SizeInfo < sz == Sz::N            ? Sz::B
                                                           : sz > ::kBytes;
  if constexpr (ea == Ea::Ind) return RegA(reg);
  if constexpr (ea == Ea::Post || ea == Ea::Post7) {
    u32& a = RegA(reg);
    const u32 address = a;
    a = address + step;
    return address;
  }
  if constexpr (ea == Ea::Pre || ea == Ea::Pre7) {
    u32& a = RegA(reg);
    a -= step;
    return a;
  }
  if constexpr (ea == Ea::Disp) return RegA(reg) + SignExtend<Sz::W>(Fetch16(s));
  if constexpr (ea == Ea::Index) return RegA(reg) + IndexOffset(Fetch16(s));
  if constexpr (ea == Ea::AbsW) return SignExtend<Sz::W>(Fetch16(s));
  if constexpr (ea == Ea::AbsL) return Fetch32(s);
  if constexpr (ea == Ea::PcDisp) {
    const u32 base = s.pc;
    return base + SignExtend<Sz::W>(Fetch16(s));
  }
  if constexpr (ea == Ea::PcIndex) {
    const u32 base = s.pc;
    return base + IndexOffset(Fetch16(s));
  }
  static_assert(ea != Ea::None && ea != Ea::Dn && ea != Ea::An && ea != Ea::DnAn && ea != Ea::Imm,
                "not a memory mode");
  return 0;
}

// Reads an operand (register, immediate or memory) of the given size.
template <Ea ea, Sz sz>
inline u32 EaRead(u32 reg, Cpu68kRunState& s) {
  if constexpr (ea == Ea::Dn) return RegD(reg) & SizeInfo<sz>::kMask;
  if constexpr (ea == Ea::An) return RegA(reg) & SizeInfo<sz>::kMask;
  if constexpr (ea == Ea::DnAn) return Reg16(reg) & SizeInfo<sz>::kMask;
  if constexpr (ea == Ea::Imm) {
    if constexpr (sz == Sz::L) return Fetch32(s);
    return Fetch16(s) & SizeInfo<sz>::kMask;
  }
  if constexpr (IsPcRelative(ea)) return MemReadPc<sz>(EaAddress<ea, sz>(reg, s));
  if constexpr (!IsRegister(ea) && ea != Ea::Imm && !IsPcRelative(ea)) {
    return MemRead<sz>(EaAddress<ea, sz>(reg, s));
  }
}

// Writes an operand to a data-alterable destination.
template <Ea ea, Sz sz>
inline void EaWrite(u32 reg, u32 v, Cpu68kRunState& s) {
  if constexpr (ea == Ea::Dn) {
    WriteDn<sz>(reg, v);
  } else {
    MemWrite<sz>(EaAddress<ea, sz>(reg, s), v);
  }
}

// ---------------------------------------------------------------------------
// Program counter and exceptions.

// Exception processing; the run state is updated in place. Returns false
// when the vector was odd and an address error took its place: the raising
// instruction then charges nothing of its own and ends with Cpu68kEndAtZero.
bool Cpu68kException(u32 vector, u32 stackedPc, Cpu68kRunState& s);

// Takes the pending interrupt. Returns how the run goes on, as a handler
// does: nothing more to charge, or Cpu68kEndAtZero when the vector was odd
// and an address error took the interrupt's place (the mask is then not set).
i32 Cpu68kTakeInterrupt(Cpu68kRunState& s);
// Takes the pending interrupt when its level is 7 or above the mask, and
// returns as Cpu68kTakeInterrupt does; nothing to charge when none was taken.
i32 Cpu68kCheckInterrupt(Cpu68kRunState& s);

// Gives s.pc, already cut to 24 bits, its fetch base. The flag image goes
// through ccrHost around the call.
inline void Cpu68kRebase(Cpu68kRunState& s) {
  Cpu68kContext& c = g_cpu68kContext;
  c.ccrHost = Cpu68kImage(s);
  g_cpu68kMemHandlers.setPcBase(s.pc);
  s.base = g_cpu68kPcBase;
  Cpu68kSetImage(s, c.ccrHost);
}

// The even path of the new-PC rule.
inline void Cpu68kSetNewPc(u32 v, Cpu68kRunState& s) {
  g_cpu68kContext.pcFull = v;
  s.pc = v & g_cpu68kMemHandlers.addrMask;
  Cpu68kRebase(s);
}

// Sets PC from a new 32-bit value: odd values raise the address error
// (vector 3, stacking v - 2); even ones are recorded in pcFull, cut to 24
// bits and given a fetch base. kNear (the branches, JMP, JSR and RTS): a
// target inside the window that the current base maps keeps that base,
// which is the one setPcBase would give it, and the call is saved.
// The near form leaves the odd target and the new base to Cpu68kJumpFar, out
// of line, so that a jump inside the window needs no stack frame.
void Cpu68kJumpFar(u32 v, Cpu68kRunState& s);
template <bool kNear = false>
inline void Cpu68kJump(u32 v, Cpu68kRunState& s) {
  if constexpr (kNear) {
    const u32 pc = v & g_cpu68kMemHandlers.addrMask;
    if (!(v & 1) && pc - g_cpu68kPcLow < g_cpu68kPcSpan) [[likely]] {
      g_cpu68kContext.pcFull = v;
      s.pc = pc;
      return;
    }
    Cpu68kJumpFar(v, s);
  } else {
    if (v & 1) [[unlikely]] {
      Cpu68kException(3, v - 2, s);
      return;
    }
    Cpu68kSetNewPc(v, s);
  }
}

// The return address that BSR and JSR push: the top byte of pcFull.
inline u32 Cpu68kReturnAddress(u32 next) {
  return (g_cpu68kContext.pcFull & 0xFF000000) | (next & 0x00FFFFFF);
}

inline void Push32(u32 v) {
  u32& sp = g_cpu68kContext.a[7];
  sp -= 4;
  g_cpu68kMemHandlers.write32(sp, v);
}

// The special ends. kCpu68kSpecial is far larger than any budget
// (kCpu68kBudgetLimit), so the counter always goes negative, and small
// enough that it never leaves i32.
inline constexpr i32 kCpu68kSpecial = 1 << 30;
enum Cpu68kRunEnd : u32 {
  kCpu68kRunOn = 0,  // no special end
  kCpu68kRunLeave,   // end the run, whatever the counter
  kCpu68kRunNoTest,  // run the next opcode without the budget test
};
extern u32 g_cpu68kRunEnd;

inline i32 Cpu68kSpecialEnd(Cpu68kRunEnd end) {
  g_cpu68kRunEnd = end;
  return kCpu68kSpecial;
}

// Ordinary end: the cost, which the run loop charges.
inline i32 Charge(i32 cycles) { return cycles; }

// For a handler that has charged already.
inline i32 Cpu68kLeft() { return 0; }

// An end that leaves at a budget of zero too, not only below it.
inline i32 Cpu68kEndAtZero() { return g_cpu68kCycles > 0 ? 0 : Cpu68kSpecialEnd(kCpu68kRunLeave); }

// The end after an instruction that may have lowered the interrupt mask
// (its cost charged): the ordinary budget test, and a waiting interrupt
// looked at before the next opcode. A taken interrupt's cycles count in the
// next test.
inline i32 Cpu68kEndCheckIrq(Cpu68kRunState& s) {
  if (g_cpu68kCycles >= 0 && (g_cpu68kContext.irqPending & 7)) return Cpu68kCheckInterrupt(s);
  return 0;
}

// Runs the next opcode without looking at the budget.
inline i32 Cpu68kNoTest() { return g_cpu68kCycles >= 0 ? 0 : Cpu68kSpecialEnd(kCpu68kRunNoTest); }

// ---------------------------------------------------------------------------
// Handlers.

i32 Cpu68kOpIllegal(u32 opcode);
i32 Cpu68kOpLineA(u32 opcode);
i32 Cpu68kOpLineF(u32 opcode);

// Register fields: the source or only register is bits 2-0 (bits 3-0 as a
// 16-register index for DnAn), the second register bits 11-9. The register
// helpers mask, so handlers pass the opcode itself or opcode >> 9.
//
// Each instruction family specialises this for its Ops; members differ only
// in size, modes and the extra field (condition, form). A key without a
// specialisation does not build.
template <Op op, Sz sz, Ea src, Ea dst, int x>
struct Cpu68kImpl;

// Defines the handlers of one Op. The body is the handler: it sees the
// opcode `op`, the run state `s` and the key's `sz`, `src`, `dst` and `x`.
#define CPU68K_HANDLER(name)                                              \
  template <Sz sz, Ea src, Ea dst, int x>                                 \
  struct Cpu68kImpl<Op::name, sz, src, dst, x> {                          \
    static i32 Run(u32 op, Cpu68kRunState& s);                            \
  };                                                                      \
  template <Sz sz, Ea src, Ea dst, int x>                                 \
  i32 Cpu68kImpl<Op::name, sz, src, dst, x>::Run([[maybe_unused]] u32 op, \
                                                 [[maybe_unused]] Cpu68kRunState& s)

template <Op op, Sz sz, Ea src, Ea dst, int x>
i32 Cpu68kOp(u32 opcode) {
  return Cpu68kImpl<op, sz, src, dst, x>::Run(opcode, g_cpu68kRunState);
}
