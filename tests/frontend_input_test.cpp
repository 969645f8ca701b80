// The keyboard into the abstract pad: levels, sticks, hold counters, repeats.
#include <gtest/gtest.h>

#include "frontend/app.h"
#include "frontend/input.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    g_hWnd = PlatformWindowCreate("t", 720, 480, nullptr);
    InputInit();
  }
  void TearDown() override {
    PlatformWindowDestroy(g_hWnd);
    g_hWnd = nullptr;
  }
};

TEST_F(InputTest, KeysGiveAxesAndButtons) {
  struct Case {
    std::initializer_list<PlatformKey> keys;
    i16 x, y;
    std::initializer_list<int> buttons;
  };
  const Case cases[] = {
      {{kKeyUp, kKeyDown}, 0, 0, {}},
      {{kKeyUp, kKeyLeft}, -24576, 24576, {0, 2}},
      {{kKeyDown, kKeyRight}, 24576, -24576, {1, 3}},
      {{kKeyLeft, kKeyRight}, 0, 0, {}},
      {{kKeyEnter, kKeyEscape}, 0, 0, {4, 7}},
      {{kKeyZ, kKeyX, kKeyC}, 0, 0, {8, 9, 10}},
  };
  for (const Case& c : cases) {
    HoldKeys(c.keys);
    InputUpdate();
    EXPECT_EQ(g_input.axis[0], c.x);
    EXPECT_EQ(g_input.axis[1], c.y);
    EXPECT_EQ(g_input.axis[2], 0);
    EXPECT_EQ(g_input.axis[3], 0);
    for (int b = 0; b < 16; b++) {
      bool expected = false;
      for (int e : c.buttons) expected = expected || e == b;
      EXPECT_EQ(g_input.button[b], expected ? 255 : 0) << "button " << b;
    }
  }
}

TEST_F(InputTest, HoldCountsAndRepeats) {
  HoldKeys({kKeyEnter});
  for (int frame = 1; frame <= 200; frame++) {
    InputUpdate();
    const int hold = frame <= 127 ? frame : 128 + (frame - 128) % 64;
    EXPECT_EQ(g_input.hold[4], hold) << "frame " << frame;
    const bool repeat = frame == 1 || (hold >= 32 && hold % 2 == 1);
    EXPECT_EQ(g_input.trigger[4], repeat ? 1 : 0) << "frame " << frame;
  }
  HoldKeys({});
  InputUpdate();
  EXPECT_EQ(g_input.hold[4], 0);
  EXPECT_EQ(g_input.trigger[4], 0);
}

TEST_F(InputTest, BackgroundWindowReleasesEveryKey) {
  HoldKeys({kKeyZ});
  InputUpdate();
  InputUpdate();
  EXPECT_EQ(g_input.hold[10], 2);
  g_fake.foreground = false;
  EXPECT_EQ(InputReadKeyboard(), 1u);
  InputUpdate();
  EXPECT_EQ(g_input.button[10], 0);
  EXPECT_EQ(g_input.hold[10], 0);
  g_fake.foreground = true;
  InputUpdate();
  EXPECT_EQ(g_input.hold[10], 1);  // a new first press
  EXPECT_EQ(g_input.trigger[10], 1);
}

TEST_F(InputTest, APressBetweenFramesCounts) {
  HoldKeys({});
  g_fake.keyPressedSince[kKeyX].store(true);
  InputUpdate();
  EXPECT_EQ(g_input.button[8], 255);
  EXPECT_EQ(g_input.hold[8], 1);
  InputUpdate();
  EXPECT_EQ(g_input.hold[8], 0);
}

// Z held as the window loses and regains the focus, with the key events SDL
// sends and the physical reads the host adds (no event on return; the
// release, which SDL drops, is seen by the next frame's read).
TEST_F(InputTest, KeyHeldAcrossAFocusRoundTripCountsAgain) {
  g_fake.keyState = PlatformKeysQuery;
  PlatformKeysHeld(0);
  for (u32 k = 0; k < kKeyCount; k++) PlatformKeysQuery(PlatformKey(k));
  PlatformKeysEvent(kKeyZ, true);
  InputUpdate();
  InputUpdate();
  EXPECT_EQ(g_input.hold[10], 2);
  g_fake.foreground = false;
  PlatformKeysEvent(kKeyZ, false);
  InputUpdate();
  EXPECT_EQ(g_input.hold[10], 0);
  PlatformKeysHeld(1u << kKeyZ);
  g_fake.foreground = true;
  InputUpdate();
  EXPECT_EQ(g_input.button[10], 255);
  EXPECT_EQ(g_input.hold[10], 1);  // a new first press
  EXPECT_EQ(g_input.button[8], 0);
  InputUpdate();
  EXPECT_EQ(g_input.hold[10], 2);
  PlatformKeysHeld(0);
  InputUpdate();
  EXPECT_EQ(g_input.button[10], 0);
  EXPECT_EQ(g_input.hold[10], 0);
}

}  // namespace
