// The console's jingle set-up on the real deck engine, driven by hand: a main-deck component
// with the two deck entries first, then the jingle component with the window's ten slots, on
// the non-real-time output so that every test is exact and needs no sound card.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "common/TestSupport.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/TJinglesForm.h"

namespace spinwave::test {

struct JingleRow {
  std::string file;
  std::string description;
  std::string shortcut;
};

// Writes a jingle table file with these rows.
void WriteJingleList(const std::string& path, const std::vector<JingleRow>& rows);

class JingleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static std::unique_ptr<TFMODJingle> MakeDeck(const char* name, const char* library,
                                               int channels);
  // A 44.1 kHz stereo WAV tone of `ms` in the test's folder.
  std::string Tone(const std::string& name, int ms);
  // Mixes `ms` in 10 ms blocks on both components, with a clock tick after each block.
  void Run(int ms);

  TFMODJingle& Jingles() { return *jingles_; }
  int Entry(int slot) const { return bank_->SlotEntry(slot); }
  TFileState State(int slot) const { return jingles_->GetFileState(Entry(slot)); }

  TempFolder temp_;
  std::unique_ptr<TFMODJingle> decks_;
  std::unique_ptr<TFMODJingle> jingles_;
  std::unique_ptr<JingleBank> bank_;
  std::unique_ptr<TJinglesForm> form_;
  int deck1_ = -1, deck2_ = -1;
};

}  // namespace spinwave::test
