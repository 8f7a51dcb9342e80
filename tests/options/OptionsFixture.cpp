#include "OptionsFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>

#include "core/AsciiText.h"
#include "core/Paths.h"
#include "options/ShortcutEdit.h"
#include "options/ShortcutKeys.h"

namespace spinwave::test {

void OptionsTest::SetUp() {
  const std::string home = ProgramFolder();
  for (const char* sub : {"lists", "data", "skins", "plugins"})
    QDir(QString::fromStdString(home + sub)).removeRecursively();
  for (const char* sub : {"skins/Silver", "skins/Dark Steel", "skins/.hidden", "plugins", "data"})
    MakeFolders(home + sub);
  for (const char* file : {"English.lng", "Nederlands.lng", "Deutsch.lng", "qwerty uk.kbl",
                           "azerty.kbl", "plugins/dsp_sc.so", "plugins/dsp_encoders.so"})
    WriteFile(home + file, "");
  settingsPath_ = temp_.File("spinwave2.ini");
  settings_ = std::make_unique<TSettingsFile>(settingsPath_);
  TFMODJingle::SetClockManual(true);
  left_ = std::make_unique<TFMODJingle>(QStringLiteral("Player1"));
  left_->Init("fmod.dll");
  left_->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  left_->SetMaxChannels(4);
  left_->SetOutput();
}

void OptionsTest::TearDown() {
  dialog_.reset();
  store_.reset();
  left_.reset();
}

TOptions& OptionsTest::MakeDialog() {
  dialog_.reset();
  store_ = std::make_unique<OptionsStore>();
  dialog_ = std::make_unique<TOptions>(*store_, *settings_);
  return *dialog_;
}

std::string OptionsTest::SettingsText() const { return ReadFile(settingsPath_); }

void OptionsTest::WriteSettings(const std::string& text) const { WriteFile(settingsPath_, text); }

QCheckBox* OptionsTest::Box(const char* key) const {
  return dialog_->findChild<QCheckBox*>(QString::fromLatin1(key));
}

QComboBox* OptionsTest::Combo(const char* key) const {
  return dialog_->findChild<QComboBox*>(QString::fromLatin1(key));
}

namespace {

int ShortcutIndex(const std::string& key) {
  const auto& fields = ShortcutFields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (EqualsNoCase(fields[i].key, key)) return int(i);
  return -1;
}

bool IsDriver(const std::string& key) {
  return key.rfind("Driver", 0) == 0 || key == "RecordDriver";
}

}  // namespace

std::string OptionsTest::ControlValue(const std::string& key) const {
  if (const int i = ShortcutIndex(key); i >= 0) return std::to_string(dialog_->ShortcutCode(i));
  const QString name = QString::fromStdString(key == "Font" ? "EMFont" : key);
  QWidget* control = dialog_->findChild<QWidget*>(name);
  const OptionKey* k = FindOptionKey(key);
  if (auto* box = qobject_cast<QCheckBox*>(control)) return box->isChecked() ? "1" : "0";
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    if (IsDriver(key)) return std::to_string(list->currentData().toInt());
    if (k && k->type == OptionType::Int) return std::to_string(list->currentIndex());
    return list->currentText().toStdString();
  }
  if (auto* bar = qobject_cast<QSlider*>(control)) return std::to_string(bar->value());
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text().toStdString();
  ADD_FAILURE() << "no control for " << key;
  return {};
}

void OptionsTest::SetControl(const std::string& key, const std::string& value) {
  if (const int i = ShortcutIndex(key); i >= 0) {
    auto* field = dialog_->findChild<ShortcutEdit*>(QString::fromLatin1(ShortcutFields()[size_t(i)].field));
    ASSERT_NE(field, nullptr);
    field->KeyUp(std::stoi(value));
    return;
  }
  const QString name = QString::fromStdString(key == "Font" ? "EMFont" : key);
  QWidget* control = dialog_->findChild<QWidget*>(name);
  const OptionKey* k = FindOptionKey(key);
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    const bool want = value == "1";
    if (box->isChecked() == want) return;
    // A click where the user could click (it runs the box's handlers); a grey box is set.
    if (box->isEnabled()) {
      box->click();
    } else {
      box->setChecked(want);
    }
  } else if (auto* list = qobject_cast<QComboBox*>(control)) {
    int at;
    if (IsDriver(key)) {
      at = list->findData(std::stoi(value));
    } else if (k && k->type == OptionType::Int) {
      at = std::stoi(value);
    } else {
      at = list->findText(QString::fromStdString(value));
    }
    ASSERT_TRUE(at >= 0 && at < list->count()) << key << " has no entry " << value;
    list->setCurrentIndex(at);
  } else if (auto* bar = qobject_cast<QSlider*>(control)) {
    bar->setValue(std::stoi(value));
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(QString::fromStdString(value));
  } else {
    ADD_FAILURE() << "no control for " << key;
  }
}

}  // namespace spinwave::test
