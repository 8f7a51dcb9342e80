#include <gtest/gtest.h>

#include <memory>

#include "controls/PeaksTimer.h"
#include "controls/TRLed.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Shot;

namespace {

// A 20 x 100 vertical meter with 5-pixel bars: 20 bars, bar 1 at the top.
std::unique_ptr<TRLed> MakeMeter() {
  auto meter = std::make_unique<TRLed>();
  meter->resize(20, 100);
  return meter;
}

// The fill colour of bar `bar` (1 = top) of a 20 x 100 meter: the middle row of the bar's
// 3-pixel-high inner rectangle, away from the bevel columns.
QColor BarFill(const QImage& shot, int bar) {
  const int top = 100 - (20 - bar + 1) * 5;  // bars fill from the bottom
  return shot.pixelColor(10, top + 2);
}

const QColor kLime(0, 255, 0), kOrange(255, 186, 0), kRed(255, 0, 0);

QColor Dim(const QColor& c) { return QColor(c.red() / 5 * 2, c.green() / 5 * 2, c.blue() / 5 * 2); }

}  // namespace

TEST(BarMeter, Defaults) {
  TRLed meter;
  EXPECT_EQ(meter.size(), QSize(25, 152));
  EXPECT_EQ(meter.ColorLow(), kLime);
  EXPECT_EQ(meter.ColorMid(), kOrange);  // 47871 in the colour value order
  EXPECT_EQ(meter.ColorHi(), kRed);
  EXPECT_EQ(meter.Orientation(), trVertical);
  EXPECT_EQ(meter.MaxValue(), 100);
  EXPECT_EQ(meter.BarSize(), 5);
  EXPECT_EQ(meter.PeakPos(), 75);
  EXPECT_EQ(meter.MidPos(), 55);
  EXPECT_EQ(meter.BarCount(), 30);
}

// 80 % of 20 bars lights the bottom 16 (bars 5..20). Zones: high below bar rnd(20 * 0.25) = 5,
// middle below bar rnd(20 * 0.45) = 9, low from there on.
TEST(BarMeter, EightyPercentLightsTheRightBarsInZoneColours) {
  auto meter = MakeMeter();
  meter->SetPosition(80);
  EXPECT_EQ(meter->LitBarCount(), 16);
  const QImage shot = Shot(meter.get());
  struct {
    int bar;
    QColor fill;
  } expected[] = {
      {1, Dim(kRed)},  {4, Dim(kRed)},  {5, kOrange},   {8, kOrange},
      {9, kLime},      {14, kLime},     {20, kLime},
  };
  for (const auto& e : expected)
    EXPECT_EQ(BarFill(shot, e.bar), e.fill) << "bar " << e.bar;
  // The background shows between bars and at the sides.
  EXPECT_EQ(shot.pixelColor(0, 50), QColor(Qt::black));
  EXPECT_EQ(shot.pixelColor(10, 100 - 5), QColor(Qt::black));  // 1-pixel gap at a bar's edge
}

TEST(BarMeter, BarsCarryABevel) {
  auto meter = MakeMeter();
  meter->SetPosition(100);
  const QImage shot = Shot(meter.get());
  // Bar 20 (bottom, lime): inner rectangle x 2..17, y 96..98.
  EXPECT_EQ(shot.pixelColor(2, 97), QColor(100, 255, 100));   // left edge: highlight
  EXPECT_EQ(shot.pixelColor(9, 96), QColor(100, 255, 100));   // top edge: highlight
  EXPECT_EQ(shot.pixelColor(9, 98), QColor(0, 102, 0));       // bottom edge: dimmed
  EXPECT_EQ(shot.pixelColor(17, 97), QColor(0, 102, 0));      // right edge: dimmed
}

TEST(BarMeter, HighlightAndDimmedColours) {
  const struct {
    QColor fill, light, dim;
  } cases[] = {
      {QColor(0, 255, 0), QColor(100, 255, 100), QColor(0, 102, 0)},
      {QColor(255, 186, 0), QColor(255, 255, 100), QColor(102, 74, 0)},
      {QColor(100, 50, 20), QColor(150, 75, 30), QColor(40, 20, 8)},   // none reaches 255
      {QColor(170, 40, 0), QColor(255, 100, 100), QColor(68, 16, 0)},  // 170 * 3 div 2 = 255
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TRLed::Highlight(c.fill), c.light) << c.fill.name().toStdString();
    EXPECT_EQ(TRLed::Dimmed(c.fill), c.dim) << c.fill.name().toStdString();
  }
}

TEST(BarMeter, PositionRules) {
  auto meter = MakeMeter();
  meter->SetPosition(60);
  meter->SetPosition(101);  // above MaxValue: ignored
  EXPECT_EQ(meter->Position(), 60);
  meter->SetPosition(100);
  EXPECT_EQ(meter->Position(), 100);
  EXPECT_EQ(meter->LitBarCount(), 20);
  meter->SetPosition(0);
  EXPECT_EQ(meter->LitBarCount(), 0);
}

TEST(BarMeter, SetterGuards) {
  auto meter = MakeMeter();
  meter->SetPeakPos(100);  // only below 100
  EXPECT_EQ(meter->PeakPos(), 75);
  meter->SetMidPos(75);  // only below PeakPos
  EXPECT_EQ(meter->MidPos(), 55);
  meter->SetMidPos(60);
  EXPECT_EQ(meter->MidPos(), 60);
  meter->SetBarSize(96);  // must be smaller than the length (100) less 4
  EXPECT_EQ(meter->BarSize(), 5);
  meter->SetBarSize(95);
  EXPECT_EQ(meter->BarSize(), 95);
  meter->SetBarSize(0);  // no bars at all would divide by zero
  EXPECT_EQ(meter->BarSize(), 95);
  meter->SetBarSize(4);
  EXPECT_EQ(meter->BarCount(), 25);
}

// A range of 0 and a position left above a shrunken range must not crash or wrap round.
TEST(BarMeter, OutOfRangeScalesShowEmptyOrFull) {
  auto meter = MakeMeter();
  meter->SetPosition(90);
  meter->SetMaxValue(50);  // position now 180 % of full scale
  EXPECT_EQ(meter->LitBarCount(), 20);
  meter->SetMaxValue(0);
  EXPECT_EQ(meter->LitBarCount(), 0);
  meter->Render();
  meter->SetMaxValue(100);
  meter->SetPosition(-20);  // a negative level shows nothing
  EXPECT_EQ(meter->LitBarCount(), 0);
}

TEST(BarMeter, HeldPeakStaysLitAndFallsOneBarPerTick) {
  auto meter = MakeMeter();
  meter->SetPeaksFall(true);
  meter->SetPosition(90);  // 18 bars: highest lit bar 3
  meter->SetPosition(40);  // 8 bars: bars 13..20
  EXPECT_EQ(meter->PeakLed(), 3);
  QImage shot = Shot(meter.get());
  EXPECT_EQ(BarFill(shot, 3), kRed);        // held peak lit
  EXPECT_EQ(BarFill(shot, 4), Dim(kRed));
  EXPECT_EQ(BarFill(shot, 12), Dim(kLime));
  EXPECT_EQ(BarFill(shot, 13), kLime);

  PeaksTimer peaks;
  peaks.AddMeter(meter.get());
  peaks.Tick();
  peaks.Tick();
  EXPECT_EQ(meter->PeakLed(), 5);
  shot = Shot(meter.get());
  EXPECT_EQ(BarFill(shot, 3), Dim(kRed));
  EXPECT_EQ(BarFill(shot, 5), kOrange);

  // The peak falls to the level and no further than one past the last bar.
  for (int i = 0; i < 40; ++i) peaks.Tick();
  EXPECT_EQ(meter->PeakLed(), 21);
  meter->SetPosition(50);  // the level raises the held peak again
  EXPECT_EQ(meter->PeakLed(), 11);
}

TEST(BarMeter, PeakIsHiddenWithoutPeaksFall) {
  auto meter = MakeMeter();
  meter->SetPosition(90);
  meter->SetPosition(40);
  const QImage shot = Shot(meter.get());
  EXPECT_EQ(BarFill(shot, 3), Dim(kRed));
}

TEST(BarMeter, PeaksTimerForgetsDestroyedMeters) {
  PeaksTimer peaks;
  auto meter = MakeMeter();
  peaks.AddMeter(meter.get());
  meter.reset();
  peaks.Tick();  // must not touch the freed meter
  EXPECT_EQ(PeaksTimer::kIntervalMs, 250);
}

// Only the bars that changed are drawn on each paint; the picture must match a fresh meter.
TEST(BarMeter, IncrementalPaintingMatchesAFreshMeter) {
  const std::vector<std::vector<int>> sequences = {
      {10, 90, 30, 55, 0, 77},
      {100, 0, 100, 50},
      {95, 20, 20, 60},
  };
  for (bool fall : {false, true}) {
    for (const auto& positions : sequences) {
      auto meter = MakeMeter();
      meter->SetPeaksFall(fall);
      for (int p : positions) {
        meter->SetPosition(p);
        meter->Render();
      }
      auto fresh = MakeMeter();
      fresh->SetPeaksFall(fall);
      fresh->SetPeakLed(meter->PeakLed());
      fresh->SetPosition(positions.back());
      EXPECT_EQ(meter->Render(), fresh->Render()) << "peaks fall " << fall;
    }
  }
}

TEST(BarMeter, ColourChangeRepaintsEveryBar) {
  auto meter = MakeMeter();
  meter->SetPosition(100);
  meter->Render();
  meter->SetColorLow(QColor(0, 0, 255));
  meter->SetBackColor(QColor(40, 40, 40));
  const QImage shot = Shot(meter.get());
  EXPECT_EQ(BarFill(shot, 20), QColor(0, 0, 255));
  EXPECT_EQ(shot.pixelColor(0, 50), QColor(40, 40, 40));
}

TEST(PositionBar, HorizontalFillsFromTheLeft) {
  TRLed bar;
  bar.resize(100, 12);
  bar.SetOrientation(trHorizontal);
  bar.SetPosition(40);  // 5-pixel bars: 20 bars, bar 20 at the left; 8 lit
  EXPECT_EQ(bar.LitBarCount(), 8);
  QImage shot = Shot(&bar);
  // Bar 20 spans x 0..4 (lit), bar 13 x 35..39 (lit), bar 12 x 40..44 (unlit).
  EXPECT_EQ(shot.pixelColor(2, 6), kLime);
  EXPECT_EQ(shot.pixelColor(37, 6), kLime);
  EXPECT_EQ(shot.pixelColor(42, 6), Dim(kLime));

  // With 4-pixel bars (the skins' default) the inner rectangle is two pixels wide: all bevel.
  bar.SetBarSize(4);
  shot = Shot(&bar);
  EXPECT_EQ(shot.pixelColor(1, 6), QColor(100, 255, 100));  // bar 25, lit: highlight
  EXPECT_EQ(shot.pixelColor(2, 6), QColor(0, 102, 0));      // and its dimmed edge
  EXPECT_EQ(shot.pixelColor(41, 6), QColor(0, 153, 0));     // bar 15, unlit
  EXPECT_EQ(shot.pixelColor(42, 6), QColor(0, 40, 0));
}

TEST(PositionBar, ClickReportsPositionInStepsOfMaxValueDivWidth) {
  struct {
    int width, maxValue, x, want;
  } cases[] = {
      {200, 1000, 0, 0},     {200, 1000, 50, 250},  {200, 1000, 199, 995},
      {200, 1099, 10, 50},   // 1099 div 200 = 5: the division is done first
      {200, 150, 120, 0},    // a MaxValue below the width always reports 0
      {100, 300000, 33, 99000},
  };
  for (const auto& c : cases) {
    TRLed bar;
    bar.resize(c.width, 10);
    bar.SetOrientation(trHorizontal);
    bar.SetMaxValue(c.maxValue);
    bar.SetTag(3);
    int reported = -1, tag = -1, calls = 0;
    bar.OnClickPosition = [&](TRLed* sender, int position) {
      reported = position;
      tag = sender->Tag();
      ++calls;
    };
    controltest::Press(&bar, {c.x, 5});
    controltest::Press(&bar, {c.x, 5}, Qt::RightButton);  // only the left button reports
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reported, c.want) << c.width << " " << c.maxValue << " x " << c.x;
    EXPECT_EQ(tag, 3);
  }
}

TEST(BarMeter, SwitchingPeaksFallShowsOrHidesTheHeldPeak) {
  auto meter = MakeMeter();
  meter->SetPosition(90);
  meter->SetPosition(40);
  meter->Render();
  meter->SetPeaksFall(true);
  EXPECT_EQ(BarFill(meter->Render(), 3), kRed);
  meter->SetPeaksFall(false);
  EXPECT_EQ(BarFill(meter->Render(), 3), Dim(kRed));
}
