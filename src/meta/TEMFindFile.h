// File finder: searches a folder, and by default its subfolders, for files matching a list of
// wildcard patterns on a background thread. Every folder entered and every file found is
// reported to the owner on the thread the finder lives on (the interface thread) while the
// search thread waits, so event handlers may touch widgets and tables without locks. The owner
// may veto files one by one; the accepted full paths are handed over in Files() when the search
// has finished (OnFinnished), also after Cancel.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

namespace spinwave {

class TFindFileThread;

class TEMFindFile : public QObject {
 public:
  using FinishedEvent = std::function<void(TEMFindFile* sender)>;
  using NotifyPathEvent = std::function<void(TEMFindFile* sender, const std::string& path)>;
  // Clearing `add` leaves the file out of Files().
  using NotifyFileEvent =
      std::function<void(TEMFindFile* sender, const std::string& file, bool& add)>;

  explicit TEMFindFile(QObject* parent = nullptr);
  ~TEMFindFile() override;
  TEMFindFile(const TEMFindFile&) = delete;
  TEMFindFile& operator=(const TEMFindFile&) = delete;

  // Appends "/" to Path when it lacks one, then starts a search unless one is running.
  // Mask and Recursive are copied now; the events are looked up on this thread when they fire
  // (an event left unassigned at Start costs the search no round trip).
  void Start();
  // Asks a running search to stop; it still finishes with OnFinnished and the files accepted
  // so far.
  void Cancel();
  bool IsSearching() const { return thread_ != nullptr; }

  // Full paths accepted by the last completed search, in the order found.
  const std::vector<std::string>& Files() const { return files_; }

  const std::string& GetMask() const { return mask_; }
  void SetMask(const std::string& mask) { mask_ = mask; }
  const std::string& GetPath() const { return path_; }
  void SetPath(const std::string& path) { path_ = path; }
  bool GetRecursive() const { return recursive_; }
  void SetRecursive(bool recursive) { recursive_ = recursive; }
  void SetOnFinnished(FinishedEvent e) { onFinnished_ = std::move(e); }
  void SetOnNotifyPath(NotifyPathEvent e) { onNotifyPath_ = std::move(e); }
  void SetOnNotifyFile(NotifyFileEvent e) { onNotifyFile_ = std::move(e); }

  // Wildcard match of one pattern ("*" any run, "?" one byte) against a file name, ASCII case
  // ignored; "*.*" matches every name.
  static bool MatchesPattern(std::string_view pattern, std::string_view name);

 private:
  friend class TFindFileThread;

  std::string mask_;
  std::string path_;
  bool recursive_ = true;
  FinishedEvent onFinnished_;
  NotifyPathEvent onNotifyPath_;
  NotifyFileEvent onNotifyFile_;
  std::vector<std::string> files_;

  std::unique_ptr<TFindFileThread> thread_;    // the running search, empty when idle
  std::unique_ptr<TFindFileThread> finished_;  // a search that has handed over, joined later
};

}  // namespace spinwave
