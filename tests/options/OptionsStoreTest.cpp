#include "options/OptionsStore.h"

#include <set>
#include <string>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AsciiText.h"
#include "core/SettingsFile.h"

namespace {

using spinwave::OptionKeys;
using spinwave::OptionsStore;
using spinwave::OptionType;
using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

TEST(OptionsStore, KeyNamesAreUniqueAndDefaultsUsable) {
  std::set<std::string> seen;
  for (const spinwave::OptionKey& k : OptionKeys()) {
    EXPECT_TRUE(seen.insert(spinwave::ToLowerAscii(k.key)).second) << k.key;
    if (k.type == OptionType::Int) {
      const int value = spinwave::LeadingInt32(k.defaultText);
      EXPECT_TRUE(value >= k.minValue && value <= k.maxValue) << k.key;
    }
  }
  EXPECT_EQ(seen.size(), OptionKeys().size());
}

TEST(OptionsStore, MissingFileGivesEveryDefault) {
  TempFolder dir;
  TSettingsFile settings(dir.File("none.ini"));
  OptionsStore store;
  store.SetBool("SafeClose", true);
  store.Load(settings);
  EXPECT_FALSE(store.Bool("SafeClose"));
  EXPECT_TRUE(store.Bool("RepeatPl"));
  EXPECT_TRUE(store.Bool("CentralOutput"));
  EXPECT_EQ(store.Int("Pitch"), 1);
  EXPECT_EQ(store.Int("Play"), 80);
  EXPECT_EQ(store.Int("Talkover"), 90);
  EXPECT_EQ(store.Text("Language"), "English");
  EXPECT_EQ(store.Text("PlayerLook"), "<Default>");
  EXPECT_EQ(store.Text("ShoutServer"), "0.0.0.0");
  EXPECT_EQ(store.Text("ShoutPort4"), "0");
  EXPECT_EQ(store.Text("KBLayout"), "qwerty uk");
}

TEST(OptionsStore, HandEditedValuesBecomeUsable) {
  struct Case {
    const char* what;
    const char* line;  // under its section
    const char* section;
    const char* key;
    int expected;
  };
  const Case cases[] = {
      {"in range", "Pitch=3", "Players", "Pitch", 3},
      {"above the range gives the default", "Pitch=7", "Players", "Pitch", 1},
      {"negative gives the default", "Buffersize=-2", "Players", "Buffersize", 0},
      {"text reads 0 as the settings file reads it", "Priority=abc", "General", "Priority", 0},
      {"leading integer", "FontSize= 4pt", "General", "FontSize", 4},
      {"bool 2 is on", "SafeClose=2", "General", "SafeClose", 1},
      {"bool text is off", "RepeatPl=yes", "Playlist", "RepeatPl", 0},
      {"key code", "Play=101", "ShortCuts", "Play", 101},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    WriteFile(dir.File("s.ini"), std::string("[") + c.section + "]\n" + c.line + "\n");
    TSettingsFile settings(dir.File("s.ini"));
    OptionsStore store;
    store.Load(settings);
    EXPECT_EQ(store.Int(c.key), c.expected) << c.what;
  }
}

TEST(OptionsStore, SaveWritesEveryKeyAndKeepsForeignLines) {
  TempFolder dir;
  WriteFile(dir.File("s.ini"), "; mine\n[General]\nMyOwnKey=42\nSafeClose=0\n[Window]\nWidth=900\n");
  TSettingsFile settings(dir.File("s.ini"));
  OptionsStore store;
  store.Load(settings);
  store.SetBool("SafeClose", true);
  store.SetText("ShoutPass3", "a&b#c");
  store.SetInt("Pitch", 9);  // held to the range
  ASSERT_TRUE(store.Save(settings));

  const std::string text = ReadFile(dir.File("s.ini"));
  EXPECT_NE(text.find("; mine\n"), std::string::npos);
  EXPECT_NE(text.find("MyOwnKey=42\n"), std::string::npos);
  EXPECT_NE(text.find("Width=900\n"), std::string::npos);

  OptionsStore again;
  again.Load(settings);
  for (const spinwave::OptionKey& k : OptionKeys())
    EXPECT_EQ(again.Text(k.key), store.Text(k.key)) << k.key;
  EXPECT_TRUE(again.Bool("SafeClose"));
  EXPECT_EQ(again.Text("ShoutPass3"), "a&b#c");
  EXPECT_EQ(again.Int("Pitch"), 3);
}

TEST(OptionsStore, ChangedOnlyWhenTheValueChanges) {
  OptionsStore store;
  QSignalSpy changed(&store, &OptionsStore::Changed);
  store.SetBool("RepeatPl", true);  // already the default
  EXPECT_EQ(changed.count(), 0);
  store.SetBool("repeatpl", false);  // names ignore ASCII case
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toString(), "RepeatPl");
  EXPECT_FALSE(store.SetBool("NoSuchKey", true));
  EXPECT_FALSE(store.Bool("NoSuchKey"));
}

}  // namespace
