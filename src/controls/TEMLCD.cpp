#include "controls/TEMLCD.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

namespace spinwave {

namespace {

// Segments of "0".."9": bit s-1 for segment s (1 top, 2 upper left, 3 upper right, 4 middle,
// 5 lower left, 6 lower right, 7 bottom).
constexpr unsigned char kDigitSegments[10] = {
    0b1110111,  // 0: 1 2 3 5 6 7
    0b0100100,  // 1: 3 6
    0b1011101,  // 2: 1 3 4 5 7
    0b1101101,  // 3: 1 3 4 6 7
    0b0101110,  // 4: 2 3 4 6
    0b1101011,  // 5: 1 2 4 6 7
    0b1111011,  // 6: 1 2 4 5 6 7
    0b0100101,  // 7: 1 3 6
    0b1111111,  // 8
    0b1101111,  // 9: 1 2 3 4 6 7
};

unsigned SegmentsOf(QChar c) {
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return kDigitSegments[c.unicode() - '0'];
  if (c == QLatin1Char('-')) return 1u << 3;
  return 0;
}

bool IsShowable(const QString& text) {
  for (QChar c : text) {
    if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('-') &&
        c != QLatin1Char(' '))
      return false;
  }
  return true;
}

}  // namespace

TEMLCD::TEMLCD(QWidget* parent)
    : QWidget(parent),
      onColor_(ColorFromWin(65280)),
      offColor_(ColorFromWin(2705961)),
      color_(Qt::black) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel comes from the off-screen picture
  resize(35, 22);
}

TEMLCD::~TEMLCD() = default;

void TEMLCD::SetValue(const QString& text) {
  if (text == value_) return;
  value_ = IsShowable(text) ? text : QString();
  if (CellText() != drawnText_ || fullRedraw_) update();
}

void TEMLCD::SetIntValue(int n) { SetValue(QString::number(n)); }

int TEMLCD::GetIntValue() const {
  // Leading spaces, an optional sign and digits, nothing after them; anything else is 0.
  int i = 0;
  const int n = int(value_.size());
  while (i < n && value_[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < n && (value_[i] == QLatin1Char('-') || value_[i] == QLatin1Char('+'))) {
    negative = value_[i] == QLatin1Char('-');
    ++i;
  }
  if (i == n) return 0;
  long long result = 0;
  for (; i < n; ++i) {
    const QChar c = value_[i];
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
    result = result * 10 + (c.unicode() - '0');
    if (result > 2147483648LL) return 0;
  }
  if (negative) result = -result;
  if (result > 2147483647LL) return 0;
  return int(result);
}

void TEMLCD::SetDigitNum(int n) {
  if (n < 1 || n == digitNum_) return;
  digitNum_ = n;
  FullRedraw();
}

void TEMLCD::SetDigitSpacing(int pixels) {
  if (pixels < 0 || pixels == digitSpacing_) return;
  digitSpacing_ = pixels;
  FullRedraw();
}

void TEMLCD::SetGapX(int pixels) {
  if (pixels < 0 || pixels == gapX_) return;
  gapX_ = pixels;
  FullRedraw();
}

void TEMLCD::SetGapY(int pixels) {
  if (pixels < 0 || pixels == gapY_) return;
  gapY_ = pixels;
  FullRedraw();
}

void TEMLCD::SetSegmentWidth(int pixels) {
  if (pixels < 1 || pixels == segmentWidth_) return;
  segmentWidth_ = pixels;
  FullRedraw();
}

void TEMLCD::SetOnColor(const QColor& color) {
  if (color == onColor_) return;
  onColor_ = color;
  FullRedraw();
}

void TEMLCD::SetOffColor(const QColor& color) {
  if (color == offColor_) return;
  offColor_ = color;
  FullRedraw();
}

void TEMLCD::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  FullRedraw();
}

void TEMLCD::SetImage(const QPixmap& image) {
  image_ = image;
  FullRedraw();
}

void TEMLCD::SetLampOn(bool on) {
  if (on == lampOn_) return;
  lampOn_ = on;
  FullRedraw();
}

void TEMLCD::FullRedraw() {
  fullRedraw_ = true;
  update();
}

int TEMLCD::CellWidth() const {
  return (width() - digitNum_ * digitSpacing_ - 1) / digitNum_;
}

int TEMLCD::CellLeft(int i) const {
  return digitSpacing_ / 2 + i * (digitSpacing_ + CellWidth());
}

QString TEMLCD::CellText() const {
  // Right-aligned: padded on the left with "0" (an empty value with spaces), and only the first
  // DigitNum characters are shown.
  QString text = value_;
  const QChar pad = text.isEmpty() ? QLatin1Char(' ') : QLatin1Char('0');
  if (text.size() < digitNum_) text = QString(digitNum_ - text.size(), pad) + text;
  return text.left(digitNum_);
}

void TEMLCD::DrawCell(QPainter& painter, int i, QChar c) {
  const unsigned lit = lampOn_ ? SegmentsOf(c) : 0;
  const int x0 = CellLeft(i);
  const int cw = CellWidth();
  const int h = height() - 1;  // digit height
  const int sw = segmentWidth_;
  const int half = (h - 1) / 2;
  const int vlen = half - 2 * gapY_;
  const int x1 = x0 + gapX_;       // horizontal segments run from x1 to x2
  const int x2 = x0 + cw - gapX_;
  const int xr = x0 + cw - sw;     // left edge of the right-hand verticals
  const int s = std::max(1, sw / 2);
  const int yc = half + 1;         // point line of the middle segment
  const int upperTop = gapY_;
  const int upperBottom = gapY_ + vlen;
  const int lowerTop = half + 1 + gapY_;
  const int lowerBottom = lowerTop + vlen;

  QPolygon shapes[7];
  // 1 top: bevelled on its inner (lower) side.
  shapes[0] << QPoint(x1, 0) << QPoint(x2, 0) << QPoint(x2 - sw, sw) << QPoint(x1 + sw, sw);
  // 2 upper left, 5 lower left: bevelled towards the inside (right).
  shapes[1] << QPoint(x0, upperTop) << QPoint(x0 + sw, upperTop + sw)
            << QPoint(x0 + sw, upperBottom - sw) << QPoint(x0, upperBottom);
  shapes[4] << QPoint(x0, lowerTop) << QPoint(x0 + sw, lowerTop + sw)
            << QPoint(x0 + sw, lowerBottom - sw) << QPoint(x0, lowerBottom);
  // 3 upper right, 6 lower right: bevelled towards the inside (left).
  shapes[2] << QPoint(xr + sw, upperTop) << QPoint(xr + sw, upperBottom)
            << QPoint(xr, upperBottom - sw) << QPoint(xr, upperTop + sw);
  shapes[5] << QPoint(xr + sw, lowerTop) << QPoint(xr + sw, lowerBottom)
            << QPoint(xr, lowerBottom - sw) << QPoint(xr, lowerTop + sw);
  // 4 middle: pointed at both ends.
  shapes[3] << QPoint(x1, yc) << QPoint(x1 + s, yc - s) << QPoint(x2 - s, yc - s)
            << QPoint(x2, yc) << QPoint(x2 - s, yc - s + sw) << QPoint(x1 + s, yc - s + sw);
  // 7 bottom: bevelled on its inner (upper) side.
  shapes[6] << QPoint(x1 + sw, h - sw) << QPoint(x2 - sw, h - sw) << QPoint(x2, h)
            << QPoint(x1, h);

  for (int seg = 0; seg < 7; ++seg) {
    painter.setBrush((lit >> seg) & 1u ? onColor_ : offColor_);
    painter.drawPolygon(shapes[seg]);
  }
}

const QImage& TEMLCD::Render() {
  if (isPainting_) return work_;
  isPainting_ = true;
  const QString text = CellText();
  if (work_.size() != size()) {
    work_ = QImage(size(), QImage::Format_RGB32);
    fullRedraw_ = true;
  }
  if (fullRedraw_ || text != drawnText_) {
    QPainter painter(&work_);
    painter.setPen(Qt::NoPen);
    if (fullRedraw_) {
      work_.fill(color_);
      if (!image_.isNull()) painter.drawPixmap(0, 0, image_);
    }
    for (int i = 0; i < digitNum_; ++i) {
      if (fullRedraw_ || i >= drawnText_.size() || drawnText_[i] != text[i])
        DrawCell(painter, i, text[i]);
    }
    drawnText_ = text;
    fullRedraw_ = false;
  }
  isPainting_ = false;
  return work_;
}

void TEMLCD::paintEvent(QPaintEvent* event) {
  if (isPainting_) return;
  const QImage& picture = Render();
  QPainter painter(this);
  const QRect r = event->rect();
  painter.drawImage(r.topLeft(), picture, r);
}

void TEMLCD::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(event);
}

void TEMLCD::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) pressed_ = false;
  if (click && OnClick) OnClick(this);
}

}  // namespace spinwave
