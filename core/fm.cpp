#include "core/fm.h"

void FmInit() {}
void FmWritePort(u32, u8) {}
void FmWriteRegister(u32, u8, u8) {}
void FmRenderFrame() {}
