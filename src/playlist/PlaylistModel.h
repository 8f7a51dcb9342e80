// The playlist: the table of tracks the console plays and the rules of editing it.
//
// Rows are numbered as the grid shows them: row 0 is the header, row r is table row r - 1.
// Every row number kept here is such a grid row, 0 meaning none:
// - the current row: the row loaded last into deck 1 (under automix: into either deck);
// - the deck-2 row: the row loaded into deck 2 while automix is off;
// - the insertion row: where the next dropped tracks go in (a press or a drop on the playlist
//   sets it; a press in the library or the file list sets it to the row count: append);
// - the cursor row: the grid's own current row, which the popup menu, the double-click and
//   the Delete key act on. The window keeps it in step with the grid both ways.
//
// Column 0 holds a mark: "" not played, "1"/"2" loaded in that deck, "V" played, "X" do not
// play. Rows marked "1" or "2" are never removed. Selection is the table rows' Selected flag,
// shared with the grid that shows the same table.
//
// The model emits row signals, so that a grid over a 10,000-row playlist repaints one row for
// a mark, not the whole list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <QObject>
#include <QString>

#include "playlist/PlaylistFiles.h"
#include "table/TEMDB.h"

namespace spinwave {

class OptionsStore;
class TrackInfoFiller;
class TrackReader;
struct TrackReadResult;

// Columns of the playlist table.
enum PlaylistColumn : int {
  plMark = 0,
  plArtist = 1,
  plTitle = 2,
  plFile = 3,
  plTime = 4,
  plGain = 5,
  plIntro = 6,
  plOutro = 7,
  plSegue = 8,
};
inline constexpr int kPlaylistColumnCount = 9;

// Where the tracks to be added come from.
enum class AddMode {
  Append,  // at the end (menu, double-click in the library, a drop on the header)
  Insert,  // at the insertion row (a drop from the library grid on a row)
  InsertFromFolder,  // at the insertion row (a drop from the folder file list on a row)
};

// What the broadcast start times count from: the deck that plays now.
struct StartTimeReference {
  int row = 0;         // its playlist row (0: nothing loaded)
  int positionMs = 0;  // how far it played
  int rangeMs = 0;     // its length
};

class PlaylistModel : public QObject {
  Q_OBJECT
 public:
  // `table` is the playlist table (owned by the console); it gets the 9 playlist columns.
  PlaylistModel(TEMDB& table, const OptionsStore& options, TrackReader& reader,
                QObject* parent = nullptr);
  ~PlaylistModel() override;

  TEMDB& Table() { return table_; }
  const TEMDB& Table() const { return table_; }
  // Grid rows, header included (an empty playlist has 1).
  int RowCount() const { return table_.RowCount() + 1; }
  int TrackCount() const { return table_.RowCount(); }

  // Cells of grid row `row` (1..RowCount()-1); empty outside.
  std::string Cell(int col, int row) const;
  std::string Mark(int row) const { return Cell(plMark, row); }
  std::string File(int row) const { return Cell(plFile, row); }
  int TimeMs(int row) const;
  int SegueMs(int row) const;
  // Writes one cell and tells the grid about that row.
  void SetCell(int col, int row, const std::string& text);
  void SetMark(int row, const std::string& mark) { SetCell(plMark, row, mark); }
  void SetSegue(int row, int ms) { SetCell(plSegue, row, std::to_string(ms)); }
  // Every row marked `mark` loses its mark.
  void ClearMark(const std::string& mark);

  int CurrentRow() const { return current_; }
  void SetCurrentRow(int row);
  int Deck2Row() const { return deck2_; }
  void SetDeck2Row(int row) { deck2_ = row; }
  int InsertionRow() const { return insertion_; }
  void SetInsertionRow(int row) { insertion_ = row; }
  int CursorRow() const { return cursor_; }
  // Moves the cursor (clamped to the rows; 0 when there are none) and tells the grid.
  void SetCursorRow(int row);

  // Selection (the table rows' flags, shared with the grid).
  bool Selected(int row) const;
  void SetSelected(int row, bool selected);
  // Every row but the cursor row loses its selection.
  void ClearSelection();

  // Default segue in ms for tracks that bring none: the automix-seconds selector × 1000.
  int DefaultSegueMs() const { return defaultSegueSeconds_ * 1000; }
  void SetDefaultSegueSeconds(int seconds) { defaultSegueSeconds_ = seconds; }
  // Whether automix is on: totals and start times then subtract the segues.
  bool AutoMix() const { return autoMix_; }
  void SetAutoMix(bool on);

  // --- Adding ---------------------------------------------------------------------------------
  // True when `file` may be added: with TrExistPl on and the path already in the list, asks
  // "Track already in playlist!..." and returns false for No.
  bool SearchPlaylist(const std::string& file) const;
  // Adds library rows (visible rows of `library`, a table with the library's columns) in the
  // given order. A row whose file does not exist is reported ("\"<path>\" doesn't exist!") and
  // skipped. Returns the number of rows added.
  int AddLibraryRows(const TEMDB& library, const std::vector<int>& rows, AddMode mode);
  // Adds files of a folder in the given order; files that cannot be opened leave no row.
  int AddFiles(const std::vector<std::string>& paths, AddMode mode);
  // Fills grid row `row` from the audio file (length from the checking deck, tag or folder
  // structure). A file that does not exist or cannot be opened removes the row and returns
  // false.
  bool AddFileToPlaylist(const std::string& file, int row, TrackError* error = nullptr);

  // --- Editing --------------------------------------------------------------------------------
  // Removes the selected rows that are not in a deck.
  void DeleteSelected();
  // Removes one row that is not in a deck (a track whose file is gone, a played track with
  // DelPlTracks), leaving the selection of the other rows alone. The cursor stays on its
  // track (on the row that took the removed one's place when it was there): a row the console
  // takes out by itself must not move what the DJ pointed at.
  void RemoveRow(int row);
  // "X" on the cursor row / its "X" taken away.
  void DontPlay();
  void RemoveX();
  // Moves row `from` to row `to` (a drag within the playlist), keeping the deck rows on their
  // tracks; the moved row becomes the cursor row.
  void MoveRow(int from, int to);
  // Random order; the cursor, the selection and the deck rows stay on their tracks.
  void Shuffle();
  // Removes every row (ClearListClick); loaded decks keep playing.
  void ClearRows();

  // --- Totals and cells -----------------------------------------------------------------------
  // Sum over the rows of "Time" (less "Segue" while automix is on), positive results only.
  int64_t TotalMs() const;
  // "Total playingtime: h:mm:ss".
  QString TotalText() const;
  // Time of day (ms since midnight, modulo a day) at which `row` is expected to start.
  int64_t StartTimeMs(int row, int64_t timeOfDayMs, const StartTimeReference& ref) const;
  // The text the grid draws for a data cell (row >= 1) or a header cell (row 0), and whether it
  // is right-aligned.
  std::string CellText(int col, int row, int64_t timeOfDayMs, const StartTimeReference& ref,
                       bool* rightAligned = nullptr) const;
  // "Total playingtime" and the other language texts the playlist shows.
  static std::string TimeText(int64_t ms);         // "m:ss"
  static std::string HoursText(int64_t ms);        // "h:mm:ss"

  // --- Files ----------------------------------------------------------------------------------
  // Reads a playlist file in place of the rows (LoadPlaylist): the rows are replaced whole or
  // not at all. Entries that could not be read are named in one message. The deck rows become
  // 0 once the file counted as a playlist. Returns the reader's result.
  PlaylistReadResult Load(const std::string& path);
  // Writes the rows (".m3u": M3U, anything else: the table file). Tags still being read are
  // read first: the file holds what a full read would give.
  bool Save(const std::string& path, std::string* error = nullptr);
  // Adds one file: a playlist file is loaded (1), an audio file added (1, or -1 when it cannot
  // be opened), 0 when the file does not exist or the track was refused, -1 for any other
  // extension. `quiet` refuses a track already in the list without asking.
  int LoadToPlaylist(const std::string& path, bool quiet);
  // Called every 100 entries while a long list is read (done, total): the window shows it and
  // keeps the decks' clock running meanwhile.
  std::function<void(int done, int total)> LoadProgress;

  // --- Tags read in the background ---------------------------------------------------------
  // On: a loaded M3U list shows its rows at once (the file name as artist, no length yet) and
  // the lengths and tags are read on a worker thread, the rows filled in batches (rowChanged,
  // fillProgress). Files found unplayable then leave the list, named in one message at the
  // end. Loading another list or clearing the playlist stops the reading. Needs a reader with
  // a worker counterpart (TrackReader::ForWorker); off, lists are read whole before Load
  // returns.
  void SetBackgroundReading(bool on);
  bool BackgroundReading() const { return nowReader_ != nullptr; }
  // Rows whose length and tag are still to come.
  bool Filling() const { return !pending_.empty(); }
  bool RowPending(int row) const;
  // Reads whatever is still pending now (the worker finishes first) and fills the rows.
  void FinishFilling();
  // Row `row` gets its length and tag now if they are still to come (a row about to be loaded
  // into a deck). False when its file turned out unplayable: the row is gone.
  bool FillRowNow(int row);

 signals:
  void rowChanged(int row);
  void rowsInserted(int first, int count);
  void rowsRemoved(int first, int count);
  // Several rows changed place or content (move, shuffle, load, clear).
  void rowsReset();
  void cursorChanged(int row);
  void currentRowChanged(int row);
  void totalChanged();
  // Background reading: files read so far of the list's distinct files; then the end.
  void fillProgress(int done, int total);
  void fillFinished();

 private:
  void NameColumns();
  // A row was taken out at table row `tableRow`: the kept rows after it move up.
  void RowGone(int tableRow);
  void FillFromLibrary(int tableRow, const TEMDB& library, int libraryRow);
  // Table row that the next added track goes to (appending or inserting); -1 on failure.
  int TargetRow(AddMode mode);
  void AfterAdding(int lastTableRow);
  // Background reading: results into the rows; the end of a run; a run stopped.
  void ApplyResults(const std::vector<TrackReadResult>& results);
  void FillEnded();
  void CancelFilling();

  TEMDB& table_;
  const OptionsStore& options_;
  TrackReader& reader_;
  int current_ = 0;
  int deck2_ = 0;
  int insertion_ = 0;
  int cursor_ = 0;
  int defaultSegueSeconds_ = 4;
  bool autoMix_ = false;

  // Background reading.
  std::unique_ptr<TrackReader> nowReader_;  // the worker's kind, for rows wanted at once
  std::unique_ptr<TrackInfoFiller> filler_;
  std::unordered_set<std::string> pending_;  // files whose rows wait for length and tag
  std::string fillPath_;                     // the list being filled
  PlaylistReadResult fillProblems_;          // what the list's message will name
};

}  // namespace spinwave
