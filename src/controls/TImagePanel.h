// Panel that paints a picture at its top-left corner or centred (the deck panels and the
// jingle slots).
#pragma once

#include <QPixmap>
#include <QWidget>

namespace spinwave {

class TImagePanel : public QWidget {
  Q_OBJECT
 public:
  explicit TImagePanel(QWidget* parent = nullptr);

  void SetImage(const QPixmap& image);
  const QPixmap& Image() const { return image_; }
  // Centre the picture instead of drawing it at the top-left corner.
  void SetCenter(bool center);
  bool Center() const { return center_; }
  // Show or hide the picture.
  void SetShowImage(bool show);
  bool ShowImage() const { return showImage_; }
  // Background colour around the picture.
  void SetColor(const QColor& color);
  QColor Color() const;

  // Where the picture is drawn for the current size.
  QRect ImageRect() const;

  void SetTag(int tag) { tag_ = tag; }
  int Tag() const { return tag_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap image_;
  bool center_ = false;
  bool showImage_ = true;
  int tag_ = 0;
};

}  // namespace spinwave
