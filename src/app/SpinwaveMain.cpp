#include "app/SpinwaveMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <QtGlobal>

#include "app/TableModel.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "table/LibraryFile.h"

namespace {

// Playlist grid columns: name and width (-1 hides the column).
struct PlaylistColumn {
  const char* name;
  int width;
};
constexpr int kDesignedWidth = 120;  // "Artist" and "Title" keep the layout's width
constexpr PlaylistColumn kPlaylistColumns[9] = {
    {"", 30},      {"Artist", kDesignedWidth}, {"Title", kDesignedWidth},
    {"File", -1},  {"Time", 50},               {"Gain", -1},
    {"Intro", 50}, {"Outro", 50},              {"Segue", -1},
};

constexpr int kPlayersPanelWidth = 600;
constexpr int kPlayersPanelHeight = 150;
constexpr int kStatusPanel0Width = 160;
constexpr int kStatusPanel2Width = 110;

}  // namespace

TSpinwaveMain::TSpinwaveMain(QStringList commandLine, std::string settingsFile, QWidget* parent)
    : QMainWindow(parent),
      commandLine_(std::move(commandLine)),
      settings_(std::make_unique<TSettingsFile>(std::move(settingsFile))) {
  setObjectName("SpinwaveMain");
  BuildWidgets();
  BuildMenus();
  FormCreate();
}

TSpinwaveMain::~TSpinwaveMain() {
  // The views and models are child objects, destroyed after the tables they show: detach them.
  if (playlistModel_) playlistModel_->SetTable(nullptr);
  if (libraryModel_) libraryModel_->SetTable(nullptr);
}

QString TSpinwaveMain::VersionText() {
  // The build gives "v<major>.<minor>.<patch>"; the minor number is written with two digits so
  // that the number after the "v" has the six characters the update check compares.
  QString number = QStringLiteral(SPINWAVE_VERSION_TEXT).mid(1);
  QStringList parts = number.split('.');
  if (parts.size() >= 2 && parts[1].size() < 2) parts[1] = parts[1].rightJustified(2, '0');
  number = parts.join('.');
  while (number.size() < 6) number += ".0";
  return "v" + number;
}

std::string TSpinwaveMain::UpdateMessage(const std::string& versionText,
                                         const std::string& reply) {
  const std::string running = versionText.substr(versionText.empty() ? 0 : 1, 6);
  if (reply.substr(0, 6) != running && reply.rfind("2.", 0) == 0) return "Spinwave v" + reply;
  return {};
}

// --- Creation -------------------------------------------------------------------------------

void TSpinwaveMain::BuildWidgets() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);

  // Deck area: ThePlayers holds the players panel, centred by FormResize while it is docked.
  thePlayers_ = new QWidget(central);
  thePlayers_->setObjectName("ThePlayers");
  thePlayers_->setFixedHeight(kPlayersPanelHeight);
  thePlayers_->installEventFilter(this);
  playersPanel_ = new QFrame(thePlayers_);
  playersPanel_->setObjectName("PlayersPanel");
  static_cast<QFrame*>(playersPanel_)->setFrameShape(QFrame::StyledPanel);
  playersPanel_->setFixedSize(kPlayersPanelWidth, kPlayersPanelHeight);
  auto* decks = new QHBoxLayout(playersPanel_);
  for (int deck = 1; deck <= 2; ++deck) {
    auto* column = new QVBoxLayout;
    auto* artist = new QLabel(playersPanel_);
    auto* title = new QLabel(playersPanel_);
    artist->setObjectName(QString("Artist%1").arg(deck));
    title->setObjectName(QString("Title%1").arg(deck));
    column->addWidget(artist);
    column->addWidget(title);
    column->addStretch();
    decks->addLayout(column);
    (deck == 1 ? artist1_ : artist2_) = artist;
    (deck == 1 ? title1_ : title2_) = title;
  }
  layout->addWidget(thePlayers_);

  auto* buttons = new QHBoxLayout;
  setup_ = new QPushButton("Setup", central);
  setup_->setObjectName("Setup");
  connect(setup_, &QPushButton::clicked, this, &TSpinwaveMain::SetupClick);
  buttons->addWidget(setup_);
  buttons->addWidget(new QLabel("Automix seconds", central));
  secSwitch_ = new QComboBox(central);
  secSwitch_->setObjectName("SecSwitch");
  buttons->addWidget(secSwitch_);
  buttons->addStretch();
  layout->addLayout(buttons);

  // Playlist on the left, the data panel (folder tree and library) on the right.
  mainSplitter_ = new QSplitter(Qt::Horizontal, central);
  mainSplitter_->setObjectName("Splitter");
  playlistView_ = new QTableView(mainSplitter_);
  playlistView_->setObjectName("Playlist");
  playlistPanel_ = playlistView_;
  dataSplitter_ = new QSplitter(Qt::Horizontal, mainSplitter_);
  dataSplitter_->setObjectName("DataPanel");
  dirTree_ = new QWidget(dataSplitter_);
  dirTree_->setObjectName("DirTree");
  dirTree_->setMinimumWidth(40);
  dbGrid_ = new QTableView(dataSplitter_);
  dbGrid_->setObjectName("DBGrid");
  // Like panels of fixed width beside a client-aligned one: when the window grows or is
  // maximised, the library takes the extra width and the playlist and tree keep theirs.
  mainSplitter_->setStretchFactor(0, 0);
  mainSplitter_->setStretchFactor(1, 1);
  dataSplitter_->setStretchFactor(0, 0);
  dataSplitter_->setStretchFactor(1, 1);
  for (QTableView* view : {playlistView_, dbGrid_}) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
  }
  layout->addWidget(mainSplitter_, 1);
  setCentralWidget(central);

  for (int i = 0; i < 4; ++i) {
    statusPanels_[i] = new QLabel(this);
    statusPanels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    statusBar()->addWidget(statusPanels_[i]);
  }
  statusPanels_[0]->setFixedWidth(kStatusPanel0Width);
  statusPanels_[2]->setFixedWidth(kStatusPanel2Width);
  statusPanels_[3]->setText(QStringLiteral("Spinwave ") + VersionText());
}

void TSpinwaveMain::BuildMenus() {
  setupMenu_ = new QMenu(this);
  setupMenu_->setObjectName("SetupMenu");
  auto add = [this](const char* name, const char* caption, auto handler) {
    QAction* action = setupMenu_->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  add("CtrlDatabase", "Database", [this] { EditDatabaseClick(); });
  add("CtrlOptions", "Options", [this] { CtrlOptionsClick(); });
  // The players panel does not float yet, so "Dock players" stays hidden.
  dockPlayers_ = add("Dockplayers", "Dock players", [] {});
  dockPlayers_->setVisible(false);
  add("Information", "Information", [this] { ShowInformationBox(); });
  add("Help", "Help", [this] { OpenHelp(); });
  add("ShutDown", "Shutdown", [this] { close(); });

  // The playlist's context menu holds the segue menu.
  playlistMenu_ = new QMenu(this);
  playlistMenu_->setObjectName("PlaylistMenu");
  segueMenu_ = playlistMenu_->addMenu("Automix...");
  segueMenu_->setObjectName("Segue");
  playlistView_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(playlistView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    RemoveFocus();
    playlistMenu_->popup(playlistView_->viewport()->mapToGlobal(at));
  });

  // The fade buttons' menu; "1 second" is its first entry.
  fadeMenu_ = new QMenu(this);
  fadeMenu_->setObjectName("FadeMenu");
  fadeSub_ = fadeMenu_->addMenu("Fade...");
  fadeSub_->setObjectName("FadeSub");
  QAction* one = fadeSub_->addAction("1 second");
  one->setData(1);
  connect(one, &QAction::triggered, this, [this] { FadeSecClick(1); });
}

void TSpinwaveMain::FormCreate() {
  // Browse-list table: a playlist file shown in the library browser.
  browseList_.SetColCount(9);
  browseList_.Title = spinwave::kPlaylistTitle;

  setWindowTitle("Spinwave " + VersionText());

  programFolder_ = spinwave::ProgramFolder();
  for (QLabel* label : {artist1_, title1_, artist2_, title2_}) label->clear();

  // Playlist columns.
  playlist_.SetColCount(9);
  for (int c = 0; c < 9; ++c) {
    playlist_.SetItem(c, -1, kPlaylistColumns[c].name);
    playlist_.SetColWidth(c, kPlaylistColumns[c].width);
  }
  playlist_.Title = spinwave::kPlaylistTitle;
  playlistModel_ = new spinwave::TableModel(&playlist_, this);
  playlistView_->setModel(playlistModel_);
  spinwave::ApplyColumnWidths(*playlistView_, playlist_);

  // Segue menu and selector: "0".."15".
  for (int n = 0; n < SegueEntries; ++n) {
    QAction* action = segueMenu_->addAction(QString::number(n));
    action->setData(n);
    connect(action, &QAction::triggered, this, [this, n] { SegueClick(n); });
    secSwitch_->addItem(QString::number(n));
  }
  // Fade menu: 2..20 seconds after "1 second".
  for (int n = 2; n <= FadeEntries; ++n) {
    QAction* action = fadeSub_->addAction(QString::number(n) + " Seconds");
    action->setData(n);
    connect(action, &QAction::triggered, this, [this, n] { FadeSecClick(n); });
  }

  startup_ = settings_->LoadAll();
  ApplyStartupSettings();

  const std::string dataFolder = programFolder_ + "data";
  if (!spinwave::DirectoryExists(dataFolder) && !spinwave::MakeFolders(dataFolder))
    spinwave::ShowMessage("Can't create \"Data\" directory!");

  OpenLibraryTable();

  listsFolder_ = programFolder_ + "lists";
  if (!spinwave::DirectoryExists(listsFolder_) && !spinwave::MakeFolders(listsFolder_))
    spinwave::ShowMessage("Can't create \"lists\" directory!");
}

void TSpinwaveMain::ApplyStartupSettings() {
  Qt::WindowFlags flags = Qt::Window;
  if (startup_.FullScrMode) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (startup_.Minimizeable) flags |= Qt::WindowMinimizeButtonHint;
    if (startup_.WinSizeable) flags |= Qt::WindowMaximizeButtonHint;
  }
  setWindowFlags(flags);
  move(startup_.Left, startup_.Top);
  resize(startup_.Width, startup_.Height);
  if (!startup_.FullScrMode && !startup_.WinSizeable) setFixedSize(size());
  SetVolumes(startup_.VolumeL, startup_.VolumeR);
  secSwitch_->setCurrentIndex(startup_.AutomixSec >= 0 && startup_.AutomixSec < SegueEntries
                                  ? startup_.AutomixSec
                                  : -1);

  // The folder tree (and its splitter handle) show exactly when the browser is on.
  dirTree_->setVisible(startup_.ShowBrowser);
}

void TSpinwaveMain::OpenLibraryTable() {
  spinwave::OpenLibraryResult result =
      spinwave::OpenLibrary(library_, programFolder_ + "data/data.db");
  if (!result.saved && !result.error.empty())
    qWarning("Spinwave: the library file was not saved: %s", result.error.c_str());
  libraryModel_ = new spinwave::TableModel(&library_, this);
  dbGrid_->setModel(libraryModel_);
  spinwave::ApplyColumnWidths(*dbGrid_, library_);
  if (result.fileColumn < library_.ColCount() && library_.GetColWidth(result.fileColumn) >= 0) {
    library_.SetColWidth(result.fileColumn, result.fileColumnWidth);
    dbGrid_->setColumnWidth(result.fileColumn, result.fileColumnWidth);
  }
}

// --- Activation ----------------------------------------------------------------------------

bool TSpinwaveMain::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(event);
}

void TSpinwaveMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Platforms without window activation (offscreen) still get the first-activation work.
  if (!activated_) FormActivate();
}

void TSpinwaveMain::FormActivate() {
  if (!activated_ && !closed_) {
    activated_ = true;  // set first: the work below may show boxes that re-activate the window
    if (settings_->ReadBool("General", "FullScrMode", false) ||
        settings_->ReadBool("General", "StartMaximized", false))
      setWindowState(windowState() | Qt::WindowMaximized);

    const int playlistWidth = settings_->ReadInteger("Window", "Playlist", 0);
    if (playlistWidth > 0) {
      const int rest = qMax(0, mainSplitter_->width() - mainSplitter_->handleWidth() - playlistWidth);
      mainSplitter_->setSizes({playlistWidth, rest});
    }
    const int treeWidth = settings_->ReadInteger("Window", "Tree", 0);
    if (treeWidth > 0) {
      const int rest = qMax(0, dataSplitter_->width() - dataSplitter_->handleWidth() - treeWidth);
      dataSplitter_->setSizes({treeWidth, rest});
    }

    ResetOptions();
    RegisterDecks();
    StartPlugins();
    RestorePlaylist();
    ExecuteCommandLine(commandLine_);
    SetHotKeys();
    StartMicrophone();
    StartUpdateCheck();
    if (library_.RowCount() == 0) EditDatabaseClick();
    playlistView_->setFocus();
  }
  SetDBInfo();
}

void TSpinwaveMain::RestorePlaylist() {
  std::string path = programFolder_ + "spinwave.npl2";
  if (!spinwave::FileExists(path)) path = programFolder_ + "spinwave.npl";
  if (spinwave::FileExists(path)) LoadPlaylist(path);
}

void TSpinwaveMain::ExecuteCommandLine(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("-play")) {
      PlayFirstTrack();
    } else if (argument == QLatin1String("-clear")) {
      playlist_.ClearRows();
      playlistModel_->Refresh();
    } else {
      LoadToPlaylist(argument.toStdString());
    }
  }
}

void TSpinwaveMain::UpdateInfoRecieved(const std::string& reply) {
  const std::string message = UpdateMessage(VersionText().toStdString(), reply);
  if (!message.empty()) spinwave::ShowMessage(message);
}

// --- Close ---------------------------------------------------------------------------------

bool TSpinwaveMain::AdminCloseOn() const {
  return settings_ && settings_->ReadBool("Security", "AdminClose", false);
}

bool TSpinwaveMain::SafeCloseOn() const {
  return settings_ && settings_->ReadBool("General", "SafeClose", false);
}

bool TSpinwaveMain::FormCloseQuery() {
  if (closed_) return true;
  if (AdminCloseOn() && !AdminCloseAllowed()) return false;
  if (DeckBusy() && SafeCloseOn()) {
    spinwave::ShowMessage("Can't close unless both players are stopped!");
    return false;
  }
  return true;
}

void TSpinwaveMain::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TSpinwaveMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  StopEngines();
  SavePlaylist(programFolder_ + "spinwave.npl2");

  // The library grid gets its library back (the browser may show another table in it), and the
  // widths the user dragged are kept in the file without rewriting the rows.
  if (libraryModel_->Table() == &library_) {
    spinwave::TakeColumnWidths(*dbGrid_, library_);
  } else {
    libraryModel_->SetTable(&library_);
    spinwave::ApplyColumnWidths(*dbGrid_, library_);
  }
  std::string error;
  if (!library_.SaveColWidths({}, &error))
    qWarning("Spinwave: the library's column widths were not saved: %s", error.c_str());

  RemHotKeys();

  TSettingsFile& s = *settings_;
  const QRect frame = frameGeometry();
  s.WriteInteger("Window", "Width", width());
  s.WriteInteger("Window", "Height", height());
  s.WriteInteger("Window", "Left", qMax(0, frame.left()));
  s.WriteInteger("Window", "Top", qMax(0, frame.top()));
  s.WriteInteger("Window", "Playlist", playlistPanel_->width());
  s.WriteInteger("Window", "Tree", dirTree_->isVisible() ? dirTree_->width() : 0);
  s.WriteInteger("General", "AutomixSec", secSwitch_->currentIndex());
  s.WriteInteger("Players", "VolumeL", volumeL_);
  s.WriteInteger("Players", "VolumeR", volumeR_);
  s.WriteBool("PlayerPanel", "Float", false);  // the players panel is always docked for now
  settings_.reset();
}

// --- Layout --------------------------------------------------------------------------------

void TSpinwaveMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

bool TSpinwaveMain::eventFilter(QObject* watched, QEvent* event) {
  // ThePlayers follows the window's width through the layout after the window's own resize.
  if (watched == thePlayers_ && event->type() == QEvent::Resize) CentrePlayersPanel();
  return QMainWindow::eventFilter(watched, event);
}

void TSpinwaveMain::CentrePlayersPanel() {
  if (playersPanel_->parentWidget() != thePlayers_) return;  // floating
  playersPanel_->move(thePlayers_->width() / 2 - playersPanel_->width() / 2, 0);
}

void TSpinwaveMain::FormResize() {
  CentrePlayersPanel();
  const QFontMetrics metrics(font());
  const int width = this->width() - statusPanels_[0]->width() - statusPanels_[2]->width() -
                    metrics.horizontalAdvance(statusPanels_[3]->text()) - 36;
  statusPanels_[1]->setFixedWidth(qMax(0, width));
}

// --- Menus and requests ----------------------------------------------------------------------

void TSpinwaveMain::SetupClick() {
  RemoveFocus();
  setupMenu_->popup(setup_->mapToGlobal(QPoint(setup_->width() + 6, 8)));
}

void TSpinwaveMain::ShowInformationBox() {
  spinwave::ShowInformation("Spinwave " + VersionText().toStdString());
}

void TSpinwaveMain::OpenHelp() {
  const std::string help = spinwave::FindSharedFile("spinwave.html");
  if (help.empty()) {
    spinwave::ShowMessage("The help page spinwave.html was not found.");
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(help)));
}

int TSpinwaveMain::RemoteCommand(const QString& text) {
  qInfo("Spinwave: request \"%s\" received (remote commands are not interpreted yet)",
        qUtf8Printable(text));
  return 0;
}

void TSpinwaveMain::RaiseWindow() {
  if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void TSpinwaveMain::SetDeckState(int deck, int state) {
  if (deck == 1 || deck == 2) deckState_[deck - 1] = state;
}

int TSpinwaveMain::DeckState(int deck) const {
  return (deck == 1 || deck == 2) ? deckState_[deck - 1] : 0;
}

void TSpinwaveMain::SetVolumes(int left, int right) {
  volumeL_ = qBound(0, left, 255);
  volumeR_ = qBound(0, right, 255);
}
