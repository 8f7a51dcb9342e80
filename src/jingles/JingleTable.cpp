#include "jingles/JingleTable.h"

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace spinwave {

std::string JingleTablePath() { return ProgramFolder() + "data/jingles.dat"; }

std::string JingleListsFolder() { return ProgramFolder() + "lists/"; }

namespace {

struct ColumnSpec {
  const char* name;
  int width;
};
constexpr ColumnSpec kColumns[] = {{"File", 169}, {"Description", 235}, {"Shortcut", 39}};

// Names and widths of the jingle columns the table lacks; rows keep their cells.
void CompleteColumns(TEMDB& table) {
  const int had = table.ColCount();
  if (had < 3) table.SetColCount(3);
  for (int c = had; c < 3; ++c) {
    table.SetItem(c, -1, kColumns[c].name);
    table.SetColWidth(c, kColumns[c].width);
  }
  if (table.RowCount() == 0) table.SetRowCount(1);
}

}  // namespace

void SetJingleColumns(TEMDB& table) {
  table.ClearRows();
  table.SetColCount(0);
  table.Title = kJingleTitle;
  CompleteColumns(table);
}

bool LoadJingleTable(TEMDB& table, const std::string& path, std::string* error) {
  table.Title = kJingleTitle;
  if (!FileExists(path)) {
    SetJingleColumns(table);
    table.FileName = path;
    return true;
  }
  TEMDB loaded;
  loaded.Title = kJingleTitle;
  std::string why;
  if (!loaded.LoadFromFile(path, &why)) {
    SetJingleColumns(table);
    table.FileName = path;
    if (error) *error = why;
    return false;
  }
  // A file whose title line is missing loads nothing; it is not a jingle table (a playlist or
  // a library saved under the wrong name), and saving over it would destroy it.
  if (loaded.ColCount() == 0) {
    std::string text;
    ReadWholeFile(path, text);
    if (!text.empty()) {
      SetJingleColumns(table);
      table.FileName = path;
      if (error) *error = "not a jingle list";
      return false;
    }
  }
  CompleteColumns(loaded);
  loaded.FileName = path;
  loaded.Title = kJingleTitle;
  table = std::move(loaded);
  return true;
}

int SlotOfShortcut(std::string_view cell) {
  if (cell.size() != 1 || cell[0] < '0' || cell[0] > '9') return 0;
  return cell[0] == '0' ? 10 : cell[0] - '0';
}

char ShortcutOfSlot(int slot) {
  if (slot < 1 || slot > kJingleSlots) return 0;
  return slot == 10 ? '0' : char('0' + slot);
}

std::string WithJingleListExtension(const std::string& name) {
  if (EndsWithNoCase(name, kJingleListExtension)) return name;
  return name + kJingleListExtension;
}

}  // namespace spinwave
