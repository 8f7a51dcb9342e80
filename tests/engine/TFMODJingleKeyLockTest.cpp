// Keylock on a deck: the pitch slider and pitch bend change the tempo and leave the key, a
// vinyl stop still brings the key down, and the deck keeps keylock from track to track. The
// deck's mixed sound is taken from a DSP unit, as a plug-in would see it.
#include <vector>

#include "DeckFixture.h"

namespace spinwave::test {
namespace {

class DeckKeyLockTest : public DeckTest {
 protected:
  void SetUp() override {
    DeckTest::SetUp();
    SoundLib* lib = deck_->Library();
    unit_ = lib->DSP_Create(
        [this](void*, void* buffer, int length, void*) -> void* {
          const auto* s = static_cast<const short*>(buffer);
          heard_.insert(heard_.end(), s, s + length * 2);
          return buffer;
        },
        0, nullptr);
    lib->DSP_SetActive(unit_, true);
  }
  void TearDown() override {
    deck_->Library()->DSP_Free(unit_);
    DeckTest::TearDown();
  }
  // The tone's frequency over the next `ms` of the deck.
  double HeardHz(int ms) {
    heard_.clear();
    Run(ms);
    return ZeroCrossingFrequency(heard_, 0);
  }

  SoundDspUnit* unit_ = nullptr;
  std::vector<short> heard_;
};

TEST_F(DeckKeyLockTest, SliderAndBendMoveTheTempoNotTheKey) {
  ASSERT_GT(deck_->OpenFile(Tone("locked", 20000), entry_), 0);
  deck_->SetKeyLock(entry_, true);
  EXPECT_TRUE(deck_->GetKeyLock(entry_));
  controls_->pitchSlider->SetValue(108000);
  ASSERT_TRUE(deck_->Play(entry_));
  FMOD_File* e = deck_->GetFileEntry(entry_);
  SoundLib* lib = deck_->Library();
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 47628);
  Run(200);
  EXPECT_NEAR(HeardHz(1000), 1000.0, 5.0);
  EXPECT_NEAR(e->LastTime, 1296, 25);  // 1.2 s at +8 %
  // A held bend: 1 % more tempo, still the same key.
  deck_->PitchBend(+200, entry_);
  EXPECT_EQ(lib->GetFrequency(e->Channel), 48069);
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 48069);
  const int before = e->LastTime;
  EXPECT_NEAR(HeardHz(1000), 1000.0, 5.0);
  EXPECT_NEAR(e->LastTime - before, 1090, 25);
  deck_->ReleasePitchBend(entry_);
  EXPECT_EQ(lib->GetFrequency(e->Channel), 47628);
  // Off while playing: a record again, 8 % up.
  deck_->SetKeyLock(entry_, false);
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 0);
  Run(100);
  EXPECT_NEAR(HeardHz(1000), 1080.0, 1.0);
}

TEST_F(DeckKeyLockTest, VinylStopLowersTheKeyAndTheNextTrackKeepsKeylock) {
  ASSERT_GT(deck_->OpenFile(Tone("vinyl", 10000), entry_), 0);
  deck_->SetKeyLock(entry_, true);
  controls_->pitchSlider->SetValue(108000);
  ASSERT_TRUE(deck_->Play(entry_));
  FMOD_File* e = deck_->GetFileEntry(entry_);
  SoundLib* lib = deck_->Library();
  Run(500);
  deck_->VinylStop(250, entry_);
  Run(400);  // 40 ticks: 47628 - 10000 Hz
  const double falling = HeardHz(100);
  EXPECT_LT(falling, 860.0);
  EXPECT_GT(falling, 800.0);  // a record braking: about 1 kHz × 36378 / 44100
  const int took = RunUntil([&] { return !e->VinylStopping; }, 5000);
  ASSERT_GE(took, 0);
  EXPECT_TRUE(lib->GetPaused(e->Channel));
  EXPECT_EQ(lib->GetFrequency(e->Channel), 47628);
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 47628) << "the slider's tempo, the file's key";
  controls_->play->OnClick(controls_->play);
  Run(100);
  EXPECT_NEAR(HeardHz(1000), 1000.0, 5.0);

  // The next file on the deck plays keylocked too.
  deck_->CloseFile(entry_);
  ASSERT_GT(deck_->OpenFile(Tone("next", 5000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  e = deck_->GetFileEntry(entry_);
  EXPECT_TRUE(deck_->GetKeyLock(entry_));
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 47628);
  Run(100);
  EXPECT_NEAR(HeardHz(1000), 1000.0, 5.0);
}

}  // namespace
}  // namespace spinwave::test
