// The console without a window, on the real deck engine: start-up, entries, playing the
// playlist, the kept playlist, closing.
#include <QSignalSpy>

#include "ConsoleFixture.h"
#include "core/AtomicFile.h"
#include "core/SettingsFile.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

Strings Marks(ConsoleCore& core) {
  Strings marks;
  for (int r = 1; r < core.Playlist().RowCount(); ++r) marks.push_back(core.Playlist().Mark(r));
  return marks;
}

class ConsoleCoreTest : public ConsoleTest {};

TEST_F(ConsoleCoreTest, FirstStartCreatesFoldersAndAnEmptyLibrary) {
  auto core = MakeCore();
  EXPECT_TRUE(DirectoryExists(Program("data")));
  EXPECT_TRUE(DirectoryExists(Program("lists")));
  EXPECT_EQ(core->ListsFolder(), Program("lists"));
  TEMDB saved;
  saved.Title = kLibraryTitle;
  ASSERT_TRUE(saved.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(saved.ColCount(), 16);
  EXPECT_EQ(core->Library().GetColWidth(12), -1) << "Gain hidden";
  EXPECT_EQ(core->PlaylistTable().Title, "Spinwave v2 Playlist");
  EXPECT_EQ(core->BrowseList().ColCount(), 9);
  bool scanWanted = false;
  QObject::connect(core.get(), &ConsoleCore::libraryScanWanted, [&] { scanWanted = true; });
  core->Activate();
  EXPECT_TRUE(scanWanted) << "an empty library asks for the library scan";
  EXPECT_TRUE(messages.Texts().empty());

  // Without a settings file the defaults apply; the first close creates it.
  ASSERT_FALSE(FileExists(Ini()));
  core->Close();
  EXPECT_EQ(core->Settings(), nullptr);
  TSettingsFile ini(Ini());
  EXPECT_EQ(ini.ReadInteger("General", "AutomixSec", 0), 4);
  EXPECT_EQ(ini.ReadInteger("Players", "VolumeL", 0), 255);
}

TEST_F(ConsoleCoreTest, OlderLibraryIsKeptAsideAndRebuilt) {
  MakeFolders(Program("data"));
  const std::string bytes =
      "30,150,150\r\n0,0,0\r\nSpinwave Database\r\nFile,Artist,Title\r\n/m/a.mp3,A,B\r\n";
  WriteFile(Program("data/data.db"), bytes);
  auto core = MakeCore();
  ASSERT_FALSE(messages.Texts().empty());
  EXPECT_EQ(messages.Texts()[0].rfind("Database is older or corrupted and will be rebuilt.", 0),
            0u);
  EXPECT_EQ(ReadFile(Program("data/data.db.bak")), bytes);
  EXPECT_EQ(core->Library().ColCount(), 16);
}

TEST_F(ConsoleCoreTest, StartGoesOnWhenFoldersCannotBeMade) {
  MakeFolders(dir.Path() + "program");
  WriteFile(Program("data"), "not a folder");
  WriteFile(Program("lists"), "not a folder");
  auto core = MakeCore();
  ASSERT_GE(messages.Texts().size(), 2u);
  EXPECT_EQ(messages.Texts().front(), "Can't create \"Data\" directory!");
  EXPECT_EQ(messages.Texts().back(), "Can't create \"lists\" directory!");
  EXPECT_EQ(core->Library().ColCount(), 16) << "an empty library in memory";
}

TEST_F(ConsoleCoreTest, EntriesAndComponentsInTheirFixedOrder) {
  struct Case {
    bool jingles, central;
    int preListen, checking;
  };
  for (const Case& c : {Case{false, true, 2, 3}, Case{true, true, 12, 13},
                        Case{false, false, 2, 3}, Case{true, false, 12, 13}}) {
    WriteIni(std::string("[Players]\nJingleEnabled=") + (c.jingles ? "1" : "0") +
             "\nCentralOutput=" + (c.central ? "1" : "0") + "\n");
    auto core = MakeCore();
    core->Activate();
    EXPECT_EQ(TFMODJingle::FileEntryCount(), c.checking + 1);
    EXPECT_EQ(core->PreListenEntry(), c.preListen);
    EXPECT_EQ(core->CheckingEntry(), c.checking);
    auto owner = [](int index) { return TFMODJingle::GetFileEntry(index)->Owner->Name(); };
    EXPECT_EQ(owner(0), "Player1");
    EXPECT_EQ(owner(1), c.central ? "Player1" : "Player2") << "CentralOutput shares deck 1's";
    if (c.jingles) {
      EXPECT_EQ(owner(2), c.central ? "Player1" : "JinglesPlayer");
      EXPECT_EQ(owner(11), owner(2));
    }
    EXPECT_EQ(owner(c.preListen), "DataPlayer");
    EXPECT_EQ(owner(c.checking), "CheckMP3");
    EXPECT_EQ(&core->Player2() == &core->Player1(), c.central);
  }
}

TEST_F(ConsoleCoreTest, WithoutASoundDeviceTheConsolePlaysSilentlyAndSaysSoOnce) {
  // A device that does not exist on the ALSA output: every deck falls back to no sound.
  const char* saved = std::getenv("SPINWAVE_OUTPUT");
  const std::string keep = saved ? saved : "";
  unsetenv("SPINWAVE_OUTPUT");
  WriteIni("[Players]\nOutputPlayer1=0\nDriverPlayer1=99\nDriverDataPlayer=99\n");
  {
    ConsoleCore core;  // real-time outputs, as the program starts
    EXPECT_TRUE(core.Player1().Initialised());
    EXPECT_EQ(core.Player1().OutputType(), NOSOUND);
    EXPECT_EQ(core.DataPlayer().OutputType(), NOSOUND);
    EXPECT_TRUE(messages.Texts().empty()) << "no box per deck";
    EXPECT_EQ(core.OutputNote(),
              "No sound device could be opened: playing without sound (see fmodlog.txt)");
    const std::string log = ReadFile(TFMODJingle::LogFileName());
    EXPECT_NE(log.find("Player1: no sound device could be opened"), std::string::npos) << log;
  }
  if (saved) setenv("SPINWAVE_OUTPUT", keep.c_str(), 1);
}

TEST_F(ConsoleCoreTest, PlaysThePlaylistOnTheRealEngine) {
  const std::string a = Track("a", 1500), b = Track("b", 1000), c = Track("c", 2000);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b, c})), "-play"});
  core->Activate();
  DeckTransport& t = core->Transport();
  ASSERT_EQ(core->Playlist().TrackCount(), 3);
  EXPECT_EQ(Marks(*core), Strings({"1", "", ""}));
  core->Advance(30);  // the background open completes; no deck plays: it starts
  EXPECT_EQ(core->Deck(0).State(), fsPlaying);
  EXPECT_EQ(t.Caption(), "a.wav - ");
  core->Advance(500);
  EXPECT_NEAR(core->Deck(0).LastTime(), 500, 40) << "time runs";

  // The track ends with automix off: the next row goes into the same deck and starts.
  core->Advance(1200);
  EXPECT_EQ(Marks(*core), Strings({"", "1", ""}));
  EXPECT_EQ(core->Deck(0).FileName(), b);
  core->Advance(30);
  EXPECT_EQ(core->Deck(0).State(), fsPlaying);

  // Forward and back.
  t.GoTrack(1);
  core->Advance(30);
  EXPECT_EQ(core->Deck(0).FileName(), c);
  EXPECT_EQ(Marks(*core), Strings({"", "", "1"}));
  t.GoTrack(0);
  core->Advance(30);
  EXPECT_EQ(core->Deck(0).FileName(), b);

  // Eject: the deck is free, its row unmarked.
  t.EjectClick(0);
  EXPECT_EQ(core->Deck(0).State(), fsStopped);
  EXPECT_EQ(t.DeckState(0), 0);
  EXPECT_EQ(Marks(*core), Strings({"", "", ""}));

  // The crossfader's gains reach both deck entries.
  t.XFaderClick();
  struct Gains {
    int v;
    float deck1, deck2;
  };
  for (const Gains& g : {Gains{0, 1.0f, 0.0f}, Gains{84, 0.84f, 0.84f}, Gains{168, 0.0f, 1.0f}}) {
    t.CrossSliderChange(g.v);
    EXPECT_FLOAT_EQ(core->Deck(0).Gain(), g.deck1) << g.v;
    EXPECT_FLOAT_EQ(core->Deck(1).Gain(), g.deck2) << g.v;
  }
}

TEST_F(ConsoleCoreTest, CommandLineRunsInOrderExactlyAsWritten) {
  const std::string a = Track("a", 3000), b = Track("b", 3000);
  auto core = MakeCore({QString::fromStdString(a), "-play", "-PLAY", "-clear",
                        QString::fromStdString(b)});
  core->Activate();
  EXPECT_EQ(core->Deck(0).FileName(), a) << "\"-play\" loaded row 1";
  EXPECT_EQ(messages.Texts(), Strings({"\"-PLAY\" doesn't exist!"})) << "capitals: a file name";
  ASSERT_EQ(core->Playlist().TrackCount(), 1) << "\"-clear\" emptied the list before b";
  EXPECT_EQ(core->Playlist().File(1), b);
}

TEST_F(ConsoleCoreTest, ThePlaylistIsKeptAcrossStarts) {
  const std::string a = Track("a", 1000), b = Track("b", 1000);
  {
    auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
    core->Activate();
    core->Playlist().SetCursorRow(1);
    core->Transport().PlaylistDblClick();
    core->Advance(30);
    core->Close();
  }
  EXPECT_TRUE(FileExists(Program("spinwave.npl2")));
  auto core = MakeCore();
  core->Activate();
  ASSERT_EQ(core->Playlist().TrackCount(), 2);
  EXPECT_EQ(core->Playlist().File(1), a);
  EXPECT_EQ(core->Playlist().File(2), b);
  EXPECT_EQ(Marks(*core), Strings({"", ""})) << "no deck marks survive";
  EXPECT_EQ(core->Deck(0).State(), fsStopped);
}

TEST_F(ConsoleCoreTest, SafeCloseRefusesWhileADeckIsBusy) {
  const std::string a = Track("a", 5000);
  for (bool safe : {false, true}) {
    WriteIni(safe ? "[General]\nSafeClose=1\n" : "[General]\nSafeClose=0\n");
    messages.Clear();
    auto core = MakeCore({QString::fromStdString(a), "-play"});
    core->Activate();
    core->Advance(30);
    ASSERT_TRUE(core->Transport().AnyDeckBusy());
    EXPECT_EQ(core->CloseQuery(), !safe);
    if (safe) {
      EXPECT_EQ(messages.Texts(), Strings({"Can't close unless both players are stopped!"}));
      core->Transport().EjectClick(0);
      EXPECT_TRUE(core->CloseQuery()) << "closes once the decks are stopped";
    }
  }
}

TEST_F(ConsoleCoreTest, CountsPlaysInTheLibrary) {
  const std::string a = Track("a", 600);
  MakeFolders(Program("data"));
  {
    TEMDB library;
    library.Title = kLibraryTitle;
    library.FileName = Program("data/data.db");
    ASSERT_TRUE(CreateDatabase(library));
    library.SetRowCount(1);
    SetLibraryItem(library, "File", 0, a);
    SetLibraryItem(library, "Artist", 0, "A");
    SetLibraryItem(library, "PlTimes", 0, "4");
    ASSERT_TRUE(library.SaveToFile());
  }
  WriteIni("[Database]\nCountPlTimes=1\n[Playlist]\nRepeatPl=0\n");
  auto core = MakeCore({QString::fromStdString(a), "-play"});
  core->Activate();
  core->Advance(1000);
  EXPECT_EQ(core->Deck(0).State(), fsStopped) << "ended, nothing after it";
  TEMDB saved;
  saved.Title = kLibraryTitle;
  ASSERT_TRUE(saved.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(GetLibraryItem(saved, "PlTimes", 1), "5");
}

// On the real engine: a file that no longer opens when the DJ loads it leaves deck 1 free and
// showing no track, with one message; the next track then plays on that deck.
TEST_F(ConsoleCoreTest, ATrackThatNoLongerOpensLeavesTheDeckFree) {
  const std::string a = Track("a", 1500), b = Track("b", 1000);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  core->Activate();
  QSignalSpy labels(&core->Transport(), &DeckTransport::deckTrackChanged);
  WriteFile(a, std::string(4096, 'x'));  // replaced by something that is not sound
  core->Playlist().SetCursorRow(1);
  core->Transport().PlaylistDblClick();
  core->Advance(100);
  EXPECT_EQ(core->Deck(0).State(), fsStopped);
  EXPECT_EQ(core->Transport().DeckState(0), 0);
  EXPECT_EQ(Marks(*core), Strings({"X", ""}));
  ASSERT_GE(labels.count(), 2);
  EXPECT_EQ(labels.last().at(1).toString(), "") << "the deck shows no track";
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find("can't be played in player 1"), std::string::npos)
      << messages.Texts()[0];

  core->Playlist().SetCursorRow(2);
  core->Transport().PlaylistDblClick();
  core->Advance(100);
  EXPECT_EQ(core->Deck(0).State(), fsPlaying);
  EXPECT_EQ(core->Deck(0).FileName(), b);
}

// The console as the DJ starts it (real-time output, no sound card): a long list on the command
// line is in the playlist as soon as the console is up, its tags still coming; closing keeps it
// whole, lengths and all.
TEST_F(ConsoleCoreTest, ALongListIsThereAtOnceAndKeptWhole) {
  std::vector<std::string> tracks;
  for (int i = 0; i < 4; ++i) tracks.push_back(Track("t" + std::to_string(i), 600 + 100 * i));
  std::vector<std::string> entries;
  for (int i = 0; i < 3000; ++i) entries.push_back(tracks[static_cast<size_t>(i) % 4]);
  const std::string list = M3U("long.m3u", entries);
  {
    ConsoleCore core({QString::fromStdString(list)});
    core.Activate();
    EXPECT_EQ(core.Playlist().TrackCount(), 3000);
    EXPECT_TRUE(core.Playlist().Filling()) << "the tags are read in the background";
    core.Close();
  }
  TEMDB kept;
  kept.Title = kPlaylistTitle;
  ASSERT_TRUE(kept.LoadFromFile(Program("spinwave.npl2")));
  ASSERT_EQ(kept.RowCount(), 3000);
  for (int r = 0; r < kept.RowCount(); ++r) {
    const int expected = 600 + 100 * (r % 4);
    ASSERT_NEAR(std::stoi(kept.GetItem(4, r)), expected, 30) << "row " << r;
  }
  EXPECT_TRUE(messages.Texts().empty());
}

}  // namespace
}  // namespace spinwave::test
