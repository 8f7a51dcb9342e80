// Output types, device lists, the clock-paced NOSOUND output and recording without devices.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/TestSupport.h"
#include "engine/AudioFixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

TEST(SoundLibOutputTest, EnvironmentForcesNoSoundForDeviceOutputs) {
  ASSERT_STREQ(std::getenv("SPINWAVE_OUTPUT"), "nosound");
  SoundLib lib("fmod.dll");
  EXPECT_EQ(lib.Name(), "fmod.dll");
  for (int type : {kOutputWinMM, kOutputDirectSound, kOutputASIO, kOutputALSA}) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(lib.SetOutput(type));
    EXPECT_EQ(lib.GetOutput(), kOutputNoSound);
    EXPECT_EQ(lib.GetNumDrivers(), 1);
    EXPECT_EQ(lib.GetDriverName(0), "No sound");
    EXPECT_EQ(lib.GetDriverName(1), "");
    EXPECT_EQ(lib.Record_GetNumDrivers(), 0);
  }
  ASSERT_TRUE(lib.SetOutput(kOutputNoSoundNonRealtime));
  EXPECT_EQ(lib.GetOutput(), kOutputNoSoundNonRealtime) << "the non-real-time output stays";
  EXPECT_FALSE(lib.SetOutput(13));
  EXPECT_FALSE(lib.SetOutput(-1));
  EXPECT_EQ(lib.GetOutput(), kOutputNoSoundNonRealtime);
}

TEST(SoundLibOutputTest, SetUpIsRefusedWhileInitialised) {
  SoundLib lib("fmod3.dll");
  ASSERT_TRUE(lib.SetOutput(kOutputDirectSound));
  ASSERT_TRUE(lib.SetDriver(0));
  ASSERT_TRUE(lib.SetMixer(kMixerQualityAutodetect));
  ASSERT_TRUE(lib.SetBufferSize(100));
  ASSERT_TRUE(lib.Init(44100, 4, kInitGlobalFocus));
  EXPECT_TRUE(lib.IsInitialised());
  EXPECT_EQ(lib.GetMixer(), kMixerQualityAutodetect);
  EXPECT_EQ(lib.GetMaxChannels(), 4);
  EXPECT_FALSE(lib.SetOutput(kOutputNoSound));
  EXPECT_FALSE(lib.SetDriver(1));
  EXPECT_FALSE(lib.SetBufferSize(50));
  lib.Close();
  EXPECT_FALSE(lib.IsInitialised());
  EXPECT_EQ(lib.GetMaxChannels(), 0);
  EXPECT_TRUE(lib.SetOutput(kOutputNoSound));
  EXPECT_FALSE(lib.Init(1000, 4, 0)) << "mix rate out of range";
  EXPECT_NE(lib.LastError().find("fmod3.dll"), std::string::npos);
}

TEST(SoundLibOutputTest, NoSoundOutputRunsOnTheClock) {
  test::TempFolder folder;
  test::ToneSpec spec;
  spec.durationMs = 5000;
  const std::string path = folder.File("clock.ogg");
  ASSERT_TRUE(test::WriteTone(path, test::AudioFormat::Ogg, spec));
  SoundLib lib("fmodj.dll");
  ASSERT_TRUE(lib.SetOutput(kOutputNoSound));
  ASSERT_TRUE(lib.Init(44100, 2, 0));
  EXPECT_FALSE(lib.Update(10)) << "only the non-real-time output is driven by Update";
  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_GE(channel, 0);
  // Time runs by itself; wait (bounded) until it has moved.
  int time = 0;
  for (int i = 0; i < 5000 && time < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    time = lib.Stream_GetTime(stream);
  }
  EXPECT_GE(time, 100);
  float left = 0, right = 0;
  lib.GetCurrentLevels(channel, &left, &right);
  EXPECT_NEAR(left, 0.5, 0.02);
  lib.Close();
  EXPECT_FALSE(lib.IsPlaying(channel));
}

TEST(SoundLibOutputTest, RecordingNeedsADevice) {
  SoundLib lib("fmod.dll");
  ASSERT_TRUE(lib.SetOutput(kOutputDirectSound));
  ASSERT_TRUE(lib.Init(44100, 2, 0));
  SoundSample* sample = lib.Sample_Alloc(-1, 220500, kModeNormal, 44100, 255, 128, 255);
  ASSERT_NE(sample, nullptr);
  EXPECT_FALSE(lib.Record_SetDriver(0));
  EXPECT_FALSE(lib.Record_StartSample(sample, true));
  EXPECT_EQ(lib.Record_GetPosition(), 0);
  EXPECT_FALSE(lib.Record_Stop());
  lib.Sample_Free(sample);
  EXPECT_EQ(lib.Sample_Alloc(-1, 0, kModeNormal, 44100, 255, 128, 255), nullptr);
}

}  // namespace
}  // namespace spinwave
