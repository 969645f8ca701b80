// ROM loading from file bytes: the first byte picks the file's name (and so
// raw, interleaved or zip handling, in either letter case) and, with its top
// bit, a core that cannot allocate its copy; the rest is the file. The
// loader must agree with the core, keep its buffer as long as it says,
// convert raw files exactly, fail whole, and close what it opened.
#include <cstring>

#include "core/cart.h"
#include "core/machine.h"
#include "fuzz/fuzz_target.h"
#include "romload/romload.h"

namespace {

constexpr u32 kBlock = 16384;

void* NoMemory(void*, std::size_t) { return nullptr; }

const char* const kNames[] = {"x.bin", "x.smd", "x.zip",     "X.BIN", "X.SMD",
                              "X.ZIP", "x.Zip", "a.zip.bin", "noext"};

}  // namespace

MORVALITH_FUZZ_TARGET(romload) {
  static const bool poweredOn = CoreInit() == 0;
  (void)poweredOn;
  FuzzReader in(data, size);
  const u8 selector = in.Byte();
  const char* name = kNames[(selector & 0x7F) % (sizeof kNames / sizeof *kNames)];
  const bool coreFails = (selector & 0x80) != 0;
  std::size_t length = 0;
  const u8* file = in.Take(in.left(), &length);
  const std::string path = FuzzScratchFolder() + "/" + name;
  FuzzWriteFile(path, file, length);

  const int descriptors = FuzzOpenDescriptors();
  RomUnload();
  std::snprintf(g_romPath, sizeof g_romPath, "%s", path.c_str());
  if (coreFails) CoreSetImageAllocatorForTest(NoMemory);
  const u32 result = RomLoad();
  CoreSetImageAllocatorForTest(nullptr);
  FUZZ_CHECK(FuzzOpenDescriptors() == descriptors);

  const std::size_t nameLength = std::strlen(name);
  const bool zip = nameLength >= 4 && (std::strcmp(name + nameLength - 4, ".zip") == 0 ||
                                       std::strcmp(name + nameLength - 4, ".ZIP") == 0 ||
                                       std::strcmp(name + nameLength - 4, ".Zip") == 0);
  if (result != 0) {
    // Every raw file here is a small regular one: it is refused only when it
    // gives no image (empty, or a lone 512-byte header) or the core could not
    // keep it. An archive may also be no archive, or declare too much.
    FUZZ_CHECK(zip || coreFails || length == 0 || length == 512);
    FUZZ_CHECK(RomLoadError()[0] != '\0');
    FUZZ_CHECK(g_romData == nullptr && g_romSize == 0);
    FUZZ_CHECK(g_machine.rom == nullptr && g_machine.romSize == 0);
  } else {
    FUZZ_CHECK(!coreFails);
    FUZZ_CHECK(RomLoadError()[0] == '\0');
    FUZZ_CHECK(g_romSize > 0 && g_romSize <= kCartMaxFileSize);
    FUZZ_CHECK(g_machine.romSize == g_romSize);
    FUZZ_CHECK(g_romData != nullptr && g_machine.rom != nullptr);
    FUZZ_CHECK(std::memcmp(g_machine.rom, g_romData, g_romSize) == 0);
    // The buffer is a whole number of blocks: its last byte is there.
    const u32 rounded = (g_romSize + kBlock - 1) & ~(kBlock - 1);
    volatile u8 last = g_romData[rounded - 1];
    (void)last;
    if (!zip) {
      // A raw file: interleaved when its size is 512 modulo 16 KB, else
      // every whole word swapped into host order and the odd byte kept.
      const bool interleaved = (length & (kBlock - 1)) == 512;
      FUZZ_CHECK(g_romSize == (interleaved ? length - 512 : length));
      if (!interleaved) {
        for (std::size_t a = 0; a + 1 < length; a++) {
          FUZZ_CHECK(g_romData[a ^ 1] == file[a]);
        }
        if (length & 1) FUZZ_CHECK(g_romData[length - 1] == file[length - 1]);
      }
    }
  }
  RomUnload();
  FUZZ_CHECK(g_romData == nullptr && g_machine.rom == nullptr);
}
