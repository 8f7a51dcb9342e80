#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Messages.h"
#include "table/TEMDB.h"
#include "table/TableFixture.h"

using spinwave::ColumnIndex;
using spinwave::MessageCapture;
using spinwave::TEMDB;
using spinwave::test::ColumnCells;
using spinwave::test::FillTable;
using Strings = std::vector<std::string>;

TEST(TEMDB, NewTableIsEmpty) {
  TEMDB t;
  EXPECT_EQ(t.RowCount(), 0);
  EXPECT_EQ(t.ColCount(), 0);
  EXPECT_EQ(t.GetRowCount(), 0);
  EXPECT_FALSE(t.Filtered);
  EXPECT_EQ(t.SortCol, 0);
  EXPECT_EQ(t.FoundRow, 0);
  EXPECT_TRUE(t.Title.empty());
  EXPECT_TRUE(t.FileName.empty());
}

TEST(TEMDB, CellsNamesAndOutOfRangeAccess) {
  TEMDB t;
  t.SetColCount(3);
  t.SetRowCount(2);
  t.SetItem(0, -1, "File");
  t.SetItem(1, 0, "Abba");
  t.SetItem(2, 1, "Waterloo");
  EXPECT_EQ(t.GetItem(0, -1), "File");
  EXPECT_EQ(t.GetItem(1, 0), "Abba");
  EXPECT_EQ(t.GetItem(2, 1), "Waterloo");
  EXPECT_FALSE(t.HasItem(0, 0));

  // Storing an empty text makes the cell absent again; rewriting with other lengths keeps the
  // neighbouring cells.
  t.SetItem(1, 0, "A much longer artist name");
  t.SetItem(0, 0, "/x.mp3");
  t.SetItem(1, 0, "");
  EXPECT_FALSE(t.HasItem(1, 0));
  EXPECT_EQ(t.GetItem(0, 0), "/x.mp3");
  EXPECT_EQ(t.GetItem(2, 1), "Waterloo");

  // Setters ignore, getters give empty / 0 for numbers outside the table.
  const std::pair<int, int> outside[] = {{3, 0}, {-1, 0}, {0, 2}, {99, -1}, {1, 1000}};
  for (auto [col, row] : outside) {
    t.SetItem(col, row, "x");
    EXPECT_EQ(t.GetItem(col, row), "") << col << "," << row;
    EXPECT_EQ(t.GetItemInt(col, row), 0);
    t.SetRowSelected(row, true);
  }
  EXPECT_EQ(t.GetColType(3), 0);
  EXPECT_EQ(t.RowCount(), 2);
  EXPECT_FALSE(t.GetRowSelected(2));
  EXPECT_FALSE(t.GetRowSelected(-1));
}

TEST(TEMDB, SetItemAcceptsTextViewedInTheSameRow) {
  TEMDB t;
  FillTable(t, {"A", "B", "C"}, {{"first cell", "b", "third"}});
  t.SetItem(1, 0, t.ItemView(0, 0));  // longer than the cell it replaces
  t.SetItem(0, 0, t.ItemView(0, 0));  // same cell
  t.SetItem(2, 0, t.ItemView(2, 0).substr(1));
  t.SetItem(0, -1, t.ItemView(0, -1));
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"first cell"}));
  EXPECT_EQ(ColumnCells(t, 1), (Strings{"first cell"}));
  EXPECT_EQ(ColumnCells(t, 2), (Strings{"hird"}));
  EXPECT_EQ(t.GetItem(0, -1), "A");
}

TEST(TEMDB, GetItemIntReadsTheLeadingInteger) {
  TEMDB t;
  t.SetColCount(1);
  const std::pair<std::string, int> cases[] = {
      {"215376", 215376}, {"  -12abc", -12}, {"+7", 7}, {"abc", 0}, {"", 0}, {"12.5", 12}};
  t.SetRowCount(static_cast<int>(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) t.SetItem(0, static_cast<int>(i), cases[i].first);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(t.GetItemInt(0, static_cast<int>(i)), cases[i].second) << cases[i].first;
}

TEST(TEMDB, OverlongCellsAndNamesAreTruncated) {
  TEMDB t;
  t.SetColCount(2);
  t.SetRowCount(1);
  const std::string longText(40000, 'x');
  t.SetItem(0, 0, longText);
  t.SetItem(1, 0, "after");
  t.SetItem(0, -1, longText);
  EXPECT_EQ(t.GetItem(0, 0).size(), 32766u);
  EXPECT_EQ(t.GetItem(0, -1).size(), 32766u);
  EXPECT_EQ(t.GetItem(1, 0), "after");
  t.SetItem(1, 0, std::string(32766, 'y'));
  EXPECT_EQ(t.GetItem(1, 0), std::string(32766, 'y'));
}

TEST(TEMDB, ColumnCountChangesKeepOtherCells) {
  TEMDB t;
  FillTable(t, {"A", "B", "C"}, {{"a0", "", "c0"}, {"a1", "b1", "c1"}});
  t.SetColType(2, 1);
  t.SetColWidth(2, 40);
  t.SetColCount(2);
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"a0", "a1"}));
  EXPECT_EQ(ColumnCells(t, 1), (Strings{"", "b1"}));
  t.SetColCount(4);
  EXPECT_EQ(ColumnCells(t, 1), (Strings{"", "b1"}));
  for (int c : {2, 3}) {
    EXPECT_EQ(ColumnCells(t, c), (Strings{"", ""}));
    EXPECT_EQ(t.GetColType(c), 0);
    EXPECT_EQ(t.GetColWidth(c), 0);
    EXPECT_EQ(t.GetItem(c, -1), "");
  }
  t.SetColCount(-5);
  EXPECT_EQ(t.ColCount(), 0);
  EXPECT_EQ(t.RowCount(), 2);
}

TEST(TEMDB, RowCountChangesClearTheFilter) {
  TEMDB t;
  FillTable(t, {"A"}, {{"x"}, {"y"}});
  t.SetRowSelected(1, true);
  t.Filter(0, "y");
  ASSERT_TRUE(t.Filtered);
  EXPECT_EQ(t.SetRowCount(4), 4);
  EXPECT_FALSE(t.Filtered);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"x", "y", "", ""}));
  EXPECT_TRUE(t.GetRowSelected(1));
  EXPECT_FALSE(t.GetRowSelected(3));
  EXPECT_EQ(t.SetRowCount(1), 1);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"x"}));
  EXPECT_EQ(t.SetRowCount(-3), 0);
  t.Filter(-1, "");
  EXPECT_EQ(t.ClearRows(), 0);
  EXPECT_FALSE(t.Filtered);
}

TEST(TEMDB, FilterMatchesAnyPositionIgnoringCase) {
  TEMDB t;
  FillTable(t, {"File", "Artist", "Title"},
            {{"/m/1.mp3", "The Beatles", "Help"},
             {"/m/2.mp3", "Abba", "Waterloo"},
             {"/m/3.mp3", "BEATLES tribute", ""},
             {"/m/4.mp3", "", "beatles"}});
  EXPECT_EQ(t.Filter(1, "beat"), 2);
  EXPECT_TRUE(t.Filtered);
  EXPECT_EQ(t.FilterText, "beat");
  EXPECT_EQ(t.GetRowCount(), 2);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"/m/1.mp3", "/m/3.mp3"}));
  EXPECT_TRUE(t.GetRowSelected(0));   // the first match is selected
  EXPECT_FALSE(t.GetRowSelected(1));

  // Over all columns the row with the match in the title passes too.
  EXPECT_EQ(t.Filter(-1, "BEATLES"), 3);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"/m/1.mp3", "/m/3.mp3", "/m/4.mp3"}));
  // Text longer than every cell, and a column the table does not have: nothing passes.
  EXPECT_EQ(t.Filter(-1, "The Beatles and more"), 0);
  EXPECT_EQ(t.Filter(7, "a"), 0);
  EXPECT_TRUE(t.Filtered);
  EXPECT_EQ(t.GetRowCount(), 0);
  EXPECT_EQ(t.GetItem(0, 0), "");
}

TEST(TEMDB, FilterWithEmptyTextPassesRowsWithAnyCell) {
  TEMDB t;
  FillTable(t, {"A", "B"}, {{"", ""}, {"", "b"}, {"a", ""}, {"", ""}});
  t.FoundRow = 5;
  EXPECT_EQ(t.Filter(-1, ""), 2);
  EXPECT_EQ(t.FilterIndex(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(t.FoundRow, 0);
  EXPECT_TRUE(t.Row(1).Selected);
  EXPECT_FALSE(t.Row(2).Selected);
  EXPECT_FALSE(t.Row(0).Selected);
}

TEST(TEMDB, VisibleRowsFollowTheFilter) {
  TEMDB t;
  FillTable(t, {"A"}, {{"red"}, {"green"}, {"dark red"}, {"blue"}});
  t.Filter(0, "red");
  t.SetItem(0, 1, "deep red");      // visible row 1 is table row 2
  t.SetRowSelected(1, true);
  EXPECT_EQ(t.TableCell(0, 2), "deep red");
  EXPECT_TRUE(t.Row(2).Selected);
  EXPECT_EQ(t.MapRow(1), 2);
  EXPECT_EQ(t.MapRow(2), -1);

  // Deleting a visible row removes its table row; the filter stays and follows.
  EXPECT_FALSE(t.DeleteRow(2));
  EXPECT_TRUE(t.DeleteRow(0));
  EXPECT_TRUE(t.Filtered);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"deep red"}));
  t.ClearFilter();
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"green", "deep red", "blue"}));
  EXPECT_FALSE(t.DeleteRow(3));
  EXPECT_FALSE(t.DeleteRow(-1));
}

TEST(TEMDB, MoveRowShiftsTheRowsBetween) {
  struct Case {
    int from, to;
    Strings order;
  };
  const Case cases[] = {
      {0, 3, {"b", "c", "d", "a"}},
      {3, 1, {"a", "d", "b", "c"}},
      {2, 2, {"a", "b", "c", "d"}},
      {4, 0, {"a", "b", "c", "d"}},
      {0, -1, {"a", "b", "c", "d"}},
  };
  for (const Case& c : cases) {
    TEMDB t;
    FillTable(t, {"A", "B"}, {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    t.MoveRow(c.from, c.to);
    EXPECT_EQ(ColumnCells(t, 0), c.order) << c.from << "->" << c.to;
    // The second cell travels with its row.
    for (int r = 0; r < 4; ++r)
      EXPECT_EQ(t.GetItem(1, r), std::string(1, char('1' + (t.GetItem(0, r)[0] - 'a'))));
  }
  TEMDB t;
  FillTable(t, {"A"}, {{"a"}, {"b"}, {"c"}});
  t.Filter(0, "");
  t.MoveRow(0, 2);
  t.ClearFilter();
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"a", "b", "c"}));
}

namespace {
// Artist, Title, Year; Year numeric.
void FillYears(TEMDB& t) {
  FillTable(t, {"File", "Artist", "Title", "Year"},
            {{"/1", "Queen", "B", "1980"},
             {"/2", "abba", "Z", "1975"},
             {"/3", "Queen", "A", "1980"},
             {"/4", "Blur", "X", ""},
             {"/5", "ABBA", "Y", "1980"},
             {"/6", "Air", "V", "-3"}});
  t.SetColType(3, 1);
}
}  // namespace

TEST(TEMDB, SortNumericColumnWithTieBreaks) {
  TEMDB t;
  FillYears(t);
  t.Sort(3, false);
  EXPECT_EQ(t.SortCol, 3);
  // Empty year counts as 0 and comes after -3; the three 1980 rows by Artist, then Title.
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"/6", "/4", "/2", "/5", "/3", "/1"}));
  t.Sort(3, true);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"/1", "/3", "/5", "/2", "/4", "/6"}));
}

TEST(TEMDB, SortTextColumnIgnoresCaseAndBreaksTiesByTitle) {
  TEMDB t;
  FillYears(t);
  t.SetItem(1, 5, "");  // "/6" loses its artist: absent sorts first
  t.Sort(1, false);
  EXPECT_EQ(t.SortCol, 1);
  const Strings artists = ColumnCells(t, 1);
  EXPECT_EQ(artists.front(), "");
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"/6", "/5", "/2", "/4", "/3", "/1"}));
  // The cells travel with their rows.
  EXPECT_EQ(t.GetItem(2, 1), "Y");
  EXPECT_EQ(t.GetItem(3, 2), "1975");
}

TEST(TEMDB, SortNumericExtremesDoNotOverflow) {
  TEMDB t;
  // Comparing by subtraction would overflow between the two extremes and misorder them.
  FillTable(t, {"N"}, {{"2147483647"}, {"-2147483648"}, {"0"}, {"-5"}, {"7"}});
  t.SetColType(0, 1);
  t.Sort(0, false);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"-2147483648", "-5", "0", "7", "2147483647"}));
  t.Sort(0, true);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"2147483647", "7", "0", "-5", "-2147483648"}));
}

TEST(TEMDB, SortIgnoredForFewRowsOrUnknownColumn) {
  TEMDB t;
  FillTable(t, {"A", "B"}, {{"b", "1"}});
  t.SortCol = 1;
  t.Sort(0, true);
  EXPECT_EQ(t.SortCol, 1);
  t.SetRowCount(2);
  t.SetItem(0, 1, "a");
  t.Sort(5, false);
  t.Sort(-1, false);
  EXPECT_EQ(t.SortCol, 1);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"b", "a"}));
}

TEST(TEMDB, SortKeepsTheFilterInTheNewOrder) {
  TEMDB t;
  FillTable(t, {"A"}, {{"c1"}, {"x"}, {"a1"}, {"b1"}});
  t.Filter(0, "1");
  t.Sort(0, false);
  EXPECT_TRUE(t.Filtered);
  EXPECT_EQ(ColumnCells(t, 0), (Strings{"a1", "b1", "c1"}));
  EXPECT_EQ(t.FilterIndex(), (std::vector<int32_t>{0, 1, 2}));
}

TEST(TEMDB, FindExactIgnoresCaseAndWarnsOfAbsentCells) {
  TEMDB t;
  FillTable(t, {"File", "Artist"},
            {{"/a.mp3", "x"}, {"", "y"}, {"/B.mp3", "z"}, {"", "w"}, {"/b.mp3", "v"}});
  MessageCapture messages;
  EXPECT_TRUE(t.FindExact(0, "/b.MP3"));
  EXPECT_EQ(t.FoundRow, 2);
  EXPECT_EQ(messages.Texts(), (Strings{"WARNING! The database contains an empty row 1"}));
  messages.Clear();
  EXPECT_FALSE(t.FindExact(0, "/b"));  // whole text only
  EXPECT_EQ(t.FoundRow, 2);
  EXPECT_EQ(messages.Texts(), (Strings{"WARNING! The database contains an empty row 1",
                                       "WARNING! The database contains an empty row 3"}));
  messages.Clear();
  EXPECT_FALSE(t.FindExact(9, "x"));
  EXPECT_TRUE(messages.Texts().empty());
}

TEST(TEMDB, FindPrefixFindsFirstRowInAFolder) {
  TEMDB t;
  FillTable(t, {"File"},
            {{"/Music/Rock/a.mp3"}, {""}, {"/Music/Pop/B.mp3"}, {"/music/pop/c.mp3"}});
  EXPECT_EQ(t.FindPrefix(0, "/music/pop/"), 2);
  EXPECT_EQ(t.FindPrefix(0, "/MUSIC/ROCK/A.MP3"), 0);
  EXPECT_EQ(t.FindPrefix(0, "/music/jazz/"), -1);
  EXPECT_EQ(t.FindPrefix(0, ""), -1);
  EXPECT_EQ(t.FindPrefix(3, "/"), -1);
}

TEST(TEMDB, NormalizeTimesMakesWholeMilliseconds) {
  const std::pair<std::string, std::string> cases[] = {
      {"215,376", "215376"}, {"12.5", "12005"}, {"abc", "0"},     {"-1", "-1"},
      {"", ""},              {"240000", "240000"}, {"1.5,250", "1250"}, {"3,", "3000"},
  };
  TEMDB t;
  t.SetColCount(2);
  t.SetRowCount(static_cast<int>(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) {
    t.SetItem(1, static_cast<int>(i), cases[i].first);
    t.SetItem(0, static_cast<int>(i), "keep");
  }
  t.NormalizeTimes(1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(t.GetItem(1, static_cast<int>(i)), cases[i].second) << cases[i].first;
    EXPECT_EQ(t.GetItem(0, static_cast<int>(i)), "keep");
  }
}

TEST(TEMDB, ShuffleKeepsEveryRowWhole) {
  TEMDB t;
  t.SetColCount(2);
  const int n = 200;
  t.SetRowCount(n);
  for (int r = 0; r < n; ++r) {
    t.SetItem(0, r, std::to_string(r));
    t.SetItem(1, r, "v" + std::to_string(r));
  }
  t.Shuffle();
  std::set<std::string> seen;
  int moved = 0;
  for (int r = 0; r < n; ++r) {
    const std::string key = t.GetItem(0, r);
    EXPECT_EQ(t.GetItem(1, r), "v" + key);
    seen.insert(key);
    if (key != std::to_string(r)) ++moved;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(n));
  EXPECT_GT(moved, n / 2);
}

TEST(TEMDB, ShuffleUnderAFilterKeepsVisibleRowsMatching) {
  TEMDB t;
  t.SetColCount(1);
  t.SetRowCount(100);
  for (int r = 0; r < 100; ++r) t.SetItem(0, r, r % 2 ? "odd" : "even");
  t.Filter(0, "odd");
  t.Shuffle();
  ASSERT_EQ(t.GetRowCount(), 50);
  for (int r = 0; r < 50; ++r) EXPECT_EQ(t.GetItem(0, r), "odd");
}

TEST(TEMDB, ColumnIndexFindsNamesIgnoringCase) {
  TEMDB t;
  t.SetColCount(4);
  t.SetItem(0, -1, "File");
  t.SetItem(2, -1, "PlTimes");
  t.SetItem(3, -1, "pltimes");
  EXPECT_EQ(ColumnIndex(t, "PLTIMES"), 2);
  EXPECT_EQ(ColumnIndex(t, "File"), 0);
  EXPECT_EQ(ColumnIndex(t, "Gain"), 0);
  EXPECT_EQ(ColumnIndex(t, ""), 0);
}
