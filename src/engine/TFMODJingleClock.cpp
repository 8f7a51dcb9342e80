// The shared 10 ms deck clock and the time handling of an entry: background-open completion,
// blinking lamps, the vinyl-stop ramp, end detection, level meters, the position bar, the intro
// countdown, the time displays and the four events.
#include <algorithm>
#include <cstdint>

#include <QDateTime>

#include "engine/DeckShared.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

std::function<int()>& TimeOfDaySource() {
  static std::function<int()> source;
  return source;
}

// Read once per tick (lazily) and shared by every entry of that tick.
int g_tickHundredths = -1;

int HundredthsOfSecond() {
  if (g_tickHundredths < 0) {
    if (const auto& source = TimeOfDaySource()) {
      g_tickHundredths = source();
    } else {
      g_tickHundredths = static_cast<int>(QDateTime::currentMSecsSinceEpoch() % 1000) / 10;
    }
  }
  return g_tickHundredths;
}

// True while `entry` still sits in slot `index` (an event handler may have freed it).
bool StillThere(const FMOD_File* entry, int index) {
  return TFMODJingle::GetFileEntry(index) == entry;
}

// a div b, where a zero divisor leaves the dividend unchanged.
int DivOrKeep(int a, int b) { return b == 0 ? a : a / b; }

}  // namespace

bool TFMODJingle::ClockBusy() {
  DeckShared* shared = DeckShared::Get();
  return shared && shared->clockBusy;
}

bool TFMODJingle::ClockEnabled() {
  DeckShared* shared = DeckShared::Get();
  return shared && shared->clockEnabled;
}

void TFMODJingle::SetClockManual(bool manual) {
  DeckShared::ManualClock() = manual;
  if (DeckShared* shared = DeckShared::Get()) {
    if (manual) {
      shared->clock.stop();
    } else if (shared->clockEnabled) {
      shared->clock.start();
    }
  }
}

void TFMODJingle::SetTimeOfDaySource(std::function<int()> hundredths) {
  TimeOfDaySource() = std::move(hundredths);
}

void TFMODJingle::NotifyTimerTime() {
  DeckShared* shared = DeckShared::Get();
  if (!shared || shared->clockBusy) return;
  g_tickHundredths = -1;
  // The count is read again before each slot: handlers may add or free entries.
  for (std::size_t i = 0;; ++i) {
    shared = DeckShared::Get();
    if (!shared || i >= shared->entries.size()) break;
    FMOD_File* entry = shared->entries[i].get();
    if (!entry) continue;
    shared->clockBusy = true;
    entry->Owner->TickEntry(entry);
    if (DeckShared* after = DeckShared::Get()) after->clockBusy = false;
  }
}

void TFMODJingle::TakeOpenedStream(SoundLib* lib, FMOD_File* e) {
  e->Duration = lib->Stream_GetLengthMs(e->Stream);
  if (e->PositionSlider) {
    e->PositionSlider->SetMaxValue(e->Duration);
    e->PositionSlider->SetValue(0);
  }
  e->CuePoint = 0;
  SendNotifyTime(0, e);
}

void TFMODJingle::TickEntry(FMOD_File* e) {
  SoundLib* lib = library_.get();
  if (!lib) return;
  const int index = e->Index;

  if (e->State == fsOpening) {
    const int result = lib->Stream_GetOpenState(e->Stream);
    if (result == kOpenReady) {
      TakeOpenedStream(lib, e);
      if (!StillThere(e, index)) return;
      SetFileState(fsOpened, e);
      if (!StillThere(e, index)) return;
      if (OnNotifyOpened) OnNotifyOpened(e, fsOpened, 0);
    } else if (result == kOpenFailed || result == kOpenBadFormat) {
      // Written directly: a failed background open is reported by OnNotifyOpened alone.
      e->State = fsOpenFailed;
      if (OnNotifyOpened) OnNotifyOpened(e, fsOpenFailed, result);
    }
    return;
  }

  // Lamps blink once a second while paused, opened or searching.
  if ((e->PlayButton || e->StopButton) &&
      (e->State == fsPaused || e->State == fsSearching || e->State == fsOpened)) {
    const bool lit = HundredthsOfSecond() > 50;
    if (e->State == fsSearching) {
      if (e->StopButton) e->StopButton->SetBtnState(lit);
    } else if (e->PlayButton) {
      e->PlayButton->SetBtnState(lit);
    }
  }

  if (e->State == fsPlaying || e->State == fsSearching || e->State == fsFading ||
      e->State == fsCueStop) {
    if (e->Channel >= 0 && lib->IsPlaying(e->Channel)) {
      if (e->VinylStopping) {
        const int current = lib->GetFrequency(e->Channel);
        const int next = current - e->VinylStep;
        // The library holds a channel at its lowest frequency (200 Hz): once a step no longer
        // lowers it, the record has stopped. Waiting for 0 would leave a small step's ramp
        // running for ever.
        bool falling = next > 0;
        if (falling) {
          lib->SetFrequency(e->Channel, next);
          falling = lib->GetFrequency(e->Channel) < current;
        }
        if (!falling) {
          e->VinylStopping = false;
          lib->SetPaused(e->Channel, true);
          lib->Stream_SetTime(e->Stream, e->CuePoint);
          if (e->PitchSlider) SetFrequency(static_cast<float>(e->PitchSlider->Value()), index);
        }
      }
      SendNotifyTime(lib->Stream_GetTime(e->Stream), e);
      if (!StillThere(e, index) || e->Channel < 0) return;
      if (e->VULeft || e->VURight) {
        float left = 0.0f, right = 0.0f;
        lib->GetCurrentLevels(e->Channel, &left, &right);
        const float scale = speakers_ == STEREO ? 100.0f : 141.0f;
        left *= scale;
        right *= scale;
        if (speakers_ == MONO_LEFT) right = left;
        if (speakers_ == MONO_RIGHT) left = right;
        // A mono level above 1/1.41 would exceed the meter's scale, which the meter ignores
        // (it would freeze below the top); such a level shows as full scale.
        if (e->VULeft) e->VULeft->SetPosition(std::min(static_cast<int>(left), e->VULeft->MaxValue()));
        if (e->VURight) {
          e->VURight->SetPosition(std::min(static_cast<int>(right), e->VURight->MaxValue()));
        }
      }
    } else {
      SetFileState(fsEnded, e);
    }
  } else if (e->State == fsPaused) {
    if (e->VULeft) e->VULeft->SetPosition(0);
    if (e->VURight) e->VURight->SetPosition(0);
  }
}

void TFMODJingle::SendNotifyTime(int time, FMOD_File* e) {
  if (!e || time == e->LastTime) return;
  e->LastTime = time;
  TFMODJingle* owner = e->Owner;
  const int index = e->Index;
  const int pos = static_cast<int>(static_cast<double>(time) * e->TimeScale);
  const int range = static_cast<int>(static_cast<double>(e->Duration) * e->TimeScale);

  if (e->VolumeSlider && (e->FadingOut || e->FadingIn)) {
    if (FadeStep(e, pos)) return;
    if (!StillThere(e, index)) return;
  }

  int displayed = time;
  if (e->State == fsSearching) {
    // Frame search: replay the 250 ms after the cue point in a loop, showing the cue point.
    if (time > e->CuePoint + 250) {
      if (SoundLib* lib = LibraryOf(e)) lib->Stream_SetTime(e->Stream, e->CuePoint);
    }
    displayed = e->CuePoint;
  }

  if (owner->OnNotifyPosition) {
    owner->OnNotifyPosition(e, pos, range, index);
    if (!StillThere(e, index)) return;
  }

  if (TRLed* bar = e->PositionMeter) {
    const int barRange = range == 0 ? 120000 : range;
    if (bar->MaxValue() != barRange) {
      // High colour in the last 30 s, middle colour from 60 s to 30 s before the end.
      const int bars = bar->BarCount();
      const int oneBar = bars > 0 ? 100 / bars : 0;
      const std::int64_t r = barRange;
      bar->SetPeakPos(static_cast<int>((r * 100 - 3000000) / r) - oneBar);
      bar->SetMidPos(static_cast<int>((r * 100 - 6000000) / r) - oneBar);
      bar->SetMaxValue(barRange);
    }
    bar->SetPosition(pos);
  }

  if (QLabel* intro = e->IntroLabel) {
    const int s = e->IntroTime - displayed / 1000;
    if (s >= 0 && intro->isVisible()) {
      intro->setText(QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0')));
    } else if (intro->text() != QLatin1String("0:00")) {
      intro->setText(QStringLiteral("0:00"));
    }
  }

  ShowTime(displayed, e);
}

void TFMODJingle::ShowTime(int displayed, FMOD_File* e) {
  TFMODJingle* owner = e->Owner;
  if (!owner->OnNotifyTime && !e->MinutesLCD && !e->SecondsLCD && !e->FractionsLCD) return;
  const bool blink = e->BlinkTime && displayed > e->Duration - 30000;
  int t = displayed;
  // Counting down; past the end the displays count up again instead of going negative.
  if (e->RemainTime && t <= e->Duration) t = e->Duration - t;
  if (owner->displayExactTime_) t = static_cast<int>(static_cast<double>(t) * e->TimeScale);
  const int minutes = t / 60000;
  const int seconds = (t % 60000) / 1000;
  const int ms = t % 1000;
  const bool blank = blink && ms < 500;

  if (e->MinutesLCD) {
    QString text;
    if (blank) {
      text = QStringLiteral("   ");
    } else {
      text = QString::number(minutes);
      if (text.size() == 1) text.prepend(QLatin1Char(' '));
      text.prepend(e->RemainTime ? QLatin1Char('-') : QLatin1Char(' '));
    }
    e->MinutesLCD->SetValue(text);
  }
  if (e->SecondsLCD) {
    e->SecondsLCD->SetValue(blank ? QStringLiteral("  ") : QString::number(seconds));
  }
  if (e->FractionsLCD) e->FractionsLCD->SetValue(QString::number(ms));
  if (owner->OnNotifyTime) owner->OnNotifyTime(e, 0, minutes, seconds, ms, e->Index);
}

bool TFMODJingle::FadeStep(FMOD_File* e, int scaled) {
  const int fadeMs = e->FadeTime * 1000;
  const int elapsed = scaled - e->FadeStart;
  auto steps = [elapsed](int total, int units) { return DivOrKeep(elapsed, DivOrKeep(total, units)); };
  TEMSlider* volume = e->VolumeSlider;
  if (e->FadingOut) {
    if (elapsed >= fadeMs) {
      e->FadingOut = false;
      const int index = e->Index;
      Pause(index);
      // OnNotifyFileState may have freed the entry.
      if (StillThere(e, index) && e->VolumeSlider) e->VolumeSlider->SetValue(0);
      return true;
    }
    if (e->FadeStartVolume > 0) {
      volume->SetValue(e->FadeStartVolume - steps(fadeMs, e->FadeStartVolume));
    }
  } else if (e->FadingIn) {
    if (elapsed >= fadeMs) {
      e->FadingIn = false;
      SetFileState(fsPlaying, e);
      return true;
    }
    // Up to full volume. A fade in from a paused deck at full volume starts from 0 while the
    // slider still shows 255, so the first step must set the slider even from there.
    const int next = std::min(e->FadeStartVolume + steps(fadeMs, 255 - e->FadeStartVolume), 255);
    if (volume->Value() < 255 || next < 255) volume->SetValue(next);
  }
  return false;
}

void TFMODJingle::NotifyZero(FMOD_File* e) {
  if (!e) return;
  const int index = e->Index;
  SendNotifyTime(0, e);
  if (!StillThere(e, index)) return;
  if (e->VULeft) e->VULeft->SetPosition(0);
  if (e->VURight) e->VURight->SetPosition(0);
}

void TFMODJingle::SetPosition(int time, FMOD_File* e) {
  if (!e || !e->Stream) return;
  SoundLib* lib = LibraryOf(e);
  if (!lib) return;
  lib->Stream_SetTime(e->Stream, time);
  SendNotifyTime(time, e);
}

void TFMODJingle::SetBlinkTime(bool flag, int index) {
  if (FMOD_File* e = GetFileEntry(index)) e->BlinkTime = flag;
}

void TFMODJingle::SetFadeTime(int seconds, int index) {
  if (FMOD_File* e = GetFileEntry(index)) e->FadeTime = seconds;
}

void TFMODJingle::SetMixTime(int value, int index) {
  if (FMOD_File* e = GetFileEntry(index)) e->MixTime = value;
}

void TFMODJingle::SetRemainTime(bool flag, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || e->RemainTime == flag) return;
  e->RemainTime = flag;
  // Playing entries are redrawn by the clock; others show their last time in the new mode.
  if (e->State != fsPlaying) {
    ShowTime(e->State == fsSearching ? e->CuePoint : std::max(e->LastTime, 0), e);
  }
}

}  // namespace spinwave
