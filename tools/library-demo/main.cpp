// The library's dialogs and the browser on their own, over a library file.
//
//   spinwave-library-demo [LIBRARY.db]              browser window; Setup menu opens the dialogs
//   spinwave-library-demo --scan FOLDER [--exact]   what `spinwave --scan` runs (without the
//                                                   check that no console is running)
//   spinwave-library-demo [LIBRARY.db] --shots DIR  saves browser.png, scan.png, progress.png and
//                                                   editor.png in DIR and ends (works with
//                                                   QT_QPA_PLATFORM=offscreen)
//
// Without a library file a generated 2,000-row library is shown (nothing is written).
#include <cstdio>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "SampleLibrary.h"
#include "core/Paths.h"
#include "engine/TFMODJingle.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryExport.h"
#include "library/LibraryModel.h"
#include "library/LibraryScan.h"
#include "library/LibraryScanCommand.h"
#include "library/TEditData.h"
#include "library/TEditDatabase.h"
#include "library/TScanInfo.h"
#include "library/TrackEditor.h"
#include "options/OptionsStore.h"
#include "table/LibraryFile.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--scan") {
    QStringList rest;
    for (int i = 2; i < argc; ++i) rest << QString::fromLocal8Bit(argv[i]);
    return RunLibraryScanCommand(rest);
  }
  QApplication app(argc, argv);
  QString libraryFile, shots;
  const QStringList args = app.arguments().mid(1);
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == "--shots" && i + 1 < args.size())
      shots = args[++i];
    else
      libraryFile = args[i];
  }

  TEMDB library;
  if (!libraryFile.isEmpty()) {
    OpenLibrary(library, libraryFile.toStdString());
  } else {
    sample::FillLibrary(library, 2000);
    library.Title = kLibraryTitle;
  }

  // The pre-listen deck with its own entry, and the checking deck the scan makes itself.
  TFMODJingle preListen(QStringLiteral("DataPlayer"));
  preListen.Init("fmod3.dll");
  preListen.SetOutputType(DIRECTSOUND);
  preListen.SetMaxChannels(2);
  preListen.SetOutput();

  OptionsStore options;
  LibraryModel model(library, options);
  QMainWindow window;
  window.setWindowTitle("Spinwave library");
  auto* browser = new LibraryBrowser(model, options, &window);
  const int entry = preListen.AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           browser->PreListenSlider(), nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr, nullptr);
  model.SetDecks(&preListen, entry, nullptr, -1);
  // The console adapts the deck's time in its pre-listen port; the demo does it here.
  preListen.OnNotifyTime = [browser](FMOD_File*, int, int minutes, int seconds, int, int) {
    browser->SetPreListenTime(minutes, seconds);
  };
  window.setCentralWidget(browser);
  auto* count = new QLabel(&window);
  window.statusBar()->addPermanentWidget(count);
  QObject::connect(&model, &LibraryModel::CountChanged, count, &QLabel::setText);
  model.SetDBInfo();
  model.FindLists(ProgramFolder() + "lists");
  QObject::connect(browser, &LibraryBrowser::AddToPlaylistRequested, &window,
                   [&window](const std::vector<std::string>& files) {
                     window.statusBar()->showMessage(
                         QString("%1 track(s) for the playlist").arg(files.size()), 3000);
                   });
  QMenu* setup = window.menuBar()->addMenu("Setup");
  setup->addAction("Database", browser, &LibraryBrowser::EditDatabaseClick);
  setup->addAction("Save database to data.htm", &window, [&library] { SaveDBClick(library); });
  window.resize(1000, 600);
  window.show();

  if (shots.isEmpty()) return app.exec();

  // Screenshots: the browser with a search, the scan dialog at its last step with the progress
  // window, and the editor on the first selected row.
  QDir().mkpath(shots);
  auto save = [&shots](QWidget* w, const char* name) {
    w->grab().save(shots + "/" + name);
    std::printf("%s/%s\n", qUtf8Printable(shots), name);
  };
  QApplication::processEvents();
  model.SearchBtnClick();
  model.FilterColChange(LibraryModel::fcAll);
  browser->FilterCol()->setCurrentIndex(LibraryModel::fcAll);
  browser->FilterTxt()->setEditText("gold");
  model.SearchItClick();
  QApplication::processEvents();
  save(&window, "browser.png");

  browser->EditDatabaseClick();
  TEditDatabase* dialog = browser->EditDatabase();
  LibraryScan& scan = model.Scan();
  scan.AddBtnClick();
  scan.DirTreePathChange(QDir::homePath().toStdString(), "Music");
  for (int i = 0; i < 3; ++i) scan.NextBtnClick();
  QApplication::processEvents();
  save(dialog, "scan.png");
  dialog->ScanInfo()->show();
  emit scan.ProgressLabel("Adding in database:");
  emit scan.ProgressFile("Pop/Band - Song.mp3");
  emit scan.ProgressCount("Progress 12 of 40");
  emit scan.ProgressRange(0, 39);
  emit scan.ProgressValue(11);
  QApplication::processEvents();
  save(dialog->ScanInfo(), "progress.png");
  dialog->ScanInfo()->hide();
  dialog->hide();

  model.EndFilter();
  library.SetRowSelected(0, true);
  library.SetRowSelected(1, true);
  browser->EditTrackClick();
  QApplication::processEvents();
  save(browser->TrackEditorForm(), "editor.png");
  return 0;
}
