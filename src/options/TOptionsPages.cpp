// The options dialog's pages and controls. Every setting control carries its key as its object
// name; labels and groups carry the names the language files translate.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/Paths.h"
#include "jingles/JingleTable.h"
#include "options/OptionsStore.h"
#include "options/ShortcutEdit.h"
#include "options/ShortcutKeys.h"
#include "options/TOptions.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  if (name) l->setObjectName(QString::fromLatin1(name));
  return l;
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title) {
  auto* g = new QGroupBox(title, parent);
  if (name) g->setObjectName(QString::fromLatin1(name));
  return g;
}

QComboBox* List(QWidget* parent, const char* key, const QStringList& items = {}) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(key));
  c->addItems(items);
  return c;
}

QSlider* TrackBar(QWidget* parent, const char* key, int maximum) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(QString::fromLatin1(key));
  s->setRange(0, maximum);
  s->setPageStep(1);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(1);
  return s;
}

QLineEdit* Field(QWidget* parent, const char* key) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(key));
  if (const OptionKey* k = FindOptionKey(key); k && k->maxValue > 0) e->setMaxLength(k->maxValue);
  return e;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// Scale texts spread over `width` pixels, the first at the left end and the last at the right.
QWidget* Scale(QWidget* parent, const char* name, const QStringList& texts, int width) {
  auto* scale = new QWidget(parent);
  scale->setObjectName(QString::fromLatin1(name));
  scale->setFixedWidth(width);
  auto* h = new QHBoxLayout(scale);
  h->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < texts.size(); ++i) {
    if (i > 0) h->addStretch(1);
    h->addWidget(new QLabel(texts[i], scale));
  }
  return scale;
}

// A track bar of a fixed width with its scale below it.
QWidget* ScaledBar(QWidget* parent, QSlider* bar, const char* scaleName, const QStringList& texts,
                   int width) {
  auto* box = new QWidget(parent);
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  bar->setParent(box);
  bar->setFixedWidth(width);
  v->addWidget(bar);
  v->addWidget(Scale(box, scaleName, texts, width));
  return box;
}

QLabel* Note(QWidget* parent, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  QFont f = l->font();
  f.setItalic(true);
  l->setFont(f);
  return l;
}

}  // namespace

QCheckBox* TOptions::Check(QWidget* parent, const char* key, const QString& caption) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(QString::fromLatin1(key));
  return c;
}

void TOptions::BuildPages() {
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("Pages"));
  // Every page's tab stays in sight: scroll arrows would hide the last pages.
  pages_->setUsesScrollButtons(false);
  // Narrower tabs than the desktop style's, so that the eleven pages fit the dialog's width.
  pages_->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 6px; border: 1px solid palette(mid); border-bottom: none;"
      " border-top-left-radius: 3px; border-top-right-radius: 3px; margin-right: -1px;"
      " margin-top: 2px; background: palette(button); }"
      "QTabBar::tab:selected { background: palette(base); margin-top: 0px; }"
      "QTabWidget::pane { border: 1px solid palette(mid); top: -1px; }"));
  pages_->addTab(BuildGeneralPage(), QStringLiteral("General"));
  outputPage_ = BuildOutputPage();
  pages_->addTab(outputPage_, QStringLiteral("Output"));
  pages_->addTab(BuildPlayersPage(), QStringLiteral("Players"));
  pages_->addTab(BuildPlaylistPage(), QStringLiteral("Playlist"));
  pages_->addTab(BuildDatabasePage(), QStringLiteral("Database"));
  pages_->addTab(BuildSecurityPage(), QStringLiteral("Security"));
  jinglesPage_ = BuildJinglesPage();
  pages_->addTab(jinglesPage_, QStringLiteral("Jingles"));
  pages_->addTab(BuildShortcutPage(), QStringLiteral("Shortcuts"));
  pages_->addTab(BuildDSPPage(), QStringLiteral("DSP"));
  pages_->addTab(BuildInternetPage(), QStringLiteral("Internet"));
  pages_->addTab(BuildBackupPage(), QStringLiteral("Backup"));

  auto* ok = Button(this, "OKBtn", QStringLiteral("OK"));
  ok->setDefault(true);
  auto* cancel = Button(this, "CancelBtn", QStringLiteral("Cancel"));
  connect(ok, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addWidget(pages_, 1);
  layout->addLayout(buttons);
}

QWidget* TOptions::BuildGeneralPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("GeneralOpt"));

  auto* startup = Group(page, "OnStartup", QStringLiteral(" On Startup "));
  auto* s = new QVBoxLayout(startup);
  s->setSpacing(1);
  s->addWidget(Check(startup, "FullScrMode", QStringLiteral("Full screen mode")));
  s->addWidget(Check(startup, "StartMaximized", QStringLiteral("Start maximized")));
  s->addWidget(Check(startup, "WinSizeable", QStringLiteral("Window can be sized")));
  s->addWidget(Check(startup, "Minimizeable", QStringLiteral("Window can be minimized")));
  s->addWidget(Check(startup, "StartMix", QStringLiteral("Start with automix on")));
  s->addWidget(Check(startup, "StartXFader", QStringLiteral("Start with the crossfader on")));
  s->addWidget(Check(startup, "ShowBrowser", QStringLiteral("Show the folder tree")));
  for (const auto& [key, caption] : {std::pair{"ShowMyComputer", "Show My Computer"},
                                     std::pair{"ShowNetwork", "Show Network"}}) {
    auto* row = new QHBoxLayout;
    row->addSpacing(18);
    row->addWidget(Check(startup, key, QString::fromLatin1(caption)));
    s->addLayout(row);
  }

  auto* playback = Group(page, "OnPlayback", QStringLiteral(" Playback "));
  auto* p = new QVBoxLayout(playback);
  p->setSpacing(1);
  p->addWidget(Check(playback, "ShowHints", QStringLiteral("Show hints")));
  p->addWidget(Check(playback, "ShowHintsBar", QStringLiteral("Show hints in the status bar")));
  auto* close = Group(page, "OnClose", QStringLiteral(" On Close "));
  auto* c = new QVBoxLayout(close);
  c->addWidget(Check(close, "SafeClose", QStringLiteral("Don't close while a player plays")));

  auto* right = new QGridLayout;
  right->setVerticalSpacing(4);
  right->addWidget(Label(page, "LanguageTxt", QStringLiteral("Language:")), 0, 0);
  auto* language = List(page, "Language");
  right->addWidget(language, 0, 1);
  translator_ = Label(page, "Translator", QString());
  right->addWidget(translator_, 1, 1);
  right->addWidget(Label(page, "FontTxt", QStringLiteral("Font:")), 2, 0);
  fontBox_ = List(page, "EMFont");
  auto* size = List(page, "FontSize", {"6", "7", "8", "9", "10", "11", "12"});
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(fontBox_, 1);
  fontRow->addWidget(size);
  right->addLayout(fontRow, 2, 1);
  right->addWidget(Label(page, "SkinTxt", QStringLiteral("Skin:")), 3, 0);
  auto* skin = List(page, "PlayerLook");
  skin->setToolTip(QStringLiteral("If you choose <Default> you must restart the program"));
  right->addWidget(skin, 3, 1);
  auto* link = Label(page, "DownloadSkins", QStringLiteral("<a href=\"skins\">Download skins</a>"));
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(link, &QLabel::linkActivated, this, [this] { emit DownloadSkinsClicked(); });
  right->addWidget(link, 4, 1);
  right->addWidget(Check(page, "UseWinColors", QStringLiteral("Use the desktop's colours")), 5, 1);
  right->addWidget(Label(page, "PriorityTxt", QStringLiteral("Priority:")), 6, 0);
  right->addWidget(ScaledBar(page, TrackBar(page, "Priority", 3), "PriorityScale",
                             {"Idle", "Normal", "High", "Realtime"}, 220),
                   6, 1);
  right->setRowStretch(7, 1);
  right->setColumnStretch(1, 1);

  auto* left = new QVBoxLayout;
  left->addWidget(startup);
  left->addWidget(playback);
  left->addWidget(close);
  left->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  connect(Box("FullScrMode"), &QCheckBox::clicked, this, [this] { FullScrModeClick(); });
  connect(Box("ShowBrowser"), &QCheckBox::clicked, this, [this] { ShowBrowserClick(); });
  connect(fontBox_, &QComboBox::currentIndexChanged, this, [this] { EMFontChange(); });
  connect(size, &QComboBox::currentIndexChanged, this, [this] { EMFontChange(); });
  connect(skin, &QComboBox::currentIndexChanged, this, [this] { PlayerLookChange(); });
  return page;
}

QWidget* TOptions::BuildOutputPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("OutputOpt"));
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(4);
  grid->addWidget(Label(page, "OutputTxt", QStringLiteral("Output:")), 0, 0);
  // The stored choices 0, 1, 2 keep their numbers: ALSA, the desktop's default output, JACK.
  grid->addWidget(List(page, "OutputPlayer1", {"ALSA", "Default", "JACK"}), 0, 1);
  grid->addWidget(Check(page, "CentralOutput", QStringLiteral("Only 1 output")), 0, 2, 1, 3);
  grid->addWidget(Label(page, "DriverTxt", QStringLiteral("Device")), 1, 1);
  grid->addWidget(Scale(page, "Left", {"Left", "Stereo", "Right"}, 110), 1, 2);
  grid->addWidget(Label(page, "CPUTxt", QStringLiteral("CPU %")), 1, 3);
  struct Row {
    const char* label;
    const char* caption;
    const char* driver;
    const char* stereo;
    const char* cpu;
  };
  const Row rows[] = {
      {"LeftPlayer", "Left player:", "DriverPlayer1", "Player1Stereo", "FMOD1CPU"},
      {"RightPlayer", "Right player:", "DriverPlayer2", "Player2Stereo", "FMOD2CPU"},
      {"ListenPlayer", "Pre-listen player:", "DriverDataPlayer", "DataPlayerStereo", "FMOD3CPU"},
      {"JinglePlayer", "Jingles player:", "DriverJingles", "JinglesStereo", "FMOD4CPU"},
  };
  for (int i = 0; i < 4; ++i) {
    const Row& r = rows[i];
    grid->addWidget(Label(page, r.label, QString::fromLatin1(r.caption)), i + 2, 0);
    auto* driver = List(page, r.driver);
    driver->setMinimumContentsLength(18);
    driver->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    grid->addWidget(driver, i + 2, 1);
    auto* stereo = TrackBar(page, r.stereo, 2);
    stereo->setFixedWidth(110);
    grid->addWidget(stereo, i + 2, 2);
    // The panel's processor load; the text follows the desktop's number format.
    cpuLabels_[size_t(i)] = Label(page, r.cpu, QLocale().toString(0.0, 'f', 1));
    cpuLabels_[size_t(i)]->setMinimumWidth(36);
    grid->addWidget(cpuLabels_[size_t(i)], i + 2, 3);
  }
  grid->addWidget(Label(page, "BuffersizeTxt", QStringLiteral("Buffer:")), 6, 0);
  auto* buffer = List(page, "Buffersize", {"<default>", "50", "100", "150", "200"});
  auto* bufferRow = new QHBoxLayout;
  bufferRow->addWidget(buffer);
  bufferRow->addSpacing(4);
  bufferRow->addWidget(Label(page, "BuffersizeMS", QStringLiteral("milliseconds")));
  bufferRow->addStretch(1);
  grid->addLayout(bufferRow, 6, 1);
  grid->addWidget(Check(page, "HWAudio", QStringLiteral("Hardware audio (turns DSP off)")), 7, 0,
                  1, 3);
  grid->addWidget(Check(page, "RecordInput", QStringLiteral("Talkover from the input:")), 8, 0);
  grid->addWidget(List(page, "RecordDriver"), 8, 1);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(grid);
  // The decks open their outputs once, when the console starts.
  layout->addWidget(Note(page, QStringLiteral("Changes of output, devices, speakers, buffer and "
                                              "hardware audio take effect at the next start of "
                                              "Spinwave.")));
  layout->addStretch(1);

  connect(Box("CentralOutput"), &QCheckBox::clicked, this, [this] { CentralOutputClick(); });
  connect(Box("HWAudio"), &QCheckBox::clicked, this, [this] { DSPActiveClick(); });
  connect(Combo("OutputPlayer1"), &QComboBox::currentIndexChanged, this,
          [this] { OutputPlayer1Change(); });
  return page;
}

QWidget* TOptions::BuildPlayersPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("PlayersOpt"));
  auto* boxes = new QGridLayout;
  boxes->setVerticalSpacing(2);
  const std::pair<const char*, const char*> items[] = {
      {"ExactTime", "Exact track length when opening (slower)"},
      {"JingleEnabled", "Jingles (after a restart)"},
      {"IntroInTime", "Intro in the time display"},
      {"BlinkTime", "Blink the time at the end of a track"},
      {"ReversePitch", "Reverse pitch slider"},
      {"CalculateTime", "Time follows the pitch"},
      {"DontStart", "Don't start a loaded track"},
      {"DragPlayers", "Players can be dragged out of the window"},
      {"VUPeaksFall", "Falling peaks in the level meters"},
  };
  int n = 0;
  for (const auto& [key, caption] : items) {
    boxes->addWidget(Check(page, key, QString::fromLatin1(caption)), n % 5, n / 5);
    ++n;
  }
  auto* pitchRow = new QGridLayout;
  pitchRow->addWidget(Label(page, "PitchMax", QStringLiteral("Pitch range:")), 0, 0);
  auto* pitch = TrackBar(page, "Pitch", 3);
  pitchRow->addWidget(ScaledBar(page, pitch, "PitchScale", {"4%", "8%", "16%", "32%"}, 180), 0, 1);
  QStringList volumes;
  for (int v = 10; v <= 50; ++v) volumes << QString::number(v);
  pitchRow->addWidget(Label(page, "TalkVolTxt", QStringLiteral("Music during talkover:")), 1, 0);
  auto* talk = new QHBoxLayout;
  talk->addWidget(List(page, "TalkoverVol", volumes));
  talk->addWidget(Label(page, "TalkVolPercent", QStringLiteral("%")));
  talk->addStretch(1);
  pitchRow->addLayout(talk, 1, 1);
  pitchRow->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(boxes);
  layout->addSpacing(8);
  layout->addLayout(pitchRow);
  layout->addStretch(1);

  connect(Box("JingleEnabled"), &QCheckBox::clicked, this, [this] { JingleEnabledClick(); });
  connect(pitch, &QSlider::valueChanged, this, [this] { PitchChange(); });
  return page;
}

QWidget* TOptions::BuildPlaylistPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("PlaylistOpt"));
  auto* played = Group(page, "TrackPlayed", QStringLiteral("When a track is played"));
  auto* g = new QVBoxLayout(played);
  g->addWidget(Check(played, "DelPlTracks", QStringLiteral("Remove it from the playlist")));
  g->addWidget(Check(played, "UseVMark", QStringLiteral("Mark it with a V")));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(played);
  layout->addWidget(Check(page, "RepeatPl", QStringLiteral("Repeat the playlist at its end")));
  layout->addWidget(Check(page, "TrExistPl",
                          QStringLiteral("Warn when a track is already in the playlist")));
  layout->addWidget(Check(page, "InOutroEnabled", QStringLiteral("Show intro and outro")));
  layout->addWidget(Check(page, "SortPlaylist", QStringLiteral("Playlist columns can be sorted")));
  layout->addWidget(Check(page, "BroadcastTime", QStringLiteral("Show broadcast start times")));
  layout->addStretch(1);
  connect(Box("DelPlTracks"), &QCheckBox::clicked, this, [this] { DelPlTracksClick(); });
  return page;
}

QWidget* TOptions::BuildDatabasePage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("DatabaseOpt"));
  auto* wheel = Field(page, "WheelScroll");
  wheel->setMaxLength(2);
  wheel->setFixedWidth(36);
  // Only digits (backspace still works): a letter would read as 0, a whole page.
  wheel->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), wheel));
  auto* wheelRow = new QHBoxLayout;
  wheelRow->addWidget(Label(page, "MouseWheel", QStringLiteral("Mousewheel scrolls")));
  wheelRow->addWidget(wheel);
  wheelRow->addWidget(Label(page, "MouseWheelRows", QStringLiteral("rows (0 = a whole page)")));
  wheelRow->addStretch(1);

  auto* fields = Group(page, "VisibleFields", QStringLiteral("The following fields are visible:"));
  auto* f = new QGridLayout(fields);
  f->setVerticalSpacing(1);
  const std::pair<const char*, const char*> columns[] = {
      {"ShowFile", "File"},          {"ShowAlbum", "Album"},         {"ShowYear", "Year"},
      {"ShowComment", "Comment"},    {"ShowTime", "Time"},           {"ShowID", "ID"},
      {"ShowPlTimes", "Times played"}, {"ShowInOutro", "Intro / Outro"},
      {"ShowGenre1", "Genre 1"},     {"ShowGenre2", "Genre 2"},      {"ShowTracknr", "Track number"},
  };
  int n = 0;
  for (const auto& [key, caption] : columns) {
    f->addWidget(Check(fields, key, QString::fromLatin1(caption)), n % 4, n / 4);
    ++n;
  }

  auto* saveDb = Button(page, "SaveDB", QStringLiteral("Save database to data.htm"));
  connect(saveDb, &QPushButton::clicked, this, [this] { SaveDBClick(); });
  auto* kb = new QHBoxLayout;
  kb->addWidget(Check(page, "ShowKeyboard", QStringLiteral("On-screen keyboard when searching")));
  kb->addWidget(Label(page, "KBLayoutTxt", QStringLiteral("Layout:")));
  kb->addWidget(List(page, "KBLayout"), 1);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(wheelRow);
  layout->addWidget(fields);
  layout->addWidget(Check(page, "CountPlTimes", QStringLiteral("Count how often a track is played")));
  layout->addWidget(Check(page, "ShowFilePath", QStringLiteral("Show the file path instead of pictures")));
  layout->addLayout(kb);
  auto* saveRow = new QHBoxLayout;
  saveRow->addWidget(saveDb);
  saveRow->addStretch(1);
  layout->addLayout(saveRow);
  layout->addStretch(1);
  return page;
}

QWidget* TOptions::BuildSecurityPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SecurityOpt"));
  auto* block = Group(page, "BlockFunctions", QStringLiteral("Block functions:"));
  auto* g = new QGridLayout(block);
  g->setVerticalSpacing(1);
  const std::pair<const char*, const char*> locks[] = {
      {"LockEject", "Eject song"},  {"LockStop", "Stop song"},
      {"LockPlay", "Play song"},    {"LockTrack", "Next / Previous song"},
      {"LockPos", "Jump to postition"}, {"LockCue", "Cue"},
      {"LockPitch", "Pitch"},       {"LockVolume", "Volume"},
      {"LockFade", "Fade"},         {"LockTalk", "Talkover"},
      {"LockBreak", "Break"},       {"LockAutomix", "Automix"},
      {"LockNew", "New playlist"},  {"LockOpen", "Open playlist"},
      {"LockSave", "Save playlist"}, {"LockDrag", "Playlist drag && drop"},
  };
  int n = 0;
  for (const auto& [key, caption] : locks) {
    QCheckBox* box = Check(block, key, QString::fromLatin1(caption));
    const QString name = QString::fromLatin1(key);
    connect(box, &QCheckBox::clicked, this, [this, name](bool on) {
      if (!loading_) emit LockChanged(name, on);
    });
    g->addWidget(box, n % 8, n / 8);
    ++n;
  }
  auto* side = new QVBoxLayout;
  side->addWidget(Check(page, "AllSecured", QStringLiteral("All edit functions are secured")));
  side->addWidget(Check(page, "AdminClose", QStringLiteral("Nobody may close the program")));
  auto* change = Button(page, "ChangePass", QStringLiteral("Change password"));
  connect(change, &QPushButton::clicked, this, [this] { emit ChangePasswordClicked(); });
  side->addWidget(change);
  side->addStretch(1);
  auto* blockColumn = new QVBoxLayout;
  blockColumn->addWidget(block);
  blockColumn->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(blockColumn, 1);
  layout->addLayout(side);
  return page;
}

QWidget* TOptions::BuildJinglesPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("JinglesOpt"));
  jingleGrid_ = new TEMDBGrid(page);
  jingleGrid_->setObjectName(QStringLiteral("JingleData"));
  jingleGrid_->SetFixedCols(0);
  jingleGrid_->SetOptions(0);  // one jingle at a time
  jingleGrid_->SetSortOptions({false, kJingleDescriptionCol, sdAscending});
  jingleGrid_->setMinimumHeight(110);

  auto* add = Group(page, "AddJingleBox", QStringLiteral(" Add jingle"));
  auto* a = new QGridLayout(add);
  a->setVerticalSpacing(3);
  a->addWidget(Label(add, "FileTxt", QStringLiteral("File:")), 0, 0);
  jingleFile_ = Field(add, "FileName");
  a->addWidget(jingleFile_, 0, 1);
  auto* browse = Button(add, "OpenFile", QStringLiteral("..."));
  browse->setFixedWidth(28);
  a->addWidget(browse, 0, 2);
  a->addWidget(Label(add, "DescriptionTxt", QStringLiteral("Description:")), 1, 0);
  jingleDescription_ = Field(add, "Description");
  jingleDescription_->setMaxLength(kJingleDescriptionLength);
  a->addWidget(jingleDescription_, 1, 1, 1, 2);
  auto* addButtons = new QHBoxLayout;
  auto* addBtn = Button(add, "AddJingleBtn", QStringLiteral("Add"));
  auto* clearBtn = Button(add, "ClearBtn", QStringLiteral("Clear"));
  auto* playBtn = Button(add, "PlayJingleBtn", QStringLiteral("Play"));
  addButtons->addWidget(addBtn);
  addButtons->addWidget(clearBtn);
  addButtons->addWidget(playBtn);
  addButtons->addStretch(1);
  a->addLayout(addButtons, 2, 1, 1, 2);
  a->setColumnStretch(1, 1);

  auto* side = new QVBoxLayout;
  auto* remove = Button(page, "RemoveJingleBtn", QStringLiteral("Remove jingle"));
  side->addWidget(remove);
  side->addWidget(Label(page, "ShortcutTxt", QStringLiteral("Shortcut:")));
  auto* digits = new QGridLayout;
  digits->setSpacing(2);
  for (int d = 0; d <= 9; ++d) {
    const QByteArray name = "JingleBtn" + QByteArray::number(d);
    auto* b = Button(page, name.constData(), QString::number(d));
    b->setFixedSize(28, 24);
    // Tags 0..9: the digit a button gives.
    b->setProperty("tag", d);
    connect(b, &QPushButton::clicked, this, [this, d] { JingleShortClick(d); });
    digits->addWidget(b, (d + 9) % 10 / 5, (d + 9) % 10 % 5);
  }
  side->addLayout(digits);
  side->addStretch(1);
  auto* saveList = Button(page, "SaveDJList", QStringLiteral("Save DJ List"));
  side->addWidget(saveList);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(add, 1);
  bottom->addLayout(side);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(jingleGrid_, 1);
  layout->addLayout(bottom);

  connect(browse, &QPushButton::clicked, this, [this] { OpenFileClick(); });
  connect(addBtn, &QPushButton::clicked, this, [this] { AddJingleBtnClick(); });
  connect(clearBtn, &QPushButton::clicked, this, [this] { ClearBtnClick(); });
  connect(playBtn, &QPushButton::clicked, this, [this] { PlayJingleBtnClick(); });
  connect(remove, &QPushButton::clicked, this, [this] { RemoveJingleBtnClick(); });
  connect(saveList, &QPushButton::clicked, this, [this] { SaveDJListClick(); });
  return page;
}

QWidget* TOptions::BuildShortcutPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("ShortcutOpt"));
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(3);
  grid->setHorizontalSpacing(8);
  const auto& fields = ShortcutFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    const int row = int(i % 8);
    const int col = int(i / 8) * 3;
    grid->addWidget(Label(page, nullptr, QString::fromLatin1(fields[i].label)), row, col);
    auto* edit = new ShortcutEdit(page);
    edit->setObjectName(QString::fromLatin1(fields[i].field));
    edit->setFixedWidth(96);
    shortcuts_[i] = edit;
    grid->addWidget(edit, row, col + 1);
  }
  grid->setColumnMinimumWidth(2, 24);
  grid->setColumnStretch(5, 1);
  // The tab order is what tells the fields apart.
  for (size_t i = 1; i < shortcuts_.size(); ++i) setTabOrder(shortcuts_[i - 1], shortcuts_[i]);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Label(page, "ShortcutHeading", QStringLiteral("Shortcut (Ctrl+? or Alt+?)")));
  layout->addLayout(grid);
  layout->addWidget(Note(page, QStringLiteral("Click a field and press the key. Digits, space and "
                                              "editing keys cannot be used: the digits fire the "
                                              "jingles.")));
  layout->addStretch(1);
  return page;
}

QWidget* TOptions::BuildDSPPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("DSP"));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Check(page, "DSPActive", QStringLiteral("DSP plug-ins active")));
  auto* lockRow = new QHBoxLayout;
  lockRow->addSpacing(18);
  lockRow->addWidget(Check(page, "DSPLock", QStringLiteral("Keep the DSP window on top")));
  layout->addLayout(lockRow);
  layout->addWidget(Check(page, "Shoutcast", QStringLiteral("Streaming encoder active (dsp_sc)")));
  auto* scRow = new QHBoxLayout;
  scRow->addSpacing(18);
  scRow->addWidget(Check(page, "ShoutcastLock", QStringLiteral("Keep the encoder window on top")));
  scRow->addStretch(1);
  // Server, mount, bit rate and the connection's state are the plug-in's own window.
  QPushButton* scConfig = Button(page, "ShoutcastConfig", QStringLiteral("Configure..."));
  scRow->addWidget(scConfig);
  layout->addLayout(scRow);
  auto* samRow = new QHBoxLayout;
  samRow->addWidget(Check(page, "SAM2", QStringLiteral("Second encoder active (dsp_encoders)")));
  samRow->addStretch(1);
  QPushButton* samConfig = Button(page, "SAM2Config", QStringLiteral("Configure..."));
  samRow->addWidget(samConfig);
  layout->addLayout(samRow);
  connect(scConfig, &QPushButton::clicked, this, [this] { emit DSPConfigClicked(0); });
  connect(samConfig, &QPushButton::clicked, this, [this] { emit DSPConfigClicked(1); });
  layout->addSpacing(8);
  layout->addWidget(Note(
      page, QStringLiteral("The DSP plug-ins (plugins/player1 and plugins/player2) process the "
                           "sound of the two players; the encoder plug-ins (plugins/dsp_sc.so and "
                           "plugins/dsp_encoders.so) stream the mixed sound to a server. A box "
                           "stays grey while its plug-in is not installed. Hardware audio turns "
                           "the DSP plug-ins off.")));
  layout->addStretch(1);
  connect(Box("DSPActive"), &QCheckBox::clicked, this, [this] { DSPActiveClick(); });
  connect(Box("Shoutcast"), &QCheckBox::clicked, this, [this] { DSPActiveClick(); });
  return page;
}

QWidget* TOptions::BuildInternetPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("InternetOpt"));
  auto* streaming = Group(page, "StreamTitle", QStringLiteral("Playing title streaming"));
  auto* g = new QGridLayout(streaming);
  g->setVerticalSpacing(2);
  g->addWidget(Label(streaming, "ServerTxt", QStringLiteral("Server")), 0, 1);
  g->addWidget(Label(streaming, "PortTxt", QStringLiteral("Port")), 0, 2);
  g->addWidget(Label(streaming, "PassTxt", QStringLiteral("Password")), 0, 3);
  for (int n = 1; n <= 5; ++n) {
    const std::string suffix = n == 1 ? "" : std::to_string(n);
    const std::string check = n == 1 ? "TitleStreaming" : "StreamTitle" + suffix;
    const std::string server = "ShoutServer" + suffix;
    const std::string port = "ShoutPort" + suffix;
    const std::string pass = "ShoutPass" + suffix;
    g->addWidget(Check(streaming, check.c_str(), QStringLiteral("Server %1:").arg(n)), n, 0);
    g->addWidget(Field(streaming, server.c_str()), n, 1);
    auto* portField = Field(streaming, port.c_str());
    portField->setFixedWidth(56);
    g->addWidget(portField, n, 2);
    auto* passField = Field(streaming, pass.c_str());
    passField->setEchoMode(QLineEdit::Password);
    g->addWidget(passField, n, 3);
  }
  g->setColumnStretch(1, 2);
  g->setColumnStretch(3, 1);

  auto* other = new QGridLayout;
  other->addWidget(Check(page, "Title2Web", QStringLiteral("Title to web address:")), 0, 0);
  other->addWidget(Field(page, "WebURL"), 0, 1, 1, 3);
  other->addWidget(Check(page, "Live365Ctrl", QStringLiteral("Live365 control")), 1, 0);
  other->addWidget(Label(page, "LiveMemberTxt", QStringLiteral("Member:")), 1, 1);
  other->addWidget(Field(page, "LiveMember"), 1, 2);
  auto* livePass = Field(page, "LivePass");
  livePass->setEchoMode(QLineEdit::Password);
  auto* passRow = new QHBoxLayout;
  passRow->addWidget(Label(page, "LivePassTxt", QStringLiteral("Password:")));
  passRow->addWidget(livePass);
  other->addLayout(passRow, 1, 3);
  other->setColumnStretch(2, 1);
  other->setColumnStretch(3, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(streaming);
  layout->addLayout(other);
  layout->addStretch(1);
  return page;
}

QWidget* TOptions::BuildBackupPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("BackupOpt"));
  auto* text = new QLabel(page);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setText(
      QStringLiteral("<p>Spinwave does not make backups by itself. To keep your library, "
                     "playlists, jingle lists and settings safe, copy these by hand:</p>"
                     "<ul><li>the folder <b>%1data</b> (library, folder structures, jingle "
                     "list) and the folder <b>%1lists</b> (playlists and DJ jingle lists);</li>"
                     "<li>the settings file <b>%2spinwave2.ini</b>.</li></ul>"
                     "<p>Copy them back to the same places to restore them.</p>"
                     "<p>The password cannot be saved this way: after a restore, set it again "
                     "on the Security page.</p>")
          .arg(QString::fromStdString(ProgramFolder()), QString::fromStdString(ConfigFolder())));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(text);
  layout->addStretch(1);
  return page;
}

}  // namespace spinwave
