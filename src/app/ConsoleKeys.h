// ConsoleKeys: the console played from the keyboard.
//
// The function keys move the keyboard focus and switch the automix functions (F1/F2 give deck
// 1 or 2 the keyboard, F3 the playlist, F4 the library, F5 the jingle window, F6 Break, F7
// AutoMix, F8 Shuffle, F9 the crossfader, F11/F12 clear the "V"/"X" marks); the digits fire
// jingles (unless the library's filter field has the focus: there they type). The sixteen
// configured keys of the ShortCuts options, and comma and period for the previous and next
// track, act on deck 1 with Ctrl or while deck 1 holds the keyboard and Alt is not held, on
// deck 2 with Alt or while deck 2 holds the keyboard and Ctrl is not held (both, deck 1 first,
// when both hold). Releasing a pitch-bend key ends the bend on both decks.
//
// Keys are virtual-key codes (VirtualKeyFromQt): F1 = 112, "0" = 48, "P" = 80, comma = 188.
// The window previews every key of its own windows and hands it here; a key that acted is not
// passed on to the control with the focus.
#pragma once

#include <functional>

#include <QObject>
#include <Qt>

namespace spinwave {

class ConsoleCore;
class DeckPort;

class ConsoleKeys : public QObject {
  Q_OBJECT
 public:
  // What a deck key does; the order is the order keys are compared in.
  enum Function {
    kPlay, kStop, kEject, kSet, kCue, kCueForw, kCueBack, kPitchUp, kPitchDown, kPitchZero,
    kPitchBUp, kPitchBDown, kPitchUp1, kPitchDown1, kFade, kTalkover, kTrackBack, kTrackForw,
    kFunctionCount
  };
  static constexpr int kCommaKey = 188;
  static constexpr int kPeriodKey = 190;
  static constexpr int kF1 = 112;

  explicit ConsoleKeys(ConsoleCore& core, QObject* parent = nullptr);

  // What a deck's stop button does (the stop key and the media-player Stop): a playing deck
  // pauses and goes back to its cue point; otherwise nothing.
  static void StopDeck(DeckPort& deck);

  // A key went down with `modifiers` (Ctrl and Alt count). True when it acted.
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  // A key came up.
  void FormKeyUp(int key);

  // The deck focus lamps (Active1, Active2): at most one is lit.
  bool Active(int deck) const { return (deck == 0 || deck == 1) && active_[deck]; }
  void SetActive(int deck);
  // Both lamps out (the playlist, the library or its search took the keyboard).
  void RemoveFocus();

  // The configured code of a deck key (ShortCuts options; comma and period are fixed); 0 none.
  int Code(Function f) const;
  // Whether a deck's button of that function is drawn pressed (from key down to key up).
  bool Pressed(Function f, int deck) const;

  // The window's side; each may be empty (a console without a window).
  std::function<void(int deck)> FocusDeck;      // F1/F2: the deck's position slider
  std::function<void()> FocusPlaylist;          // F3
  std::function<void()> FocusLibrary;           // F4: the library grid, else the file list
  std::function<void()> ToggleJingles;          // F5 (only while the jingle bank is on)
  std::function<void()> Shuffle;                // F8 (default: the playlist's shuffle)
  std::function<void()> Talkover;               // the talkover button (default: the ramp)
  std::function<bool()> FilterFieldHasFocus;    // digits type there
  // A digit key: fires the jingle shortcut (default: the jingle bank's JingleSCClick); false
  // when the digit is text where it was typed (an editor has the focus) and goes on there.
  std::function<bool(int key)> JingleKey;

 signals:
  void activeChanged(int deck, bool lit);
  // A deck's button of `function` is drawn pressed (true) or normal again (false).
  void buttonDrawn(int function, int deck, bool down);

 private:
  bool DeckKey(int deck, int key);
  void Act(Function f, int deck);
  void Draw(Function f, int deck, bool down);

  ConsoleCore& core_;
  bool active_[2] = {false, false};
  bool pressed_[kFunctionCount][2] = {};
};

}  // namespace spinwave
