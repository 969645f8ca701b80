#include "fuzz/fuzz_target.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

FuzzTarget* s_targets = nullptr;

void RemoveScratch() {
  std::error_code ec;
  std::filesystem::remove_all(FuzzScratchFolder(), ec);
}

}  // namespace

FuzzTarget* FuzzTargets() { return s_targets; }

FuzzRegistration::FuzzRegistration(const char* name, FuzzEntry entry)
    : target{name, entry, s_targets} {
  s_targets = &target;
}

void FuzzFail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
  std::abort();
}

int FuzzOpenDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (readdir(dir) != nullptr) count++;
  closedir(dir);
  return count;
}

const std::string& FuzzScratchFolder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morvalith-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) FuzzFail(__FILE__, __LINE__, "mkdtemp");
    return pattern;
  }();
  static const bool cleanup = std::atexit(RemoveScratch) == 0;
  (void)cleanup;
  return folder;
}

void FuzzWriteFile(const std::string& path, const u8* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) FuzzFail(__FILE__, __LINE__, "cannot write a scratch file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) {
    FuzzFail(__FILE__, __LINE__, "short write of a scratch file");
  }
  std::fclose(file);
}
