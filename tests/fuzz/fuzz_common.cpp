#include "fuzz/fuzz_common.h"

#include "core/machine.h"
#include "fuzz/fuzz_target.h"

namespace {

i32 s_nextLine = 0;

u32 CheckLine(i32 line, const u16* palette, const u8* pixels) {
  FUZZ_CHECK(line == s_nextLine);
  FUZZ_CHECK(palette != nullptr && pixels != nullptr);
  volatile u16 lastColour = palette[63];
  (void)lastColour;
  for (int x = 0; x < 320; x++) FUZZ_CHECK(pixels[x] < 64);
  s_nextLine++;
  return 0;
}

}  // namespace

void FuzzLinesBegin() {
  s_nextLine = 0;
  g_coreInterface.lineCallback = CheckLine;
}

void FuzzLinesEnd(bool rendered) {
  FUZZ_CHECK(s_nextLine == (rendered ? 224 : 0));
  g_coreInterface.lineCallback = nullptr;
}

std::unique_ptr<i16[]> FuzzSoundBuffer(u32 samplesPerFrame) {
  return std::make_unique<i16[]>(std::size_t{samplesPerFrame} * 2);
}
