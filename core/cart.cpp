#include "core/cart.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr i64 kCartBlockSize = 16384;
constexpr i64 kCartHeaderSize = 512;
// The rounded size plus its four zero bytes fits the i32 sizes of the converters.
static_assert(kCartMaxFileSize <= 0x7FFFFFFF - 7);

void* (*g_cartAlloc)(std::size_t) = nullptr;

void* CartAlloc(std::size_t bytes) {
  return g_cartAlloc != nullptr ? g_cartAlloc(bytes) : std::malloc(bytes);
}

}  // namespace

void CartSetAllocatorForTest(void* (*alloc)(std::size_t)) { g_cartAlloc = alloc; }

u32 CartLoadFile(std::FILE* file, u8** data, u32* size) {
  if (file == nullptr) return 1;

  // Only a regular file has a size, and its size is known before reading.
  u64 end = 0;
  if (CartRegularFileSize(file, &end) != 0 || end > kCartMaxFileSize ||
      std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return 1;
  }

  // Rounded up to whole longs, plus four zero bytes after the image.
  u32 n = (static_cast<u32>(end) + 3u) & ~3u;
  u8* buffer = static_cast<u8*>(CartAlloc(std::size_t{n} + 4));
  if (buffer == nullptr) {
    std::fclose(file);
    return 1;
  }
  std::memset(buffer, 0, std::size_t{n} + 4);
  // A short read leaves zeros; the count is not examined.
  (void)std::fread(buffer, 1, n, file);
  std::fclose(file);

  if ((n & 0x3FFF) == 0x200) {
    // Without the scratch block the image would stay interleaved while its
    // size said otherwise: report the failure instead of a garbled image.
    if (CartDeinterleaveSmd(buffer, static_cast<i32>(n)) != 0) {
      std::free(buffer);
      return 1;
    }
    n -= 512;
  } else {
    CartByteSwap16(buffer, static_cast<i32>(n));
  }

  if (size != nullptr) *size = n;
  if (data != nullptr) {
    *data = buffer;
  } else {
    std::free(buffer);  // nobody could own it
  }
  return 0;
}

u32 CartRegularFileSize(std::FILE* file, u64* size) {
  const int fd = file != nullptr ? fileno(file) : -1;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return 1;
  *size = static_cast<u64>(info.st_size);
  return 0;
}

void CartByteSwap16(u8* buffer, i32 size) {
  for (i64 i = 0; i + 2 <= size; i += 2) {
    const u8 high = buffer[i];
    buffer[i] = buffer[i + 1];
    buffer[i + 1] = high;
  }
}

u32 CartDeinterleaveSmd(u8* buffer, i32 size) {
  u8* scratch = static_cast<u8*>(CartAlloc(kCartBlockSize));
  if (scratch == nullptr) return 1;
  std::memset(scratch, 0, kCartBlockSize);
  // Block k is read from 512 bytes above where it is written, and written
  // only once decoded whole, so no input is overwritten before it is read.
  for (i64 o = 0; o + kCartHeaderSize + kCartBlockSize <= size; o += kCartBlockSize) {
    CartDecodeSmdBlock(scratch, buffer + o + kCartHeaderSize);
    std::memcpy(buffer + o, scratch, kCartBlockSize);
  }
  std::free(scratch);
  return 0;
}

u32 CartDecodeSmdBlock(u8* out, const u8* in) {
  for (u32 i = 0; i < 8192; ++i) out[2 * i] = in[i];
  for (u32 i = 0; i < 8192; ++i) out[2 * i + 1] = in[8192 + i];
  return 0;
}
