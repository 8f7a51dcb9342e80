// Title streaming and Live365 from the command line, with the console's own settings
// (~/.config/spinwave/spinwave2.ini, [Internet]):
//
//   spinwave-broadcast send "Artist - Title"   sends the title to every enabled destination,
//                                              as the console does with SendInfo on, and prints
//                                              what went wrong
//   spinwave-broadcast live365                 opens the Live365 window
//   spinwave-broadcast live365 shot.png        saves a picture of the window with a sample
//                                              state (works with QT_QPA_PLATFORM=offscreen)
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QTimer>

#include "broadcast/Live365Control.h"
#include "broadcast/TLive365.h"
#include "broadcast/TURLThread.h"
#include "broadcast/TitleStreamer.h"
#include "core/SettingsFile.h"
#include "options/OptionsStore.h"

using namespace spinwave;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: spinwave-broadcast send \"Artist - Title\"\n"
               "       spinwave-broadcast live365 [shot.png]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return Usage();
  TSettingsFile settings;
  OptionsStore options;
  options.Load(settings);

  if (std::strcmp(argv[1], "send") == 0 && argc == 3) {
    TitleStreamer streamer(options);
    QObject::connect(&streamer, &TitleStreamer::StatusMessage, [](const QString& text) {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    if (!streamer.AnyDestinationEnabled()) {
      std::fprintf(stderr, "No destination is enabled in %s\n", settings.FilePath().c_str());
      return 1;
    }
    streamer.SetCaption(argv[2]);
    streamer.Info2URL(argv[2]);
    const bool done = streamer.WaitForRequests(TURLThread::kDefaultTimeoutMs + 1000);
    std::printf("Requests logged in %s\n", NetLogPath().c_str());
    return done ? 0 : 1;
  }

  if (std::strcmp(argv[1], "live365") == 0 && argc <= 3) {
    Live365Control control(options);
    control.LoadEndpoint(settings);
    QObject::connect(&control, &Live365Control::StatusMessage, [](const QString& text) {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    TLive365 window(control);
    if (argc == 3) {
      control.StateAnswer("0,LI,1,42,x,y,z,10.0.0.5,8004");
      window.adjustSize();
      window.show();
      QApplication::processEvents();
      return window.grab().save(argv[2]) ? 0 : 1;
    }
    window.show();
    control.OptionsApplied();
    return app.exec();
  }

  return Usage();
}
