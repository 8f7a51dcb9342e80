// The access lock and the on-screen keyboard on the running console.
#include "app/ConsoleLock.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ConsoleFixture.h"
#include "app/ConsoleKeyboard.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TTouchBoard.h"
#include "controls/TVirtualKeyboard.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"

namespace spinwave::test {
namespace {

class ConsoleLockTest : public ConsoleTest {
 protected:
  void SetUp() override {
    programBefore_ = ProgramFolder();
    ConsoleTest::SetUp();
    core = MakeCore();
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
  }
  void TearDown() override {
    if (window) window->FormClose();
    window.reset();
    core.reset();
    SetProgramFolder(programBefore_);
  }
  QWidget* Named(const char* name) const { return window->findChild<QWidget*>(QLatin1String(name)); }
  // Clicks a key of the on-screen keyboard.
  static void Press(TVirtualKeyboard* board, int row, int col) {
    const QRect key = board->KeyRect(row, col);
    ASSERT_FALSE(key.isEmpty()) << row << "," << col;
    QTest::mouseClick(board, Qt::LeftButton, {}, key.center());
  }

  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
  std::string programBefore_;
};

TEST_F(ConsoleLockTest, LockBoxesDisableTheControlsOfBothDecksAndLiftCleanly) {
  struct Case {
    const char* key;
    std::vector<const char*> controls;
  };
  const Case cases[] = {
      {"LockPlay", {"Play1", "Play2"}},
      {"LockPitch", {"Pitch1", "PitchUp1", "PitchDown2", "Pitch2"}},
      {"LockCue", {"Slider1", "SetCue2", "SearchForw1"}},
      {"LockVolume", {"Volume1", "Volume2"}},
      {"LockOpen", {"OpenList"}},
      {"LockNew", {"ClearList"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    core->Options().SetBool(c.key, true);
    for (const char* name : c.controls) {
      ASSERT_TRUE(Named(name)) << name;
      EXPECT_FALSE(Named(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(Named("Stop1")->isEnabled()) << "other controls stay usable";
    core->Options().SetBool(c.key, false);
    for (const char* name : c.controls) EXPECT_TRUE(Named(name)->isEnabled()) << name;
  }
  // The talkover button is locked and unlocked like the others.
  ASSERT_TRUE(Named("Talkover")->isEnabled());
  core->Options().SetBool("LockTalk", true);
  EXPECT_FALSE(Named("Talkover")->isEnabled());
  core->Options().SetBool("LockTalk", false);
  EXPECT_TRUE(Named("Talkover")->isEnabled());
  // A control that was disabled for a reason of its own stays so: an unlock does not switch on
  // what the lock did not switch off.
  Named("Talkover")->setEnabled(false);
  core->Options().SetBool("LockTalk", true);
  core->Options().SetBool("LockTalk", false);
  EXPECT_FALSE(Named("Talkover")->isEnabled());
}

TEST_F(ConsoleLockTest, LocksStoredInTheSettingsHoldFromTheStart) {
  window->FormClose();
  window.reset();
  core.reset();
  WriteIni("[Security]\r\nLockEject=1\r\nLockFade=1\r\n");
  core = MakeCore();
  window = std::make_unique<TSpinwaveMain>(*core);
  window->show();
  for (const char* name : {"Eject1", "Eject2", "Fade1", "Fade2"})
    EXPECT_FALSE(Named(name)->isEnabled()) << name;
  EXPECT_TRUE(Named("Play1")->isEnabled());
}

TEST_F(ConsoleLockTest, AdminCloseAsksThePasswordBeforeTheConsoleCloses) {
  int asked = 0;
  bool answer = false;
  window->Lock()->Ask = [&](QWidget*) {
    ++asked;
    return answer;
  };
  EXPECT_TRUE(window->Lock()->MayClose(window.get())) << "AdminClose off: no question";
  EXPECT_EQ(asked, 0);
  core->Options().SetBool("AdminClose", true);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window->isVisible());
  answer = true;
  EXPECT_TRUE(window->close());
  EXPECT_EQ(asked, 2);

  core->Options().SetBool("AllSecured", true);
  answer = false;
  EXPECT_FALSE(window->Lock()->MayEdit(window.get()));
  answer = true;
  EXPECT_TRUE(window->Lock()->MayEdit(window.get()));
}

TEST_F(ConsoleLockTest, ThePasswordWindowGuardsWithTheStoredPassword) {
  ASSERT_TRUE(window->Lock()->Passwords().Set("disco"));
  core->Options().SetBool("AllSecured", true);
  // Answers the password window once it is up: `typed`, then OK (or Cancel).
  auto answer = [](const QString& typed, bool ok) {
    QTimer::singleShot(0, [typed, ok] {
      auto* dialog = qobject_cast<TPassword*>(QApplication::activeModalWidget());
      ASSERT_TRUE(dialog);
      dialog->Paswoord()->setText(typed);
      if (ok)
        dialog->OKBtnClick();
      else
        dialog->reject();
    });
  };
  answer("disco", true);
  EXPECT_TRUE(window->Lock()->MayEdit(window.get()));
  answer("disco", false);
  EXPECT_FALSE(window->Lock()->MayEdit(window.get())) << "Cancel refuses";
}

TEST_F(ConsoleLockTest, OnScreenKeyboardFillsTheSearchField) {
  QLineEdit search;
  QPushButton searchButton;
  searchButton.setEnabled(false);
  TTouchBoard* board = window->Keyboard()->Open(&search, &searchButton);
  ASSERT_TRUE(board);
  EXPECT_TRUE(board->isVisible());
  TVirtualKeyboard* keys = board->TheBoard();
  Press(keys, 1, 4);   // t
  Press(keys, 2, 0);   // a
  Press(keys, 2, 1);   // s
  Press(keys, 3, 10);  // space
  Press(keys, 3, 12);  // Shift
  Press(keys, 1, 0);   // Q
  EXPECT_EQ(search.text(), "tas Q");
  EXPECT_EQ(board->Edit1()->text(), "tas Q");
  EXPECT_TRUE(searchButton.isEnabled());
  Press(keys, 0, 12);  // Backspace
  EXPECT_EQ(search.text(), "tas ");
  Press(keys, 1, 12);  // Clear
  EXPECT_EQ(search.text(), "");
  EXPECT_FALSE(searchButton.isEnabled());
  Press(keys, 2, 12);  // Close
  EXPECT_FALSE(board->isVisible());
}

TEST_F(ConsoleLockTest, KeyboardComesUpForASearchableColumnAndFollowsShowKeyboard) {
  QLineEdit search;
  QComboBox column;
  column.addItems({"None", "All", "Artist", "Title", "Album", "Genre 1"});
  window->Keyboard()->Attach(&search, nullptr, &column);
  struct Case {
    int column;
    bool shown;
  };
  for (const Case c : {Case{0, false}, Case{5, false}, Case{2, true}}) {
    SCOPED_TRACE(c.column);
    if (window->Keyboard()->Board()) window->Keyboard()->Board()->hide();
    column.setCurrentIndex(c.column);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(&search, &in);
    EXPECT_EQ(window->Keyboard()->Board() && window->Keyboard()->Board()->isVisible(), c.shown);
  }
  core->Options().SetBool("ShowKeyboard", false);
  QApplication::processEvents();
  EXPECT_EQ(window->Keyboard()->Board(), nullptr);
  QFocusEvent in(QEvent::FocusIn);
  QApplication::sendEvent(&search, &in);
  EXPECT_EQ(window->Keyboard()->Board(), nullptr) << "ShowKeyboard off: no keyboard";
}

}  // namespace
}  // namespace spinwave::test
