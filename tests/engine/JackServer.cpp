#include "JackServer.h"

#include <jack/jack.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace spinwave::test {

namespace {

// The JACK library reports every failed connection attempt on stderr.
void QuietJack(const char*) {}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

jack_client_t* Connect(const std::string& server, const char* clientName) {
  jack_set_error_function(&QuietJack);
  jack_set_info_function(&QuietJack);
  jack_status_t status{};
  return jack_client_open(clientName, static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                          &status, server.c_str());
}

}  // namespace

JackServer::~JackServer() { Stop(); }

bool JackServer::Start(int rate, int period, std::string* why) {
  Stop();
  const std::string jackd = FindProgram("jackd");
  if (jackd.empty()) {
    *why = "no jackd program (Debian package jackd2)";
    return false;
  }
  name_ = "spinwave-test-" + std::to_string(::getpid());
  log_ = (std::filesystem::temp_directory_path() / (name_ + ".log")).string();
  const std::string rateText = std::to_string(rate), periodText = std::to_string(period);
  std::vector<std::string> args = {jackd, "-n", name_, "--no-realtime", "-d", "dummy",
                                   "-r", rateText, "-p", periodText};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // No device reservation over D-Bus: the dummy driver has no device, and a test machine has
  // no session bus.
  std::vector<std::string> env = {"JACK_NO_AUDIO_RESERVATION=1"};
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int spawned = posix_spawn(&pid_, jackd.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    *why = "cannot start " + jackd;
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream in(log_);
      std::stringstream text;
      text << in.rdbuf();
      *why = "jackd ended at once: " + text.str();
      return false;
    }
    if (jack_client_t* probe = Connect(name_, "spinwave-probe")) {
      jack_client_close(probe);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  *why = "jackd did not take clients within 10 s";
  Stop();
  return false;
}

void JackServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (!log_.empty()) std::filesystem::remove(log_);
}

JackClock::JackClock(const std::string& server) {
  client_ = Connect(server, "spinwave-clock");
  if (!client_) return;
  jack_set_xrun_callback(client_, &JackClock::OnXRun, this);
  if (jack_activate(client_) != 0) {
    jack_client_close(client_);
    client_ = nullptr;
  }
}

JackClock::~JackClock() {
  if (client_) {
    jack_deactivate(client_);
    jack_client_close(client_);
  }
}

int JackClock::OnXRun(void* self) {
  static_cast<JackClock*>(self)->xruns_.fetch_add(1);
  return 0;
}

std::uint32_t JackClock::FrameTime() const { return client_ ? jack_frame_time(client_) : 0; }

int JackClock::SampleRate() const { return client_ ? static_cast<int>(jack_get_sample_rate(client_)) : 0; }

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    ::setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

}  // namespace spinwave::test
