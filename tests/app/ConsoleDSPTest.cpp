// DSP plug-ins and talkover in the console: the plug-ins the settings name are loaded by the first
// activation from the program folder and see every mixed block of the decks bit for bit (test
// plug-ins that checksum what they get); missing and broken plug-in files give one message each
// and the decks still play; the talkover button ducks both decks on the console's timer and
// brings them back, and without a recording device the button's hint says why the microphone
// is not on air.
#include <dlfcn.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <sndfile.h>

#include "ConsoleFixture.h"
#include "DspScStatus.h"
#include "encoder/IcecastServer.h"
#include "dsphost/JackServer.h"
#include "TestPluginReport.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"
#include "core/SettingsFile.h"
#include "engine/DSPHost.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "engine/TMicThread.h"
#include "engine/soundlib.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave::test {
namespace {

namespace fs = std::filesystem;

std::string BuiltPlugin(const std::string& name) {
  return std::string(SPINWAVE_TEST_PLUGINS) + "/dsptest_" + name + ".so";
}

// FNV-1a over the samples, low byte first, as the checksum plug-in computes it.
std::uint64_t Checksum(std::uint64_t h, const std::vector<std::int16_t>& samples, int tag) {
  for (std::int16_t s : samples) {
    const auto v = static_cast<unsigned short>(s ^ tag);
    h = (h ^ (v & 0xff)) * TEST_PLUGIN_FNV_PRIME;
    h = (h ^ (v >> 8)) * TEST_PLUGIN_FNV_PRIME;
  }
  return h;
}

// What a checksum plug-in the console loaded saw, through the plug-in's own report.
class PluginView {
 public:
  explicit PluginView(const std::string& path) {
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle_) report_ = reinterpret_cast<TestPluginReportFn>(::dlsym(handle_, "testPluginReport"));
  }
  ~PluginView() {
    if (handle_) ::dlclose(handle_);
  }
  bool Ok() const { return report_ != nullptr; }
  const TestPluginReport* operator->() const { return report_(); }

 private:
  void* handle_ = nullptr;
  TestPluginReportFn report_ = nullptr;
};

bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Where the DSP host looks for Spinwave's own plug-ins, for one test.
struct FallbackFoldersFor {
  explicit FallbackFoldersFor(std::vector<std::string> folders) {
    DSPHost::SetFallbackFolders(std::move(folders));
  }
  ~FallbackFoldersFor() { DSPHost::ResetFallbackFolders(); }
};

class ConsoleDSP : public ConsoleTest {
 protected:
  // Copies a built plug-in to its place in the program folder.
  std::string Install(const std::string& built, DSPHost::Slot slot) {
    const std::string target = Program(DSPHost::SlotFile(slot));
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(built, target, fs::copy_options::overwrite_existing);
    return target;
  }
  std::vector<std::string> DSPMessages() const {
    std::vector<std::string> found;
    for (const std::string& text : messages.Texts())
      if (text.find("DSP") != std::string::npos) found.push_back(text);
    return found;
  }
  // Loads playlist row `row` into deck 0 or 1 and lets it start.
  static void Load(ConsoleCore& core, int deck, int row) {
    ASSERT_GT(core.Transport().PlayTrack(deck, row), 0);
    core.Advance(20);
  }
};

TEST_F(ConsoleDSP, TheActivationLoadsThePluginsAndTheyHearEveryBlockOfTheMixBitForBit) {
  const std::string track = Track("tone", 3000);
  WriteIni("[DSP]\nShoutcast=1\nShoutcastLock=1\nDSPActive=1\nDSPLock=1\n");
  const std::string streaming = Install(BuiltPlugin("streaming"), DSPHost::kStreamingSlot);
  const std::string multi = Install(BuiltPlugin("multidsp1"), DSPHost::kMultiDSP1Slot);
  auto core = MakeCore({QString::fromStdString(track)});
  int consoleWindow = 0, applicationWindow = 0;
  core->SetDSPWindows(&consoleWindow, &applicationWindow);
  ASSERT_EQ(core->DSP(), nullptr) << "nothing loads before the first activation";
  const std::string settingsFile = core->Settings()->GetFileName();
  core->Activate();
  ASSERT_NE(core->DSP(), nullptr);
  EXPECT_TRUE(DSPMessages().empty()) << DSPMessages().front();
  PluginView stream(streaming), deckDsp(multi);
  ASSERT_TRUE(stream.Ok());
  ASSERT_TRUE(deckDsp.Ok());
  EXPECT_EQ(stream->initCalls, 1);
  EXPECT_EQ(stream->parentAtInit, &consoleWindow) << "kept on top of the console";
  EXPECT_EQ(deckDsp->parentAtInit, &applicationWindow);
  TSettingsFile plugin(Program("plugins/player1/plugin.ini"));
  EXPECT_EQ(plugin.ReadInteger("MultiDSP", "TopMost", -1), 1);
  EXPECT_EQ(core->Settings()->GetFileName(), settingsFile) << "the settings object points back";

  // Before the track: silence reaches the plug-ins as the +-1 pattern. Then the track plays.
  // The chain is deck 1's multi-DSP (XOR 4) and then the streaming plug-in (XOR 1), so the
  // output is what the streaming plug-in saw XOR 1, and what the multi-DSP saw XOR 5.
  std::vector<std::vector<std::int16_t>> blocks;
  std::vector<std::int16_t> block;
  for (int i = 0; i < 5; ++i) {
    core->MixBlock(block);
    blocks.push_back(block);
  }
  EXPECT_EQ(std::vector<short>(deckDsp->firstSamples, deckDsp->firstSamples + 8),
            (std::vector<short>{1, 1, -1, -1, 1, 1, -1, -1}));
  EXPECT_EQ(std::vector<std::int16_t>(blocks[0].begin(), blocks[0].begin() + 4),
            (std::vector<std::int16_t>{1 ^ 5, 1 ^ 5, -1 ^ 5, -1 ^ 5}));
  core->Playlist().SetCursorRow(1);
  core->Transport().PlaylistDblClick();
  for (int i = 0; i < 100; ++i) {
    core->MixBlock(block);
    blocks.push_back(block);
  }
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  std::uint64_t streamSum = TEST_PLUGIN_FNV_OFFSET, deckSum = TEST_PLUGIN_FNV_OFFSET;
  long long frames = 0;
  bool heard = false;
  for (const auto& b : blocks) {
    streamSum = Checksum(streamSum, b, 1);
    deckSum = Checksum(deckSum, b, 5);
    frames += static_cast<long long>(b.size() / 2);
    heard = heard || std::any_of(b.begin(), b.end(), [](std::int16_t s) { return s > 1000; });
  }
  EXPECT_TRUE(heard) << "the track reached the output through the plug-ins";
  EXPECT_EQ(stream->frames, deckDsp->frames);
  EXPECT_EQ(stream->frames, frames);
  EXPECT_EQ(stream->checksum, streamSum);
  EXPECT_EQ(deckDsp->checksum, deckSum);
  EXPECT_EQ(stream->lastRate, 44100);
  EXPECT_EQ(stream->lastChannels, 2);

  // The caption reaches the plug-ins as the title on air.
  ASSERT_FALSE(core->Transport().Caption().isEmpty());
  EXPECT_EQ(std::string(stream->title), core->Transport().Caption().toStdString());

  core->Transport().EjectClick(0);
  core->Close();
  EXPECT_EQ(core->DSP(), nullptr);
  EXPECT_EQ(stream->quitCalls, 1);
  EXPECT_EQ(deckDsp->quitCalls, 1);
}

TEST_F(ConsoleDSP, MissingAndBrokenPluginFilesGiveOneMessageEachAndTheDecksPlay) {
  FallbackFoldersFor nowhere({});  // no dsp_sc.so of the build either
  const std::string a = Track("a", 3000), b = Track("b", 3000);
  WriteIni("[Players]\nCentralOutput=0\n[DSP]\nShoutcast=1\nSAM2=1\nDSPActive=1\n");
  // dsp_sc.so missing; dsp_encoders.so no shared object; deck 1's multi-DSP crashes in Init;
  // deck 2's has no module.
  MakeFolders(Program("plugins"));
  WriteFile(Program("plugins/dsp_encoders.so"), "not a shared object\n");
  Install(BuiltPlugin("crash"), DSPHost::kMultiDSP1Slot);
  Install(BuiltPlugin("nomodule"), DSPHost::kMultiDSP2Slot);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  core->Activate();
  EXPECT_EQ(DSPMessages(), (std::vector<std::string>{
                               "DSP plugin doesn't exist: dsp_sc.so",
                               "Couldn't load DSP DLL: dsp_encoders.so",
                               "Couldn't load DSP module from: multidsp.so",
                               "Couldn't load DSP module from: multidsp.so",
                           }));
  ASSERT_NE(core->DSP(), nullptr);
  for (int slot = 0; slot < DSPHost::kSlotCount; ++slot)
    EXPECT_FALSE(core->DSP()->IsLoaded(static_cast<DSPHost::Slot>(slot))) << slot;
  EXPECT_EQ(core->DSP()->Unit(0), nullptr) << "no unit without a plug-in";
  EXPECT_EQ(core->DSP()->Unit(1), nullptr);

  // Both decks play on their own outputs.
  Load(*core, 0, 1);
  Load(*core, 1, 2);
  core->Transport().PlayClick(1);
  core->Advance(500);
  for (int d = 0; d < 2; ++d) {
    EXPECT_EQ(core->Deck(d).State(), fsPlaying) << d;
    EXPECT_GE(core->Deck(d).LastTime(), 400) << d;
  }
  std::vector<std::int16_t> block;
  ASSERT_GT(core->MixBlock(block), 0);
  EXPECT_TRUE(std::any_of(block.begin(), block.end(), [](std::int16_t s) { return s > 1000; }));
  EXPECT_FALSE(core->ConfigDSP(DSPHost::kStreamingSlot)) << "nothing to configure";
  core->Transport().EjectClick(0);
  core->Transport().EjectClick(1);
  core->Close();
  EXPECT_EQ(DSPMessages().size(), 4u) << "nothing more at the close";
}

// The options' DSP page: a plug-in switched on after the start loads at once and is fed, and
// its "Configure..." reaches the module.
TEST_F(ConsoleDSP, APluginSwitchedOnInTheOptionsLoadsAtOnceAndItsConfigurationOpens) {
  const std::string streaming = Install(BuiltPlugin("streaming"), DSPHost::kStreamingSlot);
  auto core = MakeCore();
  core->Activate();
  ASSERT_FALSE(core->DSP()->IsLoaded(DSPHost::kStreamingSlot));
  EXPECT_FALSE(core->ConfigDSP(DSPHost::kStreamingSlot));
  core->Options().SetBool("Shoutcast", true);
  ASSERT_TRUE(core->DSP()->IsLoaded(DSPHost::kStreamingSlot));
  PluginView stream(streaming);
  ASSERT_TRUE(stream.Ok());
  core->Advance(100);
  EXPECT_EQ(stream->calls, 10) << "every 10 ms block of the mix";
  EXPECT_TRUE(core->ConfigDSP(DSPHost::kStreamingSlot));
  EXPECT_EQ(stream->configCalls, 1);
  core->Options().SetBool("Shoutcast", false);
  core->Options().SetBool("Shoutcast", true);
  EXPECT_EQ(stream->initCalls, 1) << "loaded once";
  EXPECT_TRUE(DSPMessages().empty());
  core->Close();
  EXPECT_EQ(stream->quitCalls, 1);
}

// Deck 1 of the entry table is ducked to (TalkoverVol + 10) per cent = 51 of 255 and comes back;
// the ramp runs on the console's timer from the stream time of the press.
TEST_F(ConsoleDSP, TalkoverDucksBothDecksAndWithoutARecordingDeviceTheHintSaysSo) {
  const std::string a = Track("a", 8000), b = Track("b", 8000);
  WriteIni("[Players]\nTalkoverVol=10\nRecordInput=1\nRecordDriver=0\n");
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  QSignalSpy hints(core.get(), &ConsoleCore::talkoverHintChanged);
  QSignalSpy lamp(core.get(), &ConsoleCore::talkingChanged);
  // The ramp moves the decks' volume sliders: the window gives the decks their controls.
  TSpinwaveMain window(*core);
  window.show();
  ASSERT_TRUE(core->Activated());
  // The non-real-time output has no recording device: the thread ends quietly and says why.
  ASSERT_NE(core->Mic(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return core->Mic()->Finished() && hints.count() >= 2; }, 5000));
  EXPECT_EQ(core->TalkoverHint(), core->Mic()->FailureText());
  EXPECT_EQ(hints.last().at(0).toString(), core->Mic()->FailureText());
  EXPECT_EQ(TMicThread::MicChannel(), -1);

  Load(*core, 0, 1);
  Load(*core, 1, 2);
  core->Transport().PlayClick(1);
  core->Advance(100);
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  ASSERT_EQ(core->Deck(1).State(), fsPlaying);
  core->Deck(0).SetVolume(255);
  core->Deck(1).SetVolume(200);

  core->TalkoverClick();
  EXPECT_TRUE(core->Talking());
  ASSERT_EQ(lamp.count(), 1);
  EXPECT_TRUE(lamp.last().at(0).toBool());
  // 255 falls by one per 1000 / 255 = 3 ms, 200 by one per 5 ms: after 300 ms both are on the
  // way down, neither is there yet.
  core->Advance(300);
  EXPECT_NEAR(core->Deck(0).Volume(), 255 - 300 / 3, 6);
  EXPECT_NEAR(core->Deck(1).Volume(), 200 - 300 / 5, 6);
  core->Advance(1500);
  EXPECT_EQ(core->Deck(0).Volume(), 51);
  EXPECT_EQ(core->Deck(1).Volume(), 51);

  core->TalkoverClick();
  EXPECT_FALSE(core->Talking());
  EXPECT_FALSE(lamp.last().at(0).toBool());
  core->Advance(300);
  EXPECT_NEAR(core->Deck(0).Volume(), 51 + 300 / 3, 6);
  EXPECT_NEAR(core->Deck(1).Volume(), 51 + 300 / 5, 6);
  core->Advance(1500);
  EXPECT_EQ(core->Deck(0).Volume(), 255) << "back where the presenter had it";
  EXPECT_EQ(core->Deck(1).Volume(), 200);
  core->Transport().EjectClick(0);
  core->Transport().EjectClick(1);
  window.FormClose();
  EXPECT_EQ(core->Mic(), nullptr);
}

TEST_F(ConsoleDSP, WithoutTheMicrophoneInputTheHintSaysTalkoverOnlyLowersTheMusic) {
  auto core = MakeCore();
  core->Activate();
  EXPECT_EQ(core->Mic(), nullptr);
  EXPECT_NE(core->TalkoverHint().indexOf("lowers the music"), -1);
  // Switching the input on in the options starts the microphone at once.
  core->Options().SetBool("RecordInput", true);
  ASSERT_NE(core->Mic(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return core->Mic()->Finished(); }, 5000));
  core->Close();
}

// Decodes received MP3 bytes (from their first whole frame) and measures the left side's tone.
double ToneOf(const std::string& stream, const std::string& file) {
  std::size_t start = 0;
  if (CountMp3Frames(stream, nullptr, &start) < 2) return 0;
  WriteFile(file, stream.substr(start));
  SF_INFO info{};
  SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
  if (!sf || info.channels != 2) {
    if (sf) sf_close(sf);
    return 0;
  }
  std::vector<short> samples(44100 * 2 * 4);
  const sf_count_t got = sf_readf_short(sf, samples.data(), 44100 * 4);
  sf_close(sf);
  if (got < 44100 / 2) return 0;
  samples.assign(samples.begin() + 4410 * 2, samples.begin() + got * 2);
  return ZeroCrossingFrequency(samples, 0);
}

// The whole road on a real-time output (no device; the mixer runs on its own clock thread):
// the console loads Spinwave's own streaming encoder from where the build put it, a track plays,
// and a listener of a real Icecast 2 on the loopback hears the tone with the caption as the
// stream's title.
TEST_F(ConsoleDSP, APlayingConsoleIsHeardFromIcecastWithItsTitle) {
  IcecastServer server(dir.File("icecast"));
  ASSERT_TRUE(server.Start()) << server.Diagnostics();
  // The plug-in reads plugins/dsp_sc.ini of the program folder it is told by the environment.
  const char* home = std::getenv("SPINWAVE_HOME");
  const std::string previousHome = home ? home : "";
  setenv("SPINWAVE_HOME", Program("").c_str(), 1);
  MakeFolders(Program("plugins"));
  WriteFile(Program("plugins/dsp_sc.ini"),
            "[Server]\nHost=127.0.0.1\nPort=" + std::to_string(server.Port()) +
                "\nPassword=" + IcecastServer::kSourcePassword +
                "\nMount=/live\nProtocol=HTTP\nBitrate=128\nName=Spinwave test\n");
  ToneSpec tone;
  tone.durationMs = 60000;
  tone.frequency = 1000;
  const std::string track = dir.File("Console Tone.wav");
  ASSERT_TRUE(WriteTone(track, AudioFormat::Wav, tone));
  WriteIni("[DSP]\nShoutcast=1\n");

  TFMODJingle::SetClockManual(true);  // the test ticks the deck clock itself
  ConsoleCoreOptions realTime;
  auto core = std::make_unique<ConsoleCore>(QStringList{QString::fromStdString(track)},
                                            "spinwave2.ini", realTime);
  core->Activate();
  ASSERT_TRUE(DSPMessages().empty()) << DSPMessages().front();
  ASSERT_TRUE(core->DSP()->IsLoaded(DSPHost::kStreamingSlot));
  auto status = reinterpret_cast<spinwaveDspScStatusType>(
      ::dlsym(core->DSP()->Module(DSPHost::kStreamingSlot)->hDllInstance, SPINWAVE_DSP_SC_STATUS));
  ASSERT_NE(status, nullptr) << "the build's dsp_sc.so";
  auto state = [&] {
    DspScStatus s{};
    status(&s);
    return s;
  };
  auto tick = [&] {
    core->Advance(10);  // deck clock and console timer; the mixer runs on its own
    return false;
  };
  core->Playlist().SetCursorRow(1);
  core->Transport().PlaylistDblClick();
  ASSERT_TRUE(WaitFor([&] { return tick() || core->Deck(0).State() == fsPlaying; }, 5000));
  const std::string caption = core->Transport().Caption().toStdString();
  EXPECT_EQ(caption, "Console Tone.wav - ");
  ASSERT_TRUE(WaitFor([&] { return tick() || state().state == 3; }, 8000)) << state().text;

  const std::string heard = HttpGet(server.Port(), "/live", 48000, 6000);
  int bitRate = 0;
  EXPECT_GE(CountMp3Frames(heard, &bitRate), 20) << heard.size() << " bytes";
  EXPECT_EQ(bitRate, 128);
  EXPECT_NEAR(ToneOf(heard, dir.File("heard.mp3")), 1000, 5);
  EXPECT_TRUE(WaitFor([&] {
    tick();
    return HttpGet(server.Port(), "/status-json.xsl", 1 << 20, 1000).find(caption) != std::string::npos;
  }, 8000)) << "the caption is the stream's title";

  core->Transport().EjectClick(0);
  core->Close();
  EXPECT_TRUE(WaitFor([&] {
    int code = 0;
    HttpGet(server.Port(), "/live", 1, 1000, &code);
    return code == 404;
  }, 8000)) << "the stream ends with the console";
  setenv("SPINWAVE_HOME", previousHome.c_str(), 1);
}

TEST_F(ConsoleDSP, TheWindowsTalkoverButtonLightsTheLampAndItsHintTellsOfTheMicrophone) {
  WriteIni("[Players]\nRecordInput=1\n");
  auto core = MakeCore();
  {
    TSpinwaveMain window(*core);
    window.show();
    ASSERT_TRUE(core->Activated());
    auto* button = window.findChild<TEMButton*>(QStringLiteral("Talkover"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return core->Mic()->Finished(); }, 5000));
    ASSERT_TRUE(WaitFor([&] { return button->toolTip() == core->Mic()->FailureText(); }, 2000))
        << button->toolTip().toStdString();
    TEMLed* lamp = window.Players()->Talking();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(core->Talking());
    EXPECT_TRUE(lamp->Lit());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(core->Talking());
    EXPECT_FALSE(lamp->Lit());
    window.FormClose();
  }
}

// The microphone on a real recording device (the capture side of a JACK server with its dummy
// driver), the console on the JACK output: talkover un-mutes it with the lamp and mutes it on
// release; while the lamp is lit deck 1's plug-in chain is fed though deck 1 is silent (the voice
// goes on air through the streaming plug-in).
TEST_F(ConsoleDSP, TalkoverPutsTheMicrophoneOnAirWithTheLamp) {
  const char* output = std::getenv("SPINWAVE_OUTPUT");
  const std::string previousOutput = output ? output : "";
  unsetenv("SPINWAVE_OUTPUT");  // the device path
  JackServer jack;
  if (!jack.Start()) {
    setenv("SPINWAVE_OUTPUT", previousOutput.c_str(), 1);
    GTEST_SKIP() << "jackd cannot start here: " << jack.Diagnostics();
  }
  WriteIni("[Players]\nOutputPlayer1=2\nCentralOutput=0\nRecordInput=1\nRecordDriver=0\n"
           "[DSP]\nShoutcast=1\n");
  const std::string streaming = Install(BuiltPlugin("streaming"), DSPHost::kStreamingSlot);
  {
    TFMODJingle::SetClockManual(true);
    auto core = std::make_unique<ConsoleCore>(QStringList{}, "spinwave2.ini", ConsoleCoreOptions{});
    EXPECT_TRUE(core->OutputNote().isEmpty()) << core->OutputNote().toStdString();
    core->Activate();
    PluginView stream(streaming);
    ASSERT_TRUE(stream.Ok());
    ASSERT_NE(core->Mic(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return TMicThread::MicChannel() >= 0 || core->Mic()->Finished(); },
                        5000));
    const int channel = TMicThread::MicChannel();
    ASSERT_GE(channel, 0) << core->Mic()->FailureText().toStdString();
    SoundLib* lib = core->Player1().Library();
    EXPECT_EQ(lib->GetVolume(channel), 0) << "muted until the lamp lights";
    // Deck 1 is stopped and has its own output: its chain is bypassed.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(stream->calls, 0);

    core->TalkoverClick();
    EXPECT_EQ(lib->GetVolume(channel), 255);
    ASSERT_TRUE(WaitFor([&] { return stream->calls > 10; }, 3000)) << "fed while the lamp is lit";

    core->TalkoverClick();
    EXPECT_EQ(lib->GetVolume(channel), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long long calls = stream->calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(stream->calls, calls) << "bypassed again";
    core->Close();
    EXPECT_EQ(TMicThread::MicChannel(), -1) << "the close ended the microphone";
  }
  setenv("SPINWAVE_OUTPUT", previousOutput.c_str(), 1);
}

// The lamp lit while the microphone was still starting: the microphone joins it as soon as it
// plays, instead of staying muted until the next press.
TEST_F(ConsoleDSP, AMicrophoneThatStartsWhileTheLampIsLitGoesOnAir) {
  const char* output = std::getenv("SPINWAVE_OUTPUT");
  const std::string previousOutput = output ? output : "";
  unsetenv("SPINWAVE_OUTPUT");
  JackServer jack;
  if (!jack.Start()) {
    setenv("SPINWAVE_OUTPUT", previousOutput.c_str(), 1);
    GTEST_SKIP() << "jackd cannot start here: " << jack.Diagnostics();
  }
  WriteIni("[Players]\nOutputPlayer1=2\nRecordInput=1\nRecordDriver=0\n");
  {
    TFMODJingle::SetClockManual(true);
    auto core = std::make_unique<ConsoleCore>(QStringList{}, "spinwave2.ini", ConsoleCoreOptions{});
    core->Activate();
    core->TalkoverClick();  // before the first recorded frames are in
    ASSERT_TRUE(WaitFor([&] { return TMicThread::MicChannel() >= 0 || core->Mic()->Finished(); },
                        5000));
    const int channel = TMicThread::MicChannel();
    ASSERT_GE(channel, 0) << core->Mic()->FailureText().toStdString();
    SoundLib* lib = core->Player1().Library();
    EXPECT_TRUE(WaitFor([&] { return lib->GetVolume(channel) == 255; }, 2000));
    core->TalkoverClick();
    EXPECT_EQ(lib->GetVolume(channel), 0);
    core->Close();
  }
  setenv("SPINWAVE_OUTPUT", previousOutput.c_str(), 1);
}

}  // namespace
}  // namespace spinwave::test
