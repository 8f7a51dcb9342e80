// The table file format of TEMDB: loading, saving, and the in-place updates of one line.
//
// Line 0 widths, line 1 types, line 2 the title, line 3 column names, then one line per row
// (all comma text except the title). The older layout has no types line. Lines end with CR LF
// when written; CR, LF and CR LF are accepted when read.
#include <new>
#include <string>
#include <vector>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "table/CommaText.h"
#include "table/TEMDB.h"

namespace spinwave {

namespace {

constexpr std::string_view kCrLf = "\r\n";

struct Line {
  size_t begin;  // first byte
  size_t end;    // one past the last byte, before the line end
};

// Lines of a file: CR, LF and CR LF each end a line; a final line end adds no empty line.
std::vector<Line> SplitLineSpans(std::string_view text) {
  std::vector<Line> lines;
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back({start, i});
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.push_back({start, n});
  return lines;
}

std::string_view LineText(std::string_view text, const Line& line) {
  return text.substr(line.begin, line.end - line.begin);
}

// A field written to a file must not end the line early: line breaks and NUL bytes inside a
// cell (a comment tag may hold several lines) are written as spaces.
void AddFileField(CommaTextWriter& writer, std::string_view field) {
  if (field.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos) {
    writer.Add(field);
    return;
  }
  std::string clean(field);
  for (char& c : clean)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  writer.Add(clean);
}

void AppendRowLine(std::string& out, const TEMDB& table, int tableRow, bool firstFieldEmpty) {
  CommaTextWriter writer(out);
  for (int c = 0; c < table.ColCount(); ++c) {
    if (c == 0 && firstFieldEmpty)
      writer.Add({});
    else
      AddFileField(writer, table.TableCell(c, tableRow));
  }
  writer.Finish();
}

void AppendWidthsLine(std::string& out, const TEMDB& table) {
  CommaTextWriter writer(out);
  for (int c = 0; c < table.ColCount(); ++c) writer.Add(std::to_string(table.GetColWidth(c)));
  writer.Finish();
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// Reads one line of whole numbers (widths or types).
bool ReadNumbers(std::string_view line, const char* what, const std::string& path,
                 std::vector<int64_t>& out, std::string* error) {
  const std::vector<std::string> fields = ReadCommaText(line);
  out.clear();
  out.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    int64_t v = 0;
    if (!ParseStrictInteger(fields[i], v)) {
      SetError(error, path + ": the " + what + " of column " + std::to_string(i + 1) + " (\"" +
                          fields[i] + "\") is not a whole number");
      return false;
    }
    out.push_back(v);
  }
  return true;
}

// The first field of a line that begins with a double quote, with doubled quotes undone.
std::string QuotedFirstField(std::string_view line) {
  std::string field;
  for (size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        field.push_back('"');
        ++i;
        continue;
      }
      break;
    }
    field.push_back(line[i]);
  }
  return field;
}

bool TitleMatches(std::string_view text, const std::vector<Line>& lines, const std::string& title) {
  return (lines.size() > 1 && LineText(text, lines[1]) == title) ||
         (lines.size() > 2 && LineText(text, lines[2]) == title);
}

}  // namespace

bool TEMDB::LoadFromFile(const std::string& path, std::string* error) {
  std::string text;
  std::string reason;
  if (!ReadWholeFile(path, text, &reason)) {
    SetError(error, "Cannot read " + reason);
    return false;
  }
  return LoadFromText(text, path, error);
}

bool TEMDB::LoadFromText(std::string_view text, const std::string& path, std::string* error) {
  try {
    const std::vector<Line> lines = SplitLineSpans(text);
    auto tooShort = [&](size_t needed) {
      SetError(error, path + " is too short for a table file: it has " +
                          std::to_string(lines.size()) + " lines, at least " +
                          std::to_string(needed) + " are needed");
      return false;
    };
    if (lines.size() < 3) return tooShort(3);

    // The current layout has the title on line 2 and the column types on line 1.
    const bool withTypes = LineText(text, lines[2]) == Title;
    std::vector<int64_t> types;
    if (withTypes && !ReadNumbers(LineText(text, lines[1]), "type", path, types, error))
      return false;
    const size_t titleLine = withTypes ? 2 : 1;
    if (LineText(text, lines[titleLine]) != Title) {
      // Not a table of this kind: nothing is loaded.
      FileName = path;
      return true;
    }
    std::vector<int64_t> widths;
    if (!ReadNumbers(LineText(text, lines[0]), "width", path, widths, error)) return false;
    const size_t namesLine = titleLine + 1;
    if (lines.size() <= namesLine) return tooShort(namesLine + 1);
    const std::vector<std::string> names = ReadCommaText(LineText(text, lines[namesLine]));

    // Build the new rows aside, so that the table is unchanged should memory run out.
    const int cols = static_cast<int>(widths.size());
    const size_t firstRow = namesLine + 1;
    std::vector<TEMDBRow> rows(lines.size() - firstRow);
    std::vector<std::string> fields;
    for (size_t r = 0; r < rows.size(); ++r) {
      ReadCommaText(LineText(text, lines[firstRow + r]), fields);
      std::string& cells = rows[r].Cells;
      size_t bytes = 2 * static_cast<size_t>(cols);
      for (int c = 0; c < cols && c < static_cast<int>(fields.size()); ++c)
        bytes += fields[static_cast<size_t>(c)].size();
      cells.reserve(bytes);
      for (int c = 0; c < cols; ++c) {
        const std::string_view field =
            c < static_cast<int>(fields.size()) ? std::string_view(fields[static_cast<size_t>(c)])
                                                : std::string_view();
        const std::string_view clipped =
            field.size() > static_cast<size_t>(kMaxCellLength) ? field.substr(0, kMaxCellLength)
                                                                 : field;
        const char prefix[2] = {static_cast<char>(clipped.size() & 0xff),
                                static_cast<char>((clipped.size() >> 8) & 0xff)};
        cells.append(prefix, 2);
        cells.append(clipped);
      }
    }

    // Commit: nothing below allocates more than the column list.
    Filtered = false;
    filterIndex_.clear();
    rows_.clear();
    if (withTypes) {
      SetColCount(static_cast<int>(types.size()));
      for (size_t c = 0; c < types.size(); ++c)
        SetColType(static_cast<int>(c), static_cast<int>(types[c]));
    }
    SetColCount(cols);
    for (int c = 0; c < cols; ++c) SetColWidth(c, static_cast<int>(widths[static_cast<size_t>(c)]));
    for (int c = 0; c < cols && c < static_cast<int>(names.size()); ++c)
      SetItem(c, -1, names[static_cast<size_t>(c)]);
    rows_ = std::move(rows);
    FileName = path;
    return true;
  } catch (const std::bad_alloc&) {
    ShowMessage("Couldn't add more records to Database");
    SetError(error, path + ": not enough memory to load the table");
    return false;
  }
}

std::string TEMDB::SaveToText() const {
  std::string out;
  size_t estimate = 256;
  for (const TEMDBRow& row : rows_) estimate += row.Cells.size() + 8;
  out.reserve(estimate);

  AppendWidthsLine(out, *this);
  out.append(kCrLf);
  {
    CommaTextWriter writer(out);
    for (int c = 0; c < ColCount(); ++c) writer.Add(std::to_string(GetColType(c)));
    writer.Finish();
  }
  out.append(kCrLf);
  out.append(Title);
  out.append(kCrLf);
  {
    CommaTextWriter writer(out);
    for (const TEMDBColumn& column : columns_) AddFileField(writer, column.Name);
    writer.Finish();
  }
  out.append(kCrLf);
  // A playlist's first column (its marks) is not kept in its file.
  const bool playlist = Title == kPlaylistTitle;
  for (int t = 0; t < RowCount(); ++t) {
    AppendRowLine(out, *this, t, playlist);
    out.append(kCrLf);
  }
  return out;
}

bool TEMDB::SaveToFile(const std::string& path, std::string* error) {
  const std::string& target = path.empty() ? FileName : path;
  if (target.empty()) {
    SetError(error, "The table has no file name");
    return false;
  }
  try {
    return WriteFileAtomically(target, SaveToText(), error);
  } catch (const std::bad_alloc&) {
    SetError(error, target + ": not enough memory to write the table");
    return false;
  }
}

bool TEMDB::SaveColWidths(const std::string& path, std::string* error) {
  const std::string& target = path.empty() ? FileName : path;
  std::string text;
  std::string reason;
  if (target.empty() || !ReadWholeFile(target, text, &reason)) {
    SetError(error, target.empty() ? "The table has no file name" : "Cannot read " + reason);
    return false;
  }
  const std::vector<Line> lines = SplitLineSpans(text);
  if (!TitleMatches(text, lines, Title)) return true;
  std::string widths;
  AppendWidthsLine(widths, *this);
  text.replace(lines[0].begin, lines[0].end - lines[0].begin, widths);
  return WriteFileAtomically(target, text, error);
}

// The first field of a table file line as the reader sees it: a quoted field with its doubled
// quotes undone, else the bytes up to the next comma or control byte.
static std::string FirstFieldOfLine(std::string_view line) {
  size_t at = 0;
  while (at < line.size() && line[at] >= 0x01 && line[at] <= 0x20) ++at;
  line.remove_prefix(at);
  if (!line.empty() && line[0] == '"') return QuotedFirstField(line);
  size_t end = 0;
  while (end < line.size() && line[end] != ',' && static_cast<unsigned char>(line[end]) > 0x20)
    ++end;
  return std::string(line.substr(0, end));
}

bool TEMDB::UpdateRowInFile(const std::string& file, std::string* error) {
  std::string text;
  std::string reason;
  if (FileName.empty() || !ReadWholeFile(FileName, text, &reason)) {
    SetError(error, FileName.empty() ? "The table has no file name" : "Cannot read " + reason);
    return false;
  }
  const std::vector<Line> lines = SplitLineSpans(text);
  if (!TitleMatches(text, lines, Title)) return true;
  // The path must be the line's whole first field, letter case included: on Linux "/M/a.mp3"
  // and "/m/a.mp3" are two files, and "/m/a.mp3" is not "/m/a.mp3.old". A looser match wrote
  // one track's row over another file's line, and that file's row was lost at the next load.
  const Line* found = nullptr;
  for (size_t i = 3; i < lines.size() && !found; ++i)
    if (FirstFieldOfLine(LineText(text, lines[i])) == file) found = &lines[i];
  if (!found) return true;
  const int row = FileRow(file);
  if (row < 0) return true;
  std::string replacement;
  AppendRowLine(replacement, *this, row, false);
  text.replace(found->begin, found->end - found->begin, replacement);
  return WriteFileAtomically(FileName, text, error);
}

bool TEMDB::IncCounter(const std::string& file, int col, std::string* error) {
  // The same exact match as the file line: the count goes to this file's row and no other.
  const int row = FileRow(file);
  if (row < 0) {
    SetError(error, "No row holds " + file);
    return false;
  }
  const int64_t count = static_cast<int64_t>(LeadingInt32(TableCell(col, row))) + 1;
  SetTableCell(col, row, std::to_string(count));
  return UpdateRowInFile(file, error);
}

}  // namespace spinwave
