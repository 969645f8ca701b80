// The application state machine and the process run, over the fake host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
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

TEST_F(AppTest, EnterWithAnEmptyFolderRunsWithNoCartridge) {
  Start();
  Frame();
  Frame();
  Frame({kKeyEnter});
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  EXPECT_EQ(g_romData, nullptr);
  EXPECT_STREQ(g_romPath, "");
  Frame();
  EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
  Frame({kKeyEscape});
  Frame();
  EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
}

TEST_F(AppTest, EntriesThatCannotBeLoadedRunWithNoCartridgeAndLeadBack) {
  // Listed like files, refused by the loader at once: nothing may block.
  const fs::path roms = folder_.path() / "roms";
  ASSERT_EQ(mkfifo((roms / "pipe.bin").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((roms / "pipe.zip").c_str(), 0600), 0);
  fs::create_directory(roms / "folder.bin");
  fs::create_symlink(roms / "gone.bin", roms / "dangling.bin");
  folder_.WriteFile("roms/game.smd", TinyCartridge(kCounterCode));
  Start();
  Frame();
  Frame();
  ASSERT_EQ(g_romList.count, 5);
  for (i32 entry = 0; entry < g_romList.count; entry++) {
    g_romList.cursor = entry * 256;
    const char* name = g_romList.names + g_romList.FindOffset(entry);
    SCOPED_TRACE(name);
    const bool game = std::strcmp(name, "game.smd") == 0;
    const u32 presents = g_fake.presents.load();
    Frame({kKeyEnter});
    EXPECT_EQ(g_appState, u32(APP_STATE_RUNNING));
    EXPECT_EQ(g_romData != nullptr, game);
    EXPECT_EQ(g_machine.rom != nullptr, game);
    Frame();
    Frame({kKeyEscape});
    Frame();
    EXPECT_EQ(g_appState, u32(APP_STATE_MENU));
    EXPECT_EQ(g_fake.presents.load(), presents + 4) << "every frame is shown";
  }
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
