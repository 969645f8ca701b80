#include "cpu68k/cpu68k.h"

Cpu68kContext g_cpu68kContext;
i32 g_cpu68kCycles;
const u8* g_cpu68kPcBase;

u32 Cpu68kInit() { return 0; }
u32 Cpu68kPostInit() { return 0; }
u32 Cpu68kReset() { return 0; }
u32 Cpu68kSetIrq(u32 level) { g_cpu68kContext.irqPending = level; return 0; }
i32 Cpu68kRun(i32 cycles) { return Cpu68kExecute(cycles); }
i32 Cpu68kExecute(i32) { return 0; }
i32 Cpu68kDefaultIrqAck(u32) { return -1; }
u32 Cpu68kDefaultResetHandler() { return 0; }
