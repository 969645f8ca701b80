#include "frontend/app.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/lightcal.h"
#include "frontend/romlist.h"
#include "frontend/sound.h"
#include "frontend/text.h"
#include "frontend/video.h"
#include "romload/romload.h"

u32 g_appState = APP_STATE_START;
std::atomic<u8> g_quit{0};
PlatformWindow* g_hWnd = nullptr;
const i32 g_screenWidth = 720;
i32 g_screenHeight = 480;
const char g_productName[] = "Morvalith";
const u32 g_version = 0x22;
u32 g_samplesPerFrame = 0;

char16_t g_menuMessage[160];

static FILE* g_logFile = nullptr;

namespace {

// Key roles in g_input.
constexpr int kUp = 0, kDown = 1, kStart = 4, kBack = 7, kB = 8, kA = 10;

bool Pressed(int i) { return g_input.hold[i] == 1; }
bool Triggered(int i) { return g_input.trigger[i] != 0; }

// Where the menu's message line stands: under the title, on a band of its own
// so that list lines behind it do not mix with it.
constexpr i32 kMessageX = 64, kMessageY = 80, kMessageBandTop = 76, kMessageBandHeight = 32;

// Fills g_menuMessage with "Cannot load NAME: REASON", the name shortened
// with an ellipsis where the whole line would not fit on the screen.
void MenuSetLoadFailure(const char* name, const char* reason) {
  char16_t wideName[260], wideReason[120];
  TextWiden(wideName, std::size(wideName), name, 259);
  TextWiden(wideReason, std::size(wideReason), reason, 119);
  const std::u16string whole = wideName;
  const i32 room = g_screenWidth - kMessageX - 16;
  for (size_t keep = whole.size();; keep--) {
    // Never between the halves of a surrogate pair.
    if (keep > 0 && whole[keep - 1] >= 0xD800 && whole[keep - 1] < 0xDC00) continue;
    std::u16string line = u"Cannot load " + whole.substr(0, keep);
    if (keep < whole.size()) line += u'\u2026';
    line += u": ";
    line += wideReason;
    line.resize(std::min(line.size(), std::size(g_menuMessage) - 1));
    std::copy(line.begin(), line.end(), g_menuMessage);
    g_menuMessage[line.size()] = 0;
    if (keep == 0 || TextWidth(g_menuMessage) <= room) return;
  }
}

// Loads the selected entry. A failure keeps the menu: the reason goes under
// the title and, naming the file, on standard error, and the picture of the
// game unloaded just before goes too, so nothing looks like a game running.
u32 MenuLoadSelected() {
  const char* name = g_romList.SelectedName();
  if (name == nullptr) {
    EmuClearPicture();
    char why[300], line[320];
    std::snprintf(why, sizeof why, "%s holds no .bin, .smd or .zip file", g_romList.folder);
    std::fprintf(stderr, "%s: nothing to load: %s\n", g_productName, why);
    std::snprintf(line, sizeof line, "Nothing to load: %s", why);
    TextWiden(g_menuMessage, std::size(g_menuMessage), line, std::size(g_menuMessage) - 1);
    return 1;
  }
  const char* reason = nullptr;
  if (g_romList.GetSelectedPath(g_romPath) != 0) {
    reason = "the name is too long for a path";
  } else if (RomLoad() != 0) {
    reason = RomLoadError();
  } else {
    return 0;
  }
  EmuClearPicture();
  std::fprintf(stderr, "%s: cannot load %s/%s: %s\n", g_productName, g_romList.folder, name,
               reason);
  MenuSetLoadFailure(name, reason);
  return 1;
}

}  // namespace

int WinMain() {
  MainWindowCreate();
  if (g_hWnd == nullptr) {
    // Nothing could be shown and nothing could ask the program to end, so it
    // says why and ends before anything else is set up.
    std::fprintf(stderr, "%s: cannot open a window: %s\n", g_productName, PlatformWindowError());
    return 1;
  }
  if (AppInit() != 0) {
    AppShutdown();
    PlatformWindowDestroy(g_hWnd);
    return 1;
  }
  g_quit.store(0);
  PlatformThread* thread = PlatformThreadStart(EmuThreadProc);
  if (thread == nullptr) {
    AppShutdown();
    PlatformWindowDestroy(g_hWnd);
    return 1;
  }
  PlatformMessageLoop();
  g_quit.store(1);
  if (!PlatformThreadWait(thread, 1000)) {
    // The thread still runs (a stalled scan, load or device): nothing it may
    // still touch can be released, so the process ends here.
    std::_Exit(1);
  }
  AppShutdown();
  PlatformWindowDestroy(g_hWnd);
  return 0;
}

u32 MainWindowCreate() {
  g_hWnd = PlatformWindowCreate(g_productName, g_screenWidth, g_screenHeight, MainWindowProc);
  return 0;
}

void MainWindowProc(PlatformWindow*, PlatformMessage message) {
  switch (message) {
    case kPlatformMsgClose:
      // Only the quit request: the window stays until everything is shut down.
      PlatformPostQuit();
      break;
    case kPlatformMsgDestroy:
      g_hWnd = nullptr;
      break;
  }
}

void EmuThreadProc() { AppRun(); }

u32 AppInit() {
  if (VideoInit() != 0) return 1;
  InputInit();
  g_samplesPerFrame = g_screenHeight == 576 ? 882 : 735;
  // Without a sound buffer nothing would pace the frames; the buffer falls
  // back to the clock when no device opens, so this fails only for memory.
  if (SoundInit() != 0) return 1;
  if (EmuInit() != 0) return 1;
  g_romList.Init();
  return 0;
}

void AppShutdown() {
  g_romList.Free();
  EmuShutdown();
  SoundShutdown();
  g_samplesPerFrame = 0;
  InputShutdown();
  VideoShutdown();
  if (g_logFile != nullptr) {
    std::fclose(g_logFile);
    g_logFile = nullptr;
  }
}

u32 AppRun() {
  while (g_quit.load() == 0) AppRunFrame();
  return 0;
}

u32 AppRunFrame() {
  InputUpdate();
  VideoClear(0);
  AppStep();
  AppDraw();
  VideoPresent();
  FrameWait();
  return 0;
}

u32 AppStep() {
  if (g_appState == APP_STATE_RUNNING) {
    EmuStep();
    return 0;
  }
  if (g_soundStaging != nullptr) std::memset(g_soundStaging, 0, size_t(g_samplesPerFrame) * 4);
  switch (g_appState) {
    case APP_STATE_SCAN:
      g_romList.Scan();
      g_appState = APP_STATE_MENU;
      break;
    case APP_STATE_MENU:
      MenuStep();
      break;
    case APP_STATE_LIGHT_CAL:
      LightCalStep();
      break;
    default:
      g_appState = APP_STATE_SCAN;
      break;
  }
  return 0;
}

u32 EmuStep() {
  EmuRunFrame();
  // The game stays loaded: Esc in the menu resumes it where it stopped.
  if (Pressed(kBack)) g_appState = APP_STATE_SCAN;
  return 0;
}

u32 MenuStep() {
  i32 delta = 0;
  if (Triggered(kUp)) delta -= 256;
  if (Triggered(kDown)) delta += 256;
  if (delta != 0) g_romList.Move(delta);
  if (Pressed(kB) || Pressed(kA) || Pressed(kStart)) {
    RomUnload();
    if (MenuLoadSelected() == 0) g_appState = APP_STATE_RUNNING;
  }
  // Resumes the game, or runs with no cartridge when none is loaded.
  if (Pressed(kBack)) g_appState = APP_STATE_RUNNING;
  if (g_appState == APP_STATE_RUNNING) g_menuMessage[0] = 0;
  return 0;
}

u32 AppDraw() {
  VideoDrawFrame();
  if (g_appState == APP_STATE_MENU) MenuDraw();
  if (g_appState == APP_STATE_LIGHT_CAL) LightCalDraw();
  return 0;
}

u32 MenuDraw() {
  char narrow[80];
  std::snprintf(narrow, sizeof narrow, "%.40s v%x.%.3x", g_productName,
                static_cast<u32>(static_cast<i32>(g_version) >> 12), g_version & 0xFFF);
  char16_t title[80] = {};
  TextWiden(title, 80, narrow, 80);
  TextSetColor(0x60C0FF);
  TextDraw(title, 64, 48);
  g_romList.Draw();
  if (g_menuMessage[0] != 0) {
    VideoFillRect(0, kMessageBandTop, g_screenWidth, kMessageBandHeight, 0x501010);
    TextSetColor(0xFFD040);
    TextDraw(g_menuMessage, kMessageX, kMessageY);
  }
  return 0;
}

u32 LogPrintf(const char* format, ...) {
  if (g_logFile == nullptr) g_logFile = std::fopen("zout.txt", "w");
  if (g_logFile == nullptr) return 1;
  va_list args;
  va_start(args, format);
  std::vfprintf(g_logFile, format, args);
  va_end(args);
  std::fflush(g_logFile);
  return 0;
}
