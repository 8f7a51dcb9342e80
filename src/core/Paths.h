// Where Spinwave keeps its files.
#pragma once

#include <string>
#include <vector>

namespace spinwave {

// The program folder, ending with "/": $SPINWAVE_HOME when set, otherwise
// $XDG_DATA_HOME/spinwave/ (by default ~/.local/share/spinwave/). Created on first use.
// Everything "in the program folder" (data/data.db, lists/, logs, plug-ins) lives here.
std::string ProgramFolder();
// Overrides the program folder for the rest of the process (tests, tools). Adds the "/".
void SetProgramFolder(const std::string& folder);

// The settings folder, ending with "/": $XDG_CONFIG_HOME/spinwave/ (by default
// ~/.config/spinwave/). Created on first use.
std::string ConfigFolder();

// A file shipped with the program (language files, keyboard layouts, help page, pictures):
// the program folder's copy when it has one, else <prefix>/share/spinwave/, else the source
// tree's share/ (running from a build folder). Empty when none exists.
std::string FindSharedFile(const std::string& relativeName);
// The folders FindSharedFile looks in after the program folder (installed share, then the source
// tree's share/), each ending with "/", for lists of shipped files (languages, skins, layouts).
std::vector<std::string> SharedFolders();

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace spinwave
