// The real spinwave program, started by the test (offscreen, no sound): the kept playlist across
// real restarts, a console killed outright, and what a second start says.
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "ConsoleFixture.h"
#include "app/SingleInstance.h"
#include "core/AtomicFile.h"
#include "playlist/PlaylistFiles.h"
#include "table/TEMDB.h"

namespace spinwave::test {
namespace {

class ConsoleProgram : public ConsoleTest {
 protected:
  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", run_.path());
    env.insert("SPINWAVE_HOME", QString::fromStdString(dir.Path() + "program"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.Path() + "config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("SPINWAVE_OUTPUT", "nosound");
    return env;
  }
  // Starts the console and waits until it answers on its socket (its window is up then).
  bool Start(QProcess& process, const QStringList& arguments) {
    process.setProcessEnvironment(Environment());
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process.start(SPINWAVE_PROGRAM, arguments);
    if (!process.waitForStarted(10000)) return false;
    SingleInstance probe(run_.path() + "/" + SingleInstance::DefaultServerPath().section('/', -1));
    QString error;
    return probe.HandOver({}, nullptr, &error, 30000);  // "come to the front": answered when up
  }
  bool Stop(QProcess& process, int signal) {
    ::kill(static_cast<pid_t>(process.processId()), signal);
    return process.waitForFinished(30000);
  }
  std::vector<std::string> KeptFiles() const {
    TEMDB kept;
    kept.Title = kPlaylistTitle;
    std::vector<std::string> files;
    if (!kept.LoadFromFile(Program("spinwave.npl2"))) return {"<unreadable>"};
    for (int r = 0; r < kept.RowCount(); ++r) files.push_back(kept.GetItem(3, r));
    return files;
  }

  // A short folder of its own: a socket path is limited to 107 bytes.
  QTemporaryDir run_{QDir::tempPath() + "/swrun-XXXXXX"};
};

TEST_F(ConsoleProgram, KeepsThePlaylistAcrossRealRestarts) {
  const std::string a = Track("a", 20000), b = Track("b", 20000), c = Track("c", 20000);
  {
    QProcess console;
    ASSERT_TRUE(Start(console, {QString::fromStdString(M3U("show.m3u", {a, b})), "-play"}));
    ASSERT_TRUE(Stop(console, SIGTERM));
    EXPECT_EQ(console.exitCode(), 0);
  }
  EXPECT_EQ(KeptFiles(), std::vector<std::string>({a, b})) << "SIGTERM closes as the user does";
  const std::string clean = ReadFile(Program("spinwave.npl2"));

  {
    // Killed outright while playing: the kept playlist is that of the last clean close, whole.
    QProcess console;
    ASSERT_TRUE(Start(console, {QString::fromStdString(c), "-play"}));
    ASSERT_TRUE(Stop(console, SIGKILL));
  }
  EXPECT_EQ(ReadFile(Program("spinwave.npl2")), clean);

  {
    // The next start restores it; a file added now joins it.
    QProcess console;
    ASSERT_TRUE(Start(console, {QString::fromStdString(c)}));
    ASSERT_TRUE(Stop(console, SIGTERM));
  }
  EXPECT_EQ(KeptFiles(), std::vector<std::string>({a, b, c}));
}

TEST_F(ConsoleProgram, ASecondStartSaysWhatItDid) {
  QProcess console;
  ASSERT_TRUE(Start(console, {}));
  struct Case {
    QStringList arguments;
    const char* line;
  };
  const Case cases[] = {
      {{"/music/one.mp3"}, "Spinwave is already running; asked it to come to the front\n"},
      {{"-clear", "/music/list.npl2", "-play"},
       "Spinwave is already running; passed on 3 arguments\n"},
  };
  for (const Case& c : cases) {
    QProcess second;
    second.setProcessEnvironment(Environment());
    second.start(SPINWAVE_PROGRAM, c.arguments);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    const std::string said = second.readAllStandardError().toStdString();
    EXPECT_NE(said.find(c.line), std::string::npos) << said;
  }
  ASSERT_TRUE(Stop(console, SIGTERM));
}

// scripts/run.sh hands file arguments on as the caller meant them: relative to the folder it
// was started in, not to the repository it builds in. (SPINWAVE_RUN_PROGRAM: this build's
// program, no build step.)
TEST_F(ConsoleProgram, RunScriptTakesRelativeArgumentsInTheCallersFolder) {
  const std::string a = Track("a", 800), b = Track("b", 800);
  const std::string work = dir.Path() + "work";
  MakeFolders(work);
  WriteFile(work + "/show.m3u", "#EXTM3U\n" + a + "\n" + b + "\n");
  QProcess run;
  QProcessEnvironment env = Environment();
  env.insert("SPINWAVE_RUN_PROGRAM", SPINWAVE_PROGRAM);
  run.setProcessEnvironment(env);
  run.setWorkingDirectory(QString::fromStdString(work));
  run.start("bash", {SPINWAVE_SOURCE_DIR "/scripts/run.sh", "--render", "show.m3u", "--out",
                     "mix.wav", "--segue", "0"});
  ASSERT_TRUE(run.waitForFinished(60000));
  const std::string said = run.readAllStandardError().toStdString();
  EXPECT_EQ(run.exitCode(), 0) << said;
  EXPECT_TRUE(FileExists(work + "/mix.wav")) << said;
  EXPECT_NE(said.find("Rendered 2 tracks"), std::string::npos) << said;
}

}  // namespace
}  // namespace spinwave::test
