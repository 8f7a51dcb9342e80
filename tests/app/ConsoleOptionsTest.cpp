// The options dialog and the jingle window on the running console, offscreen: settings confirmed
// with OK survive a real restart and act on the console at once, Cancel undoes what the user
// tried, and the digit keys fire the jingle slots while both decks play.
#include <map>

#include <sys/resource.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include "ConsoleFixture.h"
#include "app/ConsoleLock.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TEMSlider.h"
#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"
#include "jingles/TJinglesForm.h"
#include "library/LibraryBrowser.h"
#include "options/OptionsStore.h"
#include "options/ShortcutEdit.h"
#include "options/ShortcutKeys.h"
#include "options/TOptions.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDB.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

class ConsoleOptions : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    errno = 0;
    nice_ = getpriority(PRIO_PROCESS, 0);
  }
  void TearDown() override {
    Close();
    // A test that chose the idle priority gives the process its own back where it may.
    setpriority(PRIO_PROCESS, 0, nice_);
  }
  void Open() {
    Close();
    core = MakeCore();
    window = std::make_unique<TSpinwaveMain>(*core);
    window->Lock()->Ask = [](QWidget*) { return true; };
    window->show();
  }
  // A clean close, as the Shutdown command does it (without the questions).
  void Close() {
    if (window) window->FormClose();
    window.reset();
    core.reset();
  }
  TOptions& Dialog() { return *window->OptionsDialog(); }
  void OpenOptions() {
    QAction* entry = window->SetupMenu()->findChild<QAction*>(QStringLiteral("CtrlOptions"));
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    ASSERT_TRUE(Dialog().isVisible());
  }
  template <typename T>
  T* Control(const char* name) {
    return Dialog().findChild<T*>(QLatin1String(name));
  }
  int PitchRange() const {
    const TEMSlider* pitch = window->Players()->Controls(0).pitchSlider;
    return pitch->MaxValue() - 100000;
  }
  // A jingle list in the lists folder.
  void WriteList(const std::string& name, const std::vector<std::vector<std::string>>& rows) {
    TEMDB list;
    SetJingleColumns(list);
    list.SetRowCount(int(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < 3; ++c) list.SetItem(int(c), int(r), rows[r][c]);
    MakeFolders(JingleListsFolder());
    ASSERT_TRUE(list.SaveToFile(JingleListsFolder() + name));
  }

  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
  int nice_ = 0;
};

// Every key of the table, set in its control to a value other than its default.
std::map<std::string, std::string> SetEveryControl(TOptions& dialog) {
  std::map<std::string, std::string> wanted;
  QStringList families = QFontDatabase::families();
  for (const OptionKey& k : OptionKeys()) {
    const std::string key = k.key;
    if (EqualsNoCase(k.section, "ShortCuts")) continue;
    // Boxes that clear others by the enabling rules keep their defaults, so that the boxes they
    // govern can carry a value of their own through the restart.
    if (key == "HWAudio" || key == "DelPlTracks") continue;
    if (key == "Font") {
      auto* font = dialog.findChild<QComboBox*>(QStringLiteral("EMFont"));
      font->setCurrentIndex(font->count() - 1);
      wanted[key] = font->currentText().toStdString();
      continue;
    }
    QWidget* control = dialog.findChild<QWidget*>(QString::fromLatin1(k.key));
    if (!control) {
      ADD_FAILURE() << "no control for " << key;
      continue;
    }
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      box->setChecked(std::string(k.defaultText) != "1");
      wanted[key] = box->isChecked() ? "1" : "0";
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      if (key.rfind("Driver", 0) == 0 || key == "RecordDriver") {
        // A device that is not connected here keeps its number.
        list->addItem(QStringLiteral("Device 4"), 3);
        list->setCurrentIndex(list->count() - 1);
        wanted[key] = "3";
      } else if (k.type == OptionType::Int) {
        const int other = list->currentIndex() + 1 < list->count() ? list->count() - 1 : 0;
        list->setCurrentIndex(key == "TalkoverVol" ? 15 : other);
        wanted[key] = std::to_string(list->currentIndex());
      } else {
        const QString name = QStringLiteral("Test ") + QString::fromLatin1(k.key);
        list->addItem(name);
        list->setCurrentIndex(list->count() - 1);
        wanted[key] = name.toStdString();
      }
    } else if (auto* bar = qobject_cast<QSlider*>(control)) {
      int value = bar->value() == bar->maximum() ? bar->minimum() : bar->maximum();
      if (key == "Priority") value = 0;  // idle: a process may always lower its priority
      bar->setValue(value);
      wanted[key] = std::to_string(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      std::string text;
      if (k.type == OptionType::Int) text = "12";
      else if (key.rfind("ShoutServer", 0) == 0) text = "127.0.0.1";
      else if (key.rfind("ShoutPort", 0) == 0) text = "1";  // nobody listens: refused at once
      else if (key.rfind("ShoutPass", 0) == 0) text = "p&ss#1;x=" + key.substr(9);
      else if (key == "WebURL") text = "http://127.0.0.1:1/now?song=";
      else text = "text; of #" + key;
      edit->setText(QString::fromStdString(text));
      wanted[key] = text;
    } else {
      ADD_FAILURE() << "unexpected control for " << key;
    }
  }
  // Shortcut codes F1 .. F16, field by field.
  const auto& fields = ShortcutFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    auto* field = dialog.findChild<ShortcutEdit*>(QString::fromLatin1(fields[i].field));
    if (!field) {
      ADD_FAILURE() << "no field " << fields[i].field;
      continue;
    }
    field->SetCode(112 + int(i));
    wanted[fields[i].key] = std::to_string(112 + int(i));
  }
  return wanted;
}

std::map<std::string, std::string> StoreValues(const OptionsStore& store) {
  std::map<std::string, std::string> values;
  for (const OptionKey& k : OptionKeys()) values[k.key] = store.Text(k.key);
  return values;
}

TEST_F(ConsoleOptions, OKKeepsEverySettingThroughARealRestartAndActsAtOnce) {
  // Lines of the user's own survive the dialog's save and the console's close.
  WriteIni("; tuned by hand\r\n[General]\r\nStationName=Radio Noord\r\n");
  Open();
  OpenOptions();
  const std::map<std::string, std::string> wanted = SetEveryControl(Dialog());
  ASSERT_FALSE(testing::Test::HasFailure());
  Dialog().OKClick();
  EXPECT_FALSE(Dialog().isVisible());

  const std::map<std::string, std::string> afterOK = StoreValues(core->Options());
  for (const auto& [key, value] : wanted) EXPECT_EQ(afterOK.at(key), value) << key;

  // The running console follows at once.
  EXPECT_EQ(PitchRange(), 32000);
  EXPECT_FALSE(window->Players()->IntroLabel(0)->isVisible());
  EXPECT_EQ(core->PlaylistTable().GetColWidth(plMark), 50);
  EXPECT_EQ(core->PlaylistTable().GetColWidth(plIntro), -1);
  EXPECT_TRUE(window->Button(QStringLiteral("SendInfo"))->isVisible());
  EXPECT_TRUE(window->Button(QStringLiteral("ShowLive365"))->isVisible());
  EXPECT_FALSE(window->Players()->Controls(0).play->isEnabled()) << "LockPlay";
  EXPECT_EQ(window->font().family(), QString::fromStdString(wanted.at("Font")));
  // The output is built at start: the console says when the new one comes.
  EXPECT_TRUE(window->StatusPanel(1)->text().contains(QStringLiteral("next start")))
      << window->StatusPanel(1)->text().toStdString();

  Close();
  const std::string ini = ReadFile(Ini());
  EXPECT_NE(ini.find("; tuned by hand"), std::string::npos);
  EXPECT_NE(ini.find("StationName=Radio Noord"), std::string::npos);
  Open();
  EXPECT_EQ(StoreValues(core->Options()), afterOK);
  // What the sound engine and the window are built from at start took effect.
  ASSERT_NE(core->Jingles(), nullptr) << "JingleEnabled";
  EXPECT_TRUE(window->Button(QStringLiteral("Jingles"))->isVisible());
  EXPECT_NE(&core->Player2(), &core->Player1()) << "CentralOutput off: a deck of its own";
  EXPECT_EQ(PitchRange(), 32000);
  EXPECT_EQ(window->font().family(), QString::fromStdString(wanted.at("Font")));
  EXPECT_TRUE(core->Transport().XFader()) << "StartXFader";
  // The dialog shows the file again, shortcut codes included.
  EXPECT_TRUE(Control<QCheckBox>("SafeClose")->isChecked());
  EXPECT_EQ(Control<QLineEdit>("ShoutPass")->text().toStdString(), wanted.at("ShoutPass"));
  EXPECT_EQ(Dialog().ShortcutCode(0), 112);
  EXPECT_EQ(Dialog().ShortcutCode(15), 127);
}

TEST_F(ConsoleOptions, CancelUndoesWhatTheUserTriedOnTheConsole) {
  Open();
  const std::map<std::string, std::string> before = StoreValues(core->Options());
  ASSERT_EQ(PitchRange(), 8000);
  OpenOptions();
  // Effects the user sees at once: the pitch range, a lock and the font.
  Control<QSlider>("Pitch")->setValue(3);
  EXPECT_EQ(PitchRange(), 32000);
  QCheckBox* lockPlay = Control<QCheckBox>("LockPlay");
  lockPlay->click();
  EXPECT_FALSE(window->Players()->Controls(0).play->isEnabled());
  const QString family = window->font().family();
  auto* font = Control<QComboBox>("EMFont");
  ASSERT_GT(font->count(), 1);
  font->setCurrentIndex(font->currentIndex() == 0 ? 1 : 0);
  EXPECT_NE(window->font().family(), family);
  // Edits that wait for OK.
  Control<QCheckBox>("InOutroEnabled")->setChecked(false);
  Control<QCheckBox>("SafeClose")->setChecked(true);
  Dialog().findChild<ShortcutEdit*>(QStringLiteral("Edit1"))->SetCode(120);

  Dialog().CancelBtnClick();
  EXPECT_FALSE(Dialog().isVisible());
  EXPECT_EQ(StoreValues(core->Options()), before);
  EXPECT_EQ(PitchRange(), 8000);
  EXPECT_TRUE(window->Players()->Controls(0).play->isEnabled());
  EXPECT_EQ(window->font().family(), family);
  EXPECT_TRUE(window->Players()->IntroLabel(0)->isVisible());
  EXPECT_FALSE(lockPlay->isChecked());
  EXPECT_TRUE(Control<QCheckBox>("InOutroEnabled")->isChecked());
  EXPECT_EQ(Dialog().ShortcutCode(0), 80);
  const std::string ini = FileExists(Ini()) ? ReadFile(Ini()) : std::string();
  EXPECT_EQ(ini.find("LockPlay=1"), std::string::npos);
  EXPECT_EQ(ini.find("SafeClose=1"), std::string::npos);
}

TEST_F(ConsoleOptions, DigitKeysFireTheJingleSlotsWhileBothDecksPlay) {
  WriteIni("[Players]\r\nJingleEnabled=1\r\n");
  const std::string song = Track("song", 8000);
  const std::string id = Track("id", 3000), top = Track("top", 3000);
  WriteList("show.jpl2", {{id, "Station ID", "3"},
                          {top, "Top of the hour", "0"},
                          {dir.File("gone1.wav"), "Gone", "5"},
                          {dir.File("gone2.wav"), "Gone too", "6"}});
  Open();
  JingleBank* bank = core->Jingles();
  ASSERT_NE(bank, nullptr);
  TJinglesForm* form = window->JinglesForm();
  ASSERT_NE(form, nullptr);
  for (int slot = 1; slot <= 10; ++slot) {
    EXPECT_EQ(bank->SlotEntry(slot), 1 + slot);
    FMOD_File* entry = TFMODJingle::GetFileEntry(bank->SlotEntry(slot));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->VolumeSlider, form->Slot(slot).volume) << slot;
  }
  EXPECT_EQ(core->PreListenEntry(), 12);

  // The Jingles button shows and hides the window.
  TEMButton* button = window->Button(QStringLiteral("Jingles"));
  ASSERT_TRUE(button->isVisible() && button->isEnabled());
  window->JinglesClick();
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Jingles"));
  EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

  // A list with shortcut "0" fills slot 10; two missing files give one message.
  ASSERT_EQ(form->ListBox()->count(), 1);
  form->ListBox()->setCurrentRow(0);
  messages.Clear();
  form->LoadDJJinglesClick();
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find("gone1.wav"), std::string::npos);
  EXPECT_NE(messages.Texts()[0].find("gone2.wav"), std::string::npos);
  TFMODJingle& jingles = *core->JinglesPlayer();
  EXPECT_EQ(jingles.GetFileName(bank->SlotEntry(10)), top);
  EXPECT_EQ(form->Slot(10).label->text(), QStringLiteral("Top of the hour"));
  EXPECT_EQ(jingles.GetFileName(bank->SlotEntry(3)), id);
  EXPECT_EQ(jingles.GetFileName(bank->SlotEntry(5)), "");
  EXPECT_EQ(jingles.GetFileName(bank->SlotEntry(6)), "");

  // Both decks on air.
  ASSERT_GT(core->Player1().OpenFile(song, 0), 0);
  ASSERT_GT(core->Player2().OpenFile(song, 1), 0);
  core->Advance(50);
  ASSERT_TRUE(core->Player1().Play(0));
  ASSERT_TRUE(core->Player2().Play(1));
  core->Advance(100);

  window->activateWindow();
  window->Playlist()->setFocus();
  QTest::keyClick(window->Playlist(), Qt::Key_3);
  core->Advance(100);
  EXPECT_EQ(jingles.GetFileState(bank->SlotEntry(3)), fsPlaying);
  QTest::keyClick(window->Playlist(), Qt::Key_3);
  core->Advance(50);
  EXPECT_EQ(jingles.GetFileState(bank->SlotEntry(3)), fsStopped);
  EXPECT_EQ(core->Player1().GetFileState(0), fsPlaying);
  EXPECT_EQ(core->Player2().GetFileState(1), fsPlaying);

  // Numeric-pad digits are the deck shortcuts' keys, not jingles; typing in the library search
  // is typing.
  QTest::keyClick(window->Playlist(), Qt::Key_3, Qt::KeypadModifier);
  QLineEdit* search = window->Library()->FilterTxt()->lineEdit();
  ASSERT_NE(search, nullptr);
  search->setFocus();
  QTest::keyClick(search, Qt::Key_3);
  core->Advance(50);
  EXPECT_EQ(jingles.GetFileState(bank->SlotEntry(3)), fsStopped);
  EXPECT_EQ(search->text(), QStringLiteral("3"));

  // Keys pressed in the jingle window fire as well: "0" is slot 10.
  QTest::keyClick(form->ListBox(), Qt::Key_0);
  core->Advance(50);
  EXPECT_EQ(jingles.GetFileState(bank->SlotEntry(10)), fsPlaying);

  // The dialog's jingle page plays on the console's pre-listen deck and its saved list reaches
  // the jingle window.
  OpenOptions();
  Control<QLineEdit>("FileName")->setText(QString::fromStdString(id));
  Dialog().PlayJingleBtnClick();
  core->Advance(50);
  EXPECT_EQ(core->DataPlayer().GetFileState(core->PreListenEntry()), fsPlaying);
  ASSERT_TRUE(Dialog().SaveDJListAs(QString::fromStdString(JingleListsFolder() + "evening")));
  EXPECT_EQ(form->ListBox()->count(), 2);

  window->JinglesClick();
  EXPECT_FALSE(form->isVisible());
  window->JinglesClick();

  // Switched off with OK: the button and the window go at once and the keys are keys again.
  Control<QCheckBox>("JingleEnabled")->setChecked(false);
  Dialog().OKClick();
  EXPECT_FALSE(button->isVisible());
  EXPECT_FALSE(form->isVisible());
  QTest::keyClick(window->Playlist(), Qt::Key_3);
  core->Advance(50);
  EXPECT_EQ(jingles.GetFileState(bank->SlotEntry(3)), fsStopped);
}

TEST_F(ConsoleOptions, OutputPageShowsTheLoadOfTheRunningDecks) {
  WriteIni("[Players]\r\nCentralOutput=0\r\n");
  const std::string song = Track("song", 4000);
  Open();
  ASSERT_GT(core->Player1().OpenFile(song, 0), 0);
  ASSERT_GT(core->DataPlayer().OpenFile(song, core->PreListenEntry()), 0);
  core->Advance(50);
  ASSERT_TRUE(core->Player1().Play(0));
  ASSERT_TRUE(core->DataPlayer().Play(core->PreListenEntry()));
  core->Advance(500);
  OpenOptions();
  Dialog().Pages()->setCurrentWidget(Dialog().findChild<QWidget*>(QStringLiteral("OutputOpt")));
  for (const char* name : {"FMOD1CPU", "FMOD2CPU", "FMOD3CPU", "FMOD4CPU"})
    Control<QLabel>(name)->clear();
  Dialog().UpdateProcessorLoad();
  // Each label is the load of its own deck's sound library, as a number with one decimal.
  for (const char* name : {"FMOD1CPU", "FMOD2CPU", "FMOD3CPU", "FMOD4CPU"}) {
    const QString text = Control<QLabel>(name)->text();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+[.,]\\d$")).match(text).hasMatch())
        << name << " " << text.toStdString();
  }
  EXPECT_TRUE(Control<QLabel>("FMOD2CPU")->isEnabled()) << "a right deck of its own";

  // Closing the console takes the dialog away with the settings file it edits.
  window->FormClose();
  EXPECT_FALSE(Dialog().isVisible());
}

}  // namespace
}  // namespace spinwave::test
