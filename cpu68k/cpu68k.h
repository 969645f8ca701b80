// The 68000 interpreter: register context, bus handler table and the
// interface the console core drives it through.
#pragma once

#include "core/types.h"

using Cpu68kIrqAckCallback = i32 (*)(u32 level);
using Cpu68kResetCallback = u32 (*)();

struct Cpu68kContext {
  // D0-D7 and A0-A7, also as one file of 16 registers (r[0-7] D0-D7,
  // r[8-15] A0-A7). a[7] is the active stack pointer.
  union {
    struct {
      u32 d[8];
      u32 a[8];
    };
    u32 r[16];
  };
  u32 ssp;      // supervisor stack pointer while in user mode
  u32 srSys;    // SR high byte: bit 7 T, bit 5 S, bits 0-2 interrupt mask
  u32 ccrHost;  // flag image: C bit 0, Z bit 6, N bit 7, V bit 11
  u32 xFlag;    // X in bit 0
  u32 pc;
  u32 irqPending;  // requested level in bits 0-2
  Cpu68kIrqAckCallback irqAck;
  Cpu68kResetCallback resetHandler;
  u32 sfc;
  u32 dfc;
  u32 usp;  // user stack pointer while in supervisor mode
  u32 vbr;
  u32 cpuModel;  // 0: 68000; otherwise the 68010 additions are enabled
  u32 pcFull;    // last new PC before it was cut to 24 bits
};

extern Cpu68kContext g_cpu68kContext;

struct Cpu68kMemHandlers {
  u32 (*read8)(u32 address);
  u32 (*read16)(u32 address);
  u32 (*read32)(u32 address);
  void (*write8)(u32 address, u32 data);
  void (*write16)(u32 address, u32 data);
  void (*write32)(u32 address, u32 data);
  void (*setPcBase)(u32 pc);
  u32 (*read8Pc)(u32 address);
  u32 (*read16Pc)(u32 address);
  u32 (*read32Pc)(u32 address);
  u32 addrMask;
  Cpu68kResetCallback resetHandlerDefault;
};

// Filled with the console bus; tests may install their own slots.
extern Cpu68kMemHandlers g_cpu68kMemHandlers;

// The slots as the console fills them.
extern const Cpu68kMemHandlers kCpu68kConsoleMemHandlers;

extern i32 g_cpu68kCycles;
// Opcode fetch base: the host word at g_cpu68kPcBase + PC holds the 68000
// word at PC. Set only through the setPcBase slot.
extern const u8* g_cpu68kPcBase;
// The 68000 addresses [g_cpu68kPcLow, g_cpu68kPcLow + g_cpu68kPcSpan) that
// the fetch base maps, set with it: every PC in the window would get this
// same base from setPcBase. DBcc moves the PC inside it without a new base,
// and the branches, JMP, JSR and RTS skip setPcBase for a target inside it.
extern u32 g_cpu68kPcLow;
extern u32 g_cpu68kPcSpan;
extern const u8 g_cpu68kExceptionCycles[48];
extern const u32 g_cpu68kCcrToHost[32];

u32 Cpu68kInit();
u32 Cpu68kPostInit();
u32 Cpu68kReset();
u32 Cpu68kSetIrq(u32 level);
i32 Cpu68kRun(i32 cycles);
i32 Cpu68kExecute(i32 cycles);
i32 Cpu68kDefaultIrqAck(u32 level);
u32 Cpu68kDefaultResetHandler();

// SR as the 68000 sees it, from the context.
u16 Cpu68kGetSr();
