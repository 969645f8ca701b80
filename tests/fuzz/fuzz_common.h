// Checks shared by the targets that run the machine.
#pragma once

#include <memory>

#include "core/types.h"

// Sets a line callback that checks each frame's lines: 0 to 223 in order,
// once each, with a palette and with every colour index below 64. Call
// FuzzLinesBegin before the frame and FuzzLinesEnd after it (rendered: all
// 224 lines were handed over, else none).
void FuzzLinesBegin();
void FuzzLinesEnd(bool rendered);

// A sound buffer of exactly one frame (samplesPerFrame stereo pairs) on the
// heap, so that the sanitizer sees any write past it.
std::unique_ptr<i16[]> FuzzSoundBuffer(u32 samplesPerFrame);
