// One shortcut field of the options dialog: it shows the text of its key code and takes a new
// code from the key the user presses and releases in it. Typing never changes its text.
#pragma once

#include <QLineEdit>

namespace spinwave {

class ShortcutEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit ShortcutEdit(QWidget* parent = nullptr);

  int Code() const { return code_; }
  // Stores the code and shows its text (no signal).
  void SetCode(int code);

  // A key released in the field (ShrtCutKeyUp): codes up to 57 (digits, space, control and
  // editing keys) are refused and leave the field as it was; any other becomes the field's code.
  // True when the code was taken.
  bool KeyUp(int code);

 signals:
  void CodeChanged(int code);

 protected:
  void focusInEvent(QFocusEvent* event) override;       // ShrtCutEnter
  void mouseReleaseEvent(QMouseEvent* event) override;  // ShrtCutMouseUp
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  int code_ = 0;
};

}  // namespace spinwave
