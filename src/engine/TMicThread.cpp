#include "engine/TMicThread.h"

#include <chrono>

#include "engine/MicRateSteering.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {
std::atomic<int> g_micChannel{-1};
}  // namespace

TMicThread::TMicThread(SoundLib* library, int recordDriver, QObject* parent)
    : QObject(parent), library_(library), recordDriver_(recordDriver) {}

void TMicThread::Start() {
  if (!thread_.joinable() && !finished_.load()) thread_ = std::thread([this] { Run(); });
}

TMicThread::~TMicThread() {
  Terminate();
  Wait();
}

void TMicThread::Terminate() {
  {
    std::lock_guard lock(mutex_);
    quit_.store(true);
  }
  wake_.notify_all();
}

void TMicThread::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

int TMicThread::MicChannel() { return g_micChannel.load(); }

bool TMicThread::SetTalking(bool lit) {
  const int channel = g_micChannel.load();
  if (channel < 0 || !library_) return false;
  return library_->SetVolume(channel, lit ? 255 : 0);
}

QString TMicThread::FailureText() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void TMicThread::Fail(const QString& reason) {
  {
    std::lock_guard lock(mutex_);
    failure_ = reason;
  }
  emit Failed(reason);
}

bool TMicThread::SleepOrQuit(int ms) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return quit_.load(); });
  return quit_.load();
}

void TMicThread::Run() {
  SoundLib* lib = library_;
  if (!lib || !lib->Record_SetDriver(recordDriver_)) {
    Fail(tr("No recording device: talkover lowers the music only"));
    finished_.store(true);
    return;
  }
  SoundSample* sample = lib->Sample_Alloc(-1, kSampleFrames, kMode16Bits | kModeStereo | kModeSigned,
                                          44100, 255, 128, 255);
  if (!sample) {
    Fail(tr("No memory for the microphone: talkover lowers the music only"));
    finished_.store(true);
    return;
  }
  lib->Sample_SetMode(sample, kModeLoopNormal);
  if (!lib->Record_StartSample(sample, true)) {
    lib->Sample_Free(sample);
    Fail(tr("The recording device does not start: talkover lowers the music only"));
    finished_.store(true);
    return;
  }
  // The playback starts once the first recorded frames are in.
  bool quit = false;
  while (lib->Record_GetPosition() == 0) {
    if (SleepOrQuit(1)) {
      quit = true;
      break;
    }
  }
  int channel = -1;
  if (!quit) {
    channel = lib->PlaySound(kFreeChannel, sample);
    if (channel < 0) {
      lib->Record_Stop();
      lib->Sample_Free(sample);
      Fail(tr("No free channel for the microphone: talkover lowers the music only"));
      finished_.store(true);
      return;
    }
    lib->SetVolume(channel, 0);  // muted until the talkover lamp lights
    g_micChannel.store(channel);
    emit Started(channel);
    MicRateSteering steering(lib->GetFrequency(channel));
    int current = steering.Base();
    while (!SleepOrQuit(10)) {
      const int rate = steering.Next(lib->GetCurrentPosition(channel), lib->Record_GetPosition());
      if (rate > 0 && rate != current) {
        lib->SetFrequency(channel, rate);
        current = rate;
      }
    }
  }
  if (channel >= 0) lib->StopSound(channel);
  g_micChannel.store(-1);
  lib->Record_Stop();
  lib->Sample_Free(sample);
  finished_.store(true);
}

}  // namespace spinwave
