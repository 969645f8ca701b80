#include "core/bus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/machine.h"
#include "cpu68k/cpu68k.h"
#include "support/cart_image.h"

namespace {

constexpr u32 kRomSize = 0x1000;

class BusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoreInit();
    CartImage image(kRomSize);
    for (u32 a = 0; a < kRomSize; a += 2) image.Word(a, static_cast<u16>(0x8000 | a));
    image.Word(0, 0x1234).Word(kRomSize - 2, 0xABCD);
    CoreLoadRom(image.data(), image.size());
  }
  void TearDown() override { CoreLoadRom(nullptr, 0); }
};

// The host word at base + pc, computed without pointer arithmetic outside a
// buffer.
u16 FetchAt(const u8* base, u32 pc) {
  u16 w;
  std::memcpy(&w, reinterpret_cast<const u8*>(reinterpret_cast<uintptr_t>(base) + pc), 2);
  return w;
}

TEST_F(BusTest, ImageReadsInHostWordForm) {
  EXPECT_EQ(BusRead8(0), 0x12);
  EXPECT_EQ(BusRead8(1), 0x34);
  EXPECT_EQ(BusRead16(0), 0x1234);
  EXPECT_EQ(BusRead16(1), 0x1234) << "odd word address served at the even one below";
  EXPECT_EQ(BusRead16(0xFF000000), 0x1234) << "upper address byte ignored";
  EXPECT_EQ(BusRead32(0x10), 0x80108012u);
  EXPECT_EQ(BusRead32(0x11), 0x80108012u);
}

TEST_F(BusTest, WorkRamIsMirroredEvery64K) {
  BusWrite16(0xE00010, 0xCAFE);
  EXPECT_EQ(BusRead16(0xFF0010), 0xCAFE);
  EXPECT_EQ(BusRead8(0xE80010), 0xCA);
  EXPECT_EQ(BusRead8(0xE80011), 0xFE);
  BusWrite8(0x12FF0011, 0x42);  // upper byte ignored, bits 21-23 decide
  EXPECT_EQ(BusRead16(0xE00010), 0xCA42);
  BusWrite32(0xFF0020, 0x01020304);
  EXPECT_EQ(BusRead32(0xE00020), 0x01020304u);
  BusWrite16(0xE00031, 0x5555);  // odd: the even word below
  EXPECT_EQ(BusRead16(0xE00030), 0x5555);
}

TEST_F(BusTest, LongAtTheLastWordOfARamBankWrapsInsideTheBank) {
  BusWrite16(0xE00000, 0x1111);
  BusWrite32(0xE1FFFE, 0xAAAABBBB);
  EXPECT_EQ(BusRead16(0xE0FFFE), 0xAAAA);
  EXPECT_EQ(BusRead16(0xE00000), 0xBBBB);
  EXPECT_EQ(BusRead32(0xFFFFFE), 0xAAAABBBBu);
  for (u32 i = 0; i < kFenceZeroBytes; ++i) ASSERT_EQ(g_machine.ramFence[i], 0);
}

TEST_F(BusTest, LongDecidedOnceForItsHighWord) {
  // High word in the I/O area: the low word is an I/O access too, even at
  // the first address of work RAM.
  BusWrite16(0xE00000, 0x7777);
  EXPECT_EQ(BusRead32(0xDFFFFE), 0u);
  BusWrite32(0xDFFFFE, 0x12345678);
  EXPECT_EQ(BusRead16(0xE00000), 0x7777);

  // Straddling the end of the image: the low word reads the zeros after it.
  EXPECT_EQ(BusRead32(kRomSize - 2), 0xABCD0000u);
  EXPECT_EQ(BusRead16(kRomSize), 0);

  // A long read of the status register: the status in the high half (one
  // counter step), 0 from 0xC00006.
  EXPECT_EQ(BusRead32(0xC00004), 0x36200000u);
  EXPECT_EQ(g_machine.ioCounter, 1);
  // Both words of a long at the free-running HV counter step it.
  g_machine.ioCounter = 0x10;
  g_machine.vCounter = -64;
  EXPECT_EQ(BusRead32(0xC00008), 0x10001100u);
  EXPECT_EQ(g_machine.ioCounter, 0x12);
}

TEST_F(BusTest, OddSizedImageAndStraddlingReadsStayInsideTheCopy) {
  // 0x201 bytes in host-word form: the last word holds only its low byte
  // (68000 address 0x201, itself past the end); the copy pads the rest.
  CartImage image(0x202);
  image.Word(0x1FE, 0x1357).Word(0x200, 0x2468);
  const std::vector<u8> source(image.data(), image.data() + 0x201);
  CoreLoadRom(source.data(), 0x201);
  EXPECT_EQ(BusRead8(0x200), 0x00) << "the pad byte";
  EXPECT_EQ(BusRead8(0x201), 0x00) << "at romSize: the I/O area";
  EXPECT_EQ(BusRead16(0x200), 0x0068);
  EXPECT_EQ(BusRead32(0x1FE), 0x13570068u);
  EXPECT_EQ(BusRead32(0x200), 0x00680000u);
}

TEST_F(BusTest, WritesBelowTheIoAreaAreIgnored) {
  const u32 addresses[] = {0x000000, 0x000001, 0x000800, kRomSize - 2,
                           kRomSize, 0x100000, 0x9FFFF0};
  for (u32 a : addresses) {
    BusWrite8(a, 0x5A);
    BusWrite8(a + 1, 0x5A);
    BusWrite16(a, 0x5A5A);
    BusWrite32(a, 0x5A5A5A5A);
  }
  EXPECT_EQ(BusRead16(0), 0x1234);
  EXPECT_EQ(BusRead16(0x800), 0x8800);
  EXPECT_EQ(BusRead16(kRomSize - 2), 0xABCD);
  for (u32 a : {kRomSize, kRomSize + 2, 0x100000u, 0x9FFFF0u}) {
    EXPECT_EQ(BusRead16(a), 0) << std::hex << a;
    EXPECT_EQ(BusRead32(a), 0u) << std::hex << a;
  }
  for (u32 i = 0; i < sizeof g_machine.ram; ++i) ASSERT_EQ(g_machine.ram[i], 0) << i;
  EXPECT_EQ(g_machine.ioCounter, 0);
}

enum Width { kByte, kWord, kLong };

struct Access {
  Width width;
  u32 address;
  u32 expected;
};

struct SequenceCase {
  const char* name;
  u8 status;  // vdp.status
  u8 pal;
  i16 vCounter;
  std::vector<Access> reads;  // from a cleared counter, in order
};

u32 Read(Width width, u32 address) {
  switch (width) {
    case kByte:
      return BusRead8(address);
    case kWord:
      return BusRead16(address);
    case kLong:
      return BusRead32(address);
  }
  return 0;
}

TEST_F(BusTest, CounterDrivenReads) {
  const SequenceCase cases[] = {
      {"FM status high byte then low byte",
       0,
       0,
       0,
       {{kByte, 0xA04000, 0},
        {kByte, 0xA04001, 1},
        {kByte, 0xA04001, 2},
        {kByte, 0xA04000, 0},
        {kByte, 0xA04001, 0},
        {kWord, 0xA04000, 1},
        {kWord, 0xA04002, 0},
        {kByte, 0xA04001, 2}}},
      {"bus request in runs of four",
       0,
       0,
       0,
       {{kByte, 0xA11100, 0},
        {kByte, 0xA11100, 0},
        {kByte, 0xA11100, 0},
        {kByte, 0xA11100, 0},
        {kByte, 0xA11100, 1},
        {kByte, 0xA11101, 0},
        {kByte, 0xA11100, 1},
        {kByte, 0xA11100, 1},
        {kByte, 0xA11100, 0},
        {kWord, 0xA11100, 0},
        {kWord, 0xA11100, 0},
        {kWord, 0xA11100, 0},
        {kWord, 0xA11100, 0x0100}}},
      {"status words",
       0,
       0,
       0,
       {{kWord, 0xC00004, 0x3620},
        {kWord, 0xC00004, 0x3620},
        {kWord, 0xC00004, 0x3624},
        {kWord, 0xC00005, 0x3624},
        {kWord, 0xC00004, 0x3520},
        {kWord, 0xC00004, 0x3520},
        {kWord, 0xC00004, 0x3524},
        {kWord, 0xC00004, 0x3524},
        {kWord, 0xC00004, 0x3620}}},
      {"status with stored bits and a 50 Hz region",
       0x88,
       1,
       0,
       {{kWord, 0xC00004, 0x36A9},
        {kByte, 0xC00004, 0x36},
        {kByte, 0xC00005, 0xAD},
        {kWord, 0xC00006, 0},
        {kWord, 0xC00000, 0},
        {kWord, 0xC00004, 0x36AD},
        {kWord, 0xC00004, 0x35A9}}},
      {"free-running HV counter",
       0,
       0,
       -64,
       {{kWord, 0xC00008, 0x0000},
        {kWord, 0xC00008, 0x0100},
        {kByte, 0xC00008, 0x02},
        {kByte, 0xC00009, 0x00},
        {kWord, 0xC0000E, 0x0400},
        {kWord, 0xC00010, 0},
        {kWord, 0xC00008, 0x0500}}},
      {"version and pads do not step",
       0,
       0,
       0,
       {{kWord, 0xA10000, 0xA0},
        {kWord, 0xA10002, 0x3333},
        {kByte, 0xA10005, 0x33},
        {kWord, 0xA10006, 0},
        {kWord, 0xA04000, 0},
        {kWord, 0xA04000, 1}}},
  };
  for (const SequenceCase& c : cases) {
    g_machine.ioCounter = 0;
    g_machine.vdp.status = c.status;
    g_machine.pal = c.pal;
    g_machine.vCounter = c.vCounter;
    for (size_t i = 0; i < c.reads.size(); ++i) {
      const Access& r = c.reads[i];
      EXPECT_EQ(Read(r.width, r.address), r.expected) << c.name << ", read " << i;
    }
  }
}

TEST_F(BusTest, SecondProcessorWindowAlternatesWithTheCounter) {
  BusWrite16(0xA00100, 0xBEEF);
  BusWrite8(0xA01FFF, 0x77);
  const u16 expected[] = {0xBEEF, 0xBEEF, 0x0000, 0x0000, 0xBEEF, 0xBEEF, 0x0101, 0x0101};
  for (u16 w : expected) EXPECT_EQ(BusRead16(0xA00100), w);
  g_machine.ioCounter = 0;
  EXPECT_EQ(BusRead8(0xA01FFF), 0x77);
  EXPECT_EQ(BusRead8(0xA00100), 0xBE);
  EXPECT_EQ(BusRead8(0xA00101), 0x00) << "counter 2: counter >> 2 in both bytes";
  EXPECT_EQ(g_machine.ioCounter, 3);
  // Word writes in the window store the word; past its end nothing is kept.
  BusWrite32(0xA00200, 0x11223344);
  g_machine.ioCounter = 0;
  EXPECT_EQ(BusRead32(0xA00200), 0x11223344u);
  BusWrite16(0xA02000, 0x9999);
  EXPECT_EQ(BusRead16(0xA02000), 0);
}

TEST_F(BusTest, HvCounterInTheLinePath) {
  const struct {
    i16 vCounter;
    u16 expected;
  } cases[] = {{-38, 0xDA00}, {-63, 0xC100}, {-1, 0xFF00}, {0, 0x0000}, {223, 0xDF00}};
  for (const auto& c : cases) {
    g_machine.ioCounter = 0x40;
    g_machine.vCounter = c.vCounter;
    EXPECT_EQ(BusRead16(0xC00008), c.expected) << c.vCounter;
    EXPECT_EQ(g_machine.ioCounter, 0x40) << "a line count does not step the counter";
  }
}

TEST_F(BusTest, ControllerPorts) {
  const struct {
    u32 port;
    u32 pad;
    bool thHigh;
    u16 expected;
  } cases[] = {
      {1, 0x00, true, 0x7F7F},  {1, 0x00, false, 0x3333}, {0, 0x80, false, 0x1313},
      {0, 0x80, true, 0x7F7F},  {0, 0x41, false, 0x2222}, {0, 0x41, true, 0x7E7E},
      {0, 0x3F, true, 0x4040},  {0, 0xFF, false, 0x0000}, {1, 0xFFFFFF00, true, 0x7F7F},
      {1, 0x30, false, 0x3333},
  };
  for (const auto& c : cases) {
    g_coreInterface.pad[0] = 0;
    g_coreInterface.pad[1] = 0;
    g_coreInterface.pad[c.port] = c.pad;
    const u32 data = c.port == 0 ? 0xA10003 : 0xA10005;
    BusWrite8(data, c.thHigh ? 0x40 : 0xBF);
    ASSERT_EQ(g_machine.padTh[c.port], c.thHigh ? 1 : 0);
    EXPECT_EQ(BusRead16(data - 1), c.expected) << c.port << ' ' << c.pad << ' ' << c.thHigh;
    EXPECT_EQ(BusRead8(data), c.expected & 0xFF);
  }
  // A word write to the data register sets TH from its low byte.
  BusWrite16(0xA10002, 0x0040);
  EXPECT_EQ(g_machine.padTh[0], 1);
  BusWrite16(0xA10002, 0x4000);
  EXPECT_EQ(g_machine.padTh[0], 0);
  BusWrite8(0xA10002, 0x40);
  EXPECT_EQ(g_machine.padTh[0], 0) << "only the odd byte holds TH";
  g_coreInterface.pad[0] = 0;
}

TEST_F(BusTest, FetchBase) {
  // Inside the image: base + PC is the image at offset PC.
  EXPECT_EQ(FetchAt(BusPcBase(0), 0), 0x1234);
  EXPECT_EQ(FetchAt(BusPcBase(0x800), 0x800), 0x8800);
  // Running off the end of the image: zeros, then ILLEGAL.
  const u8* base = BusPcBase(kRomSize - 2);
  EXPECT_EQ(FetchAt(base, kRomSize - 2), 0xABCD);
  for (u32 off = 0; off < kFenceZeroBytes; off += 2) EXPECT_EQ(FetchAt(base, kRomSize + off), 0);
  for (u32 off = kFenceZeroBytes; off < kFenceBytes; off += 2) {
    EXPECT_EQ(FetchAt(base, kRomSize + off), kFenceTrapOpcode);
  }

  // Work RAM: every PC of a bank reaches ram at PC & 0xFFFF, and the
  // fence follows the bank.
  BusWrite16(0xFF0100, 0x4E71);
  BusWrite16(0xFFFFFE, 0x60FE);
  EXPECT_EQ(FetchAt(BusPcBase(0xE10100), 0xE10100), 0x4E71);
  const u8* bank = BusPcBase(0xFF0000);
  EXPECT_EQ(FetchAt(bank, 0xFF0100), 0x4E71);
  EXPECT_EQ(FetchAt(bank, 0xFFFFFE), 0x60FE);
  EXPECT_EQ(FetchAt(bank, 0x1000000), 0);
  EXPECT_EQ(FetchAt(bank, 0x1000000 + kFenceZeroBytes), kFenceTrapOpcode);
  // A PC with a top byte still reaches RAM: the bus sees 24 bits.
  EXPECT_EQ(FetchAt(BusPcBase(0xABFF0100), 0xABFF0100), 0x4E71);

  // Neither image nor RAM: ILLEGAL, extension words included.
  for (u32 pc : {kRomSize, 0x100000u, 0xA00000u, 0xC00000u, 0xDFFFFEu, 0xFF000000u}) {
    const u8* trap = BusPcBase(pc);
    for (u32 off = 0; off < kFenceBytes; off += 2) {
      ASSERT_EQ(FetchAt(trap, pc + off), kFenceTrapOpcode) << std::hex << pc << '+' << off;
    }
  }

  BusSetPcBase(0x800);
  EXPECT_EQ(g_cpu68kPcBase, BusPcBase(0x800));
  EXPECT_EQ(BusSetPcBaseArg(0xFF0000), 0u);
  EXPECT_EQ(g_cpu68kPcBase, bank);

  // Without a cartridge every PC outside RAM traps.
  CoreLoadRom(nullptr, 0);
  EXPECT_EQ(FetchAt(BusPcBase(0), 0), kFenceTrapOpcode);
  EXPECT_EQ(FetchAt(BusPcBase(0x200), 0x202), kFenceTrapOpcode);
}

TEST_F(BusTest, HandlerTableIsTheConsoleBus) {
  const Cpu68kMemHandlers& h = g_cpu68kMemHandlers;
  EXPECT_EQ(h.addrMask, 0x00FFFFFFu);
  EXPECT_EQ(h.setPcBase, &BusSetPcBase);
  EXPECT_EQ(h.resetHandlerDefault, &Cpu68kDefaultResetHandler);
  EXPECT_EQ(h.read16(0x10), 0x8010u);
  EXPECT_EQ(h.read16Pc(0x10), 0x8010u);
  EXPECT_EQ(h.read8Pc(0x11), 0x10u);
  EXPECT_EQ(h.read32Pc(0x10), 0x80108012u);
  h.write8(0xE00001, 0x1FF);
  h.write16(0xE00002, 0x12345);
  h.write32(0xE00004, 0xDEADBEEF);
  EXPECT_EQ(h.read8(0xE00001), 0xFFu);
  EXPECT_EQ(h.read16(0xE00002), 0x2345u);
  EXPECT_EQ(h.read32(0xE00004), 0xDEADBEEFu);
  const Cpu68kMemHandlers& k = kCpu68kConsoleMemHandlers;
  EXPECT_EQ(h.read8, k.read8);
  EXPECT_EQ(h.write32, k.write32);
  EXPECT_EQ(h.read32Pc, k.read32Pc);
}

}  // namespace
