// The browser's logic: search and filter, removing rows, browsing a playlist file or a folder,
// the count text, cell formats, the playlist finder, pre-listening; and the library export.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include "LibraryFixture.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryExport.h"
#include "library/LibraryModel.h"
#include "options/OptionsStore.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

class LibraryModelTest : public LibraryTest {
 protected:
  void Rows(const std::vector<std::vector<std::string>>& rows) {
    // Artist, Title, Album, File
    for (const auto& r : rows) {
      const int n = library_.RowCount();
      library_.SetRowCount(n + 1);
      SetLibraryItem(library_, "Artist", n, r[0]);
      SetLibraryItem(library_, "Title", n, r[1]);
      SetLibraryItem(library_, "Album", n, r[2]);
      SetLibraryItem(library_, "File", n, r.size() > 3 ? r[3] : "/music/" + r[1] + ".mp3");
      SetLibraryItem(library_, "Time", n, "215376");
    }
    ASSERT_TRUE(library_.SaveToFile());
  }
  OptionsStore options_;
};

TEST_F(LibraryModelTest, SearchFiltersTheNamedColumnOrAllIgnoringCaseAndNoneRestores) {
  Rows({{"Madonna", "Vogue", "Immaculate"}, {"ABCDE", "x", "y"}, {"Zed", "Song", "abcd live"},
        {"Other", "Tune", "Best"}});
  LibraryModel model(library_, options_);
  model.SearchBtnClick();
  EXPECT_TRUE(model.SearchPanelVisible());
  EXPECT_EQ(model.PreListenLeft(), 264);
  EXPECT_FALSE(model.SearchItEnabled());
  model.FilterTxtChange("bcd");
  EXPECT_FALSE(model.SearchItEnabled());  // "None" chosen
  const struct {
    int col;
    int matches;
  } cases[] = {{LibraryModel::fcAll, 2}, {LibraryModel::fcArtist, 1},
               {LibraryModel::fcAlbum, 1}, {LibraryModel::fcTitle, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(LibraryModel::FilterColNames()[size_t(c.col)]);
    model.FilterColChange(c.col);
    EXPECT_TRUE(model.SearchItEnabled());
    QSignalSpy current(&model, &LibraryModel::CurrentRowRequested);
    EXPECT_EQ(model.SearchItClick(), c.matches);
    EXPECT_EQ(library_.GetRowCount(), c.matches);
    EXPECT_EQ(model.TrackCountText(), std::to_string(c.matches) + " tracks in database");
    ASSERT_EQ(current.count(), 1);
    EXPECT_EQ(current.at(0).at(0).toInt(), 1);
  }
  model.FilterColChange(LibraryModel::fcNone);
  EXPECT_FALSE(library_.Filtered);
  EXPECT_EQ(library_.GetRowCount(), 4);

  // As-you-type: each change of the text filters; an emptied text shows everything again.
  model.FilterColChange(LibraryModel::fcAll);
  model.FilterTxtChange("xyz");
  EXPECT_EQ(library_.GetRowCount(), 0);
  model.FilterTxtChange("TUN");
  EXPECT_EQ(library_.GetRowCount(), 1);
  model.FilterTxtChange("");
  EXPECT_FALSE(library_.Filtered);
  EXPECT_EQ(library_.GetRowCount(), 4);
  model.FilterTxtChange("bcd");

  // Hiding the panel also ends the filter.
  model.FilterColChange(LibraryModel::fcAll);
  model.SearchItClick();
  ASSERT_TRUE(library_.Filtered);
  model.SearchBtnClick();
  EXPECT_FALSE(library_.Filtered);
  EXPECT_EQ(model.PreListenLeft(), 26);
}

TEST_F(LibraryModelTest, RemovingStopsAtTheFirstNoAndSavesWhatWasRemoved) {
  Rows({{"A", "One", ""}, {"B", "Two", ""}, {"C", "Three", ""}, {"D", "Four", ""}});
  for (int r : {0, 1, 3}) library_.SetRowSelected(r, true);
  LibraryModel model(library_, options_);
  std::vector<std::string> asked;
  int answers = 0;
  SetMessageHandler([&](MessageKind, const std::string& text) {
    asked.push_back(text);
    return ++answers == 1;  // Yes for the first, No for the second
  });
  EXPECT_EQ(model.DeleteTrackClick(2), 1);
  SetMessageHandler(nullptr);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], "Delete A - One from the database?");
  EXPECT_EQ(asked[1], "Delete B - Two from the database?");
  TEMDB reread;
  reread.Title = kLibraryTitle;
  ASSERT_TRUE(reread.LoadFromFile(library_.FileName));
  ASSERT_EQ(reread.RowCount(), 3);
  EXPECT_EQ(GetLibraryItem(reread, "Artist", 1), "B");
}

TEST_F(LibraryModelTest, BrowsingAPlaylistFileShowsItsTracksWithoutMarksOrPaths) {
  TEMDB list;
  list.Title = kPlaylistTitle;
  list.SetColCount(9);
  const char* names[] = {"", "Artist", "Title", "File", "Time", "Gain", "Intro", "Outro", "Segue"};
  for (int c = 0; c < 9; ++c) list.SetItem(c, -1, names[c]);
  list.SetRowCount(2);
  list.SetItem(1, 0, "Band");
  list.SetItem(2, 0, "Hit");
  list.SetItem(3, 0, "/music/hit.mp3");
  list.SetItem(8, 0, "12,5");
  list.SetItem(1, 1, "Other");
  const std::string path = temp_.File("show.NPL2");
  ASSERT_TRUE(list.SaveToFile(path));
  Rows({{"Lib", "Row", ""}});

  LibraryModel model(library_, options_);
  model.SearchBtnClick();
  model.SetPlaylistColumnWidths({30, 120, 140, -1, 50, -1, 50, 50, 40});
  model.BrowseTreePathChange(path);
  EXPECT_EQ(model.CurrentView(), LibraryModel::ShowPlaylist);
  EXPECT_FALSE(model.SearchPanelVisible());
  EXPECT_FALSE(model.SearchBtnEnabled());
  TEMDB& shown = model.Shown();
  EXPECT_EQ(&shown, &model.BrowseList());
  ASSERT_EQ(shown.RowCount(), 2);
  EXPECT_EQ(shown.GetItem(2, 0), "Hit");
  EXPECT_EQ(shown.GetItem(8, 0), "12005");  // seconds with a fraction become milliseconds
  EXPECT_EQ(shown.GetColWidth(0), -1);
  EXPECT_EQ(shown.GetColWidth(3), -1);
  EXPECT_EQ(shown.GetColWidth(2), 140);
  EXPECT_FALSE(model.FileDataMenuPopup().editEnabled);
  EXPECT_FALSE(model.FileDataMenuPopup().removeEnabled);
  library_.SetRowSelected(0, true);
  model.Shown().SetRowSelected(0, true);
  EXPECT_EQ(model.SelectedFiles(), std::vector<std::string>{"/music/hit.mp3"});

  model.BrowseTreePathChange("Database");
  EXPECT_EQ(&model.Shown(), &library_);
  EXPECT_TRUE(model.FileDataMenuPopup().removeEnabled);
}

TEST_F(LibraryModelTest, AFolderShowsItsAudioFilesAndDisablesRemoving) {
  for (const char* name : {"b.MP3", "a.ogg", "c.wav", "notes.txt", "d.flac"})
    WriteFile(Place(std::string("dir/") + name), "x");
  Place("dir/sub.mp3/x");  // a folder named like a file
  LibraryModel model(library_, options_);
  model.BrowseTreePathChange(temp_.File("dir"));
  EXPECT_EQ(model.CurrentView(), LibraryModel::ShowFolder);
  EXPECT_EQ(model.FolderFiles(), (std::vector<std::string>{"a.ogg", "b.MP3", "c.wav"}));
  EXPECT_TRUE(model.FileDataMenuPopup().editEnabled);
  EXPECT_FALSE(model.FileDataMenuPopup().removeEnabled);
  EXPECT_EQ(model.SelectedFiles({false, true, true}),
            (std::vector<std::string>{temp_.File("dir/b.MP3"), temp_.File("dir/c.wav")}));
}

TEST_F(LibraryModelTest, TrackCountOfAnEmptyLibrary) {
  LibraryModel model(library_, options_);
  QSignalSpy count(&model, &LibraryModel::CountChanged);
  model.SetDBInfo();
  ASSERT_EQ(count.count(), 1);
  EXPECT_EQ(count.at(0).at(0).toString(), "0 tracks in database");
}

TEST_F(LibraryModelTest, CellFormats) {
  Rows({{"A", "Song", "", "/m/x.OGG"}});
  LibraryModel model(library_, options_);
  auto format = [&](const char* column, int row) {
    TFormatOptions f;
    const int col = ColumnIndex(library_, column);
    f.Text = row == 0 ? library_.GetItem(col, -1) : library_.GetItem(col, row - 1);
    model.DBGridGetCellFormat(col, row, f);
    return f;
  };
  EXPECT_EQ(format("PlTimes", 0).Text, "Played times");
  EXPECT_EQ(format("Genre 1", 0).Text, "Genre 1");
  const TFormatOptions time = format("Time", 1);
  EXPECT_EQ(time.Text, "3:35");
  EXPECT_EQ(time.Alignment, 1);
  TFormatOptions file = format("File", 1);
  EXPECT_TRUE(file.PaintIcon);
  EXPECT_EQ(file.Text, "2");
  options_.SetBool("ShowFilePath", true);
  file = format("File", 1);
  EXPECT_FALSE(file.PaintIcon);
  EXPECT_EQ(file.Text, "/m/x.OGG");
}

TEST_F(LibraryModelTest, ThePlaylistFinderListsTheListsFolder) {
  for (const char* name : {"a.npl2", "b.m3u", "c.npl", "d.txt"}) WriteFile(Place(std::string("lists/") + name), "");
  LibraryModel model(library_, options_);
  QSignalSpy found(&model, &LibraryModel::PlaylistsFound);
  model.FindLists(temp_.File("lists"));
  QElapsedTimer clock;
  clock.start();
  while (found.isEmpty() && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_EQ(found.count(), 1);
  QStringList files = found.at(0).at(0).toStringList();
  files.sort();
  EXPECT_EQ(files, (QStringList{QString::fromStdString(temp_.File("lists/a.npl2")),
                                QString::fromStdString(temp_.File("lists/b.m3u")),
                                QString::fromStdString(temp_.File("lists/c.npl"))}));
}

TEST_F(LibraryModelTest, PreListenPlaysAnExistingFileAndReportsAMissingOne) {
  auto deck = std::make_unique<TFMODJingle>(QStringLiteral("DataPlayer"));
  deck->Init("fmod3.dll");
  deck->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  deck->SetOutput();
  const int entry = deck->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr);
  LibraryModel model(library_, options_);
  model.SetDecks(deck.get(), entry, nullptr, -1);
  QSignalSpy hint(&model, &LibraryModel::PreListenHint);
  const std::string file = Wav("m/pre.wav", 800);
  EXPECT_TRUE(model.PreListenTrackClick(file));
  EXPECT_EQ(deck->GetFileState(entry), fsPlaying);
  ASSERT_EQ(hint.count(), 1);
  EXPECT_EQ(hint.at(0).at(0).toString(), "pre.wav");
  {
    MessageCapture messages;
    EXPECT_FALSE(model.PreListenTrackClick(temp_.File("m/gone.mp3")));
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "\"" + temp_.File("m/gone.mp3") + "\" doesn't exist!");
  }
  model.StopRecordClick();
  EXPECT_EQ(deck->GetFileName(entry), "");
  deck->EmptyFileEntry(entry);
}

TEST_F(LibraryModelTest, ExportEscapesTextsWritesUtf8AndGroupsByFirstLetter) {
  Rows({{"Guns <N> Roses", "Paradise & \"City\"", ""}, {"gorillaz", "Feel", ""},
        {"\xc3\x89" "dith", "Rien", ""}, {"<script>alert(1)</script>", "x", ""},
        {"Abba", "SOS", ""}});
  const std::string html = LibraryExportHtml(library_);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("  <td>Guns &lt;N&gt; Roses</td>\r\n"), std::string::npos);
  EXPECT_NE(html.find("  <td>Paradise &amp; &quot;City&quot;</td>\r\n"), std::string::npos);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  // Sorted by artist; "G" and "g" share one letter row; a two-byte letter stays whole.
  const auto count = [&](const std::string& needle) {
    size_t n = 0;
    for (size_t at = html.find(needle); at != std::string::npos; at = html.find(needle, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("bgcolor=yellow"), 4u);  // "<", "A", "G", "É"
  // The letter as stored by the first of its run ("gorillaz" sorts before "Guns").
  EXPECT_EQ(count("<b>g</b>"), 1u);
  EXPECT_EQ(count("<b>G</b>"), 0u);
  EXPECT_EQ(count("<b>\xc3\x89</b>"), 1u);
  EXPECT_LT(html.find("Abba"), html.find("gorillaz"));
  EXPECT_EQ(html.substr(html.size() - 24), "</table></body></html>\r\n");
  EXPECT_EQ(library_.GetItem(ColumnIndex(library_, "Artist"), 0), "<script>alert(1)</script>");

  std::string error;
  ASSERT_TRUE(SaveDBClick(library_, {}, &error)) << error;
  EXPECT_EQ(ReadFile(LibraryExportPath()), html);
}

}  // namespace
}  // namespace spinwave::test
