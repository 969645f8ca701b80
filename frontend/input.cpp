#include "frontend/input.h"

#include <cstring>

#include "frontend/app.h"
#include "platform/platform.h"

InputState g_input;

u32 InputInit() {
  std::memset(&g_input, 0, sizeof g_input);
  return 0;
}

void InputShutdown() {}

u32 InputReadKeyboard() {
  std::memset(g_input.axis, 0, sizeof g_input.axis);
  std::memset(g_input.button, 0, sizeof g_input.button);
  if (!PlatformWindowIsForeground(g_hWnd)) return 1;
  // Every key is queried each frame so that a press between two frames is
  // seen and its "pressed since" mark is consumed in query order.
  i32 x = 0, y = 0;
  if (PlatformKeyState(kKeyLeft)) x -= 24576;
  if (PlatformKeyState(kKeyRight)) x += 24576;
  if (PlatformKeyState(kKeyDown)) y -= 24576;
  if (PlatformKeyState(kKeyUp)) y += 24576;
  g_input.axis[0] = i16(x);
  g_input.axis[1] = i16(y);
  g_input.axis[2] = 0;
  g_input.axis[3] = 0;
  if (PlatformKeyState(kKeyEnter)) g_input.button[4] = 255;
  if (PlatformKeyState(kKeyEscape)) g_input.button[7] = 255;
  if (PlatformKeyState(kKeyZ)) g_input.button[10] = 255;
  if (PlatformKeyState(kKeyX)) g_input.button[8] = 255;
  if (PlatformKeyState(kKeyC)) g_input.button[9] = 255;
  return 0;
}

u32 InputUpdate() {
  InputReadKeyboard();
  // A quarter of the axis range counts as a direction.
  if (g_input.axis[1] >= 8192) g_input.button[0] = 255;
  if (g_input.axis[1] <= -8192) g_input.button[1] = 255;
  if (g_input.axis[0] <= -8192) g_input.button[2] = 255;
  if (g_input.axis[0] >= 8192) g_input.button[3] = 255;
  for (int i = 0; i < 16; i++) {
    if (g_input.hold[i] == 0) {
      if (g_input.button[i] > 30) g_input.hold[i] = 1;
    } else {
      g_input.hold[i]++;
      // Past 127 the counter cycles through 128-191 while held.
      if (g_input.hold[i] >= 128) g_input.hold[i] &= 0xBF;
      if (g_input.button[i] < 25) g_input.hold[i] = 0;
    }
    const u8 h = g_input.hold[i];
    g_input.trigger[i] = (h == 1 || (h >= 32 && (h & 1))) ? 1 : 0;
  }
  return 0;
}
