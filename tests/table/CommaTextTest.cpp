#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "table/CommaText.h"

using spinwave::ReadCommaText;
using spinwave::WriteCommaText;
using Fields = std::vector<std::string>;

TEST(CommaText, ReadsFieldsAsTheLineLaysThemOut) {
  struct Case {
    std::string line;
    Fields fields;
  };
  const Case cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"a,,c", {"a", "", "c"}},                       // two commas: an empty field
      {",a", {"", "a"}},
      {"a,", {"a"}},                                  // a final comma adds nothing
      {",", {""}},
      {"", {}},
      {"\"\"", {""}},
      {"  a ,\t b  ", {"a", "b"}},                    // blanks around fields are skipped
      {"a b", {"a", "b"}},                            // an unquoted space splits the value
      {"\"x, y\",z", {"x, y", "z"}},
      {"\"say \"\"hi\"\"\",2", {"say \"hi\"", "2"}},  // doubled quote inside quotes
      {"\"unclosed, to the end", {"unclosed, to the end"}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},              // text after a closing quote starts a field
      {"a\"b,c", {"a\"b", "c"}},                      // a quote inside an unquoted field is kept
      {std::string("a,b\0c,d", 7), {"a", "b"}},       // NUL ends the line
      {"\xc3\xa9t\xc3\xa9,\xff", {"\xc3\xa9t\xc3\xa9", "\xff"}},  // high bytes are ordinary
      {"-1,30,150", {"-1", "30", "150"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCommaText(c.line), c.fields) << "line: " << c.line;
}

TEST(CommaText, WritesQuotesOnlyWhereNeeded) {
  struct Case {
    Fields fields;
    std::string line;
  };
  const Case cases[] = {
      {{"a", "b"}, "a,b"},
      {{}, ""},
      {{""}, "\"\""},                                  // exactly one empty field
      {{"", ""}, ","},
      {{"a", "", "c"}, "a,,c"},
      {{"/music/My Song.mp3"}, "\"/music/My Song.mp3\""},
      {{"12\" single"}, "\"12\"\" single\""},
      {{"a,b"}, "\"a,b\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"\x01"}, "\"\x01\""},
      {{"caf\xc3\xa9", "x"}, "caf\xc3\xa9,x"},
  };
  for (const Case& c : cases) EXPECT_EQ(WriteCommaText(c.fields), c.line);
}

TEST(CommaText, WrittenFieldsReadBackUnchanged) {
  const Fields lists[] = {
      {"/music/Artist's \"Best\" - 01.mp3", "Artist", "", "", "1999", "a, b, c"},
      {"", "leading empty"},
      {" spaced ", "\t", "\"", "\"\"", ",", ",,"},
      {""},
      {"x"},
  };
  for (const Fields& fields : lists) EXPECT_EQ(ReadCommaText(WriteCommaText(fields)), fields);
}
