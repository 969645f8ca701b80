// Every fuzz target over its seed corpus and over the inputs that once
// found a fault, compiled without libFuzzer so the normal and sanitizer
// builds run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> TargetNames() {
  std::vector<std::string> names;
  for (const FuzzTarget* t = FuzzTargets(); t != nullptr; t = t->next) names.push_back(t->name);
  std::sort(names.begin(), names.end());
  return names;
}

FuzzEntry EntryOf(const std::string& name) {
  for (const FuzzTarget* t = FuzzTargets(); t != nullptr; t = t->next) {
    if (name == t->name) return t->entry;
  }
  return nullptr;
}

// The files of one input folder, in name order; none when it is missing.
std::vector<fs::path> Inputs(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class FuzzInputs : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzInputs, RunCleanly) {
  const FuzzEntry entry = EntryOf(GetParam());
  ASSERT_NE(entry, nullptr);
  const fs::path root = MORVALITH_FUZZ_DIR;
  const std::vector<fs::path> corpus = Inputs(root / "corpus" / GetParam());
  EXPECT_FALSE(corpus.empty()) << "every target has a seed corpus";
  std::vector<fs::path> inputs = corpus;
  for (const fs::path& p : Inputs(root / "regressions" / GetParam())) inputs.push_back(p);
  for (const fs::path& path : inputs) {
    SCOPED_TRACE(path.string());
    // Printed first: a finding aborts the test before the trace is shown.
    std::fprintf(stderr, "input %s\n", path.c_str());
    std::ifstream file(path, std::ios::binary);
    const std::vector<u8> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
    entry(bytes.data(), bytes.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, ::testing::ValuesIn(TargetNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
