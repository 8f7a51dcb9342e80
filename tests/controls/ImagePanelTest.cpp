#include <gtest/gtest.h>

#include "controls/TImagePanel.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Shot;

TEST(ImagePanel, PictureAtTheTopLeftOrCentredAndSwitchable) {
  TImagePanel panel;
  panel.resize(100, 60);
  panel.SetColor(QColor(10, 10, 10));
  QPixmap picture(40, 20);
  picture.fill(QColor(0, 200, 0));
  panel.SetImage(picture);

  QImage shot = Shot(&panel);
  EXPECT_EQ(panel.ImageRect(), QRect(0, 0, 40, 20));
  EXPECT_EQ(shot.pixelColor(1, 1), QColor(0, 200, 0));
  EXPECT_EQ(shot.pixelColor(50, 30), QColor(10, 10, 10));

  panel.SetCenter(true);
  shot = Shot(&panel);
  EXPECT_EQ(panel.ImageRect(), QRect(30, 20, 40, 20));
  EXPECT_EQ(shot.pixelColor(50, 30), QColor(0, 200, 0));
  EXPECT_EQ(shot.pixelColor(1, 1), QColor(10, 10, 10));

  panel.SetShowImage(false);
  shot = Shot(&panel);
  EXPECT_EQ(shot.pixelColor(50, 30), QColor(10, 10, 10));
}
