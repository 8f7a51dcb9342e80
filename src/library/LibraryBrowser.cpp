#include "library/LibraryBrowser.h"

#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <dirent.h>
#include <sys/stat.h>
#include "meta/TEMFindFile.h"
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/DirTreeView.h"
#include "core/AsciiText.h"
#include "controls/TEMSlider.h"
#include "library/LibraryModel.h"
#include "library/LibraryScan.h"
#include "library/TEditData.h"
#include "library/TEditDatabase.h"
#include "library/TrackEditor.h"
#include "meta/ID3Genres.h"
#include "options/OptionsStore.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

namespace {

// Drops Enter and ";" typed into the search fields (they would end or split a table field).
class EmptyKeyPress : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->text() == QLatin1String(";")) return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

LibraryBrowser::LibraryBrowser(LibraryModel& model, const OptionsStore& options,
                               QWidget* parent)
    : QWidget(parent), model_(model), options_(options) {
  setObjectName("DataPanel");

  browseTree_ = new TDirTreeView(this);
  browseTree_->setObjectName("BrowseTree");
  browseTree_->CreateRoot();

  auto* views = new QStackedWidget(this);
  dbGrid_ = new TEMDBGrid(views);
  dbGrid_->setObjectName("DBGrid");
  dbGrid_->SetTable(&model_.Library());
  dbGrid_->SetFindKey(true);
  dbGrid_->SetOptions(emgMultiSelect);
  fileList_ = new QListWidget(views);
  fileList_->setObjectName("FileList");
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  views->addWidget(dbGrid_);
  views->addWidget(fileList_);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  auto* splitter = splitter_;
  browseTree_->setMinimumWidth(40);
  splitter->addWidget(browseTree_);
  splitter->addWidget(views);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({150, 520});

  // Bottom bar: search button, search panel, pre-listen panel, track count.
  bottom_ = new QWidget(this);
  auto* bar = new QHBoxLayout(bottom_);
  bar->setContentsMargins(2, 2, 2, 2);
  searchBtn_ = new QToolButton(bottom_);
  searchBtn_->setObjectName("SearchBtn");
  searchBtn_->setText("Search");
  searchBtn_->setCheckable(true);
  searchPanel_ = new QWidget(bottom_);
  searchPanel_->setObjectName("SearchPanel");
  auto* sp = new QHBoxLayout(searchPanel_);
  sp->setContentsMargins(0, 0, 0, 0);
  filterCol_ = new QComboBox(searchPanel_);
  filterCol_->setObjectName("FilterCol");
  for (const std::string& n : LibraryModel::FilterColNames())
    filterCol_->addItem(QString::fromStdString(n));
  filterTxt_ = new QComboBox(searchPanel_);
  filterTxt_->setObjectName("FilterTxt");
  filterTxt_->setEditable(true);
  filterTxt_->setInsertPolicy(QComboBox::NoInsert);
  filterTxt_->setMinimumWidth(120);
  {
    QStringList genres;
    for (const std::string& g : ID3v1Genres()) genres << QString::fromStdString(g);
    genres.sort(Qt::CaseInsensitive);
    filterTxt_->addItems(genres);
    filterTxt_->setCurrentIndex(-1);
    filterTxt_->setEditText(QString());
  }
  searchIt_ = new QPushButton("Search", searchPanel_);
  searchIt_->setObjectName("SearchIt");
  searchIt_->setEnabled(false);
  sp->addWidget(filterCol_);
  sp->addWidget(filterTxt_, 1);
  sp->addWidget(searchIt_);
  searchPanel_->setVisible(false);

  preListen_ = new QWidget(bottom_);
  preListen_->setObjectName("PreListen");
  auto* pl = new QHBoxLayout(preListen_);
  pl->setContentsMargins(0, 0, 0, 0);
  playRecord_ = new QPushButton(preListen_);
  playRecord_->setObjectName("PlayRecord");
  playRecord_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  playRecord_->setToolTip("Pre-listen track");
  stopRecord_ = new QPushButton(preListen_);
  stopRecord_->setObjectName("StopRecord");
  stopRecord_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  stopRecord_->setToolTip("Stop pre-listening");
  dataSlider_ = new TEMSlider(preListen_);
  dataSlider_->setObjectName("DataSlider");
  dataSlider_->SetOrientation(soHorizontal);
  dataSlider_->setMinimumWidth(100);
  dataSlider_->setFixedHeight(22);
  timeData_ = new QLabel("0:00", preListen_);
  timeData_->setObjectName("TimeData");
  timeData_->setMinimumWidth(40);
  pl->addWidget(playRecord_);
  pl->addWidget(stopRecord_);
  pl->addWidget(dataSlider_, 1);
  pl->addWidget(timeData_);
  count_ = new QLabel(bottom_);
  count_->setObjectName("TrackCount");
  count_->setVisible(false);

  bar->addWidget(searchBtn_);
  bar->addWidget(searchPanel_, 2);
  bar->addWidget(preListen_, 2);
  bar->addWidget(count_);

  auto* main = new QVBoxLayout(this);
  main->setContentsMargins(0, 0, 0, 0);
  main->setSpacing(0);
  main->addWidget(splitter, 1);
  main->addWidget(bottom_);

  // Popup.
  fileDataMenu_ = new QMenu(this);
  fileDataMenu_->setObjectName("FileDataMenu");
  addToPlaylist_ = fileDataMenu_->addAction("Add to playlist   (dubbleclick)");
  addToPlaylist_->setShortcut(Qt::Key_Return);
  preListenTrack_ = fileDataMenu_->addAction("Pre-listen track");
  preListenTrack_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_P));
  preListenStop_ = fileDataMenu_->addAction("Stop pre-listening");
  preListenStop_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_S));
  editTrack_ = fileDataMenu_->addAction("Edit info track(s)");
  editTrack_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_3));
  deleteTrack_ = fileDataMenu_->addAction("Remove track(s)");
  deleteTrack_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
  // The shortcuts act in the grid and the file list only: Enter in the search box searches, it
  // does not send the selected tracks to the playlist.
  for (QAction* a : fileDataMenu_->actions()) {
    a->setShortcutContext(Qt::WidgetShortcut);
    dbGrid_->addAction(a);
    fileList_->addAction(a);
  }
  connect(addToPlaylist_, &QAction::triggered, this,
          [this] { emit AddToPlaylistRequested(SelectedFiles()); });
  connect(preListenTrack_, &QAction::triggered, this, &LibraryBrowser::PreListenTrackClick);
  connect(preListenStop_, &QAction::triggered, this, &LibraryBrowser::StopRecordClick);
  connect(editTrack_, &QAction::triggered, this, &LibraryBrowser::EditTrackClick);
  connect(deleteTrack_, &QAction::triggered, this, &LibraryBrowser::DeleteTrackClick);

  // Grid and list events.
  dbGrid_->OnGetCellFormat = [this](TEMDBGrid*, int col, int row, TFormatOptions& format) {
    model_.DBGridGetCellFormat(col, row, format);
  };
  dbGrid_->OnDblClick = [this](TEMDBGrid*) { emit AddToPlaylistRequested(SelectedFiles()); };
  dbGrid_->OnMouseDown = [this](TEMDBGrid*, Qt::MouseButton button, Qt::KeyboardModifiers,
                                int x, int y) {
    emit RemoveFocusRequested();
    if (button == Qt::RightButton) {
      FileDataMenuPopup();
      fileDataMenu_->popup(dbGrid_->mapToGlobal(QPoint(x, y)));
    }
  };
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(fileList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    FileDataMenuPopup();
    fileDataMenu_->popup(fileList_->mapToGlobal(at));
  });
  connect(fileList_, &QListWidget::itemDoubleClicked, this,
          [this] { emit AddToPlaylistRequested(SelectedFiles()); });

  // Rows, files and folder nodes are dragged onto the playlist.
  browseTree_->viewport()->installEventFilter(this);
  dbGrid_->installEventFilter(this);
  fileList_->viewport()->installEventFilter(this);
  browseTree_->OnPathChange = [this](TDirTreeView*, const std::string& path) { ShowPath(path); };

  // Search panel.
  auto* emptyKeys = new EmptyKeyPress(this);
  filterCol_->installEventFilter(emptyKeys);
  filterTxt_->installEventFilter(emptyKeys);
  connect(searchBtn_, &QToolButton::clicked, this, [this] {
    model_.SearchBtnClick();
    emit RemoveFocusRequested();
  });
  connect(filterCol_, &QComboBox::currentIndexChanged, this,
          [this](int index) { model_.FilterColChange(index); });
  connect(filterTxt_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (model_.FilterTxtListOnly() && !text.isEmpty() && filterTxt_->findText(text) < 0) {
      // "Genre 1" takes only names of its list: a typed text is completed or refused.
      const int match = filterTxt_->findText(text, Qt::MatchStartsWith);
      if (match < 0) {
        QSignalBlocker block(filterTxt_);
        filterTxt_->setEditText(QString::fromStdString(model_.FilterTxt()));
        return;
      }
    }
    model_.FilterTxtChange(text.toStdString());
  });
  connect(filterTxt_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    if (model_.FilterTxtListOnly()) {
      const int match = filterTxt_->findText(filterTxt_->currentText(), Qt::MatchStartsWith);
      if (match >= 0) filterTxt_->setCurrentIndex(match);
    }
    model_.FilterTxtEnterKey();
  });
  connect(searchIt_, &QPushButton::clicked, this, [this] { model_.SearchItClick(); });

  // Pre-listen.
  connect(playRecord_, &QPushButton::clicked, this, &LibraryBrowser::PreListenTrackClick);
  connect(stopRecord_, &QPushButton::clicked, this, &LibraryBrowser::StopRecordClick);
  connect(&model_, &LibraryModel::PreListenHint, preListen_, &QWidget::setToolTip);

  // Model.
  connect(&model_, &LibraryModel::ViewChanged, this, &LibraryBrowser::ShowView);
  connect(&model_, &LibraryModel::LibraryChanged, this, [this] {
    dbGrid_->SetTable(&model_.Shown());
  });
  connect(&model_, &LibraryModel::SearchChanged, this, &LibraryBrowser::ShowSearch);
  connect(&model_, &LibraryModel::CountChanged, count_, &QLabel::setText);
  connect(&model_, &LibraryModel::CurrentRowRequested, this, [this](int row) {
    dbGrid_->SetRow(std::clamp(row, 1, std::max(1, dbGrid_->GetRowCount() - 1)));
    dbGrid_->Repaint();
  });
  connect(&model_, &LibraryModel::PlaylistsFound, this, [this](const QStringList& files) {
    TDirTreeNode* node = browseTree_->GetSpecialNode(ftPlaylists);
    if (!node || files.isEmpty()) return;
    for (const QString& f : files) {
      const QString name = f.section('/', -1);
      browseTree_->AddSimpleNode(node, f.toStdString(), name.toStdString(), ftPlaylists);
    }
    node->sortChildren(0, Qt::AscendingOrder);
    node->setExpanded(true);
  });
  connect(&options_, &OptionsStore::Changed, this, [this](const QString& key) {
    if (key == QLatin1String("ShowFilePath")) dbGrid_->Repaint();
  });

  ShowView();
  ShowSearch();
  model_.SetDBInfo();
}

LibraryBrowser::~LibraryBrowser() {
  // The grid shows a table it does not own; it must not outlive that table's use here.
  dbGrid_->SetTable(nullptr);
}

bool LibraryBrowser::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  const bool tree = watched == browseTree_->viewport();
  if (!tree && widget != dbGrid_ && widget != fileList_->viewport())
    return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonPress) {
    auto* e = static_cast<QMouseEvent*>(event);
    pressedIn_ = nullptr;
    dragFolder_.clear();
    if (e->button() != Qt::LeftButton || (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
      return QWidget::eventFilter(watched, event);
    dragStart_ = e->position().toPoint();
    if (tree) {
      // Only a folder node drags (its files go to the playlist).
      TDirTreeNode* node = TDirTreeView::Node(browseTree_->itemAt(dragStart_));
      if (node && node->Data.Kind == ftFolder && !node->Data.Path.empty()) {
        dragFolder_ = node->Data.Path;
        pressedIn_ = widget;
      }
    } else {
      emit SourcePressed();
      pressedIn_ = widget;
      if (widget == dbGrid_) {
        int row, col;
        dbGrid_->MouseToCell(dragStart_.x(), dragStart_.y(), row, col);
        if (row < 1) pressedIn_ = nullptr;  // the header sorts and sizes; it does not drag
      }
    }
  } else if (event->type() == QEvent::MouseMove && pressedIn_ == widget && widget) {
    auto* e = static_cast<QMouseEvent*>(event);
    if ((e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - dragStart_).manhattanLength() > kDragThreshold) {
      pressedIn_ = nullptr;
      if (widget == dbGrid_ && dbGrid_->GetMode() == 4) return false;  // sizing a column
      StartDrag(widget);
      return true;
    }
  } else if (event->type() == QEvent::MouseButtonRelease) {
    pressedIn_ = nullptr;
    dragFolder_.clear();
  }
  return QWidget::eventFilter(watched, event);
}

void LibraryBrowser::StartDrag(QWidget* source) {
  QList<QUrl> urls;
  QString name;
  if (source == browseTree_->viewport()) {
    name = browseTree_->objectName();
    urls = FolderFileUrls(dragFolder_);
    dragFolder_.clear();
    if (urls.isEmpty()) return;
  } else {
    name = source == dbGrid_ ? dbGrid_->objectName() : fileList_->objectName();
    for (const std::string& f : SelectedFiles()) urls << QUrl::fromLocalFile(QString::fromStdString(f));
  }
  auto* drag = new QDrag(source);
  auto* mime = new QMimeData;
  mime->setData(kConsoleDragMime, name.toUtf8());
  mime->setUrls(urls);
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction);
  if (source == dbGrid_) ClearLibrarySelection();
}

// --- What the console's playlist asks ---------------------------------------------------------

bool LibraryBrowser::FileListShown() const {
  return model_.CurrentView() == LibraryModel::ShowFolder;
}

bool LibraryBrowser::LibraryShown() const {
  return model_.CurrentView() == LibraryModel::ShowLibrary;
}

std::vector<int> LibraryBrowser::SelectedLibraryRows() const {
  std::vector<int> rows;
  for (int r = 1; r < dbGrid_->GetRowCount(); ++r)
    if (dbGrid_->GetSelected(r)) rows.push_back(r - 1);
  return rows;
}

void LibraryBrowser::ClearLibrarySelection() { dbGrid_->DeSelectAll(); }

void LibraryBrowser::SelectAllFiles() { fileList_->selectAll(); }

bool LibraryBrowser::ShowLibraryRow(const std::string& file) {
  TEMDB& library = model_.Library();
  if (file.empty()) return false;
  // The row is looked up among all rows: a filter that hides it ends first.
  const int fileCol = ColumnIndex(library, "File");
  int row = -1;
  if (library.Filtered) {
    // Shown by the filter: it stays; hidden by it: the filter ends.
    for (int r = 0; r < library.GetRowCount() && row < 0; ++r)
      if (EqualsNoCase(library.GetItem(fileCol, r), file)) row = r;
    if (row < 0) {
      if (!library.FindExact(fileCol, file)) return false;
      model_.EndFilter();
    }
  }
  if (row < 0) {
    if (!library.FindExact(fileCol, file)) return false;
    row = library.FoundRow;
  }
  if (model_.CurrentView() != LibraryModel::ShowLibrary) model_.BrowseTreePathChange("Database");
  dbGrid_->SetRow(row + 1);
  dbGrid_->Repaint();
  return true;
}

void LibraryBrowser::AddPlaylistNode(const std::string& path) {
  TDirTreeNode* playlists = browseTree_->GetSpecialNode(ftPlaylists);
  if (!playlists) return;
  const size_t slash = path.find_last_of('/');
  browseTree_->AddSimpleNode(playlists, path,
                             slash == std::string::npos ? path : path.substr(slash + 1),
                             ftPlaylists);
  playlists->sortChildren(0, Qt::AscendingOrder);
  playlists->setExpanded(true);
}

int LibraryBrowser::TreeWidth() const {
  return browseTree_->isVisibleTo(this) ? browseTree_->width() : 0;
}

void LibraryBrowser::SetTreeWidth(int width) {
  const int rest = std::max(0, splitter_->width() - splitter_->handleWidth() - width);
  splitter_->setSizes({width, rest});
}

void LibraryBrowser::SetTreeVisible(bool visible) { browseTree_->setVisible(visible); }

QList<QUrl> LibraryBrowser::FolderFileUrls(const std::string& folder) {
  std::string base = folder;
  if (base.empty() || base.back() != '/') base += '/';
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(base.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      bool audio = false;
      for (const char* p : {"*.mp3", "*.wav", "*.ogg"}) audio = audio || TEMFindFile::MatchesPattern(p, name);
      struct stat st {};
      if (audio && ::stat((base + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  QList<QUrl> urls;
  for (const std::string& n : names) urls << QUrl::fromLocalFile(QString::fromStdString(base + n));
  return urls;
}

void LibraryBrowser::SetShowCount(bool on) { count_->setVisible(on); }

void LibraryBrowser::ShowPath(const std::string& path) { model_.BrowseTreePathChange(path); }

void LibraryBrowser::ShowView() {
  auto* views = static_cast<QStackedWidget*>(dbGrid_->parentWidget());
  const bool folder = model_.CurrentView() == LibraryModel::ShowFolder;
  views->setCurrentWidget(folder ? static_cast<QWidget*>(fileList_) : dbGrid_);
  if (folder) {
    RefreshFileList();
  } else {
    dbGrid_->SetTable(&model_.Shown());
    dbGrid_->SetPaintIcon(model_.CurrentView() == LibraryModel::ShowLibrary);
  }
  searchBtn_->setEnabled(model_.SearchBtnEnabled());
  deleteTrack_->setEnabled(model_.FileDataMenuPopup().removeEnabled);
  ShowSearch();
}

void LibraryBrowser::RefreshFileList() {
  fileList_->clear();
  const QIcon audio = style()->standardIcon(QStyle::SP_MediaVolume);
  for (const std::string& name : model_.FolderFiles())
    fileList_->addItem(new QListWidgetItem(audio, QString::fromStdString(name)));
  if (fileList_->count() > 0) fileList_->setCurrentRow(0);
}

void LibraryBrowser::ShowSearch() {
  searchPanel_->setVisible(model_.SearchPanelVisible());
  searchBtn_->setChecked(model_.SearchPanelVisible());
  searchIt_->setEnabled(model_.SearchItEnabled());
  if (filterCol_->currentIndex() != model_.FilterCol()) {
    QSignalBlocker block(filterCol_);
    filterCol_->setCurrentIndex(model_.FilterCol());
  }
}

std::vector<std::string> LibraryBrowser::SelectedFiles() const {
  std::vector<bool> selected(static_cast<size_t>(fileList_->count()), false);
  for (int i = 0; i < fileList_->count(); ++i) selected[size_t(i)] = fileList_->item(i)->isSelected();
  return model_.SelectedFiles(selected);
}

void LibraryBrowser::FileDataMenuPopup() {
  const LibraryModel::PopupState s = model_.FileDataMenuPopup();
  editTrack_->setEnabled(s.editEnabled);
  deleteTrack_->setEnabled(s.removeEnabled);
  emit RemoveFocusRequested();
}

void LibraryBrowser::PreListenTrackClick() {
  std::string file;
  if (model_.CurrentView() == LibraryModel::ShowFolder)
    file = model_.FileOfFolderEntry(fileList_->currentRow());
  else
    file = model_.FileOfGridRow(dbGrid_->GetRow());
  model_.PreListenTrackClick(file);
}

void LibraryBrowser::StopRecordClick() {
  model_.StopRecordClick();
  timeData_->setText("0:00");
}

void LibraryBrowser::SetPreListenTime(int minutes, int seconds) {
  timeData_->setText(QString("%1:%2").arg(minutes).arg(seconds, 2, 10, QChar('0')));
}

void LibraryBrowser::SetPreListenPosition(int ms) {
  if (!dataSlider_->Dragging()) dataSlider_->SetValue(ms);
}

void LibraryBrowser::EditTrackClick() {
  if (!model_.FileDataMenuPopup().editEnabled) return;
  model_.Scan();  // makes the checking deck when the console gave none ("Get real Time")
  editor_ = std::make_unique<TrackEditor>(model_.Library(), model_.CheckDeck(),
                                          model_.CheckEntry());
  editData_ = std::make_unique<TEditData>(*editor_, window());
  connect(editor_.get(), &TrackEditor::LibraryRowChanged, this, [this] { dbGrid_->Repaint(); });
  connect(editData_.get(), &TEditData::Closed, this, [this] {
    model_.RefreshFolder();
    RefreshFileList();
    dbGrid_->DeSelectAll();
    dbGrid_->Repaint();
  });
  if (model_.CurrentView() == LibraryModel::ShowFolder) {
    FileSelection files;
    files.Folder = model_.Path();
    files.Names = model_.FolderFiles();
    files.Selected.resize(files.Names.size(), false);
    for (int i = 0; i < fileList_->count(); ++i)
      files.Selected[size_t(i)] = fileList_->item(i)->isSelected();
    files.Current = fileList_->currentRow();
    editor_->ShowFiles(files);
  } else {
    editor_->ShowLibrary();
  }
  editData_->ShowFields();
  editData_->show();
}

void LibraryBrowser::DeleteTrackClick() {
  if (!model_.FileDataMenuPopup().removeEnabled) return;
  model_.DeleteTrackClick(dbGrid_->GetRow());
}

void LibraryBrowser::EditDatabaseClick() {
  if (options_.Bool("AllSecured") && AskPassword && !AskPassword()) return;
  model_.EndFilter();
  model_.BrowseTreePathChange("Database");
  dbGrid_->SetTable(&model_.Library());
  dbGrid_->DeSelectAll();
  if (!editDatabase_) {
    editDatabase_ = new TEditDatabase(model_.Scan(), window());
    LibraryScan& scan = model_.Scan();
    connect(&scan, &LibraryScan::SortingActive, this, [this](bool on) {
      TSortOptions o = dbGrid_->GetSortOptions();
      o.SortActive = on;
      dbGrid_->SetSortOptions(o);
    });
    connect(&scan, &LibraryScan::LibraryChanged, this, [this] {
      dbGrid_->SetTable(&model_.Shown());
      dbGrid_->Repaint();
    });
  }
  editDatabase_->show();
  editDatabase_->raise();
}

}  // namespace spinwave
