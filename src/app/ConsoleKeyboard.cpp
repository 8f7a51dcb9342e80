#include "app/ConsoleKeyboard.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include "app/LanguageFile.h"
#include "controls/TTouchBoard.h"
#include "options/OptionsStore.h"

namespace spinwave {

ConsoleKeyboard::ConsoleKeyboard(QWidget& console, const OptionsStore& options, QObject* parent)
    : QObject(parent), console_(console), options_(options) {
  connect(&options_, &OptionsStore::Changed, this, &ConsoleKeyboard::FollowOptions);
}

TTouchBoard* ConsoleKeyboard::Open(QLineEdit* field, QWidget* searchButton, QWidget* filterColumn) {
  if (!board_) {
    board_ = new TTouchBoard(&console_);
    board_->setAttribute(Qt::WA_DeleteOnClose, false);
    board_->SetLayoutNames(TTouchBoard::LayoutNames());
    board_->SelectLayout(options_.QText("KBLayout"));
    ApplyLanguage(board_);
  }
  board_->SetTargets(field, searchButton, filterColumn);
  board_->show();
  board_->raise();
  board_->activateWindow();
  return board_;
}

void ConsoleKeyboard::Attach(QLineEdit* field, QWidget* searchButton, QComboBox* filterColumn) {
  if (attached_) attached_->removeEventFilter(this);
  attached_ = field;
  watched_ = field;
  searchButton_ = searchButton;
  filterColumn_ = filterColumn;
  if (field) field->installEventFilter(this);
}

QLineEdit* ConsoleKeyboard::SearchField(QWidget* console) {
  if (!console) return nullptr;
  if (auto* edit = console->findChild<QLineEdit*>(QStringLiteral("FilterTxt"))) return edit;
  if (auto* combo = console->findChild<QComboBox*>(QStringLiteral("FilterTxt")))
    return combo->lineEdit();
  return nullptr;
}

bool ConsoleKeyboard::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonPress) &&
      watched == watched_.data() &&
      options_.Bool("ShowKeyboard") && filterColumn_ && filterColumn_->currentIndex() > 0 &&
      filterColumn_->currentText() != QString::fromStdString(LangText("DBGenre1")) &&
      !(board_ && board_->isVisible()))
    Open(attached_, searchButton_, filterColumn_);
  return QObject::eventFilter(watched, event);
}

void ConsoleKeyboard::FollowOptions(const QString& key) {
  if (key == QLatin1String("ShowKeyboard") && !options_.Bool("ShowKeyboard") && board_) {
    board_->hide();
    board_->deleteLater();
    board_ = nullptr;
  } else if (key == QLatin1String("KBLayout") && board_) {
    board_->SelectLayout(options_.QText("KBLayout"));
  }
}

}  // namespace spinwave
