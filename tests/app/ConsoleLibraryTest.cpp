// The library browser's logic inside the console core: the scan on the console's checking
// deck with the console's timer resting meanwhile.
#include <QCoreApplication>
#include <QDeadlineTimer>

#include "ConsoleFixture.h"
#include "core/AtomicFile.h"
#include "library/LibraryModel.h"
#include "library/LibraryScan.h"
#include "table/TEMDB.h"

namespace spinwave::test {
namespace {

using ConsoleLibraryTest = ConsoleTest;

TEST_F(ConsoleLibraryTest, AScanUsesTheCheckingEntryAndRestsTheConsoleTimer) {
  const std::string folder = dir.Path() + "music/";
  MakeFolders(folder);
  for (const char* name : {"one", "two", "three"}) {
    ToneSpec spec;
    spec.durationMs = 300;
    ASSERT_TRUE(WriteTone(folder + name + ".wav", AudioFormat::Wav, spec));
  }
  auto core = MakeCore();
  core->Activate();
  ASSERT_TRUE(core->PauseTimerRunning());
  LibraryScan& scan = core->Browser().Scan();
  EXPECT_EQ(&scan.CheckDeck(), &core->CheckMP3());
  EXPECT_EQ(scan.CheckEntry(), core->CheckingEntry());

  scan.SetQuiet(true);
  scan.DirTreePathChange(folder, "music");
  scan.SearchBtnClick();
  ASSERT_TRUE(scan.Running()) << "the search runs on the finder's thread";
  bool restedWhileRunning = true;
  const QDeadlineTimer deadline(20000);
  while (scan.Running() && !deadline.hasExpired()) {
    restedWhileRunning = restedWhileRunning && !core->PauseTimerRunning();
    // Waits for the open as long as it takes: a short wait gives the file up on a busy machine.
    if (!scan.CompleteOpenNow())
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
  ASSERT_FALSE(scan.Running());
  EXPECT_TRUE(restedWhileRunning);
  EXPECT_TRUE(core->PauseTimerRunning()) << "runs again after the scan";
  EXPECT_EQ(core->Library().RowCount(), 3);
  EXPECT_EQ(core->Browser().TrackCountText(), "3 tracks in database");
  core->Close();
  EXPECT_FALSE(core->PauseTimerRunning());
}

}  // namespace
}  // namespace spinwave::test
