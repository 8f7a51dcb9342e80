// The DSP plug-in host on real deck components (non-real-time output, mixed by hand): the chain
// order and every sample bit for bit, the bypass rules, the ±1 pattern for silence, the load
// failures and their messages, unloading, and titles.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestPluginReport.h"
#include "common/TestSupport.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/AudioFixtures.h"
#include "engine/DSPHost.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {
namespace {

namespace fs = std::filesystem;

std::string BuiltPlugin(const std::string& name) {
  return std::string(SPINWAVE_TEST_PLUGINS) + "/dsptest_" + name + ".so";
}

// FNV-1a over the samples, low byte first, as the checksum plug-in computes it.
std::uint64_t Checksum(std::uint64_t h, const std::vector<short>& samples) {
  for (short s : samples) {
    const auto v = static_cast<unsigned short>(s);
    h = (h ^ (v & 0xff)) * TEST_PLUGIN_FNV_PRIME;
    h = (h ^ (v >> 8)) * TEST_PLUGIN_FNV_PRIME;
  }
  return h;
}

std::vector<short> Xor(std::vector<short> samples, int tag) {
  for (short& s : samples) s = static_cast<short>(s ^ tag);
  return samples;
}

// A plug-in the host loaded, seen from the test through its report export.
class PluginView {
 public:
  explicit PluginView(const std::string& path) {
    // The host holds the file; this reference keeps it (and its report) after the host unloads.
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle_) report_ = reinterpret_cast<TestPluginReportFn>(::dlsym(handle_, "testPluginReport"));
  }
  ~PluginView() {
    if (handle_) ::dlclose(handle_);
  }
  bool Ok() const { return report_ != nullptr; }
  const TestPluginReport& operator*() const { return *report_(); }
  const TestPluginReport* operator->() const { return report_(); }
  void* Handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
  TestPluginReportFn report_ = nullptr;
};

// Records every mixed block a library's DSP chain passes at one priority.
struct BlockTap {
  std::vector<std::vector<short>> blocks;
  SoundDspUnit* unit = nullptr;
  void Attach(SoundLib* lib, int priority) {
    unit = lib->DSP_Create(
        [this](void*, void* buffer, int length, void*) {
          const short* s = static_cast<const short*>(buffer);
          blocks.emplace_back(s, s + 2 * length);
          return buffer;
        },
        priority, nullptr);
    lib->DSP_SetActive(unit, true);
  }
};

class DSPHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFMODJingle::SetClockManual(true);
    player1_ = MakeDeck("Player1", "fmod.dll");
    player2_ = MakeDeck("Player2", "fmod2.dll");
    // Deck 1 is entry 0 and deck 2 entry 1, as the console creates them.
    deck1_ = player1_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    deck2_ = player2_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(deck1_, 0);
    ASSERT_EQ(deck2_, 1);
    program_ = ProgramFolder();
  }

  void TearDown() override {
    host_.reset();
    player1_.reset();
    player2_.reset();
  }

  static std::unique_ptr<TFMODJingle> MakeDeck(const char* name, const std::string& library) {
    auto deck = std::make_unique<TFMODJingle>(QString::fromLatin1(name));
    deck->Init(library);
    deck->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
    deck->SetMaxChannels(4);
    deck->SetOutput();
    return deck;
  }

  // Copies a built plug-in to its place under `folder` (the program folder by default).
  std::string Install(const std::string& built, DSPHost::Slot slot, std::string folder = {}) {
    if (folder.empty()) folder = program_;
    const std::string target = folder + DSPHost::SlotFile(slot);
    fs::create_directories(fs::path(target).parent_path());
    fs::copy_file(built, target, fs::copy_options::overwrite_existing);
    return target;
  }

  void StartHost(const DSPHost::Settings& settings) {
    host_ = std::make_unique<DSPHost>(player1_.get(), settings.CentralOutput ? nullptr : player2_.get(),
                                      settings, &talking_);
    host_->SetWindows(&consoleWindow_, &appWindow_);
    TSettingsFile ini;
    host_->LoadDSPPlugins(program_, ini);
    EXPECT_EQ(ini.GetFileName(), "spinwave2.ini") << "the settings object points back at its file";
  }

  void PlayTone(TFMODJingle& deck, int entry, int ms = 3000) {
    test::ToneSpec spec;
    spec.durationMs = ms;
    spec.frequency = 440;
    const std::string path = temp_.File("tone" + std::to_string(entry) + ".wav");
    ASSERT_TRUE(test::WriteTone(path, test::AudioFormat::Wav, spec));
    ASSERT_GT(deck.OpenFile(path, entry), 0);
    ASSERT_TRUE(deck.Play(entry));
  }

  static void Mix(TFMODJingle& deck, int ms) {
    SoundLib* lib = deck.Library();
    for (int t = 0; t < ms; t += 10) {
      lib->WaitForDecoders(5000);
      lib->Update(10);
    }
  }

  test::TempFolder temp_;
  std::string program_;
  std::unique_ptr<TFMODJingle> player1_, player2_;
  int deck1_ = -1, deck2_ = -1;
  std::atomic<bool> talking_{false};
  int consoleWindow_ = 0, appWindow_ = 0;  // stand-ins: only their addresses matter
  std::unique_ptr<DSPHost> host_;
};

// Deck 1's three plug-ins in their order: multi-DSP, streaming, encoder. Each sees exactly the
// block the one before it left (every plug-in XORs its tag into the samples), and the output is
// what the last one made of it.
TEST_F(DSPHostTest, DeckOnePluginsSeeEveryBlockInChainOrderBitForBit) {
  const std::string multi = Install(BuiltPlugin("multidsp1"), DSPHost::kMultiDSP1Slot);
  const std::string streaming = Install(BuiltPlugin("streaming"), DSPHost::kStreamingSlot);
  const std::string encoder = Install(BuiltPlugin("encoder"), DSPHost::kEncoderSlot);
  DSPHost::Settings settings;
  settings.DSPActive = settings.Shoutcast = settings.SAM2 = true;
  settings.DSPLock = true;
  MessageCapture messages;
  StartHost(settings);
  EXPECT_TRUE(messages.Texts().empty()) << messages.Texts().front();
  ASSERT_TRUE(host_->IsLoaded(DSPHost::kMultiDSP1Slot));
  ASSERT_TRUE(host_->IsLoaded(DSPHost::kStreamingSlot));
  ASSERT_TRUE(host_->IsLoaded(DSPHost::kEncoderSlot));
  EXPECT_FALSE(host_->IsLoaded(DSPHost::kMultiDSP2Slot)) << "one output serves both decks";
  EXPECT_EQ(host_->Unit(1), nullptr);
  for (const char* deck : {"plugins/player1/plugin.ini", "plugins/player2/plugin.ini"}) {
    TSettingsFile ini(program_ + deck);
    EXPECT_EQ(ini.ReadInteger("MultiDSP", "TopMost", -1), 1) << deck;
  }

  PluginView m(multi), s(streaming), e(encoder);
  ASSERT_TRUE(m.Ok() && s.Ok() && e.Ok());
  EXPECT_EQ(m->initCalls, 1);
  EXPECT_EQ(m->instanceAtInit, m.Handle());
  EXPECT_EQ(m->parentAtInit, &appWindow_);
  EXPECT_EQ(s->parentAtInit, &appWindow_) << "ShoutcastLock is off";

  BlockTap before, after;
  before.Attach(player1_->Library(), 100);
  after.Attach(player1_->Library(), 400);
  PlayTone(*player1_, deck1_);
  Mix(*player1_, 500);

  ASSERT_FALSE(before.blocks.empty());
  std::uint64_t expectMulti = TEST_PLUGIN_FNV_OFFSET, expectStreaming = expectMulti,
                expectEncoder = expectMulti;
  long long frames = 0;
  for (std::size_t i = 0; i < before.blocks.size(); ++i) {
    const auto& mixed = before.blocks[i];
    frames += static_cast<long long>(mixed.size() / 2);
    expectMulti = Checksum(expectMulti, mixed);
    expectStreaming = Checksum(expectStreaming, Xor(mixed, 4));
    expectEncoder = Checksum(expectEncoder, Xor(Xor(mixed, 4), 1));
    ASSERT_EQ(after.blocks[i], Xor(Xor(Xor(mixed, 4), 1), 2)) << "block " << i;
  }
  EXPECT_EQ(m->frames, frames);
  EXPECT_EQ(m->checksum, expectMulti);
  EXPECT_EQ(s->checksum, expectStreaming);
  EXPECT_EQ(e->checksum, expectEncoder);
  EXPECT_EQ(e->lastBps, 16);
  EXPECT_EQ(e->lastChannels, 2);
  EXPECT_EQ(e->lastRate, 44100);

  host_->UnloadDSPPlugins();
  EXPECT_EQ(m->quitCalls, 1);
  EXPECT_EQ(e->quitCalls, 1);
  const long long calls = m->calls;
  Mix(*player1_, 200);
  EXPECT_EQ(m->calls, calls) << "no plug-in is called once unloaded";
  EXPECT_EQ(host_->Unit(0), nullptr);
}

// With one output per deck, a deck's plug-ins only hear it while it plays; deck 1's also while
// the talkover lamp is lit. A silent block reaches them as (1, 1), (-1, -1), ...
TEST_F(DSPHostTest, SeparateOutputsBypassStoppedDecksAndSilenceBecomesPlusMinusOne) {
  const std::string multi1 = Install(BuiltPlugin("multidsp1"), DSPHost::kMultiDSP1Slot);
  const std::string multi2 = Install(BuiltPlugin("multidsp2"), DSPHost::kMultiDSP2Slot);
  DSPHost::Settings settings;
  settings.CentralOutput = false;
  settings.DSPActive = true;
  StartHost(settings);
  ASSERT_TRUE(host_->IsLoaded(DSPHost::kMultiDSP2Slot));
  PluginView one(multi1), two(multi2);
  ASSERT_TRUE(one.Ok() && two.Ok());
  BlockTap before2, after2;
  before2.Attach(player2_->Library(), 100);
  after2.Attach(player2_->Library(), 400);

  PlayTone(*player2_, deck2_);
  player2_->Pause(deck2_);  // loaded and paused: not fsPlaying
  Mix(*player1_, 200);
  Mix(*player2_, 200);
  EXPECT_EQ(one->calls, 0) << "deck 1 stopped, lamp off";
  EXPECT_EQ(two->calls, 0) << "deck 2 not playing";
  EXPECT_EQ(after2.blocks, before2.blocks) << "deck 2's blocks pass through unchanged";

  talking_ = true;
  Mix(*player1_, 100);
  EXPECT_GT(one->calls, 0) << "the lamp keeps deck 1's chain fed";
  const short pattern[8] = {1, 1, -1, -1, 1, 1, -1, -1};
  EXPECT_TRUE(std::equal(pattern, pattern + 8, one->firstSamples)) << "never exact silence";
  Mix(*player2_, 100);
  EXPECT_EQ(two->calls, 0) << "the lamp is deck 1's";

  player2_->Pause(deck2_);  // resumes: fsPlaying
  ASSERT_EQ(player2_->GetFileState(deck2_), fsPlaying);
  Mix(*player2_, 200);
  EXPECT_GT(two->calls, 0);
  // The deck's own sound (a sine from its first sample, which is 0 when played untouched).
  EXPECT_TRUE(std::any_of(two->firstSamples, two->firstSamples + 8, [](short v) { return v != 0; }));
}

// Every way a plug-in file can fail gives one message naming the file and leaves its slot empty;
// the decks play on.
TEST_F(DSPHostTest, EachBrokenPluginGivesOneMessageAndTheDecksPlay) {
  struct Case {
    const char* name;
    std::string built;  // empty: no file; "garbage": not a shared object
    const char* message;
  };
  const Case cases[] = {
      {"missing", "", "DSP plugin doesn't exist: dsp_encoders.so"},
      {"garbage", "garbage", "Couldn't load DSP DLL: dsp_encoders.so"},
      {"unresolved", BuiltPlugin("unresolved"), "Couldn't load DSP DLL: dsp_encoders.so"},
      {"noexport", BuiltPlugin("noexport"), "Couldn't load DSP module from: dsp_encoders.so"},
      {"nomodule", BuiltPlugin("nomodule"), "Couldn't load DSP module from: dsp_encoders.so"},
      {"crash", BuiltPlugin("crash"), "Couldn't load DSP module from: dsp_encoders.so"},
  };
  DSPHost::Settings settings;
  settings.SAM2 = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = temp_.File(std::string(c.name) + "/");
    fs::create_directories(folder + "plugins");
    if (c.built == "garbage") {
      test::WriteFile(folder + DSPHost::SlotFile(DSPHost::kEncoderSlot), std::string(4096, 'x'));
    } else if (!c.built.empty()) {
      Install(c.built, DSPHost::kEncoderSlot, folder);
    }
    MessageCapture messages;
    DSPHost host(player1_.get(), nullptr, settings, &talking_);
    TSettingsFile ini;
    host.LoadDSPPlugins(folder, ini);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], c.message);
    EXPECT_FALSE(host.IsLoaded(DSPHost::kEncoderSlot));
    EXPECT_EQ(host.Unit(0), nullptr) << "no unit without a plug-in";
  }
  // Several configured plug-ins, all missing: one message each.
  {
    DSPHost::Settings all;
    all.CentralOutput = false;
    all.DSPActive = all.SAM2 = true;
    MessageCapture messages;
    DSPHost host(player1_.get(), player2_.get(), all, &talking_);
    TSettingsFile ini;
    host.LoadDSPPlugins(temp_.File("missing/"), ini);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"DSP plugin doesn't exist: dsp_encoders.so",
                                                          "DSP plugin doesn't exist: multidsp.so",
                                                          "DSP plugin doesn't exist: multidsp.so"}));
  }
  PlayTone(*player1_, deck1_);
  Mix(*player1_, 300);
  EXPECT_NEAR(player1_->Library()->Stream_GetTime(player1_->GetFileEntry(deck1_)->Stream), 300, 2);
}

TEST_F(DSPHostTest, TitlesReachPluginsThatAskForThemAndConfigOpensTheModule) {
  const std::string streaming = Install(BuiltPlugin("streaming"), DSPHost::kStreamingSlot);
  DSPHost::Settings settings;
  settings.Shoutcast = true;
  settings.ShoutcastLock = true;
  StartHost(settings);
  PluginView s(streaming);
  ASSERT_TRUE(s.Ok());
  EXPECT_EQ(s->parentAtInit, &consoleWindow_) << "ShoutcastLock parents it on the console";
  host_->SetTitle("Band - Song \xc3\xa9");
  EXPECT_STREQ(s->title, "Band - Song \xc3\xa9");
  EXPECT_TRUE(host_->Config(DSPHost::kStreamingSlot));
  EXPECT_EQ(s->configCalls, 1);
  EXPECT_FALSE(host_->Config(DSPHost::kEncoderSlot));
}

}  // namespace
}  // namespace spinwave
