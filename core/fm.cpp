#include "core/fm.h"

#include <cstddef>

#include "core/machine.h"

FmVoice g_fmVoices[kFmVoiceCount];
i16 g_fmWave[256];

namespace {

constexpr i32 kFmEnvelopeMax = 16384;
constexpr i32 kFmEnvelopeStep = 256;  // 64 samples from silence to full level
constexpr i16 kFmWaveLevel = 16384;

}  // namespace

u32 FmInit() {
  for (FmVoice& voice : g_fmVoices) voice = FmVoice{};
  for (u32 i = 0; i < 256; ++i) g_fmWave[i] = i < 128 ? kFmWaveLevel : -kFmWaveLevel;
  return 0;
}

u32 FmWritePort(u32 address, u32 data) {
  const u32 port = address & 3;
  const u32 part = port >> 1;
  const u8 value = static_cast<u8>(data);
  if ((port & 1) == 0) {
    g_machine.fmAddress[part] = value;
  } else {
    FmWriteRegister(part, g_machine.fmAddress[part], value);
  }
  return 0;
}

u32 FmWriteRegister(u32 part, u8 reg, u8 data) {
  part &= 1;
  if (reg == 0x28) {
    // Key-on is global: the channel comes from the data, whichever part it
    // was written through.
    g_fmVoices[data & 7].keyMask = static_cast<u8>(data >> 4);
  } else if ((reg & 0xF0) == 0xA0) {
    FmVoice& voice = g_fmVoices[(reg & 3) + 4 * part];
    if (reg & 4) {
      // High byte (block and F-number bits 10-8): latched first, clears the low byte.
      voice.blockFnum = static_cast<u16>(data << 8);
    } else {
      // Low byte: merged into what is there, so the high byte must come first.
      voice.blockFnum = static_cast<u16>(voice.blockFnum | data);
    }
  }
  return 0;
}

i32 FmVoiceStep(FmVoice* voice) {
  i32 envelope = voice->envelope;
  if (voice->keyMask != 0) {
    envelope += kFmEnvelopeStep;
    if (envelope > kFmEnvelopeMax) envelope = kFmEnvelopeMax;
  } else {
    envelope -= kFmEnvelopeStep;
    if (envelope < 0) envelope = 0;
  }
  voice->envelope = static_cast<i16>(envelope);

  // F-number shifted by the block gives the chip's phase step; 2455 / 65536
  // scales it to our 16-bit accumulator. At most (2047 << 7) * 2455 < 2^31.
  const u32 fnum = voice->blockFnum & 0x7FFu;
  const u32 block = (voice->blockFnum >> 11) & 7u;
  const u32 increment = ((fnum << block) * 2455u) >> 16;

  // Output comes from the phase before this step's advance.
  const i32 output = (envelope * g_fmWave[voice->phase >> 8]) >> 17;
  voice->phase = static_cast<u16>(voice->phase + increment);
  return output;
}

u32 FmMixSample(i16* pair) {
  i32 sum = 0;
  for (FmVoice& voice : g_fmVoices) sum += FmVoiceStep(&voice);
  if (sum > 32767) sum = 32767;
  if (sum < -32768) sum = -32768;
  pair[0] = static_cast<i16>(sum);
  pair[1] = static_cast<i16>(sum);
  return 0;
}

u32 FmRenderFrame() {
  i16* buffer = g_coreInterface.soundBuffer;
  if (buffer == nullptr) return 1;
  const u32 pairs = g_coreInterface.samplesPerFrame;
  for (u32 i = 0; i < pairs; ++i) FmMixSample(buffer + 2 * static_cast<size_t>(i));
  return 0;
}
