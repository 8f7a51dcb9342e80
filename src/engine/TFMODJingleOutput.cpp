// Sound-library set-up of a deck component: creating its library instance, the process-wide
// device lists, opening the output, error messages and the diagnostics log.
#include <cstdio>
#include <new>

#include "core/Messages.h"
#include "core/LogFile.h"
#include "core/Paths.h"
#include "engine/DeckShared.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

const char* const kLogRule = "\r\n---------------------------------------------------------";

// Logs the devices of one output type and appends their names to `list`.
void ListOutputs(SoundLib& lib, int type, const char* title, std::vector<std::string>& list) {
  TFMODJingle::FMODLog(std::string("\r\n        Get ") + title + " outputs:");
  lib.SetOutput(type);
  const int count = lib.GetNumDrivers();
  for (int i = 0; i < count; ++i) {
    const std::string name = lib.GetDriverName(i);
    TFMODJingle::FMODLog("\r\n            " + name);
    list.push_back(name);
  }
}

}  // namespace

std::string TFMODJingle::LogFileName() { return ProgramFolder() + "fmodlog.txt"; }

void TFMODJingle::FMODLog(const std::string& text) { AppendToLog(LogFileName(), text); }

bool TFMODJingle::Init(const std::string& libraryFile) {
  if (library_) return true;
  FMODLog(kLogRule);
  FMODLog("\r\nInitializing " + libraryFile + " for " + Name());
  try {
    library_ = std::make_unique<SoundLib>(libraryFile);
  } catch (const std::exception&) {
    library_.reset();
  }
  if (!library_) {
    FMODLog("\r\n    NOT Loaded");
    ErrMsg(1, libraryFile);
    return false;
  }
  FMODLog("\r\n    Loaded");
  DeckShared* shared = DeckShared::Get();
  if (shared && !shared->devicesListed) {
    shared->devicesListed = true;
    FMODLog("\r\n    Setting output");
    ListOutputs(*library_, WINMM, "WINMM", shared->winmmOutputs);
    ListOutputs(*library_, DIRECTSOUND, "DIRECTSOUND", shared->directSoundOutputs);
    ListOutputs(*library_, ASIO, "ASIO", shared->asioOutputs);
    FMODLog("\r\n        Get DIRECTSOUND inputs:");
    library_->SetOutput(DIRECTSOUND);
    const int count = library_->Record_GetNumDrivers();
    for (int i = 0; i < count; ++i) {
      const std::string name = library_->Record_GetDriverName(i);
      FMODLog("\r\n            " + name);
      shared->directSoundInputs.push_back(name);
    }
  }
  return true;
}

void TFMODJingle::SetOutput() {
  if (!library_) return;
  FMODLog(kLogRule);
  FMODLog("\r\nOutputType  : " + std::to_string(static_cast<int>(outputType_)));
  FMODLog("\r\nOutputDriver: " + std::to_string(outputDriver_));
  FMODLog("\r\nSetOutput " + Name());
  if (initialised_) {
    if (DeckShared* shared = DeckShared::Get()) {
      for (std::size_t i = 0; i < shared->entries.size(); ++i) {
        if (shared->entries[i] && shared->entries[i]->Owner == this) {
          CloseFile(static_cast<int>(i));
        }
      }
    }
    library_->Close();
    initialised_ = false;
  }
  library_->SetOutput(outputType_);
  library_->SetDriver(outputDriver_);
  library_->SetMixer(kMixerQualityAutodetect);
  if (bufferSize_ > 0) library_->SetBufferSize(bufferSize_);
  initialised_ =
      library_->Init(44100, maxChannels_, outputType_ == DIRECTSOUND ? kInitGlobalFocus : 0);
  if (initialised_) {
    FMODLog(" succeeded");
  } else {
    FMODLog(" error occured");
    ErrMsg(2, "");
  }
  FMODLog("\r\nFSOUND_MIXER: " + std::to_string(library_->GetMixer()));
}

std::vector<std::string> TFMODJingle::ReturnOutputs(int kind) {
  DeckShared* shared = DeckShared::Get();
  if (!shared) return {};
  switch (kind) {
    case 1: return shared->directSoundOutputs;
    case 2: return shared->asioOutputs;
    default: return shared->winmmOutputs;
  }
}

std::vector<std::string> TFMODJingle::ReturnInputs() {
  DeckShared* shared = DeckShared::Get();
  return shared ? shared->directSoundInputs : std::vector<std::string>();
}

void TFMODJingle::ErrMsg(int kind, const std::string& text) {
  std::string what;
  if (kind == 1) {
    what = "Couldn't load \"" + text + "\"";
  } else if (kind == 2) {
    what = "Couldn't initialize decoder";
  } else {
    return;
  }
  ShowMessage(Name() + " ERROR! " + what + ".\n\nPlayback of audio not possible!");
}

}  // namespace spinwave
