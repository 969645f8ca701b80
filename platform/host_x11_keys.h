// The physical keyboard under SDL's X11 video driver. Kept apart from the
// rest of the host half because the X11 headers define macros (None, Bool,
// Status, KeyPress ...) that clash with ordinary names.
#pragma once

#include "core/types.h"

struct SDL_Window;

// Sets bit k of `heldMask` for each PlatformKey k held on the physical
// keyboard now. False, with nothing read, when the window is not on X11.
// Only on the thread that pumps SDL's events: it talks over the display
// connection that SDL reads them from.
bool HostX11KeysHeld(SDL_Window* window, u32* heldMask);
