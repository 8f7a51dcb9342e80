#include "DeckFixture.h"

namespace spinwave::test {

DeckControls::DeckControls(QWidget* parent)
    : vuLeft(new TRLed(parent)),
      vuRight(new TRLed(parent)),
      position(new TRLed(parent)),
      minutes(new TEMLCD(parent)),
      seconds(new TEMLCD(parent)),
      fractions(new TEMLCD(parent)),
      positionSlider(new TEMSlider(parent)),
      pitchSlider(new TEMSlider(parent)),
      volumeSlider(new TEMSlider(parent)),
      play(new TEMButton(parent)),
      stop(new TEMButton(parent)),
      setCue(new TEMButton(parent)),
      toCue(new TEMButton(parent)),
      searchBack(new TEMButton(parent)),
      searchForw(new TEMButton(parent)),
      fade(new TEMButton(parent)),
      pitchUp(new TEMButton(parent)),
      pitchDown(new TEMButton(parent)),
      pitchLabel(new QLabel(parent)),
      introLabel(new QLabel(parent)) {
  position->SetOrientation(trHorizontal);
  position->resize(200, 12);
  position->SetBarSize(4);
  minutes->SetDigitNum(3);
  minutes->resize(50, 22);
  fractions->SetDigitNum(3);
  fractions->resize(50, 22);
  pitchSlider->SetRange(92000, 108000);
  pitchSlider->SetValue(100000);
  volumeSlider->SetValue(255);
  introLabel->setText(QStringLiteral("0:00"));
}

int DeckControls::AddTo(TFMODJingle& deck) {
  return deck.AddFileEntry(vuLeft, vuRight, position, minutes, seconds, fractions,
                           positionSlider, pitchSlider, volumeSlider, play, stop, setCue, toCue,
                           searchBack, searchForw, fade, pitchUp, pitchDown, pitchLabel,
                           introLabel);
}

void DeckTest::SetUp() {
  TFMODJingle::SetClockManual(true);
  TFMODJingle::SetTimeOfDaySource(nullptr);
  form_ = std::make_unique<QWidget>();
  deck_ = MakeDeck(QStringLiteral("Player1"), "fmod.dll");
  ASSERT_TRUE(deck_->Initialised());
  controls_ = std::make_unique<DeckControls>(form_.get());
  entry_ = controls_->AddTo(*deck_);
  Record(*deck_);
}

void DeckTest::TearDown() {
  deck_.reset();
  controls_.reset();
  form_.reset();
  TFMODJingle::SetTimeOfDaySource(nullptr);
}

std::unique_ptr<TFMODJingle> DeckTest::MakeDeck(const QString& name, const std::string& library) {
  auto deck = std::make_unique<TFMODJingle>(name);
  deck->Init(library);
  deck->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  deck->SetMaxChannels(4);
  deck->SetOutput();
  return deck;
}

void DeckTest::Record(TFMODJingle& deck) {
  deck.OnNotifyFileState = [this](FMOD_File*, TFileState state, int index) {
    events_.push_back({"state", state, 0, 0, 0, index});
  };
  deck.OnNotifyOpened = [this](FMOD_File* file, TFileState state, int result) {
    events_.push_back({"opened", state, result, 0, 0, file->Index});
  };
  deck.OnNotifyPosition = [this](FMOD_File*, int position, int range, int index) {
    events_.push_back({"position", position, range, 0, 0, index});
  };
  deck.OnNotifyTime = [this](FMOD_File*, int hours, int minutes, int seconds, int fractions,
                             int index) {
    events_.push_back({"time", minutes, seconds, fractions, hours, index});
  };
}

std::string DeckTest::Tone(const std::string& name, int ms, AudioFormat format) {
  ToneSpec spec;
  spec.durationMs = ms;
  const std::string path = temp_.File(name + ExtensionOf(format));
  EXPECT_TRUE(WriteTone(path, format, spec));
  return path;
}

void DeckTest::Run(int ms, TFMODJingle* deck) {
  SoundLib* lib = (deck ? deck : deck_.get())->Library();
  for (int t = 0; t < ms; t += 10) {
    lib->WaitForDecoders(5000);
    lib->Update(10);
    TFMODJingle::NotifyTimerTime();
  }
}

bool DeckTest::TickUntilOpened(int index, int limitMs) {
  // The decoder thread finishes the open; the next tick completes it.
  deck_->Library()->WaitForDecoders(limitMs);
  TFMODJingle::NotifyTimerTime();
  return deck_->GetFileState(index) != fsOpening;
}

int DeckTest::CountEvents(const std::string& kind) const {
  int n = 0;
  for (const auto& e : events_) n += e.kind == kind ? 1 : 0;
  return n;
}

}  // namespace spinwave::test
