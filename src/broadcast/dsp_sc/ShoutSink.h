// Icecast 2 over HTTP through libshout, non-blocking.
#pragma once

#include "StreamSink.h"

struct shout;

namespace spinwave {

class ShoutSink : public StreamSink {
 public:
  ~ShoutSink() override;
  std::string Open(const StreamSettings& settings, const std::atomic<bool>& quit) override;
  std::string Send(const unsigned char* data, std::size_t size) override;
  std::size_t Backlog() override;
  int SendTitle(const std::string& utf8) override;
  void Close() override;

 private:
  shout* shout_ = nullptr;  // kept from attempt to attempt, freed with the sink
  bool connected_ = false;
};

}  // namespace spinwave
