// The fuzz targets and what they share. Each target is one function of the
// input bytes, registered by name with MORVALITH_FUZZ_TARGET; libFuzzer
// drives one of them per program (fuzz_main.cpp), and the regression test
// runs every one of them over its seed corpus and its regression inputs.
#pragma once

#include <cstddef>
#include <string>

#include "core/types.h"

using FuzzEntry = void (*)(const u8* data, std::size_t size);

struct FuzzTarget {
  const char* name;
  FuzzEntry entry;
  FuzzTarget* next;
};

// The registered targets, a list in no particular order.
FuzzTarget* FuzzTargets();

struct FuzzRegistration {
  FuzzRegistration(const char* name, FuzzEntry entry);
  FuzzTarget target;
};

#define MORVALITH_FUZZ_TARGET(name)                                           \
  static void FuzzEntry_##name(const u8* data, std::size_t size);             \
  static FuzzRegistration s_fuzzRegistration_##name(#name, FuzzEntry_##name); \
  static void FuzzEntry_##name(const u8* data, std::size_t size)

// A property that must hold: when it does not, prints where and why and
// aborts, which libFuzzer and the regression test both report as a finding.
#define FUZZ_CHECK(condition)                                   \
  do {                                                          \
    if (!(condition)) FuzzFail(__FILE__, __LINE__, #condition); \
  } while (0)

[[noreturn]] void FuzzFail(const char* file, int line, const char* what);

// Open file descriptors of the process, to show that none leaks.
int FuzzOpenDescriptors();

// A private folder for the process's files, made on first use and removed
// at exit.
const std::string& FuzzScratchFolder();

// Writes size bytes to path, replacing the file.
void FuzzWriteFile(const std::string& path, const u8* data, std::size_t size);

// Reads the input from the front, giving zeros once it is used up.
class FuzzReader {
 public:
  FuzzReader(const u8* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::size_t left() const { return empty() ? 0 : size_ - at_; }
  u8 Byte() { return at_ < size_ ? data_[at_++] : 0; }
  u16 Word() { return u16(Byte() << 8 | Byte()); }
  u32 Long() { return u32(Word()) << 16 | Word(); }
  // The next n bytes (fewer at the end), skipped over.
  const u8* Take(std::size_t n, std::size_t* got) {
    const u8* p = data_ + at_;
    *got = n < left() ? n : left();
    at_ += *got;
    return p;
  }

 private:
  const u8* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
