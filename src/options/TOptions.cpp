#include "options/TOptions.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QShowEvent>
#include <QSlider>
#include <QTabWidget>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/DSPHost.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"
#include "jingles/JingleList.h"
#include "jingles/JingleTable.h"
#include "options/LibraryColumns.h"
#include "options/OptionsStore.h"
#include "options/ProcessPriority.h"
#include "options/ShortcutEdit.h"
#include "options/ShortcutKeys.h"
#include "table/TEMDBGrid.h"

namespace spinwave {

namespace {

constexpr const char* kDefaultSkin = "<Default>";
// The processor loads are refreshed this often while the Output page shows.
constexpr int kLoadRefreshMs = 250;

const char* const kDriverKeys[] = {"DriverPlayer1", "DriverPlayer2", "DriverDataPlayer",
                                   "DriverJingles"};

const char* const kLockKeys[] = {"LockEject", "LockStop",  "LockPlay",    "LockTrack",
                                 "LockPos",   "LockCue",   "LockPitch",   "LockVolume",
                                 "LockFade",  "LockTalk",  "LockBreak",   "LockAutomix",
                                 "LockNew",   "LockOpen",  "LockSave",    "LockDrag"};

bool IsDriverKey(std::string_view key) {
  if (EqualsNoCase(key, "RecordDriver")) return true;
  for (const char* k : kDriverKeys)
    if (EqualsNoCase(key, k)) return true;
  return false;
}

// Names of the files in `folder` whose name ends with `extension` (any case), without it,
// sorted ignoring case.
QStringList Stems(const std::string& folder, const char* extension) {
  QStringList out;
  const QDir dir(QString::fromStdString(folder));
  const size_t cut = std::string_view(extension).size();
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Readable)) {
    const std::string name = entry.toStdString();
    if (name.size() > cut && EndsWithNoCase(name, extension))
      out << QString::fromStdString(name.substr(0, name.size() - cut));
  }
  out.sort(Qt::CaseInsensitive);
  return out;
}

}  // namespace

TOptions::TOptions(OptionsStore& store, TSettingsFile& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      store_(store),
      settings_(settings) {
  setObjectName(QStringLiteral("Options"));
  setWindowTitle(QStringLiteral("Options"));
  BuildPages();
  // The grid owns its table: the jingle list works on that one.
  jingles_ = std::make_unique<JingleList>(jingleGrid_->Table(), JingleTablePath());
  connect(jingles_.get(), &JingleList::Changed, this, [this] { RefreshJingleGrid(); });
  setMinimumSize(539, 376);
  resize(std::max(539, sizeHint().width()), std::max(376, sizeHint().height()));

  loadTimer_.setInterval(kLoadRefreshMs);
  connect(&loadTimer_, &QTimer::timeout, this, [this] { UpdateProcessorLoad(); });
  connect(pages_, &QTabWidget::currentChanged, this, [this] { UpdateLoadTimer(); });
  FormCreate();
}

TOptions::~TOptions() = default;

// --- Lookups -----------------------------------------------------------------------------------

QCheckBox* TOptions::Box(const char* key) const {
  return findChild<QCheckBox*>(QString::fromLatin1(key));
}
QComboBox* TOptions::Combo(const char* key) const {
  return findChild<QComboBox*>(QString::fromLatin1(key));
}
QSlider* TOptions::Slider(const char* key) const {
  return findChild<QSlider*>(QString::fromLatin1(key));
}
QLineEdit* TOptions::Edit(const char* key) const {
  return findChild<QLineEdit*>(QString::fromLatin1(key));
}

QString TOptions::LanguageText(const QString& name) const {
  const auto it = texts_.find(name);
  if (it != texts_.end()) return it->second;
  if (name == QLatin1String("DelJingleText"))
    return QStringLiteral("Do you really want to delete %j from the jingle list?");
  if (name == QLatin1String("DelJingleTitl")) return QStringLiteral("Delete jingle");
  return QString();
}

void TOptions::SetTranslator(const QString& name) { translator_->setText(name); }

void TOptions::SetDeckComponents(TFMODJingle* left, TFMODJingle* right, TFMODJingle* prelisten,
                                 TFMODJingle* jingles) {
  decks_ = {left, right, prelisten, jingles};
}

bool TOptions::MainWindowVisible() const { return mainWindow_ && mainWindow_->isVisible(); }

std::string TOptions::PluginFile(const char* stem) const {
  return ProgramFolder() + "plugins/" + stem + ".so";
}

// --- FormCreate ----------------------------------------------------------------------------------

void TOptions::FormCreate() {
  loading_ = true;
  const std::string folder = ProgramFolder();
  QComboBox* language = Combo("Language");
  language->clear();
  language->addItems(Stems(folder, ".lng"));

  QComboBox* skin = Combo("PlayerLook");
  skin->clear();
  skin->addItem(QString::fromLatin1(kDefaultSkin));
  // Skins are the plain folders under skins/ (hidden ones are not offered).
  QStringList skins = QDir(QString::fromStdString(folder + "skins"))
                          .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
  skins.sort(Qt::CaseInsensitive);
  skin->addItems(skins);

  QComboBox* layouts = Combo("KBLayout");
  layouts->clear();
  layouts->addItems(Stems(folder, ".kbl"));

  QStringList families = QFontDatabase::families();
  families.sort(Qt::CaseInsensitive);
  fontBox_->clear();
  fontBox_->addItems(families);
  loading_ = false;

  jingles_->Load();

  // The encoder boxes stay grey while their plug-ins are missing (Spinwave's own encoder is
  // also found where it is built or installed, as the DSP host finds it).
  const bool sam2 = FileExists(DSPHost::Locate(ProgramFolder(), DSPHost::kEncoderSlot));
  const bool shoutcast = FileExists(DSPHost::Locate(ProgramFolder(), DSPHost::kStreamingSlot));
  Box("SAM2")->setEnabled(sam2);
  Box("Shoutcast")->setEnabled(shoutcast);
  for (const auto& [name, found] : {std::pair{"SAM2Config", sam2}, {"ShoutcastConfig", shoutcast}})
    if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(found);
  DSPActiveClick();
}

// --- Loading and committing ----------------------------------------------------------------------

void TOptions::SelectText(QComboBox* list, const QString& text) {
  int i = list->findText(text, Qt::MatchFixedString);  // ASCII case ignored, like the file
  if (i < 0) {
    // A name the lists do not offer (a language file removed, a skin not installed here) stays
    // what it is: OK must not turn it into another choice.
    list->addItem(text);
    i = list->count() - 1;
  }
  list->setCurrentIndex(i);
}

void TOptions::FillDriverList(QComboBox* list, const std::vector<std::string>& names) {
  const QSignalBlocker block(list);
  list->clear();
  for (size_t i = 0; i < names.size(); ++i)
    list->addItem(QString::fromStdString(names[i]), int(i));
}

void TOptions::SelectDriver(QComboBox* list, int index) {
  const QSignalBlocker block(list);
  int at = list->findData(index);
  if (at < 0) {
    // A device that is not connected now keeps its number, so that plugging it back in
    // brings the setting back instead of OK silently moving the deck to another device.
    const QString text = list->count() == 0 && index == 0
                             ? QStringLiteral("(no device)")
                             : QStringLiteral("Device %1 (not connected)").arg(index + 1);
    list->addItem(text, index);
    at = list->count() - 1;
  }
  list->setCurrentIndex(at);
}

int TOptions::SelectedDriver(const QComboBox* list) const {
  const QVariant data = list->currentData();
  return data.isValid() ? data.toInt() : 0;
}

void TOptions::FillRecordDrivers() {
  QComboBox* list = Combo("RecordDriver");
  const int selected = SelectedDriver(list);
  FillDriverList(list, TFMODJingle::ReturnInputs());
  SelectDriver(list, selected);
}

void TOptions::OutputPlayer1Change() {
  const std::vector<std::string> names =
      TFMODJingle::ReturnOutputs(std::max(0, Combo("OutputPlayer1")->currentIndex()));
  for (const char* key : kDriverKeys) {
    QComboBox* list = Combo(key);
    const int selected = SelectedDriver(list);
    FillDriverList(list, names);
    // Loading selects the stored device afterwards; a user's change of output keeps the
    // device number where the new output has it.
    SelectDriver(list, loading_ || selected < int(names.size()) ? selected : 0);
  }
}

void TOptions::LoadControls() {
  loading_ = true;
  {
    QComboBox* output = Combo("OutputPlayer1");
    const QSignalBlocker block(output);
    output->setCurrentIndex(std::clamp(store_.Int("OutputPlayer1"), 0, output->count() - 1));
  }
  OutputPlayer1Change();
  FillRecordDrivers();

  for (const OptionKey& k : OptionKeys()) {
    const QString name = QString::fromLatin1(k.key);
    if (EqualsNoCase(k.section, "ShortCuts")) continue;
    if (EqualsNoCase(k.key, "Font")) {
      QString family = store_.QText(k.key);
      if (family.isEmpty()) family = QApplication::font().family();
      SelectText(fontBox_, family);
      continue;
    }
    QWidget* control = findChild<QWidget*>(name);
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      box->setChecked(store_.Bool(k.key));
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      if (IsDriverKey(k.key)) {
        SelectDriver(list, store_.Int(k.key));
      } else if (k.type == OptionType::Int) {
        list->setCurrentIndex(std::clamp(store_.Int(k.key), 0, list->count() - 1));
      } else {
        SelectText(list, store_.QText(k.key));
      }
    } else if (auto* bar = qobject_cast<QSlider*>(control)) {
      bar->setValue(store_.Int(k.key));
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      edit->setText(k.type == OptionType::Int ? QString::number(store_.Int(k.key))
                                              : store_.QText(k.key));
    } else {
      qWarning("TOptions: no control for the key \"%s\"", k.key);
    }
  }
  const auto& fields = ShortcutFields();
  for (size_t i = 0; i < fields.size(); ++i) shortcuts_[i]->SetCode(store_.Int(fields[i].key));
  loading_ = false;
}

void TOptions::CommitControls() {
  for (const OptionKey& k : OptionKeys()) {
    if (EqualsNoCase(k.section, "ShortCuts")) continue;
    if (EqualsNoCase(k.key, "Font")) {
      store_.SetText(k.key, fontBox_->currentText().toStdString());
      continue;
    }
    QWidget* control = findChild<QWidget*>(QString::fromLatin1(k.key));
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      store_.SetBool(k.key, box->isChecked());
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      if (IsDriverKey(k.key)) {
        store_.SetInt(k.key, SelectedDriver(list));
      } else if (k.type == OptionType::Int) {
        if (list->currentIndex() >= 0) store_.SetInt(k.key, list->currentIndex());
      } else {
        store_.SetText(k.key, list->currentText().toStdString());
      }
    } else if (auto* bar = qobject_cast<QSlider*>(control)) {
      store_.SetInt(k.key, bar->value());
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      if (k.type == OptionType::Int) {
        store_.SetInt(k.key, edit->text().toInt());  // empty: 0
      } else {
        store_.SetText(k.key, edit->text().toStdString());
      }
    }
  }
  const auto& fields = ShortcutFields();
  for (size_t i = 0; i < fields.size(); ++i) store_.SetInt(fields[i].key, shortcuts_[i]->Code());
}

int TOptions::ShortcutCode(int tabOrder) const {
  return tabOrder >= 0 && tabOrder < int(shortcuts_.size()) ? shortcuts_[size_t(tabOrder)]->Code()
                                                            : 0;
}

// --- The main operations ------------------------------------------------------------------------

bool TOptions::ResetClick() {
  store_.Load(settings_);
  LoadControls();
  SetState();
  // The sliders' range and the locks follow the loaded boxes, as a click on them would.
  emit PitchRangeChanged(4000 << store_.Int("Pitch"));
  for (const char* key : kLockKeys) emit LockChanged(QString::fromLatin1(key), store_.Bool(key));
  return true;
}

bool TOptions::SetState() {
  CentralOutputClick();
  DSPActiveClick();
  ShowBrowserClick();
  FullScrModeClick();
  DelPlTracksClick();
  JingleEnabledClick();
  CommitControls();
  ApplyToConsole();
  return true;
}

void TOptions::ApplyToConsole() {
  const OptionsStore& s = store_;
  emit Live365ButtonVisible(s.Bool("Live365Ctrl"));
  emit PeaksFallChanged(s.Bool("VUPeaksFall"));
  if (MainWindowVisible()) {
    const QFont font = ChosenFont();
    emit FontChanged(font, RowHeightFor(font));
    emit LanguageChanged(s.QText("Language"));
    if (s.Text("PlayerLook") != kDefaultSkin)
      emit SkinChanged(QString::fromStdString(ProgramFolder() + "skins/" + s.Text("PlayerLook") +
                                              "/"));
  }
  emit BrowserVisibleChanged(s.Bool("ShowBrowser"));
  emit PlaylistColumnWidthChanged(0, s.Bool("BroadcastTime") ? 50 : 30);
  bool sending = s.Bool("TitleStreaming") || s.Bool("Title2Web");
  for (int n = 2; n <= 5; ++n) sending = sending || s.Bool("StreamTitle" + std::to_string(n));
  emit SendInfoButtonVisible(sending);
  const bool inOutro = s.Bool("InOutroEnabled");
  emit InOutroVisibleChanged(inOutro);
  emit PlaylistColumnWidthChanged(6, inOutro ? 50 : -1);
  emit PlaylistColumnWidthChanged(7, inOutro ? 50 : -1);
  emit PlaylistSortingChanged(s.Bool("SortPlaylist"));
  if (library_) {
    ApplyLibraryColumnWidths(*library_, s);
    emit LibraryColumnsChanged();
  }
  emit WheelStepChanged(s.Int("WheelScroll"));
  ApplyProcessPriority(s.Int("Priority"));
}

void TOptions::OKClick() {
  accept();
  CommitControls();
  if (!store_.Save(settings_))
    ShowMessage("Couldn't save the settings to " + settings_.FilePath() + ".");
  SetState();
  emit HotKeysChanged();
}

void TOptions::CancelBtnClick() {
  ResetClick();
  QDialog::reject();
}

void TOptions::reject() { CancelBtnClick(); }

void TOptions::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  // FormShow: the device lists may have changed since the dialog was last open.
  loading_ = true;
  OutputPlayer1Change();
  for (const char* key : kDriverKeys) SelectDriver(Combo(key), store_.Int(key));
  FillRecordDrivers();
  SelectDriver(Combo("RecordDriver"), store_.Int("RecordDriver"));
  loading_ = false;
  CentralOutputClick();
  UpdateLoadTimer();
}

void TOptions::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  UpdateLoadTimer();
}

// --- Dependent enabling --------------------------------------------------------------------------

void TOptions::CentralOutputClick() {
  const bool separate = !Box("CentralOutput")->isChecked();
  for (const char* name :
       {"RightPlayer", "DriverPlayer2", "Player2Stereo", "JinglePlayer", "DriverJingles",
        "JinglesStereo", "FMOD2CPU", "FMOD4CPU"})
    if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(separate);
}

void TOptions::DSPActiveClick() {
  QCheckBox* dsp = Box("DSPActive");
  if (Box("HWAudio")->isChecked()) {
    dsp->setChecked(false);
    dsp->setEnabled(false);
  } else {
    dsp->setEnabled(true);
  }
  Box("DSPLock")->setEnabled(dsp->isChecked());
  QCheckBox* shoutcast = Box("Shoutcast");
  Box("ShoutcastLock")->setEnabled(shoutcast->isEnabled() && shoutcast->isChecked());
}

void TOptions::DelPlTracksClick() {
  const bool remove = Box("DelPlTracks")->isChecked();
  for (const char* key : {"UseVMark", "RepeatPl"}) {
    QCheckBox* box = Box(key);
    if (remove) box->setChecked(false);
    box->setEnabled(!remove);
  }
}

void TOptions::FullScrModeClick() {
  const bool full = Box("FullScrMode")->isChecked();
  for (const char* key : {"StartMaximized", "WinSizeable", "Minimizeable"})
    Box(key)->setEnabled(!full);
}

void TOptions::ShowBrowserClick() {
  const bool tree = Box("ShowBrowser")->isChecked();
  for (const char* key : {"ShowMyComputer", "ShowNetwork"}) Box(key)->setEnabled(tree);
}

void TOptions::JingleEnabledClick() {
  pages_->setTabVisible(pages_->indexOf(jinglesPage_), Box("JingleEnabled")->isChecked());
}

// --- Immediate effects ---------------------------------------------------------------------------

void TOptions::PitchChange() {
  if (loading_) return;
  emit PitchRangeChanged(4000 << std::clamp(Slider("Pitch")->value(), 0, 3));
}

QFont TOptions::ChosenFont() const {
  QFont font(fontBox_->currentText());
  const int size = Combo("FontSize")->currentText().toInt();
  font.setPointSize(size > 0 ? size : 8);
  return font;
}

int TOptions::RowHeightFor(const QFont& font) const {
  // The character height of a point size at the screen's resolution (8 points at 96 dpi are 11
  // pixels, the grids' row height of 17).
  const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
  const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 8.0;
  return int(points * dpi / 72.0 + 0.5) + 6;
}

void TOptions::EMFontChange() {
  if (loading_) return;
  fontBox_->setFont(QFont(fontBox_->currentText()));
  const QFont font = ChosenFont();
  emit FontChanged(font, RowHeightFor(font));
}

void TOptions::PlayerLookChange() {
  if (loading_ || !MainWindowVisible()) return;
  const QString skin = Combo("PlayerLook")->currentText();
  if (skin == QLatin1String(kDefaultSkin)) return;  // takes effect at the next start
  emit SkinChanged(QString::fromStdString(ProgramFolder()) + QStringLiteral("skins/") + skin +
                   QStringLiteral("/"));
}

// --- Output page's processor loads --------------------------------------------------------------

void TOptions::UpdateLoadTimer() {
  const bool shown = isVisible() && pages_->currentWidget() == outputPage_;
  if (shown && !loadTimer_.isActive()) {
    loadTimer_.start();
    UpdateProcessorLoad();
  } else if (!shown) {
    loadTimer_.stop();
  }
}

void TOptions::UpdateProcessorLoad() {
  TFMODJingle* left = decks_[0];
  for (size_t i = 0; i < decks_.size(); ++i) {
    TFMODJingle* deck = decks_[i];
    // The right deck and the jingles have no load of their own while they share the left
    // deck's output.
    if (!deck || (i != 0 && i != 2 && deck == left)) continue;
    if (!deck->Library()) continue;
    cpuLabels_[i]->setText(QLocale().toString(double(deck->Library()->GetCPUUsage()), 'f', 1));
  }
}

// --- Jingle page ---------------------------------------------------------------------------------

int TOptions::SelectedJingleRow() const { return jingleGrid_->GetRow() - 1; }

void TOptions::RefreshJingleGrid() {
  // The list changed under the grid (rows added, removed, sorted or a new table loaded): the
  // current row stays where it was, within the rows there are, and shows selected.
  TEMDB& table = jingleGrid_->Table();
  const int row = std::clamp(jingleGrid_->GetRow(), 1, std::max(1, table.RowCount()));
  for (int r = 0; r < table.RowCount(); ++r) table.SetRowSelected(r, false);
  jingleGrid_->SetRow(row);
  jingleGrid_->SetSelected(row, true);
  jingleGrid_->Repaint();
}

void TOptions::OpenFileClick() {
  const QString file = QFileDialog::getOpenFileName(
      this, QString(), jingleFile_->text(),
      QStringLiteral("All supported Audio (*.mp3 *.MP3 *.ogg *.OGG *.wav *.WAV);;"
                     "MPeg Layer 3 (*.mp3 *.MP3);;OGG Vorbis (*.ogg *.OGG);;WAV (*.wav *.WAV)"));
  if (!file.isEmpty()) jingleFile_->setText(file);
}

void TOptions::AddJingleBtnClick() {
  if (!jingles_->Add(jingleFile_->text().toStdString(),
                     jingleDescription_->text().toStdString()))
    return;
  ClearBtnClick();
}

void TOptions::ClearBtnClick() {
  jingleFile_->clear();
  jingleDescription_->clear();
}

void TOptions::PlayJingleBtnClick() {
  const std::string file = jingleFile_->text().toStdString();
  TFMODJingle* prelisten = decks_[2];
  if (file.empty() || !FileExists(file) || !prelisten || prelistenEntry_ < 0) return;
  if (prelisten->OpenFile(file, prelistenEntry_) > 0) prelisten->Play(prelistenEntry_);
}

void TOptions::RemoveJingleBtnClick() {
  jingles_->Remove(SelectedJingleRow(), LanguageText(QStringLiteral("DelJingleText")));
}

void TOptions::JingleShortClick(int digit) { jingles_->SetShortcut(digit, SelectedJingleRow()); }

void TOptions::SaveDJListClick() {
  const std::string folder = JingleListsFolder();
  MakeFolders(folder);
  const QString name = QFileDialog::getSaveFileName(
      this, QString(), QString::fromStdString(folder),
      QStringLiteral("Spinwave v2 Jinglelist (*.JPL2 *.jpl2)"));
  if (!name.isEmpty()) SaveDJListAs(name);
}

bool TOptions::SaveDJListAs(const QString& name) {
  if (jingles_->SaveAs(name.toStdString()).empty()) return false;
  emit JingleListsChanged();
  return true;
}

}  // namespace spinwave
