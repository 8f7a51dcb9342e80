// MP3 files as real collections hold them (VBR without a Xing header, junk in front, a file cut
// in the middle of a frame, a truncated download, a LAME header that counts wrong, a pipe whose
// length nobody knows): each must report the length it plays, seek to the file time asked for
// and end at its real end, with the length unchanged by seeks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <optional>
#include <random>
#include <thread>

#include "common/TestSupport.h"
#include "engine/AudioDecoder.h"
#include "engine/AudioFixtures.h"
#include "engine/Mp3Fixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

constexpr int kRate = 44100;
constexpr int kFrameMs = 27;  // one MPEG frame (26.1 ms) and the rounding to ms
// The signal: 20 ms bursts of 1 kHz every 250 ms, silence between, so that an onset after a
// seek tells which file time is heard.
constexpr int kPulseEveryMs = 250;
constexpr int kPulseMs = 20;

std::vector<float> Pulses(int ms) {
  test::ToneSpec spec;
  spec.durationMs = ms;
  spec.pulseEveryMs = kPulseEveryMs;
  spec.pulseLengthMs = kPulseMs;
  return test::MakeTone(spec);
}

struct Mp3Case {
  std::string name;
  std::string bytes;
  std::int64_t playedSamples;  // what a decoder outputs from this file, start to end
  // File time (samples) at which the encoded signal's first sample is heard; unset where the
  // file's start is lost.
  std::optional<std::int64_t> signalAt;
  int signalMs;  // length of the encoded signal
};

std::string Junk(std::size_t n) {
  std::mt19937 random(11);
  std::string junk(n, '\0');
  for (char& c : junk) c = static_cast<char>(random() & 0x7f);  // never 0xFF: no fake sync
  return junk;
}

std::vector<Mp3Case> MakeCases() {
  std::vector<Mp3Case> cases;
  const int shortMs = 5000;
  const test::Mp3Encoding cbr = test::EncodeMp3(Pulses(shortMs), {});
  const std::size_t headerAndAudio = test::Mp3FrameOffsets(cbr.bytes).size();
  EXPECT_EQ(static_cast<int>(headerAndAudio), cbr.audioFrames + 1) << "a header frame, then audio";
  // Without usable gapless information a decoder plays every frame, delays included.
  const std::int64_t delayed = cbr.encoderDelay + test::kDecoderDelay;

  test::Mp3Options vbr;
  vbr.variableBitRate = true;
  const test::Mp3Encoding withHeader = test::EncodeMp3(Pulses(60000), vbr);
  cases.push_back({"VBR with its header frame", withHeader.bytes, withHeader.samples, 0, 60000});

  vbr.headerFrame = false;
  const test::Mp3Encoding bare = test::EncodeMp3(Pulses(60000), vbr);
  cases.push_back({"VBR without a Xing header", bare.bytes,
                   static_cast<std::int64_t>(bare.audioFrames) * test::kSamplesPerFrame,
                   bare.encoderDelay + test::kDecoderDelay, 60000});

  cases.push_back({"junk in front, no ID3v2 tag", Junk(3000) + cbr.bytes, cbr.samples, 0, shortMs});

  // Cut inside the second audio frame: the frames that remain whole play, with no gapless
  // information left.
  const std::string cut = cbr.bytes.substr(1000);
  const auto offsets = test::Mp3FrameOffsets(cbr.bytes);
  std::size_t firstWhole = 0;
  while (offsets[firstWhole] < 1000) ++firstWhole;
  cases.push_back({"cut in the middle of a frame", cut,
                   static_cast<std::int64_t>(offsets.size() - firstWhole) * test::kSamplesPerFrame,
                   delayed - static_cast<std::int64_t>(firstWhole - 1) * test::kSamplesPerFrame, shortMs});

  // A download that stopped after 3,000 bytes: its header frame still counts the whole file.
  const std::string truncated = cbr.bytes.substr(0, 3000);
  cases.push_back({"download truncated to 3,000 bytes", truncated,
                   static_cast<std::int64_t>(test::Mp3FrameOffsets(truncated).size() - 1) * test::kSamplesPerFrame,
                   delayed, shortMs});

  // The LAME header claims 50 times the frames there are.
  std::string wrong = cbr.bytes;
  const std::size_t info = wrong.find("Info");
  EXPECT_NE(info, std::string::npos);
  const auto* f = reinterpret_cast<const unsigned char*>(wrong.data() + info + 8);
  const std::uint32_t count = (std::uint32_t(f[0]) << 24) | (f[1] << 16) | (f[2] << 8) | f[3];
  EXPECT_EQ(static_cast<int>(count), cbr.audioFrames);
  const std::uint32_t claimed = count * 50;
  for (int i = 0; i < 4; ++i) wrong[info + 8 + static_cast<std::size_t>(i)] = static_cast<char>(claimed >> (24 - 8 * i));
  cases.push_back({"LAME header with a wrong frame count", wrong,
                   static_cast<std::int64_t>(cbr.audioFrames) * test::kSamplesPerFrame, delayed, shortMs});
  return cases;
}

class SoundLibMp3FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.SetOutput(kOutputNoSoundNonRealtime));
    ASSERT_TRUE(lib.Init(kRate, 4, 0));
  }

  // Renders in 5 ms steps until the channel ends; the milliseconds it played (-1: never ended).
  int MsUntilEnd(int channel, int limitMs) {
    std::vector<short> out(kRate / 200 * 2);
    for (int ms = 0; ms <= limitMs; ms += 5) {
      if (!lib.IsPlaying(channel)) return ms;
      lib.WaitForDecoders(5000);
      lib.Render(out.data(), kRate / 200);
    }
    return -1;
  }

  test::TempFolder folder;
  SoundLib lib{"fmod.dll"};
};

TEST_F(SoundLibMp3FilesTest, EveryKindReportsTheLengthItPlaysSeeksExactlyAndEndsThere) {
  for (const Mp3Case& c : MakeCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File("case.mp3");
    test::WriteFile(path, c.bytes);
    const int trueMs = FramesToMs(c.playedSamples, kRate);

    // A background open knows the exact length as soon as it is ready.
    SoundStream* background = lib.Stream_Open(path, kModeNormal | kModeNonBlocking);
    ASSERT_NE(background, nullptr);
    ASSERT_TRUE(lib.WaitForDecoders(10000));
    ASSERT_EQ(lib.Stream_GetOpenState(background), kOpenReady) << lib.LastError();
    EXPECT_NEAR(lib.Stream_GetLengthMs(background), trueMs, kFrameMs);
    lib.Stream_Close(background);

    SoundStream* stream = lib.Stream_Open(path, kModeNormal);
    ASSERT_NE(stream, nullptr) << lib.LastError();
    const int length = lib.Stream_GetLengthMs(stream);
    EXPECT_NEAR(length, trueMs, kFrameMs);
    const int channel = lib.Stream_Play(kFreeChannel, stream);
    ASSERT_GE(channel, 0);

    for (int percent : {25, 50, 99}) {
      SCOPED_TRACE(std::to_string(percent) + " %");
      const int target = static_cast<int>(static_cast<std::int64_t>(length) * percent / 100);
      ASSERT_TRUE(lib.Stream_SetTime(stream, target));
      EXPECT_EQ(lib.Stream_GetTime(stream), target);
      const int window = std::min(300, length - target);
      const auto out = test::RenderMs(lib, window);
      EXPECT_NEAR(lib.Stream_GetTime(stream), target + window, 2);
      if (c.signalAt) {
        // The next burst of the signal, in file time, must be heard when it is due.
        const double signalAtMs = static_cast<double>(*c.signalAt) * 1000.0 / kRate;
        const double sinceSignal = target - signalAtMs;
        const double nextPulse =
            signalAtMs + std::ceil(std::max(0.0, sinceSignal) / kPulseEveryMs) * kPulseEveryMs;
        if (nextPulse - target < window - 5 && nextPulse - signalAtMs < c.signalMs - kPulseMs) {
          EXPECT_NEAR(test::FirstOnsetMs(out, 0.1), nextPulse - target, 6.0);
        }
      }
    }
    // From 99 %, played on to the end: the time left was the time it played, and neither the
    // seek nor the end changed the length.
    const int at = lib.Stream_GetTime(stream);
    const int played = MsUntilEnd(channel, length);
    EXPECT_NEAR(played, length - at, kFrameMs);
    EXPECT_EQ(lib.Stream_GetLengthMs(stream), length);
    EXPECT_EQ(lib.Stream_GetTime(stream), length);
    lib.Stream_Close(stream);
  }
}

// Two files stuck together at different rates: the second part is converted to the first
// rate (same speed), so it yields more samples than its frames hold. The length must still be
// what plays.
TEST_F(SoundLibMp3FilesTest, FilesStuckTogetherAtTwoRatesReportWhatTheyPlay) {
  test::Mp3Options at48;
  at48.sampleRate = 48000;
  test::ToneSpec spec;
  spec.durationMs = 2000;
  spec.sampleRate = 48000;
  const std::string bytes = test::EncodeMp3(Pulses(2000), {}).bytes + test::EncodeMp3(test::MakeTone(spec), at48).bytes;
  const std::string path = folder.File("stitched.mp3");
  test::WriteFile(path, bytes);
  SoundStream* stream = lib.Stream_Open(path, kModeNormal);
  ASSERT_NE(stream, nullptr) << lib.LastError();
  EXPECT_EQ(lib.Stream_GetFrequency(stream), 44100);
  const int length = lib.Stream_GetLengthMs(stream);
  // 2 s, the second file's header frame and both files' delays and padding.
  EXPECT_NEAR(length, 4000, 120);
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  EXPECT_NEAR(MsUntilEnd(channel, length + 1000), length, kFrameMs);
  // Decoded from the start, the end may replace the length; the rate converter ends a few
  // samples apart from the count at open.
  EXPECT_NEAR(lib.Stream_GetLengthMs(stream), length, 5);
}

// A stream nobody can measure before its end (an MP3 arriving through a pipe): no length and no
// overflow while it plays, a time that only grows, and its real length once it ended.
TEST_F(SoundLibMp3FilesTest, AStreamOfUnknownLengthPlaysAndLearnsItsLengthAtTheEnd) {
  // Longer than the 4 s the decoder keeps ahead, so that the end is not reached at once.
  const test::Mp3Encoding mp3 = test::EncodeMp3(Pulses(10000), {});
  const std::string fifo = folder.File("live.mp3");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < mp3.bytes.size()) {
      const ssize_t n = ::write(fd, mp3.bytes.data() + done, mp3.bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  });
  SoundStream* stream = lib.Stream_Open(fifo, kModeNormal | kModeNonBlocking);
  ASSERT_NE(stream, nullptr);
  int state = kOpenPending;
  for (int i = 0; i < 5000 && state == kOpenPending; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    state = lib.Stream_GetOpenState(stream);
  }
  ASSERT_EQ(state, kOpenReady) << lib.LastError();
  EXPECT_EQ(lib.Stream_GetLengthMs(stream), 0) << "unknown, not a guess";
  const int channel = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_GE(channel, 0);
  int last = 0;
  for (int ms = 0; ms < 12000 && lib.IsPlaying(channel); ms += 100) {
    test::RenderMs(lib, 100);
    const int now = lib.Stream_GetTime(stream);
    EXPECT_GE(now, last);
    last = now;
  }
  EXPECT_FALSE(lib.IsPlaying(channel));
  writer.join();
  // The header frame at the start still tells the encoder's delay and padding: the samples
  // that went in.
  const int length = lib.Stream_GetLengthMs(stream);
  EXPECT_NEAR(length, 10000, kFrameMs);
  EXPECT_EQ(lib.Stream_GetTime(stream), length);
}

TEST(FramesToMsTest, NeverOverflowsNorTurnsNegative) {
  struct Case {
    std::int64_t frames;
    int rate;
    int ms;
  };
  const Case cases[] = {
      {44100, 44100, 1000},           {44099, 44100, 999},          {0, 44100, 0},
      {-1, 44100, 0},                 {INT64_MAX, 44100, INT_MAX},  {INT64_MAX / 1000 + 1, 8000, INT_MAX},
      {100000000000LL, 44100, INT_MAX}, {3LL * 3600 * 48000, 48000, 10800000}, {100, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.frames) + " frames at " + std::to_string(c.rate));
    EXPECT_EQ(FramesToMs(c.frames, c.rate), c.ms);
  }
  EXPECT_EQ(MsToFrames(INT_MAX, 192000), 412316860224LL);
  EXPECT_EQ(MsToFrames(1500, 44100), 66150);
  for (int ms : {15007, 1, 999, 59428}) EXPECT_EQ(FramesToMs(MsToFrames(ms, 44100), 44100), ms) << ms;
  EXPECT_EQ(MsToFrames(-5, 44100), 0);
}

}  // namespace
}  // namespace spinwave
