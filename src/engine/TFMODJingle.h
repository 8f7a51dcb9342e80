// The deck engine component: plays any number of deck entries (files with their transport state
// and bound display controls) through its own sound-library instance. All entries of all
// components live in one process-wide table and are addressed by index from any component; each
// sound-library call goes through the library of the entry's own component (its Owner).
//
// One 10 ms deck clock, shared by all components, follows every entry: it completes background
// opens, drives the bound displays, detects the end of a file and raises the four events. Tests
// and tools can drive it by hand (SetClockManual + NotifyTimerTime) together with a
// NOSOUND_NONREALTIME output advanced by Library()->Update(ms).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "engine/DeckEntry.h"

namespace spinwave {

class SoundLib;

using TNotifyFileState = std::function<void(FMOD_File* file, TFileState state, int index)>;
using TNotifyPosition = std::function<void(FMOD_File* file, int position, int range, int index)>;
using TNotifyTime = std::function<void(FMOD_File* file, int hours, int minutes, int seconds,
                                       int fractions, int index)>;

class TFMODJingle : public QObject {
  Q_OBJECT
 public:
  // `name` is the component name used in messages and the log ("Player1", "CheckMP3" ...).
  explicit TFMODJingle(const QString& name = QString(), QObject* parent = nullptr);
  ~TFMODJingle() override;
  TFMODJingle(const TFMODJingle&) = delete;
  TFMODJingle& operator=(const TFMODJingle&) = delete;

  std::string Name() const { return objectName().toStdString(); }

  // --- Published properties ------------------------------------------------------------------
  bool BlockAtOpening() const { return blockAtOpening_; }
  void SetBlockAtOpening(bool on) { blockAtOpening_ = on; }
  int MaxChannels() const { return maxChannels_; }
  void SetMaxChannels(int n) { maxChannels_ = n; }
  int OutputDriver() const { return outputDriver_; }
  void SetOutputDriver(int n) { outputDriver_ = n; }
  int BufferSize() const { return bufferSize_; }
  void SetBufferSize(int ms) { bufferSize_ = ms; }
  TOutputType Speakers() const { return speakers_; }
  void SetSpeakers(TOutputType s) { speakers_ = s; }
  FSOUND_OUTPUTTYPES OutputType() const { return outputType_; }
  // Stores the type only; it takes effect at SetOutput.
  void SetOutputType(FSOUND_OUTPUTTYPES type) { outputType_ = type; }
  bool AccurateTime() const { return accurateTime_; }
  void SetAccurateTime(bool on) { accurateTime_ = on; }
  bool DisplayExactTime() const { return displayExactTime_; }
  void SetDisplayExactTime(bool on) { displayExactTime_ = on; }
  bool HW2D() const { return hw2d_; }
  void SetHW2D(bool on) { hw2d_ = on; }

  TNotifyFileState OnNotifyFileState;
  TNotifyPosition OnNotifyPosition;
  TNotifyTime OnNotifyTime;
  // Third argument: 0 on success (state fsOpened), the library's open result (-1 or -3) on
  // failure (state fsOpenFailed).
  TNotifyFileState OnNotifyOpened;

  // Sound library of this component; null until Init.
  SoundLib* Library() const { return library_.get(); }
  bool Initialised() const { return initialised_; }

  // --- Entries and transport ------------------------------------------------------------------
  int AddFileEntry(TRLed* vuLeft, TRLed* vuRight, TRLed* positionMeter, TEMLCD* minutesLCD,
                   TEMLCD* secondsLCD, TEMLCD* fractionsLCD, TEMSlider* positionSlider,
                   TEMSlider* pitchSlider, TEMSlider* volumeSlider, TEMButton* play,
                   TEMButton* stop, TEMButton* setCue, TEMButton* toCue, TEMButton* searchBack,
                   TEMButton* searchForw, TEMButton* fade, TEMButton* pitchUp,
                   TEMButton* pitchDown, QLabel* pitchLabel, QLabel* introLabel);
  bool EmptyFileEntry(int index);
  static FMOD_File* GetFileEntry(int index);
  // Slots in the process-wide table (empty slots included).
  static int FileEntryCount();
  // Opens a file into the entry: blocking → the length in ms; background → 1; a name shorter
  // than 5 characters → 0; no stream → -1; no entry (or no output) → -2; entry opening → -3.
  int OpenFile(const std::string& name, int index);
  void CloseFile(int index);
  bool Play(int index);
  void Pause(int index);
  void Stop(int index);
  void ResetFile(FMOD_File* entry);
  void SetFileState(TFileState state, FMOD_File* entry);

  TFileState GetFileState(int index) const;
  std::string GetFileName(int index) const;
  bool GetBlinkTime(int index) const;
  int GetFadeTime(int index) const;
  int GetDuration(int index) const;
  bool GetRemainTime(int index) const;

  // --- Deck clock -----------------------------------------------------------------------------
  // The tick handler of the shared clock: follows every entry of every component.
  static void NotifyTimerTime();
  static bool ClockBusy();
  // True once Play or a background open enabled the clock.
  static bool ClockEnabled();
  // Manual clock: the timer never runs by itself; the owner calls NotifyTimerTime. Set it
  // before or after components exist; it stays for the process.
  static void SetClockManual(bool manual);
  // Time of day in hundredths of the second (0..99), read for blinking. Empty → the real clock.
  static void SetTimeOfDaySource(std::function<int()> hundredths);

  void SendNotifyTime(int time, FMOD_File* entry);
  void NotifyZero(FMOD_File* entry);
  void SetPosition(int time, FMOD_File* entry);
  void SetBlinkTime(bool flag, int index);
  void SetFadeTime(int seconds, int index);
  void SetMixTime(int value, int index);
  void SetRemainTime(bool flag, int index);

  // --- Volume, pitch, cue, search, fades ------------------------------------------------------
  void SetVolume(int volume, FMOD_File* entry);
  void SetCrossFader(int percent, int index);
  void SetFrequency(float pitch, int index);
  void SetCuePoint(int index);
  void ToCuePoint(int index);
  void SearchPress(int step, int index);
  void PitchBend(int delta, int index);
  void ReleasePitchBend(int index);
  void VinylStop(int step, int index);
  void Fade(int index);
  // Keylock of the entry (see FMOD_File::KeyLock), applied at once to a playing channel with
  // a cross-fade and kept for the next track. GetKeyLock is false for a missing entry.
  void SetKeyLock(int index, bool on);
  bool GetKeyLock(int index) const;

  // Control handlers (the entry is the sender's Tag).
  void PlayClick(TEMButton* sender);
  void StopClick(TEMButton* sender);
  void FadeClick(TEMButton* sender);
  void LCDClick(TEMLCD* sender);
  void VolSliderChange(TEMSlider* sender);
  void PitchSliderChange(TEMSlider* sender);
  void CueSliderChanged(TEMSlider* sender);
  void SetCueMouseDown(TEMButton* sender);
  void ToCueMouseDown(TEMButton* sender);
  void SearchPressForw(TEMButton* sender);
  void SearchPressBack(TEMButton* sender);
  void PitchBendUp(TEMButton* sender);
  void PitchBendDown(TEMButton* sender);
  void PitchBendMouse(TEMButton* sender);
  void ClickPosition(TRLed* sender, int value);

  // --- Output set-up --------------------------------------------------------------------------
  // Creates the component's sound-library instance under `libraryFile` ("fmod.dll" ...); the
  // first library of the process fills the device lists. True at once when already loaded.
  bool Init(const std::string& libraryFile);
  // (Re)opens the output with the current properties.
  void SetOutput();
  // Device lists filled by the first library: 0 WINMM, 1 DIRECTSOUND, 2 ASIO (others: WINMM).
  static std::vector<std::string> ReturnOutputs(int kind);
  static std::vector<std::string> ReturnInputs();
  // Warning box: kind 1 "Couldn't load" the text, kind 2 "Couldn't initialize decoder".
  void ErrMsg(int kind, const std::string& text);
  // Appends text to fmodlog.txt in the program folder (emptied first beyond 102,400 bytes).
  static void FMODLog(const std::string& text);
  static std::string LogFileName();

 private:
  void Bind(FMOD_File* entry);
  FMOD_File* EntryOfSender(int tag) const;
  void ShowTime(int displayed, FMOD_File* entry);
  bool FadeStep(FMOD_File* entry, int scaled);
  void TickEntry(FMOD_File* entry);
  // An open stream is ready: takes its length, sets the position slider's range, puts the cue
  // point at the start and shows the time 0 (the caller then sets fsOpened).
  void TakeOpenedStream(SoundLib* lib, FMOD_File* entry);
  static SoundLib* LibraryOf(const FMOD_File* entry);
  // Hands the entry's keylock to its channel: the key of the frequency now in effect.
  static void ApplyKeyLock(FMOD_File* entry);

  bool blockAtOpening_ = true;
  int maxChannels_ = 20;
  int outputDriver_ = 0;
  int bufferSize_ = 0;
  TOutputType speakers_ = STEREO;
  FSOUND_OUTPUTTYPES outputType_ = DIRECTSOUND;
  bool accurateTime_ = false;
  bool displayExactTime_ = false;
  bool hw2d_ = false;

  std::unique_ptr<SoundLib> library_;
  bool initialised_ = false;
};

}  // namespace spinwave
