// A deck component on the non-realtime output with a full set of bound controls, driven by
// hand: Run(ms) mixes 10 ms at a time and calls the clock tick after each block, so every
// timing rule is checked exactly and without waiting.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "common/TestSupport.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave::test {

// One deck's controls, as the console lays them out.
struct DeckControls {
  explicit DeckControls(QWidget* parent);
  TRLed* vuLeft;
  TRLed* vuRight;
  TRLed* position;
  TEMLCD* minutes;
  TEMLCD* seconds;
  TEMLCD* fractions;
  TEMSlider* positionSlider;
  TEMSlider* pitchSlider;
  TEMSlider* volumeSlider;
  TEMButton* play;
  TEMButton* stop;
  TEMButton* setCue;
  TEMButton* toCue;
  TEMButton* searchBack;
  TEMButton* searchForw;
  TEMButton* fade;
  TEMButton* pitchUp;
  TEMButton* pitchDown;
  QLabel* pitchLabel;
  QLabel* introLabel;

  // AddFileEntry with every control bound.
  int AddTo(TFMODJingle& deck);
};

// A recorded event.
struct DeckEvent {
  std::string kind;  // "state", "opened", "position", "time"
  int a = 0, b = 0, c = 0, d = 0;
  int index = 0;
};

class DeckTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh component on the non-realtime output.
  std::unique_ptr<TFMODJingle> MakeDeck(const QString& name, const std::string& library);
  // Records every event of `deck` into events_.
  void Record(TFMODJingle& deck);

  // Writes a 44.1 kHz stereo tone file of `ms` milliseconds.
  std::string Tone(const std::string& name, int ms, AudioFormat format = AudioFormat::Wav);

  // Mixes `ms` milliseconds in 10 ms blocks on `deck`'s library with a clock tick after each.
  void Run(int ms, TFMODJingle* deck = nullptr);
  // Runs until `done` holds, at most `limitMs`; returns the milliseconds it took (-1 if never).
  template <class Pred>
  int RunUntil(Pred done, int limitMs, TFMODJingle* deck = nullptr) {
    for (int t = 0; t <= limitMs; t += 10) {
      if (done()) return t;
      Run(10, deck);
    }
    return -1;
  }
  // Waits for a background open to finish on the decoder thread, ticking the clock.
  bool TickUntilOpened(int index, int limitMs = 10000);

  int CountEvents(const std::string& kind) const;

  TempFolder temp_;
  std::unique_ptr<QWidget> form_;
  std::unique_ptr<TFMODJingle> deck_;
  std::unique_ptr<DeckControls> controls_;
  int entry_ = -1;
  std::vector<DeckEvent> events_;
};

}  // namespace spinwave::test
