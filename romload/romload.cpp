#include "romload/romload.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/cart.h"
#include "core/machine.h"
#include "romload/unzip.h"

char g_romPath[260];
u8* g_romData;
u32 g_romSize;

namespace {

// Host-word form swaps the bytes of each big-endian 68000 word into a
// little-endian host word.
static_assert(std::endian::native == std::endian::little);

constexpr u32 kBlockSize = 16384;
constexpr u32 kSmdHeaderSize = 512;

// The limit keeps the round-up to a whole block inside 32 bits.
static_assert(kCartMaxFileSize <= 0xFFFFFFFFu - (kBlockSize - 1));

// Why the last load failed; empty after a success.
char g_romError[96];

// Keeps the reason for the user, its first letter in lower case so that it
// reads on after "cannot load NAME: ".
void SetError(const char* reason) {
  std::snprintf(g_romError, sizeof g_romError, "%s", reason);
  g_romError[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(g_romError[0])));
}

// Only the last four characters count, in any letter case.
bool IsZipPath(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length < 4) return false;
  static constexpr char kZip[] = ".zip";
  for (int i = 0; i < 4; i++) {
    if (std::tolower(static_cast<unsigned char>(path[length - 4 + i])) != kZip[i]) return false;
  }
  return true;
}

// Opens path for reading only when it is a regular file, storing its size.
// The open does not wait: a FIFO would otherwise block until a writer came,
// and it is refused as soon as it is seen to be one, like a folder or device.
FILE* OpenRegularFile(const char* path, u64* size) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    SetError(std::strerror(errno));
    return nullptr;
  }
  FILE* file = fdopen(fd, "rb");
  if (!file) {
    SetError(std::strerror(errno));
    close(fd);
    return nullptr;
  }
  if (CartRegularFileSize(file, size) != 0) {
    SetError("not a regular file");
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace

u32 RomLoad() {
  g_romError[0] = '\0';
  Unzip unzip;
  u64 fileSize = 0;
  FILE* file = OpenRegularFile(g_romPath, &fileSize);
  if (!file) return 1;

  i64 size = 0;
  // What an image of no bytes means to the user.
  const char* nothing = "empty";
  if (IsZipPath(g_romPath)) {
    unzip.file = file;
    if (unzip.ReadLocalHeader() == 0) {
      // A header can claim any size; refuse what no cartridge can be rather
      // than allocate and clear it.
      size = unzip.uncompressedSize <= kCartMaxFileSize ? i64(unzip.uncompressedSize) : -1;
      // Flag bit 3: the sizes follow the data, and the header holds zeros.
      nothing = (unzip.header[6] & 8) != 0 ? "its first entry's size is not in its header"
                                           : "its first entry is empty";
      if (size < 0) SetError("its first entry is larger than 16 MiB + 512 bytes");
    } else {
      // Not an archive after all: nothing is read.
      unzip.file = nullptr;
      nothing = "not a zip archive";
    }
  } else {
    // Measured before anything is read or allocated.
    size = fileSize <= kCartMaxFileSize ? i64(fileSize) : -1;
    if (size < 0) SetError("larger than 16 MiB + 512 bytes");
  }

  u8* buffer = nullptr;
  if (size > 0) {
    const u32 rounded = (u32(size) + (kBlockSize - 1)) & ~(kBlockSize - 1);
    buffer = static_cast<u8*>(std::malloc(rounded));
    if (buffer) std::memset(buffer, 0, rounded);
  }
  if (size < 0 || (size > 0 && !buffer)) {
    if (size > 0) SetError("out of memory");
    unzip.CloseEntry();
    std::fclose(file);
    return 1;
  }
  g_romData = buffer;

  // Short reads and inflate failures are not reported: the rest stays zero.
  if (size > 0) {
    if (unzip.file) {
      unzip.Extract(g_romData);
    } else {
      std::fread(g_romData, 1, std::size_t(size), file);
    }
  }
  unzip.CloseEntry();
  std::fclose(file);

  g_romSize = u32(size);
  if ((g_romSize & (kBlockSize - 1)) == kSmdHeaderSize) {
    RomDeinterleaveSmd(g_romData, i32(size));
    g_romSize -= kSmdHeaderSize;
    if (g_romSize == 0) nothing = "a 512-byte header with no image";
  } else {
    RomByteSwap16(g_romData, i32(size));
  }

  // An empty image goes in as an eject, so the core never runs on it, and
  // the load is refused. When the core cannot keep its copy it has ejected:
  // nothing stays loaded either.
  const bool empty = g_romSize == 0;
  if (CoreLoadRom(empty ? nullptr : g_romData, g_romSize) != 0 || empty) {
    SetError(empty ? nothing : "out of memory");
    std::free(g_romData);
    g_romData = nullptr;
    g_romSize = 0;
    return 1;
  }
  return 0;
}

const char* RomLoadError() { return g_romError; }

void RomUnload() {
  // The core borrows the buffer: take it out before freeing it.
  CoreLoadRom(nullptr, 0);
  if (g_romData) std::free(g_romData);
  g_romData = nullptr;
  g_romSize = 0;
  std::memset(g_romPath, 0, sizeof g_romPath);
}

// The conversions are the cartridge reader's: the two loaders share them.
u32 RomByteSwap16(u8* buffer, i32 size) {
  if (size < 2) return 1;
  CartByteSwap16(buffer, size);
  return 0;
}

u32 RomDeinterleaveSmd(u8* buffer, i32 size) { return CartDeinterleaveSmd(buffer, size); }

u32 RomDecodeSmdBlock(u8* out, const u8* in) { return CartDecodeSmdBlock(out, in); }
