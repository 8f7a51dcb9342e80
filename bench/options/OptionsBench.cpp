// What the user waits for in the options dialog and the jingle window: OK (every key committed,
// written to the settings file through its atomic one-line writes, and applied), Cancel's
// reload of the dialog from the file, and "Load DJ Jingles" opening ten jingle files on the
// interface thread. Files go to a folder under the current directory (a real disk, as the
// settings folder is), not /tmp.
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "AudioFixtures.h"
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

QTemporaryDir& Folder() {
  static QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/options-bench-XXXXXX"));
  return dir;
}

void BM_OptionsOK(benchmark::State& state) {
  TSettingsFile settings(Folder().filePath(QStringLiteral("spinwave2.ini")).toStdString());
  OptionsStore store;
  TOptions dialog(store, settings);
  dialog.ResetClick();
  dialog.OKClick();  // the file exists with every key from here on
  QCheckBox* box = dialog.findChild<QCheckBox*>(QStringLiteral("SafeClose"));
  bool on = false;
  for (auto _ : state) {
    box->setChecked(on = !on);  // one changed box per OK, as a user would
    dialog.OKClick();
  }
}
BENCHMARK(BM_OptionsOK)->Unit(benchmark::kMillisecond);

void BM_OptionsReload(benchmark::State& state) {
  TSettingsFile settings(Folder().filePath(QStringLiteral("spinwave2.ini")).toStdString());
  OptionsStore store;
  TOptions dialog(store, settings);
  dialog.ResetClick();
  dialog.OKClick();
  for (auto _ : state) dialog.ResetClick();
}
BENCHMARK(BM_OptionsReload)->Unit(benchmark::kMillisecond);

void BM_LoadDJJingles(benchmark::State& state) {
  MakeFolders(JingleListsFolder());
  TFMODJingle::SetClockManual(true);
  TFMODJingle jingles(QStringLiteral("JinglesPlayer"));
  jingles.Init("fmodj.dll");
  jingles.SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  jingles.SetMaxChannels(10);
  jingles.SetOutput();
  JingleBank bank(jingles);
  TJinglesForm form(bank);
  form.CreatPlayers(jingles);
  TEMDB list;
  SetJingleColumns(list);
  list.SetRowCount(kJingleSlots);
  const auto format = state.range(0) == 0 ? test::AudioFormat::Wav : test::AudioFormat::Mp3;
  for (int slot = 1; slot <= kJingleSlots; ++slot) {
    test::ToneSpec spec;
    spec.durationMs = 30000;
    spec.frequency = 200 + 50 * slot;
    const std::string file = Folder().path().toStdString() + "/jingle" + std::to_string(slot) +
                             test::ExtensionOf(format);
    test::WriteTone(file, format, spec);
    list.SetItem(kJingleFileCol, slot - 1, file);
    list.SetItem(kJingleDescriptionCol, slot - 1, "Jingle " + std::to_string(slot));
    list.SetItem(kJingleShortcutCol, slot - 1, std::string(1, ShortcutOfSlot(slot)));
  }
  list.SaveToFile(JingleListsFolder() + "bench.jpl2");
  bank.GetLists();
  for (auto _ : state) {
    if (!bank.LoadList(0)) state.SkipWithError("the list did not load");
  }
  state.SetLabel(test::NameOf(format));
}
BENCHMARK(BM_LoadDJJingles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("SPINWAVE_OUTPUT", "nosound", 1);
  QApplication app(argc, argv);
  SetMessageHandler([](MessageKind, const std::string&) { return true; });
  SetProgramFolder(Folder().path().toStdString());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
