// Volume and crossfader, pitch and pitch bend, cue point and frame search, fades, vinyl stop.
#include <QLocale>
#include <QTest>

#include "DeckFixture.h"

namespace spinwave::test {
namespace {

using DeckPitchTest = DeckTest;

TEST_F(DeckPitchTest, CrossfaderGains) {
  ASSERT_GT(deck_->OpenFile(Tone("x", 3000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  SoundLib* lib = deck_->Library();
  FMOD_File* e = deck_->GetFileEntry(entry_);
  const struct {
    int percent;
    float gain;
    int volume;  // at volume slider 255
  } cases[] = {{168, 1.0f, 255}, {84, 0.84f, 214}, {100, 1.0f, 255},
               {-5, 0.0f, 0},    {68, 0.68f, 173}, {50, 0.5f, 127}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.percent);
    deck_->SetCrossFader(c.percent, entry_);
    EXPECT_FLOAT_EQ(e->Gain, c.gain);
    EXPECT_EQ(lib->GetVolume(e->Channel), c.volume);
  }
  // The volume slider is applied through the gain.
  deck_->SetCrossFader(84, entry_);
  controls_->volumeSlider->SetValue(100);
  EXPECT_EQ(lib->GetVolume(e->Channel), 84);
}

TEST_F(DeckPitchTest, PitchSetsRateTimeScaleAndLabel) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  ASSERT_GT(deck_->OpenFile(Tone("p", 5000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  SoundLib* lib = deck_->Library();
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_EQ(controls_->pitchLabel->text(), QStringLiteral("0,000"));
  const struct {
    int slider;
    int hz;
    const char* label;
  } cases[] = {{108000, 47628, "8,000"},
               {92000, 40572, "-8,000"},
               {100500, 44320, "0,500"},
               {100000, 44100, "0,000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slider);
    controls_->pitchSlider->SetValue(c.slider);
    EXPECT_EQ(lib->GetFrequency(e->Channel), c.hz);
    EXPECT_FLOAT_EQ(e->TimeScale, 44100.0f / static_cast<float>(c.hz));
    EXPECT_EQ(controls_->pitchLabel->text(), QString::fromLatin1(c.label));
  }
  QLocale::setDefault(QLocale::c());
  deck_->SetFrequency(97250.0f, entry_);
  EXPECT_EQ(controls_->pitchLabel->text(), QStringLiteral("-2.750"));
}

TEST_F(DeckPitchTest, PlayedFasterTheClockReportsRealTime) {
  ASSERT_GT(deck_->OpenFile(Tone("fast", 10000), entry_), 0);
  controls_->pitchSlider->SetValue(108000);
  ASSERT_TRUE(deck_->Play(entry_));
  int position = -1, range = -1;
  deck_->OnNotifyPosition = [&](FMOD_File*, int p, int r, int) {
    position = p;
    range = r;
  };
  Run(2000);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_NEAR(e->LastTime, 2160, 15);  // stream time runs 8 % fast
  EXPECT_NEAR(position, 2000, 15);     // real time
  EXPECT_EQ(range, static_cast<int>(10000 * (44100.0 / 47628.0)));
}

// Runs a fade out from slider 200 and returns the real milliseconds until fsPaused.
int FadeOutTime(DeckTest& t, TFMODJingle& deck, DeckControls& c, int entry,
                std::vector<int>* volumes) {
  (void)t;
  c.volumeSlider->SetValue(200);
  deck.Fade(entry);
  EXPECT_EQ(deck.GetFileState(entry), fsFading);
  int elapsed = 0;
  while (deck.GetFileState(entry) == fsFading && elapsed < 8000) {
    deck.Library()->WaitForDecoders(5000);
    deck.Library()->Update(10);
    elapsed += 10;
    TFMODJingle::NotifyTimerTime();
    if (volumes) volumes->push_back(c.volumeSlider->Value());
  }
  return elapsed;
}

TEST_F(DeckPitchTest, FadeOutReachesSilenceAndPausesAfterFadeTime) {
  for (int pitch : {100000, 108000, 92000}) {
    SCOPED_TRACE(pitch);
    controls_->pitchSlider->SetValue(pitch);
    controls_->volumeSlider->SetValue(255);
    ASSERT_GT(deck_->OpenFile(Tone("fade", 12000), entry_), 0);
    ASSERT_TRUE(deck_->Play(entry_));
    Run(1000);
    std::vector<int> volumes;
    const int took = FadeOutTime(*this, *deck_, *controls_, entry_, &volumes);
    if (pitch == 100000) {
      EXPECT_EQ(took, 5000);
    } else {
      EXPECT_NEAR(took, 5000, 10);  // whole ticks of real time
    }
    EXPECT_EQ(deck_->GetFileState(entry_), fsPaused);
    EXPECT_EQ(controls_->volumeSlider->Value(), 0);
    FMOD_File* e = deck_->GetFileEntry(entry_);
    EXPECT_EQ(deck_->Library()->GetVolume(e->Channel), 0);
    EXPECT_FALSE(e->FadingOut);
    // The volume fell steadily: one step per 25 ms.
    ASSERT_GE(volumes.size(), 250u);
    EXPECT_NEAR(volumes[249], 100, 2);  // half way
    EXPECT_TRUE(std::is_sorted(volumes.rbegin(), volumes.rend()));
  }
}

TEST_F(DeckPitchTest, FadeInFromPauseAndCancel) {
  ASSERT_GT(deck_->OpenFile(Tone("in", 12000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(500);
  deck_->Pause(entry_);
  deck_->SetFadeTime(2, entry_);
  deck_->Fade(entry_);  // from a paused deck at 255: fades in from 0
  FMOD_File* e = deck_->GetFileEntry(entry_);
  EXPECT_EQ(e->FadeStartVolume, 0);
  EXPECT_TRUE(e->FadingIn);
  EXPECT_EQ(deck_->GetFileState(entry_), fsFading);
  Run(1000);
  // 255 steps in 2000 ms: one step per 2000 div 255 = 7 ms.
  EXPECT_EQ(controls_->volumeSlider->Value(), 1000 / 7);
  const int took = RunUntil([&] { return deck_->GetFileState(entry_) != fsFading; }, 3000);
  EXPECT_EQ(took, 1000);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  EXPECT_EQ(controls_->volumeSlider->Value(), 255);

  // A second fade click during a fade cancels it and keeps the volume.
  controls_->fade->OnClick(controls_->fade);
  Run(1000);
  const int reached = controls_->volumeSlider->Value();
  controls_->fade->OnClick(controls_->fade);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  Run(500);
  EXPECT_EQ(controls_->volumeSlider->Value(), reached);
  EXPECT_LT(reached, 255);
}

TEST_F(DeckPitchTest, FadeOnAnEntryThatDoesNotPlayDoesNothing) {
  ASSERT_GT(deck_->OpenFile(Tone("o", 2000), entry_), 0);
  deck_->Fade(entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsOpened);
  EXPECT_EQ(CountEvents("state"), 1);
}

TEST_F(DeckPitchTest, PitchBendHeldLongStopsFivePercentAwayAndReleasesExactly) {
  form_->show();
  ASSERT_GT(deck_->OpenFile(Tone("bend", 10000), entry_), 0);
  controls_->pitchSlider->SetValue(101000);
  ASSERT_TRUE(deck_->Play(entry_));
  SoundLib* lib = deck_->Library();
  FMOD_File* e = deck_->GetFileEntry(entry_);
  const int normal = lib->GetFrequency(e->Channel);
  struct Case {
    TEMButton* button;
    int first, last;
  } cases[] = {{controls_->pitchUp, 102000, 106000}, {controls_->pitchDown, 100000, 96000}};
  for (const auto& c : cases) {
    QTest::mousePress(c.button, Qt::LeftButton);
    EXPECT_TRUE(e->PitchBendActive);
    EXPECT_EQ(e->PitchBendValue, c.first);  // the first press moves 1 %
    c.button->AdvanceRepeat(10000);         // held for ten seconds
    EXPECT_EQ(e->PitchBendValue, c.last);   // 5 % from the slider, then it stays
    EXPECT_EQ(lib->GetFrequency(e->Channel),
              static_cast<int>(44100.0f * (static_cast<float>(c.last) * 0.001f * 0.01f)));
    QTest::mouseRelease(c.button, Qt::LeftButton);
    EXPECT_FALSE(e->PitchBendActive);
    EXPECT_EQ(lib->GetFrequency(e->Channel), normal);
  }
  // A step that does not divide the distance overshoots by part of the last step.
  deck_->PitchBend(300, entry_);
  for (int i = 0; i < 40; ++i) deck_->PitchBend(300, entry_);
  EXPECT_EQ(e->PitchBendValue, 101000 + 5100);
  deck_->ReleasePitchBend(entry_);
  EXPECT_EQ(lib->GetFrequency(e->Channel), normal);
}

TEST_F(DeckPitchTest, SearchLoopsAroundTheCuePoint) {
  ASSERT_GT(deck_->OpenFile(Tone("search", 10000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(2000);
  deck_->SetCuePoint(entry_);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  const int cue = e->CuePoint;
  EXPECT_NEAR(cue, 2000, 10);
  EXPECT_EQ(controls_->positionSlider->Value(), cue);
  deck_->Pause(entry_);
  controls_->searchForw->OnMousePress(controls_->searchForw);
  EXPECT_EQ(deck_->GetFileState(entry_), fsSearching);
  EXPECT_EQ(e->CuePoint, cue + 10);
  controls_->searchBack->OnMousePress(controls_->searchBack);
  EXPECT_EQ(e->CuePoint, cue + 1);
  EXPECT_EQ(controls_->positionSlider->Value(), cue + 1);
  int highest = 0;
  for (int i = 0; i < 100; ++i) {
    Run(10);
    highest = std::max(highest, e->LastTime);
    // The displays show the cue point while the stream loops over the next 250 ms.
    EXPECT_EQ(events_.back().kind, "time");
  }
  EXPECT_LE(highest, cue + 1 + 250 + 10);
  EXPECT_GE(highest, cue + 1 + 240);
  EXPECT_EQ(deck_->GetFileState(entry_), fsSearching);
  // Pause leaves the search at the cue point.
  deck_->Pause(entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPaused);
  // (the library keeps positions in whole sample frames: 1 ms may be lost)
  EXPECT_NEAR(deck_->Library()->Stream_GetTime(e->Stream), cue + 1, 1);
}

TEST_F(DeckPitchTest, HoldingASearchButtonStepsOncePerRepeat) {
  form_->show();
  ASSERT_GT(deck_->OpenFile(Tone("hold", 10000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(500);
  deck_->SetCuePoint(entry_);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  const int cue = e->CuePoint;
  // Held for one second: presses at 0, 400, 600, 790 and 970 ms.
  QTest::mousePress(controls_->searchForw, Qt::LeftButton);
  controls_->searchForw->AdvanceRepeat(1000);
  QTest::mouseRelease(controls_->searchForw, Qt::LeftButton);
  EXPECT_EQ(e->CuePoint, cue + 5 * 10);
  EXPECT_EQ(deck_->GetFileState(entry_), fsSearching);
  QTest::mousePress(controls_->searchBack, Qt::LeftButton);
  controls_->searchBack->AdvanceRepeat(500);  // 0 and 400 ms
  QTest::mouseRelease(controls_->searchBack, Qt::LeftButton);
  EXPECT_EQ(e->CuePoint, cue + 50 - 2 * 9);
  EXPECT_EQ(controls_->positionSlider->Value(), e->CuePoint);
}

TEST_F(DeckPitchTest, SearchAtTheSliderEndsDoesNothing) {
  const int length = deck_->OpenFile(Tone("ends", 3000), entry_);
  ASSERT_GT(length, 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  // At 0 going back.
  deck_->SearchPress(-9, entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  EXPECT_EQ(e->CuePoint, 0);
  // At the end going forward.
  controls_->positionSlider->SetValue(length);
  e->CuePoint = length;
  deck_->SearchPress(10, entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  EXPECT_EQ(e->CuePoint, length);
  // Near the start a back step stops at 0 instead of a negative cue point.
  controls_->positionSlider->SetValue(5);
  e->CuePoint = 5;
  deck_->SearchPress(-9, entry_);
  EXPECT_EQ(e->CuePoint, 0);
  EXPECT_EQ(deck_->GetFileState(entry_), fsSearching);
}

TEST_F(DeckPitchTest, SearchOnADeckThatDoesNotPlayOnlyMovesTheCuePoint) {
  ASSERT_GT(deck_->OpenFile(Tone("idle", 3000), entry_), 0);
  deck_->SearchPress(10, entry_);
  Run(50);
  EXPECT_EQ(deck_->GetFileState(entry_), fsOpened);  // not taken as ended
  EXPECT_EQ(deck_->GetFileEntry(entry_)->CuePoint, 10);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  EXPECT_NEAR(deck_->GetFileEntry(entry_)->LastTime, 110, 10);
}

TEST_F(DeckPitchTest, VinylStopEndsPausedAtTheCuePointWithPitchBack) {
  ASSERT_GT(deck_->OpenFile(Tone("vinyl", 10000), entry_), 0);
  controls_->pitchSlider->SetValue(104000);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(1500);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  SoundLib* lib = deck_->Library();
  const int pitched = lib->GetFrequency(e->Channel);
  EXPECT_EQ(pitched, 45864);
  // A step that cannot bring the record down is refused (the ramp would never end).
  deck_->VinylStop(0, entry_);
  EXPECT_FALSE(e->VinylStopping);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  deck_->VinylStop(250, entry_);
  EXPECT_EQ(deck_->GetFileState(entry_), fsCueStop);
  Run(100);
  EXPECT_EQ(lib->GetFrequency(e->Channel), pitched - 10 * 250);
  // 45864 Hz runs down in 184 ticks.
  const int took = RunUntil([&] { return !e->VinylStopping; }, 5000);
  EXPECT_EQ(took + 100, 1840);
  EXPECT_TRUE(lib->GetPaused(e->Channel));
  EXPECT_EQ(e->LastTime, 0);
  EXPECT_EQ(lib->Stream_GetTime(e->Stream), 0);
  EXPECT_EQ(lib->GetFrequency(e->Channel), pitched);
  EXPECT_EQ(deck_->GetFileState(entry_), fsCueStop);
  EXPECT_FALSE(controls_->play->ButtonOn());
  // The play button resumes from the cue point at the slider's pitch.
  controls_->play->OnClick(controls_->play);
  EXPECT_EQ(deck_->GetFileState(entry_), fsPlaying);
  Run(100);
  EXPECT_NEAR(e->LastTime, 104, 10);
}

// The library holds a channel at 200 Hz at least: a step below 200 Hz never reaches 0, and the
// ramp must end where the frequency stops falling instead of braking for ever.
TEST_F(DeckPitchTest, VinylStopWithAStepBelowTheLowestFrequencyEnds) {
  for (int step : {1000, 199, 150, 100}) {
    SCOPED_TRACE(step);
    ASSERT_GT(deck_->OpenFile(Tone("small", 10000), entry_), 0);
    ASSERT_TRUE(deck_->Play(entry_));
    Run(200);
    FMOD_File* e = deck_->GetFileEntry(entry_);
    deck_->VinylStop(step, entry_);
    const int maxTicks = (44100 - 200) / step + 2;
    const int took = RunUntil([&] { return !e->VinylStopping; }, maxTicks * 10 + 10);
    ASSERT_GE(took, 0) << "the ramp never ended";
    EXPECT_LE(took / 10, maxTicks);
    EXPECT_GE(took / 10, 44100 / step - 1);
    EXPECT_TRUE(deck_->Library()->GetPaused(e->Channel));
    EXPECT_EQ(deck_->Library()->Stream_GetTime(e->Stream), 0) << "back at the cue point";
    EXPECT_EQ(deck_->Library()->GetFrequency(e->Channel), 44100) << "the slider's pitch again";
    EXPECT_EQ(deck_->GetFileState(entry_), fsCueStop);
  }
}

// The console ejects decks (and tears components down) from inside OnNotifyFileState. The
// operations that raise it part way must not use the entry afterwards.
TEST_F(DeckPitchTest, AStateHandlerMayFreeTheEntryInsideFadesAndTheStopClick) {
  enum class Path { FadeOutEnd, FadeInStart, StopClick };
  const struct {
    const char* name;
    Path path;
    TFileState freesAt;
  } cases[] = {{"fade out reaching its end", Path::FadeOutEnd, fsPaused},
               {"fade in from a paused deck", Path::FadeInStart, fsPlaying},
               {"stop click", Path::StopClick, fsCueStop}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TFMODJingle> doomed = MakeDeck(QStringLiteral("Player2"), "fmod2.dll");
    DeckControls controls(form_.get());
    const int entry = controls.AddTo(*doomed);
    ASSERT_GT(doomed->OpenFile(Tone("doomed", 5000), entry), 0);
    ASSERT_TRUE(doomed->Play(entry));
    SoundLib* lib = doomed->Library();
    auto run = [&](int ms) {
      for (int t = 0; t < ms && doomed; t += 10) {
        lib->WaitForDecoders(5000);
        lib->Update(10);
        TFMODJingle::NotifyTimerTime();
      }
    };
    run(300);
    doomed->SetFadeTime(1, entry);
    if (c.path == Path::FadeInStart) doomed->Pause(entry);
    doomed->OnNotifyFileState = [&](FMOD_File*, TFileState state, int) {
      if (state == c.freesAt) doomed.reset();
    };
    if (c.path == Path::StopClick) {
      controls.stop->OnClick(controls.stop);
    } else {
      doomed->Fade(entry);
    }
    run(1500);
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(TFMODJingle::GetFileEntry(entry), nullptr);
  }
}

TEST_F(DeckPitchTest, VinylStopOnADeckThatDoesNotPlayDoesNothing) {
  ASSERT_GT(deck_->OpenFile(Tone("still", 2000), entry_), 0);
  deck_->VinylStop(250, entry_);
  Run(50);
  EXPECT_EQ(deck_->GetFileState(entry_), fsOpened);  // not taken as ended
  EXPECT_FALSE(deck_->GetFileEntry(entry_)->VinylStopping);
}

TEST_F(DeckPitchTest, CueButtonsAndPositionControls) {
  form_->show();
  const int length = deck_->OpenFile(Tone("cue", 6000), entry_);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(1000);
  FMOD_File* e = deck_->GetFileEntry(entry_);
  QTest::mousePress(controls_->setCue, Qt::LeftButton);
  QTest::mouseRelease(controls_->setCue, Qt::LeftButton);
  EXPECT_NEAR(e->CuePoint, 1000, 10);
  Run(500);
  QTest::mousePress(controls_->toCue, Qt::LeftButton);
  QTest::mouseRelease(controls_->toCue, Qt::LeftButton);
  EXPECT_EQ(e->LastTime, e->CuePoint);
  // Releasing the position slider sets the cue point there; at the end the deck ends.
  controls_->positionSlider->SetValue(3000);
  controls_->positionSlider->OnChanged(controls_->positionSlider);
  EXPECT_EQ(e->CuePoint, 3000);
  EXPECT_EQ(e->LastTime, 3000);
  controls_->positionSlider->SetValue(length);
  controls_->positionSlider->OnChanged(controls_->positionSlider);
  EXPECT_EQ(deck_->GetFileState(entry_), fsEnded);
  // A click on the position bar seeks in real time at the current pitch.
  ASSERT_TRUE(deck_->Play(entry_));
  e->TimeScale = 0.5f;
  controls_->position->OnClickPosition(controls_->position, 1000);
  EXPECT_EQ(e->LastTime, 2000);
}

}  // namespace
}  // namespace spinwave::test
