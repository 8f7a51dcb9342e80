// spinwave-play: plays one audio file through Spinwave's sound library.
//   spinwave-play FILE [--nosound] [--pitch PERCENT] [--output alsa|default|jack]
//                      [--driver N] [--start MS] [--list]
// --pitch 108 plays at 108 % speed (like a deck's pitch slider at +8 %). The elapsed time,
// levels and processor load are printed while it plays; Ctrl+C stops.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "engine/soundlib.h"

namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) { gStop.store(true); }

int Usage() {
  std::fprintf(stderr,
               "usage: spinwave-play FILE [--nosound] [--pitch PERCENT] "
               "[--output alsa|default|jack] [--driver N] [--start MS]\n"
               "       spinwave-play --list [--output alsa|default|jack]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace spinwave;
  std::string file;
  bool noSound = false;
  bool list = false;
  double pitch = 100.0;
  int output = kOutputDirectSound;
  int driver = 0;
  int startMs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--nosound") {
      noSound = true;
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--pitch") {
      const char* v = next();
      if (!v) return Usage();
      pitch = std::atof(v);
    } else if (arg == "--output") {
      const char* v = next();
      if (!v) return Usage();
      const std::string name = v;
      output = name == "alsa" ? kOutputWinMM : name == "jack" ? kOutputASIO : kOutputDirectSound;
    } else if (arg == "--driver") {
      const char* v = next();
      if (!v) return Usage();
      driver = std::atoi(v);
    } else if (arg == "--start") {
      const char* v = next();
      if (!v) return Usage();
      startMs = std::atoi(v);
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      file = arg;
    }
  }
  if (file.empty() && !list) return Usage();
  if (pitch < 1 || pitch > 1000) {
    std::fprintf(stderr, "pitch must be a percentage between 1 and 1000\n");
    return 2;
  }

  SoundLib lib("spinwave-play");
  lib.SetOutput(noSound ? kOutputNoSound : output);
  if (list) {
    const int n = lib.GetNumDrivers();
    for (int i = 0; i < n; ++i) std::printf("output %d: %s\n", i, lib.GetDriverName(i).c_str());
    const int r = lib.Record_GetNumDrivers();
    for (int i = 0; i < r; ++i) std::printf("input %d: %s\n", i, lib.Record_GetDriverName(i).c_str());
    return 0;
  }
  lib.GetNumDrivers();
  lib.SetDriver(driver);
  if (!lib.Init(44100, 4, 0)) {
    std::fprintf(stderr, "%s\n", lib.LastError().c_str());
    return 1;
  }
  SoundStream* stream = lib.Stream_Open(file, kModeNormal | kMode2D);
  if (!stream) {
    std::fprintf(stderr, "%s\n", lib.LastError().c_str());
    return 1;
  }
  const int length = lib.Stream_GetLengthMs(stream);
  if (startMs > 0) lib.Stream_SetTime(stream, startMs);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  if (channel < 0) {
    std::fprintf(stderr, "cannot play %s\n", file.c_str());
    return 1;
  }
  const int rate = lib.GetFrequency(channel);
  lib.SetFrequency(channel, static_cast<int>(rate * pitch / 100.0));
  std::printf("%s: %d:%02d, %d Hz, output %d, playing at %d Hz\n", file.c_str(), length / 60000,
              length / 1000 % 60, rate, lib.GetOutput(), lib.GetFrequency(channel));
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!gStop.load() && lib.IsPlaying(channel)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int t = lib.Stream_GetTime(stream);
    float left = 0, right = 0;
    lib.GetCurrentLevels(channel, &left, &right);
    std::printf("\r%d:%02d.%03d  L %3d%%  R %3d%%  load %.2f%%  underruns %lld   ", t / 60000,
                t / 1000 % 60, t % 1000, static_cast<int>(left * 100), static_cast<int>(right * 100),
                static_cast<double>(lib.GetCPUUsage()), static_cast<long long>(lib.GetUnderruns()));
    std::fflush(stdout);
  }
  std::printf("\n");
  lib.Close();
  return 0;
}
