// Titles sent to a real Icecast 2 server reach its listeners as the same text: the server takes
// the encoded password (with "&" and "#" in it) and decodes the title's bytes, non-ASCII ones
// included, back to the UTF-8 the console sent.
#include <cstdio>

#include <gtest/gtest.h>

#include "broadcast/IcecastServer.h"
#include "broadcast/TestHttpServer.h"
#include "broadcast/TitleStreamer.h"
#include "options/OptionsStore.h"

namespace spinwave {
namespace {

TEST(IcecastTitle, TheServerShowsEachTitleAsSent) {
  const std::string password = "se&cr#t \xC3\xA9";
  test::IcecastServer icecast(password);
  ASSERT_EQ(icecast.Error(), "");
  OptionsStore options;
  options.SetBool("TitleStreaming", true);
  options.SetText("ShoutServer", "127.0.0.1");
  options.SetText("ShoutPort", std::to_string(icecast.Port()));
  options.SetText("ShoutPass", password);
  TitleStreamer streamer(options);
  std::vector<std::string> status;
  QObject::connect(&streamer, &TitleStreamer::StatusMessage,
                   [&status](const QString& text) { status.push_back(text.toStdString()); });
  streamer.SendInfoClick();

  for (const std::string title : {"Caf\xC3\xA9 del Mar - Energy 52 & more",
                                  "AC/DC - Back in Black (Live) 100% #1"}) {
    const size_t dash = title.find(" - ");
    std::string shown;
    auto showsTitle = [&] { return (shown = icecast.Title()) == title; };
    streamer.TrackStarted(title.substr(0, dash), title.substr(dash + 3));
    if (!test::WaitUntil(showsTitle, 5000)) {
      // Seen now and then on a loaded machine for the first title only, its request answered
      // with success: a source that has only just connected may drop the update. Sent again,
      // as the next track change would, it must show.
      std::printf("title not shown after 5 s (shown \"%s\", status: %s); sending it again\n",
                  shown.c_str(), status.empty() ? "none" : status.back().c_str());
      streamer.Info2URL(title);
      EXPECT_TRUE(test::WaitUntil(showsTitle, 10000)) << "shown: " << shown;
    }
  }
  EXPECT_TRUE(streamer.WaitForRequests(5000));
  EXPECT_TRUE(status.empty()) << status.front();
}

}  // namespace
}  // namespace spinwave
