#include "app/SingleInstance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QtEndian>

namespace spinwave {

namespace {

constexpr char kCommand = 'C';
constexpr char kRaise = 'R';
constexpr int kHeaderSize = 5;
constexpr int kReplyHeaderSize = 8;

QString UserName() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
    return QString::fromLocal8Bit(pw->pw_name);
  QString user = qEnvironmentVariable("USER");
  return user.isEmpty() ? QString::number(getuid()) : user;
}

QByteArray Frame(char kind, const QString& text) {
  QByteArray payload = text.toUtf8();
  QByteArray frame(kHeaderSize, '\0');
  frame[0] = kind;
  qToBigEndian<quint32>(quint32(payload.size()), frame.data() + 1);
  return frame + payload;
}

// Waits until `socket` holds `count` bytes; false when the peer went away or time ran out.
bool WaitForBytes(QLocalSocket& socket, qint64 count, const QDeadlineTimer& deadline,
                  QString* error) {
  while (socket.bytesAvailable() < count) {
    if (socket.state() != QLocalSocket::ConnectedState) {
      if (error) *error = "the running console closed the connection";
      return false;
    }
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
      if (socket.bytesAvailable() >= count) break;
      if (error) *error = "no reply from the running console: " + socket.errorString();
      return false;
    }
  }
  return true;
}

// Sends one request and waits for its reply.
bool Exchange(QLocalSocket& socket, char kind, const QString& text, int timeoutMs,
              RemoteReply& reply, QString* error) {
  socket.write(Frame(kind, text));
  if (!socket.waitForBytesWritten(timeoutMs) && socket.bytesToWrite() > 0) {
    if (error) *error = "sending failed: " + socket.errorString();
    return false;
  }
  QDeadlineTimer deadline(timeoutMs);
  if (!WaitForBytes(socket, kReplyHeaderSize, deadline, error)) return false;
  const QByteArray header = socket.read(kReplyHeaderSize);
  const qint32 value = qFromBigEndian<qint32>(header.constData());
  const quint32 length = qFromBigEndian<quint32>(header.constData() + 4);
  if (length > quint32(SingleInstance::MaxRequestLength)) {
    if (error) *error = "the running console sent a reply that is too long";
    return false;
  }
  if (length == 0) {
    reply = RemoteReply(value);
    return true;
  }
  if (!WaitForBytes(socket, qint64(length), deadline, error)) return false;
  reply = RemoteReply(value, QString::fromUtf8(socket.read(qint64(length))));
  return true;
}

QByteArray ReplyFrame(const RemoteReply& reply) {
  const QByteArray text = reply.hasText ? reply.text.toUtf8() : QByteArray();
  QByteArray bytes(kReplyHeaderSize, '\0');
  qToBigEndian<qint32>(reply.value, bytes.data());
  qToBigEndian<quint32>(quint32(text.size()), bytes.data() + 4);
  return bytes + text;
}

// The user id of the process at the other end of a connected local socket; -1 when unknown.
long PeerUid(const QLocalSocket& socket) {
  ucred credentials = {};
  socklen_t size = sizeof credentials;
  const qintptr fd = socket.socketDescriptor();
  if (fd < 0 || ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
    return -1;
  return long(credentials.uid);
}

}  // namespace

SingleInstance::SingleInstance(QString serverPath, QObject* parent)
    : QObject(parent), serverPath_(serverPath.isEmpty() ? DefaultServerPath() : serverPath) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();  // removes the socket file before the lock is released
  if (lockFd_ >= 0) ::close(lockFd_);
}

QString SingleInstance::DefaultServerPath() {
  QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::tempPath();
  return dir + "/Spinwave-" + UserName();
}

bool SingleInstance::Start(QString* error) {
  if (!TakeLock(error)) return false;
  Listen(error);
  return true;
}

bool SingleInstance::TakeLock(QString* error) {
  if (lockFd_ >= 0) return true;
  // The lock file is never removed: removing it would let two starts lock two different files.
  const QByteArray path = QFile::encodeName(serverPath_ + ".lock");
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot open the lock file " + QFile::decodeName(path) + ": " +
                        QString::fromLocal8Bit(std::strerror(errno));
    return true;
  }
  // In a shared temporary folder another user could have made the file: such a lock says
  // nothing about our console, and its socket is not ours to talk to.
  struct stat info = {};
  if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid()) {
    ::close(fd);
    if (error) *error = "the lock file " + QFile::decodeName(path) + " belongs to another user";
    return true;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    ::close(fd);
    if (why == EWOULDBLOCK) return false;
    if (error) *error = "cannot lock " + QFile::decodeName(path) + ": " +
                        QString::fromLocal8Bit(std::strerror(why));
    return true;
  }
  lockFd_ = fd;
  return true;
}

bool SingleInstance::Listen(QString* error) {
  if (server_) return true;
  // Our lock is held, so a socket file here was left by a console that crashed.
  QLocalServer::removeServer(serverPath_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
  if (server_->listen(serverPath_)) return true;
  if (error) *error = server_->errorString();
  delete server_;
  server_ = nullptr;
  return false;
}

bool SingleInstance::Listening() const { return server_ && server_->isListening(); }

bool SingleInstance::CommandText(const QByteArray& bytes, QString* text) {
  if (bytes.isEmpty()) return false;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) return false;  // NUL, line breaks, escapes: not a command
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString whole = decoder(bytes);
  if (decoder.hasError()) return false;
  QByteArray cut = bytes.left(MaxCommandBytes);
  // Never half a character: step back over the continuation bytes of a cut sequence.
  if (cut.size() < bytes.size()) {
    qsizetype end = cut.size();
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    cut.truncate(end);
  }
  if (text) *text = cut.size() == bytes.size() ? whole : QString::fromUtf8(cut);
  return !cut.isEmpty();
}

void SingleInstance::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    // The socket file is the user's alone; a peer of another user (root, or a file mode
    // changed behind our back) is still refused.
    const long peer = PeerUid(*socket);
    if (peer >= 0 && peer != long(::getuid())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    Connection& c = connections_[socket];
    c.silence = new QTimer(socket);
    c.silence->setSingleShot(true);
    c.silence->setInterval(SilenceLimitMs);
    connect(c.silence, &QTimer::timeout, this, [this, socket] { Silent(socket); });
    c.silence->start();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequests(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      connections_.remove(socket);
      socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0) ReadRequests(socket);
  }
}

void SingleInstance::Silent(QLocalSocket* socket) {
  auto it = connections_.find(socket);
  if (it == connections_.end() || it->busy) return;
  // Half a request: its sender is told it was not taken. Nothing at all: just dropped.
  if (!it->pending.isEmpty()) socket->write(ReplyFrame(RemoteReply(-1)));
  connections_.erase(it);
  socket->disconnectFromServer();
}

void SingleInstance::ReadRequests(QLocalSocket* socket) {
  auto it = connections_.find(socket);
  if (it == connections_.end()) return;
  it->pending.append(socket->readAll());
  // A handler that runs an event loop (a message box) may bring more data: it waits in the
  // buffer until the request being handled has its reply, so replies keep the requests' order.
  if (it->busy) return;
  it->silence->start();
  while (it->pending.size() >= kHeaderSize) {
    const char kind = it->pending.at(0);
    const quint32 length = qFromBigEndian<quint32>(it->pending.constData() + 1);
    if ((kind != kCommand && kind != kRaise) || length > quint32(MaxRequestLength)) {
      // The framing cannot be trusted any more: answer -1 and drop the client.
      connections_.erase(it);
      socket->write(ReplyFrame(RemoteReply(-1)));
      socket->disconnectFromServer();
      return;
    }
    if (it->pending.size() < kHeaderSize + qsizetype(length)) return;
    const QByteArray bytes = it->pending.mid(kHeaderSize, qsizetype(length));
    it->pending.remove(0, kHeaderSize + qsizetype(length));

    RemoteReply reply(0);
    QString text;
    if (kind == kRaise) {
      emit RaiseRequested();
    } else if (!CommandText(bytes, &text)) {
      reply = RemoteReply(-1);
    } else if (RemoteCommand) {
      it->busy = true;
      it->silence->stop();
      reply = RemoteCommand(text);
    }
    // The handler may have run an event loop (a message box) in which the peer went away or
    // another client connected.
    it = connections_.find(socket);
    if (it == connections_.end()) return;
    it->busy = false;
    socket->write(ReplyFrame(reply));
    socket->flush();
    it->silence->start();
  }
}

bool SingleInstance::Connect(QLocalSocket& socket, int connectMs, QString* error) const {
  // The running console may still be starting: retry until it listens. A socket file of
  // another user is never talked to.
  auto foreign = [this] {
    struct stat info = {};
    return ::lstat(QFile::encodeName(serverPath_).constData(), &info) == 0 &&
           info.st_uid != ::getuid();
  };
  QDeadlineTimer deadline(connectMs);
  for (;;) {
    if (foreign()) {
      if (error) *error = serverPath_ + " belongs to another user";
      return false;
    }
    socket.connectToServer(serverPath_);
    if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) return true;
    if (deadline.hasExpired()) {
      if (error) *error = "cannot reach the running console: " + socket.errorString();
      return false;
    }
    socket.abort();
    QThread::msleep(50);
  }
}

bool SingleInstance::Send(const QStringList& commands, QList<RemoteReply>* replies,
                          QString* error, int timeoutMs, int connectMs) const {
  QLocalSocket socket;
  if (!Connect(socket, connectMs, error)) return false;
  for (const QString& command : commands) {
    RemoteReply reply;
    if (!Exchange(socket, kCommand, command, timeoutMs, reply, error)) return false;
    if (replies) replies->append(reply);
  }
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::HandOver(const QStringList& arguments, QList<int>* replies, QString* error,
                              int timeoutMs) const {
  QLocalSocket socket;
  if (!Connect(socket, timeoutMs, error)) return false;
  RemoteReply reply;
  if (arguments.size() < 2) {
    if (!Exchange(socket, kRaise, QString(), timeoutMs, reply, error)) return false;
  } else {
    for (const QString& argument : arguments) {
      if (!Exchange(socket, kCommand, argument, timeoutMs, reply, error)) return false;
      if (replies) replies->append(reply.value);
    }
  }
  socket.disconnectFromServer();
  return true;
}

}  // namespace spinwave
