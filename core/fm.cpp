#include "core/fm.h"

#include <cstddef>
#include <cstring>

#include "core/machine.h"

FmVoice g_fmVoices[kFmVoiceCount];
i16 g_fmWave[256];

namespace {

constexpr i32 kFmEnvelopeMax = 16384;
constexpr i32 kFmEnvelopeStep = 256;  // 64 samples from silence to full level
constexpr i16 kFmWaveLevel = 16384;

i16 ClampSample(i32 sum) {
  if (sum > 32767) sum = 32767;
  if (sum < -32768) sum = -32768;
  return static_cast<i16>(sum);
}

// F-number shifted by the block gives the chip's phase step; 2455 / 65536
// scales it to our 16-bit accumulator. At most (2047 << 7) * 2455 < 2^31.
u32 PhaseIncrement(u16 blockFnum) {
  const u32 fnum = blockFnum & 0x7FFu;
  const u32 block = (blockFnum >> 11) & 7u;
  return ((fnum << block) * 2455u) >> 16;
}

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

  const u32 increment = PhaseIncrement(voice->blockFnum);

  // Output comes from the phase before this step's advance.
  const i32 output = (envelope * g_fmWave[voice->phase >> 8]) >> 17;
  voice->phase = static_cast<u16>(voice->phase + increment);
  return output;
}

u32 FmMixSample(i16* pair) {
  i32 sum = 0;
  for (FmVoice& voice : g_fmVoices) sum += FmVoiceStep(&voice);
  pair[0] = pair[1] = ClampSample(sum);
  return 0;
}

namespace {

// Two steady states make a frame cheaper without changing a sample: a voice
// keyed off whose envelope has reached 0 gives 0 on every sample and only
// its phase moves, so it is stepped once per block; a voice keyed on at full
// level gives the wave sample over 8 ((16384 x w) >> 17 = w >> 3). Ramps are
// stepped sample by sample. The sum is the same as mixing every voice on
// every sample.
void FmAddVoice(FmVoice* voice, i32* mix, u32 count) {
  for (u32 i = 0; i < count; ++i) {
    if (voice->keyMask == 0 && voice->envelope == 0) {
      voice->phase =
          static_cast<u16>(voice->phase + PhaseIncrement(voice->blockFnum) * (count - i));
      return;
    }
    if (voice->keyMask != 0 && voice->envelope == kFmEnvelopeMax) {
      const u32 increment = PhaseIncrement(voice->blockFnum);
      u16 phase = voice->phase;
      for (; i < count; ++i) {
        mix[i] += g_fmWave[phase >> 8] >> 3;
        phase = static_cast<u16>(phase + increment);
      }
      voice->phase = phase;
      return;
    }
    mix[i] += FmVoiceStep(voice);
  }
}

}  // namespace

u32 FmRenderFrame() {
  i16* buffer = g_coreInterface.soundBuffer;
  if (buffer == nullptr) return 1;
  constexpr u32 kBlock = 256;
  i32 mix[kBlock];
  for (u32 left = g_coreInterface.samplesPerFrame; left > 0;) {
    const u32 count = left < kBlock ? left : kBlock;
    std::memset(mix, 0, count * sizeof mix[0]);
    for (FmVoice& voice : g_fmVoices) FmAddVoice(&voice, mix, count);
    for (u32 i = 0; i < count; ++i) {
      const i16 sample = ClampSample(mix[i]);
      buffer[2 * i] = sample;
      buffer[2 * i + 1] = sample;
    }
    buffer += 2 * static_cast<size_t>(count);
    left -= count;
  }
  return 0;
}
