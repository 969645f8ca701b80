// Light-gun calibration: two targets aimed at in turn give a linear mapping
// from the first stick to screen positions. No state transition enters it.
#pragma once

#include "core/types.h"

struct LightGunPoint {
  i32 targetX, targetY;      // target position in window pixels
  i32 measuredX, measuredY;  // stick axes recorded at the target
};

struct LightGunCalibration {
  LightGunPoint point[2];
  u32 count;  // points recorded; count & 1 is the current target
  float offsetX, scaleX;
  float offsetY, scaleY;
};

extern LightGunCalibration g_lightCal;

u32 LightCalReset();
u32 LightCalStep();
u32 LightCalDraw();
