// Streams: length, seeking, true speed at every file rate, pitch, background opens and damaged
// files, driven through the non-real-time output so every figure is exact.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <thread>

#include "common/TestSupport.h"
#include "engine/AudioFixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

using test::AudioFormat;
using test::ToneSpec;

class SoundLibStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.SetOutput(kOutputNoSoundNonRealtime));
    ASSERT_TRUE(lib.Init(44100, 8, 0));
  }

  std::string MakeFile(const std::string& name, AudioFormat format, const ToneSpec& spec) {
    const std::string path = folder.File(name + test::ExtensionOf(format));
    EXPECT_TRUE(test::WriteTone(path, format, spec)) << path;
    return path;
  }

  // Plays until the channel ends; false when it still plays after `limitMs` of audio.
  bool PlaysToEnd(int channel, int limitMs) {
    for (int ms = 0; ms < limitMs; ms += 100) {
      if (!lib.IsPlaying(channel)) return true;
      test::RenderMs(lib, 100);
    }
    return !lib.IsPlaying(channel);
  }

  test::TempFolder folder;
  SoundLib lib{"fmod.dll"};
};

const AudioFormat kFormats[] = {AudioFormat::Wav, AudioFormat::Ogg, AudioFormat::Mp3};

TEST_F(SoundLibStreamTest, LengthIsExactForEveryFormatAndRate) {
  for (AudioFormat format : kFormats) {
    for (int rate : {44100, 22050, 32000, 48000}) {
      SCOPED_TRACE(std::string(test::NameOf(format)) + " at " + std::to_string(rate));
      ToneSpec spec;
      spec.sampleRate = rate;
      spec.durationMs = 2500;
      const std::string path = MakeFile("len" + std::to_string(rate), format, spec);
      SoundStream* stream = lib.Stream_Open(path, kModeNormal | kMode2D);
      ASSERT_NE(stream, nullptr) << lib.LastError();
      EXPECT_EQ(lib.Stream_GetOpenState(stream), kOpenReady);
      EXPECT_EQ(lib.Stream_GetLengthMs(stream), 2500);
      EXPECT_EQ(lib.Stream_GetFrequency(stream), rate);
      EXPECT_TRUE(lib.Stream_Close(stream));
      EXPECT_FALSE(lib.Stream_Close(stream)) << "a closed handle is refused";
    }
  }
}

TEST_F(SoundLibStreamTest, AccurateLengthModeGivesTheSameExactLength) {
  ToneSpec spec;
  spec.durationMs = 3700;
  const std::string path = MakeFile("accurate", AudioFormat::Mp3, spec);
  SoundStream* stream = lib.Stream_Open(path, kModeNormal | kModeAccurateLength);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(lib.Stream_GetLengthMs(stream), 3700);
}

// Pulses of 1 kHz, 30 ms long, start every 300 ms: after a seek to t the first pulse must be
// heard at the next multiple of 300 ms.
TEST_F(SoundLibStreamTest, SeekLandsOnTheFileTimeInEveryFormat) {
  struct Case {
    int seekMs;
    double onsetMs;
  };
  const Case cases[] = {{3500, 100}, {0, 0}, {6050, 250}, {9850, 50}};  // 9850: inside the last page
  for (AudioFormat format : kFormats) {
    ToneSpec spec;
    spec.durationMs = 10000;
    spec.pulseEveryMs = 300;
    spec.pulseLengthMs = 30;
    const std::string path = MakeFile("pulses", format, spec);
    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    ASSERT_NE(stream, nullptr);
    const int channel = lib.Stream_Play(kFreeChannel, stream);
    ASSERT_GE(channel, 0);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(test::NameOf(format)) + " seek to " + std::to_string(c.seekMs));
      ASSERT_TRUE(lib.Stream_SetTime(stream, c.seekMs));
      EXPECT_EQ(lib.Stream_GetTime(stream), c.seekMs);
      const auto out = test::RenderMs(lib, 300);
      EXPECT_NEAR(test::FirstOnsetMs(out, 0.1), c.onsetMs, 6.0);
      EXPECT_NEAR(lib.Stream_GetTime(stream), std::min(c.seekMs + 300, 10000), 2);
    }
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibStreamTest, TimeAdvancesWithPlaybackAndStopRewinds) {
  ToneSpec spec;
  spec.durationMs = 5000;
  const std::string path = MakeFile("time", AudioFormat::Ogg, spec);
  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  test::RenderMs(lib, 1500);
  EXPECT_NEAR(lib.Stream_GetTime(stream), 1500, 1);
  EXPECT_TRUE(lib.IsPlaying(channel));
  // Paused: counts as playing, the time stands still.
  ASSERT_TRUE(lib.SetPaused(channel, true));
  test::RenderMs(lib, 500);
  EXPECT_TRUE(lib.GetPaused(channel));
  EXPECT_TRUE(lib.IsPlaying(channel));
  EXPECT_NEAR(lib.Stream_GetTime(stream), 1500, 1);
  ASSERT_TRUE(lib.SetPaused(channel, false));
  test::RenderMs(lib, 500);
  EXPECT_NEAR(lib.Stream_GetTime(stream), 2000, 1);
  // Stop: the channel is gone, the stream is back at its start.
  ASSERT_TRUE(lib.Stream_Stop(stream));
  EXPECT_FALSE(lib.IsPlaying(channel));
  EXPECT_FALSE(lib.SetVolume(channel, 10)) << "a stopped channel's handle is refused";
  EXPECT_EQ(lib.Stream_GetTime(stream), 0);
  const int again = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_GE(again, 0);
  test::RenderMs(lib, 300);
  EXPECT_NEAR(lib.Stream_GetTime(stream), 300, 1);
}

TEST_F(SoundLibStreamTest, StreamEndsAtItsLength) {
  for (AudioFormat format : kFormats) {
    SCOPED_TRACE(test::NameOf(format));
    ToneSpec spec;
    spec.durationMs = 1200;
    const std::string path = MakeFile("end", format, spec);
    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    const int channel = lib.Stream_Play(kFreeChannel, stream);
    test::RenderMs(lib, 1100);
    EXPECT_TRUE(lib.IsPlaying(channel));
    const auto tail = test::RenderMs(lib, 200);
    EXPECT_FALSE(lib.IsPlaying(channel));
    EXPECT_EQ(lib.Stream_GetTime(stream), 1200);
    // The tone stops at 100 ms into the tail (within the resampler's few samples).
    std::vector<short> after(tail.begin() + 2 * 4500, tail.end());
    EXPECT_LT(test::Peak(after, 0), 0.01);
    lib.Stream_Close(stream);
  }
}

// The channel frequency scales the playback rate: files of every rate play at true speed at
// their own frequency, and ×1.08 raises a 1 kHz tone to 1080 Hz.
TEST_F(SoundLibStreamTest, FrequencySetsThePlaybackRate) {
  struct Case {
    AudioFormat format;
    int rate;
    double factor;
    double expectedHz;
  };
  const Case cases[] = {
      {AudioFormat::Wav, 44100, 1.0, 1000},  {AudioFormat::Wav, 44100, 1.08, 1080},
      {AudioFormat::Mp3, 44100, 1.08, 1080}, {AudioFormat::Ogg, 22050, 1.0, 1000},
      {AudioFormat::Wav, 32000, 1.08, 1080}, {AudioFormat::Mp3, 48000, 1.0, 1000},
      {AudioFormat::Wav, 44100, 0.92, 920},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(test::NameOf(c.format)) + " " + std::to_string(c.rate) + " x" +
                 std::to_string(c.factor));
    ToneSpec spec;
    spec.sampleRate = c.rate;
    spec.durationMs = 3000;
    const std::string path = MakeFile("pitch" + std::to_string(c.rate), c.format, spec);
    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    ASSERT_NE(stream, nullptr);
    const int channel = lib.Stream_Play(kFreeChannel, stream);
    EXPECT_EQ(lib.GetFrequency(channel), c.rate) << "a channel starts at the file's own rate";
    const int wanted = static_cast<int>(c.rate * c.factor);
    ASSERT_TRUE(lib.SetFrequency(channel, wanted));
    EXPECT_EQ(lib.GetFrequency(channel), wanted);
    test::RenderMs(lib, 100);
    const auto out = test::RenderMs(lib, 1000);
    EXPECT_NEAR(test::ZeroCrossingFrequency(out, 0), c.expectedHz, 1.0);
    EXPECT_NEAR(test::ZeroCrossingFrequency(out, 1), c.expectedHz, 1.0);
    // The stream's time runs in the file's own milliseconds: faster at a higher rate.
    EXPECT_NEAR(lib.Stream_GetTime(stream), 1100 * c.factor, 3);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibStreamTest, FrequencyIsClampedAndReadBack) {
  ToneSpec spec;
  const std::string path = MakeFile("clamp", AudioFormat::Wav, spec);
  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_TRUE(lib.SetFrequency(channel, 50));
  EXPECT_EQ(lib.GetFrequency(channel), 200);
  test::RenderMs(lib, 50);  // a very low rate still mixes
  ASSERT_TRUE(lib.SetFrequency(channel, 10000000));
  EXPECT_EQ(lib.GetFrequency(channel), 705600);
  EXPECT_EQ(lib.GetFrequency(channel + 1000000), 0);
}

TEST_F(SoundLibStreamTest, MonoFilePlaysOnBothSides) {
  for (AudioFormat format : kFormats) {
    SCOPED_TRACE(test::NameOf(format));
    ToneSpec spec;
    spec.channels = 1;
    spec.amplitude = 0.4;
    const std::string path = MakeFile("mono", format, spec);
    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    ASSERT_NE(stream, nullptr);
    lib.Stream_Play(kFreeChannel, stream);
    const auto out = test::RenderMs(lib, 500);
    EXPECT_NEAR(test::Rms(out, 0), 0.4 / std::sqrt(2.0), 0.01);
    EXPECT_NEAR(test::Rms(out, 1), 0.4 / std::sqrt(2.0), 0.01);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibStreamTest, ForcedMonoPlaysTheMixOfBothSides) {
  ToneSpec spec;
  spec.leftGain = 1.0;
  spec.rightGain = 0.0;
  spec.amplitude = 0.8;
  const std::string path = MakeFile("leftonly", AudioFormat::Wav, spec);
  SoundStream* stream = lib.Stream_Open(path, kModeForceMono | kModeSigned | kMode16Bits);
  lib.Stream_Play(kFreeChannel, stream);
  const auto out = test::RenderMs(lib, 300);
  EXPECT_NEAR(test::Peak(out, 0), 0.4, 0.01);
  EXPECT_NEAR(test::Peak(out, 1), 0.4, 0.01);
}

// Seeking drops the old position's audio at once: nothing of the tone before the seek leaks
// into the silence after it.
TEST_F(SoundLibStreamTest, SeekNeverPlaysOldAudio) {
  for (AudioFormat format : kFormats) {
    SCOPED_TRACE(test::NameOf(format));
    ToneSpec spec;
    spec.durationMs = 8000;
    auto samples = test::MakeTone(spec);
    std::fill(samples.begin() + 44100 * 2 * 4, samples.end(), 0.0f);  // silent from 4 s
    const std::string path = folder.File(std::string("half") + test::ExtensionOf(format));
    ASSERT_TRUE(test::WriteAudioFile(path, format, 44100, 2, samples));
    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    lib.Stream_Play(kFreeChannel, stream);
    const auto before = test::RenderMs(lib, 1000);
    EXPECT_GT(test::Peak(before, 0), 0.4);
    ASSERT_TRUE(lib.Stream_SetTime(stream, 6000));
    const auto after = test::RenderMs(lib, 1000);
    EXPECT_LT(test::Peak(after, 0), 0.01);
    EXPECT_LT(test::Peak(after, 1), 0.01);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibStreamTest, NonBlockingOpenReportsPendingThenReady) {
  // A named pipe keeps the open pending until the test writes into it.
  const std::string fifo = folder.File("pending.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  SoundStream* pending = lib.Stream_Open(fifo, kModeNormal | kModeNonBlocking);
  ASSERT_NE(pending, nullptr);
  EXPECT_EQ(lib.Stream_GetOpenState(pending), kOpenPending);
  EXPECT_EQ(lib.Stream_GetLengthMs(pending), 0);
  EXPECT_LT(lib.Stream_Play(kFreeChannel, pending), 0) << "an opening stream cannot play";
  { std::ofstream writer(fifo); }  // the writer closes at once: nothing to decode
  int state = kOpenPending;
  for (int i = 0; i < 5000 && state == kOpenPending; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state = lib.Stream_GetOpenState(pending);
  }
  EXPECT_TRUE(state == kOpenFailed || state == kOpenBadFormat) << state;
  lib.Stream_Close(pending);

  ToneSpec spec;
  spec.durationMs = 2000;
  for (AudioFormat format : kFormats) {
    SCOPED_TRACE(test::NameOf(format));
    const std::string path = MakeFile("background", format, spec);
    SoundStream* stream = lib.Stream_Open(path, kModeNormal | kModeNonBlocking);
    ASSERT_NE(stream, nullptr);
    state = lib.Stream_GetOpenState(stream);
    for (int i = 0; i < 5000 && state == kOpenPending; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      state = lib.Stream_GetOpenState(stream);
    }
    EXPECT_EQ(state, kOpenReady);
    EXPECT_EQ(lib.Stream_GetLengthMs(stream), 2000);
    const int channel = lib.Stream_Play(kFreeChannel, stream);
    ASSERT_GE(channel, 0);
    EXPECT_GT(test::Peak(test::RenderMs(lib, 200), 0), 0.4);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibStreamTest, NonBlockingOpenOfAMissingFileFails) {
  SoundStream* stream = lib.Stream_Open(folder.File("absent.mp3"), kModeNormal | kModeNonBlocking);
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(lib.WaitForDecoders(5000));
  EXPECT_EQ(lib.Stream_GetOpenState(stream), kOpenFailed);
  EXPECT_NE(lib.LastError().find("fmod.dll"), std::string::npos) << lib.LastError();
}

// Damaged or foreign files either fail to open or play to their end: never a crash or a hang.
TEST_F(SoundLibStreamTest, DamagedFilesFailOrPlayToTheirEnd) {
  ToneSpec spec;
  spec.durationMs = 3000;
  const std::string mp3 = MakeFile("whole", AudioFormat::Mp3, spec);
  const std::string mp3Bytes = test::ReadFile(mp3);
  const std::string wavBytes = test::ReadFile(MakeFile("whole", AudioFormat::Wav, spec));
  std::mt19937 random(7);
  std::string noise(50000, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xff);

  struct Case {
    std::string name;
    std::string bytes;  // empty name of bytes with `missing` set: no file at all
    bool missing;
  };
  const Case cases[] = {
      {"missing.mp3", "", true},
      {"empty.mp3", "", false},
      {"empty.wav", "", false},
      {"truncated.mp3", mp3Bytes.substr(0, mp3Bytes.size() * 2 / 5), false},
      {"cutmidframe.mp3", mp3Bytes.substr(0, mp3Bytes.size() / 2 + 77), false},
      {"headeronly.mp3", mp3Bytes.substr(0, 600), false},
      {"truncated.wav", wavBytes.substr(0, wavBytes.size() / 3), false},
      {"noise.mp3", noise, false},
      {"noise.ogg", noise, false},
      {"noise.wav", noise, false},
      {"riffnoise.wav", "RIFF" + noise, false},
      {"oggnoise.ogg", "OggS" + noise, false},
  };
  for (bool blocking : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name + (blocking ? " blocking" : " non-blocking"));
      const std::string path = folder.File(c.name);
      if (!c.missing) test::WriteFile(path, c.bytes);
      SoundStream* stream = lib.Stream_Open(path, kModeNormal | (blocking ? 0 : kModeNonBlocking));
      if (!stream) {
        EXPECT_TRUE(blocking);
        EXPECT_FALSE(lib.LastError().empty());
        continue;
      }
      ASSERT_TRUE(lib.WaitForDecoders(5000));
      const int state = lib.Stream_GetOpenState(stream);
      if (state != kOpenReady) {
        EXPECT_TRUE(state == kOpenFailed || state == kOpenBadFormat) << state;
        EXPECT_LT(lib.Stream_Play(kFreeChannel, stream), 0);
      } else {
        const int channel = lib.Stream_Play(kFreeChannel, stream);
        ASSERT_GE(channel, 0);
        EXPECT_TRUE(PlaysToEnd(channel, lib.Stream_GetLengthMs(stream) + 2000));
        // A seek inside the damaged part must not hang either.
        lib.Stream_SetTime(stream, lib.Stream_GetLengthMs(stream) / 2);
        ASSERT_TRUE(lib.WaitForDecoders(5000));
      }
      EXPECT_TRUE(lib.Stream_Close(stream));
    }
  }
}

TEST_F(SoundLibStreamTest, StreamsNeedAnInitialisedLibrary) {
  ToneSpec spec;
  const std::string path = MakeFile("closed", AudioFormat::Wav, spec);
  lib.Close();
  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  ASSERT_NE(stream, nullptr) << "files open without output";
  EXPECT_LT(lib.Stream_Play(kFreeChannel, stream), 0);
  EXPECT_FALSE(lib.Update(10));
}

}  // namespace
}  // namespace spinwave
