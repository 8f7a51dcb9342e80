// The deck port on the real engine: each entry's events reach the port of that entry, also
// when two decks share one component (CentralOutput), and a port that is gone hears nothing.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "common/TestSupport.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave::test {
namespace {

TEST(DeckPortTest, EventsReachThePortOfTheirEntry) {
  TFMODJingle::SetClockManual(true);
  TempFolder dir;
  ToneSpec tone;
  tone.durationMs = 300;
  const std::string file = dir.File("t.wav");
  ASSERT_TRUE(WriteTone(file, AudioFormat::Wav, tone));

  TFMODJingle shared(QStringLiteral("Player1")), other(QStringLiteral("DataPlayer"));
  for (TFMODJingle* c : {&shared, &other}) {
    c->Init(c == &shared ? "fmod.dll" : "fmod3.dll");
    c->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
    c->SetOutput();
  }
  auto entry = [](TFMODJingle& c) {
    return c.AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr);
  };
  const int a = entry(shared), b = entry(shared), c = entry(other);
  auto deckA = std::make_unique<DeckPort>(&shared, a);
  DeckPort deckB(&shared, b);
  DeckPort listen(&other, c);
  QSignalSpy statesA(deckA.get(), &DeckPort::stateChanged), statesB(&deckB, &DeckPort::stateChanged),
      statesC(&listen, &DeckPort::stateChanged), positionsB(&deckB, &DeckPort::positionChanged);

  EXPECT_EQ(deckB.Open(file), 300) << "a blocking open gives the length";
  EXPECT_TRUE(deckB.Play());
  for (int t = 0; t < 400; t += 10) {
    shared.Library()->WaitForDecoders(5000);
    shared.Library()->Update(10);
    TFMODJingle::NotifyTimerTime();
  }
  ASSERT_GE(statesB.size(), 3);
  EXPECT_EQ(statesB[0][0].toInt(), fsOpened);
  EXPECT_EQ(statesB[1][0].toInt(), fsPlaying);
  EXPECT_EQ(statesB.back()[0].toInt(), fsEnded);
  EXPECT_EQ(statesA.size(), 0) << "the other deck of the same component heard nothing";
  EXPECT_EQ(statesC.size(), 0);
  ASSERT_FALSE(positionsB.isEmpty());
  EXPECT_EQ(positionsB.back()[1].toInt(), 300) << "length at normal pitch";
  EXPECT_EQ(deckB.Range(), 300);

  // A port that is gone: its entry's events reach no one, the other ports still hear theirs.
  deckA.reset();
  EXPECT_TRUE(static_cast<bool>(shared.OnNotifyFileState)) << "deck B still listens";
  deckB.Close();
  EXPECT_EQ(statesB.back()[0].toInt(), fsStopped);
  EXPECT_EQ(deckB.State(), fsStopped);
  EXPECT_EQ(deckB.FileName(), "");
  EXPECT_EQ(deckB.Volume(), -1) << "no volume slider bound";
  EXPECT_EQ(deckB.Pitch(), -1);
}

TEST(DeckPortTest, APortWithoutEntryDoesNothing) {
  DeckPort none(nullptr, 5);
  EXPECT_EQ(none.Open("/music/a.mp3"), -2);
  EXPECT_FALSE(none.Play());
  EXPECT_EQ(none.State(), fsStopped);
  EXPECT_EQ(none.Duration(), -1);
  none.SetVolume(10);
  none.Close();
}

}  // namespace
}  // namespace spinwave::test
