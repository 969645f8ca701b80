// Folder search by "<folder>/*.<ext>" over std::filesystem.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"

struct PlatformFind {
  std::vector<std::string> names;  // the matches, sorted
  size_t next = 0;                 // index of the next name to hand out
};

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
unsigned char Upper(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

bool Matches(const std::string& name, const std::string& ext) {
  if (name.size() < ext.size()) return false;
  const size_t start = name.size() - ext.size();
  for (size_t i = 0; i < ext.size(); i++) {
    if (Lower(name[start + i]) != ext[i]) return false;
  }
  return true;
}

// The order of the file search the menu was made for: by name without case,
// letters folded to upper case. Names equal but for case follow by their
// bytes, so the order never depends on how the file system lists a folder.
bool NameBefore(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; i++) {
    const unsigned char x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// Hands out the next name; false at the end.
bool Advance(PlatformFind* f, char name[260]) {
  if (f->next >= f->names.size()) return false;
  const std::string& n = f->names[f->next++];
  std::memcpy(name, n.c_str(), n.size() + 1);
  return true;
}

}  // namespace

PlatformFind* PlatformFindFirst(const char* pattern, char name[260]) {
  const char* slash = std::strrchr(pattern, '/');
  const char* glob = slash ? slash + 1 : pattern;
  // Only "*.ext" patterns are used.
  if (glob[0] != '*' || glob[1] != '.') return nullptr;
  std::filesystem::path folder(".");
  if (slash == pattern) {
    folder = "/";
  } else if (slash != nullptr) {
    folder = std::filesystem::path(pattern, slash);
  }
  std::string ext;  // ".bin", lower case
  for (const char* p = glob + 1; *p; p++) ext.push_back(Lower(*p));
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return nullptr;
  PlatformFind* f = new (std::nothrow) PlatformFind;
  if (f == nullptr) return nullptr;
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string n = it->path().filename().string();
    if (n.size() <= 259 && Matches(n, ext)) f->names.push_back(std::move(n));
  }
  std::sort(f->names.begin(), f->names.end(), NameBefore);
  if (!Advance(f, name)) {
    delete f;
    return nullptr;
  }
  return f;
}

bool PlatformFindNext(PlatformFind* f, char name[260]) { return f && Advance(f, name); }

void PlatformFindClose(PlatformFind* f) { delete f; }
