#include "broadcast/TitleStreamer.h"

#include <algorithm>
#include <memory>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "broadcast/TURLThread.h"
#include "broadcast/TestHttpServer.h"
#include "common/TestSupport.h"
#include "options/OptionsStore.h"

namespace spinwave {
namespace {

using test::TestHttpServer;
using test::WaitUntil;

std::string ServerKey(const char* stem, int server) {
  return server == 1 ? std::string(stem) : stem + std::to_string(server);
}

// Turns server n on at 127.0.0.1 with the given port text and password.
void EnableServer(OptionsStore& options, int server, const std::string& port,
                  const std::string& password = "") {
  options.SetBool(server == 1 ? std::string("TitleStreaming") : "StreamTitle" + std::to_string(server),
                  true);
  options.SetText(ServerKey("ShoutServer", server), "127.0.0.1");
  options.SetText(ServerKey("ShoutPort", server), port);
  options.SetText(ServerKey("ShoutPass", server), password);
}

void EnableWeb(OptionsStore& options, const std::string& url) {
  options.SetBool("Title2Web", true);
  options.SetText("WebURL", url);
}

std::string SongLine(const std::string& password, const std::string& song) {
  return "GET /admin.cgi?pass=" + password + "&mode=updinfo&song=" + song + " HTTP/1.1";
}

std::vector<std::string> Texts(const QSignalSpy& spy) {
  std::vector<std::string> texts;
  for (const QList<QVariant>& args : spy) texts.push_back(args.at(0).toString().toStdString());
  return texts;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

TEST(TitleStreamer, ServerGetsTheCaptionWithPasswordAndTitleEncoded) {
  TestHttpServer server;
  OptionsStore options;
  // A raw "&" or "#" would cut the password short and the song off the query.
  EnableServer(options, 1, server.PortText(), "se&cr#t");
  TitleStreamer streamer(options);
  streamer.SetCaption("AC/DC - Back in Black & Live");
  streamer.Info2URL("AC/DC - Back in Black & Live");
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_EQ(server.RequestLines().at(0),
            SongLine("se%26cr%23t", "AC%2FDC%20-%20Back%20in%20Black%20%26%20Live"));
}

TEST(TitleStreamer, WebAddressGetsItsPathWithTheTitleAppended) {
  TestHttpServer web;
  OptionsStore options;
  EnableWeb(options, "http://127.0.0.1:" + web.PortText() + "/np.php?t=");
  TitleStreamer streamer(options);
  streamer.SetCaption("not this one");
  streamer.Info2URL("A & B");
  ASSERT_TRUE(web.WaitForRequests(1));
  EXPECT_EQ(web.RequestLines().at(0), "GET /np.php?t=A%20%26%20B HTTP/1.1");
  EXPECT_EQ(web.Requests().at(0).Header("Host"), "127.0.0.1:" + web.PortText());
}

TEST(TitleStreamer, SendInfoSwitchSendsTheCaptionThenNoLiveTrackInfo) {
  TestHttpServer web;
  TestHttpServer shout;
  OptionsStore options;
  EnableWeb(options, "127.0.0.1:" + web.PortText() + "/t?s=");
  EnableServer(options, 1, shout.PortText(), "pw");
  TitleStreamer streamer(options);
  QSignalSpy switched(&streamer, &TitleStreamer::SendInfoChanged);
  streamer.SetCaption("Artist - Title");
  EXPECT_FALSE(streamer.SendInfo());  // off at start

  streamer.SendInfoClick();
  EXPECT_TRUE(streamer.SendInfo());
  ASSERT_TRUE(web.WaitForRequests(1) && shout.WaitForRequests(1));
  EXPECT_EQ(web.RequestLines().at(0), "GET /t?s=Artist%20-%20Title HTTP/1.1");
  EXPECT_EQ(shout.RequestLines().at(0), SongLine("pw", "Artist%20-%20Title"));

  streamer.SendInfoClick();
  EXPECT_FALSE(streamer.SendInfo());
  ASSERT_TRUE(web.WaitForRequests(2) && shout.WaitForRequests(2));
  EXPECT_EQ(web.RequestLines().at(1),
            "GET /t?s=No%20live%20trackinfo%20at%20the%20moment HTTP/1.1");
  // The servers get the caption that is showing.
  EXPECT_EQ(shout.RequestLines().at(1), SongLine("pw", "Artist%20-%20Title"));
  ASSERT_EQ(switched.count(), 2);
  EXPECT_TRUE(switched.at(0).at(0).toBool());
  EXPECT_FALSE(switched.at(1).at(0).toBool());
}

TEST(TitleStreamer, TrackStartedSendsEachNewCaptionOnceWhileSendInfoIsOn) {
  TestHttpServer shout;
  OptionsStore options;
  EnableServer(options, 1, shout.PortText());
  TitleStreamer streamer(options);
  QSignalSpy captions(&streamer, &TitleStreamer::CaptionChanged);

  EXPECT_TRUE(streamer.TrackStarted("Before", "On"));  // SendInfo off: caption only
  streamer.SendInfoClick();                             // sends "Before - On"
  EXPECT_TRUE(streamer.TrackStarted("Queen", "Bohemian Rhapsody"));
  EXPECT_FALSE(streamer.TrackStarted("Queen", "Bohemian Rhapsody"));  // same caption: nothing
  ASSERT_TRUE(shout.WaitForRequests(2));
  streamer.Closing();  // the servers keep the caption that is showing
  ASSERT_TRUE(streamer.WaitForRequests(5000));
  EXPECT_EQ(shout.RequestLines(),
            (std::vector<std::string>{SongLine("", "Before%20-%20On"),
                                      SongLine("", "Queen%20-%20Bohemian%20Rhapsody"),
                                      SongLine("", "Queen%20-%20Bohemian%20Rhapsody")}));
  EXPECT_EQ(Texts(captions), (std::vector<std::string>{"Before - On", "Queen - Bohemian Rhapsody"}));
}

TEST(TitleStreamer, ABadPortSkipsOnlyThatServer) {
  std::unique_ptr<TestHttpServer> servers[5];
  OptionsStore options;
  for (int i = 0; i < 5; ++i) {
    servers[i] = std::make_unique<TestHttpServer>();
    EnableServer(options, i + 1, i == 2 ? "abc" : servers[i]->PortText(), "p" + std::to_string(i + 1));
  }
  TitleStreamer streamer(options);
  QSignalSpy status(&streamer, &TitleStreamer::StatusMessage);
  streamer.SetCaption("Artist - Title");
  streamer.Info2URL("Artist - Title");
  ASSERT_TRUE(streamer.WaitForRequests(5000));
  for (int i = 0; i < 5; ++i) {
    if (i == 2) {
      EXPECT_TRUE(servers[i]->Requests().empty());
      continue;
    }
    ASSERT_EQ(servers[i]->Requests().size(), 1u) << "server " << i + 1;
    EXPECT_EQ(servers[i]->RequestLines().at(0),
              SongLine("p" + std::to_string(i + 1), "Artist%20-%20Title"));
  }
  ASSERT_EQ(status.count(), 1);
  EXPECT_EQ(Texts(status).at(0),
            "Title not sent to Server 3: its port \"abc\" is not a number from 1 to 65535");
}

TEST(TitleStreamer, ServersThatAreOffOrUnusableGetNothing) {
  TestHttpServer server;
  OptionsStore options;
  EnableServer(options, 1, "0");                  // the default port: not used, no message
  EnableServer(options, 2, server.PortText());    // no address
  options.SetText("ShoutServer2", "  ");
  options.SetText("ShoutServer3", "127.0.0.1");   // not enabled
  options.SetText("ShoutPort3", server.PortText());
  EnableWeb(options, "http://127.0.0.1:abc/np?t=");  // the web address first, then the servers
  EnableServer(options, 4, "70000");
  EnableServer(options, 5, server.PortText());
  TitleStreamer streamer(options);
  QSignalSpy status(&streamer, &TitleStreamer::StatusMessage);
  streamer.SetCaption("A - B");
  streamer.Info2URL("A - B");
  ASSERT_TRUE(streamer.WaitForRequests(5000));
  EXPECT_EQ(server.RequestLines(), std::vector<std::string>{SongLine("", "A%20-%20B")});  // server 5
  const std::vector<std::string> texts = Texts(status);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_TRUE(StartsWith(texts[0], "Title not sent to the web address: the port \"abc\"")) << texts[0];
  EXPECT_EQ(texts[1], "Title not sent to Server 2: it has no server address");
  EXPECT_TRUE(StartsWith(texts[2], "Title not sent to Server 4: its port \"70000\"")) << texts[2];
  EXPECT_TRUE(streamer.AnyDestinationEnabled());
  EXPECT_FALSE(TitleStreamer(OptionsStore()).AnyDestinationEnabled());
}

TEST(TitleStreamer, ADeadServerNeverHoldsUpTheNextTitle) {
  TestHttpServer dead;
  dead.SetSilent(true);
  TestHttpServer alive;
  OptionsStore options;
  EnableServer(options, 1, dead.PortText());
  EnableServer(options, 2, alive.PortText());
  TitleStreamer streamer(options);
  streamer.SetRequestTimeoutMs(300);
  QSignalSpy status(&streamer, &TitleStreamer::StatusMessage);
  streamer.SendInfoClick();  // sends the empty caption

  EXPECT_TRUE(streamer.TrackStarted("First", "Song"));
  // Info2URL has returned while both requests are still under way.
  EXPECT_GE(streamer.PendingRequests(), 2);
  ASSERT_TRUE(alive.WaitForRequests(2));
  ASSERT_TRUE(WaitUntil([&] { return status.count() >= 2; }));  // both dead requests gave up
  EXPECT_EQ(Texts(status).at(0),
            "Error sending/receiving data from internet: Server 1 (127.0.0.1:" + dead.PortText() +
                "): no answer within 300 ms");

  EXPECT_TRUE(streamer.TrackStarted("Second", "Song"));
  ASSERT_TRUE(alive.WaitForRequests(3));
  EXPECT_EQ(alive.RequestLines().at(2), SongLine("", "Second%20-%20Song"));
  ASSERT_TRUE(dead.WaitForRequests(3));  // the dead server was asked again too
  EXPECT_EQ(dead.RequestLines().at(2), SongLine("", "Second%20-%20Song"));
  EXPECT_TRUE(streamer.WaitForRequests(5000));
}

TEST(TitleStreamer, FailedRequestsReportWithoutThePassword) {
  TestHttpServer shout;
  shout.SetAnswer(401, "Invalid password");
  const uint16_t refused = test::RefusingPort();
  OptionsStore options;
  EnableServer(options, 1, shout.PortText(), "Qz9&k#w");
  EnableServer(options, 2, std::to_string(refused), "Qz9&k#w");
  TitleStreamer streamer(options);
  QSignalSpy status(&streamer, &TitleStreamer::StatusMessage);
  streamer.SetCaption("A - B");
  streamer.Info2URL("A - B");
  ASSERT_TRUE(WaitUntil([&] { return status.count() == 2; }));
  std::vector<std::string> texts = Texts(status);
  std::sort(texts.begin(), texts.end());  // the two requests may end in either order
  EXPECT_EQ(texts[0], "Error sending/receiving data from internet: Server 1 (127.0.0.1:" +
                          shout.PortText() + "): HTTP 401");
  EXPECT_EQ(texts[1], "Error sending/receiving data from internet: Server 2 (127.0.0.1:" +
                          std::to_string(refused) + "): connection refused");
  const std::string log = test::ReadFile(NetLogPath());
  EXPECT_NE(log.find("Server 1 127.0.0.1:" + shout.PortText() + ": HTTP 401"), std::string::npos);
  EXPECT_EQ(log.find("Qz9"), std::string::npos) << log;
}

}  // namespace
}  // namespace spinwave
