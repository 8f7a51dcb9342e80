// A real Icecast 2 server for the tests, on 127.0.0.1 and a free port, with its configuration,
// logs and pid in a private folder; killed when the object goes. Sources connect over HTTP to any
// mount (/live has a UTF-8 charset), or with the SHOUTcast (ICY) protocol to the mount /icy on
// port + 1. Plus a tiny HTTP client for
// listening to a mount and reading the server's status.
#pragma once

#include <string>
#include <sys/types.h>

namespace spinwave::test {

class IcecastServer {
 public:
  static constexpr const char* kSourcePassword = "hackme";

  // `folder` holds the configuration and the logs (made readable for the server's user when
  // running as root, where Icecast changes to its own user).
  explicit IcecastServer(std::string folder);
  ~IcecastServer();
  IcecastServer(const IcecastServer&) = delete;
  IcecastServer& operator=(const IcecastServer&) = delete;

  // Starts the server (on the same port as before after a Kill); true once it answers.
  bool Start();
  // Ends it at once, as a crash or a pulled cable would.
  void Kill();
  bool Running() const { return pid_ > 0; }
  int Port() const { return port_; }
  // What went wrong when Start failed (the server's output and error log).
  std::string Diagnostics() const;

 private:
  std::string folder_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// A free TCP port on 127.0.0.1.
int FreeLocalPort();
// GET http://127.0.0.1:port/path; returns the body (headers dropped), at most `maxBytes`, read
// for at most `timeoutMs`. `status` gets the HTTP status code (0 without an answer).
std::string HttpGet(int port, const std::string& path, std::size_t maxBytes, int timeoutMs,
                    int* status = nullptr);

// Counts the consecutive MPEG-1 layer III frames at 44100 Hz from the first place in `bytes`
// where two frames follow each other (each frame's length from its header); `bitRate` gets the
// first frame's kbit/s, `start` its offset.
int CountMp3Frames(const std::string& bytes, int* bitRate = nullptr, std::size_t* start = nullptr);

}  // namespace spinwave::test
