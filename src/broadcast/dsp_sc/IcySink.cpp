#include "IcySink.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace spinwave {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kConnectTimeoutMs = 5000;
constexpr int kTitleTimeoutMs = 3000;

int LeftMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A non-blocking TCP connection to host:port, or -1 with `*error` set.
int Connect(const std::string& host, int port, Clock::time_point deadline, const std::atomic<bool>& quit,
            std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int r = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); r != 0) {
    *error = "Unknown server " + host + ": " + gai_strerror(r);
    return -1;
  }
  int fd = -1;
  *error = "Cannot connect to " + host + ":" + service;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      *error += std::string(": ") + std::strerror(errno);
      ::close(fd);
      fd = -1;
      continue;
    }
    // Wait for the connection in short steps, so that a stop is not held up.
    int ready = 0;
    while (ready == 0 && !quit.load() && LeftMs(deadline) > 0) {
      pollfd p{fd, POLLOUT, 0};
      ready = ::poll(&p, 1, std::min(50, LeftMs(deadline)));
    }
    int soError = ready > 0 ? 0 : ETIMEDOUT;
    socklen_t length = sizeof soError;
    if (ready > 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
    if (soError != 0) {
      *error += std::string(": ") + std::strerror(soError);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

bool SendAll(int fd, const std::string& data, Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    pollfd p{fd, POLLOUT, 0};
    if (LeftMs(deadline) == 0 || ::poll(&p, 1, LeftMs(deadline)) <= 0) return false;
  }
  return true;
}

// Reads until `done` says the answer is complete, the peer closes, or the deadline.
std::string ReadAnswer(int fd, Clock::time_point deadline, bool (*done)(const std::string&)) {
  std::string answer;
  char buffer[2048];
  while (!done(answer) && LeftMs(deadline) > 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, LeftMs(deadline)) <= 0) break;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  return answer;
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  return line.empty() ? "no answer" : line;
}

}  // namespace

IcySink::~IcySink() { Close(); }

std::string IcySink::UrlEncode(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string IcySink::Open(const StreamSettings& settings, const std::atomic<bool>& quit) {
  Close();
  settings_ = settings;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  std::string error;
  // SHOUTcast sources connect to the port after the listeners' one.
  fd_ = Connect(settings.host, settings.port + 1, deadline, quit, &error);
  if (fd_ < 0) return quit.load() ? "Stopped" : error;
  if (!SendAll(fd_, settings.password + "\r\n", deadline)) {
    Close();
    return "Connection lost while logging in";
  }
  const std::string answer = ReadAnswer(fd_, deadline, [](const std::string& a) {
    return a.find("\r\n\r\n") != std::string::npos || a.find("invalid") != std::string::npos ||
           (a.find('\n') != std::string::npos && a.compare(0, 2, "OK") != 0);
  });
  if (answer.compare(0, 2, "OK") != 0) {
    Close();
    return "Login refused: " + FirstLine(answer);
  }
  std::string headers = "icy-name:" + settings.name + "\r\nicy-genre:" + settings.genre +
                        "\r\nicy-pub:0\r\nicy-br:" + std::to_string(settings.bitRate) +
                        "\r\ncontent-type:audio/mpeg\r\n\r\n";
  if (!SendAll(fd_, headers, deadline)) {
    Close();
    return "Connection lost while logging in";
  }
  return "";
}

std::string IcySink::Send(const unsigned char* data, std::size_t size) {
  if (fd_ < 0) return "Not connected";
  // A server that closed the connection: reading says so at once (sending may not, yet).
  char probe;
  const ssize_t peek = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  if (peek == 0 || (peek < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    return "Connection lost: the server closed it";
  }
  pending_.append(reinterpret_cast<const char*>(data), size);
  while (!pending_.empty()) {
    const ssize_t n = ::send(fd_, pending_.data(), pending_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      pending_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
    return std::string("Connection lost: ") + std::strerror(errno);
  }
  return "";
}

int IcySink::SendTitle(const std::string& utf8) {
  if (fd_ < 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTitleTimeoutMs);
  const std::atomic<bool> never{false};
  std::string error;
  const int fd = Connect(settings_.host, settings_.port, deadline, never, &error);
  if (fd < 0) return 0;
  // SHOUTcast 1 servers answer title updates only to a user agent that names Mozilla.
  const std::string request = "GET /admin.cgi?pass=" + UrlEncode(settings_.password) +
                              "&mode=updinfo&song=" + UrlEncode(utf8) +
                              " HTTP/1.0\r\nHost: " + settings_.host +
                              "\r\nUser-Agent: Spinwave (Mozilla compatible)\r\n\r\n";
  int result = 0;
  if (SendAll(fd, request, deadline)) {
    const std::string answer = ReadAnswer(fd, deadline, [](const std::string& a) {
      return a.find("\r\n") != std::string::npos;
    });
    result = answer.compare(0, 12, "HTTP/1.0 200") == 0 || answer.compare(0, 12, "HTTP/1.1 200") == 0 ? 1 : -1;
  }
  ::close(fd);
  return result;
}

void IcySink::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pending_.clear();
}

}  // namespace spinwave
