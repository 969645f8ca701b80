// Host half over SDL2: the window and its event loop, the keyboard, the clock
// and the audio device.
//
// SDL's renderer belongs to the thread that made it, so the emulation thread
// never touches it: a present copies the finished image into a shared frame
// and wakes the event loop, which puts that frame on screen.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/host_x11_keys.h"
#include "platform/platform.h"

struct PlatformWindow {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  PlatformWindowProc proc = nullptr;
  i32 width = 0, height = 0;
  std::atomic<bool> foreground{false};
  std::mutex frameMutex;
  std::vector<u32> frame;  // the last presented image
  bool frameNew = false;
};

namespace {

PlatformWindow* g_window = nullptr;  // the one window the event loop serves
bool g_quitPosted = false;
u32 g_presentEvent = 0;

int KeyIndex(SDL_Keycode code) {
  switch (code) {
    case SDLK_LEFT:
      return kKeyLeft;
    case SDLK_RIGHT:
      return kKeyRight;
    case SDLK_DOWN:
      return kKeyDown;
    case SDLK_UP:
      return kKeyUp;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return kKeyEnter;
    case SDLK_ESCAPE:
      return kKeyEscape;
    case SDLK_z:
      return kKeyZ;
    case SDLK_x:
      return kKeyX;
    case SDLK_c:
      return kKeyC;
    default:
      return -1;
  }
}

void ShowFrame(PlatformWindow* w) {
  {
    std::lock_guard<std::mutex> lock(w->frameMutex);
    if (!w->frameNew) return;
    w->frameNew = false;
    SDL_UpdateTexture(w->texture, nullptr, w->frame.data(), w->width * 4);
  }
  // The copy covers the whole window: nothing to clear first.
  SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr);
  SDL_RenderPresent(w->renderer);
}

// SDL's key events miss keys: a key held as the window comes back into focus
// is sent again only if it is a modifier, and a release SDL believes it has
// already sent is dropped. Where the host can tell, the keys' down state
// comes from the physical keyboard instead.
void ReadPhysicalKeys(PlatformWindow* w) {
  u32 held = 0;
  if (HostX11KeysHeld(w->window, &held)) PlatformKeysHeld(held);
}

void HandleEvent(const SDL_Event& e) {
  PlatformWindow* w = g_window;
  switch (e.type) {
    case SDL_QUIT:
      if (w != nullptr && w->proc != nullptr) {
        w->proc(w, kPlatformMsgClose);
      } else {
        PlatformPostQuit();
      }
      break;
    case SDL_WINDOWEVENT:
      if (w == nullptr) break;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE && w->proc != nullptr) {
        w->proc(w, kPlatformMsgClose);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        ReadPhysicalKeys(w);
        w->foreground.store(true);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        w->foreground.store(false);
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
        std::lock_guard<std::mutex> lock(w->frameMutex);
        w->frameNew = true;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int k = KeyIndex(e.key.keysym.sym);
      if (k >= 0) PlatformKeysEvent(PlatformKey(k), e.type == SDL_KEYDOWN);
      break;
    }
    default:
      if (w != nullptr && e.type == g_presentEvent) {
        // Once a frame, so that a release SDL swallowed lets the key go
        // within a frame.
        if (w->foreground.load()) ReadPhysicalKeys(w);
        ShowFrame(w);
      }
      break;
  }
}

char g_windowError[256] = "";

// The top-left of `outer` pixels centred between `left` and left + `size`,
// rounded down as an arithmetic shift does when the window is the larger.
i32 Centred(i32 left, i32 size, i32 outer) { return (left + left + size - outer) >> 1; }

// Keeps SDL's reason for the user and releases what PlatformWindowCreate had
// set up, SDL included.
PlatformWindow* WindowFailed(PlatformWindow* w) {
  const char* why = SDL_GetError();
  std::snprintf(g_windowError, sizeof g_windowError, "%s", why[0] != '\0' ? why : "no display");
  if (w != nullptr) {
    if (w->renderer != nullptr) SDL_DestroyRenderer(w->renderer);
    if (w->window != nullptr) SDL_DestroyWindow(w->window);
    delete w;
  }
  SDL_Quit();
  return nullptr;
}
}  // namespace

PlatformWindow* PlatformWindowCreate(const char* title, i32 width, i32 height,
                                     PlatformWindowProc proc) {
  if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_VIDEO) != 0) return WindowFailed(nullptr);
  // Without a display SDL falls back on drivers whose windows nobody sees;
  // those count only when asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (SDL_GetHint(SDL_HINT_VIDEODRIVER) == nullptr && driver != nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    SDL_SetError("no display");
    return WindowFailed(nullptr);
  }
  g_presentEvent = SDL_RegisterEvents(1);
  PlatformWindow* w = new (std::nothrow) PlatformWindow;
  if (w == nullptr) {
    SDL_OutOfMemory();
    return WindowFailed(nullptr);
  }
  w->proc = proc;
  w->width = width;
  w->height = height;
  w->frame.assign(size_t(width) * size_t(height), 0);
  // Centred in the work area of the first display (the desktop less its
  // panels). SDL places the client area; the frame's borders are known only
  // once the window is shown, so the frame is centred by a move after that.
  SDL_Rect work{};
  const bool haveWork = SDL_GetDisplayUsableBounds(0, &work) == 0;
  w->window = SDL_CreateWindow(
      title, haveWork ? Centred(work.x, work.w, width) : int(SDL_WINDOWPOS_CENTERED),
      haveWork ? Centred(work.y, work.h, height) : int(SDL_WINDOWPOS_CENTERED), width, height,
      SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  int top = 0, left = 0, bottom = 0, right = 0;
  if (haveWork && w->window != nullptr &&
      SDL_GetWindowBordersSize(w->window, &top, &left, &bottom, &right) == 0 &&
      (top | left | bottom | right) != 0) {
    SDL_SetWindowPosition(w->window, Centred(work.x, work.w, left + width + right) + left,
                          Centred(work.y, work.h, top + height + bottom) + top);
  }
  // The image is finished in memory: it goes to the window by plain copies
  // (texture, window surface, shared-memory image), never through a GL
  // rasteriser, which without a graphics card would redraw it on the CPU.
  // The texture has the back buffer's layout, so no copy converts.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (w->window != nullptr) w->renderer = SDL_CreateRenderer(w->window, -1, SDL_RENDERER_SOFTWARE);
  if (w->renderer != nullptr) {
    w->texture = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_XRGB8888,
                                   SDL_TEXTUREACCESS_STREAMING, width, height);
  }
  if (w->texture == nullptr) return WindowFailed(w);
  w->foreground.store((SDL_GetWindowFlags(w->window) & SDL_WINDOW_INPUT_FOCUS) != 0);
  g_window = w;
  return w;
}

const char* PlatformWindowError() { return g_windowError; }

void PlatformWindowDestroy(PlatformWindow* w) {
  if (w != nullptr) {
    if (w->proc != nullptr) w->proc(w, kPlatformMsgDestroy);
    SDL_DestroyTexture(w->texture);
    SDL_DestroyRenderer(w->renderer);
    SDL_DestroyWindow(w->window);
    if (g_window == w) g_window = nullptr;
    delete w;
  }
  SDL_Quit();
}

void PlatformMessageLoop() {
  g_quitPosted = false;
  SDL_Event e;
  while (!g_quitPosted) {
    if (SDL_WaitEventTimeout(&e, 50)) HandleEvent(e);
  }
}

void PlatformPostQuit() { g_quitPosted = true; }

bool PlatformWindowIsForeground(PlatformWindow* w) { return w != nullptr && w->foreground.load(); }

void PlatformWindowPresent(PlatformWindow* w, const u32* pixels, i32 width, i32 height) {
  if (w == nullptr || width != w->width || height != w->height) return;
  {
    std::lock_guard<std::mutex> lock(w->frameMutex);
    std::memcpy(w->frame.data(), pixels, w->frame.size() * 4);
    w->frameNew = true;
  }
  SDL_Event e{};
  e.type = g_presentEvent;
  SDL_PushEvent(&e);
}

u32 PlatformKeyState(PlatformKey key) { return PlatformKeysQuery(key); }

void PlatformSleepMs(u32 ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

u64 PlatformClockNanos() {
  return u64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
                 .count());
}

namespace {

SDL_AudioDeviceID g_audioDevice = 0;

void AudioCallback(void* user, Uint8* out, int bytes) {
  PlatformSoundPull(static_cast<PlatformSoundBuffer*>(user), out, u32(bytes));
}

}  // namespace

bool PlatformAudioDeviceOpen(PlatformSoundBuffer* buffer, u32 rate) {
  if (g_audioDevice != 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  // SDL's dummy driver plays nothing and takes samples on a coarse timer of
  // its own (256 samples every 5 ms, 16 % fast), so its cursor would pace the
  // frames wrongly: it counts as no device, and the clock drives the cursor.
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver != nullptr && std::strcmp(driver, "dummy") == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_AudioSpec want{};
  want.freq = int(rate);
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 256;  // fine steps of the play cursor
  want.callback = AudioCallback;
  want.userdata = buffer;
  SDL_AudioSpec have{};
  g_audioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (g_audioDevice == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(g_audioDevice, 0);
  return true;
}

void PlatformAudioDeviceClose(PlatformSoundBuffer*) {
  if (g_audioDevice == 0) return;
  SDL_CloseAudioDevice(g_audioDevice);
  g_audioDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void PlatformAudioDeviceLock(PlatformSoundBuffer*) {
  if (g_audioDevice != 0) SDL_LockAudioDevice(g_audioDevice);
}

void PlatformAudioDeviceUnlock(PlatformSoundBuffer*) {
  if (g_audioDevice != 0) SDL_UnlockAudioDevice(g_audioDevice);
}
