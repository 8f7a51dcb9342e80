#include <gtest/gtest.h>

#include <memory>

#include "controls/TEMLed.h"
#include "controls/TLEDBitmap.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Shot;

TEST(Lamp, Defaults) {
  TEMLed lamp;
  EXPECT_EQ(lamp.size(), QSize(97, 17));
  EXPECT_FALSE(lamp.Lit());
  EXPECT_EQ(lamp.Alignment(), caRight);
}

TEST(Lamp, AllLampsShareOnePictureFreedWithTheLast) {
  ASSERT_EQ(TLEDBitmap::LampCount(), 0);
  EXPECT_TRUE(TLEDBitmap::Picture().isNull());
  auto first = std::make_unique<TEMLed>();
  auto second = std::make_unique<TEMLed>();
  EXPECT_EQ(TLEDBitmap::LampCount(), 2);
  EXPECT_EQ(TLEDBitmap::Picture().size(), QSize(24, 13));
  first.reset();
  EXPECT_FALSE(TLEDBitmap::Picture().isNull());
  second.reset();
  EXPECT_TRUE(TLEDBitmap::Picture().isNull());
  EXPECT_EQ(TLEDBitmap::LampCount(), 0);
}

TEST(Lamp, LampAndCaptionPlacesPerAlignment) {
  const struct {
    TCaptionAlignment alignment;
    QRect lamp, caption;
  } cases[] = {
      {caRight, QRect(0, 2, 12, 13), QRect(15, 0, 82, 17)},    // lamp left, caption from x 15
      {caLeft, QRect(85, 2, 12, 13), QRect(0, 0, 82, 17)},     // lamp right
      {caTop, QRect(42, 4, 12, 13), QRect(0, 0, 97, 1)},       // lamp at the bottom centre
      {caBottom, QRect(42, 0, 12, 13), QRect(0, 16, 97, 1)},   // lamp at the top centre
  };
  TEMLed lamp;
  for (const auto& c : cases) {
    lamp.SetAlignment(c.alignment);
    EXPECT_EQ(lamp.LampRect(), c.lamp) << int(c.alignment);
    EXPECT_EQ(lamp.CaptionRect(), c.caption) << int(c.alignment);
  }
}

TEST(Lamp, StateChangesTheDrawnLamp) {
  TEMLed lamp;
  lamp.SetTransparent(false);
  const QPoint centre = lamp.LampRect().center();
  const QColor unlit = Shot(&lamp).pixelColor(centre);
  lamp.SetState(true);
  const QColor lit = Shot(&lamp).pixelColor(centre);
  EXPECT_GT(lit.green(), unlit.green() + 80);  // the lit half of the picture is bright
  EXPECT_FALSE(lamp.ChangeState());
  EXPECT_EQ(Shot(&lamp).pixelColor(centre), unlit);
  EXPECT_TRUE(lamp.ChangeState());
  EXPECT_TRUE(lamp.Lit());
}

TEST(Lamp, CaptionIsDrawnAndDisabledLampEmbossesIt) {
  TEMLed lamp;
  lamp.SetTransparent(false);
  QPalette pal = lamp.palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::Light, QColor(255, 255, 255));
  pal.setColor(QPalette::Dark, QColor(0, 0, 255));
  lamp.setPalette(pal);
  lamp.SetTextColor(QColor(255, 0, 0));
  lamp.SetCaption(QStringLiteral("Automix"));
  QFont font = lamp.font();
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);
  lamp.setFont(font);
  auto count = [](const QImage& image, const QColor& c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 15; x < image.width(); ++x) n += image.pixelColor(x, y) == c;
    return n;
  };
  QImage shot = Shot(&lamp);
  EXPECT_GT(count(shot, QColor(255, 0, 0)), 20);
  lamp.setEnabled(false);
  shot = Shot(&lamp);
  EXPECT_EQ(count(shot, QColor(255, 0, 0)), 0);
  EXPECT_GT(count(shot, QColor(0, 0, 255)), 20);     // shadow in place
  EXPECT_GT(count(shot, QColor(255, 255, 255)), 5);  // highlight peeking out at (1, 1)
}
