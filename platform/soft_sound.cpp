// The looping sound buffer. Its play cursor moves as the audio device takes
// samples; with no device it follows the steady clock at the sample rate, so
// a frame loop paced by the cursor keeps its speed without sound.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "platform/platform.h"

struct PlatformSoundBuffer {
  std::vector<u8> bytes;
  u32 rate = 0;
  bool device = false;
  std::atomic<bool> playing{false};
  std::atomic<u32> cursor{0};  // byte offset, when a device drives it
  // Clock mode: the cursor is clockStart plus the samples since playStart.
  u64 playStart = 0;
  u32 clockStart = 0;  // byte offset at the last Play
  bool locked = false;
};

PlatformSoundBuffer* PlatformSoundCreate(u32 bytes, u32 rate) {
  if (bytes < 4 || bytes % 4 != 0 || rate == 0) return nullptr;
  PlatformSoundBuffer* b = new (std::nothrow) PlatformSoundBuffer;
  if (b == nullptr) return nullptr;
  b->bytes.assign(bytes, 0);
  b->rate = rate;
  b->device = PlatformAudioDeviceOpen(b, rate);
  return b;
}

void PlatformSoundRelease(PlatformSoundBuffer* b) {
  if (b == nullptr) return;
  if (b->device) PlatformAudioDeviceClose(b);
  delete b;
}

bool PlatformSoundHasDevice(const PlatformSoundBuffer* b) { return b != nullptr && b->device; }

namespace {

u32 ClockCursor(const PlatformSoundBuffer* b) {
  const u64 elapsed = PlatformClockNanos() - b->playStart;
  const u64 samples = b->bytes.size() / 4;
  // Split the product so that it cannot overflow over any run time.
  const u64 seconds = elapsed / 1000000000u, rest = elapsed % 1000000000u;
  const u64 played = seconds * b->rate + rest * b->rate / 1000000000u;
  return u32(((b->clockStart / 4 + played) % samples) * 4);
}

}  // namespace

u32 PlatformSoundGetPlayCursor(PlatformSoundBuffer* b) {
  if (b->device || !b->playing.load()) return b->cursor.load();
  return ClockCursor(b);
}

void PlatformSoundPlay(PlatformSoundBuffer* b) {
  if (b->playing.load()) return;
  b->playStart = PlatformClockNanos();
  b->clockStart = b->cursor.load();
  b->playing.store(true);
}

void PlatformSoundStop(PlatformSoundBuffer* b) {
  if (!b->playing.load()) return;
  if (!b->device) b->cursor.store(ClockCursor(b));
  b->playing.store(false);
}

void PlatformSoundLock(PlatformSoundBuffer* b, u32 offset, u32 bytes, void** a, u32* sizeA,
                       void** second, u32* sizeB) {
  *a = nullptr;
  *second = nullptr;
  *sizeA = 0;
  *sizeB = 0;
  const u32 size = u32(b->bytes.size());
  if (offset >= size) return;
  bytes = std::min(bytes, size);
  if (b->device) PlatformAudioDeviceLock(b);
  b->locked = true;
  *a = b->bytes.data() + offset;
  *sizeA = std::min(bytes, size - offset);
  if (*sizeA < bytes) {
    *second = b->bytes.data();
    *sizeB = bytes - *sizeA;
  }
}

void PlatformSoundUnlock(PlatformSoundBuffer* b) {
  if (!b->locked) return;
  b->locked = false;
  if (b->device) PlatformAudioDeviceUnlock(b);
}

void PlatformSoundPull(PlatformSoundBuffer* b, u8* out, u32 bytes) {
  if (!b->playing.load()) {
    std::memset(out, 0, bytes);
    return;
  }
  const u32 size = u32(b->bytes.size());
  u32 pos = b->cursor.load();
  while (bytes > 0) {
    const u32 n = std::min(bytes, size - pos);
    std::memcpy(out, b->bytes.data() + pos, n);
    out += n;
    bytes -= n;
    pos = (pos + n) % size;
  }
  b->cursor.store(pos);
}
