// FM port writes: register address and data bytes through the bus in every
// width, direct register writes, status reads, and frames of audio in
// between, into a buffer of exactly one frame.
#include "core/bus.h"
#include "core/fm.h"
#include "core/machine.h"
#include "fuzz/fuzz_common.h"
#include "fuzz/fuzz_target.h"

MORVALITH_FUZZ_TARGET(fm) {
  static const bool poweredOn = CoreInit() == 0;
  (void)poweredOn;
  CoreLoadRom(nullptr, 0);  // a cleared machine and silent voices
  FuzzReader in(data, size);
  g_coreInterface.samplesPerFrame = (in.Byte() & 1) ? 882 : 735;
  const auto sound = FuzzSoundBuffer(g_coreInterface.samplesPerFrame);
  auto render = [&] {
    g_coreInterface.soundBuffer = sound.get();
    FUZZ_CHECK(FmRenderFrame() == 0);
    g_coreInterface.soundBuffer = nullptr;
  };
  int frames = 0;
  while (!in.empty()) {
    const u8 op = in.Byte();
    const u32 port = 0xA04000 | ((op >> 3) & 3);
    switch (op & 7) {
      case 0:
      case 1:
        BusWrite8(port, in.Byte());
        break;
      case 2: {
        // Latch and data in one go: the common case made short.
        const u32 part = (op >> 3) & 2;
        const u8 reg = in.Byte();
        BusWrite8(0xA04000 | part, reg);
        BusWrite8(0xA04001 | part, in.Byte());
        break;
      }
      case 3:
        BusWrite16(port, in.Word());
        break;
      case 4:
        BusWrite32(port, in.Long());
        break;
      case 5: {
        const u8 reg = in.Byte();
        FmWriteRegister(op >> 3, reg, in.Byte());
        break;
      }
      case 6:
        (void)BusRead8(port);
        (void)BusRead16(port);
        break;
      case 7:
        if (frames++ < 8) render();
        break;
    }
  }
  render();
  FUZZ_CHECK(FmRenderFrame() == 1);  // with no buffer, nothing is made
}
