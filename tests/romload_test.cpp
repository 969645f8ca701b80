#include "romload/romload.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/machine.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<u8>;

constexpr u32 kBlock = 16384;

// Pseudo-random bytes, which deflate cannot shrink; masked to a few bits
// they still compress (the zip tool stores what does not).
Bytes Pattern(std::size_t n, u32 seed = 0, u8 mask = 0xFF) {
  Bytes b(n);
  u32 x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < n; i++) {
    x = x * 1103515245u + 12345u;
    b[i] = u8(x >> 16) & mask;
  }
  return b;
}

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

Bytes RawDeflate(const Bytes& in) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&s, uLong(in.size())));
  s.next_in = const_cast<u8*>(in.data());
  s.avail_in = uInt(in.size());
  s.next_out = out.data();
  s.avail_out = uInt(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

void PutU32(Bytes& b, std::size_t at, u32 v) {
  for (int i = 0; i < 4; i++) b[at + i] = u8(v >> (8 * i));
}

// One local header (deflate) with the given sizes, followed by `data`.
Bytes LocalEntry(const std::string& name, const Bytes& data, u32 compressedSize,
                 u32 uncompressedSize) {
  const std::size_t dataAt = 30 + name.size();
  Bytes b(dataAt + data.size(), 0);
  b[0] = 0x50, b[1] = 0x4B, b[2] = 0x03, b[3] = 0x04;
  b[8] = 8;
  PutU32(b, 18, compressedSize);
  PutU32(b, 22, uncompressedSize);
  b[26] = u8(name.size());
  std::copy(name.begin(), name.end(), b.begin() + 30);
  std::copy(data.begin(), data.end(), b.begin() + std::ptrdiff_t(dataAt));
  return b;
}

class RomLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "romload.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    CoreInit();
    RomUnload();
  }
  void TearDown() override {
    RomUnload();
    CoreShutdown();
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const Bytes& data) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return name;
  }
  Bytes Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  // Shell command run inside the temporary folder.
  void Run(const std::string& command) {
    const std::string line = "cd '" + dir_.string() + "' && " + command;
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
  }
  void Python(const std::string& body) {
    Write("make.py", Bytes(body.begin(), body.end()));
    Run("python3 make.py");
  }
  // The path the ROM list makes of folder and file name.
  void Select(const std::string& name) {
    std::snprintf(g_romPath, sizeof g_romPath, "%.128s/%.128s", dir_.c_str(), name.c_str());
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

  fs::path dir_;
};

TEST_F(RomLoadTest, PlainImagesAreByteSwappedAndZeroPadded) {
  for (u32 size : {524288u, 1000u, 1001u, 2u, 1u}) {
    SCOPED_TRACE(size);
    const Bytes file = Pattern(size);
    ASSERT_EQ(Load(Write("game.bin", file)), 0u);
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
  } cases[] = {{32}, {1}, {0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocks);
    const Bytes plain = Pattern(c.blocks * kBlock, 3);
    const Bytes file = Interleave(plain, 0xEE);
    ASSERT_EQ(Load(Write("game.smd", file)), 0u);
    ASSERT_NE(g_romData, nullptr);
    EXPECT_EQ(g_romSize, c.blocks * kBlock);
    EXPECT_EQ(FirstHostWordMismatch(plain, g_romData, plain.size()), -1);
    // The 512 bytes after the image keep the file's last 512 bytes as read
    // (the header itself when there is no block); the rest is zero.
    EXPECT_EQ(std::memcmp(g_romData + plain.size(), file.data() + file.size() - 512, 512), 0);
    EXPECT_EQ(FirstNonZero(g_romData, plain.size() + 512, RoundUp(u32(file.size()))), -1);
    ExpectCoreHoldsImage();
  }
}

TEST_F(RomLoadTest, EmptyImagesAreInsertedAsEject) {
  const u16 cartridge[4] = {};
  // A 512-byte file converts to nothing; an empty file has nothing; a file
  // named like an archive without a local header is not read at all.
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {{"header.smd", Bytes(512, 0x11)}, {"empty.bin", {}}, {"fake.zip", Pattern(4000)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RomUnload();
    CoreLoadRom(reinterpret_cast<const u8*>(cartridge),
                sizeof cartridge);  // something for the load to replace
    Select(Write(c.name, c.data));
    ASSERT_EQ(RomLoad(), 0u);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
    EXPECT_EQ(g_machine.romSize, 0u);
    EXPECT_EQ(CoreRunFrame(), 1u);
  }
  EXPECT_EQ(g_romData, nullptr);  // the fake archive got no buffer
}

TEST_F(RomLoadTest, FilesThatCannotBeOpenedFail) {
  for (const char* name : {"", "missing.bin"}) {
    SCOPED_TRACE(name);
    RomUnload();
    if (*name) Select(name);
    EXPECT_EQ(RomLoad(), 1u);
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
  }
}

TEST_F(RomLoadTest, UnloadEjectsFreesAndClearsThePath) {
  ASSERT_EQ(Load(Write("game.bin", Pattern(2048))), 0u);
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
  Write("rom.bin", image);
  Write("other.bin", Pattern(777, 9, 0x0F));
  // Real archives from the zip tool: deflated, with its usual extra fields.
  Run("zip -q -9 game.zip rom.bin other.bin && cp game.zip GAME.ZIP && cp game.zip Mixed.ZiP");
  for (const char* name : {"game.zip", "GAME.ZIP", "Mixed.ZiP"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Load(name), 0u);
    EXPECT_EQ(g_romSize, image.size());
    EXPECT_EQ(FirstHostWordMismatch(image, g_romData, image.size()), -1);
    EXPECT_EQ(FirstNonZero(g_romData, image.size(), RoundUp(u32(image.size()))), -1);
    ExpectCoreHoldsImage();
  }

  // Only the last four characters decide: this one is read whole, as raw.
  Run("cp game.zip game.zip.bin");
  const Bytes archive = Read("game.zip.bin");
  ASSERT_EQ(Load("game.zip.bin"), 0u);
  EXPECT_EQ(g_romSize, archive.size());
  EXPECT_EQ(FirstHostWordMismatch(archive, g_romData, archive.size() & ~1u), -1);
}

TEST_F(RomLoadTest, InterleavedImageInsideAZip) {
  const Bytes plain = Pattern(2 * kBlock, 11, 0x0F);
  Write("rom.smd", Interleave(plain, 0x5A));
  Run("zip -q game.zip rom.smd");
  ASSERT_EQ(Load("game.zip"), 0u);
  EXPECT_EQ(g_romSize, plain.size());
  EXPECT_EQ(FirstHostWordMismatch(plain, g_romData, plain.size()), -1);
  ExpectCoreHoldsImage();
}

TEST_F(RomLoadTest, ZipEntriesThatDoNotInflate) {
  // A stored entry still goes through the inflater; 0x06 opens a block of
  // the reserved type, so it stops at once and the image stays zero.
  // Sizes kept only in a data descriptor read as 0: an eject.
  Python(R"(
import zipfile
data = bytes([6]) + bytes(range(256)) * 16
with zipfile.ZipFile('stored.zip', 'w', zipfile.ZIP_STORED) as z:
    z.writestr('rom.bin', data)
class Unseekable:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()
with open('descriptor.zip', 'wb') as f:
    with zipfile.ZipFile(Unseekable(f), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('rom.bin', data)
)");
  ASSERT_EQ(Load("stored.zip"), 0u);
  EXPECT_EQ(g_romSize, 4097u);
  EXPECT_EQ(FirstNonZero(g_romData, 0, RoundUp(4097)), -1);
  ExpectCoreHoldsImage();

  ASSERT_EQ(Load("descriptor.zip"), 0u);
  EXPECT_EQ(g_romSize, 0u);
  EXPECT_EQ(g_machine.rom, nullptr);
}

TEST_F(RomLoadTest, DeclaredSizesBeyondACartridgeAreRefused) {
  const Bytes image = Pattern(1000);
  const Bytes packed = RawDeflate(image);
  // 16 MiB + 513 is one byte too many; the others would also overflow the
  // round-up to 16 KB in 32 bits.
  for (u32 declared : {16u * 1024 * 1024 + 513, 0xFFFFC001u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(declared);
    ASSERT_EQ(Load(Write("big.zip", LocalEntry("r", packed, u32(packed.size()), declared))), 1u);
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
  }

  // The largest accepted size: the data that is there, zeros after it.
  const u32 limit = 16u * 1024 * 1024 + 512;
  ASSERT_EQ(Load(Write("big.zip", LocalEntry("r", packed, u32(packed.size()), limit))), 0u);
  EXPECT_EQ(g_romSize, limit - 512);
  EXPECT_EQ(g_machine.romSize, limit - 512);
}

TEST_F(RomLoadTest, TruncatedArchivesLoadWhatIsThere) {
  const Bytes image = Pattern(40000, 2);
  const Bytes packed = RawDeflate(image);
  // Compressed size claims nearly 4 GiB, and the data is cut in half: what
  // the file holds is inflated, the rest of the image stays zero.
  Bytes file = LocalEntry("rom.bin", packed, 0xFFFFFFF0u, u32(image.size()));
  file.resize(file.size() - packed.size() / 2);
  ASSERT_EQ(Load(Write("cut.zip", file)), 0u);
  EXPECT_EQ(g_romSize, image.size());
  long decoded = FirstHostWordMismatch(image, g_romData, image.size());
  EXPECT_GT(decoded, 1000);
  EXPECT_LT(decoded, 40000);
  EXPECT_EQ(FirstNonZero(g_romData, std::size_t(decoded) + 2000, RoundUp(40000)), -1);
  ExpectCoreHoldsImage();
}

TEST_F(RomLoadTest, RawFilesOf2GiBOrMoreAreRefused) {
  for (off_t size : {off_t(0x80000000), off_t(0x100000000) + 1000}) {
    SCOPED_TRACE(size);
    const std::string name = Write("huge.bin", {});
    // Sparse: no disk space is used.
    if (truncate((dir_ / name).c_str(), size) != 0) GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(Load(name), 1u);
    EXPECT_EQ(g_romData, nullptr);
    EXPECT_EQ(g_romSize, 0u);
    EXPECT_EQ(g_machine.rom, nullptr);
  }
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
