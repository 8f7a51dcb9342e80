// One deck on screen: its time displays, level meters, position bar and sliders and its
// transport buttons bound to a deck entry that plays the file given on the command line
// through the default output (SPINWAVE_OUTPUT=nosound: time runs, nothing is heard).
//
//   deck-demo FILE                      play with the controls
//   deck-demo FILE --screenshot OUT.png plays 2.5 s without a display, saves a picture, exits
//
// Controls: PLAY toggles play and pause (right button: vinyl stop), STOP returns to the cue
// point, SET/CUE set and return to the cue point, << >> frame search while held, + - bend the
// pitch while held, FADE fades out (or in from pause), clicking a time display switches
// between remaining and elapsed time, clicking the position bar seeks.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

using namespace spinwave;

namespace {

// A 44 x 20 glyph with a caption, brighter when `on`.
QPixmap Glyph(const QString& caption, bool on) {
  QPixmap p(44, 20);
  p.fill(on ? QColor(40, 110, 40) : QColor(52, 54, 60));
  QPainter painter(&p);
  QFont font = painter.font();
  font.setPixelSize(10);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(on ? QColor(170, 255, 170) : QColor(215, 215, 215));
  painter.drawText(p.rect(), Qt::AlignCenter, caption);
  return p;
}

TEMButton* Button(QWidget* parent, const QString& caption, int x, int y) {
  auto* b = new TEMButton(parent);
  b->SetGlyphOff(Glyph(caption, false));
  b->SetGlyphOn(Glyph(caption, true));
  b->move(x, y);
  return b;
}

QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int w) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 16);
  l->setStyleSheet(QStringLiteral("color: #b8c0d0;"));
  return l;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  QString screenshot;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshot = QString::fromLocal8Bit(argv[++i]);
      if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
      file = argv[i];
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: deck-demo FILE [--screenshot OUT.png]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const bool shot = !screenshot.isEmpty();

  QWidget window;
  window.setWindowTitle(QStringLiteral("Spinwave deck"));
  window.resize(520, 250);
  window.setAutoFillBackground(true);
  QPalette pal = window.palette();
  pal.setColor(QPalette::Window, QColor(24, 27, 36));
  window.setPalette(pal);

  auto* minutes = new TEMLCD(&window);
  minutes->setGeometry(16, 8, 84, 42);
  minutes->SetDigitNum(3);
  auto* seconds = new TEMLCD(&window);
  seconds->setGeometry(104, 8, 56, 42);
  auto* fractions = new TEMLCD(&window);
  fractions->setGeometry(164, 28, 51, 22);
  fractions->SetDigitNum(3);
  auto* vuLeft = new TRLed(&window);
  vuLeft->setGeometry(440, 16, 16, 150);
  vuLeft->SetBarSize(4);
  auto* vuRight = new TRLed(&window);
  vuRight->setGeometry(460, 16, 16, 150);
  vuRight->SetBarSize(4);
  auto* position = new TRLed(&window);
  position->setGeometry(16, 56, 400, 12);
  position->SetOrientation(trHorizontal);
  position->SetBarSize(4);
  auto* positionSlider = new TEMSlider(&window);
  positionSlider->setGeometry(16, 74, 400, 24);
  auto* pitchSlider = new TEMSlider(&window);
  pitchSlider->setGeometry(484, 16, 24, 150);
  pitchSlider->SetOrientation(soVertical);
  pitchSlider->SetRange(92000, 108000);
  pitchSlider->SetValue(100000);
  auto* volumeSlider = new TEMSlider(&window);
  volumeSlider->setGeometry(16, 104, 200, 24);
  volumeSlider->SetValue(255);
  auto* pitchLabel = Caption(&window, QString(), 440, 172, 70);
  pitchLabel->setAlignment(Qt::AlignRight);
  auto* introLabel = Caption(&window, QStringLiteral("0:00"), 262, 30, 50);
  Caption(&window, QStringLiteral("intro"), 226, 30, 36);
  Caption(&window, QStringLiteral("volume"), 222, 108, 60);
  Caption(&window, QStringLiteral("pitch %"), 440, 190, 70)->setAlignment(Qt::AlignRight);
  Caption(&window, QFileInfo(QString::fromStdString(file)).fileName(), 226, 10, 200);

  const int by = 140;
  auto* play = Button(&window, QStringLiteral("PLAY"), 16, by);
  auto* stop = Button(&window, QStringLiteral("STOP"), 66, by);
  auto* setCue = Button(&window, QStringLiteral("SET"), 116, by);
  auto* toCue = Button(&window, QStringLiteral("CUE"), 166, by);
  auto* searchBack = Button(&window, QStringLiteral("<<"), 216, by);
  auto* searchForw = Button(&window, QStringLiteral(">>"), 266, by);
  auto* fade = Button(&window, QStringLiteral("FADE"), 316, by);
  auto* pitchUp = Button(&window, QStringLiteral("+"), 366, by);
  auto* pitchDown = Button(&window, QStringLiteral("-"), 366, by + 26);
  auto* vinyl = Button(&window, QStringLiteral("VINYL"), 16, by + 26);
  Caption(&window, QStringLiteral("right-click PLAY: vinyl stop; click a time display: "
                                  "remaining / elapsed"),
          16, 200, 420);
  auto* status = Caption(&window, QString(), 16, 220, 420);

  TFMODJingle deck(QStringLiteral("Player1"));
  deck.SetBlockAtOpening(true);
  deck.SetMaxChannels(2);
  deck.Init("fmod.dll");
  // The screenshot mixes by hand, so it looks the same on every machine.
  deck.SetOutputType(shot ? FSOUND_OUTPUT_NOSOUND_NONREALTIME : DIRECTSOUND);
  deck.SetOutput();
  const int entry = deck.AddFileEntry(vuLeft, vuRight, position, minutes, seconds, fractions,
                                      positionSlider, pitchSlider, volumeSlider, play, stop,
                                      setCue, toCue, searchBack, searchForw, fade, pitchUp,
                                      pitchDown, pitchLabel, introLabel);
  deck.SetBlinkTime(true, entry);
  // The right button on PLAY brakes the record to a halt, as on the console.
  play->OnMouseDown = [&](TEMButton*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
    if (button == Qt::RightButton) deck.VinylStop(250, entry);
  };
  vinyl->OnClick = [&](TEMButton*) { deck.VinylStop(250, entry); };
  deck.OnNotifyFileState = [&](FMOD_File* f, TFileState state, int) {
    static const char* const names[] = {"stopped", "playing", "paused", "ended", "searching",
                                        "fading", "cue stop", "opened", "opening", "open failed"};
    status->setText(QStringLiteral("%1  (cue %2 ms)")
                        .arg(QString::fromLatin1(names[state]))
                        .arg(f->CuePoint));
  };

  const int length = deck.OpenFile(file, entry);
  if (length <= 0) {
    ShowMessage("Couldn't open file: " + file);
    return 1;
  }
  if (!shot) {
    deck.Play(entry);
    window.show();
    return app.exec();
  }

  TFMODJingle::SetClockManual(true);
  deck.GetFileEntry(entry)->IntroTime = 12;
  window.show();
  deck.Play(entry);
  pitchSlider->SetValue(102500);
  for (int ms = 0; ms < 2500; ms += 10) {
    deck.Library()->WaitForDecoders(5000);
    deck.Library()->Update(10);
    TFMODJingle::NotifyTimerTime();
  }
  app.processEvents();
  if (!window.grab().save(screenshot)) {
    std::fprintf(stderr, "could not save %s\n", screenshot.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
