#include "broadcast/TLive365.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "broadcast/Live365Control.h"
#include "broadcast/TestHttpServer.h"
#include "options/OptionsStore.h"

namespace spinwave {
namespace {

TEST(TLive365, ShowsTheControlAndForwardsItsClicks) {
  test::TestHttpServer server;
  server.SetAnswer(200, "0,LI,1,42,x,y,z,10.0.0.5,8004");
  OptionsStore options;
  Live365Control control(options);
  control.SetEndpoint("127.0.0.1:" + server.PortText());
  TLive365 window(control);
  EXPECT_EQ(window.windowTitle(), "Live365");
  EXPECT_EQ(window.ModeLabel()->text(), "none");
  EXPECT_EQ(window.ActiveLabel()->text(), "off");
  EXPECT_EQ(window.IpLabel()->text(), "0");
  EXPECT_EQ(window.PortLabel()->text(), "0");
  EXPECT_EQ(window.ListnersLabel()->text(), "0");
  EXPECT_FALSE(window.LiveModeButton(0)->isChecked());
  EXPECT_FALSE(window.LiveModeButton(1)->isChecked());

  window.ShowLive365Click();
  EXPECT_TRUE(window.isVisible());
  QTest::mouseClick(window.Button1(), Qt::LeftButton);
  EXPECT_FALSE(window.Button1()->isEnabled());
  EXPECT_FALSE(window.Button2()->isEnabled());
  ASSERT_TRUE(test::WaitUntil([&] { return window.Button1()->isEnabled(); }));
  EXPECT_TRUE(window.Button2()->isEnabled());
  EXPECT_EQ(window.ModeLabel()->text(), "Live");
  EXPECT_EQ(window.ActiveLabel()->text(), "1");
  EXPECT_EQ(window.IpLabel()->text(), "10.0.0.5");
  EXPECT_EQ(window.PortLabel()->text(), "8004");
  EXPECT_EQ(window.ListnersLabel()->text(), "42");

  window.LiveModeButton(0)->click();
  EXPECT_EQ(control.Selection(), 0);
  // A reported text is shown as it stands, never as markup.
  control.StateAnswer("0,LI,<b>on</b>,42,x,y,z,10.0.0.5,8004");
  EXPECT_EQ(window.ActiveLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(window.ActiveLabel()->text(), "<b>on</b>");

  window.ShowLive365Click();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace spinwave
