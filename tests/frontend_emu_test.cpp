// The core bridge: pad word, line storage, the lent pointers.
#include <gtest/gtest.h>

#include "core/machine.h"
#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/sound.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

class EmuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    g_hWnd = PlatformWindowCreate("t", 720, 480, nullptr);
    g_samplesPerFrame = 735;
    InputInit();
    ASSERT_EQ(EmuInit(), 0u);
  }
  void TearDown() override {
    EmuShutdown();
    PlatformWindowDestroy(g_hWnd);
    g_hWnd = nullptr;
    g_samplesPerFrame = 0;
  }
};

TEST_F(EmuTest, InitGivesABlackFrameAndTheCoreSettings) {
  EXPECT_EQ(g_frameWidth, 320);
  EXPECT_EQ(g_frameHeight, 224);
  for (int i = 0; i < 320 * 224; i++) ASSERT_EQ(g_frameBuffer[i], 0) << i;
  EXPECT_EQ(g_coreInterface.sampleRate, 44100u);
  EXPECT_EQ(g_coreInterface.samplesPerFrame, 735u);
}

TEST_F(EmuTest, KeysBecomeThePadWord) {
  struct Case {
    std::initializer_list<PlatformKey> keys;
    u32 pad;
  };
  const Case cases[] = {
      {{kKeyRight, kKeyX}, 0x18},
      {{kKeyEnter}, 0x80},
      {{kKeyEscape}, 0x00},
      {{kKeyZ}, 0x40},
      {{kKeyC}, 0x20},
      {{kKeyUp, kKeyLeft}, 0x05},
      {{kKeyUp, kKeyDown}, 0x00},
      {{kKeyDown}, 0x02},
  };
  for (const Case& c : cases) {
    HoldKeys(c.keys);
    InputUpdate();
    EmuRunFrame();
    EXPECT_EQ(g_coreInterface.pad[0], c.pad);
    EXPECT_EQ(g_coreInterface.pad[1], 0u);
  }
}

TEST_F(EmuTest, ALevelAbove30SetsTheBit) {
  g_input.button[4] = 30;
  EmuRunFrame();
  EXPECT_EQ(g_coreInterface.pad[0], 0u);
  g_input.button[4] = 31;
  EmuRunFrame();
  EXPECT_EQ(g_coreInterface.pad[0], 0x80u);
}

TEST_F(EmuTest, PointersAreLentOnlyForTheFrame) {
  g_coreInterface.lineCallback = EmuDrawLine;
  EmuRunFrame();
  EXPECT_EQ(g_coreInterface.lineCallback, nullptr);
  EXPECT_EQ(g_coreInterface.soundBuffer, nullptr);
}

TEST_F(EmuTest, LinesOutsideTheFrameAreDropped) {
  u16 palette[64];
  for (int i = 0; i < 64; i++) palette[i] = u16(0x1000 + i);
  u8 pixels[320];
  for (int x = 0; x < 320; x++) pixels[x] = u8(x);  // indices from 64 on are stray
  for (i32 line : {224, 225, -1, -224, 100000}) EmuDrawLine(line, palette, pixels);
  for (int i = 0; i < 320 * 224; i++) ASSERT_EQ(g_frameBuffer[i], 0) << i;
  EmuDrawLine(223, palette, pixels);
  const u16* row = g_frameBuffer + 223 * 320;
  for (int x = 0; x < 320; x++) ASSERT_EQ(row[x], 0x1000 + (x & 63)) << x;
  EXPECT_EQ(g_frameBuffer[222 * 320], 0);
}

TEST_F(EmuTest, ShutdownClearsAndRepeats) {
  EmuShutdown();
  EXPECT_EQ(g_frameBuffer, nullptr);
  EXPECT_EQ(g_frameWidth, 0);
  EXPECT_EQ(g_frameHeight, 0);
  u16 palette[64] = {};
  u8 pixels[320] = {};
  EXPECT_EQ(EmuDrawLine(0, palette, pixels), 0u);  // no buffer: nothing stored
}

}  // namespace
