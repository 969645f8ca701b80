// Cartridge files: plain, interleaved, or the first entry of a zip archive,
// converted to host-word form and inserted into the machine.
#pragma once

#include "core/types.h"

extern char g_romPath[260];
extern u8* g_romData;  // the image buffer, a multiple of 16 KB long; null when none
extern u32 g_romSize;  // size of the image handed to the core; 0 when none

// Loads g_romPath and inserts it. 1, with nothing inserted, when the path
// cannot be opened or is not a regular file, when it gives no image (an empty
// file or zip entry, a lone interleaved header, a .zip that is no archive),
// when a raw file or zip entry is larger than kCartMaxFileSize (core/cart.h),
// or when a buffer cannot be had (the loader's or the core's).
u32 RomLoad();
// Why the last RomLoad failed, in a few words that read on after "cannot
// load NAME: " ("not a regular file", "empty", ...); empty after a success.
const char* RomLoadError();
void RomUnload();

u32 RomByteSwap16(u8* buffer, i32 size);
u32 RomDeinterleaveSmd(u8* buffer, i32 size);
u32 RomDecodeSmdBlock(u8* out, const u8* in);
