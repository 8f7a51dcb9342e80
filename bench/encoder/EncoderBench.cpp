// The streaming plug-in's figures: what its modify-samples call costs the mixer per 10 ms block
// (it only queues), what the DSP host's callback around it costs, and the share of one core the
// 128 kbit/s MP3 encoding of the mix takes on the encoder thread.
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <atomic>
#include <cmath>
#include <vector>

#include "Mp3Encoder.h"
#include "ShoutStreamer.h"
#include "engine/DSPHost.h"
#include "engine/DSPPluginApi.h"

namespace spinwave {
namespace {

constexpr int kBlock = 441;  // 10 ms at 44100 Hz

std::vector<short> Tone(int frames) {
  std::vector<short> s(static_cast<std::size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<short>(12000 * std::sin(2 * 3.14159265358979 * 1000 * i / 44100.0));
    s[static_cast<std::size_t>(i) * 2] = v;
    s[static_cast<std::size_t>(i) * 2 + 1] = static_cast<short>(v / 2);
  }
  return s;
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// ModifySamples of dsp_sc.so is Feed: a copy into the block queue, whatever the network does.
void BM_ModifySamplesPerBlock(benchmark::State& state) {
  ShoutStreamer streamer;  // not started: nothing takes the blocks, the queue laps itself
  const std::vector<short> block = Tone(kBlock);
  for (auto _ : state) {
    streamer.Feed(block.data(), kBlock);
    benchmark::ClobberMemory();
  }
  state.SetLabel("10 ms block, 441 frames");
}
BENCHMARK(BM_ModifySamplesPerBlock)->Unit(benchmark::kMicrosecond);

// The same through the built plug-in file: the module's own ModifySamples, as the DSP host calls
// it from the mixer (the plug-in runs, with no server configured).
void BM_PluginModifySamplesPerBlock(benchmark::State& state) {
  const std::string home = (std::filesystem::temp_directory_path() / "spinwave-bench-encoder").string();
  setenv("SPINWAVE_HOME", home.c_str(), 1);  // the plug-in reads its settings there (none)
  void* library = dlopen(SPINWAVE_DSP_SC_FILE, RTLD_NOW | RTLD_LOCAL);
  auto getHeader = library ? reinterpret_cast<winampDSPGetHeaderType>(dlsym(library, WINAMP_DSP_GET_HEADER)) : nullptr;
  winampDSPModule* module = getHeader ? getHeader()->getModule(0) : nullptr;
  if (!module) {
    state.SkipWithError("dsp_sc.so does not load");
    return;
  }
  module->Init(module);
  std::vector<short> block = Tone(kBlock);
  for (auto _ : state) {
    benchmark::DoNotOptimize(module->ModifySamples(module, block.data(), kBlock, 16, 2, 44100));
  }
  module->Quit(module);
  dlclose(library);
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_PluginModifySamplesPerBlock)->Unit(benchmark::kMicrosecond);

// What the console's mixer pays per 10 ms block with the streaming encoder on: the DSP host's
// callback (bypass rules, the silence scan) around the built plug-in's ModifySamples.
void BM_HostCallbackWithDspScPerBlock(benchmark::State& state) {
  const std::string home = (std::filesystem::temp_directory_path() / "spinwave-bench-host").string();
  setenv("SPINWAVE_HOME", home.c_str(), 1);
  DSPHost::Settings settings;  // one output for both decks: every block is fed
  DSPHost host(nullptr, nullptr, settings, nullptr);
  if (!host.LoadDSPModule(SPINWAVE_DSP_SC_FILE, nullptr, DSPHost::kStreamingSlot)) {
    state.SkipWithError("dsp_sc.so does not load");
    return;
  }
  std::vector<short> block = Tone(kBlock);
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.DSPCallback(block.data(), block.data(), kBlock, 0));
  }
  host.UnloadDSPPlugins();
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_HostCallbackWithDspScPerBlock)->Unit(benchmark::kMicrosecond);

// The encoding thread's work: 128 kbit/s MP3 of the mix. "core_share" is processor time per
// second of audio (0.01 = 1 % of one core).
void BM_Encode128kMp3(benchmark::State& state) {
  const std::vector<short> audio = Tone(44100 * 10);
  std::vector<unsigned char> out(static_cast<std::size_t>(Mp3Encoder::BufferBytes(2048)));
  double audioSeconds = 0, cpuSeconds = 0;
  for (auto _ : state) {
    Mp3Encoder encoder(static_cast<int>(state.range(0)));
    const double started = ThreadCpuSeconds();
    for (int i = 0; i + 2048 <= 44100 * 10; i += 2048) {
      benchmark::DoNotOptimize(encoder.Encode(audio.data() + static_cast<std::size_t>(i) * 2, 2048, out.data(),
                                              static_cast<int>(out.size())));
    }
    cpuSeconds += ThreadCpuSeconds() - started;
    audioSeconds += 10.0 * (44100 / 2048 * 2048) / 44100.0;
  }
  state.counters["core_share"] = cpuSeconds / audioSeconds;
  state.counters["x_realtime"] = audioSeconds / cpuSeconds;
}
BENCHMARK(BM_Encode128kMp3)->Arg(128)->ArgName("kbps")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace spinwave

BENCHMARK_MAIN();
