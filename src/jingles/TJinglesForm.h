// The jingle window ("Jingles", always on top): ten slots, each a row of display controls on a
// picture panel (description, level meters, position bar, minutes and seconds displays, volume
// slider, play and stop buttons), the list of DJ jingle lists and "Load DJ Jingles". The logic
// is JingleBank's; the window shows it and forwards the user's clicks.
//
// Controls carry the names the skins and the console use: Jingle1, Label1, VU1L, VU1R,
// Position1, Time1m, Time1s, Volume1, Play1, Stop1 ... up to 10; DJJinglesList, LoadDJJingles.
#pragma once

#include <array>

#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "controls/TEMButton.h"
#include "controls/TEMLCD.h"
#include "controls/TEMSlider.h"
#include "controls/TImagePanel.h"
#include "controls/TRLed.h"

class QLabel;

namespace spinwave {

class JingleBank;
class TFMODJingle;

struct JingleSlotControls {
  TImagePanel* panel = nullptr;
  QLabel* label = nullptr;
  TRLed* vuLeft = nullptr;
  TRLed* vuRight = nullptr;
  TRLed* position = nullptr;
  TEMLCD* minutes = nullptr;
  TEMLCD* seconds = nullptr;
  TEMSlider* volume = nullptr;
  TEMButton* play = nullptr;
  TEMButton* stop = nullptr;
};

class TJinglesForm : public QWidget {
  Q_OBJECT
 public:
  explicit TJinglesForm(JingleBank& bank, QWidget* parent = nullptr);

  // Adds one entry per slot to `player`, binding the slot's meters, position bar, displays,
  // volume slider and buttons, and hands the indices to the bank. The console calls it once,
  // right after the two main decks' entries.
  void CreatPlayers(TFMODJingle& player);
  // Refills DJJinglesList from the lists folder.
  void GetLists();
  // Loads the selected list into the slots ("Choose a DJ Jingle List first" without one).
  void LoadDJJinglesClick();
  // Shows the window when hidden, hides it when shown (nothing while the bank is disabled).
  void JinglesClick();
  // Fires a slot from a digit key.
  void JingleSCClick(int key);

  // Slot 1's panel picture, cut under Volume1, becomes Volume1's ruler; then slot 1's pictures
  // (panel, volume slider, play and stop glyphs) are copied to slots 2 to 10, so a skin only
  // styles slot 1. Runs at creation; a skin calls it again after styling slot 1.
  void CopySlotPictures();

  const JingleSlotControls& Slot(int slot) const { return slots_[size_t(slot - 1)]; }
  QListWidget* ListBox() const { return lists_; }

 signals:
  // Keys pressed in the window, for the console's key handler (digits fire jingles there).
  void KeyPressed(QKeyEvent* event);
  void KeyReleased(QKeyEvent* event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildSlot(int slot);
  void WatchKeys(QWidget* widget);

  JingleBank& bank_;
  std::array<JingleSlotControls, 10> slots_;
  QListWidget* lists_ = nullptr;
  QPushButton* load_ = nullptr;
  // The key event last seen by the filter, its type and receiver (to tell propagation apart).
  const QEvent* lastKey_ = nullptr;
  QEvent::Type lastKeyType_ = QEvent::None;
  QPointer<QObject> lastReceiver_;
};

}  // namespace spinwave
