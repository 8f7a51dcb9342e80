// The library scan without widgets: the state of the "Add files" wizard, the search of a folder
// for audio files (on the finder's thread), the adding of one library row per new file (a tag's
// stored duration, or a background open of the silent checking deck, completed by the deck
// clock), the update step that offers to delete rows whose file is gone, and emptying the
// library. The dialog TEditDatabase and the progress window TScanInfo only show this state and
// forward clicks; `spinwave --scan` runs the same search-and-add code without them.
//
// Nothing here blocks the interface thread for long: the search runs on its own thread, files
// with a stored duration are added in slices of a few milliseconds between event-loop turns,
// and every other file is measured by a background open. Cancel works at every step and keeps
// the rows added so far; the library is saved atomically (TEMDB::SaveToFile) at the end.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <QObject>
#include <QString>

#include "meta/TEMFindFile.h"
#include "meta/TEMID3Tag.h"
#include "meta/TEMMP3Info.h"
#include "table/TEMDB.h"

namespace spinwave {

class TFMODJingle;

// The check boxes of the search step. They are kept in data/scan.ini in the program folder
// (section [Scan]), beside data/struct.dat, so that `spinwave --scan` uses what the dialog used
// last, for the same library.
struct ScanOptions {
  bool SubDirs = true;      // "Include subdirectories"
  bool ExactSearch = false; // "Get exact timelength"
  bool SaveTime = false;    // "Save mp3 track time in ID3v2 Tag"
  bool OnlyID3v1 = false;   // "Only ID3v1"
};
std::string ScanOptionsFilePath();  // ProgramFolder() + "data/scan.ini"
ScanOptions LoadScanOptions();
bool SaveScanOptions(const ScanOptions& options);

// What a scan did.
struct ScanSummary {
  int Found = 0;        // audio files found that were not in the library
  int Added = 0;        // rows added
  int Already = 0;      // files found that the library already held
  int Unreadable = 0;   // files skipped because they could not be read as audio
  int Removed = 0;      // rows the update step deleted
  bool Cancelled = false;
  bool Saved = true;    // the library file was written (or nothing had to be)
  // "N added, M already in the library, K unreadable"
  std::string Text() const;
};

class LibraryScan : public QObject {
  Q_OBJECT

 public:
  enum Phase { Idle, Searching, Adding, Updating };
  static constexpr int kDirIDLength = 22;
  static constexpr const char* kMask = "*.mp3;*.wav;*.ogg";

  // `library` is the console's library table (its FileName is where it is saved). `checkDeck`
  // and `checkEntry` are the silent checking deck and the entry the console reserved for it;
  // without a deck the scan creates its own component "CheckMP3" (sound library "fmoddb.dll",
  // no sound) with one entry, as the command-line scan does.
  explicit LibraryScan(TEMDB& library, TFMODJingle* checkDeck = nullptr, int checkEntry = -1,
                       QObject* parent = nullptr);
  ~LibraryScan() override;

  TEMDB& Library() { return library_; }
  TFMODJingle& CheckDeck() { return *checkDeck_; }
  int CheckEntry() const { return checkEntry_; }

  // --- Wizard state ---------------------------------------------------------------------------
  // 0: no step shown (the help text is), 1..4: the step shown.
  int Step() const { return step_; }
  bool NextEnabled() const { return nextEnabled_; }
  bool BackEnabled() const { return backEnabled_; }
  // "Add files", "Update database" and "Empty database".
  bool ActionsEnabled() const { return actionsEnabled_; }
  bool UpdateEnabled() const { return actionsEnabled_ && updateEnabled_; }
  const std::string& Path() const { return path_; }
  const std::string& DirID() const { return dirID_; }
  void SetDirID(const std::string& id);  // cut to 22 bytes at a character boundary
  ScanOptions& Options() { return options_; }
  std::vector<std::string>& Structures() { return structures_; }
  // Quiet (the command line): no message boxes about single files or at the end of a step, and
  // the scan options are not stored; the summary says what happened.
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  void AddBtnClick();
  // The folder tree chose `path`; `caption` is the node's text (the folder's display name).
  void DirTreePathChange(const std::string& path, const std::string& caption);
  void NextBtnClick();
  void BackBtnClick();
  void CancelBtnClick();
  // Writes data/struct.dat and the scan options, then as CancelBtnClick.
  void CloseBtnClick();

  // --- The scan -------------------------------------------------------------------------------
  Phase CurrentPhase() const { return phase_; }
  bool Running() const { return phase_ != Idle; }
  // Searches Path() (with SubDirs) and adds the new files.
  void SearchBtnClick();
  // The progress window's Cancel: the running step ends at its next check.
  void Cancel();
  void UpdateBtnClick();
  void EmptyBtnClick();
  const ScanSummary& Summary() const { return summary_; }
  // Files found by the last search, in the order found (cleared when adding ends).
  const std::vector<std::string>& FoundFiles() const { return files_; }

  // For owners that drive the deck clock by hand (the command line, tests, benchmarks): waits at
  // most `timeoutMs` for the checking entry's background open to finish on the decoder thread,
  // then runs one clock tick, which completes it. False when no open was waiting.
  bool CompleteOpenNow(int timeoutMs = 10000);
  bool WaitingForOpen() const { return waitingForOpen_; }

  // Appends the row of one file (also used by the tests to check the row's cells).
  void AddRecord(const std::string& file, int timeMs);

 signals:
  void WizardChanged();
  void ProgressShown(bool shown);
  void ProgressLabel(const QString& text);      // Label1
  void ProgressFile(const QString& text);       // FileName
  void ProgressCount(const QString& text);      // Label4 ("Progress 3 of 10")
  void ProgressRange(int minimum, int maximum);
  void ProgressValue(int value);
  void CancelState(bool enabled, const QString& caption);  // Button1
  void DialogShown(bool shown);                 // the dialog hides while a scan runs
  void SortingActive(bool active);              // the library grid's SortOptions.SortActive
  void ScanRunning(bool running);               // the console's PauseTimer stops while true
  void LibraryChanged();                        // repaint the grid, update the count
  void Finished();                              // a search-and-add ended (Summary() says how)

 private:
  void ShowStep(int step);
  void FindNotifyPath(const std::string& path);
  void FindNotifyFile(const std::string& file, bool& add);
  void FindFinished();
  void NextFile();
  void ContinueLater();
  // Handles one found file; false when a background open now runs.
  bool HandleFile(const std::string& file);
  void CheckMP3NotifyOpened(int index, bool opened);
  void FinishAdding();
  void BackToStepOne();
  std::string Below(const std::string& file) const;

  TEMDB& library_;
  std::unique_ptr<TFMODJingle> ownDeck_;
  TFMODJingle* checkDeck_ = nullptr;
  int checkEntry_ = -1;

  int step_ = 0;
  bool nextEnabled_ = false;
  bool backEnabled_ = false;
  bool actionsEnabled_ = true;
  bool updateEnabled_ = true;
  bool quiet_ = false;
  std::string path_;
  std::string dirID_;
  ScanOptions options_;
  std::vector<std::string> structures_;

  Phase phase_ = Idle;
  bool cancel_ = false;
  bool continuePending_ = false;
  bool waitingForOpen_ = false;
  int index_ = -1;
  std::vector<std::string> files_;
  std::unordered_set<std::string> known_;  // "File" cells of the library, ASCII lower case
  ScanSummary summary_;

  TEMFindFile findMP3_;
  TEMID3Tag id3v2_;
  TEMMP3Info mp3Info_;
};

}  // namespace spinwave
