#include "table/TEMDB.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <random>

#include "core/AsciiText.h"
#include "core/Messages.h"

namespace spinwave {

namespace {

// Packed cells: for each column a 2-byte little-endian length, then that many bytes.
inline size_t CellLength(const std::string& cells, size_t at) {
  const unsigned char lo = static_cast<unsigned char>(cells[at]);
  const unsigned char hi = static_cast<unsigned char>(cells[at + 1]);
  return static_cast<size_t>(lo) | (static_cast<size_t>(hi) << 8);
}

inline void PutLength(char* p, size_t length) {
  p[0] = static_cast<char>(length & 0xff);
  p[1] = static_cast<char>((length >> 8) & 0xff);
}

// Offset of column `col`'s length prefix.
inline size_t CellOffset(const std::string& cells, int col) {
  size_t at = 0;
  for (int c = 0; c < col; ++c) at += 2 + CellLength(cells, at);
  return at;
}

inline std::string_view PackedCell(const std::string& cells, int col) {
  const size_t at = CellOffset(cells, col);
  return std::string_view(cells.data() + at + 2, CellLength(cells, at));
}

inline std::string_view Clip(std::string_view text) {
  return text.size() > static_cast<size_t>(kMaxCellLength) ? text.substr(0, kMaxCellLength)
                                                            : text;
}

// Replaces one packed cell. Strong guarantee: on bad_alloc the row is unchanged.
void SetPackedCell(std::string& cells, int col, std::string_view text) {
  text = Clip(text);
  const size_t at = CellOffset(cells, col);
  const size_t oldLength = CellLength(cells, at);
  char prefix[2];
  PutLength(prefix, text.size());
  if (text.size() == oldLength) {
    std::memmove(cells.data() + at + 2, text.data(), text.size());
    return;
  }
  std::string value;
  value.reserve(2 + text.size());
  value.append(prefix, 2);
  value.append(text);
  cells.replace(at, 2 + oldLength, value);
}


}  // namespace

// --- Shape ---------------------------------------------------------------------------------

void TEMDB::SetColCount(int count) {
  if (count < 0) count = 0;
  const int old = ColCount();
  if (count == old) return;
  if (count < old) {
    for (TEMDBRow& row : rows_) row.Cells.resize(CellOffset(row.Cells, count));
  } else {
    const size_t extra = 2 * static_cast<size_t>(count - old);
    for (TEMDBRow& row : rows_) row.Cells.append(extra, '\0');
  }
  columns_.resize(static_cast<size_t>(count));
}

int TEMDB::SetRowCount(int count) {
  Filtered = false;
  filterIndex_.clear();
  if (count < 0) count = 0;
  if (count <= RowCount()) {
    rows_.erase(rows_.begin() + count, rows_.end());
    return RowCount();
  }
  try {
    rows_.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    ShowMessage("Couldn't add more records to Database");
    return RowCount();
  } catch (const std::length_error&) {
    ShowMessage("Couldn't add more records to Database");
    return RowCount();
  }
  const size_t packedSize = 2 * columns_.size();
  try {
    while (RowCount() < count) {
      TEMDBRow row;
      row.Cells.assign(packedSize, '\0');
      rows_.push_back(std::move(row));
    }
  } catch (const std::bad_alloc&) {
    ShowMessage("Couldn't add more content to record");
  }
  return RowCount();
}

int TEMDB::GetRowCount() const { return Filtered ? FilterCount() : RowCount(); }

int TEMDB::MapRow(int row) const {
  if (row < 0) return -1;
  if (Filtered) {
    if (row >= FilterCount()) return -1;
    const int t = filterIndex_[static_cast<size_t>(row)];
    return (t >= 0 && t < RowCount()) ? t : -1;
  }
  return row < RowCount() ? row : -1;
}

TEMDBRow* TEMDB::VisibleRow(int row) {
  const int t = MapRow(row);
  return t < 0 ? nullptr : &rows_[static_cast<size_t>(t)];
}

const TEMDBRow* TEMDB::VisibleRow(int row) const {
  const int t = MapRow(row);
  return t < 0 ? nullptr : &rows_[static_cast<size_t>(t)];
}

// --- Columns -------------------------------------------------------------------------------

int TEMDB::GetColType(int col) const {
  return (col >= 0 && col < ColCount()) ? columns_[static_cast<size_t>(col)].Type : 0;
}

void TEMDB::SetColType(int col, int type) {
  if (col >= 0 && col < ColCount()) columns_[static_cast<size_t>(col)].Type = static_cast<int8_t>(type);
}

int TEMDB::GetColWidth(int col) const {
  return (col >= 0 && col < ColCount()) ? columns_[static_cast<size_t>(col)].Width : 0;
}

void TEMDB::SetColWidth(int col, int width) {
  if (col >= 0 && col < ColCount())
    columns_[static_cast<size_t>(col)].Width = static_cast<int16_t>(width);
}

// --- Cells ---------------------------------------------------------------------------------

void TEMDB::SetItem(int col, int row, std::string_view text) {
  if (col < 0 || col >= ColCount()) return;
  if (row < 0) {
    try {
      columns_[static_cast<size_t>(col)].Name.assign(Clip(text));
    } catch (const std::bad_alloc&) {
      ShowMessage("Couldn't resize cell content");
    }
    return;
  }
  TEMDBRow* r = VisibleRow(row);
  if (!r) return;
  try {
    SetPackedCell(r->Cells, col, text);
  } catch (const std::bad_alloc&) {
    ShowMessage("Couldn't resize cell content");
  }
}

void TEMDB::SetTableCell(int col, int tableRow, std::string_view text) {
  if (col < 0 || col >= ColCount() || tableRow < 0 || tableRow >= RowCount()) return;
  try {
    SetPackedCell(rows_[static_cast<size_t>(tableRow)].Cells, col, text);
  } catch (const std::bad_alloc&) {
    ShowMessage("Couldn't resize cell content");
  }
}

std::string_view TEMDB::ItemView(int col, int row) const {
  if (col < 0 || col >= ColCount()) return {};
  if (row < 0) return columns_[static_cast<size_t>(col)].Name;
  const TEMDBRow* r = VisibleRow(row);
  return r ? PackedCell(r->Cells, col) : std::string_view();
}

std::string TEMDB::GetItem(int col, int row) const { return std::string(ItemView(col, row)); }

bool TEMDB::HasItem(int col, int row) const { return !ItemView(col, row).empty(); }

int TEMDB::GetItemInt(int col, int row) const {
  if (row < 0) return 0;
  return LeadingInt32(ItemView(col, row));
}

std::string_view TEMDB::TableCell(int col, int tableRow) const {
  if (col < 0 || col >= ColCount() || tableRow < 0 || tableRow >= RowCount()) return {};
  return PackedCell(rows_[static_cast<size_t>(tableRow)].Cells, col);
}

// --- Rows ----------------------------------------------------------------------------------

void TEMDB::SetRowSelected(int row, bool selected) {
  if (TEMDBRow* r = VisibleRow(row)) r->Selected = selected;
}

bool TEMDB::GetRowSelected(int row) const {
  const TEMDBRow* r = VisibleRow(row);
  return r && r->Selected;
}

bool TEMDB::DeleteRow(int row) {
  const int t = MapRow(row);
  if (t < 0) return false;
  rows_.erase(rows_.begin() + t);
  if (Filtered) RebuildFilter();
  return true;
}

void TEMDB::MoveRow(int from, int to) {
  if (Filtered) return;
  if (from < 0 || to < 0 || from >= RowCount() || to >= RowCount() || from == to) return;
  auto first = rows_.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
}

// --- Sort, filter, searches ----------------------------------------------------------------

void TEMDB::Sort(int col, bool descending) {
  if (RowCount() < 2 || col < 0 || col >= ColCount()) return;
  SortCol = col;
  const bool numeric = columns_[static_cast<size_t>(col)].Type == 1;
  const int cols = ColCount();
  auto cell = [cols](const TEMDBRow& r, int c) -> std::string_view {
    return c < cols ? PackedCell(r.Cells, c) : std::string_view();
  };
  auto compare = [&](const TEMDBRow& a, const TEMDBRow& b) -> int {
    int r;
    if (numeric) {
      const int32_t va = LeadingInt32(cell(a, col));
      const int32_t vb = LeadingInt32(cell(b, col));
      r = va < vb ? -1 : (va > vb ? 1 : 0);
    } else {
      // An absent cell reads as empty text, which sorts before every present cell.
      r = CompareNoCase(cell(a, col), cell(b, col));
    }
    if (r == 0 && col != 1) r = CompareNoCase(cell(a, 1), cell(b, 1));
    if (r == 0 && col != 2) r = CompareNoCase(cell(a, 2), cell(b, 2));
    return descending ? -r : r;
  };
  std::sort(rows_.begin(), rows_.end(),
            [&](const TEMDBRow& a, const TEMDBRow& b) { return compare(a, b) < 0; });
  if (Filtered) RebuildFilter();
}

int TEMDB::Filter(int col, std::string_view text) {
  filterIndex_.clear();
  FilterText.assign(text);
  filterIndex_.reserve(rows_.size());
  const int cols = ColCount();
  const bool all = col == -1;
  const bool valid = all || (col >= 0 && col < cols);
  for (size_t t = 0; t < rows_.size(); ++t) {
    TEMDBRow& row = rows_[t];
    bool hit = false;
    if (all) {
      const std::string& cells = row.Cells;
      size_t at = 0;
      for (int c = 0; c < cols && !hit; ++c) {
        const size_t length = CellLength(cells, at);
        if (length > 0 &&
            FindNoCase(std::string_view(cells.data() + at + 2, length), text) != std::string_view::npos)
          hit = true;
        at += 2 + length;
      }
    } else if (valid) {
      const std::string_view cell = PackedCell(row.Cells, col);
      hit = !cell.empty() && FindNoCase(cell, text) != std::string_view::npos;
    }
    row.Match = hit;
    if (hit) filterIndex_.push_back(static_cast<int32_t>(t));
  }
  Filtered = true;
  FoundRow = 0;
  if (!filterIndex_.empty()) rows_[static_cast<size_t>(filterIndex_[0])].Selected = true;
  return FilterCount();
}

void TEMDB::RebuildFilter() {
  filterIndex_.clear();
  for (size_t t = 0; t < rows_.size(); ++t)
    if (rows_[t].Match) filterIndex_.push_back(static_cast<int32_t>(t));
}

bool TEMDB::FindExact(int col, std::string_view text) {
  // A column the table does not have holds no cells: nothing to find, nothing to warn about.
  if (col < 0 || col >= ColCount()) return false;
  for (int t = 0; t < RowCount(); ++t) {
    const std::string_view cell = PackedCell(rows_[static_cast<size_t>(t)].Cells, col);
    if (cell.empty()) {
      ShowMessage("WARNING! The database contains an empty row " + std::to_string(t));
      continue;
    }
    if (EqualsNoCase(cell, text)) {
      FoundRow = t;
      return true;
    }
  }
  return false;
}

int TEMDB::FindPrefix(int col, std::string_view text) const {
  if (text.empty() || col < 0 || col >= ColCount()) return -1;
  for (int t = 0; t < RowCount(); ++t) {
    const std::string_view cell = PackedCell(rows_[static_cast<size_t>(t)].Cells, col);
    if (!cell.empty() && StartsWithNoCase(cell, text)) return t;
  }
  return -1;
}

int TEMDB::FileRow(std::string_view file) const {
  if (file.empty() || ColCount() < 1) return -1;
  for (int t = 0; t < RowCount(); ++t)
    if (PackedCell(rows_[static_cast<size_t>(t)].Cells, 0) == file) return t;
  return -1;
}

int TEMDB::ClearRows() {
  Filtered = false;
  return SetRowCount(0);
}

void TEMDB::NormalizeTimes(int col) {
  if (col < 0 || col >= ColCount()) return;
  for (TEMDBRow& row : rows_) {
    const std::string_view cell = PackedCell(row.Cells, col);
    if (cell.empty()) continue;
    int64_t v = LeadingInt32(cell);
    size_t sep = cell.find(',');
    if (sep == std::string_view::npos) sep = cell.find('.');
    if (sep != std::string_view::npos) v = v * 1000 + LeadingInt32(cell.substr(sep + 1));
    const std::string text = std::to_string(v);
    try {
      SetPackedCell(row.Cells, col, text);
    } catch (const std::bad_alloc&) {
      ShowMessage("Couldn't resize cell content");
      return;
    }
  }
}

void TEMDB::Shuffle() {
  const auto seed = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  for (size_t k = rows_.size(); k >= 1; --k) {
    const size_t j = static_cast<size_t>(random() % k);
    std::swap(rows_[k - 1], rows_[j]);
  }
  // Visible rows follow the new order, as after a sort.
  if (Filtered) RebuildFilter();
}

int ColumnIndex(const TEMDB& table, std::string_view name) {
  if (name.empty()) return 0;
  const auto& columns = table.Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    if (!columns[c].Name.empty() && EqualsNoCase(columns[c].Name, name)) return static_cast<int>(c);
  }
  return 0;
}

}  // namespace spinwave
