// Shifts and rotates, bit operations and decimal arithmetic, run through the
// dispatch table on the test fixture.
#include <string>
#include <vector>

#include "support/cpu_fixture.h"

namespace {

enum ShiftType : u32 { kAs = 0, kLs = 1, kRox = 2, kRo = 3 };
enum ShiftDir : u32 { kRight = 0, kLeft = 0x100 };
enum SizeField : u32 { kB = 0, kW = 1, kL = 2 };

// <type><dir>.<size> #count,Dy with count 1-8.
constexpr u16 ShiftImm(ShiftType t, ShiftDir dir, SizeField sz, u32 count, u32 dy) {
  return static_cast<u16>(0xE000 | ((count & 7) << 9) | dir | (sz << 6) | (t << 3) | dy);
}
// <type><dir>.<size> Dx,Dy.
constexpr u16 ShiftReg(ShiftType t, ShiftDir dir, SizeField sz, u32 dx, u32 dy) {
  return static_cast<u16>(0xE020 | (dx << 9) | dir | (sz << 6) | (t << 3) | dy);
}
// <type><dir>.W <ea> (mode, register).
constexpr u16 ShiftMem(ShiftType t, ShiftDir dir, u32 mode, u32 reg) {
  return static_cast<u16>(0xE0C0 | (t << 9) | dir | (mode << 3) | reg);
}

// An instruction on D0 (count, bit number or decimal source) and D1.
struct RegCase {
  const char* what;
  std::vector<u16> code;
  u32 d0;
  u32 d1;
  const char* flagsIn;
  u32 d1Out;
  const char* flagsOut;
  i32 cycles;
};

}  // namespace

class Cpu68kBits : public CpuTest {
 protected:
  void Place(const std::vector<u16>& words) {
    u32 a = kCodeAddress;
    for (u16 w : words) {
      Poke16(a, w);
      a += 2;
    }
    SetPc(kCodeAddress);
  }

  // Runs each case from a fresh PC and checks D1, the flags, the cycles, the
  // PC past the extension words and that no bus access was made.
  void RunRegCases(const std::vector<RegCase>& cases) {
    for (const RegCase& c : cases) {
      SCOPED_TRACE(c.what);
      Place(c.code);
      D(0) = c.d0;
      D(1) = c.d1;
      SetFlags(c.flagsIn);
      EXPECT_EQ(Step(), c.cycles);
      EXPECT_EQ(D(1), c.d1Out);
      EXPECT_EQ(Flags(), c.flagsOut);
      EXPECT_EQ(Pc(), kCodeAddress + 2 * c.code.size());
      EXPECT_TRUE(Log().empty());
    }
  }
};

TEST_F(Cpu68kBits, RegisterShiftEdges) {
  const u16 lsrL = ShiftReg(kLs, kRight, kL, 0, 1);
  const u16 aslL = ShiftReg(kAs, kLeft, kL, 0, 1);
  const u16 asrL = ShiftReg(kAs, kRight, kL, 0, 1);
  const std::vector<RegCase> cases = {
      {"LSR.L by 32: C and X are the old bit 31", {lsrL}, 32, 0x80000001, "", 0, "XZC", 72},
      {"LSR.L by 33: C and X clear", {lsrL}, 33, 0xFFFFFFFF, "XC", 0, "Z", 74},
      {"LSR.L by 96 is by 32", {lsrL}, 96, 0x80000000, "", 0, "XZC", 72},
      {"LSR.B #3", {ShiftImm(kLs, kRight, kB, 3, 1)}, 0, 0x000000F4, "", 0x1E, "XC", 12},
      {"ASL.B #8 of 0xFF",
       {ShiftImm(kAs, kLeft, kB, 8, 1)},
       0,
       0x123456FF,
       "",
       0x12345600,
       "XZVC",
       22},
      {"ASL.B #8 of 0",
       {ShiftImm(kAs, kLeft, kB, 8, 1)},
       0,
       0x12345600,
       "XNVC",
       0x12345600,
       "Z",
       22},
      {"ASL.W #2 of 0x4000: the sign changed",
       {ShiftImm(kAs, kLeft, kW, 2, 1)},
       0,
       0xAAAA4000,
       "",
       0xAAAA0000,
       "XZVC",
       10},
      {"ASL.W #2 of 0xE000: the sign kept",
       {ShiftImm(kAs, kLeft, kW, 2, 1)},
       0,
       0xE000,
       "V",
       0x8000,
       "XNC",
       10},
      {"ASL.L #1 costs 8",
       {ShiftImm(kAs, kLeft, kL, 1, 1)},
       0,
       0xC0000001,
       "",
       0x80000002,
       "XNC",
       8},
      {"ASL.L #2 costs 12",
       {ShiftImm(kAs, kLeft, kL, 2, 1)},
       0,
       0x20000000,
       "",
       0x80000000,
       "NV",
       12},
      {"ASL.L by 31 of 1", {aslL}, 31, 1, "", 0x80000000, "NV", 70},
      {"ASL.L by 31 of all ones", {aslL}, 31, 0xFFFFFFFF, "", 0x80000000, "XNC", 70},
      {"ASL.L by 32 of 1", {aslL}, 32, 1, "", 0, "XZVC", 72},
      {"ASL.L by 63", {aslL}, 63, 0x80000000, "XC", 0, "ZV", 134},
      {"ASR.L by 40 of 0x80000000", {asrL}, 40, 0x80000000, "", 0xFFFFFFFF, "XNC", 88},
      {"ASR.L by 40 of 0x7FFFFFFF", {asrL}, 40, 0x7FFFFFFF, "XNC", 0, "Z", 88},
      {"ASR.B #1 keeps the sign",
       {ShiftImm(kAs, kRight, kB, 1, 1)},
       0,
       0xFFFFFF81,
       "",
       0xFFFFFFC0,
       "XNC",
       8},
      {"ASR.W by 16", {ShiftReg(kAs, kRight, kW, 0, 1)}, 16, 0x4000, "XC", 0, "Z", 38},
      {"LSL.B #1 keeps the upper bytes",
       {ShiftImm(kLs, kLeft, kB, 1, 1)},
       0,
       0xABCDEF81,
       "",
       0xABCDEF02,
       "XC",
       8},
      {"LSL.W by 16: C is bit 0", {ShiftReg(kLs, kLeft, kW, 0, 1)}, 16, 1, "", 0, "XZC", 38},
      {"LSL.W by 17: C clear", {ShiftReg(kLs, kLeft, kW, 0, 1)}, 17, 0xFFFF, "XC", 0, "Z", 40},
      {"ROL.L #4 leaves X",
       {ShiftImm(kRo, kLeft, kL, 4, 1)},
       0,
       0x12345678,
       "X",
       0x23456781,
       "XC",
       16},
      {"ROR.W #4", {ShiftImm(kRo, kRight, kW, 4, 1)}, 0, 0x1234, "C", 0x4123, "", 14},
      {"ROR.B by 32: byte kept, C = bit 7",
       {ShiftReg(kRo, kRight, kB, 0, 1)},
       32,
       0x81,
       "",
       0x81,
       "NC",
       70},
      {"ROR.B by 32, bit 7 clear",
       {ShiftReg(kRo, kRight, kB, 0, 1)},
       32,
       0x7E,
       "XC",
       0x7E,
       "X",
       70},
      {"ROL.W by 16: word kept, C = bit 0",
       {ShiftReg(kRo, kLeft, kW, 0, 1)},
       16,
       0x8001,
       "",
       0x8001,
       "NC",
       38},
      {"ROL.W by 17", {ShiftReg(kRo, kLeft, kW, 0, 1)}, 17, 0x8001, "", 0x0003, "C", 40},
      {"ROXL.B by 9, X set", {ShiftReg(kRox, kLeft, kB, 0, 1)}, 9, 0x55, "X", 0x55, "XC", 24},
      {"ROXL.B by 9, X clear", {ShiftReg(kRox, kLeft, kB, 0, 1)}, 9, 0xD5, "C", 0xD5, "N", 24},
      {"ROXR.L by 33, X set",
       {ShiftReg(kRox, kRight, kL, 0, 1)},
       33,
       0x80000000,
       "X",
       0x80000000,
       "XNC",
       74},
      {"ROXR.W by 17, X set",
       {ShiftReg(kRox, kRight, kW, 0, 1)},
       17,
       0x1234,
       "X",
       0x1234,
       "XC",
       40},
      {"ROXL.L by 32 turns the ring back one",
       {ShiftReg(kRox, kLeft, kL, 0, 1)},
       32,
       1,
       "",
       0,
       "XZC",
       72},
      {"ROXR.L by 32 turns the ring on one",
       {ShiftReg(kRox, kRight, kL, 0, 1)},
       32,
       0x80000000,
       "",
       0,
       "XZC",
       72},
      {"ROXL.W #1 brings X in", {ShiftImm(kRox, kLeft, kW, 1, 1)}, 0, 0x8000, "X", 0x0001, "XC", 8},
      {"ROXR.B #1 brings X in at the top",
       {ShiftImm(kRox, kRight, kB, 1, 1)},
       0,
       0x01,
       "X",
       0x80,
       "XNC",
       8},
      {"LSL.W by 64 is by 0", {ShiftReg(kLs, kLeft, kW, 0, 1)}, 64, 0x8000, "XVC", 0x8000, "XN", 6},
      {"ASR.L by 0", {asrL}, 0, 0, "C", 0, "Z", 8},
      {"ASL.B by 0 clears V and C", {ShiftReg(kAs, kLeft, kB, 0, 1)}, 0, 1, "VC", 1, "", 6},
      {"ROXL.L by 0: C = X", {ShiftReg(kRox, kLeft, kL, 0, 1)}, 0, 0, "X", 0, "XZC", 8},
      {"ROXR.B by 0, X clear", {ShiftReg(kRox, kRight, kB, 0, 1)}, 0, 0x80, "C", 0x80, "N", 6},
      {"ROL.B by 0", {ShiftReg(kRo, kLeft, kB, 0, 1)}, 0, 0, "XC", 0, "XZ", 6},
      {"ROL.L D1,D1 counts before it writes",
       {ShiftReg(kRo, kLeft, kL, 1, 1)},
       0,
       4,
       "",
       0x40,
       "",
       16},
  };
  RunRegCases(cases);
}

namespace {

// One place at a time, as the standard describes each instruction.
struct ModelResult {
  u32 value;
  std::string flags;
};

ModelResult ShiftModel(ShiftType t, bool left, u32 bits, u32 v, u32 n, bool x) {
  const u32 mask = bits == 32 ? 0xFFFFFFFF : (1u << bits) - 1;
  const u32 msb = 1u << (bits - 1);
  bool c = false, overflow = false, setsX = t != kRo;
  for (u32 i = 0; i < n; ++i) {
    if (left) {
      const bool out = v & msb;
      u32 in = 0;
      if (t == kRo) in = out;
      if (t == kRox) in = x;
      const u32 next = ((v << 1) | in) & mask;
      if (t == kAs && ((next ^ v) & msb)) overflow = true;
      v = next;
      c = out;
    } else {
      const bool out = v & 1;
      u32 in = 0;
      if (t == kAs) in = (v & msb) != 0;
      if (t == kRo) in = out;
      if (t == kRox) in = x;
      v = (v >> 1) | (in ? msb : 0);
      c = out;
    }
    if (t == kRox) x = c;
  }
  if (n == 0) c = t == kRox && x;
  if (n != 0 && setsX) x = c;
  std::string flags;
  if (x) flags += 'X';
  if (v & msb) flags += 'N';
  if (v == 0) flags += 'Z';
  if (overflow) flags += 'V';
  if (c) flags += 'C';
  return {v, flags};
}

}  // namespace

// Every instruction, size and register count against the one-place-at-a-time
// model, for operands that reach the edges.
TEST_F(Cpu68kBits, RegisterShiftsMatchStepwiseModel) {
  const u32 values[] = {0,          1,          0x80000000, 0xFFFFFFFF,
                        0x7FFFFFFF, 0x4000C001, 0x12345678, 0x000080FF};
  const SizeField sizes[] = {kB, kW, kL};
  for (u32 type = 0; type < 4; ++type) {
    for (bool left : {false, true}) {
      for (SizeField sz : sizes) {
        const u32 bits = 8u << sz;
        const u32 mask = bits == 32 ? 0xFFFFFFFF : (1u << bits) - 1;
        const u16 op = ShiftReg(static_cast<ShiftType>(type), left ? kLeft : kRight, sz, 0, 1);
        for (u32 n = 0; n < 64; ++n) {
          for (u32 v : values) {
            for (bool x : {false, true}) {
              const ModelResult want =
                  ShiftModel(static_cast<ShiftType>(type), left, bits, v & mask, n, x);
              Place({op});
              D(0) = n + 0x40;  // only the count modulo 64 counts
              D(1) = v;
              SetFlags(x ? "X" : "");
              ASSERT_EQ(Step(), static_cast<i32>((sz == kL ? 8 : 6) + 2 * n))
                  << std::hex << op << " n=" << std::dec << n;
              ASSERT_EQ(D(1), (v & ~mask) | want.value)
                  << std::hex << op << " v=" << v << " n=" << std::dec << n << " x=" << x;
              ASSERT_EQ(Flags(), want.flags)
                  << std::hex << op << " v=" << v << " n=" << std::dec << n << " x=" << x;
            }
          }
        }
      }
    }
  }
}

TEST_F(Cpu68kBits, MemoryShiftsMoveOneWordOnePlace) {
  struct Case {
    const char* what;
    std::vector<u16> code;
    u32 a0;
    u16 in;
    const char* flagsIn;
    u16 out;
    const char* flagsOut;
    i32 cycles;
    u32 a0Out;
  };
  const std::vector<Case> cases = {
      {"ASL.W (A0): sign changed",
       {ShiftMem(kAs, kLeft, 2, 0)},
       0x2000,
       0x4001,
       "XC",
       0x8002,
       "NV",
       12,
       0x2000},
      {"ASR.W (A0)+", {ShiftMem(kAs, kRight, 3, 0)}, 0x2000, 0x8001, "", 0xC000, "XNC", 12, 0x2002},
      {"LSR.W -(A0)", {ShiftMem(kLs, kRight, 4, 0)}, 0x2002, 0x0001, "", 0x0000, "XZC", 14, 0x2000},
      {"LSL.W d16(A0)",
       {ShiftMem(kLs, kLeft, 5, 0), 0x0010},
       0x1FF0,
       0x8000,
       "",
       0x0000,
       "XZC",
       16,
       0x1FF0},
      {"ROXL.W d8(A0,D0.W)",
       {ShiftMem(kRox, kLeft, 6, 0), 0x0004},
       0x1FFC,
       0x8000,
       "X",
       0x0001,
       "XC",
       18,
       0x1FFC},
      {"ROXR.W (A0): X goes in, bit 0 comes out",
       {ShiftMem(kRox, kRight, 2, 0)},
       0x2000,
       0x0000,
       "X",
       0x8000,
       "N",
       12,
       0x2000},
      {"ROL.W abs.W leaves X",
       {ShiftMem(kRo, kLeft, 7, 0), 0x2000},
       0,
       0x8000,
       "X",
       0x0001,
       "XC",
       16,
       0},
      {"ROR.W abs.L",
       {ShiftMem(kRo, kRight, 7, 1), 0x0000, 0x2000},
       0,
       0x0001,
       "",
       0x8000,
       "NC",
       20,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Place(c.code);
    A(0) = c.a0;
    D(0) = 0;
    Poke16(0x2000, c.in);
    SetFlags(c.flagsIn);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Peek16(0x2000), c.out);
    EXPECT_EQ(Flags(), c.flagsOut);
    EXPECT_EQ(A(0), c.a0Out);
    EXPECT_EQ(Pc(), kCodeAddress + 2 * c.code.size());
    const std::vector<BusAccess> want = {{'r', 2, 0x2000, c.in}, {'w', 2, 0x2000, c.out}};
    EXPECT_EQ(Log(), want);
  }
}

TEST_F(Cpu68kBits, BitOperationsOnRegisters) {
  const std::vector<RegCase> cases = {
      {"BTST D0,D1: bit 33 is bit 1, set", {0x0101}, 33, 0x2, "XNVC", 0x2, "XNVC", 6},
      {"BTST D0,D1: bit 1 clear", {0x0101}, 33, 0xFFFFFFFD, "", 0xFFFFFFFD, "Z", 6},
      {"BCHG D0,D1 clears a set bit", {0x0141}, 31, 0x80000000, "Z", 0, "", 8},
      {"BCHG D0,D1 sets a clear bit", {0x0141}, 63, 0, "", 0x80000000, "Z", 8},
      {"BCLR D0,D1", {0x0181}, 4, 0xFF, "X", 0xEF, "X", 10},
      {"BCLR D0,D1 of a clear bit costs the same", {0x0181}, 4, 0, "", 0, "Z", 10},
      {"BSET D0,D1", {0x01C1}, 16, 0, "N", 0x10000, "NZ", 8},
      {"BTST D0,#imm tests the low byte", {0x013C, 0x01FE}, 8, 0, "", 0, "Z", 4},
      {"BTST D0,#imm, a set bit", {0x013C, 0x0002}, 1, 0, "Z", 0, "", 4},
      {"BTST #33,D1 (whole word, modulo 32)", {0x0801, 0xFF21}, 0, 0x2, "Z", 0x2, "", 10},
      {"BCHG #31,D1", {0x0841, 0x001F}, 0, 0, "", 0x80000000, "Z", 12},
      {"BCLR #0,D1", {0x0881, 0x0000}, 0, 1, "C", 0, "C", 14},
      {"BSET #32,D1 sets bit 0", {0x08C1, 0x0020}, 0, 0, "", 1, "Z", 12},
  };
  RunRegCases(cases);
}

TEST_F(Cpu68kBits, BitOperationsOnMemory) {
  struct Case {
    const char* what;
    std::vector<u16> code;
    u32 an;  // A0, or A7 for the -(A7) and (A7)+ forms
    bool a7;
    u8 in;
    u8 out;
    bool z;
    i32 cycles;
    u32 anOut;
    bool writes;
  };
  // The byte is at 0x2000 throughout, D0 = 9 (bit 1 on memory), and only Z
  // may change from the entry flags XNVC.
  const std::vector<Case> cases = {
      {"BTST D0,(A0)", {0x0110}, 0x2000, false, 0x02, 0x02, false, 8, 0x2000, false},
      {"BSET #9,(A0) sets bit 1",
       {0x08D0, 0x0009},
       0x2000,
       false,
       0x00,
       0x02,
       true,
       16,
       0x2000,
       true},
      {"BCHG D0,(A0)+", {0x0158}, 0x2000, false, 0xFF, 0xFD, false, 12, 0x2001, true},
      {"BCHG D0,(A7)+ steps 2", {0x015F}, 0x2000, true, 0x00, 0x02, true, 12, 0x2002, true},
      {"BCLR D0,-(A7) steps 2", {0x01A7}, 0x2002, true, 0x03, 0x01, false, 14, 0x2000, true},
      {"BSET D0,d16(A0)", {0x01E8, 0x0010}, 0x1FF0, false, 0x00, 0x02, true, 16, 0x1FF0, true},
      {"BSET #1,d16(A0): bit word first",
       {0x08E8, 0x0001, 0x0010},
       0x1FF0,
       false,
       0x02,
       0x02,
       false,
       20,
       0x1FF0,
       true},
      {"BCLR #7,abs.L", {0x08B9, 0x0007, 0x0000, 0x2000}, 0, false, 0x80, 0x00, false, 24, 0, true},
      {"BTST #3,d16(PC): base is the displacement word",
       {0x083A, 0x0003, 0x0FFC},
       0,
       false,
       0x08,
       0x08,
       false,
       16,
       0,
       false},
      {"BTST D0,d8(PC,A0.L)", {0x013B, 0x8800}, 0x0FFE, false, 0x00, 0x00, true, 14, 0x0FFE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Place(c.code);
    D(0) = 9;
    (c.a7 ? A(7) : A(0)) = c.an;
    Poke8(0x2000, c.in);
    SetFlags("XNVC");
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Peek8(0x2000), c.out);
    EXPECT_EQ(Flags(), c.z ? "XNZVC" : "XNVC");
    EXPECT_EQ(c.a7 ? A(7) : A(0), c.anOut);
    EXPECT_EQ(Pc(), kCodeAddress + 2 * c.code.size());
    std::vector<BusAccess> want = {{'r', 1, 0x2000, c.in}};
    if (c.writes) want.push_back({'w', 1, 0x2000, c.out});
    EXPECT_EQ(Log(), want);
  }
}

TEST_F(Cpu68kBits, DecimalOnRegisters) {
  const u16 abcd = 0xC300;  // ABCD D0,D1
  const u16 sbcd = 0x8300;  // SBCD D0,D1
  const u16 nbcd = 0x4801;  // NBCD D1
  const std::vector<RegCase> cases = {
      {"ABCD 45 + 55 = 100", {abcd}, 0x55, 0xFFFFFF45, "Z", 0xFFFFFF00, "XNZC", 6},
      {"ABCD zero result leaves Z clear", {abcd}, 0x55, 0x45, "", 0x00, "XNC", 6},
      {"ABCD 19 + 28 + X = 48", {abcd}, 0x28, 0x19, "XZV", 0x48, "V", 6},
      {"ABCD 99 + 01 carries", {abcd}, 0x01, 0x99, "", 0x00, "XNC", 6},
      {"ABCD 0F + 0F (not decimal)", {abcd}, 0x0F, 0x0F, "", 0x24, "", 6},
      {"ABCD 9A + 00 (not decimal)", {abcd}, 0x00, 0x9A, "", 0x00, "XNC", 6},
      {"SBCD 00 - 01 = 99 borrow", {sbcd}, 0x01, 0x1200, "Z", 0x1299, "XNC", 6},
      {"SBCD 45 - 15 - X = 29", {sbcd}, 0x15, 0x45, "XZ", 0x29, "", 6},
      {"SBCD 10 - 10 keeps Z", {sbcd}, 0x10, 0x10, "Z", 0x00, "Z", 6},
      {"NBCD 0, X clear", {nbcd}, 0, 0x00, "Z", 0x00, "Z", 6},
      {"NBCD 0, X set", {nbcd}, 0, 0x00, "XZ", 0x99, "XNC", 6},
      {"NBCD 25 keeps V", {nbcd}, 0, 0xAB25, "V", 0xAB75, "XVC", 6},
      {"NBCD 01 with X", {nbcd}, 0, 0x01, "X", 0x98, "XNC", 6},
  };
  RunRegCases(cases);
}

TEST_F(Cpu68kBits, DecimalOnMemory) {
  // ABCD -(A0),-(A1): source stepped and read first, then the destination.
  Place({0xC308});
  A(0) = 0x2001;
  A(1) = 0x3001;
  Poke8(0x2000, 0x27);
  Poke8(0x3000, 0x15);
  SetFlags("X");
  EXPECT_EQ(Step(), 18);
  EXPECT_EQ(A(0), 0x2000u);
  EXPECT_EQ(A(1), 0x3000u);
  std::vector<BusAccess> want = {
      {'r', 1, 0x2000, 0x27}, {'r', 1, 0x3000, 0x15}, {'w', 1, 0x3000, 0x43}};
  EXPECT_EQ(Log(), want);
  EXPECT_EQ(Flags(), "");

  // SBCD -(A7),-(A7): A7 steps by 2 each time.
  Place({0x8F0F});
  A(7) = 0x2004;
  Poke8(0x2002, 0x01);
  Poke8(0x2000, 0x00);
  SetFlags("");
  EXPECT_EQ(Step(), 18);
  EXPECT_EQ(A(7), 0x2000u);
  want = {{'r', 1, 0x2002, 0x01}, {'r', 1, 0x2000, 0x00}, {'w', 1, 0x2000, 0x99}};
  EXPECT_EQ(Log(), want);
  EXPECT_EQ(Flags(), "XNC");

  // NBCD on memory: 8 + EA, one read and one write; -(A7) steps by 2.
  struct Case {
    std::vector<u16> code;
    i32 cycles;
  };
  const std::vector<Case> nbcd = {{{0x4810}, 12}, {{0x4827}, 14}, {{0x4838, 0x2000}, 16}};
  for (const Case& c : nbcd) {
    SCOPED_TRACE(c.code[0]);
    Place(c.code);
    A(0) = 0x2000;
    A(7) = 0x2002;
    Poke8(0x2000, 0x25);
    SetFlags("");
    EXPECT_EQ(Step(), c.cycles);
    want = {{'r', 1, 0x2000, 0x25}, {'w', 1, 0x2000, 0x75}};
    EXPECT_EQ(Log(), want);
    EXPECT_EQ(Flags(), "XC");
  }
}

// Encodings in these ranges that the 68000 does not define.
TEST_F(Cpu68kBits, UndefinedFormsAreIllegal) {
  const u16 opcodes[] = {
      0x083C,  // BTST #n,#imm
      0x08FA,  // BSET #n,d16(PC)
      0x017A,  // BCHG D0,d16(PC)
      0x01BC,  // BCLR D0,#imm
      0xE0C0,  // memory shift on Dn
      0xE0FC,  // memory shift on #imm
      0xE8D0,  // memory shift of kind 4
      0x4808,  // NBCD An
  };
  for (u16 op : opcodes) {
    SCOPED_TRACE(op);
    Place({op});
    Step();
    EXPECT_EQ(Pc(), kVectorBase + 0x10 * 4);
  }
}
