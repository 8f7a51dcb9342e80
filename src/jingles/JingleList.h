// The jingle table the options dialog edits (data/jingles.dat): adding, removing and clearing
// jingles, giving a jingle its shortcut digit and saving the table as a DJ jingle list. Every
// change is saved at once. The table is the one the dialog's grid shows; rows are table rows
// counted from 0 (grid row - 1).
#pragma once

#include <string>

#include <QObject>
#include <QString>

#include "table/TEMDB.h"

namespace spinwave {

class JingleList : public QObject {
  Q_OBJECT
 public:
  // `table` is the grid's table; `path` the jingle table file.
  explicit JingleList(TEMDB& table, std::string path, QObject* parent = nullptr);

  TEMDB& Table() { return table_; }
  const std::string& Path() const { return path_; }

  // Reads the file. A file that cannot be read is copied to "<path>.bak" before the empty list
  // replaces it in the dialog, and the user is told where it went, so the next change cannot
  // overwrite the only copy.
  void Load();
  // Writes the table to its file; a failure is shown ("Couldn't save the jingle list ...").
  bool Save();

  // Adds a jingle when `file` exists and `description` is not empty (else nothing happens and
  // false is returned). An empty first row is used; otherwise a row is appended. The table is
  // sorted by description and saved.
  bool Add(const std::string& file, const std::string& description);
  // Asks `question` (its first "%j" replaced by the row's description); on Yes deletes the row,
  // or empties it when it is the only one. Nothing happens for a row without a file.
  bool Remove(int row, const QString& question);
  // Takes `digit` (0..9) from every row, then gives it to `row` when that row has a file.
  void SetShortcut(int digit, int row);
  // Saves the table under `name` (".jpl2" added unless it already has that extension) and
  // returns the path written; empty when nothing was written (the failure was shown).
  std::string SaveAs(const std::string& name);

 signals:
  // The table changed (the grid repaints).
  void Changed();

 private:
  bool RowHasFile(int row) const;

  TEMDB& table_;
  std::string path_;
};

}  // namespace spinwave
