// The FM tone generator, modelled as eight square-wave voices driven by the
// key-on and frequency registers.
#pragma once

#include "core/types.h"

void FmInit();
void FmWritePort(u32 address, u8 data);
void FmWriteRegister(u32 part, u8 reg, u8 data);
void FmRenderFrame();
