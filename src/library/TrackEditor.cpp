#include "library/TrackEditor.h"

#include <cstdio>

#include <QFile>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryTexts.h"
#include "meta/ID3Genres.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace texts = library_texts;

std::string TimeWithMilliseconds(int ms) {
  if (ms < 0) ms = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d.%03d", ms / 60000, (ms / 1000) % 60, ms % 1000);
  return buf;
}

TrackEditor::TrackEditor(TEMDB& library, TFMODJingle* checkDeck, int checkEntry,
                         QObject* parent)
    : QObject(parent), library_(library), checkDeck_(checkDeck), checkEntry_(checkEntry) {}

// ---------------------------------------------------------------------------------------------
// Records and navigation

int TrackEditor::RecordCount() const {
  // Library mode counts grid rows (row 0 is the header); file mode counts files.
  return mode_ == LibraryMode ? library_.GetRowCount() + 1 : static_cast<int>(files_.Names.size());
}

int TrackEditor::FirstRecord() const { return mode_ == LibraryMode ? 1 : 0; }

bool TrackEditor::RecordSelected(int record) const {
  if (record < FirstRecord() || record >= RecordCount()) return false;
  if (mode_ == LibraryMode) return library_.GetRowSelected(record - 1);
  return record < static_cast<int>(files_.Selected.size()) && files_.Selected[size_t(record)];
}

int TrackEditor::TableRow() const {
  if (mode_ != LibraryMode || record_ < 1) return -1;
  // The row the grid shows, also while a search filter is active: writing table row
  // "grid row - 1" would change another track than the one edited.
  return library_.MapRow(record_ - 1);
}

void TrackEditor::ShowLibrary() {
  mode_ = LibraryMode;
  record_ = -1;
  selBack_ = selForw_ = false;
  selForw_ = true;
  SelForwClick();
}

void TrackEditor::ShowFiles(const FileSelection& files) {
  mode_ = FileMode;
  files_ = files;
  files_.Selected.resize(files_.Names.size(), false);
  record_ = -1;
  selBack_ = selForw_ = false;
  int selected = 0;
  for (bool s : files_.Selected) selected += s ? 1 : 0;
  if (selected < 2) {
    record_ = files_.Current;
    EditRecord();
    emit RecordChanged();
  } else {
    selForw_ = true;
    SelForwClick();
  }
}

void TrackEditor::SelForwClick() {
  if (saving_) return;
  if (record_ >= FirstRecord()) selBack_ = true;
  int r = std::max(record_ + 1, FirstRecord());
  while (r < RecordCount() && !RecordSelected(r)) ++r;
  if (r >= RecordCount()) {
    selForw_ = false;
    return;
  }
  record_ = r;
  EditRecord();
  int next = r + 1;
  while (next < RecordCount() && !RecordSelected(next)) ++next;
  selForw_ = next < RecordCount();
  emit RecordChanged();
}

void TrackEditor::SelBackClick() {
  if (saving_) return;
  selForw_ = true;
  int r = record_ - 1;
  while (r >= FirstRecord() && !RecordSelected(r)) --r;
  if (r < FirstRecord()) {
    selBack_ = false;
    return;
  }
  record_ = r;
  EditRecord();
  int previous = r - 1;
  while (previous >= FirstRecord() && !RecordSelected(previous)) --previous;
  selBack_ = previous >= FirstRecord();
  emit RecordChanged();
}

// ---------------------------------------------------------------------------------------------
// Fields

void TrackEditor::EditRecord() {
  if (mode_ == LibraryMode && record_ <= 0) return;
  if (mode_ == FileMode && (record_ < 0 || record_ >= static_cast<int>(files_.Names.size())))
    return;
  fields_ = TrackFields{};
  fields_.V1Genre = ID3v1Genres().empty() ? std::string() : ID3v1Genres()[0];

  if (mode_ == LibraryMode) {
    auto item = [this](const char* name) { return GetLibraryItem(library_, name, record_); };
    fields_.FileName = item("File");
    fields_.Artist = item("Artist");
    fields_.Title = item("Title");
    fields_.Album = item("Album");
    fields_.Year = item("Year");
    fields_.Comment = item("Comment");
    const std::string genre1 = item("Genre 1");
    fields_.V1Genre = ID3v1GenreIndex(genre1) >= 0 ? ID3v1Genres()[size_t(ID3v1GenreIndex(genre1))] : std::string();
    fields_.V2Genre = item("Genre 2");
    fields_.ID = item("ID");
    fields_.Time = TimeWithMilliseconds(LeadingInt32(item("Time")));
    fields_.PlayedTimes = item("PlTimes") + " time(s)";
    fields_.Intro = item("Intro");
    fields_.Outro = item("Outro");
    fields_.Automix = item("Automix");
    fields_.Tracknr = LeadingInt32(item("Tracknr"));
  } else {
    std::string folder = files_.Folder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    fields_.FileName = folder + files_.Names[size_t(record_)];
  }

  if (mp3FastInfo_.GetInfo(fields_.FileName)) {
    fields_.MPEGLayer = std::to_string(mp3FastInfo_.GetMPEGLayer());
    fields_.SampleRate = std::to_string(mp3FastInfo_.GetSampleRate());
    switch (mp3FastInfo_.GetMPEGVersion()) {
      case MPEGVER_1: fields_.MPEGVersion = "1.0"; break;
      case MPEGVER_2: fields_.MPEGVersion = "2.0"; break;
      case MPEGVER_25: fields_.MPEGVersion = "2.5"; break;
      default: break;
    }
  }

  if (id_.SetFilename(fields_.FileName) && id_.GetFileName() == fields_.FileName &&
      id_.GetHasTag()) {
    // The tag's values win over the library's, empty ones included.
    fields_.Title = id_.GetTitle();
    fields_.Artist = id_.GetArtist();
    fields_.Album = id_.GetAlbum();
    fields_.Year = id_.GetYear();
    fields_.Tracknr = id_.GetTracknr();
    if (!id_.GetV1Genre().empty()) fields_.V1Genre = id_.GetV1Genre();
    fields_.V2Genre = id_.GetV2Genre();
    fields_.Comment = id_.GetComment();
    fields_.Composer = id_.GetComposer();
    fields_.OrgArtist = id_.GetOrgArtist();
    fields_.Copyright = id_.GetCopyright();
    fields_.EncodedBy = id_.GetEncodedBy();
  }
  if (mode_ == LibraryMode && id_.GetFileName() == fields_.FileName)
    id_.SetTime(LeadingInt32(GetLibraryItem(library_, "Time", record_)));

  if (fields_.Intro.size() != 4) fields_.Intro = "0:00";
  if (fields_.Outro.size() != 4) fields_.Outro = "0:00";
  if (fields_.Tracknr < 0 || fields_.Tracknr > 255) fields_.Tracknr = 0;
}

bool TrackEditor::SaveBtnClick() {
  int64_t automix = 0;
  if (!ParseStrictInteger(fields_.Automix, automix)) {
    ShowMessage(texts::kInvalidAutomix);
    emit FocusAutomix();
    return false;
  }
  if (saving_ || !id_.IsOpened() || id_.GetFileName() != fields_.FileName) {
    ShowMessage(texts::kWrongFile);
    return false;
  }
  saving_ = true;
  id_.SetTitle(fields_.Title);
  id_.SetArtist(fields_.Artist);
  id_.SetAlbum(fields_.Album);
  id_.SetYear(fields_.Year);
  id_.SetTracknr(fields_.Tracknr);
  // No genre chosen keeps the tag's genre instead of asking about an empty name.
  if (!fields_.V1Genre.empty()) id_.SetID3v1Genre(fields_.V1Genre);
  id_.SetV2Genre(fields_.V2Genre);
  id_.SetComment(fields_.Comment);
  id_.SetComposer(fields_.Composer);
  id_.SetOrgArtist(fields_.OrgArtist);
  id_.SetCopyright(fields_.Copyright);
  id_.SetEncodedBy(fields_.EncodedBy);
  id_.SetIntro(fields_.Intro);
  id_.SetOutro(fields_.Outro);
  const bool tagSaved = id_.SaveID3v2Tag() == 0;

  bool rowSaved = true;
  const int row = TableRow();
  if (row >= 0) {
    auto set = [&](const char* name, const std::string& text) {
      SetLibraryItem(library_, name, row, text);
    };
    set("Artist", fields_.Artist);
    set("Title", fields_.Title);
    set("Album", fields_.Album);
    set("Year", fields_.Year);
    set("Tracknr", std::to_string(fields_.Tracknr));
    set("Comment", fields_.Comment);
    set("Genre 1", fields_.V1Genre);
    set("Genre 2", fields_.V2Genre);
    set("ID", fields_.ID);
    set("Intro", fields_.Intro);
    set("Outro", fields_.Outro);
    set("Automix", std::to_string(automix));
    std::string error;
    rowSaved = library_.UpdateRowInFile(fields_.FileName, &error);
    if (!rowSaved) ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
    emit LibraryRowChanged(record_);
  }
  saving_ = false;
  return tagSaved && rowSaved;
}

bool TrackEditor::GetRealTimeClick() {
  if (mode_ != LibraryMode || !checkDeck_ || fields_.FileName.empty()) return false;
  const bool blocked = checkDeck_->BlockAtOpening();
  const bool accurate = checkDeck_->AccurateTime();
  checkDeck_->SetBlockAtOpening(true);
  checkDeck_->SetAccurateTime(true);
  const int length = checkDeck_->OpenFile(fields_.FileName, checkEntry_);
  checkDeck_->CloseFile(checkEntry_);
  checkDeck_->SetBlockAtOpening(blocked);
  checkDeck_->SetAccurateTime(accurate);
  if (length <= 0) return false;
  id_.SetTime(length);
  fields_.Time = TimeWithMilliseconds(length);
  const int row = TableRow();
  if (row < 0) return true;
  SetLibraryItem(library_, "Time", row, std::to_string(length));
  std::string error;
  if (!library_.UpdateRowInFile(fields_.FileName, &error))
    ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
  emit LibraryRowChanged(record_);
  return true;
}

bool TrackEditor::ConvertFilenameClick() {
  const std::string old = fields_.FileName;
  if (old.empty()) return false;
  const size_t slash = old.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : old.substr(0, slash + 1);
  // A "/" in a tag would move the file into another folder (or out of it with ".."): it
  // becomes "-" in the name.
  auto safe = [](std::string text) {
    for (char& c : text)
      if (c == '/' || c == '\0') c = '-';
    return text;
  };
  const std::string name = safe(fields_.Artist) + " - " + safe(fields_.Title) + ".mp3";
  const std::string renamed = folder + name;
  if (renamed == old) return false;
  // QFile::rename refuses to replace an existing file: two tracks with the same artist and
  // title must not overwrite each other.
  if (!QFile::rename(QString::fromStdString(old), QString::fromStdString(renamed)))
    return false;
  fields_.FileName = renamed;
  id_.SetFilename(renamed);
  const int row = TableRow();
  if (row >= 0) {
    SetLibraryItem(library_, "File", row, renamed);
    // The row's line in the file is found by its path, which just changed: the library is
    // written whole (atomically) instead.
    std::string error;
    if (!library_.SaveToFile({}, &error))
      ShowMessage("Couldn't save the library " + library_.FileName + ": " + error);
    emit LibraryRowChanged(record_);
  } else if (mode_ == FileMode && record_ >= 0 && record_ < int(files_.Names.size())) {
    files_.Names[size_t(record_)] = name;
  }
  emit FileRenamed(QString::fromStdString(old), QString::fromStdString(renamed));
  return true;
}

}  // namespace spinwave
