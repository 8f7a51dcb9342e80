// The track editor without widgets: one track at a time of the library grid's selected rows
// (library mode) or of the browsed folder's selected files (file mode), its fields read from the
// library row and the file's tag, saved back into both, its exact length measured on the
// checking deck, and its file renamed after artist and title. TEditData shows these fields and
// forwards the clicks.
#pragma once

#include <string>
#include <vector>

#include <QObject>

#include "meta/TEMID3Tag.h"
#include "meta/TEMMP3Info.h"
#include "table/TEMDB.h"

namespace spinwave {

class TFMODJingle;

// What the editor's fields hold, as texts.
struct TrackFields {
  std::string FileName;
  std::string Artist, Title, Album, Year, Comment;
  std::string V1Genre;   // an entry of the ID3v1 genre list, or empty (none chosen)
  std::string V2Genre;
  std::string Composer, OrgArtist, Copyright, EncodedBy;
  int Tracknr = 0;       // 0..255
  std::string Intro = "0:00", Outro = "0:00";
  std::string Automix = "-1";
  std::string ID;
  std::string Time;          // "m:ss.mmm"
  std::string PlayedTimes;   // "n time(s)"
  std::string MPEGLayer, SampleRate, MPEGVersion;
};

// The selected files of a browsed folder (file mode).
struct FileSelection {
  std::string Folder;                 // the folder tree's path
  std::vector<std::string> Names;     // the file list's entries, in list order
  std::vector<bool> Selected;         // parallel to Names
  int Current = -1;                   // the file list's current item
};

// "m:ss.mmm" of a millisecond count ("3:25.400").
std::string TimeWithMilliseconds(int ms);

class TrackEditor : public QObject {
  Q_OBJECT

 public:
  enum Mode { LibraryMode, FileMode };
  static constexpr int kAutomixLength = 5;

  // `library` is the library table (its visible rows are the library grid's rows; their
  // Selected flags are the grid's selection). `checkDeck`/`checkEntry` measure "Get real Time".
  TrackEditor(TEMDB& library, TFMODJingle* checkDeck, int checkEntry, QObject* parent = nullptr);

  // FormShow. Library mode: the first selected row is edited. File mode: with fewer than two
  // files selected the current file is edited, otherwise the first selected one.
  void ShowLibrary();
  void ShowFiles(const FileSelection& files);

  Mode CurrentMode() const { return mode_; }
  TrackFields& Fields() { return fields_; }
  const TrackFields& Fields() const { return fields_; }
  // The grid row (library mode, 1-based) or the file index (file mode) edited; -1 before any.
  int Record() const { return record_; }
  bool SelBackEnabled() const { return selBack_; }
  bool SelForwEnabled() const { return selForw_; }
  // "Get real Time", "ID", time and play-count: library mode only.
  bool LibraryFieldsEnabled() const { return mode_ == LibraryMode; }

  void SelForwClick();
  void SelBackClick();
  // Fills the fields from the current record.
  void EditRecord();
  // Saves tag and (library mode) row; false when refused ("Invalid automix value",
  // "Wrong file") or when the tag could not be written.
  bool SaveBtnClick();
  // Measures the exact length on the checking deck (library mode); false when it could not.
  bool GetRealTimeClick();
  // Renames the file to "Artist - Title.mp3" in its folder; false when nothing changed.
  bool ConvertFilenameClick();

  TEMID3Tag& Tag() { return id_; }

 signals:
  void RecordChanged();                // another track is shown; the fields were refilled
  void LibraryRowChanged(int gridRow);  // a library row was written
  void FileRenamed(const QString& from, const QString& to);
  void FocusAutomix();                 // "Invalid automix value": the Automix field wants focus

 private:
  int RecordCount() const;
  bool RecordSelected(int record) const;
  int FirstRecord() const;
  int TableRow() const;  // table row of the current grid row, -1 when none

  TEMDB& library_;
  TFMODJingle* checkDeck_;
  int checkEntry_;
  Mode mode_ = LibraryMode;
  FileSelection files_;
  TrackFields fields_;
  int record_ = -1;
  bool selBack_ = false;
  bool selForw_ = false;
  bool saving_ = false;
  TEMID3Tag id_;
  TEMMP3Info mp3FastInfo_;
};

}  // namespace spinwave
