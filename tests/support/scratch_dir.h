// A temporary folder for tests that work on real files: made by Create(),
// removed with everything in it when the ScratchDir goes away.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/types.h"

class ScratchDir {
 public:
  ScratchDir() = default;
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Makes a fresh folder named after `prefix` under the system's temporary
  // folder; a fatal test failure when that is refused.
  void Create(const std::string& prefix);

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // Writes `data` to the file `name` in the folder and returns the name.
  std::string Write(const std::string& name, const std::vector<u8>& data) const;
  std::vector<u8> Read(const std::string& name) const;
  // A shell command run inside the folder, which must succeed.
  void Run(const std::string& command) const;
  // A Python script, saved as make.py and run inside the folder.
  void Python(const std::string& body) const;

 private:
  std::filesystem::path path_;
};
