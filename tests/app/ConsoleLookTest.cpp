// The language and the skin on the running console: switching the options changes what the
// window shows, windows made later follow the language, a broken skin falls back per item.
#include "app/ConsoleLook.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QTest>

#include "ConsoleFixture.h"
#include "app/LanguageFile.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"
#include "controls/TRLed.h"
#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"
#include "playlist/PlaylistModel.h"

namespace spinwave::test {
namespace {

class ConsoleLookTest : public ConsoleTest {
 protected:
  void SetUp() override {
    programBefore_ = ProgramFolder();
    ConsoleTest::SetUp();
    ResetLanguageTexts();
    core = MakeCore();
    window = std::make_unique<TSpinwaveMain>(*core);
    window->show();
  }
  void TearDown() override {
    window.reset();
    core.reset();
    ResetLanguageTexts();
    SetProgramFolder(programBefore_);  // the test's folder goes with it
  }
  QString ActionText(const char* name) const {
    auto* a = window->findChild<QAction*>(QLatin1String(name));
    return a ? a->text() : QStringLiteral("<none>");
  }
  QString LampCaption(const char* name) const {
    auto* l = window->findChild<TEMLed*>(QLatin1String(name));
    return l ? l->Caption() : QStringLiteral("<none>");
  }
  void SetOption(const char* key, const char* value) { core->Options().SetText(key, value); }
  // A skin folder of the test's own with the given files.
  std::string Skin(const std::string& posIni, const std::string& skinIni) {
    const std::string folder = dir.Path() + "skin/";
    MakeFolders(folder);
    WriteFile(folder + "pos.ini", posIni);
    WriteFile(folder + "skin.ini", skinIni);
    return folder;
  }
  void ApplySkinFolder(const std::string& folder) {
    window->Look()->ApplySkin(ReadSkin(folder, *core->Settings()));
  }
  QWidget* Panel(const char* name) const {
    return window->Players()->findChild<QWidget*>(QLatin1String(name));
  }

  std::unique_ptr<ConsoleCore> core;
  std::unique_ptr<TSpinwaveMain> window;
  std::string programBefore_;
};

TEST_F(ConsoleLookTest, SwitchingTheLanguageOptionChangesTheRunningConsole) {
  struct Case {
    const char* language;
    const char* options;     // the Setup menu's Options entry
    const char* deleteRow;   // the playlist menu's "Remove track(s)"
    const char* autoCross;   // the crossfade lamp
    const char* fadeFirst;   // the fade menu's first entry
    const char* fadeLast;
    const char* total;       // the playlist total's word
    const char* cantClose;   // a message the core shows
  };
  const Case cases[] = {
      {"German", "Optionen", "Titel entfernen", "Auto-Crossfade", "1 Sekunde", "20 Sekunden",
       "Gesamtspielzeit", "Schließen erst möglich"},
      {"Dutch", "Opties", "Nummer(s) verwijderen", "Auto-crossfade", "1 seconde", "20 seconden",
       "Totale speeltijd", "Afsluiten kan pas"},
      {"English", "Options", "Remove track(s)", "Crossfade automatic", "1 second", "20 Seconds",
       "Total playingtime", "Can't close unless both players are stopped!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    SetOption("Language", c.language);
    EXPECT_EQ(ActionText("CtrlOptions"), QString::fromUtf8(c.options));
    EXPECT_EQ(ActionText("DeleteEntry"), QString::fromUtf8(c.deleteRow));
    EXPECT_EQ(LampCaption("AutoCross"), QString::fromUtf8(c.autoCross));
    const QList<QAction*> fade = window->FadeSub()->actions();
    ASSERT_EQ(fade.size(), 20);
    EXPECT_EQ(fade.first()->text(), QString::fromUtf8(c.fadeFirst));
    EXPECT_EQ(fade.last()->text(), QString::fromUtf8(c.fadeLast));
    // The segue submenu is named after the automix lamp.
    EXPECT_EQ(window->SegueMenu()->title(), LampCaption("AutoMix") + "...");
    EXPECT_TRUE(window->StatusPanel(0)->text().startsWith(QString::fromUtf8(c.total)))
        << window->StatusPanel(0)->text().toStdString();
    EXPECT_EQ(LangText("CantClose").rfind(c.cantClose, 0), 0u) << LangText("CantClose");
    EXPECT_TRUE(core->Playlist().TotalText().startsWith(QString::fromUtf8(c.total)));
  }
  EXPECT_TRUE(messages.Texts().empty()) << "shipped files are current: " << messages.Texts()[0];
}

TEST_F(ConsoleLookTest, HintsReachBothDecksAndCaptionsFitTheirButtons) {
  SetOption("Language", "German");
  for (const char* name : {"TrackBack", "Eject", "Pitch", "Minutes", "Seconds"}) {
    QWidget* left = Panel((std::string(name) + "1").c_str());
    QWidget* right = Panel((std::string(name) + "2").c_str());
    ASSERT_TRUE(left && right) << name;
    EXPECT_FALSE(left->toolTip().isEmpty()) << name;
    EXPECT_EQ(left->toolTip(), right->toolTip()) << name;
  }
  EXPECT_EQ(Panel("Seconds1")->toolTip(), Panel("Minutes1")->toolTip());
  // The longest German button captions are drawn whole: the glyph grows with the text.
  auto* send = window->Button(QStringLiteral("SendInfo"));
  QFont bold = send->font();
  bold.setPixelSize(10);
  bold.setBold(true);
  EXPECT_GE(send->GetSwitchGlyph(0).width(),
            QFontMetrics(bold).horizontalAdvance(QString::fromUtf8("INFO SENDEN")));
  auto* lamp = window->findChild<TEMLed*>(QStringLiteral("AutoCross"));
  EXPECT_GE(lamp->width(), lamp->fontMetrics().horizontalAdvance(lamp->Caption()));
}

TEST_F(ConsoleLookTest, WindowsMadeLaterFollowTheLanguageAndAMissingFileChangesNothing) {
  SetOption("Language", "Dutch");
  EXPECT_EQ(CurrentLanguage(), "Dutch");
  PasswordStore store(dir.File("security.ini"));
  TChangePassword change(store);
  ApplyLanguage(&change);
  auto* label = change.findChild<QLabel*>(QStringLiteral("NewPassword"));
  ASSERT_TRUE(label);
  EXPECT_NE(label->text(), "Fill in the new password:");
  EXPECT_NE(change.windowTitle(), "Change password");

  SetOption("Language", "Klingon");  // no such file: the Dutch texts stay
  EXPECT_EQ(ActionText("CtrlOptions"), "Opties");
  EXPECT_EQ(CurrentLanguage(), "Dutch");
}

TEST_F(ConsoleLookTest, ShippedTranslationsHoldEveryKey) {
  for (const char* language : {"English", "German", "Dutch"}) {
    const std::string file = TLanguage::FileOf(QString::fromLatin1(language));
    ASSERT_FALSE(file.empty()) << language;
    const std::vector<std::string> missing = MissingLanguageKeys(file);
    EXPECT_TRUE(missing.empty()) << language << " lacks " << missing.size() << " keys, first "
                                 << (missing.empty() ? "" : missing.front());
  }
}

TEST_F(ConsoleLookTest, SkinMovesColoursAndSizesTheDeckControls) {
  const std::string folder = Skin("[Players]\r\nPlay1=90,250\r\n",
                                  "PlayBtnLightColor=0000FF\r\nVULedSize=9\r\nPosLedSize=1\r\n"
                                  "ShuffleBtnOn=shuffle.png\r\n");
  QImage shuffle(30, 18, QImage::Format_RGB32);
  shuffle.fill(Qt::magenta);
  ASSERT_TRUE(shuffle.save(QString::fromStdString(folder + "shuffle.png")));
  ApplySkinFolder(folder);

  EXPECT_EQ(Panel("Play1")->pos(), QPoint(250, 90));
  EXPECT_EQ(Panel("Play2")->pos(), QPoint(654, 81)) << "the other deck keeps its place";
  for (const char* play : {"Play1", "Play2"})
    EXPECT_EQ(static_cast<TEMButton*>(Panel(play))->ButtonLightColor(), QColor(0, 0, 255)) << play;
  for (const char* meter : {"VU1L", "VU1R", "VU2L", "VU2R"})
    EXPECT_EQ(static_cast<TRLed*>(Panel(meter))->BarSize(), 5) << meter;
  EXPECT_EQ(static_cast<TRLed*>(Panel("P2Pos"))->BarSize(), 3);
  EXPECT_EQ(window->Button(QStringLiteral("Shuffle"))->GetSwitchGlyph(0).toImage().pixelColor(5, 5),
            QColor(Qt::magenta));
  EXPECT_TRUE(window->Look()->LastProblem().isEmpty());
}

TEST_F(ConsoleLookTest, BrokenSkinFallsBackPerItemAndSaysSoOnce) {
  const std::string folder =
      Skin("[Players]\r\nPlay1=-5,20\r\nStop1=abc\r\nEject1=7,4000000\r\nSetCue1=100,40\r\n",
           "PlayersPanel=missing.bmp\r\nStopButtonOn=broken.png\r\nVULedSize=x\r\n"
           "StopBtnLightColor=GG0000\r\n");
  WriteFile(folder + "broken.png", "not a picture");
  const QSize panelBefore = window->Players()->size();
  ApplySkinFolder(folder);

  EXPECT_EQ(Panel("Play1")->pos(), QPoint(245, 81));
  EXPECT_EQ(Panel("Stop1")->pos(), QPoint(202, 81));
  EXPECT_EQ(Panel("Eject1")->pos(), QPoint(39, 7));
  EXPECT_EQ(Panel("SetCue1")->pos(), QPoint(40, 100)) << "the usable item is applied";
  EXPECT_EQ(window->Players()->size(), panelBefore) << "no panel picture: the panel keeps its size";
  EXPECT_FALSE(static_cast<TEMButton*>(Panel("Stop1"))->GetSwitchGlyph(1).isNull());
  EXPECT_EQ(static_cast<TRLed*>(Panel("VU1L"))->BarSize(), 4);
  EXPECT_EQ(static_cast<TEMButton*>(Panel("Stop1"))->ButtonLightColor(), QColor(0xB5, 0x63, 0x6B));
  const QString shown = window->statusBar()->currentMessage();
  EXPECT_FALSE(shown.isEmpty());
  EXPECT_EQ(shown, window->Look()->LastProblem());
  EXPECT_TRUE(messages.Texts().empty()) << "a status-bar note, no message box";
}

TEST_F(ConsoleLookTest, ShippedSkinResizesThePanelAndDefaultKeepsTheBuiltInLook) {
  const QPoint play = Panel("Play1")->pos();
  SetOption("PlayerLook", "<Default>");
  EXPECT_EQ(Panel("Play1")->pos(), play);

  SetOption("PlayerLook", "Midnight");
  const QImage picture(QString::fromStdString(SkinFolderOf("Midnight") + "players.png"));
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(window->Players()->width(), picture.width());
  EXPECT_EQ(window->Players()->ImageHeight(), picture.height());
  EXPECT_EQ(Panel("Play1")->pos(), QPoint(244, 78));
  EXPECT_EQ(window->Look()->LastProblem(), QString());
  // The right deck wears the left deck's glyphs.
  EXPECT_EQ(static_cast<TEMButton*>(Panel("Play2"))->GetSwitchGlyph(0).toImage(),
            static_cast<TEMButton*>(Panel("Play1"))->GetSwitchGlyph(0).toImage());

  SetOption("PlayerLook", "NoSuchSkin");
  EXPECT_FALSE(window->statusBar()->currentMessage().isEmpty());
  EXPECT_EQ(Panel("Play1")->pos(), QPoint(244, 78)) << "the skin in use stays";
}

}  // namespace
}  // namespace spinwave::test
