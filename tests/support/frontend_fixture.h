// Helpers shared by the frontend tests: a scratch working folder, keys for
// one frame, back-buffer reads and a tiny cartridge image.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/types.h"
#include "support/fake_platform.h"

// Makes a fresh folder and makes it the working folder for the test's life.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::filesystem::path& path() const { return path_; }
  void WriteFile(const std::string& relative, const std::vector<u8>& bytes) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// Holds exactly these keys down (all others up) for the next queries.
void HoldKeys(std::initializer_list<PlatformKey> keys);

// A back-buffer pixel (XRGB8888) of the video output.
u32 BackPixel(i32 x, i32 y);

// A plain cartridge image: stack at 0xFFFE00, entry at 0x200, then `code`
// (68000 words) there; 1 KB long.
std::vector<u8> TinyCartridge(std::initializer_list<u16> code);
