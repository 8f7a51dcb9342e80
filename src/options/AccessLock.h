// The access lock: the password that guards the options dialog, the library editor and (when
// chosen) closing the console, and the function locks that disable console controls.
//
// The password is kept in security.ini in the settings folder (mode 0600), apart from the
// settings file, as a salted slow hash (libsodium's crypto_pwhash_str, Argon2id). There is no
// built-in master password: it would open every console. A value left by an older version (the
// upper-case hexadecimal product hash) is accepted once and then replaced by the new form.
#pragma once

#include <string>

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace spinwave {

class PasswordStore {
 public:
  // `path` empty: ConfigFolder() + "security.ini".
  explicit PasswordStore(std::string path = {});

  const std::string& Path() const { return path_; }
  // The stored value ("" when no password is set: no file, no value, or an empty one).
  std::string StoredValue() const;
  bool HasPassword() const { return !StoredValue().empty(); }

  // True when `typed` opens the lock: always when no password is set. A stored value in the
  // older hexadecimal form that matches is rewritten in the new form. A stored value in neither
  // form opens nothing (remove security.ini to clear the password).
  bool Check(const std::string& typed);
  // Stores a new password (the caller has checked its length and its repetition). False with a
  // reason in `error` when the file cannot be written.
  bool Set(const std::string& password, std::string* error = nullptr);

  // The older hash: 5 multiplied, per character, by 201 + 2k for the k-th upper-case letter,
  // 301 + 2k for the k-th lower-case letter and 888 for any other byte, in 32 bits, as
  // upper-case hexadecimal without leading zeros ("abc" gives "84A431F").
  static std::string LegacyHash(const std::string& text);

 private:
  bool Write(const std::string& value, std::string* error);
  std::string path_;
};

// Why a new password is refused, or "" when it is acceptable: fewer than 4 characters ("The
// password must atleast contain 4 characters!") or a repetition that differs ("The new password
// is NOT wright!").
std::string NewPasswordProblem(const QString& password, const QString& again);

// The function locks: the Security keys (LockEject ... LockDrag) and the console controls each
// one disables, by object name (both decks' twins: "Play1", "Play2" ...). LockDrag names none:
// the playlist refuses the drag itself while it is on.
struct LockTarget {
  const char* key;
  QStringList controls;
};
const QList<LockTarget>& LockTargets();

// Disables every named control found under `roots` (the console's players panel, audio-control
// panel, playlist panel ...) whose lock is on, and enables again those a lock disabled whose lock
// is off (a control disabled for another reason stays so). Only controls in the same
// window as their root are touched, so the jingle window's Play1 or Volume1 never is.
void ApplyLocks(const QList<QWidget*>& roots, const QStringList& lockedKeys);

}  // namespace spinwave
