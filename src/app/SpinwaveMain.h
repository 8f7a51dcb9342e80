// The main console window: its start-up state (folders, library, playlist columns, menus,
// settings), the work of its first activation, the close query and the close.
//
// The console runs its creation in the constructor (FormCreate), its first-activation work when
// it is first shown or activated (FormActivate), and its close query and close from
// closeEvent (FormCloseQuery, FormClose). Work that belongs to parts not built yet is reached
// through named protected functions (RegisterDecks, StartPlugins, LoadPlaylist, ...) that those
// parts fill in.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>
#include <QStringList>

#include "core/SettingsFile.h"
#include "table/TEMDB.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;

namespace spinwave {
class TableModel;
}

class TSpinwaveMain : public QMainWindow {
  Q_OBJECT

 public:
  // Number of segue entries ("0".."15") and of fade entries (1..20 seconds).
  static constexpr int SegueEntries = 16;
  static constexpr int FadeEntries = 20;

  // `commandLine`: the program's arguments (program name excluded), executed on the first
  // activation. `settingsFile`: the settings object's file name.
  explicit TSpinwaveMain(QStringList commandLine = {},
                         std::string settingsFile = "spinwave2.ini", QWidget* parent = nullptr);
  ~TSpinwaveMain() override;

  // "v" followed by the version number, at least six characters after the "v" ("v2.00.0").
  static QString VersionText();
  // What the update check shows for a reply: "Spinwave v" + reply when the reply's first six
  // characters differ from the six after the "v" of `versionText` and the reply begins with
  // "2."; otherwise empty (nothing is shown).
  static std::string UpdateMessage(const std::string& versionText, const std::string& reply);

  // --- Event handlers -------------------------------------------------------------------------
  // First activation: window state, panel widths, decks, playlist restore, command line, hot
  // keys, update check. Every activation: library information in the status bar.
  void FormActivate();
  // False when the console must stay open (a deck busy while SafeClose is on; the password
  // asked by AdminClose not given).
  bool FormCloseQuery();
  // Stops what runs, saves the playlist, the library's column widths and the window settings.
  // Runs once; later calls do nothing.
  void FormClose();
  // Centres the docked players panel and sizes the status bar's second panel.
  void FormResize();
  // Reply of the update check (the reply body as text).
  void UpdateInfoRecieved(const std::string& reply);

  // The jingle bank's form, created after the console when the jingle feature is enabled
  // (filled in with the jingle bank).
  void CreateJinglesForm() {}

  // A request handed over by another start of the program (see SingleInstance). Remote
  // commands are interpreted by a later part; until then a request is logged and answered 0.
  int RemoteCommand(const QString& text);
  // Brings the console to the front (another start asked for it), restoring it when minimised.
  void RaiseWindow();

  // --- State used by the playlist, library and deck parts -------------------------------------
  TSettingsFile* Settings() { return settings_.get(); }  // null after FormClose
  spinwave::TEMDB& Library() { return library_; }
  spinwave::TEMDB& PlaylistTable() { return playlist_; }
  spinwave::TEMDB& BrowseList() { return browseList_; }
  // The last file state reported for deck 1 or 2 (0 = stopped); a deck is busy while non-zero.
  void SetDeckState(int deck, int state);
  int DeckState(int deck) const;
  bool DeckBusy() const { return deckState_[0] != 0 || deckState_[1] != 0; }
  // Main volume sliders (0..255) as read at start and written on close.
  int VolumeL() const { return volumeL_; }
  int VolumeR() const { return volumeR_; }
  void SetVolumes(int left, int right);
  bool FirstActivationDone() const { return activated_; }
  const TStartupSettings& StartupSettings() const { return startup_; }
  // The folder of playlists: initial folder of the open-playlist and save-playlist dialogs.
  const std::string& ListsFolder() const { return listsFolder_; }

  // --- Controls ---------------------------------------------------------------------------------
  QMenu* SetupMenu() const { return setupMenu_; }
  QMenu* SegueMenu() const { return segueMenu_; }   // "Automix..." with "0".."15"
  QMenu* FadeMenu() const { return fadeMenu_; }     // holds FadeSub
  QMenu* FadeSub() const { return fadeSub_; }       // "Fade..." with "1 second".."20 Seconds"
  QComboBox* SecSwitch() const { return secSwitch_; }
  QTableView* PlaylistView() const { return playlistView_; }
  QTableView* DBGrid() const { return dbGrid_; }
  QWidget* ThePlayers() const { return thePlayers_; }
  QWidget* PlayersPanel() const { return playersPanel_; }
  QLabel* StatusPanel(int index) const { return statusPanels_[index]; }
  QSplitter* MainSplitter() const { return mainSplitter_; }

 public slots:
  void SetupClick();

 protected:
  // --- Work of later parts ----------------------------------------------------------------------
  // Deck entries of deck 1, deck 2, the jingle players (when enabled), the pre-listen deck and
  // the library scan's checking deck.
  virtual void RegisterDecks() {}
  // DSP plug-in host with the program folder.
  virtual void StartPlugins() {}
  // Stops the plug-in host, the microphone thread and every deck entry.
  virtual void StopEngines() {}
  // Reads a playlist file into the playlist, replacing it.
  virtual void LoadPlaylist(const std::string& /*path*/) {}
  // Adds a file or a playlist file's tracks to the playlist.
  virtual void LoadToPlaylist(const std::string& /*path*/) {}
  // Selects playlist row 1 and opens it as a double-click on the playlist does.
  virtual void PlayFirstTrack() {}
  // Writes the playlist to `path`.
  virtual void SavePlaylist(const std::string& /*path*/) {}
  // Loads the options dialog from the settings.
  virtual void ResetOptions() {}
  virtual void SetHotKeys() {}
  virtual void RemHotKeys() {}
  // Microphone thread with the chosen recording driver, when the microphone input is enabled.
  virtual void StartMicrophone() {}
  // One background request to the update server; its reply goes to UpdateInfoRecieved.
  virtual void StartUpdateCheck() {}
  // Library information in the status bar.
  virtual void SetDBInfo() {}
  // Library scan dialog / options dialog.
  virtual void EditDatabaseClick() {}
  virtual void CtrlOptionsClick() {}
  // Deck focus lamps off.
  virtual void RemoveFocus() {}
  // Segue and fade menu entries (automix): `tag` is the entry's number.
  virtual void SegueClick(int /*tag*/) {}
  virtual void FadeSecClick(int /*tag*/) {}
  // Password dialog of the access lock; true when it ended with OK. Asked only while AdminClose
  // is on.
  virtual bool AdminCloseAllowed() { return true; }
  // The live options that the close query reads (options dialog controls once it exists).
  virtual bool AdminCloseOn() const;
  virtual bool SafeCloseOn() const;

  // Runs the arguments from the first to the last: "-play", "-clear" (exact, case-sensitive)
  // or a file or playlist to add.
  void ExecuteCommandLine(const QStringList& arguments);
  // Restores the playlist kept at the last close: spinwave.npl2, else spinwave.npl, in the
  // program folder.
  void RestorePlaylist();

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void BuildWidgets();
  void BuildMenus();
  void ApplyStartupSettings();
  void OpenLibraryTable();
  void CentrePlayersPanel();
  void ShowInformationBox();
  void OpenHelp();

  QStringList commandLine_;
  std::unique_ptr<TSettingsFile> settings_;
  TStartupSettings startup_;
  std::string programFolder_;
  std::string listsFolder_;
  spinwave::TEMDB library_;
  spinwave::TEMDB playlist_;
  spinwave::TEMDB browseList_;
  spinwave::TableModel* libraryModel_ = nullptr;
  spinwave::TableModel* playlistModel_ = nullptr;
  int deckState_[2] = {0, 0};
  int volumeL_ = 255;
  int volumeR_ = 255;
  bool activated_ = false;
  bool closed_ = false;

  QWidget* thePlayers_ = nullptr;
  QWidget* playersPanel_ = nullptr;
  QLabel* artist1_ = nullptr;
  QLabel* title1_ = nullptr;
  QLabel* artist2_ = nullptr;
  QLabel* title2_ = nullptr;
  QPushButton* setup_ = nullptr;
  QComboBox* secSwitch_ = nullptr;
  QSplitter* mainSplitter_ = nullptr;
  QSplitter* dataSplitter_ = nullptr;
  QWidget* playlistPanel_ = nullptr;
  QWidget* dirTree_ = nullptr;
  QTableView* playlistView_ = nullptr;
  QTableView* dbGrid_ = nullptr;
  QLabel* statusPanels_[4] = {};
  QMenu* setupMenu_ = nullptr;
  QAction* dockPlayers_ = nullptr;
  QMenu* playlistMenu_ = nullptr;
  QMenu* segueMenu_ = nullptr;
  QMenu* fadeMenu_ = nullptr;
  QMenu* fadeSub_ = nullptr;
};
