// The window over a console core, offscreen: what it shows and what its controls forward.
#include "app/SpinwaveMain.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QTest>

#include "ConsoleFixture.h"
#include "library/LibraryBrowser.h"
#include "app/PlayersPanel.h"
#include "controls/DirTreeView.h"
#include "controls/TEMButton.h"
#include "controls/TImagePanel.h"
#include "core/AtomicFile.h"
#include "core/SettingsFile.h"
#include "engine/DeckPort.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/LibraryFile.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class WindowTest : public ConsoleTest {
 protected:
  void Open(const QStringList& arguments = {}) {
    window.reset();  // one console at a time: the deck entries' indices are fixed
    core.reset();
    core = MakeCore(arguments);
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
  }
  void TearDown() override {
    window.reset();
    core.reset();
  }
  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
};

TEST_F(WindowTest, MenusButtonsAndPlaylistColumns) {
  Open();
  QStringList setup;
  for (QAction* a : window->SetupMenu()->actions()) setup << a->text();
  EXPECT_EQ(setup, QStringList({"Database", "Options", "Dock players", "On-screen keyboard",
                                "Information", "Help", "Shutdown"}));
  QStringList popup;
  for (QAction* a : window->PlaylistMenu()->actions()) popup << a->text();
  EXPECT_EQ(popup, QStringList({"Open in a player   (Dubbleclick)", "Open in left player",
                                "Open in right player", "Open in pre-listen player", "Automix...",
                                "Automix finetune", "Find in database", "Remove X mark",
                                "Don't play track", "Remove track(s)"}));
  auto shortcut = [&](const char* name) {
    return window->findChild<QAction*>(name)->shortcut().toString().toStdString();
  };
  EXPECT_EQ(shortcut("DeleteEntry"), "Del");
  EXPECT_EQ(shortcut("DontPlay"), "Shift+X");
  EXPECT_EQ(shortcut("RemoveX"), "Shift+R");
  EXPECT_EQ(shortcut("FindInDbase"), "Shift+F");
  EXPECT_EQ(shortcut("OpenInPlayer"), "Return");

  const QList<QAction*> segue = window->SegueMenu()->actions();
  ASSERT_EQ(segue.size(), 16);
  EXPECT_EQ(segue[15]->text(), "15");
  ASSERT_EQ(window->SecSwitch()->count(), 16);
  EXPECT_EQ(window->SecSwitch()->currentIndex(), 4) << "AutomixSec default";
  const QList<QAction*> fade = window->FadeSub()->actions();
  ASSERT_EQ(fade.size(), 20);
  EXPECT_EQ(fade[0]->text(), "1 second");
  EXPECT_EQ(fade[19]->text(), "20 Seconds");

  for (const char* b : {"Setup", "ClearList", "OpenList", "SaveList", "ClearV", "ClearX",
                        "Shuffle", "XFader"})
    EXPECT_TRUE(window->Button(b) && window->Button(b)->isVisible()) << b;
  EXPECT_FALSE(window->Button("Jingles")->isVisible()) << "JingleEnabled is off";
  EXPECT_FALSE(window->Button("SendInfo")->isVisible()) << "no title destination is enabled";
  EXPECT_FALSE(window->Button("ShowLive365")->isVisible()) << "Live365Ctrl is off";

  const TEMDB& playlist = core->PlaylistTable();
  for (int hidden : {plFile, plGain, plSegue}) EXPECT_EQ(window->Playlist()->GetColWidth(hidden), -1);
  EXPECT_EQ(playlist.GetColWidth(plMark), 30);
  EXPECT_EQ(playlist.GetColWidth(plTime), 50);
}

TEST_F(WindowTest, TheDeckPanelHasEveryControlAtItsBuiltInPlace) {
  Open();
  PlayersPanel* p = window->Players();
  for (const ControlPlace& place : BuiltInPlayersPlaces()) {
    const QString name = QString::fromLatin1(place.name);
    if (name.startsWith("Time")) continue;  // a point for four controls
    const QRect r = p->PlaceOf(name);
    ASSERT_FALSE(r.isNull()) << place.name;
    EXPECT_EQ(r.topLeft(), QPoint(place.left, place.top)) << place.name;
    if (place.width > 0) {
      EXPECT_EQ(r.size(), QSize(place.width, place.height)) << place.name;
    }
  }
  EXPECT_EQ(p->PlaceOf("Seconds1").topLeft(), QPoint(109 + 57, 48));
  EXPECT_EQ(p->PlaceOf("Fractions2").topLeft(), QPoint(519 + 94, 48 + 13));
  EXPECT_EQ(p->PlaceOf("TimeLabel1").topLeft(), QPoint(109 + 45, 40));
  EXPECT_FALSE(p->AudioCtrlPanel()->isVisible()) << "the crossfader shows with XFader";
  window->XFaderClick();
  EXPECT_TRUE(p->AudioCtrlPanel()->isVisible());
  EXPECT_EQ(p->PlaceOf("CrossSlider"), QRect(325, p->ImageHeight() + 6, 109, 35));
  EXPECT_EQ(p->PlaceOf("AutoCross").topLeft(), QPoint(325, p->ImageHeight() + 42));
  EXPECT_EQ(window->ThePlayers()->height(), p->height());
}

TEST_F(WindowTest, DoubleClickPlaysRowOneWithTheTimeRunning) {
  const std::string a = Track("a", 4000), b = Track("b", 3000);
  Open({QString::fromStdString(M3U("show.m3u", {a, b}))});
  EXPECT_EQ(window->StatusPanel(0)->text(), "Total playingtime: 0:00:07");
  EXPECT_EQ(window->StatusPanel(1)->text(), "3");
  // Column 0: row numbers 1 and 2 are drawn as numbers, not as the deck marks "1" and "2".
  TFormatOptions cell;
  window->Playlist()->OnGetCellFormat(window->Playlist(), plMark, 1, cell);
  EXPECT_EQ(cell.Text, "1");
  EXPECT_FALSE(cell.PaintIcon);
  window->Playlist()->SetRow(1);
  window->PlaylistDblClick();
  window->Playlist()->OnGetCellFormat(window->Playlist(), plMark, 1, cell);
  EXPECT_TRUE(cell.PaintIcon) << "loaded in deck 1: the deck's icon";
  core->Advance(1230);
  PlayersPanel* p = window->Players();
  EXPECT_EQ(p->ArtistLabel(0)->text(), "a.wav");
  EXPECT_EQ(p->ArtistLabel(0)->toolTip(), "a.wav\n");
  EXPECT_EQ(window->windowTitle(), "a.wav - ");
  // 4 s track, 1.23 s played: "- 0" "02" remaining.
  EXPECT_EQ(p->Controls(0).minutes->Value(), "- 0");
  EXPECT_EQ(p->Controls(0).seconds->Value(), "2");
  EXPECT_TRUE(p->ActiveLed(0)->Lit());

  // The eject button empties the deck and its labels.
  p->EjectButton(0)->OnClick(p->EjectButton(0));
  EXPECT_EQ(p->ArtistLabel(0)->text(), "");
  EXPECT_EQ(core->Deck(0).State(), fsStopped);

  // A playlist row dragged onto the right half of the deck panel goes into deck 2.
  window->Playlist()->SetRow(2);
  window->PlayersDrop("Playlist", p->width() - 10);
  core->Advance(30);
  EXPECT_EQ(core->Deck(1).FileName(), b);
  EXPECT_EQ(p->ArtistLabel(1)->text(), "b.wav");
}

TEST_F(WindowTest, DropsFromTheLibraryInsertOrAppend) {
  MakeFolders(Program("data"));
  {
    TEMDB library;
    library.Title = kLibraryTitle;
    library.FileName = Program("data/data.db");
    ASSERT_TRUE(CreateDatabase(library));
    library.SetRowCount(1);
    SetLibraryItem(library, "File", 0, Track("lib", 500));
    SetLibraryItem(library, "Artist", 0, "Lib");
    SetLibraryItem(library, "Time", 0, "500");
    ASSERT_TRUE(library.SaveToFile());
  }
  const std::string x = Track("x", 500), y = Track("y", 500), z = Track("z", 500);
  for (bool locked : {false, true}) {
    WriteIni(locked ? "[Security]\nLockDrag=1\n" : "");
    Open({QString::fromStdString(M3U("l.m3u", {x, y, z}))});
    TEMDBGrid* grid = window->Library()->DBGrid();
    grid->SetRow(1);
    grid->SetSelected(1, true);
    window->Playlist()->RenderAll();
    const QPoint onRow2 = window->Playlist()->GetCellRect(plArtist, 2).center();
    window->PlaylistDrop("DBGrid", onRow2.x(), onRow2.y());
    Strings artists;
    for (int r = 1; r < core->Playlist().RowCount(); ++r)
      artists.push_back(core->Playlist().Cell(plArtist, r));
    EXPECT_EQ(artists, locked ? Strings({"x.wav", "y.wav", "z.wav", "Lib"})
                              : Strings({"x.wav", "Lib", "y.wav", "z.wav"}))
        << (locked ? "LockDrag: drops append" : "a drop on row 2 goes in before it");
    window.reset();
    core.reset();
    ::remove(Program("spinwave.npl2").c_str());
  }
}

TEST_F(WindowTest, SavingUsesTheChosenFilterAndShowsTheNewList) {
  const std::string a = Track("a", 500);
  Open({QString::fromStdString(a)});
  window->ChooseSaveFile = [this](int& filter) {
    filter = 1;
    return QString::fromStdString(core->ListsFolder() + "/mix");
  };
  window->SaveListClick();
  const std::string saved = core->ListsFolder() + "/mix.m3u";
  EXPECT_EQ(ReadFile(saved).rfind("#EXTM3U\r\n#EXTINF:0,a.wav - \r\n", 0), 0u);
  TDirTreeNode* lists = window->Library()->BrowseTree()->GetSpecialNode(ftPlaylists);
  ASSERT_NE(lists, nullptr);
  ASSERT_EQ(lists->childCount(), 1);
  EXPECT_EQ(lists->child(0)->text(0), "mix.m3u");

  window->ClearListClick();
  EXPECT_EQ(core->Playlist().TrackCount(), 0);
  window->ChooseOpenFile = [&] { return QString::fromStdString(saved); };
  window->OpenListClick();
  EXPECT_EQ(core->Playlist().TrackCount(), 1);
}

TEST_F(WindowTest, StartUsesTheStoredSettingsAndCloseWritesThemBack) {
  WriteIni("; kept by hand\n[General]\nLanguage=Deutsch\nAutomixSec=9\n"
           "[Window]\nTop=40\nLeft=50\nWidth=1100\nHeight=600\nPlaylist=300\n"
           "[Players]\nVolumeL=100\nVolumeR=300\n");
  Open();
  EXPECT_EQ(window->width(), 1100);
  EXPECT_EQ(window->height(), 600);
  EXPECT_EQ(window->SecSwitch()->currentIndex(), 9);
  EXPECT_EQ(window->Players()->Controls(0).volumeSlider->Value(), 100);
  EXPECT_EQ(window->Players()->Controls(1).volumeSlider->Value(), 255) << "held to the range";
  EXPECT_EQ(window->MainSplitter()->sizes().value(0), 300);

  const struct {
    int left, top, wantLeft, wantTop;
  } cases[] = {{-8, 30, 0, 30}, {25, -4, 25, 0}, {120, 80, 120, 80}};
  for (const auto& c : cases) {
    WriteIni("; kept by hand\n[General]\nLanguage=Deutsch\nAutomixSec=2\n");
    Open();
    window->move(c.left, c.top);
    window->resize(1000, 500);
    window->SecSwitch()->setCurrentIndex(7);
    window->Players()->SetVolumes(200, 10);
    ASSERT_TRUE(window->close());
    TSettingsFile ini(Ini());
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 999), c.wantLeft);
    EXPECT_EQ(ini.ReadInteger("Window", "Top", 999), c.wantTop);
    EXPECT_EQ(ini.ReadInteger("Window", "Width", 0), 1000);
    EXPECT_GT(ini.ReadInteger("Window", "Playlist", 0), 0);
    EXPECT_EQ(ini.ReadInteger("General", "AutomixSec", 0), 7);
    EXPECT_EQ(ini.ReadInteger("Players", "VolumeL", 0), 200);
    EXPECT_EQ(ini.ReadInteger("Players", "VolumeR", 0), 10);
    EXPECT_EQ(ini.ReadString("PlayerPanel", "Float", ""), "0");
    EXPECT_EQ(ini.ReadString("PlayerPanel", "Top", "absent"), "absent");
    EXPECT_EQ(ReadFile(Ini()).rfind("; kept by hand\n[General]\nLanguage=Deutsch\nAutomixSec=7\n", 0),
              0u);
  }
}

TEST_F(WindowTest, TheDeckPanelFloatsWhereItWasLeft) {
  WriteIni("[Players]\nDragPlayers=1\n[PlayerPanel]\nFloat=1\nTop=30\nLeft=40\n");
  Open();
  ASSERT_TRUE(window->PlayersFloating());
  EXPECT_EQ(window->FloatHost()->pos(), QPoint(40, 30));
  EXPECT_EQ(window->ThePlayers()->height(), 1);
  QAction* dock = window->findChild<QAction*>("Dockplayers");
  EXPECT_TRUE(dock->isVisible());
  window->FloatHost()->move(70, 90);
  ASSERT_TRUE(window->close());
  {
    TSettingsFile ini(Ini());
    EXPECT_EQ(ini.ReadString("PlayerPanel", "Float", ""), "1");
    EXPECT_EQ(ini.ReadInteger("PlayerPanel", "Top", 0), 90);
    EXPECT_EQ(ini.ReadInteger("PlayerPanel", "Left", 0), 70);
  }
  // Float alone (DragPlayers off) keeps the panel docked; "Dock players" docks a floating one.
  WriteIni("[PlayerPanel]\nFloat=1\n");
  Open();
  EXPECT_FALSE(window->PlayersFloating());
  window->UndockPlayers(QPoint(5, 5));
  window->findChild<QAction*>("Dockplayers")->trigger();
  EXPECT_FALSE(window->PlayersFloating());
  EXPECT_EQ(window->ThePlayers()->height(), window->Players()->height());
  EXPECT_EQ(window->Players()->parentWidget(), window->ThePlayers());
}

TEST_F(WindowTest, ResizeCentresThePlayersAndSizesTheStatusBar) {
  Open();
  for (int width : {1201, 1000, 800}) {
    window->resize(width, 500);
    QCoreApplication::processEvents();
    QWidget* area = window->ThePlayers();
    QWidget* panel = window->Players();
    EXPECT_EQ(panel->x(), area->width() / 2 - panel->width() / 2) << width;
    const int expected = window->width() - window->StatusPanel(0)->width() -
                         window->StatusPanel(2)->width() -
                         QFontMetrics(window->font()).horizontalAdvance(
                             window->StatusPanel(3)->text()) -
                         36;
    EXPECT_EQ(window->StatusPanel(1)->width(), std::max(0, expected)) << width;
  }
  window->resize(500, 500);
  EXPECT_GE(window->width(), window->Players()->width()) << "the deck panel is never cut";
}

// The update check compares the six characters after the "v" (its answers are tested with
// UpdateCheck itself).
TEST(VersionText, HasSixCharactersAfterTheV) {
  const QString version = TSpinwaveMain::VersionText();
  ASSERT_TRUE(version.startsWith('v'));
  EXPECT_GE(version.size() - 1, 6);
}

// The console as the DJ starts it (real-time output): a long list is in the grid at once, the
// status bar counts the tags coming in, then shows the row count and the whole total.
TEST_F(WindowTest, ALongListShowsAtOnceAndTheStatusBarCountsItsTags) {
  std::vector<std::string> entries;
  const std::string a = Track("a", 1000), b = Track("b", 2000);
  for (int i = 0; i < 2000; ++i) entries.push_back(i % 2 ? b : a);
  const std::string list = M3U("long.m3u", entries);
  window.reset();
  core.reset();
  core = std::make_unique<ConsoleCore>(QStringList{QString::fromStdString(list)});
  window = std::make_unique<TSpinwaveMain>(*core);
  window->show();
  ASSERT_EQ(window->Playlist()->GetRowCount(), 2001) << "every row is there at once";
  EXPECT_TRUE(core->Playlist().Filling());
  EXPECT_TRUE(window->StatusPanel(1)->text().startsWith("Reading tags"))
      << window->StatusPanel(1)->text().toStdString();
  TFormatOptions cell;
  window->Playlist()->OnGetCellFormat(window->Playlist(), plArtist, 2, cell);
  EXPECT_EQ(cell.Text, "b.wav");
  const QDeadlineTimer deadline(30000);
  while (core->Playlist().Filling() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_FALSE(core->Playlist().Filling());
  EXPECT_EQ(window->StatusPanel(1)->text(), "2001");
  EXPECT_EQ(window->StatusPanel(0)->text(), "Total playingtime: 0:50:00");
  window->Playlist()->OnGetCellFormat(window->Playlist(), plTime, 2, cell);
  EXPECT_EQ(cell.Text, "0:02");
}

}  // namespace
}  // namespace spinwave::test
