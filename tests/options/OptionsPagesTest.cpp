// The Output page's devices and processor loads and the Jingles page, on the real engine.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include "AudioFixtures.h"
#include "OptionsFixture.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "engine/soundlib.h"
#include "jingles/JingleList.h"
#include "jingles/JingleTable.h"
#include "table/TEMDBGrid.h"

namespace spinwave::test {
namespace {

using OptionsPages = OptionsTest;

QStringList Items(const QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

QStringList Names(const std::vector<std::string>& names) {
  QStringList out;
  for (const std::string& n : names) out << QString::fromStdString(n);
  return out;
}

TEST_F(OptionsPages, OutputListsComeFromTheSoundLibrary) {
  TOptions& dialog = MakeDialog();
  dialog.ResetClick();
  EXPECT_EQ(Items(Combo("OutputPlayer1")),
            (QStringList{QStringLiteral("ALSA"), QStringLiteral("Default"), QStringLiteral("JACK")}));
  for (int output = 0; output < 3; ++output) {
    Combo("OutputPlayer1")->setCurrentIndex(output);
    const QStringList devices = Names(TFMODJingle::ReturnOutputs(output));
    for (const char* key : {"DriverPlayer1", "DriverPlayer2", "DriverDataPlayer", "DriverJingles"})
      EXPECT_EQ(Items(Combo(key)), devices) << key << " " << output;
  }
  EXPECT_EQ(Items(Combo("RecordDriver")).mid(0, int(TFMODJingle::ReturnInputs().size())),
            Names(TFMODJingle::ReturnInputs()));
  // The note tells when a change of the engine's set-up takes effect.
  bool note = false;
  for (QLabel* l : dialog.findChild<QWidget*>(QStringLiteral("OutputOpt"))->findChildren<QLabel*>())
    note = note || l->text().contains(QStringLiteral("next start"));
  EXPECT_TRUE(note);
}

TEST_F(OptionsPages, ProcessorLoadOfEachSoundLibraryInstance) {
  auto prelisten = std::make_unique<TFMODJingle>(QStringLiteral("DataPlayer"));
  prelisten->Init("fmod3.dll");
  prelisten->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  prelisten->SetOutput();
  const int entry = prelisten->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr);
  ToneSpec spec;
  spec.durationMs = 2000;
  ASSERT_TRUE(WriteTone(temp_.File("load.wav"), AudioFormat::Wav, spec));
  ASSERT_GT(prelisten->OpenFile(temp_.File("load.wav"), entry), 0);
  ASSERT_TRUE(prelisten->Play(entry));
  for (int i = 0; i < 50; ++i) {
    prelisten->Library()->WaitForDecoders(5000);
    prelisten->Library()->Update(10);
  }

  TOptions& dialog = MakeDialog();
  // One output for all: the right deck and the jingles are the left deck's component.
  dialog.SetDeckComponents(left_.get(), left_.get(), prelisten.get(), left_.get());
  dialog.ResetClick();
  auto label = [&](const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
  };
  const QString initial = label("FMOD2CPU");
  dialog.UpdateProcessorLoad();
  const QString expected =
      QLocale().toString(double(prelisten->Library()->GetCPUUsage()), 'f', 1);
  EXPECT_EQ(label("FMOD3CPU"), expected);
  EXPECT_EQ(label("FMOD1CPU"),
            QLocale().toString(double(left_->Library()->GetCPUUsage()), 'f', 1));
  EXPECT_EQ(label("FMOD2CPU"), initial);  // shares the left deck's output: nothing of its own
  EXPECT_EQ(label("FMOD4CPU"), initial);
  // One decimal in the desktop's number format.
  EXPECT_EQ(label("FMOD3CPU").size() - label("FMOD3CPU").lastIndexOf(QLocale().decimalPoint()), 2);
}

class JinglePage : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    prelisten_ = std::make_unique<TFMODJingle>(QStringLiteral("DataPlayer"));
    prelisten_->Init("fmod3.dll");
    prelisten_->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
    prelisten_->SetOutput();
    entry_ = prelisten_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
    ToneSpec spec;
    spec.durationMs = 500;
    for (const char* name : {"id.wav", "bed.wav"})
      ASSERT_TRUE(WriteTone(temp_.File(name), AudioFormat::Wav, spec));
    TOptions& dialog = MakeDialog();
    dialog.SetDeckComponents(left_.get(), nullptr, prelisten_.get(), nullptr);
    dialog.SetPrelistenEntry(entry_);
    dialog.ResetClick();
  }
  void TearDown() override {
    dialog_.reset();
    prelisten_.reset();
    OptionsTest::TearDown();
  }
  void Click(const char* name) {
    dialog_->findChild<QPushButton*>(QString::fromLatin1(name))->click();
  }
  void Type(const char* field, const std::string& text) {
    dialog_->findChild<QLineEdit*>(QString::fromLatin1(field))
        ->setText(QString::fromStdString(text));
  }
  void AddJingle(const std::string& file, const std::string& description) {
    Type("FileName", file);
    Type("Description", description);
    Click("AddJingleBtn");
  }
  TEMDB& Table() { return dialog_->JingleData()->Table(); }
  std::string Cell(int col, int gridRow) { return dialog_->JingleData()->GetCell(col, gridRow); }
  std::unique_ptr<TFMODJingle> prelisten_;
  int entry_ = -1;
};

TEST_F(JinglePage, AddPlayClearAndTheShortcutButtonsSaveAtOnce) {
  AddJingle(temp_.File("id.wav"), "Station ID");
  AddJingle(temp_.File("bed.wav"), "Bed");
  // The fields were cleared; the grid shows the list sorted by description.
  EXPECT_EQ(dialog_->findChild<QLineEdit*>(QStringLiteral("FileName"))->text(), QString());
  EXPECT_EQ(Cell(kJingleDescriptionCol, 1), "Bed");
  EXPECT_EQ(Cell(kJingleDescriptionCol, 2), "Station ID");
  // Without a description nothing is added and the fields stay.
  Type("FileName", temp_.File("id.wav"));
  Type("Description", "");
  Click("AddJingleBtn");
  EXPECT_EQ(Table().RowCount(), 2);
  EXPECT_EQ(dialog_->findChild<QLineEdit*>(QStringLiteral("FileName"))->text().toStdString(),
            temp_.File("id.wav"));
  Click("ClearBtn");
  EXPECT_EQ(dialog_->findChild<QLineEdit*>(QStringLiteral("FileName"))->text(), QString());

  // "7" on the second row, then on the first: the digit moves.
  dialog_->JingleData()->SetRow(2);
  Click("JingleBtn7");
  EXPECT_EQ(Cell(kJingleShortcutCol, 2), "7");
  dialog_->JingleData()->SetRow(1);
  Click("JingleBtn7");
  EXPECT_EQ(Cell(kJingleShortcutCol, 1), "7");
  EXPECT_EQ(Cell(kJingleShortcutCol, 2), "");
  TEMDB saved;
  ASSERT_TRUE(LoadJingleTable(saved, JingleTablePath()));
  EXPECT_EQ(saved.GetItem(kJingleShortcutCol, 0), "7");
  EXPECT_EQ(saved.GetItem(kJingleDescriptionCol, 1), "Station ID");

  // "Play" pre-listens the file in the field on the pre-listen deck.
  Type("FileName", temp_.File("bed.wav"));
  Click("PlayJingleBtn");
  EXPECT_EQ(prelisten_->GetFileName(entry_), temp_.File("bed.wav"));
  EXPECT_EQ(prelisten_->GetFileState(entry_), fsPlaying);
}

TEST_F(JinglePage, RemovingTheOnlyJingleLeavesOneEmptyRow) {
  AddJingle(temp_.File("id.wav"), "Station ID");
  dialog_->JingleData()->SetRow(1);
  Click("JingleBtn3");
  {
    MessageCapture no(false);
    Click("RemoveJingleBtn");
    ASSERT_EQ(no.Texts(), std::vector<std::string>{
                              "Do you really want to delete Station ID from the jingle list?"});
    EXPECT_EQ(Cell(kJingleFileCol, 1), temp_.File("id.wav"));
  }
  dialog_->SetLanguageText(QStringLiteral("DelJingleText"), QStringLiteral("Weg met %j?"));
  MessageCapture yes(true);
  Click("RemoveJingleBtn");
  ASSERT_EQ(yes.Texts(), std::vector<std::string>{"Weg met Station ID?"});
  EXPECT_EQ(dialog_->JingleData()->GetRowCount(), 2);  // header and one empty row
  for (int col = 0; col < 3; ++col) EXPECT_EQ(Cell(col, 1), "") << col;
  TEMDB saved;
  ASSERT_TRUE(LoadJingleTable(saved, JingleTablePath()));
  ASSERT_EQ(saved.RowCount(), 1);
  EXPECT_EQ(saved.GetItem(kJingleFileCol, 0), "");
}

TEST_F(JinglePage, SaveDJListWritesAJpl2AndTellsTheJingleWindow) {
  AddJingle(temp_.File("id.wav"), "Station ID");
  QSignalSpy refresh(dialog_.get(), &TOptions::JingleListsChanged);
  MakeFolders(JingleListsFolder());
  ASSERT_TRUE(dialog_->SaveDJListAs(QString::fromStdString(JingleListsFolder() + "Morning")));
  EXPECT_EQ(refresh.count(), 1);
  TEMDB saved;
  ASSERT_TRUE(LoadJingleTable(saved, JingleListsFolder() + "Morning.jpl2"));
  EXPECT_EQ(saved.GetItem(kJingleDescriptionCol, 0), "Station ID");
  // A list that cannot be written says so and refreshes nothing.
  MessageCapture messages;
  EXPECT_FALSE(dialog_->SaveDJListAs(QString::fromStdString(temp_.File("none/x.jpl2"))));
  EXPECT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(refresh.count(), 1);
}

}  // namespace
}  // namespace spinwave::test
