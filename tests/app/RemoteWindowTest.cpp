// The console window offscreen on the real engine: keys typed into its widgets (the key table,
// the focus lamps, digits in the search field, pitch bend released on both decks), files
// dropped from the desktop, and the end of the session.
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "ConsoleFixture.h"
#include "app/ConsoleKeyboard.h"
#include "app/ConsoleKeys.h"
#include "app/ConsoleLock.h"
#include "app/PlayersPanel.h"
#include "library/LibraryModel.h"  // before the window: its inline handlers use it
#include "app/SpinwaveMain.h"
#include "app/X11HotKeys.h"
#include "controls/TEMSlider.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

class RemoteWindow : public ConsoleTest {
 protected:
  void Open(const QStringList& arguments = {}) {
    core = MakeCore(arguments);
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
    keys = window->Keys();
  }
  // Both decks play: deck 1 row 1, deck 2 row 2.
  void PlayBoth() {
    const std::string a = Track("a", 30000), b = Track("b", 30000);
    Open({QString::fromStdString(M3U("show.m3u", {a, b}))});
    core->Playlist().SetCursorRow(1);
    core->Transport().PlaylistDblClick();
    core->Playlist().SetCursorRow(2);
    core->Transport().PlaylistDblClick(true);
    core->Advance(100);
    // With deck 1 on air the row waits in deck 2: its play button starts it.
    if (core->Deck(1).State() == fsOpened) core->Transport().PlayClick(1);
    core->Advance(200);
    ASSERT_EQ(core->Deck(0).State(), fsPlaying);
    ASSERT_EQ(core->Deck(1).State(), fsPlaying);
  }
  // A key typed on the deck panel (no control there takes keys itself).
  void Type(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window->Players(), Qt::Key(qtKey), modifiers);
    core->Advance(20);
  }
  void TearDown() override {
    window.reset();
    core.reset();
  }
  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
  ConsoleKeys* keys = nullptr;
};

TEST_F(RemoteWindow, ThePlayKeyActsOnTheDeckOfTheLampOrTheModifier) {
  PlayBoth();
  struct Case {
    const char* what;
    int functionKey;  // F1/F2 first, 0 none
    Qt::KeyboardModifiers modifiers;
    TFileState deck1, deck2;
  } cases[] = {
      {"no lamp, no modifier: nothing", 0, Qt::NoModifier, fsPlaying, fsPlaying},
      {"Active1 lit: deck 1 pauses", Qt::Key_F1, Qt::NoModifier, fsPaused, fsPlaying},
      {"Active1 lit with Alt: deck 2", 0, Qt::AltModifier, fsPaused, fsPaused},
      {"Active1 lit with Ctrl: deck 1", 0, Qt::ControlModifier, fsPlaying, fsPaused},
      {"Active2 lit: deck 2", Qt::Key_F2, Qt::NoModifier, fsPlaying, fsPlaying},
      {"Active2 lit with Ctrl: deck 1 only", 0, Qt::ControlModifier, fsPaused, fsPlaying},
      {"Ctrl and Alt: both", 0, Qt::ControlModifier | Qt::AltModifier, fsPlaying, fsPaused},
  };
  for (const Case& c : cases) {
    if (c.functionKey) Type(c.functionKey);
    Type(Qt::Key_P, c.modifiers);  // "P" is the default Play key
    EXPECT_EQ(core->Deck(0).State(), c.deck1) << c.what;
    EXPECT_EQ(core->Deck(1).State(), c.deck2) << c.what;
  }
  EXPECT_TRUE(keys->Active(1));
  EXPECT_FALSE(keys->Active(0)) << "at most one lamp";
  // The playlist taking the keyboard puts the lamps out: a plain key does nothing again.
  Type(Qt::Key_F3);
  EXPECT_FALSE(keys->Active(1));
  Type(Qt::Key_P);
  EXPECT_EQ(core->Deck(1).State(), fsPaused);
}

TEST_F(RemoteWindow, DeckKeysMoveThePitchStopAndTrack) {
  PlayBoth();
  Type(Qt::Key_F1);
  TEMSlider* pitch = window->Players()->Controls(0).pitchSlider;
  const int normal = 100000;
  struct Case {
    int key;
    int pitch;
  } cases[] = {{Qt::Key_8, normal + 10}, {Qt::Key_2, normal + 1},   {Qt::Key_9, normal + 1001},
               {Qt::Key_3, normal + 1},  {Qt::Key_0, normal}};
  for (const Case& c : cases) {
    Type(c.key, Qt::KeypadModifier);
    EXPECT_EQ(pitch->Value(), c.pitch) << "numeric pad " << char(c.key);
  }
  EXPECT_EQ(window->Players()->Controls(1).pitchSlider->Value(), normal) << "deck 2 untouched";

  // "S" stops deck 1 at its cue point.
  Type(Qt::Key_S);
  EXPECT_EQ(core->Deck(0).State(), fsCueStop);
  EXPECT_EQ(core->Deck(1).State(), fsPlaying);
}

TEST_F(RemoteWindow, ReleasingThePitchBendKeyEndsTheBendOnBothDecks) {
  PlayBoth();
  FMOD_File* deck1 = TFMODJingle::GetFileEntry(0);
  FMOD_File* deck2 = TFMODJingle::GetFileEntry(1);
  // Numeric-pad "+" (PitchBUp) with Ctrl and Alt bends both decks.
  QTest::keyPress(window->Players(), Qt::Key_Plus,
                  Qt::KeypadModifier | Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(deck1->PitchBendActive);
  EXPECT_TRUE(deck2->PitchBendActive);
  EXPECT_EQ(deck1->PitchBendValue, 101000);
  EXPECT_TRUE(keys->Pressed(ConsoleKeys::kPitchBUp, 1));
  QTest::keyRelease(window->Players(), Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_FALSE(deck1->PitchBendActive);
  EXPECT_FALSE(deck2->PitchBendActive);
  EXPECT_FALSE(keys->Pressed(ConsoleKeys::kPitchBUp, 1));

  // Deck 1 alone bent down (Ctrl); the key comes up without Ctrl: still released.
  QTest::keyPress(window->Players(), Qt::Key_Minus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_TRUE(deck1->PitchBendActive);
  EXPECT_FALSE(deck2->PitchBendActive);
  QTest::keyRelease(window->Players(), Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_FALSE(deck1->PitchBendActive);
}

TEST_F(RemoteWindow, FunctionKeysSwitchTheConsole) {
  const std::string a = Track("a", 5000), b = Track("b", 5000), c = Track("c", 5000);
  Open({QString::fromStdString(M3U("show.m3u", {a, b, c}))});
  DeckTransport& t = core->Transport();
  PlaylistModel& list = core->Playlist();
  list.SetMark(1, "V");
  list.SetMark(2, "X");
  Type(Qt::Key_F7);
  EXPECT_TRUE(t.AutoMix());
  Type(Qt::Key_F6);
  EXPECT_TRUE(t.Break());
  Type(Qt::Key_F9);
  EXPECT_TRUE(t.XFader());
  Type(Qt::Key_F11);
  EXPECT_EQ(list.Mark(1), "");
  EXPECT_EQ(list.Mark(2), "X");
  Type(Qt::Key_F12);
  EXPECT_EQ(list.Mark(2), "");
  Type(Qt::Key_F7);
  EXPECT_FALSE(t.AutoMix());
  EXPECT_EQ(list.TrackCount(), 3);
}

TEST_F(RemoteWindow, ADigitFiresItsJingleButTypesInTheSearchField) {
  WriteIni("[Players]\nJingleEnabled=1\n");
  const std::string jingle = Track("jingle", 5000);
  MakeFolders(Program("lists"));
  TEMDB table;
  SetJingleColumns(table);
  table.SetItem(kJingleFileCol, 0, jingle);
  table.SetItem(kJingleShortcutCol, 0, "3");
  ASSERT_TRUE(table.SaveToFile(Program("lists/show.jpl2")));
  Open();
  JingleBank* bank = core->Jingles();
  ASSERT_NE(bank, nullptr);
  ASSERT_TRUE(bank->LoadList(0));
  core->Advance(300);
  auto slot3 = [&] { return bank->Player().GetFileState(bank->SlotEntry(3)); };

  Type(Qt::Key_3);
  EXPECT_EQ(slot3(), fsPlaying);

  QLineEdit* search = ConsoleKeyboard::SearchField(window.get());
  ASSERT_NE(search, nullptr);
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  search->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return search->hasFocus(); }, 2000));
  QTest::keyClick(search, Qt::Key_3);
  core->Advance(20);
  EXPECT_EQ(search->text(), "3");
  EXPECT_EQ(slot3(), fsPlaying) << "the digit typed; the jingle was not fired again";

  window->Playlist()->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->Playlist()->hasFocus(); }, 2000));
  Type(Qt::Key_3);
  EXPECT_NE(slot3(), fsPlaying) << "outside the field the same digit stops it";
}

TEST_F(RemoteWindow, DroppedAudioFilesAreAddedAndAPlaylistReplaces) {
  const std::string a = Track("a", 2000), b = Track("b", 2000), c = Track("c", 2000);
  WriteFile(dir.File("notes.txt"), "not audio");
  const std::string list = M3U("list.m3u", {c});
  Open();
  auto drop = [&](const std::vector<std::string>& files) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& f : files) urls << QUrl::fromLocalFile(QString::fromStdString(f));
    mime->setUrls(urls);
    // As a desktop drag arrives: it enters the window, then drops.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &event);
    delete mime;
    std::vector<std::string> rows;
    for (int r = 1; r <= core->Playlist().TrackCount(); ++r)
      rows.push_back(core->Playlist().File(r));
    return rows;
  };
  using Files = std::vector<std::string>;
  EXPECT_EQ(drop({a, b, list}), Files({c})) << "added, then replaced by the list";
  EXPECT_EQ(drop({list, a, dir.File("notes.txt"), b}), Files({c, a, b}))
      << "in the order dropped; other files ignored";
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(RemoteWindow, TheEndOfTheSessionAsksOnceAndKeepsABusyConsoleWithSafeClose) {
  const std::string a = Track("a", 30000);
  Open({QString::fromStdString(M3U("show.m3u", {a}))});
  int asked = 0;
  bool answer = false;
  window->Lock()->Ask = [&](QWidget*) {
    ++asked;
    return answer;
  };
  core->Options().SetBool("AdminClose", true);
  core->Options().SetBool("SafeClose", true);
  core->Playlist().SetCursorRow(1);
  core->Transport().PlaylistDblClick();
  core->Advance(300);

  answer = true;
  EXPECT_FALSE(window->EndSessionQuery()) << "a deck plays";
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Can't close unless both players are stopped!");
  EXPECT_FALSE(core->Closed());

  core->Deck(0).Stop();
  core->Advance(30);
  ASSERT_FALSE(core->Transport().AnyDeckBusy());
  answer = false;
  EXPECT_FALSE(window->EndSessionQuery()) << "wrong password";
  EXPECT_FALSE(core->Closed());

  asked = 0;
  answer = true;
  EXPECT_TRUE(window->EndSessionQuery());
  EXPECT_EQ(asked, 1) << "the password is asked once, not again by the close";
  EXPECT_TRUE(core->Closed());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(core->KeptPlaylistPath())));
}

TEST(RemoteHotKeys, TheDefaultKeysHaveTheirX11Keysyms) {
  struct Case {
    int code;
    std::uint32_t keysym;
  } cases[] = {{80, 'p'},     {83, 's'},       {102, 0xffb6 /* KP_6 */}, {96, 0xffb0 /* KP_0 */},
               {107, 0xffab /* KP_Add */},     {109, 0xffad /* KP_Subtract */},
               {188, ','},    {190, '.'},      {112, 0xffbe /* F1 */},   {0, 0},  {300, 0}};
  for (const Case& c : cases) EXPECT_EQ(X11HotKeys::KeysymOf(c.code), c.keysym) << c.code;
}

}  // namespace
}  // namespace spinwave::test
