// The music library's table: its 16 columns, how data/data.db is created and how it is opened
// when the console starts.
#pragma once

#include <string>
#include <string_view>

#include "table/TEMDB.h"

namespace spinwave {

inline constexpr int kLibraryColumnCount = 16;

struct LibraryColumn {
  const char* name;
  int width;  // -1 = hidden
  int type;   // 1 = numeric
};
// "File", "Artist", "Title", "Album", "Year", "Comment", "Genre 1", "Genre 2", "Time", "Intro",
// "Outro", "ID", "Gain", "PlTimes", "Tracknr", "Automix" with their widths and types.
extern const LibraryColumn kLibraryColumns[kLibraryColumnCount];

// Empties the table and gives it the 16 library columns (names, widths, types), unsaved.
void SetLibraryColumns(TEMDB& table);

// Empties the table, gives it the 16 library columns and saves it to its FileName.
// Returns the save's result.
bool CreateDatabase(TEMDB& table, std::string* error = nullptr);

struct OpenLibraryResult {
  bool rebuilt = false;        // the library was created empty (missing, unreadable or old file)
  std::string backupPath;      // where an unreadable or old file was copied; empty when none
  std::string error;           // why the file was rebuilt, or why a save failed
  bool saved = true;           // the library file on disk matches the table
  int fileColumn = 0;          // column of "File"
  int fileColumnWidth = 30;    // grid width to give that column
};

// Opens the library at console start-up: Title "Spinwave Database", FileName `path`; loads the
// file when it exists, sorts it by Artist, turns the Automix column into whole milliseconds and
// saves it. A file that cannot be read or has 15 columns or fewer is first copied to
// "<path>.bak", the user is told "Database is older or corrupted and will be rebuilt." and where
// the old file went, and an empty library replaces it. A missing file gives an empty library.
// Finally the numeric columns get Type 1 and Gain and Automix are hidden. Never throws;
// start-up goes on whatever happened.
OpenLibraryResult OpenLibrary(TEMDB& table, const std::string& path);

// Sets the cell of table row `row` (no filter mapping) in the column named `name`.
void SetLibraryItem(TEMDB& library, std::string_view name, int row, std::string_view text);
// The library grid's cell for the column named `name`: grid row 0 is the header (column name),
// grid row r is visible table row r - 1.
std::string GetLibraryItem(const TEMDB& library, std::string_view name, int gridRow);

}  // namespace spinwave
