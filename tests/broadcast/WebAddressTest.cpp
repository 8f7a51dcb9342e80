#include "broadcast/WebAddress.h"

#include <gtest/gtest.h>

namespace spinwave {
namespace {

TEST(WebAddress, TakesHostPortAndPathApart) {
  struct Case {
    const char* setting;
    const char* host;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"http://radio.example:8080/np.php?t=", "radio.example", 8080, "/np.php?t="},
      {"radio.example/np.php?t=", "radio.example", 80, "/np.php?t="},  // no port: 80
      {"HTTP://radio.example/np.php?t=", "radio.example", 80, "/np.php?t="},
      {"  http://10.0.0.2/a/b.cgi?x=1&song=  ", "10.0.0.2", 80, "/a/b.cgi?x=1&song="},
      {"http://radio.example:/np?t=", "radio.example", 0, "/np?t="},  // nothing after ":": 0
      {"radio.example:0/np?t=", "radio.example", 0, "/np?t="},
      {"radio.example/a:b/c?t=", "radio.example", 80, "/a:b/c?t="},  // ":" after the host
  };
  for (const Case& c : cases) {
    const WebAddress a = ParseWebAddress(c.setting);
    EXPECT_EQ(a.error, "") << c.setting;
    EXPECT_EQ(a.host, c.host) << c.setting;
    EXPECT_EQ(a.port, c.port) << c.setting;
    EXPECT_EQ(a.path, c.path) << c.setting;
  }
}

TEST(WebAddress, UnusableSettingsSayWhy) {
  struct Case {
    const char* setting;
    const char* errorPart;
  };
  const Case cases[] = {
      {"", "no web address"},
      {"http://radio.example:abc/np?t=", "\"abc\" is not a number"},
      {"http://radio.example:70000/np?t=", "\"70000\" is not a number"},
      {"radio.example", "needs a path"},  // no "/": no host, the whole text a path
      {"http:///np?t=", "no host"},
      {"https://radio.example/np?t=", "https"},
  };
  for (const Case& c : cases) {
    const WebAddress a = ParseWebAddress(c.setting);
    EXPECT_NE(a.error.find(c.errorPart), std::string::npos) << c.setting << ": " << a.error;
  }
}

TEST(WebAddress, PortFields) {
  struct Case {
    const char* text;
    PortField result;
    uint16_t port;
  };
  const Case cases[] = {
      {"8000", PortField::Send, 8000},  {" 8000 ", PortField::Send, 8000},
      {"65535", PortField::Send, 65535}, {"1", PortField::Send, 1},
      {"0", PortField::Off, 0},         {"-1", PortField::Off, 0},
      {"abc", PortField::Invalid, 0},   {"80a", PortField::Invalid, 0},
      {"", PortField::Invalid, 0},      {"65536", PortField::Invalid, 0},
      {"99999", PortField::Invalid, 0},
  };
  for (const Case& c : cases) {
    uint16_t port = 0;
    EXPECT_EQ(CheckPortField(c.text, port), c.result) << c.text;
    if (c.result == PortField::Send) {
      EXPECT_EQ(port, c.port) << c.text;
    }
  }
}

TEST(WebAddress, HostSettings) {
  struct Case {
    const char* setting;
    const char* host;
    uint16_t port;
  };
  const Case cases[] = {
      {"", "", 80},
      {"updates.example", "updates.example", 80},
      {" updates.example:8081 ", "updates.example", 8081},
      {"updates.example:abc", "", 80},  // unusable: nothing is sent
  };
  for (const Case& c : cases) {
    const HostSetting h = ParseHostSetting(c.setting);
    EXPECT_EQ(h.host, c.host) << c.setting;
    if (!h.host.empty()) {
      EXPECT_EQ(h.port, c.port) << c.setting;
    }
  }
}

}  // namespace
}  // namespace spinwave
