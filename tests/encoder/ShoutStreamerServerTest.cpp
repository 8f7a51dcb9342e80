// The streamer against a real Icecast 2 on 127.0.0.1 with both source protocols: SHOUTcast (ICY)
// to the server's SHOUTcast mount, and a refused login. The mix is fed by a thread of the test at
// the pace of a mixer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "IcecastServer.h"
#include "ShoutStreamer.h"
#include "common/TestSupport.h"

namespace spinwave {
namespace {

using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Feeds 10 ms blocks of a tone, as the mixer would, while it lives.
class Feeder {
 public:
  explicit Feeder(ShoutStreamer& streamer) : thread_([this, &streamer] {
      std::vector<short> block(441 * 2);
      long long n = 0;
      auto next = Clock::now();
      while (!quit_) {
        for (int i = 0; i < 441; ++i, ++n) {
          block[static_cast<std::size_t>(i) * 2] = block[static_cast<std::size_t>(i) * 2 + 1] =
              static_cast<short>(10000 * std::sin(2 * 3.14159265358979 * 1000.0 * static_cast<double>(n) / 44100.0));
        }
        streamer.Feed(block.data(), 441);
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
      }
    }) {}
  ~Feeder() {
    quit_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

class ShoutStreamerServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<test::IcecastServer>(temp_.File("icecast"));
    ASSERT_TRUE(server_->Start()) << server_->Diagnostics();
  }
  test::TempFolder temp_;
  std::unique_ptr<test::IcecastServer> server_;
};

TEST_F(ShoutStreamerServerTest, ShoutcastProtocolReachesTheShoutcastMountWithItsTitle) {
  ShoutStreamer streamer;
  StreamSettings settings;
  settings.host = "127.0.0.1";
  settings.port = server_->Port();  // the server's port: ICY sources go to the one after it
  settings.password = test::IcecastServer::kSourcePassword;
  settings.protocol = StreamSettings::kIcy;
  settings.mount = "/icy";
  settings.bitRate = 64;
  streamer.SetTitle("Band - Song");
  streamer.Start(settings);
  Feeder feeder(streamer);
  ASSERT_TRUE(WaitFor([&] { return streamer.GetState() == ShoutStreamer::State::Connected; }, 8000))
      << streamer.StatusText() << "\n" << server_->Diagnostics();
  int bitRate = 0;
  const std::string body = test::HttpGet(server_->Port(), "/icy", 16000, 5000);
  EXPECT_GE(test::CountMp3Frames(body, &bitRate), 20) << body.size() << " bytes: " << body << server_->Diagnostics();
  EXPECT_EQ(bitRate, 64);
  EXPECT_TRUE(WaitFor([&] {
    return test::HttpGet(server_->Port(), "/status-json.xsl", 1 << 20, 1000).find("Band - Song") != std::string::npos;
  }, 5000)) << "the title of a SHOUTcast source";
  EXPECT_GE(streamer.TitlesSent(), 1);
}

TEST_F(ShoutStreamerServerTest, AWrongPasswordIsReportedAndTriedAgainLater) {
  ShoutStreamer streamer;
  StreamSettings settings;
  settings.host = "127.0.0.1";
  settings.port = server_->Port();
  settings.password = "wrong";
  settings.mount = "/live";
  streamer.Start(settings);
  Feeder feeder(streamer);
  ASSERT_TRUE(WaitFor([&] { return streamer.GetState() == ShoutStreamer::State::Waiting; }, 8000));
  EXPECT_NE(streamer.StatusText().find("next try in"), std::string::npos) << streamer.StatusText();
  EXPECT_EQ(streamer.Connections(), 0);
}

}  // namespace
}  // namespace spinwave
