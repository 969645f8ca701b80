#include "core/cart.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

// The file byte at offset i: never 0, so zero fill is told apart from data.
u8 FileByte(u32 i) { return static_cast<u8>((i * 7 + (i >> 8)) % 255 + 1); }

class CartTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(dir_.Create("cart_test")); }
  void TearDown() override { CartSetAllocatorForTest(nullptr); }

  // Writes a file of the given size filled with FileByte and opens it.
  std::FILE* MakeFile(u32 size) {
    const fs::path path = dir_ / ("image" + std::to_string(size) + ".bin");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    EXPECT_NE(out, nullptr);
    std::vector<u8> bytes(size);
    for (u32 i = 0; i < size; ++i) bytes[i] = FileByte(i);
    if (size > 0) {
      EXPECT_EQ(std::fwrite(bytes.data(), 1, size, out), size);
    }
    std::fclose(out);
    return std::fopen(path.c_str(), "rb");
  }

  // A file of the given size that occupies no disk space (all zero bytes).
  std::FILE* MakeSparseFile(u64 size) {
    const fs::path path = dir_ / "sparse.bin";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    EXPECT_NE(out, nullptr);
    std::fclose(out);
    fs::resize_file(path, size);
    return std::fopen(path.c_str(), "rb");
  }

  ScratchDir dir_;
};

// What the reader must leave at buffer offset i for a file of fileSize bytes,
// whose rounded size is n.
u8 ExpectedByte(u32 fileSize, u32 n, u32 i) {
  const auto file = [fileSize](u32 at) { return at < fileSize ? FileByte(at) : u8{0}; };
  if (i >= n) return 0;  // the four zero bytes after the image
  if ((n & 0x3FFF) != 0x200) return file(i ^ 1);
  if (i >= n - 512) return file(i);  // the tail keeps the bytes as read
  // Block b's input starts above the header; odd bytes come first in it.
  const u32 in = 512 + (i & ~0x3FFFu);
  const u32 j = i & 0x3FFF;
  return file(in + ((j & 1) ? 8192 + j / 2 : j / 2));
}

TEST_F(CartTest, SizesRoundToLongsAndPickTheFormat) {
  struct {
    u32 fileSize;
    u32 imageSize;
  } const cases
      [] =
          {
              {0, 0},  // empty: a buffer of four zero bytes
              {1, 4},         {2, 4},         {3, 4},         {5, 8},
              {509, 0},       {510, 0},       {511, 0},       {512, 0},  // a header and no block
              {513, 516},     {1000, 1000},   {1001, 1004},   {16384, 16384},
              {16894, 16384},  // rounds up to 16896: interleaved, its last two bytes 0
              {16896, 16384}, {16897, 16900}, {33280, 32768},  // two blocks
          };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileSize);
    u8* data = nullptr;
    u32 size = 0xDEADBEEF;
    ASSERT_EQ(CartLoadFile(MakeFile(c.fileSize), &data, &size), 0u);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, c.imageSize);
    const u32 n = (c.fileSize + 3) & ~3u;
    for (u32 i = 0; i < n + 4; ++i) {
      ASSERT_EQ(data[i], ExpectedByte(c.fileSize, n, i)) << "offset " << i;
    }
    std::free(data);
  }
}

TEST_F(CartTest, InterleavedBlockDecodesToHostWords) {
  // One block whose odd-address half holds 0x11.. and even half 0x22..: the
  // 68000 word at 0 is 0x2211, i.e. host bytes 11 22.
  std::vector<u8> bytes(16896, 0);
  for (u32 i = 0; i < 8192; ++i) {
    bytes[512 + i] = 0x11;
    bytes[512 + 8192 + i] = 0x22;
  }
  const fs::path path = dir_ / dir_.Write("one.smd", bytes);

  u8* data = nullptr;
  u32 size = 0;
  ASSERT_EQ(CartLoadFile(std::fopen(path.c_str(), "rb"), &data, &size), 0u);
  EXPECT_EQ(size, 16384u);
  const u16* words = reinterpret_cast<const u16*>(data);
  EXPECT_EQ(words[0], 0x2211);
  EXPECT_EQ(words[8191], 0x2211);
  std::free(data);
}

TEST_F(CartTest, NullArgumentsAreSafe) {
  EXPECT_EQ(CartLoadFile(nullptr, nullptr, nullptr), 1u);
  u8* data = reinterpret_cast<u8*>(&data);
  u32 size = 77;
  EXPECT_EQ(CartLoadFile(nullptr, &data, &size), 1u);
  EXPECT_EQ(data, reinterpret_cast<u8*>(&data));
  EXPECT_EQ(size, 77u);

  // Without somewhere to put the buffer it is released, not leaked (the leak
  // checker of the sanitizer build sees that).
  size = 0;
  EXPECT_EQ(CartLoadFile(MakeFile(8), nullptr, &size), 0u);
  EXPECT_EQ(size, 8u);
  data = nullptr;
  EXPECT_EQ(CartLoadFile(MakeFile(12), &data, nullptr), 0u);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[0], FileByte(1));
  std::free(data);
}

struct FailureCase {
  const char* name;
  int failCall;  // which allocation fails: 1 the image buffer, 2 the scratch block
  u32 fileSize;
};

int g_allocCalls = 0;
int g_failCall = 0;
void* FailingAlloc(std::size_t bytes) {
  return ++g_allocCalls == g_failCall ? nullptr : std::malloc(bytes);
}

TEST_F(CartTest, AllocationFailureReportsFailure) {
  const FailureCase cases[] = {
      {"image buffer, plain", 1, 1000},
      {"image buffer, interleaved", 1, 16896},
      {"scratch block", 2, 16896},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_allocCalls = 0;
    g_failCall = c.failCall;
    CartSetAllocatorForTest(FailingAlloc);
    u8* data = nullptr;
    u32 size = 99;
    EXPECT_EQ(CartLoadFile(MakeFile(c.fileSize), &data, &size), 1u);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 99u);
    CartSetAllocatorForTest(nullptr);
  }
}

TEST_F(CartTest, DeinterleaveWithoutScratchLeavesTheBufferAlone) {
  std::vector<u8> buffer(16896);
  for (u32 i = 0; i < buffer.size(); ++i) buffer[i] = FileByte(i);
  const std::vector<u8> before = buffer;
  g_allocCalls = 0;
  g_failCall = 1;
  CartSetAllocatorForTest(FailingAlloc);
  EXPECT_EQ(CartDeinterleaveSmd(buffer.data(), static_cast<i32>(buffer.size())), 1u);
  EXPECT_EQ(buffer, before);
}

TEST_F(CartTest, UnmeasurableOrOversizedStreamsAreRefused) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "abcd", 4), 4);
  close(fds[1]);
  u8* data = nullptr;
  u32 size = 5;
  EXPECT_EQ(CartLoadFile(fdopen(fds[0], "rb"), &data, &size), 1u) << "a pipe cannot be sized";
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 5u);

  // Nothing but a regular file is read: a FIFO (opened without waiting for
  // a writer), a folder, a device that reads endlessly, a memory stream.
  ASSERT_EQ(mkfifo((dir_ / "fifo.bin").c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder.bin");
  static char memory[16] = "abcdefgh";
  std::FILE* const streams[] = {
      fdopen(open((dir_ / "fifo.bin").c_str(), O_RDONLY | O_NONBLOCK), "rb"),
      std::fopen((dir_ / "folder.bin").c_str(), "rb"),
      std::fopen("/dev/zero", "rb"),
      fmemopen(memory, sizeof memory, "rb"),
  };
  for (std::FILE* stream : streams) {
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(CartLoadFile(stream, &data, &size), 1u);  // and closed: the leak checker sees it
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 5u);
  }

  EXPECT_EQ(CartLoadFile(MakeSparseFile(u64{kCartMaxFileSize} + 1), &data, &size), 1u);
  EXPECT_EQ(CartLoadFile(MakeSparseFile(u64{5} << 32), &data, &size), 1u)
      << "a size beyond 32 bits must not wrap into a small buffer";
  EXPECT_EQ(data, nullptr);

  // The largest accepted file: an interleaved image of the whole address space.
  ASSERT_EQ(CartLoadFile(MakeSparseFile(kCartMaxFileSize), &data, &size), 0u);
  EXPECT_EQ(size, 16u * 1024 * 1024);
  std::free(data);
}

}  // namespace
