#include "frontend/emu.h"

#include <cstdlib>
#include <cstring>

#include "core/line_colours.h"
#include "core/machine.h"
#include "frontend/app.h"
#include "frontend/input.h"
#include "frontend/sound.h"
#include "romload/romload.h"

u16* g_frameBuffer = nullptr;
i32 g_frameWidth = 0;
i32 g_frameHeight = 0;

namespace {

size_t FrameBytes() { return size_t(g_frameWidth) * size_t(g_frameHeight) * 2; }

}  // namespace

u32 EmuInit() {
  CoreInit();
  g_coreInterface.sampleRate = 44100;
  g_coreInterface.samplesPerFrame = g_samplesPerFrame;
  g_frameWidth = FRAME_WIDTH;
  g_frameHeight = FRAME_HEIGHT;
  g_frameBuffer = static_cast<u16*>(std::malloc(FrameBytes()));
  if (g_frameBuffer == nullptr) return 1;
  EmuClearPicture();
  return 0;
}

void EmuShutdown() {
  RomUnload();
  std::free(g_frameBuffer);
  g_frameBuffer = nullptr;
  g_frameHeight = 0;
  g_frameWidth = 0;
  CoreShutdown();
}

void EmuClearPicture() {
  if (g_frameBuffer != nullptr) std::memset(g_frameBuffer, 0, FrameBytes());
}

u32 EmuRunFrame() {
  // g_input button driving each pad bit: up, down, left, right, B, C, A, Start.
  static constexpr i8 map[8] = {0, 1, 2, 3, 8, 9, 10, 4};
  u32 pad = 0;
  for (int i = 0; i < 8; i++) {
    if (g_input.button[map[i]] > 30) pad |= 1u << i;
  }
  g_coreInterface.pad[0] = pad;
  g_coreInterface.lineCallback = EmuDrawLine;
  g_coreInterface.soundBuffer = g_soundStaging;
  CoreRunFrame();
  g_coreInterface.soundBuffer = nullptr;
  g_coreInterface.lineCallback = nullptr;
  return 0;
}

u32 EmuDrawLine(i32 line, const u16* palette, const u8* pixels) {
  if (u32(line) >= u32(g_frameHeight)) return 0;
  CoreLineColours(g_frameBuffer + line * FRAME_WIDTH, palette, pixels, FRAME_WIDTH);
  return 0;
}
