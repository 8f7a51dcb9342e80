// spinwave-remote and a second start against the real spinwave program (offscreen, no sound),
// both started by the test: replies on stdout, exit codes, a second start's "-clear" with a
// playlist named relative to where it was typed, and "-exit".
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ConsoleFixture.h"
#include "app/SingleInstance.h"

namespace spinwave::test {
namespace {

struct Result {
  int exitCode = -1;
  std::string out, err;
};

class RemoteProgram : public ConsoleTest {
 protected:
  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", run_.path());
    env.insert("SPINWAVE_HOME", QString::fromStdString(dir.Path() + "program"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.Path() + "config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("SPINWAVE_OUTPUT", "nosound");
    env.remove("DBUS_SESSION_BUS_ADDRESS");  // never the user's own media-player bus
    return env;
  }
  bool StartConsole(const QStringList& arguments) {
    console_.setProcessEnvironment(Environment());
    console_.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    console_.start(SPINWAVE_PROGRAM, arguments);
    if (!console_.waitForStarted(10000)) return false;
    SingleInstance probe(run_.path() + "/" + SingleInstance::DefaultServerPath().section('/', -1));
    QString error;
    return probe.HandOver({}, nullptr, &error, 30000);  // answered once the window is up
  }
  Result Run(const char* program, const QStringList& arguments, const QString& cwd = {}) {
    QProcess p;
    p.setProcessEnvironment(Environment());
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    p.start(program, arguments);
    Result r;
    if (!p.waitForFinished(30000)) {
      p.kill();
      return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
  }
  Result Remote(const QStringList& commands) { return Run(SPINWAVE_REMOTE_PROGRAM, commands); }
  void TearDown() override {
    if (console_.state() != QProcess::NotRunning) {
      console_.terminate();
      if (!console_.waitForFinished(20000)) console_.kill();
    }
  }

  QTemporaryDir run_{QDir::tempPath() + "/swrun-XXXXXX"};
  QProcess console_;
};

TEST_F(RemoteProgram, ExitCodesWithoutAConsoleAndOnUsageErrors) {
  const Result none = Remote({"-count"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("Spinwave is not running"), std::string::npos) << none.err;
  EXPECT_EQ(none.out, "");
  const Result usage = Remote({});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("Usage: spinwave-remote COMMAND..."), std::string::npos) << usage.err;
}

TEST_F(RemoteProgram, DrivesTheRunningConsoleAndASecondStartClearsAndReads) {
  const std::string a = Track("a", 30000), b = Track("b", 30000), c = Track("c", 30000);
  ASSERT_TRUE(StartConsole({QString::fromStdString(M3U("show.m3u", {a, b}))}));

  Result r = Remote({"-COUNT", "-rowdata", "-time"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "2\n0\n0\n") << "two tracks, no artist on deck 1, nothing plays";

  // A second start typed in the test's folder: the relative name means the file there.
  M3U("other.m3u", {c, a, b});
  Result second = Run(SPINWAVE_PROGRAM, {"-clear", "other.m3u"},
                      QString::fromStdString(dir.Path()));
  EXPECT_EQ(second.exitCode, 0) << second.err;
  r = Remote({"-count"});
  EXPECT_EQ(r.out, "3\n") << "emptied, then the list read";

  // A file added by its path; then row 1 plays and deck 1's artist comes back as text.
  r = Remote({QString::fromStdString(Track("d", 30000)), "-count", "-play"});
  EXPECT_EQ(r.out, "1\n4\n1\n") << r.err;
  std::string artist;
  (void)QTest::qWaitFor(
      [&] {
        artist = Remote({"-rowdata"}).out;
        return artist == "c.wav\n";
      },
      15000);
  EXPECT_EQ(artist, "c.wav\n");

  // "-exit" answers, then the console closes as the user closes it.
  r = Remote({"-exit"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "0\n");
  ASSERT_TRUE(console_.waitForFinished(20000));
  EXPECT_EQ(console_.exitCode(), 0);
  EXPECT_EQ(Remote({"-count"}).exitCode, 1);
}

}  // namespace
}  // namespace spinwave::test
