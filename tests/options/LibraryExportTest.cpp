#include "options/LibraryExport.h"

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

const char* const kHead =
    "<html><head><title>Spinwave v2 Database</title></head><body>\r\n"
    "<table border=1 cellpadding=0 cellspacing=0 width=800>\r\n"
    " <tr>\r\n"
    "  <td width=50></td>\r\n"
    "  <td width=400><b>Artist</b></td>\r\n"
    "  <td width=350><b>Title</b></td>\r\n"
    " </tr>\r\n";
const char* const kTail = "</table></body></html>\r\n";

std::string Row(int n, const std::string& artist, const std::string& title) {
  return " <tr>\r\n  <td>" + std::to_string(n) + "</td>\r\n  <td>" + artist +
         "</td>\r\n  <td>" + title + "</td>\r\n </tr>\r\n";
}
std::string Heading(const std::string& first) {
  return " <tr><td colspan=3 bgcolor=yellow align=center><b>" + first + "</b></td></tr>\r\n";
}

TEST(LibraryExport, EmptyLibraryGivesOnlyTheFrame) {
  TempFolder dir;
  TEMDB library;
  SetLibraryColumns(library);
  ASSERT_TRUE(ExportLibraryHtml(library, dir.File("data.htm")));
  EXPECT_EQ(ReadFile(dir.File("data.htm")), std::string(kHead) + kTail);
}

TEST(LibraryExport, RowsSortedByArtistUnderTheirFirstCharacter) {
  TempFolder dir;
  TEMDB library;
  SetLibraryColumns(library);
  const std::pair<const char*, const char*> tracks[] = {
      {"beta", "Two"}, {"Abba", "Waterloo"}, {"alpha & omega", "<b>"}, {"\xC3\x89" "clair", "E"},
      {"\xC3\x89" "t\xC3\xA9", "F"}, {"Beck", "Loser"}};
  library.SetRowCount(int(std::size(tracks)));
  for (int r = 0; r < int(std::size(tracks)); ++r) {
    SetLibraryItem(library, "Artist", r, tracks[r].first);
    SetLibraryItem(library, "Title", r, tracks[r].second);
  }
  ASSERT_TRUE(ExportLibraryHtml(library, dir.File("data.htm")));
  // "A" and "a" share a heading, as stored by the first row; texts are written as stored; an
  // accented first letter stays whole.
  const std::string expected = std::string(kHead) + Heading("A") + Row(1, "Abba", "Waterloo") +
                               Row(2, "alpha & omega", "<b>") + Heading("B") +
                               Row(3, "Beck", "Loser") + Row(4, "beta", "Two") +
                               Heading("\xC3\x89") + Row(5, "\xC3\x89" "clair", "E") +
                               Row(6, "\xC3\x89" "t\xC3\xA9", "F") + kTail;
  EXPECT_EQ(ReadFile(dir.File("data.htm")), expected);
  // The library stays sorted by artist.
  EXPECT_EQ(library.GetItem(ColumnIndex(library, "Artist"), 0), "Abba");

  // An active filter exports only the rows it shows; the first row always opens a heading,
  // even an artist without a first character.
  library.SetRowCount(7);
  SetLibraryItem(library, "Title", 6, "Untitled");
  library.Filter(ColumnIndex(library, "Title"), "t");
  ASSERT_TRUE(ExportLibraryHtml(library, dir.File("data.htm")));
  EXPECT_EQ(ReadFile(dir.File("data.htm")), std::string(kHead) + Heading("") +
                                                Row(1, "", "Untitled") + Heading("A") +
                                                Row(2, "Abba", "Waterloo") + Heading("b") +
                                                Row(3, "beta", "Two") + kTail);
}

}  // namespace
}  // namespace spinwave::test
