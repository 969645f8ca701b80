#include "support/scratch_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

ScratchDir::~ScratchDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ScratchDir::Create(const std::string& prefix) {
  std::string tmpl = (fs::temp_directory_path() / (prefix + ".XXXXXX")).string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  path_ = tmpl;
}

std::string ScratchDir::Write(const std::string& name, const std::vector<u8>& data) const {
  std::ofstream(path_ / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  return name;
}

std::vector<u8> ScratchDir::Read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return std::vector<u8>(std::istreambuf_iterator<char>(in), {});
}

void ScratchDir::Run(const std::string& command) const {
  const std::string line = "cd '" + path_.string() + "' && " + command;
  ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

void ScratchDir::Python(const std::string& body) const {
  Write("make.py", std::vector<u8>(body.begin(), body.end()));
  Run("python3 make.py");
}
