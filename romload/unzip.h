// Zip entry reader: walks an archive by its local file headers alone (no
// central directory) and raw-inflates one entry at a time into a caller's
// buffer. The archive stream is borrowed: opened and closed by the caller.
#pragma once

#include <cstdio>

#include "core/types.h"

class Unzip {
 public:
  Unzip();

  u32 Rewind();
  u32 ReadLocalHeader();
  u32 Extract(u8* destination);
  u32 CloseEntry();

  FILE* file;
  u8 header[32];  // the local header as read; its first 30 bytes are used
  u32 uncompressedSize;
  char* fileName;  // NUL-terminated; null when no entry is open
  u32 compressedSize;
  u32 nameLength;
  u32 extraLength;
  u32 headerOffset;  // file offset of the current local header
  u32 dataOffset;    // file offset of the current entry's data
};

u32 UnzipReadU32Le(const u8* p);
u32 UnzipInflateRaw(u8* destination, u32 destinationLength, const u8* source, u32 sourceLength);
