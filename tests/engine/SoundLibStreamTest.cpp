// Streams: length, seeking, true speed at every file rate, pitch, background opens and damaged
// files, driven through the non-real-time output so every figure is exact.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
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

// An MP3 without its leading Info frame (as some encoders write them) has no length in a header:
// the frame scan at open counts it, in either mode, and playing to the end keeps it.
TEST_F(SoundLibStreamTest, Mp3WithoutLengthHeaderGetsItsRealLength) {
  ToneSpec spec;
  spec.durationMs = 3000;
  const std::string bytes = test::ReadFile(MakeFile("withinfo", AudioFormat::Mp3, spec));
  ASSERT_GT(bytes.size(), 4u);
  ASSERT_EQ(static_cast<unsigned char>(bytes[0]), 0xff) << "the file starts with a frame";
  // MPEG-1 layer III frame length: 144000 × bit rate / sample rate + padding.
  const int bitRates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  const auto b2 = static_cast<unsigned char>(bytes[2]);
  const int frameLength = 144000 * bitRates[(b2 >> 4) & 15] / 44100 + ((b2 >> 1) & 1);
  ASSERT_NE(bytes.substr(0, static_cast<size_t>(frameLength)).find("Info"), std::string::npos);
  const std::string path = folder.File("noinfo.mp3");
  test::WriteFile(path, bytes.substr(static_cast<size_t>(frameLength)));

  SoundStream* counted = lib.Stream_Open(path, kModeNormal | kModeAccurateLength);
  ASSERT_NE(counted, nullptr);
  const int exact = lib.Stream_GetLengthMs(counted);
  EXPECT_NEAR(exact, 3000, 60) << "encoder delay and padding are part of a header-less file";

  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(lib.Stream_GetLengthMs(stream), exact) << "counted at open, not estimated";
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_TRUE(PlaysToEnd(channel, 5000));
  EXPECT_EQ(lib.Stream_GetLengthMs(stream), exact);
  EXPECT_EQ(lib.Stream_GetTime(stream), exact);
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
  // A seek while paused (back to a cue point) holds there and plays on from it.
  ASSERT_TRUE(lib.SetPaused(channel, true));
  ASSERT_TRUE(lib.Stream_SetTime(stream, 700));
  test::RenderMs(lib, 300);
  EXPECT_EQ(lib.Stream_GetTime(stream), 700);
  ASSERT_TRUE(lib.SetPaused(channel, false));
  test::RenderMs(lib, 300);
  EXPECT_NEAR(lib.Stream_GetTime(stream), 1000, 1);
  test::RenderMs(lib, 1000);
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
  // The writer closes at once: nothing to decode. It opens without blocking and retries until
  // the decoder thread has the pipe open for reading, so a decoder that never gets there fails
  // the test instead of hanging it.
  int writer = -1;
  for (int i = 0; i < 10000 && writer < 0; ++i) {
    writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(writer, 0) << "the decoder never opened the pipe";
  ::close(writer);
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

// Ejecting a track whose file does not answer (a hung share; here a pipe nobody writes) must
// not freeze the caller.
TEST_F(SoundLibStreamTest, ClosingAStreamStillOpeningDoesNotWaitForTheFile) {
  const std::string fifo = folder.File("hung.mp3");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  SoundStream* stream = lib.Stream_Open(fifo, kModeNormal | kModeNonBlocking);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(lib.Stream_GetOpenState(stream), kOpenPending);
  EXPECT_TRUE(lib.Stream_Close(stream));
  EXPECT_EQ(lib.Stream_GetOpenState(stream), kOpenFailed) << "the handle is gone";
  lib.Close();
  { std::ofstream writer(fifo); }  // lets the abandoned open finish
}

// A decoder that cannot keep up (here: a pipe that delivers half a second and then waits) leaves
// the mixer a dry buffer: it plays silence, counts an underrun and goes on once audio arrives.
TEST_F(SoundLibStreamTest, DryBufferPlaysSilenceAndCountsAnUnderrun) {
  ToneSpec spec;
  spec.durationMs = 1000;
  spec.amplitude = 0.5;
  const std::string bytes = test::ReadFile(MakeFile("source", AudioFormat::Wav, spec));
  const size_t half = 44 + 44100 / 2 * 4;  // the header and the first 0.5 s of 16-bit stereo
  ASSERT_GT(bytes.size(), half);
  const std::string fifo = folder.File("slow.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  SoundStream* stream = lib.Stream_Open(fifo, kModeNormal | kModeNonBlocking);
  ASSERT_NE(stream, nullptr);
  const int writer = ::open(fifo.c_str(), O_WRONLY);  // waits for the decoder to open it
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, bytes.data(), half), static_cast<ssize_t>(half));
  // The decoder reads 4096 frames at a time: 5 pieces (464 ms) arrive, the 6th waits.
  for (int i = 0; i < 5000 && lib.Stream_GetBufferedMs(stream) < 450; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(lib.Stream_GetOpenState(stream), kOpenReady);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_GE(channel, 0);
  const std::int64_t underrunsBefore = lib.GetUnderruns();
  std::vector<short> out(44100 * 2);
  ASSERT_EQ(lib.Render(out.data(), 44100), 44100);
  EXPECT_GT(lib.GetUnderruns(), underrunsBefore);
  EXPECT_TRUE(lib.IsPlaying(channel)) << "a dry buffer is not the end";
  std::vector<short> first(out.begin(), out.begin() + 2 * 20000);
  std::vector<short> second(out.begin() + 2 * 22200, out.end());
  EXPECT_NEAR(test::Peak(first, 0), 0.5, 0.01);
  EXPECT_EQ(test::Peak(second, 0), 0.0);
  // The rest arrives: playback goes on and ends at the file's end.
  const size_t rest = bytes.size() - half;
  ASSERT_EQ(::write(writer, bytes.data() + half, rest), static_cast<ssize_t>(rest));
  ::close(writer);
  const auto after = test::RenderMs(lib, 300);
  EXPECT_NEAR(test::Peak(after, 0), 0.5, 0.01);
  EXPECT_TRUE(PlaysToEnd(channel, 1000));
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
  auto openDescriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto descriptorsBefore = openDescriptors();
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
  EXPECT_EQ(openDescriptors(), descriptorsBefore) << "no file stays open";
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
