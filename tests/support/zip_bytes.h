// Byte builders for the zip and deflate tests: test data, raw deflate
// streams and hand-made local entries for headers no zip tool would write.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/types.h"

// Pseudo-random bytes, which deflate cannot shrink; masked to a few bits
// they still compress (the zip tool stores what does not).
std::vector<u8> Pattern(std::size_t n, u32 seed = 0, u8 mask = 0xFF);

// `in` as one raw deflate stream (no zlib or gzip wrapper), as zip keeps it.
std::vector<u8> RawDeflate(const std::vector<u8>& in);

constexpr u16 kZipStored = 0;
constexpr u16 kZipDeflated = 8;

// One local header with the given method and sizes, an extra field of
// `extraLength` zero bytes, then `data`.
std::vector<u8> ZipLocalEntry(const std::string& name, u16 method, u16 extraLength,
                              const std::vector<u8>& data, u32 compressedSize,
                              u32 uncompressedSize);

// A Python script that writes two archives of one entry, rom.bin, whose data
// is a 0x06 byte (a deflate block of the reserved type) and then
// bytes(range(256)) `repeats` times: stored.zip keeps it stored, and
// descriptor.zip deflates it to a stream that cannot seek, so its sizes are
// kept only in a data descriptor and the local header says 0.
std::string NonInflatingZipsScript(int repeats);
