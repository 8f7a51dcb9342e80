// Playlist throughput on real files (made once at start in a temporary folder):
// - adding 1,000 library rows to an empty playlist (each file's existence is checked);
// - adding a folder of 1,000 tagged MP3 files (each opened on the checking deck for its length
//   and its tag read);
// - the total playing time over 5,000 rows;
// - saving a 10,000-row M3U, and loading it (every entry opened and its tag read, as the
//   format asks: titles and times come from the files), with the parsing alone for comparison;
// - the console's way of loading it: the rows shown at once (what the DJ waits for) with the
//   tags read on a worker thread, and the time until the last tag is in.
#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "engine/TFMODJingle.h"
#include "meta/MetaFixtures.h"
#include "options/OptionsStore.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TrackReader.h"
#include "table/LibraryFile.h"

namespace {

using namespace spinwave;

struct World {
  QTemporaryDir dir;
  std::vector<std::string> mp3s;  // 1,000 tagged files
  TFMODJingle checker{QStringLiteral("CheckMP3")};
  int entry = -1;
  std::unique_ptr<CheckingDeckReader> reader;
  OptionsStore options;
  TEMDB library;
  std::string m3u;        // 10,000 entries over the 1,000 files
  std::string missingM3u; // 10,000 entries of files that do not exist: the parsing alone

  World() {
    const std::string root = dir.path().toStdString() + "/";
    const std::string master = root + "master.mp3";
    test::MakeSoundFile(master, true, 0.5);
    std::string bytes;
    ReadWholeFile(master, bytes);
    for (int i = 0; i < 1000; ++i) {
      const std::string path = root + "track" + std::to_string(i) + ".mp3";
      WriteFileAtomically(path, bytes);
      test::WriteId3v2(path, {{"TPE1", "Artist " + std::to_string(i % 97)},
                              {"TIT2", "Title " + std::to_string(i)}});
      mp3s.push_back(path);
    }
    checker.SetMaxChannels(1);
    checker.Init("fmoddb.dll");
    checker.SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
    checker.SetOutput();
    entry = checker.AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    reader = std::make_unique<CheckingDeckReader>(checker, entry);

    SetLibraryColumns(library);
    library.SetRowCount(1000);
    for (int r = 0; r < 1000; ++r) {
      SetLibraryItem(library, "File", r, mp3s[r]);
      SetLibraryItem(library, "Artist", r, "Artist " + std::to_string(r % 97));
      SetLibraryItem(library, "Title", r, "Title " + std::to_string(r));
      SetLibraryItem(library, "Time", r, "500");
      SetLibraryItem(library, "Intro", r, "0:05");
      SetLibraryItem(library, "Automix", r, "-1");
    }
    std::string text = "#EXTM3U\r\n", missing = "#EXTM3U\r\n";
    for (int i = 0; i < 10000; ++i) {
      text += "#EXTINF:0,x - y\r\n" + mp3s[i % 1000] + "\r\n";
      missing += root + "gone/" + std::to_string(i) + ".mp3\r\n";
    }
    m3u = root + "big.m3u";
    missingM3u = root + "missing.m3u";
    WriteFileAtomically(m3u, text);
    WriteFileAtomically(missingM3u, missing);
  }
};

World* g_world = nullptr;

void AddLibraryRows(benchmark::State& state) {
  TEMDB table;
  PlaylistModel model(table, g_world->options, *g_world->reader);
  std::vector<int> rows(1000);
  for (int i = 0; i < 1000; ++i) rows[i] = i;
  for (auto _ : state) {
    state.PauseTiming();
    model.ClearRows();
    state.ResumeTiming();
    model.AddLibraryRows(g_world->library, rows, AddMode::Append);
  }
  if (table.RowCount() != 1000) state.SkipWithError("rows missing");
}
BENCHMARK(AddLibraryRows)->Unit(benchmark::kMillisecond);

void AddTaggedFolder(benchmark::State& state) {
  TEMDB table;
  PlaylistModel model(table, g_world->options, *g_world->reader);
  for (auto _ : state) {
    state.PauseTiming();
    model.ClearRows();
    state.ResumeTiming();
    model.AddFiles(g_world->mp3s, AddMode::Append);
  }
  if (table.RowCount() != 1000 || table.GetItem(plTitle, 999) != "Title 999")
    state.SkipWithError("files not read");
}
BENCHMARK(AddTaggedFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

void TotalOf5000Rows(benchmark::State& state) {
  TEMDB table;
  PlaylistModel model(table, g_world->options, *g_world->reader);
  table.SetRowCount(5000);
  for (int r = 0; r < 5000; ++r) {
    table.SetItem(plTime, r, std::to_string(180000 + r));
    table.SetItem(plSegue, r, "4000");
  }
  for (auto _ : state) benchmark::DoNotOptimize(model.TotalMs());
}
BENCHMARK(TotalOf5000Rows)->Unit(benchmark::kMicrosecond);

void SaveM3U10000(benchmark::State& state) {
  TEMDB table;
  SetPlaylistColumns(table);
  table.SetRowCount(10000);
  for (int r = 0; r < 10000; ++r) {
    table.SetItem(plArtist, r, "Artist " + std::to_string(r));
    table.SetItem(plTitle, r, "Title " + std::to_string(r));
    table.SetItem(plFile, r, g_world->mp3s[r % 1000]);
    table.SetItem(plTime, r, "215376");
  }
  const std::string out = g_world->dir.path().toStdString() + "/saved.m3u";
  for (auto _ : state) WritePlaylist(table, out);
}
BENCHMARK(SaveM3U10000)->Unit(benchmark::kMillisecond);

void LoadM3U10000(benchmark::State& state) {
  for (auto _ : state) {
    TEMDB table;
    const PlaylistReadResult r = ReadPlaylist(g_world->m3u, table, *g_world->reader, 4000);
    if (r.rows != 10000) state.SkipWithError("rows missing");
  }
}
BENCHMARK(LoadM3U10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Until Load returns: the window is usable, the rows are there, their tags still to come.
void LoadM3U10000RowsShown(benchmark::State& state) {
  TEMDB table;
  PlaylistModel model(table, g_world->options, *g_world->reader);
  model.SetBackgroundReading(true);
  for (auto _ : state) {
    model.Load(g_world->m3u);
    state.PauseTiming();
    if (table.RowCount() != 10000) state.SkipWithError("rows missing");
    model.ClearRows();  // stops the worker
    state.ResumeTiming();
  }
}
BENCHMARK(LoadM3U10000RowsShown)->Unit(benchmark::kMillisecond);

// Until every row has its tag and length, the events of the interface thread running.
void LoadM3U10000TagsFilled(benchmark::State& state) {
  TEMDB table;
  PlaylistModel model(table, g_world->options, *g_world->reader);
  model.SetBackgroundReading(true);
  for (auto _ : state) {
    model.Load(g_world->m3u);
    while (model.Filling()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  if (table.RowCount() != 10000 || table.GetItem(plTitle, 9999) != "Title 999")
    state.SkipWithError("tags not read");
}
BENCHMARK(LoadM3U10000TagsFilled)->Unit(benchmark::kMillisecond)->Iterations(3);

void ParseM3U10000MissingFiles(benchmark::State& state) {
  for (auto _ : state) {
    TEMDB table;
    const PlaylistReadResult r = ReadPlaylist(g_world->missingM3u, table, *g_world->reader, 4000);
    benchmark::DoNotOptimize(r.skipped.size());
  }
}
BENCHMARK(ParseM3U10000MissingFiles)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("SPINWAVE_OUTPUT", "nosound", 1);
  QTemporaryDir home;
  SetProgramFolder(home.path().toStdString());
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  World world;
  g_world = &world;
  benchmark::RunSpecifiedBenchmarks();
  g_world = nullptr;
  return 0;
}
