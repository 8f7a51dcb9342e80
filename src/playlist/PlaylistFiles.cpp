#include "playlist/PlaylistFiles.h"

#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "table/CommaText.h"

namespace spinwave {

namespace {

constexpr const char* kColumnNames[9] = {"",     "Artist", "Title", "File",  "Time",
                                         "Gain", "Intro",  "Outro", "Segue"};
constexpr int kColumnWidths[9] = {30, 120, 120, -1, 50, -1, 50, 50, -1};
constexpr int kProgressEvery = 100;
constexpr size_t kMessageNames = 10;  // entries named in one message; the rest are counted

void NameColumns(TEMDB& table) {
  if (table.ColCount() != 9) table.SetColCount(9);  // extra columns of another program go
  for (int c = 1; c < 9; ++c) table.SetItem(c, -1, kColumnNames[c]);
}

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    if (c < 0x80) extra = 0;
    else if ((c >> 5) == 0x6) extra = 1;
    else if ((c >> 4) == 0xE) extra = 2;
    else if ((c >> 3) == 0x1E) extra = 3;
    else return false;
    if (i + extra >= s.size() && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    i += 1 + extra;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const char* ReasonText(TrackError error) { return TrackErrorText(error); }

void FillTrackRow(TEMDB& table, int row, const std::string& path, const TrackInfo& info,
                  int segueMs) {
  table.SetItem(0, row, "");
  table.SetItem(3, row, path);
  SetTrackCells(table, row, info);
  table.SetItem(8, row, std::to_string(segueMs));
}

// A stored segue outside 0 .. the track's length (a negative value, or one beyond any length,
// from another program or an edited file) is brought into it: a negative segue would put the
// start point after the track's end and stop automix at that track, and a huge one would turn
// the broadcast start times of every later row into nonsense. Without a known length only the
// lower end and the range of an int apply.
void ClampSegues(TEMDB& table) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  for (int r = 0; r < table.RowCount(); ++r) {
    const std::string_view cell = table.TableCell(8, r);
    if (cell.empty()) continue;
    const int64_t time = LeadingInteger(table.TableCell(4, r));
    const int64_t high = time > 0 ? std::min(time, kMax) : kMax;
    const int64_t segue = LeadingInteger(cell);
    const int64_t clamped = std::clamp<int64_t>(segue, 0, high);
    if (clamped != segue) table.SetTableCell(8, r, std::to_string(clamped));
  }
}

// Where a deferred entry stands until its file is read: only its name is known.
TrackInfo Placeholder(const std::string& path) {
  TrackInfo info;
  info.artist = FileNameOf(path);
  return info;
}

// The entry's file when it is there (a name that is not UTF-8 is also tried as Latin-1), else
// why not.
bool LookUp(std::string& file, const std::string& line, const std::string& folder,
            TrackError& error) {
  auto present = [&error](const std::string& f) {
    if (FileExists(f)) return true;
    error = DirectoryExists(f) ? TrackError::Folder : TrackError::Missing;
    return false;
  };
  if (present(file)) return true;
  if (error != TrackError::Missing || ValidUtf8(file)) return false;
  const std::string converted = ResolveM3UEntry(Latin1ToUtf8(line), folder);
  if (!FileExists(converted)) return false;
  file = converted;
  return true;
}

void ReadM3U(const std::vector<std::string>& lines, const std::string& path, TEMDB& out,
             TrackReader& reader, int segueMs, const std::function<void(int, int)>& progress,
             bool deferTracks, PlaylistReadResult& result) {
  const std::string folder = FolderOf(path);
  const int total = static_cast<int>(lines.size());
  out.SetRowCount(total);  // at most one row per line; trimmed at the end
  int r = 0;
  for (int i = 0; i < total; ++i) {
    if (progress && i % kProgressEvery == 0 && i > 0) progress(i, total);
    const std::string& line = lines[static_cast<size_t>(i)];
    if (line.empty() || line[0] == '#') continue;
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    // A NUL byte cannot be part of a file name: the system would see the name cut short at
    // it and open another file than the entry names.
    if (line.find('\0') != std::string::npos) {
      result.skipped.emplace_back(line.substr(0, line.find('\0')), "is not a valid file name");
      continue;
    }
    std::string file = ResolveM3UEntry(line, folder);
    if (deferTracks) {
      TrackError error = TrackError::None;
      if (!LookUp(file, line, folder, error)) {
        result.skipped.emplace_back(file, ReasonText(error));
        continue;
      }
      FillTrackRow(out, r, file, Placeholder(file), segueMs);
      result.deferred.push_back(file);
      ++r;
      result.loaded = true;
      continue;
    }
    TrackInfo info;
    TrackError error = TrackError::None;
    bool ok = reader.Read(file, info, &error);
    if (!ok && error == TrackError::Missing && !ValidUtf8(file)) {
      const std::string converted = ResolveM3UEntry(Latin1ToUtf8(line), folder);
      TrackError second = TrackError::None;
      if (reader.Read(converted, info, &second)) {
        file = converted;
        ok = true;
      }
    }
    if (!ok) {
      result.skipped.emplace_back(file, ReasonText(error));
      continue;
    }
    FillTrackRow(out, r, file, info, segueMs);
    ++r;
    result.loaded = true;
  }
  out.SetRowCount(r);
}

void ReadNpl(const std::vector<std::string>& lines, TEMDB& out, int segueMs,
             PlaylistReadResult& result) {
  // Pairs of lines after the title: the fields as comma text, then the file. A last track
  // without its path line is dropped rather than read past the end.
  const size_t pairs = (lines.size() - 1) / 2;
  out.SetRowCount(static_cast<int>(pairs));
  int r = 0;
  std::vector<std::string> fields;
  for (size_t p = 0; p < pairs; ++p) {
    const std::string& fieldLine = lines[1 + 2 * p];
    const std::string& file = lines[2 + 2 * p];
    if (file.find('\0') != std::string::npos) {
      result.skipped.emplace_back(file.substr(0, file.find('\0')), "is not a valid file name");
      continue;
    }
    if (!FileExists(file)) {
      result.skipped.emplace_back(file, DirectoryExists(file) ? "is a folder" : "doesn't exist");
      continue;
    }
    ReadCommaText(fieldLine, fields);
    static constexpr int kTargets[7] = {1, 2, 4, 5, 6, 7, 8};
    for (size_t f = 0; f < fields.size() && f < 7; ++f) out.SetItem(kTargets[f], r, fields[f]);
    out.SetItem(3, r, file);
    if (out.GetItem(8, r).empty()) out.SetItem(8, r, std::to_string(segueMs));
    result.loaded = true;
    ++r;
  }
  out.SetRowCount(r);
  ClampSegues(out);
}

}  // namespace

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ToLowerAscii(path.substr(dot));
}

PlaylistFormat FormatOf(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext == ".npl2") return PlaylistFormat::Npl2;
  if (ext == ".npl") return PlaylistFormat::Npl;
  if (ext == ".m3u") return PlaylistFormat::M3U;
  return PlaylistFormat::Other;
}

bool IsPlaylistFile(const std::string& path) { return FormatOf(path) != PlaylistFormat::Other; }

bool IsAudioFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  return ext == ".mp3" || ext == ".wav" || ext == ".ogg";
}

void SetPlaylistColumns(TEMDB& table) {
  table.SetColCount(9);
  for (int c = 0; c < 9; ++c) {
    table.SetItem(c, -1, kColumnNames[c]);
    table.SetColWidth(c, kColumnWidths[c]);
  }
  table.Title = kPlaylistTitle;
}

std::string ResolveM3UEntry(std::string_view entry, const std::string& folder) {
  std::string e(entry);
  if (StartsWithNoCase(e, "file://")) {
    const QUrl url(QString::fromUtf8(e.data(), static_cast<int>(e.size())));
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  }
  if (!e.empty() && e[0] == '/') return e;
  if (e.size() >= 3 && e[1] == ':' && e[2] == '\\') return e;  // "C:\music\a.mp3"
  if (e.size() >= 2 && e[0] == '\\' && e[1] == '\\') return e;  // "\\server\share\a.mp3"
  for (char& c : e)
    if (c == '\\') c = '/';
  return folder + e;
}

void SetTrackCells(TEMDB& table, int row, const TrackInfo& info) {
  table.SetTableCell(1, row, info.artist);
  table.SetTableCell(2, row, info.title);
  table.SetTableCell(4, row, std::to_string(info.timeMs));
  table.SetTableCell(5, row, info.gain);
  table.SetTableCell(6, row, info.intro);
  table.SetTableCell(7, row, info.outro);
}

const char* TrackErrorText(TrackError error) {
  switch (error) {
    case TrackError::Missing: return "doesn't exist";
    case TrackError::Folder: return "is a folder";
    case TrackError::CannotOpen: return "is not an audio file that can be played";
    case TrackError::None: break;
  }
  return "can't be read";
}

PlaylistReadResult ReadPlaylist(const std::string& path, TEMDB& out, TrackReader& reader,
                                int defaultSegueMs, const std::function<void(int, int)>& progress,
                                bool deferTracks) {
  std::string text;
  std::string error;
  if (!ReadWholeFile(path, text, &error)) {
    PlaylistReadResult result;
    result.readable = false;
    result.error = error;
    return result;
  }
  return ReadPlaylistText(text, path, out, reader, defaultSegueMs, progress, deferTracks);
}

PlaylistReadResult ReadPlaylistText(std::string_view text, const std::string& path, TEMDB& out,
                                    TrackReader& reader, int defaultSegueMs,
                                    const std::function<void(int, int)>& progress,
                                    bool deferTracks) {
  PlaylistReadResult result;
  const PlaylistFormat format = FormatOf(path);
  if (format == PlaylistFormat::Npl2) {
    TEMDB table;
    table.Title = kPlaylistTitle;
    std::string error;
    if (!table.LoadFromText(text, path, &error)) {
      result.readable = false;
      result.error = error;
      return result;
    }
    result.loaded = true;  // the deck rows are released even when the title did not match
    if (table.ColCount() == 0) {
      result.error = "it is not a Spinwave v2 playlist";
      return result;
    }
    // A file of another program may have fewer columns: the playlist always has its nine.
    NameColumns(table);
    table.NormalizeTimes(8);
    ClampSegues(table);
    for (int r = 0; r < table.RowCount(); ++r) table.SetTableCell(0, r, "");
    table.Title = kPlaylistTitle;
    result.rows = table.RowCount();
    out = std::move(table);
    result.replaced = true;
    return result;
  }

  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.remove_prefix(3);
  const std::vector<std::string> lines = SplitLines(text);
  TEMDB table;
  SetPlaylistColumns(table);
  if (lines.size() >= 2) {
    if (lines[0] == "#EXTM3U" || format == PlaylistFormat::M3U) {
      ReadM3U(lines, path, table, reader, defaultSegueMs, progress, deferTracks, result);
    } else if (lines[0] == "Spinwave Playlist") {
      ReadNpl(lines, table, defaultSegueMs, result);
    } else {
      result.error = "it is not a Spinwave playlist";
    }
  }
  result.rows = table.RowCount();
  NameColumns(table);
  out = std::move(table);
  result.replaced = true;
  return result;
}

std::string M3UText(const TEMDB& table) {
  std::string text = "#EXTM3U\r\n";
  for (int r = 0; r < table.RowCount(); ++r) {
    text += "#EXTINF:";
    text += std::to_string(LeadingInteger(table.TableCell(4, r)) / 1000);
    text += ',';
    text += table.TableCell(1, r);
    text += " - ";
    text += table.TableCell(2, r);
    text += "\r\n";
    text += table.TableCell(3, r);
    text += "\r\n";
  }
  return text;
}

bool WritePlaylist(const TEMDB& table, const std::string& path, std::string* error) {
  if (FormatOf(path) == PlaylistFormat::M3U) return WriteFileAtomically(path, M3UText(table), error);
  return WriteFileAtomically(path, table.SaveToText(), error);
}

std::string SavePlaylistName(const std::string& chosen, bool m3uFilter) {
  const std::string ext = LowerExtension(chosen);
  if (ext == ".m3u" || ext == ".npl2") return chosen;
  return chosen + (m3uFilter ? ".m3u" : ".npl2");
}

std::string DescribeReadProblems(const std::string& path, const PlaylistReadResult& result) {
  if (!result.readable) return "The playlist \"" + path + "\" could not be read: " + result.error;
  std::string text;
  if (!result.error.empty())
    text = "\"" + path + "\" was not loaded: " + result.error + ".";
  if (!result.skipped.empty()) {
    if (!text.empty()) text += "\n\n";
    const size_t n = result.skipped.size();
    text += std::to_string(n) + (n == 1 ? " entry" : " entries") + " of \"" + path +
            "\" could not be loaded:\n";
    for (size_t i = 0; i < n && i < kMessageNames; ++i)
      text += "\n\"" + result.skipped[i].first + "\" " + result.skipped[i].second;
    if (n > kMessageNames) text += "\n... and " + std::to_string(n - kMessageNames) + " more.";
  }
  return text;
}

}  // namespace spinwave
