// Data movement: MOVE, MOVEA, MOVEQ, MOVEM, MOVEP, LEA, PEA, EXG, SWAP, EXT,
// LINK, UNLK, MOVE USP.
#include <functional>
#include <vector>

#include "support/cpu_fixture.h"

namespace {

struct MoveCase {
  const char* name;
  std::vector<u16> code;
  std::function<void(CpuTest&)> setup;
  i32 cycles;
  std::function<void(CpuTest&)> check;
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }

class Cpu68kMove : public CpuTest, public ::testing::WithParamInterface<MoveCase> {};

#define CASE [](CpuTest & t)

TEST_P(Cpu68kMove, Runs) {
  const MoveCase& c = GetParam();
  u32 a = kCodeAddress;
  for (u16 w : c.code) {
    Poke16(a, w);
    a += 2;
  }
  SetPc(kCodeAddress);
  if (c.setup) c.setup(*this);
  EXPECT_EQ(Step(), c.cycles);
  c.check(*this);
}

const MoveCase kMoveCases[] = {{"MoveBFromAnTakesLowByte", {0x1009}, CASE{t.A(1) = 0x12345680;
t.D(0) = 0xFFFFFFFF;
}  // namespace
, 4, CASE {
  EXPECT_EQ(t.D(0), 0xFFFFFF80u);
  EXPECT_EQ(t.Flags(), "N");
}
}
, {"MoveqWithBit8Set", {0x7180}, nullptr, 4, CASE{EXPECT_EQ(t.D(0), 0xFFFFFF80u);
EXPECT_EQ(t.Flags(), "N");
}
}
, {"MoveqZeroKeepsX", {0x7000}, CASE{t.SetFlags("XNVC");
}
, 4, CASE { EXPECT_EQ(t.Flags(), "XZ"); }
}
, {"MoveLImmToDn", {0x203C, 0x0000, 0x0000}, nullptr, 4, CASE{EXPECT_EQ(t.Flags(), "Z");
}
}
, {"MoveWToPreDec", {0x3100}, CASE{t.A(0) = 0x2000;
t.D(0) = 0xBEEF;
}
, 10, CASE {
  EXPECT_EQ(t.A(0), 0x1FFEu);
  EXPECT_EQ(t.Peek16(0x1FFE), 0xBEEF);
}
}
, {"MoveBPostIncA7StepsTwo", {0x1EC0}, CASE{t.D(0) = 0x55;
}
, 8, CASE {
  EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack + 2);
  EXPECT_EQ(t.Peek8(CpuTest::kSupervisorStack), 0x55);
}
}
, {"MoveBPreDecA7StepsTwo", {0x1F00}, CASE{t.D(0) = 0x66;
}
, 10, CASE {
  EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack - 2);
  EXPECT_EQ(t.Peek8(CpuTest::kSupervisorStack - 2), 0x66);
}
}
, {"MoveBPostIncA6StepsOne", {0x1CC0}, CASE{t.A(6) = 0x3000;
}
, 8, CASE { EXPECT_EQ(t.A(6), 0x3001u); }
}
, {"MoveBSourceStepBeforeDestination", {0x1098}, CASE{t.A(0) = 0x3000;
t.Poke16(0x3000, 0xAB00);
}
, 12, CASE {
  EXPECT_EQ(t.A(0), 0x3001u);
  EXPECT_EQ(t.Peek8(0x3001), 0xAB);
}
}
, {"MoveLAnToPreDecSameAn", {0x2108}, CASE{t.A(0) = 0x3000;
}
, 14, CASE {
  EXPECT_EQ(t.A(0), 0x2FFCu);
  EXPECT_EQ(t.Peek32(0x2FFC), 0x3000u);
}
}
, {"MoveWPostIncToPreDecSameAn", {0x3118}, CASE{t.A(0) = 0x3000;
t.Poke16(0x3000, 0x1234);
}
, 14, CASE {
  EXPECT_EQ(t.A(0), 0x3000u);
  EXPECT_EQ(t.Peek16(0x3000), 0x1234);
}
}
, {"MoveLAbsLToAbsL", {0x23F9, 0x0000, 0x4000, 0x0000, 0x5000}, CASE{t.Poke32(0x4000, 0x80000001);
}
, 36, CASE {
  EXPECT_EQ(t.Peek32(0x5000), 0x80000001u);
  EXPECT_EQ(t.Flags(), "N");
}
}
, {"MoveWDispToIndex", {0x33A8, 0x0010, 0x1004}, CASE{t.A(0) = 0x3000;
t.A(1) = 0x4000;
t.D(1) = 0x00010002;
t.Poke16(0x3010, 0x7777);
}
, 22, CASE { EXPECT_EQ(t.Peek16(0x4006), 0x7777); }
}
, {"MoveaWSignExtendsAndKeepsFlags", {0x307C, 0x8000}, CASE{t.SetFlags("Z");
}
, 4, CASE {
  EXPECT_EQ(t.A(0), 0xFFFF8000u);
  EXPECT_EQ(t.Flags(), "Z");
}
}
, {"MoveaLFromPcDisp", {0x207A, 0x0010}, CASE{t.Poke32(0x1012, 0xCAFEF00D);
}
, 16, CASE { EXPECT_EQ(t.A(0), 0xCAFEF00Du); }
}
, {"MovemLToPreDecStoresOldAn", {0x48E0, 0x8080}, CASE{t.A(0) = 0x3000;
t.D(0) = 0x11111111;
}
, 8 + 16, CASE {
  EXPECT_EQ(t.A(0), 0x2FF8u);
  EXPECT_EQ(t.Peek32(0x2FF8), 0x11111111u);
  EXPECT_EQ(t.Peek32(0x2FFC), 0x3000u);
}
}
, {"MovemWPostIncIntoAnDiscardsLoad", {0x4C98, 0x0100}, CASE{t.A(0) = 0x3000;
t.Poke16(0x3000, 0x8000);
}
, 4, CASE { EXPECT_EQ(t.A(0), 0x3002u); }
}
, {"MovemWLoadSignExtendsDn", {0x4C90, 0x0001}, CASE{t.A(0) = 0x3000;
t.Poke16(0x3000, 0xFFFE);
}
, 16 + 4, CASE { EXPECT_EQ(t.D(0), 0xFFFFFFFEu); }
}
, {"MovemLAllToPreDec", {0x48E7, 0xFFFF}, nullptr, 8 + 128,
   CASE{EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack - 64);
// A7 itself is stored as it was before the instruction.
EXPECT_EQ(t.Peek32(CpuTest::kSupervisorStack - 4), CpuTest::kSupervisorStack);
}
}
, {"MovemLAllToInd", {0x48D0, 0xFFFF}, CASE{t.A(0) = 0x3000;
}
, 16 + 128, CASE {
  EXPECT_EQ(t.Peek32(0x3000 + 8 * 4), 0x3000u);
  EXPECT_EQ(t.A(0), 0x3000u);
}
}
, {"MovepLWritesEveryOtherByte", {0x01C8, 0x0000}, CASE{t.A(0) = 0x3000;
t.D(0) = 0x11223344;
}
, 36, CASE {
  EXPECT_EQ(t.Peek8(0x3000), 0x11);
  EXPECT_EQ(t.Peek8(0x3002), 0x22);
  EXPECT_EQ(t.Peek8(0x3004), 0x33);
  EXPECT_EQ(t.Peek8(0x3006), 0x44);
  ASSERT_EQ(t.Log().size(), 4u);
  EXPECT_EQ(t.Log()[0], (BusAccess{'w', 1, 0x3000, 0x11}));
}
}
, {"MovepWReadsIntoLowWord", {0x0108, 0x0001}, CASE{t.A(0) = 0x3000;
t.D(0) = 0xAAAAAAAA;
t.Poke16(0x3000, 0x0012);
t.Poke16(0x3002, 0x0034);
}
, 28, CASE { EXPECT_EQ(t.D(0), 0xAAAA1234u); }
}
, {"LeaInd", {0x43D0}, CASE{t.A(0) = 0x123456;
}
, 12, CASE { EXPECT_EQ(t.A(1), 0x123456u); }
}
, {"LeaPcIndex", {0x41FB, 0x0004}, nullptr, 22, CASE{EXPECT_EQ(t.A(0), 0x1006u);
}
}
, {"PeaA7PushesOldA7", {0x4857}, nullptr, 20, CASE{EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack - 4);
EXPECT_EQ(t.Peek32(CpuTest::kSupervisorStack - 4), CpuTest::kSupervisorStack);
}
}
, {"ExgDA", {0xC38A}, CASE{t.D(1) = 1;
t.A(2) = 2;
}
, 6, CASE {
  EXPECT_EQ(t.D(1), 2u);
  EXPECT_EQ(t.A(2), 1u);
}
}
, {"Swap", {0x4840}, CASE{t.D(0) = 0x80001234;
}
, 4, CASE {
  EXPECT_EQ(t.D(0), 0x12348000u);
  EXPECT_EQ(t.Flags(), "");
}
}
, {"ExtWKeepsHighWord", {0x4880}, CASE{t.D(0) = 0x12345680;
}
, 4, CASE {
  EXPECT_EQ(t.D(0), 0x1234FF80u);
  EXPECT_EQ(t.Flags(), "N");
}
}
, {"ExtbEncodingRunsExtL", {0x49C3}, CASE{t.D(3) = 0x00008000;
}
, 4, CASE { EXPECT_EQ(t.D(3), 0xFFFF8000u); }
}
, {"LinkA7SavesLoweredA7", {0x4E57, 0xFFFC}, nullptr, 16,
   CASE{EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack - 8);
EXPECT_EQ(t.Peek32(CpuTest::kSupervisorStack - 4), CpuTest::kSupervisorStack - 4);
}
}
, {"LinkA6", {0x4E56, 0x0000}, CASE{t.A(6) = 0xABCD;
}
, 16, CASE {
  EXPECT_EQ(t.A(6), CpuTest::kSupervisorStack - 4);
  EXPECT_EQ(t.Peek32(CpuTest::kSupervisorStack - 4), 0xABCDu);
}
}
, {"UnlkA7", {0x4E5F}, nullptr, 12, CASE{EXPECT_EQ(t.A(7), CpuTest::kSupervisorStack + 4);
}
}
, {"UnlkA6", {0x4E5E}, CASE{t.A(6) = 0x3000;
t.Poke32(0x3000, 0x4444);
}
, 12, CASE {
  EXPECT_EQ(t.A(6), 0x4444u);
  EXPECT_EQ(t.A(7), 0x3004u);
}
}
, {"MoveUspToAnInSupervisor", {0x4E68}, nullptr, 4, CASE{EXPECT_EQ(t.A(0), CpuTest::kUserStack);
}
}
,
}
;

INSTANTIATE_TEST_SUITE_P(Table, Cpu68kMove, ::testing::ValuesIn(kMoveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CpuTest, MoveUspInUserModeIsPrivilegeViolation) {
  Code({0x4E68});
  g_cpu68kContext.srSys = 0x00;
  A(7) = kUserStack;
  EXPECT_EQ(Step(), 4 + 38);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 8);
  EXPECT_EQ(Peek32(A(7) + 2), kCodeAddress);
  EXPECT_EQ(A(0), 0u);
}

// Each register's cycles are charged as it moves and the base after the
// last one: a bus slot sees the counter fall by 4 (word) or 8 (long) from
// one register to the next.
std::vector<i32> g_seenCycles;

TEST_F(CpuTest, MovemChargesEachRegisterAsItMoves) {
  struct Case {
    const char* name;
    u16 opcode, mask;
    i32 cycles;
    std::vector<i32> seen;
  };
  const Case cases[] = {
      {"MOVEM.W D0-D2,(A0)", 0x4890, 0x0007, 16 + 12, {0, -4, -8}},
      {"MOVEM.L D0/D1,-(A0)", 0x48E0, 0xC000, 8 + 16, {0, -8}},
      {"MOVEM.L (A0),D0-D2", 0x4CD0, 0x0007, 16 + 24, {0, -8, -16}},
      {"MOVEM.W (A0)+,D0/A1", 0x4C98, 0x0201, 0 + 8, {0, -4}},
  };
  Cpu68kMemHandlers& h = g_cpu68kMemHandlers;
  h.write16 = [](u32, u32) { g_seenCycles.push_back(g_cpu68kCycles); };
  h.write32 = h.write16;
  h.read16 = [](u32) -> u32 {
    g_seenCycles.push_back(g_cpu68kCycles);
    return 0;
  };
  h.read32 = h.read16;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Code({c.opcode, c.mask});
    A(0) = 0x3000;
    g_seenCycles.clear();
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(g_seenCycles, c.seen);
  }
}

TEST_F(CpuTest, MovemFromPostIncEndsRunAtZero) {
  // MOVEM.W (A0)+ with an empty mask costs nothing: the run ends there.
  Code({0x4C98, 0x0000, 0x4E71});
  A(0) = 0x3000;
  EXPECT_EQ(Run(0), 0);
  EXPECT_EQ(Pc(), kCodeAddress + 4);
}

}  // namespace
