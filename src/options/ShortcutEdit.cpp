#include "options/ShortcutEdit.h"

#include <QKeyEvent>
#include <QTimer>

#include "options/ShortcutKeys.h"

namespace spinwave {

ShortcutEdit::ShortcutEdit(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignCenter);
  // No context menu: pasting or cutting would change the text without changing the code.
  setContextMenuPolicy(Qt::NoContextMenu);
}

void ShortcutEdit::SetCode(int code) {
  code_ = code;
  setText(TextHotkey(code));
}

bool ShortcutEdit::KeyUp(int code) {
  if (code <= kLastRefusedShortcutCode) {
    selectAll();
    return false;
  }
  const bool changed = code != code_;
  SetCode(code);
  selectAll();
  if (changed) emit CodeChanged(code);
  return true;
}

void ShortcutEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // After Qt has placed the cursor for the focus change.
  QTimer::singleShot(0, this, [this] { selectAll(); });
}

void ShortcutEdit::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  selectAll();
}

void ShortcutEdit::keyPressEvent(QKeyEvent* event) {
  // Tab and Backtab still move between the fields; every other key is only captured on release.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
}

void ShortcutEdit::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  KeyUp(VirtualKeyFromQt(*event));
  event->accept();
}

}  // namespace spinwave
