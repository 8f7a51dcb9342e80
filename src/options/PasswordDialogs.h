// The two password dialogs of the access lock.
//
// TPassword ("Security"): asks for the password before a guarded action. A wrong password is
// answered only after a short delay (the window stays responsive meanwhile), so that guessing
// at the console is slow; then "Password wrong" and the dialog ends with Cancel.
//
// TChangePassword ("Change password"): the new password twice; at least 4 characters, both the
// same; stored through PasswordStore.
//
// For the console: `if (store.Bool("AllSecured") && !AskPassword(this)) return;` before the
// options dialog and the library editor, the same with AdminClose before closing; the options
// dialog's ChangePasswordRequested → a TChangePassword's exec().
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "options/AccessLock.h"

namespace spinwave {

class TPassword : public QDialog {
  Q_OBJECT
 public:
  explicit TPassword(PasswordStore& store, QWidget* parent = nullptr);

  QLineEdit* Paswoord() const { return paswoord_; }
  // Delay before a refusal is shown (1000 ms; tests shorten it).
  void SetRefusalDelay(int ms) { refusal_.setInterval(ms); }

  // Empties the field and focuses it (on activation).
  void ClearPass();
  // Checks the password: accepted → OK; refused → after the delay "Password wrong", Cancel.
  void OKBtnClick();
  bool Refusing() const { return refusal_.isActive(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  PasswordStore& store_;
  QLineEdit* paswoord_ = nullptr;
  QPushButton* ok_ = nullptr;
  QTimer refusal_;
};

class TChangePassword : public QDialog {
  Q_OBJECT
 public:
  explicit TChangePassword(PasswordStore& store, QWidget* parent = nullptr);

  QLineEdit* NewPaswoord() const { return new_; }
  QLineEdit* NewPaswoordCheck() const { return check_; }

  // Focuses NewPaswoord and empties both fields (on activation).
  void ClearPass();
  // Validates and stores the new password; ends with OK when stored, stays open otherwise.
  bool Wijzig();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PasswordStore& store_;
  QLineEdit* new_ = nullptr;
  QLineEdit* check_ = nullptr;
};

// Shows TPassword modally; true when it ended with OK.
bool AskPassword(QWidget* parent = nullptr);

}  // namespace spinwave
