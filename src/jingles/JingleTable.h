// The jingle table file: data/jingles.dat (the list the options dialog edits) and the DJ jingle
// lists lists/*.jpl2 share one table format, titled "Jingle Database", with the columns "File"
// (full path of the audio file), "Description" (the text a slot shows) and "Shortcut" ("1".."9"
// for slots 1 to 9, "0" for slot 10, empty when the jingle has no slot).
#pragma once

#include <string>
#include <string_view>

#include "table/TEMDB.h"

namespace spinwave {

inline constexpr int kJingleSlots = 10;
inline constexpr int kJingleFileCol = 0;
inline constexpr int kJingleDescriptionCol = 1;
inline constexpr int kJingleShortcutCol = 2;
inline constexpr int kJingleDescriptionLength = 25;  // longest description the dialog takes
inline constexpr const char* kJingleListExtension = ".jpl2";

// ProgramFolder() + "data/jingles.dat".
std::string JingleTablePath();
// ProgramFolder() + "lists/".
std::string JingleListsFolder();

// Empties the table and gives it the three jingle columns (names, widths 169, 235, 39) and
// the title, with one empty row (an empty jingle table always shows one row).
void SetJingleColumns(TEMDB& table);

// Loads a jingle table file into `table` (Title and FileName set). A missing file gives the
// empty table with one row and true. A file that cannot be read or is not a table file gives
// the empty table and false with the reason in `error`. A table with fewer than three columns
// gets the missing ones; a table without rows gets one empty row.
bool LoadJingleTable(TEMDB& table, const std::string& path, std::string* error = nullptr);

// The slot a shortcut cell selects: "1".."9" → 1..9, "0" → 10; anything else (empty, two
// digits, letters) → 0, no slot. A hand-edited list could otherwise address an entry beyond
// the ten jingle slots.
int SlotOfShortcut(std::string_view cell);
// The shortcut digit of a slot 1..10 ('1'..'9', '0'); 0 outside.
char ShortcutOfSlot(int slot);

// `name` with ".jpl2" appended unless its extension, in lower case, already is ".jpl2".
std::string WithJingleListExtension(const std::string& name);

}  // namespace spinwave
