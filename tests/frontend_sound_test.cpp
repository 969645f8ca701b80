// Sound output and frame pacing over the looping buffer's play cursor.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frontend/app.h"
#include "frontend/input.h"
#include "frontend/romlist.h"
#include "frontend/sound.h"
#include "support/fake_platform.h"

namespace {

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    g_quit.store(0);
  }
  void TearDown() override {
    SoundShutdown();
    g_samplesPerFrame = 0;
    g_quit.store(0);
  }
  void Start(u32 samplesPerFrame, bool device) {
    g_samplesPerFrame = samplesPerFrame;
    g_fake.audioDeviceOpens = device;
    ASSERT_EQ(SoundInit(), 0u);
  }
  void FillStaging(i16 value) {
    for (u32 i = 0; i < g_samplesPerFrame * 2; i++) g_soundStaging[i] = value;
  }
  // The device plays `samples` stereo samples; returns what it played.
  std::vector<i16> Play(u32 samples) {
    std::vector<i16> out(samples * 2);
    PlatformSoundPull(g_soundBuffer, reinterpret_cast<u8*>(out.data()), samples * 4);
    return out;
  }
  u32 Cursor() { return PlatformSoundGetPlayCursor(g_soundBuffer) / 4; }
};

TEST_F(SoundTest, BufferHoldsFourFrames) {
  Start(735, false);
  EXPECT_EQ(g_soundBufferSamples, 2940u);
  SoundShutdown();
  Start(882, false);
  EXPECT_EQ(g_soundBufferSamples, 3528u);
}

TEST_F(SoundTest, ACursorOnTheNextBlocksFirstSampleIsInsideIt) {
  Start(735, true);
  g_soundWritePos = 735;
  Play(735);
  EXPECT_EQ(SoundSync(), 1u);
  Play(734);
  EXPECT_EQ(SoundSync(), 1u);  // last sample of the block
  Play(1);
  EXPECT_EQ(Cursor(), 1470u);
  EXPECT_EQ(SoundSync(), 0u);
  EXPECT_EQ(g_soundWritePos, 1470u);
}

TEST_F(SoundTest, SteadyFramesWriteOneBlockEachAndWrap) {
  Start(735, true);
  // Each sleep lets the device play 100 samples.
  g_fake.sleeps.store(0);
  std::vector<u32> positions;
  for (int frame = 0; frame < 6; frame++) {
    FillStaging(i16(100 + frame));
    const u32 sleepsBefore = g_fake.sleeps.load();
    // Play until the cursor has left block W, as time would.
    while ((Cursor() / 735) == (g_soundWritePos / 735)) Play(100);
    FrameWait();
    EXPECT_EQ(g_fake.sleeps.load(), sleepsBefore);
    positions.push_back(g_soundWritePos);
  }
  EXPECT_EQ(positions, (std::vector<u32>{735, 1470, 2205, 0, 735, 1470}));
}

TEST_F(SoundTest, SlowFrameRepeatsItsSamplesIntoTheBlocksLeft) {
  Start(735, true);
  FillStaging(7);
  Play(735 * 2 + 300);  // two and a half frames late, cursor in block 2
  FrameWait();
  EXPECT_EQ(g_soundWritePos, 1470u);  // blocks 0 and 1 written, block 2 playing
  Play(735 * 2 - 300);                // the cursor comes round to block 0
  const std::vector<i16> played = Play(735 * 2);
  for (size_t i = 0; i < played.size(); i++) ASSERT_EQ(played[i], 7) << i;
}

TEST_F(SoundTest, OneWaitNeverWritesFourBlocks) {
  Start(735, true);
  FillStaging(1);
  Play(735 * 3 + 10);  // cursor in block 3
  FrameWait();
  EXPECT_EQ(g_soundWritePos, 2205u);  // blocks 0, 1, 2
}

TEST_F(SoundTest, TheMenuFillsTheBufferWithSilence) {
  Start(735, false);
  g_screenHeight = 480;
  InputInit();
  g_appState = APP_STATE_MENU;
  // Loud samples in every block from a game.
  FillStaging(20000);
  for (int b = 0; b < 4; b++) {
    g_soundWritePos = u32(b) * 735;
    SoundWriteBlock();
  }
  g_soundWritePos = 0;
  for (int frame = 0; frame < 4; frame++) {
    AppStep();
    FrameWait();
  }
  void *a, *b;
  u32 sa, sb;
  PlatformSoundLock(g_soundBuffer, 0, 2940 * 4, &a, &sa, &b, &sb);
  ASSERT_EQ(sa, 2940u * 4);
  const i16* s = static_cast<const i16*>(a);
  for (u32 i = 0; i < 2940 * 2; i++) ASSERT_EQ(s[i], 0) << i;
  PlatformSoundUnlock(g_soundBuffer);
  g_romList.Free();
  g_appState = APP_STATE_START;
}

TEST_F(SoundTest, WithoutADeviceTheClockMovesTheCursor) {
  Start(735, false);
  EXPECT_FALSE(PlatformSoundHasDevice(g_soundBuffer));
  EXPECT_EQ(Cursor(), 0u);
  FakeClockAdvanceSamples(734);
  EXPECT_EQ(Cursor(), 734u);
  FakeClockAdvanceSamples(2940);
  EXPECT_EQ(Cursor(), 734u);  // once round the buffer
  // The first wait sleeps until block 0 is left, one frame of time.
  g_fake.clockNanos.store(0);
  SoundShutdown();
  Start(735, false);
  FrameWait();
  EXPECT_EQ(g_soundWritePos, 735u);
  EXPECT_GE(g_fake.clockNanos.load(), 735u * 1000000000u / 44100u);
  EXPECT_EQ(g_fake.sleeps.load(), 17u);  // 16.67 ms in 1 ms steps
}

TEST_F(SoundTest, AStoppedCursorDoesNotHoldTheThreadAfterTheStopFlag) {
  Start(735, true);  // a device that never plays
  g_quit.store(1);
  EXPECT_EQ(FrameWait(), 0u);
  EXPECT_EQ(g_soundWritePos, 0u);
}

TEST_F(SoundTest, NoBufferNoWait) {
  EXPECT_EQ(SoundSync(), 1u);
  EXPECT_EQ(FrameWait(), 0u);
  g_samplesPerFrame = 0;
  EXPECT_EQ(SoundInit(), 1u);
}

}  // namespace
