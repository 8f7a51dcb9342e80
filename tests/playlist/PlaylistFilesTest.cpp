#include "PlaylistFixture.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "playlist/PlaylistFiles.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class PlaylistFilesTest : public PlaylistTest {};

TEST_F(PlaylistFilesTest, Npl2RoundTripKeepsRowsButNoMarks) {
  Fill({"a", "b", "c", "d"});
  const Strings marks = {"V", "X", "1", "2"};
  for (int r = 0; r < 4; ++r) table_.SetItem(plMark, r, marks[r]);
  table_.SetItem(plArtist, 1, "Band, with \"quotes\"");
  const std::string path = dir_.File("show.npl2");
  ASSERT_TRUE(model_->Save(path));
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("\r\nSpinwave v2 Playlist\r\n"), std::string::npos);
  for (const std::string& m : marks) EXPECT_EQ(text.find("\r\n" + m + ","), std::string::npos);

  model_->ClearRows();
  model_->SetCurrentRow(3);
  const PlaylistReadResult result = model_->Load(path);
  EXPECT_TRUE(result.loaded);
  EXPECT_EQ(Artists(), Strings({"a", "Band, with \"quotes\"", "c", "d"}));
  EXPECT_EQ(Marks(), Strings({"", "", "", ""}));
  EXPECT_EQ(model_->CurrentRow(), 0) << "the decks' tracks are no longer tied to rows";
  EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(PlaylistFilesTest, Npl2SegueWrittenAsSecondsReadsAsMilliseconds) {
  const std::string a = Track("a");
  const std::string path = dir_.File("old.npl2");
  WriteFile(path, "30,120,120,-1,50,-1,50,50,-1\r\n0,0,0,0,1,0,0,0,1\r\n"
                  "Spinwave v2 Playlist\r\n,Artist,Title,File,Time,Gain,Intro,Outro,Segue\r\n"
                  ",A," "T," + a + ",200000,0,0:00,0:00,\"8,500\"\r\n");
  model_->Load(path);
  ASSERT_EQ(table_.RowCount(), 1);
  EXPECT_EQ(model_->SegueMs(1), 8500);
}

TEST_F(PlaylistFilesTest, SavedNamesFollowTheChosenFilter) {
  struct Case {
    const char* chosen;
    bool m3u;
    const char* saved;
  };
  const Case cases[] = {
      {"/l/mix", true, "/l/mix.m3u"},        {"/l/mix", false, "/l/mix.npl2"},
      {"/l/mix.npl", false, "/l/mix.npl.npl2"}, {"/l/mix.M3U", false, "/l/mix.M3U"},
      {"/l/mix.npl2", true, "/l/mix.npl2"},
  };
  for (const Case& c : cases) EXPECT_EQ(SavePlaylistName(c.chosen, c.m3u), c.saved) << c.chosen;

  // Whatever the name, only ".m3u" writes M3U; ".npl" and others write the table file.
  Fill({"a"});
  ASSERT_TRUE(model_->Save(dir_.File("x.npl")));
  EXPECT_NE(ReadFile(dir_.File("x.npl")).find("\r\nSpinwave v2 Playlist\r\n"),
            std::string::npos);
}

TEST_F(PlaylistFilesTest, M3UWriterAndReader) {
  Fill({"a", "b"});
  table_.SetItem(plTime, 0, "215376");
  table_.SetItem(plArtist, 0, "Artist");
  table_.SetItem(plTitle, 0, "Title");
  const std::string path = dir_.File("list.m3u");
  ASSERT_TRUE(model_->Save(path));
  EXPECT_EQ(ReadFile(path), "#EXTM3U\r\n#EXTINF:215,Artist - Title\r\n" + dir_.File("a.wav") +
                                "\r\n#EXTINF:60,b - b\r\n" + dir_.File("b.wav") + "\r\n");
  // Titles and times come from the files, not from the "#EXTINF" lines.
  model_->ClearRows();
  model_->SetDefaultSegueSeconds(3);
  model_->Load(path);
  EXPECT_EQ(Artists(), Strings({"a.wav", "b.wav"}));
  EXPECT_NEAR(model_->TimeMs(1), 500, 30);
  EXPECT_EQ(model_->SegueMs(2), 3000);
}

TEST_F(PlaylistFilesTest, M3UEntriesAreResolvedAgainstTheListsFolder) {
  struct Case {
    const char* entry;
    const char* resolved;
  };
  const Case cases[] = {
      {"music\\a.mp3", "/lists/music/a.mp3"},
      {"music/a.mp3", "/lists/music/a.mp3"},
      {"a.mp3", "/lists/a.mp3"},
      {"/srv/music/a.mp3", "/srv/music/a.mp3"},
      {"D:\\music\\a.mp3", "D:\\music\\a.mp3"},
      {"\\\\server\\share\\a.mp3", "\\\\server\\share\\a.mp3"},
      {"file:///srv/music/a%20b.mp3", "/srv/music/a b.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveM3UEntry(c.entry, "/lists/"), c.resolved) << c.entry;

  // A real list with a relative entry in a sub-folder.
  MakeFolders(dir_.File("lists/music"));
  ToneSpec tone;
  ASSERT_TRUE(WriteTone(dir_.File("lists/music/a.wav"), AudioFormat::Wav, tone));
  WriteFile(dir_.File("lists/x.m3u"), "#EXTM3U\r\nmusic\\a.wav\r\n");
  model_->Load(dir_.File("lists/x.m3u"));
  EXPECT_EQ(model_->File(1), dir_.File("lists/music/a.wav"));
}

TEST_F(PlaylistFilesTest, NplRowsKeepTheirStoredValues) {
  const std::string a = Track("a"), b = Track("b");
  const std::string path = dir_.File("old.npl");
  WriteFile(path, "Spinwave Playlist\n"
                  "Abba,\"Dancing Queen\",230000,2,0:12,0:08,\n" + a + "\n"
                  "Gone,Missing,1000,0,0:00,0:00,1000\n" + dir_.File("gone.wav") + "\n"
                  "Band,Song,180000,0,0:00,0:00,5000,extra,fields\n" + b + "\n"
                  "Last,\"Without a path\",1000,0,0:00,0:00,0\n");
  model_->SetDefaultSegueSeconds(7);
  model_->Load(path);
  ASSERT_EQ(Artists(), Strings({"Abba", "Band"}));
  EXPECT_EQ(model_->Cell(plTitle, 1), "Dancing Queen");
  EXPECT_EQ(model_->TimeMs(1), 230000) << "stored values are taken as they stand";
  EXPECT_EQ(model_->Cell(plIntro, 1), "0:12");
  EXPECT_EQ(model_->SegueMs(1), 7000) << "an empty segue gets the default";
  EXPECT_EQ(model_->SegueMs(2), 5000);
  ASSERT_EQ(messages_.Texts().size(), 1u);
  EXPECT_NE(messages_.Texts()[0].find("gone.wav\" doesn't exist"), std::string::npos);
}

// Bad input: whatever the file holds, the console loads what it can, names what it could not in
// one message, and never leaves the playlist half-replaced.
TEST_F(PlaylistFilesTest, BadPlaylistFiles) {
  const std::string a = Track("a"), b = Track("b");
  MakeFolders(dir_.File("folder.mp3"));
  const std::string text = dir_.File("text.mp3");
  WriteFile(text, "plain text");
  std::string latin1Name = dir_.File("caf\xC3\xA9.wav");  // the file's name is UTF-8
  ToneSpec tone;
  ASSERT_TRUE(WriteTone(latin1Name, AudioFormat::Wav, tone));
  std::string many = "#EXTM3U\n";
  for (int i = 0; i < 10000; ++i) many += dir_.File("none" + std::to_string(i) + ".mp3") + "\n";

  struct Case {
    const char* what;
    const char* name;
    std::string content;  // "<none>": no file; "<folder>": a folder of that name
    Strings artists;      // rows after the load ("keep" rows stay when nothing replaced them)
    size_t messages;
    const char* messagePart;
  };
  const Case cases[] = {
      {"missing file", "missing.m3u", "<none>", {"keep1", "keep2"}, 1, "could not be read"},
      {"a folder instead of a file", "dir.m3u", "<folder>", {"keep1", "keep2"}, 1,
       "could not be read"},
      {"empty file: the rows stay", "empty.m3u", "", {"keep1", "keep2"}, 1, "holds no tracks"},
      {"LF line ends", "lf.m3u", "#EXTM3U\n" + a + "\n" + b + "\n", {"a.wav", "b.wav"}, 0, ""},
      {"CR LF line ends", "crlf.m3u", "#EXTM3U\r\n" + a + "\r\n" + b + "\r\n", {"a.wav", "b.wav"},
       0, ""},
      {"CR line ends", "cr.m3u", "#EXTM3U\r" + a + "\r" + b, {"a.wav", "b.wav"}, 0, ""},
      {"byte-order mark", "bom.m3u", "\xEF\xBB\xBF#EXTM3U\n" + a + "\n", {"a.wav"}, 0, ""},
      {"Latin-1 entry", "latin1.m3u", "#EXTM3U\n" + dir_.File("caf\xE9.wav") + "\n",
       {"caf\xC3\xA9.wav"}, 0, ""},
      {"missing files, folders and non-audio files named in one message", "mixed.m3u",
       "#EXTM3U\n" + dir_.File("gone.mp3") + "\n" + a + "\n" + dir_.File("folder.mp3") + "\n" +
           text + "\n\n",
       {"a.wav"}, 1, "3 entries of"},
      {"an entry with a NUL byte names no file, even when the name before it exists",
       "nul.m3u", "#EXTM3U\n" + a + std::string("\0.mp3", 5) + "\n", {"keep1", "keep2"}, 1,
       "is not a valid file name"},
      {"10,000 missing entries: one message, the rows stay", "many.m3u", many, {"keep1", "keep2"},
       1, "... and 9990 more."},
      {"npl2 of another program", "other.npl2", "30,120\n0,0\nSome Other Program\n,Artist\n,x\n", {"keep1", "keep2"}, 1,
       "not a Spinwave v2 playlist"},
      {"npl2 with extra columns of another program: the playlist keeps its nine", "wide.npl2",
       "30,120,120,-1,50,-1,50,50,-1,9,9\n0,0,0,0,1,0,0,0,1,0,0\nSpinwave v2 Playlist\n"
       ",Artist,Title,File,Time,Gain,Intro,Outro,Segue,X,Y\n,A,T,/a.mp3,1,0,0:00,0:00,0,x,y\n",
       {"A"}, 0, ""},
      {"npl without its title line", "bad.npl", "Other\nA,B\n" + a + "\n", {"keep1", "keep2"}, 1,
       "not a Spinwave playlist"},
      {"npl2 cut short", "short.npl2", "30,120,120\n", {"keep1", "keep2"}, 1,
       "could not be read"},
  };
  for (const Case& c : cases) {
    Fill({"keep1", "keep2"});
    messages_.Clear();
    const std::string path = dir_.File(c.name);
    if (c.content == "<folder>")
      MakeFolders(path);
    else if (c.content != "<none>")
      WriteFile(path, c.content);
    model_->Load(path);
    EXPECT_EQ(Artists(), c.artists) << c.what;
    ASSERT_EQ(messages_.Texts().size(), c.messages) << c.what;
    if (c.messages) {
      EXPECT_NE(messages_.Texts()[0].find(c.messagePart), std::string::npos)
          << c.what << ": " << messages_.Texts()[0];
    }
    EXPECT_EQ(table_.ColCount(), 9) << c.what;
  }
}

// A playlist open that reads no track (a file of another program, a list whose files are all
// gone, an empty file) leaves the playlist as it was, its deck rows included, and says so.
TEST_F(PlaylistFilesTest, AnOpenThatReadsNoTrackKeepsTheRowsAndTheDeckRows) {
  Fill({"keep1", "keep2", "keep3"});
  model_->SetMark(2, "1");
  model_->SetCurrentRow(2);
  model_->SetMark(3, "2");
  model_->SetDeck2Row(3);
  WriteFile(dir_.File("other.npl2"), "30,120\n0,0\nSome Other Program\n,Artist\n,x\n");
  WriteFile(dir_.File("gone.m3u"), "#EXTM3U\n" + dir_.File("gone.wav") + "\n");
  for (const char* name : {"other.npl2", "gone.m3u"}) {
    messages_.Clear();
    const PlaylistReadResult result = model_->Load(dir_.File(name));
    EXPECT_FALSE(result.replaced) << name;
    EXPECT_EQ(Artists(), Strings({"keep1", "keep2", "keep3"})) << name;
    EXPECT_EQ(Marks(), Strings({"", "1", "2"})) << name;
    EXPECT_EQ(model_->CurrentRow(), 2) << name << ": deck 1's track is still on row 2";
    EXPECT_EQ(model_->Deck2Row(), 3) << name;
    ASSERT_EQ(messages_.Texts().size(), 1u) << name;
    EXPECT_NE(messages_.Texts()[0].find("The playlist was left as it was."), std::string::npos)
        << messages_.Texts()[0];
  }
  // Into an empty playlist an empty list is no news: nothing to keep, nothing to say.
  model_->ClearRows();
  messages_.Clear();
  WriteFile(dir_.File("empty.npl2"), "30,120,120,-1,50,-1,50,50,-1\r\n0,0,0,0,1,0,0,0,1\r\n"
                                     "Spinwave v2 Playlist\r\n,Artist,Title,File,Time,Gain,Intro,"
                                     "Outro,Segue\r\n");
  model_->Load(dir_.File("empty.npl2"));
  EXPECT_TRUE(messages_.Texts().empty());
}

// Segues out of range in a stored list come in clamped to 0 .. the track's length: a negative
// one would put the start point after the end of the track and stop automix there.
TEST_F(PlaylistFilesTest, StoredSeguesOutOfRangeAreClamped) {
  const std::string a = Track("a");
  struct Case {
    const char* time;
    const char* segue;
    int expected;
  };
  const Case cases[] = {
      {"200000", "-5000", 0},
      {"200000", "\"-1,500\"", 0},
      {"200000", "\"8,500\"", 8500},
      {"200000", "250000", 200000},
      {"200000", "99999999999", 200000},
      {"", "99999999999", 2147483647},
      {"200000", "4000", 4000},
  };
  std::string npl2 = "30,120,120,-1,50,-1,50,50,-1\r\n0,0,0,0,1,0,0,0,1\r\n"
                     "Spinwave v2 Playlist\r\n,Artist,Title,File,Time,Gain,Intro,Outro,Segue\r\n";
  std::string npl = "Spinwave Playlist\r\n";
  for (const Case& c : cases) {
    npl2 += std::string(",A,T,") + a + "," + c.time + ",0,0:00,0:00," + c.segue + "\r\n";
    npl += std::string("A,T,") + c.time + ",0,0:00,0:00," + c.segue + "\r\n" + a + "\r\n";
  }
  WriteFile(dir_.File("segues.npl2"), npl2);
  WriteFile(dir_.File("segues.npl"), npl);
  for (const char* name : {"segues.npl2", "segues.npl"}) {
    model_->Load(dir_.File(name));
    ASSERT_EQ(table_.RowCount(), static_cast<int>(std::size(cases))) << name;
    for (int r = 0; r < table_.RowCount(); ++r) {
      const Case& c = cases[r];
      // The old format keeps "8,500" as it stands (8 ms); only the range is its concern here.
      if (std::string(name) == "segues.npl" && std::string(c.segue).find(',') != std::string::npos)
        continue;
      EXPECT_EQ(model_->SegueMs(r + 1), c.expected) << name << ": " << c.time << " / " << c.segue;
    }
  }
}

}  // namespace
}  // namespace spinwave::test
