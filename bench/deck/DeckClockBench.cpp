// Cost of one deck-clock tick with the main console's full set of 14 entries: two decks playing
// with every display bound, ten opened jingles whose play lamps blink, the pre-listen deck and
// the library scan's entry idle. The sound library runs on the non-realtime output; mixing the
// next 10 ms is kept out of the measured time.
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

using namespace spinwave;

namespace {

bool WriteTone(const std::string& path, int ms) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  const int frames = 44100 * (ms / 1000);
  std::vector<float> samples(static_cast<std::size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const float v = 0.5f * static_cast<float>(std::sin(2 * 3.14159265 * 440.0 * i / 44100.0));
    samples[static_cast<std::size_t>(i) * 2] = v;
    samples[static_cast<std::size_t>(i) * 2 + 1] = v;
  }
  sf_writef_float(f, samples.data(), frames);
  return sf_close(f) == 0;
}

struct DeckSet {
  TRLed* vuLeft;
  TRLed* vuRight;
  TRLed* position;
  TEMLCD* minutes;
  TEMLCD* seconds;
  TEMLCD* fractions;
  TEMSlider* positionSlider;
  TEMSlider* pitchSlider;
  TEMSlider* volumeSlider;
  TEMButton* buttons[9];
  QLabel* pitchLabel;
  QLabel* introLabel;

  DeckSet(QWidget* parent, int y) {
    vuLeft = new TRLed(parent);
    vuLeft->setGeometry(300, y, 16, 150);
    vuRight = new TRLed(parent);
    vuRight->setGeometry(320, y, 16, 150);
    position = new TRLed(parent);
    position->setGeometry(10, y + 40, 250, 10);
    position->SetOrientation(trHorizontal);
    position->SetBarSize(4);
    minutes = new TEMLCD(parent);
    minutes->setGeometry(10, y, 51, 26);
    minutes->SetDigitNum(3);
    seconds = new TEMLCD(parent);
    seconds->setGeometry(67, y, 35, 26);
    fractions = new TEMLCD(parent);
    fractions->setGeometry(104, y + 13, 39, 13);
    fractions->SetDigitNum(3);
    positionSlider = new TEMSlider(parent);
    positionSlider->setGeometry(10, y + 60, 250, 20);
    pitchSlider = new TEMSlider(parent);
    pitchSlider->setGeometry(10, y + 85, 250, 20);
    pitchSlider->SetRange(92000, 108000);
    pitchSlider->SetValue(100000);
    volumeSlider = new TEMSlider(parent);
    volumeSlider->setGeometry(10, y + 110, 250, 20);
    volumeSlider->SetValue(255);
    for (int i = 0; i < 9; ++i) {
      buttons[i] = new TEMButton(parent);
      buttons[i]->setGeometry(10 + i * 30, y + 135, 28, 16);
    }
    pitchLabel = new QLabel(parent);
    pitchLabel->setGeometry(160, y, 60, 16);
    introLabel = new QLabel(parent);
    introLabel->setGeometry(230, y, 60, 16);
  }

  int AddTo(TFMODJingle& deck) {
    return deck.AddFileEntry(vuLeft, vuRight, position, minutes, seconds, fractions,
                             positionSlider, pitchSlider, volumeSlider, buttons[0], buttons[1],
                             buttons[2], buttons[3], buttons[4], buttons[5], buttons[6],
                             buttons[7], buttons[8], pitchLabel, introLabel);
  }
};

std::unique_ptr<TFMODJingle> MakeDeck(const char* name, const char* library, int channels) {
  auto deck = std::make_unique<TFMODJingle>(QString::fromLatin1(name));
  deck->Init(library);
  deck->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  deck->SetMaxChannels(channels);
  deck->SetOutput();
  return deck;
}

struct Console {
  QTemporaryDir dir;
  QWidget window;
  std::unique_ptr<TFMODJingle> player1, dataPlayer, checkMP3;
  std::unique_ptr<DeckSet> deck1, deck2, prelisten;
  std::vector<TEMButton*> jingleButtons;
  int entry1 = -1, entry2 = -1;

  explicit Console(bool shown) {
    window.resize(400, 600);
    const std::string song = dir.path().toStdString() + "/song.wav";
    const std::string jingle = dir.path().toStdString() + "/jingle.wav";
    WriteTone(song, 60000);
    WriteTone(jingle, 3000);
    // One output serves both decks and the jingle bank, as with the central output.
    player1 = MakeDeck("Player1", "fmod.dll", 14);
    dataPlayer = MakeDeck("DataPlayer", "fmod3.dll", 1);
    checkMP3 = MakeDeck("CheckMP3", "fmoddb.dll", 1);
    deck1 = std::make_unique<DeckSet>(&window, 0);
    deck2 = std::make_unique<DeckSet>(&window, 200);
    prelisten = std::make_unique<DeckSet>(&window, 400);
    entry1 = deck1->AddTo(*player1);
    entry2 = deck2->AddTo(*player1);
    for (int i = 0; i < 10; ++i) {
      auto* play = new TEMButton(&window);
      auto* stop = new TEMButton(&window);
      jingleButtons.push_back(play);
      jingleButtons.push_back(stop);
      const int index = player1->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, play, stop,
                                              nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr);
      player1->OpenFile(jingle, index);
    }
    prelisten->AddTo(*dataPlayer);
    checkMP3->AddFileEntry(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    player1->OnNotifyPosition = [](FMOD_File*, int, int, int) {};
    player1->OnNotifyTime = [](FMOD_File*, int, int, int, int, int) {};
    player1->OpenFile(song, entry1);
    player1->OpenFile(song, entry2);
    player1->Play(entry1);
    deck2->pitchSlider->SetValue(103500);
    player1->Play(entry2);
    if (shown) window.show();
  }

  // Mixes the next 10 ms (not measured) and keeps both decks away from the end.
  void Advance() {
    for (int e : {entry1, entry2}) {
      FMOD_File* f = TFMODJingle::GetFileEntry(e);
      if (f->LastTime > f->Duration - 2000) player1->Library()->Stream_SetTime(f->Stream, 0);
    }
    player1->Library()->WaitForDecoders(5000);
    player1->Library()->Update(10);
  }
};

void BM_ClockTick(benchmark::State& state) {
  Console console(false);
  if (TFMODJingle::FileEntryCount() != 14) state.SkipWithError("expected 14 entries");
  for (auto _ : state) {
    state.PauseTiming();
    console.Advance();
    state.ResumeTiming();
    TFMODJingle::NotifyTimerTime();
  }
}
BENCHMARK(BM_ClockTick)->Unit(benchmark::kMicrosecond);

// The same tick followed by painting what changed (window shown on the offscreen platform).
void BM_ClockTickAndPaint(benchmark::State& state) {
  Console console(true);
  QApplication::processEvents();
  for (auto _ : state) {
    state.PauseTiming();
    console.Advance();
    state.ResumeTiming();
    TFMODJingle::NotifyTimerTime();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ClockTickAndPaint)->Unit(benchmark::kMicrosecond);

// Nothing moves: every entry is skipped by the repeated-time check.
void BM_ClockTickIdle(benchmark::State& state) {
  Console console(false);
  console.player1->Pause(console.entry1);
  console.player1->Pause(console.entry2);
  TFMODJingle::NotifyTimerTime();
  for (auto _ : state) TFMODJingle::NotifyTimerTime();
}
BENCHMARK(BM_ClockTickIdle)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir home;
  if (!std::getenv("SPINWAVE_HOME")) setenv("SPINWAVE_HOME", (home.path() + "/").toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  TFMODJingle::SetClockManual(true);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
