// The live settings of the console: every key that the options dialog holds, with its section,
// type and default, and typed reads for the rest of the program.
//
// After start-up the options are what the program runs with: the console, the playlist, the
// automix, the jingle bank and title streaming read them here by key name (the key is also the
// object name of the dialog control that edits it), never from the settings file and never by
// looking widgets up. The dialog loads its controls from the store and commits them back on OK;
// Cancel reloads the store from the file.
//
// Values are kept as the text the settings file holds ("0"/"1" for booleans, decimal integers),
// so a value survives a load and a save unchanged. A stored value that the key cannot use (not a
// number, out of its range) reads as the key's default.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>

class TSettingsFile;

namespace spinwave {

enum class OptionType { Bool, Int, Text };

struct OptionKey {
  const char* section;
  const char* key;
  OptionType type;
  const char* defaultText;  // as stored: "0"/"1", a decimal integer or the text
  int minValue = 0;         // Int: accepted range; Text: minValue unused
  int maxValue = 0;         // Int: accepted range; Text: longest text the dialog's field takes
                            // (0 = no limit of its own)
};

// Every key the options dialog reads and writes, section by section in the order the dialog's OK
// writes them (General, Security, Players, Playlist, Database, DSP, Internet, ShortCuts).
const std::vector<OptionKey>& OptionKeys();
// The key's entry, or null when the name is not an option key (ASCII case ignored).
const OptionKey* FindOptionKey(std::string_view key);

class OptionsStore : public QObject {
  Q_OBJECT
 public:
  // Every key at its default.
  explicit OptionsStore(QObject* parent = nullptr);

  // Reads every key from the settings file; unusable values become the key's default. Emits
  // Changed for each key whose value changed, then Reloaded.
  void Load(const TSettingsFile& settings);
  // Writes every key in the table's order. False when a write failed (the rest are still written).
  bool Save(TSettingsFile& settings) const;
  // Every key back to its default (emits Changed for those that change).
  void ResetToDefaults();

  // Typed reads. A name that is not an option key is a programming error: it logs a warning and
  // reads false, 0 or "".
  bool Bool(std::string_view key) const;
  int Int(std::string_view key) const;
  std::string Text(std::string_view key) const;
  QString QText(std::string_view key) const { return QString::fromStdString(Text(key)); }

  // Writes into the store (not the file). An integer outside the key's range is held to it.
  // Emits Changed(key) when the value differs. False for an unknown key.
  bool SetBool(std::string_view key, bool value);
  bool SetInt(std::string_view key, int value);
  bool SetText(std::string_view key, const std::string& value);

 signals:
  void Changed(const QString& key);
  void Reloaded();

 private:
  int IndexOf(std::string_view key) const;
  std::string Usable(const OptionKey& key, const std::string& stored) const;
  bool Store(int index, std::string value);

  std::vector<std::string> values_;  // parallel to OptionKeys()
};

}  // namespace spinwave
