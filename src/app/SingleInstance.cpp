#include "app/SingleInstance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
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
#include <QThread>
#include <QtEndian>

namespace spinwave {

namespace {

constexpr char kCommand = 'C';
constexpr char kRaise = 'R';
constexpr int kHeaderSize = 5;

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

// Sends one request and waits for its reply.
bool Exchange(QLocalSocket& socket, char kind, const QString& text, int timeoutMs, int& reply,
              QString* error) {
  socket.write(Frame(kind, text));
  if (!socket.waitForBytesWritten(timeoutMs) && socket.bytesToWrite() > 0) {
    if (error) *error = "sending failed: " + socket.errorString();
    return false;
  }
  QDeadlineTimer deadline(timeoutMs);
  while (socket.bytesAvailable() < 4) {
    if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() < 4) {
      if (error) *error = "the running console closed the connection";
      return false;
    }
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
      if (socket.bytesAvailable() >= 4) break;
      if (error) *error = "no reply from the running console: " + socket.errorString();
      return false;
    }
  }
  QByteArray bytes = socket.read(4);
  reply = qFromBigEndian<qint32>(bytes.constData());
  return true;
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

void SingleInstance::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    pending_.insert(socket, QByteArray());
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequests(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      pending_.remove(socket);
      busy_.remove(socket);
      socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0) ReadRequests(socket);
  }
}

void SingleInstance::ReadRequests(QLocalSocket* socket) {
  auto it = pending_.find(socket);
  if (it == pending_.end()) return;
  it->append(socket->readAll());
  // A handler that runs an event loop (a message box) may bring more data: it waits in the
  // buffer until the request being handled has its reply, so replies keep the requests' order.
  if (busy_.contains(socket)) return;
  while (it->size() >= kHeaderSize) {
    const char kind = it->at(0);
    const quint32 length = qFromBigEndian<quint32>(it->constData() + 1);
    if ((kind != kCommand && kind != kRaise) || length > quint32(MaxRequestLength)) {
      pending_.erase(it);
      socket->abort();
      return;
    }
    if (it->size() < kHeaderSize + qsizetype(length)) return;
    const QString text = QString::fromUtf8(it->constData() + kHeaderSize, qsizetype(length));
    it->remove(0, kHeaderSize + qsizetype(length));

    qint32 reply = 0;
    if (kind == kRaise) {
      emit RaiseRequested();
    } else if (RemoteCommand) {
      busy_.insert(socket);
      reply = RemoteCommand(text);
      busy_.remove(socket);
    }
    // The handler may have run an event loop (a message box) in which the peer went away.
    it = pending_.find(socket);
    if (it == pending_.end()) return;
    QByteArray bytes(4, '\0');
    qToBigEndian<qint32>(reply, bytes.data());
    socket->write(bytes);
    socket->flush();
  }
}

bool SingleInstance::HandOver(const QStringList& arguments, QList<int>* replies, QString* error,
                              int timeoutMs) const {
  QLocalSocket socket;
  // The running console may still be starting: retry until it listens. A socket file of
  // another user is never talked to.
  auto foreign = [this] {
    struct stat info = {};
    return ::lstat(QFile::encodeName(serverPath_).constData(), &info) == 0 &&
           info.st_uid != ::getuid();
  };
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    if (foreign()) {
      if (error) *error = serverPath_ + " belongs to another user";
      return false;
    }
    socket.connectToServer(serverPath_);
    if (socket.waitForConnected(int(qMax<qint64>(1, deadline.remainingTime())))) break;
    if (deadline.hasExpired()) {
      if (error) *error = "cannot reach the running console: " + socket.errorString();
      return false;
    }
    socket.abort();
    QThread::msleep(50);
  }
  int reply = 0;
  if (arguments.size() < 2) {
    if (!Exchange(socket, kRaise, QString(), timeoutMs, reply, error)) return false;
  } else {
    for (const QString& argument : arguments) {
      if (!Exchange(socket, kCommand, argument, timeoutMs, reply, error)) return false;
      if (replies) replies->append(reply);
    }
  }
  socket.disconnectFromServer();
  return true;
}

}  // namespace spinwave
