// Takes a picture of the console as a user sees it, without a display or a sound card.
//
//   spinwave-shot OUT.png [FILE_OR_PLAYLIST ...] [--play MS] [--xfader] [--panel N]
//                 [--set KEY=VALUE ...]
//
// Starts the console core with every deck on the non-real-time output, opens the window
// offscreen, adds the files and playlists given (as the command line of a first start does),
// and with --play double-clicks row 1 and lets MS milliseconds of it play on deck 1 (and
// loads row 2 into deck 2). --xfader shows the crossfader. --panel N saves only the deck
// panel, enlarged N times. --set changes an option on the running console (--set
// Language=German, --set PlayerLook=Midnight), as the options dialog does. The program and settings folders
// are the usual ones unless SPINWAVE_HOME and XDG_CONFIG_HOME say otherwise: point them at a
// scratch folder to keep your own playlist out of the picture.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QPixmap>

#include "app/ConsoleCore.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: spinwave-shot OUT.png [FILE ...] [--play MS] [--xfader]\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QStringList files;
  int playMs = -1;
  bool xfader = false;
  int panelZoom = 0;
  QStringList sets;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc)
      playMs = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--panel") == 0 && i + 1 < argc)
      panelZoom = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--set") == 0 && i + 1 < argc)
      sets << QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--xfader") == 0)
      xfader = true;
    else
      files << QString::fromLocal8Bit(argv[i]);
  }
  spinwave::ConsoleCoreOptions options;
  options.nonRealtime = true;
  spinwave::ConsoleCore core(files, "spinwave2.ini", options);
  TSpinwaveMain window(core);
  window.resize(1000, 620);
  window.show();
  app.processEvents();
  for (const QString& set : sets)
    core.Options().SetText(set.section('=', 0, 0).toStdString(),
                           set.section('=', 1).toStdString());
  if (xfader && !core.Transport().XFader()) window.XFaderClick();
  if (playMs >= 0) {
    core.Playlist().SetCursorRow(1);
    core.Transport().PlaylistDblClick();
    core.Advance(100);
    if (core.Playlist().RowCount() > 2) {
      core.Playlist().SetCursorRow(2);
      core.Transport().PlaylistDblClick();
    }
    core.Advance(playMs);
    core.Playlist().SetCursorRow(1);
  }
  for (int i = 0; i < 5; ++i) app.processEvents();
  QPixmap picture = window.grab();
  if (panelZoom > 0) {
    QWidget* panel = window.Players();
    picture = panel->grab();
    picture = picture.scaled(picture.size() * panelZoom, Qt::IgnoreAspectRatio,
                             Qt::FastTransformation);
  }
  const bool saved = picture.save(out);
  if (!saved) std::fprintf(stderr, "could not save %s\n", qUtf8Printable(out));
  window.FormClose();
  return saved ? 0 : 1;
}
