// The library scan and the search box, measured:
// - scanning 2,000 tagged MP3 files whose tag carries the length (TLEN), and 500 without
//   (fast and exact length), in files per second, the clock driven by hand as `spinwave --scan`
//   drives it;
// - the search box over a 100,000-row library: from a changed text to the repainted grid.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "SampleLibrary.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryModel.h"
#include "library/LibraryScan.h"
#include "meta/TEMID3Tag.h"
#include "options/OptionsStore.h"
#include "table/LibraryFile.h"
#include "table/TEMDBGrid.h"

namespace spinwave {
namespace {

// A one-second 44.1 kHz stereo MP3 tone.
void WriteMp3(const std::string& path) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  std::vector<float> s(44100 * 2);
  for (size_t i = 0; i < 44100; ++i)
    s[2 * i] = s[2 * i + 1] = 0.3f * float(std::sin(2 * M_PI * 440 * double(i) / 44100));
  sf_writef_float(f, s.data(), 44100);
  sf_close(f);
}

// A folder of `count` copies of one tagged MP3 (each with its own artist and title).
std::string MakeFolder(QTemporaryDir& dir, const char* name, int count, bool withTlen) {
  const std::string folder = dir.path().toStdString() + "/" + name + "/";
  QDir().mkpath(QString::fromStdString(folder));
  const std::string master = folder + "master.tmp";
  WriteMp3(master);
  for (int i = 0; i < count; ++i) {
    const std::string file = folder + "track" + std::to_string(i) + ".mp3";
    CopyFileAtomically(master, file);
    TEMID3Tag tag;
    tag.SetFilename(file);
    tag.SetArtist("Artist " + std::to_string(i % 97));
    tag.SetTitle("Title " + std::to_string(i));
    tag.SetTime(withTlen ? 215000 : 0);
    tag.SaveID3v2Tag();
  }
  QFile::remove(QString::fromStdString(master));
  return folder;
}

QTemporaryDir& Files() {
  static QTemporaryDir dir;
  return dir;
}

void Scan(benchmark::State& state, const std::string& folder, bool exact) {
  int added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TEMDB library;
    library.Title = kLibraryTitle;
    library.FileName = Files().path().toStdString() + "/data.db";
    CreateDatabase(library);
    LibraryScan scan(library);
    scan.SetQuiet(true);
    scan.Options().ExactSearch = exact;
    scan.DirTreePathChange(folder, "bench");
    state.ResumeTiming();
    scan.SearchBtnClick();
    while (scan.Running()) {
      if (scan.WaitingForOpen())
        scan.CompleteOpenNow();
      else
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    added = scan.Summary().Added;
  }
  state.counters["files"] = added;
  state.counters["files/s"] =
      benchmark::Counter(double(added) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ScanWithTlen(benchmark::State& state) {
  static const std::string folder = MakeFolder(Files(), "tlen", 2000, true);
  Scan(state, folder, false);
}
BENCHMARK(BM_ScanWithTlen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

const std::string& UntimedFolder() {
  static const std::string folder = MakeFolder(Files(), "untimed", 500, false);
  return folder;
}
void BM_ScanWithoutTlenFast(benchmark::State& state) { Scan(state, UntimedFolder(), false); }
BENCHMARK(BM_ScanWithoutTlenFast)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_ScanWithoutTlenExact(benchmark::State& state) { Scan(state, UntimedFolder(), true); }
BENCHMARK(BM_ScanWithoutTlenExact)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// One search of the search box over 100,000 rows and the grid's full repaint at 800 x 600.
void BM_SearchBox100k(benchmark::State& state) {
  TEMDB library;
  sample::FillLibrary(library, 100000);
  OptionsStore options;
  LibraryModel model(library, options);
  TEMDBGrid grid;
  grid.resize(800, 600);
  grid.SetTable(&library);
  grid.OnGetCellFormat = [&model](TEMDBGrid*, int col, int row, TFormatOptions& f) {
    model.DBGridGetCellFormat(col, row, f);
  };
  model.SearchBtnClick();
  model.FilterColChange(state.range(0) ? LibraryModel::fcAll : LibraryModel::fcArtist);
  const char* const words[] = {"neo", "gold", "mid", "tig"};
  int i = 0;
  for (auto _ : state) {
    model.FilterTxtChange(words[i++ % 4]);  // a key press in the search box filters at once
    grid.SetTable(&model.Shown());
    grid.SetRow(1);
    grid.RenderAll();
    benchmark::DoNotOptimize(grid.OffscreenImage().constBits());
  }
  state.SetLabel(state.range(0) ? "All columns" : "Artist");
}
BENCHMARK(BM_SearchBox100k)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace spinwave

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("SPINWAVE_OUTPUT", "nosound", 1);
  QApplication app(argc, argv);
  spinwave::SetProgramFolder(spinwave::Files().path().toStdString() + "/home");
  spinwave::SetMessageHandler([](spinwave::MessageKind, const std::string&) { return false; });
  spinwave::TFMODJingle::SetClockManual(true);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
