// The host's key state: down now or pressed since the last query, fed by key
// events and by reads of the physical keyboard.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override { Forget(); }
  // Every key up and no press pending.
  static void Forget() {
    PlatformKeysHeld(0);
    for (u32 k = 0; k < kKeyCount; k++) PlatformKeysQuery(PlatformKey(k));
  }
};

// The events SDL gives around a focus change, with the physical reads the
// host adds: the key held across the round trip counts again on return and
// is let go by the next read once released.
TEST_F(KeysTest, KeyHeldAcrossAFocusRoundTrip) {
  PlatformKeysEvent(kKeyZ, true);
  EXPECT_NE(PlatformKeysQuery(kKeyZ), 0u);
  EXPECT_NE(PlatformKeysQuery(kKeyZ), 0u);
  // Focus lost: SDL sends a release for the held key. X pressed and released
  // in the other window sends nothing.
  PlatformKeysEvent(kKeyZ, false);
  EXPECT_EQ(PlatformKeysQuery(kKeyZ), 0u);
  // Focus gained with Z still held: no event, only the physical read.
  PlatformKeysHeld(1u << kKeyZ);
  EXPECT_NE(PlatformKeysQuery(kKeyZ), 0u);
  EXPECT_NE(PlatformKeysQuery(kKeyZ), 0u);
  EXPECT_EQ(PlatformKeysQuery(kKeyX), 0u);
  // Z released: SDL, which thinks it up already, drops the release; the next
  // frame's read lets it go.
  PlatformKeysHeld(0);
  EXPECT_EQ(PlatformKeysQuery(kKeyZ), 0u);
}

TEST_F(KeysTest, PressesBetweenQueriesCountOnce) {
  struct Case {
    const char* name;
    void (*between)();  // what happens to C before two queries of it
    bool first, second;
  };
  const Case cases[] = {
      {"press and release events",
       [] {
         PlatformKeysEvent(kKeyC, true);
         PlatformKeysEvent(kKeyC, false);
       },
       true, false},
      {"press seen only by a read",
       [] {
         PlatformKeysHeld(1u << kKeyC);
         PlatformKeysHeld(0);
       },
       true, false},
      {"held by a read", [] { PlatformKeysHeld(1u << kKeyC); }, true, true},
      // A read that finds a key down already adds no press of its own.
      {"read of a key held by an event",
       [] {
         PlatformKeysEvent(kKeyC, true);
         PlatformKeysQuery(kKeyC);
         PlatformKeysHeld(1u << kKeyC);
         PlatformKeysHeld(0);
       },
       false, false},
  };
  for (const Case& c : cases) {
    Forget();
    c.between();
    EXPECT_EQ(PlatformKeysQuery(kKeyC) != 0, c.first) << c.name;
    EXPECT_EQ(PlatformKeysQuery(kKeyC) != 0, c.second) << c.name;
  }
}

TEST_F(KeysTest, AReadReplacesEveryKey) {
  PlatformKeysEvent(kKeyLeft, true);
  PlatformKeysHeld((1u << kKeyUp) | (1u << kKeyEnter) | (1u << kKeyCount));
  for (u32 k = 0; k < kKeyCount; k++) PlatformKeysQuery(PlatformKey(k));  // the marks
  for (u32 k = 0; k < kKeyCount; k++) {
    EXPECT_EQ(PlatformKeysQuery(PlatformKey(k)) != 0, k == kKeyUp || k == kKeyEnter) << k;
  }
  EXPECT_EQ(PlatformKeysQuery(kKeyCount), 0u);
}

}  // namespace
