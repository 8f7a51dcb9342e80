// One console per user. The first start locks a lock file (an flock, which the system releases
// when the process ends, however it ends) and listens on a local socket named
// "Spinwave-" + user name (in $XDG_RUNTIME_DIR, else the temporary folder; only the same user
// may connect). A later start finds the lock taken and talks to the running console instead:
// with two or more arguments it sends each argument as one request, in order, and waits for the
// request's integer reply before sending the next; with fewer it asks the console to raise its
// window.
//
// Wire format (both directions big-endian): a request is one kind byte ('C' command text,
// 'R' raise), a 32-bit length and that many bytes of UTF-8 text. Every request is answered by
// a 32-bit signed integer, a 32-bit length and that many bytes of UTF-8 text (length 0: the
// reply is the integer alone; "-rowdata" answers with text).
//
// Bad input never holds the console up: an empty request, one that is not UTF-8 text (binary,
// NUL or control bytes) or of an unknown kind is answered -1 without reaching the handler; a
// request whose bytes stop arriving (half sent) is answered -1 after 2 s and the connection
// dropped, as is a client that connects and sends nothing for 2 s. Only the first 259 bytes of
// a command are read (cut on a character boundary); a request beyond MaxRequestLength drops the
// connection. Only the same user may connect: the socket file is the user's alone (mode 0600
// or stricter) and a peer of another user id is refused.
#pragma once

#include <functional>
#include <utility>

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace spinwave {

// The answer to one request: the integer, and the text of a command that answers with text.
struct RemoteReply {
  RemoteReply(int v = 0) : value(v) {}  // NOLINT: an integer is a reply
  RemoteReply(int v, QString t) : value(v), text(std::move(t)), hasText(true) {}
  int value = 0;
  QString text;
  bool hasText = false;
};

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The longest request text accepted; a longer request drops the connection.
  static constexpr int MaxRequestLength = 64 * 1024;
  // The longest command text handed to the handler, in bytes.
  static constexpr int MaxCommandBytes = 259;
  // How long a client may stay silent in the middle of a request, or before its first byte.
  static constexpr int SilenceLimitMs = 2000;

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
  // Sends every text of `commands` as a command, in order, each after the previous reply
  // (spinwave-remote). False, with a reason, when the console could not be reached or stopped
  // answering; `replies` gets the replies received until then. `connectMs`: how long to retry
  // reaching a console that may still be starting (0: one try).
  bool Send(const QStringList& commands, QList<RemoteReply>* replies, QString* error = nullptr,
            int timeoutMs = 10000, int connectMs = 0) const;

  // The command text as the handler gets it: the first MaxCommandBytes bytes, cut on a
  // character boundary. False (reply -1) for an empty request or one that is not text: not
  // UTF-8, or holding NUL or other control bytes.
  static bool CommandText(const QByteArray& bytes, QString* text);

  // The running console's handler of one request text; its result is the reply. Without a
  // handler every request is answered 0.
  std::function<RemoteReply(const QString&)> RemoteCommand;

 signals:
  // A second start with fewer than two arguments asked for the console's window.
  void RaiseRequested();

 private:
  struct Connection {
    QByteArray pending;       // bytes received and not yet handled
    QTimer* silence = nullptr;  // runs while the console waits for the client's bytes
    bool busy = false;        // a request of this client is being handled
  };
  void AcceptConnections();
  void ReadRequests(QLocalSocket* socket);
  void Silent(QLocalSocket* socket);
  bool Connect(QLocalSocket& socket, int connectMs, QString* error) const;

  QString serverPath_;
  int lockFd_ = -1;  // open and locked while this process is the running console
  QLocalServer* server_ = nullptr;
  QHash<QLocalSocket*, Connection> connections_;
};

}  // namespace spinwave
