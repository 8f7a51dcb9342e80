// ConsoleLook: the language and the skin of the running console.
//
// At the first activation (after the options are loaded) it applies the stored `Language` and
// `PlayerLook`, and again whenever either option changes. The language reaches the console by
// control name and every window created later through ApplyLanguage(QWidget*) (LanguageFile.h);
// the skin moves, paints and colours the players panel, the console buttons and the playlist.
// A skin that cannot be used whole falls back per item and names its first problem once in the
// status bar; "<Default>" keeps the built-in look.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/LanguageFile.h"
#include "app/SkinFile.h"

class TSpinwaveMain;

namespace spinwave {

class ConsoleLook : public QObject {
  Q_OBJECT
 public:
  explicit ConsoleLook(TSpinwaveMain& window);

  // Applies the stored language and skin and follows their options from now on.
  void Start();

  // Applies <name>.lng to the console (and the windows registered with it). False when there is
  // no such file.
  bool ApplyLanguage(const QString& name);
  // Applies the skin of that name ("<Default>": nothing changes). False when the skin folder is
  // missing (said in the status bar).
  bool ApplySkin(const QString& name);
  // Applies a skin read already (tests hand in their own folder's description).
  void ApplySkin(const SkinDescription& skin);

  // What the last skin or language could not use ("" when all was well).
  const QString& LastProblem() const { return lastProblem_; }
  TLanguage& Language() { return language_; }

 signals:
  // For the library browser: the filter-column list's first five entries and the folder tree's
  // library node name, translated.
  void filterColumnsChanged(const QStringList& entries);
  void libraryNodeNameChanged(const QString& name);

 private:
  void ShowProblem(const QString& problem);
  void RelayoutAfterLanguage();

  TSpinwaveMain& window_;
  TLanguage language_;
  QString lastProblem_;
};

}  // namespace spinwave
