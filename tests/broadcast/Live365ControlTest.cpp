#include "broadcast/Live365Control.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "broadcast/TestHttpServer.h"
#include "core/Messages.h"
#include "core/SettingsFile.h"
#include "options/OptionsStore.h"

namespace spinwave {
namespace {

using test::HttpAnswer;
using test::TestHttpServer;
using test::WaitUntil;

const char* const kStateAnswer = "0,LI,1,42,x,y,z,10.0.0.5,8004";

struct Live365 {
  explicit Live365(TestHttpServer& server) : control(options) {
    options.SetBool("Live365Ctrl", true);
    options.SetText("LiveMember", "dj & co");
    options.SetText("LivePass", "p#ss word");
    control.SetEndpoint("127.0.0.1:" + server.PortText());
  }
  OptionsStore options;
  Live365Control control;
};

const std::string kCredentials = "&membername=dj%20%26%20co&password=p%23ss%20word";

TEST(Live365Control, RefreshAsksWithEncodedCredentialsAndFillsTheLabels) {
  TestHttpServer server;
  server.SetAnswer(200, std::string(kStateAnswer) + "\r\n");
  Live365 live(server);
  QSignalSpy enabled(&live.control, &Live365Control::ButtonsEnabledChanged);
  EXPECT_EQ(live.control.Mode(), "none");
  live.control.Button1Click();
  EXPECT_FALSE(live.control.ButtonsEnabled());  // until the answer is in
  ASSERT_TRUE(WaitUntil([&] { return live.control.ButtonsEnabled(); }));
  EXPECT_EQ(server.RequestLines().at(0),
            "GET /cgi-bin/bcinfo.cgi?version=2" + kCredentials + " HTTP/1.1");
  EXPECT_EQ(live.control.Mode(), "Live");
  EXPECT_EQ(live.control.Active(), "1");
  EXPECT_EQ(live.control.Listners(), "42");
  EXPECT_EQ(live.control.Ip(), "10.0.0.5");
  EXPECT_EQ(live.control.Port(), "8004");
  EXPECT_EQ(enabled.count(), 2);  // off, on
}

TEST(Live365Control, StateAnswers) {
  TestHttpServer server;  // not asked: the answers are handed over directly
  struct Case {
    const char* answer;
    const char* message;  // "" for none
    const char* mode;
  };
  const Case cases[] = {
      {"-2", "Live365 login incorrect", "none"},
      {"-2\n", "Live365 login incorrect", "none"},
      {"", "", "none"},
      {"1,2,3", "Live365 Error: 1,2,3", "none"},
      {"0,LI,1,42,x,y,z,10.0.0.5", "Live365 Error: 0,LI,1,42,x,y,z,10.0.0.5", "none"},  // 8 items
      {"0 OR 1 42 x y z 10.0.0.5 8004", "", "Basic"},  // unquoted blanks separate too
      {"0,RE,1,42,x,y,z,10.0.0.5,8004,more", "", "Relay"},
      {"0,\"LI\",1,42,x,y,z,10.0.0.5,8004", "", "Live"},
      {"0,XX,1,42,x,y,z,10.0.0.5,8004", "", "none"},  // unknown code: mode unchanged
  };
  for (const Case& c : cases) {
    Live365 live(server);
    MessageCapture messages;
    live.control.StateAnswer(c.answer);
    EXPECT_EQ(messages.Texts(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
        << c.answer;
    EXPECT_EQ(live.control.Mode(), c.mode) << c.answer;
    EXPECT_TRUE(live.control.ButtonsEnabled()) << c.answer;
  }
  Live365 live(server);
  MessageCapture messages;
  live.control.StateAnswer("<html>" + std::string(1000, 'a') + "</html>");
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_LT(messages.Texts()[0].size(), 300u);  // a web page is cut short in the box
}

TEST(Live365Control, SwitchToTheCurrentModeOrNoneSendsNothing) {
  TestHttpServer server;
  Live365 live(server);
  live.control.StateAnswer(kStateAnswer);  // mode "Live"
  live.control.Button2Click();             // nothing selected
  live.control.SetSelection(1);            // "Live" again
  live.control.Button2Click();
  EXPECT_TRUE(live.control.ButtonsEnabled());
  QTest::qWait(50);
  EXPECT_TRUE(server.Requests().empty());
}

TEST(Live365Control, SwitchSendsTheStreamWordAndRefreshesAfterTheAnswer) {
  TestHttpServer server;
  server.SetAnswers([](const std::string& line) {
    if (line.find("netcast.cgi") != std::string::npos) return HttpAnswer{200, "0"};
    return HttpAnswer{200, "0,OR,0,7,x,y,z,10.0.0.9,8010"};
  });
  Live365 live(server);
  live.control.StateAnswer(kStateAnswer);  // mode "Live"
  live.control.SetSelection(0);            // "Basic"
  live.control.Button2Click();
  EXPECT_FALSE(live.control.ButtonsEnabled());
  ASSERT_TRUE(server.WaitForRequests(2));
  ASSERT_TRUE(WaitUntil([&] { return live.control.ButtonsEnabled(); }));
  EXPECT_EQ(server.RequestLines(),
            (std::vector<std::string>{
                "GET /cgi-bin/netcast.cgi?from=mode&stream=easycast" + kCredentials + " HTTP/1.1",
                "GET /cgi-bin/bcinfo.cgi?version=2" + kCredentials + " HTTP/1.1"}));
  EXPECT_EQ(live.control.Mode(), "Basic");
  EXPECT_EQ(live.control.Listners(), "7");

  // "Live" from "Basic" uses the word "live"; an answer other than "0" leaves the mode to the
  // refresh that follows.
  server.SetAnswers([](const std::string& line) {
    if (line.find("netcast.cgi") != std::string::npos) return HttpAnswer{200, "-1"};
    return HttpAnswer{200, "0,OR,0,7,x,y,z,10.0.0.9,8010"};
  });
  live.control.SetSelection(1);
  live.control.Button2Click();
  ASSERT_TRUE(server.WaitForRequests(4));
  ASSERT_TRUE(WaitUntil([&] { return live.control.ButtonsEnabled(); }));
  EXPECT_EQ(server.RequestLines().at(2),
            "GET /cgi-bin/netcast.cgi?from=mode&stream=live" + kCredentials + " HTTP/1.1");
  EXPECT_EQ(live.control.Mode(), "Basic");
}

TEST(Live365Control, AnUnreachableServiceReportsAndEnablesTheButtonsAgain) {
  OptionsStore options;
  Live365Control control(options);
  QSignalSpy status(&control, &Live365Control::StatusMessage);
  MessageCapture messages;

  control.Button1Click();  // no host set: nothing is sent
  EXPECT_TRUE(control.ButtonsEnabled());
  ASSERT_EQ(status.count(), 1);
  EXPECT_NE(status.at(0).at(0).toString().indexOf("Live365Host"), -1);

  TSettingsFile settings;
  ASSERT_TRUE(settings.WriteString("Internet", "Live365Host",
                                   "127.0.0.1:" + std::to_string(test::RefusingPort())));
  control.LoadEndpoint(settings);
  control.Button1Click();
  EXPECT_FALSE(control.ButtonsEnabled());
  ASSERT_TRUE(WaitUntil([&] { return control.ButtonsEnabled(); }));
  ASSERT_EQ(status.count(), 2);
  EXPECT_TRUE(status.at(1).at(0).toString().endsWith("connection refused"));
  EXPECT_TRUE(messages.Texts().empty());  // no box for a network failure
  EXPECT_EQ(control.Mode(), "none");
}

TEST(Live365Control, AppliedOptionsFillTheWindowOnce) {
  TestHttpServer server;
  server.SetAnswer(200, kStateAnswer);
  Live365 live(server);
  live.options.SetBool("Live365Ctrl", false);
  live.control.OptionsApplied();  // off: nothing
  QTest::qWait(50);
  EXPECT_TRUE(server.Requests().empty());
  live.options.SetBool("Live365Ctrl", true);
  live.control.OptionsApplied();
  ASSERT_TRUE(WaitUntil([&] { return live.control.Mode() == "Live"; }));
  live.control.OptionsApplied();  // the state is known: no second request
  QTest::qWait(50);
  EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
}  // namespace spinwave
