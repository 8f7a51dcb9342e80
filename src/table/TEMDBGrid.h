// TEMDBGrid: the owner-drawn grid that shows one TEMDB table. Grid row 0 is the header (the
// column names); grid row r >= 1 is the table's visible row r - 1. It draws everything itself
// into an off-screen image (header, fixed columns at the left, rows of RowHeight pixels with one
// pixel between them, its own scroll bars) and offers multi-row selection, column sizing with
// the mouse, sorting by a header click, a quick-find key and per-cell formatting through
// OnGetCellFormat. Only the rows and columns in view are drawn, so the cost of a paint does not
// grow with the table.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

#include "table/TEMDB.h"

namespace spinwave {

enum TEMDBGridOption { emgMultiSelect = 1, emgColMoving = 2, emgThumbTracking = 4 };
using TEMDBGridOptions = int;  // set of TEMDBGridOption bits

enum TSortDirection { sdAscending, sdDescending };

struct TSortOptions {
  bool SortActive = true;  // header clicks sort; the sort arrow is shown
  int SortCol = 1;         // column shown as sorted
  TSortDirection SortDirection = sdAscending;
  bool operator==(const TSortOptions&) const = default;
};

// Font of a cell with its colour.
struct TCellFont : QFont {
  QColor Color;
};

// The record handed to OnGetCellFormat for every cell drawn.
struct TFormatOptions {
  uint8_t Alignment = 0;  // 0 left (2 pixels in), 1 right (2 pixels from the edge), 2 centred
  QColor Brush;           // background of the cell
  TCellFont Font;         // text font and colour
  bool PaintIcon = false; // draw the icon chosen by the text instead of the text (column 0)
  std::string Text;       // the text to draw
};

// Icon indexes for SetBMP/GetBMP.
enum TGridIcon { giPlay1 = 0, giPlay2 = 1, giPlayed = 2, giPlayNot = 3 };

class TEMDBGrid : public QWidget {
  Q_OBJECT

 public:
  // A grid over a table of its own, with two columns.
  explicit TEMDBGrid(QWidget* parent = nullptr);
  // A grid that shows a table owned elsewhere (the console's playlist and library, which live
  // longer than any window). The table keeps its columns and rows; it must outlive the grid.
  explicit TEMDBGrid(TEMDB& table, QWidget* parent = nullptr);
  ~TEMDBGrid() override;

  // The table shown: the grid's own table, or the one given to SetTable. Owners may change it
  // directly and then call Repaint().
  TEMDB& Table() { return *table_; }
  const TEMDB& Table() const { return *table_; }
  // Shows `table` (not owned; it must outlive the grid or be replaced first) instead of the
  // grid's own; null shows the own table again. The current and top rows are kept inside the
  // new table's rows. One library grid shows the library or a browsed playlist this way
  // without copying either table.
  void SetTable(TEMDB* table);

  // --- Events ---
  std::function<void(TEMDBGrid* sender, int col, int row, TFormatOptions& format)> OnGetCellFormat;
  std::function<void(TEMDBGrid* sender, int col, int& width)> OnCellWidthChange;
  std::function<void(TEMDBGrid* sender, int col)> OnSortEvent;  // kept for owners; not raised
  std::function<void(TEMDBGrid* sender, Qt::MouseButton button, Qt::KeyboardModifiers mods,
                     int x, int y)> OnMouseDown;
  std::function<void(TEMDBGrid* sender, Qt::MouseButton button, Qt::KeyboardModifiers mods,
                     int x, int y)> OnMouseUp;
  std::function<void(TEMDBGrid* sender)> OnClick;
  std::function<void(TEMDBGrid* sender)> OnDblClick;

  // --- Cells and shape ---
  // Cell text (row 0: column name); empty for an absent cell or one outside the table.
  std::string GetCell(int col, int row) const;
  // Stores the text in the table and redraws that one cell at once.
  void SetCell(int col, int row, const std::string& text);
  void SetRowCount(int n);  // n below 1 counts as 1
  int GetRowCount() const { return table_->GetRowCount() + 1; }
  void SetColCount(int n);  // added columns get DefaultColWidth
  int GetColCount() const { return table_->ColCount(); }
  void SetColWidth(int col, int width);
  int GetColWidth(int col) const;
  void SetDefaultColWidth(int width);
  int GetDefaultColWidth() const { return defaultColWidth_; }
  void SetRowHeight(int height);
  int GetRowHeight() const { return rowHeight_; }
  void SetFixedCols(int n);
  int GetFixedCols() const { return fixedCols_; }

  // --- Rows and selection ---
  int GetRow() const { return curRow_; }
  void SetRow(int row);
  int GetTopRow() const { return topRow_; }
  int GetLeftCol() const { return leftCol_; }
  void SetSelected(int row, bool selected);
  bool GetSelected(int row) const;
  // Selects every row between the current row and `row` (both included).
  void SetSelection(int row);
  void DeSelectAll();
  int GetMode() const { return mode_; }

  // --- Geometry ---
  // Cell under a point: row 0 on the header, -1 below the last row; col -1 right of the last.
  void MouseToCell(int x, int y, int& row, int& col) const;
  // Rectangle of a cell in the control; empty when the cell is out of view or hidden.
  QRect GetCellRect(int col, int row) const;
  void MoveTopLeft(int col, int row);
  int GetVisibleColCount() const;
  int GetVisibleRowCount() const;
  // Rows per page for the Page keys and the wheel.
  int PageSize() const;

  // --- Icons and looks ---
  // Stores a copy whose pixels of the top-left pixel's colour become ColorFixed (the grid's
  // Color when there are no fixed columns).
  void SetBMP(int index, const QImage& bitmap);
  QImage GetBMP(int index) const;
  // Which icon a column-0 text selects: "1", "2", "V", "X" give 0..3; anything else -1.
  static int IconIndexFor(std::string_view text);
  // A header caption cut from the end, its last character replaced by ".", until it fits in
  // `width` pixels or is three characters long.
  static QString CutHeaderText(const QString& text, const QFontMetrics& metrics, int width);

  void SetColor(const QColor& c);
  QColor GetColor() const { return color_; }
  void SetArrowColor(const QColor& c);
  QColor GetArrowColor() const { return colorArrow_; }
  void SetFixedColor(const QColor& c);
  QColor GetFixedColor() const { return colorFixed_; }
  void SetFixedTextColor(const QColor& c);
  QColor GetFixedTextColor() const { return colorFixedText_; }
  void SetSelectColor(const QColor& c);
  QColor GetSelectColor() const { return colorSelected_; }
  void SetSelectTextColor(const QColor& c);
  QColor GetSelectTextColor() const { return colorSelectedText_; }
  void SetOptions(TEMDBGridOptions options);
  TEMDBGridOptions GetOptions() const { return options_; }
  void SetSortOptions(const TSortOptions& options);
  const TSortOptions& GetSortOptions() const { return sortOptions_; }
  void SetPaintIcon(bool on);
  bool GetPaintIcon() const { return paintIcon_; }
  void SetFindKey(bool on) { findKey_ = on; }
  bool GetFindKey() const { return findKey_; }
  void SetWheelMoveBy(int rows) { wheelMoveBy_ = rows; }
  int GetWheelMoveBy() const { return wheelMoveBy_; }

  // Marks the whole grid for drawing.
  void Repaint();
  // Draws the whole grid into the off-screen image now (what a paint does).
  void RenderAll();
  const QImage& OffscreenImage() const { return image_; }

  // Scrolling by the wheel: positive steps move down.
  void WheelScroll(int steps);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  struct Layout {
    bool hBar = false, vBar = false;
    int width = 0, height = 0;  // area left for cells
  };
  bool ColumnShown(int col) const;
  int ColWidthPx(int col) const;
  int FixedWidth() const;
  int ColumnsWidthFrom(int first) const;  // scrollable columns from `first` to the end
  Layout ComputeLayout() const;
  void Settle();                           // keeps top row / left column from leaving space
  int MaxTopRow(const Layout& l) const;
  int MaxLeftCol(const Layout& l) const;
  int ColumnLeft(int col) const;           // x of a column in view, -1 when not
  void DrawCell(QPainter& p, int col, int row, const QRect& r);
  void DrawScrollBars(QPainter& p, const Layout& l);
  void DrawArrow(QPainter& p, const QRect& r, int direction);  // 0 up, 1 down, 2 left, 3 right
  void DrawRaised(QPainter& p, const QRect& r, bool sunken);
  QRect VThumb(const Layout& l) const;
  QRect HThumb(const Layout& l) const;
  bool ScrollBarPress(int x, int y);
  void ThumbDrag(int x, int y);
  int SizingColumnAt(int x, int y) const;  // column a press at (x, y) would size, or -1
  void QuickFind(char ch);
  void RebuildIcons();
  void ScrollLeftCol(int delta);
  void SetTopRow(int row);

  void Init();

  TEMDB ownTable_;  // shown when no other table is given
  TEMDB* table_ = &ownTable_;  // the table shown
  QColor color_, colorArrow_, colorFixed_, colorFixedText_, colorSelected_, colorSelectedText_;
  TEMDBGridOptions options_ = emgMultiSelect;
  int defaultColWidth_ = 64;
  int fixedCols_ = 1;
  int rowHeight_ = 17;
  TSortOptions sortOptions_;
  bool paintIcon_ = false;
  bool findKey_ = false;
  int wheelMoveBy_ = 0;
  std::array<QImage, 4> iconSource_;
  std::array<QImage, 4> icons_;

  int leftCol_ = 1;
  int topRow_ = 1;
  int curRow_ = 1;
  int mode_ = 0;  // 0 idle, 1 horizontal thumb, 2 vertical thumb, 3 multi-select, 4 sizing
  int sizingCol_ = -1;
  int sizingX_ = 0;
  int pressedCol_ = -1;
  bool pressed_ = false;
  int dragOffset_ = 0;

  QImage image_;
  bool dirty_ = true;
};

}  // namespace spinwave
