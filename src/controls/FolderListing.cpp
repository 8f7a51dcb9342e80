#include "controls/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/AsciiText.h"

namespace spinwave {

namespace {

// Calls `visit(name)` for every non-hidden sub-folder until it returns false.
template <typename Visit>
bool ForEachSubFolder(const std::string& folder, Visit visit, std::string* error) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    if (error) *error = folder + ": " + std::strerror(errno);
    return false;
  }
  const int dirFd = ::dirfd(dir);
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;  // ".", ".." and hidden folders
    bool isFolder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      isFolder = ::fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (isFolder && !visit(std::string(e->d_name))) break;
  }
  ::closedir(dir);
  return true;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool ListSubFolders(const std::string& folder, std::vector<std::string>& names,
                    std::string* error) {
  names.clear();
  const bool ok = ForEachSubFolder(
      folder,
      [&](std::string name) {
        names.push_back(std::move(name));
        return true;
      },
      error);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int c = CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return ok;
}

bool HasSubFolder(const std::string& folder) {
  bool found = false;
  ForEachSubFolder(
      folder,
      [&](const std::string&) {
        found = true;
        return false;
      },
      nullptr);
  return found;
}

}  // namespace spinwave
