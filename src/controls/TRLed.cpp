#include "controls/TRLed.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace spinwave {

namespace {

// Nearest integer, halves to even.
int Rnd(double x) { return int(std::nearbyint(x)); }

}  // namespace

TRLed::TRLed(QWidget* parent)
    : QWidget(parent),
      colorLow_(ColorFromWin(65280)),
      colorMid_(ColorFromWin(47871)),
      colorHi_(ColorFromWin(255)),
      backColor_(Qt::black) {
  dimLow_ = Dimmed(colorLow_);
  dimMid_ = Dimmed(colorMid_);
  dimHi_ = Dimmed(colorHi_);
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel comes from the off-screen picture
  resize(25, 152);
  ResetPeak();
}

TRLed::~TRLed() = default;

QColor TRLed::Dimmed(const QColor& c) {
  return QColor(c.red() / 5 * 2, c.green() / 5 * 2, c.blue() / 5 * 2);
}

QColor TRLed::Highlight(const QColor& c) {
  int rgb[3] = {c.red(), c.green(), c.blue()};
  bool reached = false;
  for (int& v : rgb) {
    v = v <= 170 ? v * 3 / 2 : 255;
    if (v >= 255) reached = true;
  }
  if (reached) {
    for (int& v : rgb)
      if (v < 75) v = 100;
  }
  return QColor(rgb[0], rgb[1], rgb[2]);
}

int TRLed::BarCount() const {
  if (barSize_ == 0) return 0;
  const int length = orientation_ == trVertical ? height() : width();
  return std::max(0, length / barSize_);
}

int TRLed::LitBarCount() const {
  const int count = BarCount();
  if (maxValue_ <= 0) return 0;
  // Percent of full scale; kept within 0..100 so that a position outside the range (after the
  // range shrank, or a negative level) shows an empty or a full meter rather than a wrapped one.
  const int pct = std::clamp(Rnd(double(position_) / maxValue_ * 100.0), 0, 100);
  return std::clamp(Rnd(count / 100.0 * pct), 0, count);
}

int TRLed::ZoneOf(int bar) const {
  const int count = BarCount();
  if (bar < Rnd(count / 100.0 * (100 - peakPos_))) return 2;
  if (bar < Rnd(count / 100.0 * (100 - midPos_))) return 1;
  return 0;
}

QRect TRLed::BarRect(int bar) const {
  const int count = BarCount();
  const int fromStart = (count - bar) * barSize_;  // bar `count` sits at the start
  if (orientation_ == trVertical)
    return QRect(0, height() - fromStart - barSize_, width(), barSize_);
  return QRect(fromStart, 0, barSize_, height());
}

int TRLed::ClickPositionAt(int x) const {
  if (width() <= 0) return 0;
  return x * (maxValue_ / width());
}

bool TRLed::WantLit(int bar, int firstLit) const {
  return bar >= firstLit || (peaksFall_ && bar == peakLed_);
}

void TRLed::TrackPeak() {
  const int lit = LitBarCount();
  if (lit <= 0) return;
  const int highest = BarCount() - lit + 1;
  if (highest < peakLed_) peakLed_ = highest;
}

void TRLed::ResetPeak() { peakLed_ = BarCount() + 1; }

void TRLed::Invalidate() {
  fullRedraw_ = true;
  update();
}

void TRLed::ScheduleIfChanged() {
  TrackPeak();
  if (fullRedraw_ || LitBarCount() != paintedLit_ || (peaksFall_ && peakLed_ != paintedPeak_))
    update();
}

void TRLed::SetPosition(int p) {
  if (p > maxValue_ || p == position_) return;
  position_ = p;
  ScheduleIfChanged();
}

void TRLed::SetMaxValue(int value) {
  if (value == maxValue_) return;
  maxValue_ = value;
  Invalidate();
}

void TRLed::SetPeakPos(int p) {
  if (p >= 100 || p == peakPos_) return;
  peakPos_ = p;
  Invalidate();
}

void TRLed::SetMidPos(int p) {
  if (p >= peakPos_ || p == midPos_) return;
  midPos_ = p;
  Invalidate();
}

void TRLed::SetBarSize(std::uint16_t size) {
  const int length = orientation_ == trVertical ? height() : width();
  // A zero size would leave no bars to count (and divide by zero).
  if (size == 0 || size >= length - 4 || size == barSize_) return;
  barSize_ = size;
  ResetPeak();
  Invalidate();
}

void TRLed::SetOrientation(TTrackBarOrientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  ResetPeak();
  Invalidate();
}

void TRLed::SetPeaksFall(bool on) {
  if (on == peaksFall_) return;
  peaksFall_ = on;
  paintedPeak_ = -1;  // the held-peak bar changes look on the next paint
  update();
}

void TRLed::SetColorLow(const QColor& color) {
  colorLow_ = color;
  dimLow_ = Dimmed(color);
  Invalidate();
}

void TRLed::SetColorMid(const QColor& color) {
  colorMid_ = color;
  dimMid_ = Dimmed(color);
  Invalidate();
}

void TRLed::SetColorHi(const QColor& color) {
  colorHi_ = color;
  dimHi_ = Dimmed(color);
  Invalidate();
}

void TRLed::SetBackColor(const QColor& color) {
  backColor_ = color;
  Invalidate();
}

void TRLed::SetPeakLed(int bar) {
  if (bar == peakLed_) return;
  peakLed_ = bar;
  if (peaksFall_) update();
}

void TRLed::FallPeak() {
  if (peakLed_ <= BarCount()) SetPeakLed(peakLed_ + 1);
}

void TRLed::DrawBar(QPainter& painter, int bar, bool lit) {
  const int zone = ZoneOf(bar);
  const QColor fill = lit ? (zone == 2 ? colorHi_ : zone == 1 ? colorMid_ : colorLow_)
                          : (zone == 2 ? dimHi_ : zone == 1 ? dimMid_ : dimLow_);
  const QRect cell = BarRect(bar);
  // Inset 2 pixels across the meter and 1 pixel along it.
  const QRect r = orientation_ == trVertical ? cell.adjusted(2, 1, -2, -1)
                                              : cell.adjusted(1, 2, -1, -2);
  if (r.width() <= 0 || r.height() <= 0) return;
  painter.fillRect(r, fill);
  // One-pixel bevel: highlight on the top and left edges, the dimmed fill on the others.
  const QColor light = Highlight(fill);
  const QColor dark = Dimmed(fill);
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), light);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), light);
  if (r.height() > 1) painter.fillRect(QRect(r.left() + 1, r.bottom(), r.width() - 1, 1), dark);
  if (r.width() > 1) painter.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), dark);
}

const QImage& TRLed::Render() {
  if (busy_) return work_;
  busy_ = true;
  if (work_.size() != size()) {
    work_ = QImage(size(), QImage::Format_RGB32);
    fullRedraw_ = true;
  }
  TrackPeak();
  const int count = BarCount();
  const int lit = LitBarCount();
  const int firstLit = count - lit + 1;
  if (int(drawn_.size()) != count) {
    drawn_.assign(std::size_t(count), 0);
    fullRedraw_ = true;
  }
  if (!fullRedraw_ && lit == paintedLit_ && peakLed_ == paintedPeak_) {
    busy_ = false;  // nothing moved since the last paint
    return work_;
  }
  QPainter painter(&work_);
  if (fullRedraw_) work_.fill(backColor_);
  // Only bars whose look differs from the last paint are drawn again: newly lit, newly unlit
  // and the bar the held peak left.
  for (int bar = 1; bar <= count; ++bar) {
    const bool want = WantLit(bar, firstLit);
    if (fullRedraw_ || drawn_[std::size_t(bar - 1)] != std::uint8_t(want)) {
      DrawBar(painter, bar, want);
      drawn_[std::size_t(bar - 1)] = want;
    }
  }
  fullRedraw_ = false;
  paintedLit_ = lit;
  paintedPeak_ = peakLed_;
  busy_ = false;
  return work_;
}

void TRLed::paintEvent(QPaintEvent* event) {
  if (busy_) return;
  const QImage& picture = Render();
  QPainter painter(this);
  const QRect r = event->rect();
  painter.drawImage(r.topLeft(), picture, r);
}

void TRLed::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A new size is drawn in full on the next paint (the picture's size no longer matches).
  if (peakLed_ > BarCount() + 1) ResetPeak();
}

void TRLed::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnClickPosition)
    OnClickPosition(this, ClickPositionAt(int(event->position().x())));
}

}  // namespace spinwave
