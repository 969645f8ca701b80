// On-screen text: one font, a colour set before each string, drawn from a
// top-left position over the picture and clipped to the screen.
#pragma once

#include <cstddef>

#include "core/types.h"
#include "platform/platform.h"

extern PlatformFont* g_font;
extern u32 g_textColor;  // 0xAARRGGBB of the next string

u32 TextInit();
void TextShutdown();
u32 TextSetColor(u32 color);
u32 TextDraw(const char16_t* text, i32 x, i32 y);
// The pen advance of the whole string in pixels, unclipped; 0 without a font.
i32 TextWidth(const char16_t* text);

// Zero-fills `out` (capacity characters) and writes at most `maxChars`
// characters of the narrow (UTF-8) string into it, always zero-terminated.
// A byte that starts no valid UTF-8 sequence stands for itself.
void TextWiden(char16_t* out, size_t capacity, const char* narrow, size_t maxChars);
