// A deck that records every call and raises the states the engine would, so the transport's
// rules can be checked exactly and at once.
#pragma once

#include <string>
#include <vector>

#include "engine/DeckPort.h"

namespace spinwave::test {

using Strings = std::vector<std::string>;

class FakeDeckPort : public DeckPort {
 public:
  explicit FakeDeckPort(int index) : DeckPort(nullptr, index) {}

  int Open(const std::string& path) override {
    calls.push_back("open " + path);
    if (openResult < 0) return openResult;  // refused at once: nothing loaded
    file = path;
    last = -1;  // a new file: the clock has handled no time of it yet
    Raise(fsOpening);  // a background open, as the main decks do
    return 1;
  }
  bool Play() override {
    calls.push_back("play");
    Raise(fsPlaying);
    return true;
  }
  void Pause() override {
    calls.push_back("pause");
    Raise(state == fsPaused ? fsPlaying : fsPaused);
  }
  void Stop() override { Raise(fsStopped); }
  void Close() override {
    calls.push_back("close");
    file.clear();
    last = -1;
    Raise(fsStopped);
  }
  void SetCuePoint() override { calls.push_back("cue"); }
  void VinylStop(int step) override { calls.push_back("vinyl " + std::to_string(step)); }
  TFileState State() const override { return state; }
  std::string FileName() const override { return file; }
  int LastTime() const override { return last; }
  int MixTime() const override { return mix; }
  void SetMixTime(int ms) override { mix = ms; }
  void SetIntroTime(int s) override { intro = s; }
  void SetCrossFader(int percent) override { gains.push_back(percent); }
  int FadeTime() const override { return fade; }
  void SetFadeTime(int s) override { fade = s; }
  int Volume() const override { return volume; }
  void SetVolume(int v) override { volume = v; }
  int Pitch() const override { return pitch; }
  void SetPitch(int p) override { pitch = p; }

  // The engine reports a new state (only a change is reported).
  void Raise(TFileState s) {
    if (s == state) return;
    state = s;
    RaiseState(s);
  }
  // A background open fails: the engine reports it by the open event alone.
  void FailOpen(int result) {
    state = fsOpenFailed;
    RaiseOpened(fsOpenFailed, result);
  }
  // The clock reports a position (the stream time it handled moves with it).
  void Report(int position, int range) {
    last = position;
    RaisePosition(position, range);
  }

  Strings calls;
  std::string file;
  TFileState state = fsStopped;
  int last = -1;  // the stream time the clock handled last
  int mix = 0, intro = 0, fade = 5, volume = 255, pitch = 103000;
  int openResult = 1;  // what Open returns (below 0: the engine refuses the open)
  std::vector<int> gains;
};

}  // namespace spinwave::test
