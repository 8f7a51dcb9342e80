#include <gtest/gtest.h>

#include "core/AsciiText.h"

using namespace spinwave;

TEST(AsciiText, LeadingIntegerTable) {
  struct Case { const char* text; int64_t value; };
  const Case cases[] = {
      {"42", 42},   {"  -17abc", -17}, {"+8", 8},     {"abc", 0},  {"", 0},
      {"-", 0},     {"12.5", 12},      {"\t 7 8", 7}, {"-0", 0},
      {"99999999999999999999999", INT64_MAX}, {"-99999999999999999999999", INT64_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
  EXPECT_EQ(LeadingInt32("99999999999"), INT32_MAX);
}

TEST(AsciiText, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsNoCase("Rock", "rOCK"));
  EXPECT_FALSE(EqualsNoCase("\xc3\xa9", "\xc3\x89"));  // é and É are different bytes
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareNoCase("ab", "abc"), 0);
  EXPECT_EQ(CompareNoCaseN("abcX", "ABCy", 3), 0);
  // Bytes above 0x7F compare as unsigned, after the letters.
  EXPECT_GT(CompareNoCase("\xc3", "z"), 0);
  EXPECT_EQ(FindNoCase("/Music/Rock/x.MP3", "rock"), 7u);
  EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);
  EXPECT_TRUE(EndsWithNoCase("song.MP3", ".mp3"));
}

TEST(AsciiText, SplitLinesAcceptsEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(SplitLines("").empty());
}
