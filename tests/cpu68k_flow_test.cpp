// Program control and system instructions: branches, jumps and returns,
// traps and privilege, STOP and RESET, the SR and CCR writes, the 68010 gate.
#include <vector>

#include "cpu68k/cpu68k_core.h"
#include "cpu68k/ops_flow.h"
#include "support/cpu_fixture.h"

namespace {

class FlowTest : public CpuTest {
 protected:
  static constexpr u32 kData = 0x2000;  // A0 points here unless a case says otherwise
  static constexpr u32 kFrame = kSupervisorStack - 6;

  void SetUp() override {
    CpuTest::SetUp();
    // pcFull survives Cpu68kInit, so a previous test could leave a top byte.
    g_cpu68kContext.pcFull = 0;
  }

  // A clean machine again, for tables that run several cases in one test.
  void Fresh() {
    TearDown();
    SetUp();
  }

  void Load(const std::vector<u16>& words, u32 address = kCodeAddress) {
    for (size_t i = 0; i < words.size(); ++i) Poke16(address + 2 * static_cast<u32>(i), words[i]);
    SetPc(address);
  }

  // User mode with the user stack active.
  void UserMode() {
    g_cpu68kContext.srSys = 0x00;
    A(7) = kUserStack;
    g_cpu68kContext.ssp = kSupervisorStack;
  }

  static u32 Vector(u32 n) { return kVectorBase + 0x10 * n; }

  void ExpectFrame(u32 sp, u16 sr, u32 pc) {
    EXPECT_EQ(Peek16(sp), sr) << "stacked SR";
    EXPECT_EQ(Peek32(sp + 2), pc) << "stacked PC";
  }
};

// The conditions as the 68000 defines them, from a CCR value X N Z V C.
bool ConditionHolds(int cc, u32 ccr) {
  const bool c = ccr & 1, v = ccr & 2, z = ccr & 4, n = ccr & 8;
  const bool table[16] = {true, false, !c && !z, c || z, !c,     c,      !z,           z,
                          !v,   v,     !n,       n,      n == v, n != v, !z && n == v, z || n != v};
  return table[cc];
}

TEST_F(FlowTest, BccSccAndDbccFollowEveryConditionOnEveryFlagCombination) {
  for (int cc = 0; cc < 16; ++cc) {
    for (u32 ccr = 0; ccr < 16; ++ccr) {
      SCOPED_TRACE(testing::Message() << "cc " << cc << " ccr " << ccr);
      const bool holds = ConditionHolds(cc, ccr);
      const u16 sr = static_cast<u16>(0x2700 | ccr);
      const u16 ccBits = static_cast<u16>(cc << 8);

      if (cc != 1) {  // condition 1 is BSR
        Load({static_cast<u16>(0x6010 | ccBits)});
        SetSr(sr);
        EXPECT_EQ(Step(), holds ? 10 : 8);
        EXPECT_EQ(Pc(), holds ? 0x1012u : 0x1002u);
      }

      Load({static_cast<u16>(0x50C0 | ccBits)});  // Scc D0
      SetSr(sr);
      D(0) = 0x12345678;
      EXPECT_EQ(Step(), holds ? 6 : 4);
      EXPECT_EQ(D(0), holds ? 0x123456FFu : 0x12345600u);
      EXPECT_EQ(Sr(), sr);

      Load({static_cast<u16>(0x50C8 | ccBits), 0xFFF0});  // DBcc D0,*-14
      SetSr(sr);
      D(0) = 0x00010005;
      const i32 cycles = Step();
      if (holds) {
        EXPECT_EQ(cycles, 12);
        EXPECT_EQ(D(0), 0x00010005u);
        EXPECT_EQ(Pc(), 0x1004u);
      } else {
        EXPECT_EQ(cycles, 10);
        EXPECT_EQ(D(0), 0x00010004u);
        EXPECT_EQ(Pc(), 0x0FF2u);
      }
    }
  }
}

struct BranchCase {
  const char* name;
  std::vector<u16> code;
  const char* flags;
  u32 pc;
  i32 cycles;
  u32 pushed;  // return address on the stack, 0 for none
};

TEST_F(FlowTest, BranchesMoveThePcAndChargeTheirCosts) {
  const BranchCase cases[] = {
      {"BNE.W not taken", {0x6600, 0x0010}, "Z", 0x1004, 8, 0},
      {"BNE.W taken", {0x6600, 0x0010}, "", 0x1012, 10, 0},
      {"BNE.S not taken", {0x6610}, "Z", 0x1002, 8, 0},
      {"BRA.S backwards", {0x60FC}, "", 0x0FFE, 10, 0},
      {"BRA.W backwards", {0x6000, 0xFF00}, "", 0x0F02, 10, 0},
      {"BSR.S", {0x6110}, "", 0x1012, 18, 0x1002},
      {"BSR.W", {0x6100, 0x0100}, "", 0x1102, 18, 0x1004},
  };
  for (const BranchCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    SetFlags(c.flags);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Pc(), c.pc);
    // Every target lies inside the window the fetch base maps: no new base.
    EXPECT_EQ(PcBaseCalls(), 0);
    if (c.pushed) {
      EXPECT_EQ(A(7), kSupervisorStack - 4);
      EXPECT_EQ(Peek32(A(7)), c.pushed);
    } else {
      EXPECT_EQ(A(7), kSupervisorStack);
    }
  }
}

struct OddTargetCase {
  const char* name;
  std::vector<u16> code;
  const char* flags;
  u32 a0;
  u32 stackTop;  // long at the stack pointer, for the returns
  i32 cycles;
  u32 stackedPc;
  u32 frame;   // where the address-error frame lies
  u32 pushed;  // return address left below it, 0 for none
};

TEST_F(FlowTest, OddTargetRaisesTheAddressErrorAndChargesTheInstruction) {
  const OddTargetCase cases[] = {
      {"BRA.S", {0x60FF}, "", 0, 0, 10, 0x0FFF, kFrame, 0},
      {"BEQ.W taken", {0x6700, 0x0003}, "Z", 0, 0, 10, 0x1003, kFrame, 0},
      {"BSR.S", {0x61FF}, "", 0, 0, 18, 0x0FFF, kFrame - 4, 0x1002},
      {"JMP (A0)", {0x4ED0}, "", 0x2001, 0, 16, 0x1FFF, kFrame, 0},
      {"JSR (A0)", {0x4E90}, "", 0x2001, 0, 24, 0x1FFF, kFrame - 4, 0x1002},
      {"RTS", {0x4E75}, "", 0, 0x3001, 16, 0x2FFF, kFrame + 4, 0},
  };
  for (const OddTargetCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    SetFlags(c.flags);
    A(0) = c.a0;
    Poke32(kSupervisorStack, c.stackTop);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Pc(), Vector(3));
    EXPECT_EQ(A(7), c.frame);
    ExpectFrame(c.frame, Sr(), c.stackedPc);
    if (c.pushed) {
      EXPECT_EQ(Peek32(c.frame + 6), c.pushed);
    }
    // Only exception processing set a fetch base, that of the handler.
    EXPECT_EQ(PcBaseCalls(), 1);
  }
}

TEST_F(FlowTest, ReturnAddressesCarryTheTopByteOfTheLastJump) {
  Load({0x4EF8, 0x8000});    // JMP $FFFF8000.W
  Load({0x6104}, 0xFF8000);  // BSR.S *+6
  Poke16(0xFF8006, 0x4E75);  // RTS
  Poke16(0xFF8002, 0x4E90);  // JSR (A0)
  SetPc(kCodeAddress);
  A(0) = 0x3000;

  EXPECT_EQ(Step(), 22);
  EXPECT_EQ(Pc(), 0xFF8000u);
  EXPECT_EQ(g_cpu68kContext.pcFull, 0xFFFF8000u);

  EXPECT_EQ(Step(), 18);
  EXPECT_EQ(Pc(), 0xFF8006u);
  EXPECT_EQ(Peek32(A(7)), 0xFFFF8002u);

  EXPECT_EQ(Step(), 16);
  EXPECT_EQ(Pc(), 0xFF8002u);
  EXPECT_EQ(g_cpu68kContext.pcFull, 0xFFFF8002u);

  EXPECT_EQ(Step(), 24);
  EXPECT_EQ(Pc(), 0x3000u);
  EXPECT_EQ(Peek32(A(7)), 0xFFFF8004u);
}

struct WindowCase {
  const char* name;
  std::vector<u16> code;
  u32 target;  // A0 and the long on the stack hold it too
  int baseCalls;
};

TEST_F(FlowTest, BranchesJumpsAndRtsTakeANewBaseOnlyOutsideTheMappedWindow) {
  // The window covers 0x1000-0x10FF; its base serves every target inside.
  const WindowCase cases[] = {
      {"BRA.S inside", {0x6010}, 0x1012, 0},
      {"BRA.W past the end", {0x6000, 0x0100}, 0x1102, 1},
      {"BSR.W below the start", {0x6100, 0xFF00}, 0x0F02, 1},
      {"JMP (A0) inside", {0x4ED0}, 0x1080, 0},
      {"JSR (A0) outside", {0x4E90}, 0x3000, 1},
      {"RTS inside", {0x4E75}, 0x10FE, 0},
      {"RTS, top byte set: inside once cut", {0x4E75}, 0xFF001000, 0},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    g_cpu68kPcLow = kCodeAddress;
    g_cpu68kPcSpan = 0x100;
    A(0) = c.target;
    Poke32(kSupervisorStack, c.target);
    Step();
    EXPECT_EQ(Pc(), c.target & 0xFFFFFF);
    EXPECT_EQ(g_cpu68kContext.pcFull, c.target);
    EXPECT_EQ(PcBaseCalls(), c.baseCalls);
  }
}

struct JumpCase {
  const char* mode;
  std::vector<u16> code;  // JMP; JSR is the same with bit 6 clear
  u32 target;
  i32 jmpCycles;
  u32 returnAddress;
};

TEST_F(FlowTest, JmpAndJsrCostsByMode) {
  const JumpCase cases[] = {
      {"(A0)", {0x4ED0}, 0x2000, 16, 0x1002},
      {"d16(A0)", {0x4EE8, 0x0010}, 0x2010, 22, 0x1004},
      {"d8(A0,D1.W)", {0x4EF0, 0x1004}, 0x2006, 28, 0x1004},
      {"abs.W", {0x4EF8, 0x3000}, 0x3000, 22, 0x1004},
      {"abs.L", {0x4EF9, 0x0002, 0x0000}, 0x20000, 26, 0x1006},
      {"d16(PC)", {0x4EFA, 0x0100}, 0x1102, 22, 0x1004},
      {"d8(PC,D1.W)", {0x4EFB, 0x1010}, 0x1014, 24, 0x1004},
  };
  for (const JumpCase& c : cases) {
    for (bool jsr : {false, true}) {
      SCOPED_TRACE(testing::Message() << (jsr ? "JSR " : "JMP ") << c.mode);
      Fresh();
      std::vector<u16> code = c.code;
      if (jsr) code[0] &= ~0x40;
      Load(code);
      A(0) = 0x2000;
      D(1) = 0xFFFF0002;  // .W index: +2
      EXPECT_EQ(Step(), c.jmpCycles + (jsr ? 8 : 0));
      EXPECT_EQ(Pc(), c.target);
      EXPECT_EQ(PcBaseCalls(), 0);
      if (jsr) {
        EXPECT_EQ(A(7), kSupervisorStack - 4);
        EXPECT_EQ(Peek32(A(7)), c.returnAddress);
      } else {
        EXPECT_EQ(A(7), kSupervisorStack);
      }
    }
  }
}

TEST_F(FlowTest, DbfCountsTheLowWordAndLoopsWithoutANewFetchBase) {
  Load({0x51C8, 0x0010});  // DBF D0,*+18
  D(0) = 0xABCD0000;
  EXPECT_EQ(Step(), 12);
  EXPECT_EQ(D(0), 0xABCDFFFFu);
  EXPECT_EQ(Pc(), 0x1004u);

  Load({0x51C8, 0x0010});
  D(0) = 0xABCD0005;
  EXPECT_EQ(Step(), 10);
  EXPECT_EQ(D(0), 0xABCD0004u);
  EXPECT_EQ(Pc(), 0x1012u);

  // A loop onto itself, three times round and out.
  Load({0x51C8, 0xFFFE, 0x4E71});
  D(0) = 3;
  g_cpu68kContext.pcFull = 0x00001000;
  ClearLog();
  EXPECT_EQ(Run(41), 42);
  EXPECT_EQ(D(0), 0xFFFFu);
  EXPECT_EQ(Pc(), 0x1004u);
  EXPECT_EQ(PcBaseCalls(), 0);
  EXPECT_EQ(g_cpu68kContext.pcFull, 0x00001000u);
}

struct SccCase {
  const char* name;
  std::vector<u16> code;
  const char* flags;
  u32 address;
  u8 value;
  i32 cycles;
  int reg;  // address register stepped, -1 for none
  u32 regAfter;
};

TEST_F(FlowTest, SccMemoryFormsWriteOnceWithoutReading) {
  const SccCase cases[] = {
      {"SEQ (A0)", {0x57D0}, "Z", 0x2000, 0xFF, 12, -1, 0},
      {"SEQ (A0)+", {0x57D8}, "", 0x2000, 0x00, 12, 0, 0x2001},
      {"SNE (A7)+", {0x56DF}, "", kSupervisorStack, 0xFF, 12, 7, kSupervisorStack + 2},
      {"ST -(A7)", {0x50E7}, "", kSupervisorStack - 2, 0xFF, 14, 7, kSupervisorStack - 2},
      {"SF d16(A0)", {0x51E8, 0x0010}, "", 0x2010, 0x00, 16, -1, 0},
      {"SHI abs.L", {0x52F9, 0x0003, 0x0000}, "", 0x30000, 0xFF, 20, -1, 0},
  };
  for (const SccCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    SetFlags(c.flags);
    A(0) = 0x2000;
    Poke8(c.address, 0x5A);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Log(), (std::vector<BusAccess>{{'w', 1, c.address, c.value}}));
    EXPECT_EQ(Peek8(c.address), c.value);
    EXPECT_EQ(Flags(), c.flags);
    if (c.reg >= 0) {
      EXPECT_EQ(A(c.reg), c.regAfter);
    }
  }
}

struct ExceptionCase {
  const char* name;
  std::vector<u16> code;
  bool user;
  const char* flags;
  u32 d0, d1;
  u32 cpuModel;
  u32 vector;
  u32 stackedPc;
  u16 stackedCcr;
  i32 cycles;
};

TEST_F(FlowTest, ExceptionsStackTheRightPcAndChargeBothCosts) {
  const ExceptionCase cases[] = {
      {"TRAP #3", {0x4E43}, false, "", 0, 0, 0, 35, 0x1002, 0x00, 38},
      {"TRAP #15 in user mode", {0x4E4F}, true, "", 0, 0, 0, 47, 0x1002, 0x00, 38},
      {"TRAPV with V", {0x4E76}, false, "V", 0, 0, 0, 7, 0x1002, 0x02, 42},
      {"CHK D1,D0 below zero", {0x4181}, false, "", 0xFFFF, 3, 0, 6, 0x1002, 0x08, 54},
      {"CHK D1,D0 above the bound", {0x4181}, false, "XNZVC", 5, 3, 0, 6, 0x1002, 0x15, 54},
      {"CHK #5,D0", {0x41BC, 0x0005}, false, "", 0x70007, 0, 0, 6, 0x1004, 0x00, 54},
      {"ILLEGAL", {0x4AFC}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      {"line A", {0xA123}, false, "", 0, 0, 0, 10, 0x1000, 0x00, 38},
      {"line F", {0xF123}, true, "", 0, 0, 0, 11, 0x1000, 0x00, 38},
      // The 68010 instructions on a 68000.
      {"RTD", {0x4E74, 0x0008}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      {"MOVEC VBR,D0", {0x4E7A, 0x0801}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      {"MOVEC D0,VBR", {0x4E7B, 0x0801}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      {"MOVE CCR,D0", {0x42C0}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      {"MOVE CCR,abs.L", {0x42F9, 0x0000, 0x2000}, false, "", 0, 0, 0, 4, 0x1000, 0x00, 38},
      // Privilege violations: the opcode's own address, no operand read.
      {"MOVE #imm,SR", {0x46FC, 0x2700}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 50},
      {"MOVE (A0),SR", {0x46D0}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 54},
      {"RTE", {0x4E73}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 58},
      {"ANDI #imm,SR", {0x027C, 0x0000}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 58},
      {"ORI #imm,SR", {0x007C, 0x0700}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 58},
      {"EORI #imm,SR", {0x0A7C, 0x2000}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 58},
      {"STOP", {0x4E72, 0x2000}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 42},
      {"RESET", {0x4E70}, true, "", 0, 0, 0, 8, 0x1000, 0x00, 170},
      {"MOVEC on a 68010", {0x4E7A, 0x0801}, true, "", 0, 0, 1, 8, 0x1000, 0x00, 42},
  };
  for (const ExceptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    if (c.user) UserMode();
    SetFlags(c.flags);
    D(0) = c.d0;
    D(1) = c.d1;
    A(0) = kData;
    g_cpu68kContext.cpuModel = c.cpuModel;
    const u16 sr = static_cast<u16>(c.user ? 0x0000 : 0x2700);

    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Pc(), Vector(c.vector));
    EXPECT_EQ(A(7), kFrame);
    ExpectFrame(kFrame, sr | c.stackedCcr, c.stackedPc);
    EXPECT_EQ(Sr() & 0xFF00, sr | 0x2000);
    if (c.user) {
      EXPECT_EQ(g_cpu68kContext.usp, kUserStack);
    }
    for (const BusAccess& a : Log()) EXPECT_NE(a.address, kData) << "operand touched";
  }
}

TEST_F(FlowTest, OddVectorSkipsTheRaisingInstructionsOwnCharge) {
  struct Case {
    const char* name;
    std::vector<u16> code;
    bool user;
    const char* flags;
    u32 vector;
    i32 cycles;
  };
  const Case cases[] = {
      {"TRAPV", {0x4E76}, false, "V", 7, 38},
      {"CHK", {0x4181}, false, "", 6, 44},
      {"MOVE #imm,SR in user mode", {0x46FC, 0x2000}, true, "", 8, 38},
      {"STOP in user mode", {0x4E72, 0x2000}, true, "", 8, 38},
      {"RESET in user mode", {0x4E70}, true, "", 8, 38},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    if (c.user) UserMode();
    SetFlags(c.flags);
    D(0) = 0xFFFF;  // CHK: below zero
    const u32 odd = Vector(c.vector) | 1;
    Poke32(c.vector * 4, odd);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Pc(), Vector(3));
    EXPECT_EQ(A(7), kFrame - 6);
    EXPECT_EQ(Peek32(kFrame - 4), odd - 2);
  }
}

TEST_F(FlowTest, TrapEndsARunThatReachesZeroAndTrapvReturnsPastItself) {
  Load({0x4E43});
  Poke16(Vector(35), 0x4E71);
  EXPECT_EQ(Run(38), 38);
  EXPECT_EQ(Pc(), Vector(35));

  Fresh();
  Load({0x4AFC});
  Poke16(Vector(4), 0x4E71);
  EXPECT_EQ(Run(38), 38);
  EXPECT_EQ(Pc(), Vector(4));

  Fresh();
  Load({0x4E76, 0x4E71});
  Poke16(Vector(7), 0x4E73);  // RTE
  SetFlags("V");
  EXPECT_EQ(Step(), 42);
  EXPECT_EQ(Step(), 20);
  EXPECT_EQ(Pc(), 0x1002u);
  EXPECT_EQ(A(7), kSupervisorStack);

  Fresh();
  Load({0x4E76});
  EXPECT_EQ(Step(), 4);  // V clear
  EXPECT_EQ(Pc(), 0x1002u);
}

TEST_F(FlowTest, ChkWithinTheBoundChargesOnlyItsCost) {
  Load({0x4181});  // CHK D1,D0
  D(0) = 5;
  D(1) = 5;
  SetFlags("XZ");
  EXPECT_EQ(Step(), 10);
  EXPECT_EQ(Pc(), 0x1002u);

  Load({0x4190});  // CHK (A0),D0
  A(0) = kData;
  Poke16(kData, 0x0010);
  EXPECT_EQ(Step(), 14);
  EXPECT_EQ(Pc(), 0x1002u);
  EXPECT_EQ(Flags(), "XZ");
}

TEST_F(FlowTest, StopEndsTheRunAtMinusFourOrTakesTheInterrupt) {
  Load({0x4E72, 0x2000, 0x4E71});  // STOP #$2000; NOP
  EXPECT_EQ(Run(100), 104);
  EXPECT_EQ(Pc(), 0x1004u);
  EXPECT_EQ(Sr(), 0x2000);
  EXPECT_EQ(Step(), 4);  // no stopped state: the next run goes on after it
  EXPECT_EQ(Pc(), 0x1006u);

  // A level the old mask held back and the new one lets through.
  Fresh();
  Load({0x4E72, 0x2000});
  Cpu68kSetIrq(4);
  EXPECT_EQ(Step(), 46);
  EXPECT_EQ(Pc(), Vector(28));
  ExpectFrame(kFrame, 0x2000, 0x1004);
  EXPECT_EQ(Sr(), 0x2400);
  EXPECT_EQ(g_cpu68kContext.irqPending & 7, 0u);

  // Still masked: it waits.
  Fresh();
  Load({0x4E72, 0x2700});
  Cpu68kSetIrq(4);
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(Pc(), 0x1004u);
  EXPECT_EQ(g_cpu68kContext.irqPending, 4u);

  // Into user mode.
  Fresh();
  Load({0x4E72, 0x0000});
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(Sr(), 0x0000);
  EXPECT_EQ(A(7), kUserStack);
  EXPECT_EQ(g_cpu68kContext.ssp, kSupervisorStack);
}

struct StatusCase {
  const char* name;
  std::vector<u16> code;
  u16 sr;
  u16 data;  // word at kData
  u16 srAfter;
  i32 cycles;
  bool user;  // stacks changed over to the user stack
};

TEST_F(FlowTest, StatusRegisterWrites) {
  const StatusCase cases[] = {
      {"MOVE #$3F00,SR", {0x46FC, 0x3F00}, 0x2700, 0, 0x3F00, 12, false},
      {"MOVE #$0700,SR", {0x46FC, 0x0700}, 0x2700, 0, 0x0700, 12, true},
      {"MOVE D0,SR", {0x46C0}, 0x2700, 0, 0x2015, 12, false},
      {"MOVE (A0),SR", {0x46D0}, 0x2700, 0x251F, 0x251F, 16, false},
      {"MOVE #$1F,CCR", {0x44FC, 0x001F}, 0x2700, 0, 0x271F, 12, false},
      {"MOVE D0,CCR", {0x44C0}, 0x271F, 0, 0x2715, 12, false},
      {"MOVE (A0),CCR", {0x44D0}, 0x2700, 0xFFEA, 0x270A, 16, false},
      {"ANDI #$11,CCR", {0x023C, 0x0011}, 0x271F, 0, 0x2711, 20, false},
      {"ORI #$FF,CCR", {0x003C, 0x00FF}, 0x2700, 0, 0x271F, 20, false},
      {"EORI #$FF05,CCR", {0x0A3C, 0xFF05}, 0x2715, 0, 0x2710, 20, false},
      {"ANDI #$F8FF,SR", {0x027C, 0xF8FF}, 0x2715, 0, 0x2015, 20, false},
      {"ORI #$1800,SR", {0x007C, 0x1800}, 0x2700, 0, 0x3F00, 20, false},
      {"EORI #$2000,SR", {0x0A7C, 0x2000}, 0x2704, 0, 0x0704, 20, true},
  };
  for (const StatusCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load(c.code);
    SetSr(c.sr);
    D(0) = 0xFFFF2015;
    A(0) = kData;
    Poke16(kData, c.data);
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Sr(), c.srAfter);
    EXPECT_EQ(Pc(), kCodeAddress + 2 * static_cast<u32>(c.code.size()));
    EXPECT_EQ(A(7), c.user ? kUserStack : kSupervisorStack);
    EXPECT_EQ(g_cpu68kContext.ssp, kSupervisorStack);
  }
}

TEST_F(FlowTest, MoveFromSrReadsBackEveryHighBit) {
  Load({0x46FC, 0x3F00, 0x40C0, 0x40D0, 0x40F9, 0x0000, 0x2002});
  D(0) = 0xABCD1234;
  A(0) = kData;
  EXPECT_EQ(Step(), 12);
  SetFlags("XC");
  EXPECT_EQ(Step(), 6);  // MOVE SR,D0
  EXPECT_EQ(D(0), 0xABCD3F11u);
  EXPECT_EQ(Step(), 12);  // MOVE SR,(A0)
  EXPECT_EQ(Log(), (std::vector<BusAccess>{{'w', 2, kData, 0x3F11}}));
  EXPECT_EQ(Step(), 20);  // MOVE SR,abs.L
  EXPECT_EQ(Peek16(kData + 2), 0x3F11);
}

TEST_F(FlowTest, Returns) {
  constexpr u32 kSp = 0x7000;
  struct Case {
    const char* name;
    u16 opcode;
    u16 word;  // at the stack pointer (RTR, RTE)
    u32 pc;    // the long after it (RTS: at the stack pointer)
    u16 srAfter;
    u32 a7After;
    i32 cycles;
  };
  const Case cases[] = {
      {"RTS", 0x4E75, 0, 0x2000, 0x2700, kSp + 4, 16},
      {"RTR", 0x4E77, 0xFF15, 0x2000, 0x2715, kSp + 6, 20},
      {"RTE to supervisor mode", 0x4E73, 0x2504, 0x2000, 0x2504, kSp + 6, 20},
      {"RTE to user mode", 0x4E73, 0x0015, 0x2000, 0x0015, kUserStack, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Load({c.opcode});
    A(7) = kSp;
    if (c.opcode == 0x4E75) {
      Poke32(kSp, c.pc);
    } else {
      Poke16(kSp, c.word);
      Poke32(kSp + 2, c.pc);
    }
    EXPECT_EQ(Step(), c.cycles);
    EXPECT_EQ(Pc(), c.pc);
    EXPECT_EQ(Sr(), c.srAfter);
    EXPECT_EQ(A(7), c.a7After);
    if (c.a7After == kUserStack) {
      EXPECT_EQ(g_cpu68kContext.ssp, kSp + 6);
    }
  }
}

TEST_F(FlowTest, RteToAnOddPcFaultsInTheRestoredMode) {
  Load({0x4E73});
  A(7) = 0x7000;
  Poke16(0x7000, 0x0015);
  Poke32(0x7002, 0x2001);
  EXPECT_EQ(Step(), 20);
  EXPECT_EQ(Pc(), Vector(3));
  // The frame went back onto the supervisor stack it was popped from, and
  // records user mode.
  EXPECT_EQ(A(7), 0x7000u);
  ExpectFrame(0x7000, 0x0015, 0x1FFF);
  EXPECT_EQ(g_cpu68kContext.usp, kUserStack);
  EXPECT_EQ(Sr(), 0x2015);
}

struct UnmaskCase {
  const char* name;
  std::vector<u16> code;
  u32 returnPc;  // RTE frame's PC, 0 for no frame
  i32 cost;
  u32 stackedPc;  // of the interrupt
};

TEST_F(FlowTest, MaskedInterruptIsTakenRightAfterTheMaskIsLowered) {
  const UnmaskCase cases[] = {
      {"MOVE #$2000,SR", {0x46FC, 0x2000}, 0, 12, 0x1004},
      {"ANDI #$F8FF,SR", {0x027C, 0xF8FF}, 0, 20, 0x1004},
      {"EORI #$0700,SR", {0x0A7C, 0x0700}, 0, 20, 0x1004},
      {"RTE", {0x4E73}, 0x3000, 20, 0x3000},
      {"RTE to an odd PC", {0x4E73}, 0x3001, 20, Vector(3)},
      // The CCR writes leave the request waiting.
      {"MOVE to CCR, ANDI to CCR, MOVE to SR",
       {0x44FC, 0x0000, 0x023C, 0x0000, 0x46FC, 0x2000},
       0,
       44,
       0x100C},
  };
  for (const UnmaskCase& c : cases) {
    for (bool enough : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (enough ? "" : ", budget used up"));
      Fresh();
      Load(c.code);
      for (u32 a = 0x3000; a < 0x3010; a += 2) Poke16(a, 0x4E71);
      A(7) = 0x7000;
      Poke16(0x7000, 0x2000);
      Poke32(0x7002, c.returnPc);
      Cpu68kSetIrq(4);
      if (!enough) {
        // The instruction overdraws the budget: the run ends first and the
        // next one takes the interrupt at its start.
        EXPECT_EQ(Run(c.cost - 1), c.cost);
        EXPECT_EQ(g_cpu68kContext.irqPending, 4u);
        EXPECT_EQ(Sr() & 0x0700, 0u);
        EXPECT_EQ(Run(0), 46);
      } else {
        EXPECT_EQ(Run(c.cost), c.cost + 46);
      }
      EXPECT_EQ(Pc(), Vector(28));
      EXPECT_EQ(Peek32(A(7) + 2), c.stackedPc);
      EXPECT_EQ(Sr() & 0x0700, 0x0400);
      EXPECT_EQ(g_cpu68kContext.irqPending & 7, 0u);
    }
  }
}

u32 g_resetCalls;
u32 g_resetSeenPc;
u32 g_resetSeenCcr;
u32 MovingResetHandler() {
  ++g_resetCalls;
  g_resetSeenPc = g_cpu68kContext.pc;
  g_resetSeenCcr = g_cpu68kContext.ccrHost;
  g_cpu68kContext.pc = 0x2000;
  g_cpu68kContext.ccrHost = g_cpu68kCcrToHost[0x04];
  return 0;
}

TEST_F(FlowTest, ResetCallsTheHandlerAndRunsTheNextInstructionAtOnce) {
  // Budget 0: RESET overdraws it, and the NOP after it still runs.
  Load({0x4E70, 0x4E71, 0x4E71});
  EXPECT_EQ(Step(), 136);
  EXPECT_EQ(Pc(), 0x1004u);

  Load({0x4E70, 0x4E71});
  g_cpu68kContext.resetHandler = nullptr;
  EXPECT_EQ(Step(), 136);
  EXPECT_EQ(Pc(), 0x1004u);

  // The handler sees the PC after RESET and the flags; what it leaves in
  // the context is where the processor goes on.
  Load({0x4E70, 0x4E71});
  Poke16(0x2000, 0x4E71);
  SetFlags("NC");
  g_resetCalls = 0;
  g_cpu68kContext.resetHandler = MovingResetHandler;
  EXPECT_EQ(Step(), 136);
  EXPECT_EQ(g_resetCalls, 1u);
  EXPECT_EQ(g_resetSeenPc, 0x1002u);
  EXPECT_EQ(g_resetSeenCcr & (kFlagN | kFlagZ | kFlagV | kFlagC), kFlagN | kFlagC);
  EXPECT_EQ(Pc(), 0x2002u);
  EXPECT_EQ(Flags(), "Z");

  // In user mode the handler is not called.
  Fresh();
  Load({0x4E70});
  UserMode();
  g_resetCalls = 0;
  g_cpu68kContext.resetHandler = MovingResetHandler;
  EXPECT_EQ(Step(), 170);
  EXPECT_EQ(g_resetCalls, 0u);
}

TEST_F(FlowTest, The68010Instructions) {
  g_cpu68kContext.cpuModel = 1;

  Load({0x4E74, 0x0008});  // RTD #8
  A(7) = 0x7000;
  Poke32(0x7000, 0x2000);
  EXPECT_EQ(Step(), 16);
  EXPECT_EQ(Pc(), 0x2000u);
  EXPECT_EQ(A(7), 0x700Cu);

  Load({0x42C0, 0x42D0});  // MOVE CCR,D0; MOVE CCR,(A0)
  SetSr(0x271F);
  D(0) = 0xABCD1234;
  A(0) = kData;
  EXPECT_EQ(Step(), 6);
  EXPECT_EQ(D(0), 0xABCD001Fu);
  EXPECT_EQ(Step(), 12);
  EXPECT_EQ(Log(), (std::vector<BusAccess>{{'w', 2, kData, 0x001F}}));

  struct Case {
    const char* name;
    u16 opcode, ext;
    u32* control;
    u32 general;  // value placed in the general register
    u32 expected;
  };
  Cpu68kContext& c = g_cpu68kContext;
  const Case cases[] = {
      {"MOVEC A1,SFC keeps 3 bits", 0x4E7B, 0x9000, &c.sfc, 0xFF, 7},
      {"MOVEC D2,DFC", 0x4E7B, 0x2001, &c.dfc, 5, 5},
      {"MOVEC D3,USP", 0x4E7B, 0x3800, &c.usp, 0x12345678, 0x12345678},
      {"MOVEC D4,VBR by bits 11 and 0", 0x4E7B, 0x4FFF, &c.vbr, 0x200000, 0x200000},
      {"MOVEC DFC,A2", 0x4E7A, 0xA001, &c.dfc, 0, 6},
      {"MOVEC USP,D5", 0x4E7A, 0x5802, &c.usp, 0, 0xCAFE0000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Load({k.opcode, k.ext});
    u32& general = g_cpu68kContext.r[k.ext >> 12];
    if (k.opcode == 0x4E7B) {
      general = k.general;
    } else {
      *k.control = k.expected;
      general = 0;
    }
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(*k.control, k.expected);
    EXPECT_EQ(general, k.opcode == 0x4E7B ? k.general : k.expected);
    EXPECT_EQ(Pc(), 0x1004u);
  }

  // The vector table follows VBR.
  Load({0x4AFC});
  c.vbr = 0x200000;
  Poke32(0x200010, 0x300000);
  EXPECT_EQ(Step(), 38);
  EXPECT_EQ(Pc(), 0x300000u);
}

}  // namespace
