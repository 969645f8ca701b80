// One rendered line turned into host colours: every colour index looked up
// in the 64-entry host palette the line callback receives. Shared by every
// receiver of the line callback.
#pragma once

#include "core/types.h"

// out[x] = palette[pixels[x] & 63] for x below count. The mask keeps a stray
// index inside the palette.
void CoreLineColours(u16* out, const u16* palette, const u8* pixels, u32 count);
