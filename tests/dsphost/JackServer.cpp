#include "JackServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace spinwave::test {

namespace {

int Spawn(const char* const* argv, const std::string& log, pid_t* pid) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const int result = posix_spawnp(pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  return result;
}

}  // namespace

JackServer::JackServer() : name_("spinwave-test-" + std::to_string(::getpid())) {
  const char* tmp = std::getenv("SPINWAVE_TEST_TMP");
  log_ = std::string(tmp ? tmp : "/tmp") + "/jackd-" + std::to_string(::getpid()) + ".log";
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);  // no D-Bus device reservation (no session bus)
  setenv("JACK_NO_START_SERVER", "1", 1);       // clients never start a server of their own
}

JackServer::~JackServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
}

bool JackServer::Start() {
  const char* argv[] = {"jackd", "--no-realtime", "-n", name_.c_str(), "-d", "dummy", "-r", "44100",
                        "-p", "1024", nullptr};
  if (Spawn(argv, log_, &pid_) != 0) {
    pid_ = -1;
    return false;
  }
  // Ready once a client can list its ports.
  for (int i = 0; i < 100; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    pid_t probe = -1;
    const char* lsp[] = {"jack_lsp", "-s", name_.c_str(), nullptr};
    if (Spawn(lsp, log_ + ".lsp", &probe) == 0) {
      int probeStatus = 0;
      ::waitpid(probe, &probeStatus, 0);
      if (WIFEXITED(probeStatus) && WEXITSTATUS(probeStatus) == 0) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::string JackServer::Diagnostics() const {
  std::ifstream in(log_);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace spinwave::test
