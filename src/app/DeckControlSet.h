// The controls of one deck that the deck engine binds to its entry (AddFileEntry). Any of them
// may be null: the console core registers entries without a window, and the pre-listen deck
// binds only its play and stop buttons and its position slider.
#pragma once

#include <QLabel>

#include "engine/TFMODJingle.h"

namespace spinwave {

struct DeckControlSet {
  TRLed* vuLeft = nullptr;
  TRLed* vuRight = nullptr;
  TRLed* position = nullptr;
  TEMLCD* minutes = nullptr;
  TEMLCD* seconds = nullptr;
  TEMLCD* fractions = nullptr;
  TEMSlider* positionSlider = nullptr;
  TEMSlider* pitchSlider = nullptr;
  TEMSlider* volumeSlider = nullptr;
  TEMButton* play = nullptr;
  TEMButton* stop = nullptr;
  TEMButton* setCue = nullptr;
  TEMButton* toCue = nullptr;
  TEMButton* searchBack = nullptr;
  TEMButton* searchForw = nullptr;
  TEMButton* fade = nullptr;
  TEMButton* pitchUp = nullptr;
  TEMButton* pitchDown = nullptr;
  QLabel* pitchLabel = nullptr;
  QLabel* introLabel = nullptr;

  // A new entry of `engine` bound to these controls; its index in the entry table.
  int AddTo(TFMODJingle& engine) const {
    return engine.AddFileEntry(vuLeft, vuRight, position, minutes, seconds, fractions,
                               positionSlider, pitchSlider, volumeSlider, play, stop, setCue,
                               toCue, searchBack, searchForw, fade, pitchUp, pitchDown,
                               pitchLabel, introLabel);
  }
};

}  // namespace spinwave
