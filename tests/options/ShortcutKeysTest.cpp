#include "options/ShortcutKeys.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace spinwave {
namespace {

TEST(ShortcutKeys, QtKeysGiveTheStoredKeyCodesAndTheirTexts) {
  struct Case {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {Qt::Key_P, Qt::NoModifier, 80, "P"},
      {Qt::Key_P, Qt::ShiftModifier, 80, "P"},
      {Qt::Key_5, Qt::NoModifier, 53, "5"},
      {Qt::Key_Percent, Qt::ShiftModifier, 53, "5"},  // shift+5 is still the key 5
      {Qt::Key_0, Qt::KeypadModifier, 96, "numpad 0"},
      {Qt::Key_6, Qt::KeypadModifier, 102, "numpad 6"},
      {Qt::Key_Asterisk, Qt::KeypadModifier, 106, "numpad *"},
      {Qt::Key_Plus, Qt::KeypadModifier, 107, "numpad +"},
      {Qt::Key_Minus, Qt::KeypadModifier, 109, "numpad -"},
      {Qt::Key_Period, Qt::KeypadModifier, 110, "numpad ."},
      {Qt::Key_Slash, Qt::KeypadModifier, 111, "numpad /"},
      {Qt::Key_Enter, Qt::KeypadModifier, 13, "Enter"},
      {Qt::Key_Home, Qt::KeypadModifier, 36, "Home"},  // Num Lock off: the pad's own keys
      {Qt::Key_F1, Qt::NoModifier, 112, "F1"},
      {Qt::Key_F12, Qt::NoModifier, 123, "F12"},
      {Qt::Key_Comma, Qt::NoModifier, 188, ","},
      {Qt::Key_Period, Qt::NoModifier, 190, "."},
      {Qt::Key_Minus, Qt::NoModifier, 189, "-"},
      {Qt::Key_Space, Qt::NoModifier, 32, "Space"},
      {Qt::Key_Delete, Qt::NoModifier, 46, "Del"},
      {Qt::Key_unknown, Qt::NoModifier, 0, ""},
  };
  for (const Case& c : cases) {
    const int code = VirtualKeyFromQt(c.qtKey, c.modifiers);
    EXPECT_EQ(code, c.code) << c.text;
    EXPECT_EQ(TextHotkey(code).toStdString(), c.text) << c.code;
  }
  EXPECT_EQ(TextHotkey(250).toStdString(), "Key 250");
}

TEST(ShortcutKeys, FieldsInTabOrderCoverEveryShortcutKeyOnce) {
  const auto& fields = ShortcutFields();
  const char* expected[] = {"Edit1",  "Edit2",  "Edit12", "Edit3",  "Edit4",  "Edit5",
                            "Edit6",  "Edit7",  "Edit8",  "Edit9",  "Edit10", "Edit11",
                            "Edit13", "Edit14", "Edit15", "Edit16"};
  std::set<std::string> keys;
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_STREQ(fields[i].field, expected[i]);
    keys.insert(fields[i].key);
  }
  EXPECT_EQ(keys.size(), 16u);
  EXPECT_STREQ(fields[2].key, "Eject");
  EXPECT_STREQ(fields[14].key, "PitchUp1");
}

}  // namespace
}  // namespace spinwave
