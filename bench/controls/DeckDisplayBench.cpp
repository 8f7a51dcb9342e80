// Cost of one deck's display updates per 10 ms clock tick: three time displays, two level
// meters and a position bar, each written with a changed value and painted off-screen.
#include <cstdlib>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>

#include "controls/TEMLCD.h"
#include "controls/TRLed.h"

using namespace spinwave;

namespace {

struct Deck {
  QWidget window;
  TEMLCD* minutes;
  TEMLCD* seconds;
  TEMLCD* fractions;
  TRLed* vuLeft;
  TRLed* vuRight;
  TRLed* position;
  int ms = 0;

  Deck() {
    window.resize(300, 200);
    minutes = new TEMLCD(&window);
    minutes->setGeometry(10, 10, 51, 26);
    minutes->SetDigitNum(3);
    seconds = new TEMLCD(&window);
    seconds->setGeometry(67, 10, 35, 26);
    fractions = new TEMLCD(&window);
    fractions->setGeometry(104, 23, 39, 13);
    fractions->SetDigitNum(3);
    vuLeft = new TRLed(&window);
    vuLeft->setGeometry(200, 10, 16, 150);
    vuLeft->SetBarSize(4);
    vuLeft->SetPeaksFall(true);
    vuRight = new TRLed(&window);
    vuRight->setGeometry(220, 10, 16, 150);
    vuRight->SetBarSize(4);
    vuRight->SetPeaksFall(true);
    position = new TRLed(&window);
    position->setGeometry(10, 50, 180, 10);
    position->SetOrientation(trHorizontal);
    position->SetBarSize(4);
    position->SetMaxValue(240000);
  }

  // What the deck clock writes on one tick of a playing four-minute track.
  void Tick() {
    ms += 10;
    const int left = 240000 - ms % 240000;
    minutes->SetValue(QStringLiteral("- %1").arg(left / 60000));
    seconds->SetValue(QString::number(left / 1000 % 60).rightJustified(2, QLatin1Char('0')));
    fractions->SetIntValue(left % 1000);
    // Levels that move every tick, as music does.
    const int phase = (ms / 10) % 37;
    vuLeft->SetPosition(20 + (phase * 7) % 80);
    vuRight->SetPosition(15 + (phase * 11) % 85);
    position->SetPosition(ms % 240000);
  }

  void RenderAll() {
    minutes->Render();
    seconds->Render();
    fractions->Render();
    vuLeft->Render();
    vuRight->Render();
    position->Render();
  }

  // Paints every control through its paint event into one window-sized picture, as the
  // window system would when the controls ask to be redrawn.
  void PaintAll(QImage& screen) {
    for (QWidget* w : {static_cast<QWidget*>(minutes), static_cast<QWidget*>(seconds),
                       static_cast<QWidget*>(fractions), static_cast<QWidget*>(vuLeft),
                       static_cast<QWidget*>(vuRight), static_cast<QWidget*>(position)})
      w->render(&screen, w->pos(), QRegion(), QWidget::RenderFlags());
  }
};

// The controls' own off-screen painting: only changed cells and bars are drawn.
void BM_DeckTickOffscreen(benchmark::State& state) {
  Deck deck;
  deck.RenderAll();
  for (auto _ : state) {
    deck.Tick();
    deck.RenderAll();
  }
}
BENCHMARK(BM_DeckTickOffscreen);

// The same through the widgets' paint events: the incremental painting plus copying each
// control's picture onto a window-sized picture.
void BM_DeckTickRepaint(benchmark::State& state) {
  Deck deck;
  QImage screen(deck.window.size(), QImage::Format_RGB32);
  deck.PaintAll(screen);
  for (auto _ : state) {
    deck.Tick();
    deck.PaintAll(screen);
  }
}
BENCHMARK(BM_DeckTickRepaint);

// For comparison: every control drawn in full on every tick (a colour change forces it).
void BM_DeckTickFullRedraw(benchmark::State& state) {
  Deck deck;
  bool flip = false;
  for (auto _ : state) {
    deck.Tick();
    flip = !flip;
    const QColor c = flip ? QColor(0, 255, 0) : QColor(0, 254, 0);
    deck.minutes->SetOnColor(c);
    deck.seconds->SetOnColor(c);
    deck.fractions->SetOnColor(c);
    deck.vuLeft->SetColorLow(c);
    deck.vuRight->SetColorLow(c);
    deck.position->SetColorLow(c);
    deck.RenderAll();
  }
}
BENCHMARK(BM_DeckTickFullRedraw);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
