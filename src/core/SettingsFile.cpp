#include "core/SettingsFile.h"

#include <string_view>
#include <vector>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace {

using spinwave::EqualsNoCase;

// One line of the file with its own line end ("\r\n", "\n", "\r" or "" for a last line without).
struct IniLine {
  std::string text;
  std::string end;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<IniLine> SplitKeepingEnds(const std::string& data) {
  std::vector<IniLine> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t pos = data.find_first_of("\r\n", start);
    if (pos == std::string::npos) {
      lines.push_back({data.substr(start), ""});
      break;
    }
    size_t endLength = (data[pos] == '\r' && pos + 1 < data.size() && data[pos + 1] == '\n') ? 2 : 1;
    lines.push_back({data.substr(start, pos - start), data.substr(pos, endLength)});
    start = pos + endLength;
  }
  return lines;
}

// The line's content for parsing: a UTF-8 byte-order mark on the first line is not content.
std::string_view Content(const std::vector<IniLine>& lines, size_t i) {
  std::string_view s = lines[i].text;
  if (i == 0 && s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  return s;
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

// True for a "[name]" line; `name` gets the trimmed text between the brackets.
bool SectionName(std::string_view line, std::string_view& name) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

// True for a "key=value" line; `key` gets the trimmed text before the first '='.
bool KeyName(std::string_view line, std::string_view& key) {
  std::string_view t = Trim(line);
  if (t.empty() || IsComment(t) || t.front() == '[') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  return !key.empty();
}

// Where a section and a key lie in the file.
struct Location {
  long section = -1;      // line of the first matching "[section]"
  long key = -1;          // line of the first matching key inside it
  long lastEntry = -1;    // last key line of that section (insertion point for a new key)
};

Location Find(const std::vector<IniLine>& lines, std::string_view section, std::string_view key) {
  Location loc;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view content = Content(lines, i);
    std::string_view name;
    if (SectionName(content, name)) {
      if (inside) break;  // the matching section ended
      if (EqualsNoCase(name, section)) {
        inside = true;
        loc.section = long(i);
      }
      continue;
    }
    if (!inside) continue;
    std::string_view k;
    if (KeyName(content, k)) {
      loc.lastEntry = long(i);
      if (loc.key < 0 && EqualsNoCase(k, key)) loc.key = long(i);
    }
  }
  return loc;
}

// Cuts a text to at most `limit` bytes without splitting a UTF-8 sequence.
std::string Limit(std::string_view s, size_t limit) {
  if (s.size() <= limit) return std::string(s);
  size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return std::string(s.substr(0, n));
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool ValidSection(std::string_view s) {
  return !Trim(s).empty() && !HasLineBreak(s) && s.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view s) {
  std::string_view t = Trim(s);
  return !t.empty() && !HasLineBreak(s) && s.find('=') == std::string_view::npos &&
         t.front() != ';' && t.front() != '#' && t.front() != '[';
}

}  // namespace

TSettingsFile::TSettingsFile(std::string fileName) : FileName(std::move(fileName)) {}

std::string TSettingsFile::FilePath() const {
  if (FileName.empty()) return {};
  if (FileName.front() == '/') return FileName;
  return spinwave::ConfigFolder() + FileName;
}

std::string TSettingsFile::ReadString(const std::string& section, const std::string& key,
                                      const std::string& defaultText) const {
  std::string path = FilePath();
  std::string data;
  if (path.empty() || section.empty() || key.empty() || !spinwave::ReadWholeFile(path, data))
    return Limit(defaultText, MaxValueLength);
  std::vector<IniLine> lines = SplitKeepingEnds(data);
  Location loc = Find(lines, Trim(section), Trim(key));
  if (loc.key < 0) return Limit(defaultText, MaxValueLength);
  std::string_view content = Content(lines, size_t(loc.key));
  std::string_view value = Trim(content.substr(content.find('=') + 1));
  return Limit(value, MaxValueLength);
}

int TSettingsFile::ReadInteger(const std::string& section, const std::string& key,
                               int defaultValue) const {
  return spinwave::LeadingInt32(ReadString(section, key, std::to_string(defaultValue)));
}

bool TSettingsFile::ReadBool(const std::string& section, const std::string& key,
                             bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

namespace {

// One write into the lines of a file: the key's value replaced in place, or the key added at the
// end of its section, or the section and the key added at the end of the file.
void ApplyWrite(std::vector<IniLine>& lines, const std::string& section, const std::string& key,
                const std::string& text) {
  std::string value = text;
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';

  std::string newline = "\n";
  for (const IniLine& line : lines)
    if (!line.end.empty()) {
      newline = line.end;
      break;
    }
  std::string sectionText(Trim(section));
  std::string keyText(Trim(key));

  Location loc = Find(lines, sectionText, keyText);
  if (loc.key >= 0) {
    // Keep everything up to the '=' and the blanks after it; replace only the value.
    std::string& line = lines[size_t(loc.key)].text;
    size_t eq = line.find('=');
    size_t valueStart = eq + 1;
    while (valueStart < line.size() && IsBlank(line[valueStart])) ++valueStart;
    line = line.substr(0, valueStart) + value;
  } else {
    // A line without an end that is followed by new lines gets one.
    auto closeLast = [&] {
      if (!lines.empty() && lines.back().end.empty()) lines.back().end = newline;
    };
    IniLine entry{keyText + "=" + value, newline};
    if (loc.section >= 0) {
      size_t at = size_t(loc.lastEntry >= 0 ? loc.lastEntry : loc.section);
      if (lines[at].end.empty()) lines[at].end = newline;
      lines.insert(lines.begin() + long(at) + 1, entry);
    } else {
      closeLast();
      if (!lines.empty() && !Trim(Content(lines, lines.size() - 1)).empty())
        lines.push_back({"", newline});
      lines.push_back({"[" + sectionText + "]", newline});
      lines.push_back(entry);
    }
  }
}

std::string JoinLines(const std::vector<IniLine>& lines) {
  std::string out;
  for (const IniLine& line : lines) {
    out += line.text;
    out += line.end;
  }
  return out;
}

}  // namespace

bool TSettingsFile::WriteString(const std::string& section, const std::string& key,
                                const std::string& text) {
  return WriteStrings({{section, key, text}});
}

bool TSettingsFile::WriteStrings(const std::vector<TSettingsWrite>& writes) {
  std::string path = FilePath();
  if (path.empty()) return false;
  std::string data;
  if (spinwave::FileExists(path) && !spinwave::ReadWholeFile(path, data)) return false;
  std::vector<IniLine> lines = SplitKeepingEnds(data);
  bool all = true;
  bool any = false;
  for (const TSettingsWrite& w : writes) {
    if (!ValidSection(w.section) || !ValidKey(w.key)) {
      all = false;
      continue;
    }
    ApplyWrite(lines, w.section, w.key, w.text);
    any = true;
  }
  if (!any) return false;
  return spinwave::WriteFileAtomically(path, JoinLines(lines)) && all;
}

bool TSettingsFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool TSettingsFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteInteger(section, key, value ? 1 : 0);
}

TStartupSettings TSettingsFile::LoadAll() {
  TStartupSettings s;
  s.Top = ReadInteger("Window", "Top", 0);
  s.Left = ReadInteger("Window", "Left", 0);
  s.Width = ReadInteger("Window", "Width", 640);
  s.Height = ReadInteger("Window", "Height", 440);

  CentralOutput = ReadBool("Players", "CentralOutput", true);
  s.VolumeL = ReadInteger("Players", "VolumeL", 255);
  s.VolumeR = ReadInteger("Players", "VolumeR", 255);

  s.OutputPlayer1 = ReadInteger("Players", "OutputPlayer1", 1);
  s.BufferSizeMs = ReadInteger("Players", "Buffersize", 0) * 50;
  s.ExactTime = ReadBool("Players", "ExactTime", false);
  s.CalculateTime = ReadBool("Players", "CalculateTime", false);
  s.HWAudio = ReadBool("Players", "HWAudio", false);
  s.DriverPlayer1 = ReadInteger("Players", "DriverPlayer1", 0);
  s.Player1Stereo = ReadInteger("Players", "Player1Stereo", 1);
  if (!CentralOutput) {
    s.DriverPlayer2 = ReadInteger("Players", "DriverPlayer2", 0);
    s.Player2Stereo = ReadInteger("Players", "Player2Stereo", 1);
    s.DriverJingles = ReadInteger("Players", "DriverJingles", 0);
    s.JinglesStereo = ReadInteger("Players", "JinglesStereo", 1);
  }
  s.DriverDataPlayer = ReadInteger("Players", "DriverDataPlayer", 0);
  s.DataPlayerStereo = ReadInteger("Players", "DataPlayerStereo", 1);

  s.DragPlayers = ReadBool("Players", "DragPlayers", false);
  s.PanelFloat = ReadBool("PlayerPanel", "Float", false);
  s.PanelTop = ReadInteger("PlayerPanel", "Top", 0);
  s.PanelLeft = ReadInteger("PlayerPanel", "Left", 0);

  s.AutomixSec = ReadInteger("General", "AutomixSec", 4);
  s.FullScrMode = ReadBool("General", "FullScrMode", false);
  s.Minimizeable = ReadBool("General", "Minimizeable", true);
  s.WinSizeable = ReadBool("General", "WinSizeable", true);
  s.StartMix = ReadBool("General", "StartMix", false);
  s.StartXFader = ReadBool("General", "StartXFader", false);
  s.ShowBrowser = ReadBool("General", "ShowBrowser", true);

  JingleEnabled = ReadBool("Players", "JingleEnabled", false);
  DSPActive = ReadBool("DSP", "DSPActive", false);
  DSPLock = ReadBool("DSP", "DSPLock", false);
  Shoutcast = ReadBool("DSP", "Shoutcast", false);
  ShoutcastLock = ReadBool("DSP", "ShoutcastLock", false);
  SAM2 = ReadBool("DSP", "SAM2", false);
  return s;
}
