// The main console window: widgets only. It shows the console core (ConsoleCore) and forwards
// what the user does to it; every rule lives in the core and its parts (the playlist model, the
// deck transport), so a handler here is one line or close to it.
//
// Layout: the deck panel (PlayersPanel, centred in ThePlayers) with the audio-control panel
// below it while the crossfader is on; the console buttons; the playlist grid on the left and
// the library browser (LibraryBrowser: folder tree, library grid or folder file list, search,
// pre-listen) on the right; the status bar (total playing time, playlist rows or the last
// broadcast message, the library's track count, version).
//
// Seams for the parts that come later: the options dialog opens from CtrlOptionsClick; the
// jingle bank's form from JinglesClick; skins move the panel's controls by name. See
// docs/app.md.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;

namespace spinwave {
class ConsoleCore;
class LibraryBrowser;
class TLive365;
class ConsoleKeyboard;
class ConsoleKeys;
class ConsoleLock;
class ConsoleLook;
class PlayersPanel;
class TEMButton;
class TEMDBGrid;
class TEMLed;
class TImagePanel;
class TJinglesForm;
class TOptions;
}

class TSpinwaveMain : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int SegueEntries = 16;
  static constexpr int FadeEntries = 20;

  explicit TSpinwaveMain(spinwave::ConsoleCore& core, QWidget* parent = nullptr);
  ~TSpinwaveMain() override;

  spinwave::ConsoleCore& Core() { return core_; }

  // "v" followed by the version number, at least six characters after the "v" ("v2.00.0").
  static QString VersionText();

  // --- Life cycle -----------------------------------------------------------------------------
  // First activation: the core's work (entries bound to the panel's controls, playlist,
  // command line), then the options that shape the window. Every activation: the library line
  // of the status bar.
  void FormActivate();
  bool FormCloseQuery();
  // The session manager's end-of-session request and SIGTERM (SpinwaveMainRemote.cpp): the
  // password (AdminClose) and the SafeClose rule are asked once; true when the console closed.
  bool EndSessionQuery();
  // Writes the window's geometry, then closes the core. Runs once.
  void FormClose();
  void FormResize();
  void RaiseWindow();
  // The deck panel in a window of its own at (left, top) of the screen, and back.
  void UndockPlayers(const QPoint& topLeft);
  // The deck panel changed its size (a skin): the area holding it follows.
  void PlayersResized() { SizePlayersArea(); }
  // The language changed: the texts the window composes itself are shown again.
  void ShowLanguageTexts();
  void DockPlayers();
  bool PlayersFloating() const { return floatHost_ != nullptr; }
  QWidget* FloatHost() const { return floatHost_; }

  // --- Handlers (each forwards to the core) -------------------------------------------------
  void SetupClick();
  void OpenListClick();
  void SaveListClick();
  void ClearListClick();
  void PlaylistDblClick();
  void AddToPlaylist(bool fromDrop);
  void ShuffleClick();
  void XFaderClick();
  // The automix lamps, the Break switch and the Segue column (SpinwaveMainAutomix.cpp).
  void ConnectAutomix();
  // A drop from the console's own sources at playlist grid position (x, y).
  void PlaylistDrop(const QString& source, int x, int y);
  // A drop on the deck panel at panel x: the left half is deck 1, the right deck 2.
  void PlayersDrop(const QString& source, int x);
  // Files dropped from the desktop.
  void DropFiles(const QStringList& paths);
  // Library and broadcasting (SpinwaveMainLibrary.cpp).
  void EditDatabaseClick();
  void SendInfoClick();
  void ShowLive365Click();
  // A line of the title streaming or Live365 in the status bar's hint panel.
  void ShowStatusMessage(const QString& text);
  // Options dialog and jingle window (SpinwaveMainOptions.cpp).
  void CtrlOptionsClick();
  // A widget the user types into (an edit, a spin box, an editable combo box): digit keys are
  // text there, not jingles.
  static bool TypesText(const QWidget* w);
  void JinglesClick();
  // A digit key ('0'..'9') fires its jingle slot unless an editor has the focus; true when the
  // key was a jingle key. The console's key handler calls it for unmodified digit keys.
  bool JingleKey(int key);
  spinwave::TOptions* OptionsDialog() const { return options_; }
  spinwave::TJinglesForm* JinglesForm() const { return jinglesForm_; }

  // --- Controls ---------------------------------------------------------------------------------
  spinwave::PlayersPanel* Players() const { return players_; }
  spinwave::TImagePanel* ThePlayers() const { return thePlayers_; }
  spinwave::TEMDBGrid* Playlist() const { return playlist_; }
  spinwave::LibraryBrowser* Library() const { return library_; }
  spinwave::TLive365* Live365Window() const { return live365_; }
  // Language and skin of the console (applied at the first activation).
  spinwave::ConsoleLook* Look() const { return look_; }
  // The access lock (function locks, password before guarded actions).
  spinwave::ConsoleLock* Lock() const { return lock_; }
  // The on-screen keyboard for the library search (Setup → "On-screen keyboard").
  spinwave::ConsoleKeyboard* Keyboard() const { return keyboard_; }
  // The keyboard control of the console (function keys, digits, the deck keys).
  spinwave::ConsoleKeys* Keys() const { return keys_; }
  void OnScreenKeyboardClick();
  QMenu* SetupMenu() const { return setupMenu_; }
  QMenu* PlaylistMenu() const { return playlistMenu_; }
  QMenu* SegueMenu() const { return segueMenu_; }
  QMenu* FadeMenu() const { return fadeMenu_; }
  QMenu* FadeSub() const { return fadeSub_; }
  QComboBox* SecSwitch() const { return secSwitch_; }
  QLabel* StatusPanel(int index) const { return statusPanels_[index]; }
  QSplitter* MainSplitter() const { return mainSplitter_; }
  spinwave::TEMButton* Button(const QString& name) const;
  // The red line drawn while something is dragged over the playlist: its row (0 none) and
  // whether it runs along the row's bottom edge.
  int DropLineRow() const { return dropLineRow_; }

  // Dialog choices for tests and tools: when set, they answer instead of a file dialog.
  std::function<QString()> ChooseOpenFile;
  std::function<QString(int& filterIndex)> ChooseSaveFile;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildWidgets();
  void BuildButtons(QWidget* parent, class QHBoxLayout* layout);
  // The library browser at the right of the playlist (SpinwaveMainLibrary.cpp).
  spinwave::LibraryBrowser* BuildLibrary(QWidget* parent);
  void ConnectLibrary();
  // The talkover button and lamp, and the plug-ins' windows (SpinwaveMainDSP.cpp).
  void ConnectTalkover();
  void ShowBroadcastButtons();
  void BuildOptions();
  void ActivateOptions();
  void CloseOptions();
  void ShowTrackCount(const QString& text);
  void BuildMenus();
  void ConnectCore();
  // Keys, remote commands' window side (SpinwaveMainRemote.cpp).
  void ConnectRemote();
  void ConnectKeyLock();
  void ApplyStartupSettings();
  void ApplyOptions();
  void ShowTotal();
  void ShowRowCount();
  void RepaintRow(int row);
  void SyncCursor();
  void CentrePlayersPanel();
  void SizePlayersArea();
  void PlaylistMenuPopup();
  void FadeMenuPopup(int deck, const QPoint& at);
  bool PlaylistDragOver(const QString& source, int x, int y);
  void ShowInformationBox();
  void OpenHelp();

  spinwave::ConsoleCore& core_;
  spinwave::ConsoleLook* look_ = nullptr;
  spinwave::ConsoleLock* lock_ = nullptr;
  spinwave::ConsoleKeyboard* keyboard_ = nullptr;
  spinwave::ConsoleKeys* keys_ = nullptr;
  spinwave::TOptions* options_ = nullptr;
  spinwave::TJinglesForm* jinglesForm_ = nullptr;
  std::map<std::string, std::string> engineOptions_;  // as the sound engine was built
  bool activated_ = false;
  bool closed_ = false;

  spinwave::TImagePanel* thePlayers_ = nullptr;
  spinwave::PlayersPanel* players_ = nullptr;
  spinwave::TEMDBGrid* playlist_ = nullptr;
  QWidget* dropLine_ = nullptr;
  spinwave::LibraryBrowser* library_ = nullptr;
  spinwave::TLive365* live365_ = nullptr;
  QSplitter* mainSplitter_ = nullptr;
  QComboBox* secSwitch_ = nullptr;
  spinwave::TEMLed* autoMixLed_ = nullptr;
  QLabel* statusPanels_[4] = {};
  QMenu* setupMenu_ = nullptr;
  QAction* dockPlayers_ = nullptr;
  QMenu* playlistMenu_ = nullptr;
  QMenu* segueMenu_ = nullptr;
  QMenu* finetuneMenu_ = nullptr;
  QMenu* fadeMenu_ = nullptr;
  QMenu* fadeSub_ = nullptr;
  QAction* openInPlayer_ = nullptr;
  QAction* openLeft_ = nullptr;
  QAction* openRight_ = nullptr;
  QAction* openPreListen_ = nullptr;
  QAction* removeX_ = nullptr;
  QAction* dontPlay_ = nullptr;

  QWidget* floatHost_ = nullptr;
  QPoint panelGrab_;  // where the deck panel was grabbed, in panel coordinates
  bool panelDragging_ = false;

  // Playlist drag state.
  QPoint pressAt_;
  bool pressedOnRow_ = false;
  int dropLineRow_ = 0;
  bool dropBelow_ = false;
};
