// Seven-segment numeric display (the decks' time read-outs).
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "controls/ControlTypes.h"

namespace spinwave {

class TEMLCD : public QWidget {
  Q_OBJECT
 public:
  explicit TEMLCD(QWidget* parent = nullptr);
  ~TEMLCD() override;

  // Text shown, right-aligned over the cells. Only "0".."9", "-" and space are shown: any
  // other character makes the whole value empty (all cells blank). Equal text does nothing.
  void SetValue(const QString& text);
  const QString& Value() const { return value_; }
  // Shows the decimal text of n.
  void SetIntValue(int n);
  // The value as an integer; 0 when it is not a number.
  int GetIntValue() const;

  void SetDigitNum(int n);
  int DigitNum() const { return digitNum_; }
  void SetDigitSpacing(int pixels);
  int DigitSpacing() const { return digitSpacing_; }
  void SetGapX(int pixels);
  int GapX() const { return gapX_; }
  void SetGapY(int pixels);
  int GapY() const { return gapY_; }
  void SetSegmentWidth(int pixels);
  int SegmentWidth() const { return segmentWidth_; }

  void SetOnColor(const QColor& color);
  QColor OnColor() const { return onColor_; }
  void SetOffColor(const QColor& color);
  QColor OffColor() const { return offColor_; }
  void SetColor(const QColor& color);
  QColor Color() const { return color_; }
  // Background picture drawn at the top-left corner when not empty.
  void SetImage(const QPixmap& image);
  const QPixmap& Image() const { return image_; }

  // Lamp switch: when off every segment is drawn unlit. On by default.
  void SetLampOn(bool on);
  bool LampOn() const { return lampOn_; }

  bool IsPainting() const { return isPainting_; }

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

  // Layout helpers (pixels): width of one cell and the left edge of cell i (from 0).
  int CellWidth() const;
  int CellLeft(int i) const;
  // The characters drawn in the cells for the current value (DigitNum characters).
  QString CellText() const;
  // Brings the off-screen picture up to date (only the cells that changed) and returns it.
  const QImage& Render();

  TNotifyEvent<TEMLCD> OnClick;

  QSize sizeHint() const override { return QSize(35, 22); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FullRedraw();
  void DrawCell(QPainter& painter, int i, QChar c);

  int digitNum_ = 2;
  int digitSpacing_ = 4;
  int gapX_ = 2;
  int gapY_ = 2;
  int segmentWidth_ = 2;
  QColor onColor_;
  QColor offColor_;
  QColor color_;
  QPixmap image_;
  QString value_ = QStringLiteral("0");
  bool lampOn_ = true;
  bool isPainting_ = false;
  int tag_ = 0;
  bool pressed_ = false;

  QString drawnText_;   // cell text of the last paint
  QImage work_;         // off-screen picture of the whole control
  bool fullRedraw_ = true;
};

}  // namespace spinwave
