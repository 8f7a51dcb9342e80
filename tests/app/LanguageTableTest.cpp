// The built-in English table against the windows' own texts: English.lng is made from the
// table, so a table text that differs from the window's caption would change that caption when
// the user switches back to English. The shipped translations hold every key of the table.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include "ConsoleFixture.h"
#include "app/LanguageFile.h"
#include "app/SpinwaveMain.h"
#include "controls/TTouchBoard.h"
#include "controls/TEMLed.h"
#include "core/SettingsFile.h"
#include "library/LibraryScan.h"
#include "library/TEditDatabase.h"
#include "library/TScanInfo.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"
#include "options/TOptions.h"

namespace spinwave::test {
namespace {

// The caption a control shows, as a language file writes it; false for a control without one.
bool CaptionOf(QObject* o, QString& caption) {
  if (auto* g = qobject_cast<QGroupBox*>(o)) {
    caption = g->title().trimmed();
  } else if (auto* lamp = qobject_cast<TEMLed*>(o)) {
    caption = lamp->Caption();
  } else if (auto* m = qobject_cast<QMenu*>(o)) {
    caption = m->title();
  } else if (auto* a = qobject_cast<QAction*>(o)) {
    caption = a->text();
  } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
    caption = b->text();
  } else if (auto* l = qobject_cast<QLabel*>(o)) {
    caption = l->text();
  } else if (auto* w = qobject_cast<QWidget*>(o)) {
    if (w->isWindow()) {
      caption = w->windowTitle();
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr);
               tabs && tabs->indexOf(w) >= 0) {
      caption = tabs->tabText(tabs->indexOf(w));
    } else if (w->metaObject()->indexOfProperty("text") >= 0) {
      caption = w->property("text").toString();
    } else {
      return false;
    }
  } else {
    return false;
  }
  return true;
}

QObject* Named(QWidget* root, const QString& name) {
  if (root->objectName() == name) return root;
  return root->findChild<QObject*>(name);
}

class LanguageTableTest : public ConsoleTest {};

TEST_F(LanguageTableTest, EnglishTableHoldsTheWindowsOwnCaptions) {
  auto core = MakeCore();
  TSpinwaveMain window(*core);
  TSettingsFile settings(dir.File("options.ini"));
  OptionsStore store;
  TOptions options(store, settings);
  PasswordStore passwords(dir.File("security.ini"));
  TChangePassword change(passwords);
  LibraryScan scan(core->Library());
  TEditDatabase editor(scan);
  TScanInfo progress(scan);
  TPassword password(passwords);
  TTouchBoard keyboard;
  // The dialogs first: a name the console uses only for a hint (the library's SearchBtn) is a
  // captioned button of the scan dialog.
  QList<QWidget*> windows = {&options, &change, &editor, &password, &keyboard, &progress, &window};
  QStringList differing;
  for (const LanguageEntry& e : EnglishLanguageTable()) {
    const QString key = QString::fromLatin1(e.key);
    if (key.endsWith(QLatin1String("Hint"))) continue;
    for (QWidget* w : windows) {
      QObject* o = Named(w, key);
      QString caption;
      if (!o || !CaptionOf(o, caption)) continue;
      if (caption != QString::fromUtf8(e.english))
        differing << key + ": table \"" + QString::fromUtf8(e.english) + "\", window \"" + caption + "\"";
      break;
    }
  }
  EXPECT_TRUE(differing.isEmpty()) << differing.join('\n').toStdString();
}

}  // namespace
}  // namespace spinwave::test
