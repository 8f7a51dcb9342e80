// Takes a picture of the console as a user sees it, without a display or a sound card.
//
//   spinwave-shot OUT.png [FILE_OR_PLAYLIST ...] [--play MS] [--xfader] [--panel N]
//                 [--set KEY=VALUE ...] [--jingles FOLDER] [--options PAGE]
//
// Starts the console core with every deck on the non-real-time output, opens the window
// offscreen, adds the files and playlists given (as the command line of a first start does),
// and with --play double-clicks row 1 and lets MS milliseconds of it play on deck 1 (and
// loads row 2 into deck 2). --xfader shows the crossfader. --panel N saves only the deck
// panel, enlarged N times. --set changes an option on the running console (--set
// Language=German, --set PlayerLook=Midnight), as the options dialog does. The program and settings folders
// are the usual ones unless SPINWAVE_HOME and XDG_CONFIG_HOME say otherwise: point them at a
// scratch folder to keep your own playlist out of the picture. --jingles FOLDER (with
// JingleEnabled on in the settings) puts the first four audio files of FOLDER on the options
// dialog's jingle page with the shortcuts 1 to 4, saves them as the DJ list "Shot jingles", loads
// it in the jingle window and fires slots 1 and 3; --options PAGE opens the options dialog on
// that page (its object name, such as OutputOpt). Both windows are drawn over the console's
// picture where they stand on screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>

#include "app/ConsoleCore.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"
#include "jingles/TJinglesForm.h"
#include "options/TOptions.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

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
  QString jingleFolder, optionsPage;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc)
      playMs = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--panel") == 0 && i + 1 < argc)
      panelZoom = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--set") == 0 && i + 1 < argc)
      sets << QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--jingles") == 0 && i + 1 < argc)
      jingleFolder = QString::fromLocal8Bit(argv[++i]);
    else if (std::strcmp(argv[i], "--options") == 0 && i + 1 < argc)
      optionsPage = QString::fromLocal8Bit(argv[++i]);
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
  spinwave::TJinglesForm* jingles = window.JinglesForm();
  spinwave::TOptions* dialog = window.OptionsDialog();
  if (!jingleFolder.isEmpty() && jingles && dialog) {
    // The jingle page as a presenter fills it: add, give each a digit, save as a DJ list.
    const QStringList audio = QDir(jingleFolder).entryList(
        {QStringLiteral("*.mp3"), QStringLiteral("*.ogg"), QStringLiteral("*.wav")}, QDir::Files,
        QDir::Name);
    for (int i = 0; i < audio.size() && i < 4; ++i) {
      dialog->findChild<QLineEdit*>(QStringLiteral("FileName"))
          ->setText(QDir(jingleFolder).filePath(audio[i]));
      dialog->findChild<QLineEdit*>(QStringLiteral("Description"))
          ->setText(QFileInfo(audio[i]).completeBaseName().section(QStringLiteral(" - "), -1).left(25));
      dialog->AddJingleBtnClick();
    }
    for (int row = 1; row <= dialog->JingleData()->Table().RowCount() && row <= 4; ++row) {
      dialog->JingleData()->SetRow(row);
      dialog->JingleShortClick(row);
    }
    dialog->SaveDJListAs(QString::fromStdString(spinwave::JingleListsFolder()) +
                         QStringLiteral("Shot jingles"));
    window.JinglesClick();
    jingles->move(window.geometry().right() + 12, window.y());
    const QList<QListWidgetItem*> found =
        jingles->ListBox()->findItems(QStringLiteral("Shot jingles"), Qt::MatchExactly);
    if (!found.isEmpty()) jingles->ListBox()->setCurrentItem(found.first());
    jingles->LoadDJJinglesClick();
    core.Advance(100);
    window.JingleKey('1');
    window.JingleKey('3');
    core.Advance(1500);
  }
  if (!optionsPage.isEmpty() && dialog) {
    window.CtrlOptionsClick();
    if (QWidget* page = dialog->Pages()->findChild<QWidget*>(optionsPage))
      dialog->Pages()->setCurrentWidget(page);
    dialog->move(window.x() + 330, window.y() + 300);
    core.Advance(300);
  }
  for (int i = 0; i < 5; ++i) app.processEvents();
  QPixmap picture = window.grab();
  {
    // The console's own windows over it, where they stand relative to it, on a canvas that
    // holds them all.
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    QRect canvas(QPoint(0, 0), picture.size());
    std::vector<std::pair<QPoint, QPixmap>> windows;
    for (QWidget* w : {static_cast<QWidget*>(jingles), static_cast<QWidget*>(dialog)})
      if (w && w->isVisible()) {
        windows.emplace_back(w->mapToGlobal(QPoint(0, 0)) - origin, w->grab());
        canvas = canvas.united(QRect(windows.back().first, windows.back().second.size()));
      }
    if (!windows.empty()) {
      QPixmap all(canvas.size());
      all.fill(QColor(40, 40, 40));
      QPainter painter(&all);
      painter.drawPixmap(-canvas.topLeft(), picture);
      for (const auto& [at, image] : windows) painter.drawPixmap(at - canvas.topLeft(), image);
      painter.end();
      picture = all;
    }
  }
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
