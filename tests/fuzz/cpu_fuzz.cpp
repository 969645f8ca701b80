// The processor and the bus from cartridge bytes: the input is a plain
// big-endian image (vectors, then code), run for a few frames with every
// line rendered and the audio made. Whatever the vectors and the code do
// (wild or odd PCs, every exception, STOP, RESET, code copied to work RAM),
// the machine runs each frame to its end, hands over its 224 lines with
// colour indices below 64 and writes no more than one frame of audio.
#include <vector>

#include "core/cart.h"
#include "core/machine.h"
#include "fuzz/fuzz_common.h"
#include "fuzz/fuzz_target.h"

namespace {

constexpr int kFrames = 3;

}  // namespace

MORVALITH_FUZZ_TARGET(cpu) {
  static const bool poweredOn = CoreInit() == 0;
  (void)poweredOn;
  std::vector<u8> image(data, data + size);
  CartByteSwap16(image.data(), i32(image.size()));
  FUZZ_CHECK(CoreLoadRom(image.data(), u32(image.size())) == 0);
  image.clear();  // the core keeps its own copy
  image.shrink_to_fit();

  // The last byte, when there is one, picks 50-frame audio and the buttons
  // held in the later frames.
  const u8 last = size > 0 ? data[size - 1] : 0;
  g_coreInterface.samplesPerFrame = (last & 1) ? 882 : 735;
  const auto sound = FuzzSoundBuffer(g_coreInterface.samplesPerFrame);
  for (int frame = 0; frame < kFrames; frame++) {
    g_coreInterface.pad[0] = frame == 0 ? 0 : last;
    g_coreInterface.pad[1] = frame == 0 ? 0 : ~last;
    g_coreInterface.soundBuffer = sound.get();
    FuzzLinesBegin();
    FUZZ_CHECK(CoreRunFrame() == (size == 0 ? 1u : 0u));
    FuzzLinesEnd(size != 0);
    g_coreInterface.soundBuffer = nullptr;
  }
  CoreLoadRom(nullptr, 0);
}
