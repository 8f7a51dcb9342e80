// Shows the shell's pieces on their own: the on-screen keyboard, the password dialogs, a skin
// drawn over the players panel's layout, and a sample of dialog captions in a language.
//
//   spinwave-shell-demo keyboard|password|change-password [shot.png]
//   spinwave-shell-demo skin NAME|<Default> [shot.png]
//   spinwave-shell-demo language NAME [shot.png]
// With a file name the window is saved as a picture instead of shown (works offscreen).
#include <cstdio>
#include <cstring>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/LanguageFile.h"
#include "app/SkinFile.h"
#include "controls/TTouchBoard.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "options/PasswordDialogs.h"

using namespace spinwave;

namespace {

// The players panel's layout with a skin's pictures and colours: pictures where the skin has
// them, outlined places with the control's name elsewhere.
class SkinPreview : public QWidget {
 public:
  explicit SkinPreview(SkinDescription skin) : skin_(std::move(skin)) {
    const QImage panel = skin_.PictureFor("PlayersPanel");
    const QImage audio = skin_.PictureFor("AudioCtrlPanel");
    panelSize_ = panel.isNull() ? QSize(760, 150) : panel.size();
    audioHeight_ = audio.isNull() ? 60 : audio.height();
    setFixedSize(panelSize_.width(), panelSize_.height() + audioHeight_);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), skin_.Colour("FormColor"));
    const QImage panel = skin_.PictureFor("PlayersPanel");
    if (!panel.isNull()) p.drawImage(0, 0, panel);
    const QImage audio = skin_.PictureFor("AudioCtrlPanel");
    if (!audio.isNull()) p.drawImage(0, panelSize_.height(), audio);
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    for (const SkinPosition& pos : skin_.positions) {
      QRect r = pos.rect;
      if (std::strcmp(pos.section, "AudioCtrl") == 0) r.translate(0, panelSize_.height());
      const std::string key = pos.key;
      const char deck = key.back();
      const std::string twin = key.substr(0, key.size() - 1) + "1";
      if (key.rfind("Time", 0) == 0) {
        p.setPen(skin_.Colour("TimeOnColor"));
        QFont lcd = font();
        lcd.setPixelSize(18);
        lcd.setBold(true);
        p.setFont(lcd);
        p.drawText(TimeDisplayPlace(r, 0) + QPoint(0, 18), QStringLiteral("- 3"));
        p.drawText(TimeDisplayPlace(r, 1) + QPoint(0, 18), QStringLiteral("25"));
        p.setFont(small);
        continue;
      }
      QImage glyph = skin_.PictureFor(key + ":off");
      if (glyph.isNull() && (deck == '2')) glyph = skin_.PictureFor(twin + ":off");
      if (!glyph.isNull()) {
        p.drawImage(r.topLeft(), glyph);
        continue;
      }
      if (pos.sized && key.rfind("VU", 0) == 0) {
        const int bar = skin_.vuLedSize;
        for (int y = r.bottom() - bar; y > r.top() + r.height() / 3; y -= bar + 1)
          p.fillRect(QRect(r.left(), y, r.width(), bar),
                     y < r.top() + r.height() / 2 ? skin_.Colour("VULedColorMid") : skin_.Colour("VULedColorLow"));
        continue;
      }
      if (pos.sized && key.rfind("PitchInfo", 0) != 0 &&
          (key.rfind("Slider", 0) == 0 || key.rfind("Pitch", 0) == 0 ||
                        key.rfind("Volume", 0) == 0 || key == "CrossSlider")) {
        const QImage back = skin_.BackgroundUnder(pos.rect);
        if (!back.isNull()) p.drawImage(r.topLeft(), back);
        p.setPen(QColor(255, 255, 255, 60));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        const std::string thumbKey = key.rfind("Slider", 0) == 0 ? "Slider1:thumb"
                                     : key.rfind("Pitch", 0) == 0 ? "Pitch1:thumb"
                                                                 : "Volume1:thumb";
        const QImage thumb = skin_.PictureFor(thumbKey);
        if (!thumb.isNull()) p.drawImage(r.center() - QPoint(thumb.width() / 2, thumb.height() / 2), thumb);
        continue;
      }
      if (pos.sized && key.find("Pos") != std::string::npos) {
        const int bar = skin_.posLedSize;
        for (int x = r.left(); x < r.left() + r.width() * 2 / 3; x += bar + 1)
          p.fillRect(QRect(x, r.top(), bar, r.height()), skin_.Colour("PosLedColorLow"));
        continue;
      }
      if (!pos.sized) r.setSize(QSize(36, 22));
      p.setPen(skin_.Colour("FormTextColor"));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      p.drawText(r, Qt::AlignCenter, QString::fromLatin1(pos.key));
    }
    if (!skin_.problems.isEmpty()) {
      p.setPen(Qt::yellow);
      p.drawText(QRect(4, height() - 16, width() - 8, 14), Qt::AlignLeft, skin_.problems.first());
    }
  }

 private:
  SkinDescription skin_;
  QSize panelSize_;
  int audioHeight_ = 60;
};

// A few options captions, as the options dialog has them.
QWidget* LanguageSample() {
  auto* options = new QWidget;
  options->setObjectName(QStringLiteral("Options"));
  options->setWindowTitle(QStringLiteral("Options"));
  auto* v = new QVBoxLayout(options);
  auto* tabs = new QTabWidget(options);
  v->addWidget(tabs);
  const char* pages[][2] = {{"GeneralOpt", "General"}, {"OutputOpt", "Output"},
                            {"PlayersOpt", "Players"}, {"PlaylistOpt", "Playlist"},
                            {"SecurityOpt", "Security"}};
  QWidget* general = nullptr;
  for (const auto& page : pages) {
    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(page[0]));
    tabs->addTab(w, QString::fromLatin1(page[1]));
    if (!general) general = w;
  }
  auto* g = new QVBoxLayout(general);
  auto* startup = new QGroupBox(QStringLiteral(" On Startup "), general);
  startup->setObjectName(QStringLiteral("OnStartup"));
  auto* s = new QVBoxLayout(startup);
  for (const char* key : {"FullScrMode", "StartMaximized", "WinSizeable", "StartMix", "ShowBrowser"}) {
    auto* box = new QCheckBox(QString::fromLatin1(key), startup);
    box->setObjectName(QString::fromLatin1(key));
    s->addWidget(box);
  }
  g->addWidget(startup);
  auto* close = new QGroupBox(QStringLiteral(" On Close "), general);
  close->setObjectName(QStringLiteral("OnClose"));
  auto* c = new QVBoxLayout(close);
  auto* safe = new QCheckBox(QStringLiteral("SafeClose"), close);
  safe->setObjectName(QStringLiteral("SafeClose"));
  c->addWidget(safe);
  g->addWidget(close);
  auto* cant = new QLabel(options);
  cant->setObjectName(QStringLiteral("MessageSample"));
  v->addWidget(cant);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), options);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  v->addWidget(cancel, 0, Qt::AlignRight);
  return options;
}

int Finish(QWidget* w, const char* shot) {
  if (!shot) {
    w->show();
    return qApp->exec();
  }
  w->show();
  QApplication::processEvents();
  const bool ok = w->grab().save(QString::fromLocal8Bit(shot));
  if (!ok) std::fprintf(stderr, "could not save %s\n", shot);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: spinwave-shell-demo keyboard|password|change-password [shot.png]\n"
                 "       spinwave-shell-demo skin NAME [shot.png]\n"
                 "       spinwave-shell-demo language NAME [shot.png]\n");
    return 2;
  }
  const std::string what = argv[1];
  if (what == "keyboard") {
    TTouchBoard board;
    board.KBLayoutChange(QStringLiteral("qwerty uk"));
    board.SelectLayout(QStringLiteral("qwerty uk"));
    board.show();
    board.TheBoard()->PressKey(1, 3);
    board.TheBoard()->PressKey(1, 2);
    board.TheBoard()->PressKey(1, 2);
    board.TheBoard()->PressKey(0, 12);
    board.TheBoard()->PressKey(2, 3);
    return Finish(&board, argc > 2 ? argv[2] : nullptr);
  }
  if (what == "password" || what == "change-password") {
    PasswordStore store;
    std::unique_ptr<QDialog> dialog;
    if (what == "password")
      dialog = std::make_unique<TPassword>(store);
    else
      dialog = std::make_unique<TChangePassword>(store);
    dialog->show();
    if (auto* field = dialog->findChild<QLineEdit*>()) field->setText(QStringLiteral("secret"));
    return Finish(dialog.get(), argc > 2 ? argv[2] : nullptr);
  }
  if (what == "skin" && argc > 2) {
    TSettingsFile settings;
    const std::string folder = SkinFolderOf(QString::fromLocal8Bit(argv[2]));
    SkinPreview preview(ReadSkin(folder, settings));
    preview.setWindowTitle(QStringLiteral("Skin: ") + QString::fromLocal8Bit(argv[2]));
    return Finish(&preview, argc > 3 ? argv[3] : nullptr);
  }
  if (what == "language" && argc > 2) {
    std::unique_ptr<QWidget> sample(LanguageSample());
    // English first, so every caption is the built-in one, then the language.
    TLanguage language;
    LanguageForms forms;
    forms.options = sample.get();
    language.Apply(QStringLiteral("English"), forms);
    if (!language.Apply(QString::fromLocal8Bit(argv[2]), forms))
      std::fprintf(stderr, "no language file %s.lng\n", argv[2]);
    sample->findChild<QLabel*>(QStringLiteral("MessageSample"))
        ->setText(QString::fromStdString(LangText("CantClose")));
    return Finish(sample.get(), argc > 3 ? argv[3] : nullptr);
  }
  std::fprintf(stderr, "unknown demo %s\n", what.c_str());
  return 2;
}
