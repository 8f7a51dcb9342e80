// The library browser in the console window, offscreen, over a real library file and real
// audio files: browsing a folder and adding to the playlist, search, pre-listen on the
// pre-listen deck, the track count in the status bar, drops on the decks, browsed playlist
// files and the scan dialog.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "ConsoleFixture.h"
#include "TestHttpServer.h"  // WaitUntil
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/DirTreeView.h"
#include "controls/TEMSlider.h"
#include "core/AtomicFile.h"
#include "engine/DeckPort.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryModel.h"
#include "library/TEditData.h"
#include "library/TEditDatabase.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/LibraryFile.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class LibraryWindow : public ConsoleTest {
 protected:
  struct Row {
    std::string artist, title, file;
    int ms;
  };
  // data/data.db with these rows.
  void WriteLibrary(const std::vector<Row>& rows) {
    MakeFolders(Program("data"));
    TEMDB library;
    library.Title = kLibraryTitle;
    library.FileName = Program("data/data.db");
    ASSERT_TRUE(CreateDatabase(library));
    library.SetRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
      const int r = static_cast<int>(i);
      SetLibraryItem(library, "Artist", r, rows[i].artist);
      SetLibraryItem(library, "Title", r, rows[i].title);
      SetLibraryItem(library, "File", r, rows[i].file);
      SetLibraryItem(library, "Time", r, std::to_string(rows[i].ms));
    }
    ASSERT_TRUE(library.SaveToFile());
  }
  void Open(const QStringList& arguments = {}) {
    window.reset();
    core.reset();
    core = MakeCore(arguments);
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
  }
  void TearDown() override {
    window.reset();
    core.reset();
  }
  LibraryBrowser& Browser() { return *window->Library(); }
  Strings PlaylistFiles() {
    Strings files;
    for (int r = 1; r < core->Playlist().RowCount(); ++r) files.push_back(core->Playlist().File(r));
    return files;
  }
  QString TrackCount() { return window->StatusPanel(2)->text(); }

  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
};

TEST_F(LibraryWindow, BrowsesAFolderAndAddsTwoOfItsFilesToThePlaylist) {
  const std::string a = Track("a", 500), b = Track("b", 500), c = Track("c", 500);
  WriteFile(dir.File("readme.txt"), "not audio");
  WriteLibrary({{"Lib", "Row", a, 500}});
  Open();
  Browser().ShowPath(dir.Path());  // what choosing the folder in the tree does
  ASSERT_TRUE(Browser().FileListShown());
  QListWidget* files = Browser().FileList();
  ASSERT_EQ(files->count(), 3) << "only audio files";
  EXPECT_EQ(files->item(0)->text(), "a.wav");
  files->item(0)->setSelected(true);
  files->item(2)->setSelected(true);
  // "Add to playlist" of the popup (the double-click and Enter do the same).
  Browser().FileDataMenu()->actions().at(0)->trigger();
  EXPECT_EQ(PlaylistFiles(), Strings({a, c}));
  EXPECT_EQ(core->Playlist().Cell(plArtist, 2), "c.wav") << "read from the file";

  // A folder dropped from the tree onto row 1 goes in before it, every file of the folder.
  window->Playlist()->RenderAll();
  const QPoint onRow1 = window->Playlist()->GetCellRect(plArtist, 1).center();
  window->PlaylistDrop("BrowseTree", onRow1.x(), onRow1.y());
  EXPECT_EQ(PlaylistFiles(), Strings({a, b, c, a, c}));

  // Back to the library: its rows go in with their stored values.
  Browser().ShowPath("Database");
  EXPECT_FALSE(Browser().FileListShown());
  Browser().DBGrid()->SetRow(1);
  Browser().DBGrid()->SetSelected(1, true);
  window->AddToPlaylist(false);
  EXPECT_EQ(core->Playlist().Cell(plArtist, core->Playlist().RowCount() - 1), "Lib");
}

TEST_F(LibraryWindow, SearchFiltersAsYouTypeAndTheTrackCountFollows) {
  const std::string f = Track("f", 300), help = Track("help", 300);
  WriteLibrary({{"ABBA", "Waterloo", f, 300},
                {"Beatles", "Help", help, 300},
                {"Abbacadabra", "Tribute", f, 300}});
  Open();
  EXPECT_EQ(TrackCount(), "3 tracks in database");
  Browser().SearchBtn()->click();
  ASSERT_TRUE(Browser().SearchPanel()->isVisible());
  Browser().FilterCol()->setCurrentIndex(LibraryModel::fcArtist);
  QTest::keyClicks(Browser().FilterTxt()->lineEdit(), "abb");
  EXPECT_EQ(Browser().DBGrid()->GetRowCount(), 3) << "two rows under the header";
  EXPECT_EQ(TrackCount(), "2 tracks in database");
  EXPECT_TRUE(Browser().SearchIt()->isEnabled());

  // A playlist row's "Find in database": a row the filter shows keeps the filter, a row it
  // hides ends it.
  ASSERT_TRUE(Browser().ShowLibraryRow(f));
  EXPECT_EQ(TrackCount(), "2 tracks in database");
  ASSERT_TRUE(Browser().ShowLibraryRow(help));
  EXPECT_EQ(TrackCount(), "3 tracks in database");
  const int fileCol = ColumnIndex(core->Library(), "File");
  EXPECT_EQ(core->Library().GetItem(fileCol, Browser().DBGrid()->GetRow() - 1), help);

  Browser().FilterCol()->setCurrentIndex(LibraryModel::fcAll);
  Browser().FilterTxt()->setEditText("help");
  EXPECT_EQ(Browser().DBGrid()->GetRowCount(), 2);
  Browser().FilterCol()->setCurrentIndex(LibraryModel::fcNone);
  EXPECT_EQ(Browser().DBGrid()->GetRowCount(), 4) << "None shows the whole library at once";
  EXPECT_EQ(TrackCount(), "3 tracks in database");
}

TEST_F(LibraryWindow, PreListenPlaysTheCurrentRowOnThePreListenDeck) {
  const std::string song = Track("song", 3000);
  WriteLibrary({{"Pre", "Listen", song, 3000}});
  Open();
  Browser().DBGrid()->SetRow(1);
  Browser().findChild<QPushButton*>("PlayRecord")->click();
  core->Advance(30);
  DeckPort& pre = core->PreListen();
  EXPECT_EQ(pre.State(), fsPlaying);
  EXPECT_EQ(pre.FileName(), song);
  EXPECT_EQ(core->Deck(0).State(), fsStopped) << "the main decks are not touched";
  core->Advance(1200);
  EXPECT_EQ(Browser().TimeData()->text(), "0:01");
  EXPECT_GT(Browser().PreListenSlider()->Value(), 0) << "the slider follows the deck";
  EXPECT_EQ(Browser().PreListen()->toolTip(), "song.wav");

  Browser().findChild<QPushButton*>("StopRecord")->click();
  core->Advance(30);
  EXPECT_NE(pre.State(), fsPlaying);
  EXPECT_EQ(Browser().TimeData()->text(), "0:00");
}

TEST_F(LibraryWindow, ALibraryRowDroppedOnADeckJoinsThePlaylistAndPlaysThere) {
  const std::string a = Track("a", 2000), lib = Track("lib", 2000);
  WriteLibrary({{"Lib", "Row", lib, 2000}});
  Open({QString::fromStdString(a)});
  Browser().DBGrid()->SetRow(1);
  Browser().DBGrid()->SetSelected(1, true);
  window->PlayersDrop("DBGrid", window->Players()->width() * 3 / 4);  // right half: deck 2
  EXPECT_EQ(PlaylistFiles(), Strings({a, lib}));
  core->Advance(30);
  EXPECT_EQ(core->Deck(1).FileName(), lib);
  EXPECT_EQ(core->Playlist().Mark(2), "2");
  EXPECT_EQ(core->Deck(0).FileName(), "") << "deck 1 keeps what it had";
}

TEST_F(LibraryWindow, BrowsedPlaylistFilesAreReadByThePlaylistReader) {
  const std::string a = Track("a", 500), b = Track("b", 500);
  WriteLibrary({{"Lib", "Row", a, 500}});
  const std::string list = M3U("show.m3u", {a, b});
  Open();
  Browser().ShowPath(list);
  EXPECT_FALSE(Browser().FileListShown());
  EXPECT_FALSE(Browser().LibraryShown());
  TEMDB& shown = core->Browser().Shown();
  ASSERT_EQ(shown.RowCount(), 2);
  EXPECT_EQ(shown.GetItem(plArtist, 1), "b.wav");
  EXPECT_EQ(shown.GetColWidth(plFile), -1);
  EXPECT_FALSE(Browser().DeleteTrackAction()->isEnabled());
  EXPECT_TRUE(messages.Texts().empty());
  // Its rows go to the playlist from their files.
  Browser().DBGrid()->SetRow(2);
  Browser().DBGrid()->SetSelected(2, true);
  window->AddToPlaylist(false);
  EXPECT_EQ(PlaylistFiles(), Strings({b}));
}

TEST_F(LibraryWindow, AnEmptyLibraryOpensTheScanDialogAndSetupDatabaseOpensItToo) {
  Open();
  ASSERT_NE(Browser().EditDatabase(), nullptr) << "empty library at the first activation";
  EXPECT_TRUE(Browser().EditDatabase()->isVisible());
  EXPECT_EQ(TrackCount(), "0 tracks in database");
  window.reset();
  core.reset();

  WriteLibrary({{"Lib", "Row", Track("x", 300), 300}});
  Open();
  EXPECT_EQ(Browser().EditDatabase(), nullptr);
  QAction* database = window->findChild<QAction*>("CtrlDatabase");
  ASSERT_TRUE(database->isEnabled());
  database->trigger();
  ASSERT_NE(Browser().EditDatabase(), nullptr);
  EXPECT_TRUE(Browser().EditDatabase()->isVisible());
}

TEST_F(LibraryWindow, ThePopupEditsAndRemovesLibraryRows) {
  const std::string a = Track("a", 300), b = Track("b", 300), c = Track("c", 300);
  WriteLibrary({{"A", "One", a, 300}, {"B", "Two", b, 300}, {"C", "Three", c, 300}});
  Open();
  TEMDBGrid* grid = Browser().DBGrid();
  grid->SetRow(2);
  grid->SetSelected(2, true);
  Browser().EditTrackAction()->trigger();
  ASSERT_NE(Browser().TrackEditorForm(), nullptr);
  EXPECT_TRUE(Browser().TrackEditorForm()->isVisible());
  Browser().TrackEditorForm()->hide();

  // Remove: the question is answered Yes (the test's message capture); the file is rewritten
  // and the status bar counts again.
  grid->SetSelected(2, true);
  Browser().DeleteTrackAction()->trigger();
  EXPECT_EQ(TrackCount(), "2 tracks in database");
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(Program("data/data.db")));
  EXPECT_EQ(reread.RowCount(), 2);
  EXPECT_FALSE(reread.FindExact(ColumnIndex(reread, "File"), b));
}

TEST_F(LibraryWindow, PlaylistsInTheListsFolderJoinTheTree) {
  MakeFolders(Program("lists"));
  WriteFile(Program("lists/evening.m3u"), "#EXTM3U\r\n");
  WriteFile(Program("lists/morning.npl2"), "");
  WriteLibrary({{"Lib", "Row", Track("x", 300), 300}});
  Open();
  TDirTreeNode* node = Browser().BrowseTree()->GetSpecialNode(ftPlaylists);
  ASSERT_NE(node, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return node->childCount() == 2; })) << "found in the background";
  EXPECT_EQ(node->child(0)->text(0), "evening.m3u");
  EXPECT_EQ(node->child(1)->text(0), "morning.npl2");
}

}  // namespace
}  // namespace spinwave::test
