// The library export: an HTML page listing every track by artist, written to data.htm in the
// program folder (the options dialog's "Save database" button).
#pragma once

#include <string>

#include "table/TEMDB.h"

namespace spinwave {

// The page's text for the library's visible rows (an active filter applies). Sorts the library
// by its "Artist" column, ascending; it stays so sorted. Cell texts are escaped ("<", ">", "&"
// and '"'), so an artist such as "Guns <N> Roses" or a crafted tag cannot break the page or put
// script into it; the page is UTF-8 and says so. A yellow letter row starts every run of
// artists with the same first character (ASCII case ignored). Lines end with CR LF.
std::string LibraryExportHtml(TEMDB& library);

// Default place of the export: ProgramFolder() + "data.htm".
std::string LibraryExportPath();

// Writes LibraryExportHtml to `path` (empty: LibraryExportPath()) atomically. False with a
// reason when the file could not be written (the old file is then left whole).
bool SaveDBClick(TEMDB& library, const std::string& path = {}, std::string* error = nullptr);

// Text with "<", ">", "&" and '"' replaced by their HTML entities.
std::string HtmlEscape(const std::string& text);

}  // namespace spinwave
