#include "support/fake_platform.h"

#include <cstring>
#include <new>

FakePlatform g_fake;

struct PlatformWindow {
  PlatformWindowProc proc;
};

struct PlatformFont {
  PlatformGlyph glyph;
  u8 coverage[kFakeGlyphWidth * kFakeGlyphHeight];
};

void FakePlatformReset() {
  g_fake.windowFails = false;
  g_fake.foreground = true;
  for (u32 k = 0; k < kKeyCount; k++) {
    g_fake.keyDown[k].store(false);
    g_fake.keyPressedSince[k].store(false);
  }
  g_fake.keyState = nullptr;
  g_fake.clockNanos.store(0);
  g_fake.sleeps.store(0);
  g_fake.audioDeviceOpens = false;
  g_fake.audioBuffer = nullptr;
  g_fake.fontFails = false;
  g_fake.presents.store(0);
  g_fake.lastPresent.clear();
  g_fake.messageLoop = nullptr;
  g_fake.quitPosted = false;
  g_fake.messages.clear();
}

void FakeClockAdvanceSamples(u64 samples) {
  // The smallest time at which the clock-driven cursor has moved on by
  // exactly `samples` from the sample it stands on now.
  const u64 now = g_fake.clockNanos.load();
  const u64 at = (now / 1000000000u) * 44100 + (now % 1000000000u) * 44100 / 1000000000u;
  const u64 target = at + samples;
  g_fake.clockNanos.store((target / 44100) * 1000000000u +
                          ((target % 44100) * 1000000000u + 44099) / 44100);
}

PlatformWindow* PlatformWindowCreate(const char*, i32, i32, PlatformWindowProc proc) {
  if (g_fake.windowFails) return nullptr;
  return new PlatformWindow{proc};
}

const char* PlatformWindowError() { return "no display (fake)"; }

void PlatformWindowDestroy(PlatformWindow* w) {
  if (w == nullptr) return;
  g_fake.messages.push_back(kPlatformMsgDestroy);
  if (w->proc) w->proc(w, kPlatformMsgDestroy);
  delete w;
}

void PlatformMessageLoop() {
  g_fake.quitPosted = false;
  if (g_fake.messageLoop) g_fake.messageLoop();
}

void PlatformPostQuit() { g_fake.quitPosted = true; }

bool PlatformWindowIsForeground(PlatformWindow* w) { return w != nullptr && g_fake.foreground; }

void PlatformWindowPresent(PlatformWindow*, const u32* pixels, i32 width, i32 height) {
  if (pixels != nullptr) g_fake.lastPresent.assign(pixels, pixels + size_t(width) * size_t(height));
  g_fake.presents++;
}

u32 PlatformKeyState(PlatformKey key) {
  if (g_fake.keyState != nullptr) return g_fake.keyState(key);
  const bool pressed = g_fake.keyPressedSince[key].exchange(false);
  return (g_fake.keyDown[key] || pressed) ? 0x8000 : 0;
}

void PlatformSleepMs(u32 ms) {
  g_fake.sleeps++;
  g_fake.clockNanos += u64(ms) * 1000000u;
}

u64 PlatformClockNanos() { return g_fake.clockNanos.load(); }

bool PlatformAudioDeviceOpen(PlatformSoundBuffer* buffer, u32) {
  if (!g_fake.audioDeviceOpens) return false;
  g_fake.audioBuffer = buffer;
  return true;
}

void PlatformAudioDeviceClose(PlatformSoundBuffer*) { g_fake.audioBuffer = nullptr; }
void PlatformAudioDeviceLock(PlatformSoundBuffer*) {}
void PlatformAudioDeviceUnlock(PlatformSoundBuffer*) {}

PlatformFont* PlatformFontCreate(const char*, i32) {
  if (g_fake.fontFails) return nullptr;
  PlatformFont* f = new PlatformFont;
  std::memset(f->coverage, 255, sizeof f->coverage);
  f->glyph = {f->coverage,    kFakeGlyphWidth, kFakeGlyphHeight,
              kFakeGlyphLeft, kFakeGlyphTop,   kFakeAdvance};
  return f;
}

void PlatformFontRelease(PlatformFont* f) { delete f; }

i32 PlatformFontAscent(const PlatformFont*) { return kFakeAscent; }

const PlatformGlyph* PlatformFontGlyph(PlatformFont* f, u32) { return &f->glyph; }
