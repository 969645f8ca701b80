// The program's entry, its window, the emulation thread and the application
// state machine (scan the ROM folder, the menu, running a game).
#pragma once

#include <atomic>

#include "core/types.h"
#include "platform/platform.h"

enum AppState : u32 {
  APP_STATE_START = 0,
  APP_STATE_SCAN = 2,
  APP_STATE_MENU = 3,
  APP_STATE_LIGHT_CAL = 4,
  APP_STATE_RUNNING = 8,
};

extern u32 g_appState;
extern std::atomic<u8> g_quit;
extern PlatformWindow* g_hWnd;
extern const i32 g_screenWidth;
extern i32 g_screenHeight;  // 576 selects 50 frames a second
extern const char g_productName[];
extern const u32 g_version;
extern u32 g_samplesPerFrame;
// The menu's message line: why the last chosen file did not load; empty
// when there is nothing to say.
extern char16_t g_menuMessage[160];

// The whole process run; the result is the exit code.
int WinMain();
u32 MainWindowCreate();
void MainWindowProc(PlatformWindow* window, PlatformMessage message);
void EmuThreadProc();
u32 AppInit();
void AppShutdown();
u32 AppRun();
// One pass of the emulation thread's loop: input, clear, step, draw,
// present, wait for the sound card.
u32 AppRunFrame();
u32 AppStep();
u32 EmuStep();
u32 MenuStep();
u32 AppDraw();
u32 MenuDraw();
u32 LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
