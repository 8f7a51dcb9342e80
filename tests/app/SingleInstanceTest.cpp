#include "app/SingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "common/TestSupport.h"

namespace {

using spinwave::SingleInstance;
using spinwave::test::ReadFile;
using spinwave::test::TempFolder;

// A test's folders. The socket lives in a short folder of its own: a socket path is limited to
// 107 bytes, which a deep build tree could exceed.
class Sandbox : public TempFolder {
 public:
  QString RunDir() const { return run_.path(); }

 private:
  QTemporaryDir run_{QDir::tempPath() + "/swrun-XXXXXX"};
};

// Runs the real program with `arguments` in an environment whose runtime, program and settings
// folders lie in `dir`, and keeps the event loop turning (the server lives in this process)
// until it ends.
struct ProgramRun {
  int exitCode = -1;
  bool finished = false;
};

QProcessEnvironment ProgramEnvironment(const Sandbox& dir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", dir.RunDir());
  env.insert("SPINWAVE_HOME", QString::fromStdString(dir.Path() + "program"));
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.Path() + "config"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("SPINWAVE_OUTPUT", "nosound");
  return env;
}

ProgramRun RunProgram(const Sandbox& dir, const QStringList& arguments) {
  QProcess process;
  process.setProcessEnvironment(ProgramEnvironment(dir));
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  QSignalSpy finished(&process, &QProcess::finished);
  process.start(SPINWAVE_PROGRAM, arguments);
  ProgramRun run;
  run.finished = finished.wait(30000);
  if (!run.finished) process.kill();
  else run.exitCode = process.exitCode();
  return run;
}

QString ServerPath(const Sandbox& dir) {
  return dir.RunDir() + "/" +
         SingleInstance::DefaultServerPath().section('/', -1);
}

TEST(SingleInstance, SecondStartHandsOverEveryArgumentInOrder) {
  Sandbox dir;
  SingleInstance server(ServerPath(dir));
  ASSERT_TRUE(server.Start());
  QStringList received;
  server.RemoteCommand = [&](const QString& text) {
    received << text;
    return 0;
  };
  QSignalSpy raised(&server, &SingleInstance::RaiseRequested);

  const QStringList arguments = {"-clear", "/music/My List.npl2", "-play", "Ünïcode.mp3"};
  ProgramRun run = RunProgram(dir, arguments);
  ASSERT_TRUE(run.finished) << "the second start must end by itself";
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(received, arguments);
  EXPECT_EQ(raised.count(), 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path() + "program/data")))
      << "a second start opens no console";
}

TEST(SingleInstance, SecondStartWithFewerThanTwoArgumentsOnlyRaises) {
  Sandbox dir;
  SingleInstance server(ServerPath(dir));
  ASSERT_TRUE(server.Start());
  QStringList received;
  server.RemoteCommand = [&](const QString& text) {
    received << text;
    return 0;
  };
  QSignalSpy raised(&server, &SingleInstance::RaiseRequested);

  for (const QStringList& arguments : {QStringList{"/music/one.mp3"}, QStringList{}}) {
    ProgramRun run = RunProgram(dir, arguments);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
  }
  EXPECT_EQ(raised.count(), 2);
  EXPECT_TRUE(received.isEmpty()) << "a single argument is not handed over";
}

TEST(SingleInstance, EachRequestIsAnsweredBeforeTheNextIsSent) {
  Sandbox dir;
  SingleInstance server(ServerPath(dir));
  ASSERT_TRUE(server.Start());
  QStringList received;
  int depth = 0;
  bool overlapped = false;
  server.RemoteCommand = [&](const QString& text) {
    if (depth++ > 0) overlapped = true;
    received << text;
    // Turns the event loop: anything the sender sent early would be handled in here.
    QTest::qWait(20);
    --depth;
    return int(text.size());
  };

  // The sender blocks on each reply, so it runs in its own thread here.
  QList<int> replies;
  bool handedOver = false;
  QString error;
  std::unique_ptr<QThread> sender(QThread::create([&] {
    SingleInstance client(server.ServerPath());
    handedOver = client.HandOver({"a", "bb", "ccc"}, &replies, &error);
  }));
  QSignalSpy done(sender.get(), &QThread::finished);
  sender->start();
  ASSERT_TRUE(done.wait(10000));
  sender->wait();
  EXPECT_TRUE(handedOver) << error.toStdString();
  EXPECT_EQ(received, QStringList({"a", "bb", "ccc"}));
  EXPECT_EQ(replies, QList<int>({1, 2, 3}));
  EXPECT_FALSE(overlapped);
}

TEST(SingleInstance, OnlyOneConsoleHoldsTheLock) {
  Sandbox dir;
  SingleInstance first(ServerPath(dir));
  SingleInstance second(ServerPath(dir));
  ASSERT_TRUE(first.Start());
  EXPECT_TRUE(first.Listening());
  EXPECT_FALSE(second.Start());
  EXPECT_FALSE(second.Listening());
}

TEST(SingleInstance, HandOverFailsCleanlyWhenNoConsoleAnswers) {
  Sandbox dir;
  SingleInstance client(ServerPath(dir));
  QString error;
  EXPECT_FALSE(client.HandOver({"a", "b"}, nullptr, &error, 300));
  EXPECT_FALSE(error.isEmpty());
}

TEST(SingleInstance, OversizedRequestDropsTheConnection) {
  Sandbox dir;
  SingleInstance server(ServerPath(dir));
  ASSERT_TRUE(server.Start());
  int calls = 0;
  server.RemoteCommand = [&](const QString&) { return ++calls; };
  QLocalSocket socket;
  socket.connectToServer(server.ServerPath());
  ASSERT_TRUE(socket.waitForConnected(2000));
  // Kind 'C' with a length far beyond the limit.
  socket.write(QByteArray("C\x7f\xff\xff\xff", 5));
  socket.flush();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return socket.state() == QLocalSocket::UnconnectedState; }, 5000));
  EXPECT_EQ(calls, 0);
}

// Leaves a socket file with nobody listening, as a console killed with SIGKILL does.
void LeaveStaleSocket(const QString& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
  std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

TEST(SingleInstance, StaleSocketDoesNotPreventAFirstStart) {
  Sandbox dir;
  const QString path = ServerPath(dir);
  LeaveStaleSocket(path);
  ASSERT_TRUE(QFile::exists(path));
  {
    // A lock file left behind too: nobody holds its lock.
    QFile lock(path + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  }

  // The real program starts as the first console.
  QProcess console;
  console.setProcessEnvironment(ProgramEnvironment(dir));
  console.setProcessChannelMode(QProcess::ForwardedChannels);
  console.start(SPINWAVE_PROGRAM, QStringList());
  ASSERT_TRUE(console.waitForStarted(10000));

  // It answers a hand-over...
  SingleInstance client(path);
  QList<int> replies;
  QString error;
  EXPECT_TRUE(client.HandOver({"one", "two"}, &replies, &error, 20000)) << error.toStdString();
  EXPECT_EQ(replies, QList<int>({0, 0}));

  // ...and SIGTERM closes it as a normal close does: settings written, socket removed.
  console.terminate();
  ASSERT_TRUE(console.waitForFinished(20000));
  EXPECT_EQ(console.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(console.exitCode(), 0);
  const std::string ini = ReadFile(dir.Path() + "config/spinwave/spinwave2.ini");
  EXPECT_NE(ini.find("[Window]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Width="), std::string::npos) << ini;
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
