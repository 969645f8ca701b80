// Integer arithmetic, logic and compare: results, flags, cycles, bus access
// order, and the divide's zero-divisor and overflow paths.
#include <string>
#include <vector>

#include "support/cpu_fixture.h"

namespace {

enum Reg : int { D0, D1, D2, D3, D4, D5, D6, D7, A0, A1, A2, A3, A4, A5, A6, A7 };

struct RegValue {
  int reg;
  u32 value;
};

struct MemValue {
  u32 address;
  int size;  // 1, 2 or 4
  u32 value;
};

// One instruction from a given state. Registers not named in regsOut must
// keep their values; writes lists every bus write the instruction makes, in
// order; PC must end just past the code.
struct ArithCase {
  const char* name;
  std::vector<u16> code;
  std::vector<RegValue> regs;
  const char* flags;
  std::vector<MemValue> mem;
  i32 cycles;
  std::vector<RegValue> regsOut;
  const char* flagsOut;
  std::vector<MemValue> writes;
};

void PrintTo(const ArithCase& c, std::ostream* os) { *os << c.name; }

class ArithFixture : public CpuTest {
 protected:
  void Load(const std::vector<u16>& code, const std::vector<RegValue>& regs,
            const std::vector<MemValue>& mem) {
    u32 a = kCodeAddress;
    for (u16 w : code) {
      Poke16(a, w);
      a += 2;
    }
    SetPc(kCodeAddress);
    for (const RegValue& r : regs) g_cpu68kContext.r[r.reg] = r.value;
    for (const MemValue& m : mem) {
      if (m.size == 1) Poke8(m.address, static_cast<u8>(m.value));
      if (m.size == 2) Poke16(m.address, static_cast<u16>(m.value));
      if (m.size == 4) Poke32(m.address, m.value);
    }
  }
};

class Cpu68kArith : public ArithFixture, public ::testing::WithParamInterface<ArithCase> {};

TEST_P(Cpu68kArith, Runs) {
  const ArithCase& c = GetParam();
  Load(c.code, c.regs, c.mem);
  SetFlags(c.flags);
  u32 expected[16];
  for (int i = 0; i < 16; ++i) expected[i] = g_cpu68kContext.r[i];
  for (const RegValue& r : c.regsOut) expected[r.reg] = r.value;

  EXPECT_EQ(Step(), c.cycles);
  EXPECT_EQ(Flags(), c.flagsOut);
  EXPECT_EQ(Pc(), kCodeAddress + 2 * c.code.size());
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(g_cpu68kContext.r[i], expected[i]) << (i < 8 ? "D" : "A") << (i & 7);
  }
  std::vector<BusAccess> writes;
  for (const BusAccess& b : Log()) {
    if (b.kind == 'w') writes.push_back(b);
  }
  std::vector<BusAccess> expectedWrites;
  for (const MemValue& m : c.writes) expectedWrites.push_back({'w', m.size, m.address, m.value});
  EXPECT_EQ(writes, expectedWrites);
}

const ArithCase kCases[] = {
    // ADD ea,Dn and Dn,ea.
    {"AddBKeepsUpperBitsOfDn",
     {0xD001},
     {{D0, 0x123456F0}, {D1, 0x20}},
     "",
     {},
     4,
     {{D0, 0x12345610}},
     "XC",
     {}},
    {"AddWOverflow", {0xD041}, {{D0, 0x7FFF}, {D1, 1}}, "", {}, 4, {{D0, 0x8000}}, "NV", {}},
    {"AddLCarryToZero", {0xD081}, {{D0, 0xFFFFFFFF}, {D1, 1}}, "", {}, 8, {{D0, 0}}, "XZC", {}},
    {"AddLFromAnCosts8ClearsX",
     {0xD089},
     {{D0, 5}, {A1, 0x10000}},
     "XC",
     {},
     8,
     {{D0, 0x10005}},
     "",
     {}},
    {"AddLImmCosts6", {0xD0BC, 0x1234, 0x5678}, {{D0, 1}}, "", {}, 6, {{D0, 0x12345679}}, "", {}},
    {"AddWImmCosts4", {0xD07C, 0x8000}, {{D0, 0x8000}}, "", {}, 4, {{D0, 0}}, "XZVC", {}},
    {"AddLFromMemory",
     {0xD090},
     {{D0, 1}, {A0, 0x2000}},
     "",
     {{0x2000, 4, 0x7FFFFFFF}},
     14,
     {{D0, 0x80000000}},
     "NV",
     {}},
    {"AddWToMemory",
     {0xD150},
     {{D0, 0xFFFF0001}, {A0, 0x2000}},
     "",
     {{0x2000, 2, 0xFFFF}},
     12,
     {},
     "XZC",
     {{0x2000, 2, 0}}},
    {"AddLToPreDecrement",
     {0xD1A0},
     {{D0, 0x10}, {A0, 0x2004}},
     "",
     {{0x2000, 4, 0x11111111}},
     22,
     {{A0, 0x2000}},
     "",
     {{0x2000, 4, 0x11111121}}},
    {"AddBFromPcDisplacement",
     {0xD03A, 0x0010},
     {{D0, 0x01}},
     "",
     {{0x1012, 1, 0x7F}},
     12,
     {{D0, 0x80}},
     "NV",
     {}},

    // ADDA, ADDI, ADDQ.
    {"AddaWSignExtendsAndKeepsFlags",
     {0xD0C1},
     {{D1, 0x8000}, {A0, 0x00010000}},
     "XNZVC",
     {},
     4,
     {{A0, 0x00008000}},
     "XNZVC",
     {}},
    {"AddaLFromDnCosts8",
     {0xD1C1},
     {{D1, 0x80000000}, {A0, 0x80000000}},
     "",
     {},
     8,
     {{A0, 0}},
     "",
     {}},
    {"AddaLFromMemory",
     {0xD1D1},
     {{A0, 0x100}, {A1, 0x2000}},
     "",
     {{0x2000, 4, 0xFFFFFFFF}},
     14,
     {{A0, 0xFF}},
     "",
     {}},
    {"AddaWImmCosts4", {0xD0FC, 0xFFFE}, {{A0, 0x10}}, "Z", {}, 4, {{A0, 0x0E}}, "Z", {}},
    {"AddiBTakesLowByteOfItsWord",
     {0x0600, 0x1280},
     {{D0, 0xAAAAAA80}},
     "",
     {},
     8,
     {{D0, 0xAAAAAA00}},
     "XZVC",
     {}},
    {"AddiLToDn", {0x0680, 0x0001, 0x0000}, {{D0, 0xFFFF}}, "", {}, 16, {{D0, 0x1FFFF}}, "", {}},
    {"AddiWImmediateBeforeDisplacement",
     {0x0668, 0x0003, 0x0010},
     {{A0, 0x2000}},
     "",
     {{0x2010, 2, 4}},
     20,
     {},
     "",
     {{0x2010, 2, 7}}},
    {"AddiLToMemory",
     {0x0690, 0x8000, 0x0000},
     {{A0, 0x2000}},
     "",
     {{0x2000, 4, 0x80000000}},
     28,
     {},
     "XZVC",
     {{0x2000, 4, 0}}},
    {"AddqEncodesEightAsZero", {0x5040}, {{D0, 0xFFFF}}, "", {}, 4, {{D0, 7}}, "XC", {}},
    {"AddqLToDn", {0x5280}, {{D0, 0x7FFFFFFF}}, "", {}, 8, {{D0, 0x80000000}}, "NV", {}},
    {"SubqBToAnIsWholeRegister", {0x5308}, {{A0, 0}}, "ZC", {}, 8, {{A0, 0xFFFFFFFF}}, "ZC", {}},
    {"SubqLEightToAn", {0x5189}, {{A1, 0x10}}, "N", {}, 8, {{A1, 0x08}}, "N", {}},
    {"AddqWToMemory",
     {0x5250},
     {{A0, 0x2000}},
     "",
     {{0x2000, 2, 0xFFFF}},
     12,
     {},
     "XZC",
     {{0x2000, 2, 0}}},
    {"SubqLToMemory", {0x5390}, {{A0, 0x2000}}, "", {}, 20, {}, "XNC", {{0x2000, 4, 0xFFFFFFFF}}},
    {"AddqBToPostIncrementA7StepsTwo",
     {0x521F},
     {},
     "",
     {{0x8000, 1, 0x41}},
     12,
     {{A7, 0x8002}},
     "",
     {{0x8000, 1, 0x42}}},

    // ADDX: Z is only ever cleared.
    {"AddxLZeroResultKeepsZSet", {0xD181}, {{D0, 0xFFFFFFFF}}, "XZ", {}, 8, {{D0, 0}}, "XZC", {}},
    {"AddxLZeroResultKeepsZClear", {0xD181}, {{D0, 0xFFFFFFFF}}, "X", {}, 8, {{D0, 0}}, "XC", {}},
    {"AddxBNonZeroClearsZ",
     {0xD101},
     {{D0, 0xFFFFFF01}, {D1, 1}},
     "XZ",
     {},
     4,
     {{D0, 0xFFFFFF03}},
     "",
     {}},
    {"AddxWMemoryZeroKeepsZ",
     {0xD149},
     {{A0, 0x2002}, {A1, 0x3002}},
     "XZ",
     {{0x2000, 2, 0x8000}, {0x3000, 2, 0x7FFF}},
     18,
     {{A0, 0x2000}, {A1, 0x3000}},
     "XZC",
     {{0x2000, 2, 0}}},
    {"AddxLMemoryNonZeroClearsZ",
     {0xD189},
     {{A0, 0x2004}, {A1, 0x3004}},
     "Z",
     {{0x2000, 4, 0x7FFFFFFF}, {0x3000, 4, 1}},
     30,
     {{A0, 0x2000}, {A1, 0x3000}},
     "NV",
     {{0x2000, 4, 0x80000000}}},
    {"AddxBThroughA7StepsTwo",
     {0xDF0F},
     {{A7, 0x8004}},
     "",
     {{0x8002, 1, 0x10}, {0x8000, 1, 0x20}},
     18,
     {{A7, 0x8000}},
     "",
     {{0x8000, 1, 0x30}}},

    // SUB, SUBA, SUBI, SUBX.
    {"SubBBorrow", {0x9001}, {{D0, 0x12345600}, {D1, 1}}, "", {}, 4, {{D0, 0x123456FF}}, "XNC", {}},
    {"SubWOverflowClearsX",
     {0x9041},
     {{D0, 0x8000}, {D1, 1}},
     "XC",
     {},
     4,
     {{D0, 0x7FFF}},
     "V",
     {}},
    {"SubLToMemory",
     {0x9190},
     {{D0, 1}, {A0, 0x2000}},
     "",
     {{0x2000, 4, 1}},
     20,
     {},
     "Z",
     {{0x2000, 4, 0}}},
    {"SubaLFromDn", {0x91C1}, {{D1, 1}}, "", {}, 8, {{A0, 0xFFFFFFFF}}, "", {}},
    {"SubaWFromMemorySignExtends",
     {0x90D1},
     {{A0, 0x10}, {A1, 0x2000}},
     "C",
     {{0x2000, 2, 0xFFFF}},
     8,
     {{A0, 0x11}},
     "C",
     {}},
    {"SubiWToDn", {0x0440, 0x0001}, {}, "", {}, 8, {{D0, 0xFFFF}}, "XNC", {}},
    {"SubiLToDn", {0x0480, 0x0000, 0x0001}, {{D0, 1}}, "", {}, 16, {{D0, 0}}, "Z", {}},
    {"SubxBBorrowsX", {0x9101}, {}, "XZ", {}, 4, {{D0, 0xFF}}, "XNC", {}},
    {"SubxLZeroKeepsZ", {0x9181}, {{D0, 5}, {D1, 4}}, "XZ", {}, 8, {{D0, 0}}, "Z", {}},
    {"SubxLMemory",
     {0x9189},
     {{A0, 0x2004}, {A1, 0x3004}},
     "X",
     {},
     30,
     {{A0, 0x2000}, {A1, 0x3000}},
     "XNC",
     {{0x2000, 4, 0xFFFFFFFF}}},

    // CMP, CMPA, CMPI, CMPM: X stays.
    {"CmpBFromAnTakesLowByte",
     {0xB009},
     {{D0, 0xFFFFFF05}, {A1, 0x12345605}},
     "X",
     {},
     4,
     {},
     "XZ",
     {}},
    {"CmpWSetsNAndV", {0xB041}, {{D0, 0x7FFF}, {D1, 0xFFFF}}, "", {}, 4, {}, "NVC", {}},
    {"CmpLFromDnCosts8", {0xB081}, {{D0, 1}, {D1, 2}}, "", {}, 8, {}, "NC", {}},
    {"CmpLFromAnCosts8", {0xB089}, {{D0, 2}, {A1, 2}}, "XNC", {}, 8, {}, "XZ", {}},
    {"CmpLFromMemory",
     {0xB090},
     {{D0, 0x80000000}, {A0, 0x2000}},
     "",
     {{0x2000, 4, 1}},
     14,
     {},
     "V",
     {}},
    {"CmpLImmCosts6", {0xB0BC, 0x0001, 0x0000}, {{D0, 0x10000}}, "", {}, 6, {}, "Z", {}},
    {"CmpaWSignExtends", {0xB0C1}, {{D1, 0x8000}, {A0, 0xFFFF8000}}, "", {}, 4, {}, "Z", {}},
    {"CmpaLFromAnCosts8", {0xB1C9}, {{A1, 1}}, "X", {}, 8, {}, "XNC", {}},
    {"CmpaLFromMemory",
     {0xB1D1},
     {{A0, 0x80000000}, {A1, 0x2000}},
     "",
     {{0x2000, 4, 1}},
     14,
     {},
     "V",
     {}},
    {"CmpiBToDn", {0x0C00, 0x0080}, {{D0, 0x7F}}, "", {}, 8, {}, "NVC", {}},
    {"CmpiLToDnCosts14", {0x0C80, 0x0000, 0x0001}, {{D0, 1}}, "", {}, 14, {}, "Z", {}},
    {"CmpiWToMemory", {0x0C50, 0x1234}, {{A0, 0x2000}}, "", {{0x2000, 2, 0x1234}}, 12, {}, "Z", {}},
    {"CmpiLToMemory",
     {0x0C90, 0x0000, 0x0002},
     {{A0, 0x2000}},
     "",
     {{0x2000, 4, 1}},
     20,
     {},
     "NC",
     {}},
    {"CmpmBIsDestinationMinusSource",
     {0xB109},
     {{A0, 0x2000}, {A1, 0x3000}},
     "",
     {{0x2000, 1, 0x10}, {0x3000, 1, 0x20}},
     12,
     {{A0, 0x2001}, {A1, 0x3001}},
     "NC",
     {}},
    {"CmpmL",
     {0xB189},
     {{A0, 0x2000}, {A1, 0x3000}},
     "X",
     {{0x2000, 4, 0x12345678}, {0x3000, 4, 0x12345678}},
     20,
     {{A0, 0x2004}, {A1, 0x3004}},
     "XZ",
     {}},
    {"CmpmBThroughA7StepsTwo",
     {0xBF0F},
     {},
     "",
     {{0x8000, 1, 5}, {0x8002, 1, 5}},
     12,
     {{A7, 0x8004}},
     "Z",
     {}},

    // AND, OR, EOR and their immediates: V and C cleared, X stays.
    {"AndWClearsVC",
     {0xC041},
     {{D0, 0xFFFF8F0F}, {D1, 0x0000F0FF}},
     "XVC",
     {},
     4,
     {{D0, 0xFFFF800F}},
     "XN",
     {}},
    {"AndLFromDnCosts8", {0xC081}, {{D0, 0xF0}, {D1, 0x0F}}, "", {}, 8, {{D0, 0}}, "Z", {}},
    {"AndLImmCosts6",
     {0xC0BC, 0x8000, 0x0000},
     {{D0, 0xFFFFFFFF}},
     "",
     {},
     6,
     {{D0, 0x80000000}},
     "N",
     {}},
    {"AndBToMemory",
     {0xC110},
     {{D0, 0x0F}, {A0, 0x2000}},
     "",
     {{0x2000, 1, 0xFC}},
     12,
     {},
     "",
     {{0x2000, 1, 0x0C}}},
    {"AndiLToDnCosts14",
     {0x0280, 0xFFFF, 0x0000},
     {{D0, 0x12345678}},
     "",
     {},
     14,
     {{D0, 0x12340000}},
     "",
     {}},
    {"AndiBToMemory",
     {0x0210, 0x0080},
     {{A0, 0x2000}},
     "",
     {{0x2000, 1, 0xFF}},
     16,
     {},
     "N",
     {{0x2000, 1, 0x80}}},
    {"OrLToMemory",
     {0x8190},
     {{D0, 0x80000000}, {A0, 0x2000}},
     "",
     {{0x2000, 4, 1}},
     20,
     {},
     "N",
     {{0x2000, 4, 0x80000001}}},
    {"OrBFromPostIncrement",
     {0x8018},
     {{D0, 0x100}, {A0, 0x2000}},
     "",
     {},
     8,
     {{A0, 0x2001}},
     "Z",
     {}},
    {"OriWToDn", {0x0040, 0x8000}, {{D0, 1}}, "", {}, 8, {{D0, 0x8001}}, "N", {}},
    {"OriLToDnCosts16", {0x0080, 0x0000, 0x0000}, {}, "C", {}, 16, {}, "Z", {}},
    {"EorWBetweenDataRegistersCosts8",
     {0xB340},
     {{D0, 0xFFFF}, {D1, 0xFFFF}},
     "",
     {},
     8,
     {{D0, 0}},
     "Z",
     {}},
    {"EorLBetweenDataRegistersCosts12",
     {0xB380},
     {{D1, 0x80000000}},
     "",
     {},
     12,
     {{D0, 0x80000000}},
     "N",
     {}},
    {"EorBToMemory",
     {0xB310},
     {{D1, 0xFF}, {A0, 0x2000}},
     "",
     {{0x2000, 1, 0x0F}},
     12,
     {},
     "N",
     {{0x2000, 1, 0xF0}}},
    {"EoriLToDn",
     {0x0A80, 0xFFFF, 0xFFFF},
     {{D0, 0xFFFFFFFF}},
     "XNVC",
     {},
     16,
     {{D0, 0}},
     "XZ",
     {}},
    {"EoriWToAbsL",
     {0x0A79, 0x00FF, 0x0000, 0x2000},
     {},
     "",
     {{0x2000, 2, 0xFF00}},
     24,
     {},
     "N",
     {{0x2000, 2, 0xFFFF}}},

    // NEG, NEGX, NOT, CLR.
    {"NegBMostNegative", {0x4400}, {{D0, 0x80}}, "", {}, 4, {{D0, 0x80}}, "XNVC", {}},
    {"NegLZeroClearsXAndC", {0x4480}, {}, "XC", {}, 6, {}, "Z", {}},
    {"NegWMemory",
     {0x4450},
     {{A0, 0x2000}},
     "",
     {{0x2000, 2, 1}},
     8,
     {},
     "XNC",
     {{0x2000, 2, 0xFFFF}}},
    {"NegLMemory",
     {0x4490},
     {{A0, 0x2000}},
     "",
     {{0x2000, 4, 0xFFFFFFFF}},
     14,
     {},
     "XC",
     {{0x2000, 4, 1}}},
    {"NegxBFFWithXGivesZeroKeepsZ", {0x4000}, {{D0, 0xFF}}, "XZ", {}, 4, {{D0, 0}}, "XZC", {}},
    {"NegxBFFWithXKeepsZClear", {0x4000}, {{D0, 0xFF}}, "X", {}, 4, {{D0, 0}}, "XC", {}},
    {"NegxB7FWithXHasNoOverflow", {0x4000}, {{D0, 0x7F}}, "X", {}, 4, {{D0, 0x80}}, "XNC", {}},
    {"NegxB80WithoutXOverflows", {0x4000}, {{D0, 0x80}}, "", {}, 4, {{D0, 0x80}}, "XNVC", {}},
    {"NegxB80WithXHasNoOverflow", {0x4000}, {{D0, 0x80}}, "X", {}, 4, {{D0, 0x7F}}, "XC", {}},
    {"NegxLZeroWithoutXClearsC", {0x4080}, {}, "ZC", {}, 6, {}, "Z", {}},
    {"NegxWMemory", {0x4050}, {{A0, 0x2000}}, "XZ", {}, 8, {}, "XNC", {{0x2000, 2, 0xFFFF}}},
    {"NotWKeepsX", {0x4640}, {{D0, 0x1234FFFF}}, "XVC", {}, 4, {{D0, 0x12340000}}, "XZ", {}},
    {"NotLMemory",
     {0x4690},
     {{A0, 0x2000}},
     "",
     {{0x2000, 4, 0x7FFFFFFF}},
     14,
     {},
     "N",
     {{0x2000, 4, 0x80000000}}},
    {"ClrBKeepsUpperBitsAndX",
     {0x4200},
     {{D0, 0x123456FF}},
     "XNVC",
     {},
     4,
     {{D0, 0x12345600}},
     "XZ",
     {}},
    {"ClrLDn", {0x4280}, {{D0, 0xFFFFFFFF}}, "", {}, 6, {{D0, 0}}, "Z", {}},
    {"ClrWMemory",
     {0x4250},
     {{A0, 0x2000}},
     "N",
     {{0x2000, 2, 0xFFFF}},
     8,
     {},
     "Z",
     {{0x2000, 2, 0}}},
    {"ClrLPreDecrement",
     {0x42A0},
     {{A0, 0x2004}},
     "",
     {},
     16,
     {{A0, 0x2000}},
     "Z",
     {{0x2000, 4, 0}}},

    // TST, TAS.
    {"TstBDn", {0x4A00}, {{D0, 0xFF80}}, "XVC", {}, 4, {}, "XN", {}},
    {"TstWAnTestsLowWord", {0x4A4A}, {{A2, 0xFFFF0000}}, "", {}, 4, {}, "Z", {}},
    {"TstLAn", {0x4A8A}, {{A2, 0xFFFF0000}}, "", {}, 4, {}, "N", {}},
    {"TstLMemory", {0x4A90}, {{A0, 0x2000}}, "N", {}, 12, {}, "Z", {}},
    {"TasDnSetsBit7", {0x4AC0}, {{D0, 0x12345600}}, "VC", {}, 4, {{D0, 0x12345680}}, "Z", {}},
    {"TasMemoryFlagsFromOldByte",
     {0x4AD0},
     {{A0, 0x2000}},
     "X",
     {{0x2000, 1, 0x81}},
     18,
     {},
     "XN",
     {{0x2000, 1, 0x81}}},
    {"TasMemoryZero", {0x4AD0}, {{A0, 0x2000}}, "", {}, 18, {}, "Z", {{0x2000, 1, 0x80}}},

    // MULU, MULS: always 70 plus the operand.
    {"MuluFFFFByFFFF",
     {0xC0C1},
     {{D0, 0x1234FFFF}, {D1, 0xABCDFFFF}},
     "XVC",
     {},
     70,
     {{D0, 0xFFFE0001}},
     "XN",
     {}},
    {"MulsFFFFByFFFF",
     {0xC1C1},
     {{D0, 0x1234FFFF}, {D1, 0xABCDFFFF}},
     "",
     {},
     70,
     {{D0, 1}},
     "",
     {}},
    {"MulsNegativeProduct",
     {0xC1C1},
     {{D0, 0x8000}, {D1, 0x7FFF}},
     "",
     {},
     70,
     {{D0, 0xC0008000}},
     "N",
     {}},
    {"MulsMostNegativeSquared",
     {0xC1C1},
     {{D0, 0x8000}, {D1, 0x8000}},
     "",
     {},
     70,
     {{D0, 0x40000000}},
     "",
     {}},
    {"MuluImmCosts70", {0xC0FC, 0x0000}, {{D0, 5}}, "", {}, 70, {{D0, 0}}, "Z", {}},
    {"MuluMemory", {0xC0D0}, {{D0, 2}, {A0, 0x2000}}, "", {{0x2000, 2, 3}}, 74, {{D0, 6}}, "", {}},

    // DIVU, DIVS: C cleared, fixed costs.
    {"DivuRemainderAndQuotient",
     {0x80C1},
     {{D0, 100}, {D1, 0xFFFF0007}},
     "XVC",
     {},
     133,
     {{D0, 0x0002000E}},
     "X",
     {}},
    {"DivuQuotientBit15SetsN", {0x80C1}, {{D0, 0x8000}, {D1, 1}}, "", {}, 133, {}, "N", {}},
    {"DivuZeroQuotient", {0x80C1}, {{D0, 5}, {D1, 7}}, "", {}, 133, {{D0, 0x00050000}}, "Z", {}},
    {"DivuOverflowSetsVKeepsNZ",
     {0x80C1},
     {{D0, 0x00010000}, {D1, 1}},
     "XNZC",
     {},
     133,
     {},
     "XNZV",
     {}},
    {"DivuLargestQuotient",
     {0x80C1},
     {{D0, 0xFFFEFFFE}, {D1, 0xFFFF}},
     "",
     {},
     133,
     {{D0, 0xFFFDFFFF}},
     "N",
     {}},
    {"DivsNegativeDividend",
     {0x81C1},
     {{D0, 0xFFFFFFF9}, {D1, 2}},
     "",
     {},
     150,
     {{D0, 0xFFFFFFFD}},
     "N",
     {}},
    {"DivsNegativeDivisor",
     {0x81C1},
     {{D0, 7}, {D1, 0xFFFE}},
     "",
     {},
     150,
     {{D0, 0x0001FFFD}},
     "N",
     {}},
    {"DivsMostNegativeByMinusOneOverflows",
     {0x81C1},
     {{D0, 0x80000000}, {D1, 0xFFFF}},
     "C",
     {},
     150,
     {},
     "V",
     {}},
    {"DivsQuotientMinus32768Fits",
     {0x81C1},
     {{D0, 0xFFFF8000}, {D1, 1}},
     "",
     {},
     150,
     {{D0, 0x00008000}},
     "N",
     {}},
    {"DivsQuotient32768Overflows", {0x81C1}, {{D0, 0x8000}, {D1, 1}}, "Z", {}, 150, {}, "ZV", {}},
    {"DivuImmCosts137", {0x80FC, 0x0002}, {{D0, 9}}, "", {}, 137, {{D0, 0x00010004}}, "", {}},
    {"DivuIndexCosts145",
     {0x80F0, 0x1000},
     {{D0, 9}, {D1, 0x10}, {A0, 0x2000}},
     "",
     {{0x2010, 2, 3}},
     145,
     {{D0, 3}},
     "",
     {}},
    {"DivsPcIndexCosts160",
     {0x81FB, 0xB00E},
     {{D0, 9}},
     "",
     {{0x1010, 2, 0xFFFD}},
     160,
     {{D0, 0x0000FFFD}},
     "N",
     {}},
    {"DivuPreDecrementCosts139",
     {0x80E0},
     {{D0, 10}, {A0, 0x2002}},
     "",
     {{0x2000, 2, 5}},
     139,
     {{D0, 2}, {A0, 0x2000}},
     "",
     {}},
};

INSTANTIATE_TEST_SUITE_P(Table, Cpu68kArith, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Bus accesses, reads included, in the order they are made.
struct AccessCase {
  const char* name;
  std::vector<u16> code;
  std::vector<RegValue> regs;
  std::vector<MemValue> mem;
  std::vector<BusAccess> log;
};

void PrintTo(const AccessCase& c, std::ostream* os) { *os << c.name; }

class Cpu68kArithAccess : public ArithFixture, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(Cpu68kArithAccess, Order) {
  const AccessCase& c = GetParam();
  Load(c.code, c.regs, c.mem);
  Step();
  EXPECT_EQ(Log(), c.log);
}

const AccessCase kAccessCases[] = {
    {"ClrWritesOnly", {0x4250}, {{A0, 0x2000}}, {{0x2000, 2, 0xFFFF}}, {{'w', 2, 0x2000, 0}}},
    {"TasReadsThenWrites",
     {0x4AD0},
     {{A0, 0x2000}},
     {{0x2000, 1, 0x01}},
     {{'r', 1, 0x2000, 0x01}, {'w', 1, 0x2000, 0x81}}},
    {"AddxSourceThenDestination",
     {0xD149},
     {{A0, 0x2002}, {A1, 0x3002}},
     {{0x2000, 2, 1}, {0x3000, 2, 2}},
     {{'r', 2, 0x3000, 2}, {'r', 2, 0x2000, 1}, {'w', 2, 0x2000, 3}}},
    {"SubxSameRegisterStepsTwice",
     {0x9148},
     {{A0, 0x2004}},
     {{0x2002, 2, 1}, {0x2000, 2, 5}},
     {{'r', 2, 0x2002, 1}, {'r', 2, 0x2000, 5}, {'w', 2, 0x2000, 4}}},
    {"CmpmSourceThenDestination",
     {0xB149},
     {{A0, 0x2000}, {A1, 0x3000}},
     {{0x2000, 2, 7}, {0x3000, 2, 9}},
     {{'r', 2, 0x3000, 9}, {'r', 2, 0x2000, 7}}},
    {"AddToMemoryReadsThenWrites",
     {0xD190},
     {{D0, 1}, {A0, 0x2000}},
     {{0x2000, 4, 0x10}},
     {{'r', 4, 0x2000, 0x10}, {'w', 4, 0x2000, 0x11}}},
    {"NegReadsThenWrites",
     {0x4450},
     {{A0, 0x2000}},
     {{0x2000, 2, 1}},
     {{'r', 2, 0x2000, 1}, {'w', 2, 0x2000, 0xFFFF}}},
    {"CmpiReadsOnly", {0x0C50, 0x0001}, {{A0, 0x2000}}, {}, {{'r', 2, 0x2000, 0}}},
    {"TstReadsOnly", {0x4A50}, {{A0, 0x2000}}, {}, {{'r', 2, 0x2000, 0}}},
    {"RegisterFormsTouchNoMemory", {0xD081}, {}, {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Table, Cpu68kArithAccess, ::testing::ValuesIn(kAccessCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A zero divisor: 38 cycles plus the operand plus vector 5's own 42; the
// stacked SR has C clear and the other flags as they were, the stacked PC is
// past the extension words, and Dn is unchanged.
struct ZeroDivideCase {
  const char* name;
  std::vector<u16> code;
  i32 cycles;
  u32 a0After;
};

void PrintTo(const ZeroDivideCase& c, std::ostream* os) { *os << c.name; }

class Cpu68kZeroDivide : public ArithFixture,
                         public ::testing::WithParamInterface<ZeroDivideCase> {};

TEST_P(Cpu68kZeroDivide, RaisesVector5) {
  const ZeroDivideCase& c = GetParam();
  Load(c.code, {{D0, 0x12345678}, {A0, 0x2000}}, {});
  SetFlags("XNZVC");
  EXPECT_EQ(Step(), c.cycles);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 5);
  EXPECT_EQ(D(0), 0x12345678u);
  EXPECT_EQ(A(0), c.a0After);
  EXPECT_EQ(A(7), kSupervisorStack - 6);
  EXPECT_EQ(Peek16(kSupervisorStack - 6), 0x271E);
  EXPECT_EQ(Peek32(kSupervisorStack - 4), kCodeAddress + 2 * c.code.size());
  EXPECT_EQ(Flags(), "XNZV");
}

const ZeroDivideCase kZeroDivideCases[] = {
    {"DivuDn", {0x80C1}, 80, 0x2000},
    {"DivuPostIncrementSteps", {0x80D8}, 84, 0x2002},
    {"DivsDisplacement", {0x81E8, 0x0010}, 88, 0x2000},
    {"DivsImmediate", {0x81FC, 0x0000}, 84, 0x2000},
};

INSTANTIATE_TEST_SUITE_P(Table, Cpu68kZeroDivide, ::testing::ValuesIn(kZeroDivideCases),
                         [](const auto& info) { return std::string(info.param.name); });

using Cpu68kDivideEnd = CpuTest;

// The divides end the run at a budget of exactly zero; other instructions
// only below zero.
TEST_F(Cpu68kDivideEnd, AtZero) {
  Code({0x80C1, 0x4E71});  // DIVU.W D1,D0; NOP
  D(1) = 1;
  EXPECT_EQ(Run(133), 133);
  EXPECT_EQ(Pc(), kCodeAddress + 2);

  Code({0xD041, 0x4E71});  // ADD.W D1,D0; NOP
  EXPECT_EQ(Run(4), 8);
  EXPECT_EQ(Pc(), kCodeAddress + 4);

  Code({0x80C1, 0x4E71});  // DIVU.W D1,D0 by zero
  D(1) = 0;
  EXPECT_EQ(Run(80), 80);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 5);
}

// An odd zero-divide vector: the address error takes its place, the divide's
// net cost stays charged, and the run still ends at zero.
TEST_F(Cpu68kDivideEnd, ZeroDivisorWithOddVector) {
  Poke32(5 * 4, 0x00200001);
  Code({0x80C1, 0x4E71});
  EXPECT_EQ(Run(80), 80);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 3);
  EXPECT_EQ(A(7), kSupervisorStack - 12);
  EXPECT_EQ(Peek32(kSupervisorStack - 10), 0x001FFFFFu);
  EXPECT_EQ(Peek32(kSupervisorStack - 4), kCodeAddress + 2);
}

}  // namespace
