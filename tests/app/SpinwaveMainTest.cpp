#include "app/SpinwaveMain.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "table/LibraryFile.h"
#include "table/TEMDB.h"

namespace {

using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

// Each test gets its own program and settings folders.
class Console : public ::testing::Test {
 protected:
  void SetUp() override {
    spinwave::SetProgramFolder(dir.Path() + "program");
    setenv("XDG_CONFIG_HOME", (dir.Path() + "config").c_str(), 1);
  }
  std::string Program(const std::string& name) const { return dir.Path() + "program/" + name; }
  std::string Ini() const { return dir.Path() + "config/spinwave/spinwave2.ini"; }
  void WriteIni(const std::string& text) {
    spinwave::MakeFolders(dir.Path() + "config/spinwave");
    WriteFile(Ini(), text);
  }

  TempFolder dir;
  spinwave::MessageCapture messages;
};

// Records what the console hands to the parts that fill in its playlist work.
class RecordingConsole : public TSpinwaveMain {
 public:
  using TSpinwaveMain::TSpinwaveMain;
  std::vector<std::string> calls;

 protected:
  void LoadPlaylist(const std::string& path) override { calls.push_back("load " + path); }
  void LoadToPlaylist(const std::string& path) override { calls.push_back("add " + path); }
  void PlayFirstTrack() override { calls.push_back("play"); }
  void SavePlaylist(const std::string& path) override { calls.push_back("save " + path); }
};

TEST_F(Console, FirstStartCreatesFoldersAndAnEmptyLibrary) {
  TSpinwaveMain console;
  console.show();
  EXPECT_TRUE(spinwave::DirectoryExists(Program("data")));
  EXPECT_TRUE(spinwave::DirectoryExists(Program("lists")));
  EXPECT_EQ(console.ListsFolder(), Program("lists"));
  EXPECT_TRUE(messages.Texts().empty());

  spinwave::TEMDB saved;
  saved.Title = spinwave::kLibraryTitle;
  ASSERT_TRUE(saved.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(saved.ColCount(), 16);
  EXPECT_EQ(saved.RowCount(), 0);
  EXPECT_EQ(saved.GetItem(15, -1), "Automix");
  EXPECT_EQ(console.Library().ColCount(), 16);
  EXPECT_TRUE(console.DBGrid()->isColumnHidden(12)) << "Gain hidden";
  EXPECT_EQ(console.DBGrid()->columnWidth(0), 30) << "File";

  EXPECT_TRUE(console.windowTitle().startsWith("Spinwave v"));
  EXPECT_TRUE(console.FirstActivationDone());

  // Without a settings file the defaults apply; the first close creates it.
  EXPECT_EQ(console.width(), 640);
  EXPECT_EQ(console.height(), 440);
  ASSERT_FALSE(spinwave::FileExists(Ini()));
  ASSERT_TRUE(console.close());
  TSettingsFile ini(Ini());
  EXPECT_EQ(ini.ReadInteger("Window", "Width", 0), 640);
  EXPECT_EQ(ini.ReadInteger("Window", "Height", 0), 440);
  EXPECT_EQ(ini.ReadInteger("General", "AutomixSec", 0), 4);
  EXPECT_EQ(ini.ReadInteger("Players", "VolumeL", 0), 255);
}

TEST_F(Console, OlderLibraryIsKeptAsideAndRebuilt) {
  spinwave::MakeFolders(Program("data"));
  // A library of an older program version: three columns.
  const std::string bytes =
      "30,150,150\r\n0,0,0\r\nSpinwave Database\r\nFile,Artist,Title\r\n/m/a.mp3,A,B\r\n";
  WriteFile(Program("data/data.db"), bytes);
  TSpinwaveMain console;
  ASSERT_FALSE(messages.Texts().empty());
  EXPECT_EQ(messages.Texts()[0].rfind("Database is older or corrupted and will be rebuilt.", 0),
            0u);
  EXPECT_EQ(ReadFile(Program("data/data.db.bak")), bytes);
  EXPECT_EQ(console.Library().ColCount(), 16);
  EXPECT_EQ(console.Library().RowCount(), 0);
  spinwave::TEMDB saved;
  saved.Title = spinwave::kLibraryTitle;
  ASSERT_TRUE(saved.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(saved.ColCount(), 16);
}

TEST_F(Console, VersionTextHasSixCharactersAfterTheV) {
  const QString version = TSpinwaveMain::VersionText();
  ASSERT_TRUE(version.startsWith('v'));
  EXPECT_GE(version.size() - 1, 6) << version.toStdString();
}

TEST_F(Console, StartGoesOnWhenFoldersCannotBeMade) {
  // Files where the folders should be.
  spinwave::MakeFolders(dir.Path() + "program");
  WriteFile(Program("data"), "not a folder");
  WriteFile(Program("lists"), "not a folder");
  TSpinwaveMain console;
  ASSERT_GE(messages.Texts().size(), 2u);
  EXPECT_EQ(messages.Texts().front(), "Can't create \"Data\" directory!");
  EXPECT_EQ(messages.Texts().back(), "Can't create \"lists\" directory!");
  EXPECT_EQ(console.Library().ColCount(), 16) << "an empty library in memory";
}

TEST_F(Console, MenusAndPlaylistColumns) {
  TSpinwaveMain console;
  QStringList setup;
  for (QAction* a : console.SetupMenu()->actions()) setup << a->text();
  EXPECT_EQ(setup, QStringList({"Database", "Options", "Dock players", "Information", "Help",
                                "Shutdown"}));

  EXPECT_EQ(console.SegueMenu()->title(), "Automix...");
  const QList<QAction*> segue = console.SegueMenu()->actions();
  ASSERT_EQ(segue.size(), 16);
  ASSERT_EQ(console.SecSwitch()->count(), 16);
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(segue[n]->text(), QString::number(n));
    EXPECT_EQ(segue[n]->data().toInt(), n);
    EXPECT_EQ(console.SecSwitch()->itemText(n), QString::number(n));
  }
  EXPECT_EQ(console.SecSwitch()->currentIndex(), 4) << "AutomixSec default";

  EXPECT_EQ(console.FadeSub()->title(), "Fade...");
  const QList<QAction*> fade = console.FadeSub()->actions();
  ASSERT_EQ(fade.size(), 20);
  EXPECT_EQ(fade[0]->text(), "1 second");
  EXPECT_EQ(fade[1]->text(), "2 Seconds");
  EXPECT_EQ(fade[19]->text(), "20 Seconds");
  EXPECT_EQ(fade[19]->data().toInt(), 20);

  const spinwave::TEMDB& playlist = console.PlaylistTable();
  EXPECT_EQ(playlist.Title, "Spinwave v2 Playlist");
  ASSERT_EQ(playlist.ColCount(), 9);
  QStringList names;
  for (int c = 0; c < 9; ++c) names << QString::fromStdString(playlist.GetItem(c, -1));
  EXPECT_EQ(names, QStringList({"", "Artist", "Title", "File", "Time", "Gain", "Intro", "Outro",
                                "Segue"}));
  for (int hidden : {3, 5, 8}) EXPECT_TRUE(console.PlaylistView()->isColumnHidden(hidden));
  EXPECT_EQ(console.PlaylistView()->columnWidth(0), 30);
  EXPECT_EQ(console.PlaylistView()->columnWidth(4), 50);
  EXPECT_EQ(console.BrowseList().ColCount(), 9);
  EXPECT_EQ(console.BrowseList().Title, "Spinwave v2 Playlist");
}

TEST_F(Console, StartUsesTheStoredSettings) {
  WriteIni("[Window]\nTop=40\nLeft=50\nWidth=900\nHeight=600\nPlaylist=300\n"
           "[General]\nAutomixSec=9\n[Players]\nVolumeL=100\nVolumeR=300\n");
  TSpinwaveMain console;
  console.show();
  EXPECT_EQ(console.width(), 900);
  EXPECT_EQ(console.height(), 600);
  EXPECT_EQ(console.SecSwitch()->currentIndex(), 9);
  EXPECT_EQ(console.VolumeL(), 100);
  EXPECT_EQ(console.VolumeR(), 255) << "a volume beyond the slider's range is clamped";
  EXPECT_EQ(console.MainSplitter()->sizes().value(0), 300);
  console.resize(1200, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(console.MainSplitter()->sizes().value(0), 300) << "the library takes the new width";
}

struct CloseCase {
  const char* what;
  int left, top;
  int expectedLeft, expectedTop;
};

TEST_F(Console, CloseWritesTheWindowKeysAndKeepsOtherLines) {
  const CloseCase cases[] = {
      {"negative left written as 0", -8, 30, 0, 30},
      {"negative top written as 0", 25, -4, 25, 0},
      {"positive kept", 120, 80, 120, 80},
  };
  for (const CloseCase& c : cases) {
    WriteIni("; kept by hand\n[General]\nLanguage=Deutsch\nAutomixSec=2\n");
    {
      TSpinwaveMain console;
      console.show();
      console.move(c.left, c.top);
      console.resize(700, 500);
      console.SecSwitch()->setCurrentIndex(7);
      console.SetVolumes(200, 10);
      ASSERT_EQ(console.frameGeometry().topLeft(), QPoint(c.left, c.top)) << c.what;
      ASSERT_TRUE(console.close()) << c.what;
      EXPECT_EQ(console.Settings(), nullptr);
    }
    TSettingsFile ini(Ini());
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 999), c.expectedLeft) << c.what;
    EXPECT_EQ(ini.ReadInteger("Window", "Top", 999), c.expectedTop) << c.what;
    EXPECT_EQ(ini.ReadInteger("Window", "Width", 0), 700) << c.what;
    EXPECT_EQ(ini.ReadInteger("Window", "Height", 0), 500) << c.what;
    EXPECT_GT(ini.ReadInteger("Window", "Playlist", 0), 0) << c.what;
    EXPECT_EQ(ini.ReadInteger("General", "AutomixSec", 0), 7) << c.what;
    EXPECT_EQ(ini.ReadInteger("Players", "VolumeL", 0), 200) << c.what;
    EXPECT_EQ(ini.ReadInteger("Players", "VolumeR", 0), 10) << c.what;
    EXPECT_EQ(ini.ReadString("PlayerPanel", "Float", ""), "0") << c.what;
    EXPECT_EQ(ini.ReadString("PlayerPanel", "Top", "absent"), "absent") << c.what;
    const std::string text = ReadFile(Ini());
    EXPECT_EQ(text.rfind("; kept by hand\n[General]\nLanguage=Deutsch\nAutomixSec=7\n", 0), 0u)
        << text;
  }
}

TEST_F(Console, CloseKeepsDraggedLibraryColumnWidthsAndRows) {
  spinwave::MakeFolders(Program("data"));
  {
    spinwave::TEMDB library;
    library.Title = spinwave::kLibraryTitle;
    library.FileName = Program("data/data.db");
    ASSERT_TRUE(spinwave::CreateDatabase(library));
    library.SetRowCount(2);
    library.SetItem(0, 0, "/music/b.mp3");
    library.SetItem(1, 0, "Zappa");
    library.SetItem(0, 1, "/music/a.mp3");
    library.SetItem(1, 1, "Abba");
    ASSERT_TRUE(library.SaveToFile());
  }
  {
    TSpinwaveMain console;
    console.show();
    EXPECT_EQ(console.Library().GetItem(1, 0), "Abba") << "sorted by Artist at start";
    console.DBGrid()->setColumnWidth(1, 222);
    ASSERT_TRUE(console.close());
  }
  spinwave::TEMDB reloaded;
  reloaded.Title = spinwave::kLibraryTitle;
  ASSERT_TRUE(reloaded.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(reloaded.GetColWidth(1), 222);
  EXPECT_EQ(reloaded.GetColWidth(12), -1) << "hidden columns stay hidden";
  ASSERT_EQ(reloaded.RowCount(), 2);
  EXPECT_EQ(reloaded.GetItem(1, 0), "Abba");
}

struct SafeCloseCase {
  bool safeClose;
  int deck1, deck2;
  bool closes;
};

TEST_F(Console, SafeCloseRefusesWhileADeckIsBusy) {
  const SafeCloseCase cases[] = {
      {false, 0, 0, true}, {false, 3, 0, true},  {true, 0, 0, true},
      {true, 3, 0, false}, {true, 0, 5, false},
  };
  for (const SafeCloseCase& c : cases) {
    WriteIni(c.safeClose ? "[General]\nSafeClose=1\n" : "[General]\nSafeClose=0\n");
    messages.Clear();
    TSpinwaveMain console;
    console.show();
    console.SetDeckState(1, c.deck1);
    console.SetDeckState(2, c.deck2);
    EXPECT_EQ(console.close(), c.closes);
    if (c.closes) {
      EXPECT_TRUE(messages.Texts().empty());
    } else {
      EXPECT_EQ(messages.Texts(),
                std::vector<std::string>({"Can't close unless both players are stopped!"}));
      EXPECT_TRUE(console.isVisible());
      EXPECT_NE(console.Settings(), nullptr) << "nothing written, nothing released";
      console.SetDeckState(1, 0);
      console.SetDeckState(2, 0);
      EXPECT_TRUE(console.close()) << "closes once the decks are stopped";
    }
  }
}

TEST_F(Console, FirstActivationRestoresThePlaylistAndRunsTheCommandLine) {
  struct Case {
    const char* what;
    std::vector<std::string> files;  // playlist files in the program folder
    QStringList arguments;
    std::vector<std::string> expected;  // "P/" stands for the program folder
  };
  const Case cases[] = {
      {"nothing kept", {}, {}, {}},
      {"the npl2 file wins", {"spinwave.npl2", "spinwave.npl"}, {}, {"load P/spinwave.npl2"}},
      {"older npl when no npl2", {"spinwave.npl"}, {}, {"load P/spinwave.npl"}},
      {"arguments in order, exact and case-sensitive",
       {},
       {"/m/a.mp3", "-play", "-PLAY", "-clear", "/m/b.m3u"},
       {"add /m/a.mp3", "play", "add -PLAY", "add /m/b.m3u"}},
  };
  for (const Case& c : cases) {
    TempFolder home;
    spinwave::SetProgramFolder(home.Path());
    for (const std::string& f : c.files) WriteFile(home.File(f), "Spinwave Playlist\n");
    RecordingConsole console(c.arguments);
    console.PlaylistTable().SetRowCount(3);
    console.show();
    std::vector<std::string> expected;
    for (std::string e : c.expected) {
      if (size_t p = e.find("P/"); p != std::string::npos) e.replace(p, 2, home.Path());
      expected.push_back(e);
    }
    EXPECT_EQ(console.calls, expected) << c.what;
    if (c.arguments.contains("-clear")) {
      EXPECT_EQ(console.PlaylistTable().RowCount(), 0) << c.what;
    }
    console.show();
    EXPECT_EQ(console.calls.size(), expected.size()) << "first activation only: " << c.what;
    console.close();
    EXPECT_EQ(console.calls.back(), "save " + home.Path() + "spinwave.npl2") << c.what;
  }
}

TEST_F(Console, ResizeCentresThePlayersAndSizesTheStatusBar) {
  TSpinwaveMain console;
  console.show();
  for (int width : {1001, 800, 500}) {
    console.resize(width, 500);
    QCoreApplication::processEvents();
    QWidget* players = console.ThePlayers();
    QWidget* panel = console.PlayersPanel();
    EXPECT_EQ(panel->x(), players->width() / 2 - panel->width() / 2) << width;
    const int expected = console.width() - console.StatusPanel(0)->width() -
                         console.StatusPanel(2)->width() -
                         QFontMetrics(console.font()).horizontalAdvance(
                             console.StatusPanel(3)->text()) -
                         36;
    EXPECT_EQ(console.StatusPanel(1)->width(), qMax(0, expected)) << width;
  }
}

TEST(UpdateCheck, ShowsANewerVersionOnly) {
  struct Case {
    const char* reply;
    const char* expected;
  };
  const Case cases[] = {
      {"2.00.0", ""},                            // the running version
      {"2.00.1", "Spinwave v2.00.1"},            // another 2.x version
      {"2.00.1 with notes", "Spinwave v2.00.1 with notes"},
      {"3.00.0", ""},                            // not a 2.x reply
      {"", ""},                                  // a failed check shows nothing
      {"<html>", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TSpinwaveMain::UpdateMessage("v2.00.0", c.reply), c.expected) << c.reply;
}

}  // namespace
