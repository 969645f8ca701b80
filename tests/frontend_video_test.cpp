// Video output: where the picture lands on the back buffer, its tint, and
// start-up and shutdown of the device.
#include <gtest/gtest.h>

#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/screen_texture.h"
#include "frontend/text.h"
#include "frontend/video.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

class VideoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    g_samplesPerFrame = 735;
    InputInit();
    ASSERT_EQ(VideoInit(), 0u);
    ASSERT_EQ(EmuInit(), 0u);
    g_appState = APP_STATE_RUNNING;
  }
  void TearDown() override {
    EmuShutdown();
    VideoShutdown();
    g_samplesPerFrame = 0;
    g_appState = APP_STATE_START;
  }
  void Draw() {
    VideoClear(0);
    VideoDrawFrame();
  }
};

// 5-6-5 channels widened to 8 bits by repeating their top bits.
u32 Widen(u16 c) {
  const u32 r = c >> 11, g = (c >> 5) & 63, b = c & 31;
  return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

TEST_F(VideoTest, EachFramePixelCoversTwoByTwoBackBufferPixels) {
  for (int r = 0; r < 224; r++) {
    for (int c = 0; c < 320; c++) g_frameBuffer[r * 320 + c] = u16(c * 131 + r * 977 + 1);
  }
  Draw();
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 720; x++) {
      u32 expected = 0;
      if (x >= 40 && x < 680 && y >= 17 && y < 465) {
        const int c = (x - 40) / 2, r = (y - 17) / 2;
        expected = Widen(u16(c * 131 + r * 977 + 1));
      }
      ASSERT_EQ(BackPixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(VideoTest, OutsideTheRunningStateThePictureIsDimmed) {
  for (int i = 0; i < 320 * 224; i++) g_frameBuffer[i] = 0xFFFF;
  struct Case {
    u32 state, pixel;
  };
  const Case cases[] = {{APP_STATE_RUNNING, 0xFFFFFF},
                        {APP_STATE_MENU, 0x102040},
                        {APP_STATE_SCAN, 0x102040},
                        {APP_STATE_START, 0x102040}};
  for (const Case& k : cases) {
    g_appState = k.state;
    Draw();
    EXPECT_EQ(BackPixel(40, 17), k.pixel);
    EXPECT_EQ(BackPixel(679, 464), k.pixel);
    EXPECT_EQ(BackPixel(39, 17), 0u);
    EXPECT_EQ(BackPixel(40, 16), 0u);
  }
}

TEST_F(VideoTest, TheQuadIsBuiltForTheTextureWindow) {
  Draw();
  EXPECT_FLOAT_EQ(g_quad[0].x, -11.851556f);
  EXPECT_FLOAT_EQ(g_quad[0].y, 9.333333f);
  EXPECT_FLOAT_EQ(g_quad[3].u, 0.625f);
  EXPECT_FLOAT_EQ(g_quad[3].v, 0.4375f);
  EXPECT_EQ(g_quad[0].z, 10.0f);
}

TEST_F(VideoTest, PresentHandsTheBackBufferToTheWindow) {
  g_hWnd = PlatformWindowCreate("t", 720, 480, nullptr);
  VideoClear(0x123456);
  VideoPresent();
  ASSERT_EQ(g_fake.lastPresent.size(), 720u * 480u);
  EXPECT_EQ(g_fake.lastPresent[0] & 0xFFFFFF, 0x123456u);
  PlatformWindowDestroy(g_hWnd);
  g_hWnd = nullptr;
}

TEST_F(VideoTest, ShutdownIsSafeTwiceAndStopsText) {
  VideoShutdown();
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_backBuffer, nullptr);
  EXPECT_EQ(g_screenTexture, nullptr);
  EXPECT_EQ(TextDraw(u"A", 0, 0), 1u);
  VideoShutdown();
}

TEST_F(VideoTest, AMissingFontIsNoFailure) {
  VideoShutdown();
  g_fake.fontFails = true;
  EXPECT_EQ(VideoInit(), 0u);
  EXPECT_EQ(g_font, nullptr);
  EXPECT_EQ(TextDraw(u"A", 0, 0), 1u);
}

}  // namespace
