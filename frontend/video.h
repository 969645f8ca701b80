// Video output: the software device with its back buffer, the screen quad
// seen through a perspective camera, clear and present.
#pragma once

#include "core/types.h"
#include "platform/platform.h"

using QuadVertex = PlatformVertex;

extern PlatformDevice* g_device;
extern u32* g_backBuffer;  // XRGB8888, null without a device
extern i32 g_backBufferWidth, g_backBufferHeight, g_backBufferPitch;
extern PlatformVertexBuffer* g_vertexBuffer;
extern QuadVertex g_quad[4];

u32 VideoInit();
void VideoShutdown();
u32 VideoClear(u32 color);
u32 VideoDrawFrame();
u32 VideoPresent();
// Fills a rectangle of the back buffer with 0xRRGGBB, clipped to it; 1
// without a back buffer.
u32 VideoFillRect(i32 x, i32 y, i32 width, i32 height, u32 color);
u32 VideoSetTransforms();
u32 VideoBuildQuad();
