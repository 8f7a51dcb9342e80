// Encodes the mix to MP3 with libmp3lame and sends it to an Icecast 2 server (HTTP, through
// libshout) or a SHOUTcast server (ICY), on a thread of its own (see StreamSink). The mixing thread only copies its blocks into a BlockQueue
// (Feed), so a slow or dead network can never hold the audio up: when the thread falls behind,
// the oldest blocks are dropped and counted.
//
// Connection: a lost or refused connection is tried again after 1, 2, 4, ... and at most 30 s;
// a connection that works resets the wait to 1 s. Each connection starts a fresh MP3 stream.
// The title on air goes out as the stream's metadata (song) whenever it changes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "BlockQueue.h"
#include "StreamSettings.h"

namespace spinwave {

class StreamSink;

class ShoutStreamer {
 public:
  enum class State { Stopped, Idle, Connecting, Connected, Waiting };

  ShoutStreamer();
  ~ShoutStreamer();  // Stop
  ShoutStreamer(const ShoutStreamer&) = delete;
  ShoutStreamer& operator=(const ShoutStreamer&) = delete;

  // (Re)starts the thread with these settings; an empty host leaves it idle.
  void Start(const StreamSettings& settings);
  // Ends the thread (closing the connection); returns within about 100 ms whatever the network.
  void Stop();

  // Mixing thread: queues `frames` stereo frames of 16-bit samples at 44100 Hz. Never blocks.
  void Feed(const short* stereo, int frames) { queue_.Push(stereo, frames); }

  // The title on air (UTF-8); sent once connected, and again after every reconnection.
  void SetTitle(const std::string& utf8);

  State GetState() const { return state_.load(); }
  // Seconds until the next connection attempt while Waiting.
  int RetryInSeconds() const { return retryIn_.load(); }
  // What the state means, for the configuration window ("Connected to ...", "Server refused:
  // ...; next try in 4 s").
  std::string StatusText() const;
  std::int64_t DroppedBlocks() const { return queue_.Dropped(); }
  std::int64_t SentBytes() const { return sent_.load(); }
  // Connections made since Start.
  int Connections() const { return connections_.load(); }
  // Titles the server accepted since Start.
  int TitlesSent() const { return titlesSent_.load(); }

  // The waits between connection attempts, in seconds: 1, 2, 4, 8, 16, 30, 30 ...
  static int BackoffAfter(int failures);

 private:
  void Run(StreamSettings settings);
  // Sleeps up to `ms` (discarding what is fed meanwhile); true when asked to stop.
  bool Pause(int ms);
  // One connection from open to loss through `sink`; true when it was made.
  bool Session(const StreamSettings& settings, StreamSink& sink);
  void SetStatus(State state, const std::string& text);

  BlockQueue queue_;
  std::thread thread_;
  std::atomic<bool> quit_{false};
  mutable std::mutex mutex_;  // guards title_, status_ and the wake-up
  std::condition_variable wake_;
  std::string title_;
  std::uint64_t titleVersion_ = 0;
  std::string status_ = "Stopped";
  std::atomic<State> state_{State::Stopped};
  std::atomic<int> retryIn_{0};
  std::atomic<std::int64_t> sent_{0};
  std::atomic<int> connections_{0};
  std::atomic<int> titlesSent_{0};
};

}  // namespace spinwave
