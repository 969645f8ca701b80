#include "tools/headless.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/line_colours.h"
#include "core/machine.h"
#include "romload/romload.h"

HeadlessFrame g_headlessFrame;

namespace {

bool s_poweredOn = false;
const char* s_loadError = "";

// RGB565 to 8-bit channels, the low bits filled from the high ones.
void ToRgb8(u16 c, u8* out) {
  const u32 r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  out[0] = static_cast<u8>((r << 3) | (r >> 2));
  out[1] = static_cast<u8>((g << 2) | (g >> 4));
  out[2] = static_cast<u8>((b << 3) | (b >> 2));
}

void PutBe32(std::vector<u8>& out, u32 v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<u8>(v >> shift));
}

void PutLe(std::vector<u8>& out, u32 v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

void PngChunk(std::vector<u8>& out, const char type[4], const std::vector<u8>& data) {
  PutBe32(out, static_cast<u32>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBe32(out, static_cast<u32>(crc));
}

bool WriteFile(const char* path, const void* data, size_t size) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

u32 HeadlessLineCallback(i32 line, const u16* palette, const u8* pixels) {
  if (line < 0 || line >= static_cast<i32>(kHeadlessHeight)) return 0;
  std::memcpy(g_headlessFrame.indices[line], pixels, kHeadlessWidth);
  CoreLineColours(g_headlessFrame.pixels[line], palette, pixels, kHeadlessWidth);
  ++g_headlessFrame.lines;
  return 0;
}

u32 HeadlessLoad(const char* path) {
  if (!s_poweredOn) {
    CoreInit();
    s_poweredOn = true;
  }
  g_coreInterface.sampleRate = kHeadlessSampleRate;
  g_coreInterface.samplesPerFrame = kHeadlessSamplesPerFrame;
  RomUnload();
  if (std::strlen(path) >= sizeof g_romPath) {
    s_loadError = "path too long";
    return 1;
  }
  std::snprintf(g_romPath, sizeof g_romPath, "%s", path);
  if (RomLoad() != 0) {
    s_loadError = RomLoadError();
    return 1;
  }
  return 0;
}

const char* HeadlessLoadError() { return s_loadError; }

void HeadlessUnload() { RomUnload(); }

u32 HeadlessRunFrame(u32 pad1, u32 pad2, i16* sound, bool render) {
  g_coreInterface.pad[0] = pad1;
  g_coreInterface.pad[1] = pad2;
  g_coreInterface.samplesPerFrame = kHeadlessSamplesPerFrame;
  g_coreInterface.soundBuffer = sound;
  g_coreInterface.lineCallback = render ? HeadlessLineCallback : nullptr;
  g_headlessFrame.lines = 0;
  const u32 result = CoreRunFrame();
  g_coreInterface.soundBuffer = nullptr;
  g_coreInterface.lineCallback = nullptr;
  return result;
}

u64 HeadlessFrameHash(const HeadlessFrame& frame) {
  u64 hash = 0xCBF29CE484222325ull;
  for (const auto& row : frame.pixels) {
    for (u16 pixel : row) {
      for (int shift = 0; shift < 16; shift += 8) {
        hash ^= static_cast<u8>(pixel >> shift);
        hash *= 0x100000001B3ull;
      }
    }
  }
  return hash;
}

bool HeadlessWritePpm(const char* path, const HeadlessFrame& frame) {
  char head[32];
  const int headSize =
      std::snprintf(head, sizeof head, "P6\n%u %u\n255\n", kHeadlessWidth, kHeadlessHeight);
  std::vector<u8> out(head, head + headSize);
  for (const auto& row : frame.pixels) {
    for (u16 pixel : row) {
      u8 rgb[3];
      ToRgb8(pixel, rgb);
      out.insert(out.end(), rgb, rgb + 3);
    }
  }
  return WriteFile(path, out.data(), out.size());
}

bool HeadlessWritePng(const char* path, const HeadlessFrame& frame) {
  // Each row: filter type 0, then the row's RGB bytes.
  std::vector<u8> raw;
  raw.reserve(kHeadlessHeight * (1 + 3 * kHeadlessWidth));
  for (const auto& row : frame.pixels) {
    raw.push_back(0);
    for (u16 pixel : row) {
      u8 rgb[3];
      ToRgb8(pixel, rgb);
      raw.insert(raw.end(), rgb, rgb + 3);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<u8> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    return false;
  packed.resize(packedSize);

  static const u8 kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<u8> out(kSignature, kSignature + 8);
  std::vector<u8> header;
  PutBe32(header, kHeadlessWidth);
  PutBe32(header, kHeadlessHeight);
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter choice, no interlace
  PngChunk(out, "IHDR", header);
  PngChunk(out, "IDAT", packed);
  PngChunk(out, "IEND", {});
  return WriteFile(path, out.data(), out.size());
}

bool HeadlessWriteWav(const char* path, const i16* samples, size_t pairs, u32 sampleRate) {
  const u64 dataSize = static_cast<u64>(pairs) * 4;
  if (dataSize > 0xFFFFFFFFull - 36) return false;
  std::vector<u8> out;
  out.reserve(44 + dataSize);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  PutLe(out, static_cast<u32>(36 + dataSize), 4);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(out, 16, 4);              // format chunk size
  PutLe(out, 1, 2);               // PCM
  PutLe(out, 2, 2);               // channels
  PutLe(out, sampleRate, 4);      // frames per second
  PutLe(out, sampleRate * 4, 4);  // bytes per second
  PutLe(out, 4, 2);               // bytes per stereo frame
  PutLe(out, 16, 2);              // bits per sample
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  PutLe(out, static_cast<u32>(dataSize), 4);
  for (size_t i = 0; i < pairs * 2; ++i) PutLe(out, static_cast<u16>(samples[i]), 2);
  return WriteFile(path, out.data(), out.size());
}
