// VDP port programs through the bus: register writes, commands and data in
// every width, reads of status and HV counter, DMA (from the cartridge, from
// work RAM, fills and copies), single lines and whole frames rendered in
// between. Every line handed over has colour indices below 64.
#include <vector>

#include "core/bus.h"
#include "core/machine.h"
#include "core/vdp.h"
#include "fuzz/fuzz_common.h"
#include "fuzz/fuzz_target.h"

namespace {

// 16 KB of cartridge in host-word form: every vector on an RTE at 0x202
// (stack at 0xFFFE00, entry at 0x200), a loop on itself at 0x200, and a
// pattern to copy from after it.
std::vector<u8> MakeCartridge() {
  std::vector<u8> image(16384);
  auto word = [&](u32 at, u16 w) { image[at] = u8(w), image[at + 1] = u8(w >> 8); };
  word(0, 0x00FF);
  word(2, 0xFE00);
  for (u32 v = 4; v < 0x100; v += 4) word(v, 0), word(v + 2, 0x0202);
  word(4 + 2, 0x0200);
  word(0x200, 0x60FE);  // bra.s *
  word(0x202, 0x4E73);  // rte
  for (u32 at = 0x204; at < image.size(); at += 2) word(at, u16(at * 0x9E37 >> 3));
  return image;
}

i32 s_line = 0;

u32 CheckOneLine(i32 line, const u16* palette, const u8* pixels) {
  FUZZ_CHECK(line == s_line && palette != nullptr);
  for (int x = 0; x < 320; x++) FUZZ_CHECK(pixels[x] < 64);
  return 0;
}

u32 Port(u8 selector) { return 0xC00000 | (selector & 0x1F); }

}  // namespace

MORVALITH_FUZZ_TARGET(vdp) {
  static const bool poweredOn = CoreInit() == 0;
  static const std::vector<u8> cartridge = MakeCartridge();
  (void)poweredOn;
  FUZZ_CHECK(CoreLoadRom(cartridge.data(), u32(cartridge.size())) == 0);
  g_coreInterface.samplesPerFrame = 735;
  const auto sound = FuzzSoundBuffer(735);

  FuzzReader in(data, size);
  auto frame = [&] {
    g_coreInterface.soundBuffer = sound.get();
    FuzzLinesBegin();
    FUZZ_CHECK(CoreRunFrame() == 0);
    FuzzLinesEnd(true);
    g_coreInterface.soundBuffer = nullptr;
  };
  int frames = 0;
  while (!in.empty()) {
    const u8 op = in.Byte();
    switch (op & 7) {
      case 0:
        BusWrite16(Port(op >> 3), in.Word());
        break;
      case 1:
        BusWrite32(Port(op >> 3), in.Long());
        break;
      case 2:
        BusWrite8(Port(op >> 3), in.Byte());
        break;
      case 3: {
        const u32 port = Port(in.Byte());
        if (op & 0x08) (void)BusRead8(port);
        if (op & 0x10) (void)BusRead16(port);
        if (op & 0x20) (void)BusRead32(port);
        break;
      }
      case 4: {
        // A register write, the common case made short.
        const u8 reg = (op >> 3) % 24;
        BusWrite16(0xC00004, u16(0x8000 | reg << 8 | in.Byte()));
        break;
      }
      case 5: {
        // Source data for a DMA from work RAM.
        const u32 at = 0xFF0000 | (u32(in.Word()) & 0xFFFE);
        BusWrite32(at, in.Long());
        break;
      }
      case 6:
        s_line = in.Byte() % 224;
        g_coreInterface.lineCallback = CheckOneLine;
        VdpRenderLine(s_line);
        g_coreInterface.lineCallback = nullptr;
        break;
      case 7:
        // Whole frames run the cartridge's loop with the interrupts the
        // registers enable; a few are enough.
        if (frames++ < 4) frame();
        break;
    }
  }
  frame();
}
