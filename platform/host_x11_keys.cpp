// Reads the keyboard's physical state from the X server, which knows it
// whatever events the window was or was not sent.
#include "platform/host_x11_keys.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

#include "platform/platform.h"

bool HostX11KeysHeld(SDL_Window* window, u32* heldMask) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  Display* display = info.info.x11.display;
  static constexpr struct {
    PlatformKey key;
    KeySym sym;
  } kKeys[] = {
      {kKeyLeft, XK_Left},     {kKeyRight, XK_Right},  {kKeyDown, XK_Down},
      {kKeyUp, XK_Up},         {kKeyEnter, XK_Return}, {kKeyEnter, XK_KP_Enter},
      {kKeyEscape, XK_Escape}, {kKeyZ, XK_z},          {kKeyX, XK_x},
      {kKeyC, XK_c},
  };
  // One bit per keycode, keycode k at bit k & 7 of byte k >> 3.
  char keymap[32];
  XQueryKeymap(display, keymap);
  u32 held = 0;
  for (const auto& k : kKeys) {
    const KeyCode code = XKeysymToKeycode(display, k.sym);
    if (code != 0 && (u8(keymap[code >> 3]) >> (code & 7)) & 1) held |= 1u << k.key;
  }
  *heldMask = held;
  return true;
#else
  (void)window;
  (void)heldMask;
  return false;
#endif
}
