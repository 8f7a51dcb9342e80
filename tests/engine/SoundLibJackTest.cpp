// The real output path: two decks, each on its own output, play through a JACK server (the dummy
// driver paces it like a sound card) for 30 s of real time. Time must run at the right rate,
// follow what the server consumed, and the decoders must never leave the mixer a dry buffer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "DeckFixture.h"
#include "JackServer.h"

namespace spinwave::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Deck {
  std::unique_ptr<TFMODJingle> component;
  int entry = -1;
  SoundLib* lib() const { return component->Library(); }
  int Time() const { return lib()->Stream_GetTime(TFMODJingle::GetFileEntry(entry)->Stream); }
};

TEST(SoundLibJackTest, TwoDecksPlayThroughAJackServerInRealTime) {
  JackServer server;
  std::string why;
  if (!server.Start(44100, 1024, &why)) GTEST_SKIP() << "no JACK server to play through: " << why;
  // The test main switches every device output off; this test wants the real one.
  ScopedEnv output("SPINWAVE_OUTPUT", nullptr);
  ScopedEnv jackServer("JACK_DEFAULT_SERVER", server.Name().c_str());
  JackClock clock(server.Name());
  ASSERT_TRUE(clock.Ok());
  ASSERT_EQ(clock.SampleRate(), 44100);

  TempFolder folder;
  ToneSpec spec;
  spec.durationMs = 40000;
  spec.frequency = 440;
  const std::string mp3 = folder.File("deck1.mp3"), ogg = folder.File("deck2.ogg");
  ASSERT_TRUE(WriteTone(mp3, AudioFormat::Mp3, spec));
  ASSERT_TRUE(WriteTone(ogg, AudioFormat::Ogg, spec));

  TFMODJingle::SetClockManual(true);
  QWidget form;
  std::vector<Deck> decks;
  const struct {
    const char* name;
    const char* library;
    const std::string* file;
  } setup[] = {{"Player1", "fmod.dll", &mp3}, {"Player2", "fmod2.dll", &ogg}};
  for (const auto& s : setup) {
    Deck d;
    d.component = std::make_unique<TFMODJingle>(QString::fromLatin1(s.name));
    ASSERT_TRUE(d.component->Init(s.library));
    d.component->SetOutputType(ASIO);  // JACK
    d.component->SetMaxChannels(2);
    d.component->SetOutput();
    ASSERT_TRUE(d.component->Initialised()) << d.lib()->LastError();
    ASSERT_EQ(d.lib()->GetOutput(), kOutputASIO);
    d.entry = d.component->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_GT(d.component->OpenFile(*s.file, d.entry), 39000);
    decks.push_back(std::move(d));
  }
  for (Deck& d : decks) ASSERT_TRUE(d.component->Play(d.entry));

  // Runs the deck clock as the console's timer would, for `ms` of real time.
  auto runFor = [](int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      TFMODJingle::NotifyTimerTime();
    }
  };
  runFor(1500);  // the output settles
  struct Mark {
    Clock::time_point wall;
    std::uint32_t jackFrames;
    int times[2];
  };
  auto mark = [&] {
    Mark m{Clock::now(), clock.FrameTime(), {decks[0].Time(), decks[1].Time()}};
    return m;
  };
  const Mark start = mark();
  for (Deck& d : decks) EXPECT_GT(d.Time(), 0) << "the output consumes";
  runFor(28000);
  const Mark end = mark();

  const double wallMs = std::chrono::duration<double, std::milli>(end.wall - start.wall).count();
  const double jackMs = static_cast<double>(end.jackFrames - start.jackFrames) * 1000.0 / 44100.0;
  // An xrun is a cycle in which a client did not finish in time (a machine busy with other
  // work): the server then runs on without taking that cycle's audio from it, so each xrun may
  // leave our time one period behind the server's clock.
  const int xruns = clock.XRuns();
  const double xrunSlackMs = xruns * 1024 * 1000.0 / 44100.0;
  std::printf("JACK: %.0f ms of real time, the server ran %.0f ms, %d xruns\n", wallMs, jackMs, xruns);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(setup[i].name);
    const double streamMs = end.times[i] - start.times[i];
    std::printf("%s: stream time %.0f ms, underruns %lld, load %.2f %%\n", setup[i].name, streamMs,
                static_cast<long long>(decks[static_cast<size_t>(i)].lib()->GetUnderruns()),
                decks[static_cast<size_t>(i)].lib()->GetCPUUsage());
    EXPECT_NEAR(streamMs, wallMs, wallMs * 0.01 + xrunSlackMs) << "time runs at the right rate";
    // The stream moves on by what the server took, give or take the blocks in between (two
    // periods of 1024 frames, 46 ms), the deck clock's 10 ms steps and the moments between
    // reading the server's clock and the decks' times, which a loaded machine stretches (83 ms
    // seen with two test suites running): within 100 ms, and less only by cycles lost to xruns.
    EXPECT_LE(streamMs, jackMs + 100.0) << "time follows what the device consumed";
    EXPECT_GE(streamMs, jackMs - 100.0 - xrunSlackMs) << "time follows what the device consumed";
    EXPECT_EQ(decks[static_cast<size_t>(i)].lib()->GetUnderruns(), 0) << "the decoder kept up";
    EXPECT_EQ(decks[static_cast<size_t>(i)].component->GetFileState(decks[static_cast<size_t>(i)].entry), fsPlaying);
    float left = 0, right = 0;
    decks[static_cast<size_t>(i)].lib()->GetCurrentLevels(TFMODJingle::GetFileEntry(decks[static_cast<size_t>(i)].entry)->Channel, &left, &right);
    EXPECT_NEAR(left, 0.5, 0.05) << "the tone is mixed";
  }
  decks.clear();
}

}  // namespace
}  // namespace spinwave::test
