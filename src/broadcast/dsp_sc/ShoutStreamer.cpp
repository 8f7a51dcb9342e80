#include "ShoutStreamer.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <vector>

#include "Mp3Encoder.h"
#include "StreamSink.h"

namespace spinwave {

namespace {

// 512 blocks of the mixer (10 to 23 ms each): 5 s or more before the oldest are dropped.
constexpr int kQueueSlots = 512;
// Encoded data libshout may hold unsent before the connection counts as stalled (about a minute
// at 128 kbit/s): a server that takes nothing is given up and connected again.
constexpr std::size_t kMaxBacklogBytes = 1 << 20;

std::string Endpoint(const StreamSettings& s) {
  return (s.protocol == StreamSettings::kIcy ? "icy://" : "http://") + s.host + ":" +
         std::to_string(s.port) + s.mount;
}

}  // namespace

ShoutStreamer::ShoutStreamer() : queue_(kQueueSlots) {}

ShoutStreamer::~ShoutStreamer() { Stop(); }

int ShoutStreamer::BackoffAfter(int failures) {
  if (failures < 0) failures = 0;
  return failures >= 5 ? 30 : 1 << failures;
}

void ShoutStreamer::Start(const StreamSettings& settings) {
  Stop();
  quit_.store(false);
  sent_.store(0);
  connections_.store(0);
  titlesSent_.store(0);
  retryIn_.store(0);
  thread_ = std::thread([this, settings] { Run(settings); });
}

void ShoutStreamer::Stop() {
  {
    std::lock_guard lock(mutex_);
    quit_.store(true);
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  state_.store(State::Stopped);
}

void ShoutStreamer::SetTitle(const std::string& utf8) {
  std::lock_guard lock(mutex_);
  if (utf8 == title_) return;
  title_ = utf8;
  ++titleVersion_;
}

std::string ShoutStreamer::StatusText() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void ShoutStreamer::SetStatus(State state, const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    status_ = text;
  }
  state_.store(state);
}

bool ShoutStreamer::Pause(int ms) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return quit_.load(); });
  // Not on air: what was mixed meanwhile is not sent late.
  queue_.Clear();
  return quit_.load();
}

void ShoutStreamer::Run(StreamSettings settings) {
  // A server that goes away makes the next write raise SIGPIPE, which would end the program.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  int failures = 0;
  const std::unique_ptr<StreamSink> sink = StreamSink::For(settings);
  while (!quit_.load()) {
    if (settings.host.empty()) {
      SetStatus(State::Idle, "Not configured: enter the server in the configuration");
      if (Pause(200)) break;
      continue;
    }
    if (Session(settings, *sink)) failures = 0;
    if (quit_.load()) break;
    const std::string reason = StatusText();
    for (int s = BackoffAfter(failures); s > 0; --s) {
      retryIn_.store(s);
      SetStatus(State::Waiting, reason + "; next try in " + std::to_string(s) + " s");
      if (Pause(1000)) break;
    }
    retryIn_.store(0);
    ++failures;
  }
  SetStatus(State::Stopped, "Stopped");
}

bool ShoutStreamer::Session(const StreamSettings& settings, StreamSink& sink) {
  SetStatus(State::Connecting, "Connecting to " + Endpoint(settings));
  const std::string refused = sink.Open(settings, quit_);
  queue_.Clear();  // what was mixed while connecting is not sent late
  if (!refused.empty()) {
    SetStatus(State::Waiting, quit_.load() ? "Stopped" : Endpoint(settings) + ": " + refused);
    return false;
  }
  Mp3Encoder encoder(settings.bitRate);
  connections_.fetch_add(1);
  SetStatus(State::Connected, "Connected to " + Endpoint(settings));
  std::vector<short> pcm(static_cast<std::size_t>(BlockQueue::kBlockFrames) * 2);
  std::vector<unsigned char> mp3(static_cast<std::size_t>(Mp3Encoder::BufferBytes(BlockQueue::kBlockFrames)));
  std::uint64_t titleSent = 0;  // version of the title the server has
  std::string error = encoder.Ok() ? "" : "The MP3 encoder does not start";
  while (error.empty() && !quit_.load()) {
    std::string title;
    std::uint64_t version = 0;
    {
      std::lock_guard lock(mutex_);
      version = titleVersion_;
      if (version != titleSent) title = title_;
    }
    if (version != titleSent) {
      const int sent = title.empty() ? 1 : sink.SendTitle(title);
      if (sent > 0 && !title.empty()) titlesSent_.fetch_add(1);
      // A busy server gets the title again on the next round; one that refuses it does not.
      if (sent != 0) titleSent = version;
    }
    const int frames = queue_.Pop(pcm.data());
    if (frames == 0) {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(5), [this] { return quit_.load(); });
      continue;
    }
    const int bytes = encoder.Encode(pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    if (bytes > 0) {
      error = sink.Send(mp3.data(), static_cast<std::size_t>(bytes));
      if (error.empty()) sent_.fetch_add(bytes);
    }
    if (error.empty() && sink.Backlog() > kMaxBacklogBytes) error = "The server does not take the stream";
  }
  sink.Close();
  SetStatus(State::Waiting, quit_.load() ? "Stopped" : error);
  return true;
}

}  // namespace spinwave
