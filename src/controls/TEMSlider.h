// Slider made of a ruler picture and a thumb picture (volume, pitch, position, crossfader).
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "controls/ControlTypes.h"

namespace spinwave {

class TEMSlider : public QWidget {
  Q_OBJECT
 public:
  explicit TEMSlider(QWidget* parent = nullptr);
  ~TEMSlider() override;

  // Clamps v to MinValue..MaxValue, stores it, moves the thumb and raises OnChange only when
  // the value changed.
  void SetValue(int v);
  int Value() const { return value_; }
  void SetMinValue(int v);
  int MinValue() const { return minValue_; }
  void SetMaxValue(int v);
  int MaxValue() const { return maxValue_; }
  void SetRange(int minValue, int maxValue);

  void SetOrientation(TSliderOrientation orientation);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetReverse(bool reverse);
  bool Reverse() const { return reverse_; }
  // Ruler drawn with its transparent colour (on by default).
  void SetTransparent(bool transparent);
  bool Transparent() const { return transparent_; }
  // No dragging while read-only.
  void SetReadOnly(bool readOnly);
  bool ReadOnly() const { return readOnly_; }

  // Pictures; a null picture restores the built-in one.
  void SetImageThumb(const QPixmap& picture);
  void SetImageRuler(const QPixmap& picture);
  // The pictures in use (built-in ones included).
  const QPixmap& ImageThumb() const { return thumb_; }
  const QPixmap& ImageRuler() const { return ruler_; }
  bool ThumbAssigned() const { return thumbAssigned_; }
  bool RulerAssigned() const { return rulerAssigned_; }

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

  // Geometry: pixels the thumb can travel (at least 1), the value for a thumb offset along the
  // slider (vertical sliders: offset of the thumb's top from the top) and back.
  int RulerLength() const;
  int ValueFromOffset(int offset) const;
  int OffsetFromValue(int value) const;
  QRect ThumbRect() const { return thumbRect_; }
  QRect RulerRect() const { return rulerRect_; }
  bool Dragging() const { return dragging_; }

  TNotifyEvent<TEMSlider> OnChange;   // Value changed, by the user or by a program
  TNotifyEvent<TEMSlider> OnChanged;  // the user released the thumb after dragging
  TNotifyEvent<TEMSlider> OnDblClick;

  QSize sizeHint() const override { return QSize(204, 24); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Relayout();
  void LoadDefaults();
  void FitDefaultRuler();
  void MoveThumb();
  int AlongPos(const QPoint& p) const;

  QPixmap thumb_, ruler_;        // pictures in use
  QPixmap rulerTransparent_;     // ruler with its transparent colour masked out
  QPixmap defaultRuler_;         // the built-in ruler, turned for the orientation
  bool thumbAssigned_ = false;
  bool rulerAssigned_ = false;
  int minValue_ = 0;
  int maxValue_ = 255;
  int value_ = 0;
  TSliderOrientation orientation_ = soHorizontal;
  bool reverse_ = false;
  bool transparent_ = true;
  bool readOnly_ = false;
  int tag_ = 0;

  QRect thumbRect_;
  QRect rulerRect_;
  bool dragging_ = false;
  int dragOffset_ = 0;  // where in the thumb it was grabbed, along the slider
};

}  // namespace spinwave
