#include "engine/DeckPort.h"

#include <map>
#include <vector>

#include "engine/TFMODJingle.h"

namespace spinwave {

// The ports listening to each component, and the component's events pointed at them.
struct DeckPortHub {
  static std::map<TFMODJingle*, std::vector<DeckPort*>>& Ports() {
    static std::map<TFMODJingle*, std::vector<DeckPort*>> ports;
    return ports;
  }

  static DeckPort* PortOf(TFMODJingle* component, int index) {
    auto it = Ports().find(component);
    if (it == Ports().end()) return nullptr;
    for (DeckPort* port : it->second)
      if (port->index_ == index) return port;
    return nullptr;
  }

  // Events of an entry reach the component that owns it; the port may have been made over
  // any component, so both are searched.
  static DeckPort* Find(FMOD_File* file, int index) {
    if (file && file->Owner)
      if (DeckPort* port = PortOf(file->Owner, index)) return port;
    for (auto& [component, ports] : Ports())
      for (DeckPort* port : ports)
        if (port->index_ == index) return port;
    return nullptr;
  }

  static void Listen(TFMODJingle* component) {
    component->OnNotifyFileState = [](FMOD_File* file, TFileState state, int index) {
      if (DeckPort* port = Find(file, index)) port->RaiseState(state);
    };
    component->OnNotifyPosition = [](FMOD_File* file, int position, int range, int index) {
      if (DeckPort* port = Find(file, index)) port->RaisePosition(position, range);
    };
    component->OnNotifyTime = [](FMOD_File* file, int, int minutes, int seconds, int fractions,
                                 int index) {
      if (DeckPort* port = Find(file, index)) port->RaiseTime(minutes, seconds, fractions);
    };
    // The third argument of this event is the open's result, not the index.
    component->OnNotifyOpened = [](FMOD_File* file, TFileState state, int result) {
      if (!file) return;
      if (DeckPort* port = Find(file, file->Index)) port->RaiseOpened(state, result);
    };
  }

  static void Forget(TFMODJingle* component) {
    component->OnNotifyFileState = nullptr;
    component->OnNotifyPosition = nullptr;
    component->OnNotifyTime = nullptr;
    component->OnNotifyOpened = nullptr;
  }

  // The component whose events carry the entry's notifications.
  static TFMODJingle* ComponentOf(TFMODJingle* engine, int index) {
    FMOD_File* entry = TFMODJingle::GetFileEntry(index);
    return entry && entry->Owner ? entry->Owner : engine;
  }

  static void Add(DeckPort* port, TFMODJingle* component) {
    auto& list = Ports()[component];
    if (list.empty()) Listen(component);
    list.push_back(port);
  }

  static void Remove(DeckPort* port) {
    for (auto it = Ports().begin(); it != Ports().end(); ++it) {
      auto& list = it->second;
      for (auto p = list.begin(); p != list.end(); ++p) {
        if (*p != port) continue;
        list.erase(p);
        if (list.empty()) {
          Forget(it->first);
          Ports().erase(it);
        }
        return;
      }
    }
  }
};

DeckPort::DeckPort(TFMODJingle* engine, int index, QObject* parent)
    : QObject(parent), engine_(engine), index_(index) {
  if (engine_) DeckPortHub::Add(this, DeckPortHub::ComponentOf(engine_, index_));
}

DeckPort::~DeckPort() {
  if (engine_) DeckPortHub::Remove(this);
}

FMOD_File* DeckPort::Entry() const { return engine_ ? TFMODJingle::GetFileEntry(index_) : nullptr; }

void DeckPort::RaisePosition(int position, int range) {
  position_ = position;
  range_ = range;
  emit positionChanged(position, range);
}

int DeckPort::Open(const std::string& path) { return engine_ ? engine_->OpenFile(path, index_) : -2; }

bool DeckPort::Play() { return engine_ && engine_->Play(index_); }

void DeckPort::Pause() {
  if (engine_) engine_->Pause(index_);
}

void DeckPort::Stop() {
  if (engine_) engine_->Stop(index_);
}

void DeckPort::Close() {
  if (!engine_) return;
  engine_->CloseFile(index_);
  position_ = 0;
  range_ = 0;
}

void DeckPort::SetCuePoint() {
  if (engine_) engine_->SetCuePoint(index_);
}

void DeckPort::VinylStop(int step) {
  if (engine_ && Entry()) engine_->VinylStop(step, index_);
}

TFileState DeckPort::State() const { return engine_ ? engine_->GetFileState(index_) : fsStopped; }

std::string DeckPort::FileName() const { return engine_ ? engine_->GetFileName(index_) : ""; }

int DeckPort::Duration() const { return engine_ ? engine_->GetDuration(index_) : -1; }

int DeckPort::LastTime() const {
  FMOD_File* e = Entry();
  return e ? e->LastTime : -1;
}

int DeckPort::MixTime() const {
  FMOD_File* e = Entry();
  return e ? e->MixTime : 0;
}

void DeckPort::SetMixTime(int ms) {
  if (engine_) engine_->SetMixTime(ms, index_);
}

void DeckPort::SetIntroTime(int seconds) {
  if (FMOD_File* e = Entry()) e->IntroTime = seconds;
}

void DeckPort::SetCrossFader(int percent) {
  if (engine_) engine_->SetCrossFader(percent, index_);
}

float DeckPort::Gain() const {
  FMOD_File* e = Entry();
  return e ? e->Gain : 1.0f;
}

int DeckPort::FadeTime() const { return engine_ ? engine_->GetFadeTime(index_) : -1; }

void DeckPort::SetFadeTime(int seconds) {
  if (engine_) engine_->SetFadeTime(seconds, index_);
}

int DeckPort::Volume() const {
  FMOD_File* e = Entry();
  return e && e->VolumeSlider ? e->VolumeSlider->Value() : -1;
}

void DeckPort::SetVolume(int volume) {
  FMOD_File* e = Entry();
  if (e && e->VolumeSlider) e->VolumeSlider->SetValue(volume);  // OnChange applies it
}

int DeckPort::Pitch() const {
  FMOD_File* e = Entry();
  return e && e->PitchSlider ? e->PitchSlider->Value() : -1;
}

void DeckPort::SetPitch(int pitch) {
  FMOD_File* e = Entry();
  if (e && e->PitchSlider) e->PitchSlider->SetValue(pitch);
}

bool DeckPort::KeyLock() const { return engine_ && engine_->GetKeyLock(index_); }

void DeckPort::SetKeyLock(bool on) {
  if (engine_) engine_->SetKeyLock(index_, on);
}

}  // namespace spinwave
