// Shows a generated 100,000-row library in the grid with the folder tree beside it and a small
// playlist with its row marks below. With a file name argument the window is drawn once and
// saved as a PNG (works on the offscreen platform), then the program ends.
//
//   spinwave-grid-demo                 interactive window
//   spinwave-grid-demo shot.png [rows] screenshot
#include <QApplication>
#include <QElapsedTimer>
#include <QSplitter>
#include <QStatusBar>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>

#include "SampleLibrary.h"
#include "controls/DirTreeView.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* shot = argc > 1 ? argv[1] : nullptr;
  const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;

  QMainWindow window;
  window.setWindowTitle("Spinwave grid and folder tree");
  auto* split = new QSplitter(Qt::Horizontal);
  auto* tree = new TDirTreeView;
  auto* right = new QSplitter(Qt::Vertical);
  auto* library = new TEMDBGrid;
  auto* playlist = new TEMDBGrid;
  split->addWidget(tree);
  split->addWidget(right);
  right->addWidget(library);
  right->addWidget(playlist);
  split->setSizes({230, 870});
  right->setSizes({430, 170});
  window.setCentralWidget(split);
  window.resize(1100, 640);

  QElapsedTimer timer;
  timer.start();
  sample::FillLibrary(library->Table(), rows);
  library->Table().Sort(1, false);
  const qint64 fillMs = timer.elapsed();
  library->SetColWidth(0, 30);
  library->OnCellWidthChange = [](TEMDBGrid*, int, int& width) { width = std::max(width, 30); };
  // Play counts of 30 and more in bold, as an owner's per-cell format.
  library->OnGetCellFormat = [](TEMDBGrid* grid, int col, int row, TFormatOptions& fo) {
    if (row > 0 && col == 2 && grid->Table().GetItemInt(13, row - 1) >= 30) fo.Font.setBold(true);
  };
  library->SetFindKey(true);
  library->SetRow(3);
  library->SetSelection(6);

  // The playlist: a mark column with the deck and played icons.
  TEMDB& pl = playlist->Table();
  playlist->SetColCount(5);
  const char* heads[] = {"", "Artist", "Title", "File", "Time"};
  const int widths[] = {20, 180, 180, 300, 50};
  for (int c = 0; c < 5; ++c) {
    playlist->SetCell(c, 0, heads[c]);
    playlist->SetColWidth(c, widths[c]);
  }
  pl.SetColType(4, 1);
  const char* marks[] = {"V", "V", "1", "2", "", "X", ""};
  playlist->SetRowCount(8);
  for (int r = 1; r <= 7; ++r) {
    playlist->SetCell(0, r, marks[r - 1]);
    for (int c = 1; c < 4; ++c) playlist->SetCell(c, r, library->GetCell(c == 3 ? 0 : c, r * 11));
    playlist->SetCell(4, r, library->GetCell(8, r * 11));
  }
  playlist->SetPaintIcon(true);
  playlist->SetSortOptions(TSortOptions{false, 1, sdAscending});

  if (TDirTreeNode* computer = tree->GetSpecialNode(ftMyComputer)) {
    computer->setExpanded(true);
    if (computer->childCount() > 0) computer->child(0)->setExpanded(true);
  }
  tree->GetSpecialNode(ftLibrary)->setSelected(true);
  tree->OnPathChange = [&window](TDirTreeView*, const std::string& path) {
    window.statusBar()->showMessage(QString::fromStdString("Path: " + path));
  };
  window.statusBar()->showMessage(
      QString("%1 rows generated and sorted in %2 ms").arg(rows).arg(fillMs));

  window.show();
  library->setFocus();
  if (!shot) return app.exec();

  app.processEvents();
  const QPixmap pixmap = window.grab();
  if (!pixmap.save(shot)) {
    std::fprintf(stderr, "Cannot write %s\n", shot);
    return 1;
  }
  std::printf("%s: %dx%d, %d rows\n", shot, pixmap.width(), pixmap.height(), rows);
  return 0;
}
