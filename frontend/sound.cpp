#include "frontend/sound.h"

#include <cstdlib>
#include <cstring>

#include "frontend/app.h"

PlatformSoundBuffer* g_soundBuffer = nullptr;
u32 g_soundBufferSamples = 0;
u32 g_soundWritePos = 0;
i16* g_soundStaging = nullptr;

u32 SoundInit() {
  if (g_samplesPerFrame == 0) return 1;
  const size_t frameBytes = size_t(g_samplesPerFrame) * 4;
  g_soundStaging = static_cast<i16*>(std::malloc(frameBytes));
  if (g_soundStaging == nullptr) return 1;
  std::memset(g_soundStaging, 0, frameBytes);
  g_soundBufferSamples = g_samplesPerFrame * 4;
  // A new buffer starts at block 0 whatever an earlier one left behind.
  g_soundWritePos = 0;
  g_soundBuffer = PlatformSoundCreate(g_soundBufferSamples * 4, 44100);
  if (g_soundBuffer == nullptr) return 1;
  SoundClearBuffer();
  PlatformSoundPlay(g_soundBuffer);
  return 0;
}

void SoundShutdown() {
  if (g_soundBuffer != nullptr) {
    PlatformSoundStop(g_soundBuffer);
    PlatformSoundRelease(g_soundBuffer);
  }
  g_soundBuffer = nullptr;
  std::free(g_soundStaging);
  g_soundStaging = nullptr;
}

u32 SoundClearBuffer() {
  void *a, *b;
  u32 sizeA, sizeB;
  PlatformSoundLock(g_soundBuffer, 0, g_soundBufferSamples * 4, &a, &sizeA, &b, &sizeB);
  if (a != nullptr) std::memset(a, 0, sizeA);
  PlatformSoundUnlock(g_soundBuffer);
  return 0;
}

u32 SoundWriteBlock() {
  void *a, *b;
  u32 sizeA, sizeB;
  PlatformSoundLock(g_soundBuffer, g_soundWritePos * 4, g_samplesPerFrame * 4, &a, &sizeA, &b,
                    &sizeB);
  if (a != nullptr && g_soundStaging != nullptr) std::memcpy(a, g_soundStaging, sizeA);
  PlatformSoundUnlock(g_soundBuffer);
  return 0;
}

u32 SoundSync() {
  if (g_soundBuffer == nullptr) return 1;
  const i32 p = i32(PlatformSoundGetPlayCursor(g_soundBuffer) / 4);
  const i32 w = i32(g_soundWritePos), n = i32(g_samplesPerFrame);
  if (w <= p && p < w + n) return 1;
  SoundWriteBlock();
  g_soundWritePos += g_samplesPerFrame;
  if (g_soundWritePos + g_samplesPerFrame > g_soundBufferSamples) g_soundWritePos = 0;
  return 0;
}

u32 FrameWait() {
  if (g_soundBuffer == nullptr) return 0;
  // Wait until the cursor has left the next block, then write it. The stop
  // flag is watched here too, so a cursor that stops moving cannot hold the
  // thread past the end of the program.
  while (SoundSync() == 1) {
    if (g_quit.load() != 0) return 0;
    PlatformSleepMs(1);
  }
  // After a slow frame the cursor is blocks ahead: the same samples go into
  // each block it has already left.
  while (SoundSync() == 0) {
  }
  return 0;
}
