// The ROM list and the menu over odd folder entries, with the stand-in
// host: names with control characters, invalid UTF-8 and up to 255 bytes,
// matching each pattern in any letter case or none; regular files (whose
// bytes are small cartridges), folders, FIFOs, links to files and folders,
// and dangling links. The list holds exactly the matching entries, keys
// move, select, load, run and leave again without waiting, a cartridge is inserted only from a
// regular file, and no descriptor is left open.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/machine.h"
#include "frontend/app.h"
#include "frontend/input.h"
#include "frontend/romlist.h"
#include "fuzz/fuzz_target.h"
#include "romload/romload.h"
#include "support/fake_platform.h"

namespace {

namespace fs = std::filesystem;

const char* const kExtensions[] = {".bin", ".smd", ".zip", ".BIN",    ".sMd",
                                   ".Zip", "",     ".bi",  ".zip.txt"};
constexpr u32 kMaxFrames = 24;

enum Kind : u8 { kFile, kFolder, kFifo, kFileLink, kFolderLink, kDangling, kKinds };

bool Matches(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".bin" || tail == ".smd" || tail == ".zip";
}

// Makes one entry; false when the name is taken or cannot be made.
bool MakeEntry(const fs::path& folder, const std::string& name, Kind kind, const u8* bytes,
               std::size_t length) {
  const fs::path path = folder / name;
  std::error_code ec;
  if (fs::symlink_status(path, ec).type() != fs::file_type::not_found) return false;
  switch (kind) {
    case kFile:
      FuzzWriteFile(path.string(), bytes, length);
      return true;
    case kFolder:
      return fs::create_directory(path, ec);
    case kFifo:
      return mkfifo(path.c_str(), 0600) == 0;
    case kFileLink:
      FuzzWriteFile(FuzzScratchFolder() + "/target.bin", bytes, length);
      return symlink((FuzzScratchFolder() + "/target.bin").c_str(), path.c_str()) == 0;
    case kFolderLink:
      return symlink(FuzzScratchFolder().c_str(), path.c_str()) == 0;
    default:
      return symlink((FuzzScratchFolder() + "/nowhere").c_str(), path.c_str()) == 0;
  }
}

void HoldKeys(u8 bits) {
  static const PlatformKey kKeys[] = {kKeyUp, kKeyDown, kKeyEnter, kKeyEscape,
                                      kKeyZ,  kKeyX,    kKeyLeft,  kKeyC};
  for (u32 k = 0; k < kKeyCount; k++) g_fake.keyDown[k].store(false);
  for (u32 i = 0; i < 8; i++) {
    if (bits & (1u << i)) g_fake.keyDown[kKeys[i]].store(true);
  }
}

// The store's invariants: names end to end, the rest zero, and a cursor
// that a move has clamped (or that still stands at the top).
void CheckList() {
  const RomList& list = g_romList;
  FUZZ_CHECK(0 <= list.used && list.used <= list.capacity && list.capacity % 256 == 0);
  for (i32 i = list.used; i < list.capacity; i++) FUZZ_CHECK(list.names[i] == 0);
  i32 names = 0;
  for (i32 at = 0; at < list.used; at += i32(std::strlen(list.names + at)) + 1) {
    FUZZ_CHECK(list.FindOffset(names) == at);
    names++;
  }
  FUZZ_CHECK(names == list.count && list.FindOffset(names) == -1);
  FUZZ_CHECK(
      list.cursor == 0 ||
      (list.count == 0 ? list.cursor == -1 : list.cursor >= 0 && list.cursor < list.count * 256));
  char path[260];
  const i32 index = list.cursor >> 8;
  if (index < 0 || index >= list.count) {
    FUZZ_CHECK(list.GetSelectedPath(path) == 1);
    return;
  }
  // Exactly the selected file, or no path at all when it would not fit.
  const std::string expected = std::string(list.folder) + "/" + list.SelectedName();
  std::strcpy(path, "untouched");
  if (expected.size() >= sizeof path) {
    FUZZ_CHECK(list.GetSelectedPath(path) == 1 && std::strcmp(path, "untouched") == 0);
  } else {
    FUZZ_CHECK(list.GetSelectedPath(path) == 0 && expected == path);
  }
}

void Start() {
  FakePlatformReset();
  g_screenHeight = 480;
  MainWindowCreate();
  FUZZ_CHECK(AppInit() == 0);
}

}  // namespace

MORVALITH_FUZZ_TARGET(romlist) {
  static const bool started = (Start(), true);
  (void)started;
  const fs::path folder = fs::path(FuzzScratchFolder()) / "roms";
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::create_directory(folder);

  const int descriptors = FuzzOpenDescriptors();
  FuzzReader in(data, size);
  const u32 entries = in.Byte() % 9;
  i32 matching = 0;
  for (u32 e = 0; e < entries && !in.empty(); e++) {
    const u8 kindAndExtension = in.Byte();
    const Kind kind = Kind((kindAndExtension & 7) % kKinds);
    std::string name;
    // A length byte of 255 makes a name of the longest length a file can have.
    const std::string extension = kExtensions[(kindAndExtension >> 3) % 9];
    std::size_t length = 0;
    const u8* bytes = in.Take(in.Byte(), &length);
    for (std::size_t i = 0; i < length && name.size() + extension.size() < 255; i++) {
      const u8 c = bytes[i];
      name.push_back(c == 0 || c == '/' ? char(0x01 + (c & 0x1F)) : char(c));
    }
    if (length == 255) name.resize(255 - extension.size(), 'n');
    name += extension;
    if (name == "." || name == ".." || name.empty()) continue;
    std::size_t contentLength = 0;
    const u8* content = in.Take(in.Byte() * 8u, &contentLength);
    if (MakeEntry(folder, name, kind, content, contentLength) && Matches(name)) matching++;
  }

  // Back to the menu with nothing loaded and the cursor at the top, then
  // the rescan.
  RomUnload();
  std::snprintf(g_romList.folder, sizeof g_romList.folder, "%s", folder.c_str());
  g_romList.cursor = 0;
  g_appState = APP_STATE_SCAN;
  HoldKeys(0);
  AppStep();
  FUZZ_CHECK(g_appState == APP_STATE_MENU);
  FUZZ_CHECK(g_romList.count == matching);
  CheckList();

  // The frames step the state machine and draw the menu's text, but leave
  // out the screen quad, which costs nearly all of a frame here and does
  // not depend on the folder.
  for (u32 frame = 0; frame < kMaxFrames && !in.empty(); frame++) {
    HoldKeys(in.Byte());
    InputUpdate();
    AppStep();
    if (g_appState == APP_STATE_MENU) MenuDraw();
    CheckList();
    FUZZ_CHECK(g_appState == APP_STATE_MENU || g_appState == APP_STATE_SCAN ||
               g_appState == APP_STATE_RUNNING);
    if (g_machine.rom != nullptr) {
      // Only a regular file (or a link to one) gives a cartridge.
      struct stat info {};
      FUZZ_CHECK(stat(g_romPath, &info) == 0 && S_ISREG(info.st_mode));
      FUZZ_CHECK(g_romData != nullptr);
    }
    // A load that failed stays in the menu and says why.
    if (g_appState == APP_STATE_MENU && g_menuMessage[0] != 0) {
      FUZZ_CHECK(g_machine.rom == nullptr && g_romData == nullptr);
    }
  }
  RomUnload();
  FUZZ_CHECK(FuzzOpenDescriptors() == descriptors);
}
