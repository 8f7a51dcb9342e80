#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/TEMButton.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Press;
using controltest::Release;
using controltest::Shot;

namespace {

QPixmap Solid(int w, int h, const QColor& c) {
  QPixmap p(w, h);
  p.fill(c);
  return p;
}

// Holds the button down and lets `totalMs` pass in 1 ms steps; returns the times (ms after the
// press) at which OnMousePress was raised.
std::vector<int> HoldFor(TEMButton& b, int totalMs) {
  std::vector<int> times;
  int now = 0;
  b.OnMousePress = [&](TEMButton*) { times.push_back(now); };
  Press(&b, {5, 5});
  for (now = 1; now <= totalMs; ++now) b.AdvanceRepeat(1);
  return times;
}

}  // namespace

TEST(Button, Defaults) {
  TEMButton b;
  EXPECT_EQ(b.size(), QSize(38, 17));
  EXPECT_FALSE(b.ButtonOn());
  EXPECT_EQ(ColorToWin(b.ButtonLightColor()), 7566195u);
  EXPECT_EQ(ColorToWin(b.ButtonShadowColor()), 2171169u);
  EXPECT_EQ(b.ButtonStyle(), bsRaised);
  EXPECT_TRUE(b.ShowFocus());
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.PressInterval(), 400);
  EXPECT_EQ(b.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(b.focusPolicy() & Qt::TabFocus);
}

// Holding a search button: at once, after 400 ms, after 200 more, then 10 ms shorter each time
// down to 100 ms, then on every tick of the timer.
TEST(Button, HeldDefaultButtonAccelerates) {
  TEMButton b;
  const std::vector<int> times = HoldFor(b, 2054);
  const std::vector<int> want = {0,    400,  600,  790,  970,  1140, 1300, 1450, 1590,
                                 1720, 1840, 1950, 2050, 2051, 2052, 2053, 2054};
  EXPECT_EQ(times, want);
  Release(&b, {5, 5});
  EXPECT_FALSE(b.Repeating());
  EXPECT_EQ(b.PressInterval(), 400);  // restored after the press
}

TEST(Button, OtherPressIntervalsRepeatAtAConstantRate) {
  const struct {
    int interval;
    std::vector<int> want;
  } cases[] = {
      {300, {0, 300, 600, 900, 1200}},
      {150, {0, 150, 300, 450, 600, 750, 900, 1050, 1200}},
      {500, {0, 500, 1000}},
  };
  for (const auto& c : cases) {
    TEMButton b;
    b.SetPressInterval(c.interval);
    EXPECT_EQ(HoldFor(b, 1200), c.want) << "interval " << c.interval;
    Release(&b, {5, 5});
    EXPECT_EQ(b.PressInterval(), c.interval);
  }
}

TEST(Button, RepetitionStopsOnReleaseAndWithoutAHandler) {
  TEMButton b;
  int presses = 0;
  b.OnMousePress = [&](TEMButton*) { ++presses; };
  Press(&b, {5, 5});
  b.AdvanceRepeat(450);
  EXPECT_EQ(presses, 2);
  Release(&b, {5, 5});
  b.AdvanceRepeat(5000);
  EXPECT_EQ(presses, 2);

  // A second hold starts from the first interval again.
  Press(&b, {5, 5});
  b.AdvanceRepeat(399);
  EXPECT_EQ(presses, 3);
  EXPECT_EQ(b.NextRepeatIn(), 1);
  b.OnMousePress = nullptr;  // removed while held: no more repeats
  b.AdvanceRepeat(1000);
  EXPECT_FALSE(b.Repeating());
  Release(&b, {5, 5});

  // Without a handler nothing repeats at all.
  Press(&b, {5, 5});
  EXPECT_FALSE(b.Repeating());
  Release(&b, {5, 5});
}

TEST(Button, HidingAHeldButtonStopsTheRepeat) {
  TEMButton b;
  b.show();
  int presses = 0;
  b.OnMousePress = [&](TEMButton*) { ++presses; };
  Press(&b, {5, 5});
  b.hide();
  b.AdvanceRepeat(1000);
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(b.ButtonStyle(), bsRaised);
}

TEST(Button, ClickMouseDownAndMouseUpEvents) {
  TEMButton b;
  b.SetTag(4);
  std::vector<std::string> log;
  b.OnClick = [&](TEMButton* s) { log.push_back("click " + std::to_string(s->Tag())); };
  b.OnDblClick = [&](TEMButton*) { log.push_back("dblclick"); };
  b.OnMouseDown = [&](TEMButton*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    log.push_back(std::string(button == Qt::RightButton ? "down right " : "down left ") +
                  std::to_string(x) + "," + std::to_string(y));
  };
  b.OnMouseUp = [&](TEMButton*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    log.push_back("up");
  };
  Press(&b, {3, 4});
  EXPECT_EQ(b.ButtonStyle(), bsLowered);
  Release(&b, {3, 4});
  EXPECT_EQ(b.ButtonStyle(), bsRaised);
  Press(&b, {3, 4}, Qt::RightButton);  // e.g. the vinyl stop on a play button
  Release(&b, {3, 4}, Qt::RightButton);
  Press(&b, {3, 4});
  Release(&b, {300, 4});  // released outside: no click
  Press(&b, {3, 4});
  Release(&b, {3, 4});
  controltest::Mouse(&b, QEvent::MouseButtonDblClick, {3, 4});
  Release(&b, {3, 4});  // the release after a double click is no click
  const std::vector<std::string> want = {
      "down left 3,4",  "click 4", "up",
      "down right 3,4", "up",
      "down left 3,4",  "up",
      "down left 3,4",  "click 4", "up",
      "down left 3,4",  "dblclick", "up"};
  EXPECT_EQ(log, want);
}

TEST(Button, LampStateAndGlyphs) {
  TEMButton b;
  b.SetTransparent(false);  // solid test glyphs: drawn transparent they would vanish entirely
  b.SetSwitchGlyph(0, Solid(30, 20, QColor(50, 50, 50)));
  EXPECT_EQ(b.size(), QSize(32, 22));  // the size of GlyphOff plus 2
  b.SetSwitchGlyph(1, Solid(30, 20, QColor(0, 220, 0)));
  b.SetSwitchGlyph(2, Solid(9, 9, Qt::red));  // no such glyph
  EXPECT_TRUE(b.GetSwitchGlyph(2).isNull());
  EXPECT_EQ(b.GetSwitchGlyph(1).size(), QSize(30, 20));

  EXPECT_EQ(Shot(&b).pixelColor(15, 10), QColor(50, 50, 50));
  b.SetBtnState(true);
  EXPECT_TRUE(b.ButtonOn());
  EXPECT_EQ(Shot(&b).pixelColor(15, 10), QColor(0, 220, 0));
  b.ToggleSwitch();
  EXPECT_FALSE(b.ButtonOn());
  EXPECT_EQ(Shot(&b).pixelColor(15, 10), QColor(50, 50, 50));
}

TEST(Button, FrameRaisedAndPressed) {
  TEMButton b;
  b.SetShowFocus(false);
  b.SetTransparent(false);
  const QColor glyph(50, 50, 200), light(0xB5, 0x63, 0x6B), shade(0x4A, 0x26, 0x26);
  b.SetSwitchGlyph(0, Solid(30, 20, glyph));
  b.SetButtonLightColor(light);
  b.SetButtonShadowColor(shade);
  QImage shot = Shot(&b);
  // Raised: light left and top, shadow right (x 31) and bottom (y 21), glyph from (1, 1).
  EXPECT_EQ(shot.pixelColor(0, 10), light);
  EXPECT_EQ(shot.pixelColor(15, 0), light);
  EXPECT_EQ(shot.pixelColor(31, 10), shade);
  EXPECT_EQ(shot.pixelColor(15, 21), shade);
  EXPECT_EQ(shot.pixelColor(1, 1), glyph);
  EXPECT_EQ(shot.pixelColor(30, 20), glyph);

  Press(&b, {5, 5});
  shot = Shot(&b);
  // Pressed: shadow all round plus a second shadow line inside along the left and top; the
  // glyph moves to (2, 2).
  EXPECT_EQ(shot.pixelColor(0, 10), shade);
  EXPECT_EQ(shot.pixelColor(15, 0), shade);
  EXPECT_EQ(shot.pixelColor(1, 10), shade);
  EXPECT_EQ(shot.pixelColor(15, 1), shade);
  EXPECT_EQ(shot.pixelColor(2, 2), glyph);
  Release(&b, {5, 5});
}

TEST(Button, TransparentGlyphShowsTheControlColour) {
  TEMButton b;
  // An opaque picture whose bottom-left pixel colour (white) is its transparent colour, like a
  // skin's BMP.
  QImage image(30, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 5; y < 15; ++y)
    for (int x = 10; x < 20; ++x) image.setPixelColor(x, y, QColor(0, 0, 0));
  QPalette pal = b.palette();
  pal.setColor(b.backgroundRole(), QColor(90, 10, 10));
  b.setPalette(pal);
  b.SetSwitchGlyph(0, QPixmap::fromImage(image));
  QImage shot = Shot(&b);
  EXPECT_EQ(shot.pixelColor(5, 5), QColor(90, 10, 10));
  EXPECT_EQ(shot.pixelColor(15, 10), QColor(0, 0, 0));
  b.SetTransparent(false);
  shot = Shot(&b);
  EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::white));
}
