#include <QSignalSpy>

#include "PlaylistFixture.h"
#include "meta/MetaFixtures.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class PlaylistModelTest : public PlaylistTest {};

TEST_F(PlaylistModelTest, AddingToAnEmptyPlaylistFillsRowOneWhateverTheInsertionRow) {
  const int a = LibraryRow("a");
  model_->SetInsertionRow(5);
  EXPECT_EQ(model_->AddLibraryRows(library_, {a}, AddMode::Insert), 1);
  ASSERT_EQ(table_.RowCount(), 1);
  EXPECT_EQ(model_->Cell(plArtist, 1), "a");
  EXPECT_EQ(model_->CursorRow(), 1);
}

TEST_F(PlaylistModelTest, LibraryRowsGoInAtTheDropRowInSelectionOrderOrAtTheEnd) {
  struct Case {
    const char* what;
    AddMode mode;
    int insertion;
    Strings expected;
    int currentAfter;  // current row 4 ("z") before
  };
  const Case cases[] = {
      {"drop on row 3 inserts before it", AddMode::Insert, 3,
       {"w", "x", "b", "a", "y", "z"}, 6},
      {"drop on the header (append)", AddMode::Append, 0, {"w", "x", "y", "z", "b", "a"}, 4},
      {"insertion row at the row count appends", AddMode::Insert, 5,
       {"w", "x", "y", "z", "b", "a"}, 4},
  };
  for (const Case& c : cases) {
    library_.ClearRows();
    Fill({"w", "x", "y", "z"});
    model_->SetCurrentRow(4);
    const int b = LibraryRow("b"), a = LibraryRow("a");
    model_->SetInsertionRow(c.insertion);
    EXPECT_EQ(model_->AddLibraryRows(library_, {b, a}, c.mode), 2) << c.what;
    EXPECT_EQ(Artists(), c.expected) << c.what;
    EXPECT_EQ(model_->CurrentRow(), c.currentAfter) << c.what << ": the deck keeps its track";
  }
}

TEST_F(PlaylistModelTest, LibraryCellsBecomePlaylistCells) {
  struct Case {
    std::string intro, automix;
    std::string wantIntro, wantSegue;
  };
  const Case cases[] = {
      {"0:15", "-1", "0:15", "4000"},  // four characters kept; no automix point: default segue
      {"15", "12500", "0:00", "12500"},  // not "m:ss": "0:00"; the automix point is the segue
      {"", "0", "0:00", "0"},
  };
  model_->SetDefaultSegueSeconds(4);
  for (const Case& c : cases) {
    model_->ClearRows();
    library_.ClearRows();
    const int r = LibraryRow("t", c.intro, c.automix);
    model_->AddLibraryRows(library_, {r}, AddMode::Append);
    EXPECT_EQ(model_->Cell(plIntro, 1), c.wantIntro) << c.intro;
    EXPECT_EQ(model_->Cell(plOutro, 1), "0:05");
    EXPECT_EQ(model_->Cell(plSegue, 1), c.wantSegue) << c.automix;
    EXPECT_EQ(model_->Cell(plTime, 1), "200000");
    EXPECT_EQ(model_->Cell(plTitle, 1), "T t");
  }
}

TEST_F(PlaylistModelTest, MissingLibraryFilesAreReportedAndSkipped) {
  const int a = LibraryRow("a");
  const int gone = LibraryRow("gone");
  ::remove(library_.GetItem(0, gone).c_str());
  EXPECT_EQ(model_->AddLibraryRows(library_, {gone, a}, AddMode::Append), 1);
  EXPECT_EQ(Artists(), Strings({"a"}));
  EXPECT_EQ(messages_.Texts(),
            Strings({"\"" + library_.GetItem(0, gone) + "\" doesn't exist!"}));
}

TEST_F(PlaylistModelTest, TrackAlreadyInThePlaylistIsAddedOnlyWhenTheUserSaysYes) {
  options_.SetBool("TrExistPl", true);
  const int a = LibraryRow("a");
  model_->AddLibraryRows(library_, {a}, AddMode::Append);
  {
    MessageCapture no(false);
    EXPECT_EQ(model_->AddLibraryRows(library_, {a}, AddMode::Append), 0);
    EXPECT_EQ(no.Texts(), Strings({"Track already in playlist!\n\nAdd it again?"}));
  }
  EXPECT_EQ(model_->AddLibraryRows(library_, {a}, AddMode::Append), 1);  // answered Yes
  EXPECT_EQ(table_.RowCount(), 2);
  options_.SetBool("TrExistPl", false);
  messages_.Clear();
  EXPECT_EQ(model_->AddLibraryRows(library_, {a}, AddMode::Append), 1);
  EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(PlaylistModelTest, FolderFilesTakeTheirLengthFromTheFileAndTheirNamesFromTheTag) {
  const std::string wav = Track("plain", 1500);
  const std::string mp3 = dir_.File("tagged.mp3");
  MakeSoundFile(mp3, true, 1.0);
  WriteId3v2(mp3, {{"TPE1", "Band"}, {"TIT2", "Song"}});
  const std::string notAudio = dir_.File("notes.mp3");
  WriteFile(notAudio, "this is not an MP3 file at all, just text");
  model_->SetDefaultSegueSeconds(6);
  EXPECT_EQ(model_->AddFiles({wav, notAudio, mp3, dir_.File("missing.wav")}, AddMode::Append), 2);
  ASSERT_EQ(table_.RowCount(), 2) << "files that cannot be opened leave no row";
  EXPECT_EQ(model_->Cell(plArtist, 1), "plain.wav") << "no tag: the file name";
  EXPECT_EQ(model_->Cell(plTitle, 1), "");
  EXPECT_NEAR(model_->TimeMs(1), 1500, 30);
  EXPECT_EQ(model_->Cell(plGain, 1), "0");
  EXPECT_EQ(model_->Cell(plIntro, 1), "0:00");
  EXPECT_EQ(model_->Cell(plSegue, 1), "6000");
  EXPECT_EQ(model_->Cell(plArtist, 2), "Band");
  EXPECT_EQ(model_->Cell(plTitle, 2), "Song");
  EXPECT_NEAR(model_->TimeMs(2), 1000, 60);
  EXPECT_EQ(checker_.GetFileName(entry_), "") << "the checking deck is left empty";
}

TEST_F(PlaylistModelTest, FolderFilesDroppedOnARowGoInBeforeIt) {
  Fill({"w", "x", "y"});
  model_->SetCurrentRow(3);
  model_->SetDeck2Row(2);
  const std::string a = Track("a"), b = Track("b");
  model_->SetInsertionRow(2);
  // One file that cannot be read in the middle: the deck rows stay on their tracks.
  EXPECT_EQ(model_->AddFiles({a, dir_.File("gone.wav"), b}, AddMode::Insert), 2);
  EXPECT_EQ(Artists(), Strings({"w", "a.wav", "b.wav", "x", "y"}));
  EXPECT_EQ(model_->Cell(plArtist, model_->CurrentRow()), "y");
  EXPECT_EQ(model_->Cell(plArtist, model_->Deck2Row()), "x");
}

TEST_F(PlaylistModelTest, MovingARowKeepsTheDeckRowsOnTheirTracks) {
  struct Case {
    int from, to;
    int current, deck2;
    const char* movedMark;
    int wantCurrent, wantDeck2;
  };
  const Case cases[] = {
      {5, 2, 3, 0, "", 4, 0},   // the edge case: current row 3 moves down to 4
      {2, 5, 3, 4, "", 2, 3},   // rows after the moved one move up
      {5, 2, 1, 6, "", 1, 6},   // rows outside the range stay
      {4, 1, 4, 2, "1", 1, 3},  // the moved row is deck 1's: the current row follows it
      {1, 6, 3, 1, "2", 2, 6},  // the moved row is deck 2's
  };
  for (const Case& c : cases) {
    Fill({"a", "b", "c", "d", "e", "f"});
    model_->SetCurrentRow(c.current);
    model_->SetDeck2Row(c.deck2);
    table_.SetItem(plMark, c.from - 1, c.movedMark);
    const std::string moved = table_.GetItem(plArtist, c.from - 1);
    model_->MoveRow(c.from, c.to);
    EXPECT_EQ(model_->Cell(plArtist, c.to), moved);
    EXPECT_EQ(model_->CurrentRow(), c.wantCurrent) << c.from << "->" << c.to;
    EXPECT_EQ(model_->Deck2Row(), c.wantDeck2) << c.from << "->" << c.to;
    EXPECT_EQ(model_->CursorRow(), c.to);
  }
}

TEST_F(PlaylistModelTest, RemovingSelectedRowsKeepsLoadedOnes) {
  Fill({"a", "b", "c", "d", "e"});
  table_.SetItem(plMark, 1, "1");  // b is in deck 1
  model_->SetCurrentRow(2);
  model_->SetDeck2Row(5);
  for (int r : {1, 2, 3}) model_->SetSelected(r, true);  // a, b, c
  QSignalSpy removed(model_.get(), &PlaylistModel::rowsRemoved);
  model_->DeleteSelected();
  EXPECT_EQ(Artists(), Strings({"b", "d", "e"}));
  EXPECT_EQ(model_->CurrentRow(), 1);
  EXPECT_EQ(model_->Deck2Row(), 3);
  EXPECT_EQ(model_->CursorRow(), 1);
  EXPECT_EQ(removed.size(), 1);

  model_->ClearRows();
  model_->DeleteSelected();  // an empty playlist: nothing happens
  EXPECT_EQ(model_->RowCount(), 1);
}

TEST_F(PlaylistModelTest, MarksOfTheCursorRowAndClearing) {
  Fill({"a", "b", "c"});
  model_->SetCursorRow(2);
  model_->DontPlay();
  EXPECT_EQ(Marks(), Strings({"", "X", ""}));
  table_.SetItem(plMark, 0, "V");
  table_.SetItem(plMark, 2, "V");
  model_->ClearMark("V");
  EXPECT_EQ(Marks(), Strings({"", "X", ""}));
  model_->RemoveX();
  EXPECT_EQ(Marks(), Strings({"", "", ""}));
  table_.SetItem(plMark, 1, "1");
  model_->DontPlay();  // a loaded row gets no "X"
  EXPECT_EQ(Marks(), Strings({"", "1", ""}));
}

TEST_F(PlaylistModelTest, ShuffleKeepsCursorSelectionAndDeckRowsOnTheirTracks) {
  std::vector<std::string> names;
  for (int i = 0; i < 30; ++i) names.push_back("t" + std::to_string(i));
  Fill(names);
  table_.SetItem(plMark, 4, "1");
  table_.SetItem(plMark, 9, "2");
  model_->SetCurrentRow(5);
  model_->SetDeck2Row(10);
  model_->SetCursorRow(7);
  model_->SetSelected(7, true);
  model_->SetSelected(12, true);
  model_->Shuffle();
  EXPECT_NE(Artists(), names) << "30 rows come back in order once in 30! shuffles";
  EXPECT_EQ(model_->Mark(model_->CurrentRow()), "1");
  EXPECT_EQ(model_->Cell(plArtist, model_->CurrentRow()), "t4");
  EXPECT_EQ(model_->Cell(plArtist, model_->Deck2Row()), "t9");
  EXPECT_EQ(model_->Cell(plArtist, model_->CursorRow()), "t6");
  std::vector<std::string> selected;
  for (int r = 1; r < model_->RowCount(); ++r)
    if (model_->Selected(r)) selected.push_back(model_->Cell(plArtist, r));
  std::sort(selected.begin(), selected.end());
  EXPECT_EQ(selected, Strings({"t11", "t6"}));
}

TEST_F(PlaylistModelTest, TotalPlayingTime) {
  EXPECT_EQ(model_->TotalText(), "Total playingtime: 0:00:00");
  Fill({"a", "b", "c"}, 1234567);  // 20:34.567 each
  EXPECT_EQ(model_->TotalMs(), 3 * 1234567);
  EXPECT_EQ(model_->TotalText(), "Total playingtime: 1:01:43");
  // Under automix the segues overlap; a segue longer than its track counts nothing.
  model_->SetAutoMix(true);
  table_.SetItem(plSegue, 2, "9999999");
  EXPECT_EQ(model_->TotalMs(), 2 * (1234567 - 4000));
}

TEST_F(PlaylistModelTest, CellTexts) {
  Fill({"a", "b", "c", "d"}, 215376);
  table_.SetItem(plSegue, 0, "8500");
  table_.SetItem(plSegue, 1, "-20");
  table_.SetItem(plMark, 2, "V");
  StartTimeReference none;
  bool right = false;
  EXPECT_EQ(model_->CellText(plTime, 1, 0, none, &right), "3:35");
  EXPECT_TRUE(right);
  EXPECT_EQ(model_->CellText(plSegue, 1, 0, none), "8,500");
  EXPECT_EQ(model_->CellText(plSegue, 2, 0, none), "0,000") << "0 or less shows 0 seconds";
  EXPECT_EQ(model_->CellText(plSegue, 0, 0, none), "Automix") << "header of the segue column";
  EXPECT_EQ(model_->CellText(plArtist, 0, 0, none), "Artist");
  EXPECT_EQ(model_->CellText(plMark, 2, 0, none), "2") << "an unmarked row shows its number";
  EXPECT_EQ(model_->CellText(plMark, 3, 0, none), "V");
}

TEST_F(PlaylistModelTest, BroadcastStartTimesCountFromThePlayingDeck) {
  Fill({"a", "b", "c", "d", "e"}, 200000);
  options_.SetBool("BroadcastTime", true);
  StartTimeReference ref;
  ref.row = 2;
  ref.positionMs = 50000;
  ref.rangeMs = 200000;
  const int64_t noon = 12LL * 3600 * 1000;
  // Later rows: the remaining 150 s of row 2, then 200 s per row between.
  EXPECT_EQ(model_->CellText(plMark, 3, noon, ref), "12:02:30");
  EXPECT_EQ(model_->CellText(plMark, 5, noon, ref), "12:09:10");
  // Earlier rows: back by what row 2 played and the rows between.
  EXPECT_EQ(model_->CellText(plMark, 1, noon, ref), "11:55:50");
  // Under automix every segue (4 s here) is overlapped.
  model_->SetAutoMix(true);
  EXPECT_EQ(model_->CellText(plMark, 3, noon, ref), "12:02:26");
  EXPECT_EQ(model_->CellText(plMark, 5, noon, ref), "12:08:58");
  // Shortly before midnight the start times wrap to the next day.
  EXPECT_EQ(model_->CellText(plMark, 3, 24LL * 3600 * 1000 - 1000, ref), "0:02:25");
}

TEST_F(PlaylistModelTest, LoadToPlaylistResults) {
  const std::string a = Track("a");
  const std::string text = dir_.File("notes.txt");
  WriteFile(text, "hello");
  const std::string broken = dir_.File("broken.ogg");
  WriteFile(broken, "not ogg");
  EXPECT_EQ(model_->LoadToPlaylist(dir_.File("none.mp3"), false), 0);
  EXPECT_EQ(model_->LoadToPlaylist(text, false), -1);
  EXPECT_EQ(model_->LoadToPlaylist(a, false), 1);
  EXPECT_EQ(model_->LoadToPlaylist(a, true), 0) << "quiet: a track already there is refused";
  EXPECT_EQ(model_->LoadToPlaylist(broken, false), -1);
  EXPECT_EQ(Artists(), Strings({"a.wav"}));
  // An empty first row is reused; the rows after it are kept.
  table_.SetRowCount(3);
  table_.SetItem(plFile, 0, "");
  table_.SetItem(plArtist, 0, "");
  table_.SetItem(plArtist, 2, "kept");
  table_.SetItem(plFile, 2, a);
  EXPECT_EQ(model_->LoadToPlaylist(Track("b"), false), 1);
  EXPECT_EQ(table_.GetItem(plArtist, 0), "b.wav");
  EXPECT_EQ(table_.GetItem(plArtist, 2), "kept");
}

}  // namespace
}  // namespace spinwave::test
