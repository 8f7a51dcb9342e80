// The window's broadcast controls, offscreen: the SendInfo and ShowLive365 buttons follow the
// live options, SendInfo forwards to the title streamer, messages land in the status bar.
#include <QLabel>

#include "ConsoleFixture.h"
#include "TestHttpServer.h"
#include "app/SpinwaveMain.h"
#include "broadcast/TLive365.h"
#include "broadcast/TitleStreamer.h"
#include "controls/TEMButton.h"
#include "core/SettingsFile.h"
#include "options/OptionsStore.h"

namespace spinwave::test {
namespace {

class BroadcastWindow : public ConsoleTest {
 protected:
  void Open() {
    core = MakeCore();
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
  }
  void TearDown() override {
    window.reset();
    core.reset();
  }
  bool Shown(const char* name) { return window->Button(name)->isVisible(); }
  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
};

TEST_F(BroadcastWindow, ButtonsFollowTheLiveOptions) {
  WriteIni("[Internet]\nStreamTitle4=1\nLive365Ctrl=1\n");
  Open();
  EXPECT_TRUE(Shown("SendInfo")) << "server 4 is enabled in the stored settings";
  EXPECT_TRUE(Shown("ShowLive365"));

  OptionsStore& o = core->Options();
  struct Step {
    const char* key;
    bool on;
    bool sendInfo, live365;
  };
  const Step steps[] = {
      {"StreamTitle4", false, false, true}, {"Title2Web", true, true, true},
      {"Live365Ctrl", false, true, false},  {"Title2Web", false, false, false},
      {"TitleStreaming", true, true, false},
  };
  for (const Step& s : steps) {
    o.SetBool(s.key, s.on);
    EXPECT_EQ(Shown("SendInfo"), s.sendInfo) << s.key << "=" << s.on;
    EXPECT_EQ(Shown("ShowLive365"), s.live365) << s.key << "=" << s.on;
  }
}

TEST_F(BroadcastWindow, SendInfoAndLive365ButtonsForwardAndMessagesReachTheStatusBar) {
  WriteIni("[Internet]\nTitleStreaming=1\nShoutServer=127.0.0.1\nShoutPort=abc\nLive365Ctrl=1\n");
  Open();
  window->Button("SendInfo")->OnClick(window->Button("SendInfo"));
  EXPECT_TRUE(core->Streamer().SendInfo());
  EXPECT_TRUE(window->Button("SendInfo")->ButtonOn());
  EXPECT_TRUE(window->StatusPanel(1)->text().contains("Server 1")) << "the port is not a number";
  EXPECT_TRUE(messages.Texts().empty()) << "no box";
  window->SendInfoClick();
  EXPECT_FALSE(core->Streamer().SendInfo());
  EXPECT_FALSE(window->Button("SendInfo")->ButtonOn());

  ASSERT_NE(window->Live365Window(), nullptr);
  EXPECT_FALSE(window->Live365Window()->isVisible());
  window->Button("ShowLive365")->OnClick(window->Button("ShowLive365"));
  EXPECT_TRUE(window->Live365Window()->isVisible());
  EXPECT_TRUE(window->Live365Window()->isWindow());
  window->ShowLive365Click();
  EXPECT_FALSE(window->Live365Window()->isVisible());
}

}  // namespace
}  // namespace spinwave::test
