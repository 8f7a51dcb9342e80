#include "app/LanguageFile.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "controls/TEMLed.h"
#include "core/Messages.h"
#include "core/Paths.h"

namespace {

using spinwave::LangText;
using spinwave::LanguageForms;
using spinwave::MessageCapture;
using spinwave::TLanguage;
using spinwave::TLanguageFile;
using spinwave::test::WriteFile;

// A language file in the program folder.
void WriteLanguage(const std::string& name, const std::string& lines) {
  WriteFile(spinwave::ProgramFolder() + name + ".lng", lines);
}

template <class T>
T* Named(QWidget* parent, const char* name) {
  auto* w = new T(parent);
  w->setObjectName(name);
  return w;
}

// A console, an options dialog and a password dialog, with a few named controls each.
struct Forms {
  QWidget console;
  QDialog options;
  QDialog password;
  QTabWidget* pages;
  QWidget* general;
  Forms() {
    console.setObjectName("SpinwaveMain");
    Named<QPushButton>(&console, "SendInfo");
    Named<QWidget>(&console, "Minutes1");
    Named<QWidget>(&console, "Minutes2");
    Named<QWidget>(&console, "Seconds1");
    Named<QWidget>(&console, "Seconds2");
    Named<QPushButton>(&console, "TrackBack1");
    Named<QPushButton>(&console, "TrackBack2");
    Named<QLabel>(&console, "AutoMixLabel")->setText("seconds");
    auto* menu = new QAction("Help", &console);
    menu->setObjectName("Help");
    Named<QWidget>(&console, "DBGrid");
    Named<spinwave::TEMLed>(&console, "AutoCross");

    pages = Named<QTabWidget>(&options, "PageControl");
    general = new QWidget;
    general->setObjectName("GeneralOpt");
    pages->addTab(general, "General");
    Named<QGroupBox>(general, "OnStartup")->setTitle(" On Startup ");
    Named<QCheckBox>(general, "FullScrMode");
    Named<QPushButton>(&options, "ChangePass")->setText("Change password");
    Named<QPushButton>(&options, "CancelBtn");
    Named<QCheckBox>(&options, "ShowAlbum");
    Named<QPushButton>(&password, "CancelBtn");
    Named<QLabel>(&password, "NewPassword");
  }
  LanguageForms All() {
    LanguageForms f;
    f.console = &console;
    f.options = &options;
    f.changePassword = &password;
    return f;
  }
  template <class T>
  T* Get(QWidget* root, const char* name) {
    return root->findChild<T*>(name);
  }
};

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { spinwave::ResetLanguageTexts(); }
  void TearDown() override { spinwave::ResetLanguageTexts(); }
};

TEST_F(LanguageTest, LookupRules) {
  TLanguageFile file;
  file.SetLines({"CantCloseX=not this", "CantClose=first%Rsecond", "CantClose=later line",
                 "Empty=", "Hint=h"});
  EXPECT_EQ(file.Lookup("CantClose", "x"), "first\nsecond");
  EXPECT_EQ(file.Lookup("cantclose", "x"), "x") << "keys are case-sensitive";
  EXPECT_EQ(file.Lookup("Empty", "x"), "");
  EXPECT_EQ(file.Lookup("Missing", "fallback"), "fallback");
  std::string hint;
  ASSERT_TRUE(file.LookupHint("CantClose", hint));
  EXPECT_EQ(hint, "=not this") << "hints compare only the key's characters";
  EXPECT_FALSE(file.LookupHint("Nothing", hint));
}

TEST_F(LanguageTest, ApplyTranslatesControlsTextsAndHints) {
  Forms forms;
  WriteLanguage("Deutsch",
                "VersionCheck=2.2.0\n"
                "PlayMixErr=Automix ist an.%RZieh die Datei an die richtige Stelle.\n"
                "SendInfoHintOld=takes precedence\n"
                "SendInfoHint=Titel senden\n"
                "HintTime=Zeit\n"
                "HintTrckBck=Voriger Titel\n"
                "GeneralOpt=Allgemein\n"
                "OnStartup=Beim Start\n"
                "FullScrMode=Vollbild\n"
                "FullScrModeHint=Ohne Rand\n"
                "ChangePass=Passwort ändern\n"
                "CancelBtn=Abbrechen\n"
                "NewPassword=Neues Passwort:\n"
                "Help=Hilfe\n"
                "HelpHint=Die Hilfe öffnen\n"
                "DBAlbum=Album (de)\n"
                "DBGridHint=Datenbank\n"
                "Seconds=Sekunden\n"
                "AutoCross=Auto-Überblendung\n"
                "FilterNone=Keine\n");
  TLanguage language;
  QSignalSpy fade(&language, &TLanguage::FadeMenuChanged);
  QSignalSpy filter(&language, &TLanguage::FilterColumnsChanged);
  QSignalSpy node(&language, &TLanguage::LibraryNodeNameChanged);
  MessageCapture messages;
  ASSERT_TRUE(language.Apply("Deutsch", forms.All()));
  EXPECT_TRUE(messages.Texts().empty()) << "the version matches";

  EXPECT_EQ(LangText("PlayMixErr"), "Automix ist an.\nZieh die Datei an die richtige Stelle.");
  EXPECT_EQ(LangText("CantClose"), "Can't close unless both players are stopped!") << "kept";
  EXPECT_EQ(forms.Get<QWidget>(&forms.console, "SendInfo")->toolTip(), "ld=takes precedence")
      << "the longer key placed first wins; its hint starts one character after the key";
  EXPECT_EQ(forms.Get<QWidget>(&forms.console, "Minutes2")->toolTip(), "Zeit");
  EXPECT_EQ(forms.Get<QWidget>(&forms.console, "Seconds1")->toolTip(), "Zeit")
      << "the seconds displays take the minutes display's hint";
  EXPECT_EQ(forms.Get<QWidget>(&forms.console, "TrackBack2")->toolTip(), "Voriger Titel");
  EXPECT_EQ(forms.pages->tabText(0), "Allgemein");
  EXPECT_EQ(forms.Get<QGroupBox>(&forms.options, "OnStartup")->title(), " Beim Start ");
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "FullScrMode")->text(), "Vollbild");
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "FullScrMode")->toolTip(), "Ohne Rand");
  EXPECT_EQ(forms.Get<QPushButton>(&forms.options, "CancelBtn")->text(), "Abbrechen");
  EXPECT_EQ(forms.Get<QPushButton>(&forms.password, "CancelBtn")->text(), "Abbrechen");
  EXPECT_EQ(forms.password.windowTitle(), "Passwort ändern")
      << "the change dialog is captioned like the options' button";
  EXPECT_EQ(forms.Get<QLabel>(&forms.password, "NewPassword")->text(), "Neues Passwort:");
  EXPECT_EQ(forms.console.findChild<QAction*>("Help")->text(), "Hilfe");
  EXPECT_EQ(forms.console.findChild<QAction*>("Help")->toolTip(), "Die Hilfe öffnen");
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "ShowAlbum")->text(), "Album (de)");
  EXPECT_EQ(forms.Get<spinwave::TEMLed>(&forms.console, "AutoCross")->Caption(), "Auto-Überblendung");

  ASSERT_EQ(fade.count(), 1);
  const QStringList entries = fade.at(0).at(0).toStringList();
  ASSERT_EQ(entries.size(), 20);
  EXPECT_EQ(entries[0], "1 Sekunden");
  EXPECT_EQ(entries[19], "20 Sekunden");
  ASSERT_EQ(filter.count(), 1);
  EXPECT_EQ(filter.at(0).at(0).toStringList(),
            QStringList({"Keine", "All", "Artist", "Title", "Album (de)"}));
  ASSERT_EQ(node.count(), 1);
  EXPECT_EQ(node.at(0).at(0).toString(), "Datenbank");
}

TEST_F(LanguageTest, OlderFileIsAppliedWithAMessage) {
  Forms forms;
  WriteLanguage("Old", "CantClose=Erst stoppen!\n");
  WriteLanguage("Older", "VersionCheck=2.1.0\nCantClose=Erst stoppen!\n");
  TLanguage language;
  for (const char* name : {"Old", "Older"}) {
    MessageCapture messages;
    ASSERT_TRUE(language.Apply(name, forms.All())) << name;
    ASSERT_EQ(messages.Texts().size(), 1u) << name;
    EXPECT_EQ(messages.Texts()[0], "Language file is older, some functions aren't translated!");
    EXPECT_EQ(LangText("CantClose"), "Erst stoppen!");
  }
}

TEST_F(LanguageTest, SecondLanguageKeepsTextsTheFirstGave) {
  Forms forms;
  WriteLanguage("First", "VersionCheck=2.2.0\nCantClose=Eerst stoppen!\nTotalPlay=Speeltijd\n"
                         "FullScrMode=Volledig scherm\n");
  WriteLanguage("Second", "VersionCheck=2.2.0\nTotalPlay=Spielzeit\n");
  TLanguage language;
  ASSERT_TRUE(language.Apply("First", forms.All()));
  ASSERT_TRUE(language.Apply("Second", forms.All()));
  EXPECT_EQ(LangText("TotalPlay"), "Spielzeit");
  EXPECT_EQ(LangText("CantClose"), "Eerst stoppen!");
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "FullScrMode")->text(), "Volledig scherm");

  // A missing file changes nothing and says so only through the result.
  MessageCapture messages;
  EXPECT_FALSE(language.Apply("Klingon", forms.All()));
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(LangText("TotalPlay"), "Spielzeit");
}

TEST_F(LanguageTest, BadFilesLeaveTheConsoleUsable) {
  Forms forms;
  // Binary junk, lines without "=", a key with nothing after it, an empty file.
  WriteLanguage("Junk", std::string("\x00\x01\xff\xfe=\n", 6) + "FullScrMode\nGeneralOpt=\n\n=x\n");
  TLanguage language;
  MessageCapture messages;
  ASSERT_TRUE(language.Apply("Junk", forms.All()));
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "FullScrMode")->text(), "")
      << "a line without \"=\" is not a caption";
  EXPECT_EQ(forms.pages->tabText(0), "") << "an empty value is a caption";
  EXPECT_EQ(LangText("CantClose"), "Can't close unless both players are stopped!");
  WriteLanguage("Empty", "");
  EXPECT_TRUE(language.Apply("Empty", {}));
  EXPECT_TRUE(language.Problem().isEmpty());
}

TEST_F(LanguageTest, ShippedLanguagesAgainstTheEnglishTable) {
  const std::string english = TLanguage::FileOf("English");
  ASSERT_FALSE(english.empty()) << "English.lng is shipped";
  const auto missing = spinwave::MissingLanguageKeys(english);
  EXPECT_TRUE(missing.empty()) << "English.lng lacks " << (missing.empty() ? "" : missing[0]);
  EXPECT_TRUE(TLanguage::Names().contains("English"));
  // English.lng is the table: applying it after another language brings English back.
  Forms forms;
  WriteLanguage("Other", "VersionCheck=2.2.0\nCantClose=Anders\nFullScrMode=Anders\n");
  TLanguage language;
  ASSERT_TRUE(language.Apply("Other", forms.All()));
  ASSERT_TRUE(language.Apply("English", forms.All()));
  EXPECT_EQ(LangText("CantClose"), "Can't close unless both players are stopped!");
  EXPECT_EQ(forms.Get<QCheckBox>(&forms.options, "FullScrMode")->text(), "Full screen mode");

  // The translations cover every message text and fixed key; what they lack of the control
  // captions is listed for the translators.
  for (const char* name : {"German", "Dutch"}) {
    const std::string file = TLanguage::FileOf(name);
    ASSERT_FALSE(file.empty()) << name;
    const auto lacks = spinwave::MissingLanguageKeys(file);
    std::string list;
    for (const std::string& key : lacks) list += key + " ";
    for (const spinwave::LanguageEntry& e : spinwave::LanguageTextDefaults())
      EXPECT_EQ(std::find(lacks.begin(), lacks.end(), e.key), lacks.end()) << name << " lacks " << e.key;
    RecordProperty(std::string(name) + "_missing", list);
  }
}

}  // namespace
