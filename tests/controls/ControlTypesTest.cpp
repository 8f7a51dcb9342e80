#include <gtest/gtest.h>

#include <QImage>

#include "controls/ControlTypes.h"

using namespace spinwave;

TEST(ControlColours, WindowsColourValuesKeepRedInTheLowByte) {
  const struct {
    std::uint32_t value;
    QColor color;
  } cases[] = {
      {65280, QColor(0, 255, 0)},        // lime
      {47871, QColor(255, 186, 0)},      // orange
      {255, QColor(255, 0, 0)},          // red
      {0x00FF0000, QColor(0, 0, 255)},   // blue in the high byte
      {7566195, QColor(0x73, 0x73, 0x73)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorFromWin(c.value), c.color) << c.value;
    EXPECT_EQ(ColorToWin(c.color), c.value);
  }
}

TEST(ControlColours, TransparentPictureMasksTheBottomLeftColourOfOpaquePictures) {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  image.setPixelColor(1, 1, QColor(10, 20, 30));
  const QImage masked = TransparentPicture(QPixmap::fromImage(image))
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(masked.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(masked.pixel(1, 1)), 255);

  // A picture with transparency of its own (the built-in PNGs) is left as it is.
  QImage withAlpha(4, 3, QImage::Format_ARGB32);
  withAlpha.fill(QColor(255, 0, 255, 255));
  withAlpha.setPixelColor(3, 0, QColor(0, 0, 0, 0));
  const QImage kept =
      TransparentPicture(QPixmap::fromImage(withAlpha)).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(kept.pixel(0, 2)), 255);
  EXPECT_TRUE(TransparentPicture(QPixmap()).isNull());
}

TEST(ControlColours, BuiltInPicturesHaveTheirSizes) {
  EXPECT_EQ(ControlResourcePicture("LED_PICS").size(), QSize(24, 13));
  EXPECT_EQ(ControlResourcePicture("THUMB").size(), QSize(13, 7));
  EXPECT_EQ(ControlResourcePicture("RULER").size(), QSize(29, 91));
  EXPECT_FALSE(ControlResourcePicture("HANDCURSOR").isNull());
}
