#include "frontend/screen_texture.h"

#include <algorithm>
#include <cstring>

#include "frontend/emu.h"

PlatformSurface* g_screenTexture = nullptr;
i32 g_textureWidth = 0;
i32 g_textureHeight = 0;

u32 ScreenTextureInit() {
  g_textureWidth = 512;
  g_textureHeight = 512;
  g_screenTexture = PlatformSurfaceCreate(g_textureWidth, g_textureHeight);
  if (g_screenTexture == nullptr) return 1;
  ScreenTextureClear();
  return 0;
}

u32 ScreenTextureClear() {
  i32 pitch = 0;
  u8* bits = static_cast<u8*>(PlatformSurfaceLock(g_screenTexture, &pitch));
  if (bits == nullptr) return 1;
  for (i32 r = 0; r < g_textureHeight; r++) {
    std::memset(bits + size_t(r) * size_t(pitch), 0, size_t(g_textureWidth) * 2);
  }
  PlatformSurfaceUnlock(g_screenTexture);
  return 0;
}

u32 ScreenTextureUpload() {
  i32 pitch = 0;
  u8* bits = static_cast<u8*>(PlatformSurfaceLock(g_screenTexture, &pitch));
  if (bits == nullptr) return 1;
  if (g_frameBuffer != nullptr) {
    // Never more than the texture holds.
    const i32 w = std::min(g_frameWidth, g_textureWidth);
    const i32 h = std::min(g_frameHeight, g_textureHeight);
    for (i32 r = 0; r < h; r++) {
      std::memcpy(bits + size_t(r) * size_t(pitch),
                  g_frameBuffer + size_t(r) * size_t(g_frameWidth), size_t(w) * 2);
    }
  }
  PlatformSurfaceUnlock(g_screenTexture);
  return 0;
}

u32 ScreenTextureUploadSwizzled() {
  const u32 mask = u32(g_textureWidth) * u32(g_textureHeight) - 1;
  i32 pitch = 0;
  u16* texels = static_cast<u16*>(PlatformSurfaceLock(g_screenTexture, &pitch));
  if (texels == nullptr) return 1;
  if (g_frameBuffer != nullptr) {
    const u16* src = g_frameBuffer;
    // Morton order: bit i of the column goes to bit 2i, bit i of the row to
    // bit 2i + 1. Setting the other coordinate's bits before each increment
    // lets the carry run through them.
    u32 ys = 0;
    for (i32 r = 0; r < g_frameHeight; r++) {
      ys |= 0x55555555u;
      u32 xs = 0;
      for (i32 c = 0; c < g_frameWidth; c++) {
        xs |= 0xAAAAAAAAu;
        texels[xs & ys & mask] = *src++;
        xs += 1;
      }
      ys += 1;
    }
  }
  PlatformSurfaceUnlock(g_screenTexture);
  return 0;
}

void ScreenTextureShutdown() {
  if (g_screenTexture != nullptr) PlatformSurfaceRelease(g_screenTexture);
  g_screenTexture = nullptr;
  g_textureHeight = 0;
  g_textureWidth = 0;
}
