// The search thread of TEMFindFile: walks the folders, and hands every notification and the
// final result to the finder's thread, waiting until it has been handled there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace spinwave {

class TEMFindFile;

class TFindFileThread {
 public:
  TFindFileThread(TEMFindFile* owner, std::string path, std::string mask, bool recursive,
                  bool notifyPath, bool notifyFile);
  // Tells the thread its owner is gone (so it stops waiting for it) and joins it.
  ~TFindFileThread();
  TFindFileThread(const TFindFileThread&) = delete;
  TFindFileThread& operator=(const TFindFileThread&) = delete;

  void Start();
  void RequestStop() { stop_ = true; }
  // Waits for the thread to end; called once it has handed its result over.
  void Join();

 private:
  // Shared with the calls posted to the owner's thread, which may outlive this object.
  struct Handoff {
    std::mutex mutex;
    std::condition_variable done;
    bool ownerGone = false;
  };

  void Run();
  bool SearchFolder(const std::string& folder);
  // Runs `fn` on the owner's thread and waits until it has run (or the owner is gone).
  void RunOnOwner(std::function<void()> fn);

  TEMFindFile* owner_;  // touched only on the owner's thread
  std::string path_;
  std::vector<std::string> patterns_;
  bool recursive_;
  bool notifyPath_;
  bool notifyFile_;
  std::atomic<bool> stop_{false};
  std::vector<std::string> result_;
  std::set<std::pair<unsigned long, unsigned long>> visited_;  // (device, inode) of folders
  std::shared_ptr<Handoff> handoff_ = std::make_shared<Handoff>();
  std::thread thread_;
};

}  // namespace spinwave
