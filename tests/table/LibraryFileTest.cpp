#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "table/CommaText.h"
#include "table/LibraryFile.h"
#include "table/TableFixture.h"

using spinwave::MessageCapture;
using spinwave::OpenLibrary;
using spinwave::TEMDB;
using spinwave::test::ColumnCells;
using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;
using Strings = std::vector<std::string>;

namespace {

const char kEmptyLibrary[] =
    "30,150,150,64,37,80,64,64,50,50,36,64,-1,-1,50,-1\r\n"
    "0,0,0,0,1,0,0,0,1,0,0,0,1,1,1,1\r\n"
    "Spinwave Database\r\n"
    "File,Artist,Title,Album,Year,Comment,\"Genre 1\",\"Genre 2\",Time,Intro,Outro,ID,Gain,"
    "PlTimes,Tracknr,Automix\r\n";

// A library row with the given file, artist and automix cells.
std::string Row(const std::string& file, const std::string& artist, const std::string& automix) {
  return spinwave::WriteCommaText(
             {file, artist, "Title", "", "1999", "", "", "", "215376", "0:00", "0:10", "", "0",
              "3", "1", automix}) +
         "\r\n";
}

void ExpectEmptyLibrary(const TEMDB& t, const std::string& path) {
  EXPECT_EQ(t.ColCount(), 16);
  EXPECT_EQ(t.RowCount(), 0);
  EXPECT_EQ(t.Title, "Spinwave Database");
  EXPECT_EQ(t.FileName, path);
  EXPECT_EQ(ReadFile(path), kEmptyLibrary);
}

}  // namespace

TEST(LibraryFile, MissingFileCreatesTheEmptyLibrary) {
  TempFolder dir;
  const std::string path = dir.File("data.db");
  TEMDB t;
  MessageCapture messages;
  const auto result = OpenLibrary(t, path);
  EXPECT_TRUE(result.rebuilt);
  EXPECT_TRUE(result.saved);
  EXPECT_TRUE(result.backupPath.empty());
  EXPECT_TRUE(messages.Texts().empty());
  ExpectEmptyLibrary(t, path);
  EXPECT_EQ(result.fileColumn, 0);
  EXPECT_EQ(result.fileColumnWidth, 30);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(t.GetItem(c, -1), spinwave::kLibraryColumns[c].name);
}

TEST(LibraryFile, OpeningSortsByArtistAndNormalizesAutomix) {
  TempFolder dir;
  const std::string path = dir.File("data.db");
  // Older layout, types all text: opening makes the numeric columns numeric again.
  std::string bytes = "30,150,150,64,37,80,64,64,50,50,36,64,5,5,50,5\r\nSpinwave Database\r\n"
                      "File,Artist,Title,Album,Year,Comment,Genre 1,Genre 2,Time,Intro,Outro,ID,"
                      "Gain,PlTimes,Tracknr,Automix\r\n";
  bytes += Row("/m/z.mp3", "Zappa", "12.5") + Row("/m/a b.mp3", "abba", "-1") +
           Row("/m/q.mp3", "Queen", "215,376");
  WriteFile(path, bytes);
  TEMDB t;
  MessageCapture messages;
  const auto result = OpenLibrary(t, path);
  EXPECT_FALSE(result.rebuilt);
  EXPECT_TRUE(result.saved);
  EXPECT_TRUE(messages.Texts().empty());
  ASSERT_EQ(t.RowCount(), 3);
  EXPECT_EQ(ColumnCells(t, 1), (Strings{"abba", "Queen", "Zappa"}));
  EXPECT_EQ(ColumnCells(t, 15), (Strings{"-1", "215376", "12005"}));
  for (int c : {4, 8, 12, 13, 14, 15}) EXPECT_EQ(t.GetColType(c), 1) << c;
  EXPECT_EQ(t.GetColWidth(12), -1);
  EXPECT_EQ(t.GetColWidth(15), -1);
  EXPECT_EQ(t.GetColWidth(13), 5);

  // The sorted, normalised library was saved (in the current layout).
  TEMDB u;
  u.Title = "Spinwave Database";
  ASSERT_TRUE(u.LoadFromFile(path));
  EXPECT_EQ(ColumnCells(u, 0), (Strings{"/m/a b.mp3", "/m/q.mp3", "/m/z.mp3"}));
  EXPECT_EQ(ColumnCells(u, 15), (Strings{"-1", "215376", "12005"}));
  EXPECT_FALSE(spinwave::FileExists(path + ".bak"));
}

TEST(LibraryFile, UnreadableOrOldFileIsKeptAsideAndRebuilt) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string fifteen =
      "1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\r\n0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\r\nSpinwave Database\r\n"
      "A,B,C,D,E,F,G,H,I,J,K,L,M,N,O\r\n/m/a.mp3,Abba\r\n";
  const Case cases[] = {
      {"15 columns", fifteen},
      {"malformed width", "30,x\r\n0,0\r\nSpinwave Database\r\nFile,Artist\r\n/m/a.mp3,A\r\n"},
      {"too short", "30\r\n"},
      {"another table's file", "1\r\n0\r\nJingle Database\r\nFile\r\n/j.mp3\r\n"},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    const std::string path = dir.File("data.db");
    WriteFile(path, c.bytes);
    TEMDB t;
    MessageCapture messages;
    const auto result = OpenLibrary(t, path);
    EXPECT_TRUE(result.rebuilt) << c.what;
    EXPECT_EQ(result.backupPath, path + ".bak") << c.what;
    EXPECT_EQ(ReadFile(path + ".bak"), c.bytes) << c.what;
    ASSERT_EQ(messages.Texts().size(), 1u) << c.what;
    EXPECT_EQ(messages.Texts()[0], "Database is older or corrupted and will be rebuilt. "
                                   "The old file was kept as " + path + ".bak.")
        << c.what;
    ExpectEmptyLibrary(t, path);
  }
}

TEST(LibraryFile, WithoutABackupTheOldFileIsNotOverwritten) {
  TempFolder dir;
  // The backup's temporary file name is too long for the file system, so the copy fails.
  const std::string path = dir.File(std::string(248, 'l'));
  const std::string bytes = "30\r\n0\r\nSpinwave Database\r\nFile\r\n/m/a.mp3\r\n";
  WriteFile(path, bytes);
  TEMDB t;
  MessageCapture messages;
  const auto result = OpenLibrary(t, path);
  EXPECT_TRUE(result.rebuilt);
  EXPECT_FALSE(result.saved);
  EXPECT_TRUE(result.backupPath.empty());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0].rfind("Database is older or corrupted and will be rebuilt. ", 0), 0u);
  EXPECT_NE(messages.Texts()[0].find("left in place"), std::string::npos);
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_EQ(t.ColCount(), 16);
  EXPECT_EQ(t.RowCount(), 0);
}

TEST(LibraryFile, LibraryItemsByColumnName) {
  TempFolder dir;
  TEMDB t;
  t.FileName = dir.File("data.db");
  t.Title = "Spinwave Database";
  ASSERT_TRUE(spinwave::CreateDatabase(t));
  t.SetRowCount(3);
  spinwave::SetLibraryItem(t, "artist", 1, "Abba");
  spinwave::SetLibraryItem(t, "PLTIMES", 2, "7");
  spinwave::SetLibraryItem(t, "File", 2, "/m/c.mp3");
  t.Filter(0, "/m/c");  // visible row 0 is table row 2
  EXPECT_EQ(spinwave::GetLibraryItem(t, "PlTimes", 1), "7");
  EXPECT_EQ(spinwave::GetLibraryItem(t, "pltimes", 0), "PlTimes");
  // SetLibraryItem addresses table rows even under a filter.
  spinwave::SetLibraryItem(t, "Title", 1, "Waterloo");
  t.ClearFilter();
  EXPECT_EQ(t.GetItem(2, 1), "Waterloo");
  EXPECT_EQ(t.GetItem(1, 1), "Abba");
}
