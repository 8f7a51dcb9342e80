#include "controls/TTouchBoard.h"

#include <QDir>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "core/Paths.h"

namespace spinwave {

TTouchBoard::TTouchBoard(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TouchBoard"));
  setWindowTitle(QStringLiteral("Virtual Keyboard"));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("Edit1"));
  edit_->setMaxLength(TVirtualKeyboard::kMaxText);
  board_ = new TVirtualKeyboard(this);
  board_->setObjectName(QStringLiteral("TheBoard"));
  layout_ = new QComboBox(this);
  layout_->setObjectName(QStringLiteral("KBLayout"));
  layout_->setToolTip(QStringLiteral("If you choose <Default> you must restart the program"));

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 6, 6, 6);
  v->addWidget(edit_);
  v->addWidget(board_);
  v->addWidget(layout_);

  board_->OnButtonDown = [this](TVirtualKeyboard*, const QString& text) { TheBoardButtonDown(text); };
  board_->OnUserDone = [this](TVirtualKeyboard*) { close(); };
  // Typing on the real keyboard works too.
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    board_->SetText(text);
    TheBoardButtonDown(text);
  });
  edit_->installEventFilter(this);
  connect(layout_, &QComboBox::activated, this, [this] { KBLayoutChange(layout_->currentText()); });
  SetLayoutNames(LayoutNames());
}

void TTouchBoard::SetTargets(QLineEdit* filterText, QWidget* searchButton, QWidget* filterColumn) {
  filterText_ = filterText;
  searchButton_ = searchButton;
  filterColumn_ = filterColumn;
}

void TTouchBoard::SetLayoutNames(const QStringList& names) {
  const QString was = layout_->currentText();
  layout_->clear();
  layout_->addItems(names);
  if (!was.isEmpty()) SelectLayout(was);
}

void TTouchBoard::SelectLayout(const QString& name) {
  const int i = layout_->findText(name, Qt::MatchFixedString);
  if (i >= 0) layout_->setCurrentIndex(i);
}

QStringList TTouchBoard::LayoutNames() {
  QStringList names;
  QStringList folders = {QString::fromStdString(ProgramFolder())};
  for (const std::string& base : SharedFolders()) folders << QString::fromStdString(base);
  for (const QString& folder : folders)
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
      if (!f.fileName().endsWith(QStringLiteral(".kbl"), Qt::CaseInsensitive)) continue;
      const QString stem = f.fileName().chopped(4);
      if (!names.contains(stem, Qt::CaseInsensitive)) names << stem;
    }
  names.sort(Qt::CaseInsensitive);
  return names;
}

std::string TTouchBoard::LayoutFile(const QString& name) {
  if (name.isEmpty()) return {};
  return FindSharedFile(name.toStdString() + ".kbl");
}

bool TTouchBoard::KBLayoutChange(const QString& name) {
  const std::string file = LayoutFile(name);
  return !file.empty() && board_->LoadLayout(file);
}

void TTouchBoard::TheBoardButtonDown(const QString& text) {
  board_->SetText(text);
  if (edit_->text() != text) {
    edit_->setText(text);
    edit_->setCursorPosition(int(text.size()));
  }
  if (filterText_) filterText_->setText(text);
  if (searchButton_) searchButton_->setEnabled(!text.isEmpty());
}

void TTouchBoard::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  board_->SetText(QString());
  TheBoardButtonDown(QString());
  edit_->setFocus();
}

bool TTouchBoard::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      close();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TTouchBoard::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
}

void TTouchBoard::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  AfterClose();
}

void TTouchBoard::AfterClose() {
  const bool any = filterText_ && !filterText_->text().isEmpty();
  if (searchButton_) searchButton_->setEnabled(any);
  if (searchButton_ && any)
    searchButton_->setFocus();
  else if (filterColumn_)
    filterColumn_->setFocus();
}

}  // namespace spinwave
