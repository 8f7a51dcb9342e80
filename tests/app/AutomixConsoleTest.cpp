// Automix on the console itself, with real files on the real (non-real-time) engine: the next
// track starts at the segue point, the old deck is ended by the crossfade, its row marked
// played and its library line counted.
#include "ConsoleFixture.h"
#include "engine/DeckPort.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/LibraryFile.h"

namespace spinwave::test {
namespace {

TEST_F(ConsoleTest, AutomixPlaysTheListAcrossBothDecksAndCountsPlays) {
  const std::string a = Track("a", 3000), b = Track("b", 3000), c = Track("c", 2000);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b, c}))});
  core->Activate();
  TEMDB& library = core->Library();
  for (const std::string& f : {b, a}) {
    const int r = library.RowCount();
    library.SetRowCount(r + 1);
    SetLibraryItem(library, "File", r, f);
    SetLibraryItem(library, "PlTimes", r, "4");
  }
  ASSERT_TRUE(library.SaveToFile());
  const std::string before = ReadFile(library.FileName);
  core->Options().SetBool("CountPlTimes", true);
  core->Options().SetBool("RepeatPl", false);

  PlaylistModel& list = core->Playlist();
  for (int r = 1; r < list.RowCount(); ++r) list.SetSegue(r, 1000);
  DeckTransport& t = core->Transport();
  t.AutoMixClick();
  ASSERT_TRUE(t.AutoMix());
  list.SetCursorRow(1);
  t.PlaylistDblClick();
  core->Advance(30);
  ASSERT_EQ(core->Deck(0).State(), fsPlaying);
  // 3000 - 1000 - 5000 < 0: the next row is loaded at once; it starts at 3000 - 1000 - 100.
  core->Advance(40);
  EXPECT_EQ(core->Deck(1).FileName(), b);
  EXPECT_EQ(core->Deck(1).State(), fsOpened);
  core->Advance(1780);  // deck 1 at about 1850 ms
  EXPECT_EQ(core->Deck(1).State(), fsOpened);
  core->Advance(80);
  EXPECT_EQ(core->Deck(1).State(), fsPlaying);
  EXPECT_EQ(t.Caption(), "b.wav - ");
  EXPECT_TRUE(t.CrossFading());
  // The crossfade runs through deck 1's segue of 1000 ms; then deck 1 is ended and ejected.
  core->Advance(500);
  EXPECT_GT(t.CrossFader(), 84);
  EXPECT_EQ(core->Deck(0).State(), fsPlaying);
  core->Advance(550);
  EXPECT_EQ(t.CrossFader(), DeckTransport::kCrossFaderMax);
  EXPECT_EQ(list.Mark(1), "V");
  EXPECT_EQ(list.Mark(2), "2");
  // Ejected, and at once given row 3: deck 2's own preload point has passed already.
  core->Advance(20);
  EXPECT_EQ(core->Deck(0).FileName(), c);
  EXPECT_EQ(core->Deck(0).State(), fsOpened);
  EXPECT_EQ(list.Mark(3), "1");

  // Only a's line changed: 4 became 5.
  std::string expected = before;
  const std::string line = a + ",,,,,,,,,,,,,4";
  ASSERT_NE(expected.find(line), std::string::npos) << before;
  expected.replace(expected.find(line), line.size(), a + ",,,,,,,,,,,,,5");
  EXPECT_EQ(ReadFile(library.FileName), expected);

  // The list plays to its end; automix stays on with both decks free.
  core->Advance(6000);
  EXPECT_EQ(list.Mark(2), "V");
  EXPECT_EQ(list.Mark(3), "V");
  EXPECT_FALSE(t.AnyDeckBusy());
  EXPECT_TRUE(t.AutoMix());
}

// A file that was readable when it was added but no longer opens (replaced, cut short) must not
// stop the show: its row gets the "X" mark and the next one takes its place.
TEST_F(ConsoleTest, AutomixSkipsAFileThatNoLongerOpens) {
  const std::string a = Track("a", 3000), b = Track("b", 3000), c = Track("c", 3000);
  auto core = MakeCore({QString::fromStdString(M3U("show.m3u", {a, b, c}))});
  core->Activate();
  core->Options().SetBool("RepeatPl", false);
  ASSERT_EQ(core->Playlist().TrackCount(), 3);
  WriteFile(b, std::string(4096, 'x'));
  PlaylistModel& list = core->Playlist();
  for (int r = 1; r < list.RowCount(); ++r) list.SetSegue(r, 1000);
  DeckTransport& t = core->Transport();
  t.AutoMixClick();
  list.SetCursorRow(1);
  t.PlaylistDblClick();
  core->Advance(200);
  EXPECT_EQ(list.Mark(2), "X");
  EXPECT_EQ(core->Deck(1).FileName(), c);
  core->Advance(1800);  // a reaches 3000 - 1000 - 100
  EXPECT_EQ(core->Deck(1).State(), fsPlaying);
  EXPECT_EQ(t.Caption(), "c.wav - ");
}

}  // namespace
}  // namespace spinwave::test
