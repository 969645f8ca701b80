// VDP line renderer: a painter's renderer that draws the layers of one line
// back to front into a line buffer of palette indices (pattern pixel 0 is
// transparent, so priority is only drawing order), keeps the host colours in
// step with CRAM, and hands the line to the frontend.
//
// What makes it fast keeps the drawing order: each plane's row is read once,
// its high-priority cells held back until the low sprites are down; the
// sprite list is walked once and binned by line until something can change
// it; and each pattern row is kept ready to merge in the look it was last
// shown in (palette and flip applied, with its mask), beside the words it
// was made from.
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
u32 g_spriteTableWord;
u8 g_spriteBinsValid;

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

// Pattern rows are numbered through VRAM: row r of pattern n is row
// n * 8 + r (0-0x3FFF), at word index row * 2. Its two words as one host
// load, the first word in the low half.
inline u32 PatternRowWords(u32 row) {
  u32 v;
  std::memcpy(&v, g_machine.vram + (row << 2), 4);
  return v;
}

// Pixels 0-1 are in byte 1 of the loaded words, 2-3 in byte 0, 4-5 in byte 3
// and 6-7 in byte 2.
inline u64 SpreadRow(u32 v) {
  return u64{kSpread[(v >> 8) & 255]} | (u64{kSpread[v & 255]} << 16) |
         (u64{kSpread[v >> 24]} << 32) | (u64{kSpread[(v >> 16) & 255]} << 48);
}

constexpr u64 kOnes = 0x0101010101010101ull;

// The palette bits in every byte.
inline u64 PaletteBytes(u32 palette) { return palette * kOnes; }

// A pattern row as one look of a cell or sprite column shows it: pixels
// spread, flipped when the look is, with the palette bits in and zero where
// the row is transparent; keep is 0xFF in the bytes it leaves as they are.
// One is kept by pattern row, tagged with the row's words and the look (the
// palette and horizontal flip bits of the name entry or sprite attribute,
// bits 14-13 and 11) it was made for, and remade when either differs: a memo
// by place, which nothing has to invalidate. It is never asked for an empty
// row (both words 0), so the zero tag of an unused slot never matches.
struct CellRow {
  u64 pixels;
  u64 tag;  // words in the low half, the look bits above; between the two
            // so that they are read as two words, not one vector to split
  u64 keep;
};
// Planes and sprites keep theirs apart, as the same pattern is often shown
// in one look on a plane and in others by sprites. A plane's slot is its
// pattern row; sprites, which often share patterns in several looks, have
// the slots of each look turned by 0x800 rows (256 patterns) from the last.
CellRow s_planeRows[0x4000];
CellRow s_spriteRows[0x4000];

constexpr u32 kLookBits = 0x6800;

constexpr u64 LookTag(u32 attr) { return u64{attr & kLookBits} << 32; }
// LookTag by the top five bits of a name entry, for the hot loop.
constexpr std::array<u64, 32> MakeEntryLookTags() {
  std::array<u64, 32> t{};
  for (u32 i = 0; i < 32; ++i) t[i] = LookTag(i << 11);
  return t;
}
constexpr std::array<u64, 32> kEntryLookTags = MakeEntryLookTags();
inline u32 SpriteSlotTurn(u32 attr) { return (((attr >> 11) & 1) | ((attr >> 12) & 6)) << 11; }

[[gnu::noinline]] void MakeCellRow(CellRow& c, u64 tag) {
  u64 pixels = SpreadRow(static_cast<u32>(tag));
  if (tag & (u64{0x800} << 32)) pixels = __builtin_bswap64(pixels);
  // Pixel values are at most 15, so adding 0x7F sets a byte's top bit
  // exactly when the pixel is non-zero, without carrying into the next byte;
  // (top << 1) - (top >> 7) widens each top bit to 0xFF.
  const u64 top = (pixels + 0x7F * kOnes) & (0x80 * kOnes);
  const u64 opaque = (top << 1) - (top >> 7);
  c.tag = tag;
  c.pixels = (pixels | PaletteBytes(static_cast<u32>(tag >> 41) & 0x30)) & opaque;
  c.keep = ~opaque;
}

// The row with tag (words not both 0) from its slot.
inline const CellRow& CellRowAt(CellRow& c, u64 tag) {
  if (c.tag != tag) [[unlikely]]
    MakeCellRow(c, tag);
  return c;
}

// Writes the opaque pixels to dest; the others keep what is there.
inline void MergeRow(u8* dest, u64 pixels, u64 keep) {
  u64 d;
  std::memcpy(&d, dest, 8);
  d = (d & keep) | pixels;
  std::memcpy(dest, &d, 8);
}

void VdpFillBackground() { std::memset(g_lineBuffer + kVisible, Reg(7) & 63, 320); }

// Where the line's strips end: a 32-cell line hands on buffer positions
// 32-287 only, so plane cells that start further right are not drawn.
u8* s_stripEnd;

// High-priority plane cells met while the low layers are painted: each
// entry is fetched and decoded once, and its pixels wait here until the low
// sprites are down. A strip has at most 41 cells, and a line two strips.
struct HighCell {
  u64 pixels;  // as CellRow
  u64 keep;
  u8* dest;
};
struct HighCells {
  HighCell cells[2 * 41];
  u32 count;
};

// Draws the cells of one row that cover the screen: 40 from screen x 0 when
// the scroll is a multiple of 8, otherwise 41, the first partly in the left
// margin. Low-priority cells are painted at once, high-priority ones are
// kept in high. A run of blank cells shares one name-table entry, so the
// last entry found empty is remembered and its repeats cost one compare each.
// kWraps: the row runs past the end of VRAM, so each entry's index is
// wrapped on its own; otherwise the row is read through one base pointer.
template <bool kWraps>
void DrawTileStripFrom(const TileStrip& ts, HighCells& high) {
  const u32 rowBase = ts.rowBase & 0x7FFF;
  const u32 columnMask = ts.columnMask;
  const u8* const names = g_machine.vram + (rowBase << 1);
  // The byte offset in the row of entry floor(-hscroll / 8), wrapped to the
  // plane, and the position 1-8 of the first cell's right end.
  const u32 offsetMask = columnMask << 1;
  u32 offset = (static_cast<u32>(static_cast<i32>(0u - ts.hscroll) >> 3) << 1) & offsetMask;
  u8* dest = g_lineBuffer + kCellOrigin + ((ts.hscroll - 1) & 7) + 1;
  u8* const end = s_stripEnd;
  // The row within the pattern, and vertically flipped.
  const u32 fine = static_cast<u32>(ts.planeLine) & 7;
  const u32 fineFlipped = 7 - fine;
  u32 emptyEntry = 0x10000;  // matches no entry word
  // The last entry drawn, and its row: its repeats need no lookup.
  u32 lastEntry = 0x10000;
  const CellRow* last = nullptr;
  for (; dest < end; dest += 8, offset = (offset + 2) & offsetMask) {
    u16 w;
    if constexpr (kWraps) {
      std::memcpy(&w, g_machine.vram + (((rowBase << 1) + offset) & 0xFFFF), 2);
    } else {
      std::memcpy(&w, names + offset, 2);
    }
    const u32 entry = w;
    if (entry == emptyEntry) continue;
    if (entry != lastEntry) {
      const u32 row = ((entry & 0x7FF) << 3) + ((entry & 0x1000) ? fineFlipped : fine);
      const u32 words = PatternRowWords(row);
      if (words == 0) {
        emptyEntry = entry;
        continue;
      }
      last = &CellRowAt(s_planeRows[row], words | kEntryLookTags[entry >> 11]);
      lastEntry = entry;
    }
    const CellRow& c = *last;
    if (entry & 0x8000) {
      high.cells[high.count++] = {c.pixels, c.keep, dest};
    } else {
      MergeRow(dest, c.pixels, c.keep);
    }
  }
}

void VdpDrawTileStrip(const TileStrip& ts, HighCells& high) {
  if ((ts.rowBase & 0x7FFF) + ts.columnMask > 0x7FFF) {
    DrawTileStripFrom<true>(ts, high);
  } else {
    DrawTileStripFrom<false>(ts, high);
  }
}

// Plane 0 is A, 1 is B. Vertical scroll is one value per plane for the whole
// screen; horizontal scroll is one value for the screen (modes 0 and 1), per
// 8-line row (mode 2) or per line (mode 3).
void VdpRenderPlane(u32 plane, HighCells& high) {
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
  VdpDrawTileStrip({rowBase, static_cast<i32>(planeLine), hscroll, columnMask}, high);
}

// The window: a fixed, unscrolled plane whose row is chosen by the screen
// line; its rows are 64 cells apart on a 40-cell line and 32 on a 32-cell
// line.
void VdpRenderWindow(HighCells& high) {
  const u32 line = static_cast<u32>(g_currentLine);
  u32 rowBase;
  if (Reg(12) & 1) {
    rowBase = ((Reg(3) & 0x3Cu) << 9) + (line >> 3) * 64;
  } else {
    rowBase = ((Reg(3) & 0x3Eu) << 9) + (line >> 3) * 32;
  }
  VdpDrawTileStrip({rowBase, g_currentLine, 0, 63}, high);
}

// One entry of the sprite list, decoded once when the list is walked.
struct Sprite {
  i32 y;         // top line
  i32 height;    // in lines: 8, 16, 24 or 32
  i32 columns;   // columns that reach the screen, 0-4: columns wholly off
                 // either edge are never drawn, not even into the margins
  u8* dest;      // where the first of them is drawn
  u32 cell;      // pattern of its top cell
  u32 step;      // pattern step from one column to the next: h, or -h when flipped
  u32 slotTurn;  // SpriteSlotTurn of attr
  u64 look;      // LookTag of attr
  u16 attr;      // word 2: bit 15 priority, bit 12 vertical flip, bit 11 horizontal flip
};

// A sprite's cells run column by column: column c, row r uses pattern
// first + c * h + r. The line lies within the sprite.
inline void VdpDrawSprite(const Sprite& s, i32 line) {
  i32 y = line - s.y;
  if (s.attr & 0x1000) y = s.height - 1 - y;
  u32 row = (s.cell + static_cast<u32>(y >> 3)) * 8 + static_cast<u32>(y & 7);
  u8* dest = s.dest;
  for (i32 c = 0; c < s.columns; ++c) {
    const u32 at = row & 0x3FFF;
    const u32 words = PatternRowWords(at);
    if (words != 0) {
      const CellRow& r = CellRowAt(s_spriteRows[(at + s.slotTurn) & 0x3FFF], words | s.look);
      MergeRow(dest, r.pixels, r.keep);
    }
    dest += 8;
    row += s.step * 8;
  }
}

// The sprite list, walked from sprite 0 by its links (at most 80 entries; a
// loop repeats until they are full) and kept from its end back to its start,
// so that a sprite earlier in link order is drawn later and covers the ones
// after it. Nothing but VRAM writes into the attribute table and the
// registers that place it can change the list, so it is walked once and
// binned by line for the whole frame, and walked again at the top of the
// next frame, when the table moves, or after a write that may reach it.
struct SpriteBins {
  Sprite sprites[80];  // back to front
  u32 spriteCount;
  u32 tableBase;  // word index the list was walked from
  // Per visible line, indices into sprites, back to front: the low-priority
  // ones from the start of the row, the high-priority ones from its end
  // backwards. A line can hold every entry, but never more.
  u8 order[224][80];
  u8 lowCount[224];
  u8 highCount[224];
};
SpriteBins s_bins;

u32 SpriteTableBase() { return static_cast<u32>(Reg(5) & ((Reg(12) & 1) ? 0x7E : 0x7F)) << 8; }

void VdpWalkSprites(u32 tableBase) {
  SpriteBins& b = s_bins;
  u8 spin[80];
  u32 n = 0;
  u32 link = 0;
  for (;;) {
    spin[n] = static_cast<u8>(link);
    link = Vram(((tableBase + link * 4) & 0x7FFC) + 1) & 0x7F;
    if (link == 0 || n == 79) break;
    ++n;
  }
  std::memset(b.lowCount, 0, sizeof b.lowCount);
  std::memset(b.highCount, 0, sizeof b.highCount);
  u32 count = 0;
  for (i32 i = static_cast<i32>(n); i >= 0; --i) {
    const u32 entry = (tableBase + spin[i] * 4u) & 0x7FFC;
    const u32 size = Vram(entry + 1);
    const u16 attr = Vram(entry + 2);
    const i32 w = ((size >> 10) & 3) + 1;
    const i32 h = ((size >> 8) & 3) + 1;
    Sprite& s = b.sprites[count];
    s.y = (Vram(entry) & 0x3FF) - 128;
    s.height = 8 * h;
    u32 cell = attr & 0x7FFu;
    u32 step = static_cast<u32>(h);
    if (attr & 0x800) {
      cell += static_cast<u32>((w - 1) * h);
      step = 0u - step;
    }
    // Columns start at buffer position kCellOrigin + pos, pos = screen x + 8;
    // those with 0 < pos < kPosLimit are drawn, and they are consecutive.
    const i32 pos = (Vram(entry + 3) & 0x3FF) - 120;
    s.columns = 0;
    for (i32 c = 0; c < w; ++c) {
      const i32 at = pos + 8 * c;
      if (at <= 0 || at >= kPosLimit) continue;
      if (s.columns++ == 0) {
        s.dest = g_lineBuffer + kCellOrigin + at;
        s.cell = cell + static_cast<u32>(c) * step;
      }
    }
    s.step = step;
    s.slotTurn = SpriteSlotTurn(attr);
    s.look = LookTag(attr);
    s.attr = attr;
    // A sprite wholly off the screen's sides is never binned.
    const i32 first = s.y < 0 ? 0 : s.y;
    const i32 end = s.columns == 0 ? 0 : s.y + s.height < 224 ? s.y + s.height : 224;
    for (i32 line = first; line < end; ++line) {
      if (attr & 0x8000) {
        b.order[line][79 - b.highCount[line]++] = static_cast<u8>(count);
      } else {
        b.order[line][b.lowCount[line]++] = static_cast<u8>(count);
      }
    }
    ++count;
  }
  b.spriteCount = count;
  b.tableBase = tableBase;
  g_spriteTableWord = tableBase;
  g_spriteBinsValid = 1;
}

void VdpRenderSprites(u32 priority) {
  const SpriteBins& b = s_bins;
  const i32 line = g_currentLine;
  if (line < 0 || line >= 224) {
    // Lines the frame never draws are not binned.
    for (u32 i = 0; i < b.spriteCount; ++i) {
      const Sprite& s = b.sprites[i];
      if (static_cast<u32>(s.attr >> 15) == priority && s.y <= line && line < s.y + s.height) {
        VdpDrawSprite(s, line);
      }
    }
  } else if (priority == 0) {
    const u8* order = b.order[line];
    for (u32 i = 0; i < b.lowCount[line]; ++i) VdpDrawSprite(b.sprites[order[i]], line);
  } else {
    const u8* order = b.order[line] + 79;
    for (u32 i = 0; i < b.highCount[line]; ++i)
      VdpDrawSprite(b.sprites[order[-static_cast<i32>(i)]], line);
  }
}

// Back to front: low plane B, low plane A or window, low sprites, then the
// same at high priority. On a window line the window replaces plane A across
// the whole line. The planes are read once: their high cells are held back
// and painted after the low sprites.
void VdpRenderLayers() {
  const u32 tableBase = SpriteTableBase();
  if (g_currentLine == 0 || !g_spriteBinsValid || tableBase != s_bins.tableBase) {
    VdpWalkSprites(tableBase);
  }
  const i32 split = (Reg(18) & 31) * 8;
  const bool windowLine = (Reg(18) & 0x80) ? g_currentLine >= split : g_currentLine < split;
  s_stripEnd = (Reg(12) & 1) ? g_lineBuffer + kCellOrigin + kPosLimit : g_lineBuffer + 288;
  HighCells high;
  high.count = 0;
  VdpRenderPlane(1, high);
  if (windowLine) {
    VdpRenderWindow(high);
  } else {
    VdpRenderPlane(0, high);
  }
  VdpRenderSprites(0);
  for (u32 i = 0; i < high.count; ++i) {
    const HighCell& c = high.cells[i];
    MergeRow(c.dest, c.pixels, c.keep);
  }
  VdpRenderSprites(1);
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

void VdpRenderReset() { g_spriteBinsValid = 0; }

u16 VdpColorToRgb565(u16 c) {
  return static_cast<u16>(((c & 0x0E) << 12) | ((c & 0xE0) << 3) | ((c & 0xE00) >> 7) | 0x18C3);
}
