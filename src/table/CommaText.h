// Comma text: one line holding a list of fields, as used by every line of a table file.
//
// Writing: fields are joined with ",". A field holding a byte 0x01-0x20 (space and control
// characters), a double quote or a comma is written between double quotes with each inner
// double quote doubled; any other field, the empty one included, is written unchanged. A list
// of exactly one empty field is written as two double quotes.
//
// Reading: bytes 0x01-0x20 before a field are skipped. A field that begins with a double quote
// runs to the matching closing quote (a doubled quote inside stands for one quote; no closing
// quote: to the end). Any other field runs up to the next byte 0x00-0x20 or comma. After a field
// bytes 0x01-0x20 are skipped; a comma is then passed over together with the bytes 0x01-0x20
// after it. So two commas in a row give an empty field, a comma at the end of the line gives no
// further field and an unquoted value with a space in it reads as two fields. A NUL byte ends
// the line, as it would in a C string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

std::vector<std::string> ReadCommaText(std::string_view line);
// Same into `fields`, reusing its strings (fast path for many lines).
void ReadCommaText(std::string_view line, std::vector<std::string>& fields);

std::string WriteCommaText(const std::vector<std::string>& fields);

// Builds a comma text field by field into `out` (appends; nothing else is touched).
class CommaTextWriter {
 public:
  explicit CommaTextWriter(std::string& out) : out_(out), start_(out.size()) {}
  void Add(std::string_view field);
  // Must be called once after the last field (writes "" for a single empty field).
  void Finish();

 private:
  std::string& out_;
  size_t start_;
  int count_ = 0;
  bool lastEmpty_ = false;
};

}  // namespace spinwave
