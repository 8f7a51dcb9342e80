#include "options/LibraryColumns.h"

#include "core/AsciiText.h"
#include "options/OptionsStore.h"

namespace spinwave {

namespace {

struct OptionalColumn {
  const char* column;
  const char* key;
  int width;
};

constexpr OptionalColumn kColumns[] = {
    {"File", "ShowFile", 30},       {"Album", "ShowAlbum", 64},     {"Year", "ShowYear", 37},
    {"Comment", "ShowComment", 80}, {"Genre 1", "ShowGenre1", 64},  {"Genre 2", "ShowGenre2", 64},
    {"Time", "ShowTime", 36},       {"ID", "ShowID", 64},           {"PlTimes", "ShowPlTimes", 80},
    {"Intro", "ShowInOutro", 50},   {"Outro", "ShowInOutro", 50},   {"Tracknr", "ShowTracknr", 50},
};

// The column named `name`, or -1. (ColumnIndex answers 0 for a missing name, which would give
// the "File" column another column's width.)
int FindColumn(const TEMDB& table, const char* name) {
  const int col = ColumnIndex(table, name);
  return EqualsNoCase(table.GetItem(col, -1), name) ? col : -1;
}

}  // namespace

void ApplyLibraryColumnWidths(TEMDB& library, const OptionsStore& options) {
  for (const OptionalColumn& c : kColumns) {
    const int col = FindColumn(library, c.column);
    if (col >= 0) library.SetColWidth(col, options.Bool(c.key) ? c.width : -1);
  }
}

}  // namespace spinwave
