#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/TestSupport.h"
#include "controls/TEMLCD.h"
#include "ControlTestSupport.h"

using namespace spinwave;
using controltest::Shot;

namespace {

// Standard seven-segment patterns, segments numbered 1 top, 2 upper left, 3 upper right,
// 4 middle, 5 lower left, 6 lower right, 7 bottom.
const std::map<char, std::string> kPatterns = {
    {'0', "123567"}, {'1', "36"},     {'2', "13457"},   {'3', "13467"},  {'4', "2346"},
    {'5', "12467"},  {'6', "124567"}, {'7', "136"},     {'8', "1234567"}, {'9', "123467"},
    {'-', "4"},      {' ', ""}};

// A pixel inside segment s of cell i, worked out from the stated layout: cell width
// (Width - DigitNum * DigitSpacing - 1) div DigitNum, cells from DigitSpacing div 2, digit
// height Height - 1, segments inset GapX / GapY.
QPoint Probe(const TEMLCD& lcd, int cell, int segment) {
  const int cw = (lcd.width() - lcd.DigitNum() * lcd.DigitSpacing() - 1) / lcd.DigitNum();
  const int left = lcd.DigitSpacing() / 2 + cell * (lcd.DigitSpacing() + cw);
  const int h = lcd.height() - 1;
  const int cx = left + cw / 2;
  const int vlen = (h - 1) / 2 - 2 * lcd.GapY();
  const int upperY = lcd.GapY() + vlen / 2;
  const int lowerY = h - lcd.GapY() - vlen / 2 - 1;
  switch (segment) {
    case 1: return {cx, 0};
    case 2: return {left, upperY};
    case 3: return {left + cw - 1, upperY};
    case 4: return {cx, h / 2};
    case 5: return {left, lowerY};
    case 6: return {left + cw - 1, lowerY};
    default: return {cx, h - 1};
  }
}

// Checks every segment of every cell against the characters expected in the cells.
void ExpectCells(TEMLCD& lcd, const std::string& cells, const QColor& on, const QColor& off) {
  const QImage shot = Shot(&lcd);
  for (int i = 0; i < int(cells.size()); ++i) {
    const std::string& lit = kPatterns.at(cells[std::size_t(i)]);
    for (int s = 1; s <= 7; ++s) {
      const bool wantLit = lit.find(char('0' + s)) != std::string::npos;
      const QPoint p = Probe(lcd, i, s);
      EXPECT_EQ(shot.pixelColor(p), wantLit ? on : off)
          << "cell " << i << " ('" << cells[std::size_t(i)] << "') segment " << s << " at "
          << p.x() << "," << p.y();
    }
  }
}

TEMLCD* MakeLcd(int digits, int w = 60, int h = 30) {
  auto* lcd = new TEMLCD;
  lcd->resize(w, h);
  lcd->SetDigitNum(digits);
  return lcd;
}

}  // namespace

TEST(Lcd, DefaultsMatchTheDeckLook) {
  TEMLCD lcd;
  EXPECT_EQ(lcd.size(), QSize(35, 22));
  EXPECT_EQ(lcd.DigitNum(), 2);
  EXPECT_EQ(lcd.OnColor(), QColor(0, 255, 0));
  EXPECT_EQ(ColorToWin(lcd.OffColor()), 2705961u);
  EXPECT_EQ(lcd.Color(), QColor(Qt::black));
  EXPECT_EQ(lcd.Value(), QStringLiteral("0"));
  EXPECT_TRUE(lcd.LampOn());
  // "0" on two cells shows "00".
  ExpectCells(lcd, "00", lcd.OnColor(), lcd.OffColor());
}

TEST(Lcd, ValuesLightTheRightSegments) {
  struct Case {
    const char* value;
    int digits;
    std::string cells;
  } cases[] = {
      {"- 3", 3, "- 3"},     // minus, blank, 3 (three minutes left)
      {" 12", 3, " 12"},     // twelve minutes played
      {"5", 2, "05"},        // padded with "0" on the left
      {"12345", 3, "123"},   // only the first DigitNum characters
      {"", 3, "   "},        // empty: every cell blank
      {"12:30", 3, "   "},   // a colon makes the value empty
      {"4a", 2, "  "},       // so does a letter
      {"0123456789", 10, "0123456789"},
      {"-908", 4, "-908"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::unique_ptr<TEMLCD> lcd(MakeLcd(c.digits, 12 + 19 * c.digits, 30));
    lcd->SetValue(QString::fromLatin1(c.value));
    EXPECT_EQ(lcd->CellText().toStdString(), c.cells);
    ExpectCells(*lcd, c.cells, lcd->OnColor(), lcd->OffColor());
  }
}

TEST(Lcd, RejectedTextBecomesEmpty) {
  TEMLCD lcd;
  lcd.SetValue(QStringLiteral("1:05"));
  EXPECT_EQ(lcd.Value(), QString());
  lcd.SetValue(QStringLiteral("- 7"));
  EXPECT_EQ(lcd.Value(), QStringLiteral("- 7"));
}

TEST(Lcd, IntValue) {
  const std::pair<const char*, int> cases[] = {
      {"12", 12}, {"-3", -3}, {" 7", 7}, {"007", 7}, {"- 3", 0}, {"", 0}, {"   ", 0}, {"-", 0},
      {"1 2", 0}, {"99999999999", 0}};
  TEMLCD lcd;
  for (const auto& [text, want] : cases) {
    lcd.SetValue(QString::fromLatin1(text));
    EXPECT_EQ(lcd.GetIntValue(), want) << '"' << text << '"';
  }
  lcd.SetIntValue(-45);
  EXPECT_EQ(lcd.Value(), QStringLiteral("-45"));
  EXPECT_EQ(lcd.GetIntValue(), -45);
}

// Only changed cells are drawn again on each paint; whatever the order of values, the picture
// must end up the same as a fresh display showing the last value.
TEST(Lcd, IncrementalPaintingMatchesAFreshDisplay) {
  const std::vector<std::vector<const char*>> sequences = {
      {"- 3", "- 2", "- 1", "- 0", "   "},
      {"888", "1", "12:00", "909"},
      {"", "8", "88", "888", "8888", "0"},
  };
  for (const auto& values : sequences) {
    std::unique_ptr<TEMLCD> lcd(MakeLcd(3));
    for (const char* v : values) {
      lcd->SetValue(QString::fromLatin1(v));
      lcd->Render();
    }
    std::unique_ptr<TEMLCD> fresh(MakeLcd(3));
    fresh->SetValue(QString::fromLatin1(values.back()));
    EXPECT_EQ(lcd->Render(), fresh->Render()) << "last value " << values.back();
  }
}

TEST(Lcd, ColourAndLampChangesRedrawEveryCell) {
  std::unique_ptr<TEMLCD> lcd(MakeLcd(3));
  lcd->SetValue(QStringLiteral("- 3"));
  lcd->Render();
  const QColor on(0x71, 0x58, 0x3F), off(0xFD, 0xC8, 0x93), back(10, 20, 30);
  lcd->SetOnColor(on);
  lcd->SetOffColor(off);
  lcd->SetColor(back);
  ExpectCells(*lcd, "- 3", on, off);
  EXPECT_EQ(Shot(lcd.get()).pixelColor(lcd->width() - 1, lcd->height() - 1), back);

  lcd->SetLampOn(false);
  ExpectCells(*lcd, "888", off, off);  // every segment unlit
  lcd->SetLampOn(true);
  ExpectCells(*lcd, "- 3", on, off);
}

TEST(Lcd, BackgroundPictureSitsAtTheTopLeft) {
  std::unique_ptr<TEMLCD> lcd(MakeLcd(2, 50, 30));
  QPixmap picture(50, 30);
  picture.fill(QColor(200, 0, 200));
  lcd->SetImage(picture);
  lcd->SetValue(QStringLiteral("  "));
  const QImage shot = Shot(lcd.get());
  // Between the segments the picture shows; the segments themselves are painted over it.
  EXPECT_EQ(shot.pixelColor(lcd->width() / 4, lcd->height() / 4), QColor(200, 0, 200));
  EXPECT_EQ(shot.pixelColor(Probe(*lcd, 0, 1)), lcd->OffColor());
}

TEST(Lcd, ClickRaisesOnClickWithTheSender) {
  TEMLCD lcd;
  lcd.SetTag(7);
  int tag = -1, clicks = 0;
  lcd.OnClick = [&](TEMLCD* sender) {
    tag = sender->Tag();
    ++clicks;
  };
  controltest::Press(&lcd, {5, 5});
  controltest::Release(&lcd, {5, 5});
  controltest::Press(&lcd, {5, 5});
  controltest::Release(&lcd, {200, 5});  // released outside: no click
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(tag, 7);
}
