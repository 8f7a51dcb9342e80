// The options dialog ("Options"): every setting of the console on eleven pages, each edited by
// the control whose object name is the setting's key (the sixteen shortcut fields are Edit1 ..
// Edit16 and hold the codes of the ShortCuts keys; the font name is EMFont).
//
// Live settings. The dialog edits an OptionsStore, and the store, not the dialog, is what the
// rest of the program reads: it always holds the committed settings, the state of the controls
// as of the last load (ResetClick) or OK. While the user works in the dialog nothing else sees
// the edits; OK commits them, saves them and applies them (SetState); Cancel reloads the store
// and the controls from the settings file. A half-typed server address or an unconfirmed
// "SafeClose" never reaches the running console, and no caller needs a widget to read a
// setting. The exceptions are the ones the user sees act at once: the pitch range, the font,
// the skin preview, the locks and the jingle page (which saves data/jingles.dat on every change).
//
// What the dialog does to the rest of the console goes through its signals (below), which the
// console connects in one place; the dialog itself changes only the library table (column
// widths, export sort), the process priority and the pre-listen deck (playing a jingle).
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QTabWidget;
class TSettingsFile;

namespace spinwave {

class JingleList;
class OptionsStore;
class ShortcutEdit;
class TEMDB;
class TEMDBGrid;
class TFMODJingle;

class TOptions : public QDialog {
  Q_OBJECT
 public:
  // `store` holds the live settings, `settings` is the settings file they are read from and
  // saved to. Runs FormCreate.
  TOptions(OptionsStore& store, TSettingsFile& settings, QWidget* parent = nullptr);
  ~TOptions() override;

  // --- Wiring (the console, once, before the first ResetClick) -------------------------------
  // The main window: font, language and skin are applied only while it is visible.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  // The library table whose column widths the Database page sets and which "Save database"
  // exports.
  void SetLibraryTable(TEMDB* library) { library_ = library; }
  // The deck components, for the Output page's processor loads; `right` and `jingles` may be
  // null or the left deck's component (one output for all).
  void SetDeckComponents(TFMODJingle* left, TFMODJingle* right, TFMODJingle* prelisten,
                         TFMODJingle* jingles);
  // The pre-listen deck's entry, where "Play" on the jingle page plays.
  void SetPrelistenEntry(int index) { prelistenEntry_ = index; }
  // A language text the dialog uses ("DelJingleText", "DelJingleTitl"); the language loader
  // sets them.
  void SetLanguageText(const QString& name, const QString& text) { texts_[name] = text; }
  QString LanguageText(const QString& name) const;
  // The translator's name shown beside the language list.
  void SetTranslator(const QString& name);

  // --- The dialog's operations --------------------------------------------------------------
  // Fills the language, skin, keyboard-layout and talkover lists, loads the jingle table and
  // enables the encoder boxes whose plug-ins exist.
  void FormCreate();
  // Loads the store from the settings file and every control from the store (shortcut codes
  // included), then SetState. Returns true.
  bool ResetClick();
  // Dependent enabling, commits the controls into the store (a box cleared by the enabling
  // rules reads off everywhere), then applies the settings to the running console in order.
  bool SetState();
  // Hides the dialog, commits and saves every key in the key table's order, SetState, then
  // HotKeysChanged.
  void OKClick();
  // Reloads everything from the settings file (ResetClick) and closes.
  void CancelBtnClick();

  // Dependent enabling handlers (they also run on clicks).
  void CentralOutputClick();
  void DSPActiveClick();
  void DelPlTracksClick();
  void FullScrModeClick();
  void ShowBrowserClick();
  void JingleEnabledClick();
  // Refills the four output-driver lists for the chosen output type.
  void OutputPlayer1Change();

  // Immediate-effect handlers.
  void PitchChange();
  void EMFontChange();
  void PlayerLookChange();

  // Writes each deck component's processor load into FMOD1CPU .. FMOD4CPU (one decimal).
  // Runs on a timer while the Output page is shown.
  void UpdateProcessorLoad();

  // Jingle page.
  void OpenFileClick();
  void AddJingleBtnClick();
  void ClearBtnClick();
  void PlayJingleBtnClick();
  void RemoveJingleBtnClick();
  void JingleShortClick(int digit);
  void SaveDJListClick();            // asks for a name, then SaveDJListAs
  bool SaveDJListAs(const QString& name);

  // Database page: "Save database" asks the console for the HTML export of the library to
  // data.htm (the library's own export, which escapes what it writes).
  void SaveDBClick() { emit SaveDBRequested(); }

  // The code held by the shortcut field at `tabOrder` (0..15; see ShortcutFields()).
  int ShortcutCode(int tabOrder) const;

  JingleList& Jingles() { return *jingles_; }
  TEMDBGrid* JingleData() const { return jingleGrid_; }
  QTabWidget* Pages() const { return pages_; }
  // The font the Font and FontSize controls choose.
  QFont ChosenFont() const;
  // Grid row height for a font: the character height in pixels plus 6.
  int RowHeightFor(const QFont& font) const;

 signals:
  // --- SetState, in its order ---
  // The Live365 button of the console shows exactly while Live365Ctrl is on (the console then
  // refreshes the Live365 window when it still shows "none" as its mode).
  void Live365ButtonVisible(bool visible);
  // Peaks of the decks' four level meters fall; the peaks timer runs exactly while on.
  void PeaksFallChanged(bool on);
  // Main window, playlist, library grid, file list and folder tree take the font; both grids
  // take the row height. Also when the user changes the font or its size.
  void FontChanged(const QFont& font, int gridRowHeight);
  // The language of that name is applied (only while the main window is visible).
  void LanguageChanged(const QString& language);
  // The skin in that folder (ending with "/") is loaded; never for "<Default>", which takes
  // effect at the next start. Also when the user picks another skin.
  void SkinChanged(const QString& skinFolder);
  // The folder tree (and its splitter) shows exactly while on.
  void BrowserVisibleChanged(bool visible);
  // Playlist grid column widths: column 0 (50 with broadcast times, else 30), columns 6 and 7
  // (intro, outro: 50 or -1 hidden).
  void PlaylistColumnWidthChanged(int column, int width);
  // The console's "send title" button shows exactly while a title destination is on.
  void SendInfoButtonVisible(bool visible);
  // The intro and outro displays of both decks show exactly while on.
  void InOutroVisibleChanged(bool visible);
  // The playlist grid sorts by header clicks exactly while on.
  void PlaylistSortingChanged(bool on);
  // The library table's column widths (or, after an export, its order) changed: repaint.
  void LibraryColumnsChanged();
  // Rows per mouse-wheel step of the library and playlist grids (0 = a whole page).
  void WheelStepChanged(int rows);
  // --- Immediate effects and after OK ---
  // Both decks' pitch sliders get the range 100000 - range .. 100000 + range.
  void PitchRangeChanged(int range);
  // A lock box changed (also for every box when the settings are loaded): the console disables
  // or enables the matching controls.
  void LockChanged(const QString& key, bool on);
  // OK: the console removes and registers its hot keys with the new codes.
  void HotKeysChanged();
  // A DJ jingle list was saved: the jingle window refreshes its list of lists.
  void JingleListsChanged();
  // "Configure..." of a plug-in on the DSP page: the console opens the configuration of the
  // plug-in in that slot (0 the streaming encoder, 1 the second encoder).
  void DSPConfigClicked(int slot);
  // The "Download skins" link and the "Change password" button.
  void DownloadSkinsClicked();
  void ChangePasswordClicked();
  // "Save database": the console writes the library export.
  void SaveDBRequested();

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void hideEvent(QHideEvent* event) override;
  void reject() override;                      // Escape: Cancel

 private:
  void BuildPages();
  QWidget* BuildGeneralPage();
  QWidget* BuildOutputPage();
  QWidget* BuildPlayersPage();
  QWidget* BuildPlaylistPage();
  QWidget* BuildDatabasePage();
  QWidget* BuildSecurityPage();
  QWidget* BuildJinglesPage();
  QWidget* BuildShortcutPage();
  QWidget* BuildDSPPage();
  QWidget* BuildInternetPage();
  QWidget* BuildBackupPage();
  QCheckBox* Check(QWidget* parent, const char* key, const QString& caption);

  void LoadControls();
  void CommitControls();
  void ApplyToConsole();
  void FillDriverList(QComboBox* list, const std::vector<std::string>& names);
  void SelectDriver(QComboBox* list, int index);
  int SelectedDriver(const QComboBox* list) const;
  void SelectText(QComboBox* list, const QString& text);
  void FillRecordDrivers();
  void UpdateLoadTimer();
  bool MainWindowVisible() const;
  int SelectedJingleRow() const;
  void RefreshJingleGrid();
  std::string PluginFile(const char* stem) const;

  QCheckBox* Box(const char* key) const;
  QComboBox* Combo(const char* key) const;
  QSlider* Slider(const char* key) const;
  QLineEdit* Edit(const char* key) const;

  OptionsStore& store_;
  TSettingsFile& settings_;
  QPointer<QWidget> mainWindow_;
  TEMDB* library_ = nullptr;
  std::array<TFMODJingle*, 4> decks_{};  // left, right, pre-listen, jingles
  int prelistenEntry_ = -1;
  std::map<QString, QString> texts_;
  bool loading_ = false;  // controls are being set from the store: no immediate effects

  QTabWidget* pages_ = nullptr;
  QWidget* jinglesPage_ = nullptr;
  QWidget* outputPage_ = nullptr;
  std::array<ShortcutEdit*, 16> shortcuts_{};
  std::array<QLabel*, 4> cpuLabels_{};
  QComboBox* fontBox_ = nullptr;
  QLabel* translator_ = nullptr;
  TEMDBGrid* jingleGrid_ = nullptr;
  std::unique_ptr<JingleList> jingles_;
  QLineEdit* jingleFile_ = nullptr;
  QLineEdit* jingleDescription_ = nullptr;
  QTimer loadTimer_;
};

}  // namespace spinwave
