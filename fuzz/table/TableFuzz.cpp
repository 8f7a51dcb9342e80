// Feeds arbitrary bytes to the table file reader and to the comma text reader, and checks that
// what is written reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/Messages.h"
#include "table/CommaText.h"
#include "table/TEMDB.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A comma text read back from its writing gives the same fields, except that trailing empty
// fields of a list of two or more fields are not kept.
void CommaRoundTrip(std::string_view line) {
  std::vector<std::string> fields = spinwave::ReadCommaText(line);
  // Fields cannot hold a NUL byte: it ends a line.
  for (const std::string& f : fields) Check(f.find('\0') == std::string::npos);
  const std::string written = spinwave::WriteCommaText(fields);
  std::vector<std::string> again = spinwave::ReadCommaText(written);
  if (fields.size() >= 2)
    while (fields.size() > 1 && fields.back().empty()) fields.pop_back();
  if (again.size() >= 2)
    while (again.size() > 1 && again.back().empty()) again.pop_back();
  Check(again == fields);
}

// A loaded table saved and loaded again holds the same cells.
void TableRoundTrip(std::string_view text) {
  spinwave::TEMDB t;
  t.Title = "T";
  std::string error;
  if (!t.LoadFromText(text, "fuzz.db", &error)) {
    Check(!error.empty());
    return;
  }
  // Exercise the operations that walk every cell.
  t.Sort(1, false);
  t.Filter(-1, "a");
  t.ClearFilter();
  t.NormalizeTimes(0);
  const std::string saved = t.SaveToText();
  spinwave::TEMDB u;
  u.Title = "T";
  Check(u.LoadFromText(saved, "again.db", &error));
  Check(u.ColCount() == t.ColCount());
  Check(u.RowCount() == t.RowCount());
  for (int c = 0; c < t.ColCount(); ++c) {
    Check(u.GetColWidth(c) == t.GetColWidth(c));
    Check(u.GetColType(c) == t.GetColType(c));
    // Names and cells may have had line breaks turned into spaces; compare those as spaces.
    auto clean = [](std::string s) {
      for (char& ch : s)
        if (ch == '\r' || ch == '\n' || ch == '\0') ch = ' ';
      return s;
    };
    Check(u.GetItem(c, -1) == clean(t.GetItem(c, -1)));
    for (int r = 0; r < t.RowCount(); ++r) Check(u.GetItem(c, r) == clean(t.GetItem(c, r)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Messages (out of memory, empty rows) are not shown while fuzzing.
  spinwave::SetMessageHandler([](spinwave::MessageKind, const std::string&) { return true; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = text.find_first_of("\r\n");
  CommaRoundTrip(text.substr(0, lineEnd));
  TableRoundTrip(text);
  return 0;
}
