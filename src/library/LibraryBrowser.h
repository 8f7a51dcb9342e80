// The library browser panel the console embeds at its left: the folder tree BrowseTree, the
// library grid DBGrid (the library or a browsed playlist), the file list FileList (a folder's
// audio files), the search panel, the pre-listen panel PreListen and the popup FileDataMenu.
// The logic is LibraryModel's; this widget shows it and forwards input.
//
// Wiring into the console:
// - AddToPlaylistRequested(files) is raised by a double click on the grid or the file list,
//   Enter and "Add to playlist": connect it to the playlist model's AddToPlaylistClick.
// - The pre-listen entry: give LibraryModel::SetDecks the pre-listen deck and entry; create
//   that entry with PreListenSlider() as its position slider so the engine moves it; connect
//   the pre-listen DeckPort's time signal to SetPreListenTime.
// - CountChanged of the model goes to the status bar's second panel (also shown here when
//   ShowCount is on, for the standalone demo).
// - AskPassword is called before the scan dialog or the options open while AllSecured is on.
#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QPoint>
#include <QUrl>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QSplitter;
class QToolButton;

namespace spinwave {

// The MIME type of drags that start inside the console; its data is the source's object name
// ("Playlist", "DBGrid", "FileList", "BrowseTree"). A drag from the browser also carries the
// files as URLs, for drops outside the console.
inline constexpr const char* kConsoleDragMime = "application/x-spinwave-source";
// Movement in pixels after which a press becomes a drag.
inline constexpr int kDragThreshold = 5;

class LibraryModel;
class OptionsStore;
class TDirTreeView;
class TEMDBGrid;
class TEMSlider;
class TEditDatabase;
class TEditData;
class TrackEditor;

class LibraryBrowser : public QWidget {
  Q_OBJECT

 public:
  LibraryBrowser(LibraryModel& model, const OptionsStore& options, QWidget* parent = nullptr);
  ~LibraryBrowser() override;

  LibraryModel& Model() { return model_; }
  TDirTreeView* BrowseTree() const { return browseTree_; }
  TEMDBGrid* DBGrid() const { return dbGrid_; }
  QListWidget* FileList() const { return fileList_; }
  QWidget* SearchPanel() const { return searchPanel_; }
  QToolButton* SearchBtn() const { return searchBtn_; }
  QComboBox* FilterCol() const { return filterCol_; }
  QComboBox* FilterTxt() const { return filterTxt_; }
  QPushButton* SearchIt() const { return searchIt_; }
  QWidget* PreListen() const { return preListen_; }
  TEMSlider* PreListenSlider() const { return dataSlider_; }
  QLabel* TimeData() const { return timeData_; }
  QLabel* CountLabel() const { return count_; }
  QMenu* FileDataMenu() const { return fileDataMenu_; }
  QAction* EditTrackAction() const { return editTrack_; }
  QAction* DeleteTrackAction() const { return deleteTrack_; }
  TEditDatabase* EditDatabase() const { return editDatabase_; }
  TEditData* TrackEditorForm() const { return editData_.get(); }

  // Called when the scan dialog or the options are about to open while AllSecured is on; the
  // form opens only when it returns true. Unset: no password is asked (the access lock is
  // wired by the console).
  std::function<bool()> AskPassword;

  // Files of the shown rows or files that are selected.
  std::vector<std::string> SelectedFiles() const;

  // --- What the console's playlist asks ---------------------------------------------------
  // The file list is shown (a folder is chosen in the tree), else the grid.
  bool FileListShown() const;
  // The grid shows the library (not a browsed playlist file or a folder).
  bool LibraryShown() const;
  // Visible rows of the shown table that are selected (grid row - 1), in order.
  std::vector<int> SelectedLibraryRows() const;
  void ClearLibrarySelection();
  // Selects every entry of the file list (a folder dragged from the tree).
  void SelectAllFiles();
  // Shows the library with the row of `file` current; false when the library has none.
  bool ShowLibraryRow(const std::string& file);
  // A playlist saved under a new name joins the tree's "Playlists" node.
  void AddPlaylistNode(const std::string& path);
  // Width of the folder tree (0 while it is hidden) and setting it.
  int TreeWidth() const;
  void SetTreeWidth(int width);
  void SetTreeVisible(bool visible);

  // Handlers.
  void ShowPath(const std::string& path);
  void FileDataMenuPopup();
  void PreListenTrackClick();
  void StopRecordClick();
  void EditTrackClick();
  void DeleteTrackClick();
  void EditDatabaseClick();
  // The pre-listen deck's time (the console connects the pre-listen port's time here).
  void SetPreListenTime(int minutes, int seconds);
  // The pre-listen deck's position in ms: the slider takes it unless the user is dragging it.
  void SetPreListenPosition(int ms);
  void SetShowCount(bool on);

 signals:
  void AddToPlaylistRequested(const std::vector<std::string>& files);
  // Before the playlist dialogs or menus take the focus the deck focus lamps go off.
  void RemoveFocusRequested();
  // A plain left press in the grid or the file list: later drops on the playlist append.
  void SourcePressed();

 private:
  void ShowView();
  void ShowSearch();
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Audio files of a folder node, as dragged onto the playlist.
  static QList<QUrl> FolderFileUrls(const std::string& folder);
  void RefreshFileList();
  void StartDrag(QWidget* source);

  LibraryModel& model_;
  const OptionsStore& options_;
  TDirTreeView* browseTree_;
  TEMDBGrid* dbGrid_;
  QListWidget* fileList_;
  QWidget* searchPanel_;
  QToolButton* searchBtn_;
  QComboBox* filterCol_;
  QComboBox* filterTxt_;
  QPushButton* searchIt_;
  QWidget* bottom_;
  QWidget* preListen_;
  TEMSlider* dataSlider_;
  QLabel* timeData_;
  QPushButton* playRecord_;
  QPushButton* stopRecord_;
  QLabel* count_;
  QMenu* fileDataMenu_;
  QAction* addToPlaylist_;
  QAction* preListenTrack_;
  QAction* preListenStop_;
  QAction* editTrack_;
  QAction* deleteTrack_;
  QSplitter* splitter_;
  QPoint dragStart_;
  std::string dragFolder_;
  QWidget* pressedIn_ = nullptr;
  TEditDatabase* editDatabase_ = nullptr;
  std::unique_ptr<TrackEditor> editor_;
  std::unique_ptr<TEditData> editData_;
};

}  // namespace spinwave
