// Keylock of a deck entry: the tempo follows the pitch slider and pitch bend while the key
// stays. The sound library keeps the key of a "key frequency"; the deck hands it the frequency
// the slider or the bend put into effect, so that only a vinyl stop (which lowers the channel's
// frequency directly, tick by tick) moves the key, as a record's would.
#include "engine/DeckEntry.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {

void TFMODJingle::ApplyKeyLock(FMOD_File* e) {
  if (!e || e->Channel < 0) return;
  SoundLib* lib = LibraryOf(e);
  if (!lib) return;
  lib->SetKeyLock(e->Channel, e->KeyLock ? lib->GetFrequency(e->Channel) : 0);
}

void TFMODJingle::SetKeyLock(int index, bool on) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || e->KeyLock == on) return;
  e->KeyLock = on;
  // During a vinyl stop the key follows the falling record; the key frequency is taken again
  // when the stop restores the slider's pitch.
  if (!e->VinylStopping) ApplyKeyLock(e);
}

bool TFMODJingle::GetKeyLock(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e && e->KeyLock;
}

}  // namespace spinwave
