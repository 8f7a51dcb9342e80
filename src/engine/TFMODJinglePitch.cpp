// Volume and crossfader gain, pitch and pitch bend, cue point and frame search, vinyl stop,
// timed fades, and the handlers bound to an entry's controls.
#include <algorithm>

#include <QLocale>

#include "engine/DeckShared.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

bool ChannelPlays(SoundLib* lib, const FMOD_File* e) {
  return lib && e->Channel >= 0 && lib->IsPlaying(e->Channel);
}

}  // namespace

void TFMODJingle::SetVolume(int volume, FMOD_File* e) {
  if (!e || e->Channel < 0) return;
  if (SoundLib* lib = LibraryOf(e)) {
    lib->SetVolume(e->Channel, static_cast<int>(static_cast<float>(volume) * e->Gain));
  }
}

void TFMODJingle::SetCrossFader(int percent, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return;
  float gain = static_cast<float>(percent) * 0.01f;
  gain = std::clamp(gain, 0.0f, 1.0f);
  if (gain == e->Gain) return;
  e->Gain = gain;
  if (e->VolumeSlider) SetVolume(e->VolumeSlider->Value(), e);
}

void TFMODJingle::SetFrequency(float pitch, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return;
  const float percent = pitch * 0.001f;
  if (e->PitchLabel) {
    // The change from normal speed, three decimals, in the user's decimal separator.
    QString text = QString::number(static_cast<double>(percent - 100.0f), 'f', 3);
    if (text == QLatin1String("-0.000")) text = QStringLiteral("0.000");
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    e->PitchLabel->setText(text);
  }
  SoundLib* lib = LibraryOf(e);
  if (lib && e->Channel >= 0 && e->Frequency > 0) {
    const float factor = percent * 0.01f;
    const int hz = static_cast<int>(static_cast<float>(e->Frequency) * factor);
    // Keylocked: the key of the new frequency is the file's own (only the tempo moves).
    if (e->KeyLock) {
      lib->SetTempo(e->Channel, hz);
    } else {
      lib->SetFrequency(e->Channel, hz);
    }
    const int actual = lib->GetFrequency(e->Channel);
    if (actual > 0) e->TimeScale = static_cast<float>(e->Frequency) / static_cast<float>(actual);
  }
}

void TFMODJingle::SetCuePoint(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return;
  e->CuePoint = std::max(e->LastTime, 0);
  if (e->PositionSlider) e->PositionSlider->SetValue(e->CuePoint);
}

void TFMODJingle::ToCuePoint(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (e) SetPosition(e->CuePoint, e);
}

void TFMODJingle::SearchPress(int step, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->PositionSlider) return;
  TEMSlider* slider = e->PositionSlider;
  if ((slider->Value() <= 0 && step < 0) || (slider->Value() >= slider->MaxValue() && step > 0)) {
    return;
  }
  // The cue point stays within the file (the slider's range).
  e->CuePoint = std::clamp(e->CuePoint + step, 0, std::max(slider->MaxValue(), 0));
  slider->SetValue(e->CuePoint);
  SetPosition(e->CuePoint, e);
  SoundLib* lib = LibraryOf(e);
  // Only a channel that is there can loop around the cue point; on a deck that is not playing
  // the press just moves the cue point (the clock would otherwise take it as ended).
  if (!ChannelPlays(lib, e)) return;
  if (e->State == fsPaused) lib->SetPaused(e->Channel, false);
  SetFileState(fsSearching, e);
}

void TFMODJingle::PitchBend(int delta, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->PitchSlider || e->Channel < 0) return;
  const int pitch = e->PitchSlider->Value();
  if (!e->PitchBendActive) {
    e->PitchBendValue = pitch + 5 * delta;
    e->PitchBendActive = true;
  } else if (e->PitchBendValue > pitch - 5000 && e->PitchBendValue < pitch + 5000) {
    e->PitchBendValue += delta;
  }
  SetFrequency(static_cast<float>(e->PitchBendValue), index);
}

void TFMODJingle::ReleasePitchBend(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->PitchSlider || !e->PitchBendActive) return;
  SetFrequency(static_cast<float>(e->PitchSlider->Value()), index);
  e->PitchBendActive = false;
}

void TFMODJingle::VinylStop(int step, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return;
  // A ramp needs a channel to brake and a step that brings it down; otherwise it would never
  // end (or, with no channel, the clock would take the deck as ended).
  if (step <= 0 || !ChannelPlays(LibraryOf(e), e)) return;
  e->VinylStep = step;
  e->VinylStopping = true;
  SetFileState(fsCueStop, e);
}

void TFMODJingle::Fade(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return;
  if (e->State == fsFading) {
    // Cancel: the volume stays where the fade left it.
    e->FadingOut = false;
    e->FadingIn = false;
    SetFileState(fsPlaying, e);
    return;
  }
  if (e->State != fsPlaying && e->State != fsPaused) return;
  e->FadeStart = static_cast<int>(static_cast<double>(e->LastTime) * e->TimeScale);
  e->FadeStartVolume = e->VolumeSlider ? e->VolumeSlider->Value() : 255;
  if (e->State == fsPlaying) {
    e->FadingOut = true;
  } else {
    if (e->FadeStartVolume == 255) e->FadeStartVolume = 0;
    Pause(index);  // resumes the channel
    // OnNotifyFileState (fsPlaying) may have freed the entry.
    if (GetFileEntry(index) != e) return;
    e->FadingIn = true;
  }
  SetFileState(fsFading, e);
}

// --- Control handlers -------------------------------------------------------------------------

void TFMODJingle::PlayClick(TEMButton* sender) {
  FMOD_File* e = sender ? GetFileEntry(sender->Tag()) : nullptr;
  if (!e) return;
  if (e->State == fsPlaying || e->State == fsPaused || e->State == fsCueStop) {
    Pause(e->Index);
  } else {
    Play(e->Index);
  }
}

void TFMODJingle::StopClick(TEMButton* sender) {
  FMOD_File* e = sender ? GetFileEntry(sender->Tag()) : nullptr;
  if (!e || e->State != fsPlaying) return;
  if (SoundLib* lib = LibraryOf(e)) lib->SetPaused(e->Channel, true);
  const int index = e->Index;
  SetFileState(fsCueStop, e);
  // OnNotifyFileState may have freed the entry, and with it this component.
  if (GetFileEntry(index) != e) return;
  ToCuePoint(index);
}

void TFMODJingle::FadeClick(TEMButton* sender) {
  if (sender) Fade(sender->Tag());
}

void TFMODJingle::LCDClick(TEMLCD* sender) {
  FMOD_File* e = sender ? GetFileEntry(sender->Tag()) : nullptr;
  if (e) SetRemainTime(!e->RemainTime, e->Index);
}

void TFMODJingle::VolSliderChange(TEMSlider* sender) {
  if (sender) SetVolume(sender->Value(), GetFileEntry(sender->Tag()));
}

void TFMODJingle::PitchSliderChange(TEMSlider* sender) {
  if (sender) SetFrequency(static_cast<float>(sender->Value()), sender->Tag());
}

void TFMODJingle::CueSliderChanged(TEMSlider* sender) {
  FMOD_File* e = sender ? GetFileEntry(sender->Tag()) : nullptr;
  if (!e || e->Duration <= 0) return;
  const int value = sender->Value();
  if (value >= e->Duration) {
    SetFileState(fsEnded, e);
  } else {
    e->CuePoint = value;
    SetPosition(value, e);
  }
}

void TFMODJingle::SetCueMouseDown(TEMButton* sender) {
  if (sender) SetCuePoint(sender->Tag());
}

void TFMODJingle::ToCueMouseDown(TEMButton* sender) {
  if (sender) ToCuePoint(sender->Tag());
}

void TFMODJingle::SearchPressForw(TEMButton* sender) {
  if (sender) SearchPress(10, sender->Tag());
}

void TFMODJingle::SearchPressBack(TEMButton* sender) {
  if (sender) SearchPress(-9, sender->Tag());
}

void TFMODJingle::PitchBendUp(TEMButton* sender) {
  if (sender) PitchBend(200, sender->Tag());
}

void TFMODJingle::PitchBendDown(TEMButton* sender) {
  if (sender) PitchBend(-200, sender->Tag());
}

void TFMODJingle::PitchBendMouse(TEMButton* sender) {
  if (sender) ReleasePitchBend(sender->Tag());
}

void TFMODJingle::ClickPosition(TRLed* sender, int value) {
  FMOD_File* e = sender ? GetFileEntry(sender->Tag()) : nullptr;
  if (!e) return;
  SetPosition(static_cast<int>(static_cast<double>(value) * (1.0 / e->TimeScale)), e);
}

}  // namespace spinwave
