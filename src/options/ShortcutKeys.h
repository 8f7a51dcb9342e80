// The sixteen configurable keys: which field of the options dialog edits which key of the
// ShortCuts section, the key codes they hold and the texts the fields show.
//
// Codes are the 16-bit virtual-key numbers the settings file has always stored ("P" = 80,
// numeric pad 6 = 102, F1 = 112 ...), so a settings file keeps its meaning; VirtualKeyFromQt
// turns a Qt key event into that number for the dialog's capture and the console's key handler.
#pragma once

#include <array>

#include <QString>
#include <Qt>

class QKeyEvent;

namespace spinwave {

struct ShortcutField {
  const char* field;  // object name of the dialog's field ("Edit1" ...)
  const char* key;    // settings key under ShortCuts ("Play" ...)
  const char* label;  // caption beside the field
};

// The fields in their tab order: the n-th field a user tabs to stores the n-th key.
const std::array<ShortcutField, 16>& ShortcutFields();

// Highest code of the keys a shortcut field refuses (digits, space, control and editing keys):
// the digits fire jingles and the others move around the console.
inline constexpr int kLastRefusedShortcutCode = 57;

// Virtual-key number of a Qt key (0 when the key has none). Keys of the numeric pad
// (Qt::KeypadModifier) give the numeric-pad numbers 96..111.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
int VirtualKeyFromQt(const QKeyEvent& event);

// True for the numeric-pad numbers 96..111.
inline bool IsNumpadCode(int code) { return code >= 96 && code <= 111; }

// What a shortcut field shows for a code: letters and digits as themselves, "F1" ... for the
// function keys, names for the others; numeric-pad keys with the prefix "numpad " ("numpad 6",
// "numpad +"). Code 0 (no key) shows nothing; an unknown code shows "Key " and its number.
QString TextHotkey(int code);

}  // namespace spinwave
