// A deck entry: one loaded file of a deck component with its transport state and the display
// controls bound to it. Entries of all components live in one process-wide table (DeckShared)
// and are addressed by their index in it.
#pragma once

#include <cstdint>
#include <string>

#include <QLabel>
#include <QPointer>

#include "controls/TEMButton.h"
#include "controls/TEMLCD.h"
#include "controls/TEMSlider.h"
#include "controls/TRLed.h"

namespace spinwave {

struct SoundStream;
class TFMODJingle;

// Transport state of an entry. The numbers are fixed: other parts of the console compare them.
enum TFileState : std::uint8_t {
  fsStopped = 0,
  fsPlaying = 1,
  fsPaused = 2,
  fsEnded = 3,
  fsSearching = 4,
  fsFading = 5,
  fsCueStop = 6,
  fsOpened = 7,
  fsOpening = 8,
  fsOpenFailed = 9,
};

// Output types in the sound library's own numbering (stored in settings and logged as numbers).
enum FSOUND_OUTPUTTYPES : int {
  NOSOUND = 0,
  WINMM = 1,
  DIRECTSOUND = 2,
  FSOUND_OUTPUT_A3D = 3,
  FSOUND_OUTPUT_OSS = 4,
  FSOUND_OUTPUT_ESD = 5,
  FSOUND_OUTPUT_ALSA = 6,
  ASIO = 7,
  FSOUND_OUTPUT_XBOX = 8,
  FSOUND_OUTPUT_PS2 = 9,
  FSOUND_OUTPUT_MAC = 10,
  FSOUND_OUTPUT_GC = 11,
  FSOUND_OUTPUT_NOSOUND_NONREALTIME = 12,
};

// Which side(s) a component plays on.
enum TOutputType : int { MONO_LEFT = 0, STEREO = 1, MONO_RIGHT = 2 };

struct FMOD_File {
  std::string FileName;
  SoundStream* Stream = nullptr;
  TFMODJingle* Owner = nullptr;
  TFileState State = fsStopped;
  std::int32_t Index = -1;
  std::int32_t Frequency = 44100;  // native rate of the playing channel, Hz
  std::int32_t Duration = 0;       // ms
  std::int32_t Channel = -1;
  std::int32_t LastTime = -1;  // last stream time handled by the clock, ms
  std::int32_t CuePoint = 0;   // stream ms
  std::int32_t FadeStart = 0;  // scaled time at which the fade began
  std::int32_t FadeTime = 5;   // seconds
  std::int32_t FadeStartVolume = 0;
  std::int32_t MixTime = 0;  // automix point
  bool FadingOut = false;
  bool FadingIn = false;
  bool BlinkTime = false;   // blink the displays in the last 30 s
  bool RemainTime = true;   // displays count down
  bool VinylStopping = false;
  std::int32_t VinylStep = 0;  // Hz removed per clock tick
  float TimeScale = 1.0f;      // native rate / actual rate
  float Gain = 1.0f;           // crossfader factor 0..1
  bool PitchBendActive = false;
  std::int32_t PitchBendValue = 100000;
  std::int32_t IntroTime = 0;  // seconds
  // Keylock: the pitch slider and pitch bend change the tempo, the key stays (a vinyl stop
  // still lowers it). A property of the deck: kept from track to track.
  bool KeyLock = false;

  // Control events the engine bound to this entry (bits of the engine's own), so that
  // unbinding clears exactly those and leaves handlers the console bound first.
  std::uint32_t BoundEvents = 0;

  // Bound controls; any may be absent. Guarded pointers: a control destroyed before the entry
  // simply reads as absent.
  QPointer<QLabel> PitchLabel, IntroLabel;
  QPointer<TRLed> VULeft, VURight, PositionMeter;
  QPointer<TEMLCD> MinutesLCD, SecondsLCD, FractionsLCD;
  QPointer<TEMSlider> PositionSlider, PitchSlider, VolumeSlider;
  QPointer<TEMButton> PlayButton, StopButton, FadeButton, SetCueButton, ToCueButton,
      SearchBackButton, SearchForwButton, PitchUpButton, PitchDownButton;
};

}  // namespace spinwave
