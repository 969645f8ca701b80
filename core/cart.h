// A stand-alone cartridge file reader: reads a whole image from an open
// stream into a new buffer and converts it into host-word form, decoding an
// interleaved image (512-byte header, then 16 KB blocks of odd bytes followed
// by even bytes). The program loads cartridges through romload; this reader
// is kept with the core for tools and tests.
#pragma once

#include <cstddef>
#include <cstdio>

#include "core/types.h"

// Largest cartridge file taken, whether raw or as a zip entry: an
// interleaved image of the whole 16 MiB 68000 address space with its header.
// Anything larger cannot be addressed and is refused rather than allocated.
// The ROM loader and the zip reader use the same bound.
inline constexpr u32 kCartMaxFileSize = 16 * 1024 * 1024 + 512;

// Reads and converts the image in file, which it takes over: the stream is
// closed on every path unless it is null. On success returns 0 and stores,
// where given, the buffer (malloc'd, the caller frees it) and the image size
// in bytes; the buffer always has at least 4 zero bytes after a plain image.
// Returns 1, storing nothing, for a null stream, a stream that is not a
// regular file, a file above kCartMaxFileSize, or an allocation failure.
u32 CartLoadFile(std::FILE* file, u8** data, u32* size);

// 0 and the file's size in bytes when the open stream is a regular file; 1
// for anything else (a pipe or FIFO, a folder, a device), which may block a
// reader or has no size, and for a stream without a descriptor.
u32 CartRegularFileSize(std::FILE* file, u64* size);

// Exchanges the two bytes of every whole 16-bit word in the first size bytes.
void CartByteSwap16(u8* buffer, i32 size);

// Decodes an interleaved image of size bytes (header included) in place: each
// block moves down over the header by 512 bytes; the last 512 bytes of the
// buffer keep what they held. Returns 1, leaving the buffer unchanged, when
// its 16 KB scratch block cannot be allocated.
u32 CartDeinterleaveSmd(u8* buffer, i32 size);

// Decodes one 16 KB interleaved block: in's first half holds the bytes of the
// odd addresses, its second half those of the even ones.
u32 CartDecodeSmdBlock(u8* out, const u8* in);

// Replaces the reader's heap allocation (null restores malloc) so tests can
// make it fail; the buffers are still released with free.
void CartSetAllocatorForTest(void* (*alloc)(std::size_t));
