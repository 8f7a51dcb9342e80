// The mixer: volume, pan, summing channels, levels, DSP units and sample channels.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <cmath>
#include <vector>

#include "common/TestSupport.h"
#include "engine/AudioFixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

using test::AudioFormat;
using test::ToneSpec;

class SoundLibMixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.SetOutput(kOutputNoSoundNonRealtime));
    ASSERT_TRUE(lib.Init(44100, 8, 0));
  }

  // Opens and starts a tone file; returns the channel.
  int PlayTone(const std::string& name, const ToneSpec& spec, SoundStream** stream = nullptr) {
    const std::string path = folder.File(name + ".wav");
    EXPECT_TRUE(test::WriteTone(path, AudioFormat::Wav, spec));
    SoundStream* s = lib.Stream_Open(path, kModeNormal);
    EXPECT_NE(s, nullptr);
    if (stream) *stream = s;
    return lib.Stream_Play(kFreeChannel, s);
  }

  test::TempFolder folder;
  SoundLib lib{"fmod2.dll"};
};

TEST_F(SoundLibMixTest, VolumeAndPanShapeTheOutput) {
  // A stereo tone whose right side is half the left: stereo pan keeps the sides apart; the
  // one-sided pans play the mix of both sides ((1 + 0.5) / 2 = 0.75) on one side only.
  struct Case {
    int volume;
    int pan;
    double left;   // expected peak relative to the file's left peak
    double right;
  };
  const Case cases[] = {
      {255, kStereoPan, 1.0, 0.5}, {128, kStereoPan, 0.502, 0.251}, {0, kStereoPan, 0, 0},
      {255, 0, 0.75, 0},           {255, 255, 0, 0.75},             {51, 0, 0.15, 0},
      {255, 128, 0.75, 0.75},
  };
  ToneSpec spec;
  spec.durationMs = 5000;
  spec.amplitude = 0.8;
  spec.leftGain = 1.0;
  spec.rightGain = 0.5;
  const int channel = PlayTone("tone", spec);
  ASSERT_GE(channel, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE("volume " + std::to_string(c.volume) + " pan " + std::to_string(c.pan));
    ASSERT_TRUE(lib.SetVolume(channel, c.volume));
    ASSERT_TRUE(lib.SetPan(channel, c.pan));
    EXPECT_EQ(lib.GetVolume(channel), c.volume);
    EXPECT_EQ(lib.GetPan(channel), c.pan);
    test::RenderMs(lib, 20);  // past the block that changed
    const auto out = test::RenderMs(lib, 200);
    EXPECT_NEAR(test::Peak(out, 0), 0.8 * c.left, 0.01);
    EXPECT_NEAR(test::Peak(out, 1), 0.8 * c.right, 0.01);
  }
}

TEST_F(SoundLibMixTest, TwoChannelsAddUp) {
  ToneSpec low;
  low.frequency = 440;
  low.amplitude = 0.3;
  ToneSpec high;
  high.frequency = 2500;
  high.amplitude = 0.2;
  const std::string lowPath = folder.File("low.ogg");
  const std::string highPath = folder.File("high.mp3");
  ASSERT_TRUE(test::WriteTone(lowPath, AudioFormat::Ogg, low));
  ASSERT_TRUE(test::WriteTone(highPath, AudioFormat::Mp3, high));

  auto render = [&](bool withLow, bool withHigh) {
    SoundStream* a = lib.Stream_Open(lowPath, kModeNormal);
    SoundStream* b = lib.Stream_Open(highPath, kModeNormal);
    if (withLow) lib.SetVolume(lib.Stream_Play(kFreeChannel, a), 200);
    if (withHigh) lib.SetFrequency(lib.Stream_Play(kFreeChannel, b), 47000);
    auto out = test::RenderMs(lib, 500);
    lib.Stream_Close(a);
    lib.Stream_Close(b);
    return out;
  };
  const auto lowOnly = render(true, false);
  const auto highOnly = render(false, true);
  const auto both = render(true, true);
  ASSERT_EQ(both.size(), lowOnly.size());
  int worst = 0;
  for (size_t i = 0; i < both.size(); ++i)
    worst = std::max(worst, std::abs(both[i] - (lowOnly[i] + highOnly[i])));
  EXPECT_LE(worst, 2) << "the mix is the sum of the channels (rounding aside)";
  EXPECT_GT(test::Peak(both, 0), 0.35);
}

TEST_F(SoundLibMixTest, LoudMixIsClippedNotWrapped) {
  ToneSpec spec;
  spec.amplitude = 0.9;
  spec.frequency = 100;
  PlayTone("a", spec);
  PlayTone("b", spec);
  const auto out = test::RenderMs(lib, 200);
  // Two in-phase tones at 0.9 sum to 1.8: the peaks must sit at full scale, keeping their sign.
  EXPECT_GE(test::Peak(out, 0), 0.999);
  for (size_t i = 2; i < out.size(); i += 2) {
    ASSERT_LE(std::abs(out[i] - out[i - 2]), 2000) << "no wrap-around jump at frame " << i / 2;
  }
}

TEST_F(SoundLibMixTest, LevelsFollowTheAmplitude) {
  struct Case {
    double amplitude;
    int volume;
    double level;
  };
  const Case cases[] = {{0.1, 255, 0.1}, {0.5, 255, 0.5}, {0.9, 255, 0.9}, {0.8, 128, 0.4}, {0.8, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("amplitude " + std::to_string(c.amplitude) + " volume " + std::to_string(c.volume));
    ToneSpec spec;
    spec.amplitude = c.amplitude;
    SoundStream* stream = nullptr;
    const int channel = PlayTone("level", spec, &stream);
    lib.SetVolume(channel, c.volume);
    test::RenderMs(lib, 100);
    float left = -1, right = -1;
    ASSERT_TRUE(lib.GetCurrentLevels(channel, &left, &right));
    EXPECT_NEAR(left, c.level, 0.02);
    EXPECT_NEAR(right, c.level, 0.02);
    lib.SetPaused(channel, true);
    test::RenderMs(lib, 30);
    ASSERT_TRUE(lib.GetCurrentLevels(channel, &left, &right));
    EXPECT_EQ(left, 0.0f);
    EXPECT_EQ(right, 0.0f);
    lib.Stream_Close(stream);
  }
  float left = -1, right = -1;
  EXPECT_FALSE(lib.GetCurrentLevels(12345, &left, &right));
  EXPECT_EQ(left, 0.0f);
}

TEST_F(SoundLibMixTest, DspUnitsSeeAndChangeEveryBlockInPriorityOrder) {
  ToneSpec spec;
  spec.durationMs = 5000;
  spec.amplitude = 0.5;
  PlayTone("dsp", spec);

  struct Probe {
    std::vector<int> calls;  // which unit ran, in order
    long framesSeen = 0;
    bool inputWasMix = true;
  } probe;
  // The late unit (priority 400) mutes the left side; the early one (302) records what it saw.
  SoundDspUnit* late = lib.DSP_Create(
      [&probe](void*, void* buffer, int length, void*) -> void* {
        auto* samples = static_cast<short*>(buffer);
        for (int i = 0; i < length; ++i) samples[i * 2] = 0;
        probe.calls.push_back(2);
        return buffer;
      },
      400, nullptr);
  int param = 7;
  SoundDspUnit* early = lib.DSP_Create(
      [&probe, &param](void* input, void* buffer, int length, void* p) -> void* {
        probe.framesSeen += length;
        probe.inputWasMix = probe.inputWasMix && p == &param &&
                            std::equal(static_cast<short*>(input), static_cast<short*>(input) + length * 2,
                                       static_cast<short*>(buffer));
        probe.calls.push_back(1);
        return buffer;
      },
      302, &param);
  ASSERT_NE(late, nullptr);
  ASSERT_NE(early, nullptr);
  EXPECT_FALSE(lib.DSP_GetActive(early)) << "units start inactive";
  test::RenderMs(lib, 100);
  EXPECT_TRUE(probe.calls.empty());

  ASSERT_TRUE(lib.DSP_SetActive(early, true));
  ASSERT_TRUE(lib.DSP_SetActive(late, true));
  const auto out = test::RenderMs(lib, 1000);
  EXPECT_EQ(probe.framesSeen, 44100) << "every mixed frame passes the unit";
  EXPECT_TRUE(probe.inputWasMix);
  ASSERT_FALSE(probe.calls.empty());
  for (size_t i = 0; i < probe.calls.size(); ++i) ASSERT_EQ(probe.calls[i], i % 2 == 0 ? 1 : 2);
  EXPECT_EQ(test::Peak(out, 0), 0.0) << "the unit's change reaches the output";
  EXPECT_NEAR(test::Peak(out, 1), 0.5, 0.01);

  lib.DSP_Free(late);
  lib.DSP_Free(early);
  const size_t calls = probe.calls.size();
  const auto after = test::RenderMs(lib, 100);
  EXPECT_EQ(probe.calls.size(), calls) << "freed units are never called again";
  EXPECT_NEAR(test::Peak(after, 0), 0.5, 0.01);
  EXPECT_FALSE(lib.DSP_SetActive(late, true)) << "a freed unit's handle is refused";
}

TEST_F(SoundLibMixTest, DspUnitMayReturnItsOwnBuffer) {
  ToneSpec spec;
  PlayTone("own", spec);
  std::vector<short> own(2048 * 2, 1000);
  SoundDspUnit* unit = lib.DSP_Create(
      [&own](void*, void*, int length, void*) -> void* {
        std::fill(own.begin(), own.begin() + length * 2, static_cast<short>(1000));
        return own.data();
      },
      302, nullptr);
  lib.DSP_SetActive(unit, true);
  const auto out = test::RenderMs(lib, 100);
  for (short s : out) ASSERT_EQ(s, 1000);
}

TEST_F(SoundLibMixTest, SilentMixReachesDspUnitsAsZeros) {
  long frames = 0;
  bool allZero = true;
  SoundDspUnit* unit = lib.DSP_Create(
      [&](void*, void* buffer, int length, void*) -> void* {
        frames += length;
        const short* s = static_cast<short*>(buffer);
        for (int i = 0; i < length * 2; ++i) allZero = allZero && s[i] == 0;
        return buffer;
      },
      302, nullptr);
  lib.DSP_SetActive(unit, true);
  ASSERT_TRUE(lib.Update(250));
  EXPECT_EQ(frames, 11025) << "units run without any channel playing";
  EXPECT_TRUE(allZero);
}

TEST_F(SoundLibMixTest, ChannelsAreHandedOutUntilNoneIsFree) {
  ToneSpec spec;
  spec.durationMs = 500;
  std::vector<int> handles;
  for (int i = 0; i < 8; ++i) handles.push_back(PlayTone("c" + std::to_string(i), spec));
  for (int h : handles) EXPECT_GE(h, 0);
  EXPECT_LT(PlayTone("extra", spec), 0) << "8 channels are all busy";
  // Once a sound has ended its channel is free again, and the old handle is refused.
  test::RenderMs(lib, 700);
  EXPECT_FALSE(lib.IsPlaying(handles[0]));
  const int reused = PlayTone("later", spec);
  ASSERT_GE(reused, 0);
  EXPECT_FALSE(std::find(handles.begin(), handles.end(), reused) != handles.end());
  EXPECT_TRUE(lib.IsPlaying(reused));
}

TEST_F(SoundLibMixTest, StreamPlaysOnOneChannelAtATime) {
  ToneSpec spec;
  spec.durationMs = 3000;
  SoundStream* stream = nullptr;
  const int first = PlayTone("once", spec, &stream);
  test::RenderMs(lib, 1000);
  const int second = lib.Stream_Play(kFreeChannel, stream);
  ASSERT_GE(second, 0);
  EXPECT_FALSE(lib.IsPlaying(first));
  EXPECT_NEAR(lib.Stream_GetTime(stream), 1000, 1) << "it goes on where it was";
  const auto out = test::RenderMs(lib, 500);
  EXPECT_NEAR(test::Peak(out, 0), 0.5, 0.01) << "heard once, not twice";
  EXPECT_NEAR(lib.Stream_GetTime(stream), 1500, 1);
}

TEST_F(SoundLibMixTest, LoopingSamplePlaysAndReportsItsPosition) {
  SoundSample* sample = lib.Sample_Alloc(-1, 44100, kModeLoopOff | kMode16Bits | kModeStereo, 44100, 255,
                                         128, 255);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(lib.Sample_GetLength(sample), 44100);
  ASSERT_TRUE(lib.Sample_SetMode(sample, kModeLoopNormal));
  ToneSpec spec;
  spec.amplitude = 0.5;
  std::vector<short> frames;
  for (float v : test::MakeTone(spec)) frames.push_back(static_cast<short>(v * 32767));
  ASSERT_TRUE(lib.Sample_Upload(sample, 0, frames.data(), 44100));

  const int channel = lib.PlaySound(kFreeChannel, sample);
  ASSERT_GE(channel, 0);
  EXPECT_EQ(lib.GetVolume(channel), 255);
  EXPECT_EQ(lib.GetFrequency(channel), 44100);
  const auto out = test::RenderMs(lib, 1500);
  EXPECT_TRUE(lib.IsPlaying(channel)) << "a looping sample plays on";
  EXPECT_NEAR(lib.GetCurrentPosition(channel), 22050, 2) << "1.5 s into a 1 s loop";
  std::vector<short> tail(out.end() - 44100, out.end());
  EXPECT_NEAR(test::Peak(tail, 0), 0.5, 0.01);

  lib.SetFrequency(channel, 45100);
  test::RenderMs(lib, 100);
  EXPECT_NEAR(lib.GetCurrentPosition(channel), 22050 + 4510, 2);

  ASSERT_TRUE(lib.Sample_SetMode(sample, kModeLoopOff));
  test::RenderMs(lib, 1100);
  EXPECT_FALSE(lib.IsPlaying(channel)) << "without the loop it ends at the sample's end";
  ASSERT_TRUE(lib.StopSound(channel));
  lib.Sample_Free(sample);
  EXPECT_LT(lib.PlaySound(kFreeChannel, sample), 0);
  EXPECT_EQ(lib.Sample_GetLength(sample), 0);
}

TEST_F(SoundLibMixTest, UpdateAdvancesExactlyByItsMilliseconds) {
  ToneSpec spec;
  spec.durationMs = 5000;
  SoundStream* stream = nullptr;
  PlayTone("update", spec, &stream);
  for (int i = 0; i < 300; ++i) {
    if (i % 50 == 0) {
      ASSERT_TRUE(lib.WaitForDecoders(5000));
    }
    ASSERT_TRUE(lib.Update(10));
  }
  EXPECT_EQ(lib.Stream_GetTime(stream), 3000);
  EXPECT_EQ(lib.GetUnderruns(), 0);
  EXPECT_GE(lib.GetCPUUsage(), 0.0f);
}

}  // namespace
}  // namespace spinwave

namespace spinwave {
namespace {

// A DSP plug-in that stops returning (or a device that stops calling back) keeps the mixer
// inside one block. Freeing a unit or a stream gives up waiting after a second, as it must not
// freeze the console, but what the stuck block may still use stays alive until it is over.
class SoundLibStalledMixerTest : public SoundLibMixTest {
 protected:
  struct Stall {
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    std::atomic<bool> freed{false};
  };
  // Sets `freed` when the unit's callback (which holds it) is destroyed.
  struct FreedMark {
    std::shared_ptr<Stall> stall;
    ~FreedMark() { stall->freed = true; }
  };

  SoundDspUnit* StallingUnit() {
    auto mark = std::make_shared<FreedMark>();
    mark->stall = stall;
    SoundDspUnit* unit = lib.DSP_Create(
        [mark](void*, void* buffer, int, void*) -> void* {
          mark->stall->inside = true;
          while (!mark->stall->release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          // Still running after the control side gave up: everything it holds must be alive.
          mark->stall->inside = false;
          return buffer;
        },
        302, nullptr);
    lib.DSP_SetActive(unit, true);
    return unit;
  }

  void StartStuckMixer() {
    mixer = std::thread([this] { lib.Update(10); });
    for (int i = 0; i < 5000 && !stall->inside; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(stall->inside);
  }

  void TearDown() override {
    stall->release = true;
    if (mixer.joinable()) mixer.join();
  }

  static long OpenDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
  }

  std::shared_ptr<Stall> stall = std::make_shared<Stall>();
  std::thread mixer;
};

TEST_F(SoundLibStalledMixerTest, AUnitIsKeptUntilTheStuckBlockIsOver) {
  SoundDspUnit* unit = StallingUnit();
  StartStuckMixer();
  const auto started = std::chrono::steady_clock::now();
  lib.DSP_Free(unit);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900)) << "it waited";
  EXPECT_FALSE(lib.DSP_GetActive(unit)) << "the handle is gone";
  EXPECT_FALSE(stall->freed) << "freed under the mixer that runs it";
  stall->release = true;
  mixer.join();
  EXPECT_FALSE(stall->inside);
  // The next wait for the mixer (here: creating another unit) finds it idle and frees it.
  lib.DSP_Create([](void*, void* buffer, int, void*) -> void* { return buffer; }, 1, nullptr);
  EXPECT_TRUE(stall->freed);
}

TEST_F(SoundLibStalledMixerTest, AStreamClosedMeanwhileIsFreedWhenTheOutputCloses) {
  ToneSpec spec;
  spec.durationMs = 3000;
  const long before = OpenDescriptors();
  SoundStream* stream = nullptr;
  ASSERT_GE(PlayTone("stalled", spec, &stream), 0);
  lib.WaitForDecoders(5000);
  StallingUnit();
  StartStuckMixer();
  EXPECT_TRUE(lib.Stream_Close(stream));
  EXPECT_EQ(lib.Stream_GetLengthMs(stream), 0) << "the handle is gone";
  EXPECT_GT(OpenDescriptors(), before) << "the file is still open: the stream was not freed";
  stall->release = true;
  mixer.join();
  lib.Close();
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(stall->freed);
}

}  // namespace
}  // namespace spinwave
