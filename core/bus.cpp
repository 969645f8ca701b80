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

#include "cpu68k/cpu68k.h"
namespace {
u32 SlotRead8(u32 a) { return BusRead8(a); }
u32 SlotRead16(u32 a) { return BusRead16(a); }
void SlotWrite8(u32 a, u32 d) { BusWrite8(a, static_cast<u8>(d)); }
void SlotWrite16(u32 a, u32 d) { BusWrite16(a, static_cast<u16>(d)); }
}  // namespace
const Cpu68kMemHandlers kCpu68kConsoleMemHandlers = {
    SlotRead8,    SlotRead16, BusRead32,  SlotWrite8, SlotWrite16, BusWrite32,
    BusSetPcBase, SlotRead8,  SlotRead16, BusRead32,  0x00FFFFFF,  Cpu68kDefaultResetHandler};
Cpu68kMemHandlers g_cpu68kMemHandlers = kCpu68kConsoleMemHandlers;
