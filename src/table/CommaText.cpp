#include "table/CommaText.h"

namespace spinwave {

namespace {

inline bool IsBlank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x01 && u <= 0x20;
}

inline bool EndsUnquoted(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u <= 0x20 || c == ',';
}

bool NeedsQuotes(std::string_view field) {
  for (char c : field)
    if (IsBlank(c) || c == '"' || c == ',') return true;
  return false;
}

}  // namespace

void ReadCommaText(std::string_view line, std::vector<std::string>& fields) {
  // A NUL byte ends the line.
  const size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);

  size_t count = 0;
  auto next = [&]() -> std::string& {
    if (count == fields.size()) fields.emplace_back();
    std::string& f = fields[count++];
    f.clear();
    return f;
  };

  const size_t n = line.size();
  size_t i = 0;
  while (i < n && IsBlank(line[i])) ++i;
  while (i < n) {
    std::string& field = next();
    if (line[i] == '"') {
      ++i;
      while (i < n) {
        const char c = line[i];
        if (c == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            field.push_back('"');
            i += 2;
            continue;
          }
          ++i;  // closing quote
          break;
        }
        // Copy a run of ordinary bytes in one go.
        size_t j = i;
        while (j < n && line[j] != '"') ++j;
        field.append(line.data() + i, j - i);
        i = j;
      }
    } else {
      size_t j = i;
      while (j < n && !EndsUnquoted(line[j])) ++j;
      field.assign(line.data() + i, j - i);
      i = j;
    }
    while (i < n && IsBlank(line[i])) ++i;
    if (i < n && line[i] == ',') {
      ++i;
      while (i < n && IsBlank(line[i])) ++i;
    }
  }
  fields.resize(count);
}

std::vector<std::string> ReadCommaText(std::string_view line) {
  std::vector<std::string> fields;
  ReadCommaText(line, fields);
  return fields;
}

void CommaTextWriter::Add(std::string_view field) {
  if (count_ > 0) out_.push_back(',');
  ++count_;
  lastEmpty_ = field.empty();
  if (!NeedsQuotes(field)) {
    out_.append(field);
    return;
  }
  out_.push_back('"');
  for (char c : field) {
    if (c == '"') out_.push_back('"');
    out_.push_back(c);
  }
  out_.push_back('"');
}

void CommaTextWriter::Finish() {
  if (count_ == 1 && lastEmpty_) {
    out_.resize(start_);
    out_.append("\"\"");
  }
}

std::string WriteCommaText(const std::vector<std::string>& fields) {
  std::string out;
  CommaTextWriter w(out);
  for (const std::string& f : fields) w.Add(f);
  w.Finish();
  return out;
}

}  // namespace spinwave
