#include "app/LibraryPane.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QSplitter>
#include <QStackedWidget>

#include "controls/DirTreeView.h"
#include "core/AsciiText.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDB.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

LibraryPane::LibraryPane(TEMDB& library, bool showTree, QWidget* parent)
    : QWidget(parent), library_(library) {
  setObjectName(QStringLiteral("DataPanel"));
  splitter_ = new QSplitter(Qt::Horizontal, this);
  tree_ = new TDirTreeView(splitter_);
  tree_->setObjectName(QStringLiteral("BrowseTree"));
  tree_->CreateRoot();
  tree_->setMinimumWidth(40);
  tree_->setVisible(showTree);
  stack_ = new QStackedWidget(splitter_);
  dbGrid_ = new TEMDBGrid(library_, stack_);
  dbGrid_->setObjectName(QStringLiteral("DBGrid"));
  dbGrid_->SetFindKey(true);
  fileList_ = new QListWidget(stack_);
  fileList_->setObjectName(QStringLiteral("FileList"));
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  stack_->addWidget(dbGrid_);
  stack_->addWidget(fileList_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({160, 400});

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);

  // Library times are milliseconds: shown as minutes and seconds.
  const int timeCol = ColumnIndex(library_, "Time");
  dbGrid_->OnGetCellFormat = [timeCol](TEMDBGrid*, int col, int row, TFormatOptions& f) {
    if (row > 0 && col == timeCol && timeCol > 0)
      f.Text = PlaylistModel::TimeText(LeadingInteger(f.Text));
  };
  dbGrid_->OnCellWidthChange = [](TEMDBGrid*, int, int& width) { width = std::max(width, 30); };
  dbGrid_->OnDblClick = [this](TEMDBGrid* grid) {
    if (grid->GetRow() >= 1 && grid->GetRowCount() > 1) emit addRequested();
  };
  connect(fileList_, &QListWidget::itemDoubleClicked, this, [this] { emit addRequested(); });

  tree_->OnPathChange = [this](TDirTreeView*, const std::string& path) {
    if (path == "Database" || path.empty())
      ShowLibrary();
    else
      ShowFolder(path);
  };

  for (QWidget* w : {static_cast<QWidget*>(dbGrid_), fileList_->viewport(),
                     static_cast<QWidget*>(tree_->viewport())})
    w->installEventFilter(this);
}

bool LibraryPane::FileListShown() const { return stack_->currentWidget() == fileList_; }

void LibraryPane::ShowFolder(const std::string& folder) {
  folder_ = folder;
  if (folder_.empty() || folder_.back() != '/') folder_ += '/';
  fileList_->clear();
  const QDir dir(QString::fromStdString(folder_));
  for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
    if (IsAudioFile(name.toStdString())) fileList_->addItem(name);
  stack_->setCurrentWidget(fileList_);
}

void LibraryPane::ShowLibrary() {
  folder_.clear();
  stack_->setCurrentWidget(dbGrid_);
}

std::vector<std::string> LibraryPane::SelectedFiles() const {
  std::vector<std::string> files;
  for (int i = 0; i < fileList_->count(); ++i)
    if (fileList_->item(i)->isSelected())
      files.push_back(folder_ + fileList_->item(i)->text().toStdString());
  return files;
}

void LibraryPane::SelectAllFiles() { fileList_->selectAll(); }

std::vector<int> LibraryPane::SelectedLibraryRows() const {
  std::vector<int> rows;
  for (int r = 1; r < dbGrid_->GetRowCount(); ++r)
    if (dbGrid_->GetSelected(r)) rows.push_back(r - 1);
  return rows;
}

void LibraryPane::ClearLibrarySelection() { dbGrid_->DeSelectAll(); }

bool LibraryPane::ShowLibraryRow(const std::string& file) {
  if (file.empty() || !library_.FindExact(ColumnIndex(library_, "File"), file)) return false;
  ShowLibrary();
  dbGrid_->SetRow(library_.FoundRow + 1);
  return true;
}

void LibraryPane::AddPlaylistNode(const std::string& path) {
  TDirTreeNode* playlists = tree_->GetSpecialNode(ftPlaylists);
  if (!playlists) return;
  const size_t slash = path.find_last_of('/');
  tree_->AddSimpleNode(playlists, path, slash == std::string::npos ? path : path.substr(slash + 1),
                       ftVirtual);
  playlists->sortChildren(0, Qt::AscendingOrder);
  playlists->setExpanded(true);
}

int LibraryPane::TreeWidth() const { return tree_->isVisible() ? tree_->width() : 0; }

void LibraryPane::SetTreeWidth(int width) {
  const int rest = std::max(0, splitter_->width() - splitter_->handleWidth() - width);
  splitter_->setSizes({width, rest});
}

void LibraryPane::StartDrag(QWidget* source) {
  auto* drag = new QDrag(source);
  auto* mime = new QMimeData;
  QWidget* named = source == fileList_->viewport() ? static_cast<QWidget*>(fileList_)
                   : source == tree_->viewport()   ? static_cast<QWidget*>(tree_)
                                                   : source;
  mime->setData(kConsoleDragMime, named->objectName().toUtf8());
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction);
  if (source == dbGrid_) ClearLibrarySelection();
}

bool LibraryPane::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (event->type() == QEvent::MouseButtonPress) {
    auto* e = static_cast<QMouseEvent*>(event);
    if (e->button() == Qt::LeftButton && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
      pressAt_ = e->position().toPoint();
      pressedIn_ = widget;
      if (widget != tree_->viewport()) emit sourcePressed();
      if (widget == dbGrid_) {
        int row, col;
        dbGrid_->MouseToCell(pressAt_.x(), pressAt_.y(), row, col);
        if (row < 1) pressedIn_ = nullptr;  // the header sorts and sizes; it does not drag
      }
    }
  } else if (event->type() == QEvent::MouseMove && pressedIn_ == widget) {
    auto* e = static_cast<QMouseEvent*>(event);
    if ((e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - pressAt_).manhattanLength() > kDragThreshold) {
      pressedIn_ = nullptr;
      if (widget == dbGrid_ && dbGrid_->GetMode() == 4) return false;  // sizing a column
      StartDrag(widget);
      return true;
    }
  } else if (event->type() == QEvent::MouseButtonRelease) {
    pressedIn_ = nullptr;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace spinwave
