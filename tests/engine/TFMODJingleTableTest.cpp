// The process-wide entry table and the binding of controls to entries.
#include "DeckFixture.h"

namespace spinwave::test {
namespace {

using DeckTableTest = DeckTest;

TEST_F(DeckTableTest, EntriesKeepTheirIndicesWhenAnotherComponentGoes) {
  auto jingles = MakeDeck(QStringLiteral("JinglesPlayer"), "fmodj.dll");
  auto prelisten = MakeDeck(QStringLiteral("DataPlayer"), "fmod3.dll");
  DeckControls a(form_.get()), b(form_.get()), c(form_.get());
  const int j1 = a.AddTo(*jingles);
  const int j2 = b.AddTo(*jingles);
  const int p = c.AddTo(*prelisten);
  EXPECT_EQ(j1, entry_ + 1);
  EXPECT_EQ(j2, entry_ + 2);
  EXPECT_EQ(p, entry_ + 3);
  ASSERT_GT(jingles->OpenFile(Tone("j", 2000), j1), 0);
  ASSERT_GT(prelisten->OpenFile(Tone("p", 2000), p), 0);
  ASSERT_TRUE(prelisten->Play(p));

  // A component going away raises no more events (its handlers may belong to a form that is
  // being torn down), although closing its open file changes the entry's state.
  int late = 0;
  jingles->OnNotifyFileState = [&](FMOD_File*, TFileState, int) { ++late; };
  jingles.reset();
  EXPECT_EQ(late, 0);
  EXPECT_EQ(TFMODJingle::FileEntryCount(), entry_ + 4);
  EXPECT_EQ(deck_->GetFileEntry(j1), nullptr);
  EXPECT_EQ(deck_->GetFileEntry(j2), nullptr);
  EXPECT_EQ(deck_->GetFileState(j1), fsStopped);
  EXPECT_EQ(deck_->GetDuration(j1), -1);
  EXPECT_EQ(deck_->GetFadeTime(j1), -1);
  EXPECT_EQ(deck_->GetFileName(j1), "");
  EXPECT_FALSE(deck_->Play(j1));
  // The bindings of the freed entries are gone with their component.
  EXPECT_FALSE(a.play->OnClick);
  EXPECT_FALSE(b.pitchUp->OnMousePress);

  FMOD_File* e = deck_->GetFileEntry(p);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Index, p);
  EXPECT_EQ(e->Owner, prelisten.get());
  // The clock skips the empty slots and still follows the others.
  for (int i = 0; i < 30; ++i) {
    prelisten->Library()->WaitForDecoders(5000);
    prelisten->Library()->Update(10);
    TFMODJingle::NotifyTimerTime();
  }
  EXPECT_NEAR(e->LastTime, 300, 10);
  // New entries never reuse a freed slot.
  DeckControls d(form_.get());
  EXPECT_EQ(d.AddTo(*deck_), entry_ + 4);
}

TEST_F(DeckTableTest, AddFileEntryTagsAndBindsOnlyFreeEvents) {
  TFMODJingle player2(QStringLiteral("Player2"));
  DeckControls own(form_.get());
  int consoleClicks = 0;
  own.play->OnClick = [&](TEMButton*) { ++consoleClicks; };
  const int index = own.AddTo(player2);
  for (QWidget* w : std::initializer_list<QWidget*>{own.vuLeft, own.position, own.minutes,
                                                    own.fractions, own.volumeSlider,
                                                    own.pitchDown, own.fade}) {
    int tag = -1;
    if (auto* led = qobject_cast<TRLed*>(w)) tag = led->Tag();
    if (auto* lcd = qobject_cast<TEMLCD*>(w)) tag = lcd->Tag();
    if (auto* slider = qobject_cast<TEMSlider*>(w)) tag = slider->Tag();
    if (auto* button = qobject_cast<TEMButton*>(w)) tag = button->Tag();
    EXPECT_EQ(tag, index) << w->metaObject()->className();
  }
  own.play->OnClick(own.play);
  EXPECT_EQ(consoleClicks, 1);  // the console's own handler stays
  EXPECT_TRUE(own.stop->OnClick);
  EXPECT_TRUE(own.setCue->OnMouseDown);
  EXPECT_TRUE(own.searchBack->OnMousePress);
  EXPECT_TRUE(own.pitchUp->OnMouseUp);
  EXPECT_TRUE(own.position->OnClickPosition);
  EXPECT_TRUE(own.minutes->OnClick);

  EXPECT_TRUE(player2.EmptyFileEntry(index));
  EXPECT_TRUE(own.play->OnClick);  // not the engine's to clear
  EXPECT_FALSE(own.stop->OnClick);
  EXPECT_FALSE(own.fade->OnClick);
  EXPECT_FALSE(own.setCue->OnMouseDown);
  EXPECT_FALSE(own.searchForw->OnMousePress);
  EXPECT_FALSE(own.pitchDown->OnMouseUp);
  EXPECT_FALSE(own.positionSlider->OnChanged);
  EXPECT_FALSE(own.volumeSlider->OnChange);
  EXPECT_FALSE(own.position->OnClickPosition);
  EXPECT_FALSE(own.seconds->OnClick);
  EXPECT_NE(TFMODJingle::GetFileEntry(index), nullptr);  // the entry stays
  EXPECT_FALSE(player2.EmptyFileEntry(index + 100));
}

TEST_F(DeckTableTest, EntryWithoutControlsPlays) {
  const int bare = deck_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr);
  ASSERT_GT(deck_->OpenFile(Tone("bare", 300), bare), 0);
  ASSERT_TRUE(deck_->Play(bare));
  deck_->Fade(bare);
  deck_->SearchPress(10, bare);
  deck_->PitchBend(200, bare);
  deck_->SetCrossFader(50, bare);
  const int took = RunUntil([&] { return deck_->GetFileState(bare) == fsEnded; }, 2000);
  EXPECT_GE(took, 300);
}

TEST_F(DeckTableTest, ControlDestroyedBeforeTheEntryReadsAsAbsent) {
  ASSERT_GT(deck_->OpenFile(Tone("gone", 2000), entry_), 0);
  ASSERT_TRUE(deck_->Play(entry_));
  delete controls_->minutes;
  delete controls_->vuLeft;
  delete controls_->volumeSlider;
  Run(200);
  deck_->Fade(entry_);
  Run(100);
  EXPECT_NEAR(deck_->GetFileEntry(entry_)->LastTime, 300, 10);
}

}  // namespace
}  // namespace spinwave::test
