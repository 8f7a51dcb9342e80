// ConsoleCore: everything the console is, without a window. It reads the settings, creates the
// deck components from them, the data and lists folders, the library, playlist and browse
// tables, the live options, the playlist model, the deck ports and the transport; on the first
// activation it registers the deck entries in their fixed order, restores the kept playlist and
// runs the command line; on close it stops the decks, keeps the playlist and writes its keys.
//
// main.cpp builds one and hands it to the window (TSpinwaveMain), which only shows and
// forwards. Tests build it alone, with every deck on the non-real-time output, and move time on
// with Advance(ms).
//
// Entry table (fixed from the first activation on; other parts address entries by index):
//   0 deck 1 (Player1), 1 deck 2 (Player2), 2..11 the jingle slots (only with JingleEnabled,
//   JinglesPlayer), then the pre-listen deck (DataPlayer), then the library scan's checking
//   entry (CheckMP3).
// With CentralOutput (the default) Player2 and JinglesPlayer are Player1: one output for both
// decks and the jingles; the pre-listen deck keeps an output of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "app/SingleInstance.h"
#include "core/SettingsFile.h"
#include "engine/DeckEntry.h"
#include "table/TEMDB.h"

namespace spinwave {

class CheckingDeckReader;
class DSPHost;
class TMicThread;
class DeckPort;
class DeckKeyLock;
class LibraryModel;
class Live365Control;
class TitleStreamer;
class UpdateCheck;
class DeckTransport;
class OptionsStore;
class PlaylistModel;
class RemoteCommands;
class TFMODJingle;
class JingleBank;
struct DeckControlSet;

struct ConsoleCoreOptions {
  // Every deck on the non-real-time output with the deck clock driven by hand: nothing plays
  // until Advance(ms) mixes. For tests and tools that must be exact.
  bool nonRealtime = false;
};

class ConsoleCore : public QObject {
  Q_OBJECT
 public:
  static constexpr int kJingleSlots = 10;
  static constexpr const char* kCantClose = "Can't close unless both players are stopped!";

  // `commandLine`: the program's arguments (program name excluded), run at the first
  // activation. `settingsFile`: the settings object's file name.
  explicit ConsoleCore(QStringList commandLine = {}, std::string settingsFile = "spinwave2.ini",
                       ConsoleCoreOptions options = {}, QObject* parent = nullptr);
  ~ConsoleCore() override;

  // --- Parts ----------------------------------------------------------------------------------
  TSettingsFile* Settings() { return settings_.get(); }  // null after Close
  const TStartupSettings& Startup() const { return startup_; }
  OptionsStore& Options() { return *options_; }
  TEMDB& Library() { return library_; }
  TEMDB& PlaylistTable() { return playlist_; }
  TEMDB& BrowseList() { return browseList_; }
  PlaylistModel& Playlist() { return *playlistModel_; }
  DeckTransport& Transport() { return *transport_; }
  DeckPort& Deck(int deck);  // 0 or 1
  DeckKeyLock& KeyLock();    // keylock of both decks, kept in the settings
  DeckPort& PreListen() { return *preListenPort_; }

  TFMODJingle& Player1() { return *player1_; }
  TFMODJingle& Player2() { return *player2_; }
  TFMODJingle& DataPlayer() { return *dataPlayer_; }
  TFMODJingle& CheckMP3() { return *checkMP3_; }
  // The jingle bank's component: Player1 with CentralOutput; null while the bank is disabled
  // and has no component of its own.
  TFMODJingle* JinglesPlayer() { return jinglesPlayer_; }
  // The ten jingle slots on entries 2..11 and the DJ jingle lists; null while JingleEnabled is
  // off (made by the first activation).
  JingleBank* Jingles() { return jingles_.get(); }

  // Entry indices (fixed once the first activation registered them).
  int JingleEntry(int slot) const { return jingleEnabled_ ? 2 + slot : -1; }
  int PreListenEntry() const { return jingleEnabled_ ? 12 : 2; }
  int CheckingEntry() const { return PreListenEntry() + 1; }

  const std::string& ProgramFolder() const { return programFolder_; }
  const std::string& ListsFolder() const { return listsFolder_; }
  // What the status bar says about the sound output (the fallback to no sound), once; empty
  // when every output opened.
  const QString& OutputNote() const { return outputNote_; }

  // --- Life cycle -----------------------------------------------------------------------------
  // The first activation (later calls do nothing): loads the options, registers the entries
  // with the controls given (null: an entry without controls), restores the kept playlist,
  // runs the command line and starts the console's timer.
  void Activate(const DeckControlSet* deck1 = nullptr, const DeckControlSet* deck2 = nullptr,
                const DeckControlSet* preListen = nullptr);
  bool Activated() const { return activated_; }
  // Whether closing may go on: with SafeClose on a busy deck refuses with a message.
  bool CloseQuery();
  // Stops every entry, keeps the playlist in spinwave.npl2, saves the library's column widths,
  // writes the keys this part owns and releases the settings. Runs once.
  void Close();
  bool Closed() const { return closed_; }

  // Non-real-time output: mixes `ms` milliseconds on every component in 10 ms blocks, each
  // followed by a deck clock tick and a tick of the console's timer.
  void Advance(int ms);

  // --- Rendering to a file (non-real-time output only) ----------------------------------------
  // Mixes one 10 ms block of the two main decks into `out` (interleaved stereo 16-bit at
  // MixRate(); the decks' outputs summed when each has its own), then runs the other outputs,
  // a deck clock tick and a tick of the console's timer, as Advance(10) does. Returns the
  // frames written (0 without the non-real-time output). `settle`: first wait until every
  // decoder has filled its buffer (always safe; without it the buffers must still hold the
  // block, which they do for seconds after a settled block).
  int MixBlock(std::vector<std::int16_t>& out, bool settle = true);
  int MixRate() const;

  // --- Work of the first activation, reachable on their own -------------------------------------
  // Runs the arguments from the first to the last: "-play" (playlist row 1 into a deck, as a
  // double-click), "-clear" (empties the playlist), anything else a file or playlist to add.
  // Exact and case-sensitive: "-PLAY" is a file name.
  void ExecuteCommandLine(const QStringList& arguments);
  // spinwave.npl2, else spinwave.npl, of the program folder into the playlist.
  void RestorePlaylist();
  // The kept playlist's file.
  std::string KeptPlaylistPath() const { return programFolder_ + "spinwave.npl2"; }

  // A command sent by another program or start (see RemoteCommands.h) and its reply.
  RemoteReply RemoteCommand(const QString& text);
  RemoteCommands& Remote() { return *remote_; }

  // Default segue seconds (the automix-seconds selector, 0..15).
  int AutomixSeconds() const { return automixSeconds_; }
  void SetAutomixSeconds(int seconds);

  // The jingle bank registers its ten players here (entries 2..11, before the pre-listen deck)
  // when JingleEnabled: called once per slot with the bank's component; returns the entry made.
  // Without it each slot gets an entry without controls, so the indices stay fixed.
  std::function<int(TFMODJingle& jingles, int slot)> CreateJinglePlayer;

  // --- Library browser and broadcasting (ConsoleCoreLibrary.cpp) ------------------------------
  // "v" and the version number, at least six characters after the "v" ("v2.00.0"): what the
  // status bar shows and what the update check compares.
  static QString VersionText();
  // The browser's logic over the library: what the tree shows, search, pre-listen on the
  // pre-listen entry, removing rows, the track count and the library scan (Scan()).
  LibraryModel& Browser() { return *browser_; }
  // The one owner of the SendInfo switch and of what the servers were sent.
  TitleStreamer& Streamer() { return *streamer_; }
  Live365Control& Live365() { return *live365_; }
  UpdateCheck& Updates() { return *updateCheck_; }
  // Whether the console shows its SendInfo button (any destination enabled) and its
  // ShowLive365 button (Live365Ctrl), from the live options.
  bool SendInfoButtonVisible() const;
  bool Live365ButtonVisible() const;
  // The console's timer (the time of day for the start times) runs; it rests while a library
  // scan runs.
  bool PauseTimerRunning() const { return pauseTimer_.isActive(); }

  // --- DSP plug-ins and talkover (ConsoleCoreDSP.cpp) -----------------------------------------
  // The plug-in host, made by the first activation (after the entries exist) from the DSP
  // settings and released by the close; null before and after.
  DSPHost* DSP() { return dsp_.get(); }
  // The windows the plug-ins parent theirs on (the console's, and the one of the application
  // for plug-ins not kept on top of the console: null, a window of its own). Before Activate.
  void SetDSPWindows(void* consoleWindow, void* applicationWindow);
  // The options' "configure" of a plug-in slot (DSPHost::Slot): its module's Config. False when
  // the slot holds no plug-in.
  bool ConfigDSP(int slot);
  // The talkover button: toggles the Talking lamp, ducks or releases both decks (the ramp runs
  // on the console's timer) and un-mutes or mutes the microphone with the lamp.
  void TalkoverClick();
  bool Talking() const { return talking_.load(); }
  // The microphone thread while RecordInput is on (null otherwise, and after the close).
  TMicThread* Mic() { return mic_.get(); }
  // What the talkover button's hint says about the microphone.
  const QString& TalkoverHint() const { return talkoverHint_; }

 signals:
  // The library has no rows at the first activation: the library scan dialog is wanted.
  void libraryScanWanted();
  void activated();
  // The options changed what the SendInfo or ShowLive365 button shows.
  void broadcastButtonsChanged();
  // A line for the status bar (a title that was not sent, a failed request, Live365).
  void statusMessage(const QString& text);
  // The Talking lamp changed.
  void talkingChanged(bool lit);
  // The talkover button's hint changed (the microphone started, or could not).
  void talkoverHintChanged(const QString& hint);

 private:
  void CreateFolders();
  void OpenLibraryTable();
  void CreateDecks();
  // One component set up from the settings (output type, driver, speakers, buffer, flags),
  // falling back to the no-sound output when its device cannot be opened.
  std::unique_ptr<TFMODJingle> MakeDeck(const char* name, const char* library, int maxChannels,
                                        int driver, int speakers, bool mainDeck);
  void RegisterEntries(const DeckControlSet* deck1, const DeckControlSet* deck2,
                       const DeckControlSet* preListen);
  void CountPlay(const QString& file);
  // Library browser and broadcasting: made with the core, started at the first activation
  // (after the entries exist), told at close.
  void BuildLibraryAndBroadcast();
  void ActivateLibraryAndBroadcast();
  void CloseBroadcast();
  // DSP plug-ins and the microphone: started at the end of the first activation, stopped by
  // the close (and by a destruction without one) before the deck components go.
  void StartDSPAndMic();
  void StartMic();
  void StopDSPAndMic();

  QStringList commandLine_;
  ConsoleCoreOptions coreOptions_;
  std::unique_ptr<TSettingsFile> settings_;
  DeckKeyLock* keyLock_ = nullptr;  // child object
  void StartKeyLock();
  TStartupSettings startup_;
  std::string programFolder_;
  std::string listsFolder_;
  bool jingleEnabled_ = false;
  bool centralOutput_ = true;
  int automixSeconds_ = 4;
  QString outputNote_;

  TEMDB library_;
  TEMDB playlist_;
  TEMDB browseList_;
  std::unique_ptr<OptionsStore> options_;

  std::unique_ptr<TFMODJingle> player1_;
  std::unique_ptr<TFMODJingle> ownPlayer2_;
  std::unique_ptr<TFMODJingle> ownJingles_;
  std::unique_ptr<TFMODJingle> dataPlayer_;
  std::unique_ptr<TFMODJingle> checkMP3_;
  TFMODJingle* player2_ = nullptr;
  TFMODJingle* jinglesPlayer_ = nullptr;

  std::unique_ptr<JingleBank> jingles_;
  std::unique_ptr<CheckingDeckReader> reader_;
  std::unique_ptr<PlaylistModel> playlistModel_;
  std::unique_ptr<DeckPort> deckPorts_[2];
  std::unique_ptr<DeckPort> preListenPort_;
  std::unique_ptr<DeckTransport> transport_;
  QTimer pauseTimer_;

  // Library browser and broadcasting.
  std::unique_ptr<LibraryModel> browser_;
  std::unique_ptr<TitleStreamer> streamer_;
  std::unique_ptr<Live365Control> live365_;
  std::unique_ptr<UpdateCheck> updateCheck_;
  std::unique_ptr<RemoteCommands> remote_;

  // DSP plug-ins and talkover. `talking_` is the Talking lamp; the mixing thread reads it.
  std::unique_ptr<DSPHost> dsp_;
  std::unique_ptr<TMicThread> mic_;
  std::atomic<bool> talking_{false};
  QString talkoverHint_;
  void* dspWindows_[2] = {nullptr, nullptr};

  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace spinwave
