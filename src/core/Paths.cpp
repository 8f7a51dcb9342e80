#include "core/Paths.h"

#include <cstdlib>
#include <mutex>

#include <QDir>

#include "core/AtomicFile.h"

namespace spinwave {

namespace {
std::mutex g_mutex;
std::string g_programFolder;

std::string WithSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : fallback;
}

std::string Home() { return EnvOr("HOME", QDir::homePath().toStdString()); }
}  // namespace

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  QDir().mkpath(QString::fromStdString(folder));
  return DirectoryExists(folder);
}

std::string ProgramFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_programFolder.empty()) {
    const char* home = std::getenv("SPINWAVE_HOME");
    if (home && *home)
      g_programFolder = WithSlash(home);
    else
      g_programFolder = WithSlash(EnvOr("XDG_DATA_HOME", Home() + "/.local/share")) + "spinwave/";
    MakeFolders(g_programFolder);
  }
  return g_programFolder;
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_programFolder = WithSlash(folder);
  MakeFolders(g_programFolder);
}

std::string ConfigFolder() {
  const std::string folder =
      WithSlash(EnvOr("XDG_CONFIG_HOME", Home() + "/.config")) + "spinwave/";
  MakeFolders(folder);
  return folder;
}

std::vector<std::string> SharedFolders() {
  return {WithSlash(SPINWAVE_SHARE_DIR), WithSlash(SPINWAVE_SOURCE_SHARE_DIR)};
}

std::string FindSharedFile(const std::string& relativeName) {
  for (const std::string& base :
       {ProgramFolder(), WithSlash(SPINWAVE_SHARE_DIR), WithSlash(SPINWAVE_SOURCE_SHARE_DIR)}) {
    const std::string p = base + relativeName;
    if (FileExists(p)) return p;
  }
  return {};
}

}  // namespace spinwave
