// The browser, the scan dialog and the editor as widgets, offscreen: what they show follows the
// logic, and their controls reach it.
#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "LibraryFixture.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryModel.h"
#include "library/TEditData.h"
#include "library/TEditDatabase.h"
#include "library/TScanInfo.h"
#include "library/TrackEditor.h"
#include "options/OptionsStore.h"
#include "table/LibraryFile.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

class LibraryWidgetsTest : public LibraryTest {
 protected:
  void AddRow(const std::string& artist, const std::string& title, const std::string& file) {
    const int n = library_.RowCount();
    library_.SetRowCount(n + 1);
    SetLibraryItem(library_, "Artist", n, artist);
    SetLibraryItem(library_, "Title", n, title);
    SetLibraryItem(library_, "File", n, file);
    SetLibraryItem(library_, "Time", n, "1000");
  }
  OptionsStore options_;
};

TEST_F(LibraryWidgetsTest, BrowserSearchesThroughItsControlsAndShowsPlaylistsAndFolders) {
  AddRow("Abcd", "One", "/m/1.mp3");
  AddRow("Other", "xabcx", "/m/2.mp3");
  AddRow("None", "Here", "/m/3.mp3");
  ASSERT_TRUE(library_.SaveToFile());
  LibraryModel model(library_, options_);
  LibraryBrowser browser(model, options_);
  browser.resize(800, 500);
  browser.show();
  browser.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));  // shortcuts act in the active window
  EXPECT_EQ(&browser.DBGrid()->Table(), &library_);
  EXPECT_EQ(browser.DBGrid()->GetRowCount(), 4);

  QTest::mouseClick(browser.SearchBtn(), Qt::LeftButton);
  EXPECT_TRUE(browser.SearchPanel()->isVisible());
  EXPECT_FALSE(browser.SearchIt()->isEnabled());
  browser.FilterCol()->setCurrentIndex(LibraryModel::fcAll);
  browser.FilterTxt()->setEditText("ABC");
  ASSERT_TRUE(browser.SearchIt()->isEnabled());
  QSignalSpy added(&browser, &LibraryBrowser::AddToPlaylistRequested);
  QTest::keyClick(browser.FilterTxt()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(added.count(), 0);  // Enter searches; it sends nothing to the playlist
  EXPECT_EQ(browser.DBGrid()->GetRowCount(), 3);  // header + two matches
  browser.FilterCol()->setCurrentIndex(LibraryModel::fcNone);
  EXPECT_EQ(browser.DBGrid()->GetRowCount(), 4);
  EXPECT_FALSE(browser.SearchIt()->isEnabled());

  // Double click: the selected rows go to the playlist.
  QSignalSpy add(&browser, &LibraryBrowser::AddToPlaylistRequested);
  browser.DBGrid()->OnDblClick(browser.DBGrid());
  ASSERT_EQ(add.count(), 1);

  // A playlist file: same grid, the browse list, and no removing or editing.
  TEMDB list;
  list.Title = kPlaylistTitle;
  list.SetColCount(9);
  list.SetRowCount(1);
  list.SetItem(1, 0, "Listed");
  const std::string path = temp_.File("set.npl2");
  ASSERT_TRUE(list.SaveToFile(path));
  browser.ShowPath(path);
  EXPECT_EQ(&browser.DBGrid()->Table(), &model.BrowseList());
  EXPECT_FALSE(browser.SearchBtn()->isEnabled());
  EXPECT_FALSE(browser.SearchPanel()->isVisible());
  browser.FileDataMenuPopup();
  EXPECT_FALSE(browser.EditTrackAction()->isEnabled());
  EXPECT_FALSE(browser.DeleteTrackAction()->isEnabled());

  // A folder: the file list with its audio files.
  WriteFile(Place("dir/a.mp3"), "x");
  WriteFile(Place("dir/b.txt"), "x");
  browser.ShowPath(temp_.File("dir"));
  EXPECT_TRUE(browser.FileList()->isVisible());
  ASSERT_EQ(browser.FileList()->count(), 1);
  EXPECT_EQ(browser.FileList()->item(0)->text(), "a.mp3");

  browser.ShowPath("Database");
  EXPECT_TRUE(browser.DBGrid()->isVisible());
  EXPECT_EQ(&browser.DBGrid()->Table(), &library_);
}

TEST_F(LibraryWidgetsTest, ScanDialogShowsTheWizardAndHidesWhileScanning) {
  const std::string file = Mp3("music/Band - Song.mp3", 0.3);
  LibraryScan scan(library_);
  scan.SetQuiet(true);
  TEditDatabase dialog(scan);
  dialog.show();
  EXPECT_TRUE(dialog.AddBtn()->isEnabled());
  QTest::mouseClick(dialog.AddBtn(), Qt::LeftButton);
  EXPECT_FALSE(dialog.AddBtn()->isEnabled());
  EXPECT_FALSE(dialog.UpdateBtn()->isEnabled());
  EXPECT_FALSE(dialog.NextBtn()->isEnabled());
  scan.DirTreePathChange(temp_.File("music"), "music");
  EXPECT_TRUE(dialog.NextBtn()->isEnabled());
  EXPECT_EQ(dialog.DirIDEdit()->text(), "music");
  for (int i = 0; i < 3; ++i) QTest::mouseClick(dialog.NextBtn(), Qt::LeftButton);
  EXPECT_TRUE(dialog.SearchBtn()->isVisible());
  EXPECT_FALSE(dialog.NextBtn()->isEnabled());

  // Step 3's structure editor adds the longest first.
  dialog.Edit1()->setText("Genre/Artist - Title.mp3");
  dialog.AddStructBtnClick();
  EXPECT_EQ(dialog.Structures()->item(0)->text(), "Genre/Artist - Title.mp3");

  dialog.ExactSearch()->setChecked(true);
  QTest::mouseClick(dialog.SearchBtn(), Qt::LeftButton);
  EXPECT_TRUE(scan.Options().ExactSearch);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(dialog.ScanInfo()->isVisible());
  ASSERT_TRUE(RunToEnd(scan));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.ScanInfo()->isVisible());
  EXPECT_EQ(library_.RowCount(), 1);
  EXPECT_EQ(Cell(file, "ID"), "music");
}

TEST_F(LibraryWidgetsTest, EditorShowsTheRowAndSavesWhatWasTyped) {
  const std::string file = Mp3("m/track.mp3", 0.3);
  AddRow("Lib Artist", "Lib Title", file);
  SetLibraryItem(library_, "Automix", 0, "-1");
  SetLibraryItem(library_, "ID", 0, "Crate");
  ASSERT_TRUE(library_.SaveToFile());
  library_.SetRowSelected(0, true);
  TrackEditor editor(library_, nullptr, -1);
  editor.ShowLibrary();
  TEditData form(editor);
  form.show();
  EXPECT_EQ(form.Field("Artist")->text(), "Lib Artist");
  EXPECT_EQ(form.Field("ID")->text(), "Crate");
  EXPECT_EQ(form.TimeLabel()->text(), "0:01.000");
  EXPECT_TRUE(form.Field("ID")->isEnabled());
  EXPECT_FALSE(form.SelForw()->isEnabled());
  form.Field("Artist")->setText("Typed");
  form.Field("Intro")->setText("012");  // the m:ss mask keeps the colon
  EXPECT_EQ(form.Field("Intro")->text(), "0:12");
  form.SaveBtnClick();
  EXPECT_EQ(Cell(file, "Artist"), "Typed");
  EXPECT_EQ(Cell(file, "Intro"), "0:12");
}

}  // namespace
}  // namespace spinwave::test
