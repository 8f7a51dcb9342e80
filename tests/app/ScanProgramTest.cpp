// `spinwave --scan FOLDER` through the real program: it scans into the program folder's library
// without a window, and refuses while a console runs, so the two never write the library at
// the same time.
#include <signal.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "ConsoleFixture.h"
#include "app/SingleInstance.h"
#include "table/LibraryFile.h"
#include "table/TEMDB.h"

namespace spinwave::test {
namespace {

class ScanProgram : public ConsoleTest {
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
  struct Result {
    int status = -1;
    std::string out, err;
  };
  Result Scan(const QStringList& arguments) {
    QProcess scan;
    scan.setProcessEnvironment(Environment());
    scan.start(SPINWAVE_PROGRAM, QStringList{"--scan"} + arguments);
    Result r;
    if (!scan.waitForFinished(60000)) return r;
    r.status = scan.exitCode();
    r.out = scan.readAllStandardOutput().toStdString();
    r.err = scan.readAllStandardError().toStdString();
    return r;
  }
  std::vector<std::string> LibraryFiles() const {
    TEMDB library;
    library.Title = kLibraryTitle;
    if (!library.LoadFromFile(Program("data/data.db"))) return {"<no library>"};
    std::vector<std::string> files;
    const int col = ColumnIndex(library, "File");
    for (int r = 0; r < library.RowCount(); ++r) files.push_back(library.GetItem(col, r));
    std::sort(files.begin(), files.end());
    return files;
  }
  // A folder with two real tracks and a text file under an audio name.
  std::string MusicFolder() {
    const std::string folder = dir.Path() + "music/";
    MakeFolders(folder);
    for (const char* name : {"one", "two"}) {
      ToneSpec spec;
      spec.durationMs = 400;
      EXPECT_TRUE(WriteTone(folder + name + ".wav", AudioFormat::Wav, spec));
    }
    WriteFile(folder + "notes.mp3", "not audio at all\n");
    return folder;
  }

  QTemporaryDir run_{QDir::tempPath() + "/swrun-XXXXXX"};
};

TEST_F(ScanProgram, ScansIntoTheLibraryAndASecondRunAddsNothing) {
  const std::string folder = MusicFolder();
  const Result first = Scan({QString::fromStdString(folder)});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "2 added, 0 already in the library, 1 unreadable\n");
  EXPECT_EQ(LibraryFiles(), std::vector<std::string>({folder + "one.wav", folder + "two.wav"}));

  const Result again = Scan({QString::fromStdString(folder), "--exact"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "0 added, 2 already in the library, 1 unreadable\n");
  EXPECT_EQ(LibraryFiles().size(), 2u);

  const Result wrong = Scan({});
  EXPECT_EQ(wrong.status, 2) << "no folder given";
}

TEST_F(ScanProgram, RefusesWhileAConsoleRuns) {
  const std::string folder = MusicFolder();
  QProcess console;
  console.setProcessEnvironment(Environment());
  console.setProcessChannelMode(QProcess::ForwardedOutputChannel);
  console.start(SPINWAVE_PROGRAM, QStringList{});
  ASSERT_TRUE(console.waitForStarted(10000));
  SingleInstance probe(run_.path() + "/" + SingleInstance::DefaultServerPath().section('/', -1));
  QString error;
  ASSERT_TRUE(probe.HandOver({}, nullptr, &error, 30000)) << error.toStdString();

  const Result refused = Scan({QString::fromStdString(folder)});
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("Spinwave is running: close the console before scanning"),
            std::string::npos)
      << refused.err;
  EXPECT_TRUE(refused.out.empty());

  ::kill(static_cast<pid_t>(console.processId()), SIGTERM);
  ASSERT_TRUE(console.waitForFinished(30000));
  EXPECT_TRUE(LibraryFiles().empty()) << "nothing was scanned";

  const Result after = Scan({QString::fromStdString(folder)});
  EXPECT_EQ(after.status, 0) << "the console's lock went with it";
  EXPECT_EQ(LibraryFiles().size(), 2u);
}

}  // namespace
}  // namespace spinwave::test
