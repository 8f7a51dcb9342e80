// The talkover microphone: the rate steering on fake positions, and a thread without a
// recording device that ends quietly and says why.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <chrono>
#include <thread>

#include "engine/MicRateSteering.h"
#include "engine/TMicThread.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

TEST(MicRateSteering, KeepsThePlaybackFiftyToAHundredMillisecondsBehind) {
  struct Reading {
    int play, record;
    int rate;  // -1: left as it is
  };
  // Base 44100 Hz; 2205 frames = 50 ms, 4410 = 100 ms.
  const Reading readings[] = {
      {1000, 2000, 43100},    // 1000 frames behind: too close, slower
      {2000, 4204, 43100},    // 2204 behind: still closer than 50 ms
      {3000, 5205, 44100},    // exactly 50 ms behind: the base rate
      {4000, 8410, 44100},    // exactly 100 ms behind
      {5000, 9411, 45100},    // 4411 behind: too far, faster
      {100, 9500, -1},        // the play position wrapped to the start of the loop
      {200, 300, -1},         // the record position wrapped
      {200, 400, -1},         // play position did not move
      {300, 500, 43100},      // both moved on again
  };
  MicRateSteering steering(44100);
  for (const Reading& r : readings) {
    SCOPED_TRACE(std::to_string(r.play) + " / " + std::to_string(r.record));
    EXPECT_EQ(steering.Next(r.play, r.record), r.rate);
  }
}

TEST(TMicThread, WithoutARecordingDeviceItEndsQuietlyAndSaysWhy) {
  SoundLib lib("fmod.dll");
  ASSERT_TRUE(lib.SetOutput(kOutputNoSound));
  ASSERT_TRUE(lib.Init(44100, 4, 0));
  TMicThread mic(&lib, 0);
  QSignalSpy failed(&mic, &TMicThread::Failed);
  for (int i = 0; i < 500 && !mic.Finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(mic.Finished());
  mic.Wait();
  EXPECT_FALSE(mic.FailureText().isEmpty());
  EXPECT_EQ(TMicThread::MicChannel(), -1);
  EXPECT_FALSE(mic.SetTalking(true)) << "no microphone to unmute";
  EXPECT_TRUE(failed.count() == 1 || failed.wait(1000));
  EXPECT_EQ(failed.takeFirst().at(0).toString(), mic.FailureText());
}

}  // namespace
}  // namespace spinwave
