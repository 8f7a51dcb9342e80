#include "options/ShortcutKeys.h"

#include <QKeyEvent>

namespace spinwave {

const std::array<ShortcutField, 16>& ShortcutFields() {
  static const std::array<ShortcutField, 16> fields = {{
      {"Edit1", "Play", "Play"},
      {"Edit2", "Stop", "Stop"},
      {"Edit12", "Eject", "Eject song"},
      {"Edit3", "Set", "Set cue"},
      {"Edit4", "Cue", "To cue"},
      {"Edit5", "CueForw", "Cue forward"},
      {"Edit6", "CueBack", "Cue back"},
      {"Edit7", "PitchUp", "Pitch up"},
      {"Edit8", "PitchDown", "Pitch down"},
      {"Edit9", "PitchZero", "Pitch to 0"},
      {"Edit10", "PitchBUp", "Pitch bend up"},
      {"Edit11", "PitchBDown", "Pitch bend down"},
      {"Edit13", "Fade", "Fade"},
      {"Edit14", "Talkover", "Talkover"},
      {"Edit15", "PitchUp1", "Pitch up 1%"},
      {"Edit16", "PitchDown1", "Pitch down 1%"},
  }};
  return fields;
}

namespace {

// Numeric-pad codes of the keys Qt marks with the keypad modifier.
int NumpadCode(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Comma: return 108;  // separator key of some keyboards
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period: return 110;
    case Qt::Key_Slash: return 111;
    default: return 0;  // navigation keys of the pad (Num Lock off) map as themselves
  }
}

struct Named {
  int qtKey;
  int code;
  const char* text;
};

// Keys with a code of their own, and the text the field shows for it.
constexpr Named kNamed[] = {
    {Qt::Key_Backspace, 8, "BkSp"},   {Qt::Key_Tab, 9, "Tab"},
    {Qt::Key_Backtab, 9, "Tab"},      {Qt::Key_Return, 13, "Enter"},
    {Qt::Key_Enter, 13, "Enter"},     {Qt::Key_Shift, 16, "Shift"},
    {Qt::Key_Control, 17, "Ctrl"},    {Qt::Key_Alt, 18, "Alt"},
    {Qt::Key_Pause, 19, "Pause"},     {Qt::Key_CapsLock, 20, "Caps Lock"},
    {Qt::Key_Escape, 27, "Esc"},      {Qt::Key_Space, 32, "Space"},
    {Qt::Key_PageUp, 33, "PgUp"},     {Qt::Key_PageDown, 34, "PgDn"},
    {Qt::Key_End, 35, "End"},         {Qt::Key_Home, 36, "Home"},
    {Qt::Key_Left, 37, "Left"},       {Qt::Key_Up, 38, "Up"},
    {Qt::Key_Right, 39, "Right"},     {Qt::Key_Down, 40, "Down"},
    {Qt::Key_Print, 44, "Print"},     {Qt::Key_Insert, 45, "Ins"},
    {Qt::Key_Delete, 46, "Del"},      {Qt::Key_Meta, 91, "Win"},
    {Qt::Key_Menu, 93, "Menu"},       {Qt::Key_NumLock, 144, "Num Lock"},
    {Qt::Key_ScrollLock, 145, "Scroll Lock"},
    {Qt::Key_Semicolon, 186, ";"},    {Qt::Key_Colon, 186, ";"},
    {Qt::Key_Equal, 187, "="},        {Qt::Key_Plus, 187, "="},
    {Qt::Key_Comma, 188, ","},        {Qt::Key_Less, 188, ","},
    {Qt::Key_Minus, 189, "-"},        {Qt::Key_Underscore, 189, "-"},
    {Qt::Key_Period, 190, "."},       {Qt::Key_Greater, 190, "."},
    {Qt::Key_Slash, 191, "/"},        {Qt::Key_Question, 191, "/"},
    {Qt::Key_QuoteLeft, 192, "`"},    {Qt::Key_AsciiTilde, 192, "`"},
    {Qt::Key_BracketLeft, 219, "["},  {Qt::Key_BraceLeft, 219, "["},
    {Qt::Key_Backslash, 220, "\\"},   {Qt::Key_Bar, 220, "\\"},
    {Qt::Key_BracketRight, 221, "]"}, {Qt::Key_BraceRight, 221, "]"},
    {Qt::Key_Apostrophe, 222, "'"},   {Qt::Key_QuoteDbl, 222, "'"},
};

// Shifted digits of a US keyboard, so Shift+5 ("%") still names the key 5.
int ShiftedDigit(int qtKey) {
  switch (qtKey) {
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    default: return 0;
  }
}

}  // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    if (const int code = NumpadCode(qtKey)) return code;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
  if (const int digit = ShiftedDigit(qtKey)) return digit;
  for (const Named& n : kNamed)
    if (n.qtKey == qtKey) return n.code;
  return 0;
}

int VirtualKeyFromQt(const QKeyEvent& event) {
  return VirtualKeyFromQt(event.key(), event.modifiers());
}

QString TextHotkey(int code) {
  if (code == 0) return QString();  // no key
  if (IsNumpadCode(code)) {
    static const char* const kPad[] = {"*", "+", ",", "-", ".", "/"};
    const QString shown = code <= 105 ? QString(QChar('0' + (code - 96)))
                                      : QString::fromLatin1(kPad[code - 106]);
    return QStringLiteral("numpad ") + shown;
  }
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return QString(QChar(code));
  if (code >= 112 && code <= 135) return QStringLiteral("F%1").arg(code - 111);
  for (const Named& n : kNamed)
    if (n.code == code) return QString::fromLatin1(n.text);
  return QStringLiteral("Key %1").arg(code);
}

}  // namespace spinwave
