// A playlist over real files: a silent checking deck reads lengths and tags, as the console's
// does, and tracks are short WAV tones written at run time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "common/TestSupport.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "options/OptionsStore.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TrackReader.h"
#include "table/LibraryFile.h"
#include "table/TEMDB.h"

namespace spinwave::test {

class PlaylistTest : public ::testing::Test {
 protected:
  PlaylistTest() {
    checker_.SetMaxChannels(1);
    checker_.Init("fmoddb.dll");
    checker_.SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
    checker_.SetOutput();
    entry_ = checker_.AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    reader_ = std::make_unique<CheckingDeckReader>(checker_, entry_);
    model_ = std::make_unique<PlaylistModel>(table_, options_, *reader_);
    SetLibraryColumns(library_);
  }

  // A WAV tone of `ms` milliseconds named `name` (".wav" added) in the test's folder.
  std::string Track(const std::string& name, int ms = 500) {
    ToneSpec spec;
    spec.durationMs = ms;
    const std::string path = dir_.File(name + ".wav");
    EXPECT_TRUE(WriteTone(path, AudioFormat::Wav, spec));
    return path;
  }
  // Playlist rows (grid rows 1..) with these files, artist = title = the name.
  void Fill(const std::vector<std::string>& names, int timeMs = 60000) {
    table_.SetRowCount(static_cast<int>(names.size()));
    for (int r = 0; r < static_cast<int>(names.size()); ++r) {
      table_.SetItem(plArtist, r, names[r]);
      table_.SetItem(plTitle, r, names[r]);
      table_.SetItem(plFile, r, Track(names[r]));
      table_.SetItem(plTime, r, std::to_string(timeMs));
      table_.SetItem(plSegue, r, "4000");
    }
  }
  // A library row for a real file.
  int LibraryRow(const std::string& name, const std::string& intro = "0:10",
                 const std::string& automix = "-1") {
    const int r = library_.RowCount();
    library_.SetRowCount(r + 1);
    SetLibraryItem(library_, "File", r, Track(name));
    SetLibraryItem(library_, "Artist", r, name);
    SetLibraryItem(library_, "Title", r, "T " + name);
    SetLibraryItem(library_, "Time", r, "200000");
    SetLibraryItem(library_, "Intro", r, intro);
    SetLibraryItem(library_, "Outro", r, "0:05");
    SetLibraryItem(library_, "Automix", r, automix);
    return r;
  }
  // The artists of the playlist's rows, in order.
  std::vector<std::string> Artists() const {
    std::vector<std::string> a;
    for (int r = 0; r < table_.RowCount(); ++r) a.push_back(table_.GetItem(plArtist, r));
    return a;
  }
  std::vector<std::string> Marks() const {
    std::vector<std::string> m;
    for (int r = 0; r < table_.RowCount(); ++r) m.push_back(table_.GetItem(plMark, r));
    return m;
  }

  TempFolder dir_;
  MessageCapture messages_;
  TFMODJingle checker_{QStringLiteral("CheckMP3")};
  int entry_ = -1;
  std::unique_ptr<CheckingDeckReader> reader_;
  OptionsStore options_;
  TEMDB table_;
  TEMDB library_;
  std::unique_ptr<PlaylistModel> model_;
};

}  // namespace spinwave::test
