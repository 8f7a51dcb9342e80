// The window's automix controls, offscreen: the AutoMix lamp and Break switch forward their
// clicks, the lamps show the transport's state, and the "Segue" column follows automix.
#include <QTest>

#include "ConsoleFixture.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

TEST_F(ConsoleTest, AutomixLampBreakSwitchAndSegueColumn) {
  const std::string a = Track("a", 1000), b = Track("b", 1000);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  TSpinwaveMain window(*core);
  window.show();
  core->Activate();
  auto* lamp = window.findChild<TEMLed*>(QStringLiteral("AutoMix"));
  ASSERT_TRUE(lamp);
  DeckTransport& t = core->Transport();

  QTest::mouseClick(lamp, Qt::LeftButton);
  EXPECT_TRUE(t.AutoMix());
  EXPECT_TRUE(lamp->Lit());
  EXPECT_TRUE(window.Players()->AutoCrossLed()->Lit());
  EXPECT_EQ(window.Playlist()->GetColWidth(plSegue), 40);
  QTest::mouseClick(window.Players()->AutoCrossLed(), Qt::LeftButton);
  EXPECT_FALSE(t.AutoCross());

  QTest::mouseClick(lamp, Qt::LeftButton);
  EXPECT_FALSE(t.AutoMix());
  EXPECT_FALSE(lamp->Lit());
  EXPECT_EQ(window.Playlist()->GetColWidth(plSegue), -1);

  TEMButton* brk = window.Button(QStringLiteral("Break"));
  ASSERT_TRUE(brk);
  brk->OnClick(brk);
  EXPECT_TRUE(t.Break());
  EXPECT_TRUE(brk->ButtonOn());
  brk->OnClick(brk);
  EXPECT_FALSE(brk->ButtonOn());
}

TEST_F(ConsoleTest, StartMixSwitchesAutomixOnBeforeTheListIsRead) {
  WriteIni("[General]\r\nStartMix=1\r\n");
  auto core = MakeCore();
  EXPECT_TRUE(core->Transport().AutoMix()) << "even with an empty playlist";
  EXPECT_TRUE(core->Transport().AutoCross());
  TSpinwaveMain window(*core);
  EXPECT_TRUE(window.findChild<TEMLed*>(QStringLiteral("AutoMix"))->Lit());
  EXPECT_EQ(window.Playlist()->GetColWidth(plSegue), 40);
}

}  // namespace
}  // namespace spinwave::test
