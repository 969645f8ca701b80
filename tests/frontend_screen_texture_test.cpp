// The 512 x 512 screen texture: clearing, the plain and the Morton upload.
#include <gtest/gtest.h>

#include <set>

#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/screen_texture.h"
#include "support/fake_platform.h"

namespace {

class ScreenTextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_samplesPerFrame = 735;
    ASSERT_EQ(EmuInit(), 0u);
    ASSERT_EQ(ScreenTextureInit(), 0u);
    texels_ = static_cast<u16*>(PlatformSurfaceLock(g_screenTexture, &pitch_));
    PlatformSurfaceUnlock(g_screenTexture);
  }
  void TearDown() override {
    ScreenTextureShutdown();
    EmuShutdown();
    g_samplesPerFrame = 0;
  }
  u16 Texel(int c, int r) const { return texels_[r * (pitch_ / 2) + c]; }

  u16* texels_ = nullptr;
  i32 pitch_ = 0;
};

TEST_F(ScreenTextureTest, CreatedBlackAndUploadFillsOnlyTheFrameArea) {
  EXPECT_EQ(g_textureWidth, 512);
  EXPECT_EQ(g_textureHeight, 512);
  for (int r = 0; r < 512; r++) {
    for (int c = 0; c < 512; c++) ASSERT_EQ(Texel(c, r), 0);
  }
  for (int i = 0; i < 320 * 224; i++) g_frameBuffer[i] = u16(i * 7 + 1);
  EXPECT_EQ(ScreenTextureUpload(), 0u);
  for (int r = 0; r < 512; r++) {
    for (int c = 0; c < 512; c++) {
      const u16 expected = (c < 320 && r < 224) ? u16((r * 320 + c) * 7 + 1) : 0;
      ASSERT_EQ(Texel(c, r), expected) << c << "," << r;
    }
  }
}

TEST_F(ScreenTextureTest, MortonUploadPlacesEachPixelOnItsOwnTexel) {
  struct Case {
    int c, r;
    u32 index;
  };
  const Case cases[] = {{1, 0, 1},  {0, 1, 2},       {1, 1, 3},       {2, 0, 4},
                        {3, 3, 15}, {319, 0, 66901}, {0, 223, 41642}, {319, 223, 108543}};
  for (int i = 0; i < 320 * 224; i++) g_frameBuffer[i] = 0;
  for (const Case& k : cases) g_frameBuffer[k.r * 320 + k.c] = u16(k.index & 0xFFFF) | 1;
  ASSERT_EQ(ScreenTextureUploadSwizzled(), 0u);
  for (const Case& k : cases) EXPECT_EQ(texels_[k.index], u16(k.index & 0xFFFF) | 1) << k.index;
  // All 71,680 pixels land on different texels, none beyond 108543.
  for (int i = 0; i < 320 * 224; i++) g_frameBuffer[i] = 0xFFFF;
  ScreenTextureClear();
  ScreenTextureUploadSwizzled();
  u32 written = 0, highest = 0;
  for (u32 i = 0; i < 512 * 512; i++) {
    if (texels_[i] == 0xFFFF) {
      written++;
      highest = i;
    }
  }
  EXPECT_EQ(written, 320u * 224u);
  EXPECT_EQ(highest, 108543u);
}

TEST_F(ScreenTextureTest, ShutdownResetsTheSizes) {
  ScreenTextureShutdown();
  EXPECT_EQ(g_screenTexture, nullptr);
  EXPECT_EQ(g_textureWidth, 0);
  EXPECT_EQ(g_textureHeight, 0);
  EXPECT_EQ(ScreenTextureUpload(), 1u);  // no texture: nothing to lock
  ScreenTextureShutdown();
}

}  // namespace
