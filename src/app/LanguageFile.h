// Language files: plain-text "<language>.lng" files of key=value lines that translate control
// captions and hints (by the control's object name) and a fixed set of message texts. English is
// built in; a key a file lacks keeps the text it had (the English one, or that of the language
// applied before).
//
// File rules: keys are case-sensitive and matched against the beginning of a line, the first
// matching line wins, "%R" in a value is a line break. Hints compare only the key's characters,
// so a longer key placed earlier ("SendInfoHintX=...") is taken for "SendInfoHint", its hint
// starting one character after the key. Files are UTF-8.
//
// The console names its controls as in the tables below (Play1, Play2, Minutes1 ...) so that
// captions, hints, skins and locks reach them by name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "core/LanguageTexts.h"

class QWidget;

namespace spinwave {

// Every key a complete language file holds, with its English text: the fixed keys, the
// captions and hints of the translated controls, the message texts.
const std::vector<LanguageEntry>& EnglishLanguageTable();
// The keys of the English table that a language file lacks, in table order.
std::vector<std::string> MissingLanguageKeys(const std::string& fileName);

// The lines of one language (or skin.ini) file and its lookups.
class TLanguageFile {
 public:
  TLanguageFile() = default;
  // Reads the file; false (and no lines) when it cannot be read.
  bool Load(const std::string& fileName);
  void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

  // The value of the first line beginning with key + "=", "%R" made a line break; `fallback`
  // when no line matches.
  std::string Lookup(std::string_view key, std::string_view fallback) const;
  // The hint rule: the first line beginning with `key` (no "=" needed); the text after the key
  // and one more character, "%R" left as it is. False when no line matches.
  bool LookupHint(std::string_view key, std::string& hint) const;

  // Caption and hint of one control by its object name: a group box gets its caption with one
  // space before and after, a tab page its tab text, a window its title, buttons, labels and
  // actions their text. Then the hint "<Name>Hint". True when a caption was found.
  bool TranslateControl(QObject* control) const;
  // The hint of `control` (and of `second`, when given) from `key` ("" = "<Name>Hint"). True
  // when the key was found.
  bool SetHint(QObject* control, QObject* second, std::string_view key) const;

 private:
  std::vector<std::string> lines_;
};

// The windows a language reaches; any may be null.
struct LanguageForms {
  QWidget* console = nullptr;         // the main console, its panels and menus
  QWidget* libraryScan = nullptr;     // the library scan dialog (EditDatabase)
  QWidget* options = nullptr;         // the options dialog
  QWidget* changePassword = nullptr;  // the password change dialog
  QWidget* scanInfo = nullptr;        // the scan progress dialog (ScanInfo)
};

// Applying a language to the running console.
class TLanguage : public QObject {
  Q_OBJECT
 public:
  explicit TLanguage(QObject* parent = nullptr) : QObject(parent) {}

  // The file of a language name: ProgramFolder() + name + ".lng", else the shipped copy; ""
  // when neither exists.
  static std::string FileOf(const QString& name);
  // Names of the languages: *.lng in the program folder and among the shipped files, sorted.
  static QStringList Names();

  // Applies <name>.lng to the forms, in the order of the language steps. False when the file
  // does not exist or cannot be read (nothing changes then). A file whose VersionCheck is not
  // "2.2.0" shows "Language file is older, some functions aren't translated!" and is applied.
  bool Apply(const QString& name, const LanguageForms& forms);

  // The problem of the last Apply ("" when none), for the status bar.
  const QString& Problem() const { return problem_; }

 signals:
  // The filter-column list's first five entries: None, All, Artist, Title, Album.
  void FilterColumnsChanged(const QStringList& entries);
  // The twenty fade-time menu entries ("1 Seconds" ... "20 Seconds").
  void FadeMenuChanged(const QStringList& entries);
  // The folder tree's library node takes the library grid's translated hint.
  void LibraryNodeNameChanged(const QString& name);
  // The library scan dialog's "Artist" and "Title" menu commands.
  void ScanMenuChanged(const QString& artist, const QString& title);
  // Captions changed: the automix selector and label are placed again, the segue command
  // becomes the automix switch's caption + "...".
  void LayoutChanged();

 private:
  QString problem_;
};

// Translates a window created after the language was applied, with the language applied last:
// the options dialog, the library scan and its progress dialog and the password change dialog
// by their own steps (known by object name), any other window (the jingle window, the keyboard
// ...) by the caption and hint of every named control the file names. Each window calls it once
// it is built. False before any language was applied.
bool ApplyLanguage(QWidget* window);
// The name of the language applied last ("" before any).
QString CurrentLanguage();

}  // namespace spinwave
