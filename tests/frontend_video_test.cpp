// Video output: where the picture lands on the back buffer, its tint, and
// start-up and shutdown of the device.
#include <gtest/gtest.h>

#include <cstring>

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

// The rasteriser on its own, with identity transforms (back-buffer pixel x is
// (x + 1) / 2 * width). A rectangle whose texture runs along the axes takes
// the table-driven path; the same rectangle with the texture turned a quarter
// (and its texels transposed to match) takes the general one. Both must give
// what the fill rule and point sampling call for: left and top edges in,
// right and bottom out, texel floor(u * width), the tint multiplying it.
TEST(Rasteriser, AxisAlignedAndGeneralPathsDrawTheSameRectangle) {
  constexpr i32 kSize = 32, kTexW = 7, kTexH = 3;
  PlatformDevice* d = PlatformDeviceCreate(kSize, kSize);
  PlatformSurface* straight = PlatformSurfaceCreate(kTexW, kTexH);
  PlatformSurface* turned = PlatformSurfaceCreate(kTexH, kTexW);
  PlatformVertexBuffer* vb = PlatformVertexBufferCreate(4 * sizeof(PlatformVertex));
  ASSERT_TRUE(d != nullptr && straight != nullptr && turned != nullptr && vb != nullptr);
  auto texel = [](i32 c, i32 r) { return u16(0x9A31 * (c + 1) + 0x04E7 * r); };
  i32 pitch = 0;
  u16* a = static_cast<u16*>(PlatformSurfaceLock(straight, &pitch));
  u16* b = static_cast<u16*>(PlatformSurfaceLock(turned, &pitch));
  for (i32 r = 0; r < kTexH; r++) {
    for (i32 c = 0; c < kTexW; c++) a[r * kTexW + c] = b[c * kTexH + r] = texel(c, r);
  }
  struct Case {
    double x0, x1, y0, y1;
    u32 tint;
  };
  const Case cases[] = {
      {2, 12, 3, 8, 0xFFFFFF},               // edges through pixel centres
      {-3.3, 9.65, -2.2, 7.7, 0x102040},     // over the top-left corner
      {25.7, 40.1, 17.3, 30.9, 0x80FF80C0},  // over the bottom-right; alpha ignored
      {4.5, 5.5, 6.5, 7.5, 0x00FF00},        // one pixel
      {-10.4, 50.2, -8.1, 40.3, 0x808080},   // wider than the buffer
      {0.6, 31.3, 1.2, 3.1, 0x102040},       // two rows; the tint table again
  };
  for (const Case& k : cases) {
    for (bool quarter : {false, true}) {
      const float l = float(k.x0 / kSize * 2 - 1), r = float(k.x1 / kSize * 2 - 1);
      const float t = float(1 - k.y0 / kSize * 2), bo = float(1 - k.y1 / kSize * 2);
      const float q = quarter ? 1.0f : 0.0f, p = 1.0f - q;
      const PlatformVertex quad[4] = {{l, t, 0.5f, k.tint, 0, 0},
                                      {r, t, 0.5f, k.tint, p, q},
                                      {l, bo, 0.5f, k.tint, q, p},
                                      {r, bo, 0.5f, k.tint, 1, 1}};
      std::memcpy(PlatformVertexBufferLock(vb, 0, sizeof quad), quad, sizeof quad);
      PlatformDeviceClear(d, 0xABCDEF);
      PlatformDeviceSetTexture(d, quarter ? turned : straight);
      PlatformDeviceSetStream(d, vb);
      PlatformDeviceDrawStrip(d, 0, 2);
      i32 w = 0, h = 0;
      const u32* back = PlatformDeviceBackBuffer(d, &w, &h, &pitch);
      for (i32 y = 0; y < kSize; y++) {
        for (i32 x = 0; x < kSize; x++) {
          u32 expected = 0xABCDEF;
          if (x >= k.x0 && x < k.x1 && y >= k.y0 && y < k.y1) {
            const u32 wide = Widen(texel(i32((x - k.x0) / (k.x1 - k.x0) * kTexW),
                                         i32((y - k.y0) / (k.y1 - k.y0) * kTexH)));
            expected = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
              const u32 ch = (wide >> shift & 0xFF) * (k.tint >> shift & 0xFF);
              expected |= (ch + 127) / 255 << shift;
            }
          }
          ASSERT_EQ(back[y * pitch + x], expected)
              << "case " << k.x0 << "," << k.y0 << (quarter ? " turned" : "") << " at " << x << ","
              << y;
        }
      }
    }
  }
  PlatformVertexBufferRelease(vb);
  PlatformSurfaceRelease(turned);
  PlatformSurfaceRelease(straight);
  PlatformDeviceRelease(d);
}

}  // namespace
