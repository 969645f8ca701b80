#include "romload/unzip.h"

#define ZLIB_CONST
#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "core/cart.h"

namespace {

constexpr u32 kLocalHeaderSize = 30;

// The entries read are cartridge images, of at most kCartMaxFileSize bytes;
// no encoder needs more deflate data than zlib's bound for that (stored
// blocks plus their headers), so no more is buffered, whatever the header
// claims and however long the archive is.
constexpr u32 kMaxCompressedSize = kCartMaxFileSize + (kCartMaxFileSize >> 12) +
                                   (kCartMaxFileSize >> 14) + (kCartMaxFileSize >> 25) + 13;

// Offsets are 32-bit; a header or entry that claims to reach past 4 GiB is
// pinned at the last offset instead of wrapping back into the archive, so a
// later header read there simply fails.
u32 SaturatingOffset(u64 offset) { return offset > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(offset); }

}  // namespace

Unzip::Unzip()
    : file(nullptr),
      header{},
      uncompressedSize(0),
      fileName(nullptr),
      compressedSize(0),
      nameLength(0),
      extraLength(0),
      headerOffset(0),
      dataOffset(0) {}

u32 Unzip::Rewind() {
  headerOffset = 0;
  return 0;
}

u32 Unzip::ReadLocalHeader() {
  if (!file) return 1;
  std::fseek(file, long(headerOffset), SEEK_SET);
  if (std::fread(header, 1, kLocalHeaderSize, file) < kLocalHeaderSize) return 1;
  if (header[0] != 0x50 || header[1] != 0x4B || header[2] != 0x03 || header[3] != 0x04) return 1;

  compressedSize = UnzipReadU32Le(header + 18);
  uncompressedSize = UnzipReadU32Le(header + 22);
  const u32 lengths = UnzipReadU32Le(header + 26);
  nameLength = lengths & 0xFFFF;
  extraLength = lengths >> 16;

  fileName = static_cast<char*>(std::malloc(nameLength + 1));
  if (!fileName) return 1;
  std::memset(fileName, 0, nameLength + 1);
  std::fread(fileName, 1, nameLength, file);

  dataOffset = SaturatingOffset(u64(headerOffset) + kLocalHeaderSize + nameLength + extraLength);
  return 0;
}

u32 Unzip::Extract(u8* destination) {
  if (!file) return 1;
  // The header's compressed size is only a claim: never buffer more than the
  // file actually holds after the entry's data offset.
  u32 length = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (end > 0 && u64(end) > dataOffset) {
      const u64 available = u64(end) - dataOffset;
      length = available < compressedSize ? u32(available) : compressedSize;
    }
  }
  if (length > kMaxCompressedSize) length = kMaxCompressedSize;
  std::fseek(file, long(dataOffset), SEEK_SET);
  if (length == 0) return 0;  // nothing to inflate

  u8* source = static_cast<u8*>(std::malloc(length));
  if (!source) return 1;
  std::memset(source, 0, length);
  std::fread(source, 1, length, file);
  UnzipInflateRaw(destination, uncompressedSize, source, length);
  std::free(source);
  return 0;
}

u32 Unzip::CloseEntry() {
  std::free(fileName);
  fileName = nullptr;
  headerOffset = SaturatingOffset(u64(dataOffset) + compressedSize);
  uncompressedSize = 0;
  compressedSize = 0;
  nameLength = 0;
  extraLength = 0;
  return 0;
}

u32 UnzipReadU32Le(const u8* p) {
  return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

// Every entry goes through the inflater, whatever its method says: stored
// data is not deflate data, so it stops at once and leaves the destination
// as it was. Results are not examined; the output simply ends where the
// inflate stopped, and never runs past the destination length.
u32 UnzipInflateRaw(u8* destination, u32 destinationLength, const u8* source, u32 sourceLength) {
  z_stream stream{};  // zero: zlib uses its own allocator
  stream.next_in = source;
  stream.avail_in = sourceLength;
  stream.next_out = destination;
  stream.avail_out = destinationLength;
  // Negative window bits: raw deflate with a 32 KB window, no zlib or gzip wrapper.
  inflateInit2_(&stream, -15, ZLIB_VERSION, int(sizeof(z_stream)));
  inflate(&stream, Z_FINISH);
  inflateEnd(&stream);
  return 0;
}
