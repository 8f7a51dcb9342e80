#include "app/SkinFile.h"

#include <QImage>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "controls/ControlTypes.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"

namespace {

using spinwave::ReadSkin;
using spinwave::SkinDescription;
using spinwave::test::TempFolder;
using spinwave::test::WriteFile;

// A skin folder with the given pos.ini and skin.ini texts and a few pictures.
struct SkinFixture {
  TempFolder dir;
  std::string folder;
  SkinFixture(const std::string& pos, const std::string& skin) {
    folder = dir.Path() + "Test/";
    spinwave::MakeFolders(folder);
    if (!pos.empty()) WriteFile(folder + "pos.ini", pos);
    WriteFile(folder + "skin.ini", skin);
    QImage panel(200, 120, QImage::Format_RGB32);
    for (int y = 0; y < panel.height(); ++y)
      for (int x = 0; x < panel.width(); ++x) panel.setPixel(x, y, qRgb(x, y, 7));
    panel.save(QString::fromStdString(folder + "panel.bmp"));
    QImage glyph(20, 10, QImage::Format_RGB32);
    glyph.fill(qRgb(1, 2, 3));
    glyph.save(QString::fromStdString(folder + "a.png"));
    glyph.fill(qRgb(9, 9, 9));
    glyph.save(QString::fromStdString(folder + "b.bmp"));
    WriteFile(folder + "broken.bmp", "BM this is not a bitmap");
  }
  SkinDescription Read() {
    TSettingsFile settings;
    SkinDescription skin = ReadSkin(folder, settings);
    EXPECT_EQ(settings.GetFileName(), "spinwave2.ini") << "the settings object is pointed back";
    return skin;
  }
};

TEST(Skin, PositionsFromPosIni) {
  SkinFixture f("[Players]\nPlay1=90,250\nVolume2=20,400,30,90\n[AudioCtrl]\nAutoCross=1,2\n", "");
  const SkinDescription skin = f.Read();
  EXPECT_TRUE(skin.problems.isEmpty()) << skin.problems.join("; ").toStdString();
  EXPECT_EQ(skin.PositionOf("Play1").topLeft(), QPoint(250, 90)) << "top comes first";
  EXPECT_EQ(skin.PositionOf("Volume2"), QRect(400, 20, 30, 90));
  EXPECT_EQ(skin.PositionOf("AutoCross").topLeft(), QPoint(2, 1));
  EXPECT_EQ(skin.PositionOf("Play2").topLeft(), QPoint(654, 81)) << "the built-in place";
  EXPECT_EQ(skin.PositionOf("CrossSlider"), QRect(325, 6, 109, 35));
  EXPECT_EQ(skin.positions.size(), 54u) << "52 deck controls and 2 of the audio panel";
  // The time displays hang off one point.
  const QRect time = skin.PositionOf("Time1");
  EXPECT_EQ(spinwave::TimeDisplayPlace(time, 0), QPoint(109, 48));
  EXPECT_EQ(spinwave::TimeDisplayPlace(time, 1), QPoint(166, 48));
  EXPECT_EQ(spinwave::TimeDisplayPlace(time, 2), QPoint(203, 61));
  EXPECT_EQ(spinwave::TimeDisplayPlace(time, 3), QPoint(154, 40));
}

TEST(Skin, ColoursAndMeterSizes) {
  EXPECT_EQ(spinwave::SkinColourValue("0000FF"), 0x00FF0000) << "blue in the high byte";
  EXPECT_EQ(spinwave::SkinColourValue("ff8000"), 0x000080FF);
  EXPECT_EQ(spinwave::ColorFromWin(std::uint32_t(spinwave::SkinColourValue("0000FF"))), QColor(0, 0, 255));
  for (const char* bad : {"", "0000F", "0000FFF", "GG0000", "#0000F"})
    EXPECT_EQ(spinwave::SkinColourValue(bad), -1) << bad;

  struct Case {
    const char* value;
    int size;
  };
  for (const Case& c : {Case{"9", 5}, Case{"1", 3}, Case{"4", 4}, Case{"-2", 3}, Case{"5", 5}}) {
    SkinFixture f("", std::string("VULedSize=") + c.value + "\nPosLedSize=" + c.value +
                          "\nListColor=0000FF\n");
    const SkinDescription skin = f.Read();
    EXPECT_EQ(skin.vuLedSize, c.size) << c.value;
    EXPECT_EQ(skin.posLedSize, c.size) << c.value;
    EXPECT_EQ(skin.Colour("ListColor"), QColor(0, 0, 255));
    EXPECT_EQ(skin.Colour("ListTextColor"), QColor(0xFF, 0xFF, 0x00)) << "the built-in colour";
  }
}

TEST(Skin, PicturesLaterKeysWin) {
  SkinFixture only("", "ShuffleBtnOn=a.png\nPlayersPanel=panel.bmp\n");
  SkinDescription skin = only.Read();
  EXPECT_EQ(skin.PictureFor("Shuffle:off").pixel(0, 0), qRgb(1, 2, 3))
      << "ShuffleBtnOn alone becomes the shuffle button's glyph";

  SkinFixture both("", "ShuffleBtn=b.bmp\nShuffleBtnOn=a.png\nPlayersPanel=panel.bmp\n");
  skin = both.Read();
  EXPECT_EQ(skin.PictureFor("Shuffle:off").pixel(0, 0), qRgb(9, 9, 9))
      << "ShuffleBtn is applied after ShuffleBtnOn, whatever the file's order";

  // Slider backgrounds are cut from the players panel under the slider.
  EXPECT_TRUE(skin.BackgroundUnder(QRect(0, 0, 10, 10), true).isNull()) << "no audio panel picture";
  const QImage cut = skin.BackgroundUnder(QRect(30, 40, 10, 5));
  ASSERT_EQ(cut.size(), QSize(10, 5));
  EXPECT_EQ(cut.pixel(0, 0), qRgb(30, 40, 7));
  EXPECT_TRUE(skin.PictureFor("Play1:on").isNull());
}

TEST(Skin, BadInputFallsBackItemByItem) {
  struct Case {
    const char* what;
    const char* pos;    // a [Players] line
    const char* skin;   // a skin.ini line
    const char* key;    // the position that must keep its built-in place ("" none)
    const char* problem;  // part of the problem text
  };
  const Case cases[] = {
      {"letters", "Play1=ninety,250", "", "Play1", "whole numbers"},
      {"one number", "Play1=90", "", "Play1", "needs top,left"},
      {"sized control with two numbers", "Pitch1=9,292", "", "Pitch1", "width,height"},
      {"negative", "Stop1=-5,10", "", "Stop1", "outside"},
      {"huge", "Stop1=99999,10", "", "Stop1", "outside"},
      {"zero size", "Volume1=13,346,0,101", "", "Volume1", "impossible size"},
      {"missing picture", "", "PlayButtonOn=nothere.bmp", "", "missing"},
      {"corrupt picture", "", "PlayButtonOn=broken.bmp", "", "not a picture"},
      {"bad colour", "", "FormColor=blue", "", "not a colour"},
      {"bad size", "", "VULedSize=big", "", "not a number"},
  };
  for (const Case& c : cases) {
    SkinFixture f(std::string("[Players]\n") + c.pos + "\nPlay2=90,250\n",
                  std::string(c.skin) + "\nPlayButtonOff=a.png\n");
    const SkinDescription skin = f.Read();
    ASSERT_FALSE(skin.problems.isEmpty()) << c.what;
    EXPECT_NE(skin.problems.first().indexOf(c.problem), -1) << c.what << ": " << skin.problems.first().toStdString();
    EXPECT_EQ(skin.problems.size(), 1) << c.what << " is the only problem";
    if (*c.key) {
      SkinFixture plain("", "");
      EXPECT_EQ(skin.PositionOf(c.key), plain.Read().PositionOf(c.key)) << c.what;
    }
    // Everything after the bad item is still read.
    EXPECT_EQ(skin.PositionOf("Play2").topLeft(), QPoint(250, 90)) << c.what;
    EXPECT_FALSE(skin.PictureFor("Play1:off").isNull()) << c.what;
    EXPECT_EQ(skin.vuLedSize, 4) << c.what;
  }
}

TEST(Skin, ShippedSkinAndTheBuiltInLook) {
  EXPECT_TRUE(spinwave::SkinNames().contains("Midnight"));
  const std::string folder = spinwave::SkinFolderOf("Midnight");
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(spinwave::SkinFolderOf("<Default>").empty());
  TSettingsFile settings;
  const SkinDescription skin = ReadSkin(folder, settings);
  EXPECT_TRUE(skin.problems.isEmpty()) << skin.problems.join("; ").toStdString();
  EXPECT_EQ(skin.PictureFor("PlayersPanel").size(), QSize(760, 150));
  EXPECT_FALSE(skin.PictureFor("Play1:on").isNull());
  EXPECT_EQ(skin.vuLedSize, 3);
  EXPECT_EQ(skin.PositionOf("Play1").topLeft(), QPoint(244, 78));
  // Every slider of the layout lies on the panel picture, so its background can be cut.
  for (const char* slider : {"Slider1", "Slider2", "Pitch1", "Pitch2", "Volume1", "Volume2"})
    EXPECT_EQ(skin.BackgroundUnder(skin.PositionOf(slider)).size(), skin.PositionOf(slider).size()) << slider;

  // The built-in look: no skin folder, no files, no problems.
  const SkinDescription builtIn = ReadSkin("", settings);
  EXPECT_TRUE(builtIn.problems.isEmpty());
  EXPECT_TRUE(builtIn.pictures.empty());
  EXPECT_EQ(builtIn.PositionOf("Play1").topLeft(), QPoint(245, 81));
  EXPECT_EQ(builtIn.Colour("TimeOnColor"), QColor(0x3F, 0x58, 0x71));
}

}  // namespace
