// Title streaming in the console: real tracks play on the non-real-time engine and the titles
// go to HTTP servers the test runs on 127.0.0.1.
#include <QCoreApplication>

#include "ConsoleFixture.h"
#include "TestHttpServer.h"
#include "broadcast/QueryText.h"
#include "broadcast/TitleStreamer.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class TitleStreamingConsole : public ConsoleTest {
 protected:
  // Server 1 and the web address point at the test's servers.
  void Configure() {
    WriteIni("[Internet]\nTitleStreaming=1\nShoutServer=127.0.0.1\nShoutPort=" +
             shout.PortText() + "\nShoutPass=a&b#c\nTitle2Web=1\nWebURL=http://127.0.0.1:" +
             web.PortText() + "/np.php?t=\n");
  }
  static std::string ServerLine(const std::string& title) {
    return "GET /admin.cgi?pass=a%26b%23c&mode=updinfo&song=" + EncodeQueryText(title) +
           " HTTP/1.1";
  }
  static std::string WebLine(const std::string& title) {
    return "GET /np.php?t=" + EncodeQueryText(title) + " HTTP/1.1";
  }
  // Lets requests that were started arrive (nothing more is expected to come).
  static void Settle() {
    WaitUntil([] { return false; }, 300);
  }

  TestHttpServer shout, web;
};

TEST_F(TitleStreamingConsole, EachTrackStartReachesEveryServerOnceAndTheCloseSaysNothingPlays) {
  const std::string a = Track("a", 600), b = Track("b", 600);
  Configure();
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b}))});
  core->Activate();
  TitleStreamer& streamer = core->Streamer();
  ASSERT_FALSE(streamer.SendInfo()) << "off at start";

  // Off: a track start changes the caption but sends nothing.
  core->Playlist().SetCursorRow(1);
  core->Transport().PlaylistDblClick();
  core->Advance(30);
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  EXPECT_EQ(streamer.Caption(), "a.wav - ");
  Settle();
  EXPECT_TRUE(shout.Requests().empty());
  EXPECT_TRUE(web.Requests().empty());

  // Switched on: the caption that shows goes out once.
  streamer.SendInfoClick();
  ASSERT_TRUE(shout.WaitForRequests(1));
  ASSERT_TRUE(web.WaitForRequests(1));

  // The next track starts (automix off: the same deck takes row 2): one request each, the
  // new caption.
  core->Advance(700);
  ASSERT_EQ(core->Deck(0).FileName(), b);
  core->Advance(30);
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  ASSERT_TRUE(shout.WaitForRequests(2));
  ASSERT_TRUE(web.WaitForRequests(2));
  Settle();
  EXPECT_EQ(shout.RequestLines(), Strings({ServerLine("a.wav - "), ServerLine("b.wav - ")}));
  EXPECT_EQ(web.RequestLines(), Strings({WebLine("a.wav - "), WebLine("b.wav - ")}));

  // The close: the web address is told that nothing plays, the servers get the caption.
  core->Transport().EjectClick(0);
  ASSERT_TRUE(core->CloseQuery());
  core->Close();
  EXPECT_EQ(streamer.PendingRequests(), 0) << "the close waited for its requests";
  ASSERT_TRUE(web.WaitForRequests(3));
  ASSERT_TRUE(shout.WaitForRequests(3));
  EXPECT_EQ(web.RequestLines().back(), WebLine("No live trackinfo at the moment"));
  EXPECT_EQ(shout.RequestLines().back(), ServerLine("b.wav - "));
}

TEST_F(TitleStreamingConsole, SwitchedOffNothingGoesOutAtTheClose) {
  Configure();
  auto core = MakeCore();
  core->Activate();
  core->Streamer().SendInfoClick();  // on: the (empty) caption
  core->Streamer().SendInfoClick();  // off: "No live trackinfo at the moment"
  ASSERT_TRUE(web.WaitForRequests(2));
  EXPECT_EQ(web.RequestLines().back(), WebLine("No live trackinfo at the moment"));
  core->Close();
  Settle();
  EXPECT_EQ(web.Requests().size(), 2u);
  EXPECT_EQ(shout.Requests().size(), 2u);
}

TEST_F(TitleStreamingConsole, AServerThatFailsIsAStatusLineNotABox) {
  WriteIni("[Internet]\nTitleStreaming=1\nShoutServer=127.0.0.1\nShoutPort=" +
           std::to_string(RefusingPort()) + "\nStreamTitle2=1\nShoutServer2=127.0.0.1\n"
           "ShoutPort2=abc\n");
  auto core = MakeCore();
  std::vector<QString> lines;
  QObject::connect(core.get(), &ConsoleCore::statusMessage,
                   [&](const QString& text) { lines.push_back(text); });
  core->Activate();
  core->Streamer().SendInfoClick();
  ASSERT_TRUE(WaitUntil([&] { return lines.size() >= 2; }));
  EXPECT_TRUE(messages.Texts().empty()) << "no box over the console";
  bool refused = false, port = false;
  for (const QString& l : lines) {
    refused = refused || (l.contains("Server 1") && l.contains("connection refused"));
    port = port || (l.contains("Server 2") && l.contains("\"abc\""));
  }
  EXPECT_TRUE(refused);
  EXPECT_TRUE(port);
  core->Close();
}

TEST_F(TitleStreamingConsole, TheFirstActivationAsksTheUpdateServerOnce) {
  TestHttpServer updates;
  updates.SetAnswer(200, "2.99.1");
  WriteIni("[Internet]\nUpdateHost=127.0.0.1:" + updates.PortText() + "\n");
  auto core = MakeCore();
  core->Activate();
  core->Activate();  // later activations ask nothing
  ASSERT_TRUE(updates.WaitForRequests(1));
  EXPECT_EQ(updates.RequestLines().front(), "GET /~spinwave/update.php HTTP/1.1");
  ASSERT_TRUE(WaitUntil([&] { return !messages.Texts().empty(); }));
  EXPECT_EQ(messages.Texts().front(), "Spinwave v2.99.1");
  Settle();
  EXPECT_EQ(updates.Requests().size(), 1u);
  core->Close();
}

}  // namespace
}  // namespace spinwave::test
