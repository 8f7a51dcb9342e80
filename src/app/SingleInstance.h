// One console per user. The first start locks a lock file (an flock, which the system releases
// when the process ends, however it ends) and listens on a local socket named
// "Spinwave-" + user name (in $XDG_RUNTIME_DIR, else the temporary folder; only the same user
// may connect). A later start finds the lock taken and talks to the running console instead:
// with two or more arguments it sends each argument as one request, in order, and waits for the
// request's integer reply before sending the next; with fewer it asks the console to raise its
// window.
//
// Wire format (both directions big-endian): a request is one kind byte ('C' command text,
// 'R' raise), a 32-bit length and that many bytes of UTF-8 text; every request is answered by
// a 32-bit signed integer.
#pragma once

#include <functional>

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace spinwave {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The longest request text accepted; a longer request drops the connection.
  static constexpr int MaxRequestLength = 64 * 1024;

  // `serverPath` is the socket's full path; empty means DefaultServerPath().
  explicit SingleInstance(QString serverPath = QString(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // $XDG_RUNTIME_DIR (else the temporary folder) + "/Spinwave-" + user name.
  static QString DefaultServerPath();
  const QString& ServerPath() const { return serverPath_; }

  // First start: takes the lock and listens (see TakeLock and Listen). False when another
  // running console holds the lock: this is a second start.
  bool Start(QString* error = nullptr);
  // Takes the lock that marks the running console; needs no application object, so a second
  // start can find out without opening a display. False when a running console holds it. A
  // console that crashed holds nothing. When the lock file cannot be opened at all (folder not
  // writable) the console runs alone: true, with a reason in `error`.
  bool TakeLock(QString* error = nullptr);
  // Listens for requests (needs the application object); a socket file left by a console that
  // crashed is replaced. False with a reason when listening failed: the console then runs
  // without accepting requests.
  bool Listen(QString* error = nullptr);
  bool Listening() const;

  // Second start: hands `arguments` (program name excluded) to the running console as the
  // header says. Returns false, with a reason, when the console could not be reached or stopped
  // answering; `replies` gets each reply in order.
  bool HandOver(const QStringList& arguments, QList<int>* replies = nullptr,
                QString* error = nullptr, int timeoutMs = 10000) const;

  // The running console's handler of one request text; its result is the reply. Without a
  // handler every request is answered 0.
  std::function<int(const QString&)> RemoteCommand;

 signals:
  // A second start with fewer than two arguments asked for the console's window.
  void RaiseRequested();

 private:
  void AcceptConnections();
  void ReadRequests(QLocalSocket* socket);

  QString serverPath_;
  int lockFd_ = -1;  // open and locked while this process is the running console
  QLocalServer* server_ = nullptr;
  QHash<QLocalSocket*, QByteArray> pending_;  // bytes received and not yet handled
  QSet<QLocalSocket*> busy_;                   // sockets whose request is being handled
};

}  // namespace spinwave
