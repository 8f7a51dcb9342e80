#include "app/PanelArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace spinwave::art {

namespace {

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c) {
  QPolygonF poly;
  poly << a << b << c;
  p.drawPolygon(poly);
}

}  // namespace

QPixmap Glyph(Symbol symbol, QSize size, bool on, const QColor& lit, const QString& caption) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);

  QLinearGradient face(r.topLeft(), r.bottomLeft());
  if (on) {
    face.setColorAt(0, lit.lighter(115));
    face.setColorAt(1, lit.darker(160));
  } else {
    face.setColorAt(0, QColor(66, 71, 84));
    face.setColorAt(1, QColor(38, 41, 50));
  }
  p.setPen(QPen(on ? lit.lighter(140) : QColor(20, 22, 28), 1));
  p.setBrush(face);
  p.drawRoundedRect(r, 3, 3);

  const QColor ink = on ? QColor(10, 12, 16) : (symbol == Symbol::Play   ? QColor(110, 220, 120)
                                                : symbol == Symbol::Stop ? QColor(235, 110, 110)
                                                                         : kText);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  const double cx = size.width() / 2.0, cy = size.height() / 2.0;
  const double h = std::min(size.height() * 0.45, size.width() * 0.4);
  auto text = [&](const QString& t, int pixel) {
    QFont f = p.font();
    f.setPixelSize(pixel);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(r, Qt::AlignCenter, t);
  };
  switch (symbol) {
    case Symbol::Play:
      Triangle(p, {cx - h * 0.45, cy - h * 0.55}, {cx - h * 0.45, cy + h * 0.55},
               {cx + h * 0.6, cy});
      break;
    case Symbol::Stop:
      p.drawRect(QRectF(cx - h * 0.42, cy - h * 0.42, h * 0.84, h * 0.84));
      break;
    case Symbol::SetCue: text(QStringLiteral("SET"), 10); break;
    case Symbol::ToCue: text(QStringLiteral("CUE"), 10); break;
    case Symbol::SearchBack:
      Triangle(p, {cx, cy - h * 0.4}, {cx, cy + h * 0.4}, {cx - h * 0.6, cy});
      Triangle(p, {cx + h * 0.6, cy - h * 0.4}, {cx + h * 0.6, cy + h * 0.4}, {cx, cy});
      break;
    case Symbol::SearchForw:
      Triangle(p, {cx, cy - h * 0.4}, {cx, cy + h * 0.4}, {cx + h * 0.6, cy});
      Triangle(p, {cx - h * 0.6, cy - h * 0.4}, {cx - h * 0.6, cy + h * 0.4}, {cx, cy});
      break;
    case Symbol::TrackBack:
      p.drawRect(QRectF(cx - h * 0.7, cy - h * 0.4, h * 0.14, h * 0.8));
      Triangle(p, {cx - h * 0.56, cy}, {cx + h * 0.1, cy - h * 0.4}, {cx + h * 0.1, cy + h * 0.4});
      Triangle(p, {cx + h * 0.1, cy}, {cx + h * 0.7, cy - h * 0.4}, {cx + h * 0.7, cy + h * 0.4});
      break;
    case Symbol::TrackForw:
      p.drawRect(QRectF(cx + h * 0.56, cy - h * 0.4, h * 0.14, h * 0.8));
      Triangle(p, {cx + h * 0.56, cy}, {cx - h * 0.1, cy - h * 0.4}, {cx - h * 0.1, cy + h * 0.4});
      Triangle(p, {cx - h * 0.1, cy}, {cx - h * 0.7, cy - h * 0.4}, {cx - h * 0.7, cy + h * 0.4});
      break;
    case Symbol::Fade: text(QStringLiteral("FADE"), 9); break;
    case Symbol::Eject:
      Triangle(p, {cx - h * 0.55, cy + h * 0.05}, {cx + h * 0.55, cy + h * 0.05},
               {cx, cy - h * 0.6});
      p.drawRect(QRectF(cx - h * 0.55, cy + h * 0.25, h * 1.1, h * 0.22));
      break;
    case Symbol::PitchUp: text(QStringLiteral("+"), 13); break;
    case Symbol::PitchDown: text(QStringLiteral("\u2013"), 13); break;
    case Symbol::Talk: {
      QFont f = p.font();
      f.setPixelSize(8);
      f.setBold(true);
      p.setFont(f);
      p.setPen(ink);
      p.drawText(r, Qt::AlignCenter, QStringLiteral("T\nA\nL\nK"));
      break;
    }
    case Symbol::Text: text(caption, 10); break;
  }
  return pixmap;
}

QPixmap PlayersPicture(QSize size, const std::vector<QRect>& plates) {
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  QLinearGradient back(0, 0, 0, size.height());
  back.setColorAt(0, kBackground.lighter(120));
  back.setColorAt(1, kBackground);
  p.fillRect(pixmap.rect(), back);
  p.setRenderHint(QPainter::Antialiasing);
  for (const QRect& plate : plates) {
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, kPlate.lighter(118));
    g.setColorAt(1, kPlate.darker(112));
    p.setPen(QPen(kPlateEdge, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(plate).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
  }
  return pixmap;
}

QPixmap AudioCtrlPicture(QSize size) {
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  p.fillRect(pixmap.rect(), kBackground);
  p.setRenderHint(QPainter::Antialiasing);
  // Wide enough for the AutoCross lamp and its caption (150 px from x 325).
  const QRectF plate(300.5, 2.5, 178, size.height() - 5.0);
  QLinearGradient g(plate.topLeft(), plate.bottomLeft());
  g.setColorAt(0, kPlate.lighter(118));
  g.setColorAt(1, kPlate.darker(112));
  p.setPen(QPen(kPlateEdge, 1));
  p.setBrush(g);
  p.drawRoundedRect(plate, 6, 6);
  QFont f = p.font();
  f.setPixelSize(9);
  f.setBold(true);
  p.setFont(f);
  p.setPen(kText);
  p.drawText(QRectF(304, 6, 20, 35), Qt::AlignCenter, QStringLiteral("1"));
  p.drawText(QRectF(436, 6, 20, 35), Qt::AlignCenter, QStringLiteral("2"));
  return pixmap;
}

}  // namespace spinwave::art
