#include "controls/TVirtualKeyboard.h"

#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "common/TestSupport.h"
#include "controls/TTouchBoard.h"
#include "core/Paths.h"

namespace {

using spinwave::TTouchBoard;
using spinwave::TVirtualKeyboard;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

// Presses and releases a key by row and column.
void Tap(TVirtualKeyboard& kb, int row, int col) {
  kb.PressKey(row, col);
  kb.ReleaseKey();
}

TEST(VirtualKeyboard, GeometryFollowsTheKeyPicture) {
  TVirtualKeyboard kb;
  ASSERT_EQ(kb.KeySize(), QSize(32, 32));
  EXPECT_EQ(kb.size(), QSize(14 * 36, 4 * 36));
  EXPECT_EQ(kb.KeyRect(0, 0), QRect(2, 2, 32, 32));
  EXPECT_EQ(kb.KeyRect(2, 3), QRect(2 + 3 * 36, 2 + 2 * 35, 32, 32));
  EXPECT_EQ(kb.KeyRect(0, 12).width(), 2 * 32 + 4) << "command keys are wide";
  EXPECT_EQ(kb.KeyRect(3, 10).width(), 2 * 32 + 4) << "the space key is wide";
  EXPECT_TRUE(kb.KeyRect(3, 11).isEmpty()) << "a key without a label is not drawn";

  // Other key pictures give other geometry.
  QPixmap small(20, 24);
  small.fill(Qt::gray);
  kb.SetBMP(0, small);
  kb.SetBMP(1, small);
  EXPECT_EQ(kb.size(), QSize(14 * 24, 4 * 28));
  EXPECT_EQ(kb.KeyRect(1, 1), QRect(2 + 24, 2 + 27, 20, 24));
  EXPECT_TRUE(kb.GetBMP(2).isNull());
}

TEST(VirtualKeyboard, HitTest) {
  TVirtualKeyboard kb;  // keys 32 x 32: columns every 36 pixels, rows every 35
  struct Case {
    int x, y, row, col;
  };
  const Case cases[] = {
      {10, 10, 0, 0},   {37, 1, 0, 1},    {36, 1, 0, 0},  // a column starts after c × 36
      {500, 10, 0, 12}, {40, 36, 1, 1},   {40, 140, 3, 1},
      {0, 40, 1, 0},    {-5, 80, 2, 0},   // the left edge is the first key, not Clear or Close
      {11 * 36 + 10, 120, 3, 10},         // row 3, column 11 is the space key
  };
  for (const Case& c : cases) {
    int row = -1, col = -1;
    kb.MouseToButton(c.x, c.y, row, col);
    EXPECT_EQ(row, c.row) << c.x << "," << c.y;
    EXPECT_EQ(col, c.col) << c.x << "," << c.y;
  }
  // A mouse press goes through the same hit test.
  controltest::Press(&kb, QPoint(37 + 4, 36 + 4));  // row 1, column 1: "w"
  controltest::Release(&kb, QPoint(37 + 4, 36 + 4));
  EXPECT_EQ(kb.Text(), "w");
}

TEST(VirtualKeyboard, TypingCommandsShiftAndTheFiftyCharacterLimit) {
  TVirtualKeyboard kb;
  std::vector<QString> reported;
  int done = 0;
  kb.OnButtonDown = [&](TVirtualKeyboard*, const QString& text) { reported.push_back(text); };
  kb.OnUserDone = [&](TVirtualKeyboard*) {
    ++done;
    EXPECT_FALSE(reported.empty()) << "the text is reported before the window closes";
  };

  Tap(kb, 1, 0);   // q
  Tap(kb, 3, 10);  // space
  Tap(kb, 3, 12);  // shift
  EXPECT_TRUE(kb.Shifted());
  Tap(kb, 1, 0);   // Q
  Tap(kb, 0, 1);   // @
  EXPECT_TRUE(kb.Shifted()) << "shift stays until pressed again";
  EXPECT_EQ(kb.Text(), "q Q@");
  Tap(kb, 0, 12);  // backspace
  EXPECT_EQ(kb.Text(), "q Q");
  EXPECT_EQ(reported.back(), "q Q") << "command keys report the text too";
  Tap(kb, 2, 12);  // close
  EXPECT_EQ(done, 1);
  EXPECT_EQ(reported.back(), "q Q");

  kb.SetText(QString(49, QLatin1Char('x')));
  Tap(kb, 1, 1);
  EXPECT_EQ(kb.Text().size(), 50);
  Tap(kb, 1, 2);
  EXPECT_EQ(kb.Text().size(), 50) << "no 51st character";
  Tap(kb, 0, 12);
  EXPECT_EQ(kb.Text().size(), 49) << "backspace still works at the limit";
  Tap(kb, 1, 12);
  EXPECT_EQ(kb.Text(), "") << "clear";
}

TEST(VirtualKeyboard, LayoutFiles) {
  TempFolder dir;
  TVirtualKeyboard kb;
  const std::string row0 = "1,2,3,4,5,6,7,8,9,0,ß,´,Backspace\n";
  const std::string rest =
      "q,w,e,r,t,z,u,i,o,p,ü,+,Clear\na,s,d,f,g,h,j,k,l,ö,ä,#,Close\n"
      "y,x,c,v,b,n,m,\",\",.,-,Space,,Shift\nignored\n"
      "!,\"\"\"\",§,$,%,&,/,(,),=,?,`,Backspace\nQ,W,E,R,T,Z,U,I,O,P,Ü,*,Clear\n"
      "A,S,D,F,G,H,J,K,L,Ö,Ä,',Close\nY,X,C,V,B,N,M,;,:,_,Space,,Shift\n";

  WriteFile(dir.File("wrong.kbl"), "Some other keyboard\n" + row0 + rest);
  EXPECT_FALSE(kb.LoadLayout(dir.File("wrong.kbl")));
  EXPECT_EQ(kb.Label(1, 5), "y") << "a file with a wrong first line is ignored";
  EXPECT_FALSE(kb.LoadLayout(dir.File("missing.kbl")));

  WriteFile(dir.File("de.kbl"), "Spinwave Keyboard layout\r\n" + row0 + rest);
  EXPECT_TRUE(kb.LoadLayout(dir.File("de.kbl")));
  EXPECT_EQ(kb.Label(1, 5), "z");
  EXPECT_EQ(kb.Label(3, 7), ",") << "a quoted comma";
  EXPECT_EQ(kb.Label(0, 11), "´");
  Tap(kb, 3, 12);
  EXPECT_EQ(kb.Label(0, 1), "\"") << "a doubled quote in quotes";
  EXPECT_EQ(kb.Label(2, 9), "Ö");

  // A short file keeps the rows read before it stopped.
  TVirtualKeyboard partial;
  WriteFile(dir.File("short.kbl"), "Spinwave Keyboard layout\n" + row0 + "a,b,c\n");
  EXPECT_FALSE(partial.LoadLayout(dir.File("short.kbl")));
  EXPECT_EQ(partial.Label(0, 10), "ß");
  EXPECT_EQ(partial.Label(1, 0), "q");
}

TEST(VirtualKeyboard, WideLabelOnAnOrdinaryKeyTypesBothCharacters) {
  TempFolder dir;
  std::string normal = "Spinwave Keyboard layout\n1,2,3,4,5,6,7,8,9,0,-,=,Backspace\n"
                       "q,w,e,r,t,y,u,i,o,p,[,],Clear\na,s,d,f,g,h,j,k,l,;,',ij,Close\n"
                       "z,x,c,v,b,n,m,\",\",.,/,Space,,Shift\n-\n";
  for (int r = 0; r < 4; ++r) normal += "A,B,C,D,E,F,G,H,I,J,K,L,M\n";
  WriteFile(dir.File("ij.kbl"), normal);
  TVirtualKeyboard kb;
  ASSERT_TRUE(kb.LoadLayout(dir.File("ij.kbl")));
  EXPECT_TRUE(kb.IsWide(2, 11));
  EXPECT_EQ(kb.KeyRect(2, 11).width(), 68);
  Tap(kb, 2, 11);
  EXPECT_EQ(kb.Text(), "ij");
}

TEST(TouchBoard, FillsTheFilterAndTheSearchButtonFollows) {
  QLineEdit filter;
  QPushButton search;
  QWidget column;
  TTouchBoard board;
  board.SetTargets(&filter, &search, &column);
  board.show();
  EXPECT_FALSE(search.isEnabled()) << "shown with an empty text";
  board.TheBoard()->PressKey(1, 3);  // r
  board.TheBoard()->PressKey(1, 2);  // e
  EXPECT_EQ(board.Edit1()->text(), "re");
  EXPECT_EQ(filter.text(), "re");
  EXPECT_TRUE(search.isEnabled());

  // Typing in the field passes the text on as well.
  board.Edit1()->setFocus();
  QTest::keyClick(board.Edit1(), Qt::Key_M);
  EXPECT_EQ(filter.text(), "rem");
  EXPECT_EQ(board.TheBoard()->Text(), "rem");

  QTest::keyClick(board.Edit1(), Qt::Key_Return);
  EXPECT_FALSE(board.isVisible());
  EXPECT_TRUE(search.isEnabled());

  board.show();
  EXPECT_EQ(board.Edit1()->text(), "") << "each showing starts empty";
  EXPECT_EQ(filter.text(), "");
}

TEST(TouchBoard, ShippedLayoutsLoadByName) {
  const QStringList names = TTouchBoard::LayoutNames();
  ASSERT_TRUE(names.contains("qwerty uk")) << names.join(",").toStdString();
  ASSERT_TRUE(names.contains("qwertz de"));
  TTouchBoard board;
  board.SelectLayout("qwerty uk");
  EXPECT_EQ(board.KBLayout()->currentText(), "qwerty uk");
  EXPECT_EQ(board.TheBoard()->Label(2, 11), "\\") << "selecting does not load";
  ASSERT_TRUE(board.KBLayoutChange("qwerty uk"));
  EXPECT_EQ(board.TheBoard()->Label(2, 11), "#");
  board.TheBoard()->PressKey(3, 12);
  EXPECT_EQ(board.TheBoard()->Label(0, 2), "£");
  EXPECT_FALSE(board.KBLayoutChange("no such layout"));
}

}  // namespace
