// libFuzzer's entry for a program holding one target.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzTargets()->entry(data, size);
  return 0;
}
