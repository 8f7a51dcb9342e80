// Keylock of the two main decks as the console keeps it: a "KEY" button per deck turns it on
// and off, and the state of each deck is kept in the settings ("KeyLock1" and "KeyLock2" in the
// "Players" section) and applied again at the next start.
#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

#include "engine/DeckPort.h"

class TSettingsFile;

namespace spinwave {

class DeckKeyLock : public QObject {
  Q_OBJECT
 public:
  // `settings` gives the settings file to write to (null once the console has closed it).
  DeckKeyLock(DeckPort& deck1, DeckPort& deck2, std::function<TSettingsFile*()> settings,
              QObject* parent = nullptr);

  // Reads both decks' keylock from the settings and applies it (emits keyLockChanged for each).
  void Load();
  bool On(int deck) const;  // deck 0 or 1
  // Applies and keeps the state; emits keyLockChanged when it changed.
  void Set(int deck, bool on);
  void Toggle(int deck) { Set(deck, !On(deck)); }

  static const char* KeyOf(int deck) { return deck == 1 ? "KeyLock2" : "KeyLock1"; }

 signals:
  void keyLockChanged(int deck, bool on);

 private:
  QPointer<DeckPort> decks_[2];
  bool on_[2] = {false, false};
  std::function<TSettingsFile*()> settings_;
};

}  // namespace spinwave
