// The machine without a window: a frame buffer fed by the line callback,
// one-call frame running, image and sound writers and a frame hash. Used by
// the headless runner and by the whole-machine tests; the program itself
// never uses any of it.
#pragma once

#include <cstddef>

#include "core/types.h"

inline constexpr u32 kHeadlessWidth = 320;
inline constexpr u32 kHeadlessHeight = 224;
inline constexpr u32 kHeadlessSampleRate = 44100;
inline constexpr u32 kHeadlessSamplesPerFrame = 735;

struct HeadlessFrame {
  u16 pixels[kHeadlessHeight][kHeadlessWidth];  // RGB565, as the frontend shows them
  u8 indices[kHeadlessHeight][kHeadlessWidth];  // the colour indices handed over
  u32 lines;                                    // lines delivered since the frame began
};

extern HeadlessFrame g_headlessFrame;

// The line callback: converts one line's indices through the palette into
// g_headlessFrame. Lines outside 0-223 are ignored.
u32 HeadlessLineCallback(i32 line, const u16* palette, const u8* pixels);

// Powers the machine on (the first time) and loads the cartridge file at
// path through RomLoad, replacing any earlier one. 0 on success, 1 when the
// path is too long or the loader refuses the file.
u32 HeadlessLoad(const char* path);
// Why the last HeadlessLoad failed, in a few words.
const char* HeadlessLoadError();
void HeadlessUnload();

// Runs one frame with the given pad words. sound, when not null, receives
// kHeadlessSamplesPerFrame stereo pairs; render hands the 224 lines to
// g_headlessFrame. Returns CoreRunFrame's result.
u32 HeadlessRunFrame(u32 pad1, u32 pad2, i16* sound, bool render);

// 64-bit FNV-1a over the 224 lines of RGB565 pixels, low byte first.
u64 HeadlessFrameHash(const HeadlessFrame& frame);

// Write the frame as 8-bit RGB; false when the file cannot be written.
bool HeadlessWritePpm(const char* path, const HeadlessFrame& frame);
bool HeadlessWritePng(const char* path, const HeadlessFrame& frame);
// 16-bit stereo PCM; pairs is the number of left/right pairs in samples.
bool HeadlessWriteWav(const char* path, const i16* samples, size_t pairs, u32 sampleRate);
