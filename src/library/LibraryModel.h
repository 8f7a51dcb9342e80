// The library browser without widgets: what the folder tree's path shows (the library, a
// playlist file in the browse list, or a folder's audio files), the search panel's filter over
// the library, removing tracks with their questions, the track-count text, the popup's
// enabling, the library grid's cell formats, the pre-listen deck, and the playlist finder of
// the "lists" folder. LibraryBrowser shows it; the console owns it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

#include "library/LibraryScan.h"
#include "meta/TEMFindFile.h"
#include "table/TEMDB.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

class OptionsStore;
class TFMODJingle;

class LibraryModel : public QObject {
  Q_OBJECT

 public:
  enum View { ShowLibrary, ShowPlaylist, ShowFolder };
  // FilterCol's entries, in order.
  enum FilterColumn { fcNone, fcAll, fcArtist, fcTitle, fcAlbum, fcGenre1, fcGenre2, fcID };
  static const std::vector<std::string>& FilterColNames();  // "None", "All", "Artist" ...
  // Left position of the pre-listen panel with and without the search panel.
  static constexpr int kPreListenLeftAlone = 26;
  static constexpr int kPreListenLeftBesideSearch = 264;
  static constexpr const char* kAudioMask = "*.mp3;*.wav;*.ogg";
  // Playlist files found in the "lists" folder. ".npl2" is the console's own playlist format
  // (what "Save playlist" writes), so it is listed with the two older formats.
  static constexpr const char* kListsMask = "*.npl2;*.npl;*.m3u";

  // `library` is the console's library table; `options` the live settings (ShowFilePath is read
  // for every "File" cell). The pre-listen and checking decks are given with SetDecks.
  LibraryModel(TEMDB& library, const OptionsStore& options, QObject* parent = nullptr);
  ~LibraryModel() override;

  TEMDB& Library() { return library_; }
  // The 9-column "Spinwave v2 Playlist" table a browsed playlist file is read into.
  TEMDB& BrowseList() { return browseList_; }
  // The table the library grid shows now: the library or the browse list.
  TEMDB& Shown() { return view_ == ShowPlaylist ? browseList_ : library_; }
  View CurrentView() const { return view_; }

  // The pre-listen deck's entry and the library scan's checking deck entry.
  void SetDecks(TFMODJingle* preListen, int preListenEntry, TFMODJingle* check, int checkEntry);
  TFMODJingle* CheckDeck() const { return checkDeck_; }
  int CheckEntry() const { return checkEntry_; }
  // The library scan over this library and the checking deck (made on first use).
  LibraryScan& Scan();

  // --- What the tree shows ---------------------------------------------------------------------
  void BrowseTreePathChange(const std::string& path);
  const std::string& Path() const { return path_; }
  // The browsed folder's audio files (names, sorted ignoring ASCII case).
  const std::vector<std::string>& FolderFiles() const { return folderFiles_; }
  // Reads the folder again (the file list's refresh; also after the editor renamed a file).
  void RefreshFolder();
  // Reads an ".m3u" or ".npl" file into the browse list. Point it at the playlist part's
  // reader (PlaylistFiles) when the console is wired; until then such files are refused with
  // a message and the browse list stays empty.
  std::function<bool(const std::string& path, TEMDB& browseList)> ReadM3uOrNplPlaylist;
  // The playlist grid's column widths (columns 0..8); the browse list takes columns 1..8.
  void SetPlaylistColumnWidths(const std::vector<int>& widths);

  // --- Search panel -------------------------------------------------------------------------
  bool SearchBtnEnabled() const { return view_ == ShowLibrary; }
  bool SearchPanelVisible() const { return searchVisible_; }
  int PreListenLeft() const {
    return searchVisible_ ? kPreListenLeftBesideSearch : kPreListenLeftAlone;
  }
  void SearchBtnClick();
  int FilterCol() const { return filterCol_; }
  const std::string& FilterTxt() const { return filterTxt_; }
  // Searching is as-you-type: a change of either filters the library at once (an empty text or
  // "None" ends the filter). SearchIt and Enter search again.
  void FilterColChange(int index);
  void FilterTxtChange(const std::string& text);
  bool SearchItEnabled() const { return !filterTxt_.empty() && filterCol_ != fcNone; }
  // While "Genre 1" is chosen the text must be one of the genre names.
  bool FilterTxtListOnly() const { return filterCol_ == fcGenre1; }
  // Enter in FilterTxt: searches when SearchIt is enabled. The key is consumed either way.
  void FilterTxtEnterKey();
  // Filters the library; returns the number of matching rows.
  int SearchItClick();
  void EndFilter();

  // --- Rows ---------------------------------------------------------------------------------
  struct PopupState {
    bool editEnabled = true;
    bool removeEnabled = true;
  };
  PopupState FileDataMenuPopup() const;
  // Asks for each selected library row from the top; Yes removes it, No ends. Saves the library
  // when any row went. `currentGridRow` is made current again afterwards. Returns rows removed.
  int DeleteTrackClick(int currentGridRow);
  // "<visible rows> tracks in database".
  std::string TrackCountText() const;
  void SetDBInfo();
  // The library grid's cell format (header captions, m:ss times, numbers to the right, the
  // "File" column's path or type icon).
  void DBGridGetCellFormat(int col, int row, TFormatOptions& format) const;
  // Full paths of the tracks chosen: the selected rows of the shown table (library or browse
  // list), or the selected entries of the folder's file list (`fileSelected` parallel to
  // FolderFiles()). What the console's AddToPlaylistClick adds.
  std::vector<std::string> SelectedFiles(const std::vector<bool>& fileSelected = {}) const;
  // The file of one grid row of the shown table, or of one folder file.
  std::string FileOfGridRow(int gridRow) const;
  std::string FileOfFolderEntry(int index) const;

  // --- Pre-listen ---------------------------------------------------------------------------
  // Opens `file` on the pre-listen entry and plays it; a missing file is reported.
  bool PreListenTrackClick(const std::string& file);
  void StopRecordClick();

  // --- Playlists in the "lists" folder --------------------------------------------------------
  // Searches `folder` in the background; PlaylistsFound follows.
  void FindLists(const std::string& folder);

 signals:
  void ViewChanged();
  void LibraryChanged();                  // the grid repaints
  void CountChanged(const QString& text);
  void SearchChanged();                   // panel, FilterCol, SearchIt states
  void CurrentRowRequested(int gridRow);
  void PreListenHint(const QString& name);
  void PlaylistsFound(const QStringList& files);

 private:
  void LoadBrowseList(const std::string& path, const std::string& ext);

  TEMDB& library_;
  const OptionsStore& options_;
  TEMDB browseList_;
  View view_ = ShowLibrary;
  std::string path_ = "Database";
  std::vector<std::string> folderFiles_;
  std::vector<int> playlistWidths_;
  bool searchVisible_ = false;
  int filterCol_ = fcNone;
  std::string filterTxt_;
  TFMODJingle* preDeck_ = nullptr;
  int preEntry_ = -1;
  TFMODJingle* checkDeck_ = nullptr;
  int checkEntry_ = -1;
  std::unique_ptr<LibraryScan> scan_;
  TEMFindFile findLists_;
};

}  // namespace spinwave
