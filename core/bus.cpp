#include "core/bus.h"

u8 BusRead8(u32) { return 0; }
u16 BusRead16(u32) { return 0; }
u32 BusRead32(u32) { return 0; }
void BusWrite8(u32, u8) {}
void BusWrite16(u32, u16) {}
void BusWrite32(u32, u32) {}
void BusSetPcBase(u32) {}
u32 BusSetPcBaseArg(u32) { return 0; }
const u8* BusPcBase(u32) { return nullptr; }
u16 BusReadIo16(u32) { return 0; }
u16 BusReadPad(u32) { return 0; }
void BusWriteIo8(u32, u8) {}
void BusWriteIo16(u32, u16) {}
