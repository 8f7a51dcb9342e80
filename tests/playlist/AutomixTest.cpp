// Automix against fake decks: the positions the clock would report are raised by hand, so the
// preload, start and crossfade points are checked to the millisecond.
#include <QSignalSpy>

#include "FakeDeckPort.h"
#include "PlaylistFixture.h"
#include "playlist/DeckTransport.h"

namespace spinwave::test {
namespace {

class AutomixTest : public PlaylistTest {
 protected:
  AutomixTest() : transport_(deck1_, deck2_, *model_, options_) {
    transport_.SetActivated(true);
    options_.SetBool("RepeatPl", false);
  }

  // Rows of 200 s tracks with the given segues, automix on, row 1 playing on deck 1.
  void StartShow(const std::vector<int>& segues, int timeMs = 200000, bool autoCross = true) {
    table_.SetRowCount(0);
    std::vector<std::string> names;
    for (size_t i = 0; i < segues.size(); ++i) names.push_back("t" + std::to_string(i + 1));
    Fill(names, timeMs);
    for (size_t i = 0; i < segues.size(); ++i)
      table_.SetItem(plSegue, static_cast<int>(i), std::to_string(segues[i]));
    transport_.AutoMixClick();
    ASSERT_TRUE(transport_.AutoMix());
    if (!autoCross) transport_.AutoCrossClick();
    model_->SetCursorRow(1);
    transport_.PlaylistDblClick();
    deck1_.Raise(fsOpened);
    ASSERT_EQ(deck1_.state, fsPlaying);
  }
  FakeDeckPort& Other(FakeDeckPort& d) { return &d == &deck1_ ? deck2_ : deck1_; }

  FakeDeckPort deck1_{0};
  FakeDeckPort deck2_{1};
  DeckTransport transport_;
};

TEST_F(AutomixTest, NextTrackLoadsFiveSecondsEarlyStartsAtTheSegueAndCrossfades) {
  StartShow({8000, 8000, 8000});
  QSignalSpy played(&transport_, &DeckTransport::trackPlayed);
  EXPECT_EQ(transport_.CrossFader(), 0) << "the first deck is heard alone";

  deck1_.Report(186990, 200000);
  EXPECT_TRUE(deck2_.calls.empty()) << "nothing before 200 - 8 - 5 s";
  deck1_.Report(187000, 200000);
  EXPECT_EQ(deck2_.calls, Strings({"open " + model_->File(2)}));
  EXPECT_EQ(Marks(), Strings({"1", "2", ""}));
  EXPECT_EQ(deck2_.mix, 8000);
  deck2_.Raise(fsOpened);
  EXPECT_EQ(deck2_.state, fsOpened) << "waits while deck 1 plays";

  deck1_.Report(191890, 200000);
  EXPECT_EQ(deck2_.state, fsOpened);
  deck1_.Report(191900, 200000);
  EXPECT_EQ(deck2_.state, fsPlaying) << "started 100 ms before the segue point";

  // The incoming deck drives the crossfader from 30 to 168 over the old track's segue; the
  // outgoing deck's own positions move nothing.
  struct Step {
    FakeDeckPort* deck;
    int position, fader;
  };
  const Step steps[] = {{&deck2_, 0, 30},     {&deck1_, 192000, 30}, {&deck2_, 4000, 99},
                        {&deck1_, 196000, 99}, {&deck2_, 7990, 167}};
  for (const Step& s : steps) {
    s.deck->Report(s.position, 200000);
    EXPECT_EQ(transport_.CrossFader(), s.fader) << s.position;
  }
  EXPECT_EQ(deck1_.state, fsPlaying) << "the old deck plays until the crossfade is over";
  deck2_.Report(8000, 200000);
  EXPECT_EQ(transport_.CrossFader(), 168);
  EXPECT_EQ(deck1_.state, fsStopped) << "ended and ejected";
  EXPECT_EQ(Marks(), Strings({"V", "2", ""}));
  ASSERT_EQ(played.count(), 1);
  EXPECT_EQ(played[0][0].toString().toStdString(), model_->File(1));

  // Roles swap: deck 2 now plays row 2; deck 1 takes row 3 and fades back toward 0.
  deck2_.Report(187000, 200000);
  EXPECT_EQ(deck1_.file, model_->File(3));
  deck1_.Raise(fsOpened);
  deck2_.Report(191900, 200000);
  EXPECT_EQ(deck1_.state, fsPlaying);
  deck1_.Report(4000, 200000);
  EXPECT_EQ(transport_.CrossFader(), 168 - 99);
  deck1_.Report(8000, 200000);
  EXPECT_EQ(transport_.CrossFader(), 0);
  EXPECT_EQ(Marks(), Strings({"V", "V", "1"}));

  // The end of the list: nothing more is loaded, the last track ends, automix stays on.
  deck1_.Report(195000, 200000);
  EXPECT_EQ(deck2_.state, fsStopped);
  deck1_.Raise(fsEnded);
  EXPECT_EQ(Marks(), Strings({"V", "V", "V"}));
  EXPECT_FALSE(transport_.AnyDeckBusy());
  EXPECT_TRUE(transport_.AutoMix());
}

TEST_F(AutomixTest, StartPointByLengthAndSegue) {
  // A segue within 1000 ms of the length counts as none: the next track starts 100 ms before
  // the end. Without AutoCross the old deck plays on to its end.
  struct Case {
    int range, segue, preload, start;
  };
  const Case cases[] = {
      {200000, 8000, 187000, 191900},
      {10000, 9000, 5000, 9900},  // 9000 + 1000 >= 10000: no segue
      {10000, 8999, 0, 901},      // preload at once, start at 10000 - 8999 - 100
      {200000, 0, 195000, 199900},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.segue);
    deck1_.state = deck2_.state = fsStopped;
    transport_.PlayerNotifyFileState(0, fsStopped);
    transport_.PlayerNotifyFileState(1, fsStopped);
    if (transport_.AutoMix()) transport_.AutoMixClick();
    deck1_.calls.clear();
    deck2_.calls.clear();
    StartShow({c.segue, c.segue}, c.range, /*autoCross=*/false);
    ASSERT_FALSE(transport_.AutoCross());
    if (c.preload > 0) {
      deck1_.Report(c.preload - 10, c.range);
      EXPECT_TRUE(deck2_.calls.empty());
    }
    deck1_.Report(c.preload, c.range);
    ASSERT_EQ(deck2_.calls.size(), 1u);
    deck2_.Raise(fsOpened);
    deck1_.Report(c.start - 10, c.range);
    EXPECT_EQ(deck2_.state, fsOpened);
    deck1_.Report(c.start, c.range);
    EXPECT_EQ(deck2_.state, fsPlaying);
    deck2_.Report(c.segue + 10, c.range);
    EXPECT_EQ(deck1_.state, fsPlaying) << "no crossfade: the old track plays to its end";
  }
}

TEST_F(AutomixTest, WithoutSegueTheCrossfaderJumpsToTheIncomingDeck) {
  transport_.XFaderClick();
  StartShow({0, 0}, 200000, /*autoCross=*/false);  // no slide: the jump is the whole change
  EXPECT_EQ(transport_.CrossFader(), 0);
  deck1_.Report(195000, 200000);
  deck2_.Raise(fsOpened);
  deck2_.gains.clear();
  deck1_.Report(199900, 200000);
  EXPECT_EQ(deck2_.state, fsPlaying);
  EXPECT_EQ(transport_.CrossFader(), 168);
  EXPECT_EQ(deck2_.gains, std::vector<int>({168}));
}

TEST_F(AutomixTest, HiddenCrossfaderWithoutAutomaticCrossfadeKeepsBothDecksAudible) {
  // The crossfader panel is off and AutoCross unlit: the crossfader that automix sets when the
  // first deck starts must not leave deck 2 at gain 0 for its whole track.
  StartShow({4000, 4000}, 200000, /*autoCross=*/false);
  deck1_.Report(191000, 200000);
  deck2_.Raise(fsOpened);
  deck1_.Report(195900, 200000);
  ASSERT_EQ(deck2_.state, fsPlaying);
  ASSERT_FALSE(deck1_.gains.empty());
  for (int g : deck1_.gains) EXPECT_EQ(g, 100);
  for (int g : deck2_.gains) EXPECT_EQ(g, 100);

  // Unlighting AutoCross in the middle of a show gives both decks full gain back as well.
  transport_.AutoCrossClick();
  transport_.AutoCrossClick();
  EXPECT_EQ(deck2_.gains.back(), 100);
  EXPECT_EQ(deck1_.gains.back(), 100);
}

TEST_F(AutomixTest, RepeatRestartsAtTheTopAndTheNextEndedTrackIsNotMarked) {
  options_.SetBool("RepeatPl", true);
  StartShow({4000, 4000});
  deck1_.Report(191000, 200000);  // row 2 into deck 2
  deck2_.Raise(fsOpened);
  deck1_.Report(195900, 200000);
  deck2_.Report(4000, 200000);  // crossfade over: row 1 played
  EXPECT_EQ(Marks(), Strings({"V", "2"}));
  deck2_.Report(191000, 200000);  // no row left: the list starts again from row 1
  EXPECT_EQ(deck1_.file, model_->File(1));
  EXPECT_EQ(Marks(), Strings({"1", "2"})) << "the V marks are cleared";
  deck1_.Raise(fsOpened);
  deck2_.Report(195900, 200000);
  deck1_.Report(4000, 200000);
  EXPECT_EQ(Marks(), Strings({"1", ""})) << "the first track ended after the restart gets no V";
}

TEST_F(AutomixTest, DeletePlayedTracksRemovesTheEndedRow) {
  options_.SetBool("DelPlTracks", true);
  StartShow({4000, 4000, 4000});
  deck1_.Report(191000, 200000);
  deck2_.Raise(fsOpened);
  deck1_.Report(195900, 200000);
  deck2_.Report(4000, 200000);
  EXPECT_EQ(Artists(), Strings({"t2", "t3"}));
  EXPECT_EQ(Marks(), Strings({"2", ""}));
  deck2_.Report(191000, 200000);
  EXPECT_EQ(deck1_.file, model_->File(2)) << "the next row is still found";
}

TEST_F(AutomixTest, BreakHoldsTheNextStartUntilReleased) {
  StartShow({4000, 4000});
  deck1_.Report(191000, 200000);
  deck2_.Raise(fsOpened);
  transport_.BreakClick();
  EXPECT_TRUE(transport_.Break());
  deck1_.Report(195900, 200000);
  deck1_.Report(199990, 200000);
  EXPECT_EQ(deck2_.state, fsOpened);
  deck1_.Raise(fsEnded);
  EXPECT_EQ(deck2_.state, fsOpened) << "an opened deck does not start either while held";
  transport_.BreakClick();
  EXPECT_EQ(deck2_.state, fsPlaying) << "released: the waiting deck starts";

  // A paused deck 1 is resumed first.
  deck1_.state = fsPaused;
  transport_.PlayerNotifyFileState(0, fsPaused);
  transport_.BreakClick();
  deck1_.calls.clear();
  transport_.BreakClick();
  EXPECT_EQ(deck1_.calls, Strings({"pause"}));
  EXPECT_EQ(deck1_.state, fsPlaying);
}

TEST_F(AutomixTest, SwitchRefusedWithOneTrackOnceActivated) {
  Fill({"only"});
  QSignalSpy widths(&transport_, &DeckTransport::segueColumnWidthChanged);
  transport_.AutoMixClick();
  EXPECT_FALSE(transport_.AutoMix());
  EXPECT_EQ(widths.count(), 0);

  // Before the activation (StartMix) the switch is taken even with an empty list.
  DeckTransport early(deck1_, deck2_, *model_, options_);
  QSignalSpy earlyWidths(&early, &DeckTransport::segueColumnWidthChanged);
  early.AutoMixClick();
  EXPECT_TRUE(early.AutoMix());
  EXPECT_TRUE(early.AutoCross());
  EXPECT_EQ(earlyWidths.takeFirst()[0].toInt(), 40);
  EXPECT_EQ(table_.GetColWidth(plSegue), 40);
  EXPECT_TRUE(model_->AutoMix()) << "totals subtract the segues";
  early.AutoMixClick();
  EXPECT_FALSE(early.AutoCross());
  EXPECT_EQ(earlyWidths.takeFirst()[0].toInt(), -1);
  EXPECT_FALSE(model_->AutoMix());
}

TEST_F(AutomixTest, SwitchingOnTakesTheRowOfThePlayingDeck) {
  Fill({"a", "b", "c", "d"});
  model_->SetCursorRow(3);
  transport_.PlayClick(1);
  deck2_.Raise(fsOpened);
  ASSERT_EQ(deck2_.state, fsPlaying);
  transport_.AutoMixClick();
  EXPECT_EQ(model_->CurrentRow(), 3);
  deck2_.Report(191000, 200000);
  EXPECT_EQ(deck1_.file, model_->File(4)) << "the list goes on after the playing row";
}

TEST_F(AutomixTest, TalkoverDucksBothDecksAndBringsThemBack) {
  options_.SetInt("TalkoverVol", 10);  // low = (10 * 255 + 2550) / 100 = 51
  deck1_.state = fsPlaying;
  deck2_.state = fsPaused;
  deck1_.volume = 200;
  deck2_.volume = 100;
  deck1_.last = 1000;
  deck2_.last = 0;
  transport_.TalkoverClick(true);
  EXPECT_TRUE(transport_.Ducking(0));
  EXPECT_TRUE(transport_.Ducking(1));
  // step = 1000 / 200 = 5 ms per volume step on the playing deck; the paused deck goes to
  // (10 + 10) % of its volume at once.
  struct Tick {
    int last, volume;
  };
  for (const Tick& t : {Tick{1000, 200}, Tick{1500, 100}, Tick{1745, 51}}) {
    deck1_.last = t.last;
    transport_.PauseTimerTimer();
    EXPECT_EQ(deck1_.volume, t.volume) << t.last;
  }
  EXPECT_EQ(deck2_.volume, 20);
  deck1_.last = 1800;
  transport_.PauseTimerTimer();
  EXPECT_EQ(deck1_.volume, 51) << "held at the talkover level";
  EXPECT_FALSE(transport_.Ducking(0)) << "the ducking ramp is over";

  // A second press while ducked keeps the volumes of before the first one.
  transport_.TalkoverClick(false);
  for (const Tick& t : {Tick{1800, 51}, Tick{2300, 151}, Tick{2800, 200}}) {
    deck1_.last = t.last;
    transport_.PauseTimerTimer();
    EXPECT_EQ(deck1_.volume, t.volume) << t.last;
  }
  EXPECT_EQ(deck2_.volume, 100) << "the paused deck is back at once";
  transport_.PauseTimerTimer();
  EXPECT_FALSE(transport_.Ducking(0));
  EXPECT_FALSE(transport_.Ducking(1));
}

TEST_F(AutomixTest, AFileThatNoLongerOpensIsMarkedAndSkipped) {
  StartShow({4000, 4000, 4000});
  QSignalSpy failed(&transport_, &DeckTransport::openFailed);
  deck1_.Report(191000, 200000);
  ASSERT_EQ(deck2_.file, model_->File(2));
  deck2_.FailOpen(-1);
  EXPECT_EQ(Marks(), Strings({"1", "X", ""}));
  EXPECT_EQ(transport_.DeckState(1), 0) << "the deck is free again";
  ASSERT_EQ(failed.count(), 1);
  deck1_.Report(191010, 200000);
  EXPECT_EQ(deck2_.file, model_->File(3)) << "the next row is loaded in its place";
  deck2_.Raise(fsOpened);
  deck1_.Report(195900, 200000);
  EXPECT_EQ(deck2_.state, fsPlaying);
}

}  // namespace
}  // namespace spinwave::test
