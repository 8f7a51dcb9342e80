// Every key of the settings table through the settings file, the store and the dialog's
// controls: a hand-written file shows in every control; new values set in the controls and
// confirmed with OK come back from the file in a fresh store and a fresh dialog.
#include <map>

#include <QFontDatabase>

#include "OptionsFixture.h"
#include "core/AsciiText.h"
#include "core/Messages.h"

namespace spinwave::test {
namespace {

using OptionsRoundTrip = OptionsTest;

std::string Flip(const std::string& boolText) { return boolText == "1" ? "0" : "1"; }

// A value of `k` other than `avoid`, inside the key's range (and the control's list).
std::string OtherInt(const OptionKey& k, const std::string& avoid) {
  const int a = std::stoi(avoid);
  return std::to_string(a < k.maxValue ? a + 1 : a - 1);
}

// Values unlike the defaults for every key, as written by hand into the file.
std::map<std::string, std::string> FirstValues(const QStringList& families) {
  std::map<std::string, std::string> v;
  for (const OptionKey& k : OptionKeys()) {
    switch (k.type) {
      case OptionType::Bool: v[k.key] = Flip(k.defaultText); break;
      case OptionType::Int: v[k.key] = OtherInt(k, k.defaultText); break;
      case OptionType::Text: v[k.key] = std::string("text of ") + k.key; break;
    }
  }
  // Drivers of devices that are not connected now keep their numbers.
  for (const char* key : {"DriverPlayer1", "DriverPlayer2", "DriverDataPlayer", "DriverJingles"})
    v[key] = "3";
  v["RecordDriver"] = "2";
  v["OutputPlayer1"] = "2";
  v["Pitch"] = "3";
  v["Priority"] = "0";  // idle: a test process may always lower its priority
  v["TalkoverVol"] = "25";
  v["WheelScroll"] = "12";
  v["Language"] = "Nederlands";
  v["PlayerLook"] = "Silver";
  v["KBLayout"] = "azerty";
  v["Font"] = families.last().toStdString();
  v["ShoutServer"] = "10.0.0.1";
  v["ShoutPort"] = "8000";
  v["ShoutPass"] = "p&ss#1;x";
  for (int n = 2; n <= 5; ++n) {
    v["ShoutServer" + std::to_string(n)] = "10.0.0." + std::to_string(n);
    v["ShoutPort" + std::to_string(n)] = std::to_string(8000 + n);
    v["ShoutPass" + std::to_string(n)] = "pass" + std::to_string(n);
  }
  v["WebURL"] = "http://radio.example/now?song=";
  // Shortcut codes F1 .. F16.
  int code = 112;
  for (const OptionKey& k : OptionKeys())
    if (EqualsNoCase(k.section, "ShortCuts")) v[k.key] = std::to_string(code++);
  return v;
}

std::string FileWith(const std::map<std::string, std::string>& values) {
  std::string text = "; written by hand\n";
  std::string section;
  for (const OptionKey& k : OptionKeys()) {
    if (section != k.section) {
      section = k.section;
      text += "[" + section + "]\n";
    }
    text += std::string(k.key) + "=" + values.at(k.key) + "\n";
  }
  return text;
}

TEST_F(OptionsRoundTrip, EveryKeyLoadsIntoItsControlAndComesBackAfterOK) {
  QStringList families = QFontDatabase::families();
  ASSERT_GE(families.size(), 2);
  std::map<std::string, std::string> first = FirstValues(families);
  WriteSettings(FileWith(first));
  MakeDialog().ResetClick();

  // What the dialog shows: the file's values, except the boxes its rules clear (removing
  // played tracks leaves nothing to mark or repeat; hardware audio turns DSP off).
  std::map<std::string, std::string> shown = first;
  shown["UseVMark"] = "0";
  shown["RepeatPl"] = "0";
  shown["DSPActive"] = "0";
  for (const OptionKey& k : OptionKeys()) {
    EXPECT_EQ(ControlValue(k.key), shown[k.key]) << k.key;
    // The store holds what the dialog shows.
    EXPECT_EQ(store_->Text(k.key), shown[k.key]) << k.key;
  }

  // The user sets other values everywhere, in the order of the pages' keys.
  std::map<std::string, std::string> second;
  for (const OptionKey& k : OptionKeys()) {
    std::string value;
    switch (k.type) {
      case OptionType::Bool: value = Flip(shown[k.key]); break;
      case OptionType::Int: value = OtherInt(k, shown[k.key]); break;
      case OptionType::Text: value = std::string("new ") + k.key; break;
    }
    second[k.key] = value;
  }
  for (const char* key : {"DriverPlayer1", "DriverPlayer2", "DriverDataPlayer", "DriverJingles",
                          "RecordDriver"})
    second[key] = "0";  // the one device the no-sound output lists
  second["Language"] = "Deutsch";
  second["PlayerLook"] = "Dark Steel";
  second["KBLayout"] = "qwerty uk";
  second["Font"] = families.first().toStdString();
  second["WheelScroll"] = "3";
  second["ShoutServer"] = "192.168.1.1";
  second["ShoutPort"] = "80";
  for (int n = 2; n <= 5; ++n) {
    second["ShoutServer" + std::to_string(n)] = "192.168.1." + std::to_string(n);
    second["ShoutPort" + std::to_string(n)] = std::to_string(n);
  }
  int code = 65;  // shortcut codes A .. P
  for (const OptionKey& k : OptionKeys())
    if (EqualsNoCase(k.section, "ShortCuts")) second[k.key] = std::to_string(code++);
  for (const OptionKey& k : OptionKeys()) SetControl(k.key, second[k.key]);
  for (const OptionKey& k : OptionKeys()) ASSERT_EQ(ControlValue(k.key), second[k.key]) << k.key;

  MessageCapture messages;
  dialog_->OKClick();
  // Only a refused priority may speak up (a process without the right to raise its priority
  // cannot come back from idle); the setting is kept all the same.
  for (const std::string& m : messages.Texts())
    EXPECT_EQ(m, "Cannot change the Process Priority!");
  const std::string text = SettingsText();
  EXPECT_EQ(text.rfind("; written by hand\n", 0), 0u);

  // A fresh store and a fresh dialog, as at the next start.
  TSettingsFile reread(settingsPath_);
  OptionsStore again;
  again.Load(reread);
  for (const OptionKey& k : OptionKeys()) EXPECT_EQ(again.Text(k.key), second[k.key]) << k.key;
  MakeDialog().ResetClick();
  for (const OptionKey& k : OptionKeys()) EXPECT_EQ(ControlValue(k.key), second[k.key]) << k.key;
}

TEST_F(OptionsRoundTrip, FirstOKCreatesTheFileWithEveryKeyInTheTablesOrder) {
  MakeDialog().ResetClick();
  dialog_->OKClick();
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(SettingsText()))
    if (!line.empty()) lines.push_back(line);  // the blank line before a new section
  std::vector<std::string> expected;
  std::string section;
  for (const OptionKey& k : OptionKeys()) {
    if (section != k.section) {
      section = k.section;
      expected.push_back("[" + section + "]");
    }
    expected.push_back(std::string(k.key) + "=" + k.defaultText);
  }
  // The font is written by name: the desktop's own.
  for (std::string& line : expected)
    if (line == "Font=") line += store_->Text("Font");
  EXPECT_FALSE(store_->Text("Font").empty());
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace spinwave::test
