// Helpers for the display-control tests: mouse events sent straight to a widget and colour
// checks on grabbed pictures.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

namespace controltest {

inline void Mouse(QWidget* w, QEvent::Type type, QPoint pos,
                  Qt::MouseButton button = Qt::LeftButton) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::NoButton
      : type == QEvent::MouseMove        ? Qt::MouseButtons(Qt::LeftButton)
                                         : Qt::MouseButtons(button);
  QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                    type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}
inline void Press(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonPress, pos, b);
}
inline void Release(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton) {
  Mouse(w, QEvent::MouseButtonRelease, pos, b);
}
inline void Move(QWidget* w, QPoint pos) { Mouse(w, QEvent::MouseMove, pos); }

// The widget as it looks on screen.
inline QImage Shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

}  // namespace controltest
