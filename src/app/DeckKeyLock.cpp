#include "app/DeckKeyLock.h"

#include "core/SettingsFile.h"

namespace spinwave {

DeckKeyLock::DeckKeyLock(DeckPort& deck1, DeckPort& deck2, std::function<TSettingsFile*()> settings,
                         QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
  decks_[0] = &deck1;
  decks_[1] = &deck2;
}

void DeckKeyLock::Load() {
  TSettingsFile* s = settings_ ? settings_() : nullptr;
  for (int d = 0; d < 2; ++d) {
    on_[d] = s && s->ReadBool("Players", KeyOf(d), false);
    if (decks_[d]) decks_[d]->SetKeyLock(on_[d]);
    emit keyLockChanged(d, on_[d]);
  }
}

bool DeckKeyLock::On(int deck) const { return on_[deck == 1 ? 1 : 0]; }

void DeckKeyLock::Set(int deck, bool on) {
  const int d = deck == 1 ? 1 : 0;
  if (decks_[d]) decks_[d]->SetKeyLock(on);
  if (on_[d] == on) return;
  on_[d] = on;
  if (TSettingsFile* s = settings_ ? settings_() : nullptr) s->WriteBool("Players", KeyOf(d), on);
  emit keyLockChanged(d, on);
}

}  // namespace spinwave
