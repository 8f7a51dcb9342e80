#include "controls/TEMLed.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/TLEDBitmap.h"

namespace spinwave {

TEMLed::TEMLed(QWidget* parent) : QWidget(parent) {
  TLEDBitmap::Attach(this);
  resize(97, 17);
}

TEMLed::~TEMLed() { TLEDBitmap::Detach(this); }

void TEMLed::SetState(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update(LampRect());
}

bool TEMLed::ChangeState() {
  lit_ = !lit_;
  update(LampRect());
  return lit_;
}

void TEMLed::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TEMLed::SetAlignment(TCaptionAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  update();
}

void TEMLed::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  update();
}

void TEMLed::SetTextColor(const QColor& color) {
  textColor_ = color;
  update();
}

QColor TEMLed::TextColor() const {
  return textColor_.isValid() ? textColor_ : palette().color(QPalette::WindowText);
}

QRect TEMLed::LampRect() const {
  const int w = width(), h = height();
  switch (alignment_) {
    case caRight:  // lamp at the left edge, vertically centred
      return QRect(0, (h - kLampHeight) / 2, kLampWidth, kLampHeight);
    case caLeft:  // lamp at the right edge
      return QRect(w - kLampWidth, (h - kLampHeight) / 2, kLampWidth, kLampHeight);
    case caTop:  // lamp at the bottom centre
      return QRect((w - kLampWidth) / 2, h - kLampHeight, kLampWidth, kLampHeight);
    case caBottom:  // lamp at the top centre
      return QRect((w - kLampWidth) / 2, 0, kLampWidth, kLampHeight);
  }
  return {};
}

QRect TEMLed::CaptionRect() const {
  const int w = width(), h = height();
  switch (alignment_) {
    case caRight: return QRect(15, 0, std::max(0, w - 15), h);
    case caLeft: return QRect(0, 0, std::max(0, w - 15), h);
    case caTop: return QRect(0, 0, w, std::max(0, h - 16));
    case caBottom: return QRect(0, 16, w, std::max(0, h - 16));
  }
  return {};
}

void TEMLed::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!transparent_) painter.fillRect(rect(), palette().color(backgroundRole()));
  const QPixmap& picture = TLEDBitmap::Picture();
  if (!picture.isNull()) {
    const QRect lamp = LampRect();
    painter.drawPixmap(lamp.topLeft(), picture,
                       QRect(lit_ ? kLampWidth : 0, 0, kLampWidth, kLampHeight));
  }
  if (caption_.isEmpty()) return;
  int flags = Qt::TextSingleLine;
  switch (alignment_) {
    case caRight: flags |= Qt::AlignLeft | Qt::AlignVCenter; break;
    case caLeft: flags |= Qt::AlignLeft | Qt::AlignVCenter; break;
    case caTop: flags |= Qt::AlignHCenter | Qt::AlignBottom; break;
    case caBottom: flags |= Qt::AlignHCenter | Qt::AlignTop; break;
  }
  const QRect r = CaptionRect();
  painter.setFont(font());
  if (isEnabled()) {
    painter.setPen(TextColor());
    painter.drawText(r, flags, caption_);
  } else {
    // Embossed: highlight offset by (1, 1), then the shadow in place.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(r.translated(1, 1), flags, caption_);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(r, flags, caption_);
  }
}

void TEMLed::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange ||
      event->type() == QEvent::PaletteChange)
    update();
}

void TEMLed::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      OnClick)
    OnClick(this);
}

}  // namespace spinwave
