#include "jingles/JingleList.h"

#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "jingles/JingleTable.h"

namespace spinwave {

JingleList::JingleList(TEMDB& table, std::string path, QObject* parent)
    : QObject(parent), table_(table), path_(std::move(path)) {
  SetJingleColumns(table_);
  table_.FileName = path_;
}

void JingleList::Load() {
  std::string error;
  if (!LoadJingleTable(table_, path_, &error)) {
    const std::string backup = path_ + ".bak";
    std::string copyError;
    if (CopyFileAtomically(path_, backup, &copyError)) {
      ShowMessage("The jingle list " + path_ + " could not be read (" + error +
                  "). It was kept as " + backup + ".");
    } else {
      ShowMessage("The jingle list " + path_ + " could not be read (" + error + ").");
    }
  }
  emit Changed();
}

bool JingleList::Save() {
  const std::string folder = path_.substr(0, path_.find_last_of('/') + 1);
  if (!folder.empty()) MakeFolders(folder);
  std::string error;
  if (!table_.SaveToFile(path_, &error)) {
    ShowMessage("Couldn't save the jingle list " + path_ + ": " + error);
    return false;
  }
  return true;
}

bool JingleList::RowHasFile(int row) const {
  return row >= 0 && row < table_.RowCount() && table_.HasItem(kJingleFileCol, row);
}

bool JingleList::Add(const std::string& file, const std::string& description) {
  if (description.empty() || file.empty() || !FileExists(file)) return false;
  int row = 0;
  if (table_.RowCount() == 0 || table_.HasItem(kJingleFileCol, 0)) {
    row = table_.RowCount();
    table_.SetRowCount(row + 1);
  }
  table_.SetItem(kJingleFileCol, row, file);
  table_.SetItem(kJingleDescriptionCol, row, description.substr(0, kJingleDescriptionLength));
  table_.Sort(kJingleDescriptionCol, false);
  Save();
  emit Changed();
  return true;
}

bool JingleList::Remove(int row, const QString& question) {
  if (!RowHasFile(row)) return false;
  QString text = question;
  const int at = text.indexOf(QLatin1String("%j"));
  if (at >= 0)
    text.replace(at, 2, QString::fromStdString(table_.GetItem(kJingleDescriptionCol, row)));
  if (!AskYesNo(text.toStdString())) return false;
  if (table_.RowCount() > 1) {
    table_.DeleteRow(row);
  } else {
    // The only row stays as the empty row of an empty list; its shortcut goes too, or the next
    // jingle added into this row would inherit a slot nobody gave it.
    for (int c = 0; c < table_.ColCount(); ++c) table_.SetItem(c, row, {});
  }
  Save();
  emit Changed();
  return true;
}

void JingleList::SetShortcut(int digit, int row) {
  if (digit < 0 || digit > 9) return;
  const std::string text(1, char('0' + digit));
  for (int r = 0; r < table_.RowCount(); ++r)
    if (table_.ItemView(kJingleShortcutCol, r) == text) table_.SetItem(kJingleShortcutCol, r, {});
  if (RowHasFile(row)) table_.SetItem(kJingleShortcutCol, row, text);
  Save();
  emit Changed();
}

std::string JingleList::SaveAs(const std::string& name) {
  if (name.empty()) return {};
  const std::string path = WithJingleListExtension(name);
  std::string error;
  if (!table_.SaveToFile(path, &error)) {
    ShowMessage("Couldn't save the DJ jingle list " + path + ": " + error);
    return {};
  }
  return path;
}

}  // namespace spinwave
