#include "jingles/JingleList.h"

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "jingles/JingleTable.h"

namespace spinwave::test {
namespace {

class JingleListTest : public ::testing::Test {
 protected:
  JingleListTest() : list_(table_, temp_.File("data/jingles.dat")) {
    MakeFolders(temp_.File("data"));
    for (const char* name : {"a.mp3", "b.ogg", "c.wav"}) WriteFile(temp_.File(name), "x");
  }
  // The rows as "file|description|shortcut" texts, file names without their folder.
  static std::vector<std::string> Rows(const TEMDB& t) {
    std::vector<std::string> out;
    for (int r = 0; r < t.RowCount(); ++r) {
      std::string file = t.GetItem(kJingleFileCol, r);
      file = file.substr(file.find_last_of('/') + 1);
      out.push_back(file + "|" + t.GetItem(kJingleDescriptionCol, r) + "|" +
                    t.GetItem(kJingleShortcutCol, r));
    }
    return out;
  }
  // What the file on disk holds.
  std::vector<std::string> Saved() {
    TEMDB t;
    EXPECT_TRUE(LoadJingleTable(t, list_.Path()));
    return Rows(t);
  }
  void Add3() {
    ASSERT_TRUE(list_.Add(temp_.File("a.mp3"), "Station ID"));
    ASSERT_TRUE(list_.Add(temp_.File("b.ogg"), "Bumper"));
    ASSERT_TRUE(list_.Add(temp_.File("c.wav"), "News"));
  }

  TempFolder temp_;
  TEMDB table_;
  JingleList list_;
};

TEST_F(JingleListTest, AddFillsTheEmptyRowThenAppendsSortedAndSaves) {
  list_.Load();  // no file yet: one empty row
  ASSERT_EQ(table_.RowCount(), 1);
  EXPECT_EQ(table_.Title, kJingleTitle);
  EXPECT_EQ(table_.GetItem(kJingleShortcutCol, -1), "Shortcut");
  EXPECT_EQ(table_.GetColWidth(kJingleDescriptionCol), 235);

  // Nothing happens without an existing file or without a description.
  EXPECT_FALSE(list_.Add(temp_.File("missing.mp3"), "Gone"));
  EXPECT_FALSE(list_.Add(temp_.File("a.mp3"), ""));
  EXPECT_EQ(Rows(table_), std::vector<std::string>{"||"});
  EXPECT_FALSE(FileExists(list_.Path()));

  Add3();
  const std::vector<std::string> expected = {"b.ogg|Bumper|", "c.wav|News|", "a.mp3|Station ID|"};
  EXPECT_EQ(Rows(table_), expected);
  EXPECT_EQ(Saved(), expected);

  // A description longer than the field takes is cut to 25 characters.
  ASSERT_TRUE(list_.Add(temp_.File("a.mp3"), std::string(40, 'z')));
  EXPECT_EQ(table_.GetItem(kJingleDescriptionCol, 3), std::string(25, 'z'));
}

TEST_F(JingleListTest, ShortcutDigitMovesBetweenRows) {
  Add3();  // Bumper, News, Station ID
  list_.SetShortcut(5, 0);
  list_.SetShortcut(0, 2);
  EXPECT_EQ(Saved(), (std::vector<std::string>{"b.ogg|Bumper|5", "c.wav|News|",
                                               "a.mp3|Station ID|0"}));
  // The same digit on another jingle: the first loses it.
  list_.SetShortcut(5, 1);
  EXPECT_EQ(Saved(), (std::vector<std::string>{"b.ogg|Bumper|", "c.wav|News|5",
                                               "a.mp3|Station ID|0"}));
  // A row without a file takes no digit, but the digit still leaves the others.
  table_.SetRowCount(4);
  list_.SetShortcut(0, 3);
  EXPECT_EQ(Saved(), (std::vector<std::string>{"b.ogg|Bumper|", "c.wav|News|5",
                                               "a.mp3|Station ID|", "||"}));
}

TEST_F(JingleListTest, RemoveAsksAndTheLastJingleLeavesOneEmptyRow) {
  Add3();
  list_.SetShortcut(3, 2);
  {
    MessageCapture no(false);
    EXPECT_FALSE(list_.Remove(0, QStringLiteral("Do you really want to delete %j from the list %j?")));
    ASSERT_EQ(no.Texts().size(), 1u);
    // Only the first "%j" names the jingle.
    EXPECT_EQ(no.Texts()[0], "Do you really want to delete Bumper from the list %j?");
    EXPECT_EQ(table_.RowCount(), 3);
  }
  MessageCapture yes(true);
  EXPECT_TRUE(list_.Remove(0, QStringLiteral("%j?")));
  EXPECT_TRUE(list_.Remove(0, QStringLiteral("%j?")));
  EXPECT_EQ(Saved(), std::vector<std::string>{"a.mp3|Station ID|3"});
  EXPECT_TRUE(list_.Remove(0, QStringLiteral("%j?")));
  // The only jingle: one row stays, empty, its shortcut gone too.
  EXPECT_EQ(Rows(table_), std::vector<std::string>{"||"});
  EXPECT_EQ(Saved(), std::vector<std::string>{"||"});
  // An empty row is not removed and asks nothing.
  yes.Clear();
  EXPECT_FALSE(list_.Remove(0, QStringLiteral("%j?")));
  EXPECT_FALSE(list_.Remove(7, QStringLiteral("%j?")));
  EXPECT_TRUE(yes.Texts().empty());
  // The next jingle goes into the empty row.
  ASSERT_TRUE(list_.Add(temp_.File("b.ogg"), "Again"));
  EXPECT_EQ(Rows(table_), std::vector<std::string>{"b.ogg|Again|"});
}

TEST_F(JingleListTest, SaveAsAddsTheExtensionUnlessItHasIt) {
  Add3();
  struct Case {
    const char* name;
    const char* written;
  } cases[] = {{"show", "show.jpl2"},
               {"show.txt", "show.txt.jpl2"},
               {"Show.JPL2", "Show.JPL2"},
               {"late.jpl2", "late.jpl2"}};
  for (const Case& c : cases) {
    EXPECT_EQ(list_.SaveAs(temp_.File(c.name)), temp_.File(c.written)) << c.name;
    TEMDB saved;
    ASSERT_TRUE(LoadJingleTable(saved, temp_.File(c.written))) << c.name;
    EXPECT_EQ(Rows(saved), Rows(table_)) << c.name;
  }
  // The dialog's own file stays the jingle table.
  EXPECT_EQ(table_.FileName, list_.Path());
  MessageCapture messages;
  EXPECT_EQ(list_.SaveAs(temp_.File("no/such/folder/x")), "");
  EXPECT_EQ(messages.Texts().size(), 1u);
}

TEST_F(JingleListTest, UnreadableTableIsKeptAsideBeforeTheEmptyOneReplacesIt) {
  const std::string garbage = "File,Description\nthis is no table\n";
  WriteFile(list_.Path(), garbage);
  MessageCapture messages;
  list_.Load();
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find(list_.Path() + ".bak"), std::string::npos);
  EXPECT_EQ(ReadFile(list_.Path() + ".bak"), garbage);
  EXPECT_EQ(Rows(table_), std::vector<std::string>{"||"});
  // A table of an older shape with fewer columns gets the missing ones.
  TEMDB old;
  old.Title = kJingleTitle;
  old.SetColCount(2);
  old.SetItem(0, -1, "File");
  old.SetItem(1, -1, "Description");
  old.SetRowCount(1);
  old.SetItem(0, 0, temp_.File("a.mp3"));
  old.SetItem(1, 0, "Old");
  ASSERT_TRUE(old.SaveToFile(list_.Path()));
  messages.Clear();
  list_.Load();
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(table_.ColCount(), 3);
  list_.SetShortcut(2, 0);
  EXPECT_EQ(Saved(), std::vector<std::string>{"a.mp3|Old|2"});
}

TEST(JingleTable, ShortcutCellsSelectSlots) {
  const std::pair<const char*, int> cases[] = {
      {"1", 1}, {"9", 9}, {"0", 10}, {"", 0}, {"12", 0}, {"x", 0}, {" 3", 0}, {"-1", 0}};
  for (const auto& [cell, slot] : cases) EXPECT_EQ(SlotOfShortcut(cell), slot) << cell;
  EXPECT_EQ(ShortcutOfSlot(10), '0');
  EXPECT_EQ(ShortcutOfSlot(4), '4');
  EXPECT_EQ(ShortcutOfSlot(11), 0);
}

}  // namespace
}  // namespace spinwave::test
