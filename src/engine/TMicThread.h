// The talkover microphone: a thread that records from a recording device into a looping 5 s
// sample and plays that sample back live through Player1's sound library, muted until the
// talkover lamp lights, steering the playback rate so that it trails the recording by 50 to
// 100 ms (MicRateSteering). The microphone then reaches the output and the DSP plug-ins with the
// music.
//
// Started at start-up when RecordInput is on. Without a usable recording device the thread ends
// at once and quietly: Failed tells why, for the talkover button's hint; talkover then only
// lowers the music.
//
// The console owns the object (the thread does not free itself: a thread that frees itself
// could not be waited for at shutdown, and the library would be closed under it). Destroying it
// ends the thread and waits for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QObject>
#include <QString>

namespace spinwave {

class SoundLib;
struct SoundSample;

class TMicThread : public QObject {
  Q_OBJECT
 public:
  // The capture sample: 5 s at 44100 Hz, 16-bit stereo, looping.
  static constexpr int kSampleFrames = 220500;

  // The thread for `library` (Player1's) and recording device `recordDriver` (a position in the
  // recording-device list). Start runs it: connect the signals first, then call it at once.
  TMicThread(SoundLib* library, int recordDriver, QObject* parent = nullptr);
  void Start();
  ~TMicThread() override;
  TMicThread(const TMicThread&) = delete;
  TMicThread& operator=(const TMicThread&) = delete;

  // Asks the thread to end (stops the channel and the recording, frees the sample); returns at
  // once. Wait joins it.
  void Terminate();
  void Wait();
  bool Finished() const { return finished_.load(); }

  // The microphone channel of the process, -1 while no microphone plays.
  static int MicChannel();
  // The talkover lamp changed: the microphone is heard (volume 255) exactly while it is lit.
  // False when no microphone plays.
  bool SetTalking(bool lit);

  // Why the thread ended without a microphone ("" while it runs or after Terminate).
  QString FailureText() const;

 signals:
  // The microphone plays (muted) on its channel. Emitted from the thread.
  void Started(int channel);
  // The thread ended without a microphone; `reason` is a sentence for the talkover hint.
  // Emitted from the thread (connect queued to touch widgets).
  void Failed(const QString& reason);

 private:
  void Run();
  void Fail(const QString& reason);
  // Sleeps up to `ms`; true when asked to terminate.
  bool SleepOrQuit(int ms);

  SoundLib* library_;
  const int recordDriver_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex mutex_;  // guards failure_ and the wake-up; never held while calling the library
  std::condition_variable wake_;
  QString failure_;
  std::thread thread_;
};

}  // namespace spinwave
