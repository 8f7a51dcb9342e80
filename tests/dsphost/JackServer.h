// A JACK server for the tests: jackd with its dummy driver (no sound card), under a private
// server name so that it never meets a user's server, started by the test and killed at its end.
// The server name is put into JACK_DEFAULT_SERVER, where PortAudio's JACK host finds it.
#pragma once

#include <string>
#include <sys/types.h>

namespace spinwave::test {

class JackServer {
 public:
  JackServer();
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  // Starts jackd and waits until it takes clients; false (with Diagnostics) when it cannot.
  bool Start();
  const std::string& Name() const { return name_; }
  std::string Diagnostics() const;

 private:
  std::string name_;
  std::string log_;
  pid_t pid_ = -1;
};

}  // namespace spinwave::test
