// The options dialog over a private settings file and program folder: a few language files,
// skins, keyboard layouts and both encoder plug-ins to choose from, and a deck component on the
// non-real-time output so that the device lists exist.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/SettingsFile.h"
#include "engine/TFMODJingle.h"
#include "options/OptionsStore.h"
#include "options/TOptions.h"

class QCheckBox;
class QComboBox;

namespace spinwave::test {

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh store and dialog over the settings file (ResetClick not run yet).
  TOptions& MakeDialog();
  // The settings file's text.
  std::string SettingsText() const;
  void WriteSettings(const std::string& text) const;

  // A control's value as the store writes it ("0"/"1", a number, the text). Shortcut keys
  // read their field's code; "Font" reads EMFont.
  std::string ControlValue(const std::string& key) const;
  // Sets a control as a user would (clicking a box runs its handlers).
  void SetControl(const std::string& key, const std::string& value);

  QCheckBox* Box(const char* key) const;
  QComboBox* Combo(const char* key) const;

  TempFolder temp_;
  std::string settingsPath_;
  std::unique_ptr<TSettingsFile> settings_;
  std::unique_ptr<OptionsStore> store_;
  std::unique_ptr<TOptions> dialog_;
  std::unique_ptr<TFMODJingle> left_;
};

}  // namespace spinwave::test
