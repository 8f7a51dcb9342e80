// TrackInfoFiller: reads the lengths and tags of a list of files on a worker thread and hands
// the results to the interface thread in batches, so that a long playlist shows its rows at once
// and its columns fill in while the console goes on.
//
// The worker reads each distinct path once, in the order given, with a reader of its own
// (TrackReader::ForWorker: no deck entry, nothing shared). Results wait in a queue under a mutex;
// the worker posts one "results waiting" event to the interface thread when the queue holds a
// batch (or some time has passed), never one event per file, so a 10,000-row list costs the
// interface thread a few dozen slots. Cancel() stops the worker at the next file and drops what
// it read; Finish() lets it read the rest and hands everything over before it returns.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "playlist/TrackReader.h"

namespace spinwave {

struct TrackReadResult {
  std::string path;
  bool ok = false;
  TrackInfo info;
  TrackError error = TrackError::None;
};

class TrackInfoFiller : public QObject {
  Q_OBJECT
 public:
  // Results per batch, and the longest a result waits before a batch is posted anyway.
  static constexpr size_t kBatch = 200;
  static constexpr std::chrono::milliseconds kMaxWait{100};
  // The worker's nice value: below the interface thread and the decks.
  static constexpr int kNice = 10;

  explicit TrackInfoFiller(QObject* parent = nullptr);
  ~TrackInfoFiller() override;

  // Starts reading `paths` (duplicates are read once) with `reader`, after cancelling a run
  // that was going on.
  void Start(std::vector<std::string> paths, std::unique_ptr<TrackReader> reader);
  // Stops the worker and drops every result not handed over yet. No batch or finished signal
  // of that run follows.
  void Cancel();
  // Waits until the worker read every file, then hands over what is left (batchRead, then
  // finished) before returning.
  void Finish();
  // Stops the worker at the next file and returns what it read and had not handed over; no
  // batch or finished signal of the run follows. (The caller reads the rest itself, at its
  // own priority, instead of waiting for a worker that yields to everything else.)
  std::vector<TrackReadResult> Stop();
  bool Running() const { return running_; }
  // Distinct files of the run, and how many of them were handed over.
  int Total() const { return total_; }
  int Done() const { return done_; }

 signals:
  void batchRead(const std::vector<TrackReadResult>& results);
  // Every file of the run was read and handed over.
  void finished();

 private:
  // Worker: reads the files, queues the results, posts Drain.
  void Work(std::vector<std::string> paths, std::unique_ptr<TrackReader> reader);
  // Interface thread: hands the queued results over; at the end of the run, finishes it.
  void Drain();
  void StopWorker();

  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> workerDone_{false};
  std::mutex mutex_;
  std::vector<TrackReadResult> ready_;  // guarded by mutex_
  bool drainPosted_ = false;            // guarded by mutex_
  bool running_ = false;
  int total_ = 0;
  int done_ = 0;
};

}  // namespace spinwave
