#include "meta/TFindFileThread.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QMetaObject>
#include <QPointer>

#include "meta/TEMFindFile.h"

namespace spinwave {

namespace {

std::vector<std::string> SplitMask(const std::string& mask) {
  std::vector<std::string> patterns;
  size_t start = 0;
  for (;;) {
    size_t semi = mask.find(';', start);
    patterns.push_back(mask.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return patterns;
}

struct Entry {
  std::string name;
  bool isDirectory;
};

// The folder's entries in the order the file system gives them, without "." and "..".
// Symbolic links count as what they point to.
bool ListFolder(const std::string& folder, std::vector<Entry>& entries) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDirectory = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      isDirectory = ::stat((folder + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({std::move(name), isDirectory});
  }
  ::closedir(dir);
  return true;
}

}  // namespace

TFindFileThread::TFindFileThread(TEMFindFile* owner, std::string path, std::string mask,
                                 bool recursive, bool notifyPath, bool notifyFile)
    : owner_(owner),
      path_(std::move(path)),
      patterns_(SplitMask(mask)),
      recursive_(recursive),
      notifyPath_(notifyPath),
      notifyFile_(notifyFile) {}

TFindFileThread::~TFindFileThread() {
  stop_ = true;
  {
    std::lock_guard<std::mutex> lock(handoff_->mutex);
    handoff_->ownerGone = true;
  }
  handoff_->done.notify_all();
  Join();
}

void TFindFileThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TFindFileThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TFindFileThread::RunOnOwner(std::function<void()> fn) {
  auto handoff = handoff_;
  auto finished = std::make_shared<bool>(false);
  {
    std::lock_guard<std::mutex> lock(handoff->mutex);
    if (handoff->ownerGone) return;
  }
  // The call is queued to the owner's thread; if the owner is destroyed first, the queued call
  // is dropped with it and ownerGone releases the wait.
  QMetaObject::invokeMethod(
      owner_,
      [handoff, finished, fn = std::move(fn)] {
        fn();
        {
          std::lock_guard<std::mutex> lock(handoff->mutex);
          *finished = true;
        }
        handoff->done.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(handoff->mutex);
  handoff->done.wait(lock, [&] { return *finished || handoff->ownerGone; });
}

void TFindFileThread::Run() {
  SearchFolder(path_);
  // Hand the result over on the owner's thread, whatever the search returned.
  RunOnOwner([this] {
    TEMFindFile* owner = owner_;
    QPointer<TEMFindFile> alive(owner);
    owner->files_ = std::move(result_);
    if (owner->onFinnished_) owner->onFinnished_(owner);
    // The handler may have destroyed the finder (and with it this object).
    if (!alive) return;
    if (owner->thread_.get() == this) owner->finished_ = std::move(owner->thread_);
  });
}

bool TFindFileThread::SearchFolder(const std::string& folder) {
  if (stop_) return false;

  {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
      // A folder reached a second time (through a symbolic link loop) is not searched again.
      if (!visited_.insert({(unsigned long)st.st_dev, (unsigned long)st.st_ino}).second) return true;
    }
  }

  if (notifyPath_) {
    TEMFindFile* owner = owner_;
    RunOnOwner([owner, folder] {
      if (owner->onNotifyPath_) owner->onNotifyPath_(owner, folder);
    });
  }

  std::vector<Entry> entries;
  ListFolder(folder, entries);  // a folder that cannot be listed contributes nothing

  for (const std::string& pattern : patterns_) {
    for (const Entry& entry : entries) {
      if (!TEMFindFile::MatchesPattern(pattern, entry.name)) continue;
      // Shared with the call on the owner's thread: a handler that destroys the finder releases
      // this thread before the call has returned.
      auto current = std::make_shared<std::string>(folder + entry.name);
      if (notifyFile_) {
        TEMFindFile* owner = owner_;
        RunOnOwner([owner, current] {
          bool add = true;
          if (owner->onNotifyFile_) owner->onNotifyFile_(owner, *current, add);
          if (!add) current->clear();
        });
      }
      if (!current->empty()) result_.push_back(*current);
      if (stop_) break;
    }
    if (stop_) return false;
  }

  if (recursive_) {
    for (const Entry& entry : entries) {
      if (!entry.isDirectory) continue;
      if (!SearchFolder(folder + entry.name + "/")) return false;
    }
  }
  return true;
}

}  // namespace spinwave
