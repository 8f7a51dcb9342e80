#include "options/LibraryExport.h"

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace spinwave {

std::string LibraryExportPath() { return ProgramFolder() + "data.htm"; }

namespace {

// The first character of a UTF-8 text: its first code point, all of its bytes (a single byte
// would cut an accented letter in half).
std::string_view FirstCharacter(std::string_view text) {
  if (text.empty()) return text;
  size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 && n < 4) ++n;
  return text.substr(0, n);
}

}  // namespace

bool ExportLibraryHtml(TEMDB& library, const std::string& path, std::string* error) {
  const std::string_view eol = "\r\n";
  std::string out;
  for (const char* line :
       {"<html><head><title>Spinwave v2 Database</title></head><body>",
        "<table border=1 cellpadding=0 cellspacing=0 width=800>", " <tr>", "  <td width=50></td>",
        "  <td width=400><b>Artist</b></td>", "  <td width=350><b>Title</b></td>", " </tr>"}) {
    out += line;
    out += eol;
  }
  const int artistCol = ColumnIndex(library, "Artist");
  const int titleCol = ColumnIndex(library, "Title");
  library.Sort(artistCol, false);
  std::string previous;
  const int rows = library.GetRowCount();
  for (int r = 0; r < rows; ++r) {
    const std::string artist = library.GetItem(artistCol, r);
    const std::string first(FirstCharacter(artist));
    if (r == 0 || !EqualsNoCase(first, previous)) {
      out += " <tr><td colspan=3 bgcolor=yellow align=center><b>" + first + "</b></td></tr>";
      out += eol;
    }
    previous = first;
    out += " <tr>";
    out += eol;
    out += "  <td>" + std::to_string(r + 1) + "</td>";
    out += eol;
    out += "  <td>" + artist + "</td>";
    out += eol;
    out += "  <td>" + library.GetItem(titleCol, r) + "</td>";
    out += eol;
    out += " </tr>";
    out += eol;
  }
  out += "</table></body></html>";
  out += eol;
  return WriteFileAtomically(path, out, error);
}

}  // namespace spinwave
