#include <gtest/gtest.h>

#include "core/machine.h"

TEST(Machine, RunFrameWithoutCartridgeDoesNothing) {
  CoreInit();
  EXPECT_EQ(CoreRunFrame(), 1u);
}
