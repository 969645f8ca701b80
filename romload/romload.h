// Cartridge files: plain, interleaved, or the first entry of a zip archive,
// converted to host-word form and inserted into the machine.
#pragma once

#include "core/types.h"

// Largest zip entry accepted: the 68000's 16 MiB address space plus the
// 512-byte header of an interleaved image.
inline constexpr u32 kRomMaxZipEntrySize = 16 * 1024 * 1024 + 512;
// Raw files from 2 GiB up are refused.
inline constexpr u64 kRomMaxRawFileSize = 0x7FFFFFFF;

extern char g_romPath[260];
extern u8* g_romData;  // the image buffer, a multiple of 16 KB long; null when none
extern u32 g_romSize;  // size of the image handed to the core; 0 when none

u32 RomLoad();
void RomUnload();

u32 RomByteSwap16(u8* buffer, i32 size);
u32 RomDeinterleaveSmd(u8* buffer, i32 size);
u32 RomDecodeSmdBlock(u8* out, const u8* in);
