#include "core/machine.h"

#include <cstring>

MachineState g_machine;
CoreInterface g_coreInterface;

void CoreClearMachine() {
  std::memset(&g_machine, 0, sizeof g_machine);
}

u32 CoreInit() { CoreClearMachine(); return 0; }
void CoreShutdown() { CoreClearMachine(); }
u32 CoreLoadRom(const u8* rom, u32 size) {
  CoreClearMachine();
  g_machine.rom = rom;
  g_machine.romSize = size;
  return CoreReset();
}
u32 CoreReset() { return 0; }
u32 CoreRunFrame() { return g_machine.rom ? 0 : 1; }
u32 CoreRunFrameByLines() { return 0; }
