#include "options/PasswordDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "core/LanguageTexts.h"
#include "core/Messages.h"

namespace spinwave {

TPassword::TPassword(PasswordStore& store, QWidget* parent) : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("Password"));
  setWindowTitle(QStringLiteral("Security"));
  auto* label = new QLabel(QStringLiteral("Fill in the password:"), this);
  label->setObjectName(QStringLiteral("PasswordTxt"));
  paswoord_ = new QLineEdit(this);
  paswoord_->setObjectName(QStringLiteral("Paswoord"));
  paswoord_->setEchoMode(QLineEdit::Password);
  paswoord_->setMinimumWidth(220);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("OKBtn"));
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  connect(ok_, &QPushButton::clicked, this, &TPassword::OKBtnClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* v = new QVBoxLayout(this);
  v->addWidget(label);
  v->addWidget(paswoord_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  setFixedSize(sizeHint());

  refusal_.setSingleShot(true);
  refusal_.setInterval(1000);
  connect(&refusal_, &QTimer::timeout, this, [this] {
    ShowMessage(LangText("PasswordWrong"));
    reject();
  });
}

void TPassword::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ClearPass();
}

void TPassword::ClearPass() {
  paswoord_->clear();
  paswoord_->setFocus();
}

void TPassword::OKBtnClick() {
  if (refusal_.isActive()) return;
  if (store_.Check(paswoord_->text().toStdString())) {
    accept();
    return;
  }
  // Answer later, without blocking the window.
  ok_->setEnabled(false);
  paswoord_->setEnabled(false);
  refusal_.start();
}

TChangePassword::TChangePassword(PasswordStore& store, QWidget* parent)
    : QDialog(parent), store_(store) {
  setObjectName(QStringLiteral("ChangePassword"));
  setWindowTitle(QStringLiteral("Change password"));
  auto* first = new QLabel(QStringLiteral("Fill in the new password:"), this);
  first->setObjectName(QStringLiteral("NewPassword"));
  auto* second = new QLabel(QStringLiteral("Fill in the new password again:"), this);
  second->setObjectName(QStringLiteral("NewPasswordAgain"));
  new_ = new QLineEdit(this);
  new_->setObjectName(QStringLiteral("NewPaswoord"));
  check_ = new QLineEdit(this);
  check_->setObjectName(QStringLiteral("NewPaswoordCheck"));
  for (QLineEdit* e : {new_, check_}) {
    e->setEchoMode(QLineEdit::Password);
    e->setMinimumWidth(220);
    e->installEventFilter(this);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKBtn"));
  ok->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &TChangePassword::Wijzig);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* v = new QVBoxLayout(this);
  v->addWidget(first);
  v->addWidget(new_);
  v->addWidget(second);
  v->addWidget(check_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  setFixedSize(sizeHint());
}

void TChangePassword::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ClearPass();
}

void TChangePassword::ClearPass() {
  new_->clear();
  check_->clear();
  new_->setFocus();
}

bool TChangePassword::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == new_ && (enter || key == Qt::Key_Down)) {  // PaswoordKeyDown
      check_->setFocus();
      return true;
    }
    if (watched == check_ && enter) {  // NewPaswoordCheckKeyDown
      Wijzig();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TChangePassword::Wijzig() {
  const std::string problem = NewPasswordProblem(new_->text(), check_->text());
  if (!problem.empty()) {
    ShowMessage(problem);
    return false;
  }
  std::string error;
  if (!store_.Set(new_->text().toStdString(), &error)) {
    ShowMessage("The password could not be saved: " + error);
    return false;
  }
  accept();
  return true;
}

bool AskPassword(QWidget* parent) {
  PasswordStore store;
  TPassword dialog(store, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace spinwave
