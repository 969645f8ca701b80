// The application state machine and the process run, over the fake host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "core/machine.h"
#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/romlist.h"
#include "frontend/sound.h"
#include "frontend/video.h"
#include "romload/romload.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

namespace fs = std::filesystem;

// Counts up the word at 0xFF0000 without end: addq.w #1,($FF0000).l; bra.s back.
const std::initializer_list<u16> kCounterCode = {0x5279, 0x00FF, 0x0000, 0x60F8};

u16 RamWord0() {
  u16 w;
  std::memcpy(&w, g_machine.ram, 2);
  return w;
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    g_screenHeight = 480;
    g_appState = APP_STATE_START;
    std::filesystem::create_directory(folder_.path() / "roms");
  }
  void TearDown() override {
    if (started_) {
      AppShutdown();
      PlatformWindowDestroy(g_hWnd);
    }
  }
  void Start() {
    MainWindowCreate();
    ASSERT_EQ(AppInit(), 0u);
    started_ = true;
  }
  void Frame(std::initializer_list<PlatformKey> keys = {}) {
    HoldKeys(keys);
    AppRunFrame();
  }
  // The menu title's first glyph box (fake font) sits at x 65, y 50.
  bool TitleDrawn() { return BackPixel(65, 50) == 0x60C0FF; }
  // The message line's first glyph box sits at x 65, y 82, on its band.
  bool MessageDrawn() { return BackPixel(65, 84) == 0xFFD040 && BackPixel(5, 84) == 0x501010; }
  // The message with every character beyond ASCII as '~'.
  static std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; text++) out += *text < 0x80 ? char(*text) : '~';
    return out;
  }

  ScratchFolder folder_;
  bool started_ = false;
};

TEST_F(AppTest, FirstFramesScanThenMenuThenKeys) {
  folder_.WriteFile("roms/game.bin", TinyCartridge(kCounterCode));
  Start();
  Frame({kKeyEnter});  // start -> scan; nothing over the picture
  EXPECT_EQ(g_appState, u32(APP_STATE_SCAN));
  EXPECT_FALSE(TitleDrawn());
  Frame({kKeyEnter});  // scan -> menu, drawn; the held key is not a new press
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_romList.count, 1);
  EXPECT_TRUE(TitleDrawn());
  Frame();
  Frame({kKeyEnter});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_STREQ(g_romPath, "./roms/game.bin");
  EXPECT_NE(g_romData, nullptr);
  EXPECT_EQ(g_fake.presents.load(), 4u);
}

TEST_F(AppTest, EscHeldLeavesTheGameOnceAndResumesOnlyOnANewPress) {
  folder_.WriteFile("roms/game.bin", TinyCartridge(kCounterCode));
  Start();
  Frame();
  Frame();
  Frame({kKeyZ});
  ASSERT_EQ(g_appState, u32(APP_STATE_RUNNING));
  const u8* image = g_romData;
  Frame();
  const u16 counted = RamWord0();
  EXPECT_GT(counted, 0);
  Frame({kKeyEscape});  // this frame still runs the game, shown dimmed
  EXPECT_EQ(g_appState, u32(APP_STATE_SCAN));
  const u16 atEsc = RamWord0();
  EXPECT_NE(atEsc, counted);
  EXPECT_EQ(BackPixel(360, 240), 0u);  // dimmed black picture
  for (int i = 0; i < 5; i++) Frame({kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(RamWord0(), atEsc);  // the machine is untouched in the menu
  Frame();
  Frame({kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(g_romData, image);  // resumed, not reloaded
  Frame();
  EXPECT_NE(RamWord0(), atEsc);
}

// A load that fails keeps the menu and says why, on screen and on standard
// error; Esc still runs with no cartridge, and a new scan follows as usual.
TEST_F(AppTest, EnterWithAnEmptyFolderStaysInTheMenuAndSaysSo) {
  Start();
  Frame();
  Frame();
  testing::internal::CaptureStderr();
  Frame({kKeyEnter});
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Morvalith: nothing to load: ./roms holds no .bin, .smd or .zip file\n");
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(std::u16string(g_menuMessage),
            u"Nothing to load: ./roms holds no .bin, .smd or .zip file");
  EXPECT_TRUE(MessageDrawn());
  EXPECT_EQ(g_romData, nullptr);
  Frame();
  Frame({kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(g_menuMessage[0], 0);
  Frame();
  Frame({kKeyEscape});
  Frame();
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_FALSE(MessageDrawn());
}

TEST_F(AppTest, EntriesThatCannotBeLoadedKeepTheMenuAndSayWhy) {
  // Listed like files, refused by the loader at once: nothing may block.
  const fs::path roms = folder_.path() / "roms";
  ASSERT_EQ(mkfifo((roms / "pipe.bin").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((roms / "pipe.zip").c_str(), 0600), 0);
  fs::create_directory(roms / "folder.bin");
  fs::create_symlink(roms / "gone.bin", roms / "dangling.bin");
  folder_.WriteFile("roms/empty.bin", {});
  folder_.WriteFile("roms/header.smd", std::vector<u8>(512, 7));
  folder_.WriteFile("roms/fake.zip", TinyCartridge(kCounterCode));
  folder_.WriteFile("roms/game.smd", TinyCartridge(kCounterCode));
  const std::map<std::string, std::string> reasons = {
      {"pipe.bin", "not a regular file"},
      {"pipe.zip", "not a regular file"},
      {"folder.bin", "not a regular file"},
      {"dangling.bin", "no such file or directory"},
      {"empty.bin", "empty"},
      {"header.smd", "a 512-byte header with no image"},
      {"fake.zip", "not a zip archive"},
  };
  Start();
  Frame();
  Frame();
  ASSERT_EQ(g_romList.count, 8);
  for (i32 entry = 0; entry < g_romList.count; entry++) {
    g_romList.cursor = entry * 256;
    const std::string name = g_romList.SelectedName();
    SCOPED_TRACE(name);
    const u32 presents = g_fake.presents.load();
    testing::internal::CaptureStderr();
    Frame({kKeyEnter});
    const std::string said = testing::internal::GetCapturedStderr();
    if (name == "game.smd") {
      EXPECT_EQ(said, "");
      EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
      EXPECT_NE(g_machine.rom, nullptr);
      Frame();
    } else {
      const std::string& reason = reasons.at(name);
      EXPECT_EQ(said, "Morvalith: cannot load ./roms/" + name + ": " + reason + "\n");
      EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
      EXPECT_EQ(g_romData, nullptr);
      EXPECT_EQ(g_machine.rom, nullptr);
      EXPECT_EQ(Narrow(g_menuMessage), "Cannot load " + name + ": " + reason);
      EXPECT_TRUE(MessageDrawn());
      Frame();
      EXPECT_TRUE(MessageDrawn()) << "the line stays while the menu does";
      Frame({kKeyEscape});  // runs with no cartridge; the line goes
      EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
      EXPECT_FALSE(MessageDrawn());
      Frame();
    }
    Frame({kKeyEscape});
    Frame();
    EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
    EXPECT_EQ(g_menuMessage[0], 0);
    EXPECT_EQ(g_fake.presents.load(), presents + (name == "game.smd" ? 4 : 6))
        << "every frame is shown";
  }
}

// The picture behind the menu belongs to the game unloaded for the new
// choice: when that choice fails, it goes, so that neither the dimmed menu
// nor Esc shows a game that is no longer there.
TEST_F(AppTest, AFailedLoadLeavesNoPictureOfTheGameBefore) {
  folder_.WriteFile("roms/a-game.bin", TinyCartridge(kCounterCode));
  folder_.WriteFile("roms/b-empty.bin", {});
  Start();
  Frame();
  Frame();
  Frame({kKeyEnter});
  ASSERT_EQ(g_appState, u32(APP_STATE_RUNNING));
  Frame({kKeyEscape});
  Frame();
  ASSERT_EQ(g_appState, u32(APP_STATE_MENU));
  std::fill(g_frameBuffer, g_frameBuffer + FRAME_WIDTH * FRAME_HEIGHT, u16(0xFFFF));
  Frame({kKeyDown});
  EXPECT_NE(BackPixel(360, 240), 0u) << "the last picture, dimmed";
  testing::internal::CaptureStderr();
  Frame({kKeyEnter});
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_machine.rom, nullptr);
  EXPECT_EQ(BackPixel(360, 240), 0u);
  Frame({kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(BackPixel(360, 240), 0u);
}

// The file loaded is the one chosen, whatever the length of its name; a name
// that cannot make a path is refused like any other failed load.
TEST_F(AppTest, LongNamesLoadExactlyTheChosenFile) {
  const std::string longName = std::string(200, 'n') + ".bin";
  folder_.WriteFile("roms/" + longName, TinyCartridge(kCounterCode));
  // What a path cut after 128 characters of the name would have opened.
  folder_.WriteFile("roms/" + std::string(128, 'n'), std::vector<u8>(4096, 0x4E));
  // "./roms/" and this name need 260 characters and the end mark.
  const std::string tooLong = std::string(249, 't') + ".bin";
  folder_.WriteFile("roms/" + tooLong, TinyCartridge(kCounterCode));
  Start();
  Frame();
  Frame();
  ASSERT_EQ(g_romList.count, 2);
  Frame({kKeyEnter});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(std::string(g_romPath), "./roms/" + longName);
  EXPECT_EQ(g_romSize, 1024u);
  Frame();
  EXPECT_GT(RamWord0(), 0) << "its code runs";

  Frame({kKeyEscape});
  Frame();
  Frame({kKeyDown});
  testing::internal::CaptureStderr();
  Frame({kKeyEnter});
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Morvalith: cannot load ./roms/" + tooLong + ": the name is too long for a path\n");
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_machine.rom, nullptr);
  // The fake font's glyphs advance by 10: the line keeps to the screen by
  // shortening the name.
  const std::string message = Narrow(g_menuMessage);
  EXPECT_EQ(message.substr(0, 15), "Cannot load ttt");
  EXPECT_NE(message.find("~: the name is too long for a path"), std::string::npos) << message;
  EXPECT_LE(i32(std::u16string(g_menuMessage).size()) * 10, 720 - 64 - 16);
}

// Arrows on an empty list leave the cursor outside it; once files are there,
// the next scan selects the first, and Enter starts it.
TEST_F(AppTest, AfterArrowsOnAnEmptyListANewScanSelectsTheFirstEntry) {
  Start();
  Frame();
  Frame();
  Frame({kKeyDown});
  Frame();
  Frame({kKeyUp});
  EXPECT_EQ(g_romList.cursor, -1);
  folder_.WriteFile("roms/game.bin", TinyCartridge(kCounterCode));
  Frame({kKeyEscape});  // no cartridge runs
  Frame();
  Frame({kKeyEscape});  // back: the folder is scanned again
  Frame();
  ASSERT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_romList.cursor, 0);
  Frame({kKeyEnter});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_STREQ(g_romPath, "./roms/game.bin");
  EXPECT_NE(g_machine.rom, nullptr);
}

TEST_F(AppTest, EscInTheMenuBeforeAnyGameRunsWithNoCartridge) {
  Start();
  Frame();
  Frame();
  Frame({kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(g_romData, nullptr);
}

TEST_F(AppTest, EnterAndEscInOneMenuFrameLoadAndRun) {
  folder_.WriteFile("roms/game.bin", TinyCartridge(kCounterCode));
  Start();
  Frame();
  Frame();
  Frame({kKeyEnter, kKeyEscape});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_NE(g_romData, nullptr);
}

TEST_F(AppTest, UpAndDownTogetherDoNotMoveTheCursor) {
  folder_.WriteFile("roms/a.bin", TinyCartridge(kCounterCode));
  folder_.WriteFile("roms/b.smd", TinyCartridge(kCounterCode));
  Start();
  Frame();
  Frame();
  Frame({kKeyDown});
  EXPECT_EQ(g_romList.cursor, 256);
  Frame();
  Frame({kKeyUp, kKeyDown});
  EXPECT_EQ(g_romList.cursor, 256);
}

TEST_F(AppTest, SilenceOutsideTheRunningState) {
  Start();
  Frame();
  for (u32 i = 0; i < g_samplesPerFrame * 2; i++) g_soundStaging[i] = 1234;
  Frame();
  for (u32 i = 0; i < g_samplesPerFrame * 2; i++) ASSERT_EQ(g_soundStaging[i], 0) << i;
}

TEST_F(AppTest, ScreenHeight576GivesFiftyFrames) {
  g_screenHeight = 576;
  Start();
  EXPECT_EQ(g_samplesPerFrame, 882u);
  EXPECT_EQ(g_coreInterface.samplesPerFrame, 882u);
  EXPECT_EQ(g_soundBufferSamples, 3528u);
}

TEST_F(AppTest, ShutdownReleasesEverything) {
  Start();
  Frame();
  AppShutdown();
  started_ = false;
  EXPECT_EQ(g_samplesPerFrame, 0u);
  EXPECT_EQ(g_frameBuffer, nullptr);
  EXPECT_EQ(g_soundStaging, nullptr);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_romList.names, nullptr);
  AppShutdown();  // a second shutdown finds nothing to release
  PlatformWindowDestroy(g_hWnd);
}

TEST_F(AppTest, CloseOnlyPostsTheQuit) {
  MainWindowCreate();
  ASSERT_NE(g_hWnd, nullptr);
  MainWindowProc(g_hWnd, kPlatformMsgClose);
  EXPECT_TRUE(g_fake.quitPosted);
  EXPECT_NE(g_hWnd, nullptr);
  PlatformWindowDestroy(g_hWnd);
  EXPECT_EQ(g_hWnd, nullptr);
}

// Without a window nothing could be seen and nothing could end the program:
// it says so in one line and ends at once, with nothing set up.
TEST_F(AppTest, NoWindowEndsTheRunAtOnce) {
  g_fake.windowFails = true;
  bool looped = false;
  g_fake.messageLoop = [&looped] { looped = true; };
  testing::internal::CaptureStderr();
  EXPECT_EQ(WinMain(), 1);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "Morvalith: cannot open a window: no display (fake)\n");
  EXPECT_FALSE(looped);
  EXPECT_EQ(g_hWnd, nullptr);
  EXPECT_EQ(g_samplesPerFrame, 0u);
  EXPECT_EQ(g_frameBuffer, nullptr);
  EXPECT_EQ(g_soundStaging, nullptr);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_romList.folder[0], '\0');
  EXPECT_EQ(g_appState, u32(APP_STATE_START)) << "no frame ran";
}

TEST_F(AppTest, WholeRunEndsAfterTheWindowCloses) {
  folder_.WriteFile("roms/game.bin", TinyCartridge(kCounterCode));
  g_fake.messageLoop = [] {
    // The emulation thread runs on its own; close once it has shown frames.
    while (g_fake.presents.load() < 10) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    MainWindowProc(g_hWnd, kPlatformMsgClose);
  };
  EXPECT_EQ(WinMain(), 0);
  EXPECT_TRUE(g_fake.quitPosted);
  EXPECT_EQ(g_hWnd, nullptr);
  ASSERT_FALSE(g_fake.messages.empty());
  EXPECT_EQ(g_fake.messages.back(), kPlatformMsgDestroy);
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
  EXPECT_EQ(g_frameBuffer, nullptr);
  EXPECT_EQ(g_romData, nullptr);
}

}  // namespace
