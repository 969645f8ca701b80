#include "romload/unzip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/zip_bytes.h"

namespace {

using Bytes = std::vector<u8>;

// A destination with a guard band of marker bytes after the entry's size.
struct Destination {
  explicit Destination(std::size_t n) : size(n), bytes(n + 64, 0xCC) {}
  bool Untouched(std::size_t from) const {
    for (std::size_t i = from; i < bytes.size(); i++) {
      if (bytes[i] != 0xCC) return false;
    }
    return true;
  }
  bool Holds(const Bytes& data) const {
    return data.size() == size && std::equal(data.begin(), data.end(), bytes.begin());
  }
  std::size_t size;
  Bytes bytes;
};

class UnzipTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(dir_.Create("unzip")); }
  void TearDown() override {
    if (unzip_.file) std::fclose(unzip_.file);
    unzip_.CloseEntry();
  }
  // Compressed size and local header offset of each entry, from the
  // archive's central directory as Python reads it.
  std::vector<std::pair<u32, u32>> Listing(const std::string& archive) {
    dir_.Python(
        "import zipfile\nwith open('listing.txt', 'w') as out:\n"
        "    for i in zipfile.ZipFile('" +
        archive + "').infolist(): print(i.compress_size, i.header_offset, file=out)\n");
    std::ifstream in(dir_ / "listing.txt");
    std::vector<std::pair<u32, u32>> entries;
    u32 size, offset;
    while (in >> size >> offset) entries.emplace_back(size, offset);
    return entries;
  }
  void Open(const std::string& name) {
    unzip_.file = std::fopen((dir_ / name).c_str(), "rb");
    ASSERT_NE(unzip_.file, nullptr);
  }

  ScratchDir dir_;
  Unzip unzip_;
};

TEST(UnzipReadU32Le, ReadsUnalignedLittleEndian) {
  const u8 bytes[] = {0x00, 0x78, 0x56, 0x34, 0xF2};
  EXPECT_EQ(UnzipReadU32Le(bytes + 1), 0xF2345678u);
}

TEST_F(UnzipTest, WalksEntriesByTheirLocalHeaders) {
  const Bytes first = Pattern(50000, 1, 0x0F), second = Pattern(3000, 2, 0x0F);
  dir_.Write("first.bin", first);
  dir_.Write("second.dat", second);
  // The zip tool adds its usual extra fields (timestamps, owner).
  dir_.Run("zip -q -9 game.zip first.bin second.dat");
  const auto listing = Listing("game.zip");
  ASSERT_EQ(listing.size(), 2u);

  Open("game.zip");
  const struct {
    const char* name;
    const Bytes* data;
  } entries[] = {{"first.bin", &first}, {"second.dat", &second}};
  for (std::size_t n = 0; n < 2; n++) {
    SCOPED_TRACE(entries[n].name);
    const u32 offset = listing[n].second;
    ASSERT_EQ(unzip_.headerOffset, offset);
    ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
    EXPECT_STREQ(unzip_.fileName, entries[n].name);
    EXPECT_EQ(unzip_.nameLength, std::strlen(entries[n].name));
    EXPECT_GT(unzip_.extraLength, 0u);
    EXPECT_EQ(unzip_.compressedSize, listing[n].first);
    EXPECT_EQ(unzip_.uncompressedSize, entries[n].data->size());
    EXPECT_EQ(unzip_.dataOffset, offset + 30 + unzip_.nameLength + unzip_.extraLength);

    Destination out(unzip_.uncompressedSize);
    EXPECT_EQ(unzip_.Extract(out.bytes.data()), 0u);
    EXPECT_TRUE(out.Holds(*entries[n].data));
    EXPECT_TRUE(out.Untouched(out.size));

    const u32 next = unzip_.dataOffset + unzip_.compressedSize;
    EXPECT_EQ(unzip_.CloseEntry(), 0u);
    EXPECT_EQ(unzip_.fileName, nullptr);
    EXPECT_EQ(unzip_.headerOffset, next);
    EXPECT_EQ(
        unzip_.compressedSize | unzip_.uncompressedSize | unzip_.nameLength | unzip_.extraLength,
        0u);
  }
  // After the last entry comes the central directory, which is not a local header.
  EXPECT_EQ(unzip_.ReadLocalHeader(), 1u);

  EXPECT_EQ(unzip_.Rewind(), 0u);
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  EXPECT_STREQ(unzip_.fileName, "first.bin");
}

TEST_F(UnzipTest, LargeExtraFieldIsSkipped) {
  const Bytes data = Pattern(9000, 4);
  dir_.Write("rom.bin", data);
  dir_.Python(R"(
import struct, zipfile
info = zipfile.ZipInfo('rom.bin')
info.compress_type = zipfile.ZIP_DEFLATED
info.extra = struct.pack('<HH', 0xCAFE, 39996) + bytes(39996)
with zipfile.ZipFile('extra.zip', 'w') as z:
    z.writestr(info, open('rom.bin', 'rb').read())
)");
  Open("extra.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  EXPECT_EQ(unzip_.extraLength, 40000u);
  EXPECT_EQ(unzip_.dataOffset, 30u + 7 + 40000);
  Destination out(unzip_.uncompressedSize);
  unzip_.Extract(out.bytes.data());
  EXPECT_TRUE(out.Holds(data));
}

TEST_F(UnzipTest, EntriesThatAreNotInflatedLeaveTheDestinationAlone) {
  // Sizes kept only in a data descriptor read as 0; a stored entry goes
  // through the inflater too, and 0x06 opens a block of the reserved type.
  dir_.Python(NonInflatingZipsScript(8));
  Open("descriptor.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  EXPECT_EQ(unzip_.compressedSize, 0u);
  EXPECT_EQ(unzip_.uncompressedSize, 0u);
  Destination empty(0);
  EXPECT_EQ(unzip_.Extract(empty.bytes.data()), 0u);
  EXPECT_TRUE(empty.Untouched(0));
  unzip_.CloseEntry();
  std::fclose(unzip_.file);
  unzip_ = Unzip();

  Open("stored.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  EXPECT_EQ(unzip_.uncompressedSize, 2049u);
  Destination out(unzip_.uncompressedSize);
  EXPECT_EQ(unzip_.Extract(out.bytes.data()), 0u);
  EXPECT_TRUE(out.Untouched(0));
}

TEST_F(UnzipTest, BadHeadersFail) {
  Bytes wrongSignature = ZipLocalEntry("r", kZipStored, 0, {}, 0, 0);
  wrongSignature[3] = 0x05;
  Bytes shortHeader = ZipLocalEntry("", kZipStored, 0, {}, 0, 0);
  shortHeader.resize(29);
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {{"signature.zip", wrongSignature}, {"short.zip", shortHeader}, {"empty.zip", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write(c.name, c.data);
    Open(c.name);
    EXPECT_EQ(unzip_.ReadLocalHeader(), 1u);
    EXPECT_EQ(unzip_.fileName, nullptr);
    EXPECT_EQ(unzip_.CloseEntry(), 0u);
    std::fclose(unzip_.file);
    unzip_ = Unzip();
  }
}

TEST_F(UnzipTest, DeclaredSizesBeyondTheFileReadWhatIsThere) {
  const Bytes data = Pattern(20000, 6);
  const Bytes packed = RawDeflate(data);

  // A whole deflate stream behind a compressed size of nearly 4 GiB.
  dir_.Write("claim.zip",
             ZipLocalEntry("rom.bin", kZipStored, 0, packed, 0xFFFFFFF0u, u32(data.size())));
  Open("claim.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  Destination out(data.size());
  EXPECT_EQ(unzip_.Extract(out.bytes.data()), 0u);
  EXPECT_TRUE(out.Holds(data));
  EXPECT_TRUE(out.Untouched(out.size));
  // The next header would lie past 4 GiB: it is not wrapped back into the file.
  unzip_.CloseEntry();
  EXPECT_EQ(unzip_.headerOffset, 0xFFFFFFFFu);
  EXPECT_EQ(unzip_.ReadLocalHeader(), 1u);
  std::fclose(unzip_.file);
  unzip_ = Unzip();

  // The same claim with the stream cut in half: only the bytes in the file
  // are inflated, so the output stops where they end (zeros read past the
  // end would be decoded as more data).
  Bytes cut = ZipLocalEntry("rom.bin", kZipStored, 0, packed, 0xFFFFFFF0u, u32(data.size()));
  cut.resize(cut.size() - packed.size() / 2);
  dir_.Write("cut.zip", cut);
  Open("cut.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  Destination part(data.size());
  EXPECT_EQ(unzip_.Extract(part.bytes.data()), 0u);
  const std::size_t stop =
      std::size_t(std::mismatch(data.begin(), data.end(), part.bytes.begin()).first - data.begin());
  EXPECT_GT(stop, 1000u);
  EXPECT_LT(stop, data.size());
  EXPECT_TRUE(part.Untouched(stop));
  unzip_.CloseEntry();
  std::fclose(unzip_.file);
  unzip_ = Unzip();

  // The data would start past the end of the file: nothing is written.
  Bytes pastEnd = ZipLocalEntry("rom.bin", kZipStored, 60000, {}, 1000, 1000);
  pastEnd.resize(40000);
  dir_.Write("past.zip", pastEnd);
  Open("past.zip");
  ASSERT_EQ(unzip_.ReadLocalHeader(), 0u);
  Destination none(1000);
  EXPECT_EQ(unzip_.Extract(none.bytes.data()), 0u);
  EXPECT_TRUE(none.Untouched(0));
}

TEST(UnzipInflateRaw, NeverWritesPastTheDestination) {
  const Bytes data = Pattern(5000, 8);
  Bytes packed = RawDeflate(data);
  Destination shortOut(1234);
  EXPECT_EQ(UnzipInflateRaw(shortOut.bytes.data(), 1234, packed.data(), u32(packed.size())), 0u);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1234, shortOut.bytes.begin()));
  EXPECT_TRUE(shortOut.Untouched(1234));

  // Cut short: the output stops where the data does.
  Destination cut(data.size());
  UnzipInflateRaw(cut.bytes.data(), u32(data.size()), packed.data(), u32(packed.size() / 2));
  EXPECT_NE(cut.bytes[0], 0xCC);
  EXPECT_TRUE(cut.Untouched(data.size() - 100));
}

}  // namespace
