#include "romload/romload.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/cart.h"
#include "core/machine.h"
#include "support/scratch_dir.h"
#include "support/zip_bytes.h"

namespace {

using Bytes = std::vector<u8>;

constexpr u32 kBlock = 16384;

u32 RoundUp(u32 n) { return (n + kBlock - 1) & ~(kBlock - 1); }

// The interleaved file for a plain image of whole 16 KB blocks: a header,
// then per block the odd-address bytes followed by the even-address bytes.
Bytes Interleave(const Bytes& plain, u8 headerFill) {
  Bytes out(512, headerFill);
  for (std::size_t off = 0; off < plain.size(); off += kBlock) {
    for (u32 i = 0; i < kBlock / 2; i++) out.push_back(plain[off + 2 * i + 1]);
    for (u32 i = 0; i < kBlock / 2; i++) out.push_back(plain[off + 2 * i]);
  }
  return out;
}

// Index of the first byte where the 68000 image `plain` and the host-word
// buffer disagree (the byte at address A sits at offset A ^ 1), or -1.
long FirstHostWordMismatch(const Bytes& plain, const u8* host, std::size_t n) {
  for (std::size_t a = 0; a < n; a++) {
    if (host[a ^ 1] != plain[a]) return long(a);
  }
  return -1;
}

long FirstNonZero(const u8* p, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; i++) {
    if (p[i] != 0) return long(i);
  }
  return -1;
}

class RomLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(dir_.Create("romload"));
    CoreInit();
    RomUnload();
  }
  void TearDown() override {
    RomUnload();
    CoreShutdown();
  }

  // The path the ROM list makes of folder and file name.
  void Select(const std::string& name) {
    std::snprintf(g_romPath, sizeof g_romPath, "%.128s/%.128s", dir_.path().c_str(), name.c_str());
  }
  u32 Load(const std::string& name) {
    RomUnload();
    Select(name);
    return RomLoad();
  }

  // What the core holds must be exactly the image the loader produced.
  void ExpectCoreHoldsImage() {
    ASSERT_EQ(g_machine.romSize, g_romSize);
    if (g_romSize == 0) {
      EXPECT_EQ(g_machine.rom, nullptr);
      return;
    }
    ASSERT_NE(g_machine.rom, nullptr);
    EXPECT_EQ(std::memcmp(g_machine.rom, g_romData, g_romSize), 0);
  }

  ScratchDir dir_;
};

TEST_F(RomLoadTest, PlainImagesAreByteSwappedAndZeroPadded) {
  for (u32 size : {524288u, 1000u, 1001u, 2u, 1u}) {
    SCOPED_TRACE(size);
    const Bytes file = Pattern(size);
    ASSERT_EQ(Load(dir_.Write("game.bin", file)), 0u);
    ASSERT_NE(g_romData, nullptr);
    EXPECT_EQ(g_romSize, size);
    const u32 even = size & ~1u;
    EXPECT_EQ(FirstHostWordMismatch(file, g_romData, even), -1);
    if (size & 1) {
      EXPECT_EQ(g_romData[size - 1], file[size - 1]);  // the odd last byte stays put
    }
    EXPECT_EQ(FirstNonZero(g_romData, size, RoundUp(size)), -1);
    ExpectCoreHoldsImage();
  }
}

TEST_F(RomLoadTest, SizeOf512Modulo16KIsDecodedAsInterleaved) {
  struct Case {
    u32 blocks;
  } cases[] = {{32}, {1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocks);
    const Bytes plain = Pattern(c.blocks * kBlock, 3);
    const Bytes file = Interleave(plain, 0xEE);
    ASSERT_EQ(Load(dir_.Write("game.smd", file)), 0u);
    ASSERT_NE(g_romData, nullptr);
    EXPECT_EQ(g_romSize, c.blocks * kBlock);
    EXPECT_EQ(FirstHostWordMismatch(plain, g_romData, plain.size()), -1);
    // The 512 bytes after the image keep the file's last 512 bytes as read;
    // the rest is zero.
    EXPECT_EQ(std::memcmp(g_romData + plain.size(), file.data() + file.size() - 512, 512), 0);
    EXPECT_EQ(FirstNonZero(g_romData, plain.size() + 512, RoundUp(u32(file.size()))), -1);
    ExpectCoreHoldsImage();
  }
}

TEST_F(RomLoadTest, FilesWithNoImageAreRefusedWithAReason) {
  const u16 cartridge[4] = {};
  // A 512-byte file converts to nothing; an empty file has nothing; a file
  // named like an archive without a local header is not read at all. Each
  // leaves the core ejected, as an empty image would.
  const struct {
    const char* name;
    Bytes data;
    const char* reason;
  } cases[] = {{"header.smd", Bytes(512, 0x11), "a 512-byte header with no image"},
               {"empty.bin", {}, "empty"},
               {"fake.zip", Pattern(4000), "not a zip archive"},
               {"short.zip", {0x50, 0x4B, 0x03}, "not a zip archive"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RomUnload();
    CoreLoadRom(reinterpret_cast<const u8*>(cartridge),
                sizeof cartridge);  // something for the load to replace
    Select(dir_.Write(c.name, c.data));
    ASSERT_EQ(RomLoad(), 1u);
    EXPECT_STREQ(RomLoadError(), c.reason);
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
    EXPECT_EQ(g_machine.romSize, 0u);
    EXPECT_EQ(CoreRunFrame(), 1u);
  }
  // The next good load says nothing.
  ASSERT_EQ(Load(dir_.Write("game.bin", Pattern(2048))), 0u);
  EXPECT_STREQ(RomLoadError(), "");
}

TEST_F(RomLoadTest, FilesThatCannotBeOpenedFail) {
  for (const char* name : {"", "missing.bin"}) {
    SCOPED_TRACE(name);
    RomUnload();
    if (*name) Select(name);
    EXPECT_EQ(RomLoad(), 1u);
    EXPECT_STREQ(RomLoadError(), "no such file or directory");
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
  }
}

TEST_F(RomLoadTest, UnloadEjectsFreesAndClearsThePath) {
  ASSERT_EQ(Load(dir_.Write("game.bin", Pattern(2048))), 0u);
  ASSERT_NE(g_machine.rom, nullptr);
  RomUnload();
  EXPECT_EQ(g_romData, nullptr);
  EXPECT_EQ(g_romSize, 0u);
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(g_machine.romSize, 0u);
  EXPECT_EQ(FirstNonZero(reinterpret_cast<const u8*>(g_romPath), 0, sizeof g_romPath), -1);

  // With nothing loaded the core is still ejected and the path cleared.
  const u16 image[2] = {};
  CoreLoadRom(reinterpret_cast<const u8*>(image), sizeof image);
  std::memset(g_romPath, 'x', sizeof g_romPath);
  RomUnload();
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(g_romData, nullptr);
  EXPECT_EQ(FirstNonZero(reinterpret_cast<const u8*>(g_romPath), 0, sizeof g_romPath), -1);
}

TEST_F(RomLoadTest, ZipArchivesLoadTheirFirstEntryInAnyLetterCase) {
  const Bytes image = Pattern(3 * kBlock + 100, 5, 0x0F);
  dir_.Write("rom.bin", image);
  dir_.Write("other.bin", Pattern(777, 9, 0x0F));
  // Real archives from the zip tool: deflated, with its usual extra fields.
  dir_.Run("zip -q -9 game.zip rom.bin other.bin && cp game.zip GAME.ZIP && cp game.zip Mixed.ZiP");
  for (const char* name : {"game.zip", "GAME.ZIP", "Mixed.ZiP"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Load(name), 0u);
    EXPECT_EQ(g_romSize, image.size());
    EXPECT_EQ(FirstHostWordMismatch(image, g_romData, image.size()), -1);
    EXPECT_EQ(FirstNonZero(g_romData, image.size(), RoundUp(u32(image.size()))), -1);
    ExpectCoreHoldsImage();
  }

  // Only the last four characters decide: this one is read whole, as raw.
  dir_.Run("cp game.zip game.zip.bin");
  const Bytes archive = dir_.Read("game.zip.bin");
  ASSERT_EQ(Load("game.zip.bin"), 0u);
  EXPECT_EQ(g_romSize, archive.size());
  EXPECT_EQ(FirstHostWordMismatch(archive, g_romData, archive.size() & ~1u), -1);
}

TEST_F(RomLoadTest, InterleavedImageInsideAZip) {
  const Bytes plain = Pattern(2 * kBlock, 11, 0x0F);
  dir_.Write("rom.smd", Interleave(plain, 0x5A));
  dir_.Run("zip -q game.zip rom.smd");
  ASSERT_EQ(Load("game.zip"), 0u);
  EXPECT_EQ(g_romSize, plain.size());
  EXPECT_EQ(FirstHostWordMismatch(plain, g_romData, plain.size()), -1);
  ExpectCoreHoldsImage();
}

TEST_F(RomLoadTest, ZipEntriesThatDoNotInflate) {
  // A stored entry still goes through the inflater; 0x06 opens a block of
  // the reserved type, so it stops at once and the image stays zero.
  // Sizes kept only in a data descriptor read as 0: no image, refused.
  dir_.Python(NonInflatingZipsScript(16));
  ASSERT_EQ(Load("stored.zip"), 0u);
  EXPECT_EQ(g_romSize, 4097u);
  EXPECT_EQ(FirstNonZero(g_romData, 0, RoundUp(4097)), -1);
  ExpectCoreHoldsImage();

  ASSERT_EQ(Load("descriptor.zip"), 1u);
  EXPECT_STREQ(RomLoadError(), "its first entry's size is not in its header");
  EXPECT_EQ(g_romSize, 0u);
  EXPECT_EQ(g_machine.rom, nullptr);
  ASSERT_EQ(Load(dir_.Write("nothing.zip", ZipLocalEntry("r", kZipDeflated, 0, {}, 0, 0))), 1u);
  EXPECT_STREQ(RomLoadError(), "its first entry is empty");
}

TEST_F(RomLoadTest, DeclaredSizesBeyondACartridgeAreRefused) {
  const Bytes image = Pattern(1000);
  const Bytes packed = RawDeflate(image);
  // 16 MiB + 513 is one byte too many; the others would also overflow the
  // round-up to 16 KB in 32 bits.
  for (u32 declared : {16u * 1024 * 1024 + 513, 0xFFFFC001u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(declared);
    ASSERT_EQ(Load(dir_.Write("big.zip", ZipLocalEntry("r", kZipDeflated, 0, packed,
                                                       u32(packed.size()), declared))),
              1u);
    EXPECT_STREQ(RomLoadError(), "its first entry is larger than 16 MiB + 512 bytes");
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
  }

  // The largest accepted size: the data that is there, zeros after it.
  const u32 limit = 16u * 1024 * 1024 + 512;
  ASSERT_EQ(Load(dir_.Write(
                "big.zip", ZipLocalEntry("r", kZipDeflated, 0, packed, u32(packed.size()), limit))),
            0u);
  EXPECT_EQ(g_romSize, limit - 512);
  EXPECT_EQ(g_machine.romSize, limit - 512);
}

TEST_F(RomLoadTest, TruncatedArchivesLoadWhatIsThere) {
  const Bytes image = Pattern(40000, 2);
  const Bytes packed = RawDeflate(image);
  // Compressed size claims nearly 4 GiB, and the data is cut in half: what
  // the file holds is inflated, the rest of the image stays zero.
  Bytes file = ZipLocalEntry("rom.bin", kZipDeflated, 0, packed, 0xFFFFFFF0u, u32(image.size()));
  file.resize(file.size() - packed.size() / 2);
  ASSERT_EQ(Load(dir_.Write("cut.zip", file)), 0u);
  EXPECT_EQ(g_romSize, image.size());
  long decoded = FirstHostWordMismatch(image, g_romData, image.size());
  EXPECT_GT(decoded, 1000);
  EXPECT_LT(decoded, 40000);
  EXPECT_EQ(FirstNonZero(g_romData, std::size_t(decoded) + 2000, RoundUp(40000)), -1);
  ExpectCoreHoldsImage();
}

TEST_F(RomLoadTest, RawFilesBeyondACartridgeAreRefusedUnread) {
  // Sparse files: no disk space is used, and a refused one is never read.
  const struct {
    off_t size;
    u32 result;
  } cases[] = {
      {off_t(kCartMaxFileSize) + 1, 1},
      {off_t(0x80000000), 1},
      {off_t(0x100000000) + 1000, 1},  // would wrap to a small size in 32 bits
      {off_t(kCartMaxFileSize), 0},    // an interleaved image of the whole 16 MiB
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string name = dir_.Write("huge.bin", {});
    if (truncate((dir_ / name).c_str(), c.size) != 0) GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(Load(name), c.result);
    EXPECT_STREQ(RomLoadError(), c.result == 0 ? "" : "larger than 16 MiB + 512 bytes");
    EXPECT_EQ(g_romSize, c.result == 0 ? 16u * 1024 * 1024 : 0u);
    EXPECT_EQ(g_machine.romSize, g_romSize);
    EXPECT_EQ(g_romData == nullptr, c.result != 0);
  }
}

TEST_F(RomLoadTest, OnlyRegularFilesAreOpened) {
  // A FIFO would block the open until a writer came; none ever does here.
  const Bytes image = Pattern(2048);
  dir_.Write("real.bin", image);
  ASSERT_EQ(mkfifo((dir_ / "pipe.bin").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((dir_ / "pipe.zip").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_ / "folder.bin");
  std::filesystem::create_directory_symlink(dir_ / "folder.bin", dir_ / "folder-link.smd");
  std::filesystem::create_symlink(dir_ / "gone.bin", dir_ / "dangling.bin");
  std::filesystem::create_symlink(dir_ / "real.bin", dir_ / "link.bin");
  const char* const kNotRegular = "not a regular file";
  const struct {
    const char* name;
    u32 result;
    const char* reason;
  } cases[] = {{"pipe.bin", 1, kNotRegular},
               {"pipe.zip", 1, kNotRegular},
               {"folder.bin", 1, kNotRegular},
               {"folder-link.smd", 1, kNotRegular},
               {"dangling.bin", 1, "no such file or directory"},
               {"link.bin", 0, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load(c.name), c.result);
    EXPECT_STREQ(RomLoadError(), c.reason);
    EXPECT_EQ(g_romSize, c.result == 0 ? image.size() : 0u);
    EXPECT_EQ(g_machine.romSize, g_romSize);
    EXPECT_EQ(g_romData == nullptr, c.result != 0);
  }
  RomUnload();
  std::strcpy(g_romPath, "/dev/zero");  // a device is no file either
  EXPECT_EQ(RomLoad(), 1u);
  EXPECT_EQ(g_machine.rom, nullptr);
}

void* NoMemory(void*, std::size_t) { return nullptr; }

TEST_F(RomLoadTest, ImageTheCoreCannotKeepIsAFailedLoad) {
  dir_.Write("rom.bin", Pattern(1000));
  const Bytes packed = RawDeflate(Pattern(5000));
  dir_.Write("rom.zip", ZipLocalEntry("r", kZipDeflated, 0, packed, u32(packed.size()), 5000));
  for (const char* name : {"rom.bin", "rom.zip"}) {
    SCOPED_TRACE(name);
    RomUnload();
    Select(name);
    CoreSetImageAllocatorForTest(NoMemory);
    EXPECT_EQ(RomLoad(), 1u);
    CoreSetImageAllocatorForTest(nullptr);
    EXPECT_STREQ(RomLoadError(), "out of memory");
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
    EXPECT_EQ(CoreRunFrame(), 1u);
  }
  EXPECT_EQ(Load("rom.bin"), 0u) << "the next load is not affected";
  ExpectCoreHoldsImage();
}

TEST(RomConvert, ByteSwapAndBlockDecode) {
  u8 words[5] = {1, 2, 3, 4, 5};
  EXPECT_EQ(RomByteSwap16(words, 5), 0u);
  EXPECT_EQ(Bytes(words, words + 5), (Bytes{2, 1, 4, 3, 5}));
  EXPECT_EQ(RomByteSwap16(words, 1), 1u);
  EXPECT_EQ(RomByteSwap16(words, -4), 1u);
  EXPECT_EQ(words[0], 2);

  const Bytes in = Pattern(kBlock);
  Bytes out(kBlock);
  EXPECT_EQ(RomDecodeSmdBlock(out.data(), in.data()), 0u);
  for (u32 i : {0u, 1u, 8191u}) {
    EXPECT_EQ(out[2 * i], in[i]);
    EXPECT_EQ(out[2 * i + 1], in[8192 + i]);
  }
}

}  // namespace
