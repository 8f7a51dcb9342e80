// The decks' "KEY" buttons, offscreen: the kept state comes back at the start, a click turns a
// deck's keylock on and off (its channel keeps the key of the slider's tempo) and is kept in
// the settings at once.
#include <QTest>

#include "ConsoleFixture.h"
#include "app/DeckKeyLock.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "core/SettingsFile.h"
#include "engine/DeckEntry.h"
#include "engine/DeckPort.h"
#include "engine/soundlib.h"
#include "playlist/DeckTransport.h"

namespace spinwave::test {
namespace {

TEST_F(ConsoleTest, KeyButtonsKeylockTheDecksAndAreKept) {
  WriteIni("[Players]\r\nKeyLock2=1\r\n");
  const std::string a = Track("a", 5000);
  auto core = MakeCore();
  TSpinwaveMain window(*core);
  window.show();
  core->Activate();
  TEMButton* key1 = window.Players()->KeyLockButton(0);
  TEMButton* key2 = window.Players()->KeyLockButton(1);
  ASSERT_TRUE(key1 && key2);
  EXPECT_EQ(key1->objectName(), QStringLiteral("KeyLock1"));
  EXPECT_FALSE(key1->ButtonOn());
  EXPECT_TRUE(key2->ButtonOn());
  EXPECT_FALSE(core->Deck(0).KeyLock());
  EXPECT_TRUE(core->Deck(1).KeyLock());

  // Deck 1 at +8 % with its KEY button pressed.
  QTest::mouseClick(key1, Qt::LeftButton);
  EXPECT_TRUE(key1->ButtonOn());
  EXPECT_TRUE(core->Deck(0).KeyLock());
  ASSERT_GT(core->Deck(0).Open(a), 0);
  for (int t = 0; t < 5000 && core->Deck(0).State() == fsOpening; t += 10) core->Advance(10);
  core->Deck(0).SetPitch(108000);
  if (core->Deck(0).State() != fsPlaying) {
    ASSERT_TRUE(core->Deck(0).Play());
  }
  ASSERT_EQ(static_cast<int>(core->Deck(0).State()), static_cast<int>(fsPlaying));
  const FMOD_File* e = TFMODJingle::GetFileEntry(core->Deck(0).Index());
  ASSERT_TRUE(e && e->Channel >= 0);
  SoundLib* lib = core->Deck(0).Engine()->Library();
  EXPECT_EQ(lib->GetFrequency(e->Channel), 47628);
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 47628);
  {
    TSettingsFile kept(Ini());
    EXPECT_TRUE(kept.ReadBool("Players", "KeyLock1", false));
    EXPECT_TRUE(kept.ReadBool("Players", "KeyLock2", false));
  }

  // Off again, while playing: a vinyl speed change from now on.
  QTest::mouseClick(key1, Qt::LeftButton);
  EXPECT_FALSE(key1->ButtonOn());
  EXPECT_EQ(lib->GetKeyLock(e->Channel), 0);
  EXPECT_EQ(lib->GetFrequency(e->Channel), 47628);
  TSettingsFile kept(Ini());
  EXPECT_FALSE(kept.ReadBool("Players", "KeyLock1", true));
}

}  // namespace
}  // namespace spinwave::test
