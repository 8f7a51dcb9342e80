#include "controls/TEMSlider.h"

#include <algorithm>
#include <cmath>

#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

namespace spinwave {

namespace {

int Rnd(double x) { return int(std::nearbyint(x)); }

const QCursor& HandCursor() {
  static const QCursor cursor(ControlResourcePicture("HANDCURSOR"), 4, 0);
  return cursor;
}

}  // namespace

TEMSlider::TEMSlider(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);  // tab stop
  setMouseTracking(true);           // hand cursor over the thumb
  resize(204, 24);
  LoadDefaults();
  Relayout();
}

TEMSlider::~TEMSlider() = default;

void TEMSlider::LoadDefaults() {
  // The built-in pictures are drawn for a vertical slider; a horizontal slider shows them
  // turned a quarter.
  QTransform turn;
  turn.rotate(90);
  const bool horizontal = orientation_ == soHorizontal;
  if (!thumbAssigned_) {
    thumb_ = ControlResourcePicture("THUMB");
    if (horizontal) thumb_ = thumb_.transformed(turn);
  }
  if (!rulerAssigned_) {
    defaultRuler_ = ControlResourcePicture("RULER");
    if (horizontal) defaultRuler_ = defaultRuler_.transformed(turn);
    ruler_ = defaultRuler_;
  }
  rulerTransparent_ = TransparentPicture(ruler_);
}

void TEMSlider::FitDefaultRuler() {
  // The built-in ruler is stretched along the whole slider; an assigned ruler is drawn as it is.
  if (rulerAssigned_ || defaultRuler_.isNull()) return;
  const QSize want = orientation_ == soVertical
                         ? QSize(defaultRuler_.width(), std::max(1, height()))
                         : QSize(std::max(1, width()), defaultRuler_.height());
  if (ruler_.size() == want) return;
  ruler_ = defaultRuler_.scaled(want, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  rulerTransparent_ = TransparentPicture(ruler_);
}

void TEMSlider::SetImageThumb(const QPixmap& picture) {
  thumbAssigned_ = !picture.isNull();
  if (thumbAssigned_) thumb_ = picture;
  LoadDefaults();
  Relayout();
}

void TEMSlider::SetImageRuler(const QPixmap& picture) {
  rulerAssigned_ = !picture.isNull();
  if (rulerAssigned_) ruler_ = picture;
  LoadDefaults();
  Relayout();
}

void TEMSlider::SetOrientation(TSliderOrientation orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  LoadDefaults();
  Relayout();
}

void TEMSlider::SetReverse(bool reverse) {
  if (reverse == reverse_) return;
  reverse_ = reverse;
  MoveThumb();
}

void TEMSlider::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  update();
}

void TEMSlider::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (readOnly_) dragging_ = false;
}

void TEMSlider::SetValue(int v) {
  v = std::clamp(v, minValue_, maxValue_);
  if (v == value_) return;
  value_ = v;
  MoveThumb();
  if (OnChange) OnChange(this);
}

void TEMSlider::SetMinValue(int v) { SetRange(v, std::max(v, maxValue_)); }

void TEMSlider::SetMaxValue(int v) { SetRange(std::min(v, minValue_), v); }

void TEMSlider::SetRange(int minValue, int maxValue) {
  if (maxValue < minValue) maxValue = minValue;
  minValue_ = minValue;
  maxValue_ = maxValue;
  const int clamped = std::clamp(value_, minValue_, maxValue_);
  if (clamped != value_) {
    value_ = clamped;
    MoveThumb();
    if (OnChange) OnChange(this);
  } else {
    MoveThumb();  // the same value sits elsewhere in a new range
  }
}

int TEMSlider::RulerLength() const {
  const int length = orientation_ == soVertical ? height() - thumb_.height()
                                                 : width() - thumb_.width();
  return std::max(1, length);
}

int TEMSlider::ValueFromOffset(int offset) const {
  // Vertical sliders count upward from the bottom.
  const int o = orientation_ == soVertical ? height() - offset - thumb_.height() : offset;
  const double range = double(maxValue_) - double(minValue_);
  const long long steps = std::max<long long>(std::llrint(double(o) * range / RulerLength()), 0);
  int v = int(std::min<long long>(steps + minValue_, maxValue_));
  if (reverse_) v = int((long long)maxValue_ + minValue_ - v);
  return v;
}

int TEMSlider::OffsetFromValue(int value) const {
  if (reverse_) value = int((long long)maxValue_ + minValue_ - value);
  const double range = double(maxValue_) - double(minValue_);
  const int o = range == 0
                    ? 0
                    : std::max(Rnd((double(value) - double(minValue_)) * RulerLength() / range), 0);
  return orientation_ == soVertical ? height() - thumb_.height() - o : o;
}

int TEMSlider::AlongPos(const QPoint& p) const {
  return orientation_ == soVertical ? p.y() : p.x();
}

void TEMSlider::Relayout() {
  FitDefaultRuler();
  const int tw = thumb_.width(), th = thumb_.height();
  const int rw = ruler_.width(), rh = ruler_.height();
  if (orientation_ == soVertical) {
    // Across is x. A ruler narrower than the thumb is centred on the thumb's track, which lies
    // at the edge; otherwise the ruler lies at the edge and the track is centred.
    int thumbX, rulerX;
    if (rw < tw) {
      thumbX = 0;
      rulerX = (tw - rw) / 2;
    } else {
      rulerX = 0;
      thumbX = (width() - tw) / 2;
    }
    rulerRect_ = QRect(rulerX, 0, rw, rh);
    thumbRect_ = QRect(thumbX, OffsetFromValue(value_), tw, th);
  } else {
    int thumbY, rulerY;
    if (rh < th) {
      thumbY = 0;
      rulerY = (th - rh) / 2;
    } else {
      rulerY = 0;
      thumbY = (height() - th) / 2;
    }
    rulerRect_ = QRect(0, rulerY, rw, rh);
    thumbRect_ = QRect(OffsetFromValue(value_), thumbY, tw, th);
  }
  update();
}

void TEMSlider::MoveThumb() {
  const QRect old = thumbRect_;
  const int o = OffsetFromValue(value_);
  if (orientation_ == soVertical)
    thumbRect_.moveTop(o);
  else
    thumbRect_.moveLeft(o);
  if (thumbRect_ != old) update(QRegion(old) + QRegion(thumbRect_));
}

void TEMSlider::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setClipRegion(event->region());
  painter.drawPixmap(rulerRect_.topLeft(), transparent_ ? rulerTransparent_ : ruler_);
  painter.drawPixmap(thumbRect_.topLeft(), thumb_);
}

void TEMSlider::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TEMSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  const QPoint p = event->position().toPoint();
  if (!readOnly_ && thumbRect_.contains(p)) {
    dragging_ = true;
    dragOffset_ = AlongPos(p) - AlongPos(thumbRect_.topLeft());
  }
}

void TEMSlider::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (dragging_) {
    const int travel = orientation_ == soVertical ? height() - thumb_.height()
                                                   : width() - thumb_.width();
    const int offset = std::clamp(AlongPos(p) - dragOffset_, 0, std::max(0, travel));
    SetValue(ValueFromOffset(offset));  // the thumb snaps to the whole value
    return;
  }
  if (thumbRect_.contains(p))
    setCursor(HandCursor());
  else
    unsetCursor();
}

void TEMSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  if (!readOnly_ && OnChanged) OnChanged(this);
}

void TEMSlider::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
}

}  // namespace spinwave
