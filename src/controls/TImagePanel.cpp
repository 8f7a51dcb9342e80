#include "controls/TImagePanel.h"

#include <QPainter>

namespace spinwave {

TImagePanel::TImagePanel(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void TImagePanel::SetImage(const QPixmap& image) {
  image_ = image;
  update();
}

void TImagePanel::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  update();
}

void TImagePanel::SetShowImage(bool show) {
  if (show == showImage_) return;
  showImage_ = show;
  update();
}

void TImagePanel::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(backgroundRole(), color);
  setPalette(p);
}

QColor TImagePanel::Color() const { return palette().color(backgroundRole()); }

QRect TImagePanel::ImageRect() const {
  if (image_.isNull()) return {};
  if (!center_) return QRect(QPoint(0, 0), image_.size());
  return QRect((width() - image_.width()) / 2, (height() - image_.height()) / 2, image_.width(),
               image_.height());
}

void TImagePanel::paintEvent(QPaintEvent*) {
  if (!showImage_ || image_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(ImageRect().topLeft(), image_);
}

}  // namespace spinwave
