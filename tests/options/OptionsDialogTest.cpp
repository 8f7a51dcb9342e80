#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "OptionsFixture.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include <QFile>
#include <QPushButton>
#include "engine/DSPHost.h"
#include "options/ShortcutEdit.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

using OptionsDialog = OptionsTest;

ShortcutEdit* Field(TOptions& dialog, const char* name) {
  return dialog.findChild<ShortcutEdit*>(QString::fromLatin1(name));
}

TEST_F(OptionsDialog, EverySettingHasTheControlNamedByItsKey) {
  TOptions& dialog = MakeDialog();
  for (const OptionKey& k : OptionKeys()) {
    if (std::string(k.section) == "ShortCuts") continue;
    const QString name = std::string(k.key) == "Font" ? QStringLiteral("EMFont")
                                                       : QString::fromLatin1(k.key);
    EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << k.key;
  }
  for (int n = 1; n <= 16; ++n)
    EXPECT_NE(Field(dialog, QStringLiteral("Edit%1").arg(n).toLatin1().constData()), nullptr) << n;
  const QStringList pages = {"General", "Output", "Players", "Playlist", "Database", "Security",
                             "Jingles", "Shortcuts", "DSP", "Internet", "Backup"};
  ASSERT_EQ(dialog.Pages()->count(), pages.size());
  for (int i = 0; i < pages.size(); ++i) EXPECT_EQ(dialog.Pages()->tabText(i), pages[i]);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(OptionsDialog, CancelRestoresEveryChangedControlIncludingShortcutCodes) {
  WriteSettings("[General]\nSafeClose=1\nLanguage=Deutsch\nPriority=1\n"
                "[Players]\nPitch=2\nTalkoverVol=5\n"
                "[Internet]\nShoutServer=10.1.1.1\n"
                "[ShortCuts]\nPlay=81\nFade=102\n");
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  const std::vector<std::string> keys = {"SafeClose", "RepeatPl", "Language", "Pitch",
                                         "TalkoverVol", "ShoutServer", "Play", "Fade",
                                         "DriverPlayer1", "WheelScroll"};
  std::map<std::string, std::string> before;
  for (const std::string& k : keys) before[k] = ControlValue(k);
  EXPECT_EQ(before["Play"], "81");
  EXPECT_EQ(before["Fade"], "102");

  dialog.show();
  SetControl("SafeClose", "0");
  SetControl("RepeatPl", "0");
  SetControl("Language", "Nederlands");
  SetControl("Pitch", "0");
  SetControl("TalkoverVol", "30");
  SetControl("ShoutServer", "192.168.0.9");
  SetControl("WheelScroll", "7");
  QTest::keyClick(Field(dialog, "Edit1"), Qt::Key_K);  // Play: K
  QTest::keyClick(Field(dialog, "Edit13"), Qt::Key_F7);  // Fade: F7
  for (const std::string& k : keys)
    if (k != "DriverPlayer1") {
      EXPECT_NE(ControlValue(k), before[k]) << k;
    }

  dialog.CancelBtnClick();
  EXPECT_FALSE(dialog.isVisible());
  for (const std::string& k : keys) EXPECT_EQ(ControlValue(k), before[k]) << k;
  EXPECT_EQ(Field(dialog, "Edit1")->text(), QStringLiteral("Q"));
  EXPECT_EQ(Field(dialog, "Edit13")->text(), QStringLiteral("numpad 6"));
  // Nothing was written.
  EXPECT_EQ(SettingsText().find("SafeClose=0"), std::string::npos);
}

TEST_F(OptionsDialog, OtherCodeSeesEditsOnlyAfterOK) {
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  QSignalSpy changed(store_.get(), &OptionsStore::Changed);
  dialog.show();
  SetControl("SafeClose", "1");
  SetControl("ShoutServer", "10.9.9.9");
  QTest::keyClick(Field(dialog, "Edit2"), Qt::Key_X);  // Stop: X
  EXPECT_FALSE(store_->Bool("SafeClose"));
  EXPECT_EQ(store_->Text("ShoutServer"), "0.0.0.0");
  EXPECT_EQ(store_->Int("Stop"), 83);
  EXPECT_EQ(changed.count(), 0);

  QSignalSpy hotKeys(&dialog, &TOptions::HotKeysChanged);
  dialog.OKClick();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(store_->Bool("SafeClose"));
  EXPECT_EQ(store_->Text("ShoutServer"), "10.9.9.9");
  EXPECT_EQ(store_->Int("Stop"), 'X');
  EXPECT_EQ(changed.count(), 3);
  EXPECT_EQ(hotKeys.count(), 1);
  TSettingsFile file(settingsPath_);
  EXPECT_EQ(file.ReadInteger("ShortCuts", "Stop", 0), 'X');
  EXPECT_TRUE(file.ReadBool("General", "SafeClose", false));
}

TEST_F(OptionsDialog, ShortcutFieldsTakeOnlyKeysAbove57) {
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  dialog.show();
  struct Case {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int code;  // 0: refused, the field keeps numpad 6 (102)
    const char* text;
  };
  const Case cases[] = {
      {"digit 5", Qt::Key_5, Qt::NoModifier, 0, nullptr},
      {"numpad 5", Qt::Key_5, Qt::KeypadModifier, 101, "numpad 5"},
      {"numpad +", Qt::Key_Plus, Qt::KeypadModifier, 107, "numpad +"},
      {"numpad /", Qt::Key_Slash, Qt::KeypadModifier, 111, "numpad /"},
      {"letter", Qt::Key_K, Qt::NoModifier, 75, "K"},
      {"function key", Qt::Key_F5, Qt::NoModifier, 116, "F5"},
      {"period", Qt::Key_Period, Qt::NoModifier, 190, "."},
      {"space", Qt::Key_Space, Qt::NoModifier, 0, nullptr},
      {"arrow", Qt::Key_Left, Qt::NoModifier, 0, nullptr},
      {"enter", Qt::Key_Return, Qt::NoModifier, 0, nullptr},
  };
  ShortcutEdit* cueForward = Field(dialog, "Edit5");
  for (const Case& c : cases) {
    cueForward->SetCode(102);
    QTest::keyClick(cueForward, c.key, c.modifiers);
    EXPECT_EQ(cueForward->Code(), c.code ? c.code : 102) << c.what;
    EXPECT_EQ(cueForward->text(), QString::fromLatin1(c.code ? c.text : "numpad 6")) << c.what;
    // Whatever happened, the text is selected for the next key.
    EXPECT_EQ(cueForward->selectedText(), cueForward->text()) << c.what;
  }
  // The field's place in the tab order, not its number, names the key: Edit12 holds Eject.
  QTest::keyClick(Field(dialog, "Edit12"), Qt::Key_J);
  dialog.OKClick();
  EXPECT_EQ(store_->Int("Eject"), 'J');
  EXPECT_EQ(store_->Int("CueForw"), 102);  // the last key tried (Enter) was refused
}

TEST_F(OptionsDialog, HandEditedFileGivesEveryControlAUsableValueAndKeepsForeignLines) {
  const std::string text =
      "; station settings, edited by hand\n"
      "[players]\n"
      "Pitch=9\n"
      "OutputPlayer1=abc\n"
      "DriverPlayer1=7\n"
      "Buffersize=-1\n"
      "TalkoverVol=400\n"
      "MyOwnKey=keep me\n"
      "[Database]\n"
      "WheelScroll=-3\n"
      "KBLayout=dvorak\n"
      "ShowAlbum=yes\n"
      "[Players]\n"
      "Pitch=2\n"
      "[Internet]\n"
      "ShoutServer=a.very.long.server.name.example\n"
      "[ShortCuts]\n"
      "Play=70000\n"
      "Stop=\n";
  WriteSettings(text);
  TOptions& dialog = MakeDialog();
  MessageCapture messages;
  ASSERT_TRUE(dialog.ResetClick());
  EXPECT_TRUE(messages.Texts().empty());

  struct Expect {
    const char* key;
    const char* value;
  };
  const Expect expected[] = {
      {"Pitch", "1"},          // out of range in the first [Players] section: the default
      {"OutputPlayer1", "0"},  // text reads 0, as every number of the file does
      {"DriverPlayer1", "7"},  // a device not connected now keeps its number
      {"Buffersize", "0"},     {"TalkoverVol", "0"},
      {"WheelScroll", "0"},    {"KBLayout", "dvorak"},
      {"ShowAlbum", "0"},      {"Language", "English"},  // no [General]: defaults
      {"ShoutServer", "a.very.long.ser"},                // the field takes 15 characters
      {"Play", "80"},          {"Stop", "0"},
  };
  for (const Expect& e : expected) EXPECT_EQ(ControlValue(e.key), e.value) << e.key;
  for (QComboBox* list : dialog.findChildren<QComboBox*>())
    EXPECT_GE(list->currentIndex(), 0) << list->objectName().toStdString();
  EXPECT_EQ(Combo("DriverPlayer1")->currentText(), QStringLiteral("Device 8 (not connected)"));

  dialog.OKClick();
  const std::string saved = SettingsText();
  for (const char* kept : {"; station settings, edited by hand\n", "MyOwnKey=keep me\n",
                           "[Players]\nPitch=2\n", "DriverPlayer1=7\n", "KBLayout=dvorak\n"})
    EXPECT_NE(saved.find(kept), std::string::npos) << kept;
  EXPECT_NE(saved.find("[General]\n"), std::string::npos);
  TSettingsFile file(settingsPath_);
  EXPECT_EQ(file.ReadInteger("Players", "Pitch", -1), 1);
  EXPECT_EQ(file.ReadString("General", "Language", ""), "English");
}

TEST_F(OptionsDialog, DependentBoxesFollowTheirBoxOnLoadAndOnClick) {
  WriteSettings("[Players]\nHWAudio=1\nCentralOutput=1\nJingleEnabled=0\n"
                "[DSP]\nDSPActive=1\nDSPLock=1\nShoutcast=0\nShoutcastLock=1\n"
                "[Playlist]\nDelPlTracks=1\nUseVMark=1\nRepeatPl=1\n"
                "[General]\nFullScrMode=1\nShowBrowser=0\n");
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  struct State {
    const char* name;
    bool enabled;
    bool checked;
  };
  const State loaded[] = {
      {"DSPActive", false, false}, {"DSPLock", false, true},  {"ShoutcastLock", false, true},
      {"UseVMark", false, false},  {"RepeatPl", false, false}, {"StartMaximized", false, false},
      {"WinSizeable", false, true}, {"Minimizeable", false, true}, {"ShowMyComputer", false, true},
  };
  for (const State& s : loaded) {
    EXPECT_EQ(Box(s.name)->isEnabled(), s.enabled) << s.name;
    EXPECT_EQ(Box(s.name)->isChecked(), s.checked) << s.name;
  }
  // What the rules cleared reads off everywhere at once.
  EXPECT_FALSE(store_->Bool("RepeatPl"));
  EXPECT_FALSE(store_->Bool("DSPActive"));
  for (const char* name : {"DriverPlayer2", "Player2Stereo", "DriverJingles", "JinglesStereo"})
    EXPECT_FALSE(dialog.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled()) << name;
  EXPECT_TRUE(Combo("DriverDataPlayer")->isEnabled());
  QTabWidget* pages = dialog.Pages();
  const int jinglesTab = 6;
  EXPECT_FALSE(pages->isTabVisible(jinglesTab));

  dialog.show();
  SetControl("HWAudio", "0");
  SetControl("DelPlTracks", "0");
  SetControl("FullScrMode", "0");
  SetControl("ShowBrowser", "1");
  SetControl("CentralOutput", "0");
  SetControl("JingleEnabled", "1");
  SetControl("Shoutcast", "1");
  for (const char* name : {"DSPActive", "UseVMark", "RepeatPl", "StartMaximized", "ShowNetwork",
                           "ShoutcastLock"})
    EXPECT_TRUE(Box(name)->isEnabled()) << name;
  EXPECT_FALSE(Box("DSPLock")->isEnabled());  // DSP is still off
  SetControl("DSPActive", "1");
  EXPECT_TRUE(Box("DSPLock")->isEnabled());
  EXPECT_TRUE(Combo("DriverJingles")->isEnabled());
  EXPECT_TRUE(pages->isTabVisible(jinglesTab));
}

// Where the DSP host looks for Spinwave's own plug-ins, for one test.
struct FallbackFoldersFor {
  explicit FallbackFoldersFor(std::vector<std::string> folders) {
    DSPHost::SetFallbackFolders(std::move(folders));
  }
  ~FallbackFoldersFor() { DSPHost::ResetFallbackFolders(); }
};

TEST_F(OptionsDialog, EncoderBoxesNeedTheirPlugins) {
  // Missing from the program folder and from where Spinwave's own plug-in is built.
  FallbackFoldersFor test({});
  QFile::remove(QString::fromStdString(ProgramFolder() + "plugins/dsp_sc.so"));
  WriteSettings("[DSP]\nShoutcast=1\nShoutcastLock=1\n");
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  EXPECT_FALSE(Box("Shoutcast")->isEnabled());
  EXPECT_FALSE(Box("ShoutcastLock")->isEnabled());
  EXPECT_FALSE(dialog.findChild<QWidget*>(QStringLiteral("ShoutcastConfig"))->isEnabled());
  EXPECT_TRUE(Box("SAM2")->isEnabled());
}

TEST_F(OptionsDialog, TheEncoderFoundWhereItIsBuiltCanBeSwitchedOnAndConfigured) {
  const std::string built = temp_.Path() + "built/";
  MakeFolders(built);
  WriteFile(built + "dsp_sc.so", "a plug-in");
  FallbackFoldersFor test({built});
  QFile::remove(QString::fromStdString(ProgramFolder() + "plugins/dsp_sc.so"));
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  EXPECT_TRUE(Box("Shoutcast")->isEnabled());
  std::vector<int> asked;
  QObject::connect(&dialog, &TOptions::DSPConfigClicked, [&](int slot) { asked.push_back(slot); });
  auto* configure = dialog.findChild<QPushButton*>(QStringLiteral("ShoutcastConfig"));
  ASSERT_NE(configure, nullptr);
  EXPECT_TRUE(configure->isEnabled());
  configure->click();
  EXPECT_EQ(asked, std::vector<int>{0});
}

// Records the seam's signals in the order SetState raises them.
struct SeamLog {
  explicit SeamLog(TOptions& d) {
    QObject::connect(&d, &TOptions::Live365ButtonVisible,
                     [this](bool v) { Add("Live365", v); });
    QObject::connect(&d, &TOptions::PeaksFallChanged, [this](bool v) { Add("Peaks", v); });
    QObject::connect(&d, &TOptions::FontChanged, [this](const QFont& f, int rowHeight) {
      log.push_back("Font " + f.family().toStdString() + " " + std::to_string(f.pointSize()) +
                    " " + std::to_string(rowHeight));
    });
    QObject::connect(&d, &TOptions::LanguageChanged, [this](const QString& l) {
      log.push_back("Language " + l.toStdString());
    });
    QObject::connect(&d, &TOptions::SkinChanged,
                     [this](const QString& s) { log.push_back("Skin " + s.toStdString()); });
    QObject::connect(&d, &TOptions::BrowserVisibleChanged, [this](bool v) { Add("Browser", v); });
    QObject::connect(&d, &TOptions::PlaylistColumnWidthChanged, [this](int c, int w) {
      log.push_back("Column " + std::to_string(c) + " " + std::to_string(w));
    });
    QObject::connect(&d, &TOptions::SendInfoButtonVisible, [this](bool v) { Add("SendInfo", v); });
    QObject::connect(&d, &TOptions::InOutroVisibleChanged, [this](bool v) { Add("InOutro", v); });
    QObject::connect(&d, &TOptions::PlaylistSortingChanged, [this](bool v) { Add("Sorting", v); });
    QObject::connect(&d, &TOptions::LibraryColumnsChanged, [this] { log.push_back("Library"); });
    QObject::connect(&d, &TOptions::WheelStepChanged,
                     [this](int n) { log.push_back("Wheel " + std::to_string(n)); });
    QObject::connect(&d, &TOptions::PitchRangeChanged,
                     [this](int r) { log.push_back("Pitch " + std::to_string(r)); });
  }
  void Add(const char* what, bool on) { log.push_back(std::string(what) + (on ? " on" : " off")); }
  std::vector<std::string> log;
};

TEST_F(OptionsDialog, SetStateAppliesEverySettingToTheConsoleInOrder) {
  WriteSettings("[General]\nShowBrowser=0\nFontSize=4\nLanguage=Deutsch\nPlayerLook=Silver\n"
                "[Players]\nVUPeaksFall=0\nInOutroEnabled=0\nPitch=3\n"
                "[Playlist]\nBroadcastTime=1\nSortPlaylist=1\n"
                "[Database]\nWheelScroll=5\nShowAlbum=0\nShowInOutro=0\nShowPlTimes=1\n"
                "[Internet]\nLive365Ctrl=1\nStreamTitle4=1\n");
  TOptions& dialog = MakeDialog();
  TEMDB library;
  SetLibraryColumns(library);
  dialog.SetLibraryTable(&library);
  SeamLog seam(dialog);
  dialog.ResetClick();
  const std::vector<std::string> expected = {
      "Live365 on", "Peaks off", "Browser off", "Column 0 50", "SendInfo on", "InOutro off",
      "Column 6 -1", "Column 7 -1", "Sorting on", "Library", "Wheel 5", "Pitch 32000"};
  EXPECT_EQ(seam.log, expected);
  auto width = [&](const char* name) { return library.GetColWidth(ColumnIndex(library, name)); };
  EXPECT_EQ(width("Album"), -1);
  EXPECT_EQ(width("Intro"), -1);
  EXPECT_EQ(width("Outro"), -1);
  EXPECT_EQ(width("PlTimes"), 80);
  EXPECT_EQ(width("File"), 30);
  EXPECT_EQ(width("Year"), 37);
  EXPECT_EQ(width("Artist"), 150);  // not an optional column

  // With the main window on screen the font, the language and the skin follow, in that order.
  QWidget main;
  main.show();
  dialog.SetMainWindow(&main);
  seam.log.clear();
  dialog.SetState();
  ASSERT_GE(seam.log.size(), 5u);
  EXPECT_EQ(seam.log[2].rfind("Font ", 0), 0u);
  EXPECT_NE(seam.log[2].find(" 10 "), std::string::npos);  // FontSize 4 is "10" points
  EXPECT_EQ(seam.log[3], "Language Deutsch");
  EXPECT_EQ(seam.log[4], "Skin " + ProgramFolder() + "skins/Silver/");
  // "<Default>" loads nothing: it takes effect at the next start.
  SetControl("PlayerLook", "<Default>");
  seam.log.clear();
  dialog.OKClick();
  for (const std::string& line : seam.log) EXPECT_EQ(line.rfind("Skin", 0), std::string::npos);
}

TEST_F(OptionsDialog, PitchFontAndLocksActAtOnce) {
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  SeamLog seam(dialog);
  std::vector<std::pair<QString, bool>> locks;
  QObject::connect(&dialog, &TOptions::LockChanged,
                   [&](const QString& key, bool on) { locks.emplace_back(key, on); });
  dialog.show();
  const std::pair<int, int> ranges[] = {{0, 4000}, {1, 8000}, {2, 16000}, {3, 32000}};
  for (const auto& [position, range] : ranges) {
    seam.log.clear();
    dialog.findChild<QSlider*>(QStringLiteral("Pitch"))->setValue(position);
    if (position == 1) continue;  // the loaded position: no change
    EXPECT_EQ(seam.log, std::vector<std::string>{"Pitch " + std::to_string(range)});
  }
  seam.log.clear();
  SetControl("FontSize", "6");  // 12 points: 16 pixels at 96 dpi, rows of 22
  ASSERT_EQ(seam.log.size(), 1u);
  EXPECT_NE(seam.log[0].find(" 12 " + std::to_string(dialog.RowHeightFor(dialog.ChosenFont()))),
            std::string::npos);
  EXPECT_EQ(dialog.RowHeightFor(QFont(QStringLiteral("x"), 8)) - 6,
            int(8 * dialog.logicalDpiY() / 72.0 + 0.5));
  SetControl("LockPitch", "1");
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0], std::make_pair(QStringLiteral("LockPitch"), true));
  // None of it reached the store yet; Cancel puts the range and the locks back.
  EXPECT_EQ(store_->Int("Pitch"), 1);
  locks.clear();
  seam.log.clear();
  dialog.CancelBtnClick();
  EXPECT_EQ(seam.log.back(), "Pitch 8000");
  EXPECT_EQ(locks.size(), 16u);
  for (const auto& [key, on] : locks) EXPECT_FALSE(on) << key.toStdString();
}

}  // namespace
}  // namespace spinwave::test
