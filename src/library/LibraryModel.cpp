#include "library/LibraryModel.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryTexts.h"
#include "options/OptionsStore.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace texts = library_texts;

namespace {

struct BrowseColumn {
  const char* name;
  int width;
};
// The playlist table's columns: mark, Artist, Title, File, Time, Gain, Intro, Outro, Segue.
constexpr BrowseColumn kBrowseColumns[9] = {
    {"", 30},      {"Artist", 150}, {"Title", 150}, {"File", -1},   {"Time", 50},
    {"Gain", -1},  {"Intro", 50},   {"Outro", 50},  {"Segue", -1},
};

std::string LowerExtension(const std::string& file) {
  const size_t dot = file.find_last_of("./");
  if (dot == std::string::npos || file[dot] != '.') return {};
  return ToLowerAscii(file.substr(dot));
}

std::string MinutesSeconds(int ms) {
  if (ms < 0) ms = 0;
  char buf[24];
  std::snprintf(buf, sizeof buf, "%d:%02d", ms / 60000, (ms / 1000) % 60);
  return buf;
}

bool MatchesMask(const std::string& mask, const std::string& name) {
  size_t start = 0;
  for (;;) {
    const size_t semi = mask.find(';', start);
    const std::string pattern =
        mask.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
    if (!pattern.empty() && TEMFindFile::MatchesPattern(pattern, name)) return true;
    if (semi == std::string::npos) return false;
    start = semi + 1;
  }
}

}  // namespace

const std::vector<std::string>& LibraryModel::FilterColNames() {
  static const std::vector<std::string> names = {"None",    "All",     "Artist",  "Title",
                                                 "Album",   "Genre 1", "Genre 2", "ID"};
  return names;
}

LibraryModel::LibraryModel(TEMDB& library, const OptionsStore& options, QObject* parent)
    : QObject(parent), library_(library), options_(options) {
  browseList_.Title = kPlaylistTitle;
  browseList_.SetColCount(9);
  for (int c = 0; c < 9; ++c) {
    browseList_.SetItem(c, -1, kBrowseColumns[c].name);
    browseList_.SetColWidth(c, kBrowseColumns[c].width);
  }
  browseList_.SetColType(4, 1);
  for (const auto& col : kBrowseColumns) playlistWidths_.push_back(col.width);

  findLists_.SetOnFinnished([this](TEMFindFile* finder) {
    QStringList found;
    for (const std::string& f : finder->Files()) found << QString::fromStdString(f);
    emit PlaylistsFound(found);
  });
}

LibraryModel::~LibraryModel() = default;

void LibraryModel::SetDecks(TFMODJingle* preListen, int preListenEntry, TFMODJingle* check,
                            int checkEntry) {
  preDeck_ = preListen;
  preEntry_ = preListenEntry;
  checkDeck_ = check;
  checkEntry_ = checkEntry;
}

LibraryScan& LibraryModel::Scan() {
  if (!scan_) {
    scan_ = std::make_unique<LibraryScan>(library_, checkDeck_, checkEntry_, this);
    if (!checkDeck_) {
      checkDeck_ = &scan_->CheckDeck();
      checkEntry_ = scan_->CheckEntry();
    }
    connect(scan_.get(), &LibraryScan::LibraryChanged, this, [this] {
      emit LibraryChanged();
      SetDBInfo();
    });
  }
  return *scan_;
}

// ---------------------------------------------------------------------------------------------
// What the tree shows

void LibraryModel::BrowseTreePathChange(const std::string& path) {
  path_ = path;
  if (path == "Database") {
    view_ = ShowLibrary;
    emit ViewChanged();
    emit LibraryChanged();
    return;
  }
  if (searchVisible_) {
    searchVisible_ = false;
    emit SearchChanged();
  }
  const std::string ext = LowerExtension(path);
  if (ext == ".m3u" || ext == ".npl" || ext == ".npl2") {
    LoadBrowseList(path, ext);
    view_ = ShowPlaylist;
  } else {
    view_ = ShowFolder;
    RefreshFolder();
  }
  emit ViewChanged();
}

void LibraryModel::LoadBrowseList(const std::string& path, const std::string& ext) {
  browseList_.ClearRows();
  if (ext == ".npl2") {
    std::string error;
    if (!browseList_.LoadFromFile(path, &error))
      ShowMessage("Couldn't read the playlist " + path + ": " + error);
    else
      browseList_.NormalizeTimes(8);
  } else if (!ReadM3uOrNplPlaylist || !ReadM3uOrNplPlaylist(path, browseList_)) {
    if (!ReadM3uOrNplPlaylist) ShowMessage("Couldn't read the playlist " + path);
  }
  if (browseList_.ColCount() < 9) browseList_.SetColCount(9);
  for (int c = 1; c < 9 && c < static_cast<int>(playlistWidths_.size()); ++c)
    browseList_.SetColWidth(c, playlistWidths_[size_t(c)]);
  // Neither the playlist's marks nor its paths mean anything while browsing it.
  browseList_.SetColWidth(0, -1);
  browseList_.SetColWidth(3, -1);
}

void LibraryModel::SetPlaylistColumnWidths(const std::vector<int>& widths) {
  playlistWidths_ = widths;
}

void LibraryModel::RefreshFolder() {
  folderFiles_.clear();
  // The "Playlists" node reports an empty path: no folder, so no files (not those of "/").
  if (view_ != ShowFolder || path_.empty()) return;
  std::string folder = path_;
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == ".." || !MatchesMask(kAudioMask, name)) continue;
      struct stat st {};
      if (::stat((folder + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
        folderFiles_.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(folderFiles_.begin(), folderFiles_.end(),
            [](const std::string& a, const std::string& b) {
              const int c = CompareNoCase(a, b);
              return c != 0 ? c < 0 : a < b;
            });
}

// ---------------------------------------------------------------------------------------------
// Search

void LibraryModel::SearchBtnClick() {
  if (!SearchBtnEnabled() && !searchVisible_) return;
  searchVisible_ = !searchVisible_;
  if (!searchVisible_) EndFilter();
  emit SearchChanged();
}

void LibraryModel::EndFilter() {
  if (!library_.Filtered) return;
  library_.ClearFilter();
  emit LibraryChanged();
  SetDBInfo();
}

void LibraryModel::FilterColChange(int index) {
  filterCol_ = std::clamp(index, 0, static_cast<int>(FilterColNames().size()) - 1);
  if (filterCol_ == fcNone)
    EndFilter();
  else if (!filterTxt_.empty())
    SearchItClick();
  emit SearchChanged();
}

void LibraryModel::FilterTxtChange(const std::string& text) {
  filterTxt_ = text;
  // As-you-type: every change filters again; an emptied box shows the whole library.
  if (filterCol_ == fcNone || filterTxt_.empty())
    EndFilter();
  else
    SearchItClick();
  emit SearchChanged();
}

void LibraryModel::FilterTxtEnterKey() {
  if (SearchItEnabled()) SearchItClick();
}

int LibraryModel::SearchItClick() {
  if (!SearchItEnabled()) return library_.GetRowCount();
  library_.ClearFilter();
  int col = -1;
  if (filterCol_ != fcAll) {
    col = ColumnIndex(library_, FilterColNames()[size_t(filterCol_)]);
  }
  const int found = library_.Filter(col, filterTxt_);
  emit LibraryChanged();
  emit CurrentRowRequested(library_.FoundRow + 1);
  SetDBInfo();
  return found;
}

// ---------------------------------------------------------------------------------------------
// Rows

LibraryModel::PopupState LibraryModel::FileDataMenuPopup() const {
  PopupState s;
  if (view_ == ShowPlaylist) {
    s.editEnabled = false;
    s.removeEnabled = false;
  } else if (view_ == ShowFolder) {
    s.removeEnabled = false;
  }
  return s;
}

int LibraryModel::DeleteTrackClick(int currentGridRow) {
  if (view_ != ShowLibrary) return 0;
  const int artistCol = ColumnIndex(library_, "Artist");
  const int titleCol = ColumnIndex(library_, "Title");
  int removed = 0;
  int row = 0;
  while (row < library_.GetRowCount()) {
    if (!library_.GetRowSelected(row)) {
      ++row;
      continue;
    }
    std::string question = texts::kDelDataText;
    const std::string track =
        library_.GetItem(artistCol, row) + " - " + library_.GetItem(titleCol, row);
    const size_t at = question.find("%n");
    if (at != std::string::npos) question.replace(at, 2, track);
    if (!AskYesNo(question)) break;
    library_.DeleteRow(row);  // the same row number now holds the next track
    ++removed;
  }
  if (removed > 0) {
    std::string error;
    if (!library_.SaveToFile({}, &error))
      ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
  }
  emit LibraryChanged();
  SetDBInfo();
  emit CurrentRowRequested(currentGridRow);
  return removed;
}

std::string LibraryModel::TrackCountText() const {
  return std::to_string(library_.GetRowCount()) + " " + texts::kTracksDB;
}

void LibraryModel::SetDBInfo() { emit CountChanged(QString::fromStdString(TrackCountText())); }

void LibraryModel::DBGridGetCellFormat(int col, int row, TFormatOptions& format) const {
  const TEMDB& table = view_ == ShowPlaylist ? browseList_ : library_;
  const std::string name = table.GetItem(col, -1);
  if (row == 0) {
    static const std::pair<const char*, const std::string*> kCaptions[] = {
        {"Artist", &texts::kDBArtist},   {"Title", &texts::kDBTitle},
        {"Album", &texts::kDBAlbum},     {"Year", &texts::kDBYear},
        {"Comment", &texts::kDBComment}, {"Time", &texts::kDBTime},
        {"PlTimes", &texts::kDBPlTimes},
    };
    for (const auto& [column, caption] : kCaptions)
      if (name == column) format.Text = *caption;
    return;
  }
  if (name == "Time" || name == "PlTimes" || name == "Intro" || name == "Outro" ||
      name == "Tracknr" || name == "Segue")
    format.Alignment = 1;
  if (name == "Time") {
    format.Text = format.Text.empty() ? std::string() : MinutesSeconds(LeadingInt32(format.Text));
    return;
  }
  if (view_ == ShowLibrary && name == "File" && !options_.Bool("ShowFilePath")) {
    const std::string ext = LowerExtension(format.Text);
    format.PaintIcon = true;
    format.Alignment = 2;
    format.Text = ext == ".mp3" ? "1" : ext == ".ogg" ? "2" : ext == ".wav" ? "V" : "";
  }
}

std::string LibraryModel::FileOfGridRow(int gridRow) const {
  const TEMDB& table = view_ == ShowPlaylist ? browseList_ : library_;
  return table.GetItem(ColumnIndex(table, "File"), gridRow - 1);
}

std::string LibraryModel::FileOfFolderEntry(int index) const {
  if (index < 0 || index >= static_cast<int>(folderFiles_.size())) return {};
  std::string folder = path_;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + folderFiles_[size_t(index)];
}

std::vector<std::string> LibraryModel::SelectedFiles(const std::vector<bool>& fileSelected) const {
  std::vector<std::string> files;
  if (view_ == ShowFolder) {
    for (size_t i = 0; i < fileSelected.size() && i < folderFiles_.size(); ++i)
      if (fileSelected[i]) files.push_back(FileOfFolderEntry(static_cast<int>(i)));
    return files;
  }
  const TEMDB& table = view_ == ShowPlaylist ? browseList_ : library_;
  const int fileCol = ColumnIndex(table, "File");
  for (int r = 0; r < table.GetRowCount(); ++r)
    if (table.GetRowSelected(r)) files.push_back(table.GetItem(fileCol, r));
  return files;
}

// ---------------------------------------------------------------------------------------------
// Pre-listen

bool LibraryModel::PreListenTrackClick(const std::string& file) {
  if (file.empty() || !FileExists(file)) {
    ShowMessage("\"" + file + "\" " + texts::kFileDoesntExist);
    return false;
  }
  if (!preDeck_) return false;
  preDeck_->CloseFile(preEntry_);
  const size_t slash = file.find_last_of('/');
  emit PreListenHint(QString::fromStdString(slash == std::string::npos ? file : file.substr(slash + 1)));
  if (preDeck_->OpenFile(file, preEntry_) <= 0 && preDeck_->GetFileState(preEntry_) != fsOpening)
    return false;
  return preDeck_->Play(preEntry_);
}

void LibraryModel::StopRecordClick() {
  if (preDeck_) preDeck_->CloseFile(preEntry_);
}

void LibraryModel::FindLists(const std::string& folder) {
  if (findLists_.IsSearching()) return;
  findLists_.SetMask(kListsMask);
  findLists_.SetPath(folder);
  findLists_.Start();
}

}  // namespace spinwave
