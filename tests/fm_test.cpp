#include "core/fm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/bus.h"
#include "core/machine.h"

namespace {

class FmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoreClearMachine();
    FmInit();
    saved_ = g_coreInterface;
  }
  void TearDown() override { g_coreInterface = saved_; }

  CoreInterface saved_{};
};

bool SameVoice(const FmVoice& a, const FmVoice& b) {
  return a.phase == b.phase && a.envelope == b.envelope && a.keyMask == b.keyMask &&
         a.blockFnum == b.blockFnum;
}

TEST_F(FmTest, InitSilencesVoicesAndBuildsSquareWave) {
  g_fmVoices[3] = FmVoice{0x1234, 4096, 0xF, 0x2269};
  g_machine.fmAddress[0] = 0x28;
  FmInit();
  for (const FmVoice& voice : g_fmVoices) EXPECT_TRUE(SameVoice(voice, FmVoice{}));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(g_fmWave[i], i < 128 ? 16384 : -16384) << i;
  EXPECT_EQ(g_machine.fmAddress[0], 0x28) << "the latch belongs to the machine state";
}

struct RegisterWrite {
  u32 part;
  u8 reg;
  u8 data;
};

struct RegisterCase {
  const char* name;
  std::vector<RegisterWrite> writes;
  int voice;  // the one voice expected to change, or -1 for none
  u8 keyMask;
  u16 blockFnum;
};

TEST_F(FmTest, RegisterWritesReachTheRightVoice) {
  const RegisterCase cases[] = {
      {"key on voice 0", {{0, 0x28, 0xF0}}, 0, 0xF, 0},
      {"key 0x17 through part I is voice 7", {{0, 0x28, 0x17}}, 7, 1, 0},
      {"key through part II uses the data's voice", {{1, 0x28, 0xF2}}, 2, 0xF, 0},
      {"voice field 3 selects voice 3", {{0, 0x28, 0xF3}}, 3, 0xF, 0},
      {"key off after key on", {{0, 0x28, 0xF5}, {0, 0x28, 0x05}}, 5, 0, 0},
      {"high then low byte", {{0, 0xA4, 0x22}, {0, 0xA0, 0x69}}, 0, 0, 0x2269},
      {"second low write ORs", {{0, 0xA4, 0x22}, {0, 0xA0, 0x69}, {0, 0xA0, 0x96}}, 0, 0, 0x22FF},
      {"high write clears the low byte",
       {{0, 0xA4, 0x22}, {0, 0xA0, 0x69}, {0, 0xA4, 0x11}},
       0,
       0,
       0x1100},
      {"low without high", {{0, 0xA2, 0x80}}, 2, 0, 0x0080},
      {"high byte keeps bits 15-14", {{0, 0xA6, 0xFF}}, 2, 0, 0xFF00},
      {"part II 0xA5 is voice 5", {{1, 0xA5, 0x12}, {1, 0xA1, 0x34}}, 5, 0, 0x1234},
      {"part II 0xA2 is voice 6", {{1, 0xA2, 0x01}}, 6, 0, 0x0001},
      {"0xA8-0xAB act as low bytes", {{0, 0xA9, 0x0F}}, 1, 0, 0x000F},
      {"0xAC-0xAF act as high bytes", {{1, 0xAF, 0x33}}, 7, 0, 0x3300},
      {"0xB0 is ignored", {{0, 0xB0, 0xFF}}, -1, 0, 0},
      {"0x29 and 0x27 are ignored", {{0, 0x29, 0xF0}, {0, 0x27, 0xF0}}, -1, 0, 0},
      {"0x9F and 0xB4 are ignored", {{1, 0x9F, 0xFF}, {1, 0xB4, 0xFF}}, -1, 0, 0},
  };
  for (const RegisterCase& c : cases) {
    SCOPED_TRACE(c.name);
    FmInit();
    for (const RegisterWrite& w : c.writes) EXPECT_EQ(FmWriteRegister(w.part, w.reg, w.data), 0u);
    for (int v = 0; v < 8; ++v) {
      FmVoice expected{};
      if (v == c.voice) {
        expected.keyMask = c.keyMask;
        expected.blockFnum = c.blockFnum;
      }
      EXPECT_TRUE(SameVoice(g_fmVoices[v], expected)) << "voice " << v;
    }
  }
}

TEST_F(FmTest, PortsLatchAnAddressPerPart) {
  // Part I latches the key-on register, part II a frequency register; each
  // data port writes through its own part's latch.
  FmWritePort(0xA04000, 0x28);
  FmWritePort(0xA04002, 0xA5);
  FmWritePort(0xA04003, 0x22);
  FmWritePort(0xA04001, 0xF1);
  EXPECT_EQ(g_machine.fmAddress[0], 0x28);
  EXPECT_EQ(g_machine.fmAddress[1], 0xA5);
  EXPECT_EQ(g_fmVoices[5].blockFnum, 0x2200);
  EXPECT_EQ(g_fmVoices[1].keyMask, 0xF);

  // Only address bits 1-0 count, and the latch holds for further data writes.
  FmWritePort(0x00000003, 0x11);
  EXPECT_EQ(g_fmVoices[5].blockFnum, 0x1100);
  FmWritePort(0x00FFFFFE, 0xA1);
  FmWritePort(0x00FFFFFF, 0x69);
  EXPECT_EQ(g_fmVoices[5].blockFnum, 0x1169);
}

TEST_F(FmTest, WordWriteThroughTheBusLatchesThenWrites) {
  // The high byte goes to the even (address) port first, the low byte to the data port.
  BusWrite16(0xA04000, 0x28F0);
  EXPECT_EQ(g_fmVoices[0].keyMask, 0xF);
  BusWrite16(0xA04002, 0xA522);
  BusWrite16(0xA04002, 0xA169);
  EXPECT_EQ(g_fmVoices[5].blockFnum, 0x2269);
  EXPECT_EQ(g_machine.fmAddress[0], 0x28);
  EXPECT_EQ(g_machine.fmAddress[1], 0xA1);
}

TEST_F(FmTest, EnvelopeRampsOverSixtyFourSamples) {
  FmWriteRegister(0, 0x28, 0xF0);
  FmVoice& voice = g_fmVoices[0];
  for (int k = 1; k <= 70; ++k) {
    const i32 out = FmVoiceStep(&voice);
    const i32 level = k < 64 ? 256 * k : 16384;
    ASSERT_EQ(voice.envelope, level) << "sample " << k;
    ASSERT_EQ(out, level / 8) << "phase stays 0 at frequency 0, so the wave is high";
  }
  FmWriteRegister(0, 0x28, 0x00);
  for (int k = 1; k <= 70; ++k) {
    FmVoiceStep(&voice);
    ASSERT_EQ(voice.envelope, k < 64 ? 16384 - 256 * k : 0) << "sample " << k;
  }
}

TEST_F(FmTest, IncrementFollowsBlockAndFnumber) {
  struct {
    u16 blockFnum;
    u16 increment;
  } const cases[] = {
      {0x2269, 369},   // block 4, F-number 617: about 248 Hz at 44100 Hz
      {0x3FFF, 9815},  // the largest: (2047 << 7) * 2455 >> 16
      {0x07FF, 76},    // block 0
      {0x3801, 4},     // block 7, F-number 1
      {0x0001, 0},     // below one step
      {0xC000, 0},     // bits 15-14 are not part of the frequency
  };
  for (const auto& c : cases) {
    FmVoice voice{0xFF00, 0, 0, c.blockFnum};
    FmVoiceStep(&voice);
    EXPECT_EQ(voice.phase, static_cast<u16>(0xFF00 + c.increment)) << std::hex << c.blockFnum;
  }
}

TEST_F(FmTest, OutputUsesThePhaseBeforeTheStep) {
  FmVoice voice{0x7F00, 16384, 1, 0x2269};
  EXPECT_EQ(FmVoiceStep(&voice), 2048);
  EXPECT_EQ(voice.phase, 0x7F00 + 369);
  EXPECT_EQ(FmVoiceStep(&voice), -2048);

  FmVoice wrapping{0xFFFF, 16384, 1, 0x2269};
  EXPECT_EQ(FmVoiceStep(&wrapping), -2048);
  EXPECT_EQ(wrapping.phase, 368);
  EXPECT_EQ(FmVoiceStep(&wrapping), 2048);
}

TEST_F(FmTest, MixSumsAllVoicesIntoBothChannels) {
  for (FmVoice& voice : g_fmVoices) voice = FmVoice{0, 16384, 1, 0};
  i16 pair[2] = {1, 1};
  FmMixSample(pair);
  EXPECT_EQ(pair[0], 8 * 2048);
  EXPECT_EQ(pair[1], 8 * 2048);

  g_fmVoices[2].phase = 0x8000;
  g_fmVoices[6].phase = 0x8000;
  g_fmVoices[7] = FmVoice{};  // silent and keyed off
  FmMixSample(pair);
  EXPECT_EQ(pair[0], (5 - 2) * 2048);
  EXPECT_EQ(pair[1], pair[0]);
}

TEST_F(FmTest, FrameFillsExactlyItsPairs) {
  for (u32 pairs : {735u, 882u}) {
    SCOPED_TRACE(pairs);
    FmInit();
    FmWriteRegister(0, 0xA4, 0x22);
    FmWriteRegister(0, 0xA0, 0x69);
    FmWriteRegister(0, 0x28, 0xF0);
    FmWriteRegister(1, 0xA6, 0x3F);
    FmWriteRegister(1, 0x28, 0xF6);
    std::vector<i16> buffer(2 * pairs + 8, 0x5A5A);
    g_coreInterface.soundBuffer = buffer.data();
    g_coreInterface.samplesPerFrame = pairs;
    EXPECT_EQ(FmRenderFrame(), 0u);

    bool sawHigh = false;
    bool sawLow = false;
    for (u32 i = 0; i < pairs; ++i) {
      ASSERT_EQ(buffer[2 * i], buffer[2 * i + 1]) << "pair " << i;
      sawHigh |= buffer[2 * i] > 0;
      sawLow |= buffer[2 * i] < 0;
    }
    EXPECT_TRUE(sawHigh && sawLow) << "two keyed voices make a changing wave";
    for (u32 i = 2 * pairs; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0x5A5A) << i;
    EXPECT_EQ(g_fmVoices[0].phase, static_cast<u16>(pairs * 369));
  }
}

// Voices that are silent are stepped in bulk within a frame; the frame must
// still equal its pairs mixed one at a time, for voices keyed on, releasing,
// silent and keyed off mid-frame, across blocks and frame lengths.
TEST_F(FmTest, FrameEqualsItsPairsMixedOneByOne) {
  const FmVoice start[kFmVoiceCount] = {
      {0x1234, 0, 0, 0x2269},                      // silent, phase still moving
      {0x0100, 16384, 0, 0x3FFF},                  // releasing: silent after 64 samples
      {0xFF00, 0, 1, 0x0F00},                      // attacking
      {0x8000, 16384, 0xF, 0x07FF}, {0, 0, 0, 0},  // silent, frequency 0
      {0x7FFF, 256, 0, 0xC123},                    // one sample from silence; bits 15-14 set
      {0x4000, 1000, 0, 0x1800},                   // not a multiple of the step
      {0xFFFF, 0, 0, 0x3801},
  };
  for (u32 pairs : {1u, 64u, 255u, 256u, 257u, 735u, 882u}) {
    SCOPED_TRACE(pairs);
    std::vector<i16> want(2 * pairs);
    std::copy(std::begin(start), std::end(start), g_fmVoices);
    for (u32 i = 0; i < pairs; ++i) FmMixSample(&want[2 * i]);
    FmVoice after[kFmVoiceCount];
    std::copy(std::begin(g_fmVoices), std::end(g_fmVoices), after);

    std::vector<i16> got(2 * pairs, 0x5A5A);
    std::copy(std::begin(start), std::end(start), g_fmVoices);
    g_coreInterface.soundBuffer = got.data();
    g_coreInterface.samplesPerFrame = pairs;
    EXPECT_EQ(FmRenderFrame(), 0u);
    EXPECT_EQ(got, want);
    for (u32 v = 0; v < kFmVoiceCount; ++v) {
      EXPECT_TRUE(SameVoice(g_fmVoices[v], after[v])) << "voice " << v;
    }
  }
}

TEST_F(FmTest, FrameWithoutBufferDoesNothing) {
  FmWriteRegister(0, 0xA4, 0x22);
  FmWriteRegister(0, 0xA0, 0x69);
  FmWriteRegister(0, 0x28, 0xF0);
  const FmVoice before = g_fmVoices[0];
  g_coreInterface.soundBuffer = nullptr;
  g_coreInterface.samplesPerFrame = 735;
  EXPECT_EQ(FmRenderFrame(), 1u);
  EXPECT_TRUE(SameVoice(g_fmVoices[0], before)) << "no voice advances without a buffer";
}

}  // namespace
