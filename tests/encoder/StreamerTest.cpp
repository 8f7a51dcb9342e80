// The streaming plug-in's parts without a server: the queue between the mixer and the encoder
// thread, the back-off, and a server that is not there.
#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

#include "BlockQueue.h"
#include "IcecastServer.h"
#include "ShoutStreamer.h"

namespace spinwave {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<short> Block(int frames, short value) { return std::vector<short>(static_cast<std::size_t>(frames) * 2, value); }

TEST(BlockQueue, KeepsTheNewestBlocksAndCountsTheDroppedOnes) {
  BlockQueue queue(4);
  std::vector<short> out(BlockQueue::kBlockFrames * 2);
  EXPECT_EQ(queue.Pop(out.data()), 0);
  for (short i = 1; i <= 10; ++i) queue.Push(Block(441, i).data(), 441);
  // The consumer was away for ten blocks: the six oldest are gone, the four newest come in order.
  for (short expected = 7; expected <= 10; ++expected) {
    ASSERT_EQ(queue.Pop(out.data()), 441);
    EXPECT_EQ(out[0], expected);
    EXPECT_EQ(out[441 * 2 - 1], expected);
  }
  EXPECT_EQ(queue.Pop(out.data()), 0);
  EXPECT_EQ(queue.Dropped(), 6);
  // A push longer than a block arrives as several blocks, nothing lost.
  std::vector<short> longer(5000 * 2);
  std::iota(longer.begin(), longer.end(), short(0));
  queue.Push(longer.data(), 5000);
  std::vector<short> joined;
  for (int n; (n = queue.Pop(out.data())) > 0;) joined.insert(joined.end(), out.begin(), out.begin() + n * 2);
  EXPECT_EQ(joined, longer);
  EXPECT_EQ(queue.Dropped(), 6);
  // Skipping what waits is not a loss of the connection's.
  queue.Push(Block(100, 1).data(), 100);
  queue.Clear();
  EXPECT_EQ(queue.Pop(out.data()), 0);
  EXPECT_EQ(queue.Dropped(), 6);
}

// A producer at full speed against a slow consumer: every block that arrives is whole (never
// half old, half new), and pushed = read + dropped.
TEST(BlockQueue, ABlockIsNeverTornWhenTheProducerLapsTheConsumer) {
  BlockQueue queue(8);
  constexpr int kBlocks = 20000;
  std::thread producer([&] {
    std::vector<short> block(512 * 2);
    for (int i = 0; i < kBlocks; ++i) {
      std::fill(block.begin(), block.end(), static_cast<short>(i));
      queue.Push(block.data(), 512);
    }
  });
  std::vector<short> out(BlockQueue::kBlockFrames * 2);
  long long read = 0;
  int last = -1;
  bool torn = false, backwards = false;
  auto drain = [&] {
    for (int n; (n = queue.Pop(out.data())) > 0;) {
      ++read;
      torn = torn || n != 512 || !std::all_of(out.begin(), out.begin() + n * 2, [&](short v) { return v == out[0]; });
      backwards = backwards || out[0] <= last;
      last = out[0];
      std::this_thread::yield();
    }
  };
  while (queue.Pushed() < kBlocks) drain();
  producer.join();
  drain();
  EXPECT_FALSE(torn);
  EXPECT_FALSE(backwards);
  EXPECT_EQ(read + queue.Dropped(), kBlocks);
}

TEST(ShoutStreamer, WaitsLongerAfterEachFailureUpToHalfAMinute) {
  const int expected[] = {1, 2, 4, 8, 16, 30, 30, 30};
  for (int failures = 0; failures < 8; ++failures) EXPECT_EQ(ShoutStreamer::BackoffAfter(failures), expected[failures]);
}

// Nothing listens on the port: the streamer says so, waits to try again, and stops at once.
TEST(ShoutStreamer, AServerThatIsNotThereIsTriedAgainAndStopReturnsAtOnce) {
  ShoutStreamer streamer;
  StreamSettings settings;
  settings.host = "127.0.0.1";
  settings.port = test::FreeLocalPort();
  settings.password = "x";
  streamer.Start(settings);
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (streamer.GetState() != ShoutStreamer::State::Waiting && Clock::now() < deadline) {
    std::vector<short> block(441 * 2, 100);
    streamer.Feed(block.data(), 441);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(streamer.GetState(), ShoutStreamer::State::Waiting);
  EXPECT_NE(streamer.StatusText().find("next try in"), std::string::npos) << streamer.StatusText();
  EXPECT_GE(streamer.RetryInSeconds(), 1);
  EXPECT_EQ(streamer.Connections(), 0);
  EXPECT_EQ(streamer.DroppedBlocks(), 0) << "not on air: nothing is counted as lost";
  const auto stopping = Clock::now();
  streamer.Stop();
  EXPECT_LT(Clock::now() - stopping, std::chrono::milliseconds(500));
  EXPECT_EQ(streamer.GetState(), ShoutStreamer::State::Stopped);

  ShoutStreamer idle;
  idle.Start(StreamSettings{});
  for (int i = 0; i < 200 && idle.GetState() != ShoutStreamer::State::Idle; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(idle.GetState(), ShoutStreamer::State::Idle) << "no server configured";
}

TEST(StreamSettings, SurviveASaveAndALoad) {
  const std::string path = std::string(std::getenv("SPINWAVE_TEST_TMP")) + "/dsp_sc.ini";
  StreamSettings s;
  s.host = "radio.example.org";
  s.port = 8443;
  s.user = "dj";
  s.password = "p=a;ss word";
  s.mount = "live";  // a mount always starts with "/"
  s.protocol = StreamSettings::kIcy;
  s.bitRate = 192;
  s.name = "Spinwave FM \xc3\xa9";
  s.genre = "Pop";
  ASSERT_TRUE(s.Save(path));
  StreamSettings loaded = StreamSettings::Load(path);
  s.mount = "/live";
  EXPECT_TRUE(loaded == s);
  EXPECT_TRUE(StreamSettings::Load(path + ".missing") == StreamSettings{});
}

}  // namespace
}  // namespace spinwave
