// Where the encoded stream goes: one connection to a streaming server. ShoutSink speaks
// Icecast 2's HTTP source protocol through libshout; IcySink speaks the SHOUTcast (ICY) source
// protocol itself, because libshout's ICY login (it sends "!POKE" first) is refused by Icecast's
// SHOUTcast mounts. Every call may wait a few seconds at most and returns early once `quit`
// is set; none raises SIGPIPE.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "StreamSettings.h"

namespace spinwave {

class StreamSink {
 public:
  virtual ~StreamSink() = default;
  // Connects and logs in; "" when on air, otherwise why not.
  virtual std::string Open(const StreamSettings& settings, const std::atomic<bool>& quit) = 0;
  // Hands encoded MP3 bytes to the connection (what the network does not take at once is kept
  // and sent with the next call); "" or why the connection is lost.
  virtual std::string Send(const unsigned char* data, std::size_t size) = 0;
  // Bytes taken by Send and not yet on the wire.
  virtual std::size_t Backlog() = 0;
  // The title on air as the stream's metadata: 1 accepted, 0 try again later, -1 refused.
  virtual int SendTitle(const std::string& utf8) = 0;
  virtual void Close() = 0;

  // The sink for the settings' protocol.
  static std::unique_ptr<StreamSink> For(const StreamSettings& settings);
};

}  // namespace spinwave
