// Table store on a generated library of 100,000 rows: load, sort by Artist, filter over all
// columns, save, one-row update, and the resident memory of the loaded table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

#include "core/AtomicFile.h"
#include "table/LibraryFile.h"
#include "table/TEMDB.h"

namespace {

constexpr int kRows = 100000;

const char* const kWords[] = {
    "Love",  "Night", "Dance",  "Heart", "Fire",   "Summer", "Dream", "Rain",  "City",   "Light",
    "Blue",  "Gold",  "Wild",   "River", "Shadow", "Moon",   "Road",  "Home",  "Storm",  "Sky",
    "Baby",  "Time",  "Forever", "Fever", "Magic", "Angel",  "World", "Radio", "Stereo", "Echo",
    "Café",  "Señor", "Über",   "Noir",  "Paradise", "Midnight", "Tokyo", "Berlin", "Disco", "Soul"};
const char* const kFirst[] = {"The", "DJ", "Los", "Little", "Big", "Electric", "Royal", "Lady",
                              "Mister", "Young"};
const char* const kGenres[] = {"Pop", "Rock", "Dance", "House", "Jazz", "Soul", "Techno",
                               "Hip-Hop", "Reggae", "Classical", "Country", "Funk"};

std::string Words(std::mt19937& random, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    if (i) s += ' ';
    s += kWords[random() % std::size(kWords)];
  }
  return s;
}

// One library table of kRows realistic rows.
void BuildLibrary(spinwave::TEMDB& t) {
  std::mt19937 random(20261209);
  t.Title = spinwave::kLibraryTitle;
  spinwave::SetLibraryColumns(t);
  std::vector<std::string> artists;
  for (int i = 0; i < 3000; ++i)
    artists.push_back(std::string(kFirst[random() % std::size(kFirst)]) + " " +
                      Words(random, 1 + static_cast<int>(random() % 2)));
  t.SetRowCount(kRows);
  for (int r = 0; r < kRows; ++r) {
    const std::string& artist = artists[random() % artists.size()];
    const std::string album = Words(random, 2);
    const std::string title = Words(random, 1 + static_cast<int>(random() % 4));
    const int track = 1 + static_cast<int>(random() % 16);
    const int ms = 120000 + static_cast<int>(random() % 300000);
    char trackText[8];
    std::snprintf(trackText, sizeof trackText, "%02d", track);
    t.SetItem(0, r, "/home/dj/Music/" + artist + "/" + album + "/" + trackText + " - " + title +
                        ".mp3");
    t.SetItem(1, r, artist);
    t.SetItem(2, r, title);
    t.SetItem(3, r, album);
    t.SetItem(4, r, std::to_string(1960 + random() % 65));
    if (random() % 4 == 0) t.SetItem(5, r, "Ripped from CD, " + Words(random, 2));
    t.SetItem(6, r, kGenres[random() % std::size(kGenres)]);
    if (random() % 3 == 0) t.SetItem(7, r, kGenres[random() % std::size(kGenres)]);
    t.SetItem(8, r, std::to_string(ms));
    t.SetItem(9, r, "0:0" + std::to_string(random() % 10));
    t.SetItem(10, r, "0:" + std::to_string(10 + random() % 50));
    if (random() % 2) t.SetItem(11, r, "CD" + std::to_string(random() % 500));
    t.SetItem(12, r, "0");
    t.SetItem(13, r, std::to_string(random() % 40));
    t.SetItem(14, r, std::to_string(track));
    t.SetItem(15, r, random() % 3 ? std::to_string(ms - 8000) : std::string("-1"));
  }
}

// The generated library file, written once per process.
const std::string& LibraryPath() {
  static const std::string path = [] {
    char folder[] = "/tmp/spinwave-bench-XXXXXX";
    if (!::mkdtemp(folder)) std::abort();
    const std::string p = std::string(folder) + "/data.db";
    spinwave::TEMDB t;
    BuildLibrary(t);
    if (!t.SaveToFile(p)) std::abort();
    std::atexit([] {
      std::remove(LibraryPath().c_str());
      std::remove((LibraryPath() + ".save").c_str());
      std::remove(LibraryPath().substr(0, LibraryPath().rfind('/')).c_str());
    });
    return p;
  }();
  return path;
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// Bytes currently allocated on the heap (freed memory the process keeps does not count).
double HeapMegabytes() {
  const struct mallinfo2 info = ::mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// Resident memory of the process before anything was generated or loaded.
const double gStartResident = ResidentMegabytes();

void Load(spinwave::TEMDB& t) {
  t.Title = spinwave::kLibraryTitle;
  if (!t.LoadFromFile(LibraryPath())) std::abort();
}

void BM_LoadFromFile(benchmark::State& state) {
  const std::string& path = LibraryPath();
  double resident = 0, heapBefore = 0, heapAfter = 0;
  for (auto _ : state) {
    state.PauseTiming();
    heapBefore = HeapMegabytes();
    {
      state.ResumeTiming();
      spinwave::TEMDB t;
      t.Title = spinwave::kLibraryTitle;
      if (!t.LoadFromFile(path)) std::abort();
      state.PauseTiming();
      resident = ResidentMegabytes();
      heapAfter = HeapMegabytes();
      benchmark::DoNotOptimize(t.RowCount());
    }
    state.ResumeTiming();
  }
  std::string bytes;
  spinwave::ReadWholeFile(path, bytes);
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
  // VmRSS of the whole process with the table loaded (it also holds the generator's freed
  // memory and the libraries), the process's VmRSS at start, and the heap the table holds.
  state.counters["rss_MB"] = resident;
  state.counters["start_rss_MB"] = gStartResident;
  state.counters["table_heap_MB"] = heapAfter - heapBefore;
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SortByArtist(benchmark::State& state) {
  spinwave::TEMDB t;
  Load(t);
  for (auto _ : state) {
    state.PauseTiming();
    t.Shuffle();
    state.ResumeTiming();
    t.Sort(1, false);
  }
}
BENCHMARK(BM_SortByArtist)->Unit(benchmark::kMillisecond);

void BM_FilterAllColumns(benchmark::State& state) {
  spinwave::TEMDB t;
  Load(t);
  int count = 0;
  for (auto _ : state) count = t.Filter(-1, "midnight");
  state.counters["matches"] = count;
}
BENCHMARK(BM_FilterAllColumns)->Unit(benchmark::kMillisecond);

void BM_FilterAllColumnsNoMatch(benchmark::State& state) {
  spinwave::TEMDB t;
  Load(t);
  for (auto _ : state) benchmark::DoNotOptimize(t.Filter(-1, "zzqx"));
}
BENCHMARK(BM_FilterAllColumnsNoMatch)->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state) {
  spinwave::TEMDB t;
  Load(t);
  const std::string target = LibraryPath() + ".save";
  for (auto _ : state)
    if (!t.SaveToFile(target)) std::abort();
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

void BM_UpdateRowInFile(benchmark::State& state) {
  spinwave::TEMDB t;
  Load(t);
  t.FileName = LibraryPath() + ".save";
  if (!t.SaveToFile()) std::abort();
  // A row near the end: the whole file is searched.
  const std::string file = t.GetItem(0, kRows - 10);
  int plays = 0;
  for (auto _ : state) {
    t.SetItem(13, kRows - 10, std::to_string(++plays));
    if (!t.UpdateRowInFile(file)) std::abort();
  }
}
BENCHMARK(BM_UpdateRowInFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
