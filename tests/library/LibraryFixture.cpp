#include "LibraryFixture.h"

#include <chrono>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include "AudioFixtures.h"
#include "core/Paths.h"
#include "engine/TFMODJingle.h"
#include "meta/MetaFixtures.h"
#include "table/LibraryFile.h"

namespace spinwave::test {

void LibraryTest::SetUp() {
  TFMODJingle::SetClockManual(true);
  // Scan options and structures live in the program folder: every test starts without them.
  QDir(QString::fromStdString(ProgramFolder() + "data")).removeRecursively();
  library_.Title = kLibraryTitle;
  library_.FileName = temp_.File("data.db");
  ASSERT_TRUE(CreateDatabase(library_));
}

std::string LibraryTest::Place(const std::string& name) {
  const std::string path = temp_.File(name);
  QDir().mkpath(QString::fromStdString(path.substr(0, path.find_last_of('/'))));
  return path;
}

std::string LibraryTest::Mp3(const std::string& name, double seconds, const Frames& frames) {
  const std::string path = Place(name);
  MakeSoundFile(path, true, seconds);
  if (!frames.empty()) WriteId3v2(path, frames);
  return path;
}

std::string LibraryTest::Ogg(const std::string& name, double seconds) {
  const std::string path = Place(name);
  MakeSoundFile(path, false, seconds);
  return path;
}

std::string LibraryTest::Wav(const std::string& name, int ms, int rate) {
  const std::string path = Place(name);
  ToneSpec spec;
  spec.durationMs = ms;
  spec.sampleRate = rate;
  spec.channels = rate == 44100 ? 2 : 1;
  EXPECT_TRUE(WriteTone(path, AudioFormat::Wav, spec));
  return path;
}

bool LibraryTest::RunToEnd(LibraryScan& scan, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (scan.Running()) {
    if (clock.elapsed() > limitMs) return false;
    if (scan.WaitingForOpen())
      scan.CompleteOpenNow();
    else
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

ScanSummary LibraryTest::ScanFolder(const std::string& folder, const ScanOptions& options,
                                    const std::vector<std::string>& structures) {
  LibraryScan scan(library_);
  scan.SetQuiet(true);
  scan.Options() = options;
  scan.Structures() = structures;
  scan.DirTreePathChange(folder, "Test ID");
  scan.SearchBtnClick();
  EXPECT_TRUE(RunToEnd(scan));
  return scan.Summary();
}

int LibraryTest::RowOf(const std::string& file) const {
  const int col = ColumnIndex(library_, "File");
  for (int r = 0; r < library_.RowCount(); ++r)
    if (library_.TableCell(col, r) == file) return r;
  return -1;
}

std::string LibraryTest::Cell(const std::string& file, const char* column) const {
  const int row = RowOf(file);
  if (row < 0) return "<no row>";
  return std::string(library_.TableCell(ColumnIndex(library_, column), row));
}

}  // namespace spinwave::test
