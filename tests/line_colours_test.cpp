// A rendered line turned into host colours.
#include "core/line_colours.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LineColours, EveryIndexPicksItsPaletteEntryAndStrayIndicesWrap) {
  u16 palette[64];
  for (int i = 0; i < 64; i++) palette[i] = u16(0x1357 * (i + 1) ^ (i << 9));
  // All 256 byte values, so indices of 64 and above are seen in every lane.
  std::vector<u8> pixels(333);
  for (size_t i = 0; i < pixels.size(); i++) pixels[i] = u8(i * 97 + (i >> 8));
  // Counts around the 32-pixel steps, and unaligned starts.
  for (u32 start : {0u, 1u, 7u}) {
    for (u32 count : {0u, 1u, 31u, 32u, 33u, 64u, 320u}) {
      std::vector<u16> out(count + 1, 0xBEEF);
      CoreLineColours(out.data(), palette, pixels.data() + start, count);
      for (u32 x = 0; x < count; x++) {
        ASSERT_EQ(out[x], palette[pixels[start + x] & 63]) << start << " " << count << " " << x;
      }
      EXPECT_EQ(out[count], 0xBEEF) << "wrote past the line";
    }
  }
}

}  // namespace
