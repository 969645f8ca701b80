// Drawing benchmark: times the frontend's frame drawing through the software
// device, with no window, for the game view, the dimmed menu over a game and
// the light-gun calibration screen, and the emulated frame with the line
// callback for comparison. The hash of each view's last image lets two
// builds be checked for the same pixels.
//
//   morvalith-videobench [CARTRIDGE] [--frames N]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/app.h"
#include "frontend/emu.h"
#include "frontend/input.h"
#include "frontend/romlist.h"
#include "frontend/text.h"
#include "frontend/video.h"
#include "romload/romload.h"

namespace {

template <typename F>
double MsPerFrame(long frames, F&& frame) {
  frame();  // warm up: first-use glyph rendering, the tint table
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < frames; i++) frame();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / double(frames);
}

u32 BackBufferHash() {
  return u32(crc32(0, reinterpret_cast<const Bytef*>(g_backBuffer),
                   uInt(size_t(g_backBufferPitch) * size_t(g_backBufferHeight) * 4)));
}

void DrawView(u32 state) {
  g_appState = state;
  VideoClear(0);
  AppDraw();
}

}  // namespace

int main(int argc, char** argv) {
  std::string cartridge = std::string(MORVALITH_TESTROM_DIR) + "/demo.bin";
  long frames = 600;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = std::strtol(argv[++i], nullptr, 10);
    } else if (argv[i][0] != '-') {
      cartridge = argv[i];
    } else {
      std::fprintf(stderr, "usage: morvalith-videobench [CARTRIDGE] [--frames N]\n");
      return 2;
    }
  }
  if (frames <= 0 || cartridge.size() >= sizeof g_romPath) return 2;
  if (VideoInit() != 0) {
    std::fprintf(stderr, "no video device\n");
    return 1;
  }
  if (g_font == nullptr) std::fprintf(stderr, "no font: the views are drawn without text\n");
  InputInit();
  g_samplesPerFrame = 735;
  if (EmuInit() != 0) return 1;
  std::strcpy(g_romPath, cartridge.c_str());
  if (RomLoad() != 0) {
    std::fprintf(stderr, "cannot load %s: %s\n", cartridge.c_str(), RomLoadError());
    return 1;
  }
  g_romList.Init();
  for (const char* name : {"demo.bin", "another game.bin", "third.smd", "packed.zip"}) {
    g_romList.Add(name);
  }
  g_appState = APP_STATE_RUNNING;
  for (int i = 0; i < 120; i++) EmuRunFrame();  // a picture worth drawing

  struct View {
    const char* name;
    u32 state;
  };
  const View views[] = {{"game view", APP_STATE_RUNNING},
                        {"menu over the game", APP_STATE_MENU},
                        {"calibration screen", APP_STATE_LIGHT_CAL}};
  std::printf("%ld frames each, back buffer %dx%d\n", frames, g_backBufferWidth,
              g_backBufferHeight);
  for (const View& v : views) {
    const double ms = MsPerFrame(frames, [&] { DrawView(v.state); });
    std::printf("%-36s %8.4f ms/frame  image crc %08x\n", v.name, ms, BackBufferHash());
  }
  g_appState = APP_STATE_RUNNING;
  const double emu = MsPerFrame(frames, [] { EmuRunFrame(); });
  u32 crc = u32(crc32(0, reinterpret_cast<const Bytef*>(g_frameBuffer),
                      uInt(size_t(g_frameWidth) * size_t(g_frameHeight) * 2)));
  std::printf("%-36s %8.4f ms/frame  frame crc %08x\n", "emulated frame with line callback", emu,
              crc);
  g_romList.Free();
  EmuShutdown();
  InputShutdown();
  VideoShutdown();
  return 0;
}
