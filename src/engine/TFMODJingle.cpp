// Deck component life cycle, the entry table, opening and closing files, play, pause and stop.
#include "engine/TFMODJingle.h"

#include "engine/DeckShared.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

// Bits of FMOD_File::BoundEvents: which control events the engine bound.
enum : std::uint32_t {
  kBindMinutesClick = 1u << 0,
  kBindSecondsClick = 1u << 1,
  kBindFractionsClick = 1u << 2,
  kBindPlayClick = 1u << 3,
  kBindStopClick = 1u << 4,
  kBindFadeClick = 1u << 5,
  kBindPositionChanged = 1u << 6,
  kBindPitchChange = 1u << 7,
  kBindVolumeChange = 1u << 8,
  kBindSetCueDown = 1u << 9,
  kBindToCueDown = 1u << 10,
  kBindSearchBackPress = 1u << 11,
  kBindSearchForwPress = 1u << 12,
  kBindPitchUpPress = 1u << 13,
  kBindPitchDownPress = 1u << 14,
  kBindPitchUpUp = 1u << 15,
  kBindPitchDownUp = 1u << 16,
  kBindPositionClick = 1u << 17,
};

// Stream open mode bits.
constexpr unsigned kOpenNormal = 0x130;       // 16-bit signed, as the file is
constexpr unsigned kOpenForceMono = 0x40110;  // 16-bit signed, decoded to mono

}  // namespace

TFMODJingle::TFMODJingle(const QString& name, QObject* parent) : QObject(parent) {
  setObjectName(name);
  DeckShared::Acquire();
}

TFMODJingle::~TFMODJingle() {
  // Closing files below changes states; the handlers may belong to a form that is already
  // being torn down, so this component raises no more events.
  OnNotifyFileState = nullptr;
  OnNotifyPosition = nullptr;
  OnNotifyTime = nullptr;
  OnNotifyOpened = nullptr;
  if (DeckShared* shared = DeckShared::Get()) {
    for (std::size_t i = 0; i < shared->entries.size(); ++i) {
      FMOD_File* entry = shared->entries[i].get();
      if (!entry || entry->Owner != this) continue;
      EmptyFileEntry(static_cast<int>(i));
      CloseFile(static_cast<int>(i));
      // The slot stays (empty) so that every other index keeps its meaning.
      shared->entries[i].reset();
    }
  }
  if (library_) {
    library_->Close();
    library_.reset();
  }
  DeckShared::Release();
}

SoundLib* TFMODJingle::LibraryOf(const FMOD_File* entry) {
  return entry && entry->Owner ? entry->Owner->library_.get() : nullptr;
}

FMOD_File* TFMODJingle::GetFileEntry(int index) {
  DeckShared* shared = DeckShared::Get();
  if (!shared || index < 0 || index >= static_cast<int>(shared->entries.size())) return nullptr;
  return shared->entries[static_cast<std::size_t>(index)].get();
}

int TFMODJingle::FileEntryCount() {
  DeckShared* shared = DeckShared::Get();
  return shared ? static_cast<int>(shared->entries.size()) : 0;
}

FMOD_File* TFMODJingle::EntryOfSender(int tag) const { return GetFileEntry(tag); }

int TFMODJingle::AddFileEntry(TRLed* vuLeft, TRLed* vuRight, TRLed* positionMeter,
                              TEMLCD* minutesLCD, TEMLCD* secondsLCD, TEMLCD* fractionsLCD,
                              TEMSlider* positionSlider, TEMSlider* pitchSlider,
                              TEMSlider* volumeSlider, TEMButton* play, TEMButton* stop,
                              TEMButton* setCue, TEMButton* toCue, TEMButton* searchBack,
                              TEMButton* searchForw, TEMButton* fade, TEMButton* pitchUp,
                              TEMButton* pitchDown, QLabel* pitchLabel, QLabel* introLabel) {
  DeckShared* shared = DeckShared::Get();
  auto entry = std::make_unique<FMOD_File>();
  entry->Owner = this;
  entry->Index = static_cast<int>(shared->entries.size());
  ResetFile(entry.get());
  entry->Gain = 1.0f;
  entry->BlinkTime = false;
  entry->RemainTime = true;
  entry->VULeft = vuLeft;
  entry->VURight = vuRight;
  entry->PositionMeter = positionMeter;
  entry->MinutesLCD = minutesLCD;
  entry->SecondsLCD = secondsLCD;
  entry->FractionsLCD = fractionsLCD;
  entry->PositionSlider = positionSlider;
  entry->PitchSlider = pitchSlider;
  entry->VolumeSlider = volumeSlider;
  entry->PlayButton = play;
  entry->StopButton = stop;
  entry->FadeButton = fade;
  entry->SetCueButton = setCue;
  entry->ToCueButton = toCue;
  entry->SearchBackButton = searchBack;
  entry->SearchForwButton = searchForw;
  entry->PitchUpButton = pitchUp;
  entry->PitchDownButton = pitchDown;
  entry->PitchLabel = pitchLabel;
  entry->IntroLabel = introLabel;
  FMOD_File* raw = entry.get();
  shared->entries.push_back(std::move(entry));
  Bind(raw);
  return raw->Index;
}

void TFMODJingle::Bind(FMOD_File* e) {
  const int tag = e->Index;
  for (TRLed* led : {e->VULeft.data(), e->VURight.data(), e->PositionMeter.data()}) {
    if (led) led->SetTag(tag);
  }
  for (TEMLCD* lcd : {e->MinutesLCD.data(), e->SecondsLCD.data(), e->FractionsLCD.data()}) {
    if (lcd) lcd->SetTag(tag);
  }
  for (TEMSlider* s : {e->PositionSlider.data(), e->PitchSlider.data(), e->VolumeSlider.data()}) {
    if (s) s->SetTag(tag);
  }
  for (TEMButton* b : {e->PlayButton.data(), e->StopButton.data(), e->FadeButton.data(),
                       e->SetCueButton.data(), e->ToCueButton.data(), e->SearchBackButton.data(),
                       e->SearchForwButton.data(), e->PitchUpButton.data(),
                       e->PitchDownButton.data()}) {
    if (b) b->SetTag(tag);
  }

  std::uint32_t& bound = e->BoundEvents;
  auto lcdClick = [this](TEMLCD* sender) { LCDClick(sender); };
  if (e->MinutesLCD && !e->MinutesLCD->OnClick) {
    e->MinutesLCD->OnClick = lcdClick;
    bound |= kBindMinutesClick;
  }
  if (e->SecondsLCD && !e->SecondsLCD->OnClick) {
    e->SecondsLCD->OnClick = lcdClick;
    bound |= kBindSecondsClick;
  }
  if (e->FractionsLCD && !e->FractionsLCD->OnClick) {
    e->FractionsLCD->OnClick = lcdClick;
    bound |= kBindFractionsClick;
  }
  if (e->PlayButton && !e->PlayButton->OnClick) {
    e->PlayButton->OnClick = [this](TEMButton* sender) { PlayClick(sender); };
    bound |= kBindPlayClick;
  }
  if (e->StopButton && !e->StopButton->OnClick) {
    e->StopButton->OnClick = [this](TEMButton* sender) { StopClick(sender); };
    bound |= kBindStopClick;
  }
  if (e->FadeButton && !e->FadeButton->OnClick) {
    e->FadeButton->OnClick = [this](TEMButton* sender) { FadeClick(sender); };
    bound |= kBindFadeClick;
  }
  if (e->PositionSlider && !e->PositionSlider->OnChanged) {
    e->PositionSlider->OnChanged = [this](TEMSlider* sender) { CueSliderChanged(sender); };
    bound |= kBindPositionChanged;
  }
  if (e->PitchSlider && !e->PitchSlider->OnChange) {
    e->PitchSlider->OnChange = [this](TEMSlider* sender) { PitchSliderChange(sender); };
    bound |= kBindPitchChange;
  }
  if (e->VolumeSlider && !e->VolumeSlider->OnChange) {
    e->VolumeSlider->OnChange = [this](TEMSlider* sender) { VolSliderChange(sender); };
    bound |= kBindVolumeChange;
  }
  if (e->SetCueButton) {
    e->SetCueButton->OnMouseDown = [this](TEMButton* sender, Qt::MouseButton,
                                          Qt::KeyboardModifiers, int, int) {
      SetCueMouseDown(sender);
    };
    bound |= kBindSetCueDown;
  }
  if (e->ToCueButton) {
    e->ToCueButton->OnMouseDown = [this](TEMButton* sender, Qt::MouseButton,
                                         Qt::KeyboardModifiers, int, int) {
      ToCueMouseDown(sender);
    };
    bound |= kBindToCueDown;
  }
  if (e->SearchBackButton) {
    e->SearchBackButton->OnMousePress = [this](TEMButton* sender) { SearchPressBack(sender); };
    bound |= kBindSearchBackPress;
  }
  if (e->SearchForwButton) {
    e->SearchForwButton->OnMousePress = [this](TEMButton* sender) { SearchPressForw(sender); };
    bound |= kBindSearchForwPress;
  }
  auto bendRelease = [this](TEMButton* sender, Qt::MouseButton, Qt::KeyboardModifiers, int,
                            int) { PitchBendMouse(sender); };
  if (e->PitchUpButton) {
    e->PitchUpButton->OnMousePress = [this](TEMButton* sender) { PitchBendUp(sender); };
    e->PitchUpButton->OnMouseUp = bendRelease;
    bound |= kBindPitchUpPress | kBindPitchUpUp;
  }
  if (e->PitchDownButton) {
    e->PitchDownButton->OnMousePress = [this](TEMButton* sender) { PitchBendDown(sender); };
    e->PitchDownButton->OnMouseUp = bendRelease;
    bound |= kBindPitchDownPress | kBindPitchDownUp;
  }
  if (e->PositionMeter) {
    e->PositionMeter->OnClickPosition = [this](TRLed* sender, int value) {
      ClickPosition(sender, value);
    };
    bound |= kBindPositionClick;
  }
}

bool TFMODJingle::EmptyFileEntry(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return false;
  const std::uint32_t bound = e->BoundEvents;
  auto had = [bound](std::uint32_t bit) { return (bound & bit) != 0; };
  if (e->MinutesLCD && had(kBindMinutesClick)) e->MinutesLCD->OnClick = nullptr;
  if (e->SecondsLCD && had(kBindSecondsClick)) e->SecondsLCD->OnClick = nullptr;
  if (e->FractionsLCD && had(kBindFractionsClick)) e->FractionsLCD->OnClick = nullptr;
  if (e->PlayButton && had(kBindPlayClick)) e->PlayButton->OnClick = nullptr;
  if (e->StopButton && had(kBindStopClick)) e->StopButton->OnClick = nullptr;
  if (e->FadeButton && had(kBindFadeClick)) e->FadeButton->OnClick = nullptr;
  if (e->PositionSlider && had(kBindPositionChanged)) e->PositionSlider->OnChanged = nullptr;
  if (e->PitchSlider && had(kBindPitchChange)) e->PitchSlider->OnChange = nullptr;
  if (e->VolumeSlider && had(kBindVolumeChange)) e->VolumeSlider->OnChange = nullptr;
  if (e->SetCueButton && had(kBindSetCueDown)) e->SetCueButton->OnMouseDown = nullptr;
  if (e->ToCueButton && had(kBindToCueDown)) e->ToCueButton->OnMouseDown = nullptr;
  if (e->SearchBackButton && had(kBindSearchBackPress)) e->SearchBackButton->OnMousePress = nullptr;
  if (e->SearchForwButton && had(kBindSearchForwPress)) e->SearchForwButton->OnMousePress = nullptr;
  if (e->PitchUpButton && had(kBindPitchUpPress)) e->PitchUpButton->OnMousePress = nullptr;
  if (e->PitchUpButton && had(kBindPitchUpUp)) e->PitchUpButton->OnMouseUp = nullptr;
  if (e->PitchDownButton && had(kBindPitchDownPress)) e->PitchDownButton->OnMousePress = nullptr;
  if (e->PitchDownButton && had(kBindPitchDownUp)) e->PitchDownButton->OnMouseUp = nullptr;
  if (e->PositionMeter && had(kBindPositionClick)) e->PositionMeter->OnClickPosition = nullptr;
  e->BoundEvents = 0;
  return true;
}

void TFMODJingle::ResetFile(FMOD_File* e) {
  if (!e) return;
  e->FileName.clear();
  e->Stream = nullptr;
  e->State = fsStopped;
  e->Frequency = 44100;
  e->Duration = 0;
  e->Channel = -1;
  e->LastTime = -1;
  e->CuePoint = 0;
  e->FadeTime = 5;
  e->FadingOut = false;
  e->FadingIn = false;
  e->VinylStopping = false;
  e->TimeScale = 1.0f;
  e->PitchBendActive = false;
  e->PitchBendValue = 100000;
  e->IntroTime = 0;
}

int TFMODJingle::OpenFile(const std::string& name, int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e) return -2;
  if (e->State == fsOpening) return -3;
  if (name.size() < 5) return 0;
  TFMODJingle* owner = e->Owner;
  SoundLib* lib = LibraryOf(e);
  // Without a running output the entry cannot play: reported like a missing entry, which
  // callers word as "not initialized".
  if (!lib || !owner->initialised_) return -2;
  CloseFile(index);
  unsigned mode = owner->speakers_ == STEREO ? kOpenNormal : kOpenForceMono;
  if (owner->accurateTime_) mode |= kModeAccurateLength;
  mode |= owner->hw2d_ ? kModeHw2D : kMode2D;
  if (!owner->blockAtOpening_) mode |= kModeNonBlocking;
  e->Stream = lib->Stream_Open(name, mode, 0, 0);
  if (!e->Stream) return -1;
  e->FileName = name;
  if (!owner->blockAtOpening_) {
    SetFileState(fsOpening, e);
    DeckShared::Get()->EnableClock();
    return 1;
  }
  TakeOpenedStream(lib, e);
  SetFileState(fsOpened, e);
  return e->Duration;
}

void TFMODJingle::CloseFile(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->Stream) return;
  Stop(index);
  SoundLib* lib = LibraryOf(e);
  if (!lib || !lib->Stream_Close(e->Stream)) return;  // refused: the entry stays loaded
  ResetFile(e);
  if (e->PositionSlider) e->PositionSlider->SetValue(e->CuePoint);
  if (e->MinutesLCD) e->MinutesLCD->SetValue(e->RemainTime ? QStringLiteral("- 0")
                                                           : QStringLiteral("  0"));
  if (e->SecondsLCD) e->SecondsLCD->SetValue(QStringLiteral("00"));
  if (e->FractionsLCD) e->FractionsLCD->SetValue(QStringLiteral("000"));
}

bool TFMODJingle::Play(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->Stream) return false;
  SoundLib* lib = LibraryOf(e);
  if (!lib) return false;
  e->Channel = lib->Stream_Play(kFreeChannel, e->Stream);
  if (e->Channel < 0) return false;
  if (e->VolumeSlider) SetVolume(e->VolumeSlider->Value(), e);
  switch (e->Owner->speakers_) {
    case STEREO: lib->SetPan(e->Channel, kStereoPan); break;
    case MONO_LEFT: lib->SetPan(e->Channel, 0); break;
    case MONO_RIGHT: lib->SetPan(e->Channel, 255); break;
  }
  e->Frequency = lib->GetFrequency(e->Channel);
  ApplyKeyLock(e);
  if (e->PitchSlider) SetFrequency(static_cast<float>(e->PitchSlider->Value()), index);
  DeckShared::Get()->EnableClock();
  SetFileState(fsPlaying, e);
  return true;
}

void TFMODJingle::Pause(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || e->Channel < 0) return;
  SoundLib* lib = LibraryOf(e);
  if (!lib) return;
  if (lib->GetPaused(e->Channel)) {
    lib->SetPaused(e->Channel, false);
    SetFileState(fsPlaying, e);
  } else {
    lib->SetPaused(e->Channel, true);
    if (e->State == fsSearching && e->Stream) lib->Stream_SetTime(e->Stream, e->CuePoint);
    SetFileState(fsPaused, e);
  }
}

void TFMODJingle::Stop(int index) {
  FMOD_File* e = GetFileEntry(index);
  if (!e || !e->Stream) return;
  SetFileState(fsStopped, e);
  if (SoundLib* lib = LibraryOf(e)) lib->Stream_Stop(e->Stream);
  NotifyZero(e);
}

void TFMODJingle::SetFileState(TFileState state, FMOD_File* e) {
  if (!e) return;
  if (e->PlayButton && e->StopButton) {
    const bool playLit = !(state == fsStopped || state == fsEnded || state == fsCueStop ||
                           state == fsOpened);
    e->PlayButton->SetBtnState(playLit);
    e->StopButton->SetBtnState(!playLit);
  }
  if (state == fsEnded && e->Stream) {
    if (SoundLib* lib = LibraryOf(e)) lib->Stream_Stop(e->Stream);
  }
  if (state != fsFading) {
    e->FadingOut = false;
    e->FadingIn = false;
  }
  if (state != e->State) {
    e->State = state;
    if (e->Owner && e->Owner->OnNotifyFileState) e->Owner->OnNotifyFileState(e, state, e->Index);
  }
}

TFileState TFMODJingle::GetFileState(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->State : fsStopped;
}

std::string TFMODJingle::GetFileName(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->FileName : std::string();
}

bool TFMODJingle::GetBlinkTime(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->BlinkTime : false;
}

int TFMODJingle::GetFadeTime(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->FadeTime : -1;
}

int TFMODJingle::GetDuration(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->Duration : -1;
}

bool TFMODJingle::GetRemainTime(int index) const {
  const FMOD_File* e = GetFileEntry(index);
  return e ? e->RemainTime : false;
}

}  // namespace spinwave
