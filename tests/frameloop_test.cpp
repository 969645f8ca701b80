// The frame loop driven by the real processor: tiny hand-assembled
// cartridges, with interrupts counted at the acknowledge callback.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/bus.h"
#include "core/machine.h"
#include "cpu68k/cpu68k.h"
#include "support/cart_image.h"

namespace {

constexpr u32 kMain = 0x200;
constexpr u32 kLevel4Handler = 0x300;
constexpr u32 kLevel6Handler = 0x380;
constexpr u32 kPark = 0x3F0;

// Opcodes used below.
constexpr u16 kBraSelf = 0x60FE;  // BRA.S to itself, 10 cycles
constexpr u16 kRte = 0x4E73;
constexpr u16 kNop = 0x4E71;
constexpr u16 kMoveWImmAbsL = 0x33FC;  // MOVE.W #imm,(xxx).L
constexpr u16 kSubqL1D0 = 0x5380;
constexpr u16 kAddqL1D5 = 0x5285;  // 8 cycles

u32 g_acks[8];

i32 CountingAck(u32 level) {
  ++g_acks[level & 7];
  return -1;
}

// Stands in for the VDP's register write: a control word 100r rrrr dddd dddd
// at 0xC00004 sets register r.
void (*g_busWrite16)(u32, u32);
void RegisterWritingWrite16(u32 address, u32 data) {
  if ((address & 0xFFFFFE) == 0xC00004 && (data & 0xE000) == 0x8000) {
    g_machine.vdp.regs[(data >> 8) & 0x1F] = static_cast<u8>(data);
  }
  g_busWrite16(address, data);
}

class FrameLoopTest : public ::testing::Test {
 protected:
  FrameLoopTest() : image_(0x1000) {
    image_.Long(0, 0x00FF8000).Long(4, kMain);
    for (u32 v = 2; v < 64; ++v) image_.Long(v * 4, kPark);  // anything unexpected parks
    image_.Word(kPark, kBraSelf);
    image_.Long(28 * 4, kLevel4Handler).Long(30 * 4, kLevel6Handler);
    image_.Code(kLevel4Handler, {kRte});
    image_.Code(kLevel6Handler, {kRte});
    image_.Code(kMain, {kBraSelf});
  }
  void SetUp() override {
    CoreInit();
    std::memset(g_acks, 0, sizeof g_acks);
    g_busWrite16 = g_cpu68kMemHandlers.write16;
    g_cpu68kMemHandlers.write16 = RegisterWritingWrite16;
  }
  void TearDown() override {
    g_cpu68kMemHandlers.write16 = g_busWrite16;
    CoreLoadRom(nullptr, 0);
  }
  // Loads the image; unmask says whether the program starts with interrupt
  // mask 0 instead of the 7 that reset leaves.
  void Load(bool unmask) {
    CoreLoadRom(image_.data(), image_.size());
    g_cpu68kContext.irqAck = CountingAck;
    if (unmask) g_cpu68kContext.srSys = 0x20;
  }

  CartImage image_;
};

TEST_F(FrameLoopTest, HorizontalInterruptsPerFrame) {
  const struct {
    u8 reg10;
    u32 requests;
  } cases[] = {{0, 261}, {1, 111}, {2, 74}, {222, 1}, {223, 0}, {255, 0}};
  Load(true);
  for (const auto& c : cases) {
    g_machine.vdp.regs[0] = 0x10;
    g_machine.vdp.regs[10] = c.reg10;
    for (int frame = 0; frame < 2; ++frame) {
      std::memset(g_acks, 0, sizeof g_acks);
      EXPECT_EQ(CoreRunFrame(), 0u);
      EXPECT_EQ(g_acks[4], c.requests) << "register 10 = " << int{c.reg10};
      EXPECT_EQ(g_acks[6], 0u);
    }
  }
}

TEST_F(FrameLoopTest, VerticalInterruptOncePerFrameInBothPaths) {
  Load(true);
  g_machine.vdp.regs[1] = 0x20;
  CoreRunFrame();
  CoreRunFrame();
  EXPECT_EQ(g_acks[6], 2u);
  g_machine.vdp.regs[0] = 0x10;
  g_machine.vdp.regs[10] = 255;
  CoreRunFrame();
  EXPECT_EQ(g_acks[6], 3u);
  EXPECT_EQ(g_acks[4], 0u);
  g_machine.vdp.regs[1] = 0x00;
  CoreRunFrame();
  EXPECT_EQ(g_acks[6], 3u);
}

TEST_F(FrameLoopTest, UntakenVerticalInterruptIsWithdrawn) {
  // Under mask 7 the level-6 request is never taken; it must not outlive
  // the frame and be taken once the mask drops.
  Load(false);
  g_machine.vdp.regs[1] = 0x20;
  CoreRunFrame();
  EXPECT_EQ(g_cpu68kContext.irqPending & 7, 0u);
  g_machine.vdp.regs[1] = 0x00;
  g_cpu68kContext.srSys = 0x20;
  CoreRunFrame();
  EXPECT_EQ(g_acks[6], 0u);
}

// The program stores every status word it reads, in order, from 0xFF8000.
TEST_F(FrameLoopTest, VerticalBlankBitAsTheProgramSeesIt) {
  image_.Code(kMain, {
                         0x41F9, 0x00FF, 0x8000,  // LEA (0xFF8000).L,A0
                         0x30F9, 0x00C0, 0x0004,  // loop: MOVE.W (0xC00004).L,(A0)+
                         0x60F8,                  // BRA.S loop
                     });
  const struct {
    u8 reg0;
    u8 reg1;
    bool blankAtTheEnd;
  } cases[] = {{0x00, 0x00, true}, {0x00, 0x40, false}, {0x10, 0x00, true}, {0x10, 0x40, false}};
  for (const auto& c : cases) {
    Load(false);
    g_machine.vdp.regs[0] = c.reg0;
    g_machine.vdp.regs[1] = c.reg1;
    g_machine.vdp.regs[10] = 255;
    CoreRunFrame();
    const u32 reads = (g_cpu68kContext.a[0] - 0xFF8000) / 2;
    ASSERT_GT(reads, 1000u);
    ASSERT_LT(reads, 0x4000u);
    std::vector<u16> status(reads);
    for (u32 i = 0; i < reads; ++i) status[i] = BusRead16(0xFF8000 + 2 * i);
    u32 inBlank = 0;
    for (u16 s : status) {
      ASSERT_EQ(s & 0x80, 0x80);
      if (s & 0x08) ++inBlank;
    }
    EXPECT_NE(status.front() & 0x08, 0);
    EXPECT_EQ((status.back() & 0x08) != 0, c.blankAtTheEnd) << int{c.reg0} << ' ' << int{c.reg1};
    if (!c.blankAtTheEnd) {
      // About a seventh of the frame is vertical blank, read for read.
      EXPECT_GT(inBlank * 8, reads);
      EXPECT_LT(inBlank * 6, reads);
    }
  }
}

TEST_F(FrameLoopTest, EnablingHorizontalInterruptsTakesEffectNextFrame) {
  image_.Code(kMain, {kMoveWImmAbsL, 0x8A00, 0x00C0, 0x0004,  // register 10 = 0
                      kMoveWImmAbsL, 0x8014, 0x00C0, 0x0004,  // register 0: interrupts on
                      kBraSelf});
  Load(true);
  CoreRunFrame();
  EXPECT_EQ(g_machine.vdp.regs[0], 0x14);
  EXPECT_EQ(g_machine.vCounter, -64) << "the frame kept the two-slice path";
  EXPECT_EQ(g_acks[4], 0u);
  CoreRunFrame();
  EXPECT_EQ(g_machine.vCounter, 223);
  EXPECT_EQ(g_acks[4], 261u);
}

TEST_F(FrameLoopTest, DisablingHorizontalInterruptsMidFrameStopsRequests) {
  // The tenth handler entry turns horizontal interrupts off.
  image_.Code(kLevel4Handler, {
                                  kSubqL1D0,
                                  0x6608,  // BNE.S to the RTE
                                  kMoveWImmAbsL,
                                  0x8004,
                                  0x00C0,
                                  0x0004,
                                  kNop,
                                  kRte,
                              });
  Load(true);
  g_cpu68kContext.d[0] = 10;
  g_machine.vdp.regs[0] = 0x10;
  CoreRunFrame();
  EXPECT_EQ(g_acks[4], 10u);
  EXPECT_EQ(g_cpu68kContext.d[0], 0u);
  EXPECT_EQ(g_machine.vCounter, 223) << "the frame still ran by lines";
  CoreRunFrame();
  EXPECT_EQ(g_machine.vCounter, -64);
  EXPECT_EQ(g_acks[4], 10u);
}

// A loop of ADDQ.L (8 cycles) and BRA.S (10) counts 18-cycle iterations in
// D5, so the iterations show how many cycles the frames were given: each
// slice makes up for the previous one's overrun.
TEST_F(FrameLoopTest, CyclesPerFrame) {
  image_.Code(kMain, {kAddqL1D5, 0x60FC});
  const struct {
    u8 reg0;
    i32 cycles;
  } cases[] = {{0x00, 127969}, {0x10, 262 * 489}};
  for (const auto& c : cases) {
    Load(false);
    g_cpu68kContext.d[5] = 0;
    g_machine.vdp.regs[0] = c.reg0;
    g_machine.vdp.regs[10] = 255;
    for (int frame = 1; frame <= 3; ++frame) {
      CoreRunFrame();
      const i32 iterations = static_cast<i32>(g_cpu68kContext.d[5]);
      // Each frame may overrun by part of its last instruction.
      EXPECT_GE(iterations * 18, frame * c.cycles - 18) << int{c.reg0} << " frame " << frame;
      EXPECT_LE(iterations * 18, frame * (c.cycles + 18)) << int{c.reg0} << " frame " << frame;
    }
  }
}

TEST_F(FrameLoopTest, ResetAndEjectReachTheProcessor) {
  Load(false);
  EXPECT_EQ(g_cpu68kContext.a[7], 0x00FF8000u);
  EXPECT_EQ(g_cpu68kContext.pc, kMain);
  EXPECT_EQ(g_cpu68kContext.srSys & 0xFF, 0x27u);

  CoreLoadRom(nullptr, 0);
  EXPECT_EQ(g_cpu68kContext.a[7], 0u);
  EXPECT_EQ(g_cpu68kContext.pc, 0u);
  EXPECT_EQ(g_cpu68kPcBase, BusPcBase(0));
  u16 w;
  std::memcpy(&w, g_cpu68kPcBase, 2);  // base + PC with PC = 0
  EXPECT_EQ(w, kFenceTrapOpcode);
  EXPECT_EQ(CoreRunFrame(), 1u);
}

TEST_F(FrameLoopTest, RunningOffTheImageEndRaisesIllegal) {
  // The last word of the image is a NOP; past it lie the fence's zeros and
  // then ILLEGAL, whose vector parks at 0x3F4.
  image_.Long(4, 0xFFE).Word(0xFFE, kNop);
  image_.Long(4 * 4, 0x3F4).Word(0x3F4, kBraSelf);
  Load(false);
  CoreRunFrame();
  EXPECT_EQ(g_cpu68kContext.pc, 0x3F4u);
}

}  // namespace
