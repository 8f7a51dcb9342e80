// Several writes in one (WriteStrings) leave the file exactly as the same writes one by one.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/SettingsFile.h"

namespace {

using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

TEST(SettingsFileBatch, SameFileAsOneWriteAtATime) {
  const char* const files[] = {
      "",
      "; comment\r\n[General]\r\nSafeClose=0\r\n\r\n[Window]\r\nWidth=900",
      "[players]\nPitch=9\n[Players]\nPitch=2\n# note\nstray line\n",
      "Orphan=1\n[Internet]\nShoutServer = 10.0.0.1 \n",
  };
  const std::vector<TSettingsWrite> writes = {
      {"General", "SafeClose", "1"},    {"Players", "Pitch", "3"},
      {"Players", "NewKey", "a\nb"},    {"Internet", "ShoutServer", "host"},
      {"ShortCuts", "Play", "80"},      {"General", "Language", "English"},
      {"ShortCuts", "Stop", "83"},
  };
  TempFolder dir;
  for (const char* text : files) {
    WriteFile(dir.File("one.ini"), text);
    WriteFile(dir.File("batch.ini"), text);
    TSettingsFile one(dir.File("one.ini"));
    for (const TSettingsWrite& w : writes) ASSERT_TRUE(one.WriteString(w.section, w.key, w.text));
    TSettingsFile batch(dir.File("batch.ini"));
    ASSERT_TRUE(batch.WriteStrings(writes));
    EXPECT_EQ(ReadFile(dir.File("batch.ini")), ReadFile(dir.File("one.ini"))) << text;
  }
}

TEST(SettingsFileBatch, WritesThatCannotBeStoredAreSkipped) {
  TempFolder dir;
  TSettingsFile settings(dir.File("s.ini"));
  EXPECT_FALSE(settings.WriteStrings({{"General", "Good", "1"}, {"General", "bad=key", "2"},
                                      {"", "NoSection", "3"}}));
  EXPECT_EQ(ReadFile(dir.File("s.ini")), "[General]\nGood=1\n");
  EXPECT_FALSE(settings.WriteStrings({{"General", "", "1"}}));
  TSettingsFile nowhere("");
  EXPECT_FALSE(nowhere.WriteStrings({{"General", "Good", "1"}}));
}

}  // namespace
