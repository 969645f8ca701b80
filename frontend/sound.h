// Sound output and frame pacing: a looping buffer of four frame-sized blocks
// whose play cursor lets the frame loop go on once per block played.
#pragma once

#include "core/types.h"
#include "platform/platform.h"

extern PlatformSoundBuffer* g_soundBuffer;
extern u32 g_soundBufferSamples;  // 4 x g_samplesPerFrame stereo samples
extern u32 g_soundWritePos;       // first stereo sample of the next block to write
extern i16* g_soundStaging;       // one frame of interleaved stereo samples

u32 SoundInit();
void SoundShutdown();
u32 FrameWait();
u32 SoundSync();
u32 SoundWriteBlock();
u32 SoundClearBuffer();
