#include "frontend/video.h"

#include <algorithm>
#include <cstring>

#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/screen_texture.h"
#include "frontend/text.h"

PlatformDevice* g_device = nullptr;
u32* g_backBuffer = nullptr;
i32 g_backBufferWidth = 0, g_backBufferHeight = 0, g_backBufferPitch = 0;
PlatformVertexBuffer* g_vertexBuffer = nullptr;
QuadVertex g_quad[4];

u32 VideoInit() {
  g_device = PlatformDeviceCreate(g_screenWidth, g_screenHeight);
  if (g_device == nullptr) return 1;
  g_backBuffer = PlatformDeviceBackBuffer(g_device, &g_backBufferWidth, &g_backBufferHeight,
                                          &g_backBufferPitch);
  if (g_backBuffer == nullptr) return 1;
  g_vertexBuffer = PlatformVertexBufferCreate(sizeof g_quad);
  if (g_vertexBuffer == nullptr) return 1;
  if (ScreenTextureInit() != 0) return 1;
  // Without a font the overlay is simply not drawn.
  TextInit();
  return 0;
}

void VideoShutdown() {
  TextShutdown();
  ScreenTextureShutdown();
  if (g_vertexBuffer != nullptr) PlatformVertexBufferRelease(g_vertexBuffer);
  g_vertexBuffer = nullptr;
  g_backBuffer = nullptr;
  g_backBufferWidth = g_backBufferHeight = g_backBufferPitch = 0;
  if (g_device != nullptr) PlatformDeviceRelease(g_device);
  g_device = nullptr;
}

u32 VideoClear(u32 color) {
  PlatformDeviceClear(g_device, color);
  return 0;
}

u32 VideoFillRect(i32 x, i32 y, i32 width, i32 height, u32 color) {
  if (g_backBuffer == nullptr) return 1;
  const i64 left = std::max<i64>(x, 0), top = std::max<i64>(y, 0);
  const i64 right = std::min<i64>(i64(x) + width, g_backBufferWidth);
  const i64 bottom = std::min<i64>(i64(y) + height, g_backBufferHeight);
  for (i64 row = top; row < bottom; row++) {
    u32* line = g_backBuffer + row * g_backBufferPitch;
    std::fill(line + left, line + std::max(left, right), color & 0xFFFFFF);
  }
  return 0;
}

u32 VideoSetTransforms() {
  PlatformMatrix mat{};
  for (int i = 0; i < 4; i++) mat.m[i][i] = 1.0f;
  PlatformDeviceSetTransform(g_device, kTransformWorld, mat);
  // Eye and look-at point move together by a quarter of a back-buffer pixel.
  const float dx = 13.3333f / float(2 * g_screenWidth);
  const float dy = 10.0f / float(2 * g_screenHeight);
  const PlatformVec3 eye = {dx, dy, 0.0f};
  const float lx = float(g_input.axis[2]) / 2457.6f;
  const float ly = float(g_input.axis[3]) / 2457.6f;
  const PlatformVec3 look = {lx + dx, ly + dy, 10.0f};
  const PlatformVec3 up = {0.0f, 1.0f, 0.0f};
  PlatformMatrixLookAtLH(&mat, eye, look, up);
  PlatformDeviceSetTransform(g_device, kTransformView, mat);
  // A fixed 4:3 view: at depth 10 it spans x -13.333..13.333, y -10..10.
  PlatformMatrixPerspectiveFovLH(&mat, 1.5707964f, 1.3333f, 0.2f, 1000.0f);
  PlatformDeviceSetTransform(g_device, kTransformProjection, mat);
  return 0;
}

u32 VideoBuildQuad() {
  const u32 tint = g_appState == APP_STATE_RUNNING ? 0x00FFFFFF : 0x00102040;
  const float z = 10.0f;
  const float zx = z * 1.3333f;
  const float hx = (640.0f / float(g_screenWidth)) * zx;
  const float hy = (448.0f / float(g_screenHeight)) * z;
  const float s = g_textureWidth > 0 ? float(g_frameWidth) / float(g_textureWidth) : 0.0f;
  const float t = g_textureHeight > 0 ? float(g_frameHeight) / float(g_textureHeight) : 0.0f;
  g_quad[0] = {-hx, hy, z, tint, 0.0f, 0.0f};
  g_quad[1] = {hx, hy, z, tint, s, 0.0f};
  g_quad[2] = {-hx, -hy, z, tint, 0.0f, t};
  g_quad[3] = {hx, -hy, z, tint, s, t};
  return 0;
}

u32 VideoDrawFrame() {
  ScreenTextureUpload();
  VideoSetTransforms();
  VideoBuildQuad();
  void* p = PlatformVertexBufferLock(g_vertexBuffer, 0, sizeof g_quad);
  if (p == nullptr) return 1;
  std::memcpy(p, g_quad, sizeof g_quad);
  PlatformVertexBufferUnlock(g_vertexBuffer);
  PlatformDeviceSetTexture(g_device, g_screenTexture);
  PlatformDeviceSetStream(g_device, g_vertexBuffer);
  PlatformDeviceDrawStrip(g_device, 0, 2);
  return 0;
}

u32 VideoPresent() {
  PlatformWindowPresent(g_hWnd, g_backBuffer, g_backBufferWidth, g_backBufferHeight);
  return 0;
}
