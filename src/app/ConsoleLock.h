// ConsoleLock: the access lock on the running console.
//
// The Lock options (LockEject ... LockSave) disable the controls they name on both decks and in
// the button row, at the first activation and whenever one changes (the options dialog's lock
// boxes write them). The password (security.ini, see AccessLock.h) guards what the station owner
// chose: with AllSecured the options dialog and the library editor, with AdminClose closing the
// console. A console with no password set lets the guarded action go ahead after the password
// window is confirmed, as the lock has always done.
#pragma once

#include <functional>

#include <QObject>
#include <QStringList>

#include "options/AccessLock.h"

class QWidget;

namespace spinwave {

class OptionsStore;

class ConsoleLock : public QObject {
  Q_OBJECT
 public:
  // `console` is the main window: the locks reach the controls of its own window only.
  ConsoleLock(QWidget& console, OptionsStore& options, QObject* parent = nullptr);

  // Applies the locks and follows their options from now on.
  void Start();
  // The Lock keys that are on.
  QStringList LockedKeys() const;
  void ApplyNow();

  // Before the options dialog or the library editor opens: true when it may (AllSecured off, or
  // the password given).
  bool MayEdit(QWidget* parent);
  // Before the console closes: true when it may (AdminClose off, or the password given).
  bool MayClose(QWidget* parent);

  PasswordStore& Passwords() { return passwords_; }
  // Tests answer the password window themselves: called instead of showing it.
  std::function<bool(QWidget* parent)> Ask;

 private:
  bool Guard(const char* key, QWidget* parent);

  QWidget& console_;
  OptionsStore& options_;
  PasswordStore passwords_;
};

}  // namespace spinwave
