// Light-gun calibration: targets, the recorded points and the fitted mapping.
#include <gtest/gtest.h>

#include <cstring>

#include "frontend/app.h"
#include "frontend/input.h"
#include "frontend/lightcal.h"
#include "frontend/video.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

class LightCalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    std::memset(&g_lightCal, 0, sizeof g_lightCal);
    InputInit();
    g_appState = APP_STATE_LIGHT_CAL;
    LightCalReset();
  }
  void TearDown() override { g_appState = APP_STATE_START; }
  void PressB(i16 x, i16 y) {
    g_input.axis[0] = x;
    g_input.axis[1] = y;
    g_input.hold[8] = 1;
    LightCalStep();
    g_input.hold[8] = 2;
  }
};

TEST_F(LightCalTest, ResetPlacesTheTwoTargets) {
  EXPECT_EQ(g_lightCal.point[0].targetX, 360);
  EXPECT_EQ(g_lightCal.point[0].targetY, 240);
  EXPECT_EQ(g_lightCal.point[1].targetX, 86);
  EXPECT_EQ(g_lightCal.point[1].targetY, 57);
  EXPECT_EQ(g_lightCal.count, 0u);
}

TEST_F(LightCalTest, EverySecondPointFitsTheMapping) {
  PressB(1000, 2000);
  EXPECT_EQ(g_lightCal.count, 1u);
  EXPECT_EQ(g_lightCal.scaleX, 0.0f);  // nothing fitted after the first point
  PressB(-1740, -1660);
  EXPECT_FLOAT_EQ(g_lightCal.scaleX, 274.0f / 2740.0f);
  EXPECT_FLOAT_EQ(g_lightCal.offsetX, 360.0f - 1000.0f * (274.0f / 2740.0f));
  EXPECT_FLOAT_EQ(g_lightCal.scaleY, 183.0f / 3660.0f);
  const float scaleX = g_lightCal.scaleX;
  PressB(500, 0);  // point 0 again: no fit
  EXPECT_EQ(g_lightCal.scaleX, scaleX);
  PressB(500, -3660);  // equal X readings: the scale stays, the offset follows it
  EXPECT_EQ(g_lightCal.scaleX, scaleX);
  EXPECT_FLOAT_EQ(g_lightCal.offsetX, 360.0f - 500.0f * scaleX);
  EXPECT_FLOAT_EQ(g_lightCal.scaleY, 183.0f / 3660.0f);
  EXPECT_EQ(g_lightCal.count, 4u);
}

TEST_F(LightCalTest, StartLeavesAndBStillRecords) {
  g_input.hold[4] = 1;
  PressB(7, 9);
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_lightCal.point[0].measuredX, 7);
  EXPECT_EQ(g_lightCal.count, 1u);
}

TEST_F(LightCalTest, DrawShowsTheTargetAndTheGunOnWhite) {
  ASSERT_EQ(VideoInit(), 0u);
  LightCalDraw();
  EXPECT_EQ(BackPixel(700, 470), 0xFFFFFFu);
  // The "X" at (352, 228): its fake box starts at (353, 230), in black.
  EXPECT_EQ(BackPixel(353, 230), 0u);
  EXPECT_EQ(BackPixel(352, 230), 0xFFFFFFu);
  // Uncalibrated, the "+" is at (-8, -12): box columns -7..0, rows -10..5 - clipped
  // to the screen's corner, where the clip starts at x -8 and y -12.
  EXPECT_EQ(BackPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(BackPixel(1, 0), 0xFFFFFFu);
  VideoShutdown();
}

}  // namespace
