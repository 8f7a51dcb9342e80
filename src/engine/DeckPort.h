// DeckPort: one deck as the console's controllers see it. A small adapter over one entry of the
// deck engine's process-wide table: open, play, pause, close, cue, mix time, crossfader gain and
// the slider values, and the engine's OnNotify* events of that entry turned into Qt signals.
//
// This is the only place where the engine's std::function events meet the console: every
// controller (the playlist transport, automix, the pre-listen panel) talks to a DeckPort and
// listens to its signals, so a test can hand it a fake that records calls and raises states.
//
// Several ports may share one component (with CentralOutput both main decks are entries of the
// left deck's component): the first port over a component takes that component's four events
// and hands each one to the port of the entry it concerns; the last port gives them back. A
// component's events must therefore not be assigned by anyone else while ports listen to it.
#pragma once

#include <string>

#include <QObject>

#include "engine/DeckEntry.h"

namespace spinwave {

class TFMODJingle;

class DeckPort : public QObject {
  Q_OBJECT
 public:
  // A port over entry `index`, whose sound goes through `engine` (any component can address
  // any entry; the entry's own component plays it). A null engine makes a port without an
  // entry: every call does nothing (fakes derive from that).
  DeckPort(TFMODJingle* engine, int index, QObject* parent = nullptr);
  ~DeckPort() override;
  DeckPort(const DeckPort&) = delete;
  DeckPort& operator=(const DeckPort&) = delete;

  int Index() const { return index_; }
  TFMODJingle* Engine() const { return engine_; }

  // --- Transport ------------------------------------------------------------------------------
  // The engine's OpenFile result: blocking → length in ms, background → 1, 0 for a name shorter
  // than 5 characters, -1 no stream, -2 no entry or output, -3 entry still opening.
  virtual int Open(const std::string& path);
  virtual bool Play();
  // Toggles pause (resume when paused).
  virtual void Pause();
  virtual void Stop();
  // Stops and empties the entry.
  virtual void Close();
  virtual void SetCuePoint();
  // Brakes the record to a halt by `step` Hz per clock tick.
  virtual void VinylStop(int step);

  // --- State ----------------------------------------------------------------------------------
  virtual TFileState State() const;
  virtual std::string FileName() const;
  virtual int Duration() const;   // ms; -1 without an entry
  virtual int LastTime() const;   // last stream time the clock handled, ms
  // Real-time position and length at the current pitch as last reported (positionChanged).
  int Position() const { return position_; }
  int Range() const { return range_; }

  // --- Entry fields and bound sliders ---------------------------------------------------------
  virtual int MixTime() const;
  virtual void SetMixTime(int ms);
  virtual void SetIntroTime(int seconds);
  // Crossfader input 0..100 (per cent of the volume; beyond the range it is held to it).
  virtual void SetCrossFader(int percent);
  virtual float Gain() const;
  virtual int FadeTime() const;  // seconds; -1 without an entry
  virtual void SetFadeTime(int seconds);
  // Value of the bound volume slider (0..255); -1 when none is bound. Setting it changes the
  // deck's volume through the slider.
  virtual int Volume() const;
  virtual void SetVolume(int volume);
  // Value of the bound pitch slider (thousandths of a per cent); -1 when none is bound.
  virtual int Pitch() const;
  virtual void SetPitch(int pitch);
  // Keylock of the deck: the pitch slider changes the tempo, the key stays.
  virtual bool KeyLock() const;
  virtual void SetKeyLock(bool on);

 signals:
  // The entry's file state changed (never raised twice for the same state).
  void stateChanged(int state);
  // A new time of the entry: position and length in ms of real time at the current pitch.
  void positionChanged(int position, int range);
  // The displayed time after the displays were updated (count-down applied).
  void timeChanged(int minutes, int seconds, int fractions);
  // A background open ended: state fsOpened with result 0, or fsOpenFailed with the open's
  // result (-1, -3).
  void opened(int state, int result);

 protected:
  // Fakes raise the events as the engine would (they also go through these).
  void RaiseState(int state) { emit stateChanged(state); }
  void RaisePosition(int position, int range);
  void RaiseTime(int minutes, int seconds, int fractions) {
    emit timeChanged(minutes, seconds, fractions);
  }
  void RaiseOpened(int state, int result) { emit opened(state, result); }

 private:
  friend struct DeckPortHub;
  FMOD_File* Entry() const;

  TFMODJingle* engine_;
  int index_;
  int position_ = 0;
  int range_ = 0;
};

}  // namespace spinwave
