#include "app/PlayersPanel.h"

#include <QMouseEvent>

#include "app/PanelArt.h"
#include "engine/DeckEntry.h"

namespace spinwave {

namespace {

// The deck panel's picture and the audio-control panel below it.
constexpr int kPanelWidth = 760;
constexpr int kPanelHeight = 145;
constexpr int kAudioCtrlHeight = 64;

// Sizes of the controls whose place has none (top, left only).
constexpr QSize kTransportSize(38, 20);   // cue, search, track, fade
constexpr QSize kPlayStopSize(40, 30);
constexpr QSize kEjectSize(34, 16);
constexpr QSize kPitchButtonSize(22, 20);
constexpr QSize kKeyLockSize(46, 15);
constexpr QSize kTalkoverSize(13, 44);
constexpr QSize kLampSize(12, 13);
constexpr QSize kMinutesSize(44, 26);
constexpr QSize kSecondsSize(36, 26);
constexpr QSize kFractionsSize(30, 13);

}  // namespace

const std::vector<ControlPlace>& BuiltInPlayersPlaces() {
  static const std::vector<ControlPlace> places = {
      {"Talkover", 16, 373, 0, 0},        {"Talking", 2, 374, 0, 0},
      {"Artist1", 10, 78, 149, 13},       {"Title1", 22, 78, 149, 13},
      {"Intro1", 44, 80, 21, 13},         {"Outro1", 58, 80, 21, 13},
      {"PitchInfo1", 8, 238, 42, 13},     {"Pitch1", 9, 292, 29, 121},
      {"P1Pos", 81, 30, 165, 9},          {"Slider1", 94, 31, 163, 17},
      {"VU1L", 13, 337, 8, 101},          {"Volume1", 13, 346, 17, 101},
      {"VU1R", 13, 364, 8, 101},          {"Eject1", 7, 39, 0, 0},
      {"Active1", 48, 39, 0, 0},          {"Time1", 48, 109, 0, 0},
      {"PitchDown1", 38, 238, 0, 0},      {"PitchUp1", 38, 262, 0, 0},
      {"Stop1", 81, 202, 0, 0},           {"Play1", 81, 245, 0, 0},
      {"SetCue1", 118, 32, 0, 0},         {"ToCue1", 118, 73, 0, 0},
      {"SearchBack1", 118, 114, 0, 0},    {"SearchForw1", 118, 155, 0, 0},
      {"TrackBack1", 118, 202, 0, 0},     {"TrackForw1", 118, 245, 0, 0},
      {"Fade1", 118, 337, 0, 0},          {"Artist2", 10, 488, 149, 13},
      {"Title2", 22, 488, 149, 13},       {"Intro2", 44, 490, 21, 13},
      {"Outro2", 58, 490, 21, 13},        {"PitchInfo2", 8, 647, 42, 13},
      {"Pitch2", 9, 701, 29, 121},        {"P2Pos", 81, 439, 165, 9},
      {"Slider2", 94, 440, 163, 17},      {"VU2L", 13, 387, 8, 101},
      {"Volume2", 13, 396, 17, 101},      {"VU2R", 13, 414, 8, 101},
      {"Eject2", 7, 448, 0, 0},           {"Active2", 48, 448, 0, 0},
      {"Time2", 48, 519, 0, 0},           {"PitchDown2", 38, 647, 0, 0},
      {"PitchUp2", 38, 671, 0, 0},        {"Stop2", 81, 611, 0, 0},
      {"Play2", 81, 654, 0, 0},           {"SetCue2", 118, 441, 0, 0},
      {"ToCue2", 118, 482, 0, 0},         {"SearchBack2", 118, 523, 0, 0},
      {"SearchForw2", 118, 564, 0, 0},    {"TrackBack2", 118, 611, 0, 0},
      {"TrackForw2", 118, 654, 0, 0},     {"Fade2", 118, 386, 0, 0},
      {"KeyLock1", 22, 238, 0, 0},        {"KeyLock2", 22, 647, 0, 0},
  };
  return places;
}

const std::vector<ControlPlace>& BuiltInAudioCtrlPlaces() {
  static const std::vector<ControlPlace> places = {
      {"CrossSlider", 6, 325, 109, 35},
      {"AutoCross", 42, 325, 0, 0},
  };
  return places;
}

const ControlPlace* PlayersPanel::Find(const std::vector<ControlPlace>& places,
                                       const QString& name) const {
  for (const ControlPlace& p : places)
    if (name == QLatin1String(p.name)) return &p;
  return nullptr;
}

QRect PlayersPanel::PlaceOf(const QString& name) const {
  const QWidget* w = findChild<QWidget*>(name);
  return w ? QRect(w->mapTo(this, QPoint(0, 0)), w->size()) : QRect();
}

void PlayersPanel::Place(QWidget* w, const ControlPlace& place) {
  w->setObjectName(QLatin1String(place.name));
  w->move(place.left, place.top);
  if (place.width > 0 && place.height > 0) w->resize(place.width, place.height);
}

PlayersPanel::PlayersPanel(QWidget* parent)
    : TImagePanel(parent), panelSize_(kPanelWidth, kPanelHeight), audioHeight_(kAudioCtrlHeight) {
  setObjectName(QStringLiteral("PlayersPanel"));
  // Plates behind deck 1, the meters between the decks and deck 2.
  SetImage(art::PlayersPicture(QSize(kPanelWidth, kPanelHeight),
                               {QRect(24, 3, 304, 139), QRect(332, 3, 96, 139),
                                QRect(433, 3, 304, 139)}));
  SetColor(art::kBackground);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, art::kText);
  setPalette(pal);
  BuildDeck(0);
  BuildDeck(1);

  talkover_ = new TEMButton(this);
  talkover_->SetGlyphOff(art::Glyph(art::Symbol::Talk, kTalkoverSize - QSize(2, 2), false));
  talkover_->SetGlyphOn(
      art::Glyph(art::Symbol::Talk, kTalkoverSize - QSize(2, 2), true, QColor(240, 180, 60)));
  Place(talkover_, *Find(BuiltInPlayersPlaces(), QStringLiteral("Talkover")));
  talkover_->setToolTip(QStringLiteral("Talkover (with the microphone input)"));
  talkover_->setEnabled(false);  // until the microphone input is connected
  talkover_->OnClick = [this](TEMButton*) { emit talkoverClicked(); };
  talking_ = new TEMLed(this);
  talking_->resize(kLampSize);
  talking_->SetTransparent(true);
  Place(talking_, *Find(BuiltInPlayersPlaces(), QStringLiteral("Talking")));
  talking_->setToolTip(QStringLiteral("Talking"));

  BuildAudioCtrl();
  for (int d = 0; d < 2; ++d)
    for (TRLed* meter : {decks_[d].set.vuLeft, decks_[d].set.vuRight}) peaks_.AddMeter(meter);
  ShowAudioCtrl(false);
}

void PlayersPanel::BuildDeck(int d) {
  Deck& deck = decks_[d];
  DeckControlSet& s = deck.set;
  const QString n = QString::number(d + 1);
  const auto& places = BuiltInPlayersPlaces();
  auto place = [&](QWidget* w, const char* stem) { Place(w, *Find(places, stem + n)); };

  auto label = [&](const char* stem, const QColor& color, int pixel, bool bold) {
    auto* l = new QLabel(this);
    place(l, stem);
    QFont f = l->font();
    f.setPixelSize(pixel);
    f.setBold(bold);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    return l;
  };
  deck.artist = label("Artist", art::kArtistText, 11, true);
  deck.title = label("Title", art::kTitleText, 11, false);
  deck.intro = label("Intro", art::kAccent, 9, false);
  deck.outro = label("Outro", art::kAccent, 9, false);
  deck.intro->setText(QStringLiteral("0:00"));
  deck.outro->setText(QStringLiteral("0:00"));
  deck.intro->setToolTip(QStringLiteral("Intro"));
  deck.outro->setToolTip(QStringLiteral("Outro"));
  s.introLabel = deck.intro;
  s.pitchLabel = label("PitchInfo", art::kAccent, 10, true);
  s.pitchLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  s.pitchLabel->setText(QStringLiteral("0.000"));
  // The small captions of the displays.
  for (auto [text, x, y] : {std::tuple{"IN", 58, 44}, std::tuple{"OUT", 56, 58}}) {
    auto* c = new QLabel(QString::fromLatin1(text), this);
    c->setGeometry(x + (d == 1 ? 410 : 0), y, 22, 13);
    QFont f = c->font();
    f.setPixelSize(8);
    c->setFont(f);
  }

  auto meter = [&](const QString& name) {
    auto* m = new TRLed(this);
    m->SetBackColor(QColor(10, 11, 14));
    Place(m, *Find(places, name));
    m->SetBarSize(3);
    return m;
  };
  s.vuLeft = meter(QStringLiteral("VU%1L").arg(d + 1));
  s.vuRight = meter(QStringLiteral("VU%1R").arg(d + 1));
  s.vuLeft->SetPeaksFall(true);
  s.vuRight->SetPeaksFall(true);
  s.position = new TRLed(this);
  s.position->SetOrientation(trHorizontal);
  s.position->SetBackColor(QColor(10, 11, 14));
  Place(s.position, *Find(places, QStringLiteral("P%1Pos").arg(d + 1)));
  s.position->SetBarSize(3);

  // Time: minutes, seconds and fractions from one point (T, L), and the ":" between them.
  const ControlPlace& time = *Find(places, QStringLiteral("Time") + n);
  s.minutes = new TEMLCD(this);
  s.minutes->setObjectName(QStringLiteral("Minutes") + n);
  s.minutes->SetDigitNum(3);
  s.minutes->setGeometry(time.left, time.top, kMinutesSize.width(), kMinutesSize.height());
  s.minutes->SetValue(QStringLiteral("- 0"));
  s.seconds = new TEMLCD(this);
  s.seconds->setObjectName(QStringLiteral("Seconds") + n);
  s.seconds->SetDigitNum(2);
  s.seconds->setGeometry(time.left + 57, time.top, kSecondsSize.width(), kSecondsSize.height());
  s.seconds->SetValue(QStringLiteral("00"));
  s.fractions = new TEMLCD(this);
  s.fractions->setObjectName(QStringLiteral("Fractions") + n);
  s.fractions->SetDigitNum(3);
  s.fractions->SetSegmentWidth(1);
  s.fractions->SetGapX(1);
  s.fractions->SetGapY(1);
  s.fractions->SetDigitSpacing(2);
  s.fractions->setGeometry(time.left + 94, time.top + 13, kFractionsSize.width(),
                           kFractionsSize.height());
  s.fractions->SetValue(QStringLiteral("000"));
  s.minutes->SetSegmentWidth(3);
  s.seconds->SetSegmentWidth(3);
  for (TEMLCD* lcd : {s.minutes, s.seconds, s.fractions}) {
    lcd->SetColor(QColor(8, 12, 10));
    lcd->SetOffColor(QColor(16, 34, 20));
    lcd->setToolTip(QStringLiteral("Click: remaining or elapsed time"));
  }
  deck.timeLabel = new QLabel(QStringLiteral(":"), this);
  deck.timeLabel->setObjectName(QStringLiteral("TimeLabel") + n);
  deck.timeLabel->setGeometry(time.left + 45, time.top - 8, 12, 36);
  {
    QFont f = deck.timeLabel->font();
    f.setPixelSize(24);
    f.setBold(true);
    deck.timeLabel->setFont(f);
    QPalette pal = deck.timeLabel->palette();
    pal.setColor(QPalette::WindowText, s.minutes->OnColor());
    deck.timeLabel->setPalette(pal);
    deck.timeLabel->setAlignment(Qt::AlignCenter);
  }

  auto slider = [&](const char* stem, TSliderOrientation o) {
    auto* sl = new TEMSlider(this);
    sl->SetOrientation(o);
    place(sl, stem);
    return sl;
  };
  s.positionSlider = slider("Slider", soHorizontal);
  s.positionSlider->SetRange(0, 0);
  s.positionSlider->setToolTip(QStringLiteral("Cue point"));
  s.pitchSlider = slider("Pitch", soVertical);
  s.pitchSlider->SetRange(92000, 108000);
  s.pitchSlider->SetValue(100000);
  s.pitchSlider->setToolTip(QStringLiteral("Pitch (double-click: normal speed)"));
  s.pitchSlider->OnDblClick = [this, d](TEMSlider*) { emit pitchDoubleClicked(d); };
  s.volumeSlider = slider("Volume", soVertical);
  s.volumeSlider->SetRange(0, 255);
  s.volumeSlider->SetValue(255);
  s.volumeSlider->setToolTip(QStringLiteral("Volume"));

  auto button = [&](const char* stem, art::Symbol symbol, QSize size, const QColor& lit,
                    const char* tip) {
    auto* b = new TEMButton(this);
    b->SetGlyphOff(art::Glyph(symbol, size - QSize(2, 2), false, lit));
    b->SetGlyphOn(art::Glyph(symbol, size - QSize(2, 2), true, lit));
    place(b, stem);
    b->setToolTip(QString::fromLatin1(tip));
    return b;
  };
  const QColor green(80, 200, 90), red(225, 80, 80), grey(170, 176, 190);
  s.play = button("Play", art::Symbol::Play, kPlayStopSize, green,
                  "Play / pause (right button: vinyl stop)");
  s.stop = button("Stop", art::Symbol::Stop, kPlayStopSize, red, "Stop at the cue point");
  s.setCue = button("SetCue", art::Symbol::SetCue, kTransportSize, grey, "Set the cue point");
  s.toCue = button("ToCue", art::Symbol::ToCue, kTransportSize, grey, "Back to the cue point");
  s.searchBack = button("SearchBack", art::Symbol::SearchBack, kTransportSize, grey,
                        "Search back (hold)");
  s.searchForw = button("SearchForw", art::Symbol::SearchForw, kTransportSize, grey,
                        "Search forward (hold)");
  s.fade = button("Fade", art::Symbol::Fade, kTransportSize, QColor(240, 180, 60),
                  "Fade out / in (right button: fade time)");
  s.pitchUp = button("PitchUp", art::Symbol::PitchUp, kPitchButtonSize, grey,
                     "Pitch bend up (hold)");
  s.pitchDown = button("PitchDown", art::Symbol::PitchDown, kPitchButtonSize, grey,
                       "Pitch bend down (hold)");
  deck.trackBack = button("TrackBack", art::Symbol::TrackBack, kTransportSize, grey,
                          "Previous track");
  deck.trackForw = button("TrackForw", art::Symbol::TrackForw, kTransportSize, grey,
                          "Next track");
  deck.eject = button("Eject", art::Symbol::Eject, kEjectSize, grey, "Eject");
  // Keylock, under the pitch display: lit while the pitch changes only the tempo.
  deck.keyLock = new TEMButton(this);
  deck.keyLock->SetGlyphOff(art::Glyph(art::Symbol::Text, kKeyLockSize - QSize(2, 2), false,
                                       QColor(90, 170, 240), QStringLiteral("KEY")));
  deck.keyLock->SetGlyphOn(art::Glyph(art::Symbol::Text, kKeyLockSize - QSize(2, 2), true,
                                      QColor(90, 170, 240), QStringLiteral("KEY")));
  place(deck.keyLock, "KeyLock");
  deck.keyLock->setToolTip(QStringLiteral("Keylock: the pitch changes the tempo, not the key"));
  deck.keyLock->OnClick = [this, d](TEMButton*) { emit keyLockClicked(d); };
  deck.active = new TEMLed(this);
  deck.active->resize(kLampSize);
  deck.active->SetTransparent(true);
  place(deck.active, "Active");

  // The console's own handlers come first, so the engine leaves these buttons to them.
  s.play->OnClick = [this, d](TEMButton*) { emit playClicked(d); };
  s.play->OnDblClick = [this, d](TEMButton*) { emit playClicked(d); };
  s.play->OnMouseDown = [this, d](TEMButton*, Qt::MouseButton b, Qt::KeyboardModifiers, int,
                                  int) {
    if (b == Qt::RightButton) emit playRightPressed(d);
  };
  if (d == 1) {
    s.stop->OnMouseDown = [this](TEMButton*, Qt::MouseButton b, Qt::KeyboardModifiers, int,
                                 int) {
      if (b == Qt::RightButton) emit playRightPressed(1);
    };
  }
  deck.eject->OnClick = [this, d](TEMButton*) { emit ejectClicked(d); };
  deck.trackBack->OnClick = [this, d](TEMButton*) { emit trackClicked(2 * d); };
  deck.trackForw->OnClick = [this, d](TEMButton*) { emit trackClicked(2 * d + 1); };
  // The fade button's menu opens on the right button; the left one fades (the engine's).
  s.fade->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(s.fade, &QWidget::customContextMenuRequested, this, [this, d](const QPoint& at) {
    emit fadePressed(d);
    emit fadeMenuRequested(d, decks_[d].set.fade->mapToGlobal(at));
  });
}

void PlayersPanel::BuildAudioCtrl() {
  audioCtrl_ = new TImagePanel(this);
  audioCtrl_->setObjectName(QStringLiteral("AudioCtrlPanel"));
  audioCtrl_->SetImage(art::AudioCtrlPicture(QSize(kPanelWidth, kAudioCtrlHeight)));
  audioCtrl_->SetColor(art::kBackground);
  audioCtrl_->setGeometry(0, kPanelHeight, kPanelWidth, kAudioCtrlHeight);
  crossSlider_ = new TEMSlider(audioCtrl_);
  Place(crossSlider_, BuiltInAudioCtrlPlaces()[0]);
  crossSlider_->SetRange(0, 168);
  crossSlider_->SetValue(84);
  crossSlider_->setToolTip(QStringLiteral("Crossfader (double-click: centre)"));
  crossSlider_->OnChange = [this](TEMSlider* s) {
    if (!settingCrossFader_) emit crossFaderMoved(s->Value());
  };
  crossSlider_->OnDblClick = [this](TEMSlider*) { emit crossFaderDoubleClicked(); };
  autoCross_ = new TEMLed(audioCtrl_);
  autoCross_->resize(150, 17);
  autoCross_->SetTransparent(true);
  autoCross_->SetCaption(QStringLiteral("Crossfade automatic"));
  autoCross_->SetTextColor(QColor(0x93, 0xC8, 0xFD));
  Place(autoCross_, BuiltInAudioCtrlPlaces()[1]);
}

void PlayersPanel::ShowAudioCtrl(bool on) {
  audioCtrl_->setVisible(on);
  setFixedSize(panelSize_.width(), panelSize_.height() + (on ? audioHeight_ : 0));
}

void PlayersPanel::SetPanelPictures(const QPixmap& players, const QPixmap& audioCtrl) {
  if (!players.isNull()) {
    SetImage(players);
    panelSize_ = players.size();
  }
  if (!audioCtrl.isNull()) {
    audioCtrl_->SetImage(audioCtrl);
    audioHeight_ = audioCtrl.height();
  }
  audioCtrl_->setGeometry(0, panelSize_.height(), panelSize_.width(), audioHeight_);
  ShowAudioCtrl(audioCtrl_->isVisibleTo(this));
}

void PlayersPanel::SetCrossFader(int value) {
  settingCrossFader_ = true;
  crossSlider_->SetValue(value);
  settingCrossFader_ = false;
}

void PlayersPanel::SetAutoCross(bool lit) { autoCross_->SetState(lit); }

void PlayersPanel::ShowTrack(int deck, const QString& artist, const QString& title,
                             const QString& intro, const QString& outro) {
  Deck& d = decks_[deck == 1 ? 1 : 0];
  d.artist->setText(artist);
  d.title->setText(title);
  const QString hint = artist.isEmpty() && title.isEmpty() ? QString() : artist + "\n" + title;
  d.artist->setToolTip(hint);
  d.title->setToolTip(hint);
  d.intro->setText(intro);
  d.outro->setText(outro);
}

void PlayersPanel::ShowDeckState(int deck, int state) {
  decks_[deck == 1 ? 1 : 0].active->SetState(state == fsPlaying || state == fsFading ||
                                             state == fsSearching);
}

void PlayersPanel::SetVolumes(int left, int right) {
  decks_[0].set.volumeSlider->SetValue(left);
  decks_[1].set.volumeSlider->SetValue(right);
}

}  // namespace spinwave
