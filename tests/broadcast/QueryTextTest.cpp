#include "broadcast/QueryText.h"

#include <gtest/gtest.h>

namespace spinwave {
namespace {

TEST(QueryText, EncodesEverythingButLettersDigitsAndFiveMarks) {
  struct Case {
    std::string text;
    std::string sent;
  };
  const Case cases[] = {
      {"AC/DC - T.N.T.", "AC%2FDC%20-%20T.N.T."},
      {"AC/DC - Back in Black & Live", "AC%2FDC%20-%20Back%20in%20Black%20%26%20Live"},
      {"A & B", "A%20%26%20B"},
      // The 28 characters of the table, in its order.
      {" ~!#$%^&()+`={};'<>?|[]:\",/\\",
       "%20%7E%21%23%24%25%5E%26%28%29%2B%60%3D%7B%7D%3B%27%3C%3E%3F%7C%5B%5D%3A%22%2C%2F%5C"},
      {"azAZ09-_.*@", "azAZ09-_.*@"},
      // Bytes above 127 (UTF-8 "é", "ü") and control bytes are encoded too.
      {"Caf\xC3\xA9 M\xC3\xBCller", "Caf%C3%A9%20M%C3%BCller"},
      {"one\r\ntwo\t\x7F", "one%0D%0Atwo%09%7F"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeQueryText(c.text), c.sent) << c.text;
}

}  // namespace
}  // namespace spinwave
