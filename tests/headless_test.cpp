// The headless runner's pieces: line callback, image and sound writers, and
// cartridge loading failures.
#include "tools/headless.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<u8> ReadFile(const std::string& path) {
  std::vector<u8> data;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return data;
  u8 buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    data.insert(data.end(), buffer, buffer + n);
  std::fclose(file);
  return data;
}

u32 Be32(const u8* p) { return (u32{p[0]} << 24) | (u32{p[1]} << 16) | (u32{p[2]} << 8) | p[3]; }
u32 Le(const std::vector<u8>& d, size_t at, int bytes) {
  u32 v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | d[at + i];
  return v;
}

// Five pure colours at known places, black elsewhere.
struct Probe {
  int x, y;
  u16 rgb565;
  u8 r, g, b;
};
const Probe kProbes[] = {
    {0, 0, 0xFFFF, 255, 255, 255}, {319, 0, 0xF800, 255, 0, 0},   {0, 223, 0x07E0, 0, 255, 0},
    {319, 223, 0x001F, 0, 0, 255}, {100, 50, 0x18C3, 24, 24, 24},
};

void FillProbes() {
  std::memset(&g_headlessFrame, 0, sizeof g_headlessFrame);
  for (const Probe& p : kProbes) g_headlessFrame.pixels[p.y][p.x] = p.rgb565;
}

TEST(Headless, LineCallbackConvertsThroughThePaletteAndIgnoresOtherLines) {
  std::memset(&g_headlessFrame, 0, sizeof g_headlessFrame);
  u16 palette[64];
  for (int i = 0; i < 64; ++i) palette[i] = static_cast<u16>(0x1000 + i);
  u8 pixels[320];
  for (int x = 0; x < 320; ++x) pixels[x] = static_cast<u8>(x % 64);
  HeadlessLineCallback(5, palette, pixels);
  HeadlessLineCallback(-1, palette, pixels);
  HeadlessLineCallback(224, palette, pixels);
  EXPECT_EQ(g_headlessFrame.lines, 1u);
  EXPECT_EQ(g_headlessFrame.pixels[5][0], 0x1000);
  EXPECT_EQ(g_headlessFrame.pixels[5][319], 0x1000 + 319 % 64);
  EXPECT_EQ(g_headlessFrame.indices[5][65], 1);
  EXPECT_EQ(g_headlessFrame.pixels[4][1], 0);
  EXPECT_EQ(g_headlessFrame.pixels[6][1], 0);
}

TEST(Headless, FrameHashSeesEveryPixel) {
  FillProbes();
  const u64 before = HeadlessFrameHash(g_headlessFrame);
  g_headlessFrame.pixels[223][318] = 1;
  EXPECT_NE(HeadlessFrameHash(g_headlessFrame), before);
}

TEST(Headless, PngHoldsTheFrameAsEightBitRgb) {
  FillProbes();
  const std::string path = ::testing::TempDir() + "/headless_test.png";
  ASSERT_TRUE(HeadlessWritePng(path.c_str(), g_headlessFrame));
  const std::vector<u8> d = ReadFile(path);
  std::remove(path.c_str());
  ASSERT_GT(d.size(), 8u);
  const u8 signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_EQ(std::memcmp(d.data(), signature, 8), 0);
  std::vector<u8> idat;
  std::vector<std::string> types;
  for (size_t at = 8; at + 12 <= d.size();) {
    const u32 length = Be32(&d[at]);
    ASSERT_LE(at + 12 + length, d.size());
    const std::string type(reinterpret_cast<const char*>(&d[at + 4]), 4);
    types.push_back(type);
    EXPECT_EQ(Be32(&d[at + 8 + length]), crc32(0, &d[at + 4], length + 4)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(Be32(&d[at + 8]), 320u);
      EXPECT_EQ(Be32(&d[at + 12]), 224u);
      EXPECT_EQ(d[at + 16], 8);  // bits per channel
      EXPECT_EQ(d[at + 17], 2);  // RGB
    }
    if (type == "IDAT") idat.insert(idat.end(), &d[at + 8], &d[at + 8 + length]);
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  std::vector<u8> raw(224 * (1 + 320 * 3));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), static_cast<uLong>(idat.size())), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  for (int y = 0; y < 224; ++y) ASSERT_EQ(raw[y * (1 + 320 * 3)], 0) << "filter of row " << y;
  for (const Probe& p : kProbes) {
    const u8* px = &raw[p.y * (1 + 320 * 3) + 1 + p.x * 3];
    EXPECT_EQ(px[0], p.r) << p.x << "," << p.y;
    EXPECT_EQ(px[1], p.g) << p.x << "," << p.y;
    EXPECT_EQ(px[2], p.b) << p.x << "," << p.y;
  }
}

TEST(Headless, PpmHoldsTheFrameAsEightBitRgb) {
  FillProbes();
  const std::string path = ::testing::TempDir() + "/headless_test.ppm";
  ASSERT_TRUE(HeadlessWritePpm(path.c_str(), g_headlessFrame));
  const std::vector<u8> d = ReadFile(path);
  std::remove(path.c_str());
  const std::string head = "P6\n320 224\n255\n";
  ASSERT_EQ(d.size(), head.size() + 320 * 224 * 3);
  EXPECT_EQ(std::string(d.begin(), d.begin() + static_cast<long>(head.size())), head);
  for (const Probe& p : kProbes) {
    const size_t at = head.size() + (static_cast<size_t>(p.y) * 320 + p.x) * 3;
    EXPECT_EQ(d[at], p.r);
    EXPECT_EQ(d[at + 1], p.g);
    EXPECT_EQ(d[at + 2], p.b);
  }
}

TEST(Headless, WavIsSixteenBitStereoPcm) {
  const i16 samples[6] = {1, -1, 0x1234, -0x1234, 32767, -32768};
  const std::string path = ::testing::TempDir() + "/headless_test.wav";
  ASSERT_TRUE(HeadlessWriteWav(path.c_str(), samples, 3, 44100));
  const std::vector<u8> d = ReadFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(d.size(), 44u + 12u);
  EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "RIFF");
  EXPECT_EQ(Le(d, 4, 4), 36u + 12u);
  EXPECT_EQ(std::string(d.begin() + 8, d.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Le(d, 20, 2), 1u);  // PCM
  EXPECT_EQ(Le(d, 22, 2), 2u);  // channels
  EXPECT_EQ(Le(d, 24, 4), 44100u);
  EXPECT_EQ(Le(d, 28, 4), 44100u * 4);
  EXPECT_EQ(Le(d, 32, 2), 4u);
  EXPECT_EQ(Le(d, 34, 2), 16u);
  EXPECT_EQ(std::string(d.begin() + 36, d.begin() + 40), "data");
  EXPECT_EQ(Le(d, 40, 4), 12u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<i16>(Le(d, 44 + 2 * i, 2)), samples[i]);
}

TEST(Headless, WritersReportAFileThatCannotBeMade) {
  FillProbes();
  const i16 pair[2] = {0, 0};
  EXPECT_FALSE(HeadlessWritePng("/nonexistent-folder/x.png", g_headlessFrame));
  EXPECT_FALSE(HeadlessWritePpm("/nonexistent-folder/x.ppm", g_headlessFrame));
  EXPECT_FALSE(HeadlessWriteWav("/nonexistent-folder/x.wav", pair, 1, 44100));
}

TEST(Headless, LoadRefusesMissingFilesAndOverlongPaths) {
  EXPECT_EQ(HeadlessLoad("/nonexistent-folder/cartridge.bin"), 1u);
  const std::string longPath = "/" + std::string(300, 'a') + ".bin";
  EXPECT_EQ(HeadlessLoad(longPath.c_str()), 1u);
  EXPECT_EQ(HeadlessLoad((std::string(MORVALITH_TESTROM_DIR) + "/padtest.bin").c_str()), 0u);
  HeadlessUnload();
}

}  // namespace
