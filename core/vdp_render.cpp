// VDP line renderer: a painter's renderer that draws the layers of one line
// back to front into a line buffer of palette indices (pattern pixel 0 is
// transparent, so priority is only drawing order), keeps the host colours in
// step with CRAM, and hands the line to the frontend.
//
// Every VRAM index is wrapped to 15 bits, and every cell or sprite column is
// drawn at buffer position 24 + p with 0 < p < 328, so its eight pixels land
// in positions 25-358: the margins absorb what lies off screen and no
// drawing code clips.
#include <array>
#include <bit>
#include <cstring>

#include "core/machine.h"
#include "core/vdp.h"

u8 g_lineBuffer[kLineBufferSize];
i32 g_currentLine;
u16 (*g_colorConvert)(u16 color) = VdpColorToRgb565;

namespace {

constexpr i32 kVisible = 32;  // buffer position of screen x 0
constexpr i32 kCellOrigin = 24;
constexpr i32 kPosLimit = 328;  // cells start at kCellOrigin + pos, 0 < pos < kPosLimit

static_assert(kCellOrigin + kPosLimit - 1 + 7 < kLineBufferSize, "right margin too small");
static_assert(kVisible + 320 <= kLineBufferSize);

// One name-table row to draw.
struct TileStrip {
  u32 rowBase;     // VRAM word index of cell 0 of the row
  i32 planeLine;   // pixel row in the plane or window; low 3 bits pick the pattern row
  u32 hscroll;     // horizontal scroll in pixels
  u32 columnMask;  // wrap mask of the cell column
  u32 priority;    // 0 or 1
};

// log2 of the plane size in cells by size code; code 2 is taken as 64.
constexpr i8 shift[4] = {5, 6, 6, 7};

inline u8 Reg(u32 index) { return g_machine.vdp.regs[index]; }

inline u16 Vram(u32 index) {
  u16 w;
  std::memcpy(&w, g_machine.vram + ((index & 0x7FFF) << 1), 2);
  return w;
}

// A pattern row is two words of four 4-bit pixels, leftmost in the top
// nibble. The eight pixels are spread into the eight bytes of a u64 (the
// leftmost in the byte that lies first in memory) and merged into the line
// buffer in one step, zero pixels keeping what is there.
static_assert(std::endian::native == std::endian::little);

constexpr std::array<u16, 256> MakeSpread() {
  std::array<u16, 256> t{};
  for (u32 b = 0; b < 256; ++b) t[b] = static_cast<u16>((b >> 4) | ((b & 15) << 8));
  return t;
}
constexpr std::array<u16, 256> kSpread = MakeSpread();

inline u64 SpreadRow(u32 row) {
  return u64{kSpread[row >> 24]} | (u64{kSpread[(row >> 16) & 255]} << 16) |
         (u64{kSpread[(row >> 8) & 255]} << 32) | (u64{kSpread[row & 255]} << 48);
}

inline void MergeRow(u8* dest, u64 pixels, u32 palette) {
  constexpr u64 kOnes = 0x0101010101010101ull;
  // Pixel values are at most 15, so adding 0x7F sets a byte's top bit
  // exactly when the pixel is non-zero, without carrying into the next byte.
  const u64 opaque = (((pixels + 0x7F * kOnes) & (0x80 * kOnes)) >> 7) * 0xFF;
  u64 d;
  std::memcpy(&d, dest, 8);
  d = (d & ~opaque) | ((pixels | palette * kOnes) & opaque);
  std::memcpy(dest, &d, 8);
}

inline u32 PatternRow(u32 rowWord) {
  return (static_cast<u32>(Vram(rowWord)) << 16) | Vram(rowWord + 1);
}

// Both return 1 when the row is empty (nothing is drawn), else 0.
u32 VdpDrawPatternRow(u8* dest, u32 rowWord, u32 palette) {
  const u32 row = PatternRow(rowWord);
  if (row == 0) return 1;
  MergeRow(dest, SpreadRow(row), palette);
  return 0;
}

u32 VdpDrawPatternRowFlipped(u8* dest, u32 rowWord, u32 palette) {
  const u32 row = PatternRow(rowWord);
  if (row == 0) return 1;
  MergeRow(dest, __builtin_bswap64(SpreadRow(row)), palette);
  return 0;
}

void VdpFillBackground() { std::memset(g_lineBuffer + kVisible, Reg(7) & 63, 320); }

// Draws the cells of one row that cover the screen: 40 from screen x 0 when
// the scroll is a multiple of 8, otherwise 41, the first partly in the left
// margin. A run of blank cells shares one name-table entry, so the last
// entry found empty is remembered and its repeats cost one compare each.
void VdpDrawTileStrip(TileStrip ts) {
  // floor(-hscroll / 8), and the position 1-8 of the first cell's right end.
  i32 column = static_cast<i32>(0u - ts.hscroll) >> 3;
  i32 pos = static_cast<i32>(((ts.hscroll - 1) & 7) + 1);
  const u32 fineRow = static_cast<u32>(ts.planeLine) & 7;
  u32 emptyEntry = 0x10000;  // matches no entry word
  for (; pos < kPosLimit; pos += 8, ++column) {
    const u32 entry = Vram(ts.rowBase + (static_cast<u32>(column) & ts.columnMask));
    if (entry == emptyEntry || (entry >> 15) != ts.priority) continue;
    const u32 rowWord = (entry & 0x7FF) * 16 + ((entry & 0x1000) ? 14 - fineRow * 2 : fineRow * 2);
    const u32 palette = (entry >> 9) & 0x30;
    u8* dest = g_lineBuffer + kCellOrigin + pos;
    const u32 empty = (entry & 0x800) ? VdpDrawPatternRowFlipped(dest, rowWord, palette)
                                      : VdpDrawPatternRow(dest, rowWord, palette);
    if (empty) emptyEntry = entry;
  }
}

// Plane 0 is A, 1 is B. Vertical scroll is one value per plane for the whole
// screen; horizontal scroll is one value for the screen (modes 0 and 1), per
// 8-line row (mode 2) or per line (mode 3).
void VdpRenderPlane(u32 plane, u32 priority) {
  const u32 line = static_cast<u32>(g_currentLine);
  const u32 vscroll = g_machine.vsram[plane & 1];
  u32 i = Reg(13) * 512u;
  if (Reg(11) & 2) i += line * 2;
  if (!(Reg(11) & 1)) i &= ~15u;
  i += plane;
  const u32 hscroll = Vram(i);
  const u32 widthShift = static_cast<u32>(shift[Reg(16) & 3]);
  const u32 heightShift = static_cast<u32>(shift[(Reg(16) >> 4) & 3]);
  const u32 columnMask = (1u << widthShift) - 1;
  const u32 heightMask = (8u << heightShift) - 1;
  const u32 base = plane == 0 ? (Reg(2) & 0x38u) << 9 : (Reg(4) & 7u) << 12;
  const u32 planeLine = (vscroll + line) & heightMask;
  const u32 rowBase = base + ((planeLine >> 3) << widthShift);
  VdpDrawTileStrip({rowBase, static_cast<i32>(planeLine), hscroll, columnMask, priority});
}

// The window: a fixed, unscrolled plane whose row is chosen by the screen
// line; its rows are 64 cells apart on a 40-cell line and 32 on a 32-cell
// line.
void VdpRenderWindow(u32 priority) {
  const u32 line = static_cast<u32>(g_currentLine);
  u32 rowBase;
  if (Reg(12) & 1) {
    rowBase = ((Reg(3) & 0x3Cu) << 9) + (line >> 3) * 64;
  } else {
    rowBase = ((Reg(3) & 0x3Eu) << 9) + (line >> 3) * 32;
  }
  VdpDrawTileStrip({rowBase, g_currentLine, 0, 63, priority});
}

// A sprite's cells run column by column: column c, row r uses pattern
// first + c * h + r.
void VdpDrawSprite(i32 y, const u16* words, u32 priority) {
  const u32 attr = words[2];
  if ((attr >> 15) != priority) return;
  const i32 w = ((words[1] >> 10) & 3) + 1;
  const i32 h = ((words[1] >> 8) & 3) + 1;
  const i32 line = g_currentLine;
  if (line >= y + 8 * h) return;
  i32 row = line - y;
  if (attr & 0x1000) row = 8 * h - 1 - row;
  const u32 palette = (attr >> 9) & 0x30;
  const bool flipped = (attr & 0x800) != 0;
  u32 cell = (attr & 0x7FF) + static_cast<u32>(row >> 3);
  u32 step = static_cast<u32>(h);
  if (flipped) {
    cell += static_cast<u32>((w - 1) * h);
    step = 0u - step;
  }
  u32 p = cell * 16 + static_cast<u32>(row & 7) * 2;
  i32 pos = (words[3] & 0x3FF) - 120;  // screen x + 8
  for (i32 c = 0; c < w; ++c) {
    // Columns wholly off either edge are skipped; the next one is still tried.
    if (pos > 0 && pos < kPosLimit) {
      p &= 0x7FFF;
      u8* dest = g_lineBuffer + kCellOrigin + pos;
      if (flipped) {
        VdpDrawPatternRowFlipped(dest, p, palette);
      } else {
        VdpDrawPatternRow(dest, p, palette);
      }
    }
    pos += 8;
    p += step * 16;
  }
}

// The sprites that the line crosses, back to front. Nothing runs between
// the two priority passes of a line, so the list is walked once per line.
struct LineSprite {
  i32 y;
  u16 words[4];
};

// Walks the sprite list from sprite 0 by its links (at most 80 entries; a
// loop repeats until they are full) and keeps, from its end back to its
// start, the sprites whose 32-line band holds the line, so that a sprite
// earlier in link order is drawn later and covers the ones after it.
u32 VdpWalkSprites(LineSprite* out) {
  const u32 tableBase = static_cast<u32>(Reg(5) & ((Reg(12) & 1) ? 0x7E : 0x7F)) << 8;
  u8 spin[80];
  u32 n = 0;
  u32 link = 0;
  for (;;) {
    spin[n] = static_cast<u8>(link);
    link = Vram(((tableBase + link * 4) & 0x7FFC) + 1) & 0x7F;
    if (link == 0 || n == 79) break;
    ++n;
  }
  const i32 line = g_currentLine;
  u32 count = 0;
  for (i32 i = static_cast<i32>(n); i >= 0; --i) {
    const u32 entry = (tableBase + spin[i] * 4u) & 0x7FFC;
    const i32 y = (Vram(entry) & 0x3FF) - 128;
    if (y <= line && line < y + 32) {
      out[count++] = {y, {Vram(entry), Vram(entry + 1), Vram(entry + 2), Vram(entry + 3)}};
    }
  }
  return count;
}

void VdpRenderSprites(u32 priority, const LineSprite* sprites, u32 count) {
  for (u32 i = 0; i < count; ++i) VdpDrawSprite(sprites[i].y, sprites[i].words, priority);
}

// Back to front: low plane B, low plane A or window, low sprites, then the
// same at high priority. On a window line the window replaces plane A across
// the whole line.
void VdpRenderLayers() {
  const i32 split = (Reg(18) & 31) * 8;
  const bool windowLine = (Reg(18) & 0x80) ? g_currentLine >= split : g_currentLine < split;
  LineSprite sprites[80];
  const u32 spriteCount = VdpWalkSprites(sprites);
  for (u32 priority = 0; priority < 2; ++priority) {
    VdpRenderPlane(1, priority);
    if (windowLine) {
      VdpRenderWindow(priority);
    } else {
      VdpRenderPlane(0, priority);
    }
    VdpRenderSprites(priority, sprites, spriteCount);
  }
}

}  // namespace

u32 VdpRenderLine(i32 line) {
  const LineCallback callback = g_coreInterface.lineCallback;
  // Without a receiver nothing is built, as when the frame loop skips
  // rendering.
  if (callback == nullptr) return 0;
  g_currentLine = line;
  MachineState& m = g_machine;
  if (m.paletteDirty) {
    for (u32 i = 0; i < 64; ++i) m.hostPalette[i] = g_colorConvert(m.cram[i]);
    m.paletteDirty = 0;
  }
  VdpFillBackground();
  if (Reg(1) & 0x40) VdpRenderLayers();
  if (Reg(12) & 1) {
    callback(line, m.hostPalette, g_lineBuffer + kVisible);
  } else {
    // A 256-pixel picture is centred in the 320 handed on, with 32 border
    // pixels of index 0 either side.
    std::memset(g_lineBuffer, 0, 32);
    std::memset(g_lineBuffer + 288, 0, 32);
    callback(line, m.hostPalette, g_lineBuffer);
  }
  return 0;
}

u16 VdpColorToRgb565(u16 c) {
  return static_cast<u16>(((c & 0x0E) << 12) | ((c & 0xE0) << 3) | ((c & 0xE00) >> 7) | 0x18C3);
}
