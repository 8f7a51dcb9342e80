// The track editor: navigation over the selection, tag values over library values, saving tag
// and row, "Get real Time", renaming, file mode.
#include <QDir>

#include "AudioFixtures.h"
#include "LibraryFixture.h"
#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "library/TrackEditor.h"
#include "meta/MetaFixtures.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

class TrackEditorTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    deck_ = std::make_unique<TFMODJingle>(QStringLiteral("CheckMP3"));
    deck_->Init("fmoddb.dll");
    deck_->SetOutputType(NOSOUND);
    deck_->SetMaxChannels(1);
    deck_->SetOutput();
    entry_ = deck_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    deck_->EmptyFileEntry(entry_);
    deck_.reset();
  }
  // Appends library rows for these files (Artist "A<n>", Title "T<n>") and saves the library.
  void AddRows(const std::vector<std::string>& files) {
    for (const std::string& f : files) {
      const int r = library_.RowCount();
      library_.SetRowCount(r + 1);
      SetLibraryItem(library_, "File", r, f);
      SetLibraryItem(library_, "Artist", r, "A" + std::to_string(r));
      SetLibraryItem(library_, "Title", r, "T" + std::to_string(r));
      SetLibraryItem(library_, "Time", r, "61500");
      SetLibraryItem(library_, "PlTimes", r, "4");
      SetLibraryItem(library_, "Intro", r, "0:12");
      SetLibraryItem(library_, "Outro", r, "0:05");
      SetLibraryItem(library_, "Automix", r, "-1");
      SetLibraryItem(library_, "ID", r, "Shelf");
    }
    ASSERT_TRUE(library_.SaveToFile());
  }
  std::unique_ptr<TFMODJingle> deck_;
  int entry_ = -1;
};

TEST_F(TrackEditorTest, StepsThroughTheSelectedRowsOnly) {
  std::vector<std::string> files;
  for (int i = 0; i < 5; ++i) files.push_back(Mp3("m/f" + std::to_string(i) + ".mp3", 0.2));
  AddRows(files);
  for (int r : {1, 2, 4}) library_.SetRowSelected(r, true);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  // Grid rows are table rows + 1.
  EXPECT_EQ(editor.Record(), 2);
  EXPECT_EQ(editor.Fields().FileName, files[1]);
  EXPECT_FALSE(editor.SelBackEnabled());
  EXPECT_TRUE(editor.SelForwEnabled());
  editor.SelForwClick();
  EXPECT_EQ(editor.Record(), 3);
  EXPECT_TRUE(editor.SelBackEnabled());
  EXPECT_TRUE(editor.SelForwEnabled());
  editor.SelForwClick();
  EXPECT_EQ(editor.Record(), 5);
  EXPECT_FALSE(editor.SelForwEnabled());
  editor.SelBackClick();
  editor.SelBackClick();
  EXPECT_EQ(editor.Record(), 2);
  EXPECT_FALSE(editor.SelBackEnabled());
  EXPECT_TRUE(editor.SelForwEnabled());
}

TEST_F(TrackEditorTest, TagValuesWinOverTheLibraryEmptyOnesIncluded) {
  const std::string tagged = Mp3("m/tagged.mp3", 0.2, {{"TPE1", "Tag Artist"}, {"TALB", "LP"}});
  const std::string untagged = Mp3("m/plain.mp3", 0.2);
  AddRows({tagged, untagged});
  library_.SetRowSelected(0, true);
  library_.SetRowSelected(1, true);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  const TrackFields& f = editor.Fields();
  EXPECT_EQ(f.Artist, "Tag Artist");
  EXPECT_EQ(f.Title, "");  // the tag has none: the library's "T0" is not shown
  EXPECT_EQ(f.Album, "LP");
  EXPECT_EQ(f.Intro, "0:12");  // the tag holds no intro: the library's stays
  EXPECT_EQ(f.Time, "1:01.500");
  EXPECT_EQ(f.PlayedTimes, "4 time(s)");
  EXPECT_EQ(f.MPEGLayer, "3");
  EXPECT_EQ(f.SampleRate, "44100");
  EXPECT_EQ(f.MPEGVersion, "1.0");
  editor.SelForwClick();
  EXPECT_EQ(editor.Fields().Artist, "A1");  // no tag: the library's values
  EXPECT_EQ(editor.Fields().Title, "T1");
}

TEST_F(TrackEditorTest, SaveChecksAutomixAndRewritesOnlyTheEditedLine) {
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i) files.push_back(Mp3("m/s" + std::to_string(i) + ".mp3", 0.2));
  AddRows(files);
  library_.SetRowSelected(1, true);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();

  const struct {
    const char* automix;
    bool saves;
  } cases[] = {{"", false}, {"abc", false}, {"12x", false}, {"0", true}, {"4500", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.automix);
    const std::vector<std::string> before = SplitLines(ReadFile(library_.FileName));
    MessageCapture messages;
    editor.Fields().Artist = std::string("New ") + c.automix;
    editor.Fields().Automix = c.automix;
    EXPECT_EQ(editor.SaveBtnClick(), c.saves);
    const std::vector<std::string> after = SplitLines(ReadFile(library_.FileName));
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    std::string changedLine;
    for (size_t i = 0; i < after.size(); ++i)
      if (after[i] != before[i]) {
        ++changed;
        changedLine = after[i];
      }
    if (!c.saves) {
      ASSERT_EQ(messages.Texts().size(), 1u);
      EXPECT_EQ(messages.Texts()[0], "Invalid automix value");
      EXPECT_EQ(changed, 0);
    } else {
      EXPECT_TRUE(messages.Texts().empty());
      EXPECT_EQ(changed, 1);
      EXPECT_EQ(Cell(files[1], "Automix"), c.automix);
      EXPECT_EQ(Cell(files[1], "Artist"), editor.Fields().Artist);
      EXPECT_NE(changedLine.find(files[1]), std::string::npos);
      TEMID3Tag tag;
      ASSERT_TRUE(tag.SetFilename(files[1]));
      EXPECT_EQ(tag.GetArtist(), editor.Fields().Artist);
      EXPECT_EQ(tag.GetID3v2String(ID3FID_SONGLEN), "61500");  // the library's time
    }
  }
}

TEST_F(TrackEditorTest, AWavFileIsAWrongFileAndNothingIsSaved) {
  const std::string wav = Wav("m/tone.wav", 300);
  AddRows({wav});
  library_.SetRowSelected(0, true);
  const std::string before = ReadFile(library_.FileName);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  editor.Fields().Artist = "Changed";
  MessageCapture messages;
  EXPECT_FALSE(editor.SaveBtnClick());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Wrong file");
  EXPECT_EQ(Cell(wav, "Artist"), "A0");
  EXPECT_EQ(ReadFile(library_.FileName), before);
}

TEST_F(TrackEditorTest, SavingUnderAFilterWritesTheRowThatIsShown) {
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i) files.push_back(Mp3("m/r" + std::to_string(i) + ".mp3", 0.2));
  AddRows(files);
  ASSERT_EQ(library_.Filter(ColumnIndex(library_, "Artist"), "A2"), 1);
  library_.SetRowSelected(0, true);  // visible row 0 is table row 2
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  ASSERT_EQ(editor.Fields().FileName, files[2]);
  editor.Fields().Title = "Edited";
  ASSERT_TRUE(editor.SaveBtnClick());
  library_.ClearFilter();
  EXPECT_EQ(Cell(files[2], "Title"), "Edited");
  EXPECT_EQ(Cell(files[0], "Title"), "T0");
}

TEST_F(TrackEditorTest, GetRealTimeMeasuresTheFileOnTheCheckingDeck) {
  // 3 minutes 25.4 seconds, mono 8 kHz so the file stays small.
  const std::string file = Wav("m/long.wav", 205400, 8000);
  AddRows({file});
  library_.SetRowSelected(0, true);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  ASSERT_TRUE(editor.GetRealTimeClick());
  EXPECT_EQ(editor.Fields().Time, "3:25.400");
  EXPECT_EQ(Cell(file, "Time"), "205400");
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  EXPECT_EQ(GetLibraryItem(reread, "Time", 1), "205400");
  EXPECT_EQ(deck_->GetFileName(entry_), "");  // closed again
  EXPECT_TRUE(deck_->BlockAtOpening());

  // A file the deck cannot read changes nothing.
  WriteFile(file, "not audio");
  EXPECT_FALSE(editor.GetRealTimeClick());
  EXPECT_EQ(Cell(file, "Time"), "205400");
}

TEST_F(TrackEditorTest, ConvertFilenameRenamesToArtistTitleMp3AndKeepsTheLibraryInStep) {
  const std::string ogg = Ogg("m/clip.ogg", 0.3);
  const std::string other = Mp3("m/x.mp3", 0.2);
  AddRows({ogg, other});
  library_.SetRowSelected(0, true);
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowLibrary();
  editor.Fields().Artist = "AC/DC";
  editor.Fields().Title = "Song";
  ASSERT_TRUE(editor.ConvertFilenameClick());
  // The ending is always ".mp3"; a "/" in a tag does not move the file to another folder.
  const std::string renamed = temp_.File("m/AC-DC - Song.mp3");
  EXPECT_EQ(editor.Fields().FileName, renamed);
  EXPECT_TRUE(FileExists(renamed));
  EXPECT_FALSE(FileExists(ogg));
  EXPECT_EQ(Cell(renamed, "Artist"), "A0");
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  EXPECT_EQ(GetLibraryItem(reread, "File", 1), renamed);

  // A second track with the same artist and title does not overwrite the first.
  library_.SetRowSelected(0, false);
  library_.SetRowSelected(1, true);
  editor.ShowLibrary();
  editor.Fields().Artist = "AC-DC";
  editor.Fields().Title = "Song";
  const std::string firstBytes = ReadFile(renamed);
  EXPECT_FALSE(editor.ConvertFilenameClick());
  EXPECT_TRUE(FileExists(other));
  EXPECT_EQ(ReadFile(renamed), firstBytes);
}

TEST_F(TrackEditorTest, FileModeEditsTheFolderFilesAndLeavesTheLibraryAlone) {
  Mp3("m/one.mp3", 0.2, {{"TPE1", "One"}});
  Mp3("m/two.mp3", 0.2, {{"TPE1", "Two"}});
  AddRows({temp_.File("m/one.mp3")});
  const std::string before = ReadFile(library_.FileName);
  FileSelection files;
  files.Folder = temp_.File("m");
  files.Names = {"one.mp3", "two.mp3"};
  files.Selected = {false, false};
  files.Current = 1;
  TrackEditor editor(library_, deck_.get(), entry_);
  editor.ShowFiles(files);
  EXPECT_FALSE(editor.LibraryFieldsEnabled());
  EXPECT_EQ(editor.Fields().FileName, temp_.File("m/two.mp3"));
  EXPECT_EQ(editor.Fields().Artist, "Two");
  EXPECT_FALSE(editor.GetRealTimeClick());
  editor.Fields().Artist = "Second";
  ASSERT_TRUE(editor.SaveBtnClick());
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(temp_.File("m/two.mp3")));
  EXPECT_EQ(tag.GetArtist(), "Second");
  EXPECT_EQ(ReadFile(library_.FileName), before);

  // Two selected files: navigation as in library mode, starting at the first selected one.
  files.Selected = {true, true};
  editor.ShowFiles(files);
  EXPECT_EQ(editor.Record(), 0);
  EXPECT_TRUE(editor.SelForwEnabled());
}

TEST_F(TrackEditorTest, TimeTexts) {
  const struct {
    int ms;
    const char* text;
  } cases[] = {{0, "0:00.000"}, {205400, "3:25.400"}, {59999, "0:59.999"}, {3600000, "60:00.000"}};
  for (const auto& c : cases) EXPECT_EQ(TimeWithMilliseconds(c.ms), c.text);
}

}  // namespace
}  // namespace spinwave::test
