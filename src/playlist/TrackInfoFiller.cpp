#include "playlist/TrackInfoFiller.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <unordered_set>

#include <QMetaObject>

namespace spinwave {

TrackInfoFiller::TrackInfoFiller(QObject* parent) : QObject(parent) {}

TrackInfoFiller::~TrackInfoFiller() { StopWorker(); }

void TrackInfoFiller::StopWorker() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
  stop_ = false;
}

void TrackInfoFiller::Start(std::vector<std::string> paths, std::unique_ptr<TrackReader> reader) {
  Cancel();
  std::unordered_set<std::string> seen;
  std::vector<std::string> distinct;
  distinct.reserve(paths.size());
  for (std::string& p : paths)
    if (seen.insert(p).second) distinct.push_back(std::move(p));
  total_ = static_cast<int>(distinct.size());
  done_ = 0;
  if (distinct.empty() || !reader) return;
  running_ = true;
  workerDone_ = false;
  worker_ = std::thread(&TrackInfoFiller::Work, this, std::move(distinct), std::move(reader));
}

void TrackInfoFiller::Cancel() {
  StopWorker();
  std::lock_guard lock(mutex_);
  ready_.clear();
  drainPosted_ = false;
  running_ = false;
}

std::vector<TrackReadResult> TrackInfoFiller::Stop() {
  StopWorker();
  std::vector<TrackReadResult> results;
  std::lock_guard lock(mutex_);
  results.swap(ready_);
  drainPosted_ = false;
  running_ = false;
  return results;
}

void TrackInfoFiller::Finish() {
  if (!running_) return;
  if (worker_.joinable()) worker_.join();
  Drain();
}

void TrackInfoFiller::Work(std::vector<std::string> paths, std::unique_ptr<TrackReader> reader) {
  // Background work: on a busy machine the interface thread (and the decks' threads) come
  // first. Linux gives each thread its own nice value; a refusal leaves the thread as it is.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kNice);
  auto lastPost = std::chrono::steady_clock::now();
  for (size_t i = 0; i < paths.size() && !stop_; ++i) {
    TrackReadResult result;
    result.path = paths[i];
    result.ok = reader->Read(result.path, result.info, &result.error);
    const auto now = std::chrono::steady_clock::now();
    const bool last = i + 1 == paths.size();
    bool post = false;
    {
      std::lock_guard lock(mutex_);
      ready_.push_back(std::move(result));
      if (!drainPosted_ && (last || ready_.size() >= kBatch || now - lastPost >= kMaxWait)) {
        drainPosted_ = true;
        post = true;
      }
      if (last) workerDone_ = true;
    }
    if (post) {
      lastPost = now;
      QMetaObject::invokeMethod(this, [this] { Drain(); }, Qt::QueuedConnection);
    }
  }
  if (!stop_) {
    // The last result may have joined a batch that was posted before it: make sure the end of
    // the run is seen.
    std::lock_guard lock(mutex_);
    workerDone_ = true;
    if (!drainPosted_) {
      drainPosted_ = true;
      QMetaObject::invokeMethod(this, [this] { Drain(); }, Qt::QueuedConnection);
    }
  }
}

void TrackInfoFiller::Drain() {
  if (!running_) return;
  std::vector<TrackReadResult> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(ready_);
    drainPosted_ = false;
  }
  if (!batch.empty()) {
    done_ += static_cast<int>(batch.size());
    emit batchRead(batch);
  }
  // A slot of batchRead may have cancelled the run or started another one.
  if (!running_ || !workerDone_) return;
  bool empty;
  {
    std::lock_guard lock(mutex_);
    empty = ready_.empty();
  }
  if (!empty) return;
  running_ = false;
  if (worker_.joinable()) worker_.join();
  emit finished();
}

}  // namespace spinwave
