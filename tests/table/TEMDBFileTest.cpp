#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "table/CommaText.h"
#include "table/TEMDB.h"
#include "table/TableFixture.h"

using spinwave::TEMDB;
using spinwave::test::ColumnCells;
using spinwave::test::FillTable;
using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;
using Strings = std::vector<std::string>;

namespace {

void FillSmall(TEMDB& t) {
  t.Title = "Spinwave Database";
  FillTable(t, {"File", "Artist", "Title", "Year"},
            {{"/music/My \"Best\" Song.mp3", "", "", "1999"},
             {"/music/plain.mp3", "Abba", "Waterloo", ""}});
  t.SetColWidth(0, 30);
  t.SetColWidth(1, 150);
  t.SetColWidth(2, -1);
  t.SetColWidth(3, 37);
  t.SetColType(3, 1);
}

const char kSmallFile[] =
    "30,150,-1,37\r\n"
    "0,0,0,1\r\n"
    "Spinwave Database\r\n"
    "File,Artist,Title,Year\r\n"
    "\"/music/My \"\"Best\"\" Song.mp3\",,,1999\r\n"
    "/music/plain.mp3,Abba,Waterloo,\r\n";

}  // namespace

TEST(TEMDBFile, SavesTheLayoutWithCrLfAndReadsItBack) {
  TempFolder dir;
  TEMDB t;
  FillSmall(t);
  const std::string path = dir.File("data.db");
  ASSERT_TRUE(t.SaveToFile(path));
  EXPECT_EQ(ReadFile(path), kSmallFile);
  EXPECT_EQ(t.FileName, "");  // saving elsewhere does not change FileName

  TEMDB u;
  u.Title = "Spinwave Database";
  std::string error;
  ASSERT_TRUE(u.LoadFromFile(path, &error)) << error;
  EXPECT_EQ(u.FileName, path);
  ASSERT_EQ(u.ColCount(), 4);
  ASSERT_EQ(u.RowCount(), 2);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(u.GetItem(c, -1), t.GetItem(c, -1));
    EXPECT_EQ(u.GetColWidth(c), t.GetColWidth(c));
    EXPECT_EQ(u.GetColType(c), t.GetColType(c));
    for (int r = 0; r < 2; ++r) EXPECT_EQ(u.GetItem(c, r), t.GetItem(c, r)) << c << "," << r;
  }
  EXPECT_FALSE(u.HasItem(1, 0));
  EXPECT_FALSE(u.HasItem(3, 1));
}

TEST(TEMDBFile, PlaylistRowsAreWrittenWithAnEmptyFirstField) {
  TempFolder dir;
  TEMDB t;
  t.Title = "Spinwave v2 Playlist";
  FillTable(t, {"", "Artist", "File"}, {{"V", "Abba", "/a.mp3"}, {"1", "Blur", "/b.mp3"}});
  ASSERT_TRUE(t.SaveToFile(dir.File("p.npl2")));
  EXPECT_EQ(ReadFile(dir.File("p.npl2")),
            "0,0,0\r\n0,0,0\r\nSpinwave v2 Playlist\r\n,Artist,File\r\n,Abba,/a.mp3\r\n"
            ",Blur,/b.mp3\r\n");
  // Any other title keeps the first column.
  t.Title = "Jingle Database";
  ASSERT_TRUE(t.SaveToFile(dir.File("j.dat")));
  EXPECT_NE(ReadFile(dir.File("j.dat")).find("\r\nV,Abba,/a.mp3\r\n"), std::string::npos);
}

TEST(TEMDBFile, SaveWritesEveryRowWhileFiltered) {
  TempFolder dir;
  TEMDB t;
  FillSmall(t);
  t.FileName = dir.File("data.db");
  ASSERT_EQ(t.Filter(1, "abba"), 1);
  ASSERT_TRUE(t.SaveToFile());
  EXPECT_EQ(ReadFile(t.FileName), kSmallFile);
  EXPECT_TRUE(t.Filtered);
}

TEST(TEMDBFile, LineBreaksInsideCellsCannotSplitARow) {
  TempFolder dir;
  TEMDB t;
  t.Title = "Spinwave Database";
  FillTable(t, {"File", "Comment"}, {{"/a.mp3", "line one\r\nline two"}, {"/b.mp3", "x\ry\nz"}});
  ASSERT_TRUE(t.SaveToFile(dir.File("t.db")));
  TEMDB u;
  u.Title = t.Title;
  ASSERT_TRUE(u.LoadFromFile(dir.File("t.db")));
  ASSERT_EQ(u.RowCount(), 2);
  EXPECT_EQ(u.GetItem(1, 0), "line one  line two");
  EXPECT_EQ(u.GetItem(0, 1), "/b.mp3");
  EXPECT_EQ(u.GetItem(1, 1), "x y z");
}

TEST(TEMDBFile, ReadsEveryLineEndAndTheOlderLayout) {
  TempFolder dir;
  const std::string path = dir.File("old.db");
  // Older layout: no types line; LF and CR line ends mixed, no final line end.
  WriteFile(path, "30,150\nSpinwave Database\rFile,Artist\r\n/a.mp3,Abba\n/b.mp3,\"The Who\"");
  TEMDB t;
  t.Title = "Spinwave Database";
  t.SetColCount(2);
  t.SetColType(1, 1);  // types keep their previous values
  ASSERT_TRUE(t.LoadFromFile(path));
  ASSERT_EQ(t.ColCount(), 2);
  EXPECT_EQ(t.GetColWidth(1), 150);
  EXPECT_EQ(t.GetColType(0), 0);
  EXPECT_EQ(t.GetColType(1), 1);
  EXPECT_EQ(t.GetItem(1, -1), "Artist");
  EXPECT_EQ(ColumnCells(t, 1), (Strings{"Abba", "The Who"}));
}

TEST(TEMDBFile, LoadReplacesEveryPreviousCell) {
  TempFolder dir;
  const std::string path = dir.File("data.db");
  WriteFile(path, kSmallFile);
  TEMDB t;
  t.Title = "Spinwave Database";
  FillTable(t, {"a", "b", "c", "d", "e"},
            {{"1", "2", "3", "4", "5"}, {"1", "2", "3", "4", "5"}, {"1", "2", "3", "4", "5"}});
  t.Filter(-1, "");
  ASSERT_TRUE(t.LoadFromFile(path));
  EXPECT_FALSE(t.Filtered);
  ASSERT_EQ(t.RowCount(), 2);
  ASSERT_EQ(t.ColCount(), 4);
  EXPECT_FALSE(t.HasItem(1, 0));
  EXPECT_FALSE(t.HasItem(2, 0));
  EXPECT_FALSE(t.HasItem(3, 1));
  EXPECT_FALSE(t.GetRowSelected(0));
}

TEST(TEMDBFile, ShortRowsAndExtraFields) {
  TempFolder dir;
  const std::string path = dir.File("t.db");
  WriteFile(path, "1,2,3\r\n0,0,0\r\nT\r\nA,B,C,D\r\nx\r\n\r\np,q,r,s,t\r\n");
  TEMDB t;
  t.Title = "T";
  ASSERT_TRUE(t.LoadFromFile(path));
  ASSERT_EQ(t.ColCount(), 3);
  EXPECT_EQ(t.GetItem(2, -1), "C");
  ASSERT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.GetItem(0, 0), "x");
  EXPECT_FALSE(t.HasItem(1, 0));
  EXPECT_FALSE(t.HasItem(0, 1));  // an empty line is a row of absent cells
  EXPECT_EQ(t.GetItem(2, 2), "r");
}

TEST(TEMDBFile, OverlongCellInAFileIsTruncated) {
  TempFolder dir;
  const std::string path = dir.File("t.db");
  WriteFile(path, "0,0\r\n0,0\r\nT\r\nA,B\r\n" + std::string(40000, 'z') + ",next\r\n");
  TEMDB t;
  t.Title = "T";
  ASSERT_TRUE(t.LoadFromFile(path));
  EXPECT_EQ(t.GetItem(0, 0), std::string(32766, 'z'));
  EXPECT_EQ(t.GetItem(1, 0), "next");
}

TEST(TEMDBFile, OtherTitleLoadsNothingButSetsFileName) {
  TempFolder dir;
  const std::string path = dir.File("list.npl2");
  WriteFile(path, "1,2\r\n0,0\r\nSpinwave v2 Playlist\r\nA,B\r\nx,y\r\n");
  TEMDB t;
  t.Title = "Spinwave Database";
  FillTable(t, {"Keep"}, {{"me"}});
  std::string error;
  EXPECT_TRUE(t.LoadFromFile(path, &error));
  EXPECT_EQ(t.FileName, path);
  EXPECT_EQ(t.ColCount(), 1);
  EXPECT_EQ(t.GetItem(0, 0), "me");
  EXPECT_EQ(t.GetItem(0, -1), "Keep");
}

TEST(TEMDBFile, FailedLoadsReportAnErrorAndChangeNothing) {
  struct Case {
    const char* what;
    std::string bytes;  // empty: no file at all
  };
  const Case cases[] = {
      {"missing file", ""},
      {"width not a number", "30,wide\r\n0,0\r\nT\r\nA,B\r\n"},
      {"empty width field", "30,,40\r\n0,0,0\r\nT\r\nA,B,C\r\n"},
      {"type not a number", "30,40\r\n0,x\r\nT\r\nA,B\r\n"},
      {"too short for the title", "30\r\nT\r\n"},
      {"current layout without names", "30\r\n0\r\nT\r\n"},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    const std::string path = dir.File("t.db");
    if (!c.bytes.empty()) WriteFile(path, c.bytes);
    TEMDB t;
    t.Title = "T";
    t.FileName = "/previous.db";
    FillTable(t, {"Keep"}, {{"me"}});
    t.SetColType(0, 1);
    std::string error;
    EXPECT_FALSE(t.LoadFromFile(path, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_NE(error.find(path), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(t.FileName, "/previous.db") << c.what;
    EXPECT_EQ(t.ColCount(), 1) << c.what;
    EXPECT_EQ(t.GetColType(0), 1) << c.what;
    EXPECT_EQ(t.GetItem(0, 0), "me") << c.what;
  }
}

TEST(TEMDBFile, SaveColWidthsRewritesOnlyTheWidthsLine) {
  TempFolder dir;
  const std::string path = dir.File("data.db");
  // LF line ends and an unusual row line stay exactly as they are.
  const std::string rest = "\n0,0,0,1\nSpinwave Database\nFile,Artist,Title,Year\n  odd ,  row\n";
  WriteFile(path, "1,2,3,4" + rest);
  TEMDB t;
  FillSmall(t);
  t.FileName = path;
  ASSERT_TRUE(t.SaveColWidths());
  EXPECT_EQ(ReadFile(path), "30,150,-1,37" + rest);

  // A file of another table is left alone.
  t.Title = "Jingle Database";
  t.SetColWidth(0, 99);
  EXPECT_TRUE(t.SaveColWidths(path));
  EXPECT_EQ(ReadFile(path), "30,150,-1,37" + rest);

  std::string error;
  EXPECT_FALSE(t.SaveColWidths(dir.File("missing.db"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(spinwave::FileExists(dir.File("missing.db")));
}

TEST(TEMDBFile, UpdateRowInFileRewritesOneLine) {
  TempFolder dir;
  TEMDB t;
  FillSmall(t);
  t.FileName = dir.File("data.db");
  ASSERT_TRUE(t.SaveToFile());

  // A quoted path is found even when it holds a double quote (written doubled in the file).
  t.SetItem(1, 0, "Queen");
  t.SetItem(1, 1, "changed in memory only");
  ASSERT_TRUE(t.UpdateRowInFile("/music/My \"Best\" Song.mp3"));
  std::string expected = kSmallFile;
  const std::string oldLine = "\"/music/My \"\"Best\"\" Song.mp3\",,,1999";
  expected.replace(expected.find(oldLine), oldLine.size(),
                   "\"/music/My \"\"Best\"\" Song.mp3\",Queen,,1999");
  EXPECT_EQ(ReadFile(t.FileName), expected);

  // No line with that path, or no row with it: the file is left alone.
  EXPECT_TRUE(t.UpdateRowInFile("/music/none.mp3"));
  t.SetItem(0, 1, "/music/renamed.mp3");
  EXPECT_TRUE(t.UpdateRowInFile("/music/plain.mp3"));
  EXPECT_EQ(ReadFile(t.FileName), expected);
}

TEST(TEMDBFile, IncCounterCountsFromAbsentAndWritesOnlyThatRow) {
  TempFolder dir;
  TEMDB t;
  t.Title = "Spinwave Database";
  FillTable(t, {"File", "Artist", "PlTimes"},
            {{"/m/a b.mp3", "A", "4"}, {"/m/b.mp3", "B", ""}, {"/m/c.mp3", "C", "x"}});
  t.FileName = dir.File("data.db");
  ASSERT_TRUE(t.SaveToFile());
  t.SetItem(1, 0, "not saved");
  ASSERT_TRUE(t.IncCounter("/m/b.mp3", 2));
  EXPECT_EQ(t.GetItem(2, 1), "1");
  ASSERT_TRUE(t.IncCounter("/m/a b.mp3", 2));  // quoted in the file: it holds a space
  EXPECT_EQ(t.GetItem(2, 0), "5");
  EXPECT_EQ(ReadFile(t.FileName),
            "0,0,0\r\n0,0,0\r\nSpinwave Database\r\nFile,Artist,PlTimes\r\n"
            "\"/m/a b.mp3\",\"not saved\",5\r\n/m/b.mp3,B,1\r\n/m/c.mp3,C,x\r\n");
  EXPECT_FALSE(t.IncCounter("/m/z.mp3", 2));

  // Under a filter the counter of the file's own row changes, not the visible row's.
  t.Filter(1, "C");
  ASSERT_TRUE(t.IncCounter("/m/b.mp3", 2));
  t.ClearFilter();
  EXPECT_EQ(ColumnCells(t, 2), (Strings{"5", "2", "x"}));
}

// Paths that differ only in letter case, or where one is the start of the other, are different
// files: the count lands on the one named, and every other line stays byte for byte.
TEST(TEMDBFile, PlayCountMatchesThePathExactly) {
  TempFolder dir;
  TEMDB t;
  t.Title = "Spinwave Database";
  FillTable(t, {"File", "Artist", "PlTimes"},
            {{"/M/a.mp3", "Upper", "7"},
             {"/m/a.mp3.old", "Longer", "3"},
             {"/m/a.mp3", "Lower", ""},
             {"/m/A B.mp3", "Quoted", "1"}});
  t.FileName = dir.File("data.db");
  ASSERT_TRUE(t.SaveToFile());
  const std::string before = ReadFile(t.FileName);

  struct Case {
    const char* file;
    int row;
    const char* oldLine;
    const char* newLine;
  };
  const Case cases[] = {
      {"/m/a.mp3", 2, "/m/a.mp3,Lower,", "/m/a.mp3,Lower,1"},
      {"/M/a.mp3", 0, "/M/a.mp3,Upper,7", "/M/a.mp3,Upper,8"},
      {"/m/A B.mp3", 3, "\"/m/A B.mp3\",Quoted,1", "\"/m/A B.mp3\",Quoted,2"},
  };
  std::string expected = before;
  for (const Case& c : cases) {
    ASSERT_TRUE(t.IncCounter(c.file, 2)) << c.file;
    expected.replace(expected.find(std::string(c.oldLine) + "\r\n"),
                     std::string(c.oldLine).size(), c.newLine);
    EXPECT_EQ(ReadFile(t.FileName), expected) << c.file;
  }
  EXPECT_EQ(t.GetItem(2, 1), "3") << "the longer path keeps its count";

  // Neither a prefix nor another letter case names a row.
  for (const char* other : {"/m/a.mp", "/m/A.mp3", "/M/A.MP3"})
    EXPECT_FALSE(t.IncCounter(other, 2)) << other;
  EXPECT_EQ(ReadFile(t.FileName), expected);
}

// A save that cannot complete (here: the temporary file's name is too long for the file
// system) returns false and leaves the old file whole. The same holds for every kind of save.
TEST(TEMDBFile, FailedSavesLeaveTheOldFileWhole) {
  TempFolder dir;
  const std::string path = dir.File(std::string(250, 'd'));
  TEMDB t;
  FillSmall(t);
  t.FileName = path;
  WriteFile(path, kSmallFile);

  t.SetItem(1, 1, "Changed");
  t.SetColWidth(0, 77);
  std::string error;
  EXPECT_FALSE(t.SaveToFile({}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(path), kSmallFile);
  error.clear();
  EXPECT_FALSE(t.SaveColWidths({}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(path), kSmallFile);
  error.clear();
  EXPECT_FALSE(t.UpdateRowInFile("/music/plain.mp3", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(t.IncCounter("/music/plain.mp3", 3, &error));
  EXPECT_EQ(ReadFile(path), kSmallFile);
}
