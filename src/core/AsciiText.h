// Text helpers shared by every subsystem. Text is UTF-8 (8-bit); comparisons called
// case-insensitive fold only the ASCII letters a-z/A-Z and compare all other bytes by their
// unsigned value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// <0, 0, >0 like strcmp, ASCII letters folded to upper case.
int CompareNoCase(std::string_view a, std::string_view b);
// Compares at most the first n bytes of each text.
int CompareNoCaseN(std::string_view a, std::string_view b, size_t n);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// Position of needle in hay (ASCII case folded), or npos. An empty needle is found at 0.
size_t FindNoCase(std::string_view hay, std::string_view needle);
std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);

// The leading integer of a text: leading white space skipped, an optional '+' or '-', then
// decimal digits up to the first non-digit. No digits gives 0. Values beyond 64 bits saturate.
int64_t LeadingInteger(std::string_view s);
// Same, clamped to the 32-bit range.
int32_t LeadingInt32(std::string_view s);
// True when the whole text (after optional white space and sign) is a decimal integer.
bool ParseStrictInteger(std::string_view s, int64_t& out);

// Splits a file's text into lines: CR, LF and CR LF each end a line; a final line end adds no
// empty line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace spinwave
