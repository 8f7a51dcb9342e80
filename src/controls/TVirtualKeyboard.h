// TVirtualKeyboard: the on-screen keyboard for touch screens, a grid of 4 × 13 keys drawn from
// two key pictures (released, pressed) with a normal and a shifted layer. Labels come from the
// built-in QWERTY layout or from a keyboard layout file (*.kbl). The last column holds the
// command keys (Backspace, Clear, Close, Shift, by position whatever their labels say); row 3,
// column 10 is the space key.
//
// Geometry, with w × h the size of the released key picture: the control is (13 + 1) × (w + 4)
// wide and 4 × (h + 4) high; the key at column c, row r sits at (2 + c × (w + 4), 2 + r × (h + 3)).
// A key in the last column, or whose label is longer than one character, is wide: two pictures
// side by side, 2w + 4 pixels.
#pragma once

#include <array>
#include <functional>
#include <string>

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace spinwave {

class TVirtualKeyboard : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRows = 4;
  static constexpr int kCols = 13;
  static constexpr int kMaxText = 50;  // characters key presses may type

  explicit TVirtualKeyboard(QWidget* parent = nullptr);

  const QString& Text() const { return text_; }
  void SetText(const QString& text) { text_ = text.left(kMaxText); }
  // Labels, row-major: row r, column c at r × 13 + c (52 of the 60 slots used).
  const std::array<QString, 60>& Labels() const { return labels_; }
  const std::array<QString, 60>& ShiftLabels() const { return shiftLabels_; }
  QString Label(int row, int col) const;  // of the layer showing
  bool Shifted() const { return shifted_; }
  int PressedRow() const { return pressedRow_; }
  int PressedCol() const { return pressedCol_; }

  // The built-in layout.
  void SetQWERTY();
  // Reads a layout file: line 0 "Spinwave Keyboard layout", lines 1-4 the normal rows and 6-9
  // the shifted rows, 13 labels each as comma text. A missing file or one with another first
  // line is ignored (false). Rows with fewer than 13 labels, or missing lines, stop the reading
  // there: the rows read before stay, and false is returned.
  bool LoadLayout(const std::string& fileName);

  // Key pictures: 0 released, 1 pressed. Both should have the same size; the released one sets
  // the geometry. Other indexes are ignored (set) or give a null picture (get).
  void SetBMP(int index, const QPixmap& picture);
  QPixmap GetBMP(int index) const;

  // Geometry (see above).
  QSize KeySize() const;
  QRect KeyRect(int row, int col) const;  // empty for a key without a label
  bool IsWide(int row, int col) const;
  // The key under a point: rows and columns counted from the key starts; a point left of or
  // above the first key counts as column 0 / row 0, and row 3, column 11 as the space key.
  void MouseToButton(int x, int y, int& row, int& col) const;

  // Presses and releases a key as a mouse would (tests and the window use them).
  void PressKey(int row, int col);
  void ReleaseKey();

  // Events: after every key press with the new Text; the Close key.
  std::function<void(TVirtualKeyboard* sender, const QString& text)> OnButtonDown;
  std::function<void(TVirtualKeyboard* sender)> OnUserDone;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Relayout();
  void DrawKey(class QPainter& painter, int row, int col, bool pressed) const;

  QString text_;
  std::array<QString, 60> labels_;
  std::array<QString, 60> shiftLabels_;
  bool shifted_ = false;
  int pressedRow_ = -1;
  int pressedCol_ = -1;
  bool down_ = false;
  QPixmap up_, downPicture_;
};

}  // namespace spinwave
