// The console core's keylock controller of the two main decks.
#include "app/ConsoleCore.h"
#include "app/DeckKeyLock.h"

namespace spinwave {

DeckKeyLock& ConsoleCore::KeyLock() {
  if (!keyLock_) keyLock_ = new DeckKeyLock(Deck(0), Deck(1), [this] { return Settings(); }, this);
  return *keyLock_;
}

void ConsoleCore::StartKeyLock() { KeyLock().Load(); }

}  // namespace spinwave
