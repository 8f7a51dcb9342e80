// The render runs the console's own automix and writes what it played: the file's length is the
// tracks' lengths less each change's overlap, and its tones come in the playlist's order.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QDir>

#include "ConsoleFixture.h"
#include "app/RenderCommand.h"
#include "core/AtomicFile.h"

namespace spinwave::test {
namespace {

class RenderTest : public ConsoleTest {
 protected:
  std::string Tone(const std::string& name, int ms, double hz) {
    ToneSpec spec;
    spec.durationMs = ms;
    spec.frequency = hz;
    const std::string path = dir.File(name + ".wav");
    EXPECT_TRUE(WriteTone(path, AudioFormat::Wav, spec));
    return path;
  }
  static std::vector<short> ReadSound(const std::string& path, int* rate) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return {};
    std::vector<short> samples(static_cast<size_t>(info.frames) * 2);
    sf_readf_short(f, samples.data(), info.frames);
    sf_close(f);
    *rate = info.samplerate;
    return samples;
  }
  // `ms` milliseconds of the mix from `atMs` on.
  static std::vector<short> Part(const std::vector<short>& mix, int atMs, int ms) {
    const size_t from = static_cast<size_t>(atMs) * 441 / 10 * 2;
    const size_t to = std::min(mix.size(), from + static_cast<size_t>(ms) * 441 / 10 * 2);
    if (from >= to) return {};
    return std::vector<short>(mix.begin() + static_cast<long>(from),
                              mix.begin() + static_cast<long>(to));
  }
  // The pitch heard from `atMs` for 200 ms.
  static double PitchAt(const std::vector<short>& mix, int atMs) {
    const size_t from = static_cast<size_t>(atMs) * 441 / 10 * 2;
    if (from + 8820 * 2 > mix.size()) return 0;
    std::vector<short> part(mix.begin() + static_cast<long>(from),
                            mix.begin() + static_cast<long>(from + 8820 * 2));
    return ZeroCrossingFrequency(part, 0);
  }
  int Run(const QStringList& arguments, std::string* said = nullptr) {
    std::FILE* err = std::tmpfile();
    const int status = RenderCommand::Main(QStringList{"--render"} + arguments, err);
    std::rewind(err);
    std::string text;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, err)) > 0;) text.append(buf, n);
    std::fclose(err);
    if (said) *said = text;
    return status;
  }
};

TEST_F(RenderTest, ThreeTracksInOrderWithTheSegueOverlaps) {
  const std::string list =
      M3U("show.m3u", {Tone("a", 6000, 300), Tone("b", 7000, 700), Tone("c", 5000, 1500)});
  for (const char* fade : {"--crossfade", "--no-crossfade"}) {
    SCOPED_TRACE(fade);
    const std::string out = dir.File(std::string("show") + fade + ".wav");
    std::string said;
    ASSERT_EQ(Run({QString::fromStdString(list), "--out", QString::fromStdString(out), "--segue",
                   "2", fade},
                  &said),
              0)
        << said;
    int rate = 0;
    const std::vector<short> mix = ReadSound(out, &rate);
    ASSERT_EQ(rate, 44100);
    // Each change starts the next track 2 s + 100 ms before the end of the one playing.
    const double ms = mix.size() / 2 * 1000.0 / rate;
    EXPECT_NEAR(ms, 18000 - 2 * 2100, 20);
    // a alone, b alone after the first change, c alone after the second.
    EXPECT_NEAR(PitchAt(mix, 1000), 300, 15);
    EXPECT_NEAR(PitchAt(mix, 7000), 700, 15);
    EXPECT_NEAR(PitchAt(mix, 12000), 1500, 15);
    EXPECT_NE(said.find("0:03.900  b"), std::string::npos) << said;
    EXPECT_NE(said.find("0:08.800  c"), std::string::npos) << said;
    EXPECT_NE(said.find("Rendered 3 tracks, 0:13."), std::string::npos) << said;
    EXPECT_EQ(said.find("Warning"), std::string::npos) << said;
  }
}

// The one long track: 200 s (silent, mono at 22 kHz to keep the file small) with a segue of
// 8 s. The next track is heard from 191.9 s on, rises through the crossfade for 8 s and then
// plays alone at full gain.
TEST_F(RenderTest, LongTrackChangesAtItsSeguePoint) {
  ToneSpec quiet;
  quiet.durationMs = 200000;
  quiet.sampleRate = 22050;
  quiet.channels = 1;
  quiet.amplitude = 0;
  const std::string first = dir.File("first.wav");
  ASSERT_TRUE(WriteTone(first, AudioFormat::Wav, quiet));
  const std::string list = M3U("long.m3u", {first, Tone("next", 12000, 1000)});
  const std::string out = dir.File("long.wav");
  std::string said;
  ASSERT_EQ(Run({QString::fromStdString(list), "--out", QString::fromStdString(out), "--segue",
                 "8"},
                &said),
            0)
      << said;
  int rate = 0;
  const std::vector<short> mix = ReadSound(out, &rate);
  EXPECT_NEAR(mix.size() / 2 * 1000.0 / rate, 200000 + 12000 - 8100, 20);
  // The start is measured at the deck clock's resolution: the 10 ms block the sound begins in.
  const double onset = 185000 + FirstOnsetMs(Part(mix, 185000, 10000), 0.01);
  EXPECT_NEAR(std::floor(onset / 10) * 10, 191900, 10) << said;
  EXPECT_NE(said.find("3:11.900  next.wav"), std::string::npos) << said;
  // The crossfader's value v (30 + 138 per 8 s) is deck 2's gain in per cent, held at 100:
  // 47 % one second in, 64.5 % two seconds in, full from about 4.1 s on.
  const double full = 0.5 / std::sqrt(2.0);
  struct Point {
    int atMs;
    double gain;
  };
  for (const Point& p : {Point{192900, 0.4725}, Point{193900, 0.645}, Point{197000, 1.0},
                         Point{201000, 1.0}})
    EXPECT_NEAR(Rms(Part(mix, p.atMs, 20), 0) / full, p.gain, 0.03) << p.atMs;
}

TEST_F(RenderTest, BadInputOrOutputFailsAndLeavesNoFile) {
  const std::string list = M3U("show.m3u", {Tone("a", 1500, 300), Tone("b", 1500, 700)});
  struct Case {
    QStringList arguments;
    const char* says;
    std::string out;
  };
  const std::string missingFolder = dir.File("no/such/folder/show.flac");
  const Case cases[] = {
      {{QString::fromStdString(dir.File("none.m3u")), "--out", QString::fromStdString(dir.File("x.wav"))},
       "Cannot read the playlist", dir.File("x.wav")},
      {{QString::fromStdString(list), "--out", QString::fromStdString(missingFolder)},
       "Cannot write", missingFolder},
      {{QString::fromStdString(list), "--out", QString::fromStdString(dir.File("x.aiff"))},
       ".wav, .flac, .ogg or .mp3", dir.File("x.aiff")},
      {{QString::fromStdString(list)}, "usage:", ""},
      {{QString::fromStdString(list), "--out", "y.wav", "--segue", "soon"}, "--segue", ""},
  };
  for (const Case& c : cases) {
    std::string said;
    EXPECT_EQ(Run(c.arguments, &said), 1) << c.says;
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    if (!c.out.empty()) {
      EXPECT_FALSE(FileExists(c.out)) << c.out;
    }
  }
  // A completed render leaves its file and nothing beside it.
  ASSERT_EQ(Run({QString::fromStdString(list), "--out", QString::fromStdString(dir.File("ok.ogg"))}), 0);
  EXPECT_TRUE(FileExists(dir.File("ok.ogg")));
  QStringList left = QDir(QString::fromStdString(dir.Path())).entryList({"*.part-*"});
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

}  // namespace
}  // namespace spinwave::test
