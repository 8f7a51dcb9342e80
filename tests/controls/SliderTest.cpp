#include <gtest/gtest.h>

#include <memory>

#include <QPainter>

#include "controls/TEMSlider.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Move;
using controltest::Press;
using controltest::Release;
using controltest::Shot;

namespace {

const QColor kThumbColour(255, 0, 255);

QPixmap Solid(int w, int h, const QColor& c) {
  QPixmap p(w, h);
  p.fill(c);
  return p;
}

// A slider with a solid 13 x 7 thumb and a 29 x 91 ruler that is all transparent colour, so the
// thumb is the only thing drawn.
std::unique_ptr<TEMSlider> MakeSlider(TSliderOrientation o, int w, int h) {
  auto s = std::make_unique<TEMSlider>();
  s->resize(w, h);
  s->SetOrientation(o);
  s->SetImageThumb(Solid(13, 7, kThumbColour));
  s->SetImageRuler(Solid(29, 91, QColor(1, 2, 3)));  // bottom-left colour = transparent
  return s;
}

struct Events {
  int change = 0, changed = 0;
  void Bind(TEMSlider& s) {
    s.OnChange = [this](TEMSlider*) { ++change; };
    s.OnChanged = [this](TEMSlider*) { ++changed; };
  }
};

}  // namespace

TEST(Slider, Defaults) {
  TEMSlider s;
  EXPECT_EQ(s.size(), QSize(204, 24));
  EXPECT_EQ(s.MinValue(), 0);
  EXPECT_EQ(s.MaxValue(), 255);
  EXPECT_EQ(s.Value(), 0);
  EXPECT_EQ(s.Orientation(), soHorizontal);
  EXPECT_FALSE(s.Reverse());
  EXPECT_TRUE(s.Transparent());
  EXPECT_FALSE(s.ThumbAssigned());
  EXPECT_FALSE(s.ImageThumb().isNull());
  EXPECT_TRUE(s.focusPolicy() & Qt::TabFocus);
  // The built-in pictures are a 13 x 7 thumb and a 29 x 91 ruler (turned for a horizontal one).
  s.SetOrientation(soVertical);
  EXPECT_EQ(s.ImageThumb().size(), QSize(13, 7));
  EXPECT_EQ(s.ImageRuler().width(), 29);
}

TEST(Slider, SetValueClampsAndRaisesOnChangeOnlyOnChange) {
  TEMSlider s;
  Events e;
  e.Bind(s);
  s.SetValue(0);  // equal: nothing
  EXPECT_EQ(e.change, 0);
  s.SetValue(s.MaxValue() + 10);
  EXPECT_EQ(s.Value(), 255);
  EXPECT_EQ(e.change, 1);
  s.SetValue(1000);  // clamps to the value it already has
  EXPECT_EQ(e.change, 1);
  s.SetValue(-5);
  EXPECT_EQ(s.Value(), 0);
  EXPECT_EQ(e.change, 2);
  EXPECT_EQ(e.changed, 0);  // OnChanged belongs to the user's release only
}

TEST(Slider, RangeChangesKeepTheValueInside) {
  TEMSlider s;
  Events e;
  e.Bind(s);
  s.SetValue(200);
  s.SetMaxValue(100);
  EXPECT_EQ(s.Value(), 100);
  EXPECT_EQ(e.change, 2);
  s.SetRange(92000, 108000);  // the pitch slider's range
  EXPECT_EQ(s.Value(), 92000);
  s.SetValue(100000);
  EXPECT_EQ(s.Value(), 100000);
  s.SetMinValue(101000);
  EXPECT_EQ(s.Value(), 101000);
  EXPECT_EQ(s.MaxValue(), 108000);
}

// Horizontal 113 wide with a 13-wide thumb: a ruler length of 100 pixels for 0..255.
TEST(Slider, ValueAndOffsetArithmetic) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  // The built-in picture is not used once a thumb is assigned, so the thumb is 13 wide.
  EXPECT_EQ(s->RulerLength(), 100);
  const struct {
    int offset, value, reversed;
  } cases[] = {
      {0, 0, 255},   {100, 255, 0},  {50, 128, 127},  // 127.5 rounds to even 128
      {1, 3, 252},   {2, 5, 250},    {-4, 0, 255},    // 2.55 -> 3; 5.1 -> 5; never below 0
      {130, 255, 0},
  };
  for (const auto& c : cases) {
    s->SetReverse(false);
    EXPECT_EQ(s->ValueFromOffset(c.offset), c.value) << "offset " << c.offset;
    s->SetReverse(true);
    EXPECT_EQ(s->ValueFromOffset(c.offset), c.reversed) << "reversed offset " << c.offset;
  }
  s->SetReverse(false);
  const std::pair<int, int> offsets[] = {{0, 0}, {255, 100}, {128, 50}, {64, 25}, {3, 1}};
  for (const auto& [value, offset] : offsets)
    EXPECT_EQ(s->OffsetFromValue(value), offset) << "value " << value;
  s->SetReverse(true);
  EXPECT_EQ(s->OffsetFromValue(255), 0);
  EXPECT_EQ(s->OffsetFromValue(0), 100);
}

TEST(Slider, RangeOfOneValueDoesNotDivideByZero) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->SetRange(7, 7);
  EXPECT_EQ(s->Value(), 7);
  EXPECT_EQ(s->OffsetFromValue(7), 0);
  EXPECT_EQ(s->ValueFromOffset(60), 7);
}

TEST(Slider, VerticalThumbAtBottomForMinValueAndAtTopWhenReversed) {
  auto s = MakeSlider(soVertical, 29, 120);
  s->SetValue(0);
  QImage shot = Shot(s.get());
  EXPECT_EQ(s->ThumbRect(), QRect(8, 113, 13, 7));  // track centred across (29 - 13) / 2
  EXPECT_EQ(shot.pixelColor(14, 116), kThumbColour);
  EXPECT_NE(shot.pixelColor(14, 3), kThumbColour);

  s->SetReverse(true);
  shot = Shot(s.get());
  EXPECT_EQ(s->ThumbRect().top(), 0);
  EXPECT_EQ(shot.pixelColor(14, 3), kThumbColour);
  EXPECT_NE(shot.pixelColor(14, 116), kThumbColour);

  s->SetReverse(false);
  s->SetValue(255);
  EXPECT_EQ(s->ThumbRect().top(), 0);
  s->SetValue(128);  // 128 / 255 * 113 = 56.7 -> 57 up from the bottom
  EXPECT_EQ(s->ThumbRect().top(), 120 - 7 - 57);
}

TEST(Slider, HorizontalThumbMovesRight) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->SetValue(255);
  const QImage shot = Shot(s.get());
  // The ruler (91 high) is not narrower than the thumb: it lies at the edge and the thumb's
  // track is centred across the control.
  EXPECT_EQ(s->ThumbRect(), QRect(100, (24 - 7) / 2, 13, 7));
  EXPECT_EQ(shot.pixelColor(106, 12), kThumbColour);
  EXPECT_NE(shot.pixelColor(6, 12), kThumbColour);
}

TEST(Slider, NarrowRulerIsCentredOnTheThumbTrack) {
  auto s = MakeSlider(soVertical, 40, 120);
  s->SetImageRuler(Solid(5, 120, QColor(0, 0, 200)));
  EXPECT_EQ(s->ThumbRect().left(), 0);
  EXPECT_EQ(s->RulerRect().left(), 4);  // (13 - 5) / 2
}

TEST(Slider, TransparentRulerShowsWhatIsBehind) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  QPixmap ruler = Solid(113, 24, QColor(0, 0, 200));
  {
    QPainter p(&ruler);
    p.fillRect(0, 0, 113, 12, QColor(0, 200, 0));  // top half opaque green, bottom blue = key
  }
  s->SetImageRuler(ruler);
  s->SetValue(255);  // thumb out of the way at the right
  QImage shot = Shot(s.get());
  EXPECT_EQ(shot.pixelColor(5, 3), QColor(0, 200, 0));
  EXPECT_NE(shot.pixelColor(5, 20), QColor(0, 0, 200));
  s->SetTransparent(false);
  shot = Shot(s.get());
  EXPECT_EQ(shot.pixelColor(5, 20), QColor(0, 0, 200));
}

TEST(Slider, AssigningNoPictureRestoresTheBuiltInOne) {
  TEMSlider s;
  s.SetOrientation(soVertical);
  const QImage builtIn = s.ImageThumb().toImage();
  s.SetImageThumb(Solid(20, 10, kThumbColour));
  EXPECT_TRUE(s.ThumbAssigned());
  EXPECT_EQ(s.ImageThumb().size(), QSize(20, 10));
  s.SetImageThumb(QPixmap());
  EXPECT_FALSE(s.ThumbAssigned());
  EXPECT_EQ(s.ImageThumb().toImage(), builtIn);
}

TEST(Slider, DragMovesTheValueAndReleaseRaisesOnChanged) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->show();
  Events e;
  e.Bind(*s);
  // Grab the thumb (x 0..12) at x 5 and move it 50 pixels right.
  Press(s.get(), {5, 12});
  EXPECT_TRUE(s->Dragging());
  Move(s.get(), {55, 12});
  EXPECT_EQ(s->Value(), 128);
  EXPECT_EQ(s->ThumbRect().left(), 50);
  Move(s.get(), {500, 12});  // beyond the end: the maximum
  EXPECT_EQ(s->Value(), 255);
  EXPECT_EQ(e.change, 2);
  EXPECT_EQ(e.changed, 0);
  Release(s.get(), {500, 12});
  EXPECT_EQ(e.changed, 1);
  EXPECT_FALSE(s->Dragging());
}

TEST(Slider, DragThatEndsWhereItBeganRaisesOnChangedOnce) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->show();
  s->SetValue(128);
  Events e;
  e.Bind(*s);
  const QPoint grab = s->ThumbRect().center();
  Press(s.get(), grab);
  Move(s.get(), grab + QPoint(20, 0));
  Move(s.get(), grab);
  Release(s.get(), grab);
  EXPECT_EQ(s->Value(), 128);
  EXPECT_EQ(e.changed, 1);
  EXPECT_EQ(e.change, 2);  // away and back

  Press(s.get(), grab);  // a press and release without moving
  Release(s.get(), grab);
  EXPECT_EQ(e.changed, 2);
  EXPECT_EQ(e.change, 2);
}

TEST(Slider, VerticalDragCountsUpward) {
  auto s = MakeSlider(soVertical, 29, 107);  // ruler length 100
  s->show();
  Events e;
  e.Bind(*s);
  Press(s.get(), {14, 103});  // thumb y 100..106 at value 0
  Move(s.get(), {14, 53});
  EXPECT_EQ(s->Value(), 128);
  Release(s.get(), {14, 53});
  EXPECT_EQ(e.changed, 1);
}

TEST(Slider, PressesThatDoNotDrag) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->show();
  Events e;
  e.Bind(*s);
  // On the ruler, away from the thumb: nothing.
  Press(s.get(), {80, 12});
  Move(s.get(), {90, 12});
  Release(s.get(), {90, 12});
  // Read-only: the thumb cannot be dragged.
  s->SetReadOnly(true);
  Press(s.get(), {5, 12});
  Move(s.get(), {60, 12});
  Release(s.get(), {60, 12});
  // The right button does not drag either.
  s->SetReadOnly(false);
  Press(s.get(), {5, 12}, Qt::RightButton);
  Move(s.get(), {60, 12});
  Release(s.get(), {60, 12}, Qt::RightButton);
  EXPECT_EQ(s->Value(), 0);
  EXPECT_EQ(e.change, 0);
  EXPECT_EQ(e.changed, 0);
  // A program may still set the value of a read-only slider.
  s->SetReadOnly(true);
  s->SetValue(9);
  EXPECT_EQ(e.change, 1);
}

TEST(Slider, DoubleClickRaisesOnDblClick) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->SetTag(2);
  int tag = -1;
  s->OnDblClick = [&](TEMSlider* sender) { tag = sender->Tag(); };
  controltest::Mouse(s.get(), QEvent::MouseButtonDblClick, {5, 12});
  EXPECT_EQ(tag, 2);
  EXPECT_FALSE(s->Dragging());
}

TEST(Slider, HandCursorOverTheThumbOnly) {
  auto s = MakeSlider(soHorizontal, 113, 24);
  s->show();
  Move(s.get(), {5, 12});
  EXPECT_EQ(s->cursor().shape(), Qt::BitmapCursor);
  EXPECT_FALSE(s->cursor().pixmap().isNull());
  Move(s.get(), {80, 12});
  EXPECT_EQ(s->cursor().shape(), Qt::ArrowCursor);
}
