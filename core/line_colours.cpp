#include "core/line_colours.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MORVALITH_LINE_COLOURS_AVX2 1
#endif

namespace {

void LineColoursTable(u16* out, const u16* palette, const u8* pixels, u32 count) {
  for (u32 x = 0; x < count; x++) out[x] = palette[pixels[x] & 63];
}

#if MORVALITH_LINE_COLOURS_AVX2
// Thirty-two lookups at once: the palette's low and high bytes sit in four
// registers each, sixteen colours to a register (in both halves, as the byte
// shuffle works on each 128-bit half alone). Index bits 0-3 pick within a
// register; bits 4 and 5, shifted up to bit 7, choose between registers.
__attribute__((target("avx2"))) inline __m256i Pick(const __m256i* t, __m256i index, __m256i bit4,
                                                    __m256i bit5) {
  const __m256i a =
      _mm256_blendv_epi8(_mm256_shuffle_epi8(t[0], index), _mm256_shuffle_epi8(t[1], index), bit4);
  const __m256i b =
      _mm256_blendv_epi8(_mm256_shuffle_epi8(t[2], index), _mm256_shuffle_epi8(t[3], index), bit4);
  return _mm256_blendv_epi8(a, b, bit5);
}

__attribute__((target("avx2"))) void LineColoursAvx2(u16* out, const u16* palette, const u8* pixels,
                                                     u32 count) {
  const __m256i lowByte = _mm256_set1_epi16(0x00FF);
  __m256i low[4], high[4];
  for (int k = 0; k < 4; k++) {
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(palette + 16 * k));
    // Packing works per half too: colours 0-7 and 8-15 land in the low
    // eight bytes of each half, which the 64-bit permute puts together.
    const __m256i lo = _mm256_packus_epi16(_mm256_and_si256(c, lowByte), _mm256_setzero_si256());
    const __m256i hi = _mm256_packus_epi16(_mm256_srli_epi16(c, 8), _mm256_setzero_si256());
    low[k] =
        _mm256_broadcastsi128_si256(_mm256_castsi256_si128(_mm256_permute4x64_epi64(lo, 0x08)));
    high[k] =
        _mm256_broadcastsi128_si256(_mm256_castsi256_si128(_mm256_permute4x64_epi64(hi, 0x08)));
  }
  u32 x = 0;
  for (; x + 32 <= count; x += 32) {
    const __m256i index = _mm256_and_si256(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + x)), _mm256_set1_epi8(63));
    // 16-bit shifts: no bit crosses into bit 7 of the other byte.
    const __m256i bit4 = _mm256_slli_epi16(index, 3), bit5 = _mm256_slli_epi16(index, 2);
    const __m256i lo = Pick(low, index, bit4, bit5), hi = Pick(high, index, bit4, bit5);
    // Interleaving works per half: pixels 0-7 and 16-23, then 8-15 and 24-31.
    const __m256i first = _mm256_unpacklo_epi8(lo, hi), second = _mm256_unpackhi_epi8(lo, hi);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        _mm256_permute2x128_si256(first, second, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 16),
                        _mm256_permute2x128_si256(first, second, 0x31));
  }
  LineColoursTable(out + x, palette, pixels + x, count - x);
}
#endif

}  // namespace

void CoreLineColours(u16* out, const u16* palette, const u8* pixels, u32 count) {
#if MORVALITH_LINE_COLOURS_AVX2
  if (__builtin_cpu_supports("avx2")) {
    LineColoursAvx2(out, palette, pixels, count);
    return;
  }
#endif
  LineColoursTable(out, palette, pixels, count);
}
