#include "controls/TEMButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace spinwave {

TEMButton::TEMButton(QWidget* parent)
    : QWidget(parent),
      lightColor_(ColorFromWin(7566195)),
      shadowColor_(ColorFromWin(2171169)) {
  setFocusPolicy(Qt::StrongFocus);  // tab stop
  setCursor(Qt::PointingHandCursor);
  resize(38, 17);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
}

TEMButton::~TEMButton() = default;

QSize TEMButton::sizeHint() const {
  if (glyphs_[0].isNull()) return QSize(38, 17);
  return glyphs_[0].size() + QSize(2, 2);
}

void TEMButton::SetBtnState(bool on) {
  if (on == buttonOn_) return;
  buttonOn_ = on;
  update();
}

void TEMButton::ToggleSwitch() { SetBtnState(!buttonOn_); }

QPixmap TEMButton::GetSwitchGlyph(int i) const {
  if (i < 0 || i > 1) return QPixmap();
  return glyphs_[i];
}

void TEMButton::SetSwitchGlyph(int i, const QPixmap& glyph) {
  if (i < 0 || i > 1) return;
  glyphs_[i] = glyph;
  drawn_[i] = transparent_ ? TransparentPicture(glyph) : glyph;
  if (!glyphs_[0].isNull()) resize(glyphs_[0].size() + QSize(2, 2));
  update();
}

void TEMButton::SetButtonLightColor(const QColor& color) {
  if (color == lightColor_) return;
  lightColor_ = color;
  update();
}

void TEMButton::SetButtonShadowColor(const QColor& color) {
  if (color == shadowColor_) return;
  shadowColor_ = color;
  update();
}

void TEMButton::SetShowFocus(bool show) {
  if (show == showFocus_) return;
  showFocus_ = show;
  update();
}

void TEMButton::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  for (int i = 0; i < 2; ++i) drawn_[i] = transparent_ ? TransparentPicture(glyphs_[i]) : glyphs_[i];
  update();
}

void TEMButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(backgroundRole()));
  const bool pressed = style_ == bsLowered;
  const QPixmap& glyph = drawn_[buttonOn_ ? 1 : 0];
  const int gw = glyphs_[0].isNull() ? width() - 2 : glyphs_[0].width();
  const int gh = glyphs_[0].isNull() ? height() - 2 : glyphs_[0].height();
  if (!glyph.isNull()) painter.drawPixmap(pressed ? 2 : 1, pressed ? 2 : 1, glyph);

  // Frame from (0, 0) to (gw + 1, gh + 1).
  const QColor topLeft = pressed ? shadowColor_ : lightColor_;
  painter.fillRect(QRect(0, 0, gw + 2, 1), topLeft);
  painter.fillRect(QRect(0, 0, 1, gh + 2), topLeft);
  painter.fillRect(QRect(1, gh + 1, gw + 1, 1), shadowColor_);
  painter.fillRect(QRect(gw + 1, 1, 1, gh + 1), shadowColor_);
  if (pressed) {
    painter.fillRect(QRect(1, 1, gw, 1), shadowColor_);
    painter.fillRect(QRect(1, 1, 1, gh), shadowColor_);
  }
  if (showFocus_ && hasFocus() && (focusPolicy() & Qt::TabFocus)) {
    QPen pen(palette().color(QPalette::Highlight));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TEMButton::LeftDown(QMouseEvent* event) {
  style_ = bsLowered;
  update();
  const QPoint p = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
  intervalAtPress_ = pressInterval_;
  ticks_ = 0;
  if (OnMousePress) {
    repeating_ = true;
    dueIn_ = pressInterval_;
    timer_.start(std::max(0, dueIn_));
    OnMousePress(this);
  }
}

void TEMButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    const QPoint p = event->position().toPoint();
    if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    return;
  }
  clicked_ = true;
  LeftDown(event);
}

void TEMButton::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // The second press of a double click acts as a press but raises OnDblClick instead of a
  // click on release.
  clicked_ = false;
  LeftDown(event);
  if (OnDblClick) OnDblClick(this);
}

void TEMButton::Release() {
  StopRepeat();
  if (style_ == bsLowered) {
    style_ = bsRaised;
    pressInterval_ = intervalAtPress_;
    update();
  }
}

void TEMButton::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    if (focusPolicy() != Qt::NoFocus && isEnabled()) setFocus(Qt::MouseFocusReason);
    Release();
    const bool click = clicked_ && rect().contains(p);
    clicked_ = false;
    if (click && OnClick) OnClick(this);
  }
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TEMButton::RepeatTick() {
  if (!repeating_) return;
  if (!OnMousePress) {  // the handler was removed while held
    StopRepeat();
    return;
  }
  ++ticks_;
  OnMousePress(this);
  if (!repeating_) return;  // the handler released the button
  if (intervalAtPress_ == kDefaultPressInterval) {
    // Holding accelerates: 200 ms after the first repeat, then 10 ms shorter per repeat down to
    // 100 ms, then as fast as the timer goes.
    if (ticks_ == 1)
      pressInterval_ = 200;
    else if (pressInterval_ > 100)
      pressInterval_ -= 10;
    else
      pressInterval_ = 1;
  }
  dueIn_ = pressInterval_;
}

void TEMButton::OnTimer() {
  RepeatTick();
  if (repeating_) timer_.start(std::max(0, dueIn_));
}

void TEMButton::AdvanceRepeat(int ms) {
  if (!repeating_) return;
  timer_.stop();
  while (repeating_ && ms >= dueIn_) {
    ms -= dueIn_;
    RepeatTick();
    if (dueIn_ <= 0) dueIn_ = 1;  // a zero interval still takes a timer tick
  }
  if (repeating_) {
    dueIn_ -= ms;
    timer_.start(std::max(0, dueIn_));
  }
}

void TEMButton::StopRepeat() {
  repeating_ = false;
  timer_.stop();
}

void TEMButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TEMButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TEMButton::hideEvent(QHideEvent* event) {
  // A hidden button never sees its release: stop repeating rather than run on.
  QWidget::hideEvent(event);
  clicked_ = false;
  Release();
}

void TEMButton::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    clicked_ = false;
    Release();
  }
}

}  // namespace spinwave
