// Draws the shipped "Midnight" skin: the panel pictures, button glyphs and slider thumbs, and
// writes its skin.ini and pos.ini. The pictures are our own, drawn here, so the skin can be
// made again or changed by editing this program.
//
//   QT_QPA_PLATFORM=offscreen spinwave-skin-maker share/skins/Midnight
#include <cstdio>
#include <string>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(12, 18, 34);
const QColor kPanelTop(26, 36, 64);
const QColor kPanelBottom(10, 14, 28);
const QColor kAccent(70, 170, 230);

bool Save(const QImage& image, const QString& folder, const QString& name) {
  const bool ok = image.save(folder + QLatin1Char('/') + name);
  if (!ok) std::fprintf(stderr, "could not write %s\n", qPrintable(name));
  return ok;
}

QImage Panel(int w, int h, bool decks) {
  QImage image(w, h, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, kPanelTop);
  g.setColorAt(1, kPanelBottom);
  p.fillRect(image.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 90, 140), 1));
  p.setBrush(QColor(255, 255, 255, 10));
  if (decks) {
    p.drawRoundedRect(QRectF(24.5, 3.5, 300, h - 8), 8, 8);    // left deck
    p.drawRoundedRect(QRectF(433.5, 3.5, 300, h - 8), 8, 8);   // right deck
    p.drawRoundedRect(QRectF(332.5, 3.5, 94, h - 8), 8, 8);    // volumes in the middle
  } else {
    p.drawRoundedRect(QRectF(300.5, 2.5, 160, h - 6), 8, 8);
  }
  // A faint line pattern, so cut-out slider backgrounds show that they come from the panel.
  p.setPen(QPen(QColor(255, 255, 255, 12), 1));
  for (int x = 0; x < w; x += 6) p.drawLine(x, 0, x, h);
  return image;
}

// A button glyph: rounded face with a symbol, lit or not.
QImage Glyph(int w, int h, const QString& symbol, bool lit, const QColor& light) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kInk);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, lit ? light.lighter(130) : QColor(54, 64, 88));
  g.setColorAt(1, lit ? light.darker(160) : QColor(28, 34, 50));
  p.setPen(QPen(lit ? light.lighter(170) : QColor(80, 96, 130), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
  p.setPen(Qt::NoPen);
  p.setBrush(lit ? QColor(250, 250, 255) : QColor(190, 205, 230));
  const QPointF c(w / 2.0, h / 2.0);
  QPainterPath path;
  auto triangle = [&](double dx, double dir) {
    path.moveTo(c.x() + dx - 4 * dir, c.y() - 5);
    path.lineTo(c.x() + dx + 4 * dir, c.y());
    path.lineTo(c.x() + dx - 4 * dir, c.y() + 5);
    path.closeSubpath();
  };
  if (symbol == "play") {
    triangle(1, 1);
  } else if (symbol == "stop") {
    path.addRect(c.x() - 5, c.y() - 5, 10, 10);
  } else if (symbol == "next") {
    triangle(-3, 1);
    path.addRect(c.x() + 3, c.y() - 5, 2, 10);
  } else if (symbol == "prev") {
    triangle(3, -1);
    path.addRect(c.x() - 5, c.y() - 5, 2, 10);
  } else if (symbol == "ffwd") {
    triangle(-3, 1);
    triangle(4, 1);
  } else if (symbol == "rew") {
    triangle(3, -1);
    triangle(-4, -1);
  } else if (symbol == "up") {
    path.moveTo(c.x() - 5, c.y() + 3);
    path.lineTo(c.x(), c.y() - 4);
    path.lineTo(c.x() + 5, c.y() + 3);
    path.closeSubpath();
  } else if (symbol == "down") {
    path.moveTo(c.x() - 5, c.y() - 3);
    path.lineTo(c.x(), c.y() + 4);
    path.lineTo(c.x() + 5, c.y() - 3);
    path.closeSubpath();
  } else if (symbol == "eject") {
    path.moveTo(c.x() - 5, c.y() + 1);
    path.lineTo(c.x(), c.y() - 5);
    path.lineTo(c.x() + 5, c.y() + 1);
    path.closeSubpath();
    path.addRect(c.x() - 5, c.y() + 3, 10, 2);
  }
  p.drawPath(path);
  if (path.isEmpty()) {  // a text glyph
    QFont f = p.font();
    // Letters stacked one per line (the narrow talkover button) take a smaller size.
    f.setPixelSize(symbol.contains(QLatin1Char('\n')) ? 9 : 10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(lit ? QColor(255, 255, 255) : QColor(200, 214, 236));
    p.drawText(image.rect(), Qt::AlignCenter, symbol);
  }
  return image;
}

QImage Thumb(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kInk);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, w, h);
  g.setColorAt(0, QColor(200, 230, 255));
  g.setColorAt(1, kAccent.darker(140));
  p.setPen(QPen(QColor(20, 40, 70), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 2, 2);
  p.setPen(QPen(QColor(20, 40, 70), 1));
  if (w > h)
    p.drawLine(QPointF(2, h / 2.0), QPointF(w - 2, h / 2.0));
  else
    p.drawLine(QPointF(w / 2.0, 2), QPointF(w / 2.0, h - 2));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: spinwave-skin-maker FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  bool ok = Save(Panel(760, 150, true), folder, "players.png");
  ok = Save(Panel(760, 60, false), folder, "audioctrl.png") && ok;
  const QColor play(60, 180, 110), stop(210, 80, 90), grey(90, 120, 170);
  const struct {
    const char* file;
    int w, h;
    const char* symbol;
    bool lit;
    QColor light;
  } glyphs[] = {
      {"play_on.png", 40, 28, "play", true, play},   {"play_off.png", 40, 28, "play", false, play},
      {"stop_on.png", 40, 28, "stop", true, stop},   {"stop_off.png", 40, 28, "stop", false, stop},
      {"prev.png", 40, 28, "prev", false, grey},     {"next.png", 40, 28, "next", false, grey},
      {"setcue.png", 38, 28, "SET", false, grey},    {"tocue.png", 38, 28, "CUE", false, grey},
      {"rew.png", 38, 28, "rew", false, grey},       {"ffwd.png", 38, 28, "ffwd", false, grey},
      {"fade.png", 44, 28, "FADE", false, grey},     {"pitchdown.png", 22, 22, "down", false, grey},
      {"pitchup.png", 22, 22, "up", false, grey},    {"eject.png", 30, 30, "eject", false, grey},
      // The talkover button stands between the two decks' meters: narrow and tall.
      {"talk.png", 12, 44, "T\nA\nL\nK", false, grey},
  };
  for (const auto& g : glyphs) ok = Save(Glyph(g.w, g.h, g.symbol, g.lit, g.light), folder, g.file) && ok;
  ok = Save(Thumb(9, 17), folder, "cuethumb.png") && ok;
  ok = Save(Thumb(17, 9), folder, "volumethumb.png") && ok;
  ok = Save(Thumb(29, 9), folder, "pitchthumb.png") && ok;

  QFile skin(folder + "/skin.ini");
  ok = skin.open(QIODevice::WriteOnly | QIODevice::Truncate) && ok;
  skin.write("PlayersPanel=players.png\r\nAudioCtrlPanel=audioctrl.png\r\n"
             "PlayButtonOn=play_on.png\r\nPlayButtonOff=play_off.png\r\n"
             "StopButtonOn=stop_on.png\r\nStopButtonOff=stop_off.png\r\n"
             "TrackBButton=prev.png\r\nTrackFButton=next.png\r\n"
             "SetButton=setcue.png\r\nCueButton=tocue.png\r\n"
             "CuePosBButton=rew.png\r\nCuePosFButton=ffwd.png\r\nFadeButton=fade.png\r\n"
             "PitchDownButton=pitchdown.png\r\nPitchUpButton=pitchup.png\r\nEjectButton=eject.png\r\n"
             "TalkBtn=talk.png\r\nCuePointThumb=cuethumb.png\r\nVolumeThumb=volumethumb.png\r\n"
             "PitchThumb=pitchthumb.png\r\n"
             "PlayBtnLightColor=3CB46E\r\nPlayBtnShadeColor=123A24\r\n"
             "StopBtnLightColor=D2505A\r\nStopBtnShadeColor=40161A\r\n"
             "PosLedColorHi=FF4060\r\nPosLedColorMid=40C0FF\r\nPosLedColorLow=2080E0\r\n"
             "VULedColorHi=FF4060\r\nVULedColorMid=FFD040\r\nVULedColorLow=40E0A0\r\n"
             "VULedSize=3\r\nPosLedSize=5\r\n"
             "TimeOnColor=8FE0FF\r\nTimeOffColor=1A2A40\r\nAutoXFadeColor=8FE0FF\r\n"
             "FormColor=0A0E1C\r\nFormTextColor=B0C8F0\r\nListColor=0C1226\r\nListTextColor=D8E6FF\r\n"
             "ListArrowColor=46AAE6\r\nListFixedColor=1A2440\r\nListFixedTextColor=8FE0FF\r\n"
             "ListSelectTextColor=FFFFFF\r\nListSelectBgColor=24508C\r\n");
  skin.close();

  QFile pos(folder + "/pos.ini");
  ok = pos.open(QIODevice::WriteOnly | QIODevice::Truncate) && ok;
  // Midnight keeps the built-in layout but for the play and stop buttons, which are larger.
  pos.write("; Positions: top,left[,width,height] of the console's deck controls.\r\n"
            "[Players]\r\nStop1=78,200\r\nPlay1=78,244\r\nStop2=78,609\r\nPlay2=78,653\r\n"
            "[AudioCtrl]\r\nCrossSlider=12,325,109,35\r\n");
  pos.close();
  return ok ? 0 : 1;
}
