// Headless runner: runs a cartridge for a number of frames without a window
// and writes the last frame and the sound; in benchmark mode it times a busy
// cartridge with every line rendered. Without a cartridge the benchmark
// times both of ours, the first one and the busier game-like one, one after
// the other, each result prefixed by the cartridge's file name.
//
//   morvalith-run CARTRIDGE [--frames N] [--image FILE.png|FILE.ppm]
//                 [--wav FILE] [--pad1 HEX] [--pad2 HEX]
//   morvalith-run --bench [CARTRIDGE] [--frames N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/machine.h"
#include "tools/headless.h"

namespace {

constexpr double kRealTimeFps = 60.0;
// What --bench without a cartridge times: the first benchmark, kept so that
// figures stay comparable, and the busier one shaped like a game's frame.
constexpr const char* kBenchCartridges[] = {"bench.bin", "busy.bin"};

struct Options {
  std::string cartridge;
  std::string image;
  std::string wav;
  long frames = -1;
  u32 pad1 = 0;
  u32 pad2 = 0;
  bool bench = false;
};

int Usage() {
  std::fprintf(
      stderr,
      "usage: morvalith-run CARTRIDGE [--frames N] [--image FILE.png|FILE.ppm] [--wav FILE]\n"
      "                     [--pad1 HEX] [--pad2 HEX]\n"
      "       morvalith-run --bench [CARTRIDGE] [--frames N]\n");
  return 2;
}

bool ParseNumber(const char* text, int base, long max, long* out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, base);
  if (end == text || *end != '\0' || value < 0 || value > max) return false;
  *out = value;
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long value = 0;
    if (arg == "--bench") {
      options->bench = true;
    } else if (arg == "--frames" && hasValue) {
      if (!ParseNumber(argv[++i], 10, 100000000, &options->frames)) return false;
    } else if (arg == "--image" && hasValue) {
      options->image = argv[++i];
    } else if (arg == "--wav" && hasValue) {
      options->wav = argv[++i];
    } else if ((arg == "--pad1" || arg == "--pad2") && hasValue) {
      if (!ParseNumber(argv[++i], 16, 0xFF, &value)) return false;
      (arg == "--pad1" ? options->pad1 : options->pad2) = static_cast<u32>(value);
    } else if (!arg.empty() && arg[0] != '-' && options->cartridge.empty()) {
      options->cartridge = arg;
    } else {
      return false;
    }
  }
  return !options->cartridge.empty() || options->bench;
}

bool EndsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Times one cartridge; prefix goes before each line of the result.
int Bench(const Options& options, const char* prefix) {
  const long frames = options.frames < 0 ? 6000 : options.frames;
  std::vector<i16> sound(2 * kHeadlessSamplesPerFrame);
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < frames; ++i) HeadlessRunFrame(0, 0, sound.data(), true);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double seconds = elapsed.count();
  const double fps = seconds > 0 ? static_cast<double>(frames) / seconds : 0.0;
  std::printf("%s%ld frames in %.3f s: %.0f frames/s, %.1f times real time (%.0f frames/s)\n",
              prefix, frames, seconds, fps, fps / kRealTimeFps, kRealTimeFps);
  std::printf("%slast frame hash %016llx\n", prefix,
              static_cast<unsigned long long>(HeadlessFrameHash(g_headlessFrame)));
  return 0;
}

int Run(const Options& options) {
  const long frames = options.frames < 0 ? 60 : options.frames;
  std::vector<i16> sound(2 * kHeadlessSamplesPerFrame);
  std::vector<i16> audio;
  for (long i = 0; i < frames; ++i) {
    HeadlessRunFrame(options.pad1, options.pad2, sound.data(), true);
    if (!options.wav.empty()) audio.insert(audio.end(), sound.begin(), sound.end());
  }
  std::printf("%ld frames, last frame hash %016llx\n", frames,
              static_cast<unsigned long long>(HeadlessFrameHash(g_headlessFrame)));
  int status = 0;
  if (!options.image.empty()) {
    const bool ok = EndsWith(options.image, ".ppm")
                        ? HeadlessWritePpm(options.image.c_str(), g_headlessFrame)
                        : HeadlessWritePng(options.image.c_str(), g_headlessFrame);
    if (!ok) {
      std::fprintf(stderr, "cannot write %s\n", options.image.c_str());
      status = 1;
    }
  }
  if (!options.wav.empty() &&
      !HeadlessWriteWav(options.wav.c_str(), audio.data(), audio.size() / 2, kHeadlessSampleRate)) {
    std::fprintf(stderr, "cannot write %s\n", options.wav.c_str());
    status = 1;
  }
  return status;
}

// Loads the cartridge at path and benchmarks or runs it.
int LoadAndRun(const Options& options, const std::string& path, const char* prefix) {
  if (HeadlessLoad(path.c_str()) != 0) {
    std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), HeadlessLoadError());
    return 1;
  }
  const int status = options.bench ? Bench(options, prefix) : Run(options);
  HeadlessUnload();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return Usage();
  int status = 0;
  if (!options.cartridge.empty()) {
    status = LoadAndRun(options, options.cartridge, "");
  } else {
    for (const char* name : kBenchCartridges) {
      const std::string prefix = std::string(name) + ": ";
      status |= LoadAndRun(options, MORVALITH_TESTROM_DIR "/" + std::string(name), prefix.c_str());
    }
  }
  CoreShutdown();
  return status;
}
