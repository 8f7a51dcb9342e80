#include "options/OptionsStore.h"

#include <QtGlobal>

#include "core/AsciiText.h"
#include "core/SettingsFile.h"

namespace spinwave {

namespace {

constexpr OptionType B = OptionType::Bool;
constexpr OptionType I = OptionType::Int;
constexpr OptionType T = OptionType::Text;

// Driver numbers are positions in a device list; no list is that long, but a bound keeps a
// hand-edited value from reaching the sound library as a huge index.
constexpr int kMaxDriver = 999;
constexpr int kMaxKeyCode = 0xFFFF;  // 16-bit key codes

std::vector<OptionKey> BuildKeys() {
  std::vector<OptionKey> k = {
      // General
      {"General", "FullScrMode", B, "0"},
      {"General", "StartMaximized", B, "0"},
      {"General", "WinSizeable", B, "1"},
      {"General", "Minimizeable", B, "1"},
      {"General", "StartMix", B, "0"},
      {"General", "StartXFader", B, "0"},
      {"General", "ShowBrowser", B, "1"},
      {"General", "ShowMyComputer", B, "1"},
      {"General", "ShowNetwork", B, "1"},
      {"General", "ShowHints", B, "1"},
      {"General", "ShowHintsBar", B, "0"},
      {"General", "SafeClose", B, "0"},
      {"General", "UseWinColors", B, "0"},
      {"General", "Language", T, "English"},
      // Empty: the desktop's interface font.
      {"General", "Font", T, ""},
      {"General", "FontSize", I, "2", 0, 6},
      {"General", "PlayerLook", T, "<Default>"},
      {"General", "Priority", I, "1", 0, 3},
      // Security
      {"Security", "AllSecured", B, "0"},
      {"Security", "AdminClose", B, "0"},
      {"Security", "LockEject", B, "0"},
      {"Security", "LockStop", B, "0"},
      {"Security", "LockPlay", B, "0"},
      {"Security", "LockTrack", B, "0"},
      {"Security", "LockPos", B, "0"},
      {"Security", "LockCue", B, "0"},
      {"Security", "LockPitch", B, "0"},
      {"Security", "LockVolume", B, "0"},
      {"Security", "LockFade", B, "0"},
      {"Security", "LockTalk", B, "0"},
      {"Security", "LockBreak", B, "0"},
      {"Security", "LockAutomix", B, "0"},
      {"Security", "LockNew", B, "0"},
      {"Security", "LockOpen", B, "0"},
      {"Security", "LockSave", B, "0"},
      {"Security", "LockDrag", B, "0"},
      // Players
      {"Players", "OutputPlayer1", I, "1", 0, 2},
      {"Players", "DriverPlayer1", I, "0", 0, kMaxDriver},
      {"Players", "DriverPlayer2", I, "0", 0, kMaxDriver},
      {"Players", "DriverDataPlayer", I, "0", 0, kMaxDriver},
      {"Players", "DriverJingles", I, "0", 0, kMaxDriver},
      {"Players", "Player1Stereo", I, "1", 0, 2},
      {"Players", "Player2Stereo", I, "1", 0, 2},
      {"Players", "DataPlayerStereo", I, "1", 0, 2},
      {"Players", "JinglesStereo", I, "1", 0, 2},
      {"Players", "Pitch", I, "1", 0, 3},
      {"Players", "Buffersize", I, "0", 0, 4},
      {"Players", "CentralOutput", B, "1"},
      {"Players", "ExactTime", B, "0"},
      {"Players", "CalculateTime", B, "0"},
      {"Players", "HWAudio", B, "0"},
      {"Players", "DontStart", B, "0"},
      {"Players", "DragPlayers", B, "0"},
      {"Players", "VUPeaksFall", B, "1"},
      {"Players", "JingleEnabled", B, "0"},
      {"Players", "InOutroEnabled", B, "1"},
      {"Players", "IntroInTime", B, "0"},
      {"Players", "BlinkTime", B, "1"},
      {"Players", "ReversePitch", B, "0"},
      {"Players", "TalkoverVol", I, "0", 0, 40},
      {"Players", "RecordInput", B, "0"},
      {"Players", "RecordDriver", I, "0", 0, kMaxDriver},
      // Playlist
      {"Playlist", "DelPlTracks", B, "0"},
      {"Playlist", "UseVMark", B, "0"},
      {"Playlist", "RepeatPl", B, "1"},
      {"Playlist", "TrExistPl", B, "0"},
      {"Playlist", "SortPlaylist", B, "0"},
      {"Playlist", "BroadcastTime", B, "0"},
      // Database
      {"Database", "ShowFile", B, "1"},
      {"Database", "ShowAlbum", B, "1"},
      {"Database", "ShowYear", B, "1"},
      {"Database", "ShowComment", B, "1"},
      {"Database", "ShowGenre1", B, "1"},
      {"Database", "ShowGenre2", B, "1"},
      {"Database", "ShowTime", B, "1"},
      {"Database", "ShowID", B, "1"},
      {"Database", "ShowPlTimes", B, "0"},
      {"Database", "ShowInOutro", B, "1"},
      {"Database", "ShowTracknr", B, "1"},
      {"Database", "ShowFilePath", B, "0"},
      {"Database", "CountPlTimes", B, "0"},
      {"Database", "ShowKeyboard", B, "1"},
      {"Database", "KBLayout", T, "qwerty uk"},
      {"Database", "WheelScroll", I, "0", 0, 99},
      // DSP
      {"DSP", "DSPActive", B, "0"},
      {"DSP", "DSPLock", B, "0"},
      {"DSP", "Shoutcast", B, "0"},
      {"DSP", "ShoutcastLock", B, "0"},
      {"DSP", "SAM2", B, "0"},
      // Internet
      {"Internet", "TitleStreaming", B, "0"},
      {"Internet", "ShoutServer", T, "0.0.0.0", 0, 15},
      {"Internet", "ShoutPort", T, "0", 0, 5},
      {"Internet", "ShoutPass", T, "", 0, 20},
  };
  // Servers 2 to 5; the names are kept in a static list because the table holds plain pointers.
  static const std::vector<std::string> serverKeys = [] {
    std::vector<std::string> names;
    for (int n = 2; n <= 5; ++n)
      for (const char* stem : {"StreamTitle", "ShoutServer", "ShoutPort", "ShoutPass"})
        names.push_back(stem + std::to_string(n));
    return names;
  }();
  for (size_t i = 0; i < serverKeys.size(); i += 4) {
    k.push_back({"Internet", serverKeys[i].c_str(), B, "0"});
    k.push_back({"Internet", serverKeys[i + 1].c_str(), T, "", 0, 15});
    k.push_back({"Internet", serverKeys[i + 2].c_str(), T, "0", 0, 5});
    k.push_back({"Internet", serverKeys[i + 3].c_str(), T, "", 0, 20});
  }
  const std::vector<OptionKey> rest = {
      {"Internet", "Title2Web", B, "0"},
      {"Internet", "WebURL", T, ""},
      {"Internet", "Live365Ctrl", B, "0"},
      {"Internet", "LiveMember", T, ""},
      {"Internet", "LivePass", T, ""},
      // ShortCuts: 16-bit key codes of the dialog's shortcut fields
      {"ShortCuts", "Play", I, "80", 0, kMaxKeyCode},
      {"ShortCuts", "Stop", I, "83", 0, kMaxKeyCode},
      {"ShortCuts", "Eject", I, "69", 0, kMaxKeyCode},
      {"ShortCuts", "Set", I, "84", 0, kMaxKeyCode},
      {"ShortCuts", "Cue", I, "67", 0, kMaxKeyCode},
      {"ShortCuts", "CueForw", I, "102", 0, kMaxKeyCode},
      {"ShortCuts", "CueBack", I, "100", 0, kMaxKeyCode},
      {"ShortCuts", "PitchUp", I, "104", 0, kMaxKeyCode},
      {"ShortCuts", "PitchDown", I, "98", 0, kMaxKeyCode},
      {"ShortCuts", "PitchZero", I, "96", 0, kMaxKeyCode},
      {"ShortCuts", "PitchBUp", I, "107", 0, kMaxKeyCode},
      {"ShortCuts", "PitchBDown", I, "109", 0, kMaxKeyCode},
      {"ShortCuts", "PitchUp1", I, "105", 0, kMaxKeyCode},
      {"ShortCuts", "PitchDown1", I, "99", 0, kMaxKeyCode},
      {"ShortCuts", "Fade", I, "70", 0, kMaxKeyCode},
      {"ShortCuts", "Talkover", I, "90", 0, kMaxKeyCode},
  };
  k.insert(k.end(), rest.begin(), rest.end());
  return k;
}

std::string IntText(int value) { return std::to_string(value); }

}  // namespace

const std::vector<OptionKey>& OptionKeys() {
  static const std::vector<OptionKey> keys = BuildKeys();
  return keys;
}

const OptionKey* FindOptionKey(std::string_view key) {
  for (const OptionKey& k : OptionKeys())
    if (EqualsNoCase(k.key, key)) return &k;
  return nullptr;
}

OptionsStore::OptionsStore(QObject* parent) : QObject(parent) {
  for (const OptionKey& k : OptionKeys()) values_.emplace_back(k.defaultText);
}

int OptionsStore::IndexOf(std::string_view key) const {
  const std::vector<OptionKey>& keys = OptionKeys();
  for (size_t i = 0; i < keys.size(); ++i)
    if (EqualsNoCase(keys[i].key, key)) return int(i);
  qWarning("OptionsStore: \"%.*s\" is not an option key", int(key.size()), key.data());
  return -1;
}

// The value a stored text gives the key, in its canonical form. Numbers follow the settings
// file's rule (the leading integer; text without digits reads 0); a number outside the key's
// range is unusable and gives the default, so a hand-edited "Pitch=7" cannot reach the pitch
// sliders as a range of 512 %.
std::string OptionsStore::Usable(const OptionKey& key, const std::string& stored) const {
  switch (key.type) {
    case OptionType::Bool:
      return LeadingInt32(stored) != 0 ? "1" : "0";
    case OptionType::Int: {
      const int64_t value = LeadingInteger(stored);
      if (value < key.minValue || value > key.maxValue) return key.defaultText;
      return IntText(int(value));
    }
    case OptionType::Text:
      return stored;
  }
  return key.defaultText;
}

void OptionsStore::Load(const TSettingsFile& settings) {
  const std::vector<OptionKey>& keys = OptionKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    const OptionKey& k = keys[i];
    Store(int(i), Usable(k, settings.ReadString(k.section, k.key, k.defaultText)));
  }
  emit Reloaded();
}

bool OptionsStore::Save(TSettingsFile& settings) const {
  // One write of the whole file: key by key, every save would flush the file to disk a
  // hundred times and hold the window for most of a second.
  const std::vector<OptionKey>& keys = OptionKeys();
  std::vector<TSettingsWrite> writes;
  writes.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) writes.push_back({keys[i].section, keys[i].key, values_[i]});
  return settings.WriteStrings(writes);
}

void OptionsStore::ResetToDefaults() {
  const std::vector<OptionKey>& keys = OptionKeys();
  for (size_t i = 0; i < keys.size(); ++i) Store(int(i), keys[i].defaultText);
}

bool OptionsStore::Store(int index, std::string value) {
  if (values_[size_t(index)] == value) return true;
  values_[size_t(index)] = std::move(value);
  emit Changed(QString::fromLatin1(OptionKeys()[size_t(index)].key));
  return true;
}

bool OptionsStore::Bool(std::string_view key) const {
  const int i = IndexOf(key);
  return i >= 0 && values_[size_t(i)] != "0" && !values_[size_t(i)].empty();
}

int OptionsStore::Int(std::string_view key) const {
  const int i = IndexOf(key);
  return i >= 0 ? LeadingInt32(values_[size_t(i)]) : 0;
}

std::string OptionsStore::Text(std::string_view key) const {
  const int i = IndexOf(key);
  return i >= 0 ? values_[size_t(i)] : std::string();
}

bool OptionsStore::SetBool(std::string_view key, bool value) {
  const int i = IndexOf(key);
  return i >= 0 && Store(i, value ? "1" : "0");
}

bool OptionsStore::SetInt(std::string_view key, int value) {
  const int i = IndexOf(key);
  if (i < 0) return false;
  const OptionKey& k = OptionKeys()[size_t(i)];
  if (k.type == OptionType::Bool) return Store(i, value != 0 ? "1" : "0");
  if (k.type == OptionType::Int) value = qBound(k.minValue, value, k.maxValue);
  return Store(i, IntText(value));
}

bool OptionsStore::SetText(std::string_view key, const std::string& value) {
  const int i = IndexOf(key);
  if (i < 0) return false;
  return Store(i, Usable(OptionKeys()[size_t(i)], value));
}

}  // namespace spinwave
