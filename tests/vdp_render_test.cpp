// The line renderer: lines captured through a test line callback, with
// VRAM, CRAM, VSRAM and the registers set through the VDP ports as a
// program sets them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "core/machine.h"
#include "core/vdp.h"
#include "support/cart_image.h"

namespace {

using Line = std::array<u8, 320>;

constexpr u32 kCtrl = 0xC00004;
constexpr u32 kData = 0xC00000;

// Layout used by every test unless it says otherwise; planes are 64 x 32
// cells.
constexpr u32 kPlaneA = 0xC000;   // register 2 = 0x30
constexpr u32 kPlaneB = 0xE000;   // register 4 = 0x07
constexpr u32 kWindow = 0xB000;   // register 3 = 0x2C
constexpr u32 kSprites = 0xA800;  // register 5 = 0x54
constexpr u32 kHScroll = 0xAC00;  // register 13 = 0x2B

struct Capture {
  u32 calls;
  i32 lastLine;
  const u16* palette;
  std::array<u16, 64> colours;
  Line pixels;
};
Capture g_capture;

u32 CaptureLine(i32 line, const u16* palette, const u8* pixels) {
  ++g_capture.calls;
  g_capture.lastLine = line;
  g_capture.palette = palette;
  std::memcpy(g_capture.colours.data(), palette, sizeof g_capture.colours);
  std::memcpy(g_capture.pixels.data(), pixels, 320);
  return 0;
}

void SetReg(u32 r, u32 v) { VdpWritePort(kCtrl, 0x8000 | r << 8 | (v & 0xFF)); }

void Command(u32 first, u32 address) {
  VdpWritePort(kCtrl, first | (address & 0x3FFF));
  VdpWritePort(kCtrl, (address >> 14) & 3);
}

// Word writes from a VRAM byte address on (the auto-increment is 2).
void WriteVram(u32 address, const std::vector<u16>& words) {
  Command(0x4000, address);
  for (u16 w : words) VdpWritePort(kData, w);
}

void WriteVramWord(u32 address, u16 word) { WriteVram(address, {word}); }

void WriteCram(u32 index, u16 value) {
  Command(0xC000, index * 2);
  VdpWritePort(kData, value);
}

void WriteVsram(u32 index, u16 value) {
  VdpWritePort(kCtrl, 0x4000 | index * 2);
  VdpWritePort(kCtrl, 0x0010);
  VdpWritePort(kData, value);
}

// A pattern from its eight rows, each row eight nibbles, leftmost on top.
void WritePattern(u32 n, const std::array<u32, 8>& rows) {
  std::vector<u16> words;
  for (u32 r : rows) {
    words.push_back(static_cast<u16>(r >> 16));
    words.push_back(static_cast<u16>(r));
  }
  WriteVram(n * 32, words);
}

void WriteRowPattern(u32 n, u32 row) { WritePattern(n, {row, row, row, row, row, row, row, row}); }

void WriteSolidPattern(u32 n, u32 v) { WriteRowPattern(n, v * 0x11111111u); }

void WriteSprite(u32 n, u16 w0, u16 w1, u16 w2, u16 w3) {
  WriteVram(kSprites + n * 8, {w0, w1, w2, w3});
}

Line Filled(u8 v) {
  Line l;
  l.fill(v);
  return l;
}

Line With(Line l, i32 x, std::initializer_list<u8> values) {
  for (u8 v : values) l[x++] = v;
  return l;
}

// What a 32-cell line hands on: index 0 in the 32 pixels either side.
Line Bordered(Line l) {
  for (u32 x = 0; x < 32; ++x) l[x] = l[288 + x] = 0;
  return l;
}

::testing::AssertionResult SameLine(const Line& want, const Line& got) {
  for (u32 x = 0; x < 320; ++x) {
    if (want[x] != got[x]) {
      return ::testing::AssertionFailure()
             << "first difference at x " << x << ": want " << +want[x] << ", got " << +got[x];
    }
  }
  return ::testing::AssertionSuccess();
}

// The registers of that layout, on a 40-cell line with the display on.
void SetLayout() {
  SetReg(15, 2);
  SetReg(1, 0x40);
  SetReg(12, 0x81);
  SetReg(2, 0x30);
  SetReg(4, 0x07);
  SetReg(3, 0x2C);
  SetReg(5, 0x54);
  SetReg(13, 0x2B);
  SetReg(16, 0x01);  // planes 64 x 32 cells
}

class VdpRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoreInit();
    g_capture = {};
    g_coreInterface.lineCallback = CaptureLine;
    SetLayout();
  }
  void TearDown() override {
    g_coreInterface.lineCallback = nullptr;
    CoreShutdown();
  }

  static Line Render(i32 line) {
    const u32 before = g_capture.calls;
    EXPECT_EQ(VdpRenderLine(line), 0u);
    EXPECT_EQ(g_capture.calls, before + 1);
    EXPECT_EQ(g_capture.lastLine, line);
    return g_capture.pixels;
  }
};

TEST_F(VdpRenderTest, DisplayOffShowsTheBackgroundOnly) {
  WriteSolidPattern(1, 1);
  WriteVram(kPlaneA, std::vector<u16>(32, 0x0001));
  WriteSprite(0, 128, 0, 0x8001, 128);
  SetReg(1, 0x00);
  const struct {
    u8 reg12;
    u8 reg7;
    Line want;
  } cases[] = {
      {0x81, 0x2A, Filled(0x2A)},
      {0x81, 0xFF, Filled(63)},
      {0x81, 0x10, Filled(0x10)},
      {0x00, 0x3F, Bordered(Filled(0x3F))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(+c.reg7);
    SetReg(12, c.reg12);
    SetReg(7, c.reg7);
    EXPECT_TRUE(SameLine(c.want, Render(0)));
  }
}

TEST_F(VdpRenderTest, ThirtyTwoCellLineKeepsItsBordersOverPlanesAndSprites) {
  SetReg(12, 0x00);
  SetReg(7, 0x05);
  WriteSolidPattern(1, 1);
  for (u32 n = 2; n < 6; ++n) WriteSolidPattern(n, 2);
  WriteVram(kPlaneA, std::vector<u16>(32, 0x0001));  // screen x 4-259
  WriteVramWord(kHScroll, 4);                        // the strip now starts in the left margin
  // Sprite table at register 5 & 0x7F on a 32-cell line: 0x54 << 9 as well.
  WriteSprite(0, 128, 0x0C01, 0x0002, 128 - 7);    // 4 cells wide from x -7
  WriteSprite(1, 128, 0x0C00, 0x0002, 128 + 250);  // up to x 281
  Line picture = Filled(5);
  for (i32 x = 4; x < 260; ++x) picture[x] = 1;
  for (i32 x = 0; x < 25; ++x) picture[x] = 2;
  for (i32 x = 250; x < 282; ++x) picture[x] = 2;
  Line want = Filled(0);
  for (i32 x = 0; x < 256; ++x) want[32 + x] = picture[x];
  const Line got = Render(7);
  EXPECT_TRUE(SameLine(want, got));
}

// Plane content for the scroll and size cases: cell (row, col) shows pattern
// 1 + (col & 127) in palette line row & 3, and pattern p's pixel (x, y) is
// 1 + (p + x + y) % 15, so a pixel tells where in the plane it came from.
u8 PlanePixel(u32 planeX, u32 planeY) {
  const u32 p = 1 + ((planeX >> 3) & 127);
  return static_cast<u8>(((planeY >> 3) & 3) * 16 + 1 + (p + (planeX & 7) + (planeY & 7)) % 15);
}

void WritePlanePatterns() {
  for (u32 p = 1; p <= 128; ++p) {
    std::array<u32, 8> rows{};
    for (u32 y = 0; y < 8; ++y) {
      for (u32 x = 0; x < 8; ++x) rows[y] |= (1 + (p + x + y) % 15) << (28 - 4 * x);
    }
    WritePattern(p, rows);
  }
}

void WritePlane(u32 base, u32 width, u32 height) {
  std::vector<u16> words;
  for (u32 row = 0; row < height; ++row) {
    for (u32 col = 0; col < width; ++col) {
      words.push_back(static_cast<u16>((1 + (col & 127)) | (row & 3) << 13));
    }
  }
  WriteVram(base, words);
}

TEST_F(VdpRenderTest, PlaneScrollModesAndSizes) {
  struct Case {
    const char* name;
    u32 plane;  // 0 A, 1 B
    u8 reg11;
    u8 reg16;
    std::vector<std::pair<u32, u16>> hscroll;  // table word, value
    u16 vscroll;
    i32 line;
    i32 wantHscroll;
    u32 wantPlaneLine;
    bool cells40 = true;
  };
  const u32 widths[4] = {32, 64, 64, 128};
  const u32 heights[4] = {32, 64, 64, 128};
  const Case cases[] = {
      {"no scroll", 0, 0, 0x00, {}, 0, 0, 0, 0},
      {"hscroll 1 brings in the last column", 0, 0, 0x00, {{0, 1}}, 0, 0, 1, 0},
      {"hscroll 13", 0, 0, 0x00, {{0, 13}}, 0, 100, 13, 100},
      {"negative hscroll", 0, 0, 0x00, {{0, 0xFFF3}}, 0, 5, -13, 5},
      {"mode 1 is mode 0", 0, 1, 0x00, {{0, 5}, {200, 77}, {2 * 8, 9}}, 0, 100, 5, 100},
      {"mode 2: the entry of the row's first line",
       0,
       2,
       0x00,
       {{0, 3}, {2 * 8, 9}, {2 * 13, 50}},
       0,
       13,
       9,
       13},
      {"mode 3: the entry of the line", 0, 3, 0x00, {{2 * 8, 9}, {2 * 13, 50}}, 0, 13, 50, 13},
      {"plane B takes the second word",
       1,
       3,
       0x00,
       {{2 * 13, 50}, {2 * 13 + 1, 21}},
       0,
       13,
       21,
       13},
      {"plane B in mode 0", 1, 0, 0x00, {{0, 50}, {1, 6}}, 0, 13, 6, 13},
      {"vscroll", 0, 0, 0x00, {}, 37, 10, 0, 47},
      {"plane B vscroll", 1, 0, 0x00, {}, 37, 10, 0, 47},
      {"vscroll wraps at 256 lines", 0, 0, 0x00, {}, 250, 10, 0, 4},
      {"whole vscroll word", 0, 0, 0x00, {}, 0xFFFF, 1, 0, 0},
      {"64 cells high", 0, 0, 0x10, {}, 250, 10, 0, 260},
      {"height code 2 is 64 cells", 0, 0, 0x20, {}, 250, 10, 0, 260},
      {"128 cells high", 0, 0, 0x30, {}, 900, 30, 0, 930},
      {"64 cells wide", 0, 0, 0x01, {{0, 1}}, 0, 0, 1, 0},
      {"width code 2 is 64 cells", 0, 0, 0x02, {{0, 9}}, 0, 0, 9, 0},
      {"128 cells wide", 0, 0, 0x03, {{0, 300}}, 0, 0, 300, 0},
      {"64 x 64", 1, 3, 0x11, {{2 * 200 + 1, 0x0123}}, 400, 200, 0x123, 600},
      {"32-cell line", 0, 0, 0x00, {{0, 3}}, 0, 0, 3, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetReg(12, c.cells40 ? 0x81 : 0x00);
    SetReg(11, c.reg11);
    SetReg(16, c.reg16);
    WritePlanePatterns();
    const u32 width = widths[c.reg16 & 3];
    const u32 height = heights[(c.reg16 >> 4) & 3];
    WritePlane(c.plane == 0 ? kPlaneA : kPlaneB, width, height);
    for (const auto& [index, value] : c.hscroll) WriteVramWord(kHScroll + index * 2, value);
    WriteVsram(c.plane, c.vscroll);
    WriteVsram(c.plane ^ 1, 99);  // the other plane's entry must not count
    Line want;
    for (i32 x = 0; x < 320; ++x) {
      const u32 planeX = static_cast<u32>(x - c.wantHscroll) & (width * 8 - 1);
      want[x] = PlanePixel(planeX, c.wantPlaneLine);
    }
    if (!c.cells40) {
      Line shifted = Filled(0);
      for (i32 x = 0; x < 256; ++x) shifted[32 + x] = want[x];
      want = shifted;
    }
    EXPECT_TRUE(SameLine(want, Render(c.line)));
  }
}

TEST_F(VdpRenderTest, HscrollOneShowsTheLastColumnsLastPixelAtXZero) {
  WriteRowPattern(1, 0x12345678);
  WriteRowPattern(2, 0x9ABCDEF1);
  std::vector<u16> row(64, 0x0001);
  row[63] = 0x0002;
  WriteVram(kPlaneA, row);
  WriteVramWord(kHScroll, 1);
  Line want;
  want[0] = 1;  // pixel 7 of column 63
  for (i32 x = 1; x < 320; ++x) want[x] = static_cast<u8>((x - 1) % 8 + 1);
  EXPECT_TRUE(SameLine(want, Render(0)));
}

TEST_F(VdpRenderTest, PatternFlips) {
  // Row r: pixel 0 is r + 1, pixels 1-7 are 9-15.
  std::array<u32, 8> rows{};
  for (u32 r = 0; r < 8; ++r) rows[r] = (r + 1) << 28 | 0x09ABCDEF;
  WritePattern(5, rows);
  const struct {
    u16 flags;
    i32 line;
    Line want;
  } cases[] = {
      {0x0000, 0, With(Filled(0), 0, {1, 9, 10, 11, 12, 13, 14, 15})},
      {0x0000, 3, With(Filled(0), 0, {4, 9, 10, 11, 12, 13, 14, 15})},
      {0x0800, 3, With(Filled(0), 0, {15, 14, 13, 12, 11, 10, 9, 4})},
      {0x1000, 3, With(Filled(0), 0, {5, 9, 10, 11, 12, 13, 14, 15})},
      {0x1800, 0, With(Filled(0), 0, {15, 14, 13, 12, 11, 10, 9, 8})},
      {0x6000, 0, With(Filled(0), 0, {49, 57, 58, 59, 60, 61, 62, 63})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    WriteVramWord(kPlaneA, 0x0005 | c.flags);
    EXPECT_TRUE(SameLine(c.want, Render(c.line)));
  }
}

TEST_F(VdpRenderTest, LayersArePaintedByPriority) {
  WriteSolidPattern(20, 1);
  WriteSolidPattern(21, 2);
  WriteRowPattern(22, 0x00003333);
  WriteRowPattern(23, 0x44440000);
  WriteSolidPattern(24, 5);
  constexpr u16 kHigh = 0x8000;
  const struct {
    const char* name;
    u16 b;
    u16 a;
    u16 sprite;  // attribute word; 0: no sprite
    std::array<u8, 8> want;
  } cases[] = {
      {"plane B alone", 20, 0, 0, {1, 1, 1, 1, 1, 1, 1, 1}},
      {"plane A covers plane B", 20, 21, 0, {2, 2, 2, 2, 2, 2, 2, 2}},
      {"zero pixels of A show B", 20, 22, 0, {1, 1, 1, 1, 3, 3, 3, 3}},
      {"high B covers low A", kHigh | 20, 21, 0, {1, 1, 1, 1, 1, 1, 1, 1}},
      {"high A covers high B", kHigh | 20, kHigh | 22, 0, {1, 1, 1, 1, 3, 3, 3, 3}},
      {"low sprite covers low A", 0, 21, 24, {5, 5, 5, 5, 5, 5, 5, 5}},
      {"high A covers a low sprite", 0, kHigh | 22, 24, {5, 5, 5, 5, 3, 3, 3, 3}},
      {"high B covers a low sprite", kHigh | 21, 0, 24, {2, 2, 2, 2, 2, 2, 2, 2}},
      {"high sprite covers high A", 0, kHigh | 21, kHigh | 24, {5, 5, 5, 5, 5, 5, 5, 5}},
      {"high sprite over low A shows A at its zero pixels",
       0,
       21,
       kHigh | 23,
       {4, 4, 4, 4, 2, 2, 2, 2}},
      {"low sprite between low B and high A", 20, kHigh | 22, 23, {4, 4, 4, 4, 3, 3, 3, 3}},
      {"palette lines", 20 | 0x2000, 0, 24 | 0x6000, {53, 53, 53, 53, 53, 53, 53, 53}},
  };
  SetReg(7, 0x07);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteVramWord(kPlaneB, c.b);
    WriteVramWord(kPlaneA, c.a);
    WriteSprite(0, c.sprite ? 128 : 0, 0, c.sprite, 128);
    Line want = Filled(7);
    for (u32 x = 0; x < 8; ++x) want[x] = c.want[x];
    EXPECT_TRUE(SameLine(want, Render(0)));
  }
}

TEST_F(VdpRenderTest, WindowSplitsByRegister18) {
  // Window cells: row r pixel 0 is r + 1, the rest 9-15; plane A solid 6,
  // scrolled so that a window drawn with plane A's scroll would show.
  std::array<u32, 8> rows{};
  for (u32 r = 0; r < 8; ++r) rows[r] = (r + 1) << 28 | 0x09ABCDEF;
  WritePattern(5, rows);
  WriteSolidPattern(6, 6);
  WriteVram(kWindow, std::vector<u16>(64 * 28, 0x0005));
  WriteVram(kPlaneA, std::vector<u16>(64 * 32, 0x0006));
  WriteVramWord(kHScroll, 3);
  WriteVsram(0, 5);
  const Line window0 = With(Filled(0), 0, {1, 9, 10, 11, 12, 13, 14, 15});
  const Line window7 = With(Filled(0), 0, {8, 9, 10, 11, 12, 13, 14, 15});
  const struct {
    u8 reg18;
    i32 line;
    bool window;
  } cases[] = {
      {0x00, 0, false},  {0x00, 223, false}, {0x05, 0, true},   {0x05, 39, true},
      {0x05, 40, false}, {0x85, 39, false},  {0x85, 40, true},  {0x85, 223, true},
      {0x80, 0, true},   {0x9F, 223, false}, {0x1F, 223, true}, {0x60, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "reg18 " << +c.reg18 << " line " << c.line);
    SetReg(18, c.reg18);
    const Line got = Render(c.line);
    if (!c.window) {
      EXPECT_TRUE(SameLine(Filled(6), got));
      continue;
    }
    Line want = (c.line & 7) == 0 ? window0 : window7;
    for (u32 cell = 0; cell < 40; ++cell) {
      for (u32 x = 0; x < 8; ++x) want[cell * 8 + x] = want[x];
    }
    EXPECT_TRUE(SameLine(want, got));
  }
}

TEST_F(VdpRenderTest, WindowLineHidesPlaneAEvenWhereTheWindowIsEmpty) {
  WriteSolidPattern(6, 6);
  WriteSolidPattern(1, 1);
  WriteVram(kPlaneA, std::vector<u16>(64 * 32, 0x0006));
  WriteVram(kPlaneB + 2 * 64 * 2, std::vector<u16>(64, 0x0001));
  SetReg(18, 0x05);
  SetReg(7, 0x09);
  EXPECT_TRUE(SameLine(Filled(1), Render(16))) << "plane B still shows";
  WriteVram(kPlaneB + 2 * 64 * 2, std::vector<u16>(64, 0x0000));
  EXPECT_TRUE(SameLine(Filled(9), Render(16)));
}

TEST_F(VdpRenderTest, WindowRowsAndBaseFollowTheLineWidth) {
  WriteSolidPattern(1, 1);
  WriteSolidPattern(2, 2);
  SetReg(3, 0x2E);  // 40-cell: byte 0xB000; 32-cell: byte 0xB800
  SetReg(18, 0x1F);
  WriteVramWord(0xB000 + 64 * 2, 0x0001);  // 40-cell row 1
  WriteVramWord(0xB800 + 32 * 2, 0x0002);  // 32-cell row 1
  EXPECT_TRUE(SameLine(With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1}), Render(8)));
  SetReg(12, 0x00);
  EXPECT_TRUE(SameLine(Bordered(With(Filled(0), 32, {2, 2, 2, 2, 2, 2, 2, 2})), Render(8)));
}

// Sprite patterns 30 (pixels 1-8, palette line 1 of the sprite) and 31
// (solid 10) side by side in a sprite two cells wide.
class VdpSpriteTest : public VdpRenderTest {
 protected:
  void SetUp() override {
    VdpRenderTest::SetUp();
    WriteRowPattern(30, 0x12345678);
    WriteSolidPattern(31, 10);
  }
};

TEST_F(VdpSpriteTest, ColumnsAtTheScreenEdges) {
  const Line ramp = With(Filled(0), 0, {17, 18, 19, 20, 21, 22, 23, 24});
  const struct {
    u16 w3;
    Line want;
  } cases[] = {
      {128, With(ramp, 8, {26, 26, 26, 26, 26, 26, 26, 26})},
      {121, With(Filled(0), 0, {24, 26, 26, 26, 26, 26, 26, 26, 26})},
      {120, With(Filled(0), 0, {26, 26, 26, 26, 26, 26, 26, 26})},
      {113, With(Filled(0), 0, {26})},
      {112, Filled(0)},
      {0, Filled(0)},
      {0xFC80, With(ramp, 8, {26, 26, 26, 26, 26, 26, 26, 26})},
      {128 + 312, With(Filled(0), 312, {17, 18, 19, 20, 21, 22, 23, 24})},
      {128 + 305,
       With(Filled(0), 305, {17, 18, 19, 20, 21, 22, 23, 24, 26, 26, 26, 26, 26, 26, 26})},
      {128 + 319, With(Filled(0), 319, {17})},
      {128 + 320, Filled(0)},
      {0x3FF, Filled(0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.w3);
    WriteSprite(0, 128, 0x0400, 0x201E, c.w3);
    // A column that starts at x -8 or further left is not drawn at all, not
    // even into the margin.
    std::memset(g_lineBuffer, 0xEE, 25);
    EXPECT_TRUE(SameLine(c.want, Render(0)));
    for (u32 i = 0; i < 25; ++i) EXPECT_EQ(g_lineBuffer[i], 0xEE) << "position " << i;
  }
}

TEST_F(VdpSpriteTest, LinesCoveredByASprite) {
  // Cells 40-47: pixel 0 is the pattern row + 1, pixel 1 the cell's place in
  // the sprite + 1.
  for (u32 k = 0; k < 4; ++k) {
    std::array<u32, 8> rows{};
    for (u32 r = 0; r < 8; ++r) rows[r] = (r + 1) << 28 | (k + 1) << 24;
    WritePattern(40 + k, rows);
  }
  const struct {
    u16 w0;
    u16 w1;
    u16 flags;
    i32 line;
    int row;   // -1: not drawn
    int cell;  // cell row within the sprite
  } cases[] = {
      {128, 0x0100, 0, 0, 0, 0},      {128, 0x0100, 0, 15, 7, 1},
      {128, 0x0100, 0, 16, -1, 0},    {128, 0x0000, 0, 8, -1, 0},
      {128, 0x0300, 0, 31, 7, 3},     {130, 0x0300, 0, 33, 7, 3},
      {130, 0x0300, 0, 34, -1, 0},    {120, 0x0100, 0, 0, 0, 1},
      {127, 0x0000, 0, 0, 1, 0},      {0x3FF, 0x0300, 0, 223, -1, 0},
      {0xFC80, 0x0000, 0, 0, 0, 0},   {128 + 224, 0x0000, 0, 223, -1, 0},
      {128, 0x0100, 0x1000, 0, 7, 1}, {128, 0x0100, 0x1000, 15, 0, 0},
      {128, 0x0300, 0x1000, 9, 6, 2}, {128, 0x0000, 0x1000, 2, 5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "w0 " << c.w0 << " w1 " << c.w1 << " line " << c.line);
    WriteSprite(0, c.w0, c.w1, static_cast<u16>(40 | c.flags), 128);
    Line want = Filled(0);
    if (c.row >= 0) want = With(want, 0, {static_cast<u8>(c.row + 1), static_cast<u8>(c.cell + 1)});
    EXPECT_TRUE(SameLine(want, Render(c.line)));
  }
}

TEST_F(VdpSpriteTest, CellsRunColumnByColumnAndFlipAsAWhole) {
  // 2 x 2 sprite from pattern 50: pattern 50 + k has pixel 0 = k + 1 and
  // pixels 1-7 = k + 9.
  for (u32 k = 0; k < 4; ++k) WriteRowPattern(50 + k, (k + 1) << 28 | (k + 9) * 0x1111111u);
  const auto cell = [](Line l, i32 x, u32 k, bool flipped) {
    for (i32 i = 0; i < 8; ++i) l[x + i] = static_cast<u8>(k + 9);
    l[flipped ? x + 7 : x] = static_cast<u8>(k + 1);
    return l;
  };
  const struct {
    u16 flags;
    i32 line;
    Line want;
  } cases[] = {
      {0x0000, 0, cell(cell(Filled(0), 0, 0, false), 8, 2, false)},
      {0x0000, 8, cell(cell(Filled(0), 0, 1, false), 8, 3, false)},
      {0x0800, 0, cell(cell(Filled(0), 0, 2, true), 8, 0, true)},
      {0x1000, 0, cell(cell(Filled(0), 0, 1, false), 8, 3, false)},
      {0x1800, 8, cell(cell(Filled(0), 0, 2, true), 8, 0, true)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    WriteSprite(0, 128, 0x0500, static_cast<u16>(50 | c.flags), 128);
    EXPECT_TRUE(SameLine(c.want, Render(c.line)));
  }
}

TEST_F(VdpSpriteTest, FlippedSpriteWhoseFirstColumnIsOffScreen) {
  for (u32 k = 0; k < 4; ++k) WriteSolidPattern(60 + k, k + 1);
  // 4 x 1, flipped: on screen the columns show patterns 63, 62, 61, 60.
  WriteSprite(0, 128, 0x0C00, 0x083C, 120);
  Line want = Filled(0);
  for (i32 x = 0; x < 24; ++x) want[x] = static_cast<u8>(3 - x / 8);
  EXPECT_TRUE(SameLine(want, Render(0)));
}

TEST_F(VdpSpriteTest, LinkOrderDecidesWhichSpriteIsOnTop) {
  WriteSolidPattern(1, 1);
  WriteSolidPattern(2, 2);
  WriteSolidPattern(3, 3);
  struct Sprite {
    u32 n;
    u16 link;
    u16 attr;
    u16 x;
  };
  const struct {
    const char* name;
    std::vector<Sprite> sprites;
    Line want;
  } cases[] = {
      {"sprite 0 over its successor",
       {{0, 1, 0x0001, 128}, {1, 0, 0x0002, 132}},
       With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2})},
      {"order follows the links, not the numbers",
       {{0, 2, 0x0001, 140}, {2, 1, 0x0002, 128}, {1, 0, 0x0003, 132}},
       With(Filled(0), 0, {2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1})},
      {"high sprite later in the list over a low one before it",
       {{0, 1, 0x0001, 128}, {1, 0, 0x8002, 132}},
       With(Filled(0), 0, {1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2})},
      {"sprite 0 linking to 0 ends the list",
       {{0, 0, 0x0001, 128}, {1, 0, 0x0002, 200}},
       With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1})},
      {"sprite 0 is drawn even when its link is 0",
       {{0, 0, 0x0003, 300}},
       With(Filled(0), 172, {3, 3, 3, 3, 3, 3, 3, 3})},
      {"links are taken as 7 bits",
       {{0, 0x82, 0x0001, 128}, {2, 0, 0x0002, 136}},
       With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2})},
      {"a loop of links repeats its sprites",
       {{0, 1, 0x0001, 128}, {1, 0x80, 0x0002, 132}},
       With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteVram(kSprites, std::vector<u16>(80 * 4, 0));
    for (const Sprite& s : c.sprites) WriteSprite(s.n, 128, s.link, s.attr, s.x);
    EXPECT_TRUE(SameLine(c.want, Render(0)));
  }
}

TEST_F(VdpSpriteTest, TheWalkStopsAfterEightyEntries) {
  WriteSolidPattern(1, 1);
  WriteSolidPattern(2, 2);
  // Sprites 0-99 in one chain; only 79 (the 80th) and 80 are visible.
  for (u32 n = 0; n < 100; ++n) WriteSprite(n, 0, static_cast<u16>(n + 1), 0, 0);
  WriteSprite(79, 128, 80, 0x0001, 128);
  WriteSprite(80, 128, 81, 0x0002, 200);
  EXPECT_TRUE(SameLine(With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1}), Render(0)));
}

TEST_F(VdpSpriteTest, AttributeTableBaseFollowsTheLineWidth) {
  WriteSolidPattern(1, 1);
  SetReg(5, 0x55);  // 40-cell: byte 0xA800; 32-cell: byte 0xAA00
  WriteVram(0xAA00, {128, 0, 0x0001, 128});
  EXPECT_TRUE(SameLine(Filled(0), Render(0)));
  SetReg(12, 0x00);
  EXPECT_TRUE(SameLine(Bordered(With(Filled(0), 32, {1, 1, 1, 1, 1, 1, 1, 1})), Render(0)));
}

// Lays words into work RAM at 0xFF0000 and sends them to VRAM by DMA.
void DmaFromWorkRam(u32 address, const std::vector<u16>& words) {
  std::memcpy(g_machine.ram, words.data(), words.size() * 2);
  SetReg(1, 0x50);
  SetReg(19, static_cast<u32>(words.size()));
  SetReg(20, 0);
  SetReg(21, 0x00);
  SetReg(22, 0x80);
  SetReg(23, 0x7F);
  VdpWritePort(kCtrl, 0x4000 | (address & 0x3FFF));
  VdpWritePort(kCtrl, 0x80 | (address >> 14));
  SetReg(1, 0x40);
}

// Fills count words from a VRAM byte address with value by DMA.
void DmaFill(u32 address, u32 count, u16 value) {
  SetReg(1, 0x50);
  SetReg(19, count - 1);
  SetReg(20, 0);
  SetReg(23, 0x80);
  VdpWritePort(kCtrl, 0x4000 | (address & 0x3FFF));
  VdpWritePort(kCtrl, 0x80 | (address >> 14));
  VdpWritePort(kData, value);
  SetReg(23, 0);
  SetReg(1, 0x40);
}

// Sprite 0 (solid 1 at x 0) links to sprite 100 (solid 3 at x 72), which
// only a link reaches. Sprite 64 (solid 2 at x 8) is where a 32-cell line
// finds its table: register 5 = 0x55 gives byte 0xA800 on a 40-cell line and
// 0xAA00 on a 32-cell one. A second table at 0xA000 holds sprite 0 at x 240.
void SpriteScene() {
  SetReg(5, 0x55);
  for (u32 n = 1; n <= 3; ++n) WriteSolidPattern(n, n);
  WriteVram(kSprites, std::vector<u16>(128 * 4, 0));
  WriteSprite(0, 128, 100, 0x0001, 128);
  WriteSprite(100, 128, 0, 0x0003, 128 + 72);
  WriteSprite(64, 128, 0, 0x0002, 128 + 8);
  WriteVram(0xA000, {128, 0, 0x0001, 128 + 240});
}

Line Cell(Line l, i32 x, u8 v) {
  for (i32 i = 0; i < 8; ++i) l[x + i] = v;
  return l;
}

// The sprite list is walked once and kept by line; in the line-by-line
// frame a program writes between lines, and every write that can change what
// the next line shows must be seen there.
TEST_F(VdpRenderTest, SpriteChangesBetweenLinesReachTheNextLine) {
  const Line scene = Cell(Cell(Filled(0), 0, 1), 72, 3);
  const struct {
    const char* name;
    void (*change)();
    Line want;
  } cases[] = {
      {"sprite 0 moved below the line", [] { WriteVramWord(kSprites, 128 + 6); },
       Cell(Filled(0), 72, 3)},
      {"sprite 0 moved across", [] { WriteVramWord(kSprites + 6, 128 + 40); },
       Cell(Cell(Filled(0), 40, 1), 72, 3)},
      {"sprite 0 unlinked", [] { WriteVramWord(kSprites + 2, 0); }, Cell(Filled(0), 0, 1)},
      {"sprite 100 moved across", [] { WriteVramWord(kSprites + 100 * 8 + 6, 128 + 100); },
       Cell(Cell(Filled(0), 0, 1), 100, 3)},
      {"sprite 0 replaced by DMA",
       [] {
         DmaFromWorkRam(kSprites, {128, 100, 0x0002, 128 + 16});
       },
       Cell(Cell(Filled(0), 16, 2), 72, 3)},
      {"sprite 100 cleared by a DMA fill", [] { DmaFill(kSprites + 100 * 8, 4, 0); },
       Cell(Filled(0), 0, 1)},
      {"table moved by register 5", [] { SetReg(5, 0x50); }, Cell(Filled(0), 240, 1)},
      {"table moved by the line width", [] { SetReg(12, 0x00); },
       Bordered(Cell(Filled(0), 32 + 8, 2))},
      {"machine cleared by a load",
       [] {
         CoreLoadRom(nullptr, 0);
         SetLayout();
         SetReg(5, 0x55);
         for (u32 n = 1; n <= 3; ++n) WriteSolidPattern(n, n);
       },
       Filled(0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLayout();
    SpriteScene();
    EXPECT_TRUE(SameLine(scene, Render(4)));
    c.change();
    EXPECT_TRUE(SameLine(c.want, Render(5)));
  }
}

TEST_F(VdpRenderTest, NameTableRowsWrapPastTheEndOfVram) {
  // Plane A at byte 0xE000, 128 x 128 cells: row 33 would start at byte
  // 0xE000 + 33 * 256 = 0x16100 and wraps to 0x0100.
  SetReg(2, 0x38);
  SetReg(16, 0x33);
  WriteSolidPattern(0x680, 7);
  WriteVramWord(0x0100, 0x0680);
  WriteVsram(0, 33 * 8);
  EXPECT_TRUE(SameLine(With(Filled(0), 0, {7, 7, 7, 7, 7, 7, 7, 7}), Render(0)));
}

TEST(VdpColourTest, CramWordsToHostColours) {
  const struct {
    u16 cram;
    u16 rgb;
  } cases[] = {
      {0x000, 0x18C3},  {0x00E, 0xF8C3}, {0x0E0, 0x1FC3}, {0xE00, 0x18DF}, {0xEEE, 0xFFDF},
      {0xF111, 0x18C3}, {0x002, 0x38C3}, {0x020, 0x19C3}, {0x200, 0x18C7}, {0x48A, 0xBCCB},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VdpColorToRgb565(c.cram), c.rgb) << std::hex << c.cram;
    EXPECT_EQ(g_colorConvert(c.cram), c.rgb) << std::hex << c.cram;
  }
}

TEST_F(VdpRenderTest, PaletteIsRebuiltOnlyAfterColourRamChanged) {
  // Power-on marks the palette dirty: the first line converts all of CRAM.
  Render(0);
  EXPECT_EQ(g_capture.palette, g_machine.hostPalette);
  for (u16 c : g_capture.colours) EXPECT_EQ(c, 0x18C3);
  EXPECT_EQ(g_machine.paletteDirty, 0);

  WriteCram(5, 0x00E);
  WriteCram(63, 0xEEE);
  g_machine.hostPalette[7] = 0xBEEF;  // stands for a stale colour
  Render(1);
  EXPECT_EQ(g_capture.colours[5], 0xF8C3);
  EXPECT_EQ(g_capture.colours[63], 0xFFDF);
  EXPECT_EQ(g_capture.colours[7], 0x18C3);

  g_machine.hostPalette[7] = 0xBEEF;
  Render(2);
  EXPECT_EQ(g_capture.colours[7], 0xBEEF) << "no CRAM write, no conversion";
}

TEST_F(VdpRenderTest, AfterALoadThePaletteIsAllZeroUntilColourRamIsWritten) {
  CoreLoadRom(nullptr, 0);
  Render(0);
  for (u16 c : g_capture.colours) EXPECT_EQ(c, 0);
  WriteCram(0, 0x0E0);
  Render(1);
  EXPECT_EQ(g_capture.colours[0], 0x1FC3);
  EXPECT_EQ(g_capture.colours[1], 0x18C3);
}

TEST_F(VdpRenderTest, WithoutACallbackNothingIsBuilt) {
  g_coreInterface.lineCallback = nullptr;
  EXPECT_EQ(VdpRenderLine(0), 0u);
  EXPECT_EQ(g_machine.paletteDirty, 1);
  EXPECT_EQ(g_capture.calls, 0u);
}

// Any register and memory contents: every index handed on is 0-63, pattern
// pixels never give a value-0 index, and nothing is written outside
// positions 25-358 of the line buffer (ASan watches the arrays themselves).
TEST_F(VdpRenderTest, ArbitraryRegistersAndMemoryStayInBounds) {
  u32 seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    for (u32 i = 0; i < 65536; ++i) g_machine.vram[i] = static_cast<u8>(next());
    for (u16& w : g_machine.cram) w = static_cast<u16>(next());
    for (u16& w : g_machine.vsram) w = static_cast<u16>(next());
    for (u8& r : g_machine.vdp.regs) r = static_cast<u8>(next());
    g_machine.vdp.regs[1] |= 0x40;
    g_machine.paletteDirty = 1;
    if (round % 4 == 0) {
      // Every sprite at the left or right edge, four cells wide and high,
      // linked in a loop.
      const u32 table = (g_machine.vdp.regs[5] & ((g_machine.vdp.regs[12] & 1) ? 0x7Eu : 0x7Fu))
                        << 9;
      for (u32 n = 0; n < 128; ++n) {
        const u32 x = (n & 1) ? 128 + 319 - (next() & 3) : 112 + (next() & 15);
        const u16 words[4] = {static_cast<u16>(128 + (next() & 31)),
                              static_cast<u16>(0x0F00 | ((n + 1) & 0x7F)),
                              static_cast<u16>(next() | 0x07FF), static_cast<u16>(x)};
        std::memcpy(g_machine.vram + ((table + n * 8) & 0xFFFF), words, 8);
      }
    }
    const u8 background = g_machine.vdp.regs[7] & 63;
    const bool cells40 = g_machine.vdp.regs[12] & 1;
    for (i32 line = 0; line < 224; ++line) {
      std::memset(g_lineBuffer, 0xEE, 25);
      g_lineBuffer[359] = 0xEE;
      Render(line);
      if (cells40) {
        for (u32 i = 0; i < 25; ++i) ASSERT_EQ(g_lineBuffer[i], 0xEE) << "position " << i;
      }
      ASSERT_EQ(g_lineBuffer[359], 0xEE);
      for (u32 x = 0; x < 320; ++x) {
        const u8 p = g_capture.pixels[x];
        ASSERT_LT(p, 64) << "x " << x;
        const bool border = !cells40 && (x < 32 || x >= 288);
        if (border) {
          ASSERT_EQ(p, 0) << "x " << x;
        } else if ((p & 15) == 0) {
          ASSERT_EQ(p, background) << "x " << x;
        }
      }
    }
  }
  // Lines outside 0-223 are no better input than any other.
  for (i32 line : {-1, -38, 224, 1000, -2147483647 - 1, 2147483647}) Render(line);
}

// A cartridge program sets the registers, a colour and a pattern through the
// bus, then waits; the frame hands on all 224 lines in order.
std::vector<i32> g_frameLines;
Line g_frameLine0;
u16 g_frameColour1;

u32 RecordFrameLine(i32 line, const u16* palette, const u8* pixels) {
  g_frameLines.push_back(line);
  if (line == 0) {
    std::memcpy(g_frameLine0.data(), pixels, 320);
    g_frameColour1 = palette[1];
  }
  return 0;
}

TEST(VdpFrameTest, AProgramsWritesReachTheLinesOfItsFrame) {
  constexpr u16 kMoveWImmAbsL = 0x33FC;
  constexpr u16 kMoveLImmAbsL = 0x23FC;
  CartImage image(0x1000);
  image.Long(0, 0x00FF8000).Long(4, 0x200);
  image.Code(0x200, {
                        kMoveWImmAbsL, 0x8144, 0x00C0, 0x0004,          // display on
                        kMoveWImmAbsL, 0x8C81, 0x00C0, 0x0004,          // 40-cell line
                        kMoveWImmAbsL, 0x8230, 0x00C0, 0x0004,          // plane A at 0xC000
                        kMoveWImmAbsL, 0x8F02, 0x00C0, 0x0004,          // auto-increment 2
                        kMoveWImmAbsL, 0x9001, 0x00C0, 0x0004,          // planes 64 x 32
                        kMoveLImmAbsL, 0xC002, 0x0000, 0x00C0, 0x0004,  // CRAM entry 1
                        kMoveWImmAbsL, 0x000E, 0x00C0, 0x0000,          // full red
                        kMoveLImmAbsL, 0x4020, 0x0000, 0x00C0, 0x0004,  // pattern 1
                        0x700F,                                         // MOVEQ #15,D0
                        kMoveWImmAbsL, 0x1111, 0x00C0, 0x0000,          // loop: one row half
                        0x51C8,        0xFFF6,                          // DBRA D0,loop
                        kMoveLImmAbsL, 0x4000, 0x0003, 0x00C0, 0x0004,  // name table cell 0
                        kMoveWImmAbsL, 0x0001, 0x00C0, 0x0000,          // pattern 1
                        0x60FE,                                         // BRA.S *
                    });
  CoreInit();
  CoreLoadRom(image.data(), image.size());
  g_frameLines.clear();
  g_coreInterface.lineCallback = RecordFrameLine;
  EXPECT_EQ(CoreRunFrame(), 0u);
  g_coreInterface.lineCallback = nullptr;
  std::vector<i32> want(224);
  for (i32 y = 0; y < 224; ++y) want[y] = y;
  EXPECT_EQ(g_frameLines, want);
  EXPECT_TRUE(SameLine(With(Filled(0), 0, {1, 1, 1, 1, 1, 1, 1, 1}), g_frameLine0));
  EXPECT_EQ(g_frameColour1, 0xF8C3);
  CoreShutdown();
}

// In the line-by-line frame a horizontal interrupt every 8 lines moves
// sprite 0 (solid 1, 32 lines tall) 8 pixels right through the data port:
// each line shows the sprite where the writes made before it left it.
std::vector<Line> g_frameShots;

u32 RecordEveryLine(i32 line, const u16*, const u8* pixels) {
  std::memcpy(g_frameShots.at(static_cast<size_t>(line)).data(), pixels, 320);
  return 0;
}

TEST(VdpFrameTest, SpriteMovedByHorizontalInterruptsMovesOnTheNextLine) {
  constexpr u16 kMoveWImmAbsL = 0x33FC;
  constexpr u16 kMoveLImmAbsL = 0x23FC;
  CartImage image(0x1000);
  image.Long(0, 0x00FF8000).Long(4, 0x200).Long(0x70, 0x300);
  image.Code(0x200, {
                        kMoveWImmAbsL, 0x8F02, 0x00C0, 0x0004,          // auto-increment 2
                        kMoveWImmAbsL, 0x8C81, 0x00C0, 0x0004,          // 40-cell line
                        kMoveWImmAbsL, 0x8230, 0x00C0, 0x0004,          // plane A at 0xC000
                        kMoveWImmAbsL, 0x8407, 0x00C0, 0x0004,          // plane B at 0xE000
                        kMoveWImmAbsL, 0x8554, 0x00C0, 0x0004,          // sprites at 0xA800
                        kMoveWImmAbsL, 0x8A07, 0x00C0, 0x0004,          // every 8 lines
                        kMoveLImmAbsL, 0x4020, 0x0000, 0x00C0, 0x0004,  // patterns 1-4
                        0x703F,                                         // MOVEQ #63,D0
                        kMoveWImmAbsL, 0x1111, 0x00C0, 0x0000,          // loop: one row half
                        0x51C8,        0xFFF6,                          // DBRA D0,loop
                        kMoveLImmAbsL, 0x6800, 0x0002, 0x00C0, 0x0004,  // sprite 0
                        kMoveWImmAbsL, 128,    0x00C0, 0x0000,          // line 0
                        kMoveWImmAbsL, 0x0300, 0x00C0, 0x0000,          // 1 x 4 cells, no link
                        kMoveWImmAbsL, 0x0001, 0x00C0, 0x0000,          // pattern 1
                        kMoveWImmAbsL, 128,    0x00C0, 0x0000,          // x 0
                        0x3E3C,        128,                             // MOVE.W #128,D7
                        kMoveWImmAbsL, 0x8014, 0x00C0, 0x0004,          // horizontal interrupts
                        kMoveWImmAbsL, 0x8144, 0x00C0, 0x0004,          // display on
                        0x46FC,        0x2000,                          // MOVE #$2000,SR
                        0x60FE,                                         // BRA.S *
                    });
  image.Code(0x300, {
                        kMoveLImmAbsL, 0x6806, 0x0002, 0x00C0, 0x0004,  // sprite 0 word 3
                        0x5047,                                         // ADDQ.W #8,D7
                        0x33C7, 0x00C0, 0x0000,                         // MOVE.W D7,data
                        0x4E73,                                         // RTE
                    });
  CoreInit();
  CoreLoadRom(image.data(), image.size());
  EXPECT_EQ(CoreRunFrame(), 0u);  // the program sets up; this frame runs whole
  g_frameShots.assign(224, Filled(0xEE));
  g_coreInterface.lineCallback = RecordEveryLine;
  EXPECT_EQ(CoreRunFrame(), 0u);  // by lines
  g_coreInterface.lineCallback = nullptr;
  for (i32 line = 0; line < 224; ++line) {
    SCOPED_TRACE(line);
    // Level 4 is taken at the start of lines 8, 16, 24, ..., after the line
    // is drawn.
    const i32 x = line == 0 ? 0 : (line - 1) / 8 * 8;
    EXPECT_TRUE(SameLine(line < 32 ? Cell(Filled(0), x, 1) : Filled(0), g_frameShots[line]));
  }
  CoreShutdown();
}

}  // namespace
