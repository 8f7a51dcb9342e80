// The console's local socket under bad input, byte by byte: empty, binary, half-sent and silent
// requests, the 259-byte cut, text replies, and who may connect.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <gtest/gtest.h>

#include "app/SingleInstance.h"

namespace {

using spinwave::RemoteReply;
using spinwave::SingleInstance;

QByteArray Frame(char kind, const QByteArray& payload) {
  QByteArray frame(5, '\0');
  frame[0] = kind;
  qToBigEndian<quint32>(quint32(payload.size()), frame.data() + 1);
  return frame + payload;
}

class RemoteSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(run.isValid());
    server = std::make_unique<SingleInstance>(run.path() + "/Spinwave-test");
    ASSERT_TRUE(server->Start());
    server->RemoteCommand = [this](const QString& text) -> RemoteReply {
      received << text;
      if (text == "artist") return RemoteReply(1, QStringLiteral("Ünïcode Artist"));
      return int(text.toUtf8().size());
    };
  }
  // A raw client connected to the server.
  std::unique_ptr<QLocalSocket> Client() {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(server->ServerPath());
    EXPECT_TRUE(socket->waitForConnected(2000));
    return socket;
  }
  // The integer of the next reply (the server runs in this thread: the event loop turns while
  // waiting); INT_MIN when none came.
  int NextReply(QLocalSocket& socket) {
    if (!QTest::qWaitFor([&] { return socket.bytesAvailable() >= 8; }, 5000)) return INT_MIN;
    const QByteArray header = socket.read(8);
    const quint32 length = qFromBigEndian<quint32>(header.constData() + 4);
    if (length > 0) {
      (void)QTest::qWaitFor([&] { return socket.bytesAvailable() >= qint64(length); }, 5000);
      socket.read(length);
    }
    return qFromBigEndian<qint32>(header.constData());
  }

  QTemporaryDir run{QDir::tempPath() + "/swsock-XXXXXX"};
  std::unique_ptr<SingleInstance> server;
  QStringList received;
};

TEST_F(RemoteSocket, EmptyAndBinaryRequestsAreAnsweredMinusOneWithoutReachingTheConsole) {
  auto client = Client();
  const QByteArray bad[] = {
      QByteArray(),                       // empty
      QByteArray("\x01\x02\x03rest", 7),  // control bytes
      QByteArray("a\0b", 3),              // NUL inside
      QByteArray("\xff\xfe\xfd"),         // not UTF-8
      QByteArray("-count\r\n"),           // a line break is not part of a command
  };
  for (const QByteArray& payload : bad) {
    client->write(Frame('C', payload));
    EXPECT_EQ(NextReply(*client), -1) << payload.toHex().toStdString();
  }
  EXPECT_TRUE(received.isEmpty());
  // The same connection still works for a good request.
  client->write(Frame('C', "-count"));
  EXPECT_EQ(NextReply(*client), 6);
  EXPECT_EQ(received, QStringList{"-count"});

  // A kind byte that is no request: -1, and the connection is dropped.
  client->write(Frame('Z', "-count"));
  EXPECT_EQ(NextReply(*client), -1);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return client->state() == QLocalSocket::UnconnectedState; }, 5000));
  EXPECT_EQ(received.size(), 1);
}

TEST_F(RemoteSocket, CommandsAreCutAfter259BytesOnACharacterBoundary) {
  auto client = Client();
  client->write(Frame('C', QByteArray(300, 'a')));
  EXPECT_EQ(NextReply(*client), 259);
  // "é" takes bytes 259 and 260: the whole character goes, never half of it.
  client->write(Frame('C', QByteArray(258, 'b') + "\xc3\xa9" + "tail"));
  EXPECT_EQ(NextReply(*client), 258);
  client->write(Frame('C', QByteArray(257, 'c') + "\xc3\xa9" + "tail"));
  EXPECT_EQ(NextReply(*client), 259);
  ASSERT_EQ(received.size(), 3);
  EXPECT_EQ(received[0], QString(259, 'a'));
  EXPECT_EQ(received[1], QString(258, 'b'));
  EXPECT_EQ(received[2], QString(257, 'c') + QStringLiteral("é"));
}

TEST_F(RemoteSocket, SilentAndHalfSentClientsAreDroppedWhileOthersAreServed) {
  auto silent = Client();
  auto half = Client();
  // Announces ten bytes and sends three.
  half->write(Frame('C', "0123456789").left(8));
  half->flush();
  // Meanwhile the console answers others at once.
  auto other = Client();
  other->write(Frame('C', "-count"));
  EXPECT_EQ(NextReply(*other), 6);

  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return silent->state() == QLocalSocket::UnconnectedState &&
               half->state() == QLocalSocket::UnconnectedState;
      },
      SingleInstance::SilenceLimitMs + 4000));
  EXPECT_EQ(silent->bytesAvailable(), 0) << "a client that said nothing gets nothing";
  ASSERT_GE(half->bytesAvailable(), 8);
  EXPECT_EQ(qFromBigEndian<qint32>(half->read(8).constData()), -1) << "half a request: -1";
  EXPECT_EQ(received, QStringList{"-count"});
}

TEST_F(RemoteSocket, TextRepliesTravelWithTheirInteger) {
  SingleInstance client(server->ServerPath());
  QList<RemoteReply> replies;
  QString error;
  // The client blocks on each reply, so it runs in a thread of its own here.
  bool sent = false;
  std::unique_ptr<QThread> thread(QThread::create(
      [&] { sent = client.Send({"artist", "-count"}, &replies, &error, 5000); }));
  thread->start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread->isFinished(); }, 10000));
  thread->wait();
  ASSERT_TRUE(sent) << error.toStdString();
  ASSERT_EQ(replies.size(), 2);
  EXPECT_TRUE(replies[0].hasText);
  EXPECT_EQ(replies[0].value, 1);
  EXPECT_EQ(replies[0].text, QStringLiteral("Ünïcode Artist"));
  EXPECT_FALSE(replies[1].hasText);
  EXPECT_EQ(replies[1].value, 6);
}

TEST_F(RemoteSocket, OnlyTheSameUserMayConnect) {
  struct stat info = {};
  ASSERT_EQ(::lstat(QFile::encodeName(server->ServerPath()).constData(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_uid, ::getuid());
  EXPECT_EQ(info.st_mode & 077, 0u) << "group and others have no access to the socket";
  if (::getuid() != 0) GTEST_SKIP() << "switching to another user needs root";

  // Another user (nobody) tries to connect, from a child process.
  const QByteArray path = QFile::encodeName(server->ServerPath());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::_exit(connected ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "another user was let in (3: could not switch user)";
  QTest::qWait(50);
  EXPECT_TRUE(received.isEmpty());
}

}  // namespace
