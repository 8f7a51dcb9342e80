#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <QSocketNotifier>

namespace spinwave {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void OnShutdownSignal(int number) {
  const int savedErrno = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  // A full pipe already holds a pending request: dropping this byte loses nothing.
  [[maybe_unused]] ssize_t written = ::write(g_pipe[1], &byte, 1);
  errno = savedErrno;
}

void SetHandler(int number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(number, &action, nullptr);
}

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
  if (g_pipe[0] >= 0) return;  // another object owns the handlers
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::Drain);
  SetHandler(SIGTERM, OnShutdownSignal);
  SetHandler(SIGINT, OnShutdownSignal);
}

ShutdownSignals::~ShutdownSignals() {
  if (!notifier_) return;
  SetHandler(SIGTERM, SIG_DFL);
  SetHandler(SIGINT, SIG_DFL);
  delete notifier_;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void ShutdownSignals::Drain() {
  unsigned char bytes[16];
  ssize_t n;
  while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
    for (ssize_t i = 0; i < n; ++i) emit Requested(bytes[i]);
}

}  // namespace spinwave
