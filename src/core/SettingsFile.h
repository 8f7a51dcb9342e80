// The settings object: typed reads and writes of "ini" files (sections of key=value lines).
//
// Every read goes to the file; nothing is cached but the start-up flags that LoadAll copies.
// File semantics (our own private-profile code):
// - section names and keys are compared with ASCII letters folded, after trimming white space;
//   the first matching section and the first matching key inside it win;
// - lines starting with ';' or '#' are comments; lines outside any section are ignored;
// - a value is the text after the first '=', with leading and trailing white space removed, and
//   at most 2046 bytes long (cut at a character boundary);
// - a write changes exactly one line (or adds one, or a section and one line) and keeps every
//   other line byte for byte, including comments, blank lines, order and each line's own end
//   (CR LF or LF); a new line takes the file's first line end (LF for a new file);
// - a missing or unreadable file reads as defaults; writes replace the file atomically.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What LoadAll reads for the main window and the deck engine. The console applies what exists;
// the deck, automix and jingle issues take the rest from here.
// One write of TSettingsFile::WriteStrings.
struct TSettingsWrite {
  std::string section;
  std::string key;
  std::string text;
};

struct TStartupSettings {
  // Window
  int Top = 0;
  int Left = 0;
  int Width = 640;
  int Height = 440;
  // Players: main volume sliders, 0..255
  int VolumeL = 255;
  int VolumeR = 255;
  // Output set-up read once for all decks
  int OutputPlayer1 = 1;       // stored output choice: 0 ALSA, 1 default output, 2 JACK
  int BufferSizeMs = 0;        // Buffersize index x 50; 0 leaves the library default
  bool ExactTime = false;
  bool CalculateTime = false;
  bool HWAudio = false;
  int DriverPlayer1 = 0;
  int Player1Stereo = 1;
  int DriverPlayer2 = 0;
  int Player2Stereo = 1;
  int DriverJingles = 0;
  int JinglesStereo = 1;
  int DriverDataPlayer = 0;
  int DataPlayerStereo = 1;
  // Floating players panel: restored only when both DragPlayers and Float are on
  bool DragPlayers = false;
  bool PanelFloat = false;
  int PanelTop = 0;
  int PanelLeft = 0;
  // General
  int AutomixSec = 4;          // index in the automix-seconds selector ("0".."15")
  bool FullScrMode = false;
  bool Minimizeable = true;
  bool WinSizeable = true;
  bool StartMix = false;
  bool StartXFader = false;
  bool ShowBrowser = true;
};

class TSettingsFile {
 public:
  // The longest string value a read returns, in bytes.
  static constexpr size_t MaxValueLength = 2046;

  explicit TSettingsFile(std::string fileName = "spinwave2.ini");

  // The name handed to the reads and writes. A bare or relative name is resolved in the settings
  // folder (spinwave::ConfigFolder()); an absolute one is used as it is; an empty one reads
  // defaults and fails every write. It may be re-pointed between operations.
  void SetFileName(std::string fileName) { FileName = std::move(fileName); }
  const std::string& GetFileName() const { return FileName; }
  // The path FileName resolves to (empty for an empty FileName).
  std::string FilePath() const;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultText) const;
  // The leading integer of the stored text ("abc" reads 0, not the default).
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

  // True when the file now holds the value. A section or key that cannot be stored (empty, or
  // holding a line break, or a key holding '=' or starting with ';', '#' or '[') fails; line
  // breaks inside a value are stored as spaces.
  bool WriteString(const std::string& section, const std::string& key, const std::string& text);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);
  // Several WriteString in one: the file is read once and replaced once, so saving the options
  // dialog's hundred-odd keys costs one flush to disk instead of one per key. True when every
  // write was stored; a write that cannot be stored is skipped and the others are still written.
  bool WriteStrings(const std::vector<TSettingsWrite>& writes);

  // Reads the start-up configuration and caches the seven flags below.
  TStartupSettings LoadAll();

  // Copies taken by LoadAll, not refreshed later.
  bool CentralOutput = true;
  bool JingleEnabled = false;
  bool DSPActive = false;
  bool DSPLock = false;
  bool Shoutcast = false;
  bool ShoutcastLock = false;
  bool SAM2 = false;

 private:
  std::string FileName;
};
