#include "library/LibraryScan.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <QTimer>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"
#include "library/LibraryTexts.h"
#include "meta/FolderStructures.h"
#include "meta/ID3Genres.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace texts = library_texts;

namespace {

// A slice of synchronous work (files with a stored duration, existence checks) lasts at most
// this long before the event loop gets a turn, so the window repaints and Cancel is seen.
constexpr auto kSlice = std::chrono::milliseconds(15);

std::string LowerExtension(const std::string& file) {
  const size_t dot = file.find_last_of("./");
  if (dot == std::string::npos || file[dot] != '.') return {};
  return ToLowerAscii(file.substr(dot));
}

std::string BaseName(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// Cuts a UTF-8 text to at most `max` bytes without splitting a character.
std::string CutUtf8(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

}  // namespace

std::string ScanOptionsFilePath() { return ProgramFolder() + "data/scan.ini"; }

ScanOptions LoadScanOptions() {
  TSettingsFile file(ScanOptionsFilePath());
  ScanOptions o;
  o.SubDirs = file.ReadBool("Scan", "SubDirs", o.SubDirs);
  o.ExactSearch = file.ReadBool("Scan", "ExactSearch", o.ExactSearch);
  o.SaveTime = file.ReadBool("Scan", "SaveTime", o.SaveTime);
  o.OnlyID3v1 = file.ReadBool("Scan", "OnlyID3v1", o.OnlyID3v1);
  return o;
}

bool SaveScanOptions(const ScanOptions& o) {
  MakeFolders(ProgramFolder() + "data");
  TSettingsFile file(ScanOptionsFilePath());
  bool ok = file.WriteBool("Scan", "SubDirs", o.SubDirs);
  ok = file.WriteBool("Scan", "ExactSearch", o.ExactSearch) && ok;
  ok = file.WriteBool("Scan", "SaveTime", o.SaveTime) && ok;
  ok = file.WriteBool("Scan", "OnlyID3v1", o.OnlyID3v1) && ok;
  return ok;
}

std::string ScanSummary::Text() const {
  return std::to_string(Added) + " added, " + std::to_string(Already) +
         " already in the library, " + std::to_string(Unreadable) + " unreadable";
}

LibraryScan::LibraryScan(TEMDB& library, TFMODJingle* checkDeck, int checkEntry,
                         QObject* parent)
    : QObject(parent), library_(library), checkDeck_(checkDeck), checkEntry_(checkEntry) {
  if (!checkDeck_) {
    ownDeck_ = std::make_unique<TFMODJingle>(QStringLiteral("CheckMP3"));
    ownDeck_->Init("fmoddb.dll");
    ownDeck_->SetOutputType(NOSOUND);
    ownDeck_->SetMaxChannels(1);
    ownDeck_->SetOutput();
    checkDeck_ = ownDeck_.get();
    checkEntry_ = ownDeck_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr);
  }
  checkDeck_->OnNotifyOpened = [this](FMOD_File* file, TFileState state, int) {
    if (file && file->Index == checkEntry_) CheckMP3NotifyOpened(file->Index, state == fsOpened);
  };

  structures_ = DefaultStructures();
  ReadStructureFile(structures_);
  options_ = LoadScanOptions();

  findMP3_.SetMask(kMask);
  findMP3_.SetOnNotifyPath([this](TEMFindFile*, const std::string& p) { FindNotifyPath(p); });
  findMP3_.SetOnNotifyFile(
      [this](TEMFindFile*, const std::string& f, bool& add) { FindNotifyFile(f, add); });
  findMP3_.SetOnFinnished([this](TEMFindFile*) { FindFinished(); });
}

LibraryScan::~LibraryScan() {
  if (checkDeck_) {
    checkDeck_->OnNotifyOpened = nullptr;
    if (waitingForOpen_) checkDeck_->CloseFile(checkEntry_);
  }
}

// ---------------------------------------------------------------------------------------------
// Wizard

void LibraryScan::SetDirID(const std::string& id) { dirID_ = CutUtf8(id, kDirIDLength); }

void LibraryScan::ShowStep(int step) {
  step_ = step;
  emit WizardChanged();
}

void LibraryScan::AddBtnClick() {
  backEnabled_ = false;
  actionsEnabled_ = false;
  ShowStep(1);
}

void LibraryScan::DirTreePathChange(const std::string& path, const std::string& caption) {
  nextEnabled_ = true;
  path_ = path;
  SetDirID(caption);
  emit WizardChanged();
}

void LibraryScan::NextBtnClick() {
  if (step_ < 1 || step_ > 3 || !nextEnabled_) return;
  backEnabled_ = true;
  if (step_ == 3) nextEnabled_ = false;
  ShowStep(step_ + 1);
}

void LibraryScan::BackBtnClick() {
  if (step_ < 2) return;
  nextEnabled_ = true;
  if (step_ == 2) backEnabled_ = false;
  ShowStep(step_ - 1);
}

void LibraryScan::CancelBtnClick() {
  actionsEnabled_ = true;
  ShowStep(0);
}

void LibraryScan::CloseBtnClick() {
  std::string error;
  if (!WriteStructureFile(structures_, &error))
    ShowMessage("Couldn't save the folder structures: " + error);
  SaveScanOptions(options_);
  CancelBtnClick();
}

void LibraryScan::BackToStepOne() {
  backEnabled_ = false;
  nextEnabled_ = true;
  ShowStep(1);
}

// ---------------------------------------------------------------------------------------------
// Search

std::string LibraryScan::Below(const std::string& file) const {
  return file.compare(0, path_.size(), path_) == 0 ? file.substr(path_.size()) : file;
}

void LibraryScan::SearchBtnClick() {
  if (Running() || path_.empty()) return;
  if (!quiet_) SaveScanOptions(options_);
  summary_ = ScanSummary{};
  known_.clear();
  const int fileCol = ColumnIndex(library_, "File");
  known_.reserve(static_cast<size_t>(library_.RowCount()) * 2);
  for (int r = 0; r < library_.RowCount(); ++r)
    known_.insert(ToLowerAscii(library_.TableCell(fileCol, r)));

  phase_ = Searching;
  emit DialogShown(false);
  emit SortingActive(false);
  emit ScanRunning(true);
  emit ProgressRange(0, 1);
  emit ProgressValue(0);
  emit ProgressLabel(QString::fromStdString(texts::kSearching));
  emit ProgressFile(QString::fromStdString(path_));
  emit ProgressCount(QStringLiteral("Progress 1/1"));
  emit CancelState(true, QStringLiteral("Cancel"));
  emit ProgressShown(true);

  findMP3_.SetPath(path_);
  findMP3_.SetRecursive(options_.SubDirs);
  cancel_ = false;
  findMP3_.Start();
  path_ = findMP3_.GetPath();  // with its final "/"
}

void LibraryScan::FindNotifyPath(const std::string& path) {
  emit ProgressFile(QString::fromStdString(path));
}

void LibraryScan::FindNotifyFile(const std::string& file, bool& add) {
  if (known_.count(ToLowerAscii(file))) {
    add = false;
    ++summary_.Already;
    return;
  }
  // Only regular files are read: a folder named "x.mp3" is searched as a folder, and opening a
  // pipe or a device under an audio name would hang the scan.
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    add = false;
    if (!(::stat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) ++summary_.Unreadable;
    return;
  }
  // The same file reached twice in one search (two matching patterns) is collected once.
  known_.insert(ToLowerAscii(file));
  ++summary_.Found;
  emit ProgressCount(QStringLiteral("%1 new files found").arg(summary_.Found));
}

void LibraryScan::FindFinished() {
  files_ = findMP3_.Files();
  summary_.Found = static_cast<int>(files_.size());
  if (files_.empty() || cancel_) {
    summary_.Cancelled = cancel_;
    files_.clear();
    phase_ = Idle;
    emit SortingActive(true);
    emit ProgressShown(false);
    BackToStepOne();
    emit ScanRunning(false);
    emit DialogShown(true);
    emit Finished();
    return;
  }
  phase_ = Adding;
  emit ProgressLabel(QString::fromStdString(texts::kAdding));
  emit ProgressRange(0, static_cast<int>(files_.size()) - 1);
  emit ProgressValue(0);
  checkDeck_->SetAccurateTime(options_.ExactSearch);
  checkDeck_->SetBlockAtOpening(false);
  id3v2_.SetFlags(options_.OnlyID3v1 ? TEMID3Tag::kID3v1 : (TEMID3Tag::kID3v1 | TEMID3Tag::kID3v2));
  id3v2_.SetStructures(structures_);
  // A file opened before with other flags is read again.
  id3v2_.CloseFile();
  cancel_ = false;
  index_ = -1;
  NextFile();
}

void LibraryScan::Cancel() {
  if (!Running()) return;
  cancel_ = true;
  if (findMP3_.IsSearching()) findMP3_.Cancel();
  emit CancelState(false, QStringLiteral("Please wait"));
}

// ---------------------------------------------------------------------------------------------
// Adding

void LibraryScan::ContinueLater() {
  if (continuePending_) return;
  continuePending_ = true;
  QTimer::singleShot(0, this, [this] {
    continuePending_ = false;
    if (phase_ == Adding) NextFile();
    else if (phase_ == Updating) UpdateBtnClick();
  });
}

void LibraryScan::NextFile() {
  const auto sliceEnd = std::chrono::steady_clock::now() + kSlice;
  for (;;) {
    ++index_;
    if (index_ >= static_cast<int>(files_.size()) || cancel_) {
      FinishAdding();
      return;
    }
    if (!HandleFile(files_[static_cast<size_t>(index_)])) return;  // the deck opens it
    if (std::chrono::steady_clock::now() >= sliceEnd) {
      ContinueLater();
      return;
    }
  }
}

bool LibraryScan::HandleFile(const std::string& file) {
  const int count = static_cast<int>(files_.size());
  emit ProgressFile(QString::fromStdString(Below(file)));
  emit ProgressCount(QStringLiteral("Progress %1 of %2").arg(index_ + 1).arg(count));
  emit ProgressValue(index_);

  const std::string ext = LowerExtension(file);
  id3v2_.SetTime(0);
  if (ext != ".wav") id3v2_.SetFilename(file);
  if (id3v2_.GetTime() > 0 && id3v2_.GetFileName() == file) {
    // A stored duration spares the decoding, but a file that is not MPEG audio at all is not
    // added on the strength of its tag alone.
    if (ext == ".mp3" && !mp3Info_.GetInfo(file)) {
      ++summary_.Unreadable;
      return true;
    }
    AddRecord(file, id3v2_.GetTime());
    return true;
  }

  const int result = checkDeck_->OpenFile(file, checkEntry_);
  if (result < 0) {
    ++summary_.Unreadable;
    if (!quiet_) {
      ShowMessage(texts::kWrongFile + ": " +
                  (result == -2 ? texts::kNotInitialized : texts::kCouldntOpen + file));
      emit ProgressShown(true);
    }
    return true;
  }
  if (result == 0) {  // a name too short to be a file
    ++summary_.Unreadable;
    return true;
  }
  waitingForOpen_ = true;
  return false;
}

void LibraryScan::CheckMP3NotifyOpened(int index, bool opened) {
  if (!waitingForOpen_ || phase_ != Adding) return;
  waitingForOpen_ = false;
  if (opened) {
    const std::string file = checkDeck_->GetFileName(index);
    const int duration = checkDeck_->GetDuration(index);
    checkDeck_->CloseFile(index);
    if (duration > 0) {
      AddRecord(file, duration);
      if (options_.SaveTime && LowerExtension(file) != ".wav" && id3v2_.GetFileName() == file &&
          id3v2_.IsOpened()) {
        id3v2_.SetTime(duration);
        id3v2_.SaveID3v2Tag();
      }
    } else {
      ++summary_.Unreadable;  // opened but holds no sound: not a row anyone could play
    }
  } else {
    checkDeck_->CloseFile(index);
    ++summary_.Unreadable;  // a file the sound library cannot open is skipped without a message
  }
  // Continued from the event loop, not from inside the deck clock's tick.
  ContinueLater();
}

bool LibraryScan::CompleteOpenNow(int timeoutMs) {
  if (!waitingForOpen_) return false;
  FMOD_File* entry = TFMODJingle::GetFileEntry(checkEntry_);
  SoundLib* lib = checkDeck_->Library();
  if (entry && lib && entry->State == fsOpening) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (lib->Stream_GetOpenState(entry->Stream) == -2 &&
           std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  TFMODJingle::NotifyTimerTime();
  if (waitingForOpen_ && entry && entry->State == fsOpening && lib &&
      lib->Stream_GetOpenState(entry->Stream) == -2) {
    // The decoder never finished: the file is given up rather than the scan hanging on it.
    waitingForOpen_ = false;
    checkDeck_->CloseFile(checkEntry_);
    ++summary_.Unreadable;
    ContinueLater();
  }
  return true;
}

void LibraryScan::AddRecord(const std::string& file, int timeMs) {
  const std::string ext = LowerExtension(file);
  if (ext == ".wav" || id3v2_.GetFileName() != file || !id3v2_.IsOpened()) {
    // No tag: the values of a file without one, never those of the file scanned before.
    id3v2_.CloseFile();
    id3v2_.SetArtist({});
    id3v2_.SetTitle({});
    id3v2_.SetAlbum({});
    id3v2_.SetYear({});
    id3v2_.SetComment({});
    id3v2_.SetV2Genre({});
    id3v2_.SetID3v1Genre(ID3v1Genres()[0]);
    id3v2_.SetTracknr(0);
  } else if (!id3v2_.GetHasTag()) {
    id3v2_.ReadStructure(static_cast<int>(path_.size()) + 1);
  }

  const int row = library_.RowCount();
  library_.SetRowCount(row + 1);
  auto set = [&](const char* name, const std::string& text) {
    SetLibraryItem(library_, name, row, text);
  };
  set("File", file);
  set("Time", std::to_string(timeMs));
  set("ID", dirID_);
  set("Gain", "0");
  set("PlTimes", "0");
  set("Intro", "0:00");
  set("Outro", "0:00");
  set("Automix", "-1");
  set("Artist", id3v2_.GetArtist().empty() ? BaseName(file) : id3v2_.GetArtist());
  set("Title", id3v2_.GetTitle());
  set("Album", id3v2_.GetAlbum());
  set("Year", id3v2_.GetYear());
  set("Comment", id3v2_.GetComment());
  set("Genre 1", id3v2_.GetV1Genre());
  set("Genre 2", id3v2_.GetV2Genre());
  set("Tracknr", std::to_string(id3v2_.GetTracknr()));
  known_.insert(ToLowerAscii(file));
  ++summary_.Added;
}

void LibraryScan::FinishAdding() {
  summary_.Cancelled = cancel_;
  std::string error;
  const bool saved = library_.SaveToFile({}, &error);
  summary_.Saved = saved;
  emit SortingActive(true);
  library_.Sort(library_.SortCol, false);
  emit LibraryChanged();
  emit ProgressShown(false);
  files_.clear();
  phase_ = Idle;
  checkDeck_->SetBlockAtOpening(true);
  if (!saved) ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
  if (!quiet_)
    ShowInformation(texts::kFinishedText + ":\n\n" + path_ + "\n\n" + summary_.Text());
  BackToStepOne();
  emit ScanRunning(false);
  emit DialogShown(true);
  emit Finished();
}

// ---------------------------------------------------------------------------------------------
// Update and empty

void LibraryScan::UpdateBtnClick() {
  const int fileCol = ColumnIndex(library_, "File");
  if (phase_ == Idle) {
    phase_ = Updating;
    cancel_ = false;
    updateEnabled_ = false;
    summary_ = ScanSummary{};
    index_ = 0;
    emit WizardChanged();
    emit ProgressRange(0, library_.GetRowCount());
    emit ProgressLabel(QString::fromStdString(texts::kChecking));
    emit ProgressFile(QString());
    emit CancelState(true, QStringLiteral("Cancel"));
    emit ProgressShown(true);
  } else if (phase_ != Updating) {
    return;
  }
  const auto sliceEnd = std::chrono::steady_clock::now() + kSlice;
  const int artistCol = ColumnIndex(library_, texts::kDBArtist);
  const int titleCol = ColumnIndex(library_, texts::kDBTitle);
  while (index_ < library_.GetRowCount() && !cancel_) {
    emit ProgressValue(index_);
    const std::string file = library_.GetItem(fileCol, index_);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
      const std::string question = library_.GetItem(artistCol, index_) + "-" +
                                   library_.GetItem(titleCol, index_) +
                                   " doesn't exist!\n\nDelete it from the database?";
      if (AskYesNo(question)) {
        library_.DeleteRow(index_);
        ++summary_.Removed;
        continue;
      }
    }
    ++index_;
    if (std::chrono::steady_clock::now() >= sliceEnd) {
      ContinueLater();
      return;
    }
  }
  emit LibraryChanged();
  emit ProgressShown(false);
  phase_ = Idle;
  if (summary_.Removed > 0) {
    std::string error;
    summary_.Saved = library_.SaveToFile({}, &error);
    if (!summary_.Saved)
      ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
  }
  if (!quiet_) ShowInformation(texts::kFinishedText);
  updateEnabled_ = true;
  emit WizardChanged();
  emit Finished();
}

void LibraryScan::EmptyBtnClick() {
  if (Running()) return;
  if (!AskYesNo(texts::kEmptyQuestion)) return;
  // The old library is kept aside before it is rebuilt, so a wrong answer loses nothing.
  if (!library_.FileName.empty() && FileExists(library_.FileName)) {
    std::string error;
    if (!CopyFileAtomically(library_.FileName, library_.FileName + ".bak", &error)) {
      ShowMessage("Couldn't keep a copy of the library (" + error + "); it was not emptied.");
      return;
    }
  }
  std::string error;
  if (!CreateDatabase(library_, &error))
    ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
  emit LibraryChanged();
}

}  // namespace spinwave
