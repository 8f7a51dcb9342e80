// LibraryPane: the console's right-hand side, where tracks come from. The folder tree
// ("BrowseTree"), the library grid ("DBGrid", over the console's library table) and the folder
// file list ("FileList", the audio files of the folder chosen in the tree).
//
// This is one seam of the window: the full library browser (search, filter, pre-listen panel,
// playlist files shown in the grid, its popup) replaces this class as a whole. The window asks
// it only for what the playlist needs: which source is shown, the selected files or library
// rows, and drags that start in it.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QListWidget;
class QSplitter;
class QStackedWidget;

namespace spinwave {

class TDirTreeView;
class TEMDB;
class TEMDBGrid;

// The MIME type of drags that start inside the console; its data is the source's object name
// ("Playlist", "DBGrid", "FileList", "BrowseTree").
inline constexpr const char* kConsoleDragMime = "application/x-spinwave-source";
// Movement in pixels after which a press becomes a drag.
inline constexpr int kDragThreshold = 5;

class LibraryPane : public QWidget {
  Q_OBJECT
 public:
  LibraryPane(TEMDB& library, bool showTree, QWidget* parent = nullptr);

  TEMDBGrid* DBGrid() const { return dbGrid_; }
  QListWidget* FileList() const { return fileList_; }
  TDirTreeView* Tree() const { return tree_; }
  QSplitter* Splitter() const { return splitter_; }

  // The file list is shown (a folder is chosen in the tree), else the library grid.
  bool FileListShown() const;
  // The tree's current folder, ending with "/" (empty when the library is shown).
  std::string Folder() const { return folder_; }
  // Shows the audio files of `folder` in the file list (what choosing it in the tree does).
  void ShowFolder(const std::string& folder);
  void ShowLibrary();
  // Paths of the selected entries of the file list, in list order.
  std::vector<std::string> SelectedFiles() const;
  // Selects every entry of the file list (a drop of the tree's folder).
  void SelectAllFiles();
  // Visible rows of the library table that are selected, in order.
  std::vector<int> SelectedLibraryRows() const;
  // Clears the library grid's selection except its current row.
  void ClearLibrarySelection();
  // Makes the library row of `file` the grid's current row; false when the library has none.
  bool ShowLibraryRow(const std::string& file);
  // A playlist saved under a new name joins the tree's "Playlists" node.
  void AddPlaylistNode(const std::string& path);

  // Width of the folder tree (0 while it is hidden) and setting it.
  int TreeWidth() const;
  void SetTreeWidth(int width);

 signals:
  // A double-click in the library grid or the file list: add the selection at the end.
  void addRequested();
  // A plain left press in either source: later drops append.
  void sourcePressed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartDrag(QWidget* source);

  TEMDB& library_;
  QSplitter* splitter_ = nullptr;
  TDirTreeView* tree_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  TEMDBGrid* dbGrid_ = nullptr;
  QListWidget* fileList_ = nullptr;
  std::string folder_;
  QPoint pressAt_;
  QWidget* pressedIn_ = nullptr;
};

}  // namespace spinwave
