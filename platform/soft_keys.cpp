// Key state in the manner of an asynchronous key query: down now, or pressed
// since the last look. Atomics, as the writer (the event loop) and the
// reader (the emulation thread) run on different threads.
#include <atomic>

#include "platform/platform.h"

namespace {

std::atomic<u8> g_down[kKeyCount];
std::atomic<u8> g_pressed[kKeyCount];

}  // namespace

void PlatformKeysEvent(PlatformKey key, bool down) {
  if (key >= kKeyCount) return;
  g_down[key].store(down ? 1 : 0);
  if (down) g_pressed[key].store(1);
}

void PlatformKeysHeld(u32 heldMask) {
  for (u32 k = 0; k < kKeyCount; k++) {
    const u8 held = (heldMask >> k) & 1;
    if (g_down[k].exchange(held) == 0 && held != 0) g_pressed[k].store(1);
  }
}

u32 PlatformKeysQuery(PlatformKey key) {
  if (key >= kKeyCount) return 0;
  return u32(g_down[key].load() | g_pressed[key].exchange(0));
}
