#include "app/SpinwaveMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ConsoleCore.h"
#include "app/DeckControlSet.h"
#include "app/ConsoleKeyboard.h"
#include "app/ConsoleLock.h"
#include "app/ConsoleLook.h"
#include "app/PanelArt.h"
#include "app/PlayersPanel.h"
#include "controls/ControlTypes.h"
#include "controls/DirTreeView.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"
#include "controls/TImagePanel.h"
#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "engine/DeckPort.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryModel.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

namespace {

constexpr int kStatusPanel0Width = 160;
constexpr int kStatusPanel2Width = 260;

// The playlist's colours of the built-in look (skin keys ListColor ... ListSelectBgColor).
const QColor kListColor(0, 0, 0);
const QColor kListText(0xFF, 0xFF, 0x00);
const QColor kListArrow(0x00, 0xFF, 0x00);
const QColor kListFixed(0x00, 0x00, 0x84);
const QColor kListFixedText(0x00, 0xFF, 0x00);
const QColor kListSelectText(0xFF, 0xFF, 0xFF);
const QColor kListSelectBg(0x50, 0x50, 0x00);

const char* const kOpenFilter =
    "All supported Playlists (*.NPL *.NPL2 *.M3U *.npl *.npl2 *.m3u);;"
    "Spinwave v2 Playlist (*.NPL2 *.npl2);;Spinwave Playlist (*.NPL *.npl);;"
    "WinAmp Playlist (*.M3U *.m3u)";
const char* const kSaveFilters[2] = {"Spinwave v2 Playlist (*.NPL2 *.npl2)",
                                     "WinAmp Playlist (*.M3U *.m3u)"};

// The red line shown over the playlist while something is dragged over it.
class DropLine : public QWidget {
 public:
  explicit DropLine(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::red);
    setPalette(p);
    hide();
  }
};

QString MimeSource(const QMimeData* mime) {
  return mime && mime->hasFormat(kConsoleDragMime)
             ? QString::fromUtf8(mime->data(kConsoleDragMime))
             : QString();
}

}  // namespace

TSpinwaveMain::TSpinwaveMain(ConsoleCore& core, QWidget* parent)
    : QMainWindow(parent), core_(core) {
  setObjectName(QStringLiteral("SpinwaveMain"));
  setWindowTitle("Spinwave " + VersionText());
  core_.Transport().SetCaption(windowTitle());
  BuildWidgets();
  BuildMenus();
  look_ = new ConsoleLook(*this);
  lock_ = new ConsoleLock(*this, core_.Options(), this);
  keyboard_ = new ConsoleKeyboard(*this, core_.Options(), this);
  BuildOptions();
  ConnectCore();
  ConnectRemote();
  ApplyStartupSettings();
  setAcceptDrops(true);
}

TSpinwaveMain::~TSpinwaveMain() {
  // The core outlives the window: nothing of the window stays reachable from it.
  core_.Playlist().LoadProgress = nullptr;
  core_.CreateJinglePlayer = nullptr;
}

QString TSpinwaveMain::VersionText() { return ConsoleCore::VersionText(); }

// --- Building -------------------------------------------------------------------------------

void TSpinwaveMain::BuildWidgets() {
  auto* central = new QWidget(this);
  central->setAutoFillBackground(true);
  QPalette pal = central->palette();
  pal.setColor(QPalette::Window, art::kBackground);
  pal.setColor(QPalette::WindowText, QColor(0x86, 0xB7, 0xE7));
  central->setPalette(pal);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);

  thePlayers_ = new TImagePanel(central);
  thePlayers_->setObjectName(QStringLiteral("ThePlayers"));
  thePlayers_->SetColor(art::kBackground);
  thePlayers_->SetCenter(true);
  players_ = new PlayersPanel(thePlayers_);
  thePlayers_->installEventFilter(this);
  players_->setAcceptDrops(true);
  players_->installEventFilter(this);
  layout->addWidget(thePlayers_);
  SizePlayersArea();

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(3);
  BuildButtons(central, buttons);
  layout->addLayout(buttons);

  mainSplitter_ = new QSplitter(Qt::Horizontal, central);
  mainSplitter_->setObjectName(QStringLiteral("Splitter"));
  playlist_ = new TEMDBGrid(core_.PlaylistTable(), mainSplitter_);
  playlist_->setObjectName(QStringLiteral("Playlist"));
  playlist_->SetPaintIcon(true);
  playlist_->SetSortOptions({false, 1, sdAscending});
  playlist_->SetColor(kListColor);
  playlist_->SetArrowColor(kListArrow);
  playlist_->SetFixedColor(kListFixed);
  playlist_->SetFixedTextColor(kListFixedText);
  playlist_->SetSelectTextColor(kListSelectText);
  playlist_->SetSelectColor(kListSelectBg);
  {
    QPalette p = playlist_->palette();
    p.setColor(QPalette::Text, kListText);
    playlist_->setPalette(p);
  }
  playlist_->setAcceptDrops(true);
  playlist_->installEventFilter(this);
  playlist_->setMinimumWidth(200);
  dropLine_ = new DropLine(playlist_);
  library_ = BuildLibrary(mainSplitter_);
  // Like panels of fixed width beside a client-aligned one: when the window grows, the library
  // takes the extra width and the playlist keeps its own.
  mainSplitter_->setStretchFactor(0, 0);
  mainSplitter_->setStretchFactor(1, 1);
  mainSplitter_->setSizes({420, 340});
  layout->addWidget(mainSplitter_, 1);
  setCentralWidget(central);

  for (int i = 0; i < 4; ++i) {
    statusPanels_[i] = new QLabel(this);
    statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    statusBar()->addWidget(statusPanels_[i]);
  }
  statusPanels_[0]->setFixedWidth(kStatusPanel0Width);
  statusPanels_[2]->setFixedWidth(kStatusPanel2Width);
  statusPanels_[3]->setText(QStringLiteral("Spinwave ") + VersionText());
  statusPanels_[2]->setToolTip(core_.OutputNote());
  ShowTotal();
  ShowRowCount();
  // The deck panel is never cut: the window is at least as wide as it.
  setMinimumWidth(players_->width() + 8);
}

void TSpinwaveMain::BuildButtons(QWidget* parent, QHBoxLayout* layout) {
  auto add = [&](const char* name, const char* caption, const char* tip, auto handler,
                 int width = 62) {
    auto* b = new TEMButton(parent);
    b->setObjectName(QLatin1String(name));
    b->SetGlyphOff(art::Glyph(art::Symbol::Text, QSize(width, 18), false, art::kAccent,
                              QString::fromLatin1(caption)));
    b->SetGlyphOn(art::Glyph(art::Symbol::Text, QSize(width, 18), true, art::kAccent,
                             QString::fromLatin1(caption)));
    b->setToolTip(QString::fromLatin1(tip));
    b->setProperty("textGlyph", true);  // a language redraws its caption
    b->OnClick = [handler](TEMButton*) { handler(); };
    layout->addWidget(b);
    return b;
  };
  add("Setup", "SETUP", "Database, options, help, shutdown", [this] { SetupClick(); });
  TEMButton* jingles = add("Jingles", "JINGLES", "The jingle bank", [this] { JinglesClick(); });
  jingles->setVisible(core_.Settings() && core_.Settings()->JingleEnabled);
  add("SendInfo", "SEND INFO", "Send the playing title to the streaming servers",
      [this] { SendInfoClick(); }, 72);
  add("ShowLive365", "LIVE365", "Show or hide the Live365 window", [this] { ShowLive365Click(); },
      62);
  layout->addSpacing(10);
  add("ClearList", "NEW", "Clear the playlist", [this] { ClearListClick(); }, 44);
  add("OpenList", "OPEN", "Open a playlist", [this] { OpenListClick(); }, 44);
  add("SaveList", "SAVE", "Save the playlist", [this] { SaveListClick(); }, 44);
  layout->addSpacing(10);
  add("ClearV", "CLEAR V", "Clear the played marks", [this] { core_.Playlist().ClearMark("V"); });
  add("ClearX", "CLEAR X", "Clear the don't-play marks",
      [this] { core_.Playlist().ClearMark("X"); });
  add("Shuffle", "SHUFFLE", "Shuffle the playlist", [this] { ShuffleClick(); });
  layout->addSpacing(10);
  add("XFader", "X-FADER", "Show the crossfader", [this] { XFaderClick(); });
  add("Break", "BREAK", "Hold the next track", [this] { core_.Transport().BreakClick(); });
  autoMixLed_ = new TEMLed(parent);
  autoMixLed_->setObjectName(QStringLiteral("AutoMix"));
  autoMixLed_->SetCaption(QStringLiteral("Automix"));
  autoMixLed_->SetTextColor(art::kText);
  autoMixLed_->SetTransparent(true);
  autoMixLed_->setFixedSize(70, 17);
  layout->addWidget(autoMixLed_);
  secSwitch_ = new QComboBox(parent);
  secSwitch_->setObjectName(QStringLiteral("SecSwitch"));
  for (int n = 0; n < SegueEntries; ++n) secSwitch_->addItem(QString::number(n));
  secSwitch_->setToolTip(QStringLiteral("Default segue seconds of new tracks"));
  layout->addWidget(secSwitch_);
  auto* caption = new QLabel(QStringLiteral("seconds"), parent);
  caption->setObjectName(QStringLiteral("AutoMixLabel"));
  layout->addWidget(caption);
  layout->addStretch();
}

void TSpinwaveMain::BuildMenus() {
  setupMenu_ = new QMenu(this);
  setupMenu_->setObjectName(QStringLiteral("SetupMenu"));
  auto setup = [this](const char* name, const char* caption, auto handler) {
    QAction* action = setupMenu_->addAction(QString::fromLatin1(caption));
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  setup("CtrlDatabase", "Database", [this] { EditDatabaseClick(); });
  setup("CtrlOptions", "Options", [this] { CtrlOptionsClick(); });
  dockPlayers_ = setup("Dockplayers", "Dock players", [this] { DockPlayers(); });
  dockPlayers_->setVisible(false);  // only while the deck panel floats
  setup("OnScreenKeyboard", "On-screen keyboard", [this] { OnScreenKeyboardClick(); });
  setup("Information", "Information", [this] { ShowInformationBox(); });
  setup("Help", "Help", [this] { OpenHelp(); });
  setup("ShutDown", "Shutdown", [this] { close(); });

  playlistMenu_ = new QMenu(this);
  playlistMenu_->setObjectName(QStringLiteral("PlaylistMenu"));
  auto item = [this](const char* name, const char* caption, QKeySequence keys, auto handler) {
    QAction* action = playlistMenu_->addAction(QString::fromLatin1(caption));
    action->setObjectName(QLatin1String(name));
    if (!keys.isEmpty()) {
      action->setShortcut(keys);
      action->setShortcutContext(Qt::WidgetShortcut);
      playlist_->addAction(action);
    }
    connect(action, &QAction::triggered, this, [this, handler] {
      SyncCursor();
      handler();
    });
    return action;
  };
  DeckTransport& t = core_.Transport();
  PlaylistModel& list = core_.Playlist();
  openInPlayer_ = item("OpenInPlayer", "Open in a player   (Dubbleclick)", QKeySequence(Qt::Key_Return),
                       [this] { PlaylistDblClick(); });
  openLeft_ = item("OpenLeftPlayer", "Open in left player", {}, [&t] { t.PlayClick(0); });
  openRight_ = item("OpenRightPlayer", "Open in right player", {}, [&t] { t.PlayClick(1); });
  openPreListen_ = item("OpenInPreListen", "Open in pre-listen player", {},
                        [&t] { t.OpenInPreListen(); });
  segueMenu_ = playlistMenu_->addMenu(QStringLiteral("Automix..."));
  segueMenu_->setObjectName(QStringLiteral("Segue"));
  for (int n = 0; n < SegueEntries; ++n) {
    QAction* a = segueMenu_->addAction(QString::number(n));
    a->setData(n);
    connect(a, &QAction::triggered, this, [this, n] {
      SyncCursor();
      core_.Transport().SegueClick(n);
    });
  }
  finetuneMenu_ = playlistMenu_->addMenu(QStringLiteral("Automix finetune"));
  finetuneMenu_->setObjectName(QStringLiteral("SegueFinetune"));
  for (int sign : {1, -1}) {
    for (int ms : {5, 10, 50, 100, 500}) {
      const QString caption = (sign > 0 ? QStringLiteral("+ ") : QStringLiteral("-  ")) +
                              QString::asprintf("0.%03d", ms);
      QAction* a = finetuneMenu_->addAction(caption);
      a->setData(sign * ms);
      connect(a, &QAction::triggered, this, [this, sign, ms] {
        SyncCursor();
        core_.Transport().SegueFracClick(sign * ms);
      });
    }
    if (sign > 0) finetuneMenu_->addSeparator();
  }
  item("FindInDbase", "Find in database", QKeySequence(Qt::SHIFT | Qt::Key_F),
       [this, &list] { library_->ShowLibraryRow(list.File(list.CursorRow())); });
  removeX_ = item("RemoveX", "Remove X mark", QKeySequence(Qt::SHIFT | Qt::Key_R),
                  [&list] { list.RemoveX(); });
  dontPlay_ = item("DontPlay", "Don't play track", QKeySequence(Qt::SHIFT | Qt::Key_X),
                   [&list] { list.DontPlay(); });
  item("DeleteEntry", "Remove track(s)", QKeySequence(Qt::Key_Delete),
       [&list] { list.DeleteSelected(); });
  connect(playlistMenu_, &QMenu::aboutToShow, this, [this] { PlaylistMenuPopup(); });
  playlist_->OnMouseUp = [this](TEMDBGrid* grid, Qt::MouseButton button, Qt::KeyboardModifiers,
                                int x, int y) {
    // Narrow Artist and Title columns come back to a readable width.
    for (int c : {plArtist, plTitle})
      if (grid->GetColWidth(c) >= 0 && grid->GetColWidth(c) < 100) grid->SetColWidth(c, 100);
    SyncCursor();
    if (button == Qt::RightButton) playlistMenu_->popup(grid->mapToGlobal(QPoint(x, y)));
  };

  // The fade buttons' menu; "1 second" is its first entry.
  fadeMenu_ = new QMenu(this);
  fadeMenu_->setObjectName(QStringLiteral("FadeMenu"));
  fadeSub_ = fadeMenu_->addMenu(QStringLiteral("Fade..."));
  fadeSub_->setObjectName(QStringLiteral("FadeSub"));
  for (int n = 1; n <= FadeEntries; ++n) {
    QAction* a = fadeSub_->addAction(n == 1 ? QStringLiteral("1 second")
                                            : QString::number(n) + QStringLiteral(" Seconds"));
    a->setData(n);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, n] { core_.Transport().FadeSecClick(n); });
  }
}

void TSpinwaveMain::ConnectCore() {
  DeckTransport& t = core_.Transport();
  PlaylistModel& list = core_.Playlist();
  PlayersPanel* p = players_;
  connect(p, &PlayersPanel::playClicked, &t, &DeckTransport::PlayClick);
  connect(p, &PlayersPanel::playRightPressed, &t, &DeckTransport::VinylStop);
  connect(p, &PlayersPanel::ejectClicked, &t, &DeckTransport::EjectClick);
  connect(p, &PlayersPanel::trackClicked, &t, &DeckTransport::GoTrack);
  connect(p, &PlayersPanel::pitchDoubleClicked, &t, &DeckTransport::PitchDblClick);
  connect(p, &PlayersPanel::fadePressed, &t, &DeckTransport::FadeMouseDown);
  connect(p, &PlayersPanel::fadeMenuRequested, this, &TSpinwaveMain::FadeMenuPopup);
  connect(p, &PlayersPanel::crossFaderMoved, &t, &DeckTransport::CrossSliderChange);
  connect(p, &PlayersPanel::crossFaderDoubleClicked, &t, &DeckTransport::CrossSliderDblClick);

  connect(&t, &DeckTransport::deckTrackChanged, p, &PlayersPanel::ShowTrack);
  connect(&t, &DeckTransport::deckStateChanged, p, &PlayersPanel::ShowDeckState);
  connect(&t, &DeckTransport::crossFaderChanged, p, &PlayersPanel::SetCrossFader);
  connect(&t, &DeckTransport::autoCrossChanged, p, &PlayersPanel::SetAutoCross);
  connect(&t, &DeckTransport::xFaderChanged, this, [this](bool on) {
    players_->ShowAudioCtrl(on);
    Button("XFader")->SetBtnState(on);
    SizePlayersArea();
  });
  connect(&t, &DeckTransport::captionChanged, this, &QWidget::setWindowTitle);
  ConnectAutomix();
  ConnectLibrary();
  ConnectTalkover();
  ConnectKeyLock();

  connect(&list, &PlaylistModel::rowChanged, this, &TSpinwaveMain::RepaintRow);
  for (auto signal : {&PlaylistModel::rowsReset})
    connect(&list, signal, playlist_, &TEMDBGrid::Repaint);
  connect(&list, &PlaylistModel::rowsInserted, playlist_, [this] { playlist_->Repaint(); });
  connect(&list, &PlaylistModel::rowsRemoved, playlist_, [this] {
    playlist_->Repaint();
    ShowRowCount();
  });
  connect(&list, &PlaylistModel::rowsReset, this, &TSpinwaveMain::ShowRowCount);
  connect(&list, &PlaylistModel::cursorChanged, playlist_, [this](int row) {
    if (row >= 1) playlist_->SetRow(row);
  });
  connect(&list, &PlaylistModel::totalChanged, this, &TSpinwaveMain::ShowTotal);

  playlist_->OnGetCellFormat = [this](TEMDBGrid*, int col, int row, TFormatOptions& f) {
    bool right = false;
    f.Text = core_.Playlist().CellText(col, row, core_.Transport().TimeOfDayMs(),
                                       core_.Transport().StartReference(), &right);
    if (row > 0 && col >= plTime) f.Alignment = right ? 1 : 0;
    // Column 0 shows the mark's icon; an unmarked row its number or start time (drawn as text:
    // the numbers 1 and 2 are not deck marks).
    f.PaintIcon = col == plMark && row > 0 && !core_.Playlist().Mark(row).empty();
  };
  playlist_->OnCellWidthChange = [](TEMDBGrid*, int, int& width) { width = std::max(width, 30); };
  playlist_->OnDblClick = [this](TEMDBGrid*) { PlaylistDblClick(); };
  playlist_->OnMouseDown = [this](TEMDBGrid* grid, Qt::MouseButton button,
                                  Qt::KeyboardModifiers mods, int x, int y) {
    pressedOnRow_ = false;
    if (button != Qt::LeftButton || (mods & (Qt::ShiftModifier | Qt::ControlModifier))) return;
    int row, col;
    grid->MouseToCell(x, y, row, col);
    if (row < 1) return;
    core_.Playlist().SetInsertionRow(row);
    pressAt_ = QPoint(x, y);
    pressedOnRow_ = !core_.Options().Bool("LockDrag");
  };
  // A long playlist is read with the deck clock and the window's painting going on; only the
  // user's input waits.
  list.LoadProgress = [this](int done, int total) {
    statusPanels_[1]->setText(QStringLiteral("Reading %1 of %2").arg(done).arg(total));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  // A list read in the background: its progress, then the row count again.
  connect(&list, &PlaylistModel::fillProgress, this, [this](int done, int total) {
    statusPanels_[1]->setText(QStringLiteral("Reading tags %1 of %2").arg(done).arg(total));
  });
  connect(&list, &PlaylistModel::fillFinished, this, &TSpinwaveMain::ShowRowCount);
  // Broadcast start times follow the clock: the visible rows are drawn again every second.
  auto* startTimes = new QTimer(this);
  startTimes->setInterval(1000);
  connect(startTimes, &QTimer::timeout, this, [this] {
    if (core_.Options().Bool("BroadcastTime")) playlist_->Repaint();
  });
  startTimes->start();
  connect(secSwitch_, &QComboBox::currentIndexChanged, this,
          [this](int index) { core_.SetAutomixSeconds(std::max(0, index)); });
}

void TSpinwaveMain::ApplyStartupSettings() {
  const TStartupSettings& s = core_.Startup();
  Qt::WindowFlags flags = Qt::Window;
  if (s.FullScrMode) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (s.Minimizeable) flags |= Qt::WindowMinimizeButtonHint;
    if (s.WinSizeable) flags |= Qt::WindowMaximizeButtonHint;
  }
  setWindowFlags(flags);
  move(s.Left, s.Top);
  resize(s.Width, s.Height);
  if (!s.FullScrMode && !s.WinSizeable) setFixedSize(size());
  players_->SetVolumes(std::clamp(s.VolumeL, 0, 255), std::clamp(s.VolumeR, 0, 255));
  secSwitch_->setCurrentIndex(core_.AutomixSeconds());
  if (s.DragPlayers && s.PanelFloat) UndockPlayers(QPoint(s.PanelLeft, s.PanelTop));
  if (core_.Transport().XFader()) {
    players_->ShowAudioCtrl(true);
    Button("XFader")->SetBtnState(true);
    players_->SetCrossFader(core_.Transport().CrossFader());
    SizePlayersArea();
  }
}

// --- Activation -----------------------------------------------------------------------------

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
    activated_ = true;
    TSettingsFile* s = core_.Settings();
    if (s && (s->ReadBool("General", "FullScrMode", false) ||
              s->ReadBool("General", "StartMaximized", false)))
      setWindowState(windowState() | Qt::WindowMaximized);
    const int playlistWidth = s ? s->ReadInteger("Window", "Playlist", 0) : 0;
    if (playlistWidth > 0) {
      const int rest =
          std::max(0, mainSplitter_->width() - mainSplitter_->handleWidth() - playlistWidth);
      mainSplitter_->setSizes({playlistWidth, rest});
    }
    const int treeWidth = s ? s->ReadInteger("Window", "Tree", 0) : 0;
    if (treeWidth > 0) library_->SetTreeWidth(treeWidth);

    // The pre-listen panel's position slider moves with the pre-listen deck; its play and stop
    // buttons go through the browser.
    DeckControlSet preListen;
    preListen.positionSlider = library_->PreListenSlider();
    core_.Activate(&players_->Controls(0), &players_->Controls(1), &preListen);
    ApplyOptions();
    if (!core_.OutputNote().isEmpty()) ShowStatusMessage(core_.OutputNote());
    look_->Start();
    lock_->Start();
    ActivateOptions();
    playlist_->setFocus();
  }
  core_.Browser().SetDBInfo();
}

void TSpinwaveMain::ApplyOptions() {
  const OptionsStore& o = core_.Options();
  // Pitch range 0..3: +-4, 8, 16, 32 per cent.
  const int range = 4000 << std::clamp(o.Int("Pitch"), 0, 3);
  for (int d = 0; d < 2; ++d) {
    players_->Controls(d).pitchSlider->SetRange(100000 - range, 100000 + range);
    const bool inOut = o.Bool("InOutroEnabled");
    players_->IntroLabel(d)->setVisible(inOut);
    players_->OutroLabel(d)->setVisible(inOut);
  }
  if (!o.Bool("InOutroEnabled")) {
    core_.PlaylistTable().SetColWidth(plIntro, -1);
    core_.PlaylistTable().SetColWidth(plOutro, -1);
  }
  core_.PlaylistTable().SetColWidth(plMark, o.Bool("BroadcastTime") ? 50 : 30);
  playlist_->SetSortOptions({o.Bool("SortPlaylist"), 1, sdAscending});
  playlist_->SetWheelMoveBy(o.Int("WheelScroll"));
  library_->DBGrid()->SetWheelMoveBy(o.Int("WheelScroll"));
  if (o.Bool("VUPeaksFall"))
    players_->Peaks().Start();
  else
    players_->Peaks().Stop();
  playlist_->Repaint();
}

// --- Close ----------------------------------------------------------------------------------

bool TSpinwaveMain::FormCloseQuery() {
  return closed_ || (core_.CloseQuery() && lock_->MayClose(this));
}

void TSpinwaveMain::OnScreenKeyboardClick() {
  keyboard_->Open(ConsoleKeyboard::SearchField(this),
                  findChild<QWidget*>(QStringLiteral("SearchBtn")),
                  findChild<QWidget*>(QStringLiteral("FilterCol")));
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
  players_->Peaks().Stop();
  CloseOptions();
  if (TSettingsFile* s = core_.Settings()) {
    const QRect frame = frameGeometry();
    s->WriteInteger("Window", "Width", width());
    s->WriteInteger("Window", "Height", height());
    s->WriteInteger("Window", "Left", std::max(0, frame.left()));
    s->WriteInteger("Window", "Top", std::max(0, frame.top()));
    s->WriteInteger("Window", "Playlist", playlist_->width());
    s->WriteInteger("Window", "Tree", library_->TreeWidth());
    s->WriteBool("PlayerPanel", "Float", PlayersFloating());
    if (PlayersFloating()) {
      s->WriteInteger("PlayerPanel", "Top", floatHost_->y());
      s->WriteInteger("PlayerPanel", "Left", floatHost_->x());
    }
  }
  core_.Close();
}

// --- Layout ---------------------------------------------------------------------------------

void TSpinwaveMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TSpinwaveMain::SizePlayersArea() {
  if (floatHost_) {
    floatHost_->setFixedSize(players_->size());
    thePlayers_->setFixedHeight(1);
    return;
  }
  thePlayers_->setFixedHeight(players_->height());
  CentrePlayersPanel();
}

void TSpinwaveMain::UndockPlayers(const QPoint& topLeft) {
  if (floatHost_) return;
  // A borderless window of its own, kept above the console.
  floatHost_ = new QWidget(this, Qt::Tool | Qt::FramelessWindowHint);
  floatHost_->setObjectName(QStringLiteral("PlayersHost"));
  players_->setParent(floatHost_);
  players_->move(0, 0);
  players_->show();
  floatHost_->move(topLeft);
  SizePlayersArea();
  floatHost_->show();
  dockPlayers_->setVisible(true);
}

void TSpinwaveMain::DockPlayers() {
  if (!floatHost_) return;
  players_->setParent(thePlayers_);
  players_->show();
  floatHost_->deleteLater();
  floatHost_ = nullptr;
  dockPlayers_->setVisible(false);
  SizePlayersArea();
}

void TSpinwaveMain::CentrePlayersPanel() {
  if (players_->parentWidget() != thePlayers_) return;  // floating
  players_->move(thePlayers_->width() / 2 - players_->width() / 2, 0);
}

void TSpinwaveMain::FormResize() {
  CentrePlayersPanel();
  const QFontMetrics metrics(font());
  const int width = this->width() - statusPanels_[0]->width() - statusPanels_[2]->width() -
                    metrics.horizontalAdvance(statusPanels_[3]->text()) - 36;
  statusPanels_[1]->setFixedWidth(std::max(0, width));
}

void TSpinwaveMain::ShowTotal() {
  const QString text = core_.Playlist().TotalText();
  statusPanels_[0]->setText(text);
  statusPanels_[0]->setFixedWidth(QFontMetrics(statusPanels_[0]->font()).horizontalAdvance(text) + 6);
  FormResize();
}

void TSpinwaveMain::ShowRowCount() {
  // The grid's row count, header row included, as the status bar has always shown it.
  statusPanels_[1]->setText(QString::number(core_.Playlist().RowCount()));
  statusPanels_[1]->setToolTip(QStringLiteral("Playlist rows (header included)"));
}

void TSpinwaveMain::RepaintRow(int row) {
  // Only the cells of that row are drawn again.
  if (row < playlist_->GetTopRow() || row >= playlist_->GetTopRow() + playlist_->GetVisibleRowCount() + 1)
    return;
  for (int c = 0; c < playlist_->GetColCount(); ++c)
    playlist_->SetCell(c, row, playlist_->GetCell(c, row));
}

void TSpinwaveMain::SyncCursor() { core_.Playlist().SetCursorRow(playlist_->GetRow()); }

TEMButton* TSpinwaveMain::Button(const QString& name) const {
  return findChild<TEMButton*>(name);
}

// --- Handlers -------------------------------------------------------------------------------

void TSpinwaveMain::SetupClick() {
  TEMButton* setup = Button(QStringLiteral("Setup"));
  setupMenu_->popup(setup->mapToGlobal(QPoint(setup->width() + 6, 8)));
}

void TSpinwaveMain::OpenListClick() {
  const QString file =
      ChooseOpenFile ? ChooseOpenFile()
                     : QFileDialog::getOpenFileName(this, QStringLiteral("Open playlist"),
                                                    QString::fromStdString(core_.ListsFolder()),
                                                    QString::fromLatin1(kOpenFilter));
  if (!file.isEmpty()) core_.Playlist().Load(file.toStdString());
}

void TSpinwaveMain::SaveListClick() {
  int filter = 0;
  QString file;
  if (ChooseSaveFile) {
    file = ChooseSaveFile(filter);
  } else {
    QFileDialog dialog(this, QStringLiteral("Save playlist"),
                       QString::fromStdString(core_.ListsFolder() + "/Speellijst1.npl2"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QString::fromLatin1(kSaveFilters[0]), QString::fromLatin1(kSaveFilters[1])});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    file = dialog.selectedFiles().first();
    filter = dialog.selectedNameFilter() == QLatin1String(kSaveFilters[1]) ? 1 : 0;
  }
  if (file.isEmpty()) return;
  const std::string name = SavePlaylistName(file.toStdString(), filter == 1);
  if (!FileExists(name)) library_->AddPlaylistNode(name);
  std::string error;
  if (!core_.Playlist().Save(name, &error))
    ShowMessage("The playlist could not be saved to " + name + ": " + error);
}

void TSpinwaveMain::ClearListClick() { core_.Playlist().ClearRows(); }

void TSpinwaveMain::PlaylistDblClick() {
  SyncCursor();
  core_.Transport().PlaylistDblClick();
}

void TSpinwaveMain::ShuffleClick() {
  SyncCursor();
  core_.Playlist().Shuffle();
}

void TSpinwaveMain::XFaderClick() { core_.Transport().XFaderClick(); }

void TSpinwaveMain::AddToPlaylist(bool fromDrop) {
  SyncCursor();
  PlaylistModel& list = core_.Playlist();
  if (library_->FileListShown() || !library_->LibraryShown()) {
    // A folder's files, or the rows of a browsed playlist file (read again from the files).
    list.AddFiles(library_->SelectedFiles(), fromDrop ? AddMode::InsertFromFolder : AddMode::Append);
    if (!library_->FileListShown()) library_->ClearLibrarySelection();
  } else {
    list.AddLibraryRows(core_.Library(), library_->SelectedLibraryRows(),
                        fromDrop ? AddMode::Insert : AddMode::Append);
    library_->ClearLibrarySelection();
  }
}

void TSpinwaveMain::PlaylistMenuPopup() {
  const std::string mark = core_.Playlist().Mark(core_.Playlist().CursorRow());
  removeX_->setEnabled(mark == "X");
  for (QAction* a : {dontPlay_, openInPlayer_, openLeft_, openRight_}) a->setEnabled(mark.empty());
  openPreListen_->setEnabled(mark.empty());
}

void TSpinwaveMain::FadeMenuPopup(int, const QPoint& at) {
  const int checked = core_.Transport().FadeMenuCheckedIndex();
  const QList<QAction*> items = fadeSub_->actions();
  for (int i = 0; i < items.size(); ++i) items[i]->setChecked(i == checked);
  fadeMenu_->popup(at);
}

// --- Drag and drop ----------------------------------------------------------------------------

bool TSpinwaveMain::PlaylistDragOver(const QString& source, int x, int y) {
  if (source != QLatin1String("Playlist") && source != QLatin1String("DBGrid") &&
      source != QLatin1String("FileList") && source != QLatin1String("BrowseTree"))
    return false;
  int row, col;
  playlist_->MouseToCell(x, y, row, col);
  // Over the header: scroll up; over the row below the last whole one: scroll down.
  const int top = playlist_->GetTopRow();
  if (row == 0 && top >= 2) playlist_->MoveTopLeft(playlist_->GetLeftCol(), top - 1);
  const int lastShown = top + playlist_->GetVisibleRowCount() - 1;
  if (row > lastShown && row < playlist_->GetRowCount() - 1)
    playlist_->MoveTopLeft(playlist_->GetLeftCol(), top + 1);
  const bool fromPlaylist = source == QLatin1String("Playlist");
  dropBelow_ = false;
  if (!fromPlaylist && row < 0) {
    row = playlist_->GetRowCount() - 1;  // below the last row: the line goes after it
    dropBelow_ = true;
  }
  const int dragged = core_.Playlist().InsertionRow();
  const bool down = dropBelow_ || (fromPlaylist && row > dragged);
  if (row < 1 || (fromPlaylist && row == dragged)) {
    dropLine_->hide();
    dropLineRow_ = 0;
    return true;
  }
  dropLineRow_ = row;
  QRect r1 = playlist_->GetCellRect(plArtist, row), r2 = playlist_->GetCellRect(plTitle, row);
  const QRect r = r1.united(r2);
  if (r.isEmpty()) {
    dropLine_->hide();
    return true;
  }
  dropLine_->setGeometry(r.left(), down ? r.bottom() : r.top() - 1, r.width(), 2);
  dropLine_->show();
  dropLine_->raise();
  return true;
}

void TSpinwaveMain::PlaylistDrop(const QString& source, int x, int y) {
  int row, col;
  playlist_->MouseToCell(x, y, row, col);
  PlaylistModel& list = core_.Playlist();
  const bool locked = core_.Options().Bool("LockDrag");
  if (source == QLatin1String("Playlist")) {
    if (row >= 1 && !locked) list.MoveRow(list.InsertionRow(), row);
  } else if (source == QLatin1String("DBGrid") || source == QLatin1String("FileList") ||
             source == QLatin1String("BrowseTree")) {
    if (source == QLatin1String("BrowseTree")) library_->SelectAllFiles();
    if (row > 0) {
      list.SetInsertionRow(locked ? list.RowCount() : row);
      AddToPlaylist(true);
    } else {
      AddToPlaylist(false);
    }
  }
  dropBelow_ = false;
  dropLineRow_ = 0;
  dropLine_->hide();
  if (source == QLatin1String("DBGrid")) library_->ClearLibrarySelection();
  playlist_->Repaint();
}

void TSpinwaveMain::PlayersDrop(const QString& source, int x) {
  // A deck plays playlist rows: a playlist row is made current by the press that started the
  // drag; library rows first join the end of the playlist and the first of them goes onto the
  // deck (the deck's play button would otherwise load whatever playlist row was current).
  const int deck = x < players_->width() / 2 ? 0 : 1;
  if (source == QLatin1String("DBGrid")) {
    const int before = core_.Playlist().RowCount();
    core_.Playlist().SetInsertionRow(before);
    AddToPlaylist(false);
    if (core_.Playlist().RowCount() == before) return;
    playlist_->SetRow(before);
  } else if (source != QLatin1String("Playlist")) {
    return;
  }
  SyncCursor();
  core_.Transport().EjectClick(deck);
  core_.Transport().PlayClick(deck);
}

void TSpinwaveMain::DropFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const std::string p = path.toStdString();
    if (!FileExists(p) && !DirectoryExists(p)) {
      ShowMessage("\"" + p + "\" " + LangText("FileDoesntExist"));
      continue;
    }
    core_.Playlist().LoadToPlaylist(p, false);
  }
}

void TSpinwaveMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TSpinwaveMain::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  DropFiles(paths);
  event->acceptProposedAction();
}

bool TSpinwaveMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == thePlayers_ && event->type() == QEvent::Resize) CentrePlayersPanel();
  if (watched == playlist_) {
    switch (event->type()) {
      case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (pressedOnRow_ && (e->buttons() & Qt::LeftButton) &&
            (e->position().toPoint() - pressAt_).manhattanLength() > kDragThreshold &&
            playlist_->GetMode() != 4) {
          pressedOnRow_ = false;
          auto* drag = new QDrag(playlist_);
          auto* mime = new QMimeData;
          mime->setData(kConsoleDragMime, QByteArrayLiteral("Playlist"));
          drag->setMimeData(mime);
          drag->exec(Qt::MoveAction | Qt::CopyAction);
          dropLine_->hide();
          return true;
        }
        break;
      }
      case QEvent::MouseButtonRelease:
        pressedOnRow_ = false;
        break;
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        const QPoint at = e->position().toPoint();
        if (PlaylistDragOver(MimeSource(e->mimeData()), at.x(), at.y()))
          e->acceptProposedAction();
        else if (e->mimeData()->hasUrls())
          e->acceptProposedAction();
        else
          e->ignore();
        return true;
      }
      case QEvent::DragLeave:
        dropLine_->hide();
        dropLineRow_ = 0;
        break;
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QString source = MimeSource(e->mimeData());
        if (source.isEmpty()) {
          dropEvent(e);
        } else {
          const QPoint at = e->position().toPoint();
          PlaylistDrop(source, at.x(), at.y());
          e->acceptProposedAction();
        }
        return true;
      }
      default:
        break;
    }
  }
  if (watched == players_) {
    // With DragPlayers on, the deck panel is dragged by its background out of the window (it
    // floats in a window of its own) and moved around while it floats.
    if (event->type() == QEvent::MouseButtonPress) {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton && core_.Options().Bool("DragPlayers")) {
        panelGrab_ = e->position().toPoint();
        panelDragging_ = true;
      }
    } else if (event->type() == QEvent::MouseMove && panelDragging_) {
      auto* e = static_cast<QMouseEvent*>(event);
      const QPoint global = e->globalPosition().toPoint();
      if (!floatHost_ && (e->position().toPoint() - panelGrab_).manhattanLength() > kDragThreshold)
        UndockPlayers(global - panelGrab_);
      else if (floatHost_)
        floatHost_->move(global - panelGrab_);
      return true;
    } else if (event->type() == QEvent::MouseButtonRelease) {
      panelDragging_ = false;
    }
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* e = static_cast<QDragMoveEvent*>(event);
      const QString from = MimeSource(e->mimeData());
      if (from == QLatin1String("Playlist") || from == QLatin1String("DBGrid"))
        e->acceptProposedAction();
      else e->ignore();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* e = static_cast<QDropEvent*>(event);
      PlayersDrop(MimeSource(e->mimeData()), e->position().toPoint().x());
      e->acceptProposedAction();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// --- Menus and requests -----------------------------------------------------------------------

void TSpinwaveMain::ShowInformationBox() {
  ShowInformation("Spinwave " + VersionText().toStdString());
}

void TSpinwaveMain::OpenHelp() {
  const std::string help = FindSharedFile("spinwave.html");
  if (help.empty()) {
    ShowMessage("The help page spinwave.html was not found.");
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(help)));
}

void TSpinwaveMain::RaiseWindow() {
  if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}
