// "Save database": the whole library as an HTML list of artists and titles, grouped under the
// first character of the artist.
#pragma once

#include <string>

#include "table/TEMDB.h"

namespace spinwave {

// ProgramFolder() + "data.htm".
std::string LibraryExportPath();

// Sorts the library by "Artist" (it stays sorted) and writes its visible rows (an active filter
// applies) to `path`, replacing the file atomically; lines end with CR LF and texts are written
// as stored. False with the reason in `error` when the file cannot be written.
bool ExportLibraryHtml(TEMDB& library, const std::string& path, std::string* error = nullptr);

}  // namespace spinwave
