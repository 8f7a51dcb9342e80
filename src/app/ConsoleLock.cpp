#include "app/ConsoleLock.h"

#include <QWidget>

#include "app/LanguageFile.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"

namespace spinwave {

ConsoleLock::ConsoleLock(QWidget& console, OptionsStore& options, QObject* parent)
    : QObject(parent), console_(console), options_(options) {}

void ConsoleLock::Start() {
  ApplyNow();
  connect(&options_, &OptionsStore::Changed, this, [this](const QString& key) {
    if (key.startsWith(QLatin1String("Lock"))) ApplyNow();
  });
  connect(&options_, &OptionsStore::Reloaded, this, &ConsoleLock::ApplyNow);
}

QStringList ConsoleLock::LockedKeys() const {
  QStringList keys;
  for (const LockTarget& target : LockTargets())
    if (options_.Bool(target.key)) keys << QString::fromLatin1(target.key);
  return keys;
}

void ConsoleLock::ApplyNow() { ApplyLocks({&console_}, LockedKeys()); }

bool ConsoleLock::MayEdit(QWidget* parent) { return Guard("AllSecured", parent); }

bool ConsoleLock::MayClose(QWidget* parent) { return Guard("AdminClose", parent); }

bool ConsoleLock::Guard(const char* key, QWidget* parent) {
  if (!options_.Bool(key)) return true;
  if (Ask) return Ask(parent);
  TPassword dialog(passwords_, parent);
  ApplyLanguage(&dialog);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace spinwave
