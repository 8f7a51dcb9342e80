#include "broadcast/UpdateCheck.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "broadcast/TestHttpServer.h"
#include "core/Messages.h"
#include "core/SettingsFile.h"

namespace spinwave {
namespace {

using test::TestHttpServer;
using test::WaitUntil;

TEST(UpdateCheck, ShowsItsMessageOnlyForAnotherTwoPointVersion) {
  struct Case {
    int status;
    const char* reply;
    const char* shown;  // "" for nothing
  };
  const Case cases[] = {
      {200, "2.00.0", ""},  // the running version
      {200, "2.00.1", "Spinwave v2.00.1"},
      {200, "2.01.0 new jingle bank", "Spinwave v2.01.0 new jingle bank"},
      {200, "3.00.0", ""},
      {200, "", ""},
      {404, "2.99.9 not found", ""},  // an error page is no version
  };
  for (const Case& c : cases) {
    TestHttpServer server;
    server.SetAnswer(c.status, c.reply);
    TSettingsFile settings;
    ASSERT_TRUE(settings.WriteString("Internet", "UpdateHost", "127.0.0.1:" + server.PortText()));
    MessageCapture messages;
    UpdateCheck check;
    QSignalSpy finished(&check, &UpdateCheck::Finished);
    ASSERT_TRUE(check.Start(settings, "v2.00.0"));
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; })) << c.reply;
    EXPECT_EQ(server.RequestLines(),
              std::vector<std::string>{"GET /~spinwave/update.php HTTP/1.1"});
    EXPECT_EQ(messages.Texts(),
              *c.shown ? std::vector<std::string>{c.shown} : std::vector<std::string>{})
        << c.reply;
  }
}

TEST(UpdateCheck, NoHostSendsNothingAndAFailureShowsNothing) {
  MessageCapture messages;
  UpdateCheck check;
  TSettingsFile settings;  // a fresh settings file: no UpdateHost
  EXPECT_FALSE(check.Start(settings, "v2.00.0"));

  QSignalSpy finished(&check, &UpdateCheck::Finished);
  ASSERT_TRUE(check.StartWithHost("127.0.0.1:" + std::to_string(test::RefusingPort()), "v2.00.0"));
  ASSERT_TRUE(WaitUntil([&] { return finished.count() == 1; }));
  EXPECT_TRUE(messages.Texts().empty());
}

}  // namespace
}  // namespace spinwave
