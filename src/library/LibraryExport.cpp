#include "library/LibraryExport.h"

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace spinwave {

namespace {

// The first character of a UTF-8 text, all its bytes (a lone first byte would be a broken
// character on the page).
std::string FirstCharacter(std::string_view text) {
  if (text.empty()) return {};
  size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return std::string(text.substr(0, n));
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string LibraryExportPath() { return ProgramFolder() + "data.htm"; }

std::string LibraryExportHtml(TEMDB& library) {
  const int artistCol = ColumnIndex(library, "Artist");
  const int titleCol = ColumnIndex(library, "Title");
  library.Sort(artistCol, false);
  library.SortCol = artistCol;

  const char* crlf = "\r\n";
  std::string out;
  out += "<html><head><meta charset=\"utf-8\"><title>Spinwave v2 Database</title></head><body>";
  out += crlf;
  for (const char* line : {"<table border=1 cellpadding=0 cellspacing=0 width=800>", " <tr>",
                           "  <td width=50></td>", "  <td width=400><b>Artist</b></td>",
                           "  <td width=350><b>Title</b></td>", " </tr>"}) {
    out += line;
    out += crlf;
  }
  std::string previous;
  const int rows = library.GetRowCount();
  for (int r = 0; r < rows; ++r) {
    const std::string artist(library.ItemView(artistCol, r));
    const std::string first = FirstCharacter(artist);
    if (r == 0 || !EqualsNoCase(first, previous)) {
      out += " <tr><td colspan=3 bgcolor=yellow align=center><b>" + HtmlEscape(first) +
             "</b></td></tr>" + crlf;
    }
    previous = first;
    out += std::string(" <tr>") + crlf;
    out += "  <td>" + std::to_string(r + 1) + "</td>" + crlf;
    out += "  <td>" + HtmlEscape(artist) + "</td>" + crlf;
    out += "  <td>" + HtmlEscape(std::string(library.ItemView(titleCol, r))) + "</td>" + crlf;
    out += std::string(" </tr>") + crlf;
  }
  out += std::string("</table></body></html>") + crlf;
  return out;
}

bool SaveDBClick(TEMDB& library, const std::string& path, std::string* error) {
  return WriteFileAtomically(path.empty() ? LibraryExportPath() : path,
                             LibraryExportHtml(library), error);
}

}  // namespace spinwave
