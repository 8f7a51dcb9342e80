#include "ShoutStreamer.h"

#include <pthread.h>
#include <shout/shout.h>
#include <signal.h>

#include <chrono>
#include <vector>

#include "Mp3Encoder.h"

namespace spinwave {

namespace {

using Clock = std::chrono::steady_clock;

// 512 blocks of the mixer (10 to 23 ms each): 5 s or more before the oldest are dropped.
constexpr int kQueueSlots = 512;
constexpr int kConnectTimeoutMs = 5000;
// Encoded data libshout may hold unsent before the connection counts as stalled (about a minute
// at 128 kbit/s): a server that takes nothing is given up and connected again.
constexpr ssize_t kMaxBacklogBytes = 1 << 20;

void InitShoutOnce() {
  static std::once_flag once;
  std::call_once(once, [] { shout_init(); });
}

std::string Endpoint(const StreamSettings& s) {
  return (s.protocol == StreamSettings::kIcy ? "icy://" : "http://") + s.host + ":" +
         std::to_string(s.port) + s.mount;
}

}  // namespace

ShoutStreamer::ShoutStreamer() : queue_(kQueueSlots) { InitShoutOnce(); }

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
  while (!quit_.load()) {
    if (settings.host.empty()) {
      SetStatus(State::Idle, "Not configured: enter the server in the configuration");
      if (Pause(200)) break;
      continue;
    }
    std::string error;
    if (Session(settings)) failures = 0;
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

bool ShoutStreamer::Session(const StreamSettings& settings) {
  shout_t* shout = shout_new();
  if (!shout) {
    SetStatus(State::Waiting, "Out of memory");
    return false;
  }
  const std::string bitRate = std::to_string(settings.bitRate);
  shout_set_host(shout, settings.host.c_str());
  shout_set_port(shout, static_cast<unsigned short>(settings.port));
  shout_set_user(shout, settings.user.c_str());
  shout_set_password(shout, settings.password.c_str());
  shout_set_mount(shout, settings.mount.c_str());
  shout_set_agent(shout, "Spinwave");
  shout_set_protocol(shout, settings.protocol == StreamSettings::kIcy ? SHOUT_PROTOCOL_ICY : SHOUT_PROTOCOL_HTTP);
  shout_set_content_format(shout, SHOUT_FORMAT_MP3, SHOUT_USAGE_AUDIO, nullptr);
  shout_set_tls(shout, SHOUT_TLS_DISABLED);
  if (!settings.name.empty()) shout_set_meta(shout, SHOUT_META_NAME, settings.name.c_str());
  if (!settings.genre.empty()) shout_set_meta(shout, SHOUT_META_GENRE, settings.genre.c_str());
  shout_set_audio_info(shout, SHOUT_AI_BITRATE, bitRate.c_str());
  shout_set_audio_info(shout, SHOUT_AI_SAMPLERATE, "44100");
  shout_set_audio_info(shout, SHOUT_AI_CHANNELS, "2");
  // Non-blocking: a connection that hangs or a server that stops reading never holds the thread
  // beyond a short wait, so Stop always returns.
  shout_set_nonblocking(shout, 1);

  SetStatus(State::Connecting, "Connecting to " + Endpoint(settings));
  int result = shout_open(shout);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  while (result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) {
    if (Pause(10) || Clock::now() > deadline) break;
    result = shout_get_connected(shout);
  }
  if (result != SHOUTERR_SUCCESS && result != SHOUTERR_CONNECTED) {
    std::string why = quit_.load() ? "Stopped"
                      : result == SHOUTERR_BUSY ? "No answer from " + Endpoint(settings)
                                                : "Cannot connect to " + Endpoint(settings) + ": " + shout_get_error(shout);
    shout_close(shout);
    shout_free(shout);
    SetStatus(State::Waiting, why);
    return false;
  }

  Mp3Encoder encoder(settings.bitRate);
  const bool encoderReady = encoder.Ok();

  connections_.fetch_add(1);
  SetStatus(State::Connected, "Connected to " + Endpoint(settings));
  queue_.Clear();  // start with what is mixed from now on
  std::vector<short> pcm(static_cast<std::size_t>(BlockQueue::kBlockFrames) * 2);
  std::vector<unsigned char> mp3(static_cast<std::size_t>(Mp3Encoder::BufferBytes(BlockQueue::kBlockFrames)));
  std::uint64_t titleSent = 0;  // version of the title the server has
  std::string error;
  while (encoderReady && !quit_.load()) {
    std::string title;
    std::uint64_t version = 0;
    {
      std::lock_guard lock(mutex_);
      version = titleVersion_;
      if (version != titleSent) title = title_;
    }
    if (version != titleSent) {
      int sent = SHOUTERR_SUCCESS;
      if (!title.empty()) {
        shout_metadata_t* meta = shout_metadata_new();
        sent = meta ? shout_metadata_add(meta, "song", title.c_str()) : SHOUTERR_MALLOC;
        if (sent == SHOUTERR_SUCCESS) sent = shout_set_metadata_utf8(shout, meta);
        if (meta) shout_metadata_free(meta);
        if (sent == SHOUTERR_SUCCESS) titlesSent_.fetch_add(1);
      }
      // A busy server gets the title again on the next round; one that refuses it does not.
      if (sent != SHOUTERR_BUSY && sent != SHOUTERR_RETRY) titleSent = version;
    }
    const int frames = queue_.Pop(pcm.data());
    if (frames == 0) {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(5), [this] { return quit_.load(); });
      continue;
    }
    const int bytes = encoder.Encode(pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    if (bytes > 0) {
      result = shout_send(shout, mp3.data(), static_cast<std::size_t>(bytes));
      if (result != SHOUTERR_SUCCESS && result != SHOUTERR_BUSY && result != SHOUTERR_RETRY) {
        error = std::string("Connection lost: ") + shout_get_error(shout);
        break;
      }
      sent_.fetch_add(bytes);
    }
    if (shout_queuelen(shout) > kMaxBacklogBytes) {
      error = "The server does not take the stream";
      break;
    }
  }
  if (!encoderReady) error = "The MP3 encoder does not start";
  shout_close(shout);
  shout_free(shout);
  SetStatus(State::Waiting, quit_.load() ? "Stopped" : error);
  return true;
}

}  // namespace spinwave
