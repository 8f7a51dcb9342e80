#include "core/AsciiText.h"

#include <limits>

namespace spinwave {

int CompareNoCaseN(std::string_view a, std::string_view b, size_t n) {
  const size_t la = a.size() < n ? a.size() : n;
  const size_t lb = b.size() < n ? b.size() : n;
  const size_t m = la < lb ? la : lb;
  for (size_t i = 0; i < m; ++i) {
    const unsigned char ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    const unsigned char cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (la == lb) return 0;
  return la < lb ? -1 : 1;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  return CompareNoCaseN(a, b, std::numeric_limits<size_t>::max());
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         CompareNoCase(text.substr(text.size() - suffix.size()), suffix) == 0;
}

size_t FindNoCase(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > hay.size()) return std::string_view::npos;
  const char first = AsciiUpper(needle[0]);
  for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    if (AsciiUpper(hay[i]) != first) continue;
    size_t k = 1;
    while (k < needle.size() && AsciiUpper(hay[i + k]) == AsciiUpper(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string ToUpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string ToLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int64_t LeadingInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that INT64_MIN is reachable; saturate on overflow.
  int64_t v = 0;
  const int64_t min = std::numeric_limits<int64_t>::min();
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    const int d = s[i] - '0';
    if (v < (min + d) / 10) {
      v = min;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
      break;
    }
    v = v * 10 - d;
  }
  if (negative) return v;
  return v == min ? std::numeric_limits<int64_t>::max() : -v;
}

int32_t LeadingInt32(std::string_view s) {
  const int64_t v = LeadingInteger(s);
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

bool ParseStrictInteger(std::string_view s, int64_t& out) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  s = s.substr(b, e - b);
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size()) return false;
  for (size_t k = i; k < s.size(); ++k)
    if (s[k] < '0' || s[k] > '9') return false;
  if (s.size() - i > 18) return false;  // out of range for what we store
  out = LeadingInteger(s);
  return true;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace spinwave
