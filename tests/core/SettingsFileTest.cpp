#include "core/SettingsFile.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace {

using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

struct ReadCase {
  const char* what;
  const char* file;
  const char* section;
  const char* key;
  int defaultValue;
  int expected;
};

TEST(SettingsFile, ReadsIntegersWithProfileSemantics) {
  const ReadCase cases[] = {
      {"plain", "[Window]\nWidth=800\n", "Window", "Width", 640, 800},
      {"section and key ignore case, blanks trimmed", "[window]\n  width = 800 \n", "WINDOW",
       "WIDTH", 640, 800},
      {"text that is no number reads 0", "[Window]\nWidth=abc\n", "Window", "Width", 640, 0},
      {"empty value reads 0", "[Window]\nWidth=\n", "Window", "Width", 640, 0},
      {"leading integer", "[Window]\nLeft=  -12px\n", "Window", "Left", 5, -12},
      {"missing key gives default", "[Window]\nHeight=1\n", "Window", "Width", 640, 640},
      {"missing section gives default", "[General]\nWidth=1\n", "Window", "Width", 640, 640},
      {"key of a later section is not seen", "[Window]\n[General]\nWidth=1\n", "Window", "Width",
       640, 640},
      {"comment is no key", "[Window]\n;Width=1\n#Width=2\n", "Window", "Width", 7, 7},
      {"first of two keys wins", "[Window]\nWidth=1\nWidth=2\n", "Window", "Width", 7, 1},
      {"section continues after comments and blanks", "[Window]\n\n; c\nWidth=3\n", "Window",
       "Width", 7, 3},
      {"CR LF file", "[Window]\r\nWidth=900\r\n", "Window", "Width", 640, 900},
      {"byte-order mark before the first section", "\xEF\xBB\xBF[Window]\nWidth=901\n", "Window",
       "Width", 640, 901},
      {"value after the first '='", "[A]\nK=5=6\n", "A", "K", 0, 5},
  };
  TempFolder dir;
  for (const ReadCase& c : cases) {
    WriteFile(dir.File("s.ini"), c.file);
    TSettingsFile settings(dir.File("s.ini"));
    EXPECT_EQ(settings.ReadInteger(c.section, c.key, c.defaultValue), c.expected) << c.what;
  }
}

TEST(SettingsFile, ReadsStringsAndBools) {
  TempFolder dir;
  WriteFile(dir.File("s.ini"),
            "[General]\nLanguage =  Deutsch  \nSafeClose=2\nStartMix=0\nShowHints=yes\n");
  TSettingsFile settings(dir.File("s.ini"));
  EXPECT_EQ(settings.ReadString("general", "language", "English"), "Deutsch");
  EXPECT_EQ(settings.ReadString("General", "PlayerLook", "<Default>"), "<Default>");
  EXPECT_TRUE(settings.ReadBool("General", "SafeClose", false));
  EXPECT_FALSE(settings.ReadBool("General", "StartMix", true));
  EXPECT_FALSE(settings.ReadBool("General", "ShowHints", true)) << "text reads 0, not default";
  EXPECT_TRUE(settings.ReadBool("General", "ShowBrowser", true));
}

struct WriteCase {
  const char* what;
  const char* before;  // nullptr: no file
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(SettingsFile, WriteChangesOneValueAndKeepsEveryOtherLine) {
  const WriteCase cases[] = {
      {"new file", nullptr, "Window", "Left", "0", "[Window]\nLeft=0\n"},
      {"replace keeps comments, blanks, order and CR LF",
       "; Spinwave\r\n\r\n[Window]\r\nWidth=640\r\n  Height = 440\r\n\r\n[General]\r\nX=1\r\n",
       "window", "HEIGHT", "500",
       "; Spinwave\r\n\r\n[Window]\r\nWidth=640\r\n  Height = 500\r\n\r\n[General]\r\nX=1\r\n"},
      {"new key goes after the section's last key",
       "[Window]\nWidth=640\n\n; next\n[General]\nX=1\n", "Window", "Top", "0",
       "[Window]\nWidth=640\nTop=0\n\n; next\n[General]\nX=1\n"},
      {"new key in an empty section", "[Window]\n[General]\n", "Window", "Top", "3",
       "[Window]\nTop=3\n[General]\n"},
      {"new section at the end of a file without final line end", "[Window]\r\nWidth=640",
       "Players", "VolumeL", "200", "[Window]\r\nWidth=640\r\n\r\n[Players]\r\nVolumeL=200\r\n"},
      {"mixed line ends stay as they were", "[A]\r\nK=1\nL=2\r\n", "A", "K", "9",
       "[A]\r\nK=9\nL=2\r\n"},
      {"empty value", "[A]\nK=1\n", "A", "K", "", "[A]\nK=\n"},
      {"line breaks in a value become spaces", "[A]\nK=1\n", "A", "K", "a\r\nb",
       "[A]\nK=a  b\n"},
      {"only the first matching section changes", "[A]\nK=1\n[B]\n[a]\nK=2\n", "A", "K", "5",
       "[A]\nK=5\n[B]\n[a]\nK=2\n"},
  };
  TempFolder dir;
  for (const WriteCase& c : cases) {
    std::string path = dir.File("w.ini");
    std::remove(path.c_str());
    if (c.before) WriteFile(path, c.before);
    TSettingsFile settings(path);
    EXPECT_TRUE(settings.WriteString(c.section, c.key, c.value)) << c.what;
    EXPECT_EQ(ReadFile(path), c.after) << c.what;
  }
}

TEST(SettingsFile, TypedWritesReadBack) {
  TempFolder dir;
  TSettingsFile settings(dir.File("t.ini"));
  EXPECT_TRUE(settings.WriteInteger("Window", "Left", -8));
  EXPECT_TRUE(settings.WriteBool("General", "SafeClose", true));
  EXPECT_TRUE(settings.WriteBool("General", "StartMix", false));
  EXPECT_EQ(settings.ReadInteger("Window", "Left", 0), -8);
  EXPECT_EQ(settings.ReadString("General", "SafeClose", ""), "1");
  EXPECT_EQ(settings.ReadString("General", "StartMix", ""), "0");
}

TEST(SettingsFile, RefusesNamesThatWouldBreakTheFile) {
  TempFolder dir;
  std::string path = dir.File("r.ini");
  WriteFile(path, "[A]\nK=1\n");
  TSettingsFile settings(path);
  EXPECT_FALSE(settings.WriteString("A", "K=2", "x"));
  EXPECT_FALSE(settings.WriteString("A", "K\nL", "x"));
  EXPECT_FALSE(settings.WriteString("A]", "K", "x"));
  EXPECT_FALSE(settings.WriteString("", "K", "x"));
  EXPECT_FALSE(settings.WriteString("A", ";K", "x"));
  EXPECT_EQ(ReadFile(path), "[A]\nK=1\n");
}

TEST(SettingsFile, LongStringsReadBackCutTo2046Bytes) {
  TempFolder dir;
  TSettingsFile settings(dir.File("l.ini"));
  std::string longText(3000, 'x');
  ASSERT_TRUE(settings.WriteString("Internet", "WebURL", longText));
  EXPECT_EQ(settings.ReadString("Internet", "WebURL", ""), std::string(2046, 'x'));
  // A cut never splits a multi-byte character.
  std::string accented = std::string(2045, 'a') + "\xC3\xA9";  // 2047 bytes, ends in "é"
  ASSERT_TRUE(settings.WriteString("Internet", "WebURL", accented));
  EXPECT_EQ(settings.ReadString("Internet", "WebURL", ""), std::string(2045, 'a'));
}

TEST(SettingsFile, MissingFileGivesEveryDefault) {
  TempFolder dir;
  TSettingsFile settings(dir.File("absent.ini"));
  TStartupSettings s = settings.LoadAll();
  EXPECT_EQ(s.Top, 0);
  EXPECT_EQ(s.Left, 0);
  EXPECT_EQ(s.Width, 640);
  EXPECT_EQ(s.Height, 440);
  EXPECT_EQ(s.VolumeL, 255);
  EXPECT_EQ(s.VolumeR, 255);
  EXPECT_EQ(s.OutputPlayer1, 1);
  EXPECT_EQ(s.BufferSizeMs, 0);
  EXPECT_EQ(s.AutomixSec, 4);
  EXPECT_TRUE(s.Minimizeable);
  EXPECT_TRUE(s.WinSizeable);
  EXPECT_TRUE(s.ShowBrowser);
  EXPECT_FALSE(s.FullScrMode);
  EXPECT_FALSE(s.PanelFloat);
  EXPECT_TRUE(settings.CentralOutput);
  EXPECT_FALSE(settings.JingleEnabled);
  EXPECT_FALSE(settings.DSPActive);
  EXPECT_FALSE(spinwave::FileExists(dir.File("absent.ini"))) << "reading creates no file";
}

TEST(SettingsFile, LoadAllReadsStoredValuesAndCachesFlags) {
  TempFolder dir;
  WriteFile(dir.File("s.ini"),
            "[Window]\nTop=10\nLeft=20\nWidth=1000\nHeight=700\n"
            "[Players]\nBuffersize=3\nCentralOutput=0\nDriverPlayer2=2\nJingleEnabled=1\n"
            "VolumeL=100\n"
            "[General]\nAutomixSec=9\n[DSP]\nDSPLock=1\n");
  TSettingsFile settings(dir.File("s.ini"));
  TStartupSettings s = settings.LoadAll();
  EXPECT_EQ(s.Top, 10);
  EXPECT_EQ(s.Left, 20);
  EXPECT_EQ(s.Width, 1000);
  EXPECT_EQ(s.Height, 700);
  EXPECT_EQ(s.BufferSizeMs, 150);
  EXPECT_EQ(s.DriverPlayer2, 2);
  EXPECT_EQ(s.VolumeL, 100);
  EXPECT_EQ(s.AutomixSec, 9);
  EXPECT_FALSE(settings.CentralOutput);
  EXPECT_TRUE(settings.JingleEnabled);
  EXPECT_TRUE(settings.DSPLock);

  // With one central output the right deck's and the jingles' driver settings are ignored.
  WriteFile(dir.File("s.ini"), "[Players]\nCentralOutput=1\nDriverPlayer2=2\n");
  s = settings.LoadAll();
  EXPECT_TRUE(settings.CentralOutput);
  EXPECT_EQ(s.DriverPlayer2, 0);
}

TEST(SettingsFile, FileNameCanBeRepointed) {
  TempFolder dir;
  std::string bare = "repoint-test.ini";
  std::string inConfig = spinwave::ConfigFolder() + bare;
  std::remove(inConfig.c_str());

  TSettingsFile settings(bare);
  EXPECT_EQ(settings.FilePath(), inConfig);
  ASSERT_TRUE(settings.WriteInteger("General", "AutomixSec", 7));

  std::string plugin = dir.File("plugin.ini");
  settings.SetFileName(plugin);
  EXPECT_EQ(settings.FilePath(), plugin);
  ASSERT_TRUE(settings.WriteInteger("MultiDSP", "TopMost", 1));
  EXPECT_EQ(ReadFile(plugin), "[MultiDSP]\nTopMost=1\n");
  EXPECT_EQ(settings.ReadInteger("General", "AutomixSec", 4), 4) << "reads the new file";

  settings.SetFileName(bare);
  EXPECT_EQ(settings.ReadInteger("General", "AutomixSec", 4), 7);
  EXPECT_EQ(settings.ReadInteger("MultiDSP", "TopMost", 0), 0);
  std::remove(inConfig.c_str());

  settings.SetFileName("");
  EXPECT_EQ(settings.ReadInteger("General", "AutomixSec", 4), 4);
  EXPECT_FALSE(settings.WriteInteger("General", "AutomixSec", 1));
}

}  // namespace
