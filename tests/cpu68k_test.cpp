#include <set>

#include "cpu68k/cpu68k_core.h"
#include "support/cpu_fixture.h"

using Cpu68kRunLoop = CpuTest;

TEST_F(Cpu68kRunLoop, Smoke) {
  Code({0x7005, 0x5240, 0x4E71});  // MOVEQ #5,D0; ADDQ.W #1,D0; NOP
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(D(0), 5u);
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(D(0), 6u);
}
