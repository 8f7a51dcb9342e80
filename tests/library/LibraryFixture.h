// Shared set-up of the library tests: a library table saved in a temporary folder, a checking
// deck driven by hand, and real tagged MP3, OGG and WAV files made at run time.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "library/LibraryScan.h"
#include "table/TEMDB.h"

namespace spinwave::test {

using Frames = std::vector<std::pair<std::string, std::string>>;

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // A real MP3 (or Ogg Vorbis) of `seconds` in folder `dir` below the temporary folder, with
  // these ID3v2 frames when any are given.
  std::string Mp3(const std::string& name, double seconds = 0.5, const Frames& frames = {});
  std::string Ogg(const std::string& name, double seconds = 0.5);
  // A WAV tone of `ms` milliseconds (mono at `rate` Hz keeps long files small).
  std::string Wav(const std::string& name, int ms = 500, int rate = 44100);
  // Creates the folders of a relative path below the temporary folder; returns the full path.
  std::string Place(const std::string& name);

  // Runs a scan to its end: the event loop for the finder and the slices, the clock by hand
  // for every background open. False when it did not end within `limitMs`.
  static bool RunToEnd(LibraryScan& scan, int limitMs = 60000);
  // Scans `folder` with a fresh scan object over library_ (messages captured by the caller).
  ScanSummary ScanFolder(const std::string& folder, const ScanOptions& options = {},
                         const std::vector<std::string>& structures = {"Artist - Title.mp3"});

  // The row whose "File" cell is `file`, -1 when none.
  int RowOf(const std::string& file) const;
  std::string Cell(const std::string& file, const char* column) const;

  TempFolder temp_;
  TEMDB library_;
};

}  // namespace spinwave::test
