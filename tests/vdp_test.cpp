// VDP ports: register writes, the two-word command latch, data writes with
// auto-increment and wrap, and DMA, all driven through the ports the way a
// program drives them.
#include "core/vdp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/bus.h"
#include "core/machine.h"
#include "support/cart_image.h"

namespace {

constexpr u32 kData = 0xC00000;
constexpr u32 kCtrl = 0xC00004;

enum class Via { Port, Byte, Long };

// One write as the bus hands it on: a word to VdpWritePort, or a byte or
// long written through the 68000 bus.
struct Write {
  u32 address;
  u32 value;
  Via via = Via::Port;
};

enum class Mem { Vram, Cram, Vsram, Reg };

struct Expect {
  Mem mem;
  u32 index;
  u32 value;
};

u16 VramWord(u32 index) {
  u16 w;
  std::memcpy(&w, g_machine.vram + index * 2, 2);
  return w;
}

u32 Read(Mem mem, u32 index) {
  switch (mem) {
    case Mem::Vram:
      return VramWord(index);
    case Mem::Cram:
      return g_machine.cram[index];
    case Mem::Vsram:
      return g_machine.vsram[index];
    case Mem::Reg:
      return g_machine.vdp.regs[index];
  }
  return 0;
}

void Apply(const Write& w) {
  switch (w.via) {
    case Via::Port:
      VdpWritePort(w.address, w.value);
      break;
    case Via::Byte:
      BusWrite8(w.address, static_cast<u8>(w.value));
      break;
    case Via::Long:
      BusWrite32(w.address, w.value);
      break;
  }
}

// Counts non-zero words, so a case can say "and nothing else was written".
u32 NonZeroWords() {
  u32 n = 0;
  for (u32 i = 0; i < 32768; ++i) n += VramWord(i) != 0;
  for (u16 w : g_machine.cram) n += w != 0;
  for (u16 w : g_machine.vsram) n += w != 0;
  return n;
}

class VdpPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoreInit();
    g_machine.paletteDirty = 0;
  }
  void TearDown() override { CoreShutdown(); }

  void Run(const std::vector<Write>& writes) {
    for (const Write& w : writes) Apply(w);
  }
};

struct PortCase {
  const char* name;
  std::vector<Write> writes;
  u8 code;
  u16 address;
  u8 pending;
  std::vector<Expect> expect;
  u32 nonZero;  // non-zero words in VRAM, CRAM and VSRAM together
};

TEST_F(VdpPortTest, PortSequences) {
  const PortCase cases[] = {
      {"register write stays idle", {{kCtrl, 0x8F02}}, 0, 0, 0, {{Mem::Reg, 15, 2}}, 0},
      {"register number wraps at 32; 24-31 are stored",
       {{kCtrl, 0x9F55}, {kCtrl, 0xBF66}, {kCtrl, 0xA177}},
       0,
       0,
       0,
       {{Mem::Reg, 31, 0x66}, {Mem::Reg, 1, 0x77}},
       0},
      {"upper half of the value is ignored",
       {{kCtrl, 0x12348F02}},
       0,
       0,
       0,
       {{Mem::Reg, 15, 2}},
       0},
      {"a register word as second word is the second word",
       {{kCtrl, 0x4000}, {kCtrl, 0x8F02}},
       1,
       0x8000,
       0,
       {{Mem::Reg, 15, 0}},
       0},
      {"first word alone is pending", {{kCtrl, 0x4000}}, 0, 0, 1, {}, 0},
      {"VRAM write at 0", {{kCtrl, 0x4000}, {kCtrl, 0x0000}}, 1, 0, 0, {}, 0},
      {"CRAM write at 0", {{kCtrl, 0xC000}, {kCtrl, 0x0000}}, 3, 0, 0, {}, 0},
      {"VSRAM write at 0", {{kCtrl, 0x4000}, {kCtrl, 0x0010}}, 5, 0, 0, {}, 0},
      {"VRAM write at 0xC000", {{kCtrl, 0x4000}, {kCtrl, 0x0003}}, 1, 0xC000, 0, {}, 0},
      {"all address bits", {{kCtrl, 0x7FFF}, {kCtrl, 0x0003}}, 1, 0xFFFF, 0, {}, 0},
      {"CD4 and the other bits of the second word are ignored",
       {{kCtrl, 0x4000}, {kCtrl, 0xFF4C}},
       1,
       0,
       0,
       {},
       0},
      {"long write is two control words", {{kCtrl, 0x40000003, Via::Long}}, 1, 0xC000, 0, {}, 0},
      {"control port mirror at 0xC00006",
       {{0xC00006, 0x4000}, {0xC00006, 0x0003}},
       1,
       0xC000,
       0,
       {},
       0},
      {"addresses past the ports are ignored",
       {{0xC00008, 0x8F02}, {0xC00008, 0x4000}, {0xBFFFFC, 0x8F02}},
       0,
       0,
       0,
       {{Mem::Reg, 15, 0}},
       0},
      {"register write leaves the command alone",
       {{kCtrl, 0x4002}, {kCtrl, 0x0000}, {kCtrl, 0x8F04}, {kData, 0xAAAA}},
       1,
       6,
       0,
       {{Mem::Vram, 1, 0xAAAA}, {Mem::Reg, 15, 4}},
       1},
      {"word at an odd address is byte-swapped",
       {{kCtrl, 0x4001}, {kCtrl, 0x0000}, {kData, 0x1234}},
       1,
       1,
       0,
       {{Mem::Vram, 0, 0x3412}},
       1},
      {"word at an even address is stored as is",
       {{kCtrl, 0x8F02}, {kCtrl, 0x4000}, {kCtrl, 0x0000}, {kData, 0x1234}},
       1,
       2,
       0,
       {{Mem::Vram, 0, 0x1234}},
       1},
      {"auto-increment 2 fills successive words",
       {{kCtrl, 0x8F02},
        {kCtrl, 0x4000},
        {kCtrl, 0x0000},
        {kData, 0x1111},
        {kData, 0x2222},
        {kData, 0x3333}},
       1,
       6,
       0,
       {{Mem::Vram, 0, 0x1111}, {Mem::Vram, 1, 0x2222}, {Mem::Vram, 2, 0x3333}},
       3},
      {"auto-increment 0 rewrites one word",
       {{kCtrl, 0x4000}, {kCtrl, 0x0000}, {kData, 0x1111}, {kData, 0x2222}},
       1,
       0,
       0,
       {{Mem::Vram, 0, 0x2222}},
       1},
      {"address wraps past 0xFF80 to 0",
       {{kCtrl, 0x8F80}, {kCtrl, 0x7F80}, {kCtrl, 0x0003}, {kData, 0x1111}, {kData, 0x2222}},
       1,
       0x0080,
       0,
       {{Mem::Vram, 0x7FC0, 0x1111}, {Mem::Vram, 0, 0x2222}},
       2},
      {"CRAM index wraps at 64 entries",
       {{kCtrl, 0xC080}, {kCtrl, 0x0000}, {kData, 0x0EEE}},
       3,
       0x80,
       0,
       {{Mem::Cram, 0, 0x0EEE}},
       1},
      {"VSRAM index wraps at 64 entries",
       {{kCtrl, 0x8F02}, {kCtrl, 0x407E}, {kCtrl, 0x0010}, {kData, 0x0101}, {kData, 0x0202}},
       5,
       0x82,
       0,
       {{Mem::Vsram, 63, 0x0101}, {Mem::Vsram, 0, 0x0202}},
       2},
      {"odd CRAM address swaps bytes",
       {{kCtrl, 0xC003}, {kCtrl, 0x0000}, {kData, 0x0E02}},
       3,
       3,
       0,
       {{Mem::Cram, 1, 0x020E}},
       1},
      {"a byte to the data port arrives doubled",
       {{kCtrl, 0x4000}, {kCtrl, 0x0000}, {0xC00001, 0x12, Via::Byte}},
       1,
       0,
       0,
       {{Mem::Vram, 0, 0x1212}},
       1},
      {"data port mirror at 0xC00002",
       {{kCtrl, 0x4000}, {kCtrl, 0x0000}, {0xC00002, 0xBEEF}},
       1,
       0,
       0,
       {{Mem::Vram, 0, 0xBEEF}},
       1},
      {"data write completes a pending command with the old second word",
       {{kCtrl, 0x4000}, {kCtrl, 0x0010}, {kCtrl, 0x4002}, {kData, 0xABCD}},
       5,
       2,
       0,
       {{Mem::Vsram, 1, 0xABCD}},
       1},
      {"data write before any command stores nothing",
       {{kCtrl, 0x8F02}, {kData, 0x1234}, {kData, 0x5678}},
       0,
       4,
       0,
       {},
       0},
      {"VRAM read code stores nothing, still advances",
       {{kCtrl, 0x8F02}, {kCtrl, 0x0000}, {kCtrl, 0x0000}, {kData, 0x1234}},
       0,
       2,
       0,
       {},
       0},
      {"VSRAM read code stores nothing",
       {{kCtrl, 0x8F02}, {kCtrl, 0x0000}, {kCtrl, 0x0010}, {kData, 0x1234}},
       4,
       2,
       0,
       {},
       0},
      {"CRAM read code stores nothing",
       {{kCtrl, 0x8F02}, {kCtrl, 0x0000}, {kCtrl, 0x0020}, {kData, 0x1234}},
       8,
       2,
       0,
       {},
       0},
      {"code 7 selects nothing",
       {{kCtrl, 0x8F02}, {kCtrl, 0xC000}, {kCtrl, 0x0010}, {kData, 0x1234}},
       7,
       2,
       0,
       {},
       0},
  };
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Run(c.writes);
    EXPECT_EQ(g_machine.vdp.code, c.code);
    EXPECT_EQ(g_machine.vdp.address, c.address);
    EXPECT_EQ(g_machine.vdp.commandPending, c.pending);
    for (const Expect& e : c.expect) {
      EXPECT_EQ(Read(e.mem, e.index), e.value) << "index " << e.index;
    }
    EXPECT_EQ(NonZeroWords(), c.nonZero);
    EXPECT_EQ(g_machine.vdp.status, 0u) << "port writes never touch the status bits";
  }
}

TEST_F(VdpPortTest, OnlyColourRamWritesMarkThePaletteDirty) {
  Run({{kCtrl, 0x4000}, {kCtrl, 0x0000}, {kData, 0x1234}});
  Run({{kCtrl, 0x4000}, {kCtrl, 0x0010}, {kData, 0x1234}});
  Run({{kCtrl, 0x0000}, {kCtrl, 0x0020}, {kData, 0x1234}});
  EXPECT_EQ(g_machine.paletteDirty, 0);
  Run({{kCtrl, 0xC080}, {kCtrl, 0x0000}, {kData, 0x0000}});
  EXPECT_EQ(g_machine.paletteDirty, 1) << "even a write of the value already there";
}

TEST_F(VdpPortTest, DmaLengthAndSourceRegisters) {
  Run({{kCtrl, 0x93FE}, {kCtrl, 0x94DC}, {kCtrl, 0x9512}, {kCtrl, 0x9634}, {kCtrl, 0x97FF}});
  EXPECT_EQ(VdpDmaLength(), 0xDCFEu);
  EXPECT_EQ(VdpDmaSource(), (0xFFu << 17) | (0x34u << 9) | (0x12u << 1));
}

// DMA cases run with a cartridge whose words at 0x200 and up are 0xA000 + n
// and whose first word is 0x1357; work RAM words at 0xFF0000 and up are
// 0xE000 + n.
class VdpDmaTest : public VdpPortTest {
 protected:
  void SetUp() override {
    CartImage image(0x1000);
    for (u32 n = 0; n < 0x100; ++n) image.Word(0x200 + n * 2, static_cast<u16>(0xA000 + n));
    image.Word(0, 0x1357);
    CoreInit();
    CoreLoadRom(image.data(), image.size());
    for (u32 n = 0; n < 0x100; ++n) BusWrite16(0xFF0000 + n * 2, static_cast<u16>(0xE000 + n));
  }
};

struct DmaCase {
  const char* name;
  std::vector<Write> writes;
  u16 address;
  std::vector<Expect> expect;
  u32 nonZero;
};

// Registers: 1 = 0x14 enables DMA; 15 = 2; length 3; source 0x000200.
const std::vector<Write> kTransferSetup = {{kCtrl, 0x8114}, {kCtrl, 0x8F02}, {kCtrl, 0x9303},
                                           {kCtrl, 0x9400}, {kCtrl, 0x9500}, {kCtrl, 0x9601},
                                           {kCtrl, 0x9700}};

std::vector<Write> With(std::vector<Write> more) {
  std::vector<Write> all = kTransferSetup;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

TEST_F(VdpDmaTest, Transfers) {
  const DmaCase cases[] = {
      {"cartridge words into VRAM at once",
       With({{kCtrl, 0x4000}, {kCtrl, 0x0080}}),
       6,
       {{Mem::Vram, 0, 0xA000}, {Mem::Vram, 1, 0xA001}, {Mem::Vram, 2, 0xA002}},
       3},
      {"length 0 copies nothing",
       With({{kCtrl, 0x9300}, {kCtrl, 0x4000}, {kCtrl, 0x0080}}),
       0,
       {},
       0},
      {"DMA disabled: a plain command",
       With({{kCtrl, 0x8104}, {kCtrl, 0x4000}, {kCtrl, 0x0080}, {kData, 0x5555}}),
       2,
       {{Mem::Vram, 0, 0x5555}},
       1},
      {"source 0x800000 is refused",
       With({{kCtrl, 0x9740}, {kCtrl, 0x9600}, {kCtrl, 0x4000}, {kCtrl, 0x0080}}),
       0,
       {},
       0},
      {"source just below 0xE00000 is refused",
       With({{kCtrl, 0x976F}, {kCtrl, 0x96FF}, {kCtrl, 0x95FF}, {kCtrl, 0x4000}, {kCtrl, 0x0080}}),
       0,
       {},
       0},
      {"source 0xFF0000 reads work RAM",
       With({{kCtrl, 0x977F}, {kCtrl, 0x9680}, {kCtrl, 0x4000}, {kCtrl, 0x0080}}),
       6,
       {{Mem::Vram, 0, 0xE000}, {Mem::Vram, 1, 0xE001}, {Mem::Vram, 2, 0xE002}},
       3},
      {"into CRAM",
       With({{kCtrl, 0xC000}, {kCtrl, 0x0080}}),
       6,
       {{Mem::Cram, 0, 0xA000}, {Mem::Cram, 1, 0xA001}, {Mem::Cram, 2, 0xA002}},
       3},
      {"into VSRAM, wrapping at 64 entries",
       With({{kCtrl, 0x407C}, {kCtrl, 0x0090}}),
       0x82,
       {{Mem::Vsram, 62, 0xA000}, {Mem::Vsram, 63, 0xA001}, {Mem::Vsram, 0, 0xA002}},
       3},
      {"VRAM address wraps at 65536",
       With({{kCtrl, 0x7FFE}, {kCtrl, 0x0083}}),
       4,
       {{Mem::Vram, 0x7FFF, 0xA000}, {Mem::Vram, 0, 0xA001}, {Mem::Vram, 1, 0xA002}},
       3},
      {"odd destination swaps every word",
       With({{kCtrl, 0x4001}, {kCtrl, 0x0080}}),
       7,
       {{Mem::Vram, 0, 0x00A0}, {Mem::Vram, 1, 0x01A0}, {Mem::Vram, 2, 0x02A0}},
       3},
      {"a read code under CD5 transfers into nothing",
       With({{kCtrl, 0x0000}, {kCtrl, 0x0080}}),
       6,
       {},
       0},
      {"data write completing a pending command repeats the transfer",
       With({{kCtrl, 0x4000}, {kCtrl, 0x0080}, {kCtrl, 0x4010}, {kData, 0x5555}}),
       0x18,
       {{Mem::Vram, 8, 0xA000},
        {Mem::Vram, 9, 0xA001},
        {Mem::Vram, 10, 0xA002},
        {Mem::Vram, 11, 0x5555}},
       7},
      {"copy does nothing and data writes stay plain",
       With({{kCtrl, 0x97C0}, {kCtrl, 0x4000}, {kCtrl, 0x0080}, {kData, 0x5555}}),
       2,
       {{Mem::Vram, 0, 0x5555}},
       1},
      {"fill: length 0 writes exactly one word",
       With({{kCtrl, 0x9780}, {kCtrl, 0x9300}, {kCtrl, 0x4000}, {kCtrl, 0x0080}, {kData, 0x5A5A}}),
       2,
       {{Mem::Vram, 0, 0x5A5A}},
       1},
      {"fill: length 3 writes four words",
       With({{kCtrl, 0x9780}, {kCtrl, 0x4000}, {kCtrl, 0x0080}, {kData, 0x5A5A}}),
       8,
       {{Mem::Vram, 0, 0x5A5A},
        {Mem::Vram, 1, 0x5A5A},
        {Mem::Vram, 2, 0x5A5A},
        {Mem::Vram, 3, 0x5A5A}},
       4},
      {"fill stays armed: the next data write fills on",
       With({{kCtrl, 0x9780},
             {kCtrl, 0x9301},
             {kCtrl, 0x4000},
             {kCtrl, 0x0080},
             {kData, 0x1111},
             {kData, 0x2222}}),
       8,
       {{Mem::Vram, 0, 0x1111},
        {Mem::Vram, 1, 0x1111},
        {Mem::Vram, 2, 0x2222},
        {Mem::Vram, 3, 0x2222}},
       4},
      {"fill ends with a command without CD5",
       With({{kCtrl, 0x9780},
             {kCtrl, 0x9301},
             {kCtrl, 0x4000},
             {kCtrl, 0x0080},
             {kData, 0x1111},
             {kCtrl, 0x4010},
             {kCtrl, 0x0000},
             {kData, 0x2222}}),
       0x12,
       {{Mem::Vram, 0, 0x1111}, {Mem::Vram, 1, 0x1111}, {Mem::Vram, 8, 0x2222}},
       3},
      {"fill ends when DMA is disabled",
       With({{kCtrl, 0x9780},
             {kCtrl, 0x9301},
             {kCtrl, 0x4000},
             {kCtrl, 0x0080},
             {kData, 0x1111},
             {kCtrl, 0x8104},
             {kData, 0x2222}}),
       6,
       {{Mem::Vram, 0, 0x1111}, {Mem::Vram, 1, 0x1111}, {Mem::Vram, 2, 0x2222}},
       3},
      {"fill at an odd address swaps each word",
       With({{kCtrl, 0x9780}, {kCtrl, 0x9301}, {kCtrl, 0x4001}, {kCtrl, 0x0080}, {kData, 0x12AB}}),
       5,
       {{Mem::Vram, 0, 0xAB12}, {Mem::Vram, 1, 0xAB12}},
       2},
      {"fill into CRAM",
       With({{kCtrl, 0x9780}, {kCtrl, 0x9301}, {kCtrl, 0xC07E}, {kCtrl, 0x0080}, {kData, 0x0E0E}}),
       0x82,
       {{Mem::Cram, 63, 0x0E0E}, {Mem::Cram, 0, 0x0E0E}},
       2},
  };
  for (const DmaCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Run(c.writes);
    EXPECT_EQ(g_machine.vdp.address, c.address);
    for (const Expect& e : c.expect) {
      EXPECT_EQ(Read(e.mem, e.index), e.value) << "index " << e.index;
    }
    EXPECT_EQ(NonZeroWords(), c.nonZero);
  }
}

TEST_F(VdpDmaTest, TransferLeavesTheDmaRegistersAsTheyWere) {
  Run(With({{kCtrl, 0x4000}, {kCtrl, 0x0080}}));
  const u8 expected[] = {0x03, 0x00, 0x00, 0x01, 0x00};
  for (u32 r = 19; r <= 23; ++r) EXPECT_EQ(g_machine.vdp.regs[r], expected[r - 19]) << r;
  EXPECT_EQ(g_machine.vdp.command, 0x40000080u);
}

TEST_F(VdpDmaTest, LongestFillCoversAllOfVram) {
  // Length 0xFFFF: 65536 writes, each word written twice with increment 1.
  Run({{kCtrl, 0x8114},
       {kCtrl, 0x8F01},
       {kCtrl, 0x93FF},
       {kCtrl, 0x94FF},
       {kCtrl, 0x9780},
       {kCtrl, 0x4000},
       {kCtrl, 0x0080},
       {kData, 0x7777}});
  EXPECT_EQ(NonZeroWords(), 32768u);
  for (u32 i = 0; i < 32768; i += 4099) EXPECT_EQ(VramWord(i), 0x7777) << i;
  EXPECT_EQ(g_machine.vdp.address, 0);
}

TEST_F(VdpDmaTest, TransferRunsFromTheEndOfWorkRamIntoTheCartridge) {
  BusWrite16(0xFFFFFE, 0x0F0F);
  // Source 0xFFFFFE, length 2.
  Run({{kCtrl, 0x8114},
       {kCtrl, 0x8F02},
       {kCtrl, 0x9302},
       {kCtrl, 0x95FF},
       {kCtrl, 0x96FF},
       {kCtrl, 0x977F},
       {kCtrl, 0x4000},
       {kCtrl, 0x0080}});
  EXPECT_EQ(VramWord(0), 0x0F0F);
  EXPECT_EQ(VramWord(1), 0x1357) << "the source wraps to 24 bits";
}

}  // namespace
