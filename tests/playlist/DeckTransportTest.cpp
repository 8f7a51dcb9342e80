// The transport rules against fake decks: every call is recorded and the test raises the
// states the engine would, so each rule is checked exactly and at once.
#include <QSignalSpy>

#include "FakeDeckPort.h"
#include "PlaylistFixture.h"
#include "engine/DeckPort.h"
#include "playlist/DeckTransport.h"

namespace spinwave::test {
namespace {

using Strings = std::vector<std::string>;

class DeckTransportTest : public PlaylistTest {
 protected:
  DeckTransportTest() : transport_(deck1_, deck2_, *model_, options_) {}

  // Loads the cursor row as a double-click does and lets the deck's open finish.
  void DoubleClick(int row, FakeDeckPort* opened = nullptr) {
    model_->SetCursorRow(row);
    transport_.PlaylistDblClick();
    if (opened) opened->Raise(fsOpened);
  }

  FakeDeckPort deck1_{0};
  FakeDeckPort deck2_{1};
  DeckTransport transport_;
};

TEST_F(DeckTransportTest, DoubleClickLoadsIntoAFreeDeckOrRefuses) {
  Fill({"a", "b", "c", "d"});
  table_.SetItem(plIntro, 0, "1:05");
  DoubleClick(1, &deck1_);
  EXPECT_EQ(deck1_.calls, Strings({"open " + model_->File(1), "play"}))
      << "opened with no deck playing: it starts";
  EXPECT_EQ(Marks(), Strings({"1", "", "", ""}));
  EXPECT_EQ(model_->CurrentRow(), 1);
  EXPECT_EQ(deck1_.intro, 65);
  EXPECT_EQ(deck1_.mix, 4000) << "the row's segue is the deck's mix time";

  DoubleClick(3, &deck2_);
  EXPECT_EQ(deck2_.calls, Strings({"open " + model_->File(3)}))
      << "deck 1 plays: deck 2 waits, opened";
  EXPECT_EQ(model_->Deck2Row(), 3);
  EXPECT_EQ(Marks(), Strings({"1", "", "2", ""}));

  DoubleClick(2);
  DoubleClick(3);
  EXPECT_EQ(messages_.Texts(),
            Strings({"Track can't be loaded!\nPlayer(s) not on \"stop\".\n\nPut a player on "
                     "\"stop\" to load a track there.",
                     "Track is already in player 2!"}));
  EXPECT_EQ(Marks(), Strings({"1", "", "2", ""})) << "refusals change nothing";
}

TEST_F(DeckTransportTest, DeckTwosPlayButtonOnAnEmptyDeckLoadsIntoDeckTwo) {
  Fill({"a", "b"});
  model_->SetCursorRow(2);
  transport_.PlayClick(1);
  EXPECT_EQ(deck2_.calls, Strings({"open " + model_->File(2)}));
  EXPECT_TRUE(deck1_.calls.empty());
}

TEST_F(DeckTransportTest, PlayButtonByDeckState) {
  Fill({"a"});
  struct Case {
    TFileState state;
    Strings calls;
  };
  const Case cases[] = {
      {fsOpened, {"play"}},
      {fsPlaying, {"cue", "pause"}},
      {fsPaused, {"pause"}},
      {fsCueStop, {"pause"}},
  };
  for (const Case& c : cases) {
    deck1_.state = c.state;
    deck1_.calls.clear();
    transport_.PlayClick(0);
    EXPECT_EQ(deck1_.calls, c.calls) << int(c.state);
  }
  deck1_.state = fsStopped;
  transport_.PlayerNotifyFileState(0, fsStopped);
  deck1_.calls.clear();
  model_->SetCursorRow(1);
  transport_.PlayClick(0);
  EXPECT_EQ(deck1_.calls, Strings({"open " + model_->File(1)})) << "an empty deck loads";
}

TEST_F(DeckTransportTest, AnEndedTrackLoadsTheNextRowIntoTheSameDeck) {
  struct Case {
    const char* what;
    bool otherPlays, useVMark, dontStart, delPlTracks;
    Strings marks;        // after the end
    bool nextStarted;
  };
  const Case cases[] = {
      {"the other deck idle: the next track starts", false, false, false, false,
       {"", "1", "", ""}, true},
      {"the other deck plays: the next track waits", true, false, false, false,
       {"", "1", "2", ""}, false},
      {"UseVMark marks the played row", false, true, false, false, {"V", "1", "", ""}, true},
      {"DontStart loads nothing", false, false, true, false, {"", "", "", ""}, false},
      {"DelPlTracks removes the played row", false, false, false, true, {"1", "", ""}, true},
  };
  for (const Case& c : cases) {
    model_->ClearRows();
    deck1_.state = deck2_.state = fsStopped;
    transport_.PlayerNotifyFileState(0, fsStopped);
    transport_.PlayerNotifyFileState(1, fsStopped);
    Fill({"a", "b", "c", "d"});
    options_.SetBool("UseVMark", c.useVMark);
    options_.SetBool("DontStart", false);
    options_.SetBool("DelPlTracks", c.delPlTracks);
    DoubleClick(1, &deck1_);
    if (c.otherPlays) {
      DoubleClick(3, &deck2_);
      deck2_.Raise(fsPlaying);
    }
    options_.SetBool("DontStart", c.dontStart);
    deck1_.calls.clear();
    QSignalSpy played(&transport_, &DeckTransport::trackPlayed);
    deck1_.Raise(fsEnded);
    if (!c.dontStart) deck1_.Raise(fsOpened);
    EXPECT_EQ(Marks(), c.marks) << c.what;
    EXPECT_EQ(deck1_.calls.front(), "close") << c.what << ": the ended deck is ejected";
    const bool started = std::find(deck1_.calls.begin(), deck1_.calls.end(), "play") !=
                         deck1_.calls.end();
    EXPECT_EQ(started, c.nextStarted) << c.what;
    EXPECT_EQ(played.size(), 1) << c.what;
  }
}

TEST_F(DeckTransportTest, AtTheEndOfTheListRepeatStartsAgainAtTheTop) {
  Fill({"a", "b"});
  options_.SetBool("UseVMark", true);
  DoubleClick(1, &deck1_);
  deck1_.Raise(fsEnded);
  deck1_.Raise(fsOpened);
  EXPECT_EQ(Marks(), Strings({"V", "1"}));
  deck1_.Raise(fsEnded);  // the last row ended: the list starts again, "V" marks cleared
  deck1_.Raise(fsOpened);
  EXPECT_EQ(Marks(), Strings({"1", ""}));
  deck1_.Raise(fsEnded);  // the first track after the restart gets no "V"
  deck1_.Raise(fsOpened);
  EXPECT_EQ(Marks(), Strings({"", "1"}));

  options_.SetBool("RepeatPl", false);
  deck1_.calls.clear();
  deck1_.Raise(fsEnded);
  EXPECT_EQ(Marks(), Strings({"", "V"}));
  EXPECT_EQ(deck1_.calls, Strings({"close"})) << "without RepeatPl nothing is loaded";
}

TEST_F(DeckTransportTest, RowsOfMissingFilesAreRemovedWhileLooking) {
  Fill({"a", "b", "c"});
  ::remove(model_->File(1).c_str());
  ::remove(model_->File(2).c_str());
  const std::string c = model_->File(3);
  DoubleClick(1);
  EXPECT_EQ(Artists(), Strings({"c"}));
  EXPECT_EQ(deck1_.calls, Strings({"open " + c}));
  EXPECT_EQ(model_->CurrentRow(), 1);
}

TEST_F(DeckTransportTest, TrackButtonsGoBackAndForward) {
  Fill({"a", "b", "c", "d", "e", "f"});
  table_.SetItem(plMark, 2, "V");
  table_.SetItem(plMark, 3, "V");
  // Back on row 1 does nothing.
  DoubleClick(1, &deck1_);
  deck1_.calls.clear();
  transport_.GoTrack(0);
  EXPECT_TRUE(deck1_.calls.empty());
  // Back from row 5 over rows 3 and 4 (played) loads row 2.
  table_.SetItem(plMark, 0, "");
  model_->SetCurrentRow(5);
  table_.SetItem(plMark, 4, "1");
  transport_.GoTrack(0);
  EXPECT_EQ(deck1_.calls, Strings({"open " + model_->File(2)})) << "not ejected first";
  EXPECT_EQ(Marks(), Strings({"", "1", "V", "V", "", ""}));
  // Forward: the next row.
  deck1_.calls.clear();
  transport_.GoTrack(1);
  EXPECT_EQ(deck1_.calls, Strings({"open " + model_->File(3)})) << "a played row loads again";
  // Deck 2's buttons follow the deck-2 row.
  model_->SetDeck2Row(5);
  transport_.GoTrack(3);
  EXPECT_EQ(deck2_.calls, Strings({"open " + model_->File(6)}));
  EXPECT_EQ(model_->Mark(6), "2");
}

TEST_F(DeckTransportTest, EjectEmptiesTheDeckAndItsLabels) {
  Fill({"a"});
  QSignalSpy labels(&transport_, &DeckTransport::deckTrackChanged);
  DoubleClick(1, &deck1_);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0][1].toString(), "a");
  deck1_.volume = 40;
  deck1_.calls.clear();
  transport_.EjectClick(0);
  EXPECT_EQ(deck1_.calls, Strings({"close"}));
  EXPECT_EQ(deck1_.volume, 255) << "a deck left below 100 comes back to full volume";
  ASSERT_EQ(labels.size(), 2);
  EXPECT_EQ(labels[1][1].toString(), "");
  EXPECT_EQ(labels[1][3].toString(), "0:00");
  EXPECT_EQ(Marks(), Strings({""})) << "the stopped deck's mark is cleared";
  deck2_.volume = 150;
  transport_.EjectClick(1);
  EXPECT_EQ(deck2_.volume, 150);
}

TEST_F(DeckTransportTest, CrossfaderGainsAndSwitch) {
  struct Case {
    int v, deck1, deck2;
  };
  for (const Case& c : {Case{0, 168, 0}, Case{84, 84, 84}, Case{168, 0, 168}}) {
    deck1_.gains.clear();
    deck2_.gains.clear();
    transport_.CrossSliderChange(c.v);
    EXPECT_EQ(deck1_.gains, std::vector<int>({c.deck1})) << c.v;
    EXPECT_EQ(deck2_.gains, std::vector<int>({c.deck2})) << c.v;
  }
  transport_.CrossSliderDblClick();
  EXPECT_EQ(transport_.CrossFader(), 84);

  // Switching the crossfader on puts it where the playing deck is heard alone.
  struct Switch {
    TFileState one, two;
    int value;
  };
  for (const Switch& s : {Switch{fsPlaying, fsStopped, 0}, Switch{fsStopped, fsPlaying, 164},
                          Switch{fsPlaying, fsPlaying, 84}, Switch{fsStopped, fsStopped, 84}}) {
    transport_.PlayerNotifyFileState(0, s.one);
    transport_.PlayerNotifyFileState(1, s.two);
    transport_.XFaderClick();
    EXPECT_TRUE(transport_.XFader());
    EXPECT_EQ(transport_.CrossFader(), s.value);
    transport_.AutoCrossClick();
    deck1_.gains.clear();
    deck2_.gains.clear();
    transport_.XFaderClick();  // off: both decks at full gain, automatic crossfade off
    EXPECT_FALSE(transport_.AutoCross());
    EXPECT_EQ(deck1_.gains, std::vector<int>({100}));
    EXPECT_EQ(deck2_.gains, std::vector<int>({100}));
  }
}

TEST_F(DeckTransportTest, CaptionTitleAndSmallHandlers) {
  Fill({"a", "b"});
  QSignalSpy sent(&transport_, &DeckTransport::titleToSend);
  DoubleClick(1, &deck1_);
  EXPECT_EQ(transport_.Caption(), "a - a");
  EXPECT_EQ(sent.size(), 0) << "SendInfo off";
  transport_.SetSendInfo(true);
  deck1_.Raise(fsPaused);
  deck1_.Raise(fsPlaying);
  EXPECT_EQ(sent.size(), 0) << "the same title is not sent again";
  DoubleClick(2, &deck2_);
  deck2_.Raise(fsPlaying);
  ASSERT_EQ(sent.size(), 1);
  EXPECT_EQ(sent[0][0].toString(), "b - b");
  transport_.SayNoTitle();
  EXPECT_EQ(sent.back()[0].toString(), "No live trackinfo at the moment");

  transport_.VinylStop(0);
  EXPECT_EQ(deck1_.calls.back(), "vinyl 250");
  transport_.PitchDblClick(1);
  EXPECT_EQ(deck2_.pitch, 100000);

  transport_.FadeMouseDown(1);
  deck2_.fade = 12;
  EXPECT_EQ(transport_.FadeMenuCheckedIndex(), 11);
  transport_.FadeSecClick(7);
  EXPECT_EQ(deck2_.fade, 7);
  EXPECT_EQ(deck1_.fade, 5);

  // Segue menus: on the cursor row, and on the loaded deck's mix time.
  model_->SetCursorRow(2);
  transport_.SegueClick(8);
  EXPECT_EQ(model_->SegueMs(2), 8000);
  EXPECT_EQ(deck2_.mix, 8000);
  table_.SetItem(plSegue, 1, "300");
  transport_.SegueFracClick(-500);
  EXPECT_EQ(model_->SegueMs(2), 0) << "never below 0";
}

TEST_F(DeckTransportTest, TimeOfDayHasTenMillisecondSteps) {
  transport_.SetClock([] { return int64_t(45296789); });
  transport_.PauseTimerTimer();
  EXPECT_EQ(transport_.TimeOfDayMs(), 45296780);
}

// A track that fails to open while the DJ loads it by hand: the deck is free and shows no
// track (not the failed one's labels), the row is marked "X", the DJ is told once, and the next
// track loads into the same deck.
TEST_F(DeckTransportTest, ATrackThatFailsToOpenByHandLeavesAnEmptyDeckAndSaysSo) {
  Fill({"a", "b", "c"});
  QSignalSpy labels(&transport_, &DeckTransport::deckTrackChanged);
  DoubleClick(1);
  ASSERT_EQ(labels.count(), 1);
  EXPECT_EQ(labels.last().at(1).toString(), "a");
  deck1_.FailOpen(-1);
  EXPECT_EQ(Marks(), Strings({"X", "", ""}));
  EXPECT_EQ(transport_.DeckState(0), 0) << "the deck is free again";
  ASSERT_EQ(labels.count(), 2) << "the deck's labels are cleared";
  EXPECT_EQ(labels.last().at(1).toString(), "");
  EXPECT_EQ(labels.last().at(2).toString(), "");
  EXPECT_EQ(labels.last().at(3).toString(), "0:00");
  ASSERT_EQ(messages_.Texts().size(), 1u);
  EXPECT_NE(messages_.Texts()[0].find("\"" + model_->File(1) + "\" can't be played in player 1"),
            std::string::npos)
      << messages_.Texts()[0];

  DoubleClick(2, &deck1_);
  EXPECT_EQ(deck1_.state, fsPlaying);
  EXPECT_EQ(Marks(), Strings({"X", "1", ""}));
  EXPECT_EQ(transport_.Caption(), "b - b");

  // An open the engine refuses at once (no output) loads nothing: the row stays unmarked.
  deck2_.openResult = -2;
  DoubleClick(3);
  EXPECT_EQ(Marks(), Strings({"X", "1", ""}));
  EXPECT_EQ(transport_.DeckState(1), 0);
  ASSERT_EQ(messages_.Texts().size(), 2u);
  EXPECT_NE(messages_.Texts()[1].find("Player 2 has no sound output"), std::string::npos)
      << messages_.Texts()[1];
  EXPECT_EQ(model_->Deck2Row(), 0) << "no row went into deck 2";

  // Forward while deck 1 is still opening its last file: that file stays, nothing is said.
  deck1_.openResult = -3;
  labels.clear();
  transport_.GoTrack(1);
  EXPECT_EQ(model_->CurrentRow(), 2);
  EXPECT_EQ(Marks(), Strings({"X", "1", ""})) << "deck 1's row keeps its mark";
  EXPECT_EQ(labels.count(), 0);
  EXPECT_EQ(messages_.Texts().size(), 2u);
}

// Rows the console takes out by itself (a played track with DelPlTracks, a track whose file is
// gone) must not move the DJ's cursor off the track it points at.
TEST_F(DeckTransportTest, RowsRemovedAboveTheCursorLeaveItOnItsTrack) {
  Fill({"a", "b", "c", "d", "e"});
  options_.SetBool("DelPlTracks", true);
  options_.SetBool("DontStart", false);
  DoubleClick(1, &deck1_);
  model_->SetCursorRow(4);  // the DJ points at "d"
  deck1_.Raise(fsEnded);
  EXPECT_EQ(Artists(), Strings({"b", "c", "d", "e"})) << "the played row is gone";
  EXPECT_EQ(Marks(), Strings({"1", "", "", ""})) << "the next track went into the deck";
  EXPECT_EQ(model_->CurrentRow(), 1);
  EXPECT_EQ(model_->CursorRow(), 3);
  EXPECT_EQ(model_->Cell(plArtist, model_->CursorRow()), "d");

  // A missing file above the cursor is taken out on the way to the next track.
  std::remove(model_->File(2).c_str());
  model_->SetCursorRow(4);  // "e"
  deck1_.Raise(fsEnded);
  EXPECT_EQ(Artists(), Strings({"d", "e"}));
  EXPECT_EQ(Marks(), Strings({"1", ""}));
  EXPECT_EQ(model_->Cell(plArtist, model_->CursorRow()), "e");
}

}  // namespace
}  // namespace spinwave::test
