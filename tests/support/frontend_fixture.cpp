#include "support/frontend_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "frontend/video.h"

ScratchFolder::ScratchFolder() {
  char tmpl[] = "/tmp/morvalith-test-XXXXXX";
  const char* made = mkdtemp(tmpl);
  if (made == nullptr) std::abort();
  path_ = made;
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

void ScratchFolder::WriteFile(const std::string& relative, const std::vector<u8>& bytes) const {
  const std::filesystem::path p = path_ / relative;
  std::filesystem::create_directories(p.parent_path());
  FILE* f = std::fopen(p.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void HoldKeys(std::initializer_list<PlatformKey> keys) {
  for (u32 k = 0; k < kKeyCount; k++) g_fake.keyDown[k].store(false);
  for (PlatformKey k : keys) g_fake.keyDown[k].store(true);
}

u32 BackPixel(i32 x, i32 y) { return g_backBuffer[y * g_backBufferPitch + x] & 0xFFFFFF; }

std::vector<u8> TinyCartridge(std::initializer_list<u16> code) {
  std::vector<u8> image(1024, 0);
  const u32 vectors[2] = {0x00FFFE00, 0x00000200};
  for (int i = 0; i < 2; i++) {
    for (int b = 0; b < 4; b++) image[i * 4 + b] = u8(vectors[i] >> (24 - 8 * b));
  }
  size_t at = 0x200;
  for (u16 w : code) {
    image[at++] = u8(w >> 8);
    image[at++] = u8(w);
  }
  return image;
}
