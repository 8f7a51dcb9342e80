// The options dialog and the jingle window on their own, as the console will show them: the
// dialog edits the settings file (spinwave2.ini, or the one given with --settings), the jingle
// window plays through the default output (SPINWAVE_OUTPUT=nosound: time runs, nothing heard).
//
//   options-demo [--settings FILE]          open both windows
//   options-demo --screenshot FOLDER        save options-<page>.png for every page and
//                                           jingles.png there (no display needed), then exit
//
// In screenshot mode a few generated tones are loaded into the jingle slots from a DJ list
// written to a private program folder, and two of them play for a moment.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "core/Messages.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"
#include "jingles/TJinglesForm.h"
#include "options/OptionsStore.h"
#include "options/TOptions.h"
#include "table/TEMDB.h"

using namespace spinwave;

namespace {

// A 16-bit stereo WAV file with a sine tone of `seconds`.
bool WriteTone(const std::string& path, double hz, int seconds) {
  const int rate = 44100;
  const int frames = rate * seconds;
  std::vector<int16_t> samples(size_t(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const auto v = int16_t(std::sin(2 * M_PI * hz * i / rate) * 12000);
    samples[size_t(i) * 2] = samples[size_t(i) * 2 + 1] = v;
  }
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly)) return false;
  auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t bytes = uint32_t(samples.size() * 2);
  f.write("RIFF", 4); u32(36 + bytes); f.write("WAVEfmt ", 8); u32(16); u16(1); u16(2);
  u32(rate); u32(rate * 4); u16(4); u16(16); f.write("data", 4); u32(bytes);
  f.write(reinterpret_cast<const char*>(samples.data()), qint64(bytes));
  return true;
}

TFMODJingle* MakeDeck(const char* name, const char* library, int channels) {
  auto* deck = new TFMODJingle(QString::fromLatin1(name));
  deck->Init(library);
  deck->SetMaxChannels(channels);
  deck->SetOutput();
  return deck;
}

}  // namespace

int main(int argc, char** argv) {
  QString shotFolder;
  std::string settingsFile = "spinwave2.ini";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      shotFolder = QString::fromLocal8Bit(argv[++i]);
      if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("SPINWAVE_OUTPUT", "nosound", 1);
    } else if (std::strcmp(argv[i], "--settings") == 0 && i + 1 < argc) {
      settingsFile = argv[++i];
    } else {
      std::fprintf(stderr, "usage: options-demo [--settings FILE] [--screenshot FOLDER]\n");
      return 2;
    }
  }
  QApplication app(argc, argv);
  const bool shot = !shotFolder.isEmpty();
  QTemporaryDir home;
  if (shot) {
    // A private program folder with a few lists, skins and languages to show.
    SetProgramFolder(home.path().toStdString());
    for (const char* d : {"data", "lists", "skins/Dark Steel", "skins/Silver"})
      QDir().mkpath(home.filePath(QString::fromLatin1(d)));
    for (const char* f : {"English.lng", "Nederlands.lng", "Deutsch.lng", "qwerty uk.kbl",
                          "azerty.kbl"})
      QFile(home.filePath(QString::fromLatin1(f))).open(QIODevice::WriteOnly);
    settingsFile = home.filePath(QStringLiteral("spinwave2.ini")).toStdString();
    TEMDB list;
    SetJingleColumns(list);
    const char* names[] = {"Station ID", "Top of the hour", "Traffic bed", "News intro"};
    list.SetRowCount(4);
    for (int i = 0; i < 4; ++i) {
      const std::string file = ProgramFolder() + "tone" + std::to_string(i) + ".wav";
      WriteTone(file, 330.0 * (i + 1), 20 + i * 15);
      list.SetItem(0, i, file);
      list.SetItem(1, i, names[i]);
      list.SetItem(2, i, std::string(1, char('1' + i * 2)));
    }
    list.SaveToFile(JingleListsFolder() + "Morning show.jpl2");
    list.SaveToFile(JingleTablePath());
    list.SaveToFile(JingleListsFolder() + "Weekend.jpl2");
  }

  // The console's order: the two main decks, the ten jingle slots, then the pre-listen deck.
  TFMODJingle* player1 = MakeDeck("Player1", "fmod.dll", 14);
  TFMODJingle* jinglesPlayer = MakeDeck("JinglesPlayer", "fmodj.dll", 10);
  TFMODJingle* dataPlayer = MakeDeck("DataPlayer", "fmod3.dll", 1);
  player1->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr);
  player1->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr);

  JingleBank bank(*jinglesPlayer);
  TJinglesForm jingles(bank);
  jingles.CreatPlayers(*jinglesPlayer);
  const int prelisten = dataPlayer->AddFileEntry(
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  QObject::connect(&jingles, &TJinglesForm::KeyPressed, [&](QKeyEvent* e) {
    if (e->key() >= Qt::Key_0 && e->key() <= Qt::Key_9) jingles.JingleSCClick(e->key());
  });

  TSettingsFile settings(settingsFile);
  OptionsStore store;
  TOptions options(store, settings);
  options.SetDeckComponents(player1, nullptr, dataPlayer, jinglesPlayer);
  options.SetPrelistenEntry(prelisten);
  QObject::connect(&options, &TOptions::JingleListsChanged, &jingles, &TJinglesForm::GetLists);
  options.ResetClick();
  if (shot) {
    // The Jingles page shows only with the feature on.
    options.findChild<QCheckBox*>(QStringLiteral("JingleEnabled"))->setChecked(true);
    options.JingleEnabledClick();
  }

  jingles.move(40, 40);
  jingles.show();
  options.show();
  if (!shot) return app.exec();

  jingles.ListBox()->setCurrentRow(0);
  jingles.LoadDJJinglesClick();
  bank.JingleSCClick('1');
  bank.JingleSCClick('3');
  int failures = 0;
  QTimer::singleShot(1800, [&] {
    QDir().mkpath(shotFolder);
    const QString jinglesFile = QDir(shotFolder).filePath(QStringLiteral("jingles.png"));
    const QPixmap window = jingles.grab();
    if (!window.save(jinglesFile)) ++failures;
    // The first three slots enlarged, to look at the displays closely.
    window.copy(0, 0, 390, 170)
        .scaled(1170, 510, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(QDir(shotFolder).filePath(QStringLiteral("jingles-zoom.png")));
    QTabWidget* pages = options.Pages();
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      app.processEvents();
      const QString file = QDir(shotFolder).filePath(
          QStringLiteral("options-%1.png").arg(pages->widget(i)->objectName()));
      if (!options.grab().save(file)) ++failures;
    }
    std::printf("saved %d pictures to %s\n", pages->count() + 1 - failures,
                qPrintable(shotFolder));
    app.quit();
  });
  app.exec();
  delete dataPlayer;
  delete jinglesPlayer;
  delete player1;
  return failures == 0 ? 0 : 1;
}
