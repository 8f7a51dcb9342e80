// Remote commands on the real console core (non-real-time decks, real WAV files, real jingle
// lists): every command of the table with its reply, file names as received, and the jingle
// commands with their bad input.
#include "app/RemoteCommands.h"

#include "ConsoleFixture.h"
#include "broadcast/TitleStreamer.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave::test {
namespace {

class RemoteCommandsTest : public ConsoleTest {
 protected:
  int Reply(const QString& command) { return core->RemoteCommand(command).value; }
  std::unique_ptr<ConsoleCore> core;
};

TEST_F(RemoteCommandsTest, QueriesAndListCommandsAnswerAsTheirTableSays) {
  const std::string a = Track("a", 3000), b = Track("b", 3000), c = Track("c", 3000);
  core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b, c}))});
  core->Activate();
  for (const char* count : {"-count", "-COUNT", "-Count"}) EXPECT_EQ(Reply(count), 3) << count;
  EXPECT_EQ(Reply("-row"), core->PlaylistTable().FoundRow);
  EXPECT_EQ(Reply("-time"), 0) << "nothing plays";
  const RemoteReply nobody = core->RemoteCommand("-rowdata");
  EXPECT_EQ(nobody.value, 0);
  EXPECT_FALSE(nobody.hasText) << "no artist on deck 1: no text";

  EXPECT_EQ(Reply("-SHUFFLE"), 1);
  EXPECT_EQ(core->Playlist().TrackCount(), 3);

  // "-stream" switches title sending on, and a second one keeps it on.
  EXPECT_FALSE(core->Streamer().SendInfo());
  EXPECT_EQ(Reply("-stream"), 1);
  EXPECT_EQ(Reply("-Stream"), 1);
  EXPECT_TRUE(core->Streamer().SendInfo());

  EXPECT_EQ(Reply("-clear"), 0);
  EXPECT_EQ(Reply("-count"), 0);
  EXPECT_EQ(Reply("-play"), 0) << "an empty list plays nothing and says so";
  EXPECT_EQ(Reply(""), -1);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(RemoteCommandsTest, OtherTextsAreFilesAddedQuietlyAsReceived) {
  const std::string a = Track("a", 2000);
  const std::string upper = Track("Loud", 2000);  // ".../Loud.wav": case matters
  WriteFile(dir.File("notes.txt"), "not audio");
  const std::string list = M3U("list.m3u", {a});
  core = MakeCore();
  core->Activate();
  struct Case {
    std::string text;
    int reply;
    int count;
  } cases[] = {
      {a, 1, 1},
      {a, 0, 1},  // already listed: not again, and no question
      {upper, 1, 2},
      {dir.File("loud.wav"), 0, 2},  // another name: no such file
      {dir.File("missing.mp3"), 0, 2},
      {dir.File("notes.txt"), -1, 2},
      {"-jp1", 0, 2},  // the jingle bank is off: a file name like any other
      {list, 1, 1},    // a playlist replaces the list
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Reply(QString::fromStdString(c.text)), c.reply) << c.text;
    EXPECT_EQ(core->Playlist().TrackCount(), c.count) << c.text;
  }
  EXPECT_TRUE(messages.Texts().empty()) << messages.Texts().front();
}

TEST_F(RemoteCommandsTest, PlayTimeAndRowDataFollowTheDecks) {
  const std::string a = Track("a", 20000), b = Track("b", 20000);
  core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  core->Activate();
  DeckTransport& t = core->Transport();

  // Only deck 2 plays: "-time" is deck 2's.
  core->Playlist().SetCursorRow(2);
  t.PlaylistDblClick(true);
  core->Advance(2600);
  ASSERT_EQ(core->Deck(1).State(), fsPlaying);
  ASSERT_EQ(core->Deck(0).State(), fsStopped);
  EXPECT_EQ(Reply("-time"), 2);
  EXPECT_EQ(Reply("-play"), 0) << "deck 2 is busy";
  EXPECT_FALSE(core->RemoteCommand("-rowdata").hasText) << "deck 1 is empty";

  // Deck 1 loads and plays row 1 too: "-time" is now deck 1's, "-rowdata" its artist.
  t.EjectClick(1);
  core->Advance(20);
  EXPECT_EQ(Reply("-play"), 1);
  core->Advance(1200);
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  EXPECT_EQ(core->Deck(0).FileName(), a);
  EXPECT_EQ(Reply("-time"), 1);
  const RemoteReply artist = core->RemoteCommand("-ROWDATA");
  EXPECT_TRUE(artist.hasText);
  EXPECT_EQ(artist.value, 1);
  EXPECT_EQ(artist.text, "a.wav") << "a file without tags: its name is the artist";
}

class RemoteJingleTest : public RemoteCommandsTest {
 protected:
  void SetUp() override {
    RemoteCommandsTest::SetUp();
    WriteIni("[Players]\nJingleEnabled=1\n");
    first = Track("first", 5000);
    tenth = Track("tenth", 5000);
    core = MakeCore();
    MakeFolders(Program("lists"));
    TEMDB table;
    SetJingleColumns(table);
    table.SetRowCount(2);
    table.SetItem(kJingleFileCol, 0, first);
    table.SetItem(kJingleDescriptionCol, 0, "First");
    table.SetItem(kJingleShortcutCol, 0, "1");
    table.SetItem(kJingleFileCol, 1, tenth);
    table.SetItem(kJingleDescriptionCol, 1, "Tenth");
    table.SetItem(kJingleShortcutCol, 1, "0");
    ASSERT_TRUE(table.SaveToFile(Program("lists/show.jpl2")));
    core->Activate();
    ASSERT_NE(core->Jingles(), nullptr);
  }
  TFileState Slot(int slot) {
    return core->Jingles()->Player().GetFileState(core->Jingles()->SlotEntry(slot));
  }
  std::string first, tenth;
};

TEST_F(RemoteJingleTest, ListsLoadByNumberAndJinglesPlayByDigit) {
  EXPECT_EQ(Reply("-jl1"), 0) << "one list only: number 1 is out of range";
  EXPECT_EQ(core->Jingles()->Label(1), JingleBank::kNoJingle);
  EXPECT_EQ(Reply("-JL0"), 1);
  core->Advance(300);  // the jingles open in the background
  EXPECT_EQ(core->Jingles()->Label(1), "First");
  EXPECT_EQ(core->Jingles()->Label(10), "Tenth");

  EXPECT_EQ(core->Jingles()->SlotEntry(10), 11);
  EXPECT_EQ(Reply("-jp0"), 1);
  core->Advance(300);
  EXPECT_EQ(Slot(10), fsPlaying) << "0 is the tenth jingle, entry 11";
  EXPECT_NE(Slot(1), fsPlaying);
  EXPECT_EQ(Reply("-jp1"), 1);
  core->Advance(300);
  EXPECT_EQ(Slot(1), fsPlaying) << "1 is the first, entry 2";
  // Playing again does not stop a jingle that plays (the digit key would).
  EXPECT_EQ(Reply("-jp1"), 1);
  core->Advance(100);
  EXPECT_EQ(Slot(1), fsPlaying);
  EXPECT_EQ(Reply("-jp5"), 1) << "an empty slot: nothing to play";
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(RemoteJingleTest, AJingleCommandWithoutADigitIsAnErrorThatDoesNothing) {
  for (const char* bad : {"-jlx", "-jl", "-jp", "-jp-", "-JLa"}) {
    messages.Clear();
    EXPECT_EQ(Reply(bad), -1) << bad;
    ASSERT_EQ(messages.Texts().size(), 1u) << bad;
    EXPECT_NE(messages.Texts()[0].find("digit"), std::string::npos) << messages.Texts()[0];
  }
  EXPECT_EQ(core->Jingles()->Label(1), JingleBank::kNoJingle) << "no list was loaded";
  EXPECT_EQ(core->Playlist().TrackCount(), 0) << "nor taken as a file";
}

}  // namespace
}  // namespace spinwave::test
