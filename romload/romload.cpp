#include "romload/romload.h"

char g_romPath[260];
u8* g_romData;
u32 g_romSize;

u32 RomLoad() { return 1; }
void RomUnload() {}
