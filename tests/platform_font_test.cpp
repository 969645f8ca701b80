// The host font: the nearest face to "Arial" at a 24-pixel cell, and its glyphs.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(PlatformFontTest, ArialOrItsNearestFaceRendersGlyphs) {
  PlatformFont* font = PlatformFontCreate("Arial", 24);
  ASSERT_NE(font, nullptr);
  const i32 ascent = PlatformFontAscent(font);
  EXPECT_GT(ascent, 12);
  EXPECT_LT(ascent, 24);
  const PlatformGlyph* a = PlatformFontGlyph(font, 'A');
  ASSERT_NE(a, nullptr);
  EXPECT_GT(a->width, 5);
  EXPECT_GT(a->height, 10);
  EXPECT_LE(a->top, ascent + 1);
  EXPECT_GT(a->advance, a->width / 2);
  u32 covered = 0;
  for (i32 i = 0; i < a->width * a->height; i++) covered += a->coverage[i] > 128;
  EXPECT_GT(covered, 10u);
  EXPECT_EQ(PlatformFontGlyph(font, 'A'), a);  // cached
  const PlatformGlyph* space = PlatformFontGlyph(font, ' ');
  ASSERT_NE(space, nullptr);
  EXPECT_GT(space->advance, 0);
  PlatformFontRelease(font);
}

}  // namespace
