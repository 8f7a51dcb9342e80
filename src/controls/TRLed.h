// LED bar meter: the level meters and the clickable position bars.
#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QWidget>

#include "controls/ControlTypes.h"

namespace spinwave {

class TRLed : public QWidget {
  Q_OBJECT
 public:
  explicit TRLed(QWidget* parent = nullptr);
  ~TRLed() override;

  // Ignored when p > MaxValue or p equals Position; otherwise stores and repaints.
  void SetPosition(int p);
  int Position() const { return position_; }
  // Full scale; repaints fully.
  void SetMaxValue(int value);
  int MaxValue() const { return maxValue_; }
  // Zone limits in percent of the length: PeakPos accepts only p < 100, MidPos only p < PeakPos.
  void SetPeakPos(int p);
  int PeakPos() const { return peakPos_; }
  void SetMidPos(int p);
  int MidPos() const { return midPos_; }
  // Pixels per bar along the meter; accepts only a size from 1 to the meter's length less 5.
  void SetBarSize(std::uint16_t size);
  std::uint16_t BarSize() const { return barSize_; }
  void SetOrientation(TTrackBarOrientation orientation);
  TTrackBarOrientation Orientation() const { return orientation_; }
  // Show the held peak bar.
  void SetPeaksFall(bool on);
  bool PeaksFall() const { return peaksFall_; }

  // Colour setters recompute the dimmed colours and repaint fully.
  void SetColorLow(const QColor& color);
  QColor ColorLow() const { return colorLow_; }
  void SetColorMid(const QColor& color);
  QColor ColorMid() const { return colorMid_; }
  void SetColorHi(const QColor& color);
  QColor ColorHi() const { return colorHi_; }
  void SetBackColor(const QColor& color);
  QColor BackColor() const { return backColor_; }

  // Held peak: bar number (1 = far end); BarCount() + 1 means no held peak.
  void SetPeakLed(int bar);
  int PeakLed() const { return peakLed_; }
  // Lets the held peak fall one bar (what the peaks timer does every 250 ms).
  void FallPeak();

  // Bars along the meter: length div BarSize. Bar 1 is at the far end (top or right).
  int BarCount() const;
  // Number of bars the current position lights (counted from the start).
  int LitBarCount() const;
  // Zone of bar i: 2 high, 1 middle, 0 low.
  int ZoneOf(int bar) const;
  // Pixel rectangle of bar i (the whole cell, before the insets).
  QRect BarRect(int bar) const;
  // Position reported for a click at horizontal pixel x: x * (MaxValue div Width).
  int ClickPositionAt(int x) const;

  // Dimmed colour of an unlit bar and the bevel highlight of a fill colour.
  static QColor Dimmed(const QColor& color);
  static QColor Highlight(const QColor& color);

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

  // Brings the off-screen picture up to date (only the bars that changed) and returns it.
  const QImage& Render();

  std::function<void(TRLed* sender, int position)> OnClickPosition;

  QSize sizeHint() const override { return QSize(25, 152); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Invalidate();  // full redraw on the next paint
  void DrawBar(QPainter& painter, int bar, bool lit);
  // Bar that is lit for the current position: bar > BarCount() - LitBarCount().
  bool WantLit(int bar, int firstLit) const;
  void ScheduleIfChanged();
  void TrackPeak();  // the highest lit bar lowers the held peak to itself
  void ResetPeak();

  QColor colorLow_, colorMid_, colorHi_;
  QColor dimLow_, dimMid_, dimHi_;
  QColor backColor_;
  TTrackBarOrientation orientation_ = trVertical;
  int maxValue_ = 100;
  int position_ = 0;
  std::uint16_t barSize_ = 5;
  int peakPos_ = 75;
  int midPos_ = 55;
  bool peaksFall_ = false;
  int peakLed_ = 1 << 30;  // no held peak yet
  int tag_ = 0;

  QImage work_;
  bool fullRedraw_ = true;
  bool busy_ = false;
  std::vector<std::uint8_t> drawn_;  // per bar (index bar - 1): 1 when drawn lit
  int paintedLit_ = -1;              // lit bar count of the last paint
  int paintedPeak_ = -1;             // held peak of the last paint
};

}  // namespace spinwave
