// Costs of the grid and the folder tree: a full paint of the grid over a 100,000-row library at
// 800 x 600 (and over 20 rows, for comparison), scrolling by a page, and expanding a folder with
// 1,000 sub-folders.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <cstdlib>

#include "SampleLibrary.h"
#include "controls/DirTreeView.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

namespace {

void SetUpGrid(TEMDBGrid& grid, int rows) {
  sample::FillLibrary(grid.Table(), rows);
  grid.Table().Sort(1, false);
  grid.resize(800, 600);
  grid.SetRow(2);
  grid.SetSelection(5);
}

void BM_GridFullPaint(benchmark::State& state) {
  TEMDBGrid grid;
  SetUpGrid(grid, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    grid.RenderAll();
    benchmark::DoNotOptimize(grid.OffscreenImage().constBits());
  }
}
BENCHMARK(BM_GridFullPaint)->Arg(20)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_GridPageDownAndPaint(benchmark::State& state) {
  TEMDBGrid grid;
  SetUpGrid(grid, 100000);
  QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  for (auto _ : state) {
    QApplication::sendEvent(&grid, grid.GetRow() >= grid.GetRowCount() - 1 ? &home : &pageDown);
    grid.RenderAll();
  }
}
BENCHMARK(BM_GridPageDownAndPaint)->Unit(benchmark::kMillisecond);

void BM_TreeExpandThousandFolders(benchmark::State& state) {
  QTemporaryDir dir;
  for (int i = 0; i < 1000; ++i) {
    const QString sub = dir.path() + QString("/Folder %1").arg(i, 4, 10, QChar('0'));
    QDir().mkpath(i % 2 ? sub + "/inner" : sub);  // half of them have sub-folders of their own
  }
  TDirTreeView tree;
  TDirTreeNode* top = tree.AddSimpleNode(nullptr, dir.path().toStdString(), "Bench", ftFolder);
  TDirTreeNode* node = tree.CreateFolderNode(dir.path().toStdString(), "Folder", top, ftFolder);
  top->setExpanded(true);
  for (auto _ : state) {
    node->setExpanded(true);
    if (node->childCount() != 1000) state.SkipWithError("expansion did not list 1000 folders");
    state.PauseTiming();
    node->setExpanded(false);
    tree.FreeChildren(node);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TreeExpandThousandFolders)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
