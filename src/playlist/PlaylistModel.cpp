#include "playlist/PlaylistModel.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "core/Messages.h"
#include "options/OptionsStore.h"
#include "playlist/TrackInfoFiller.h"
#include "playlist/TrackReader.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace {

constexpr int64_t kDayMs = 24LL * 3600 * 1000;

bool IsDeckMark(std::string_view mark) { return mark == "1" || mark == "2"; }

// "0:15" is taken as it stands; "15" or "" is not an "m:ss" text and shows "0:00".
std::string FourCharacterTime(const std::string& text) {
  return text.size() == 4 ? text : std::string("0:00");
}

}  // namespace

PlaylistModel::PlaylistModel(TEMDB& table, const OptionsStore& options, TrackReader& reader,
                             QObject* parent)
    : QObject(parent), table_(table), options_(options), reader_(reader) {
  if (table_.ColCount() != kPlaylistColumnCount) SetPlaylistColumns(table_);
  table_.Title = kPlaylistTitle;
}

PlaylistModel::~PlaylistModel() {
  if (filler_) filler_->Cancel();
}

// --- Cells ------------------------------------------------------------------------------------

std::string PlaylistModel::Cell(int col, int row) const {
  if (row < 1 || row > table_.RowCount()) return {};
  return std::string(table_.TableCell(col, row - 1));
}

int PlaylistModel::TimeMs(int row) const {
  if (row < 1 || row > table_.RowCount()) return 0;
  return static_cast<int>(LeadingInt32(table_.TableCell(plTime, row - 1)));
}

int PlaylistModel::SegueMs(int row) const {
  if (row < 1 || row > table_.RowCount()) return 0;
  return static_cast<int>(LeadingInt32(table_.TableCell(plSegue, row - 1)));
}

void PlaylistModel::SetCell(int col, int row, const std::string& text) {
  if (row < 1 || row > table_.RowCount()) return;
  if (table_.TableCell(col, row - 1) == text) return;
  table_.SetTableCell(col, row - 1, text);
  emit rowChanged(row);
  if (col == plTime || col == plSegue) emit totalChanged();
}

void PlaylistModel::ClearMark(const std::string& mark) {
  for (int r = 1; r <= table_.RowCount(); ++r)
    if (table_.TableCell(plMark, r - 1) == mark) SetMark(r, "");
}

void PlaylistModel::SetCurrentRow(int row) {
  if (row == current_) return;
  current_ = row;
  emit currentRowChanged(row);
}

void PlaylistModel::SetCursorRow(int row) {
  row = table_.RowCount() == 0 ? 0 : std::clamp(row, 1, table_.RowCount());
  if (row == cursor_) return;
  cursor_ = row;
  emit cursorChanged(row);
}

bool PlaylistModel::Selected(int row) const {
  return row >= 1 && row <= table_.RowCount() && table_.Row(row - 1).Selected;
}

void PlaylistModel::SetSelected(int row, bool selected) {
  if (row < 1 || row > table_.RowCount()) return;
  table_.ClearFilter();
  table_.SetRowSelected(row - 1, selected);
}

void PlaylistModel::ClearSelection() {
  table_.ClearFilter();
  bool any = false;
  for (int r = 0; r < table_.RowCount(); ++r) {
    const bool keep = r == cursor_ - 1;
    if (table_.Row(r).Selected != keep) {
      table_.SetRowSelected(r, keep);
      any = true;
    }
  }
  if (any) emit rowsReset();
}

void PlaylistModel::SetAutoMix(bool on) {
  if (on == autoMix_) return;
  autoMix_ = on;
  emit totalChanged();
}

// --- Adding -----------------------------------------------------------------------------------

bool PlaylistModel::SearchPlaylist(const std::string& file) const {
  if (!options_.Bool("TrExistPl")) return true;
  for (int r = 0; r < table_.RowCount(); ++r)
    if (table_.TableCell(plFile, r) == file) return AskYesNo(LangText("TrackInPlaylist"));
  return true;
}

int PlaylistModel::TargetRow(AddMode mode) {
  table_.ClearFilter();
  // An empty playlist always fills row 1, wherever the insertion row points.
  if (table_.RowCount() == 0) {
    table_.SetRowCount(1);
    return 0;
  }
  // A first row without a file is reused. (Only that row: the rows after it are kept.)
  if (table_.TableCell(plFile, 0).empty()) return 0;

  table_.SetRowCount(table_.RowCount() + 1);
  const int last = table_.RowCount() - 1;
  if (mode == AddMode::Append) return last;

  int n = insertion_ - 1;
  if (n < 0 || n > last) n = last;
  // The insertion row walks along with the tracks put in, so that a dropped selection keeps
  // its order. From the library it stops at the end of the list.
  if (mode == AddMode::InsertFromFolder || insertion_ < RowCount()) ++insertion_;
  // Deck rows at or after the new row move down with their tracks.
  if (current_ > n) SetCurrentRow(current_ + 1);
  if (deck2_ > n) ++deck2_;
  for (int r = last; r > n; --r) table_.MoveRow(r, r - 1);
  return n;
}

void PlaylistModel::FillFromLibrary(int tableRow, const TEMDB& library, int libraryRow) {
  auto cell = [&](const char* name) {
    return library.GetItem(ColumnIndex(library, name), libraryRow);
  };
  table_.SetTableCell(plMark, tableRow, "");
  table_.SetTableCell(plArtist, tableRow, cell("Artist"));
  table_.SetTableCell(plTitle, tableRow, cell("Title"));
  table_.SetTableCell(plFile, tableRow, cell("File"));
  table_.SetTableCell(plTime, tableRow, cell("Time"));
  table_.SetTableCell(plGain, tableRow, cell("Gain"));
  table_.SetTableCell(plIntro, tableRow, FourCharacterTime(cell("Intro")));
  table_.SetTableCell(plOutro, tableRow, FourCharacterTime(cell("Outro")));
  // A table without an "Automix" column (a playlist file shown in the library grid) gives the
  // default segue, as a track without an automix point does.
  const int automixCol = ColumnIndex(library, "Automix");
  const std::string automix = automixCol > 0 ? library.GetItem(automixCol, libraryRow) : "";
  const int mix = automix.empty() ? -1 : static_cast<int>(LeadingInt32(automix));
  table_.SetTableCell(plSegue, tableRow, std::to_string(mix >= 0 ? mix : DefaultSegueMs()));
}

void PlaylistModel::AfterAdding(int lastTableRow) {
  emit rowsReset();
  if (lastTableRow >= 0 && lastTableRow + 1 != cursor_) SetCursorRow(lastTableRow + 1);
  emit totalChanged();
}

int PlaylistModel::AddLibraryRows(const TEMDB& library, const std::vector<int>& rows,
                                  AddMode mode) {
  const int fileCol = ColumnIndex(library, "File");
  int added = 0;
  int a = cursor_ - 1;
  for (int libraryRow : rows) {
    const std::string path = library.GetItem(fileCol, libraryRow);
    if (!FileExists(path)) {
      ShowMessage("\"" + path + "\" " + LangText("FileDoesntExist"));
      continue;
    }
    if (!SearchPlaylist(path)) continue;
    const int n = TargetRow(mode == AddMode::InsertFromFolder ? AddMode::Insert : mode);
    FillFromLibrary(n, library, libraryRow);
    a = n;
    ++added;
  }
  AfterAdding(a);
  return added;
}

int PlaylistModel::AddFiles(const std::vector<std::string>& paths, AddMode mode) {
  int added = 0;
  int a = cursor_ - 1;
  for (const std::string& path : paths) {
    if (!SearchPlaylist(path)) continue;
    const int oldInsertion = insertion_;
    const int n = TargetRow(mode == AddMode::Insert ? AddMode::InsertFromFolder : mode);
    if (!AddFileToPlaylist(path, n + 1)) {
      // The row is gone again: the deck rows and the insertion row go back to where they were.
      if (mode != AddMode::Append && table_.RowCount() > 0) {
        if (current_ > n) SetCurrentRow(current_ - 1);
        if (deck2_ > n) --deck2_;
        insertion_ = oldInsertion;
      }
      continue;
    }
    a = n;
    ++added;
  }
  AfterAdding(added > 0 ? a : std::min(a, table_.RowCount() - 1));
  return added;
}

bool PlaylistModel::AddFileToPlaylist(const std::string& file, int row, TrackError* error) {
  const int tableRow = row - 1;
  TrackInfo info;
  if (tableRow < 0 || tableRow >= table_.RowCount() || !reader_.Read(file, info, error)) {
    if (tableRow >= 0 && tableRow < table_.RowCount()) table_.DeleteRow(tableRow);
    emit rowsReset();
    return false;
  }
  table_.SetTableCell(plMark, tableRow, "");
  table_.SetTableCell(plArtist, tableRow, info.artist);
  table_.SetTableCell(plTitle, tableRow, info.title);
  table_.SetTableCell(plFile, tableRow, file);
  table_.SetTableCell(plTime, tableRow, std::to_string(info.timeMs));
  table_.SetTableCell(plGain, tableRow, info.gain);
  table_.SetTableCell(plIntro, tableRow, info.intro);
  table_.SetTableCell(plOutro, tableRow, info.outro);
  table_.SetTableCell(plSegue, tableRow, std::to_string(DefaultSegueMs()));
  emit rowChanged(row);
  return true;
}

// --- Editing ----------------------------------------------------------------------------------

void PlaylistModel::RowGone(int tableRow) {
  const int row = tableRow + 1;
  if (current_ > row) SetCurrentRow(current_ - 1);
  if (deck2_ > row) --deck2_;
}

void PlaylistModel::DeleteSelected() {
  if (table_.RowCount() == 0) return;
  table_.ClearFilter();
  int first = -1;
  int removed = 0;
  for (int i = 0; i < table_.RowCount();) {
    if (table_.Row(i).Selected && !IsDeckMark(table_.TableCell(plMark, i))) {
      RowGone(i);
      table_.DeleteRow(i);
      if (first < 0) first = i;
      ++removed;
    } else {
      ++i;
    }
  }
  if (first < 0) return;
  emit rowsRemoved(first + 1, removed);
  const int oldCursor = cursor_;
  cursor_ = -1;  // make SetCursorRow report the cursor even when the number stays
  SetCursorRow(first + 1);
  if (cursor_ == oldCursor) emit rowChanged(cursor_);
  emit totalChanged();
}

void PlaylistModel::RemoveRow(int row) {
  if (row < 1 || row > table_.RowCount() || IsDeckMark(Mark(row))) return;
  table_.ClearFilter();
  RowGone(row - 1);
  table_.DeleteRow(row - 1);
  emit rowsRemoved(row, 1);
  // The cursor keeps its track: one row up when the removed row was above it.
  const int oldCursor = cursor_;
  const int target = cursor_ > row ? cursor_ - 1 : cursor_;
  cursor_ = -1;  // report the cursor even when its number stays: the grid shows another row
  SetCursorRow(target);
  if (cursor_ == oldCursor) emit rowChanged(cursor_);
  emit totalChanged();
}

void PlaylistModel::DontPlay() {
  if (Mark(cursor_).empty()) SetMark(cursor_, "X");
}

void PlaylistModel::RemoveX() {
  if (Mark(cursor_) == "X") SetMark(cursor_, "");
}

void PlaylistModel::MoveRow(int s, int t) {
  if (s < 1 || t < 1 || s > table_.RowCount() || t > table_.RowCount() || s == t) return;
  table_.ClearFilter();
  const std::string mark(table_.TableCell(plMark, s - 1));
  table_.MoveRow(s - 1, t - 1);
  auto follow = [s, t](int c) {
    if (c < s && c >= t) return c + 1;
    if (s < c && t >= c) return c - 1;
    return c;
  };
  SetCurrentRow(follow(current_));
  deck2_ = follow(deck2_);
  if (mark == "1") SetCurrentRow(t);
  if (mark == "2") deck2_ = t;
  emit rowsReset();
  SetCursorRow(t);
}

void PlaylistModel::Shuffle() {
  if (table_.RowCount() < 1) return;
  table_.ClearFilter();
  const std::string cursorFile = File(cursor_);
  table_.Shuffle();
  for (int r = 1; r <= table_.RowCount(); ++r) {
    const std::string_view file = table_.TableCell(plFile, r - 1);
    if (!cursorFile.empty() && file == cursorFile) cursor_ = r;
    const std::string_view mark = table_.TableCell(plMark, r - 1);
    if (mark == "1") SetCurrentRow(r);
    if (mark == "2") deck2_ = r;
  }
  emit rowsReset();
  emit cursorChanged(cursor_);
}

void PlaylistModel::ClearRows() {
  CancelFilling();
  SetCurrentRow(0);
  deck2_ = 0;
  table_.ClearRows();
  cursor_ = 0;
  emit rowsReset();
  emit cursorChanged(0);
  emit totalChanged();
}

// --- Totals and cells -------------------------------------------------------------------------

int64_t PlaylistModel::TotalMs() const {
  int64_t total = 0;
  for (int r = 0; r < table_.RowCount(); ++r) {
    int64_t ms = LeadingInteger(table_.TableCell(plTime, r));
    if (autoMix_) ms -= LeadingInteger(table_.TableCell(plSegue, r));
    if (ms > 0) total += ms;
  }
  return total;
}

std::string PlaylistModel::TimeText(int64_t ms) {
  if (ms < 0) ms = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%.2lld", static_cast<long long>(ms / 60000),
                static_cast<long long>((ms % 60000) / 1000));
  return text;
}

std::string PlaylistModel::HoursText(int64_t ms) {
  if (ms < 0) ms = 0;
  const long long s = ms / 1000;
  char text[40];
  std::snprintf(text, sizeof text, "%lld:%.2lld:%.2lld", s / 3600, (s % 3600) / 60, s % 60);
  return text;
}

QString PlaylistModel::TotalText() const {
  return QString::fromStdString(LangText("TotalPlay") + ": " + HoursText(TotalMs()));
}

int64_t PlaylistModel::StartTimeMs(int row, int64_t timeOfDayMs,
                                   const StartTimeReference& ref) const {
  const int R = ref.row;
  int64_t t = timeOfDayMs;
  if (row > R) {
    if (R > 0) {
      t += ref.rangeMs - ref.positionMs;
      if (autoMix_) t -= SegueMs(R);
    }
    for (int k = R + 1; k < row; ++k) {
      t += TimeMs(k);
      if (autoMix_) t -= SegueMs(k);
    }
  } else if (row < R) {
    t -= ref.positionMs;
    for (int k = row; k < R; ++k) {
      t -= TimeMs(k);
      if (autoMix_) t += SegueMs(k);
    }
  } else {
    t -= ref.positionMs;
  }
  t %= kDayMs;
  if (t < 0) t += kDayMs;
  return t;
}

std::string PlaylistModel::CellText(int col, int row, int64_t timeOfDayMs,
                                    const StartTimeReference& ref, bool* rightAligned) const {
  if (rightAligned) *rightAligned = false;
  if (row == 0) {
    if (col == plSegue) return "Automix";
    // Column captions in the user's language.
    if (col == plArtist) return LangText("DBArtist");
    if (col == plTitle) return LangText("DBTitle");
    if (col == plTime) return LangText("DBTime");
    return table_.GetItem(col, -1);
  }
  const std::string text = Cell(col, row);
  if (col >= plTime) {
    if (rightAligned) *rightAligned = true;
    const int64_t ms = LeadingInteger(text);
    if (col == plTime) return TimeText(ms);
    if (col == plSegue) {
      char buffer[32];
      const long long v = ms > 0 ? ms : 0;
      std::snprintf(buffer, sizeof buffer, "%lld,%.3lld", v / 1000, v % 1000);
      return buffer;
    }
    return text;
  }
  if (col == plMark && text.empty()) {
    if (options_.Bool("BroadcastTime")) {
      const int64_t t = StartTimeMs(row, timeOfDayMs, ref) / 1000;
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%lld:%.2lld:%.2lld",
                    static_cast<long long>((t / 3600) % 24), static_cast<long long>((t % 3600) / 60),
                    static_cast<long long>(t % 60));
      return buffer;
    }
    return std::to_string(row);
  }
  return text;
}

// --- Files ------------------------------------------------------------------------------------

PlaylistReadResult PlaylistModel::Load(const std::string& path) {
  TEMDB read;
  const bool defer = nowReader_ != nullptr;
  PlaylistReadResult result = ReadPlaylist(path, read, reader_, DefaultSegueMs(),
                                           defer ? std::function<void(int, int)>() : LoadProgress,
                                           defer);
  // A file that brings no track never takes the place of the rows there are: a file of another
  // program picked by mistake, or a list whose files are all gone, would otherwise cost the DJ
  // the playlist on air. The rows stay, and so do the decks' rows.
  if (result.replaced && result.rows == 0 && table_.RowCount() > 0) {
    result.replaced = false;
    result.loaded = false;
    if (result.error.empty() && result.skipped.empty()) result.error = "it holds no tracks";
  }
  const bool kept = !result.replaced && table_.RowCount() > 0;
  if (result.replaced) {
    CancelFilling();
    table_ = std::move(read);
    table_.Title = kPlaylistTitle;
    table_.FileName = path;
    // The grid's column widths stay the console's own, whatever the file stored.
    table_.SetColWidth(plMark, options_.Bool("BroadcastTime") ? 50 : 30);
    table_.SetColWidth(plSegue, autoMix_ ? 30 : -1);
    cursor_ = table_.RowCount() > 0 ? 1 : 0;
    if (cursor_ > 0) table_.SetRowSelected(0, true);
    // The tracks in the decks are no longer tied to rows of the list.
    SetCurrentRow(0);
    deck2_ = 0;
    emit rowsReset();
    emit cursorChanged(cursor_);
    emit totalChanged();
  }
  if (result.replaced && !result.deferred.empty()) {
    // The rows are there; their lengths and tags follow. What could not be read is named in
    // one message once the last file was read.
    pending_.insert(result.deferred.begin(), result.deferred.end());
    fillPath_ = path;
    fillProblems_ = PlaylistReadResult();
    fillProblems_.skipped = result.skipped;
    if (!filler_) {
      filler_ = std::make_unique<TrackInfoFiller>();
      connect(filler_.get(), &TrackInfoFiller::batchRead, this, &PlaylistModel::ApplyResults);
      connect(filler_.get(), &TrackInfoFiller::finished, this, &PlaylistModel::FillEnded);
    }
    filler_->Start(result.deferred, reader_.ForWorker());
    emit fillProgress(0, filler_->Total());
    return result;
  }
  std::string problems = DescribeReadProblems(path, result);
  if (kept && !problems.empty()) problems += "\n\nThe playlist was left as it was.";
  if (!problems.empty()) ShowMessage(problems);
  return result;
}

bool PlaylistModel::Save(const std::string& path, std::string* error) {
  FinishFilling();
  return WritePlaylist(table_, path, error);
}

// --- Tags read in the background ----------------------------------------------------------

void PlaylistModel::SetBackgroundReading(bool on) {
  if (!on) {
    FinishFilling();
    nowReader_.reset();
    return;
  }
  if (!nowReader_) nowReader_ = reader_.ForWorker();
}

bool PlaylistModel::RowPending(int row) const {
  return !pending_.empty() && row >= 1 && row <= table_.RowCount() &&
         pending_.count(std::string(table_.TableCell(plFile, row - 1))) > 0;
}

void PlaylistModel::FinishFilling() {
  if (pending_.empty()) return;
  // What the worker read is taken; the rest is read here, at the console's own priority (the
  // worker yields to everything else and would keep a save waiting on a busy machine).
  if (filler_ && filler_->Running()) ApplyResults(filler_->Stop());
  if (!pending_.empty() && nowReader_) {
    // In the order of the rows, each file once.
    std::vector<TrackReadResult> rest;
    std::unordered_set<std::string> read;
    for (int t = 0; t < table_.RowCount(); ++t) {
      std::string file(table_.TableCell(plFile, t));
      if (!pending_.count(file) || !read.insert(file).second) continue;
      TrackReadResult r;
      r.path = std::move(file);
      r.ok = nowReader_->Read(r.path, r.info, &r.error);
      rest.push_back(std::move(r));
    }
    ApplyResults(rest);
  }
  FillEnded();
}

bool PlaylistModel::FillRowNow(int row) {
  if (!RowPending(row) || !nowReader_) return true;
  TrackReadResult r;
  r.path = File(row);
  r.ok = nowReader_->Read(r.path, r.info, &r.error);
  ApplyResults({r});
  return r.ok;
}

void PlaylistModel::ApplyResults(const std::vector<TrackReadResult>& results) {
  std::unordered_map<std::string_view, const TrackReadResult*> byFile;
  for (const TrackReadResult& r : results)
    if (pending_.count(r.path)) byFile.emplace(r.path, &r);
  if (byFile.empty()) return;
  table_.ClearFilter();
  std::vector<int> unplayable;  // table rows, top down
  for (int t = 0; t < table_.RowCount(); ++t) {
    const auto it = byFile.find(table_.TableCell(plFile, t));
    if (it == byFile.end()) continue;
    const TrackReadResult& r = *it->second;
    if (!r.ok) {
      unplayable.push_back(t);
      continue;
    }
    SetTrackCells(table_, t, r.info);
    emit rowChanged(t + 1);
  }
  for (int t : unplayable) {
    const std::string file(table_.TableCell(plFile, t));
    fillProblems_.skipped.emplace_back(file, TrackErrorText(byFile.at(file)->error));
  }
  // Bottom up, so that the rows still to go keep their numbers.
  for (auto t = unplayable.rbegin(); t != unplayable.rend(); ++t) RemoveRow(*t + 1);
  for (const auto& entry : byFile) pending_.erase(std::string(entry.first));
  emit totalChanged();
  if (filler_ && filler_->Running()) emit fillProgress(filler_->Done(), filler_->Total());
}

void PlaylistModel::FillEnded() {
  pending_.clear();
  emit fillProgress(filler_ ? filler_->Total() : 0, filler_ ? filler_->Total() : 0);
  emit fillFinished();
  PlaylistReadResult problems = std::move(fillProblems_);
  fillProblems_ = PlaylistReadResult();
  const std::string text = DescribeReadProblems(fillPath_, problems);
  if (!text.empty()) ShowMessage(text);
}

void PlaylistModel::CancelFilling() {
  if (filler_) filler_->Cancel();
  pending_.clear();
  fillProblems_ = PlaylistReadResult();
}

int PlaylistModel::LoadToPlaylist(const std::string& path, bool quiet) {
  if (path.find('\0') != std::string::npos || !FileExists(path)) return 0;
  if (IsPlaylistFile(path)) {
    Load(path);
    return 1;
  }
  if (!IsAudioFile(path)) return -1;
  if (quiet) {
    for (int r = 0; r < table_.RowCount(); ++r)
      if (table_.TableCell(plFile, r) == path) return 0;
  } else if (!SearchPlaylist(path)) {
    return 0;
  }
  table_.ClearFilter();
  // An empty first row is reused; otherwise the track goes at the end. (Filling "the last
  // row" after reusing would overwrite the last track when the empty first row is not alone.)
  int row = 1;
  if (table_.RowCount() == 0 || !table_.TableCell(plFile, 0).empty()) {
    table_.SetRowCount(table_.RowCount() + 1);
    row = table_.RowCount();
  }
  const bool ok = AddFileToPlaylist(path, row);
  emit rowsReset();
  emit totalChanged();
  return ok ? 1 : -1;
}

}  // namespace spinwave
