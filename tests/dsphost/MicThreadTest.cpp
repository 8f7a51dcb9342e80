// The talkover microphone: the rate steering on fake positions, and a thread without a
// recording device that ends quietly and says why.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <chrono>
#include <thread>

#include "JackServer.h"
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
  mic.Start();
  for (int i = 0; i < 500 && !mic.Finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(mic.Finished());
  mic.Wait();
  EXPECT_FALSE(mic.FailureText().isEmpty());
  EXPECT_EQ(TMicThread::MicChannel(), -1);
  EXPECT_FALSE(mic.SetTalking(true)) << "no microphone to unmute";
  ASSERT_EQ(failed.count(), 1);
  EXPECT_EQ(failed.takeFirst().at(0).toString(), mic.FailureText());
}

// A real recording device: the capture side of a JACK server with its dummy driver. The thread
// records, plays the capture back muted on Player1's output, unmutes with the lamp, and steers
// the playback until it trails the recording by 50 to 100 ms.
TEST(TMicThread, RecordsFromAJackServerAndTrailsTheRecordingByFiftyToAHundredMs) {
  unsetenv("SPINWAVE_OUTPUT");  // this test needs the device path
  test::JackServer jack;
  if (!jack.Start()) GTEST_SKIP() << "jackd cannot start here: " << jack.Diagnostics();
  SoundLib lib("fmod.dll");
  ASSERT_TRUE(lib.SetOutput(kOutputASIO));  // the JACK host
  ASSERT_GE(lib.GetNumDrivers(), 1);
  ASSERT_GE(lib.Record_GetNumDrivers(), 1);
  ASSERT_TRUE(lib.Init(44100, 4, 0)) << lib.LastError();

  TMicThread mic(&lib, 0);
  mic.Start();
  for (int i = 0; i < 300 && TMicThread::MicChannel() < 0 && !mic.Finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const int channel = TMicThread::MicChannel();
  ASSERT_GE(channel, 0) << mic.FailureText().toStdString();
  EXPECT_EQ(lib.GetVolume(channel), 0) << "muted until the lamp lights";
  EXPECT_TRUE(mic.SetTalking(true));
  EXPECT_EQ(lib.GetVolume(channel), 255);
  EXPECT_TRUE(mic.SetTalking(false));
  EXPECT_EQ(lib.GetVolume(channel), 0);

  // Playback starts right behind the recording and is slowed by 1000 Hz, so it falls back about
  // 1000 frames a second until it is 50 ms behind; from then on it stays within the band. The
  // positions move in JACK periods of 1024 frames, which the bounds allow for.
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  int inBand = 0, readings = 0;
  for (int i = 0; i < 50; ++i) {
    const int play = lib.GetCurrentPosition(channel);
    const int record = lib.Record_GetPosition();
    const int d = play - record;
    if (play > 0 && record > play) {  // no wrap between the two
      ++readings;
      if (d < -2205 + 1100 && d > -4410 - 1100) ++inBand;
    }
    const int rate = lib.GetFrequency(channel);
    EXPECT_TRUE(rate == 43100 || rate == 44100 || rate == 45100) << rate;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GT(readings, 30);
  EXPECT_GE(inBand, readings * 9 / 10) << inBand << " of " << readings;

  mic.Terminate();
  mic.Wait();
  EXPECT_EQ(TMicThread::MicChannel(), -1);
  EXPECT_FALSE(lib.IsPlaying(channel));
  EXPECT_EQ(lib.Record_GetPosition(), 0) << "recording stopped";
  EXPECT_TRUE(mic.FailureText().isEmpty());
}

}  // namespace
}  // namespace spinwave
