// The deck clock: time displays, the position bar, the intro countdown, blinking lamps, the busy
// guard and one clock for every component.
#include "DeckFixture.h"
#include "engine/DeckShared.h"

namespace spinwave::test {
namespace {

using DeckClockTest = DeckTest;

TEST_F(DeckClockTest, TimeDisplaysAndTheTimeEvent) {
  const struct {
    const char* what;
    bool remain;
    bool blink;
    int duration;
    int time;
    const char* minutesLcd;
    const char* secondsLcd;
    const char* fractionsLcd;
    int minutes, seconds, fractions;
  } cases[] = {
      {"three minutes left", true, false, 200000, 20000, "- 3", "0", "0", 3, 0, 0},
      {"twelve minutes played", false, false, 900000, 725123, " 12", "5", "123", 12, 5, 123},
      {"past the end counts up", true, false, 60000, 61500, "- 1", "1", "500", 1, 1, 500},
      {"75 minutes", false, false, 90 * 60000, 75 * 60000 + 1, " 75", "0", "1", 75, 0, 1},
      {"exactly 30 s left: no blink", true, true, 100000, 70000, "- 0", "30", "0", 0, 30, 0},
      {"blink, upper half second", true, true, 100000, 70001, "- 0", "29", "999", 0, 29, 999},
      {"blink, lower half second", true, true, 100000, 70600, "   ", "  ", "400", 0, 29, 400},
      {"no blink when off", true, false, 100000, 70600, "- 0", "29", "400", 0, 29, 400},
      {"blink counting up", false, true, 100000, 90200, "   ", "  ", "200", 1, 30, 200},
  };
  FMOD_File* e = deck_->GetFileEntry(entry_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    events_.clear();
    e->RemainTime = c.remain;
    e->BlinkTime = c.blink;
    e->Duration = c.duration;
    e->LastTime = -1;
    deck_->SendNotifyTime(c.time, e);
    EXPECT_EQ(controls_->minutes->Value(), QString::fromLatin1(c.minutesLcd));
    EXPECT_EQ(controls_->seconds->Value(), QString::fromLatin1(c.secondsLcd));
    EXPECT_EQ(controls_->fractions->Value(), QString::fromLatin1(c.fractionsLcd));
    ASSERT_EQ(CountEvents("time"), 1);
    const DeckEvent& t = events_.back();
    EXPECT_EQ(t.d, 0);  // hours
    EXPECT_EQ(t.a, c.minutes);
    EXPECT_EQ(t.b, c.seconds);
    EXPECT_EQ(t.c, c.fractions);
  }
}

TEST_F(DeckClockTest, RepeatedTimeIsNotRedrawn) {
  FMOD_File* e = deck_->GetFileEntry(entry_);
  e->Duration = 10000;
  deck_->SendNotifyTime(1234, e);
  const std::size_t after = events_.size();
  deck_->SendNotifyTime(1234, e);
  EXPECT_EQ(events_.size(), after);
}

TEST_F(DeckClockTest, ExactTimeScalesTheDisplayedTime) {
  FMOD_File* e = deck_->GetFileEntry(entry_);
  e->Duration = 600000;
  e->RemainTime = false;
  e->TimeScale = 0.5f;
  deck_->SetDisplayExactTime(true);
  deck_->SendNotifyTime(120000, e);
  EXPECT_EQ(controls_->minutes->Value(), QStringLiteral("  1"));
  const auto position = std::find_if(events_.begin(), events_.end(),
                                     [](const DeckEvent& d) { return d.kind == "position"; });
  ASSERT_NE(position, events_.end());
  EXPECT_EQ(position->a, 60000);   // real time at this pitch
  EXPECT_EQ(position->b, 300000);  // range
}

TEST_F(DeckClockTest, PositionBarZonesFollowTheLength) {
  // 200 px in bars of 4: 50 bars, one bar is 2 %.
  const struct {
    int duration;
    int max, peak, mid;
  } cases[] = {
      {300000, 300000, 88, 78},    // high colour in the last 30 s, middle from 60 s
      {0, 120000, 73, 48},         // unknown length counts as two minutes
      {10000, 10000, -202, -502},  // shorter than 30 s: all high colour
  };
  FMOD_File* e = deck_->GetFileEntry(entry_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.duration);
    e->Duration = c.duration;
    e->LastTime = -1;
    deck_->SendNotifyTime(5000, e);
    TRLed* bar = controls_->position;
    EXPECT_EQ(bar->MaxValue(), c.max);
    EXPECT_EQ(bar->PeakPos(), c.peak);
    EXPECT_EQ(bar->MidPos(), c.mid);
    if (c.peak < 0) {
      for (int i = 1; i <= bar->BarCount(); ++i) EXPECT_EQ(bar->ZoneOf(i), 2) << i;
    }
  }
}

TEST_F(DeckClockTest, ShortFileGetsNegativeZoneLimitsWhenOpened) {
  ASSERT_GT(deck_->OpenFile(Tone("short", 10000), entry_), 0);
  EXPECT_EQ(controls_->position->MaxValue(), 10000);
  EXPECT_LT(controls_->position->PeakPos(), 0);
  EXPECT_LT(controls_->position->MidPos(), 0);
}

TEST_F(DeckClockTest, IntroCountdown) {
  form_->show();
  FMOD_File* e = deck_->GetFileEntry(entry_);
  e->Duration = 200000;
  e->IntroTime = 75;
  deck_->SendNotifyTime(3200, e);
  EXPECT_EQ(controls_->introLabel->text(), QStringLiteral("1:12"));
  deck_->SendNotifyTime(74999, e);
  EXPECT_EQ(controls_->introLabel->text(), QStringLiteral("0:01"));
  deck_->SendNotifyTime(75999, e);
  EXPECT_EQ(controls_->introLabel->text(), QStringLiteral("0:00"));
  deck_->SendNotifyTime(76000, e);
  EXPECT_EQ(controls_->introLabel->text(), QStringLiteral("0:00"));
  // A hidden label is not counted.
  controls_->introLabel->hide();
  deck_->SendNotifyTime(1000, e);
  EXPECT_EQ(controls_->introLabel->text(), QStringLiteral("0:00"));
}

TEST_F(DeckClockTest, LampsBlinkWithTheTimeOfDay) {
  int hundredths = 0;
  TFMODJingle::SetTimeOfDaySource([&] { return hundredths; });
  ASSERT_GT(deck_->OpenFile(Tone("blink", 5000), entry_), 0);
  // Opened and paused: the play lamp blinks.
  for (int h : {51, 50, 99, 10}) {
    hundredths = h;
    TFMODJingle::NotifyTimerTime();
    EXPECT_EQ(controls_->play->ButtonOn(), h > 50) << h;
  }
  ASSERT_TRUE(deck_->Play(entry_));
  Run(200);
  deck_->Pause(entry_);
  for (int h : {51, 50}) {
    hundredths = h;
    Run(10);
    EXPECT_EQ(controls_->play->ButtonOn(), h > 50) << h;
  }
  // Searching: the stop lamp blinks.
  deck_->SearchPress(10, entry_);
  ASSERT_EQ(deck_->GetFileState(entry_), fsSearching);
  for (int h : {80, 20}) {
    hundredths = h;
    Run(10);
    EXPECT_EQ(controls_->stop->ButtonOn(), h > 50) << h;
  }
}

TEST_F(DeckClockTest, BusyClockIgnoresNestedTicks) {
  ASSERT_GT(deck_->OpenFile(Tone("busy", 3000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  int nested = 0;
  bool busySeen = false;
  deck_->OnNotifyPosition = [&](FMOD_File*, int, int, int) {
    ++nested;
    busySeen = TFMODJingle::ClockBusy();
    // A handler that pumps messages lets another tick in: it must return at once.
    TFMODJingle::NotifyTimerTime();
  };
  Run(10);
  EXPECT_EQ(nested, 1);
  EXPECT_TRUE(busySeen);
  EXPECT_FALSE(TFMODJingle::ClockBusy());
}

TEST_F(DeckClockTest, OneClockFollowsEveryComponent) {
  auto second = MakeDeck(QStringLiteral("Player2"), "fmod2.dll");
  DeckControls other(form_.get());
  const int otherEntry = other.AddTo(*second);
  ASSERT_GT(deck_->OpenFile(Tone("one", 3000), entry_), 0);
  ASSERT_GT(second->OpenFile(Tone("two", 3000), otherEntry), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  // Operations take any index through any component.
  ASSERT_TRUE(deck_->Play(otherEntry));
  for (int i = 0; i < 50; ++i) {
    deck_->Library()->WaitForDecoders(5000);
    second->Library()->WaitForDecoders(5000);
    deck_->Library()->Update(10);
    second->Library()->Update(10);
    TFMODJingle::NotifyTimerTime();
  }
  EXPECT_NEAR(deck_->GetFileEntry(entry_)->LastTime, 500, 10);
  EXPECT_NEAR(second->GetFileEntry(otherEntry)->LastTime, 500, 10);
  EXPECT_EQ(other.seconds->Value(), QStringLiteral("2"));
}

TEST_F(DeckClockTest, RemainTimeToggleRedrawsAStoppedDeck) {
  ASSERT_GT(deck_->OpenFile(Tone("toggle", 65000), entry_), 0);
  EXPECT_EQ(controls_->minutes->Value(), QStringLiteral("- 1"));
  controls_->minutes->OnClick(controls_->minutes);
  EXPECT_FALSE(deck_->GetRemainTime(entry_));
  EXPECT_EQ(controls_->minutes->Value(), QStringLiteral("  0"));
  EXPECT_EQ(controls_->seconds->Value(), QStringLiteral("0"));
  controls_->seconds->OnClick(controls_->seconds);
  EXPECT_TRUE(deck_->GetRemainTime(entry_));
  EXPECT_EQ(controls_->seconds->Value(), QStringLiteral("5"));
}

TEST_F(DeckClockTest, HandlersMayEjectDecksAndDestroyComponentsDuringATick) {
  auto other = MakeDeck(QStringLiteral("DataPlayer"), "fmod3.dll");
  DeckControls otherControls(form_.get());
  const int otherEntry = otherControls.AddTo(*other);
  ASSERT_GT(other->OpenFile(Tone("other", 3000), otherEntry), 0);
  ASSERT_TRUE(other->Play(otherEntry));
  ASSERT_GT(deck_->OpenFile(Tone("short", 200), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  // The automix ejects an ended deck from inside the state event; a position handler may even
  // close another component whose entry the same tick has still to visit.
  deck_->OnNotifyFileState = [&](FMOD_File* f, TFileState state, int) {
    if (state == fsEnded) deck_->CloseFile(f->Index);
  };
  int positions = 0;
  deck_->OnNotifyPosition = [&](FMOD_File*, int, int, int) {
    if (++positions == 5) other.reset();
  };
  for (int i = 0; i < 40; ++i) {
    deck_->Library()->WaitForDecoders(5000);
    deck_->Library()->Update(10);
    if (other) {
      other->Library()->WaitForDecoders(5000);
      other->Library()->Update(10);
    }
    TFMODJingle::NotifyTimerTime();
  }
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(TFMODJingle::GetFileEntry(otherEntry), nullptr);
  EXPECT_EQ(deck_->GetFileState(entry_), fsStopped);
  EXPECT_EQ(deck_->GetFileName(entry_), "");
  EXPECT_FALSE(TFMODJingle::ClockBusy());
}

TEST_F(DeckClockTest, PlayStartsTheRealClockUnlessDrivenByHand) {
  ASSERT_GT(deck_->OpenFile(Tone("timer", 1000), entry_), 0);
  EXPECT_FALSE(TFMODJingle::ClockEnabled());
  TFMODJingle::SetClockManual(false);
  ASSERT_TRUE(deck_->Play(entry_));
  EXPECT_TRUE(TFMODJingle::ClockEnabled());
  EXPECT_TRUE(DeckShared::Get()->clock.isActive());
  EXPECT_EQ(DeckShared::Get()->clock.interval(), 10);
  TFMODJingle::SetClockManual(true);
  EXPECT_FALSE(DeckShared::Get()->clock.isActive());
  EXPECT_TRUE(TFMODJingle::ClockEnabled());
}

}  // namespace
}  // namespace spinwave::test
