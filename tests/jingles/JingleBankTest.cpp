#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "JingleFixture.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "jingles/JingleTable.h"

namespace spinwave::test {
namespace {

using JingleBankTest = JingleTest;

const QString kNoJingle = QString::fromLatin1(JingleBank::kNoJingle);

TEST_F(JingleBankTest, SlotsTakeTheEntriesAfterTheDecksWithTheirControlsBound) {
  for (int slot = 1; slot <= kJingleSlots; ++slot) {
    // The indices the engine gave: right after the two main decks, in slot order.
    EXPECT_EQ(Entry(slot), deck2_ + slot) << slot;
    FMOD_File* entry = TFMODJingle::GetFileEntry(Entry(slot));
    ASSERT_NE(entry, nullptr);
    const JingleSlotControls& c = form_->Slot(slot);
    EXPECT_EQ(entry->VolumeSlider, c.volume);
    EXPECT_EQ(entry->PlayButton, c.play);
    EXPECT_EQ(entry->StopButton, c.stop);
    EXPECT_EQ(entry->VULeft, c.vuLeft);
    EXPECT_EQ(entry->PositionMeter, c.position);
    EXPECT_EQ(entry->MinutesLCD, c.minutes);
    EXPECT_EQ(entry->PitchSlider, nullptr);
    EXPECT_EQ(entry->FadeButton, nullptr);
    EXPECT_EQ(c.label->text(), kNoJingle);
    EXPECT_EQ(c.minutes->Value(), QStringLiteral("- 0"));
    EXPECT_EQ(c.volume->Value(), 255);
    EXPECT_EQ(c.panel->objectName(), QStringLiteral("Jingle%1").arg(slot));
  }
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("Jingles"));
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(JingleBankTest, ListFillsTheSlotsOfItsShortcutsAndSkipsOthers) {
  const std::string ten = Tone("ten", 400);
  const std::string three = Tone("three", 400);
  const std::string unused = Tone("unused", 400);
  MakeFolders(JingleListsFolder());
  WriteJingleList(JingleListsFolder() + "show.jpl2",
                  {{three, "Three", "3"},
                   {ten, "Ten", "0"},
                   {unused, "No slot", ""},
                   {unused, "Two digits", "12"},
                   {unused, "Letter", "x"}});
  bank_->GetLists();
  ASSERT_EQ(bank_->ListNames(), QStringList{QStringLiteral("show")});
  MessageCapture messages;
  ASSERT_TRUE(bank_->LoadList(0));
  EXPECT_TRUE(messages.Texts().empty());

  // "0" is slot 10.
  EXPECT_EQ(Jingles().GetFileName(Entry(10)), ten);
  EXPECT_EQ(form_->Slot(10).label->text(), QStringLiteral("Ten"));
  EXPECT_EQ(Jingles().GetFileName(Entry(3)), three);
  EXPECT_EQ(form_->Slot(3).label->text(), QStringLiteral("Three"));
  for (int slot : {1, 2, 4, 5, 6, 7, 8, 9}) {
    EXPECT_EQ(Jingles().GetFileName(Entry(slot)), "") << slot;
    EXPECT_EQ(form_->Slot(slot).label->text(), kNoJingle) << slot;
  }
  // The decks' entries were not touched.
  EXPECT_EQ(decks_->GetFileName(deck1_), "");
}

TEST_F(JingleBankTest, DigitStartsThenStopsItsSlotAtFullVolume) {
  const std::string file = Tone("jingle", 3000);
  ASSERT_GT(Jingles().OpenFile(file, Entry(3)), 0);
  TEMSlider* volume = form_->Slot(3).volume;
  volume->SetValue(60);  // pulled down on the last play

  form_->JingleSCClick('3');
  EXPECT_EQ(State(3), fsPlaying);
  EXPECT_EQ(volume->Value(), 255);
  Run(200);
  EXPECT_EQ(State(3), fsPlaying);
  EXPECT_GT(form_->Slot(3).vuLeft->Position(), 0);

  form_->JingleSCClick('3');
  EXPECT_EQ(State(3), fsStopped);

  // A volume at 100 or more is the presenter's choice and stays.
  volume->SetValue(120);
  form_->JingleSCClick('3');
  EXPECT_EQ(volume->Value(), 120);
  EXPECT_EQ(State(3), fsPlaying);

  // Keys that are no digit, and slots without a file, do nothing.
  form_->JingleSCClick('a');
  form_->JingleSCClick('5');
  EXPECT_EQ(State(5), fsStopped);
  EXPECT_EQ(State(3), fsPlaying);
}

TEST_F(JingleBankTest, JinglesFireWhileBothDecksPlay) {
  const std::string song = Tone("song", 5000);
  ASSERT_GT(decks_->OpenFile(song, deck1_), 0);
  ASSERT_GT(decks_->OpenFile(song, deck2_), 0);
  ASSERT_TRUE(decks_->Play(deck1_));
  ASSERT_TRUE(decks_->Play(deck2_));
  const std::string jingle = Tone("short", 300);
  ASSERT_GT(Jingles().OpenFile(jingle, Entry(1)), 0);
  ASSERT_GT(Jingles().OpenFile(jingle, Entry(10)), 0);
  Run(100);
  form_->JingleSCClick('1');
  form_->JingleSCClick('0');
  Run(100);
  EXPECT_EQ(State(1), fsPlaying);
  EXPECT_EQ(State(10), fsPlaying);
  EXPECT_EQ(decks_->GetFileState(deck1_), fsPlaying);
  EXPECT_EQ(decks_->GetFileState(deck2_), fsPlaying);
  Run(400);  // the jingles end; the decks play on
  EXPECT_EQ(State(1), fsEnded);
  EXPECT_EQ(State(10), fsEnded);
  EXPECT_EQ(decks_->GetFileState(deck1_), fsPlaying);
  // An ended jingle fires again from its key.
  form_->JingleSCClick('1');
  EXPECT_EQ(State(1), fsPlaying);
}

TEST_F(JingleBankTest, MissingFilesLeaveTheirSlotsEmptyWithOneMessage) {
  const std::string good = Tone("good", 400);
  const std::string old = Tone("old", 400);
  // Slots 2 and 4 held jingles before; the list names files that are gone.
  ASSERT_GT(Jingles().OpenFile(old, Entry(2)), 0);
  ASSERT_GT(Jingles().OpenFile(old, Entry(4)), 0);
  const std::string list = temp_.File("moved.jpl2");
  WriteJingleList(list, {{"/gone/a.mp3", "Gone A", "2"},
                         {"/gone/b.mp3", "Gone B", "4"},
                         {"/gone/c.mp3", "Gone C", "6"},
                         {good, "Good", "8"}});
  MessageCapture messages;
  ASSERT_TRUE(bank_->LoadListFile(list));
  ASSERT_EQ(messages.Texts().size(), 1u);
  for (const char* f : {"/gone/a.mp3", "/gone/b.mp3", "/gone/c.mp3"})
    EXPECT_NE(messages.Texts()[0].find(f), std::string::npos) << f;
  EXPECT_EQ(messages.Texts()[0].find(good), std::string::npos);
  for (int slot : {2, 4, 6}) {
    EXPECT_EQ(Jingles().GetFileName(Entry(slot)), "") << slot;
    EXPECT_FALSE(Jingles().Play(Entry(slot))) << slot;
  }
  // The descriptions still show which jingle belongs there.
  EXPECT_EQ(form_->Slot(4).label->text(), QStringLiteral("Gone B"));
  EXPECT_EQ(Jingles().GetFileName(Entry(8)), good);
}

TEST_F(JingleBankTest, EmptyOrUnreadableListResetsLabelsButKeepsLoadedJingles) {
  const std::string file = Tone("kept", 400);
  const std::string first = temp_.File("first.jpl2");
  WriteJingleList(first, {{file, "Kept", "1"}});
  ASSERT_TRUE(bank_->LoadListFile(first));
  ASSERT_EQ(form_->Slot(1).label->text(), QStringLiteral("Kept"));

  const std::string empty = temp_.File("empty.jpl2");
  WriteJingleList(empty, {});
  MessageCapture messages;
  ASSERT_TRUE(bank_->LoadListFile(empty));
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(form_->Slot(1).label->text(), kNoJingle);
  EXPECT_EQ(Jingles().GetFileName(Entry(1)), file);
  EXPECT_TRUE(Jingles().Play(Entry(1)));
  Jingles().Stop(Entry(1));

  for (const std::string& bad : {temp_.File("missing.jpl2"), temp_.File("garbage.jpl2")}) {
    WriteFile(temp_.File("garbage.jpl2"), "not a table\nat all\n");
    WriteJingleList(first, {{file, "Kept", "1"}});
    ASSERT_TRUE(bank_->LoadListFile(first));
    messages.Clear();
    EXPECT_FALSE(bank_->LoadListFile(bad)) << bad;
    EXPECT_EQ(messages.Texts().size(), 1u) << bad;
    EXPECT_EQ(form_->Slot(1).label->text(), kNoJingle) << bad;
    EXPECT_EQ(Jingles().GetFileName(Entry(1)), file) << bad;
  }
}

TEST_F(JingleBankTest, ListsAreTheJpl2FilesSortedAndLoadByTheirOwnName) {
  const std::string folder = JingleListsFolder();
  MakeFolders(folder);
  const std::string file = Tone("x", 300);
  WriteJingleList(folder + "Weekend.JPL2", {{file, "Upper case", "5"}});
  WriteJingleList(folder + "morning.jpl2", {{file, "Lower case", "6"}});
  WriteFile(folder + "notes.txt", "not a list");
  WriteFile(folder + "show.npl2", "a playlist");
  form_->GetLists();
  ASSERT_EQ(bank_->ListNames(), (QStringList{QStringLiteral("morning"), QStringLiteral("Weekend")}));
  ASSERT_EQ(form_->ListBox()->count(), 2);
  EXPECT_EQ(form_->ListBox()->item(1)->text(), QStringLiteral("Weekend"));

  // Nothing selected: the message, and nothing changes.
  MessageCapture messages;
  form_->LoadDJJinglesClick();
  ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Choose a DJ Jingle List first"});
  // The file is named with an upper-case extension; it loads all the same.
  form_->ListBox()->setCurrentRow(1);
  form_->LoadDJJinglesClick();
  EXPECT_EQ(form_->Slot(5).label->text(), QStringLiteral("Upper case"));
  EXPECT_EQ(Jingles().GetFileName(Entry(5)), file);
}

TEST_F(JingleBankTest, WindowForwardsEachKeyOnceAndTogglesFromTheConsole) {
  QSignalSpy pressed(form_.get(), &TJinglesForm::KeyPressed);
  QSignalSpy released(form_.get(), &TJinglesForm::KeyReleased);
  form_->show();
  QTest::keyClick(form_.get(), Qt::Key_3);
  QTest::keyClick(form_->ListBox(), Qt::Key_7);
  EXPECT_EQ(pressed.count(), 2);
  EXPECT_EQ(released.count(), 2);

  form_->JinglesClick();
  EXPECT_FALSE(form_->isVisible());
  form_->JinglesClick();
  EXPECT_TRUE(form_->isVisible());
  bank_->SetEnabled(false);
  form_->JinglesClick();
  EXPECT_TRUE(form_->isVisible());
  const std::string file = Tone("off", 300);
  ASSERT_GT(Jingles().OpenFile(file, Entry(2)), 0);
  form_->JingleSCClick('2');
  EXPECT_EQ(State(2), fsOpened);
}

TEST_F(JingleBankTest, SlotOnePicturesStyleEverySlot) {
  const JingleSlotControls& first = form_->Slot(1);
  // Volume1 sits on the panel's own picture.
  EXPECT_EQ(first.volume->ImageRuler().toImage(),
            first.panel->Image().copy(first.volume->geometry()).toImage());
  // A skin restyles slot 1 only; the copy brings the others along.
  QPixmap panel(first.panel->size());
  panel.fill(Qt::darkRed);
  QPixmap glyph(20, 12);
  glyph.fill(Qt::yellow);
  first.panel->SetImage(panel);
  first.play->SetGlyphOff(glyph);
  form_->CopySlotPictures();
  for (int slot = 2; slot <= kJingleSlots; ++slot) {
    const JingleSlotControls& c = form_->Slot(slot);
    EXPECT_EQ(c.panel->Image().toImage(), panel.toImage()) << slot;
    EXPECT_EQ(c.play->GlyphOff().toImage(), glyph.toImage()) << slot;
    EXPECT_EQ(c.volume->ImageRuler().toImage(), first.volume->ImageRuler().toImage()) << slot;
  }
}

}  // namespace
}  // namespace spinwave::test
