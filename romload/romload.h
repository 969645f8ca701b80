// Cartridge files: plain, interleaved, or the first entry of a zip archive.
#pragma once

#include "core/types.h"

extern char g_romPath[260];
extern u8* g_romData;
extern u32 g_romSize;

u32 RomLoad();
void RomUnload();
