// Host fonts: fontconfig finds the face nearest to the name asked for,
// FreeType renders its glyphs as 8-bit coverage.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace {

struct CachedGlyph {
  PlatformGlyph glyph{};
  std::vector<u8> coverage;
};

}  // namespace

struct PlatformFont {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  i32 ascent = 0;
  std::unordered_map<u32, CachedGlyph> cache;
};

namespace {

// The file of the installed face that fontconfig substitutes for `name`.
bool FindFontFile(const char* name, std::vector<char>* path) {
  // A configuration of our own, released after the lookup: fontconfig is
  // needed only once, to find the file.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  if (pattern == nullptr) {
    FcConfigDestroy(config);
    return false;
  }
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
  if (found) {
    const char* f = reinterpret_cast<const char*>(file);
    path->assign(f, f + std::strlen(f) + 1);
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

PlatformFont* PlatformFontCreate(const char* face, i32 cellHeight) {
  std::vector<char> path;
  if (!FindFontFile(face, &path)) return nullptr;
  PlatformFont* f = new (std::nothrow) PlatformFont;
  if (f == nullptr) return nullptr;
  if (FT_Init_FreeType(&f->library) != 0) {
    delete f;
    return nullptr;
  }
  if (FT_New_Face(f->library, path.data(), 0, &f->face) != 0) {
    FT_Done_FreeType(f->library);
    delete f;
    return nullptr;
  }
  // A positive cell height: ascent plus descent fills the height asked for.
  FT_Size_RequestRec req{};
  req.type = FT_SIZE_REQUEST_TYPE_CELL;
  req.height = FT_Long(cellHeight) * 64;
  if (FT_Request_Size(f->face, &req) != 0) {
    PlatformFontRelease(f);
    return nullptr;
  }
  f->ascent = i32((f->face->size->metrics.ascender + 32) >> 6);
  return f;
}

void PlatformFontRelease(PlatformFont* f) {
  if (f == nullptr) return;
  if (f->face != nullptr) FT_Done_Face(f->face);
  if (f->library != nullptr) FT_Done_FreeType(f->library);
  delete f;
}

i32 PlatformFontAscent(const PlatformFont* f) { return f->ascent; }

const PlatformGlyph* PlatformFontGlyph(PlatformFont* f, u32 codePoint) {
  auto it = f->cache.find(codePoint);
  if (it != f->cache.end()) return &it->second.glyph;
  if (FT_Load_Char(f->face, codePoint, FT_LOAD_RENDER) != 0) return nullptr;
  const FT_GlyphSlot slot = f->face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.rows != 0) return nullptr;
  CachedGlyph& g = f->cache[codePoint];
  g.coverage.resize(size_t(bm.width) * bm.rows);
  for (u32 r = 0; r < bm.rows; r++) {
    const u8* src =
        bm.buffer + (bm.pitch >= 0 ? i64(r) * bm.pitch : i64(bm.rows - 1 - r) * -i64(bm.pitch));
    std::memcpy(g.coverage.data() + size_t(r) * bm.width, src, bm.width);
  }
  g.glyph.coverage = g.coverage.empty() ? nullptr : g.coverage.data();
  g.glyph.width = i32(bm.width);
  g.glyph.height = i32(bm.rows);
  g.glyph.left = slot->bitmap_left;
  g.glyph.top = slot->bitmap_top;
  g.glyph.advance = i32((slot->advance.x + 32) >> 6);
  return &g.glyph;
}
