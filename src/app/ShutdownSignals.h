// Turns SIGTERM and SIGINT into a Qt signal on the interface thread, so that a terminated console
// closes as a normal close does (close query, then saving the playlist, the library layout and
// the window settings) instead of dying on the spot.
//
// The signal handler only writes one byte into a pipe (async-signal-safe); a socket notifier
// on the pipe's other end emits Requested() from the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace spinwave {

class ShutdownSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers for SIGTERM and SIGINT. Only one object may exist at a time.
  explicit ShutdownSignals(QObject* parent = nullptr);
  // Restores the default handlers and closes the pipe.
  ~ShutdownSignals() override;

  bool Installed() const { return notifier_ != nullptr; }

 signals:
  // SIGTERM or SIGINT arrived; `signalNumber` says which.
  void Requested(int signalNumber);

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace spinwave
