// The cartridge file reader over file bytes, with its allocations failing
// on demand: the first byte picks which allocation fails (1 the image
// buffer, 2 the scratch block of an interleaved image; others none). The
// stream is closed on every path, a failure stores nothing, and a success
// gives the image the rules describe.
#include <cstdlib>
#include <cstring>

#include "core/cart.h"
#include "fuzz/fuzz_target.h"

namespace {

int s_allocations = 0;
int s_failing = 0;

void* Allocate(std::size_t bytes) {
  return ++s_allocations == s_failing ? nullptr : std::malloc(bytes);
}

}  // namespace

MORVALITH_FUZZ_TARGET(cart) {
  FuzzReader in(data, size);
  const int failing = in.Byte() % 4;
  std::size_t length = 0;
  const u8* file = in.Take(in.left(), &length);
  const std::string path = FuzzScratchFolder() + "/cart.bin";
  FuzzWriteFile(path, file, length);

  const int descriptors = FuzzOpenDescriptors();
  s_allocations = 0;
  s_failing = failing;
  CartSetAllocatorForTest(Allocate);
  u8* image = reinterpret_cast<u8*>(&s_allocations);  // a value a failure must leave alone
  u32 imageSize = 0xDEADBEEF;
  const u32 result = CartLoadFile(std::fopen(path.c_str(), "rb"), &image, &imageSize);
  CartSetAllocatorForTest(nullptr);
  FUZZ_CHECK(FuzzOpenDescriptors() == descriptors);

  const u32 n = (u32(length) + 3) & ~3u;
  const bool interleaved = (n & 0x3FFF) == 0x200;
  const bool allocationFailed = failing == 1 || (failing == 2 && interleaved);
  FUZZ_CHECK((result != 0) == allocationFailed);
  if (result != 0) {
    FUZZ_CHECK(image == reinterpret_cast<u8*>(&s_allocations));
    FUZZ_CHECK(imageSize == 0xDEADBEEF);
    return;
  }
  FUZZ_CHECK(imageSize == (interleaved ? n - 512 : n));
  // Bytes as read, in host-word order, with the padding zero; the buffer
  // always reaches four bytes past the rounded size.
  const auto fileByte = [&](std::size_t at) { return at < length ? file[at] : u8{0}; };
  if (!interleaved) {
    for (u32 i = 0; i < n; i++) FUZZ_CHECK(image[i] == fileByte(i ^ 1));
  } else {
    // Each block's first half holds the odd addresses' bytes; the last 512
    // bytes keep what was read there.
    for (u32 i = 0; i < n - 512; i++) {
      const u32 j = i & 0x3FFF;
      FUZZ_CHECK(image[i] == fileByte(512 + (i & ~0x3FFFu) + ((j & 1) ? 8192 + j / 2 : j / 2)));
    }
    for (u32 i = n - 512; i < n; i++) FUZZ_CHECK(image[i] == fileByte(i));
  }
  for (u32 i = n; i < n + 4; i++) FUZZ_CHECK(image[i] == 0);
  std::free(image);
}
