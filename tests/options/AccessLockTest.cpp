#include "options/AccessLock.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/Messages.h"
#include "options/PasswordDialogs.h"

namespace {

using spinwave::MessageCapture;
using spinwave::PasswordStore;
using spinwave::TChangePassword;
using spinwave::TPassword;
using spinwave::test::ReadFile;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

TEST(AccessLock, LegacyHash) {
  EXPECT_EQ(PasswordStore::LegacyHash("abc"), "84A431F");  // 5 × 301 × 303 × 305
  EXPECT_EQ(PasswordStore::LegacyHash(""), "5");
  EXPECT_EQ(PasswordStore::LegacyHash("cab"), PasswordStore::LegacyHash("abc"));
  EXPECT_EQ(PasswordStore::LegacyHash("A1"), "D9E18") << "5 × 201 × 888";
}

TEST(AccessLock, NoPasswordOpensEverythingAndThereIsNoMasterPassword) {
  TempFolder dir;
  PasswordStore store(dir.File("security.ini"));
  EXPECT_FALSE(store.HasPassword());
  EXPECT_TRUE(store.Check("")) << "no password set: the empty entry is accepted";

  ASSERT_TRUE(store.Set("letmein"));
  EXPECT_TRUE(store.HasPassword());
  EXPECT_TRUE(store.Check("letmein"));
  for (const char* guess : {"", "letmei", "LETMEIN", "nielmte", "password", "spinwave"})
    EXPECT_FALSE(store.Check(guess)) << guess;

  struct stat st {};
  ASSERT_EQ(::stat(store.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "only the user may read the password file";
  EXPECT_EQ(ReadFile(store.Path()).find("letmein"), std::string::npos);
  EXPECT_NE(store.StoredValue().find("$argon2"), std::string::npos);
}

TEST(AccessLock, LegacyValueIsAcceptedOnceAndReplaced) {
  TempFolder dir;
  WriteFile(dir.File("security.ini"), "[Spinwave]\nUSER=84A431F\n");
  ::chmod(dir.File("security.ini").c_str(), 0644);
  PasswordStore store(dir.File("security.ini"));
  EXPECT_FALSE(store.Check("abd"));
  EXPECT_EQ(store.StoredValue(), "84A431F") << "a refused entry changes nothing";
  EXPECT_TRUE(store.Check("abc"));
  const std::string replaced = store.StoredValue();
  EXPECT_NE(replaced, "84A431F");
  EXPECT_EQ(replaced.rfind("$argon2", 0), 0u) << replaced;
  EXPECT_TRUE(store.Check("abc"));
  EXPECT_FALSE(store.Check("cba")) << "the old hash let any order of the letters in";
  struct stat st {};
  ASSERT_EQ(::stat(store.Path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(AccessLock, UnknownStoredValueOpensNothing) {
  TempFolder dir;
  WriteFile(dir.File("security.ini"), "[Spinwave]\nUSER=not a hash\n");
  PasswordStore store(dir.File("security.ini"));
  EXPECT_FALSE(store.Check(""));
  EXPECT_FALSE(store.Check("not a hash"));
}

TEST(AccessLock, NewPasswordRules) {
  TempFolder dir;
  PasswordStore store(dir.File("security.ini"));
  TChangePassword dialog(store);
  MessageCapture messages;
  struct Case {
    const char* first;
    const char* again;
    const char* message;  // "" = stored
  };
  const Case cases[] = {
      {"abc", "abc", "The password must atleast contain 4 characters!"},
      {"", "", "The password must atleast contain 4 characters!"},
      {"abcd", "abce", "The new password is NOT wright!"},
      {"abcd", "abcd", ""},
  };
  for (const Case& c : cases) {
    messages.Clear();
    dialog.NewPaswoord()->setText(c.first);
    dialog.NewPaswoordCheck()->setText(c.again);
    const bool stored = dialog.Wijzig();
    EXPECT_EQ(stored, std::string(c.message).empty()) << c.first << "/" << c.again;
    if (*c.message) {
      ASSERT_EQ(messages.Texts().size(), 1u);
      EXPECT_EQ(messages.Texts()[0], c.message);
      EXPECT_FALSE(store.HasPassword()) << "nothing is written until both checks pass";
    }
  }
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(store.Check("abcd"));

  // Enter in the first field moves on; Enter in the second stores.
  dialog.show();
  EXPECT_TRUE(dialog.NewPaswoord()->text().isEmpty()) << "fields emptied on activation";
  QTest::keyClicks(dialog.NewPaswoord(), "secret1");
  QTest::keyClick(dialog.NewPaswoord(), Qt::Key_Return);
  EXPECT_EQ(dialog.focusWidget(), dialog.NewPaswoordCheck());
  QTest::keyClicks(dialog.NewPaswoordCheck(), "secret1");
  QTest::keyClick(dialog.NewPaswoordCheck(), Qt::Key_Return);
  EXPECT_TRUE(store.Check("secret1"));
  EXPECT_FALSE(dialog.isVisible());
}

TEST(AccessLock, PasswordDialogAcceptsOrRefusesAfterADelay) {
  TempFolder dir;
  PasswordStore store(dir.File("security.ini"));
  {
    TPassword dialog(store);
    dialog.Paswoord()->setText("anything");
    dialog.OKBtnClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "no password set";
  }
  ASSERT_TRUE(store.Set("s3cret"));
  MessageCapture messages;
  {
    TPassword dialog(store);
    dialog.SetRefusalDelay(50);
    dialog.show();
    dialog.Paswoord()->setText("wrong");
    QElapsedTimer clock;
    clock.start();
    dialog.OKBtnClick();
    EXPECT_TRUE(dialog.Refusing());
    EXPECT_TRUE(messages.Texts().empty()) << "the answer waits";
    dialog.OKBtnClick();  // pressing again while waiting does not start another check
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Refusing(); }, 5000));
    EXPECT_GE(clock.elapsed(), 45);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0], "Password wrong");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  {
    TPassword dialog(store);
    dialog.Paswoord()->setText("s3cret");
    dialog.OKBtnClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
}

TEST(AccessLock, LocksDisableBothDecksControlsAndNothingElse) {
  QWidget console;
  auto* play1 = new QPushButton(&console);
  play1->setObjectName("Play1");
  auto* deck2 = new QWidget(&console);
  auto* play2 = new QPushButton(deck2);
  play2->setObjectName("Play2");
  auto* pitch2 = new QWidget(deck2);
  pitch2->setObjectName("Pitch2");
  auto* stop1 = new QPushButton(&console);
  stop1->setObjectName("Stop1");
  // The jingle window is a window of its own whose slot 1 is also called Play1.
  auto* jingles = new QWidget(&console, Qt::Tool);
  auto* jinglePlay = new QPushButton(jingles);
  jinglePlay->setObjectName("Play1");

  spinwave::ApplyLocks({&console}, {"LockPlay", "lockpitch"});
  EXPECT_FALSE(play1->isEnabled());
  EXPECT_FALSE(play2->isEnabled());
  EXPECT_FALSE(pitch2->isEnabled());
  EXPECT_TRUE(stop1->isEnabled());
  EXPECT_TRUE(jinglePlay->isEnabled());

  spinwave::ApplyLocks({&console}, {});
  EXPECT_TRUE(play1->isEnabled());
  EXPECT_TRUE(play2->isEnabled());
  EXPECT_TRUE(pitch2->isEnabled());

  // Every Security lock key has an entry.
  EXPECT_EQ(spinwave::LockTargets().size(), 16);
}

}  // namespace
