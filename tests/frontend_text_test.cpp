// Text overlay: colour, clipping to the screen, and narrow-to-wide formatting.
#include <gtest/gtest.h>

#include <string>

#include "frontend/app.h"
#include "frontend/text.h"
#include "frontend/video.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    ASSERT_EQ(VideoInit(), 0u);
    VideoClear(0);
  }
  void TearDown() override { VideoShutdown(); }
  int CountColored(u32 color) {
    int n = 0;
    for (int y = 0; y < 480; y++) {
      for (int x = 0; x < 720; x++) n += BackPixel(x, y) == color;
    }
    return n;
  }
};

TEST_F(TextTest, ColourIsAlwaysOpaque) {
  const u32 cases[][2] = {{0x60C0FF, 0xFF60C0FF}, {0, 0xFF000000}, {0x12345678, 0xFF345678}};
  for (const auto& c : cases) {
    TextSetColor(c[0]);
    EXPECT_EQ(g_textColor, c[1]);
  }
}

TEST_F(TextTest, GlyphsAreDrawnFromTheTopLeftInTheColour) {
  TextSetColor(0x00FF40);
  EXPECT_EQ(TextDraw(u"AB", 100, 200), 0u);
  // Fake glyph boxes: x 101-108 and 111-118, y 202-217.
  EXPECT_EQ(BackPixel(101, 202), 0x00FF40u);
  EXPECT_EQ(BackPixel(118, 217), 0x00FF40u);
  EXPECT_EQ(BackPixel(109, 210), 0u);
  EXPECT_EQ(BackPixel(101, 201), 0u);
  EXPECT_EQ(CountColored(0x00FF40), 2 * 8 * 16);
}

TEST_F(TextTest, TextIsClippedAtTheScreenEdges) {
  TextSetColor(0xFFFFFF);
  TextDraw(u"ABCD", 700, 100);  // boxes at 701, 711, then beyond the edge
  EXPECT_EQ(BackPixel(718, 110), 0xFFFFFFu);
  EXPECT_EQ(BackPixel(719, 110), 0u);
  EXPECT_EQ(CountColored(0xFFFFFF), (8 + 8) * 16);
  VideoClear(0);
  TextDraw(u"A", 10, -10);  // rows -8 to 7: only 0-7 show
  EXPECT_EQ(CountColored(0xFFFFFF), 8 * 8);
  VideoClear(0);
  TextDraw(u"A", 10, 470);  // rows 472-487: 472-479 show
  EXPECT_EQ(CountColored(0xFFFFFF), 8 * 8);
  VideoClear(0);
  TextDraw(u"A", -5, 10);                     // the clip starts at the given x, so the left of the
  EXPECT_EQ(CountColored(0xFFFFFF), 4 * 16);  // box from -4 is cut at 0
}

TEST_F(TextTest, EmptyStringDrawsNothing) {
  TextSetColor(0xFFFFFF);
  EXPECT_EQ(TextDraw(u"", 10, 10), 0u);
  EXPECT_EQ(CountColored(0xFFFFFF), 0);
}

TEST_F(TextTest, NarrowTextWidens) {
  struct Case {
    const char* narrow;
    size_t maxChars;
    std::u16string wide;
  };
  const Case cases[] = {
      {"game.bin", 42, u"game.bin"},
      {"abcdef", 3, u"abc"},
      {"caf\xC3\xA9.bin", 42, u"caf\u00E9.bin"},
      {"\xE2\x82\xAC", 1, u"\u20AC"},
      {"bad\xFF\xC3", 42, u"bad\u00FF\u00C3"},  // not UTF-8: each byte stands alone
      {"\xF0\x9F\x8E\xAE!", 2, u"\U0001F3AE!"},
  };
  for (const Case& c : cases) {
    char16_t out[64];
    TextWiden(out, 64, c.narrow, c.maxChars);
    EXPECT_EQ(std::u16string(out), c.wide) << c.narrow;
  }
  char16_t small[4];
  TextWiden(small, 4, "abcdef", 42);
  EXPECT_EQ(std::u16string(small), u"abc");
}

}  // namespace
