#include "controls/TVirtualKeyboard.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include "core/AsciiText.h"
#include "table/CommaText.h"

namespace spinwave {

namespace {

// A rounded key face, 32 × 32: light grey released, darker and shifted down when pressed.
QPixmap KeyPicture(bool pressed) {
  QPixmap p(32, 32);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 0, 32);
  face.setColorAt(0, pressed ? QColor(70, 74, 84) : QColor(120, 126, 140));
  face.setColorAt(1, pressed ? QColor(40, 42, 50) : QColor(70, 74, 86));
  painter.setPen(QPen(QColor(20, 22, 26), 1));
  painter.setBrush(face);
  painter.drawRoundedRect(QRectF(0.5, pressed ? 1.5 : 0.5, 31, 30), 5, 5);
  return p;
}

bool IsCommandCol(int col) { return col == TVirtualKeyboard::kCols - 1; }

}  // namespace

TVirtualKeyboard::TVirtualKeyboard(QWidget* parent) : QWidget(parent) {
  QFont f(QStringLiteral("Arial"), 10);
  f.setBold(true);
  setFont(f);
  setCursor(Qt::PointingHandCursor);
  up_ = KeyPicture(false);
  downPicture_ = KeyPicture(true);
  SetQWERTY();
  Relayout();
}

QString TVirtualKeyboard::Label(int row, int col) const {
  if (row < 0 || row >= kRows || col < 0 || col >= kCols) return {};
  return (shifted_ ? shiftLabels_ : labels_)[size_t(row * kCols + col)];
}

void TVirtualKeyboard::SetQWERTY() {
  const char* normal[kRows][kCols] = {
      {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "Backspace"},
      {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p", "[", "]", "Clear"},
      {"a", "s", "d", "f", "g", "h", "j", "k", "l", ";", "'", "\\", "Close"},
      {"z", "x", "c", "v", "b", "n", "m", ",", ".", "/", "Space", "", "Shift"},
  };
  labels_.fill(QString());
  shiftLabels_.fill(QString());
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c) {
      const QString label = QString::fromLatin1(normal[r][c]);
      labels_[size_t(r * kCols + c)] = label;
      shiftLabels_[size_t(r * kCols + c)] = c < kCols - 1 ? label.toUpper() : label;
    }
  const std::pair<int, const char*> punctuation[] = {
      {0, "!"}, {1, "@"}, {2, "#"}, {3, "$"}, {4, "%"}, {5, "^"}, {6, "&"}, {7, "*"},
      {8, "("}, {9, ")"}, {10, "_"}, {11, "+"},
      {13 + 10, "{"}, {13 + 11, "}"},
      {26 + 9, ":"}, {26 + 10, "\""}, {26 + 11, "|"},
      {39 + 7, "<"}, {39 + 8, ">"}, {39 + 9, "?"}, {39 + 10, "Space"},
  };
  for (const auto& [at, text] : punctuation) shiftLabels_[size_t(at)] = QString::fromLatin1(text);
  update();
}

bool TVirtualKeyboard::LoadLayout(const std::string& fileName) {
  QFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const std::vector<std::string> lines = SplitLines(file.readAll().toStdString());
  if (lines.empty() || lines[0] != "Spinwave Keyboard layout") return false;
  auto readRows = [&](size_t firstLine, std::array<QString, 60>& layer) {
    for (int r = 0; r < kRows; ++r) {
      const size_t line = firstLine + size_t(r);
      if (line >= lines.size()) return false;
      const std::vector<std::string> items = ReadCommaText(lines[line]);
      if (items.size() < size_t(kCols)) return false;
      for (int c = 0; c < kCols; ++c)
        layer[size_t(r * kCols + c)] = QString::fromStdString(items[size_t(c)]);
    }
    return true;
  };
  const bool ok = readRows(1, labels_) && readRows(6, shiftLabels_);
  update();
  return ok;
}

void TVirtualKeyboard::SetBMP(int index, const QPixmap& picture) {
  if (picture.isNull()) return;
  if (index == 0) {
    up_ = picture;
    Relayout();
  } else if (index == 1) {
    downPicture_ = picture;
  }
  update();
}

QPixmap TVirtualKeyboard::GetBMP(int index) const {
  if (index == 0) return up_;
  if (index == 1) return downPicture_;
  return {};
}

QSize TVirtualKeyboard::KeySize() const { return up_.size(); }

QSize TVirtualKeyboard::sizeHint() const {
  const QSize k = KeySize();
  return QSize((kCols + 1) * (k.width() + 4), kRows * (k.height() + 4));
}

void TVirtualKeyboard::Relayout() {
  setFixedSize(sizeHint());
}

bool TVirtualKeyboard::IsWide(int row, int col) const {
  return IsCommandCol(col) || Label(row, col).size() > 1;
}

QRect TVirtualKeyboard::KeyRect(int row, int col) const {
  if (Label(row, col).isEmpty()) return {};
  const QSize k = KeySize();
  const int width = IsWide(row, col) ? 2 * k.width() + 4 : k.width();
  return QRect(2 + col * (k.width() + 4), 2 + row * (k.height() + 3), width, k.height());
}

void TVirtualKeyboard::MouseToButton(int x, int y, int& row, int& col) const {
  const QSize k = KeySize();
  row = 0;
  for (int r = 0; r < kRows; ++r)
    if (r * (k.height() + 3) < y) row = r;
  // A point at or left of the first key's start is the first key: the left edge of the control
  // must not reach Backspace, Clear or Close in the last column.
  col = 0;
  for (int c = 0; c < kCols; ++c)
    if (c * (k.width() + 4) < x) col = c;
  if (row == 3 && col == 11) col = 10;  // the space key spans both columns
}

void TVirtualKeyboard::PressKey(int row, int col) {
  if (row < 0 || row >= kRows || col < 0 || col >= kCols) return;
  pressedRow_ = row;
  pressedCol_ = col;
  if (row == 3 && IsCommandCol(col)) shifted_ = !shifted_;
  down_ = true;
  update();
  if (IsCommandCol(col)) {
    if (row == 0) text_.chop(1);
    if (row == 1) text_.clear();
    if (row == 2 && OnUserDone) {
      if (OnButtonDown) OnButtonDown(this, text_);
      OnUserDone(this);
      return;
    }
  } else if (text_.size() < kMaxText) {
    text_ += (row == 3 && col == 10) ? QStringLiteral(" ") : Label(row, col);
    text_.truncate(kMaxText);
  }
  if (OnButtonDown) OnButtonDown(this, text_);
}

void TVirtualKeyboard::ReleaseKey() {
  down_ = false;
  update();
}

void TVirtualKeyboard::DrawKey(QPainter& painter, int row, int col, bool pressed) const {
  const QRect r = KeyRect(row, col);
  if (r.isEmpty()) return;
  const QPixmap& picture = pressed ? downPicture_ : up_;
  const int w = picture.width();
  painter.drawPixmap(r.left(), r.top(), picture);
  if (IsWide(row, col)) {
    painter.drawPixmap(r.left() + w + 4, r.top(), picture);
    // Cover the join with the middle third of the picture.
    const QRect middle(w / 3, 0, w / 3, picture.height());
    for (int x = r.left() + w - w / 3; x < r.left() + w + 4 + w / 3; x += w / 3)
      painter.drawPixmap(QPoint(x, r.top()), picture, middle);
  }
  QFont f = font();
  const QString label = Label(row, col);
  if (label.size() >= 8) f.setPointSize(8);
  painter.setFont(f);
  painter.setPen(Qt::white);
  painter.drawText(r.translated(0, pressed ? 1 : 0), Qt::AlignCenter, label);
}

void TVirtualKeyboard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kCols; ++c)
      DrawKey(painter, r, c, down_ && r == pressedRow_ && c == pressedCol_);
}

void TVirtualKeyboard::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  int row = 0, col = 0;
  MouseToButton(event->position().toPoint().x(), event->position().toPoint().y(), row, col);
  PressKey(row, col);
}

void TVirtualKeyboard::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ReleaseKey();
}

}  // namespace spinwave
