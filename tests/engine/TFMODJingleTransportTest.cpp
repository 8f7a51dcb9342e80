// Play, pause, stop, the end of a file, and the lamps of the play and stop buttons.
#include "DeckFixture.h"

namespace spinwave::test {
namespace {

using DeckTransportTest = DeckTest;

TEST_F(DeckTransportTest, LampsFollowTheState) {
  const struct {
    TFileState state;
    bool playLit;
  } cases[] = {{fsPlaying, true},  {fsStopped, false}, {fsPaused, true},   {fsEnded, false},
               {fsSearching, true}, {fsFading, true},  {fsCueStop, false}, {fsOpened, false},
               {fsOpening, true},  {fsOpenFailed, true}};
  FMOD_File* e = deck_->GetFileEntry(entry_);
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    deck_->SetFileState(c.state, e);
    EXPECT_EQ(controls_->play->ButtonOn(), c.playLit);
    EXPECT_EQ(controls_->stop->ButtonOn(), !c.playLit);
  }
}

TEST_F(DeckTransportTest, SameStateTwiceNotifiesOnce) {
  FMOD_File* e = deck_->GetFileEntry(entry_);
  deck_->SetFileState(fsPaused, e);
  deck_->SetFileState(fsPaused, e);
  deck_->SetFileState(fsPlaying, e);
  ASSERT_EQ(CountEvents("state"), 2);
  EXPECT_EQ(events_[0].a, fsPaused);
  EXPECT_EQ(events_[0].index, entry_);
  EXPECT_EQ(events_[1].a, fsPlaying);
}

TEST_F(DeckTransportTest, PlayWithoutFileFailsAndKeepsState) {
  EXPECT_FALSE(deck_->Play(entry_));
  EXPECT_EQ(deck_->GetFileState(entry_), fsStopped);
  EXPECT_FALSE(deck_->Play(entry_ + 50));
  deck_->Pause(entry_);
  deck_->Stop(entry_);
  EXPECT_EQ(CountEvents("state"), 0);
}

TEST_F(DeckTransportTest, PlayFollowsStreamTimeAndPauseTwiceResumesOnSameChannel) {
  ASSERT_GT(deck_->OpenFile(Tone("p", 5000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  EXPECT_TRUE(controls_->play->ButtonOn());
  EXPECT_FALSE(controls_->stop->ButtonOn());
  Run(1000);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_NEAR(e->LastTime, 1000, 10);
  EXPECT_GT(controls_->vuLeft->Position(), 30);  // a tone at half scale
  const int channel = e->Channel;

  deck_->Pause(entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPaused);
  const int pausedAt = e->LastTime;
  Run(300);
  EXPECT_EQ(e->LastTime, pausedAt);
  EXPECT_EQ(controls_->vuLeft->Position(), 0);
  deck_->Pause(entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  EXPECT_EQ(e->Channel, channel);
  Run(200);
  EXPECT_NEAR(e->LastTime, pausedAt + 200, 10);
}

TEST_F(DeckTransportTest, StopRewindsAndZeroesDisplays) {
  ASSERT_GT(deck_->OpenFile(Tone("s", 4000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(700);
  deck_->Stop(entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsStopped);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_EQ(e->LastTime, 0);
  EXPECT_EQ(controls_->vuLeft->Position(), 0);
  EXPECT_EQ(controls_->vuRight->Position(), 0);
  EXPECT_EQ(controls_->seconds->Value(), QStringLiteral("4"));  // counting down from 0:04
  EXPECT_FALSE(controls_->play->ButtonOn());
  // Play starts again from the start.
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  EXPECT_NEAR(e->LastTime, 100, 10);
}

TEST_F(DeckTransportTest, EndOfFileEndsTheEntry) {
  ASSERT_GT(deck_->OpenFile(Tone("end", 400), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  const int took = RunUntil([&] { return deck_->GetFileState(entry_) == fsEnded; }, 2000);
  ASSERT_GE(took, 400);
  EXPECT_LE(took, 450);
  EXPECT_FALSE(controls_->play->ButtonOn());
  EXPECT_TRUE(controls_->stop->ButtonOn());
  EXPECT_EQ(events_.back().kind, "state");
  EXPECT_EQ(events_.back().a, fsEnded);
  // The ended entry can be played again from the start.
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
}

TEST_F(DeckTransportTest, PlayAndStopButtonsDriveTheDeck) {
  ASSERT_GT(deck_->OpenFile(Tone("b", 4000), entry_), 0);
  controls_->play->OnClick(controls_->play);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  Run(500);
  controls_->play->OnClick(controls_->play);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPaused);
  controls_->play->OnClick(controls_->play);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  // Stop click: paused at the cue point (0), the play lamp out.
  Run(300);
  controls_->stop->OnClick(controls_->stop);
  EXPECT_EQ(deck_->GetFileState(entry_), fsCueStop);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_EQ(e->LastTime, 0);
  Run(200);
  EXPECT_EQ(e->LastTime, 0);
  EXPECT_EQ(deck_->GetFileState(entry_), fsCueStop);
  // Play from the cue stop resumes from the cue point.
  controls_->play->OnClick(controls_->play);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  Run(100);
  EXPECT_NEAR(e->LastTime, 100, 10);
}

TEST_F(DeckTransportTest, StateChangesAbortAFade) {
  ASSERT_GT(deck_->OpenFile(Tone("f", 4000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  deck_->Fade(entry_);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_TRUE(e->FadingOut);
  deck_->Pause(entry_);
  EXPECT_FALSE(e->FadingOut);
  EXPECT_FALSE(e->FadingIn);
}

TEST_F(DeckTransportTest, SpeakersChooseThePanAndTheMeters) {
  // A tone four times louder on the left than on the right.
  ToneSpec spec;
  spec.durationMs = 3000;
  spec.amplitude = 0.6;
  spec.rightGain = 0.25;
  const std::string file = temp_.File("sides.wav");
  ASSERT_TRUE(WriteTone(file, AudioFormat::Wav, spec));
  const struct {
    TOutputType speakers;
    int pan;
  } cases[] = {{STEREO, kStereoPan}, {MONO_LEFT, 0}, {MONO_RIGHT, 255}};
  SoundLib* lib = deck_->Library();
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.speakers));
    deck_->SetSpeakers(c.speakers);
    ASSERT_GT(deck_->OpenFile(file, entry_), 0);
    ASSERT_TRUE(deck_->Play(entry_));
    Run(300);
    FMOD_File* e = deck_->GetFileEntry(entry_);
    EXPECT_EQ(lib->GetPan(e->Channel), c.pan);
    const int left = controls_->vuLeft->Position();
    const int right = controls_->vuRight->Position();
    if (c.speakers == STEREO) {
      EXPECT_NEAR(left, 60, 3);
      EXPECT_NEAR(right, 15, 3);
    } else {
      // One side carries the mono mix, scaled by 141 for one speaker; both meters show it.
      EXPECT_GT(left, 20);
      EXPECT_EQ(left, right);
    }
  }
  // A loud mono level (0.9 × 141) is more than the meter's scale: it shows full scale instead
  // of leaving the meter where it was.
  spec.amplitude = 0.9;
  spec.rightGain = 1.0;
  ASSERT_TRUE(WriteTone(file, AudioFormat::Wav, spec));
  deck_->SetSpeakers(MONO_LEFT);
  ASSERT_GT(deck_->OpenFile(file, entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(300);
  EXPECT_EQ(controls_->vuLeft->Position(), 100);
  EXPECT_EQ(controls_->vuRight->Position(), 100);
}

}  // namespace
}  // namespace spinwave::test
