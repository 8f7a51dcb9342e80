// A long M3U list shows its rows at once and gets its lengths and tags from a worker thread:
// real files (tagged MP3, WAV, Ogg, a text file named ".mp3"), a real thread, results handed to
// this thread through its event loop. What the rows end with, and what a saved list holds, must
// be exactly what the list read whole gives.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include "FakeDeckPort.h"
#include "PlaylistFixture.h"
#include "core/AtomicFile.h"
#include "meta/MetaFixtures.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistFiles.h"
#include "core/Paths.h"
#include "playlist/TrackInfoFiller.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class PlaylistBackgroundTest : public PlaylistTest {
 protected:
  // Tagged MP3s, a WAV and an Ogg file; a text file that only looks like an MP3.
  void MakeFiles() {
    for (int i = 0; i < 3; ++i) {
      const std::string path = dir_.File("song" + std::to_string(i) + ".mp3");
      MakeSoundFile(path, true, 0.4 + 0.1 * i);
      WriteId3v2(path, {{"TPE1", "Artist " + std::to_string(i)}, {"TIT2", "Title " + std::to_string(i)}});
      files_.push_back(path);
    }
    ToneSpec tone;
    tone.durationMs = 700;
    files_.push_back(dir_.File("tone.wav"));
    ASSERT_TRUE(WriteTone(files_.back(), AudioFormat::Wav, tone));
    files_.push_back(dir_.File("tone.ogg"));
    ASSERT_TRUE(WriteTone(files_.back(), AudioFormat::Ogg, tone));
    broken_ = dir_.File("broken.mp3");
    WriteFile(broken_, "this is not audio at all, only text that is long enough to be looked at");
  }
  // An M3U of `rows` entries going round the files; every 50th entry is the broken file and
  // entry 7 a file that does not exist.
  std::string BigList(const std::string& name, int rows) {
    std::string text = "#EXTM3U\r\n";
    for (int i = 0; i < rows; ++i) {
      if (i == 7)
        text += dir_.File("gone.mp3") + "\r\n";
      else if (i % 50 == 49)
        text += broken_ + "\r\n";
      else
        text += files_[static_cast<size_t>(i) % files_.size()] + "\r\n";
    }
    WriteFile(dir_.File(name), text);
    return dir_.File(name);
  }
  // Runs the event loop until the model has read every row (at most 30 s).
  bool WaitForTags(PlaylistModel& model) {
    QElapsedTimer clock;
    clock.start();
    while (model.Filling() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !model.Filling();
  }
  std::vector<Strings> Rows(const TEMDB& table) const {
    std::vector<Strings> rows;
    for (int r = 0; r < table.RowCount(); ++r) {
      Strings row;
      for (int c = 0; c < kPlaylistColumnCount; ++c) row.emplace_back(table.TableCell(c, r));
      rows.push_back(row);
    }
    return rows;
  }

  Strings files_;
  std::string broken_;
};

TEST_F(PlaylistBackgroundTest, LongListShowsAtOnceAndEndsAsTheWholeRead) {
  MakeFiles();
  const std::string list = BigList("big.m3u", 400);

  // The list read whole, as the console did before: the reference.
  TEMDB wholeTable;
  PlaylistModel whole(wholeTable, options_, *reader_);
  whole.Load(list);
  ASSERT_EQ(messages_.Texts().size(), 1u);
  const std::string wholeMessage = messages_.Texts()[0];
  messages_.Clear();

  model_->SetBackgroundReading(true);
  QSignalSpy progress(model_.get(), &PlaylistModel::fillProgress);
  QSignalSpy finished(model_.get(), &PlaylistModel::fillFinished);
  model_->Load(list);
  // At once: every entry whose file is there has its row, named after its file.
  EXPECT_EQ(table_.RowCount(), 399) << "only the missing file is left out before reading";
  EXPECT_TRUE(model_->Filling());
  EXPECT_EQ(model_->Cell(plArtist, 1), "song0.mp3");
  EXPECT_EQ(model_->File(8), files_[3]) << "row 8 is entry 9: entry 8 is gone";
  EXPECT_TRUE(messages_.Texts().empty()) << "one message, at the end";

  ASSERT_TRUE(WaitForTags(*model_));
  EXPECT_EQ(finished.count(), 1);
  ASSERT_GE(progress.count(), 2);
  EXPECT_EQ(progress.last().at(0).toInt(), progress.last().at(1).toInt());
  EXPECT_EQ(Rows(table_), Rows(wholeTable)) << "the same rows, cell for cell";
  EXPECT_EQ(model_->Cell(plTitle, 2), "Title 1");
  EXPECT_EQ(model_->TotalMs(), whole.TotalMs());
  ASSERT_EQ(messages_.Texts().size(), 1u);
  EXPECT_EQ(messages_.Texts()[0], wholeMessage) << "the missing and the broken entries, named once";

  // Saved, both lists are the same files.
  for (const char* name : {"a.m3u", "a.npl2"}) {
    ASSERT_TRUE(model_->Save(dir_.File(std::string("bg-") + name)));
    ASSERT_TRUE(whole.Save(dir_.File(std::string("whole-") + name)));
    EXPECT_EQ(ReadFile(dir_.File(std::string("bg-") + name)),
              ReadFile(dir_.File(std::string("whole-") + name)))
        << name;
  }
}

TEST_F(PlaylistBackgroundTest, SavingOrLoadingIntoADeckDoesNotWaitForTheRest) {
  MakeFiles();
  const std::string list = BigList("big.m3u", 300);
  TEMDB wholeTable;
  PlaylistModel whole(wholeTable, options_, *reader_);
  whole.Load(list);
  ASSERT_TRUE(whole.Save(dir_.File("whole.m3u")));
  messages_.Clear();

  model_->SetBackgroundReading(true);
  FakeDeckPort deck1{0}, deck2{1};
  DeckTransport transport(deck1, deck2, *model_, options_);
  QSignalSpy labels(&transport, &DeckTransport::deckTrackChanged);
  model_->Load(list);
  ASSERT_TRUE(model_->RowPending(2));
  // A row loaded into a deck is read at once: the deck shows its tag, not its file name.
  model_->SetCursorRow(2);
  transport.PlaylistDblClick();
  ASSERT_EQ(labels.count(), 1);
  EXPECT_EQ(labels.last().at(1).toString(), "Artist 1");
  EXPECT_EQ(labels.last().at(2).toString(), "Title 1");
  EXPECT_FALSE(model_->RowPending(2));

  // Saving in the middle writes what the whole read gives (the rest is read first).
  ASSERT_TRUE(model_->Save(dir_.File("early.m3u")));
  EXPECT_FALSE(model_->Filling());
  EXPECT_EQ(ReadFile(dir_.File("early.m3u")), ReadFile(dir_.File("whole.m3u")));
  EXPECT_EQ(Marks()[1], "1") << "the deck's row kept its mark";
}

TEST_F(PlaylistBackgroundTest, ClearingOrReplacingTheListStopsTheReading) {
  MakeFiles();
  const std::string big = BigList("big.m3u", 2000);
  WriteFile(dir_.File("small.m3u"), "#EXTM3U\n" + files_[4] + "\n" + files_[0] + "\n");
  model_->SetBackgroundReading(true);
  QSignalSpy changed(model_.get(), &PlaylistModel::rowChanged);

  model_->Load(big);
  ASSERT_TRUE(model_->Filling());
  model_->ClearRows();
  EXPECT_FALSE(model_->Filling());
  changed.clear();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(changed.count(), 0) << "nothing of the cleared list arrives";
  EXPECT_EQ(table_.RowCount(), 0);
  EXPECT_TRUE(messages_.Texts().empty()) << "no message about a list that is gone";

  model_->Load(big);
  model_->Load(dir_.File("small.m3u"));
  ASSERT_TRUE(WaitForTags(*model_));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(Artists(), Strings({"tone.ogg", "Artist 0"})) << "only the second list's rows";
  EXPECT_TRUE(messages_.Texts().empty()) << "the broken entries of the first list are not named";
}

TEST_F(PlaylistBackgroundTest, AnUnplayableRowLeavesWithoutMovingTheCursorOrTheDeckRow) {
  MakeFiles();
  WriteFile(dir_.File("l.m3u"), "#EXTM3U\n" + broken_ + "\n" + files_[0] + "\n" + files_[1] +
                                    "\n" + files_[2] + "\n");
  model_->SetBackgroundReading(true);
  model_->Load(dir_.File("l.m3u"));
  ASSERT_EQ(table_.RowCount(), 4);
  // Deck 1 holds row 3, the DJ points at row 4.
  model_->SetCurrentRow(3);
  model_->SetMark(3, "1");
  model_->SetCursorRow(4);
  ASSERT_TRUE(WaitForTags(*model_));
  ASSERT_EQ(table_.RowCount(), 3);
  EXPECT_EQ(model_->CurrentRow(), 2);
  EXPECT_EQ(model_->Mark(2), "1");
  EXPECT_EQ(model_->CursorRow(), 3);
  EXPECT_EQ(model_->File(3), files_[2]) << "the cursor stayed on its track";
}

// The worker's reader must give what the checking deck gives, or a list read in the background
// would differ from one read whole.
TEST_F(PlaylistBackgroundTest, WorkerReaderGivesWhatTheCheckingDeckGives) {
  MakeFiles();
  MakeFolders(dir_.File("folder.mp3"));
  std::unique_ptr<TrackReader> worker = reader_->ForWorker();
  ASSERT_TRUE(worker);
  Strings paths = files_;
  for (const std::string& p : {broken_, dir_.File("folder.mp3"), dir_.File("gone.wav")}) paths.push_back(p);
  for (const std::string& path : paths) {
    TrackInfo deck, file;
    TrackError deckError = TrackError::None, fileError = TrackError::None;
    const bool deckOk = reader_->Read(path, deck, &deckError);
    const bool fileOk = worker->Read(path, file, &fileError);
    EXPECT_EQ(fileOk, deckOk) << path;
    EXPECT_EQ(fileError, deckError) << path;
    EXPECT_EQ(file.timeMs, deck.timeMs) << path;
    EXPECT_EQ(file.artist, deck.artist) << path;
    EXPECT_EQ(file.title, deck.title) << path;
    EXPECT_EQ(file.gain + file.intro + file.outro, deck.gain + deck.intro + deck.outro) << path;
  }
}

}  // namespace
}  // namespace spinwave::test
