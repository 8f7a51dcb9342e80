#include "JingleFixture.h"

#include <QDir>

#include "core/Paths.h"
#include "engine/soundlib.h"
#include "jingles/JingleTable.h"
#include "table/TEMDB.h"

namespace spinwave::test {

void WriteJingleList(const std::string& path, const std::vector<JingleRow>& rows) {
  TEMDB table;
  SetJingleColumns(table);
  table.SetRowCount(int(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    table.SetItem(kJingleFileCol, int(r), rows[r].file);
    table.SetItem(kJingleDescriptionCol, int(r), rows[r].description);
    table.SetItem(kJingleShortcutCol, int(r), rows[r].shortcut);
  }
  ASSERT_TRUE(table.SaveToFile(path));
}

std::unique_ptr<TFMODJingle> JingleTest::MakeDeck(const char* name, const char* library,
                                                  int channels) {
  auto deck = std::make_unique<TFMODJingle>(QString::fromLatin1(name));
  deck->Init(library);
  deck->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  deck->SetMaxChannels(channels);
  deck->SetOutput();
  return deck;
}

void JingleTest::SetUp() {
  // Each test starts with empty lists and data folders (tests of one process share them).
  for (const char* sub : {"lists", "data"})
    QDir(QString::fromStdString(ProgramFolder() + sub)).removeRecursively();
  TFMODJingle::SetClockManual(true);
  decks_ = MakeDeck("Player1", "fmod.dll", 14);
  ASSERT_TRUE(decks_->Initialised());
  auto none = [this] {
    return decks_->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  };
  deck1_ = none();
  deck2_ = none();
  jingles_ = MakeDeck("JinglesPlayer", "fmodj.dll", 10);
  ASSERT_TRUE(jingles_->Initialised());
  bank_ = std::make_unique<JingleBank>(*jingles_);
  form_ = std::make_unique<TJinglesForm>(*bank_);
  form_->CreatPlayers(*jingles_);
}

void JingleTest::TearDown() {
  form_.reset();
  bank_.reset();
  jingles_.reset();
  decks_.reset();
}

std::string JingleTest::Tone(const std::string& name, int ms) {
  ToneSpec spec;
  spec.durationMs = ms;
  const std::string path = temp_.File(name + ".wav");
  EXPECT_TRUE(WriteTone(path, AudioFormat::Wav, spec));
  return path;
}

void JingleTest::Run(int ms) {
  for (int t = 0; t < ms; t += 10) {
    for (TFMODJingle* deck : {decks_.get(), jingles_.get()}) {
      deck->Library()->WaitForDecoders(5000);
      deck->Library()->Update(10);
    }
    TFMODJingle::NotifyTimerTime();
  }
}

}  // namespace spinwave::test
