#include "options/AccessLock.h"

#include <cstdint>
#include <cstdio>

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QVariant>
#include <QWidget>

#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"

namespace spinwave {

namespace {

const char* const kSection = "Spinwave";
const char* const kValue = "USER";

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

bool IsLegacyHash(const std::string& value) {
  if (value.empty() || value.size() > 8) return false;
  for (char c : value)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

}  // namespace

PasswordStore::PasswordStore(std::string path)
    : path_(path.empty() ? ConfigFolder() + "security.ini" : std::move(path)) {}

std::string PasswordStore::StoredValue() const {
  TSettingsFile file(path_);
  return file.ReadString(kSection, kValue, "");
}

std::string PasswordStore::LegacyHash(const std::string& text) {
  std::uint32_t value = 5;
  for (unsigned char c : text) {
    std::uint32_t factor = 888;
    if (c >= 'A' && c <= 'Z') factor = 201 + 2 * std::uint32_t(c - 'A');
    if (c >= 'a' && c <= 'z') factor = 301 + 2 * std::uint32_t(c - 'a');
    value *= factor;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", value);
  return hex;
}

bool PasswordStore::Check(const std::string& typed) {
  const std::string stored = StoredValue();
  if (stored.empty()) return true;
  if (IsLegacyHash(stored)) {
    if (LegacyHash(typed) != stored) return false;
    // The older hash is weak (the order of the letters does not count): replace it now that the
    // password itself is known.
    Set(typed);
    return true;
  }
  if (!SodiumReady() || stored.compare(0, 1, "$") != 0) return false;
  return crypto_pwhash_str_verify(stored.c_str(), typed.c_str(), typed.size()) == 0;
}

bool PasswordStore::Set(const std::string& password, std::string* error) {
  if (!SodiumReady()) {
    if (error) *error = "the hashing library could not start";
    return false;
  }
  char hashed[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hashed, password.c_str(), password.size(),
                        crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    if (error) *error = "not enough memory to hash the password";
    return false;
  }
  return Write(hashed, error);
}

bool PasswordStore::Write(const std::string& value, std::string* error) {
  // Only the user may read the file: create it 0600 before the first write (the atomic writer
  // keeps an existing file's mode) and tighten a copy that came with looser rights.
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot create " + path_;
    return false;
  }
  ::fchmod(fd, 0600);
  ::close(fd);
  TSettingsFile file(path_);
  if (!file.WriteString(kSection, kValue, value)) {
    if (error) *error = "cannot write " + path_;
    return false;
  }
  return true;
}

std::string NewPasswordProblem(const QString& password, const QString& again) {
  if (password.size() < 4) return LangText("PasswordShort");
  if (password != again) return LangText("PasswordNotSame");
  return {};
}

const QList<LockTarget>& LockTargets() {
  static const QList<LockTarget> targets = {
      {"LockEject", {"Eject1", "Eject2"}},
      {"LockStop", {"Stop1", "Stop2"}},
      {"LockPlay", {"Play1", "Play2"}},
      {"LockTrack", {"TrackBack1", "TrackForw1", "TrackBack2", "TrackForw2"}},
      {"LockPos", {"P1Pos", "P2Pos"}},
      {"LockCue", {"Slider1", "SetCue1", "ToCue1", "SearchBack1", "SearchForw1", "Slider2",
                   "SetCue2", "ToCue2", "SearchBack2", "SearchForw2"}},
      {"LockPitch", {"Pitch1", "PitchDown1", "PitchUp1", "Pitch2", "PitchDown2", "PitchUp2"}},
      {"LockVolume", {"Volume1", "Volume2"}},
      {"LockFade", {"Fade1", "Fade2"}},
      {"LockTalk", {"Talkover"}},
      {"LockBreak", {"Break"}},
      {"LockAutomix", {"AutoMix"}},
      {"LockNew", {"ClearList"}},
      {"LockOpen", {"OpenList"}},
      {"LockSave", {"SaveList"}},
      {"LockDrag", {}},
  };
  return targets;
}

namespace {

// A lock disables a control and marks it; lifting the lock enables only what a lock disabled,
// so a control that waits for its part (the talkover button before the microphone is
// connected) is not switched on by an unlock.
constexpr const char* kLockedMark = "disabledByLock";

void Lock(QWidget* w, bool locked) {
  if (locked) {
    if (w->isEnabled()) {
      w->setProperty(kLockedMark, true);
      w->setEnabled(false);
    }
  } else if (w->property(kLockedMark).toBool()) {
    w->setProperty(kLockedMark, QVariant());
    w->setEnabled(true);
  }
}

}  // namespace

void ApplyLocks(const QList<QWidget*>& roots, const QStringList& lockedKeys) {
  for (const LockTarget& target : LockTargets()) {
    const bool locked = lockedKeys.contains(QString::fromLatin1(target.key), Qt::CaseInsensitive);
    for (QWidget* root : roots) {
      if (!root) continue;
      for (const QString& name : target.controls) {
        if (root->objectName() == name) Lock(root, locked);
        for (QWidget* w : root->findChildren<QWidget*>(name))
          if (w->window() == root->window()) Lock(w, locked);
      }
    }
  }
}

}  // namespace spinwave
