// `spinwave --scan FOLDER [--exact]` over a folder of good and bad files: what cannot be read is
// skipped and counted, no broken row is added, and the library reloads intact.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <QDir>

#include "LibraryFixture.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "library/LibraryScanCommand.h"
#include "meta/MetaFixtures.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

class LibraryScanCommandTest : public LibraryTest {
 protected:
  int Run(const QStringList& args, std::string* out = nullptr) {
    testing::internal::CaptureStdout();
    const int status = RunLibraryScanCommand(args);
    const std::string text = testing::internal::GetCapturedStdout();
    if (out) *out = text;
    return status;
  }
  TEMDB Library() {
    TEMDB table;
    table.Title = kLibraryTitle;
    EXPECT_TRUE(table.LoadFromFile(ProgramFolder() + "data/data.db"));
    return table;
  }
};

TEST_F(LibraryScanCommandTest, BadFilesAreCountedAndSkippedAndTheLibraryReloadsIntact) {
  const std::string dir = temp_.File("incoming/");
  const std::string good = Mp3("incoming/good.mp3", 0.5, {{"TPE1", "Good"}, {"TIT2", "Song"}});
  // A comment of two lines: one cell, the row stays one line of the file.
  const std::string comment =
      Mp3("incoming/comment.mp3", 0.5, {{"TPE1", "Two\r\nLines"}, {"COMM", "first\r\nsecond"}});
  // Any byte Linux allows in a name, quotes and separators of the table file included.
  const std::string oddName = Mp3("incoming/odd \xff\xfe, \"q\";=\x01.mp3", 0.5);
  const std::string wav = Wav("incoming/tone.wav", 400);
  // Half of a real MP3: what is there still plays, so it is a row.
  const std::string whole = Mp3("elsewhere/whole.mp3", 2.0);
  const std::string bytes = ReadFile(whole);
  const std::string truncated = temp_.File("incoming/truncated.mp3");
  WriteFile(truncated, bytes.substr(0, bytes.size() / 2));

  struct Bad {
    const char* name;
    const char* why;
  };
  const Bad bad[] = {
      {"text.mp3", "not audio under an audio extension"},
      {"empty.ogg", "zero length"},
      {"noise.wav", "not audio"},
      {"fake-tlen.mp3", "a tag with a duration in front of no audio"},
      {"pipe.mp3", "a named pipe: opening it would wait for a writer for ever"},
  };
  WriteFile(dir + "text.mp3", "This is a text file, not an MP3.\n");
  WriteFile(dir + "empty.ogg", "");
  WriteFile(dir + "noise.wav", std::string(5000, '\x7f'));
  WriteFile(dir + "fake-tlen.mp3", std::string(2000, 'x'));
  WriteId3v2(dir + "fake-tlen.mp3", {{"TLEN", "180000"}, {"TPE1", "Fake"}});
  ASSERT_EQ(::mkfifo((dir + "pipe.mp3").c_str(), 0600), 0);
  // Symbolic link loops: every folder is searched once.
  ASSERT_EQ(::symlink(".", (dir + "self").c_str()), 0);
  QDir().mkpath(QString::fromStdString(dir + "sub"));
  ASSERT_EQ(::symlink("..", (dir + "sub/up").c_str()), 0);

  std::string out;
  EXPECT_EQ(Run({QString::fromStdString(dir)}, &out), 0);
  const int good_count = 5;  // good, comment, odd name, wav, truncated
  EXPECT_EQ(out, std::to_string(good_count) + " added, 0 already in the library, " +
                     std::to_string(std::size(bad)) + " unreadable\n");

  TEMDB table = Library();
  ASSERT_EQ(table.RowCount(), good_count);
  const int fileCol = ColumnIndex(table, "File");
  const int timeCol = ColumnIndex(table, "Time");
  for (int r = 0; r < table.RowCount(); ++r) {
    SCOPED_TRACE(std::string(table.TableCell(fileCol, r)));
    EXPECT_TRUE(FileExists(std::string(table.TableCell(fileCol, r))));
    EXPECT_GT(table.GetItemInt(timeCol, r), 0);
    for (const Bad& b : bad) EXPECT_EQ(table.TableCell(fileCol, r).find(b.name), std::string::npos) << b.why;
  }
  auto cell = [&](const std::string& file, const char* col) {
    for (int r = 0; r < table.RowCount(); ++r)
      if (table.TableCell(fileCol, r) == file)
        return std::string(table.TableCell(ColumnIndex(table, col), r));
    return std::string("<no row>");
  };
  EXPECT_EQ(cell(good, "Artist"), "Good");
  EXPECT_EQ(cell(comment, "Comment"), "first  second");
  EXPECT_EQ(cell(comment, "Artist"), "Two  Lines");
  EXPECT_EQ(cell(oddName, "Title"), "odd \xff\xfe, \"q\";=\x01");
  EXPECT_EQ(cell(wav, "Time"), "400");
  // Fast mode takes the length the stream's header claims (the whole file's); what matters
  // here is that the cut file is a row with a length, not a broken one.
  EXPECT_GT(std::stoi(cell(truncated, "Time")), 500);

  // A second run adds nothing.
  EXPECT_EQ(Run({QString::fromStdString(dir), "--exact"}, &out), 0);
  EXPECT_EQ(out, "0 added, " + std::to_string(good_count) + " already in the library, " +
                     std::to_string(std::size(bad)) + " unreadable\n");
  EXPECT_EQ(Library().RowCount(), good_count);
  // The temporary folder's removal (through QString names) cannot remove a name that is not
  // UTF-8, nor cope with the loops and the pipe.
  for (const char* name : {"self", "sub/up", "pipe.mp3"}) ::unlink((dir + name).c_str());
  ::unlink(oddName.c_str());
}

TEST_F(LibraryScanCommandTest, UsesTheSavedStructuresAndExactLengthWhenAsked) {
  MakeFolders(ProgramFolder() + "data");
  WriteFile(ProgramFolder() + "data/struct.dat", "Genre/Artist - Title.mp3\r\n");
  const std::string file = Mp3("incoming/Pop/Band - Hit.mp3", 1.0);
  EXPECT_EQ(Run({QString::fromStdString(temp_.File("incoming")), "--exact"}), 0);
  TEMDB table = Library();
  ASSERT_EQ(table.RowCount(), 1);
  EXPECT_EQ(GetLibraryItem(table, "Artist", 1), "Band");
  EXPECT_EQ(GetLibraryItem(table, "Title", 1), "Hit");
  EXPECT_EQ(GetLibraryItem(table, "Genre 2", 1), "Pop");
  EXPECT_NEAR(std::stoi(GetLibraryItem(table, "Time", 1)), 1000, 30);
  EXPECT_EQ(GetLibraryItem(table, "ID", 1), "incoming");
}

TEST_F(LibraryScanCommandTest, WrongArgumentsAndFoldersAreRefusedWithoutTouchingTheLibrary) {
  const std::string file = temp_.File("plain.txt");
  WriteFile(file, "x");
  const QStringList cases[] = {{}, {"--fast"}, {"a", "b"}, {QString::fromStdString(file)},
                               {QString::fromStdString(temp_.File("missing"))}};
  for (const QStringList& args : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    EXPECT_EQ(Run(args), 2);
  }
  EXPECT_FALSE(FileExists(ProgramFolder() + "data/data.db"));
}

TEST_F(LibraryScanCommandTest, AFolderWithoutPermissionIsSkippedAndTheRestScanned) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads every folder whatever its permissions; this case only means "
                    "something for a normal user";
  const std::string readable = Mp3("incoming/ok.mp3", 0.3);
  Mp3("incoming/locked/hidden.mp3", 0.3);
  ASSERT_EQ(::chmod(temp_.File("incoming/locked").c_str(), 0), 0);
  std::string out;
  EXPECT_EQ(Run({QString::fromStdString(temp_.File("incoming"))}, &out), 0);
  ::chmod(temp_.File("incoming/locked").c_str(), 0755);
  EXPECT_EQ(out, "1 added, 0 already in the library, 0 unreadable\n");
}

TEST_F(LibraryScanCommandTest, AnUnreadableFileIsCounted) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads every file whatever its permissions; this case only means "
                    "something for a normal user";
  Mp3("incoming/ok.mp3", 0.3);
  const std::string locked = Mp3("incoming/locked.mp3", 0.3);
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  std::string out;
  EXPECT_EQ(Run({QString::fromStdString(temp_.File("incoming"))}, &out), 0);
  EXPECT_EQ(out, "1 added, 0 already in the library, 1 unreadable\n");
}

}  // namespace
}  // namespace spinwave::test
