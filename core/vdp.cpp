#include "core/vdp.h"

void VdpWritePort(u32, u16) {}
void VdpRenderLine(i32) {}
u16 VdpColorToRgb565(u16) { return 0; }
