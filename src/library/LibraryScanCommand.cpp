#include "library/LibraryScanCommand.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "core/Messages.h"
#include "core/Paths.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryScan.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace {

void Usage() {
  std::fprintf(stderr, "Usage: spinwave --scan FOLDER [--exact]\n"
                       "Adds the audio files of FOLDER and its subfolders to the library.\n");
}

// One progress line on standard error: rewritten in place on a terminal, otherwise (cron, a
// log file) a new line at most every few seconds so the log stays short.
class ProgressLine {
 public:
  ProgressLine() : tty_(::isatty(STDERR_FILENO) == 1) {}
  ~ProgressLine() { End(); }

  void Show(const std::string& text, bool force = false) {
    const auto now = std::chrono::steady_clock::now();
    const auto every = tty_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(3000);
    if (!force && shown_ && now - last_ < every) return;
    last_ = now;
    shown_ = true;
    if (tty_)
      std::fprintf(stderr, "\r%s\033[K", text.c_str());
    else
      std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
  }
  void End() {
    if (tty_ && shown_) std::fprintf(stderr, "\n");
    shown_ = false;
  }

 private:
  bool tty_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace

int RunLibraryScanCommand(const QStringList& args) {
  QString folder;
  bool exact = false;
  for (const QString& a : args) {
    if (a == QLatin1String("--exact")) {
      exact = true;
    } else if (a.startsWith(QLatin1String("--")) || !folder.isEmpty()) {
      Usage();
      return 2;
    } else {
      folder = a;
    }
  }
  if (folder.isEmpty()) {
    Usage();
    return 2;
  }
  const QFileInfo info(folder);
  if (!info.isDir() || !info.isReadable()) {
    std::fprintf(stderr, "spinwave --scan: %s is not a folder that can be read.\n",
                 qUtf8Printable(folder));
    return 2;
  }

  std::unique_ptr<QCoreApplication> app;
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "spinwave";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QCoreApplication>(argc, argv);
  }

  // No window: every message goes to standard error; no question is ever answered Yes.
  MessageHandler previous = SetMessageHandler([](MessageKind, const std::string& text) {
    std::fprintf(stderr, "spinwave --scan: %s\n", text.c_str());
    return false;
  });

  // The clock is driven here: each background open completes as soon as the decoder has
  // finished it, instead of waiting for the next 10 ms tick.
  TFMODJingle::SetClockManual(true);

  MakeFolders(ProgramFolder() + "data");
  TEMDB library;
  OpenLibrary(library, ProgramFolder() + "data/data.db");
  int status = 0;
  {
    LibraryScan scan(library);
    scan.SetQuiet(true);
    if (exact) scan.Options().ExactSearch = true;
    // Paths are kept as the file system gives them: absolute, without "." or "..".
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    scan.DirTreePathChange(path.toStdString(), info.fileName().toStdString());

    ProgressLine progress;
    QString label, count, file;
    auto show = [&](bool force) {
      std::string text = label.toStdString();
      if (!count.isEmpty()) text += " " + count.toStdString();
      text += " " + file.toStdString();
      progress.Show(text, force);
    };
    bool newStep = false;  // a new step is shown with its first file, whatever the pace
    QObject::connect(&scan, &LibraryScan::ProgressLabel, [&](const QString& t) {
      label = t;
      count.clear();
      newStep = true;
    });
    QObject::connect(&scan, &LibraryScan::ProgressCount, [&](const QString& t) { count = t; });
    QObject::connect(&scan, &LibraryScan::ProgressFile, [&](const QString& t) {
      file = t;
      show(newStep);
      newStep = false;
    });

    // Wakes the loop below now and then, so no state can leave it waiting for ever.
    QTimer wake;
    wake.start(100);
    scan.SearchBtnClick();
    while (scan.Running()) {
      if (scan.WaitingForOpen())
        scan.CompleteOpenNow();
      else
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    progress.End();
    const ScanSummary& summary = scan.Summary();
    std::printf("%s\n", summary.Text().c_str());
    std::fflush(stdout);
    if (!summary.Saved) status = 1;
  }
  SetMessageHandler(previous);
  return status;
}

}  // namespace spinwave
