// Picture button with two glyphs that doubles as a lamp (ButtonOn) and repeats OnMousePress
// while held (search and pitch-bend buttons).
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "controls/ControlTypes.h"

namespace spinwave {

class TEMButton : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDefaultPressInterval = 400;

  explicit TEMButton(QWidget* parent = nullptr);
  ~TEMButton() override;

  // Lamp state: on change stores ButtonOn and repaints; ToggleSwitch inverts it.
  void SetBtnState(bool on);
  bool ButtonOn() const { return buttonOn_; }
  void ToggleSwitch();

  // Glyph 0 is shown while ButtonOn is false, glyph 1 while it is true. The control takes the
  // size of GlyphOff plus 2.
  QPixmap GetSwitchGlyph(int i) const;
  void SetSwitchGlyph(int i, const QPixmap& glyph);
  void SetGlyphOff(const QPixmap& glyph) { SetSwitchGlyph(0, glyph); }
  void SetGlyphOn(const QPixmap& glyph) { SetSwitchGlyph(1, glyph); }
  const QPixmap& GlyphOff() const { return glyphs_[0]; }
  const QPixmap& GlyphOn() const { return glyphs_[1]; }

  void SetButtonLightColor(const QColor& color);
  QColor ButtonLightColor() const { return lightColor_; }
  void SetButtonShadowColor(const QColor& color);
  QColor ButtonShadowColor() const { return shadowColor_; }
  TBevelStyle ButtonStyle() const { return style_; }
  void SetShowFocus(bool show);
  bool ShowFocus() const { return showFocus_; }
  // Glyph drawn with its transparent colour showing the control's colour.
  void SetTransparent(bool transparent);
  bool Transparent() const { return transparent_; }
  // First repeat delay of OnMousePress, ms. While the button is held it may shrink (the
  // accelerating repeat of the default 400); it is restored on release.
  void SetPressInterval(int ms) { pressInterval_ = ms; }
  int PressInterval() const { return pressInterval_; }

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

  // Press repetition without real waiting: lets `ms` milliseconds of the repeat timer pass,
  // raising OnMousePress for every tick that falls due. Does nothing while not repeating.
  void AdvanceRepeat(int ms);
  bool Repeating() const { return repeating_; }
  // Milliseconds until the next repeat tick.
  int NextRepeatIn() const { return dueIn_; }

  TNotifyEvent<TEMButton> OnClick;
  TNotifyEvent<TEMButton> OnDblClick;
  TMouseEvent<TEMButton> OnMouseDown;
  TMouseEvent<TEMButton> OnMouseUp;
  TNotifyEvent<TEMButton> OnMousePress;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LeftDown(QMouseEvent* event);
  void RepeatTick();
  void StopRepeat();
  void OnTimer();
  void Release();

  QPixmap glyphs_[2];
  QPixmap drawn_[2];  // glyphs prepared for transparent drawing
  bool buttonOn_ = false;
  QColor lightColor_;
  QColor shadowColor_;
  TBevelStyle style_ = bsRaised;
  bool showFocus_ = true;
  bool transparent_ = true;
  int pressInterval_ = kDefaultPressInterval;
  int tag_ = 0;

  QTimer timer_;
  bool repeating_ = false;
  int intervalAtPress_ = kDefaultPressInterval;
  int dueIn_ = 0;
  int ticks_ = 0;  // repeat ticks since the press
  bool clicked_ = false;  // a single press is in progress (a release raises OnClick)
};

}  // namespace spinwave
