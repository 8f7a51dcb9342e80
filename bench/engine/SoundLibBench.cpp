// Sound library figures: mixing cost of four pitched MP3 decks, time to open a long MP3, and
// decoder throughput per format. Fixture files are written once into a temporary folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sndfile.h>

#include "engine/AudioFixtures.h"
#include "engine/JackServer.h"
#include "engine/SoundStream.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Writes the fixture files on first use and removes them at exit.
class Fixtures {
 public:
  static Fixtures& Get() {
    static Fixtures fixtures;
    return fixtures;
  }
  std::string Tone(test::AudioFormat format, int seconds, int rate = 44100) {
    const std::string path = folder_ + "/tone" + std::to_string(seconds) + "s" +
                             std::to_string(rate) + test::ExtensionOf(format);
    if (!std::filesystem::exists(path)) {
      test::ToneSpec spec;
      spec.sampleRate = rate;
      spec.durationMs = seconds * 1000;
      spec.frequency = 440;
      if (!test::WriteTone(path, format, spec)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    return path;
  }
  // A variable-bit-rate MP3 (with the encoder's header frame) of a tone whose loudness changes
  // every second, so that the frames differ in size.
  std::string VbrMp3(int seconds) {
    const std::string path = folder_ + "/vbr" + std::to_string(seconds) + "s.mp3";
    if (!std::filesystem::exists(path)) {
      test::ToneSpec spec;
      spec.durationMs = seconds * 1000;
      spec.frequency = 440;
      std::vector<float> samples = test::MakeTone(spec);
      for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] *= static_cast<float>(0.2 + 0.8 * ((i / 88200) % 4) / 3.0);
      SF_INFO info{};
      info.samplerate = 44100;
      info.channels = 2;
      info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
      SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
      int mode = SF_BITRATE_MODE_VARIABLE;
      if (file) sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
      for (sf_count_t at = 0; file && at < static_cast<sf_count_t>(samples.size() / 2); at += 8192) {
        const sf_count_t n = std::min<sf_count_t>(8192, static_cast<sf_count_t>(samples.size() / 2) - at);
        sf_writef_float(file, samples.data() + at * 2, n);
      }
      if (!file || sf_close(file) != 0) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    return path;
  }
  ~Fixtures() { std::filesystem::remove_all(folder_); }

 private:
  Fixtures() {
    folder_ = (std::filesystem::temp_directory_path() / ("spinwave-bench-" + std::to_string(::getpid())))
                  .string();
    std::filesystem::create_directories(folder_);
  }
  std::string folder_;
};

// Four MP3 decks at ×1.08 mixed by the non-real-time output. The figure "x_realtime" is audio
// seconds mixed per wall second of mixing (the decoder threads run alongside, as live).
void BM_MixFourMp3AtPitch(benchmark::State& state) {
  const std::string path = Fixtures::Get().Tone(test::AudioFormat::Mp3, 60);
  SoundLib lib("fmod.dll");
  lib.SetOutput(kOutputNoSoundNonRealtime);
  lib.Init(44100, 14, 0);
  std::vector<SoundStream*> streams;
  for (int i = 0; i < 4; ++i) {
    SoundStream* s = lib.Stream_Open(path, kModeNormal | kMode2D);
    const int channel = lib.Stream_Play(kFreeChannel, s);
    lib.SetFrequency(channel, 47628);  // 44100 × 1.08
    lib.SetVolume(channel, 200);
    lib.Stream_SetTime(s, i * 7000);
    streams.push_back(s);
  }
  std::vector<std::int16_t> out(44100 * 2);
  double audioSeconds = 0;
  double threadCpuSeconds = 0;
  for (auto _ : state) {
    for (SoundStream* s : streams)
      if (lib.Stream_GetTime(s) > 50000) lib.Stream_SetTime(s, 0);
    lib.WaitForDecoders(5000);
    const auto started = Clock::now();
    const double cpuStarted = ThreadCpuSeconds();
    lib.Render(out.data(), 44100);
    threadCpuSeconds += ThreadCpuSeconds() - cpuStarted;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
    audioSeconds += 1.0;
  }
  // Wall-clock rate (suffers from other work on a shared machine) and the rate by the mixing
  // thread's own processor time (what one core spends).
  state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
  state.counters["x_realtime_cpu"] = threadCpuSeconds > 0 ? audioSeconds / threadCpuSeconds : 0;
  state.counters["underruns"] = static_cast<double>(lib.GetUnderruns());
  state.counters["load_pct"] = lib.GetCPUUsage();
}
BENCHMARK(BM_MixFourMp3AtPitch)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// Blocking open of a 10-minute MP3 (constant or variable bit rate) until its exact length is
// known: Stream_Open returns with it.
void BM_OpenLongMp3ToLength(benchmark::State& state) {
  const std::string path = state.range(1) ? Fixtures::Get().VbrMp3(600) : Fixtures::Get().Tone(test::AudioFormat::Mp3, 600);
  const unsigned mode = kModeNormal | (state.range(0) ? kModeAccurateLength : 0);
  SoundLib lib("fmod.dll");
  for (auto _ : state) {
    SoundStream* s = lib.Stream_Open(path, mode);
    benchmark::DoNotOptimize(lib.Stream_GetLengthMs(s));
    state.PauseTiming();
    lib.Stream_Close(s);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenLongMp3ToLength)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"accurate", "vbr"})
    ->Unit(benchmark::kMillisecond);

// Background open (as the decks do) of a 10-minute VBR MP3 until the decoder thread reports it
// ready with its exact length.
void BM_BackgroundOpenLongVbrMp3ToLength(benchmark::State& state) {
  const std::string path = Fixtures::Get().VbrMp3(600);
  SoundLib lib("fmod.dll");
  for (auto _ : state) {
    SoundStream* s = lib.Stream_Open(path, kModeNormal | kModeNonBlocking);
    while (lib.Stream_GetOpenState(s) == kOpenPending) std::this_thread::yield();
    benchmark::DoNotOptimize(lib.Stream_GetLengthMs(s));
    state.PauseTiming();
    lib.Stream_Close(s);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BackgroundOpenLongVbrMp3ToLength)->Unit(benchmark::kMillisecond);

// Blocking open of a 10-minute MP3 until the first decoded audio waits in its buffer.
void BM_OpenLongMp3ToFirstAudio(benchmark::State& state) {
  const std::string path = Fixtures::Get().Tone(test::AudioFormat::Mp3, 600);
  SoundLib lib("fmod.dll");
  for (auto _ : state) {
    SoundStream* s = lib.Stream_Open(path, kModeNormal);
    while (lib.Stream_GetBufferedMs(s) == 0) std::this_thread::yield();
    state.PauseTiming();
    lib.Stream_Close(s);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenLongMp3ToFirstAudio)->Unit(benchmark::kMillisecond);

// A playing 10-minute VBR MP3 is moved to 90 % of its length: the time until the mixer
// renders the first audio of the new position (decoder seek, refill and mixer hand-over).
void BM_SeekVbrMp3ToFirstAudio(benchmark::State& state) {
  const std::string path = Fixtures::Get().VbrMp3(600);
  SoundLib lib("fmod.dll");
  lib.SetOutput(kOutputNoSoundNonRealtime);
  lib.Init(44100, 2, 0);
  SoundStream* s = lib.Stream_Open(path, kModeNormal);
  const int length = lib.Stream_GetLengthMs(s);
  lib.Stream_Play(kFreeChannel, s);
  std::vector<std::int16_t> out(64 * 2);
  auto audible = [&] {
    for (std::int16_t v : out)
      if (v > 300 || v < -300) return true;
    return false;
  };
  int landedAt = 0;
  for (auto _ : state) {
    state.PauseTiming();
    lib.Stream_SetTime(s, length / 10);
    lib.WaitForDecoders(5000);
    lib.Render(out.data(), 64);
    state.ResumeTiming();
    lib.Stream_SetTime(s, length / 10 * 9);
    do {
      lib.Render(out.data(), 64);
    } while (!audible());
    state.PauseTiming();
    landedAt = lib.Stream_GetTime(s);
    state.ResumeTiming();
  }
  state.counters["length_ms"] = length;
  state.counters["landed_ms"] = landedAt;
}
BENCHMARK(BM_SeekVbrMp3ToFirstAudio)->Unit(benchmark::kMillisecond);

// Four pitched MP3 decks through a private JACK server (dummy driver, no sound card) for 5 s of
// real time: the mixer's load on the real output path, the underruns of the streams' buffers,
// the server's xruns, and how the stream time kept up with the wall clock.
void BM_FourDecksThroughJack(benchmark::State& state) {
  test::JackServer server;
  std::string why;
  if (!server.Start(44100, 1024, &why)) {
    state.SkipWithError(("no JACK server: " + why).c_str());
    return;
  }
  test::ScopedEnv output("SPINWAVE_OUTPUT", nullptr);
  test::ScopedEnv jack("JACK_DEFAULT_SERVER", server.Name().c_str());
  test::JackClock clock(server.Name());
  const std::string path = Fixtures::Get().Tone(test::AudioFormat::Mp3, 60);
  SoundLib lib("fmod.dll");
  lib.SetOutput(kOutputASIO);
  if (!lib.Init(44100, 14, 0)) {
    state.SkipWithError(lib.LastError().c_str());
    return;
  }
  std::vector<SoundStream*> streams;
  for (int i = 0; i < 4; ++i) {
    SoundStream* s = lib.Stream_Open(path, kModeNormal | kMode2D);
    lib.Stream_SetTime(s, i * 7000);
    const int channel = lib.Stream_Play(kFreeChannel, s);
    lib.SetFrequency(channel, 47628);  // 44100 × 1.08
    streams.push_back(s);
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  double rate = 0;
  for (auto _ : state) {
    const int before = lib.Stream_GetTime(streams[0]);
    const auto started = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    rate = (lib.Stream_GetTime(streams[0]) - before) / 1.08 / wall;
  }
  state.counters["load_pct"] = lib.GetCPUUsage();
  state.counters["underruns"] = static_cast<double>(lib.GetUnderruns());
  state.counters["jack_xruns"] = clock.XRuns();
  state.counters["time_rate"] = rate;
}
BENCHMARK(BM_FourDecksThroughJack)->Iterations(1)->Unit(benchmark::kSecond);

// A stream's decoder thread filling the ring while this thread drains it as the mixer would:
// "x_realtime" is audio seconds decoded per wall second.
void BM_DecoderThroughput(benchmark::State& state) {
  const auto format = static_cast<test::AudioFormat>(state.range(0));
  const std::string path = Fixtures::Get().Tone(format, 60);
  std::vector<float> buffer(4096 * 2);
  double audioSeconds = 0;
  for (auto _ : state) {
    SoundStream stream(path, kModeNormal);
    if (stream.OpenBlocking() != kOpenReady) {
      state.SkipWithError("fixture does not open");
      break;
    }
    std::int64_t frames = 0;
    for (;;) {
      SoundStream::PullResult result;
      const std::size_t got = stream.Read(buffer.data(), 4096, &result);
      frames += static_cast<std::int64_t>(got);
      if (result == SoundStream::PullResult::End) break;
      if (got == 0) std::this_thread::yield();
    }
    audioSeconds += static_cast<double>(frames) / stream.SampleRate();
  }
  state.SetLabel(test::NameOf(format));
  state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecoderThroughput)
    ->Arg(static_cast<int>(test::AudioFormat::Wav))
    ->Arg(static_cast<int>(test::AudioFormat::Ogg))
    ->Arg(static_cast<int>(test::AudioFormat::Mp3))
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace spinwave

BENCHMARK_MAIN();
