// The video display processor: ports, command latch, DMA and the line
// renderer.
#pragma once

#include "core/types.h"

void VdpWritePort(u32 address, u16 value);
void VdpRenderLine(i32 line);

// Colour RAM word 0000BBB0GGG0RRR0 to host RGB565.
u16 VdpColorToRgb565(u16 color);
