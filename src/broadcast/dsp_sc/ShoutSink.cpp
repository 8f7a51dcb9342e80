#include "ShoutSink.h"

#include <shout/shout.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "IcySink.h"

namespace spinwave {

namespace {
constexpr int kConnectTimeoutMs = 5000;

void InitShoutOnce() {
  static std::once_flag once;
  std::call_once(once, [] { shout_init(); });
}
}  // namespace

std::unique_ptr<StreamSink> StreamSink::For(const StreamSettings& settings) {
  if (settings.protocol == StreamSettings::kIcy) return std::make_unique<IcySink>();
  return std::make_unique<ShoutSink>();
}

ShoutSink::~ShoutSink() {
  Close();
  if (shout_) shout_free(shout_);
}

std::string ShoutSink::Open(const StreamSettings& settings, const std::atomic<bool>& quit) {
  Close();
  InitShoutOnce();
  // One libshout object for every attempt: libshout 2.4 never frees an object whose connection
  // once failed, so a new one per attempt would lose memory on every retry of a dead server.
  if (!shout_) shout_ = shout_new();
  if (!shout_) return "Out of memory";
  const std::string bitRate = std::to_string(settings.bitRate);
  shout_set_host(shout_, settings.host.c_str());
  shout_set_port(shout_, static_cast<unsigned short>(settings.port));
  shout_set_user(shout_, settings.user.c_str());
  shout_set_password(shout_, settings.password.c_str());
  shout_set_mount(shout_, settings.mount.c_str());
  shout_set_agent(shout_, "Spinwave");
  shout_set_protocol(shout_, SHOUT_PROTOCOL_HTTP);
  shout_set_content_format(shout_, SHOUT_FORMAT_MP3, SHOUT_USAGE_AUDIO, nullptr);
  shout_set_tls(shout_, SHOUT_TLS_DISABLED);
  if (!settings.name.empty()) shout_set_meta(shout_, SHOUT_META_NAME, settings.name.c_str());
  if (!settings.genre.empty()) shout_set_meta(shout_, SHOUT_META_GENRE, settings.genre.c_str());
  shout_set_audio_info(shout_, SHOUT_AI_BITRATE, bitRate.c_str());
  shout_set_audio_info(shout_, SHOUT_AI_SAMPLERATE, "44100");
  shout_set_audio_info(shout_, SHOUT_AI_CHANNELS, "2");
  // Non-blocking: a connection that hangs or a server that stops reading never holds the
  // streamer's thread beyond a short wait.
  shout_set_nonblocking(shout_, 1);
  int result = shout_open(shout_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  while ((result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) && !quit.load() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    result = shout_get_connected(shout_);
  }
  if (result == SHOUTERR_SUCCESS || result == SHOUTERR_CONNECTED) {
    connected_ = true;
    return "";
  }
  const std::string why = quit.load() ? "Stopped"
                          : result == SHOUTERR_BUSY ? "No answer"
                                                    : std::string(shout_get_error(shout_));
  shout_close(shout_);
  return why;
}

std::string ShoutSink::Send(const unsigned char* data, std::size_t size) {
  if (!connected_) return "Not connected";
  const int result = shout_send(shout_, data, size);
  if (result == SHOUTERR_SUCCESS || result == SHOUTERR_BUSY || result == SHOUTERR_RETRY) return "";
  return std::string("Connection lost: ") + shout_get_error(shout_);
}

std::size_t ShoutSink::Backlog() {
  const ssize_t queued = connected_ ? shout_queuelen(shout_) : 0;
  return queued > 0 ? static_cast<std::size_t>(queued) : 0;
}

int ShoutSink::SendTitle(const std::string& utf8) {
  if (!connected_) return -1;
  shout_metadata_t* meta = shout_metadata_new();
  if (!meta) return 0;
  int result = shout_metadata_add(meta, "song", utf8.c_str());
  if (result == SHOUTERR_SUCCESS) result = shout_set_metadata_utf8(shout_, meta);
  shout_metadata_free(meta);
  if (result == SHOUTERR_SUCCESS) return 1;
  return result == SHOUTERR_BUSY || result == SHOUTERR_RETRY ? 0 : -1;
}

void ShoutSink::Close() {
  if (shout_ && connected_) shout_close(shout_);
  connected_ = false;
}

}  // namespace spinwave
