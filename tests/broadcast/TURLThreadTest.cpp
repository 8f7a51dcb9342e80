#include "broadcast/TURLThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <gtest/gtest.h>

#include "broadcast/TestHttpServer.h"
#include "common/TestSupport.h"

namespace spinwave {
namespace {

using test::TestHttpServer;
using test::WaitUntil;

struct Outcome {
  bool done = false;           // OnDone was called
  bool finished = false;       // Finished was emitted
  bool onInterfaceThread = false;
  std::string response;
  bool failed = false;
  std::string error;
  int status = 0;
};

// Starts a request and records what it reports.
TURLThread* Launch(Outcome& out, const std::string& host, const std::string& path, uint16_t port,
                   int timeoutMs = TURLThread::kDefaultTimeoutMs) {
  auto* request = new TURLThread(host, path, port);
  request->SetTimeoutMs(timeoutMs);
  request->SetLabel("Test request");
  request->OnDone = [&out](QObject*, const std::string& response) {
    out.done = true;
    out.onInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    out.response = response;
  };
  QObject::connect(request, &TURLThread::Finished, [&out](TURLThread* r) {
    out.finished = true;
    out.failed = r->Failed();
    out.error = r->ErrorText();
    out.status = r->HttpStatus();
  });
  request->Start();
  return request;
}

TEST(TURLThread, SendsThePathAsItStandsAndHandsTheWholeAnswerBack) {
  TestHttpServer server;
  // Longer than any one network read, with a zero byte inside: every byte comes back.
  std::string body(100000, 'x');
  body[500] = '\0';
  body += "end";
  server.SetAnswer(200, body);
  Outcome out;
  QPointer<TURLThread> request =
      Launch(out, "127.0.0.1", "/admin.cgi?pass=a%26b&mode=updinfo&song=AC%2FDC%20-%20A%2BB",
             server.Port());
  ASSERT_TRUE(WaitUntil([&] { return out.finished && request.isNull(); }));
  ASSERT_EQ(server.Requests().size(), 1u);
  const test::RecordedRequest& r = server.Requests()[0];
  EXPECT_EQ(r.line, "GET /admin.cgi?pass=a%26b&mode=updinfo&song=AC%2FDC%20-%20A%2BB HTTP/1.1");
  EXPECT_EQ(r.Header("User-Agent"), "Mozilla/1.0");
  EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + server.PortText());
  EXPECT_EQ(r.Header("Cache-Control"), "no-cache");
  EXPECT_TRUE(out.done);
  EXPECT_TRUE(out.onInterfaceThread);
  EXPECT_EQ(out.response, body);
  EXPECT_FALSE(out.failed);
  EXPECT_EQ(out.status, 200);
}

TEST(TURLThread, PortZeroSendsNothingAndEnds) {
  TestHttpServer server;
  Outcome out;
  QPointer<TURLThread> request = Launch(out, "127.0.0.1", "/x", 0);
  ASSERT_TRUE(WaitUntil([&] { return request.isNull(); }));
  EXPECT_TRUE(out.finished);
  EXPECT_FALSE(out.done);  // a request never made calls no handler
  EXPECT_TRUE(server.Requests().empty());
}

TEST(TURLThread, ASilentServerIsGivenUpAfterTheTimeout) {
  TestHttpServer server;
  server.SetSilent(true);
  Outcome out;
  Launch(out, "127.0.0.1", "/np.php?t=A", server.Port(), 300);
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_FALSE(out.finished);  // connected and asked, but no answer yet
  ASSERT_TRUE(WaitUntil([&] { return out.finished; }));
  EXPECT_TRUE(out.failed);
  EXPECT_EQ(out.error, "no answer within 300 ms");
  // The handler still runs, with an empty answer, so that nobody waits for it for ever.
  EXPECT_TRUE(out.done);
  EXPECT_EQ(out.response, "");
}

TEST(TURLThread, FailuresAreNamedAndLoggedWithoutThePath) {
  const std::string secret = "Qz9%26k%23w";  // "Qz9&k#w" encoded
  TestHttpServer server;
  server.SetAnswer(401, "wrong password");
  struct Case {
    uint16_t port;
    const char* error;
  };
  const Case cases[] = {{server.Port(), "HTTP 401"}, {test::RefusingPort(), "connection refused"}};
  for (const Case& c : cases) {
    Outcome out;
    Launch(out, "127.0.0.1", "/admin.cgi?pass=" + secret + "&mode=updinfo&song=x", c.port);
    ASSERT_TRUE(WaitUntil([&] { return out.finished; })) << c.error;
    EXPECT_TRUE(out.failed) << c.error;
    EXPECT_EQ(out.error, c.error);
    EXPECT_TRUE(out.done) << c.error;
  }
  const std::string log = test::ReadFile(NetLogPath());
  EXPECT_NE(log.find("Test request 127.0.0.1:" + server.PortText() + ": HTTP 401"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("connection refused"), std::string::npos) << log;
  EXPECT_EQ(log.find("Qz9"), std::string::npos) << log;  // neither the password nor the path
  EXPECT_EQ(log.find("admin.cgi"), std::string::npos) << log;
}

TEST(TURLThread, NoHandlerCallAfterItsReceiverIsGone) {
  TestHttpServer server;
  server.SetAnswer(200, "2.00.1");
  bool called = false;
  bool finished = false;
  auto* receiver = new QObject;
  auto* request = new TURLThread("127.0.0.1", "/~spinwave/update.php", server.Port());
  request->SetReceiver(receiver);
  request->OnDone = [&called](QObject*, const std::string&) { called = true; };
  QObject::connect(request, &TURLThread::Finished, [&finished] { finished = true; });
  request->Start();
  delete receiver;
  ASSERT_TRUE(WaitUntil([&] { return finished; }));
  EXPECT_FALSE(called);
  // The tilde of the path goes out as it stands.
  EXPECT_EQ(server.RequestLines().at(0), "GET /~spinwave/update.php HTTP/1.1");
}

}  // namespace
}  // namespace spinwave
