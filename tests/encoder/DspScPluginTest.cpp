// dsp_sc.so end to end: a deck plays a 1 kHz tone on a real-time output, the DSP host feeds the
// mix to the plug-in, and a real Icecast 2 on 127.0.0.1 carries it: a listener on the mount gets
// MP3 frames of the tone, the title on air shows in the server's status, and a server that dies
// mid-stream and comes back is reconnected to, without one underrun of the deck's output.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "DspScStatus.h"
#include "IcecastServer.h"
#include "StreamSettings.h"
#include "common/TestSupport.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/AudioFixtures.h"
#include "engine/DSPHost.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

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

// Decodes received MP3 bytes (from their first whole frame) and measures the left side's tone.
double ToneOf(const std::string& stream, const std::string& file) {
  std::size_t start = 0;
  if (test::CountMp3Frames(stream, nullptr, &start) < 2) return 0;
  test::WriteFile(file, stream.substr(start));
  SF_INFO info{};
  SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
  if (!sf || info.channels != 2) {
    if (sf) sf_close(sf);
    return 0;
  }
  std::vector<short> samples(44100 * 2 * 4);
  const sf_count_t got = sf_readf_short(sf, samples.data(), 44100 * 4);
  sf_close(sf);
  // The first tenth of a second may hold the encoder's start.
  if (got < 44100 / 2) return 0;
  samples.assign(samples.begin() + 4410 * 2, samples.begin() + got * 2);
  return test::ZeroCrossingFrequency(samples, 0);
}

class DspScPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFMODJingle::SetClockManual(true);
    ASSERT_FALSE(DSPHost::FallbackFolders().empty()) << "the host must know where dsp_sc.so is built";
    server_ = std::make_unique<test::IcecastServer>(temp_.File("icecast"));
    ASSERT_TRUE(server_->Start()) << server_->Diagnostics();
    StreamSettings settings;
    settings.host = "127.0.0.1";
    settings.port = server_->Port();
    settings.password = test::IcecastServer::kSourcePassword;
    settings.mount = "/live";
    settings.bitRate = 128;
    ASSERT_TRUE(settings.Save(StreamSettings::DefaultPath()));

    // Deck 1 on a real-time output without a device: the mixer runs on its own clock thread.
    player1_ = std::make_unique<TFMODJingle>(QStringLiteral("Player1"));
    player1_->Init("fmod.dll");
    player1_->SetOutputType(NOSOUND);
    player1_->SetMaxChannels(4);
    player1_->SetOutput();
    ASSERT_TRUE(player1_->Initialised());
    deck1_ = player1_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    test::ToneSpec tone;
    tone.durationMs = 60000;
    tone.frequency = 1000;
    tone.amplitude = 0.5;
    const std::string path = temp_.File("tone.wav");
    ASSERT_TRUE(test::WriteTone(path, test::AudioFormat::Wav, tone));
    ASSERT_GT(player1_->OpenFile(path, deck1_), 0);

    DSPHost::Settings dsp;
    dsp.Shoutcast = true;  // CentralOutput: one output for both decks
    host_ = std::make_unique<DSPHost>(player1_.get(), nullptr, dsp, &talking_);
    TSettingsFile ini;
    host_->LoadDSPPlugins(ProgramFolder(), ini);
    ASSERT_TRUE(host_->IsLoaded(DSPHost::kStreamingSlot));
    status_ = reinterpret_cast<spinwaveDspScStatusType>(
        ::dlsym(host_->Module(DSPHost::kStreamingSlot)->hDllInstance, SPINWAVE_DSP_SC_STATUS));
    ASSERT_NE(status_, nullptr);
    ASSERT_TRUE(player1_->Play(deck1_));
  }

  void TearDown() override {
    host_.reset();
    player1_.reset();
    server_.reset();
  }

  DspScStatus Status() {
    DspScStatus s{};
    status_(&s);
    return s;
  }

  test::TempFolder temp_;
  std::unique_ptr<test::IcecastServer> server_;
  std::unique_ptr<TFMODJingle> player1_;
  int deck1_ = -1;
  std::atomic<bool> talking_{false};
  std::unique_ptr<DSPHost> host_;
  spinwaveDspScStatusType status_ = nullptr;
};

TEST_F(DspScPluginTest, StreamsTheMixWithItsTitleAndReconnectsAfterTheServerDied) {
  ASSERT_TRUE(WaitFor([&] { return Status().state == 3; }, 8000)) << Status().text;
  host_->SetTitle("Spinwave Test - Tone \xc3\xa9");

  int bitRate = 0;
  const std::string first = test::HttpGet(server_->Port(), "/live", 48000, 5000);
  EXPECT_GE(test::CountMp3Frames(first, &bitRate), 20) << first.size() << " bytes";
  EXPECT_EQ(bitRate, 128);
  EXPECT_NEAR(ToneOf(first, temp_.File("first.mp3")), 1000, 5);
  EXPECT_TRUE(WaitFor([&] {
    return test::HttpGet(server_->Port(), "/status-json.xsl", 1 << 20, 1000).find("Spinwave Test - Tone \xc3\xa9") !=
           std::string::npos;
  }, 5000)) << "the title shows on the server";

  server_->Kill();
  ASSERT_TRUE(WaitFor([&] { return Status().state != 3; }, 5000)) << "the loss is noticed";
  EXPECT_NE(std::string(Status().text), "");
  ASSERT_TRUE(server_->Start()) << server_->Diagnostics();
  ASSERT_TRUE(WaitFor([&] { return Status().state == 3 && Status().connections == 2; }, 12000)) << Status().text;

  const std::string second = test::HttpGet(server_->Port(), "/live", 48000, 5000);
  EXPECT_GE(test::CountMp3Frames(second), 20);
  EXPECT_NEAR(ToneOf(second, temp_.File("second.mp3")), 1000, 5);
  EXPECT_TRUE(WaitFor([&] {
    return test::HttpGet(server_->Port(), "/status-json.xsl", 1 << 20, 1000).find("Spinwave Test - Tone") !=
           std::string::npos;
  }, 5000)) << "the title is sent again after reconnecting";

  EXPECT_EQ(player1_->Library()->GetUnderruns(), 0) << "the deck's output never ran dry";
  EXPECT_EQ(Status().droppedBlocks, 0);
  EXPECT_GT(Status().sentBytes, 40000);
}

}  // namespace
}  // namespace spinwave
