#include "frontend/text.h"

#include <algorithm>
#include <cstring>

#include "frontend/app.h"
#include "frontend/video.h"

PlatformFont* g_font = nullptr;
u32 g_textColor = 0;

u32 TextInit() {
  g_font = PlatformFontCreate("Arial", 24);
  return 0;
}

void TextShutdown() {
  if (g_font != nullptr) PlatformFontRelease(g_font);
  g_font = nullptr;
}

u32 TextSetColor(u32 color) {
  g_textColor = color | 0xFF000000;
  return 0;
}

namespace {

u32 Blend(u32 dst, u32 src, u32 a) {
  u32 out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const u32 s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
    out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

// The code point at *p, a surrogate pair joined; *p moves past it.
u32 NextCodePoint(const char16_t** p) {
  u32 cp = **p;
  const char16_t next = (*p)[1];
  if (cp >= 0xD800 && cp < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
    (*p)++;
  }
  (*p)++;
  return cp;
}

}  // namespace

i32 TextWidth(const char16_t* text) {
  if (g_font == nullptr) return 0;
  i32 width = 0;
  for (const char16_t* p = text; *p != 0;) {
    const PlatformGlyph* g = PlatformFontGlyph(g_font, NextCodePoint(&p));
    if (g != nullptr) width += g->advance;
  }
  return width;
}

u32 TextDraw(const char16_t* text, i32 x, i32 y) {
  if (g_font == nullptr || g_backBuffer == nullptr) return 1;
  // The clip rectangle runs from the given position to the bottom-right
  // corner of the screen, inside the back buffer.
  const i32 left = std::max(x, 0), top = std::max(y, 0);
  const i32 right = std::min(g_screenWidth, g_backBufferWidth);
  const i32 bottom = std::min(g_screenHeight, g_backBufferHeight);
  const u32 alpha = g_textColor >> 24;
  const i32 baseline = y + PlatformFontAscent(g_font);
  i64 pen = x;
  for (const char16_t* p = text; *p != 0;) {
    const PlatformGlyph* g = PlatformFontGlyph(g_font, NextCodePoint(&p));
    if (g == nullptr) continue;
    if (pen >= right) break;
    const i64 gx = pen + g->left, gy = i64(baseline) - g->top;
    for (i32 r = 0; r < g->height && g->coverage != nullptr; r++) {
      const i64 py = gy + r;
      if (py < top || py >= bottom) continue;
      u32* row = g_backBuffer + py * g_backBufferPitch;
      for (i32 c = 0; c < g->width; c++) {
        const i64 px = gx + c;
        if (px < left || px >= right) continue;
        const u32 a = g->coverage[r * g->width + c] * alpha / 255;
        if (a != 0) row[px] = Blend(row[px], g_textColor, a);
      }
    }
    pen += g->advance;
  }
  return 0;
}

void TextWiden(char16_t* out, size_t capacity, const char* narrow, size_t maxChars) {
  if (capacity == 0) return;
  std::memset(out, 0, capacity * sizeof(char16_t));
  const u8* s = reinterpret_cast<const u8*>(narrow);
  size_t n = 0, chars = 0;
  while (*s != 0 && chars < maxChars) {
    u32 cp = *s;
    int extra = cp >= 0xF0 && cp < 0xF5   ? 3
                : cp >= 0xE0 && cp < 0xF0 ? 2
                : cp >= 0xC2 && cp < 0xE0 ? 1
                                          : 0;
    u32 value = extra == 3 ? cp & 0x07 : extra == 2 ? cp & 0x0F : cp & 0x1F;
    int k = 1;
    for (; k <= extra; k++) {
      if ((s[k] & 0xC0) != 0x80) break;
      value = (value << 6) | (s[k] & 0x3F);
    }
    if (k <= extra || (extra == 2 && (value < 0x800 || (value >= 0xD800 && value < 0xE000))) ||
        (extra == 3 && (value < 0x10000 || value > 0x10FFFF))) {
      extra = 0;  // not a valid sequence: the byte alone
    }
    if (extra > 0) cp = value;
    const size_t units = cp >= 0x10000 ? 2 : 1;
    if (n + units >= capacity) break;
    if (units == 2) {
      out[n++] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
      out[n++] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out[n++] = char16_t(cp);
    }
    s += 1 + extra;
    chars++;
  }
}
