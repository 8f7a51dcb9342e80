// State shared by every deck component of the process: the entry table, the deck clock and the
// device lists. Created by the first component, freed by the last.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QTimer>

#include "engine/DeckEntry.h"

namespace spinwave {

struct DeckShared {
  int components = 0;
  // Entry table: an entry's index never changes; a freed slot stays empty.
  std::vector<std::unique_ptr<FMOD_File>> entries;
  // The one 10 ms deck clock; enabled by Play and by a background open.
  QTimer clock;
  bool clockEnabled = false;
  bool clockBusy = false;
  // Device lists, filled once by the first library that loads.
  bool devicesListed = false;
  std::vector<std::string> winmmOutputs, directSoundOutputs, asioOutputs, directSoundInputs;

  // Starts the clock (unless it is driven by hand); it is never stopped again while any
  // component lives.
  void EnableClock();

  // Clock driven by hand (tests, tools): the timer never runs by itself. Survives the shared
  // state.
  static bool& ManualClock();

  // The shared state while at least one component lives; null otherwise.
  static DeckShared* Get();
  // Called by every component's constructor and destructor.
  static DeckShared& Acquire();
  static void Release();
};

}  // namespace spinwave
