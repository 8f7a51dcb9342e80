// The library scan: rows added from tags, stored durations, folder structures and the checking
// deck; scanning twice; the scan options; Cancel; the update and empty steps; the wizard.
#include <QCoreApplication>
#include <QElapsedTimer>

#include "LibraryFixture.h"
#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "meta/MetaFixtures.h"
#include "meta/TEMID3Tag.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

using LibraryScanTest = LibraryTest;

TEST_F(LibraryScanTest, AddsOneRowPerFileFromTagsStructuresAndTheDeckAndNothingTheSecondTime) {
  // The tagged file claims 123.456 s but holds half a second: its row must carry the tag's
  // duration, which shows it was never opened in the deck.
  const std::string tagged = Mp3("music/tagged.mp3", 0.5,
                                 {{"TPE1", "Tag Artist"}, {"TIT2", "Tag Title"},
                                  {"TALB", "Album"}, {"TLEN", "123456"}, {"TCON", "(17)Live"},
                                  {"TRCK", "7"}});
  const std::string plain = Mp3("music/Band - Song.mp3", 1.0);
  const std::string odd = Mp3("music/nostructure.mp3", 1.0);
  const std::string wav = Wav("music/z-tone.wav", 1500);
  const std::string ogg = Ogg("music/sub/clip.ogg", 1.0);
  MessageCapture messages;

  const ScanSummary first = ScanFolder(temp_.File("music"));
  EXPECT_EQ(first.Added, 5);
  EXPECT_EQ(first.Unreadable, 0);
  ASSERT_EQ(library_.RowCount(), 5);

  EXPECT_EQ(Cell(tagged, "Time"), "123456");
  EXPECT_EQ(Cell(tagged, "Artist"), "Tag Artist");
  EXPECT_EQ(Cell(tagged, "Title"), "Tag Title");
  EXPECT_EQ(Cell(tagged, "Genre 1"), "Rock");
  EXPECT_EQ(Cell(tagged, "Genre 2"), "Live");
  EXPECT_EQ(Cell(tagged, "Tracknr"), "7");

  EXPECT_EQ(Cell(plain, "Artist"), "Band");
  EXPECT_EQ(Cell(plain, "Title"), "Song");
  EXPECT_NEAR(std::stoi(Cell(plain, "Time")), 1000, 60);
  EXPECT_EQ(Cell(odd, "Artist"), "nostructure.mp3");  // no structure fits: the file name

  // The WAV file is scanned after a tagged one and takes none of its values.
  EXPECT_EQ(Cell(wav, "Artist"), "z-tone.wav");
  EXPECT_EQ(Cell(wav, "Genre 1"), "Unknown");
  EXPECT_EQ(Cell(wav, "Title"), "");
  EXPECT_EQ(Cell(wav, "Time"), "1500");
  EXPECT_NEAR(std::stoi(Cell(ogg, "Time")), 1000, 30);

  for (const std::string& f : {tagged, plain, odd, wav, ogg}) {
    SCOPED_TRACE(f);
    EXPECT_EQ(Cell(f, "PlTimes"), "0");
    EXPECT_EQ(Cell(f, "Gain"), "0");
    EXPECT_EQ(Cell(f, "Intro"), "0:00");
    EXPECT_EQ(Cell(f, "Outro"), "0:00");
    EXPECT_EQ(Cell(f, "Automix"), "-1");
    EXPECT_EQ(Cell(f, "ID"), "Test ID");
  }

  // Saved whole: a fresh table reads the same rows.
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  EXPECT_EQ(reread.RowCount(), 5);

  const ScanSummary second = ScanFolder(temp_.File("music"));
  EXPECT_EQ(second.Added, 0);
  EXPECT_EQ(second.Already, 5);
  EXPECT_EQ(library_.RowCount(), 5);
  EXPECT_TRUE(messages.Texts().empty()) << messages.Texts().front();
}

TEST_F(LibraryScanTest, PathsDifferingOnlyInLetterCaseCountAsKnown) {
  const std::string file = Mp3("music/Track.mp3", 0.3, {{"TLEN", "1000"}});
  library_.SetRowCount(1);
  SetLibraryItem(library_, "File", 0, temp_.File("music/TRACK.MP3"));
  const ScanSummary s = ScanFolder(temp_.File("music"));
  EXPECT_EQ(s.Added, 0);
  EXPECT_EQ(s.Already, 1);
  EXPECT_EQ(RowOf(file), -1);
}

TEST_F(LibraryScanTest, OnlyID3v1LeavesTheID3v2TagUnread) {
  const std::string file = Mp3("music/both.mp3", 0.3, {{"TIT2", "From v2"}, {"TLEN", "900"}});
  WriteId3v1Title(file, "From v1");
  {
    ScanOptions o;
    o.OnlyID3v1 = true;
    ScanFolder(temp_.File("music"), o);
    EXPECT_EQ(Cell(file, "Title"), "From v1");
    // Without the ID3v2 tag there is no stored duration: the deck measured the file.
    EXPECT_NEAR(std::stoi(Cell(file, "Time")), 300, 60);
  }
  CreateDatabase(library_);
  ScanFolder(temp_.File("music"));
  EXPECT_EQ(Cell(file, "Title"), "From v2");
  EXPECT_EQ(Cell(file, "Time"), "900");
}

TEST_F(LibraryScanTest, SaveTimeWritesTheMeasuredLengthIntoMp3TagsButNeverTouchesWav) {
  const std::string mp3 = Mp3("music/untimed.mp3", 1.0, {{"TPE1", "Someone"}});
  const std::string wav = Wav("music/tone.wav", 700);
  const std::string wavBytes = ReadFile(wav);
  ScanOptions o;
  o.SaveTime = true;
  ScanFolder(temp_.File("music"), o);

  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetID3v2String(ID3FID_SONGLEN), Cell(mp3, "Time"));
  EXPECT_GT(tag.GetTime(), 900);
  EXPECT_EQ(ReadFile(wav), wavBytes);
}

TEST_F(LibraryScanTest, CancelWhileAddingKeepsAndSavesTheRowsAddedSoFar) {
  for (int i = 0; i < 6; ++i) Mp3("music/t" + std::to_string(i) + ".mp3", 0.3);
  MessageCapture messages;
  LibraryScan scan(library_);
  scan.SetQuiet(true);
  scan.DirTreePathChange(temp_.File("music"), "music");
  scan.SearchBtnClick();
  // Run until two rows are in, then cancel as the progress window's button does.
  QElapsedTimer clock;
  clock.start();
  while (library_.RowCount() < 2 && clock.elapsed() < 30000) {
    if (scan.WaitingForOpen())
      scan.CompleteOpenNow();
    else
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  scan.Cancel();
  ASSERT_TRUE(RunToEnd(scan));
  EXPECT_TRUE(scan.Summary().Cancelled);
  const int kept = library_.RowCount();
  EXPECT_GE(kept, 2);
  EXPECT_LT(kept, 6);
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  EXPECT_EQ(reread.RowCount(), kept);
  EXPECT_EQ(scan.Step(), 1);  // back at the first step
}

TEST_F(LibraryScanTest, CancelDuringTheSearchAddsNothing) {
  for (int i = 0; i < 3; ++i) Mp3("music/t" + std::to_string(i) + ".mp3", 0.2);
  LibraryScan scan(library_);
  scan.SetQuiet(true);
  scan.DirTreePathChange(temp_.File("music"), "music");
  scan.SearchBtnClick();
  ASSERT_EQ(scan.CurrentPhase(), LibraryScan::Searching);
  scan.Cancel();
  ASSERT_TRUE(RunToEnd(scan));
  EXPECT_EQ(library_.RowCount(), 0);
}

TEST_F(LibraryScanTest, UpdateAsksOncePerMissingFileAndRemovesOnlyOnYes) {
  const std::string kept = Wav("music/kept.wav", 200);
  library_.SetRowCount(3);
  const std::vector<std::pair<std::string, std::string>> rows = {
      {temp_.File("gone1.mp3"), "Gone One"}, {kept, "Kept"}, {temp_.File("gone2.mp3"), "Gone Two"}};
  for (int r = 0; r < 3; ++r) {
    SetLibraryItem(library_, "File", r, rows[size_t(r)].first);
    SetLibraryItem(library_, "Artist", r, rows[size_t(r)].second);
    SetLibraryItem(library_, "Title", r, "T");
  }
  ASSERT_TRUE(library_.SaveToFile());
  for (bool answer : {false, true}) {
    SCOPED_TRACE(answer ? "Yes" : "No");
    MessageCapture messages(answer);
    LibraryScan scan(library_);
    scan.SetQuiet(true);
    scan.UpdateBtnClick();
    ASSERT_TRUE(RunToEnd(scan));
    ASSERT_EQ(messages.Texts().size(), 2u);
    EXPECT_EQ(messages.Texts()[0], "Gone One-T doesn't exist!\n\nDelete it from the database?");
    EXPECT_EQ(messages.Texts()[1], "Gone Two-T doesn't exist!\n\nDelete it from the database?");
    TEMDB reread;
    reread.Title = kLibraryTitle;
    ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
    EXPECT_EQ(library_.RowCount(), answer ? 1 : 3);
    EXPECT_EQ(reread.RowCount(), answer ? 1 : 3);
  }
  EXPECT_EQ(Cell(kept, "Artist"), "Kept");
}

TEST_F(LibraryScanTest, EmptyingAsksKeepsTheOldFileAsideAndSavesAnEmptyLibrary) {
  library_.SetRowCount(2);
  SetLibraryItem(library_, "File", 0, "/x/a.mp3");
  SetLibraryItem(library_, "File", 1, "/x/b.mp3");
  ASSERT_TRUE(library_.SaveToFile());
  const std::string before = ReadFile(library_.FileName);
  LibraryScan scan(library_);
  {
    MessageCapture no(false);
    scan.EmptyBtnClick();
    EXPECT_EQ(library_.RowCount(), 2);
  }
  MessageCapture yes(true);
  scan.EmptyBtnClick();
  ASSERT_EQ(yes.Texts().size(), 1u);
  EXPECT_EQ(yes.Texts()[0], "Are you really sure to empty the database?");
  EXPECT_EQ(library_.RowCount(), 0);
  EXPECT_EQ(library_.ColCount(), 16);
  EXPECT_EQ(ReadFile(library_.FileName + ".bak"), before);
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  EXPECT_EQ(reread.RowCount(), 0);
}

TEST_F(LibraryScanTest, WizardStepsAndButtons) {
  LibraryScan scan(library_);
  EXPECT_EQ(scan.Step(), 0);
  EXPECT_TRUE(scan.ActionsEnabled());
  scan.AddBtnClick();
  EXPECT_EQ(scan.Step(), 1);
  EXPECT_FALSE(scan.ActionsEnabled());
  EXPECT_FALSE(scan.BackEnabled());
  EXPECT_FALSE(scan.NextEnabled());  // no folder chosen yet
  scan.DirTreePathChange("/srv/music", "A folder name longer than twenty-two");
  EXPECT_EQ(scan.DirID(), "A folder name longer t");
  EXPECT_TRUE(scan.NextEnabled());
  // Steps forward, with Back enabled from step 2 and Next disabled on step 4.
  const struct { int step; bool back, next; } forward[] = {{2, true, true}, {3, true, true},
                                                           {4, true, false}};
  for (const auto& e : forward) {
    scan.NextBtnClick();
    EXPECT_EQ(scan.Step(), e.step);
    EXPECT_EQ(scan.BackEnabled(), e.back);
    EXPECT_EQ(scan.NextEnabled(), e.next);
  }
  scan.NextBtnClick();
  EXPECT_EQ(scan.Step(), 4);
  for (int expected : {3, 2, 1}) {
    scan.BackBtnClick();
    EXPECT_EQ(scan.Step(), expected);
    EXPECT_TRUE(scan.NextEnabled());
  }
  EXPECT_FALSE(scan.BackEnabled());
  scan.CancelBtnClick();
  EXPECT_EQ(scan.Step(), 0);
  EXPECT_TRUE(scan.ActionsEnabled());
}

TEST_F(LibraryScanTest, CloseStoresStructuresAndOptionsForTheNextScan) {
  {
    LibraryScan scan(library_);
    scan.Structures() = {"Genre/Artist - Title.mp3"};
    scan.Options().ExactSearch = true;
    scan.Options().SubDirs = false;
    scan.CloseBtnClick();
  }
  LibraryScan again(library_);
  EXPECT_EQ(again.Structures(), std::vector<std::string>{"Genre/Artist - Title.mp3"});
  EXPECT_TRUE(again.Options().ExactSearch);
  EXPECT_FALSE(again.Options().SubDirs);
}

TEST_F(LibraryScanTest, WithoutSubfoldersOnlyTheFolderItselfIsScanned) {
  const std::string top = Mp3("music/top.mp3", 0.2, {{"TLEN", "500"}});
  Mp3("music/deeper/below.mp3", 0.2, {{"TLEN", "500"}});
  ScanOptions o;
  o.SubDirs = false;
  const ScanSummary s = ScanFolder(temp_.File("music"), o);
  EXPECT_EQ(s.Added, 1);
  EXPECT_GE(RowOf(top), 0);
}

}  // namespace
}  // namespace spinwave::test
