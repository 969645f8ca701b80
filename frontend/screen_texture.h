// The 512 x 512 RGB565 texture through which the emulated picture reaches
// the screen; its top-left 320 x 224 texels take the frame buffer each frame.
#pragma once

#include "core/types.h"
#include "platform/platform.h"

extern PlatformSurface* g_screenTexture;
extern i32 g_textureWidth;
extern i32 g_textureHeight;

u32 ScreenTextureInit();
u32 ScreenTextureClear();
u32 ScreenTextureUpload();
u32 ScreenTextureUploadSwizzled();
void ScreenTextureShutdown();
