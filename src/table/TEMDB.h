// TEMDB: the one table type of Spinwave. Rows of 8-bit text cells under named, typed columns,
// with a filter, a sort, a shuffle, simple searches and a text file format of its own. The
// library ("Spinwave Database", data/data.db), every playlist ("Spinwave v2 Playlist", .npl2)
// and the jingle list ("Jingle Database") are TEMDB tables owned and shown by a grid.
//
// Cells. An absent cell means empty text; storing an empty text makes the cell absent, so no
// cell ever holds an empty text and GetItem's empty result means "absent". A cell or column
// name holds at most kMaxCellLength characters; a longer text is truncated to that length.
//
// Visible rows. While `Filtered` is set, the row numbers given to GetItem, SetItem, GetItemInt,
// ItemView, HasItem, SetRowSelected, GetRowSelected and DeleteRow are positions in the filter
// index (0 .. FilterCount()-1) and reach the table row stored there; GetRowCount returns
// FilterCount(). Without a filter they are table rows. Every other operation (FindExact,
// FindPrefix, Sort, MoveRow, Shuffle, NormalizeTimes, IncCounter, SaveToFile) works on table
// rows.
//
// Errors. Out-of-range column or row numbers are ignored by the setters and give empty (absent),
// 0 or false from the getters. File operations return false on failure and, when `error` is
// given, put a readable reason there (LoadFromFile: missing/unreadable file, a width or type
// that is not a whole number, a file too short for its header lines; saves: the file could not
// be written). A failed load leaves the table exactly as it was (FileName included). Every save
// replaces the file atomically (temporary file + rename): a failed save leaves the old file
// whole. Running out of memory shows one of the fixed messages through spinwave::ShowMessage
// ("Couldn't add more records to Database", "Couldn't add more content to record",
// "Couldn't resize cell content") and leaves the table consistent.
//
// Tables are used on the interface thread only; there is no locking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

class TEMDB;

// Titles (identity lines) of the tables Spinwave keeps in files.
inline constexpr const char* kLibraryTitle = "Spinwave Database";
inline constexpr const char* kPlaylistTitle = "Spinwave v2 Playlist";  // first field not saved
inline constexpr const char* kJingleTitle = "Jingle Database";

// Longest text a cell or a column name holds (its length is a 16-bit signed number).
inline constexpr int kMaxCellLength = 32766;

struct TEMDBColumn {
  int8_t Type = 0;     // 1 = numeric (sorts by integer value); any other value = text
  int16_t Width = 0;   // display width in pixels; -1 = hidden column
  std::string Name;    // empty = no name
};

// One row. The cells live packed in one buffer (for each column: a 2-byte length, then the
// bytes), so a row is a small record that sorting, deleting, moving and shuffling move as a
// whole without copying cells.
struct TEMDBRow {
  std::string Cells;   // packed cells, ColCount() entries
  bool Selected = false;
  bool Match = false;  // passed the last Filter
};

class TEMDB {
 public:
  TEMDB() = default;
  TEMDB(const TEMDB&) = delete;
  TEMDB& operator=(const TEMDB&) = delete;
  TEMDB(TEMDB&&) = default;
  TEMDB& operator=(TEMDB&&) = default;

  // --- Fields the owner sets or reads directly ---------------------------------------------
  std::string Title;      // identity line of the table's file; set before loading or saving
  std::string FileName;   // file last loaded; target of a save or update given an empty path
  bool Filtered = false;  // a filter is active; owners may clear it (same as ClearFilter)
  std::string FilterText; // text of the last filter
  int SortCol = 0;        // column of the last sort
  int FoundRow = 0;       // table row found by the last FindExact; set to 0 by Filter

  // --- Shape --------------------------------------------------------------------------------
  int RowCount() const { return static_cast<int>(rows_.size()); }   // table rows
  int ColCount() const { return static_cast<int>(columns_.size()); }
  int FilterCount() const { return static_cast<int>(filterIndex_.size()); }
  // Table-row numbers of the rows that passed the active filter, in table order.
  const std::vector<int32_t>& FilterIndex() const { return filterIndex_; }

  // Negative counts as 0; equal count: nothing. Shrinking drops the columns at and above
  // `count` with their cells; growing adds columns with Type 0, Width 0, no name, absent cells.
  void SetColCount(int count);
  // Clears Filtered first; negative counts as 0. Shrinking drops rows at and above `count`;
  // growing adds rows with Selected false and all cells absent. Returns the new row count.
  int SetRowCount(int count);
  // Visible row count: FilterCount() while Filtered, else RowCount().
  int GetRowCount() const;
  // Table row reached by a visible row number, or -1 when out of range.
  int MapRow(int row) const;

  // --- Columns ------------------------------------------------------------------------------
  // Type of a column; 0 when the column does not exist.
  int GetColType(int col) const;
  void SetColType(int col, int type);     // kept in 8 bits; ignored out of range
  // Width of a column; 0 when the column does not exist.
  int GetColWidth(int col) const;
  void SetColWidth(int col, int width);   // kept in 16 bits; ignored out of range
  const std::vector<TEMDBColumn>& Columns() const { return columns_; }

  // --- Cells (visible rows) -----------------------------------------------------------------
  // col >= ColCount (or negative): ignored. row < 0: sets the column's Name. Otherwise the row
  // is mapped (ignored when out of range) and the cell gets a copy of the text (empty: absent).
  void SetItem(int col, int row, std::string_view text);
  // Cell text; empty when absent or out of range. row < 0: the column's Name.
  std::string GetItem(int col, int row) const;
  // Same without a copy; valid until the table is next changed.
  std::string_view ItemView(int col, int row) const;
  // True when the cell (or the name, row < 0) is present.
  bool HasItem(int col, int row) const;
  // The cell read as a leading integer; 0 when out of range or absent.
  int GetItemInt(int col, int row) const;

  // --- Rows (visible rows) ------------------------------------------------------------------
  void SetRowSelected(int row, bool selected);
  bool GetRowSelected(int row) const;
  // False when the row does not exist; otherwise removes it (later rows move up) and, when
  // Filtered, rebuilds the filter index and keeps the filter active.
  bool DeleteRow(int row);

  // --- Table-row operations -----------------------------------------------------------------
  // Ignored while Filtered or when either number is out of range; row `from` moves to `to`.
  void MoveRow(int from, int to);
  // Unstable sort of the rows by `col` (numeric columns by integer value, others as text
  // ignoring ASCII case), ties broken by column 1 (Artist) then column 2 (Title); descending
  // reverses everything. Ignored when RowCount() < 2 or col out of range. Keeps the filter.
  void Sort(int col, bool descending);
  // Marks the rows whose cell in `col` (-1 = any column) contains `text` ignoring ASCII case,
  // activates the filter and returns the number of matching rows.
  int Filter(int col, std::string_view text);
  void ClearFilter() { Filtered = false; }
  // Filter index := table rows whose Match is set, in table order.
  void RebuildFilter();
  // First table row whose cell equals `text` ignoring ASCII case: sets FoundRow, returns true.
  // Each absent cell met on the way shows "WARNING! The database contains an empty row <n>".
  bool FindExact(int col, std::string_view text);
  // First table row whose cell begins with `text` ignoring ASCII case, or -1. Empty text: -1.
  int FindPrefix(int col, std::string_view text) const;
  // Clears Filtered, then SetRowCount(0); returns 0.
  int ClearRows();
  // Turns time cells held as seconds with a fraction ("215,376", "12.5") into whole
  // milliseconds ("215376", "12005"); cells without digits become "0"; absent cells stay.
  void NormalizeTimes(int col);
  // Random order of all table rows (ignores the filter).
  void Shuffle();

  // --- Files --------------------------------------------------------------------------------
  // Loads a table file (both layouts). Returns true on success (also when the title line is
  // not found: nothing is loaded then, FileName is still set). False with a reason in `error`
  // when the file cannot be read, a width or type is not a whole number, or the file is too
  // short for its header lines; the table is then left unchanged.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);
  // Same as LoadFromFile over text already in memory; `path` becomes FileName.
  bool LoadFromText(std::string_view text, const std::string& path, std::string* error = nullptr);
  // The whole table file text: header lines and one line per table row, whatever the filter.
  // A "Spinwave v2 Playlist" writes the first field of every row line empty.
  std::string SaveToText() const;
  // Writes SaveToText() to `path` (empty = FileName; FileName is not changed) atomically.
  bool SaveToFile(const std::string& path = {}, std::string* error = nullptr);
  // Replaces the widths line of the file (empty path = FileName) when its title matches;
  // otherwise leaves the file alone and returns true. False when the file cannot be read or
  // written (the old file is then untouched).
  bool SaveColWidths(const std::string& path = {}, std::string* error = nullptr);
  // Rewrites only the line of FileName's file whose first field is exactly `file` with the
  // cells of the table row whose column 0 is exactly `file` (whole, letter case included).
  // Title not found, no line or no row matching: file left alone, true. False when the file
  // cannot be read or written.
  bool UpdateRowInFile(const std::string& file, std::string* error = nullptr);
  // Adds 1 to the leading integer of `file`'s cell in `col` (absent counts as 0) and writes
  // that row to FileName's file. False when no row holds exactly `file` or the write fails.
  bool IncCounter(const std::string& file, int col, std::string* error = nullptr);
  // First table row whose column 0 is exactly `file` (case-sensitive, whole), or -1.
  int FileRow(std::string_view file) const;

  // Access to a table row's record (0 .. RowCount()-1), for owners that walk table rows.
  const TEMDBRow& Row(int tableRow) const { return rows_[static_cast<size_t>(tableRow)]; }
  // Cell of a table row (no filter mapping); empty view when absent or out of range.
  std::string_view TableCell(int col, int tableRow) const;
  // Sets the cell of a table row (no filter mapping); same rules as SetItem.
  void SetTableCell(int col, int tableRow, std::string_view text);

 private:
  TEMDBRow* VisibleRow(int row);
  const TEMDBRow* VisibleRow(int row) const;

  std::vector<TEMDBRow> rows_;
  std::vector<TEMDBColumn> columns_;
  std::vector<int32_t> filterIndex_;
};

// The first column whose name equals `name` ignoring ASCII case (columns without a name are
// skipped). An empty name, or a name no column has, gives 0.
int ColumnIndex(const TEMDB& table, std::string_view name);

}  // namespace spinwave
