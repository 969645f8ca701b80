// The console as the 68000 sees it: memory map, I/O ports and the opcode
// fetch base. Addresses are reduced to 24 bits here; word and long accesses
// are served at the even address below an odd one.
#pragma once

#include "core/types.h"

u8 BusRead8(u32 address);
u16 BusRead16(u32 address);
u32 BusRead32(u32 address);
void BusWrite8(u32 address, u8 data);
void BusWrite16(u32 address, u16 data);
void BusWrite32(u32 address, u32 data);

void BusSetPcBase(u32 pc);
u32 BusSetPcBaseArg(u32 pc);
const u8* BusPcBase(u32 pc);

u16 BusReadIo16(u32 address);
u16 BusReadPad(u32 port);
void BusWriteIo8(u32 address, u8 data);
void BusWriteIo16(u32 address, u16 data);
