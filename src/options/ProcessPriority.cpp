#include "options/ProcessPriority.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include "core/Messages.h"

namespace spinwave {

namespace {

// Linux keeps a nice value per thread, and a new thread takes its creator's. Changing only
// the calling thread would leave the mixer and decoder threads where they were, so every
// thread of the process is changed.
std::vector<int> ThreadIds() {
  std::vector<int> ids;
  if (DIR* dir = ::opendir("/proc/self/task")) {
    while (dirent* entry = ::readdir(dir)) {
      const int id = std::atoi(entry->d_name);
      if (id > 0) ids.push_back(id);
    }
    ::closedir(dir);
  }
  if (ids.empty()) ids.push_back(int(::getpid()));
  return ids;
}

}  // namespace

int NiceOfPriority(int level) {
  switch (level) {
    case 0: return 19;
    case 2: return -10;
    case 3: return -20;
    default: return 0;
  }
}

bool ApplyProcessPriority(int level) {
  const int nice = NiceOfPriority(level);
  // The calling (interface) thread takes the level's value; every other thread moves by the
  // same step, so a worker that runs below the console on purpose (the playlist's tag reader)
  // stays below it. Setting them all to one value would try to raise such a worker, which an
  // ordinary user may not do: every start would then be refused with a message.
  errno = 0;
  const int self = ::getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return false;
  const int step = nice - self;
  if (step == 0) return true;
  std::vector<std::pair<int, int>> changed;  // thread, its value before
  bool refused = false;
  for (const int id : ThreadIds()) {
    errno = 0;
    const int before = ::getpriority(PRIO_PROCESS, id_t(id));
    if (errno != 0) continue;  // the thread ended meanwhile
    const int target = std::clamp(before + step, -20, 19);
    if (before == target) continue;
    if (::setpriority(PRIO_PROCESS, id_t(id), target) != 0) {
      if (errno == ESRCH) continue;
      refused = true;
      break;
    }
    changed.emplace_back(id, before);
  }
  if (!refused) return true;
  // The priority stays as it was: threads already changed go back.
  for (const auto& [id, before] : changed) ::setpriority(PRIO_PROCESS, id_t(id), before);
  ShowMessage("Cannot change the Process Priority!");
  return false;
}

}  // namespace spinwave
