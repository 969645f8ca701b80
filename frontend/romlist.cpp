#include "frontend/romlist.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/app.h"
#include "frontend/text.h"
#include "platform/platform.h"

RomList g_romList;

RomList::RomList() : folder{}, names(nullptr), used(0), capacity(0), count(0), cursor(0) {}

u32 RomList::Init() {
  *this = RomList();
  std::strcpy(folder, "./roms");
  return 0;
}

void RomList::Free() {
  std::free(names);
  *this = RomList();
}

u32 RomList::Clear() {
  std::free(names);
  names = nullptr;
  used = 0;
  capacity = 0;
  count = 0;
  return 0;
}

u32 RomList::Scan() {
  char path[260] = {};
  Clear();
  static const char* const kPatterns[] = {"%.240s/*.bin", "%.240s/*.smd", "%.240s/*.zip"};
  for (const char* format : kPatterns) {
    std::snprintf(path, sizeof path, format, folder);
    AddMatches(path);
  }
  // A cursor outside a list that has entries (an empty list's -1, or beyond
  // a list that got shorter) would select nothing: it goes to the first.
  if (count > 0 && (cursor < 0 || i64(cursor) >= i64(count) * 256)) cursor = 0;
  return 0;
}

u32 RomList::AddMatches(const char* pattern) {
  char name[260] = {};
  PlatformFind* find = PlatformFindFirst(pattern, name);
  if (find == nullptr) return 1;
  do {
    Add(name);
  } while (PlatformFindNext(find, name));
  PlatformFindClose(find);
  return 0;
}

u32 RomList::Add(const char* name) {
  const size_t len = std::strlen(name);
  if (len > 0x10000) return 1;
  const i32 need = used + i32(len) + 1;
  if (need > capacity) Grow();
  if (need > capacity) return 1;
  // The zero after the name is already in the store.
  std::memcpy(names + used, name, len);
  used = need;
  count++;
  return 0;
}

u32 RomList::Grow() {
  char* grown = static_cast<char*>(std::realloc(names, size_t(capacity) + 256));
  if (grown == nullptr) return 1;
  names = grown;
  std::memset(names + capacity, 0, 256);
  capacity += 256;
  return 0;
}

i32 RomList::FindOffset(i32 index) const {
  i32 offset = 0;
  for (i32 i = 0; offset < used; i++) {
    if (i == index) return offset;
    offset += i32(std::strlen(names + offset)) + 1;
  }
  return -1;
}

u32 RomList::Move(i32 delta) {
  i64 c = i64(cursor) + delta;
  if (c < 0) c = 0;
  // Empty list: the bound is -1.
  if (c >= i64(count) * 256) c = i64(count) * 256 - 1;
  cursor = i32(c);
  return 0;
}

const char* RomList::SelectedName() const {
  const i32 offset = FindOffset(cursor >> 8);
  return offset < 0 ? nullptr : names + offset;
}

u32 RomList::GetSelectedPath(char* out) const {
  const char* name = SelectedName();
  if (name == nullptr) return 1;
  // The whole name or nothing: a name cut short would open another file, or
  // none at all.
  char path[260];
  const int length = std::snprintf(path, sizeof path, "%s/%s", folder, name);
  if (length < 0 || size_t(length) >= sizeof path) return 1;
  std::memcpy(out, path, size_t(length) + 1);
  return 0;
}

u32 RomList::Draw() const {
  char16_t text[64] = {};
  const i32 selected = cursor >> 8;
  i64 y = 224 - ((i64(cursor) * 24) >> 8);
  i32 offset = 0;
  for (i32 index = 0; offset < used; index++) {
    const char* name = names + offset;
    if (y > -24 && y < g_screenHeight) {
      TextWiden(text, 64, name, 42);
      TextSetColor(index == selected ? 0x00FF40 : 0xFFFFFF);
      TextDraw(text, 120, i32(y));
    }
    y += 24;
    offset += i32(std::strlen(name)) + 1;
  }
  return 0;
}
