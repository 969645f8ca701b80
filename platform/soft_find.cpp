// Folder search by "<folder>/*.<ext>" over std::filesystem.
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "platform/platform.h"

struct PlatformFind {
  std::filesystem::directory_iterator it;
  std::string ext;  // ".bin", lower case
};

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool Matches(const std::string& name, const std::string& ext) {
  if (name.size() < ext.size()) return false;
  const size_t start = name.size() - ext.size();
  for (size_t i = 0; i < ext.size(); i++) {
    if (Lower(name[start + i]) != ext[i]) return false;
  }
  return true;
}

// Moves to the next matching entry and copies its name; false at the end.
bool Advance(PlatformFind* f, char name[260], bool first) {
  std::error_code ec;
  if (!first) f->it.increment(ec);
  for (; !ec && f->it != std::filesystem::directory_iterator(); f->it.increment(ec)) {
    const std::string n = f->it->path().filename().string();
    if (n.size() > 259 || !Matches(n, f->ext)) continue;
    std::memcpy(name, n.c_str(), n.size() + 1);
    return true;
  }
  return false;
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
  PlatformFind* f = new (std::nothrow) PlatformFind;
  if (f == nullptr) return nullptr;
  for (const char* p = glob + 1; *p; p++) f->ext.push_back(Lower(*p));
  std::error_code ec;
  f->it = std::filesystem::directory_iterator(folder, ec);
  if (ec || !Advance(f, name, true)) {
    delete f;
    return nullptr;
  }
  return f;
}

bool PlatformFindNext(PlatformFind* f, char name[260]) { return f && Advance(f, name, false); }

void PlatformFindClose(PlatformFind* f) { delete f; }
