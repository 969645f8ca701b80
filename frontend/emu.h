// The bridge to the console core: start and stop, the frame buffer, and one
// emulated frame with the pad, the line callback and the sound buffer lent to
// the core for exactly its length.
#pragma once

#include "core/types.h"

inline constexpr i32 FRAME_WIDTH = 320;
inline constexpr i32 FRAME_HEIGHT = 224;

extern u16* g_frameBuffer;  // FRAME_HEIGHT rows of FRAME_WIDTH RGB565 pixels
extern i32 g_frameWidth;    // 320 while the buffer exists, else 0
extern i32 g_frameHeight;   // 224 while the buffer exists, else 0

u32 EmuInit();
void EmuShutdown();
u32 EmuRunFrame();
// Back to black: the picture of a game that is no longer loaded.
void EmuClearPicture();
u32 EmuDrawLine(i32 line, const u16* palette, const u8* pixels);
