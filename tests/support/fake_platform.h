// A fake host for frontend tests: a window that records presents, a keyboard
// set by the test, a clock that moves only when told (and by each sleep), an
// audio device whose play cursor the test moves, and a box font.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "core/types.h"
#include "platform/platform.h"

struct FakePlatform {
  bool windowFails = false;
  bool foreground = true;
  std::atomic<bool> keyDown[kKeyCount] = {};
  std::atomic<bool> keyPressedSince[kKeyCount] = {};  // cleared by the next query of that key
  // When set, PlatformKeyState answers through it (e.g. PlatformKeysQuery,
  // the host's key state) instead of keyDown and keyPressedSince.
  u32 (*keyState)(PlatformKey key) = nullptr;
  std::atomic<u64> clockNanos{0};
  std::atomic<u32> sleeps{0};
  bool audioDeviceOpens = false;  // false: the sound buffer runs on the clock
  PlatformSoundBuffer* audioBuffer = nullptr;
  bool fontFails = false;
  std::atomic<u32> presents{0};
  std::vector<u32> lastPresent;
  // Called by PlatformMessageLoop; the loop returns when it returns.
  std::function<void()> messageLoop;
  bool quitPosted = false;
  std::vector<PlatformMessage> messages;  // what the window handler was sent
};

extern FakePlatform g_fake;

// Back to a fresh fake: window in front, no keys, clock at 0, no device.
void FakePlatformReset();
// Moves the clock by exactly `samples` sample periods at 44100 Hz from the
// last sample boundary it stands on.
void FakeClockAdvanceSamples(u64 samples);

// The box font: every glyph is 8 x 16 fully covered pixels, 1 pixel right of
// the pen, its top 16 above the baseline, which is 18 below the cell top;
// the pen advances by 10.
inline constexpr i32 kFakeGlyphWidth = 8, kFakeGlyphHeight = 16, kFakeGlyphLeft = 1;
inline constexpr i32 kFakeAscent = 18, kFakeGlyphTop = 16, kFakeAdvance = 10;
