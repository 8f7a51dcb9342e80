// A private JACK server with the dummy driver (no sound card, no real-time rights needed),
// started by a test or benchmark and killed when the object goes, and a JACK client that reads
// the server's own frame clock. The server's name is private to this process, so it never
// meets a user's server; the sound library reaches it through JACK_DEFAULT_SERVER.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include <sys/types.h>

typedef struct _jack_client jack_client_t;

namespace spinwave::test {

class JackServer {
 public:
  JackServer() = default;
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  // Starts `jackd --no-realtime -d dummy -r rate -p period` and waits (at most 10 s) until it
  // takes clients. False with `why` set when jackd is missing or does not come up.
  bool Start(int rate, int period, std::string* why);
  // Kills the server (SIGTERM, then SIGKILL) and waits for it.
  void Stop();
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
  std::string log_;
};

// A client of the server that counts the frames the server has run and its xruns.
class JackClock {
 public:
  explicit JackClock(const std::string& server);
  ~JackClock();
  JackClock(const JackClock&) = delete;
  JackClock& operator=(const JackClock&) = delete;

  bool Ok() const { return client_ != nullptr; }
  // The server's frame counter now (frames since it started).
  std::uint32_t FrameTime() const;
  int SampleRate() const;
  int XRuns() const { return xruns_.load(); }

 private:
  static int OnXRun(void* self);
  jack_client_t* client_ = nullptr;
  std::atomic<int> xruns_{0};
};

// Sets (or, with nullptr, removes) an environment variable for its lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace spinwave::test
