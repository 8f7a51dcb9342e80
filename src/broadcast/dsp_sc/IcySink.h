// The SHOUTcast (ICY) source protocol, as SHOUTcast 1 servers and Icecast's SHOUTcast mounts
// take it: a TCP connection to the server's port + 1, the password on a line, "OK2" back, the
// icy- headers, then the MP3 bytes. Titles go to the server's port as
// GET /admin.cgi?pass=...&mode=updinfo&song=... .
#pragma once

#include <string>

#include "StreamSink.h"

namespace spinwave {

class IcySink : public StreamSink {
 public:
  ~IcySink() override;
  std::string Open(const StreamSettings& settings, const std::atomic<bool>& quit) override;
  std::string Send(const unsigned char* data, std::size_t size) override;
  std::size_t Backlog() override { return pending_.size(); }
  int SendTitle(const std::string& utf8) override;
  void Close() override;

  // Percent-encoding of a query value (RFC 3986 unreserved characters stay).
  static std::string UrlEncode(const std::string& text);

 private:
  int fd_ = -1;
  std::string pending_;
  StreamSettings settings_;
};

}  // namespace spinwave
