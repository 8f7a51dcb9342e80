// Shows every display control on one window. With a file name argument it renders the window
// off-screen, saves the picture there and exits (no display needed with QT_QPA_PLATFORM=offscreen);
// a second argument N saves the picture enlarged N times (pixels kept sharp) for a close look;
// without a file name it opens the window and animates the meters and time displays.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include "controls/PeaksTimer.h"
#include "controls/TEMButton.h"
#include "controls/TEMLCD.h"
#include "controls/TEMLed.h"
#include "controls/TEMSlider.h"
#include "controls/TImagePanel.h"
#include "controls/TRLed.h"

using namespace spinwave;

namespace {

QPixmap Backdrop(int w, int h) {
  QPixmap p(w, h);
  QPainter painter(&p);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, QColor(40, 48, 64));
  g.setColorAt(1, QColor(14, 16, 24));
  painter.fillRect(p.rect(), g);
  painter.setPen(QColor(70, 80, 100));
  painter.drawRect(p.rect().adjusted(4, 4, -5, -5));
  return p;
}

// A 32 x 20 glyph: a symbol on a dark face, brighter when `on`.
QPixmap Glyph(char symbol, bool on) {
  QPixmap p(32, 20);
  p.fill(on ? QColor(40, 90, 40) : QColor(45, 45, 50));
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(on ? QColor(140, 255, 140) : QColor(200, 200, 200));
  QPolygonF shape;
  switch (symbol) {
    case '>': shape << QPointF(12, 4) << QPointF(22, 10) << QPointF(12, 16); break;
    case '<': shape << QPointF(20, 4) << QPointF(10, 10) << QPointF(20, 16); break;
    default: painter.drawRect(11, 5, 10, 10); return p;
  }
  painter.drawPolygon(shape);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString shotFile = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

  TImagePanel window;
  window.setWindowTitle(QStringLiteral("Spinwave display controls"));
  window.resize(420, 260);
  window.SetColor(Qt::black);
  window.SetImage(Backdrop(420, 260));

  // Time displays: minutes, seconds, fractions.
  auto* minutes = new TEMLCD(&window);
  minutes->setGeometry(20, 20, 51, 26);
  minutes->SetDigitNum(3);
  minutes->SetValue(QStringLiteral("- 3"));
  auto* seconds = new TEMLCD(&window);
  seconds->setGeometry(77, 20, 35, 26);
  seconds->SetValue(QStringLiteral("27"));
  auto* fractions = new TEMLCD(&window);
  fractions->setGeometry(118, 30, 39, 16);
  fractions->SetDigitNum(3);
  fractions->SetDigitSpacing(3);
  fractions->SetGapX(1);
  fractions->SetGapY(1);
  fractions->SetSegmentWidth(1);
  fractions->SetValue(QStringLiteral("450"));
  auto* blueTime = new TEMLCD(&window);
  blueTime->setGeometry(170, 20, 51, 26);
  blueTime->SetDigitNum(3);
  blueTime->SetOnColor(ColorFromWin(0xFDC893));
  blueTime->SetOffColor(ColorFromWin(0x71583F));
  blueTime->SetValue(QStringLiteral("128"));

  auto* bigClock = new TEMLCD(&window);
  bigClock->setGeometry(240, 180, 120, 60);
  bigClock->SetDigitNum(4);
  bigClock->SetDigitSpacing(6);
  bigClock->SetGapX(3);
  bigClock->SetGapY(3);
  bigClock->SetSegmentWidth(4);
  bigClock->SetValue(QStringLiteral("-908"));

  // Level meters with held peaks, and a position bar.
  auto* vuLeft = new TRLed(&window);
  vuLeft->setGeometry(370, 20, 16, 150);
  vuLeft->SetBarSize(4);
  vuLeft->SetPeaksFall(true);
  vuLeft->SetPosition(95);
  vuLeft->SetPosition(80);
  auto* vuRight = new TRLed(&window);
  vuRight->setGeometry(390, 20, 16, 150);
  vuRight->SetBarSize(4);
  vuRight->SetPeaksFall(true);
  vuRight->SetPosition(70);
  vuRight->SetPosition(45);
  auto* positionBar = new TRLed(&window);
  positionBar->setGeometry(20, 60, 200, 10);
  positionBar->SetOrientation(trHorizontal);
  positionBar->SetBarSize(4);
  positionBar->SetMaxValue(1000);
  positionBar->SetPosition(600);
  positionBar->OnClickPosition = [](TRLed*, int position) {
    std::printf("position bar clicked at %d\n", position);
  };

  // Lamps.
  auto* automix = new TEMLed(&window);
  automix->setGeometry(20, 80, 97, 17);
  automix->SetCaption(QStringLiteral("Automix"));
  automix->SetTextColor(ColorFromWin(0xFDC893));
  automix->SetTransparent(true);
  automix->SetState(true);
  auto* talking = new TEMLed(&window);
  talking->setGeometry(120, 80, 97, 17);
  talking->SetCaption(QStringLiteral("Talking"));
  talking->SetTextColor(ColorFromWin(0xFDC893));
  talking->SetTransparent(true);

  // Sliders: position (horizontal), volume (vertical, at its maximum), pitch (reversed).
  auto* position = new TEMSlider(&window);
  position->setGeometry(20, 105, 204, 24);
  position->SetMaxValue(1000);
  position->SetValue(600);
  auto* volume = new TEMSlider(&window);
  volume->setGeometry(240, 20, 29, 120);
  volume->SetOrientation(soVertical);
  volume->SetValue(255);
  auto* pitch = new TEMSlider(&window);
  pitch->setGeometry(280, 20, 29, 120);
  pitch->SetOrientation(soVertical);
  pitch->SetReverse(true);
  pitch->SetRange(92000, 108000);
  pitch->SetValue(100000);
  auto* pitchLabel = new QLabel(&window);
  pitchLabel->setGeometry(240, 145, 120, 16);
  pitchLabel->setStyleSheet(QStringLiteral("color: #93C8FD"));
  pitchLabel->setText(QStringLiteral("pitch 100.000 %"));
  pitch->OnChange = [pitchLabel](TEMSlider* s) {
    pitchLabel->setText(QStringLiteral("pitch %1 %").arg(s->Value() / 1000.0, 0, 'f', 3));
  };

  // Buttons: play (lit), stop, search with press repetition.
  auto* play = new TEMButton(&window);
  play->move(20, 140);
  play->SetSwitchGlyph(0, Glyph('>', false));
  play->SetSwitchGlyph(1, Glyph('>', true));
  play->SetButtonLightColor(ColorFromWin(0x509550));
  play->SetButtonShadowColor(ColorFromWin(0x233F23));
  play->SetBtnState(true);
  play->OnClick = [](TEMButton* b) { b->ToggleSwitch(); };
  auto* stop = new TEMButton(&window);
  stop->move(60, 140);
  stop->SetSwitchGlyph(0, Glyph('#', false));
  stop->SetSwitchGlyph(1, Glyph('#', true));
  stop->SetButtonLightColor(ColorFromWin(0x6B63B5));
  stop->SetButtonShadowColor(ColorFromWin(0x26264A));
  auto* search = new TEMButton(&window);
  search->move(100, 140);
  search->SetSwitchGlyph(0, Glyph('<', false));
  search->OnMousePress = [position](TEMButton*) { position->SetValue(position->Value() - 1); };

  // A jingle-slot style panel with a centred picture.
  auto* slot = new TImagePanel(&window);
  slot->setGeometry(20, 180, 200, 60);
  slot->SetColor(QColor(30, 30, 30));
  slot->SetCenter(true);
  slot->SetImage(Glyph('>', true).scaled(64, 40));

  PeaksTimer peaks;
  peaks.AddMeter(vuLeft);
  peaks.AddMeter(vuRight);

  if (!shotFile.isEmpty()) {
    window.show();
    QPixmap shot = window.grab();
    const int zoom = argc > 2 ? std::atoi(argv[2]) : 1;
    if (zoom > 1) shot = shot.scaled(shot.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!shot.save(shotFile)) {
      std::fprintf(stderr, "could not save %s\n", qPrintable(shotFile));
      return 1;
    }
    std::printf("saved %s (%dx%d)\n", qPrintable(shotFile), shot.width(), shot.height());
    return 0;
  }

  // Animate: a fake clock that writes the displays every 10 ms, as the deck clock does.
  QTimer clock;
  int ms = 0;
  QObject::connect(&clock, &QTimer::timeout, [&] {
    ms += 10;
    const double t = ms / 1000.0;
    vuLeft->SetPosition(int(50 + 45 * std::sin(t * 7.0) * std::fabs(std::sin(t * 1.3))));
    vuRight->SetPosition(int(50 + 45 * std::sin(t * 6.1) * std::fabs(std::cos(t * 1.1))));
    const int left = 200000 - ms % 200000;
    minutes->SetValue(QStringLiteral("- %1").arg(left / 60000));
    seconds->SetValue(QStringLiteral("%1").arg(left / 1000 % 60, 2, 10, QLatin1Char('0')));
    fractions->SetIntValue(left % 1000);
    positionBar->SetPosition(ms / 200 % 1000);
  });
  clock.start(10);
  peaks.Start();
  window.show();
  return app.exec();
}
