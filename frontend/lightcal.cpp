#include "frontend/lightcal.h"

#include <cmath>
#include <cstring>

#include "frontend/app.h"
#include "frontend/input.h"
#include "frontend/text.h"
#include "frontend/video.h"

LightGunCalibration g_lightCal;

u32 LightCalReset() {
  g_lightCal.count = 0;
  std::memset(g_lightCal.point, 0, sizeof g_lightCal.point);
  LightGunPoint* p = g_lightCal.point;
  p[0].targetX = g_screenWidth >> 1;
  p[0].targetY = g_screenHeight >> 1;
  p[1].targetY = p[0].targetY - g_screenHeight * 61 / 160;
  p[1].targetX = p[0].targetX - g_screenWidth * 61 / 160;
  return 0;
}

namespace {

void Fit(i32 t0, i32 t1, i32 m0, i32 m1, float* scale, float* offset) {
  const i32 d = t0 - t1, m = m0 - m1;
  if (m != 0) *scale = float(d) / float(m);
  *offset = float(t0) - float(m0) * *scale;
}

// Truncation toward zero of a screen position, kept inside the i32 range.
i32 ToPixel(float v) {
  if (!(v > -1e9f)) return -1000000000;
  if (!(v < 1e9f)) return 1000000000;
  return i32(v);
}

}  // namespace

u32 LightCalStep() {
  if (g_input.hold[4] == 1) g_appState = APP_STATE_MENU;
  if (g_input.hold[8] != 1) return 0;
  const u32 i = g_lightCal.count & 1;
  LightGunPoint* p = g_lightCal.point;
  p[i].measuredX = g_input.axis[0];
  p[i].measuredY = g_input.axis[1];
  if (i == 1) {
    Fit(p[0].targetX, p[1].targetX, p[0].measuredX, p[1].measuredX, &g_lightCal.scaleX,
        &g_lightCal.offsetX);
    Fit(p[0].targetY, p[1].targetY, p[0].measuredY, p[1].measuredY, &g_lightCal.scaleY,
        &g_lightCal.offsetY);
  }
  g_lightCal.count++;
  return 0;
}

u32 LightCalDraw() {
  VideoClear(0xFFFFFF);
  char16_t text[80] = {};
  TextWiden(text, 80, "LightGun Calibration", 80);
  TextSetColor(0x0000FF);
  TextDraw(text, 240, 48);
  TextWiden(text, 80, "Start to quit, B to call InputLightCal", 80);
  TextSetColor(0x004000);
  TextDraw(text, 64, 120);
  const LightGunPoint& target = g_lightCal.point[g_lightCal.count & 1];
  TextSetColor(0x000000);
  TextDraw(u"X", target.targetX - 8, target.targetY - 12);
  const float gx = float(g_input.axis[0]) * g_lightCal.scaleX + g_lightCal.offsetX;
  const float gy = float(g_input.axis[1]) * g_lightCal.scaleY + g_lightCal.offsetY;
  TextSetColor(0xFF0000);
  TextDraw(u"+", ToPixel(gx) - 8, ToPixel(gy) - 12);
  return 0;
}
