#include "IcecastServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace spinwave::test {

namespace {

using Clock = std::chrono::steady_clock;

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

int FreeLocalPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  ::close(fd);
  return ntohs(addr.sin_port);
}

IcecastServer::IcecastServer(std::string folder) : folder_(std::move(folder)) {
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
  std::filesystem::create_directories(folder_ + "log");
  port_ = FreeLocalPort();
  const bool root = ::geteuid() == 0;
  if (root) {
    // Icecast runs as its own user when started as root: it must reach its folder.
    for (std::filesystem::path p = folder_ + "log"; p.has_relative_path() && p != p.root_path(); p = p.parent_path()) {
      struct stat st {};
      if (::stat(p.c_str(), &st) == 0) ::chmod(p.c_str(), st.st_mode | S_IXOTH | (p == folder_ + "log" ? 0777 : 0));
    }
  }
  std::ofstream xml(folder_ + "icecast.xml");
  xml << "<icecast>\n"
         "  <location>test</location><admin>test@localhost</admin>\n"
         "  <limits><clients>20</clients><sources>4</sources><queue-size>524288</queue-size>"
         "<client-timeout>30</client-timeout><header-timeout>15</header-timeout>"
         "<source-timeout>10</source-timeout><burst-size>16384</burst-size></limits>\n"
         "  <authentication><source-password>" << kSourcePassword << "</source-password>"
         "<admin-user>admin</admin-user><admin-password>admin-test</admin-password></authentication>\n"
         "  <hostname>127.0.0.1</hostname>\n"
         "  <listen-socket><port>" << port_ << "</port><bind-address>127.0.0.1</bind-address>"
         "<shoutcast-mount>/icy</shoutcast-mount></listen-socket>\n"
         "  <mount><mount-name>/live</mount-name><charset>UTF-8</charset></mount>\n"
         "  <fileserve>1</fileserve>\n"
         "  <paths><basedir>/usr/share/icecast2</basedir><logdir>" << folder_ << "log</logdir>"
         "<webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>\n"
         "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>3</loglevel></logging>\n"
         "  <security><chroot>0</chroot>";
  if (root) xml << "<changeowner><user>icecast2</user><group>icecast</group></changeowner>";
  xml << "</security>\n</icecast>\n";
}

IcecastServer::~IcecastServer() { Kill(); }

bool IcecastServer::Start() {
  if (pid_ > 0) return true;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string output = folder_ + "output.txt";
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const std::string config = folder_ + "icecast.xml";
  char* argv[] = {const_cast<char*>("icecast2"), const_cast<char*>("-c"), const_cast<char*>(config.c_str()), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, "icecast2", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  pid_ = pid;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;  // ended by itself: a bad configuration, a taken port
      return false;
    }
    const int fd = Connect(port_);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Kill();
  return false;
}

void IcecastServer::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string IcecastServer::Diagnostics() const {
  return "output: " + ReadAll(folder_ + "output.txt") + "\nerror log: " + ReadAll(folder_ + "log/error.log");
}

std::string HttpGet(int port, const std::string& path, std::size_t maxBytes, int timeoutMs, int* status) {
  if (status) *status = 0;
  const int fd = Connect(port);
  if (fd < 0) return {};
  const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: spinwave-test\r\n\r\n";
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
    ::close(fd);
    return {};
  }
  std::string data;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t bodyStart = std::string::npos;
  char buffer[16384];
  while (Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (::poll(&p, 1, std::max(left, 1)) <= 0) break;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    if (bodyStart == std::string::npos) {
      const std::size_t end = data.find("\r\n\r\n");
      if (end != std::string::npos) bodyStart = end + 4;
    }
    if (bodyStart != std::string::npos && data.size() - bodyStart >= maxBytes) break;
  }
  ::close(fd);
  if (status && data.size() > 12 && data.compare(0, 5, "HTTP/") == 0) *status = std::atoi(data.c_str() + 9);
  if (bodyStart == std::string::npos) return {};
  return data.substr(bodyStart, maxBytes);
}

int CountMp3Frames(const std::string& bytes, int* bitRate, std::size_t* first) {
  static const int kRates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  // The first position where two frames follow each other (a listener joins mid-frame).
  for (std::size_t start = 0; start + 4 <= bytes.size(); ++start) {
    int frames = 0;
    std::size_t pos = start;
    while (pos + 4 <= bytes.size()) {
      const bool sync = at(pos) == 0xFF && (at(pos + 1) & 0xFE) == 0xFA;  // MPEG-1 layer III
      const int rate = kRates[at(pos + 2) >> 4];
      const bool at44100 = ((at(pos + 2) >> 2) & 3) == 0;
      if (!sync || rate <= 0 || !at44100) break;
      if (frames == 0 && bitRate) *bitRate = rate;
      pos += static_cast<std::size_t>(144000 * rate / 44100 + ((at(pos + 2) >> 1) & 1));
      ++frames;
    }
    if (frames >= 2) {
      if (first) *first = start;
      return frames;
    }
  }
  return 0;
}

}  // namespace spinwave::test
