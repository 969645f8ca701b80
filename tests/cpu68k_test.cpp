// The processor's frame: the dispatch table, the run loop and its budget,
// interrupts, exception processing and the effective-address model.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "core/machine.h"
#include "cpu68k/cpu68k_core.h"
#include "support/cpu_fixture.h"

namespace {

// --- The dispatch table -----------------------------------------------------

class Cpu68kTable : public CpuTest {};

u32 ReadLe32(const u8* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (u32(p[3]) << 24); }

TEST_F(Cpu68kTable, PackedFormHasTheFiguresOfTheEncoding) {
  const u8* p = g_cpu68kOpTablePacked + 4;
  int entries = 0, longRuns = 0;
  u32 total = 0;
  std::vector<u32> longLengths;
  for (;;) {
    const u32 word = ReadLe32(p);
    p += 4;
    u32 n = word >> 24;
    if (n == 0) {
      n = p[0] | (p[1] << 8);
      p += 2;
      if (n == 0) break;
      ++longRuns;
      longLengths.push_back(n);
    }
    ++entries;
    total += n;
  }
  EXPECT_EQ(total, 65536u);
  EXPECT_EQ(entries, 8313);
  EXPECT_EQ(longRuns, 4);
  EXPECT_EQ(longLengths, (std::vector<u32>{262, 4096, 4096, 4096}));
}

TEST_F(Cpu68kTable, ExpansionGivesEveryOpcodeAHandler) {
  std::set<Cpu68kOpHandler> distinct;
  int illegal = 0;
  int perLine[16] = {};
  for (u32 op = 0; op < 65536; ++op) {
    ASSERT_NE(g_cpu68kOpTable[op], nullptr) << op;
    distinct.insert(g_cpu68kOpTable[op]);
    if (g_cpu68kOpTable[op] == &Cpu68kOpIllegal) {
      ++illegal;
      ++perLine[op >> 12];
    }
  }
  EXPECT_EQ(distinct.size(), 1667u);
  EXPECT_EQ(illegal, 8812);
  const int expected[16] = {1108, 1046, 558, 558, 2062, 384, 0,   0,
                            840,  328,  0,   264, 648,  328, 688, 0};
  for (int line = 0; line < 16; ++line) EXPECT_EQ(perLine[line], expected[line]) << line;
}

TEST_F(Cpu68kTable, AcceptsTheFormsBeyondThe68000sOwnSet) {
  // Opcodes the 68000 itself rejects but this table runs: 2,717 in all.
  auto accepted = [](u32 op) { return g_cpu68kOpTable[op] != &Cpu68kOpIllegal; };
  int count = 0;
  for (u32 op = 0x1000; op < 0x2000; ++op) {
    if (((op >> 3) & 7) == 1 && ((op >> 6) & 7) != 1 && ((op >> 6) & 7) != 7) count += accepted(op);
    if (((op >> 3) & 7) == 1 && ((op >> 6) & 7) == 7 && ((op >> 9) & 7) < 2) count += accepted(op);
  }
  EXPECT_EQ(count, 400);  // MOVE.B from An
  count = 0;
  for (u32 op = 0x5008; op < 0x6000; op += 0x100) {
    for (u32 r = 0; r < 8; ++r) count += accepted(op + r);  // ADDQ.B / SUBQ.B to An
  }
  EXPECT_EQ(count, 128);
  count = 0;
  for (u32 d = 0; d < 8; ++d) {
    for (u32 r = 0; r < 8; ++r) count += accepted(0xB008 | (d << 9) | r);  // CMP.B An,Dn
  }
  EXPECT_EQ(count, 64);
  count = 0;
  for (u32 r = 0; r < 8; ++r) count += accepted(0x4A48 + r) + accepted(0x4A88 + r);
  EXPECT_EQ(count, 16);  // TST.W/L An
  count = 0;
  for (u32 op = 0x7000; op < 0x8000; ++op) count += (op & 0x100) && accepted(op);
  EXPECT_EQ(count, 2048);  // MOVEQ with bit 8 set
  count = 0;
  for (u32 op = 0x42C0; op < 0x4300; ++op) count += accepted(op);
  EXPECT_EQ(count, 50);  // MOVE from CCR
  EXPECT_TRUE(accepted(0x4E74) && accepted(0x4E7A) && accepted(0x4E7B));

  EXPECT_EQ(g_cpu68kOpTable[0x7100], g_cpu68kOpTable[0x7000]);
  EXPECT_EQ(g_cpu68kOpTable[0xA123], &Cpu68kOpLineA);
  EXPECT_EQ(g_cpu68kOpTable[0xF000], &Cpu68kOpLineF);
  EXPECT_EQ(g_cpu68kOpTable[0x4AFC], &Cpu68kOpIllegal);
  EXPECT_TRUE(accepted(0x49C3));
}

TEST(Cpu68kFlags, CcrToHostImage) {
  EXPECT_EQ(g_cpu68kCcrToHost[0x04], 0x40u);
  EXPECT_EQ(g_cpu68kCcrToHost[0x1F], 0x9C1u);
  EXPECT_EQ(g_cpu68kCcrToHost[0x10], 0x100u);
}

TEST(Cpu68kFlags, ConditionsOnTheImage) {
  // GE after a compare that set both N and V; LT and GT around it.
  const u32 nv = kFlagN | kFlagV;
  EXPECT_TRUE(Condition<12>(nv));
  EXPECT_FALSE(Condition<13>(nv));
  EXPECT_TRUE(Condition<14>(nv));
  EXPECT_TRUE(Condition<15>(kFlagN));
  EXPECT_TRUE(Condition<2>(0));
  EXPECT_FALSE(Condition<2>(kFlagZ));
}

// --- Run loop and budget ----------------------------------------------------

using Cpu68kRunLoop = CpuTest;

TEST_F(Cpu68kRunLoop, BudgetsAndReturnedCycles) {
  struct Case {
    i32 budget;
    i32 returned;
    u32 pcAfter;  // how many instructions ran
  };
  // ADDQ.W #1,D0 (4) repeated.
  const Case cases[] = {
      {0, 4, kCodeAddress + 2},  // a budget of 0 runs exactly one instruction
      {-1, 0, kCodeAddress},     // a negative budget runs nothing
      {4, 8, kCodeAddress + 4},  // left at exactly 0 after an ADD: one more
      {5, 8, kCodeAddress + 4},  // overrun of the last instruction
      {7, 8, kCodeAddress + 4}, {8, 12, kCodeAddress + 6},
  };
  for (const Case& c : cases) {
    Code({0x5240, 0x5240, 0x5240, 0x5240});
    EXPECT_EQ(Run(c.budget), c.returned) << c.budget;
    EXPECT_EQ(Pc(), c.pcAfter) << c.budget;
  }
}

// RESET dispatches the next opcode without the budget test. A stream of
// RESETs that never ends (the reset line's callback sends the PC back to the
// RESET) and budgets at the ends of i32 keep the counter and the result in
// range.
TEST_F(Cpu68kRunLoop, CycleArithmeticStaysInRangeForAnyStream) {
  Code({0x4E70});
  g_cpu68kContext.resetHandler = []() -> u32 {
    g_cpu68kContext.pc -= 2;
    return 0;
  };
  const i32 charged = Run(0);
  EXPECT_GT(charged, kCpu68kBudgetLimit);
  EXPECT_LE(charged, kCpu68kBudgetLimit + 132);
  EXPECT_EQ(charged, -g_cpu68kCycles);
  EXPECT_EQ(Pc(), kCodeAddress);

  // Budgets beyond the limit run as the limit.
  Code({0x4E72, 0x2700});  // STOP #$2700 ends the run at -4
  EXPECT_EQ(Run(INT32_MAX), kCpu68kBudgetLimit + 4);
  Cpu68kSetIrq(7);
  EXPECT_EQ(Run(INT32_MIN), 46);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 31);
}

TEST_F(Cpu68kRunLoop, AddSetsXAndMoveLeavesIt) {
  Code({0x5200, 0x7001});  // ADDQ.B #1,D0 ; MOVEQ #1,D0
  D(0) = 0xFF;
  Step();
  EXPECT_EQ(Flags(), "XZC");
  Step();
  EXPECT_EQ(Flags(), "X");
}

TEST_F(Cpu68kRunLoop, InterruptLevelsAgainstMask) {
  struct Case {
    u32 level, mask;
    bool taken;
  };
  const Case cases[] = {{6, 5, true}, {6, 6, false}, {6, 7, false}, {7, 7, true},
                        {1, 0, true}, {4, 4, false}, {0, 0, false}};
  for (const Case& c : cases) {
    SetUp();
    Code({0x4E71});
    g_cpu68kContext.srSys = 0x20 | c.mask;
    Cpu68kSetIrq(c.level);
    const i32 cycles = Run(-1);
    if (c.taken) {
      EXPECT_EQ(cycles, 46) << c.level << c.mask;
      EXPECT_EQ(Pc(), kVectorBase + 0x10 * (24 + c.level));
      EXPECT_EQ(g_cpu68kContext.srSys & 7, c.level);
      EXPECT_EQ(Peek16(A(7)) >> 8 & 7, c.mask);  // the stacked SR has the old mask
      EXPECT_EQ(Peek32(A(7) + 2), kCodeAddress);
      EXPECT_EQ(g_cpu68kContext.irqPending & 7, 0u);
    } else {
      EXPECT_EQ(cycles, 0);
      EXPECT_EQ(Pc(), kCodeAddress);
      EXPECT_EQ(g_cpu68kContext.irqPending, c.level);
    }
  }
}

TEST_F(Cpu68kRunLoop, InterruptVectorComesFromVbr) {
  Code({0x4E71});
  g_cpu68kContext.srSys = 0x25;
  g_cpu68kContext.vbr = 0x4000;
  Poke32(0x4000 + 30 * 4, 0x6000);
  Cpu68kSetIrq(6);
  EXPECT_EQ(Run(-1), 46);
  EXPECT_EQ(Pc(), 0x6000u);
}

TEST_F(Cpu68kRunLoop, InterruptIsTakenOnce) {
  Code({0x4E71});
  Poke16(kVectorBase + 0x10 * 30, 0x4E71);
  g_cpu68kContext.srSys = 0x20;
  Cpu68kSetIrq(6);
  EXPECT_EQ(Run(0), 46);  // taken; the budget is spent before the handler runs
  g_cpu68kContext.srSys = 0x20;
  const u32 sp = A(7);
  EXPECT_EQ(Run(0), 4);  // nothing pending any more
  EXPECT_EQ(A(7), sp);
}

TEST_F(Cpu68kRunLoop, InterruptInUserModeSwitchesStacks) {
  Code({0x4E71});
  g_cpu68kContext.srSys = 0x00;
  A(7) = kUserStack;
  g_cpu68kContext.ssp = kSupervisorStack;
  Cpu68kSetIrq(4);
  Run(-1);
  EXPECT_EQ(g_cpu68kContext.usp, kUserStack);
  EXPECT_EQ(A(7), kSupervisorStack - 6);
  EXPECT_EQ(Peek16(A(7)) & 0x2000, 0);  // stacked SR has S clear
  EXPECT_EQ(g_cpu68kContext.ssp, A(7));
  EXPECT_EQ(g_cpu68kContext.srSys & 0x27, 0x24u);
}

TEST_F(Cpu68kRunLoop, AcknowledgeCallbackChoosesTheVector) {
  Code({0x4E71});
  g_cpu68kContext.srSys = 0x20;
  g_cpu68kContext.irqAck = [](u32) -> i32 { return 64; };
  Poke32(64 * 4, 0x7000);
  Cpu68kSetIrq(2);
  EXPECT_EQ(Run(-1), 0);  // vectors above 47 cost nothing
  EXPECT_EQ(Pc(), 0x7000u);
}

// An interrupt whose vector is odd gives way to an address error and ends at
// once, without setting the mask; the run then ends at a counter of zero, as
// after an instruction whose exception met an odd vector. With an even vector
// the same budget goes on into the handler.
TEST_F(Cpu68kRunLoop, OddInterruptVectorEndsTheRunAtZero) {
  struct Case {
    const char* name;
    std::vector<u16> code;
    u32 srSys;
    u32 level;
    bool odd;
    i32 budget;
    i32 returned;
  };
  const Case cases[] = {
      {"at the start of a run", {0x4E71}, 0x20, 5, true, 46, 46},
      {"at the start of a run, budget left", {0x4E71}, 0x20, 5, true, 47, 50},
      {"at the start of a run, even vector", {0x4E71}, 0x20, 5, false, 46, 50},
      {"after MOVE #$2000,SR", {0x46FC, 0x2000}, 0x27, 4, true, 12 + 46, 12 + 46},
      {"after MOVE #$2000,SR, even vector", {0x46FC, 0x2000}, 0x27, 4, false, 58, 62},
      {"in STOP #$2000", {0x4E72, 0x2000}, 0x27, 4, true, 46, 46},
      {"in STOP #$2000, even vector", {0x4E72, 0x2000}, 0x27, 4, false, 46, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const u32 vector = 24 + c.level;
    const u32 handler = kVectorBase + 0x10 * vector;
    const u32 addressError = kVectorBase + 0x10 * 3;
    Poke16(handler, 0x4E71);
    Poke16(addressError, 0x4E71);
    if (c.odd) Poke32(vector * 4, handler + 1);
    u32 at = kCodeAddress;
    for (u16 w : c.code) {
      Poke16(at, w);
      at += 2;
    }
    g_cpu68kContext.srSys = c.srSys;
    Cpu68kSetIrq(c.level);
    EXPECT_EQ(Run(c.budget), c.returned);
    const u32 stop = c.odd ? addressError : handler;
    EXPECT_EQ(Pc(), c.returned > c.budget ? stop + 2 : stop);
    EXPECT_EQ(A(7), kSupervisorStack - (c.odd ? 12 : 6));
    EXPECT_EQ(g_cpu68kContext.srSys & 7, c.odd ? 0 : c.level);
  }
}

// --- Exceptions -------------------------------------------------------------

using Cpu68kExceptions = CpuTest;

TEST_F(Cpu68kExceptions, CycleTable) {
  for (int v : {0, 1, 2, 3, 9, 12, 15, 23}) EXPECT_EQ(g_cpu68kExceptionCycles[v], 0) << v;
  EXPECT_EQ(g_cpu68kExceptionCycles[4], 38);
  EXPECT_EQ(g_cpu68kExceptionCycles[5], 42);
  EXPECT_EQ(g_cpu68kExceptionCycles[6], 44);
  EXPECT_EQ(g_cpu68kExceptionCycles[24], 46);
  EXPECT_EQ(g_cpu68kExceptionCycles[31], 46);
  EXPECT_EQ(g_cpu68kExceptionCycles[47], 38);
}

TEST_F(Cpu68kExceptions, IllegalOpcodeStacksItsOwnAddress) {
  Code({0x4AFC});
  SetFlags("XC");
  EXPECT_EQ(Step(), 38);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 4);
  EXPECT_EQ(A(7), kSupervisorStack - 6);
  EXPECT_EQ(Peek16(A(7)), 0x2711);
  EXPECT_EQ(Peek32(A(7) + 2), kCodeAddress);
  EXPECT_EQ(Flags(), "XC");  // flags leave exception processing as they came
}

TEST_F(Cpu68kExceptions, OddVectorStacksAnAddressError) {
  Code({0x4AFC});
  Poke32(4 * 4, 0x20001);
  EXPECT_EQ(Step(), 38);
  EXPECT_EQ(A(7), kSupervisorStack - 12);
  EXPECT_EQ(Peek32(A(7) + 2), 0x1FFFFu);      // second frame: odd value - 2
  EXPECT_EQ(Peek16(A(7)) & 0x2000, 0x2000);   // with S set
  EXPECT_EQ(Peek32(A(7) + 8), kCodeAddress);  // first frame as usual
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 3);
}

TEST_F(Cpu68kExceptions, OddAddressErrorVectorDoesNotLoop) {
  Code({0x60FF, 0x0000});  // BRA.S to an odd address
  Poke32(3 * 4, 0x30001);
  EXPECT_EQ(Step(), 10);
  EXPECT_EQ(Pc(), 0x30000u);
}

TEST_F(Cpu68kExceptions, OddBranchTargetRaisesAddressError) {
  Code({0x60FF});  // BRA.S with displacement -1: target 0x1001
  EXPECT_EQ(Step(), 10);
  EXPECT_EQ(Pc(), kVectorBase + 0x10 * 3);
  EXPECT_EQ(Peek32(A(7) + 2), 0x1001u - 2);
  EXPECT_EQ(PcBaseCalls(), 1);  // only the handler's base, never the odd one
}

TEST_F(Cpu68kExceptions, ReturnAddressesCarryTheTopByteOfPcFull) {
  // Reaching code through a vector with a top byte of 0xFF: BSR then
  // pushes return addresses with that byte, and the PC itself is 24 bits.
  Code({0x4AFC});
  Poke32(4 * 4, 0xFF200000);
  Poke16(0x200000, 0x6100);  // BSR.W
  Poke16(0x200002, 0x0010);
  Step();
  EXPECT_EQ(Pc(), 0x200000u);
  EXPECT_EQ(g_cpu68kContext.pcFull, 0xFF200000u);
  Step();
  EXPECT_EQ(Pc(), 0x200012u);
  EXPECT_EQ(Peek32(A(7)), 0xFF200004u);
}

// --- Effective addresses ----------------------------------------------------

using Cpu68kEa = CpuTest;

TEST_F(Cpu68kEa, ModesAndTheirCosts) {
  // MOVE.W <ea>,D0 and MOVE.L <ea>,D0: 4 + the mode's cost.
  struct Case {
    u16 sourceField;
    std::vector<u16> ext;
    i32 word, longw;
  };
  const Case cases[] = {
      {0x01, {}, 4, 4},             // Dn
      {0x09, {}, 4, 4},             // An
      {0x10, {}, 8, 12},            // (A0)
      {0x18, {}, 8, 12},            // (A0)+
      {0x20, {}, 10, 14},           // -(A0)
      {0x28, {0x10}, 12, 16},       // d16(A0)
      {0x30, {0x1000}, 14, 18},     // d8(A0,D1)
      {0x38, {0x3000}, 12, 16},     // abs.W
      {0x39, {0, 0x3000}, 16, 20},  // abs.L
      {0x3A, {0x10}, 12, 16},       // d16(PC)
      {0x3B, {0x1000}, 14, 18},     // d8(PC,D1)
  };
  for (const Case& c : cases) {
    for (bool isLong : {false, true}) {
      const u16 op = static_cast<u16>((isLong ? 0x2000 : 0x3000) | c.sourceField);
      Poke16(kCodeAddress, op);
      for (size_t i = 0; i < c.ext.size(); ++i) Poke16(kCodeAddress + 2 + 2 * i, c.ext[i]);
      SetPc(kCodeAddress);
      A(0) = 0x3000;
      EXPECT_EQ(Step(), isLong ? c.longw : c.word) << std::hex << op;
      EXPECT_EQ(Pc(), kCodeAddress + 2 + 2 * c.ext.size());
    }
  }
  // Immediates: word and long, and cost nothing.
  Code({0x303C, 0x1234});
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(D(0) & 0xFFFF, 0x1234u);
  Code({0x203C, 0x1234, 0x5678});
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(D(0), 0x12345678u);
}

TEST_F(Cpu68kEa, IndexWordForms) {
  struct Case {
    u16 ext;
    u32 address;
  };
  // D1 = 0x0001FFFF: as a word it is -1, as a long 0x1FFFF.
  const Case cases[] = {
      {0x1000, 0x2FFF},   // D1.W, d8 0
      {0x1800, 0x22FFF},  // D1.L
      {0x1702, 0x3001},   // bits 10-8 change nothing; d8 = 2
      {0x10FE, 0x2FFD},   // d8 = -2
      {0x9000, 0x6000},   // A1.W as the index
  };
  for (const Case& c : cases) {
    Code({0x41F0, c.ext});  // LEA d8(A0,Xn),A0
    A(0) = 0x3000;
    D(1) = 0x0001FFFF;
    A(1) = 0x3000;
    Step();
    EXPECT_EQ(A(0), c.address) << std::hex << c.ext;
  }
}

TEST_F(Cpu68kEa, PcRelativeBaseIsTheExtensionWord) {
  Code({0x303A, 0x0010});  // MOVE.W d16(PC),D0: base 0x1002
  Poke16(0x1012, 0xABCD);
  Step();
  EXPECT_EQ(D(0) & 0xFFFF, 0xABCDu);
  // After an immediate, the base is the displacement word's own address.
  Code({0x43FB, 0x1004});  // LEA d8(PC,D1.W),A1
  D(1) = 2;
  Step();
  EXPECT_EQ(A(1), 0x1002u + 2 + 4);
}

TEST_F(Cpu68kEa, OperandsGoThroughTheBusOncePerAccess) {
  Code({0x2010});  // MOVE.L (A0),D0: one long read
  A(0) = 0x3001;   // odd addresses go to the bus as computed
  Step();
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0], (BusAccess{'r', 4, 0x3001, 0}));
}

}  // namespace

namespace {

// Reset reads its vectors through the console bus itself.
TEST(Cpu68kReset, ReadsVectorsAndKeepsTheRest) {
  CoreInit();
  std::vector<u8> image(0x400, 0);
  auto put32 = [&](u32 at, u32 v) {  // host-word form: bytes swapped in pairs
    const u8 b[4] = {u8(v >> 24), u8(v >> 16), u8(v >> 8), u8(v)};
    for (u32 i = 0; i < 4; ++i) image[(at + i) ^ 1] = b[i];
  };
  put32(0, 0x00FF8000);
  put32(4, 0x00000200);
  Cpu68kContext& c = g_cpu68kContext;
  c.d[3] = 0x33;
  c.a[2] = 0x22;
  c.ccrHost = g_cpu68kCcrToHost[0x1F];
  c.srSys = 0x00;
  c.irqPending = 4;
  CoreLoadRom(image.data(), static_cast<u32>(image.size()));
  EXPECT_EQ(c.srSys, 0x27u);
  EXPECT_EQ(c.a[7], 0x00FF8000u);
  EXPECT_EQ(c.pc, 0x200u);
  EXPECT_EQ(c.d[3], 0x33u);
  EXPECT_EQ(c.a[2], 0x22u);
  EXPECT_EQ(c.ccrHost, g_cpu68kCcrToHost[0x1F]);
  EXPECT_EQ(c.irqPending, 4u);
  CoreLoadRom(nullptr, 0);
  EXPECT_EQ(c.a[7], 0u);
  EXPECT_EQ(c.pc, 0u);
  CoreShutdown();
}

}  // namespace

namespace {

TEST_F(Cpu68kRunLoop, DbccLoopKeepsItsBaseInsideTheWindow) {
  // DBF D0,* : loops without a new fetch base while the target is mapped,
  // and gets one when the displacement leaves the mapped window.
  Code({0x51C8, 0xFFFE});
  D(0) = 3;
  Step();
  EXPECT_EQ(Pc(), kCodeAddress);
  EXPECT_EQ(PcBaseCalls(), 0);
  Code({0x51C8, 0x8000}, kCodeAddress + 0x10);  // back by 32 KB: below the window
  g_cpu68kPcLow = kCodeAddress;
  g_cpu68kPcSpan = 0x100;
  EXPECT_EQ(Step(), 10);
  EXPECT_EQ(Pc(), (kCodeAddress + 0x12 - 0x8000) & 0xFFFFFF);
  EXPECT_EQ(PcBaseCalls(), 1);
}

}  // namespace
