#include "core/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/bus.h"
#include "cpu68k/cpu68k.h"
#include "support/cart_image.h"

namespace {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override { CoreInit(); }
  void TearDown() override { CoreLoadRom(nullptr, 0); }
};

struct RegionCase {
  const char* field;  // the four header bytes at 0x1F0
  u8 version;
  u8 pal;
};

TEST_F(MachineTest, RegionFromHeader) {
  const RegionCase cases[] = {
      {"JUE ", 0xA0, 0},
      {"E   ", 0xE0, 1},
      {"J   ", 0x20, 0},
      {"JE  ", 0xE0, 1},
      {"EJ  ", 0xE0, 1},
      {"4   ", 0xA0, 0},
      {"8   ", 0xE0, 1},
      {"1   ", 0x20, 0},
      {"2   ", 0x60, 1},
      {"A   ", 0xE0, 1},
      {"F   ", 0xA0, 0},
      {"e   ", 0xA0, 0},
      {"j   ", 0xA0, 0},
      {"    ", 0xA0, 0},
      {"   2", 0x60, 1},
      {"12  ", 0x20, 0},
      {"\x01\x02\x03\x04", 0xA0, 0},
      {"xyz!", 0xA0, 0},
      {"a   ", 0xE0, 1},
  };
  for (const RegionCase& c : cases) {
    CartImage image(0x400);
    for (u32 i = 0; i < 4; ++i) image.Byte(0x1F0 + i, static_cast<u8>(c.field[i]));
    CoreLoadRom(image.data(), image.size());
    EXPECT_EQ(g_machine.version, c.version) << '"' << c.field << '"';
    EXPECT_EQ(g_machine.pal, c.pal) << '"' << c.field << '"';
  }
}

TEST_F(MachineTest, HeaderOutsideShortImageReadsAsNoRegion) {
  // The region long lies at or past the end of these images: it reads 0 or
  // is cut off by the zeros after the image.
  for (u32 size : {0x10u, 0x1F0u, 0x1F1u, 0x1F2u}) {
    std::vector<u8> bytes(size, 'E');
    CoreLoadRom(bytes.data(), size);
    EXPECT_EQ(g_machine.romSize, size);
    if (size <= 0x1F0) {
      EXPECT_EQ(g_machine.version, 0xA0) << size;
    } else {
      EXPECT_EQ(g_machine.version, 0xE0) << size;  // the bytes that exist still count
    }
  }
}

TEST_F(MachineTest, EjectLeavesNoCartridge) {
  CartImage image(0x400);
  image.Byte(0x1F0, 'E');
  CoreLoadRom(image.data(), image.size());
  ASSERT_EQ(g_machine.pal, 1);
  ASSERT_EQ(CoreRunFrame(), 0u);

  CoreLoadRom(nullptr, 0);
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(g_machine.romSize, 0u);
  EXPECT_EQ(g_machine.version, 0xA0);
  EXPECT_EQ(g_machine.pal, 0);
  EXPECT_EQ(g_machine.vdp.status, 0);
  EXPECT_EQ(CoreRunFrame(), 1u);
  EXPECT_EQ(g_machine.vdp.status, 0) << "a frame without a cartridge does nothing";

  // A pointer without a size, or a size without a pointer, is an eject too.
  CoreLoadRom(image.data(), 0);
  EXPECT_EQ(g_machine.rom, nullptr);
  CoreLoadRom(nullptr, 0x400);
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(g_machine.romSize, 0u);
}

TEST_F(MachineTest, PowerOnAndLoadClearTheMachine) {
  g_coreInterface.pad[0] = 0xFF;
  g_coreInterface.pad[1] = 0x12;
  g_machine.ram[100] = 7;
  CoreInit();
  EXPECT_EQ(g_coreInterface.pad[0], 0u);
  EXPECT_EQ(g_coreInterface.pad[1], 0u);
  EXPECT_EQ(g_machine.ram[100], 0);
  EXPECT_EQ(g_machine.paletteDirty, 1);

  g_coreInterface.pad[0] = 0x81;
  g_machine.ioCounter = 9;
  g_machine.padTh[0] = 1;
  g_machine.vram[5] = 3;
  g_machine.vdp.regs[1] = 0x60;
  CartImage image(0x400);
  CoreLoadRom(image.data(), image.size());
  EXPECT_EQ(g_machine.paletteDirty, 0);
  EXPECT_EQ(g_machine.ioCounter, 0);
  EXPECT_EQ(g_machine.padTh[0], 0);
  EXPECT_EQ(g_machine.vram[5], 0);
  EXPECT_EQ(g_machine.vdp.regs[1], 0);
  EXPECT_EQ(g_coreInterface.pad[0], 0x81u) << "a load leaves the pads alone";
  for (u32 i = 0; i < 64; ++i) ASSERT_EQ(g_machine.hostPalette[i], 0);
}

TEST_F(MachineTest, ClearRearmsTheRamFence) {
  for (u32 i = 0; i < kFenceZeroBytes; ++i) ASSERT_EQ(g_machine.ramFence[i], 0) << i;
  for (u32 i = kFenceZeroBytes; i < kFenceBytes; i += 2) {
    u16 w;
    std::memcpy(&w, g_machine.ramFence + i, 2);
    ASSERT_EQ(w, kFenceTrapOpcode) << i;
  }
}

TEST_F(MachineTest, ImageIsCopiedAndSurvivesItsSource) {
  auto source = std::make_unique<CartImage>(0x400);
  source->Word(0x200, 0xBEEF).Word(0x3FE, 0x1234);
  CoreLoadRom(source->data(), source->size());
  source.reset();
  EXPECT_NE(g_machine.rom, nullptr);
  EXPECT_EQ(BusRead16(0x200), 0xBEEF);
  EXPECT_EQ(BusRead32(0x3FE), 0x12340000u);

  // Loading the image the core already holds reloads it intact.
  CoreLoadRom(g_machine.rom, g_machine.romSize);
  EXPECT_EQ(BusRead16(0x200), 0xBEEF);
  EXPECT_EQ(BusRead16(0x3FE), 0x1234);

  // A larger image after a smaller one: the buffer grows with it.
  CartImage big(0x20000);
  big.Word(0x1FFFE, 0x5678);
  CoreLoadRom(big.data(), big.size());
  EXPECT_EQ(BusRead16(0x1FFFE), 0x5678);
  EXPECT_EQ(BusRead16(0x20000), 0);
}

void* NoMemory(void*, std::size_t) { return nullptr; }

TEST_F(MachineTest, ImageThatCannotBeKeptIsReportedAndEjected) {
  CartImage image(0x400);
  image.Word(0x200, 0xBEEF);
  ASSERT_EQ(CoreLoadRom(image.data(), image.size()), 0u);
  // Both ways of getting the copy: a fresh buffer (reloading the image the
  // core holds) and a reallocation of the old one.
  const struct {
    const char* name;
    bool reload;
  } cases[] = {{"reallocation", false}, {"reload of the held image", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(CoreLoadRom(image.data(), image.size()), 0u);
    CoreSetImageAllocatorForTest(NoMemory);
    const u8* rom = c.reload ? g_machine.rom : image.data();
    EXPECT_EQ(CoreLoadRom(rom, image.size()), 1u);
    CoreSetImageAllocatorForTest(nullptr);
    EXPECT_EQ(g_machine.rom, nullptr);
    EXPECT_EQ(g_machine.romSize, 0u);
    EXPECT_EQ(CoreRunFrame(), 1u);
  }
  EXPECT_EQ(CoreLoadRom(nullptr, 0), 0u) << "an eject needs no memory";
  EXPECT_EQ(CoreLoadRom(image.data(), image.size()), 0u);
  EXPECT_EQ(BusRead16(0x200), 0xBEEF);
}

TEST_F(MachineTest, FramePathsAndStatusBits) {
  CartImage image(0x400);
  CoreLoadRom(image.data(), image.size());

  // Display off: the vertical blank bit is never cleared.
  EXPECT_EQ(CoreRunFrame(), 0u);
  EXPECT_EQ(g_machine.vdp.status, 0x88);
  EXPECT_EQ(g_machine.vCounter, -64);

  // Display on: bit 3 clears for the picture, bit 7 stays.
  g_machine.vdp.regs[1] = 0x40;
  CoreRunFrame();
  EXPECT_EQ(g_machine.vdp.status, 0x80);

  // Horizontal interrupts on: the frame runs by lines; the HV counter is
  // left on the last line.
  g_machine.vdp.regs[0] = 0x10;
  EXPECT_EQ(CoreRunFrame(), 0u);
  EXPECT_EQ(g_machine.vCounter, 223);
  EXPECT_EQ(g_machine.vdp.status, 0x80);
  g_machine.vdp.regs[1] = 0x00;
  CoreRunFrame();
  EXPECT_EQ(g_machine.vdp.status, 0x88);
}

// Reset vectors of erased, truncated or foreign images. The PC is cut to 24
// bits like every other new PC, and whatever runs from there (RAM zeros, the
// fences, exception after exception) stays inside the memory it started in.
TEST_F(MachineTest, WildResetVectorsRunInsideTheMachine) {
  struct Case {
    const char* what;
    u32 size;
    u8 fill;
    u32 ssp, pc;  // written over the first two longs unless pc is 0
    u32 resetPc;
  };
  const Case cases[] = {
      {"last word of RAM", 8, 0x00, 0x00FFFE00, 0xFFFFFFFE, 0xFFFFFE},
      {"start of the top RAM bank", 8, 0x00, 0x00FFFE00, 0xFFFF0000, 0xFF0000},
      {"erased chip", 0x400, 0xFF, 0, 0, 0xFFFFFF},
      {"top byte over the image", 0x400, 0x00, 0x00FFFE00, 0x01000200, 0x200},
  };
  for (const Case& c : cases) {
    CartImage image(c.size);
    for (u32 i = 0; i < c.size; ++i) image.Byte(i, c.fill);
    if (c.pc != 0) image.Long(0, c.ssp).Long(4, c.pc);
    if (c.size > 0x204) image.Code(0x200, {0x7055, 0x60FE});  // MOVEQ #$55,D0; BRA.S *
    g_cpu68kContext.d[0] = 0;
    CoreLoadRom(image.data(), image.size());
    EXPECT_EQ(g_cpu68kContext.pc, c.resetPc) << c.what;
    for (int frame = 0; frame < 10; ++frame) {
      CoreRunFrame();
      ASSERT_LT(g_cpu68kContext.pc, 0x1000000u + kFenceBytes) << c.what << " frame " << frame;
    }
    if (c.size > 0x204 && c.fill == 0) {
      EXPECT_EQ(g_cpu68kContext.d[0], 0x55u) << "runs at the 24-bit address";
    }
  }
}

TEST_F(MachineTest, ShutdownClearsAndReleases) {
  CartImage image(0x400);
  CoreLoadRom(image.data(), image.size());
  g_machine.ram[0] = 1;
  CoreShutdown();
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(g_machine.ram[0], 0);
  EXPECT_EQ(CoreRunFrame(), 1u);
}

}  // namespace
