// The decks' "KEY" buttons and the console's keylock controller.
#include "app/ConsoleCore.h"
#include "app/DeckKeyLock.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"

using spinwave::DeckKeyLock;
using spinwave::PlayersPanel;

void TSpinwaveMain::ConnectKeyLock() {
  DeckKeyLock& keyLock = core_.KeyLock();
  connect(players_, &PlayersPanel::keyLockClicked, &keyLock, &DeckKeyLock::Toggle);
  connect(&keyLock, &DeckKeyLock::keyLockChanged, players_, &PlayersPanel::ShowKeyLock);
  for (int d = 0; d < 2; ++d) players_->ShowKeyLock(d, keyLock.On(d));
}
