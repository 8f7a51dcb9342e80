#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <set>

#include "core/Messages.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

namespace {

// A grid of a fixed size with three named columns ("File", "Artist", "Title") and `rows` rows.
struct GridFixture {
  TEMDBGrid grid;
  explicit GridFixture(int rows, QSize size = QSize(400, 300)) {
    grid.resize(size);
    grid.SetColCount(3);
    grid.SetCell(0, 0, "File");
    grid.SetCell(1, 0, "Artist");
    grid.SetCell(2, 0, "Title");
    grid.SetRowCount(rows + 1);
    for (int r = 1; r <= rows; ++r) {
      grid.SetCell(0, r, "/music/" + std::to_string(r) + ".mp3");
      grid.SetCell(1, r, "Artist " + std::to_string(1000 + r));
      grid.SetCell(2, r, "Title " + std::to_string(r));
    }
    grid.show();
    grid.RenderAll();
  }
  std::set<int> Selected() const {
    std::set<int> s;
    for (int r = 1; r < grid.GetRowCount(); ++r)
      if (grid.GetSelected(r)) s.insert(r);
    return s;
  }
  QPoint CellCentre(int col, int row) const { return grid.GetCellRect(col, row).center(); }
  void Click(int col, int row, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(&grid, Qt::LeftButton, mods, CellCentre(col, row));
  }
  std::set<int> Range(int from, int to) const {
    std::set<int> s;
    for (int r = from; r <= to; ++r) s.insert(r);
    return s;
  }
};

}  // namespace

TEST(TEMDBGrid, StartsWithTwoColumnsAndHeaderOnly) {
  TEMDBGrid grid;
  EXPECT_EQ(grid.GetRowCount(), 1);
  EXPECT_EQ(grid.GetColCount(), 2);
  EXPECT_EQ(grid.GetColWidth(0), 64);
  EXPECT_EQ(grid.GetColWidth(1), 64);
  EXPECT_EQ(grid.GetRow(), 1);
  EXPECT_EQ(grid.GetFixedCols(), 1);
  EXPECT_EQ(grid.GetRowHeight(), 17);
  EXPECT_EQ(grid.GetSelectColor(), QColor(80, 80, 0));
  EXPECT_EQ(grid.GetOptions(), emgMultiSelect);
  EXPECT_EQ(grid.GetSortOptions(), TSortOptions{});
  EXPECT_EQ(grid.GetCell(5, 0), "");  // outside the table
  EXPECT_EQ(grid.GetCell(0, 9), "");
}

TEST(TEMDBGrid, SetRowCountZeroLeavesHeaderOnlyAndDrawsOnlyIt) {
  GridFixture f(40);
  f.grid.SetRowCount(0);
  EXPECT_EQ(f.grid.GetRowCount(), 1);
  EXPECT_EQ(f.grid.Table().GetRowCount(), 0);
  EXPECT_EQ(f.grid.GetCell(1, 0), "Artist");
  std::set<int> rowsDrawn;
  f.grid.OnGetCellFormat = [&](TEMDBGrid*, int, int row, TFormatOptions&) { rowsDrawn.insert(row); };
  f.grid.RenderAll();
  EXPECT_EQ(rowsDrawn, std::set<int>{0});
  // Keys and the wheel on an empty grid do nothing harmful.
  QTest::keyClick(&f.grid, Qt::Key_End);
  QTest::keyClick(&f.grid, Qt::Key_PageDown);
  f.grid.WheelScroll(3);
  EXPECT_EQ(f.grid.GetRow(), 1);
  EXPECT_EQ(f.grid.GetTopRow(), 1);
}

TEST(TEMDBGrid, CellsMapToTableRowsAndGeometryFollowsRowHeight) {
  GridFixture f(100);
  EXPECT_EQ(f.grid.GetCell(2, 1), "Title 1");
  EXPECT_EQ(f.grid.Table().GetItem(2, 0), "Title 1");
  const int rh = f.grid.GetRowHeight();
  EXPECT_EQ(f.grid.GetCellRect(0, 0), QRect(1, 1, 64, rh));
  EXPECT_EQ(f.grid.GetCellRect(1, 1), QRect(66, 1 + (rh + 1), 64, rh));
  EXPECT_EQ(f.grid.GetCellRect(2, 3), QRect(131, 1 + 3 * (rh + 1), 64, rh));
  int row, col;
  const struct {
    int x, y, row, col;
  } cases[] = {{5, 3, 0, 0},          {70, rh + 2, 1, 1},  {130, rh + 2, 1, 1},  // gap: left column
               {140, 2 * (rh + 1) + 5, 2, 2}, {390, 40, 2, -1}};
  for (const auto& c : cases) {
    f.grid.MouseToCell(c.x, c.y, row, col);
    EXPECT_EQ(row, c.row) << c.x << "," << c.y;
    EXPECT_EQ(col, c.col) << c.x << "," << c.y;
  }
  // A hidden column takes no room.
  f.grid.SetColWidth(1, -1);
  EXPECT_TRUE(f.grid.GetCellRect(1, 1).isEmpty());
  EXPECT_EQ(f.grid.GetCellRect(2, 1).left(), 66);
  // Below the last row.
  GridFixture small(2);
  small.grid.MouseToCell(10, 250, row, col);
  EXPECT_EQ(row, -1);
}

TEST(TEMDBGrid, HeaderClicksSortAscendingThenDescendingAndOtherColumnKeepsDirection) {
  GridFixture f(0);
  const char* artists[] = {"beta", "Alpha", "gamma", "Delta"};
  const char* titles[] = {"3", "1", "4", "2"};
  f.grid.SetRowCount(5);
  for (int r = 1; r <= 4; ++r) {
    f.grid.SetCell(1, r, artists[r - 1]);
    f.grid.SetCell(2, r, titles[r - 1]);
  }
  auto column = [&](int col) {
    std::vector<std::string> v;
    for (int r = 1; r <= 4; ++r) v.push_back(f.grid.GetCell(col, r));
    return v;
  };
  f.grid.RenderAll();
  f.Click(2, 0);  // Title is not the sort column: it becomes it, ascending
  EXPECT_EQ(f.grid.GetSortOptions().SortCol, 2);
  EXPECT_EQ(f.grid.GetSortOptions().SortDirection, sdAscending);
  EXPECT_EQ(column(2), (std::vector<std::string>{"1", "2", "3", "4"}));
  f.Click(2, 0);  // same column again: descending
  EXPECT_EQ(f.grid.GetSortOptions().SortDirection, sdDescending);
  EXPECT_EQ(column(2), (std::vector<std::string>{"4", "3", "2", "1"}));
  f.Click(1, 0);  // another column keeps the direction
  EXPECT_EQ(f.grid.GetSortOptions().SortCol, 1);
  EXPECT_EQ(f.grid.GetSortOptions().SortDirection, sdDescending);
  EXPECT_EQ(column(1), (std::vector<std::string>{"gamma", "Delta", "beta", "Alpha"}));

  // Released over another column, or with sorting off, nothing sorts.
  QTest::mousePress(&f.grid, Qt::LeftButton, {}, f.CellCentre(2, 0));
  QTest::mouseRelease(&f.grid, Qt::LeftButton, {}, f.CellCentre(1, 0));
  EXPECT_EQ(f.grid.GetSortOptions().SortCol, 1);
  TSortOptions off = f.grid.GetSortOptions();
  off.SortActive = false;
  f.grid.SetSortOptions(off);
  f.Click(2, 0);
  EXPECT_EQ(f.grid.GetSortOptions().SortCol, 1);
  EXPECT_EQ(column(1), (std::vector<std::string>{"gamma", "Delta", "beta", "Alpha"}));
}

TEST(TEMDBGrid, KeysMoveTheCurrentRowAndShiftSelects) {
  const struct {
    const char* name;
    int start;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int current;
    int selFrom, selTo;
  } cases[] = {
      {"Shift+End", 1, Qt::Key_End, Qt::ShiftModifier, 200, 1, 200},
      {"End", 1, Qt::Key_End, {}, 200, 200, 200},
      {"Shift+Home", 50, Qt::Key_Home, Qt::ShiftModifier, 1, 1, 50},
      {"Home", 50, Qt::Key_Home, {}, 1, 1, 1},
      {"Down", 10, Qt::Key_Down, {}, 11, 11, 11},
      {"Shift+Down", 10, Qt::Key_Down, Qt::ShiftModifier, 11, 10, 11},
      {"Up at the top", 1, Qt::Key_Up, {}, 1, 1, 1},
  };
  for (const auto& c : cases) {
    GridFixture f(200);
    f.grid.SetRow(c.start);
    f.grid.DeSelectAll();
    QTest::keyClick(&f.grid, c.key, c.mods);
    EXPECT_EQ(f.grid.GetRow(), c.current) << c.name;
    EXPECT_EQ(f.Selected(), f.Range(c.selFrom, c.selTo)) << c.name;
  }
}

TEST(TEMDBGrid, PageKeysMoveByThePageSize) {
  GridFixture f(200);  // 300 px high: 15 full rows below the header, the 16th cut
  const int n = f.grid.PageSize();
  EXPECT_EQ(n, f.grid.GetVisibleRowCount());
  QTest::keyClick(&f.grid, Qt::Key_PageDown);
  EXPECT_EQ(f.grid.GetRow(), 1 + n);
  QTest::keyClick(&f.grid, Qt::Key_PageDown, Qt::ShiftModifier);
  EXPECT_EQ(f.grid.GetRow(), 1 + 2 * n);
  EXPECT_EQ(f.Selected(), f.Range(1 + n, 1 + 2 * n));
  QTest::keyClick(&f.grid, Qt::Key_PageUp);
  EXPECT_EQ(f.grid.GetRow(), 1 + n);
  QTest::keyClick(&f.grid, Qt::Key_PageUp);
  QTest::keyClick(&f.grid, Qt::Key_PageUp);
  EXPECT_EQ(f.grid.GetRow(), 1);
  f.grid.SetWheelMoveBy(5);
  QTest::keyClick(&f.grid, Qt::Key_PageDown);
  EXPECT_EQ(f.grid.GetRow(), 6);
  // The view follows: the current row stays the last fully visible one.
  f.grid.SetRow(150);
  EXPECT_EQ(f.grid.GetTopRow(), 150 - f.grid.GetVisibleRowCount() + 1);
  f.grid.SetRow(3);
  EXPECT_EQ(f.grid.GetTopRow(), 3);
}

TEST(TEMDBGrid, LeftAndRightScrollColumnsButNotIntoFixedOnes) {
  GridFixture f(5, QSize(150, 200));
  f.grid.SetColCount(6);
  EXPECT_EQ(f.grid.GetLeftCol(), 1);
  QTest::keyClick(&f.grid, Qt::Key_Left);
  EXPECT_EQ(f.grid.GetLeftCol(), 1);
  QTest::keyClick(&f.grid, Qt::Key_Right);
  QTest::keyClick(&f.grid, Qt::Key_Right);
  EXPECT_EQ(f.grid.GetLeftCol(), 3);
  // Fixed column 0 stays at the left; column 3 follows it.
  EXPECT_EQ(f.grid.GetCellRect(0, 1).left(), 1);
  EXPECT_EQ(f.grid.GetCellRect(3, 1).left(), 66);
  EXPECT_TRUE(f.grid.GetCellRect(1, 1).isEmpty());
  for (int i = 0; i < 10; ++i) QTest::keyClick(&f.grid, Qt::Key_Right);
  EXPECT_LE(f.grid.GetLeftCol(), 5);
}

TEST(TEMDBGrid, MouseSelectionRules) {
  GridFixture f(30);
  f.Click(1, 3);
  EXPECT_EQ(f.grid.GetRow(), 3);
  EXPECT_EQ(f.Selected(), std::set<int>{3});
  // Shift-click selects the range from the current row, also when the grid did not see the
  // Shift key go down (it was pressed while another control had the focus).
  f.Click(1, 6, Qt::ShiftModifier);
  EXPECT_EQ(f.grid.GetRow(), 6);
  EXPECT_EQ(f.Selected(), f.Range(3, 6));
  // A plain click on an unselected row starts again.
  f.Click(1, 9);
  EXPECT_EQ(f.Selected(), std::set<int>{9});
  // Ctrl (multi-select mode) adds rows; Ctrl-click on the current row toggles it.
  QTest::keyPress(&f.grid, Qt::Key_Control);
  EXPECT_EQ(f.grid.GetMode(), 3);
  f.Click(1, 2, Qt::ControlModifier);
  f.Click(1, 4, Qt::ControlModifier);
  EXPECT_EQ(f.Selected(), (std::set<int>{2, 4, 9}));
  f.Click(1, 4, Qt::ControlModifier);
  EXPECT_EQ(f.Selected(), (std::set<int>{2, 9}));
  // A plain click on a selected row keeps the selection; on an unselected one clears it.
  QTest::keyRelease(&f.grid, Qt::Key_Control);
  f.Click(1, 2);
  EXPECT_EQ(f.grid.GetRow(), 2);
  f.Click(1, 12);
  EXPECT_EQ(f.Selected(), std::set<int>{12});
  // Without multi-select, Ctrl does not enter the mode.
  f.grid.SetOptions(0);
  QTest::keyPress(&f.grid, Qt::Key_Control);
  EXPECT_EQ(f.grid.GetMode(), 0);
  // The right button moves the current row only.
  QTest::mouseClick(&f.grid, Qt::RightButton, {}, f.CellCentre(1, 14));
  EXPECT_EQ(f.grid.GetRow(), 14);
  EXPECT_EQ(f.Selected(), std::set<int>{14});
}

TEST(TEMDBGrid, ColumnEdgeDraggedNarrowBecomesTenBeforeTheEvent) {
  GridFixture f(5);
  std::vector<std::pair<int, int>> seen;
  f.grid.OnCellWidthChange = [&](TEMDBGrid*, int col, int& width) {
    seen.emplace_back(col, width);
    if (width < 30) width = 30;  // as the main console does
  };
  const QRect artist = f.grid.GetCellRect(1, 0);
  const QPoint edge(artist.right() - 1, 5);
  QTest::mousePress(&f.grid, Qt::LeftButton, {}, edge);
  EXPECT_EQ(f.grid.GetMode(), 4);
  QTest::mouseMove(&f.grid, QPoint(artist.left() + 3, 5));
  QTest::mouseRelease(&f.grid, Qt::LeftButton, {}, QPoint(artist.left() + 3, 5));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], std::make_pair(1, 10));
  EXPECT_EQ(f.grid.GetColWidth(1), 30);
  EXPECT_EQ(f.grid.GetMode(), 0);

  // Near a column's left edge the visible column before it is sized.
  seen.clear();
  f.grid.OnCellWidthChange = [&](TEMDBGrid*, int col, int& width) { seen.emplace_back(col, width); };
  const QRect title = f.grid.GetCellRect(2, 0);
  QTest::mousePress(&f.grid, Qt::LeftButton, {}, QPoint(title.left() + 2, 5));
  QTest::mouseRelease(&f.grid, Qt::LeftButton, {}, QPoint(title.left() + 50, 5));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], std::make_pair(1, title.left() + 50 - artist.left()));
  EXPECT_EQ(f.grid.GetColWidth(1), title.left() + 50 - artist.left());
}

TEST(TEMDBGrid, WheelArithmetic) {
  // 300 px high, 17 px rows: the page n and step m = n - 1.
  const struct {
    int wheelMoveBy;
    int startTop;
    int steps;
    int expectedTop;
  } cases[] = {
      {1, 1, 1, 1},    // n = 1: the wheel does not scroll
      {1, 50, -1, 50},
      {5, 1, 1, 5},    // m = 4
      {5, 1, 2, 9},
      {5, 9, -1, 5},
      {5, 4, -1, 1},   // n not below the top row: back to 1
      {0, 1, 1, 15},   // 0: the rows in view (15 full rows, 16 in view less one)
  };
  for (const auto& c : cases) {
    GridFixture f(200);
    f.grid.SetWheelMoveBy(c.wheelMoveBy);
    f.grid.MoveTopLeft(1, c.startTop);
    f.grid.WheelScroll(c.steps);
    EXPECT_EQ(f.grid.GetTopRow(), c.expectedTop)
        << c.wheelMoveBy << " from " << c.startTop << " by " << c.steps;
    EXPECT_EQ(f.grid.GetRow(), 1) << "the wheel leaves the current row";
  }
  // Near the end the top row stops at RowCount - m.
  GridFixture f(20);
  f.grid.SetWheelMoveBy(5);
  f.grid.MoveTopLeft(1, 15);
  f.grid.WheelScroll(1);
  EXPECT_LE(f.grid.GetTopRow(), 21 - 4);
  // A real wheel event goes the same way (down).
  GridFixture g(200);
  g.grid.SetWheelMoveBy(5);
  QWheelEvent wheel(QPointF(50, 50), g.grid.mapToGlobal(QPointF(50, 50)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&g.grid, &wheel);
  EXPECT_EQ(g.grid.GetTopRow(), 5);
}

TEST(TEMDBGrid, SettersRefuseBadValuesWithTheirMessages) {
  GridFixture f(3);
  MessageCapture capture;
  const int fontSize = f.grid.font().pointSize() > 0 ? f.grid.font().pointSize() : f.grid.font().pixelSize();
  f.grid.SetColWidth(3, 100);
  f.grid.SetColWidth(-1, 100);
  f.grid.SetRowHeight(fontSize + 6);
  f.grid.SetFixedCols(-1);
  f.grid.SetFixedCols(3);
  EXPECT_EQ(capture.Texts(),
            (std::vector<std::string>{"Column doesn't exist", "Column doesn't exist",
                                      "Height of rows can't be smaller then font size + 7",
                                      "Fixed columns can't be a negative value",
                                      "To much fixed columns"}));
  EXPECT_EQ(f.grid.GetColWidth(3), 64);  // reading a missing column gives the default width
  EXPECT_EQ(f.grid.GetRowHeight(), 17);
  EXPECT_EQ(f.grid.GetFixedCols(), 1);

  capture.Clear();
  f.grid.SetRowHeight(fontSize + 7);
  EXPECT_EQ(f.grid.GetRowHeight(), fontSize + 7);
  f.grid.SetRow(3);
  f.grid.SetFixedCols(2);
  EXPECT_EQ(f.grid.GetFixedCols(), 2);
  EXPECT_EQ(f.grid.GetLeftCol(), 2);
  EXPECT_EQ(f.grid.GetRow(), 1);
  EXPECT_TRUE(f.grid.GetSelected(1));
  EXPECT_TRUE(capture.Texts().empty());

  // A new default width reaches the columns that had the old one.
  f.grid.SetColWidth(1, 150);
  f.grid.SetDefaultColWidth(80);
  EXPECT_EQ(f.grid.GetColWidth(0), 80);
  EXPECT_EQ(f.grid.GetColWidth(1), 150);
  f.grid.SetColCount(4);
  EXPECT_EQ(f.grid.GetColWidth(3), 80);
}

TEST(TEMDBGrid, ColumnZeroShowsIconsForItsCodes) {
  const struct {
    const char* text;
    int icon;
  } codes[] = {{"1", giPlay1}, {"2", giPlay2}, {"V", giPlayed}, {"X", giPlayNot},
               {"7", -1},      {"v", -1},      {"", -1},        {"VV", -1}};
  for (const auto& c : codes) EXPECT_EQ(TEMDBGrid::IconIndexFor(c.text), c.icon) << c.text;

  GridFixture f(8);
  const QColor iconColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
  for (int i = 0; i < 4; ++i) {
    QImage img(12, 12, QImage::Format_ARGB32);
    img.fill(iconColours[i]);
    img.setPixel(0, 0, QColor(Qt::magenta).rgb());
    img.setPixel(11, 11, QColor(Qt::magenta).rgb());  // same colour as the corner: background
    f.grid.SetBMP(i, img);
    EXPECT_EQ(f.grid.GetBMP(i).pixelColor(11, 11), f.grid.GetFixedColor());
    EXPECT_EQ(f.grid.GetBMP(i).pixelColor(5, 5), iconColours[i]);
  }
  const char* cells[] = {"1", "2", "V", "X", "7"};
  for (int r = 1; r <= 5; ++r) f.grid.SetCell(0, r, cells[r - 1]);
  f.grid.SetPaintIcon(true);
  f.grid.RenderAll();
  for (int r = 1; r <= 4; ++r)
    EXPECT_EQ(f.grid.OffscreenImage().pixelColor(f.CellCentre(0, r)), iconColours[r - 1]) << r;
  // "7" is drawn as text on the fixed colour, not as an icon.
  const QRect seven = f.grid.GetCellRect(0, 5);
  bool anyIconColour = false, anyText = false;
  for (int y = seven.top(); y <= seven.bottom(); ++y)
    for (int x = seven.left(); x <= seven.right(); ++x) {
      const QColor px = f.grid.OffscreenImage().pixelColor(x, y);
      for (const QColor& ic : iconColours) anyIconColour |= px == ic;
      anyText |= px == f.grid.GetFixedTextColor();
    }
  EXPECT_FALSE(anyIconColour);
  EXPECT_TRUE(anyText);

  // Without PaintIcon the code is drawn as text; OnGetCellFormat may turn icons off per cell.
  f.grid.SetPaintIcon(false);
  f.grid.RenderAll();
  EXPECT_NE(f.grid.OffscreenImage().pixelColor(f.CellCentre(0, 3)), iconColours[2]);
  // A new fixed colour re-creates the icons on it.
  f.grid.SetFixedColor(QColor(10, 20, 30));
  EXPECT_EQ(f.grid.GetBMP(0).pixelColor(0, 0), QColor(10, 20, 30));
  // The shipped icons are there.
  TEMDBGrid plain;
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(plain.GetBMP(i).isNull()) << i;
}

TEST(TEMDBGrid, HeaderCaptionsAreCutWithADot) {
  const QFontMetrics fm(QApplication::font());
  const QString longCaption = "A very long column caption";
  const int width = fm.horizontalAdvance("A very l");
  const QString cut = TEMDBGrid::CutHeaderText(longCaption, fm, width);
  EXPECT_TRUE(cut.endsWith('.')) << cut.toStdString();
  EXPECT_LE(fm.horizontalAdvance(cut), width);
  EXPECT_TRUE(longCaption.startsWith(cut.left(cut.size() - 1)));
  EXPECT_EQ(TEMDBGrid::CutHeaderText("Title", fm, 500), "Title");
  EXPECT_EQ(TEMDBGrid::CutHeaderText(longCaption, fm, 1).size(), 3);
}

TEST(TEMDBGrid, FormatEventSeesEveryDrawnCellAndOnlyThoseInView) {
  auto cellsPerPaint = [](int rows) {
    GridFixture f(rows);
    int calls = 0;
    int numericAlignment = -1;
    f.grid.Table().SetColType(2, 1);
    f.grid.OnGetCellFormat = [&](TEMDBGrid*, int col, int row, TFormatOptions& fo) {
      ++calls;
      if (col == 2 && row == 1) numericAlignment = fo.Alignment;
    };
    f.grid.RenderAll();
    EXPECT_EQ(numericAlignment, 1);
    return calls;
  };
  const int few = cellsPerPaint(30);
  EXPECT_EQ(cellsPerPaint(100000), few);
  EXPECT_EQ(few, 3 * (1 + 16));  // header and 16 rows (the last one cut) of three columns

  // SetCell redraws its own cell and nothing else.
  GridFixture f(100000);
  std::vector<std::pair<int, int>> drawn;
  f.grid.OnGetCellFormat = [&](TEMDBGrid*, int col, int row, TFormatOptions& fo) {
    drawn.emplace_back(col, row);
    fo.Brush = Qt::cyan;
  };
  f.grid.SetCell(2, 4, "changed");
  EXPECT_EQ(drawn, (std::vector<std::pair<int, int>>{{2, 4}}));
  EXPECT_EQ(f.grid.OffscreenImage().pixelColor(f.grid.GetCellRect(2, 4).bottomRight()), QColor(Qt::cyan));
  EXPECT_NE(f.grid.OffscreenImage().pixelColor(f.grid.GetCellRect(2, 5).bottomRight()), QColor(Qt::cyan));
  drawn.clear();
  f.grid.SetCell(2, 5000, "out of view");  // stored, not drawn
  EXPECT_TRUE(drawn.empty());
  EXPECT_EQ(f.grid.GetCell(2, 5000), "out of view");
}

TEST(TEMDBGrid, SelectedRowsUseTheSelectedColours) {
  GridFixture f(10);
  f.grid.SetRow(2);
  std::map<int, TFormatOptions> formats;
  f.grid.OnGetCellFormat = [&](TEMDBGrid*, int col, int row, TFormatOptions& fo) {
    if (col == 1) formats[row] = fo;
  };
  f.grid.RenderAll();
  EXPECT_EQ(formats[2].Brush, QColor(80, 80, 0));
  EXPECT_EQ(formats[2].Font.Color, QColor(Qt::white));
  EXPECT_EQ(formats[3].Brush, f.grid.GetColor());
  EXPECT_EQ(formats[0].Brush, f.grid.GetFixedColor());
  EXPECT_EQ(formats[0].Text, "Artist");
  EXPECT_EQ(formats[3].Text, "Artist 1003");
}

TEST(TEMDBGrid, FormatChangesStayInTheirCell) {
  GridFixture f(5);
  std::map<std::pair<int, int>, TFormatOptions> seen;
  f.grid.OnGetCellFormat = [&](TEMDBGrid*, int col, int row, TFormatOptions& fo) {
    seen[{col, row}] = fo;
    if (col == 1 && row == 1) {
      fo.Font.setBold(true);
      fo.Font.Color = Qt::red;
      fo.Brush = Qt::green;
      fo.Text = "Changed";
    }
  };
  f.grid.RenderAll();
  for (const auto& cell : {std::make_pair(2, 1), std::make_pair(1, 2), std::make_pair(0, 2)}) {
    EXPECT_FALSE(seen[cell].Font.bold()) << cell.first << "," << cell.second;
    EXPECT_NE(seen[cell].Font.Color, QColor(Qt::red));
  }
  EXPECT_EQ(f.grid.OffscreenImage().pixelColor(f.grid.GetCellRect(1, 1).bottomRight()), QColor(Qt::green));
  EXPECT_EQ(f.grid.GetCell(1, 1), "Artist 1001") << "the event changes the drawing, not the table";
}

TEST(TEMDBGrid, QuickFindJumpsToTheFirstRowWithTheLetter) {
  GridFixture f(200);
  for (int r = 1; r <= 200; ++r)
    f.grid.SetCell(1, r, (r % 2 ? "abba " : "Moby ") + std::to_string(1000 + r));
  f.grid.Table().Sort(1, false);  // 100 rows of "abba", then 100 of "Moby"
  f.grid.SetFindKey(true);
  QTest::keyClick(&f.grid, Qt::Key_M);
  EXPECT_EQ(f.grid.GetRow(), 101);
  EXPECT_EQ(f.grid.GetTopRow(), 101);
  EXPECT_EQ(f.grid.GetCell(1, 101), "Moby 1002");
  QTest::keyClick(&f.grid, Qt::Key_A);  // letter case ignored
  EXPECT_EQ(f.grid.GetRow(), 1);
  QTest::keyClick(&f.grid, Qt::Key_Q);  // no row starts with it
  EXPECT_EQ(f.grid.GetRow(), 1);
  // Not on a numeric sort column, not while multi-selecting, not without FindKey.
  f.grid.Table().SetColType(1, 1);
  QTest::keyClick(&f.grid, Qt::Key_M);
  EXPECT_EQ(f.grid.GetRow(), 1);
  f.grid.Table().SetColType(1, 0);
  QTest::keyPress(&f.grid, Qt::Key_Control);
  QTest::keyClick(&f.grid, Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(f.grid.GetRow(), 1);
  QTest::keyRelease(&f.grid, Qt::Key_Control);
  f.grid.DeSelectAll();
  f.grid.SetFindKey(false);
  QTest::keyClick(&f.grid, Qt::Key_M);
  EXPECT_EQ(f.grid.GetRow(), 1);
}

TEST(TEMDBGrid, ScrollBarPartsScroll) {
  GridFixture f(200);
  f.grid.RenderAll();
  const int rh = f.grid.GetRowHeight();
  const int barX = f.grid.width() - rh / 2;
  const int bottomArrowY = f.grid.height() - rh / 2;  // the columns fit: no horizontal bar
  QTest::mouseClick(&f.grid, Qt::LeftButton, {}, QPoint(barX, bottomArrowY));
  EXPECT_EQ(f.grid.GetTopRow(), 2);
  QTest::mouseClick(&f.grid, Qt::LeftButton, {}, QPoint(barX, rh / 2));
  EXPECT_EQ(f.grid.GetTopRow(), 1);
  QTest::mouseClick(&f.grid, Qt::LeftButton, {}, QPoint(barX, bottomArrowY - rh - 5));
  EXPECT_EQ(f.grid.GetTopRow(), 1 + f.grid.PageSize());
  EXPECT_EQ(f.grid.GetRow(), 1) << "scroll bars leave the current row";
  // Dragging the thumb to the bottom shows the last rows.
  f.grid.MoveTopLeft(1, 1);
  f.grid.RenderAll();
  QTest::mousePress(&f.grid, Qt::LeftButton, {}, QPoint(barX, rh + rh / 2));
  EXPECT_EQ(f.grid.GetMode(), 2);
  QTest::mouseMove(&f.grid, QPoint(barX, f.grid.height()));
  QTest::mouseRelease(&f.grid, Qt::LeftButton, {}, QPoint(barX, f.grid.height()));
  EXPECT_EQ(f.grid.GetMode(), 0);
  EXPECT_EQ(f.grid.GetTopRow(), 201 - f.grid.GetVisibleRowCount());
}

TEST(TEMDBGrid, ShowsTheFilteredRowsOfItsTable) {
  GridFixture f(100);
  f.grid.SetRow(60);
  // The owner filters the table directly, then repaints.
  EXPECT_EQ(f.grid.Table().Filter(2, "Title 7"), 11);  // 7, 70..79
  f.grid.Repaint();
  f.grid.RenderAll();
  EXPECT_EQ(f.grid.GetRowCount(), 12);
  EXPECT_EQ(f.grid.GetCell(2, 2), "Title 70");
  EXPECT_LE(f.grid.GetRow(), 11);
  QTest::keyClick(&f.grid, Qt::Key_End);
  EXPECT_EQ(f.grid.GetRow(), 11);
  EXPECT_EQ(f.grid.GetCell(2, f.grid.GetRow()), "Title 79");
  EXPECT_TRUE(f.grid.GetSelected(11));
  f.grid.Table().ClearFilter();
  f.grid.Repaint();
  EXPECT_EQ(f.grid.GetRowCount(), 101);
}

TEST(TEMDBGrid, MouseEventsReachTheOwner) {
  GridFixture f(10);
  std::vector<std::pair<int, int>> downs;  // grid row and column under each press
  int doubleClicks = 0, ups = 0;
  f.grid.OnMouseDown = [&](TEMDBGrid* g, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    int row, col;
    g->MouseToCell(x, y, row, col);
    downs.emplace_back(row, col);
  };
  f.grid.OnMouseUp = [&](TEMDBGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++ups; };
  f.grid.OnDblClick = [&](TEMDBGrid*) { ++doubleClicks; };
  QTest::mouseDClick(&f.grid, Qt::LeftButton, {}, f.CellCentre(2, 4));
  EXPECT_EQ(doubleClicks, 1);
  ASSERT_FALSE(downs.empty());
  EXPECT_EQ(downs.back(), std::make_pair(4, 2));
  EXPECT_EQ(f.grid.GetRow(), 4);
  f.Click(1, 5);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(downs.back(), std::make_pair(5, 1));
  // Presses on the scroll bars are the grid's own.
  downs.clear();
  GridFixture g(200);
  g.grid.OnMouseDown = f.grid.OnMouseDown;
  QTest::mouseClick(&g.grid, Qt::LeftButton, {}, QPoint(g.grid.width() - 3, 3));
  EXPECT_TRUE(downs.empty());
}

// The console's playlist and library tables live in the console core and outlive any window: a
// grid over such a table shows it as it is, its changes reach the table, and destroying the grid
// leaves the table whole.
TEST(TEMDBGrid, ShowsATableOwnedElsewhere) {
  TEMDB table;
  table.SetColCount(3);
  table.SetItem(1, -1, "Artist");
  table.SetColWidth(0, 30);
  table.SetColWidth(1, 90);
  table.SetColWidth(2, -1);
  table.SetRowCount(4);
  for (int r = 0; r < 4; ++r) table.SetItem(1, r, "A" + std::to_string(r));
  {
    TEMDBGrid grid(table);
    grid.resize(300, 200);
    EXPECT_EQ(&grid.Table(), &table);
    EXPECT_EQ(grid.GetColCount(), 3) << "the table keeps its columns";
    EXPECT_EQ(grid.GetColWidth(1), 90);
    EXPECT_EQ(grid.GetRowCount(), 5);
    EXPECT_EQ(grid.GetCell(1, 0), "Artist");
    EXPECT_EQ(grid.GetCell(1, 2), "A1");
    EXPECT_TRUE(grid.GetSelected(1)) << "the current row shows selected";

    grid.SetCell(1, 3, "changed");
    EXPECT_EQ(table.GetItem(1, 2), "changed");
    // The owner shrinks the table behind the grid's back: the next paint keeps the current
    // row inside it.
    grid.SetRow(4);
    table.SetRowCount(2);
    grid.RenderAll();
    EXPECT_EQ(grid.GetRow(), 2);
  }
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.GetItem(1, 0), "A0");
}
