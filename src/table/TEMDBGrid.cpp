#include "table/TEMDBGrid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWheelEvent>

#include <algorithm>

#include "core/Messages.h"

// Resources of a static library must be registered by hand.
static void InitGridResources() { Q_INIT_RESOURCE(TEMDBGridIcons); }

namespace spinwave {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

int FontSize(const QFont& f) {
  return f.pointSize() > 0 ? f.pointSize() : f.pixelSize();
}

}  // namespace

TEMDBGrid::TEMDBGrid(QWidget* parent) : QWidget(parent) {
  Init();
  ownTable_.SetColCount(2);
  ownTable_.SetColWidth(0, defaultColWidth_);
  ownTable_.SetColWidth(1, defaultColWidth_);
}

TEMDBGrid::TEMDBGrid(TEMDB& table, QWidget* parent) : QWidget(parent), table_(&table) {
  Init();
  if (table_->GetRowCount() > 0) table_->SetRowSelected(0, true);  // the current row shows selected
}

void TEMDBGrid::Init() {
  InitGridResources();
  setFocusPolicy(Qt::StrongFocus);  // TabStop
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  const QPalette pal = palette();
  color_ = pal.color(QPalette::Base);
  colorArrow_ = pal.color(QPalette::ButtonText);
  colorFixed_ = pal.color(QPalette::Button);
  colorFixedText_ = pal.color(QPalette::ButtonText);
  colorSelected_ = QColor(80, 80, 0);
  colorSelectedText_ = Qt::white;

  static const char* const kIcons[4] = {":/grid/play1.png", ":/grid/play2.png",
                                        ":/grid/played.png", ":/grid/playnot.png"};
  for (int i = 0; i < 4; ++i) SetBMP(i, QImage(kIcons[i]));
}

TEMDBGrid::~TEMDBGrid() = default;

void TEMDBGrid::SetTable(TEMDB* table) {
  table_ = table ? table : &ownTable_;
  const int last = std::max(1, GetRowCount() - 1);
  curRow_ = std::clamp(curRow_, 1, last);
  topRow_ = std::clamp(topRow_, 1, last);
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, table_->ColCount() - 1));
  Repaint();
}

// ---------------------------------------------------------------------------------------------
// Cells and shape

std::string TEMDBGrid::GetCell(int col, int row) const {
  if (col < 0 || col >= table_->ColCount() || row < 0) return {};
  return table_->GetItem(col, row - 1);  // row 0 reads the column name
}

void TEMDBGrid::SetCell(int col, int row, const std::string& text) {
  table_->SetItem(col, row - 1, text);
  if (dirty_ || image_.isNull()) {
    update();
    return;
  }
  const QRect r = GetCellRect(col, row);
  if (r.isEmpty()) return;
  {
    QPainter p(&image_);
    p.setFont(font());
    p.setClipRect(r);
    DrawCell(p, col, row, r);
  }
  update(r);
}

void TEMDBGrid::SetRowCount(int n) {
  if (n < 1) n = 1;
  if (n == GetRowCount()) return;
  const bool hadRows = GetRowCount() > 1;
  table_->SetRowCount(n - 1);
  const int last = std::max(1, GetRowCount() - 1);
  curRow_ = std::clamp(curRow_, 1, last);
  topRow_ = std::clamp(topRow_, 1, last);
  // The current row shows selected once there are rows again.
  if (!hadRows && GetRowCount() > 1) table_->SetRowSelected(curRow_ - 1, true);
  Repaint();
}

void TEMDBGrid::SetColCount(int n) {
  n = std::max({n, 1, fixedCols_ + 1});
  const int old = table_->ColCount();
  if (n == old) return;
  table_->SetColCount(n);
  for (int c = old; c < n; ++c) table_->SetColWidth(c, defaultColWidth_);
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, n - 1));
  Repaint();
}

void TEMDBGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= table_->ColCount()) {
    ShowMessage("Column doesn't exist");
    return;
  }
  table_->SetColWidth(col, width);
  Repaint();
}

int TEMDBGrid::GetColWidth(int col) const {
  if (col < 0 || col >= table_->ColCount()) return defaultColWidth_;
  return table_->GetColWidth(col);
}

void TEMDBGrid::SetDefaultColWidth(int width) {
  for (int c = 0; c < table_->ColCount(); ++c)
    if (table_->GetColWidth(c) == defaultColWidth_) table_->SetColWidth(c, width);
  defaultColWidth_ = width;
  Repaint();
}

void TEMDBGrid::SetRowHeight(int height) {
  if (height < FontSize(font()) + 7) {
    ShowMessage("Height of rows can't be smaller then font size + 7");
    return;
  }
  rowHeight_ = height;
  Repaint();
}

void TEMDBGrid::SetFixedCols(int n) {
  if (n < 0) {
    ShowMessage("Fixed columns can't be a negative value");
    return;
  }
  if (n >= table_->ColCount()) {
    ShowMessage("To much fixed columns");
    return;
  }
  fixedCols_ = n;
  leftCol_ = n;
  topRow_ = 1;
  curRow_ = 1;
  table_->SetRowSelected(0, true);
  RebuildIcons();  // the icons' background follows the fixed colour or the grid colour
  Repaint();
}

// ---------------------------------------------------------------------------------------------
// Rows and selection

void TEMDBGrid::SetSelected(int row, bool selected) {
  if (row >= 1 && row < GetRowCount()) table_->SetRowSelected(row - 1, selected);
}

bool TEMDBGrid::GetSelected(int row) const {
  return row >= 1 && row < GetRowCount() && table_->GetRowSelected(row - 1);
}

void TEMDBGrid::SetSelection(int row) {
  const int last = GetRowCount() - 1;
  int from = std::min(curRow_, row), to = std::max(curRow_, row);
  from = std::max(from, 1);
  to = std::min(to, last);
  for (int r = from; r <= to; ++r) table_->SetRowSelected(r - 1, true);
  Repaint();
}

void TEMDBGrid::DeSelectAll() {
  mode_ = 0;
  const int rows = table_->GetRowCount();
  for (int r = 0; r < rows; ++r)
    if (r != curRow_ - 1) table_->SetRowSelected(r, false);
  Repaint();
}

void TEMDBGrid::SetTopRow(int row) {
  topRow_ = std::clamp(row, 1, std::max(1, GetRowCount() - 1));
}

void TEMDBGrid::SetRow(int row) {
  if (row == curRow_) return;
  const int last = GetRowCount() - 1;
  if (last < 1) return;
  row = std::clamp(row, 1, last);
  if (mode_ != 3) table_->SetRowSelected(curRow_ - 1, false);
  table_->SetRowSelected(row - 1, true);
  curRow_ = row;
  const int full = std::max(1, GetVisibleRowCount());
  if (row < topRow_)
    topRow_ = row;
  else if (row > topRow_ + full - 1)
    topRow_ = row - full + 1;
  SetTopRow(topRow_);
  Repaint();
}

// ---------------------------------------------------------------------------------------------
// Geometry

bool TEMDBGrid::ColumnShown(int col) const { return table_->GetColWidth(col) > 0; }

int TEMDBGrid::ColWidthPx(int col) const { return std::max(0, table_->GetColWidth(col)); }

int TEMDBGrid::FixedWidth() const {
  int w = 1;
  for (int c = 0; c < std::min(fixedCols_, table_->ColCount()); ++c)
    if (ColumnShown(c)) w += ColWidthPx(c) + 1;
  return w;
}

int TEMDBGrid::ColumnsWidthFrom(int first) const {
  int w = 0;
  for (int c = std::max(first, fixedCols_); c < table_->ColCount(); ++c)
    if (ColumnShown(c)) w += ColWidthPx(c) + 1;
  return w;
}

TEMDBGrid::Layout TEMDBGrid::ComputeLayout() const {
  Layout l;
  const int rowsHeight = 1 + (rowHeight_ + 1) * GetRowCount();
  const int colsWidth = FixedWidth() + ColumnsWidthFrom(fixedCols_);
  // Each bar takes room from the other direction, so decide twice.
  for (int pass = 0; pass < 2; ++pass) {
    l.width = width() - (l.vBar ? rowHeight_ : 0);
    l.height = height() - (l.hBar ? rowHeight_ : 0);
    l.hBar = colsWidth > l.width || leftCol_ > fixedCols_;
    l.vBar = rowsHeight > l.height;
  }
  l.width = std::max(0, width() - (l.vBar ? rowHeight_ : 0));
  l.height = std::max(0, height() - (l.hBar ? rowHeight_ : 0));
  return l;
}

int TEMDBGrid::MaxTopRow(const Layout& l) const {
  const int rowsArea = l.height - (rowHeight_ + 2);
  const int full = std::max(1, (rowsArea + 1) / (rowHeight_ + 1));
  return std::max(1, GetRowCount() - full);
}

int TEMDBGrid::MaxLeftCol(const Layout& l) const {
  const int room = l.width - FixedWidth();
  int left = table_->ColCount() - 1;
  int used = 0;
  for (int c = table_->ColCount() - 1; c >= fixedCols_; --c) {
    if (!ColumnShown(c)) {
      continue;
    }
    if (used + ColWidthPx(c) + 1 > room) break;
    used += ColWidthPx(c) + 1;
    left = c;
  }
  return std::max(fixedCols_, std::min(left, table_->ColCount() - 1));
}

void TEMDBGrid::Settle() {
  Layout l = ComputeLayout();
  // Pull the view up and left as long as everything still fits, so no empty space is left.
  topRow_ = std::clamp(topRow_, 1, std::max(1, std::min(GetRowCount() - 1, MaxTopRow(l))));
  // A filter or a shorter table set by the owner may have left the current row behind.
  const int current = std::clamp(curRow_, 1, std::max(1, GetRowCount() - 1));
  if (current != curRow_) {
    curRow_ = current;
    table_->SetRowSelected(curRow_ - 1, true);
  }
  const int maxLeft = MaxLeftCol(l);
  if (leftCol_ > maxLeft) leftCol_ = maxLeft;
  if (leftCol_ < fixedCols_) leftCol_ = fixedCols_;
}

int TEMDBGrid::ColumnLeft(int col) const {
  if (col < 0 || col >= table_->ColCount() || !ColumnShown(col)) return -1;
  int x = 1;
  for (int c = 0; c < std::min(fixedCols_, table_->ColCount()); ++c) {
    if (c == col) return x;
    if (ColumnShown(c)) x += ColWidthPx(c) + 1;
  }
  if (col < leftCol_) return -1;
  for (int c = leftCol_; c < table_->ColCount(); ++c) {
    if (c == col) return x;
    if (ColumnShown(c)) x += ColWidthPx(c) + 1;
    if (x > width()) return -1;
  }
  return -1;
}

QRect TEMDBGrid::GetCellRect(int col, int row) const {
  const int x = ColumnLeft(col);
  if (x < 0 || row < 0 || row >= GetRowCount()) return {};
  int y;
  if (row == 0)
    y = 1;
  else if (row < topRow_)
    return {};
  else
    y = 1 + (rowHeight_ + 1) * (row - topRow_ + 1);
  if (y >= height()) return {};
  return QRect(x, y, ColWidthPx(col), rowHeight_);
}

void TEMDBGrid::MouseToCell(int x, int y, int& row, int& col) const {
  if (y < rowHeight_ + 1) {
    row = 0;
  } else {
    row = topRow_ + (y - (rowHeight_ + 2)) / (rowHeight_ + 1);
    if (row > GetRowCount() - 1) row = -1;
  }
  col = -1;
  int cx = 1;
  auto hit = [&](int c) {
    if (!ColumnShown(c)) return false;
    const int w = ColWidthPx(c);
    if (x < cx + w + 1) return true;  // the pixel between columns counts to the left one
    cx += w + 1;
    return false;
  };
  for (int c = 0; c < std::min(fixedCols_, table_->ColCount()); ++c)
    if (hit(c)) {
      col = c;
      return;
    }
  for (int c = leftCol_; c < table_->ColCount(); ++c)
    if (hit(c)) {
      col = c;
      return;
    }
}

void TEMDBGrid::MoveTopLeft(int col, int row) {
  leftCol_ = std::clamp(col, fixedCols_, std::max(fixedCols_, table_->ColCount() - 1));
  SetTopRow(row);
  Repaint();
}

int TEMDBGrid::GetVisibleColCount() const {
  const Layout l = ComputeLayout();
  int count = 0, x = 1;
  auto fits = [&](int c) {
    if (!ColumnShown(c)) return true;
    x += ColWidthPx(c) + 1;
    if (x - 1 > l.width) return false;
    ++count;
    return true;
  };
  for (int c = 0; c < std::min(fixedCols_, table_->ColCount()); ++c)
    if (!fits(c)) return count;
  for (int c = leftCol_; c < table_->ColCount(); ++c)
    if (!fits(c)) return count;
  return count;
}

int TEMDBGrid::GetVisibleRowCount() const {
  const Layout l = ComputeLayout();
  const int rowsArea = l.height - (rowHeight_ + 2);
  return std::max(0, (rowsArea + 1) / (rowHeight_ + 1));
}

int TEMDBGrid::PageSize() const {
  const Layout l = ComputeLayout();
  const int rowsArea = std::max(0, l.height - (rowHeight_ + 2));
  // Rows in view, the last one possibly cut.
  const int inView = (rowsArea + rowHeight_) / (rowHeight_ + 1);
  int n = (wheelMoveBy_ <= 0 || wheelMoveBy_ > inView) ? inView : wheelMoveBy_;
  if (rowsArea < n * (rowHeight_ + 1)) --n;
  return std::max(1, n);
}

// ---------------------------------------------------------------------------------------------
// Icons and looks

int TEMDBGrid::IconIndexFor(std::string_view text) {
  if (text == "1") return giPlay1;
  if (text == "2") return giPlay2;
  if (text == "V") return giPlayed;
  if (text == "X") return giPlayNot;
  return -1;
}

void TEMDBGrid::SetBMP(int index, const QImage& bitmap) {
  if (index < 0 || index > 3) return;
  iconSource_[static_cast<size_t>(index)] = bitmap;
  QImage copy = bitmap.convertToFormat(QImage::Format_ARGB32);
  if (!copy.isNull()) {
    const QRgb key = copy.pixel(0, 0);
    const QRgb background = (fixedCols_ == 0 ? color_ : colorFixed_).rgba();
    for (int y = 0; y < copy.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
      for (int x = 0; x < copy.width(); ++x)
        if (line[x] == key) line[x] = background;
    }
  }
  icons_[static_cast<size_t>(index)] = copy;
  Repaint();
}

QImage TEMDBGrid::GetBMP(int index) const {
  if (index < 0 || index > 3) return {};
  return icons_[static_cast<size_t>(index)];
}

void TEMDBGrid::RebuildIcons() {
  for (int i = 0; i < 4; ++i) SetBMP(i, iconSource_[static_cast<size_t>(i)]);
}

QString TEMDBGrid::CutHeaderText(const QString& text, const QFontMetrics& metrics, int width) {
  QString t = text;
  while (t.size() > 3 && metrics.horizontalAdvance(t) > width) {
    t.chop(1);
    t[t.size() - 1] = QLatin1Char('.');
  }
  return t;
}

void TEMDBGrid::SetColor(const QColor& c) {
  color_ = c;
  if (fixedCols_ == 0) RebuildIcons();
  Repaint();
}
void TEMDBGrid::SetArrowColor(const QColor& c) { colorArrow_ = c; Repaint(); }
void TEMDBGrid::SetFixedColor(const QColor& c) {
  colorFixed_ = c;
  RebuildIcons();
  Repaint();
}
void TEMDBGrid::SetFixedTextColor(const QColor& c) { colorFixedText_ = c; Repaint(); }
void TEMDBGrid::SetSelectColor(const QColor& c) { colorSelected_ = c; Repaint(); }
void TEMDBGrid::SetSelectTextColor(const QColor& c) { colorSelectedText_ = c; Repaint(); }
void TEMDBGrid::SetOptions(TEMDBGridOptions options) { options_ = options; Repaint(); }
void TEMDBGrid::SetSortOptions(const TSortOptions& options) { sortOptions_ = options; Repaint(); }
void TEMDBGrid::SetPaintIcon(bool on) { paintIcon_ = on; Repaint(); }

// ---------------------------------------------------------------------------------------------
// Painting

void TEMDBGrid::Repaint() {
  dirty_ = true;
  update();
}

void TEMDBGrid::resizeEvent(QResizeEvent*) { Repaint(); }

void TEMDBGrid::paintEvent(QPaintEvent* event) {
  if (dirty_ || image_.size() != size()) RenderAll();
  QPainter p(this);
  p.drawImage(event->rect(), image_, event->rect());
}

void TEMDBGrid::DrawRaised(QPainter& p, const QRect& r, bool sunken) {
  const QColor light = colorFixed_.lighter(150), dark = colorFixed_.darker(160);
  p.setPen(sunken ? dark : light);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(sunken ? light : dark);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void TEMDBGrid::DrawArrow(QPainter& p, const QRect& r, int direction) {
  const QPointF c = QRectF(r).center();
  const qreal s = std::max(2.0, r.height() / 4.0);
  QPolygonF tri;
  switch (direction) {
    case 0: tri << QPointF(c.x() - s, c.y() + s / 2) << QPointF(c.x() + s, c.y() + s / 2) << QPointF(c.x(), c.y() - s / 2); break;
    case 1: tri << QPointF(c.x() - s, c.y() - s / 2) << QPointF(c.x() + s, c.y() - s / 2) << QPointF(c.x(), c.y() + s / 2); break;
    case 2: tri << QPointF(c.x() + s / 2, c.y() - s) << QPointF(c.x() + s / 2, c.y() + s) << QPointF(c.x() - s / 2, c.y()); break;
    default: tri << QPointF(c.x() - s / 2, c.y() - s) << QPointF(c.x() - s / 2, c.y() + s) << QPointF(c.x() + s / 2, c.y()); break;
  }
  p.setPen(Qt::NoPen);
  p.setBrush(colorArrow_);
  p.drawPolygon(tri);
  p.setBrush(Qt::NoBrush);
}

void TEMDBGrid::DrawCell(QPainter& p, int col, int row, const QRect& r) {
  if (!ColumnShown(col)) return;
  const bool fixed = row == 0 || col < fixedCols_;
  const bool isPressed = row == 0 && pressed_ && pressedCol_ == col;
  TFormatOptions fo;
  static_cast<QFont&>(fo.Font) = font();  // each cell starts from the grid's font
  if (fixed) {
    fo.Brush = colorFixed_;
    fo.Font.Color = colorFixedText_;
  } else if (table_->GetRowSelected(row - 1)) {
    fo.Brush = colorSelected_;
    fo.Font.Color = colorSelectedText_;
  } else {
    fo.Brush = color_;
    fo.Font.Color = palette().color(QPalette::Text);
  }
  fo.Alignment = (row > 0 && table_->GetColType(col) == 1) ? 1 : 0;
  fo.PaintIcon = col == 0 && paintIcon_;
  fo.Text = std::string(row == 0 ? std::string_view(table_->GetItem(col, -1))
                                 : table_->ItemView(col, row - 1));
  if (OnGetCellFormat) OnGetCellFormat(this, col, row, fo);

  p.fillRect(r, fo.Brush);
  if (fixed) DrawRaised(p, r, isPressed);

  if (fo.PaintIcon && row > 0 && col == 0) {
    const int icon = IconIndexFor(fo.Text);
    if (icon >= 0 && !icons_[static_cast<size_t>(icon)].isNull()) {
      const QImage& img = icons_[static_cast<size_t>(icon)];
      p.drawImage(r.left() + (r.width() - img.width()) / 2,
                  r.top() + (r.height() - img.height()) / 2, img);
      return;
    }
  }

  QRect textRect = r;
  QString text = Q(fo.Text);
  p.setFont(fo.Font);
  if (row == 0) {
    const bool sortHeader = sortOptions_.SortActive && col == sortOptions_.SortCol;
    text = CutHeaderText(text, p.fontMetrics(), r.width() - (sortHeader ? 16 : 1));
    if (sortHeader) {
      const QRect arrow(r.right() - rowHeight_ + 1, r.top(), rowHeight_, r.height());
      DrawArrow(p, arrow, sortOptions_.SortDirection == sdAscending ? 1 : 0);
      textRect.setRight(r.right() - rowHeight_);
    }
  }
  if (text.isEmpty()) return;
  if (isPressed) textRect.translate(1, 1);
  int flags = Qt::AlignVCenter | Qt::TextSingleLine;
  if (fo.Alignment == 1) {
    flags |= Qt::AlignRight;
    textRect.adjust(0, 0, -2, 0);
  } else if (fo.Alignment == 2) {
    flags |= Qt::AlignHCenter;
  } else {
    flags |= Qt::AlignLeft;
    textRect.adjust(2, 0, 0, 0);
  }
  p.setPen(fo.Font.Color);
  p.drawText(textRect.intersected(r), flags, text);  // drawText clips to its rectangle
}

QRect TEMDBGrid::VThumb(const Layout& l) const {
  const int track = l.height - 3 * rowHeight_;
  const int maxTop = MaxTopRow(l);
  const int pos = maxTop > 1 ? static_cast<int>(int64_t(track) * (topRow_ - 1) / (maxTop - 1)) : 0;
  return QRect(l.width, rowHeight_ + std::clamp(pos, 0, std::max(0, track)), rowHeight_, rowHeight_);
}

QRect TEMDBGrid::HThumb(const Layout& l) const {
  const int track = l.width - 3 * rowHeight_;
  const int maxLeft = MaxLeftCol(l);
  const int span = maxLeft - fixedCols_;
  const int pos = span > 0 ? track * (leftCol_ - fixedCols_) / span : 0;
  return QRect(rowHeight_ + std::clamp(pos, 0, std::max(0, track)), l.height, rowHeight_, rowHeight_);
}

void TEMDBGrid::DrawScrollBars(QPainter& p, const Layout& l) {
  const QColor track = colorFixed_.darker(115);
  if (l.vBar) {
    const QRect bar(l.width, 0, rowHeight_, l.height);
    p.fillRect(bar, track);
    const QRect up(l.width, 0, rowHeight_, rowHeight_);
    const QRect down(l.width, l.height - rowHeight_, rowHeight_, rowHeight_);
    for (const QRect& b : {up, down}) {
      p.fillRect(b, colorFixed_);
      DrawRaised(p, b, false);
    }
    DrawArrow(p, up, 0);
    DrawArrow(p, down, 1);
    const QRect thumb = VThumb(l);
    p.fillRect(thumb, colorFixed_);
    DrawRaised(p, thumb, false);
  }
  if (l.hBar) {
    const QRect bar(0, l.height, l.width, rowHeight_);
    p.fillRect(bar, track);
    const QRect left(0, l.height, rowHeight_, rowHeight_);
    const QRect right(l.width - rowHeight_, l.height, rowHeight_, rowHeight_);
    for (const QRect& b : {left, right}) {
      p.fillRect(b, colorFixed_);
      DrawRaised(p, b, false);
    }
    DrawArrow(p, left, 2);
    DrawArrow(p, right, 3);
    const QRect thumb = HThumb(l);
    p.fillRect(thumb, colorFixed_);
    DrawRaised(p, thumb, false);
  }
  if (l.hBar && l.vBar) p.fillRect(QRect(l.width, l.height, rowHeight_, rowHeight_), colorFixed_);
}

void TEMDBGrid::RenderAll() {
  if (image_.size() != size()) image_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  dirty_ = false;
  if (image_.isNull()) return;
  Settle();
  const Layout l = ComputeLayout();
  QPainter p(&image_);
  p.setFont(font());
  p.fillRect(image_.rect(), color_);
  p.setClipRect(QRect(0, 0, l.width, l.height));

  // Columns in view: the fixed ones, then the scrollable ones from the left column on.
  std::vector<std::pair<int, int>> cols;  // column, x
  int x = 1;
  for (int c = 0; c < std::min(fixedCols_, table_->ColCount()) && x < l.width; ++c)
    if (ColumnShown(c)) {
      cols.emplace_back(c, x);
      x += ColWidthPx(c) + 1;
    }
  for (int c = leftCol_; c < table_->ColCount() && x < l.width; ++c)
    if (ColumnShown(c)) {
      cols.emplace_back(c, x);
      x += ColWidthPx(c) + 1;
    }
  const int rightEdge = x - 1;

  for (const auto& [c, cx] : cols) DrawCell(p, c, 0, QRect(cx, 1, ColWidthPx(c), rowHeight_));
  const int rows = GetRowCount();
  int y = 1 + rowHeight_ + 1;
  for (int r = topRow_; r < rows && y < l.height; ++r, y += rowHeight_ + 1)
    for (const auto& [c, cx] : cols) DrawCell(p, c, r, QRect(cx, y, ColWidthPx(c), rowHeight_));

  if (hasFocus() && curRow_ >= topRow_ && curRow_ < rows) {
    const int fy = 1 + (rowHeight_ + 1) * (curRow_ - topRow_ + 1);
    const int fx = FixedWidth();
    const int fr = std::min(rightEdge, l.width) - 1;
    if (fy < l.height && fr > fx) {
      QPen pen(table_->GetRowSelected(curRow_ - 1) ? colorSelectedText_ : palette().color(QPalette::Text));
      pen.setStyle(Qt::DotLine);
      p.setPen(pen);
      p.drawRect(QRect(fx, fy, fr - fx, rowHeight_ - 1));
    }
  }
  if (mode_ == 4) {
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.drawLine(sizingX_, 0, sizingX_, l.height);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  p.setClipping(false);
  DrawScrollBars(p, l);
}

// ---------------------------------------------------------------------------------------------
// Keys

void TEMDBGrid::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool shift = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  const int key = event->key();
  if (key == Qt::Key_Shift || key == Qt::Key_Control) {
    if (options_ & emgMultiSelect) mode_ = 3;
    return;
  }
  if (!shift && !ctrl) DeSelectAll();
  const int last = GetRowCount() - 1;
  const int n = PageSize();
  auto jump = [&](int target) {
    if (last < 1) return;
    target = std::clamp(target, 1, last);
    if (shift) SetSelection(target);
    SetRow(target);
  };
  switch (key) {
    case Qt::Key_PageUp: jump(curRow_ - n); break;
    case Qt::Key_PageDown: jump(curRow_ + n); break;
    case Qt::Key_Home: jump(1); break;
    case Qt::Key_End: jump(last); break;
    case Qt::Key_Up: SetRow(curRow_ - 1); break;
    case Qt::Key_Down: SetRow(curRow_ + 1); break;
    case Qt::Key_Left: ScrollLeftCol(-1); break;
    case Qt::Key_Right: ScrollLeftCol(1); break;
    default: {
      const QString text = event->text();
      if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7f)
        QuickFind(static_cast<char>(text[0].unicode()));
      else
        QWidget::keyPressEvent(event);
      return;
    }
  }
  event->accept();
}

void TEMDBGrid::keyReleaseEvent(QKeyEvent* event) { QWidget::keyReleaseEvent(event); }

void TEMDBGrid::ScrollLeftCol(int delta) {
  const int next = leftCol_ + delta;
  if (next < fixedCols_ || next >= table_->ColCount()) return;
  if (delta > 0 && next > MaxLeftCol(ComputeLayout())) return;
  leftCol_ = next;
  Repaint();
}

void TEMDBGrid::QuickFind(char ch) {
  if (!findKey_ || mode_ == 3) return;
  const int col = table_->SortCol;
  if (col < 0 || col >= table_->ColCount() || table_->GetColType(col) == 1) return;
  const int tableRow = table_->FindPrefix(col, std::string(1, ch));
  if (tableRow < 0) return;
  int visible = tableRow;
  if (table_->Filtered) {
    const auto& index = table_->FilterIndex();
    const auto it = std::find(index.begin(), index.end(), tableRow);
    if (it == index.end()) return;
    visible = static_cast<int>(it - index.begin());
  }
  SetTopRow(visible + 1);
  SetRow(visible + 1);
  Repaint();
}

// ---------------------------------------------------------------------------------------------
// Wheel

void TEMDBGrid::WheelScroll(int steps) {
  const int n = PageSize();
  const int m = n - 1;
  const int rows = GetRowCount();
  for (int i = 0; i < std::abs(steps); ++i) {
    if (steps > 0) {
      if (topRow_ >= rows - 2 * m)
        topRow_ = rows - m;
      else
        topRow_ += m;
    } else {
      if (n < topRow_)
        topRow_ -= m;
      else
        topRow_ = 1;
    }
    SetTopRow(topRow_);
  }
  Repaint();
}

void TEMDBGrid::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  WheelScroll(delta < 0 ? 1 : -1);
  event->accept();
}

// ---------------------------------------------------------------------------------------------
// Mouse

int TEMDBGrid::SizingColumnAt(int x, int y) const {
  if (y >= rowHeight_ + 1) return -1;
  int row, col;
  MouseToCell(x, y, row, col);
  if (col < fixedCols_) return -1;
  const int left = ColumnLeft(col);
  if (left < 0) return -1;
  if (x - left < 5) {
    // The visible column before it.
    for (int c = col - 1; c >= 0; --c) {
      if (c >= fixedCols_ && c < leftCol_) continue;  // scrolled out of view
      if (ColumnShown(c)) return c;
    }
    return -1;
  }
  if (left + ColWidthPx(col) - x < 5) return col;
  return -1;
}

bool TEMDBGrid::ScrollBarPress(int x, int y) {
  const Layout l = ComputeLayout();
  if (l.vBar && x >= l.width && y < l.height) {
    const QRect thumb = VThumb(l);
    if (y < rowHeight_)
      SetTopRow(topRow_ - 1);
    else if (y >= l.height - rowHeight_)
      SetTopRow(std::min(topRow_ + 1, MaxTopRow(l)));
    else if (y < thumb.top())
      SetTopRow(topRow_ - PageSize());
    else if (y >= thumb.bottom() + 1)
      SetTopRow(std::min(topRow_ + PageSize(), MaxTopRow(l)));
    else {
      mode_ = 2;
      dragOffset_ = y - thumb.top();
    }
    Repaint();
    return true;
  }
  if (l.hBar && y >= l.height && x < l.width) {
    const QRect thumb = HThumb(l);
    const int page = std::max(1, GetVisibleColCount() - fixedCols_);
    const int maxLeft = MaxLeftCol(l);
    if (x < rowHeight_)
      leftCol_ = std::max(fixedCols_, leftCol_ - 1);
    else if (x >= l.width - rowHeight_)
      leftCol_ = std::min(maxLeft, leftCol_ + 1);
    else if (x < thumb.left())
      leftCol_ = std::max(fixedCols_, leftCol_ - page);
    else if (x >= thumb.right() + 1)
      leftCol_ = std::min(maxLeft, leftCol_ + page);
    else {
      mode_ = 1;
      dragOffset_ = x - thumb.left();
    }
    Repaint();
    return true;
  }
  return l.vBar && l.hBar && x >= l.width && y >= l.height;  // the corner does nothing
}

void TEMDBGrid::ThumbDrag(int x, int y) {
  const Layout l = ComputeLayout();
  if (mode_ == 2) {
    const int track = std::max(1, l.height - 3 * rowHeight_);
    const int pos = std::clamp(y - dragOffset_ - rowHeight_, 0, track);
    SetTopRow(1 + static_cast<int>(int64_t(pos) * (MaxTopRow(l) - 1) / track));
  } else {
    const int track = std::max(1, l.width - 3 * rowHeight_);
    const int pos = std::clamp(x - dragOffset_ - rowHeight_, 0, track);
    leftCol_ = fixedCols_ + pos * (MaxLeftCol(l) - fixedCols_) / track;
  }
  Repaint();
}

void TEMDBGrid::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
  const Qt::MouseButton button = event->button();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
  if (button == Qt::LeftButton && ScrollBarPress(x, y)) return;
  // Shift or Ctrl held at the press counts as pressed in the grid, even when the key went down
  // while another control had the focus.
  if ((shift || ctrl) && (options_ & emgMultiSelect) && mode_ == 0) mode_ = 3;

  int row, col;
  MouseToCell(x, y, row, col);
  if (OnMouseDown) OnMouseDown(this, button, mods, x, y);

  if (button == Qt::RightButton && row >= 1 && row != curRow_) SetRow(row);
  if (button != Qt::LeftButton) {
    Repaint();
    return;
  }
  if (!shift && !ctrl && !GetSelected(row)) DeSelectAll();
  if (row >= 1) {
    if (row != curRow_) {
      if (shift) SetSelection(row);
      SetRow(row);
    } else if (!GetSelected(row) || (mode_ == 3 && (shift || ctrl))) {
      SetSelected(row, !GetSelected(row));
    }
  }
  if (row == 0 && col >= fixedCols_) {
    const int sizing = SizingColumnAt(x, y);
    if (sizing >= 0) {
      mode_ = 4;
      sizingCol_ = sizing;
      sizingX_ = x;
    } else if (sortOptions_.SortActive) {
      pressed_ = true;
      pressedCol_ = col;
    }
  }
  Repaint();
}

void TEMDBGrid::mouseMoveEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
  if (mode_ == 1 || mode_ == 2) {
    ThumbDrag(x, y);
    return;
  }
  if (mode_ == 4) {
    sizingX_ = x;
    Repaint();
    return;
  }
  if (mode_ == 0) {
    int row, col;
    MouseToCell(x, y, row, col);
    const Layout l = ComputeLayout();
    const bool onHeader = row == 0 && col >= 0 && x < l.width;
    if (onHeader && col >= fixedCols_ && SizingColumnAt(x, y) >= 0)
      setCursor(Qt::SplitHCursor);
    else if (onHeader && sortOptions_.SortActive)
      setCursor(Qt::PointingHandCursor);
    else
      unsetCursor();
  }
}

void TEMDBGrid::mouseReleaseEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
  if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), x, y);
  if (event->button() != Qt::LeftButton) return;
  if (mode_ == 1 || mode_ == 2) mode_ = 0;
  if (mode_ == 4) {
    const int left = ColumnLeft(sizingCol_);
    int w = std::max(10, x - std::max(0, left));
    if (OnCellWidthChange) OnCellWidthChange(this, sizingCol_, w);
    table_->SetColWidth(sizingCol_, w);
    mode_ = 0;
  }
  if (pressed_) {
    int row, col;
    MouseToCell(x, y, row, col);
    if (row == 0 && col == pressedCol_) {
      if (col == sortOptions_.SortCol)
        sortOptions_.SortDirection =
            sortOptions_.SortDirection == sdAscending ? sdDescending : sdAscending;
      else
        sortOptions_.SortCol = col;
      table_->Sort(col, sortOptions_.SortDirection == sdDescending);
    }
    pressed_ = false;
    pressedCol_ = -1;
  }
  if (OnClick) OnClick(this);
  Repaint();
}

void TEMDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other, then the double click.
  mousePressEvent(event);
  if (OnDblClick) OnDblClick(this);
  event->accept();
}

void TEMDBGrid::focusInEvent(QFocusEvent*) { Repaint(); }
void TEMDBGrid::focusOutEvent(QFocusEvent*) { Repaint(); }

}  // namespace spinwave
