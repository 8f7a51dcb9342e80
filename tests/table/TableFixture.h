// Small helpers for building tables in tests.
#pragma once

#include <string>
#include <vector>

#include "table/TEMDB.h"

namespace spinwave::test {

// A table with the given column names and rows (an empty string leaves the cell absent).
inline void FillTable(TEMDB& table, const std::vector<std::string>& names,
                      const std::vector<std::vector<std::string>>& rows) {
  table.SetColCount(static_cast<int>(names.size()));
  for (size_t c = 0; c < names.size(); ++c) table.SetItem(static_cast<int>(c), -1, names[c]);
  table.SetRowCount(static_cast<int>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c)
      table.SetItem(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
}

// The cells of one visible column, top to bottom.
inline std::vector<std::string> ColumnCells(const TEMDB& table, int col) {
  std::vector<std::string> cells;
  for (int r = 0; r < table.GetRowCount(); ++r) cells.push_back(table.GetItem(col, r));
  return cells;
}

}  // namespace spinwave::test
