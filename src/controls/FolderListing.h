// Listing the sub-folders of a folder, as the folder tree needs it: names only, hidden (dot)
// folders left out, sorted by name with ASCII letter case ignored.
#pragma once

#include <string>
#include <vector>

namespace spinwave {

// Joins a folder path and a child name with one "/".
std::string JoinPath(const std::string& folder, const std::string& name);

// The names of the sub-folders of `folder` (symbolic links to folders included), sorted.
// False, with a reason in `error`, when the folder cannot be read.
bool ListSubFolders(const std::string& folder, std::vector<std::string>& names,
                    std::string* error = nullptr);

// True when `folder` has at least one sub-folder that ListSubFolders would list. Stops at the
// first one, so it stays cheap on large folders.
bool HasSubFolder(const std::string& folder);

}  // namespace spinwave
