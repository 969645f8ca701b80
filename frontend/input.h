// The keyboard as an abstract pad: sticks, button levels, hold counters and
// press-or-repeat flags, sampled once per frame.
#pragma once

#include "core/types.h"

struct InputState {
  i16 axis[4];     // 0/1 first stick X (right +), Y (up +); 2/3 second stick
  u8 button[16];   // levels: pressed above 30, released below 25
  u8 hold[16];     // 0 up, 1 on the first frame held, then counting
  u8 trigger[16];  // 1 on the first frame and on every second frame from the 33rd
};

extern InputState g_input;

u32 InputInit();
void InputShutdown();
u32 InputUpdate();
u32 InputReadKeyboard();
