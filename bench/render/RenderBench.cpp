// The render of a 10-track, 40-minute automix playlist of MP3 files (4 s segues, crossfades)
// to a WAV file, and the same job done by ffmpeg in the same run: the ten files decoded and
// joined with acrossfade of the same overlap (segue + 100 ms), written to its null sink.
// Counter "audio_min_per_s": minutes of the show per wall second. ffmpeg is skipped when it is
// not installed (it is not a build dependency).
//
//   build-release/bench/render/bench_render [--tracks-seconds=240]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "app/RenderCommand.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace {

using namespace spinwave;
using namespace spinwave::test;

constexpr int kTracks = 10;
constexpr int kTrackMs = 240000;  // 10 × 4 min = 40 min
constexpr int kSegueMs = 4000;

struct Show {
  QTemporaryDir dir;
  std::vector<std::string> files;
  std::string m3u;
  double showMinutes = 0;
  Show() {
    const std::string root = dir.path().toStdString() + "/";
    SetProgramFolder(root + "program");
    setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
    std::string text = "#EXTM3U\r\n";
    for (int i = 0; i < kTracks; ++i) {
      ToneSpec spec;
      spec.durationMs = kTrackMs;
      spec.frequency = 220 + 110 * i;
      const std::string path = root + "track" + std::to_string(i) + ".mp3";
      WriteTone(path, AudioFormat::Mp3, spec);
      files.push_back(path);
      text += path + "\r\n";
    }
    m3u = root + "show.m3u";
    WriteFileAtomically(m3u, text);
    showMinutes = (kTracks * kTrackMs - (kTracks - 1) * (kSegueMs + 100)) / 60000.0;
  }
};

Show* g_show = nullptr;

void RenderShow(benchmark::State& state) {
  RenderRequest request;
  request.playlist = QString::fromStdString(g_show->m3u);
  request.out = g_show->dir.path() + "/show.wav";
  request.segueMs = kSegueMs;
  request.crossfade = 1;
  double seconds = 0;
  for (auto _ : state) {
    RenderSummary summary;
    QString error;
    if (!RenderCommand::Render(request, summary, &error)) {
      state.SkipWithError(qPrintable(error));
      return;
    }
    seconds += summary.seconds;
    std::remove(request.out.toStdString().c_str());
  }
  state.counters["audio_min_per_s"] = g_show->showMinutes * state.iterations() / seconds;
}
BENCHMARK(RenderShow)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void FfmpegAcrossfade(benchmark::State& state) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
    state.SkipWithError("ffmpeg not installed");
    return;
  }
  std::string command = "ffmpeg -nostdin -hide_banner -loglevel error";
  for (const std::string& f : g_show->files) command += " -i '" + f + "'";
  std::string graph;
  char overlap[32];
  std::snprintf(overlap, sizeof overlap, "%.1f", (kSegueMs + 100) / 1000.0);
  std::string last = "[0:a]";
  for (int i = 1; i < kTracks; ++i) {
    const std::string out = "[x" + std::to_string(i) + "]";
    graph += last + "[" + std::to_string(i) + ":a]acrossfade=d=" + overlap + out + ";";
    last = out;
  }
  graph.pop_back();
  command += " -filter_complex '" + graph + "' -map '" + last + "' -f null -";
  QElapsedTimer wall;
  double seconds = 0;
  for (auto _ : state) {
    wall.start();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    seconds += wall.elapsed() / 1000.0;
  }
  state.counters["audio_min_per_s"] = g_show->showMinutes * state.iterations() / seconds;
}
BENCHMARK(FfmpegAcrossfade)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("SPINWAVE_OUTPUT", "nosound");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  Show show;
  g_show = &show;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
