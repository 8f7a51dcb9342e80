// Library set-up, output, device lists, error messages and the diagnostics log.
#include <QFile>

#include "DeckFixture.h"
#include "core/Paths.h"

namespace spinwave::test {
namespace {

using DeckOutputTest = DeckTest;

TEST_F(DeckOutputTest, LogIsEmptiedOnlyWhenBeyondTheLimit) {
  const std::string log = TFMODJingle::LogFileName();
  EXPECT_EQ(log, ProgramFolder() + "fmodlog.txt");
  const struct {
    std::size_t size;
    bool emptied;
  } cases[] = {{102400, false}, {102401, true}, {10, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    WriteFile(log, std::string(c.size, 'a'));
    TFMODJingle::FMODLog("\r\nnext");
    const std::string now = ReadFile(log);
    if (c.emptied) {
      EXPECT_EQ(now, "\r\nnext");
    } else {
      EXPECT_EQ(now.size(), c.size + 6);
      EXPECT_EQ(now.substr(c.size), "\r\nnext");
    }
  }
}

TEST_F(DeckOutputTest, InitAndSetOutputAreLogged) {
  QFile::remove(QString::fromStdString(TFMODJingle::LogFileName()));
  TFMODJingle deck(QStringLiteral("DataPlayer"));
  EXPECT_TRUE(deck.Init("fmod3.dll"));
  EXPECT_TRUE(deck.Init("fmod3.dll"));  // already loaded
  deck.SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  deck.SetOutputDriver(0);
  deck.SetOutput();
  EXPECT_TRUE(deck.Initialised());
  const std::string log = ReadFile(TFMODJingle::LogFileName());
  const std::string expected =
      "\r\n---------------------------------------------------------"
      "\r\nInitializing fmod3.dll for DataPlayer"
      "\r\n    Loaded"
      "\r\n---------------------------------------------------------"
      "\r\nOutputType  : 12"
      "\r\nOutputDriver: 0"
      "\r\nSetOutput DataPlayer succeeded"
      "\r\nFSOUND_MIXER: ";
  // The device lists were filled by the first library of the process (the fixture's deck), so
  // this one logs no listing.
  EXPECT_EQ(log.substr(0, expected.size()), expected);
}

TEST_F(DeckOutputTest, DeviceListsComeFromTheFirstLibrary) {
  // The fixture's deck was the first: with the no-sound output every type lists its one
  // device.
  const auto winmm = TFMODJingle::ReturnOutputs(0);
  EXPECT_EQ(TFMODJingle::ReturnOutputs(7), winmm);  // any other kind: the first list
  EXPECT_FALSE(winmm.empty());
  auto later = MakeDeck(QStringLiteral("Player2"), "fmod2.dll");
  EXPECT_EQ(TFMODJingle::ReturnOutputs(0), winmm);
}

TEST_F(DeckOutputTest, SetOutputAgainClosesTheComponentsFiles) {
  ASSERT_GT(deck_->OpenFile(Tone("reinit", 2000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  deck_->SetOutput();
  EXPECT_TRUE(deck_->Initialised());
  EXPECT_EQ(deck_->GetFileName(entry_), "");
  EXPECT_EQ(deck_->GetFileState(entry_), fsStopped);
  ASSERT_GT(deck_->OpenFile(Tone("again", 2000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  Run(100);
  EXPECT_NEAR(deck_->GetFileEntry(entry_)->LastTime, 100, 10);
}

TEST_F(DeckOutputTest, ErrorMessages) {
  MessageCapture messages;
  TFMODJingle deck(QStringLiteral("Player2"));
  deck.ErrMsg(1, "fmod2.dll");
  deck.ErrMsg(2, "");
  deck.ErrMsg(3, "ignored");
  ASSERT_EQ(messages.Texts().size(), 2u);
  EXPECT_EQ(messages.Texts()[0],
            "Player2 ERROR! Couldn't load \"fmod2.dll\".\n\nPlayback of audio not possible!");
  EXPECT_EQ(messages.Texts()[1],
            "Player2 ERROR! Couldn't initialize decoder.\n\nPlayback of audio not possible!");
}

// Lifts the no-sound override for a while, so that a real output type is tried.
class RealOutputs {
 public:
  RealOutputs() : saved_(qgetenv("SPINWAVE_OUTPUT")) { qunsetenv("SPINWAVE_OUTPUT"); }
  ~RealOutputs() { qputenv("SPINWAVE_OUTPUT", saved_); }

 private:
  QByteArray saved_;
};

TEST_F(DeckOutputTest, FailedOutputShowsOneMessageAndTheDeckStaysSilent) {
  MessageCapture messages;
  TFMODJingle deck(QStringLiteral("Player2"));
  ASSERT_TRUE(deck.Init("fmod2.dll"));
  {
    RealOutputs real;
    deck.SetOutputType(FSOUND_OUTPUT_A3D);  // an output type this platform does not have
    deck.SetOutput();
  }
  EXPECT_FALSE(deck.Initialised());
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0].rfind("Player2 ERROR! Couldn't initialize decoder", 0), 0u);
  const int index = deck.AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
  EXPECT_EQ(deck.OpenFile(Tone("silent", 500), index), -2);
  // The other deck still plays.
  ASSERT_GT(deck_->OpenFile(Tone("other", 500), entry_), 0);
  EXPECT_TRUE(deck_->Play(entry_));
  EXPECT_TRUE(std::string(ReadFile(TFMODJingle::LogFileName())).find(" error occured") !=
              std::string::npos);
}

}  // namespace
}  // namespace spinwave::test
