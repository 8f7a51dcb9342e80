// One mixing job done by three programs on the same files: four 120 s MP3 decks, each played at
// ×1.08 (a vinyl-style speed change: tempo and key), mixed to 44100 Hz stereo and thrown away.
//   Spinwave: four streams of one sound library on the non-real-time output, rendered to the
//             end (opening, decoding on the decoder threads, resampling, mixing).
//   sox:      sox -m a.mp3 b.mp3 c.mp3 d.mp3 -n speed 1.08
//   ffmpeg:   asetrate=47628,aresample=44100 on each input, amix=inputs=4, null sink.
// A peer that is not installed is skipped with a message. The counter "x_realtime" is seconds
// of mixed output per wall second; the summary prints the best of the repetitions for the three
// and Spinwave's ratio to the fastest peer.
//
//   build-release/bench/mixpeers/bench_mixpeers [--seconds=120] [--keylock]
// With --keylock the four Spinwave decks play with keylock on (tempo ×1.08, key unchanged);
// the figure then also gives the share of one core the four decks take live.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "engine/AudioFixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kSpeed = 1.08;
int g_seconds = 120;
bool g_keylock = false;
std::vector<std::string> g_files;
std::map<std::string, double> g_best;  // x real time per program

double OutputSeconds() { return g_seconds / kSpeed; }

// Processor time of the whole process (all threads: mixer and decoders).
double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

void Note(const std::string& who, double x) {
  double& best = g_best[who];
  best = std::max(best, x);
}

bool Installed(const char* probe) { return std::system(probe) == 0; }

void Spinwave(benchmark::State& state) {
  for (auto _ : state) {
    const auto started = Clock::now();
    const double cpuStarted = ProcessCpuSeconds();
    SoundLib lib("fmod.dll");
    lib.SetOutput(kOutputNoSoundNonRealtime);
    lib.Init(44100, 8, 0);
    std::vector<int> channels;
    for (const std::string& f : g_files) {
      SoundStream* s = lib.Stream_Open(f, kModeNormal | kMode2D);
      if (!s) {
        state.SkipWithError(("cannot open " + f).c_str());
        return;
      }
      const int c = lib.Stream_Play(kFreeChannel, s);
      const int hz = static_cast<int>(44100 * kSpeed);
      if (g_keylock) lib.SetKeyLock(c, hz);
      lib.SetFrequency(c, hz);
      lib.SetVolume(c, 64);
      channels.push_back(c);
    }
    // Blocks of one second, each after the decoders have refilled (they run 4 s ahead).
    std::vector<std::int16_t> out(44100 * 2);
    auto playing = [&] {
      for (int c : channels)
        if (lib.IsPlaying(c)) return true;
      return false;
    };
    double mixed = 0;
    while (playing()) {
      lib.WaitForDecoders(5000);
      lib.Render(out.data(), 44100);
      mixed += 1.0;
      benchmark::DoNotOptimize(out.data());
    }
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    state.SetIterationTime(wall);
    state.counters["x_realtime"] = OutputSeconds() / wall;
    state.counters["underruns"] = static_cast<double>(lib.GetUnderruns());
    // What the job costs live: processor time (mixer and decoders) per second of audio.
    state.counters["core_share_pct"] = 100.0 * (ProcessCpuSeconds() - cpuStarted) / OutputSeconds();
    Note("spinwave", OutputSeconds() / wall);
    benchmark::DoNotOptimize(mixed);
  }
}

void RunPeer(benchmark::State& state, const std::string& who, const char* probe,
             const std::string& command) {
  if (!Installed(probe)) {
    std::fprintf(stderr, "%s is not installed: skipped\n", who.c_str());
    state.SkipWithError((who + " not installed").c_str());
    return;
  }
  for (auto _ : state) {
    const auto started = Clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError((who + " failed: " + command).c_str());
      return;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    state.SetIterationTime(wall);
    state.counters["x_realtime"] = OutputSeconds() / wall;
    Note(who, OutputSeconds() / wall);
  }
}

void Sox(benchmark::State& state) {
  std::string command = "sox -q -m";
  for (const std::string& f : g_files) command += " '" + f + "'";
  command += " -n speed 1.08";
  RunPeer(state, "sox", "sox --version >/dev/null 2>&1 && sox -h 2>/dev/null | grep -q ' mp3 '",
          command);
}

void Ffmpeg(benchmark::State& state) {
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error";
  for (const std::string& f : g_files) command += " -i '" + f + "'";
  std::string graph, inputs;
  for (std::size_t i = 0; i < g_files.size(); ++i) {
    graph += "[" + std::to_string(i) + ":a]asetrate=47628,aresample=44100[a" + std::to_string(i) + "];";
    inputs += "[a" + std::to_string(i) + "]";
  }
  graph += inputs + "amix=inputs=" + std::to_string(g_files.size());
  command += " -filter_complex '" + graph + "' -f null -";
  RunPeer(state, "ffmpeg", "ffmpeg -version >/dev/null 2>&1", command);
}

}  // namespace
}  // namespace spinwave

int main(int argc, char** argv) {
  using namespace spinwave;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--seconds=", 10) == 0) {
      g_seconds = std::max(1, std::atoi(argv[i] + 10));
    } else if (std::strcmp(argv[i], "--keylock") == 0) {
      g_keylock = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  const auto folder = std::filesystem::temp_directory_path() /
                      ("spinwave-mixpeers-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  for (int i = 0; i < 4; ++i) {
    test::ToneSpec spec;
    spec.durationMs = g_seconds * 1000;
    spec.frequency = 220.0 * (i + 1) + 7;
    spec.amplitude = 0.4;
    const std::string path = (folder / ("deck" + std::to_string(i + 1) + ".mp3")).string();
    if (!test::WriteTone(path, test::AudioFormat::Mp3, spec)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    g_files.push_back(path);
  }
  const int repetitions = 3;
  benchmark::RegisterBenchmark("Spinwave", Spinwave)->UseManualTime()->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Sox", Sox)->UseManualTime()->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Ffmpeg", Ffmpeg)->UseManualTime()->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);

  std::printf("\nFour MP3 decks of %d s at x%.2f%s, seconds of mix per wall second (best of %d):\n",
              g_seconds, kSpeed, g_keylock ? " (Spinwave with keylock)" : "", repetitions);
  double bestPeer = 0;
  std::string bestName;
  for (const char* who : {"spinwave", "sox", "ffmpeg"}) {
    const auto it = g_best.find(who);
    if (it == g_best.end()) {
      std::printf("  %-9s skipped\n", who);
      continue;
    }
    std::printf("  %-9s x%.1f real time\n", who, it->second);
    if (std::strcmp(who, "spinwave") != 0 && it->second > bestPeer) {
      bestPeer = it->second;
      bestName = who;
    }
  }
  if (bestPeer > 0 && g_best.count("spinwave")) {
    std::printf("  Spinwave / fastest peer (%s): %.2f\n", bestName.c_str(), g_best["spinwave"] / bestPeer);
  }
  return 0;
}
