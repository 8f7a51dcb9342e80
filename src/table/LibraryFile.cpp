#include "table/LibraryFile.h"

#include "core/AtomicFile.h"
#include "core/Messages.h"

namespace spinwave {

const LibraryColumn kLibraryColumns[kLibraryColumnCount] = {
    {"File", 30, 0},    {"Artist", 150, 0},  {"Title", 150, 0},  {"Album", 64, 0},
    {"Year", 37, 1},    {"Comment", 80, 0},  {"Genre 1", 64, 0}, {"Genre 2", 64, 0},
    {"Time", 50, 1},    {"Intro", 50, 0},    {"Outro", 36, 0},   {"ID", 64, 0},
    {"Gain", -1, 1},    {"PlTimes", -1, 1},  {"Tracknr", 50, 1}, {"Automix", -1, 1},
};

void SetLibraryColumns(TEMDB& table) {
  table.ClearRows();
  table.SetColCount(kLibraryColumnCount);
  for (int c = 0; c < kLibraryColumnCount; ++c) {
    table.SetItem(c, -1, kLibraryColumns[c].name);
    table.SetColWidth(c, kLibraryColumns[c].width);
    table.SetColType(c, kLibraryColumns[c].type);
  }
}

bool CreateDatabase(TEMDB& table, std::string* error) {
  SetLibraryColumns(table);
  return table.SaveToFile({}, error);
}

OpenLibraryResult OpenLibrary(TEMDB& table, const std::string& path) {
  OpenLibraryResult result;
  table.Title = kLibraryTitle;
  table.FileName = path;

  bool rebuild = false;
  std::string why;
  if (FileExists(path)) {
    if (!table.LoadFromFile(path, &why)) {
      rebuild = true;
    } else {
      table.Sort(1, false);
      if (table.ColCount() >= kLibraryColumnCount) {
        // Automix points once kept as seconds with a fraction become whole milliseconds.
        table.NormalizeTimes(15);
        result.saved = table.SaveToFile({}, &result.error);
      } else {
        rebuild = true;
        why = path + " has " + std::to_string(table.ColCount()) + " columns";
      }
    }
  } else {
    result.rebuilt = true;
    result.saved = CreateDatabase(table, &result.error);
  }

  if (rebuild) {
    // Keep the old file aside before the empty library replaces it.
    result.rebuilt = true;
    result.error = why;
    const std::string backup = path + ".bak";
    std::string copyError;
    std::string message = "Database is older or corrupted and will be rebuilt.";
    if (CopyFileAtomically(path, backup, &copyError)) {
      result.backupPath = backup;
      message += " The old file was kept as " + backup + ".";
      result.saved = CreateDatabase(table, &result.error);
    } else {
      // Without a copy the old file is not overwritten: the empty library lives in memory only.
      message += " The old file could not be copied aside (" + copyError +
                 ") and was left in place.";
      SetLibraryColumns(table);
      result.saved = false;
    }
    ShowMessage(message);
  }

  // The numeric columns sort by value and Gain and Automix stay hidden, whatever the file said.
  for (int c : {4, 8, 12, 13, 14, 15}) table.SetColType(c, 1);
  table.SetColWidth(12, -1);
  table.SetColWidth(15, -1);
  result.fileColumn = ColumnIndex(table, "File");
  result.fileColumnWidth = 30;
  return result;
}

void SetLibraryItem(TEMDB& library, std::string_view name, int row, std::string_view text) {
  library.SetTableCell(ColumnIndex(library, name), row, text);
}

std::string GetLibraryItem(const TEMDB& library, std::string_view name, int gridRow) {
  return library.GetItem(ColumnIndex(library, name), gridRow - 1);
}

}  // namespace spinwave
