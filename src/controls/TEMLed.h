// Small LED lamp with a caption (mode indicators such as "Talking" and "Automix").
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include "controls/ControlTypes.h"

namespace spinwave {

class TEMLed : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLampWidth = 12;
  static constexpr int kLampHeight = 13;

  explicit TEMLed(QWidget* parent = nullptr);
  ~TEMLed() override;

  // On change stores the state and repaints the lamp.
  void SetState(bool lit);
  bool Lit() const { return lit_; }
  // Toggles Lit, repaints the lamp and returns the new state.
  bool ChangeState();

  void SetCaption(const QString& caption);
  const QString& Caption() const { return caption_; }
  void SetAlignment(TCaptionAlignment alignment);
  TCaptionAlignment Alignment() const { return alignment_; }
  // Transparent: no background fill, the parent shows through.
  void SetTransparent(bool transparent);
  bool Transparent() const { return transparent_; }
  // Caption colour (the font is the widget's font).
  void SetTextColor(const QColor& color);
  QColor TextColor() const;

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

  // Where the lamp and the caption are drawn for the current size and alignment.
  QRect LampRect() const;
  QRect CaptionRect() const;

  TNotifyEvent<TEMLed> OnClick;

  QSize sizeHint() const override { return QSize(97, 17); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool lit_ = false;
  QString caption_;
  TCaptionAlignment alignment_ = caRight;
  bool transparent_ = false;
  QColor textColor_;
  int tag_ = 0;
};

}  // namespace spinwave
