// Playback rate and keylock of stream channels: what comes out at a changed frequency (pitch
// and aliasing), the exact rate left untouched, changes of frequency and keylock while playing
// (no jump in position, no click), and keylock keeping the key while the tempo changes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "engine/AudioFixtures.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

using test::AudioFormat;
using test::ToneSpec;

constexpr double kPi = 3.14159265358979323846;

std::vector<double> Side(const std::vector<short>& stereo, int side, std::size_t from = 0,
                         std::size_t to = SIZE_MAX) {
  std::vector<double> v;
  const std::size_t frames = stereo.size() / 2;
  to = std::min(to, frames);
  for (std::size_t i = from; i < to; ++i) v.push_back(stereo[i * 2 + side] / 32768.0);
  return v;
}

// Level in dB of everything that is not a sine of `hz` (fitted by least squares), relative to
// that sine: aliases, images and noise of the resampler.
double SpuriousDb(const std::vector<double>& x, double hz, int rate = 44100) {
  double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = 2 * kPi * hz * static_cast<double>(i) / rate;
    const double s = std::sin(t), c = std::cos(t);
    ss += s * s, cc += c * c, sc += s * c, ys += x[i] * s, yc += x[i] * c;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  double tone = 0, rest = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = 2 * kPi * hz * static_cast<double>(i) / rate;
    const double m = a * std::sin(t) + b * std::cos(t);
    tone += m * m;
    rest += (x[i] - m) * (x[i] - m);
  }
  return 10 * std::log10(rest / tone);
}

// Peak in dBFS of the signal above about 5 kHz (two cascaded second-order high-pass sections):
// a sine of 1 kHz at -6 dBFS leaves about -62 dBFS, a step or a gap in it shows far above.
double ClickDbfs(const std::vector<double>& x, std::size_t skip = 2048) {
  const double w0 = 2 * kPi * 5000.0 / 44100.0, q = 0.7071;
  const double alpha = std::sin(w0) / (2 * q), cw = std::cos(w0);
  const double a0 = 1 + alpha;
  const double b0 = (1 + cw) / 2 / a0, b1 = -(1 + cw) / a0, b2 = (1 + cw) / 2 / a0;
  const double a1 = -2 * cw / a0, a2 = (1 - alpha) / a0;
  std::vector<double> y = x;
  for (int pass = 0; pass < 2; ++pass) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : y) {
      const double out = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = v, y2 = y1, y1 = out;
      v = out;
    }
  }
  double peak = 1e-12;
  for (std::size_t i = skip; i < y.size(); ++i) peak = std::max(peak, std::fabs(y[i]));
  return 20 * std::log10(peak);
}

class SoundLibRateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.SetOutput(kOutputNoSoundNonRealtime));
    ASSERT_TRUE(lib.Init(44100, 8, 0));
  }

  int Play(const std::string& name, const ToneSpec& spec, SoundStream** stream = nullptr) {
    const std::string path = folder.File(name + ".wav");
    EXPECT_TRUE(test::WriteTone(path, AudioFormat::Wav, spec));
    SoundStream* s = lib.Stream_Open(path, kModeNormal);
    EXPECT_NE(s, nullptr);
    if (stream) *stream = s;
    return lib.Stream_Play(kFreeChannel, s);
  }

  // Renders until the channel ends (at most `limitMs`); returns the frames rendered.
  std::vector<short> RenderToEnd(int channel, int limitMs) {
    std::vector<short> out;
    for (int t = 0; t < limitMs && lib.IsPlaying(channel); t += 10) {
      const auto block = test::RenderMs(lib, 10);
      out.insert(out.end(), block.begin(), block.end());
    }
    return out;
  }

  test::TempFolder folder;
  SoundLib lib{"fmod.dll"};
};

TEST_F(SoundLibRateTest, PitchMovesTheToneAndKeepsAliasesDown) {
  // The vinyl-style rate change: the tone moves by the factor, and what the resampler adds
  // (images, aliases of a 15 kHz tone moved to 16.2 kHz, noise) stays far below it.
  const struct {
    double hz;
    int frequency;
    double maxSpuriousDb;
  } cases[] = {{1000, 47628, -70}, {1000, 40572, -70}, {15000, 47628, -70}, {15000, 40572, -70},
               {1000, 44320, -70}, {1000, 17640, -70}, {1000, 88200, -70}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.frequency);
    ToneSpec spec;
    spec.frequency = c.hz;
    spec.durationMs = 3000;
    SoundStream* stream = nullptr;
    const int channel = Play("tone" + std::to_string(c.frequency) + "_" + std::to_string(int(c.hz)),
                             spec, &stream);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(lib.SetFrequency(channel, c.frequency));
    const auto out = test::RenderMs(lib, 1500);
    const double expected = c.hz * c.frequency / 44100.0;
    const auto x = Side(out, 0, 4410);
    if (c.hz < 5000) {
      EXPECT_NEAR(test::ZeroCrossingFrequency(out, 0), expected, 0.5);
    }
    const double spurious = SpuriousDb(x, expected);
    RecordProperty("spurious_db_" + std::to_string(int(c.hz)) + "_" + std::to_string(c.frequency),
                   std::to_string(spurious));
    EXPECT_LT(spurious, c.maxSpuriousDb);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibRateTest, AtTheMixRateTheFileIsPlayedUntouched) {
  // A lone full-scale sample stays one sample: nothing filters a channel at exactly 44100 Hz,
  // also after it came back from another frequency.
  std::vector<float> samples(44100 * 2 * 2, 0.0f);
  for (int at : {1000, 30000, 60000}) samples[static_cast<std::size_t>(at) * 2] = 0.5f;
  const std::string path = folder.File("clicks.wav");
  ASSERT_TRUE(test::WriteAudioFile(path, AudioFormat::Wav, 44100, 2, samples));
  SoundStream* s = lib.Stream_Open(path, kModeNormal);
  const int channel = lib.Stream_Play(kFreeChannel, s);
  ASSERT_GE(channel, 0);
  const auto first = test::RenderMs(lib, 500);  // frames 0 .. 22049
  const short value = first[1000 * 2];
  std::vector<int> nonZero;
  for (std::size_t i = 0; i < first.size() / 2; ++i)
    if (first[i * 2] != 0) nonZero.push_back(static_cast<int>(i));
  EXPECT_EQ(nonZero, std::vector<int>{1000});
  // Away and back: after the cross-fade the channel is exact again.
  lib.SetFrequency(channel, 47628);
  test::RenderMs(lib, 100);
  lib.SetFrequency(channel, 44100);
  const int at = lib.GetCurrentPosition(channel);
  const auto later = test::RenderMs(lib, 1000);
  nonZero.clear();
  for (std::size_t i = 0; i < later.size() / 2; ++i)
    if (later[i * 2] != 0) nonZero.push_back(static_cast<int>(i));
  // The samples of the file at 30000 and 60000, each one sample of the file's own value, where
  // the position said they would be (within the frame a rate change may round to).
  ASSERT_EQ(nonZero.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_NEAR(nonZero[static_cast<std::size_t>(k)] + at, 30000 * (k + 1), 1);
    EXPECT_EQ(later[static_cast<std::size_t>(nonZero[static_cast<std::size_t>(k)]) * 2], value);
  }
}

TEST_F(SoundLibRateTest, ChangesWhilePlayingNeitherJumpNorClick) {
  // A sine through a run of rate and keylock changes as a DJ makes them: slider moves, a bend,
  // keylock on and off, back to normal. The position moves on by what was played at each
  // rate, and nothing above -40 dBFS shows outside the tone.
  ToneSpec spec;
  spec.durationMs = 20000;
  SoundStream* stream = nullptr;
  const int channel = Play("steps", spec, &stream);
  ASSERT_GE(channel, 0);
  struct Step {
    int frequency;
    bool keylock;
  };
  const Step steps[] = {{44100, false}, {47628, false}, {48069, false}, {47628, true},
                        {44100, true},  {40572, true},  {40572, false}, {44100, false},
                        {44100, true},  {44100, false}};
  double expectedMs = 0;
  std::vector<double> all;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.frequency << (step.keylock ? " keylock" : ""));
    lib.SetKeyLock(channel, step.keylock ? step.frequency : 0);
    lib.SetFrequency(channel, step.frequency);
    const int before = lib.Stream_GetTime(stream);
    const auto out = test::RenderMs(lib, 700);
    const auto x = Side(out, 0);
    all.insert(all.end(), x.begin(), x.end());
    expectedMs += 700.0 * step.frequency / 44100.0;
    EXPECT_NEAR(lib.Stream_GetTime(stream), expectedMs, 20.0);
    EXPECT_NEAR(lib.Stream_GetTime(stream) - before, 700.0 * step.frequency / 44100.0, 20.0);
  }
  const double click = ClickDbfs(all);
  RecordProperty("click_dbfs", std::to_string(click));
  EXPECT_LT(click, -40.0);
}

TEST_F(SoundLibRateTest, KeylockChangesTheTempoNotTheKey) {
  // +8 % with keylock: 1 kHz stays 1 kHz, and the 10 s file is over in 10 / 1.08 = 9.26 s; its
  // last audio is heard right up to there. Without keylock the tone is 1080 Hz.
  for (bool keylock : {true, false}) {
    SCOPED_TRACE(keylock ? "keylock" : "vinyl");
    ToneSpec spec;
    spec.durationMs = 10000;
    SoundStream* stream = nullptr;
    const int channel = Play(keylock ? "locked" : "vinyl", spec, &stream);
    ASSERT_GE(channel, 0);
    if (keylock) {
      ASSERT_TRUE(lib.SetKeyLock(channel, 47628));
    }
    ASSERT_TRUE(lib.SetFrequency(channel, 47628));
    EXPECT_EQ(lib.GetKeyLock(channel), keylock ? 47628 : 0);
    const auto out = RenderToEnd(channel, 12000);
    const std::size_t frames = out.size() / 2;
    EXPECT_FALSE(lib.IsPlaying(channel));
    // The last frame of the tone.
    std::size_t last = 0;
    for (std::size_t i = 0; i < frames; ++i)
      if (std::abs(out[i * 2]) > 3000) last = i;
    EXPECT_NEAR(static_cast<double>(last) / 44.1, 10000 / 1.08, 20.0);
    const std::vector<short> middle(out.begin() + 44100 * 2, out.begin() + 44100 * 8 * 2);
    EXPECT_NEAR(test::ZeroCrossingFrequency(middle, 0), keylock ? 1000.0 : 1080.0, keylock ? 5.0 : 0.5);
    EXPECT_NEAR(test::Rms(middle, 0), 0.5 / std::sqrt(2.0), 0.05);
    lib.Stream_Close(stream);
  }
}

TEST_F(SoundLibRateTest, KeylockedVinylStopLowersTheKey) {
  // Keylock holds the key while the frequency is the key frequency (SetTempo keeps them
  // together); a frequency taken below it (a vinyl stop) plays as a record, key and all, and
  // back at the key frequency the key is the file's again.
  ToneSpec spec;
  spec.durationMs = 10000;
  const int channel = Play("stop", spec);
  ASSERT_GE(channel, 0);
  lib.SetKeyLock(channel, 47628);
  lib.SetFrequency(channel, 47628);
  const struct {
    int frequency;
    bool tempo;  // SetTempo (slider, bend) rather than SetFrequency (vinyl stop)
    double hz;
  } cases[] = {{47628, false, 1000}, {35721, false, 810}, {23814, false, 540},
               {48069, true, 1000},  {44100, true, 1000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frequency);
    if (c.tempo) {
      lib.SetTempo(channel, c.frequency);
    } else {
      lib.SetFrequency(channel, c.frequency);
    }
    EXPECT_EQ(lib.GetKeyLock(channel), c.tempo ? c.frequency : 47628);
    test::RenderMs(lib, 200);
    const auto out = test::RenderMs(lib, 1000);
    EXPECT_NEAR(test::ZeroCrossingFrequency(out, 0), c.hz, c.hz == 1000 ? 5.0 : 1.0);  // stretched: ±5 Hz
  }
}

}  // namespace
}  // namespace spinwave
