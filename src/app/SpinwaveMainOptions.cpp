// The options dialog and the jingle window on the running console.
//
// The dialog (TOptions) edits the core's live options (OptionsStore) and is made once with the
// window; its signals are connected here, in one place, to the controls they shape. The first
// activation loads it from the settings file (ResetClick), which also applies every setting
// once. OK commits, saves and applies; Cancel reloads the file and applies it again, so an
// immediate effect the user tried (pitch range, font, skin preview, a lock) goes back too.
//
// The jingle window (TJinglesForm) exists while the jingle bank does (JingleEnabled at start):
// its slot controls are bound to the jingle entries 2..11 while the core registers them, the
// Jingles button shows and hides it, and the digit keys fire its slots through JingleKey.
#include <memory>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUrl>

#include "app/ConsoleCore.h"
#include "app/ConsoleLock.h"
#include "app/ConsoleLook.h"
#include "app/LanguageFile.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/DirTreeView.h"
#include "controls/TEMButton.h"
#include "controls/TRLed.h"
#include "controls/TEMSlider.h"
#include "core/Messages.h"
#include "core/SettingsFile.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/TJinglesForm.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryExport.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"
#include "options/TOptions.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

namespace {

// Settings the sound engine is built from at start: changing them in the dialog is saved at
// once but reaches the decks only when the console starts again.
const char* const kEngineKeys[] = {
    "OutputPlayer1",   "DriverPlayer1", "DriverPlayer2",   "DriverDataPlayer", "DriverJingles",
    "Player1Stereo",   "Player2Stereo", "DataPlayerStereo", "JinglesStereo",   "Buffersize",
    "CentralOutput",   "HWAudio",       "ExactTime",       "CalculateTime"};

constexpr const char* kNextStartNote =
    "The sound output settings were saved; they take effect at the next start.";
constexpr const char* kJinglesNextStartNote =
    "The jingle bank is switched on at the next start.";


}  // namespace

// --- Building (with the window) ----------------------------------------------------------------

void TSpinwaveMain::BuildOptions() {
  TSettingsFile* settings = core_.Settings();
  if (!settings) return;  // a closed core: nothing to edit
  options_ = new TOptions(core_.Options(), *settings, this);
  TOptions& o = *options_;
  o.SetMainWindow(this);
  o.SetLibraryTable(&core_.Library());
  o.SetDeckComponents(&core_.Player1(), &core_.Player2(), &core_.DataPlayer(),
                      core_.JinglesPlayer() ? core_.JinglesPlayer() : &core_.Player1());
  o.SetPrelistenEntry(core_.PreListenEntry());

  connect(&o, &TOptions::PitchRangeChanged, this, [this](int range) {
    for (int d = 0; d < 2; ++d)
      players_->Controls(d).pitchSlider->SetRange(100000 - range, 100000 + range);
  });
  connect(&o, &TOptions::PeaksFallChanged, this, [this](bool on) {
    for (int d = 0; d < 2; ++d)
      for (TRLed* meter : {players_->Controls(d).vuLeft, players_->Controls(d).vuRight})
        if (meter) meter->SetPeaksFall(on);
    if (on)
      players_->Peaks().Start();
    else
      players_->Peaks().Stop();
  });
  connect(&o, &TOptions::FontChanged, this, [this](const QFont& font, int rowHeight) {
    setFont(font);
    for (TEMDBGrid* grid : {playlist_, library_->DBGrid()}) {
      grid->setFont(font);
      grid->SetRowHeight(rowHeight);
      grid->Repaint();
    }
    library_->FileList()->setFont(font);
    library_->BrowseTree()->setFont(font);
    FormResize();
  });
  // Language and skin follow their options in ConsoleLook. The dialog's skin preview (a skin
  // picked but not confirmed) comes here by the folder's name, and so does the way back to the
  // stored skin when the preview is cancelled.
  auto previewing = std::make_shared<bool>(false);
  connect(&o, &TOptions::SkinChanged, this, [this, previewing](const QString& folder) {
    QString name = folder;
    while (name.endsWith(QLatin1Char('/'))) name.chop(1);
    name = name.section(QLatin1Char('/'), -1);
    if (name.isEmpty()) return;
    const bool stored = name.compare(core_.Options().QText("PlayerLook"), Qt::CaseInsensitive) == 0;
    if (!stored || *previewing) look_->ApplySkin(name);
    *previewing = !stored;
  });
  connect(&o, &TOptions::BrowserVisibleChanged, this,
          [this](bool visible) { library_->SetTreeVisible(visible); });
  connect(&o, &TOptions::PlaylistColumnWidthChanged, this, [this](int column, int width) {
    core_.PlaylistTable().SetColWidth(column, width);
    playlist_->Repaint();
  });
  connect(&o, &TOptions::InOutroVisibleChanged, this, [this](bool visible) {
    for (int d = 0; d < 2; ++d) {
      players_->IntroLabel(d)->setVisible(visible);
      players_->OutroLabel(d)->setVisible(visible);
    }
  });
  connect(&o, &TOptions::PlaylistSortingChanged, this,
          [this](bool on) { playlist_->SetSortOptions({on, 1, sdAscending}); });
  connect(&o, &TOptions::LibraryColumnsChanged, this, [this] { library_->DBGrid()->Repaint(); });
  connect(&o, &TOptions::WheelStepChanged, this, [this](int rows) {
    playlist_->SetWheelMoveBy(rows);
    library_->DBGrid()->SetWheelMoveBy(rows);
  });
  // A lock box acts at once: the store takes it now (ConsoleLock follows the store), and a
  // Cancel reloads it from the file.
  connect(&o, &TOptions::LockChanged, this,
          [this](const QString& key, bool on) { core_.Options().SetBool(key.toStdString(), on); });
  // OK is complete (saved and applied) when the dialog asks for the hot keys again.
  connect(&o, &TOptions::HotKeysChanged, this, [this] {
    bool engine = false;
    for (const char* key : kEngineKeys)
      engine = engine || core_.Options().Text(key) != engineOptions_[key];
    if (engine) ShowStatusMessage(QString::fromLatin1(kNextStartNote));
    else if (core_.Options().Bool("JingleEnabled") && !core_.Jingles())
      ShowStatusMessage(QString::fromLatin1(kJinglesNextStartNote));
  });
  // "Configure..." of a plug-in on the DSP page: its own configuration window.
  connect(&o, &TOptions::DSPConfigClicked, this, [this](int slot) {
    if (!core_.ConfigDSP(slot))
      ShowStatusMessage(QStringLiteral("The plug-in is not loaded: switch it on and press OK first."));
  });
  connect(&o, &TOptions::JingleListsChanged, this, [this] {
    if (core_.Jingles()) core_.Jingles()->GetLists();
  });
  connect(&o, &TOptions::ChangePasswordClicked, this, [this] {
    TChangePassword dialog(lock_->Passwords(), this);
    spinwave::ApplyLanguage(&dialog);
    dialog.exec();
  });
  connect(&o, &TOptions::DownloadSkinsClicked, this, [this] {
    // The download page is the station's own choice (General/SkinsURL); none is built in.
    TSettingsFile* s = core_.Settings();
    const QString url =
        s ? QString::fromStdString(s->ReadString("General", "SkinsURL", "")) : QString();
    if (url.isEmpty())
      ShowStatusMessage(QStringLiteral("No address for skin downloads is set (General/SkinsURL)."));
    else
      QDesktopServices::openUrl(QUrl(url));
  });
  connect(&o, &TOptions::SaveDBRequested, this, [this] {
    std::string error;
    if (!SaveDBClick(core_.Library(), {}, &error))
      ShowMessage("The library could not be saved to " + LibraryExportPath() + ": " + error);
    library_->DBGrid()->Repaint();
  });

  // The jingle slots' display controls are bound while the core registers their entries, in
  // slot order right after the two decks.
  core_.CreateJinglePlayer = [this](TFMODJingle& player, int slot) {
    JingleBank* bank = core_.Jingles();
    if (!jinglesForm_) {
      jinglesForm_ = new TJinglesForm(*bank, this);
      jinglesForm_->CreatPlayers(player);  // all ten entries, slot 1 first
      connect(jinglesForm_, &TJinglesForm::KeyPressed, this, [this](QKeyEvent* key) {
        if (key->modifiers() == Qt::NoModifier && !key->isAutoRepeat()) JingleKey(key->key());
      });
    }
    return bank->SlotEntry(slot + 1);
  };
}

// --- First activation (after the core registered its entries) ---------------------------------

void TSpinwaveMain::ActivateOptions() {
  if (!options_) return;
  options_->ResetClick();
  for (const char* key : kEngineKeys) engineOptions_[key] = core_.Options().Text(key);
  auto showJingles = [this] {
    JingleBank* bank = core_.Jingles();
    const bool on = bank && core_.Options().Bool("JingleEnabled");
    if (bank) bank->SetEnabled(on);
    if (TEMButton* button = Button(QStringLiteral("Jingles"))) {
      button->setVisible(on);
      button->setEnabled(on);
    }
    if (!on && jinglesForm_) jinglesForm_->hide();
  };
  showJingles();
  connect(&core_.Options(), &OptionsStore::Changed, this, [showJingles](const QString& key) {
    if (key == QLatin1String("JingleEnabled")) showJingles();
  });
}

// --- Close --------------------------------------------------------------------------------------

void TSpinwaveMain::CloseOptions() {
  // The dialog edits the core's settings file, which the core's close releases: nothing of it
  // may be clicked afterwards.
  if (options_) options_->hide();
  if (jinglesForm_) jinglesForm_->hide();
}

// --- Handlers -----------------------------------------------------------------------------------

void TSpinwaveMain::CtrlOptionsClick() {
  if (!options_ || closed_) return;
  if (!Lock()->MayEdit(this)) return;
  spinwave::ApplyLanguage(options_);
  options_->show();
  options_->raise();
  options_->activateWindow();
}

void TSpinwaveMain::JinglesClick() {
  if (!jinglesForm_) return;
  jinglesForm_->JinglesClick();
  if (jinglesForm_->isVisible()) {
    spinwave::ApplyLanguage(jinglesForm_);
    jinglesForm_->raise();
  }
}

bool TSpinwaveMain::TypesText(const QWidget* w) {
  if (!w) return false;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
      qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
    return true;
  const auto* combo = qobject_cast<const QComboBox*>(w);
  return combo && combo->isEditable();
}

bool TSpinwaveMain::JingleKey(int key) {
  JingleBank* bank = core_.Jingles();
  if (key < Qt::Key_0 || key > Qt::Key_9 || !bank || !bank->Enabled()) return false;
  // Typing a digit into the library search, a playlist cell or any other field stays typing.
  if (TypesText(QApplication::focusWidget())) return false;
  bank->JingleSCClick(key);  // Qt's digit keys are their characters '0'..'9'
  return true;
}
