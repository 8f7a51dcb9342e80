// The spinwave program: one console per user. A start while a console runs hands its arguments
// over (or raises the running window) and ends; otherwise the console starts.
// `spinwave --scan FOLDER [--exact]` adds a folder to the library without a window.
#include <cstdio>
#include <exception>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QStringList>
#include <QTimer>
#include <QDBusConnection>

#include "app/ConsoleCore.h"
#include "app/ConsoleKeys.h"
#include "app/MprisService.h"
#include "app/RenderCommand.h"
#include "app/ShutdownSignals.h"
#include "app/SingleInstance.h"
#include "app/SpinwaveMain.h"
#include "core/Messages.h"
#include "library/LibraryScanCommand.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

// The arguments of a second start as the running console needs them: a file named relative to
// the folder the start was typed in is that file, wherever the console itself was started.
QStringList HandedOver(QStringList arguments) {
  for (QString& argument : arguments) {
    if (argument.startsWith('-') || QFileInfo(argument).isAbsolute()) continue;
    const QFileInfo here(QDir::current(), argument);
    if (here.exists()) argument = here.absoluteFilePath();
  }
  return arguments;
}

// Exit status of `--scan` while a console runs (the scan's own are 0, 1 and 2).
constexpr int kScanConsoleRuns = 3;

// `--scan`: runs only while no console does, and holds the console's lock meanwhile, so that
// the console and the scan never write the library at the same time (each would lose the
// other's rows).
int RunScan(const QStringList& arguments) {
  spinwave::SingleInstance instance;
  QString error;
  if (!instance.TakeLock(&error)) {
    std::fprintf(stderr,
                 "Spinwave is running: close the console before scanning into its library "
                 "(nothing was scanned)\n");
    return kScanConsoleRuns;
  }
  return spinwave::RunLibraryScanCommand(arguments.mid(1));
}

}  // namespace

int main(int argc, char** argv) {
  const QStringList arguments = Arguments(argc, argv);
  // A render runs headless beside any console: no window, no single-instance lock.
  if (spinwave::RenderCommand::Wanted(arguments)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return spinwave::RenderCommand::Main(arguments);
  }
  if (!arguments.isEmpty() && arguments.first() == QLatin1String("--scan"))
    return RunScan(arguments);
  spinwave::SingleInstance instance;
  QString error;
  if (!instance.TakeLock(&error)) {
    // Another console runs: hand over, without opening a window.
    QCoreApplication app(argc, argv);
    if (!instance.HandOver(HandedOver(arguments), nullptr, &error)) {
      std::fprintf(stderr, "Spinwave: %s\n", qUtf8Printable(error));
    } else if (arguments.size() >= 2) {
      std::fprintf(stderr, "Spinwave is already running; passed on %lld arguments\n",
                   static_cast<long long>(arguments.size()));
    } else {
      std::fprintf(stderr, "Spinwave is already running; asked it to come to the front\n");
    }
    return 0;
  }

  try {
    QApplication app(argc, argv);
    if (error.isEmpty()) instance.Listen(&error);
    if (!error.isEmpty())
      std::fprintf(stderr, "Spinwave: other starts cannot reach this console: %s\n",
                   qUtf8Printable(error));

    spinwave::ConsoleCore core(arguments);
    TSpinwaveMain console(core);
    instance.RemoteCommand = [&core](const QString& text) { return core.RemoteCommand(text); };
    QObject::connect(&instance, &spinwave::SingleInstance::RaiseRequested, &console,
                     &TSpinwaveMain::RaiseWindow);

    // SIGTERM, SIGINT and the session manager's end-of-session request close the console as a
    // normal close does, so the playlist, the library layout and the settings are saved.
    spinwave::ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &spinwave::ShutdownSignals::Requested, &console,
                     [&console] { console.EndSessionQuery(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &console,
                     [&console](QSessionManager& manager) {
                       if (!console.EndSessionQuery()) manager.cancel();
                     });

    // Media keys, the desktop's sound menu and playerctl reach the decks over the session bus.
    spinwave::MprisService mpris(core);
    mpris.FocusedDeck = [&console] {
      const spinwave::ConsoleKeys* keys = console.Keys();
      return keys->Active(0) ? 0 : keys->Active(1) ? 1 : -1;
    };
    mpris.RaiseWindow = [&console] { console.RaiseWindow(); };
    mpris.QuitConsole = [&console] {
      QTimer::singleShot(0, &console, [&console] { console.close(); });
    };
    if (QString why; !mpris.Register(QDBusConnection::sessionBus(), &why))
      std::fprintf(stderr, "Spinwave: no media-player interface on the session bus: %s\n",
                   qUtf8Printable(why));

    console.show();
    app.exec();
  } catch (const std::exception& e) {
    spinwave::ShowMessage(e.what());
  }
  return 0;
}
