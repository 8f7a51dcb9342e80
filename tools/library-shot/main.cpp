// Pictures of the console's library browser, without a display or a sound card.
//
//   spinwave-library-shot OUT_FOLDER MUSIC_FOLDER [SEARCH_TEXT]
//
// Scans MUSIC_FOLDER into the library (what `spinwave --scan` does) when the library is empty,
// opens the console offscreen on the non-real-time output and saves:
//   library-search.png  the library with an Artist search for SEARCH_TEXT (default "a"),
//   folder.png          the file list of MUSIC_FOLDER, two files added to the playlist and the
//                       first pre-listened for a second,
//   scan.png            the console with the "Database" dialog open (Setup -> Database).
// Point SPINWAVE_HOME and XDG_CONFIG_HOME at a scratch folder to keep your own library out of
// the pictures.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "app/ConsoleCore.h"
#include "app/SpinwaveMain.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryModel.h"
#include "library/LibraryScanCommand.h"
#include "library/TEditDatabase.h"
#include "table/TEMDB.h"

namespace {

void Settle(QApplication& app) {
  for (int i = 0; i < 5; ++i) app.processEvents();
}

bool Save(const QPixmap& picture, const QString& path) {
  const bool saved = picture.save(path);
  std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n", qUtf8Printable(path));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: spinwave-library-shot OUT_FOLDER MUSIC_FOLDER [SEARCH_TEXT]\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  const QString music = QString::fromLocal8Bit(argv[2]);
  const QString search = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("a");

  bool ok = true;
  {
    spinwave::ConsoleCoreOptions options;
    options.nonRealtime = true;
    auto core = std::make_unique<spinwave::ConsoleCore>(QStringList{}, "spinwave2.ini", options);
    if (core->Library().RowCount() == 0) {
      core.reset();  // the scan writes the library file; the console reads it afterwards
      spinwave::RunLibraryScanCommand({music});
      core = std::make_unique<spinwave::ConsoleCore>(QStringList{}, "spinwave2.ini", options);
    }
    TSpinwaveMain window(*core);
    window.resize(1180, 680);
    window.show();
    Settle(app);
    spinwave::LibraryBrowser& b = *window.Library();

    // The library with a search.
    b.SearchBtn()->click();
    b.FilterCol()->setCurrentIndex(spinwave::LibraryModel::fcArtist);
    b.FilterTxt()->lineEdit()->setText(search);
    Settle(app);
    ok = Save(window.grab(), out + "library-search.png") && ok;
    b.FilterCol()->setCurrentIndex(spinwave::LibraryModel::fcNone);
    b.SearchBtn()->click();

    // A folder: two files to the playlist, the first pre-listened.
    b.ShowPath(music.toStdString());
    Settle(app);
    QListWidget* files = b.FileList();
    for (int i = 0; i < files->count() && i < 2; ++i) files->item(i)->setSelected(true);
    window.AddToPlaylist(false);
    files->setCurrentRow(0);
    b.PreListenTrackClick();
    core->Advance(1000);
    Settle(app);
    ok = Save(window.grab(), out + "folder.png") && ok;
    b.StopRecordClick();

    // The scan dialog over the console.
    window.EditDatabaseClick();
    Settle(app);
    QPixmap picture = window.grab();
    if (spinwave::TEditDatabase* dialog = b.EditDatabase()) {
      QPainter painter(&picture);
      const QPoint at((picture.width() - dialog->width()) / 2, 60);
      painter.drawPixmap(at, dialog->grab());
    }
    ok = Save(picture, out + "scan.png") && ok;
    if (b.EditDatabase()) b.EditDatabase()->hide();
    window.FormClose();
  }
  return ok ? 0 : 1;
}
