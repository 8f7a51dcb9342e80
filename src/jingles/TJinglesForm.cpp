#include "jingles/TJinglesForm.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>

#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "jingles/JingleTable.h"

namespace spinwave {

namespace {

constexpr int kSlotWidth = 372;
constexpr int kSlotHeight = 52;
constexpr int kSlotGap = 4;
constexpr int kMargin = 6;
constexpr int kListWidth = 156;
const QRect kVolumeRect(338, 2, 29, 48);

// The built-in slot picture: a dark panel with a groove under the volume slider (which takes
// that part of the picture as its ruler).
QPixmap SlotPicture() {
  QPixmap p(kSlotWidth, kSlotHeight);
  QPainter painter(&p);
  QLinearGradient g(0, 0, 0, kSlotHeight);
  g.setColorAt(0, QColor(46, 52, 66));
  g.setColorAt(1, QColor(20, 22, 30));
  painter.fillRect(p.rect(), g);
  painter.setPen(QColor(78, 86, 104));
  painter.drawRect(p.rect().adjusted(0, 0, -1, -1));
  painter.fillRect(QRect(kVolumeRect.center().x() - 1, kVolumeRect.top() + 4, 3,
                         kVolumeRect.height() - 8),
                   QColor(8, 8, 10));
  painter.setPen(QColor(90, 96, 110));
  for (int y = kVolumeRect.top() + 6; y < kVolumeRect.bottom() - 4; y += 6)
    painter.drawLine(kVolumeRect.left() + 6, y, kVolumeRect.left() + 9, y);
  return p;
}

// A 34 x 18 play or stop glyph, brighter when lit.
QPixmap Glyph(bool play, bool on) {
  QPixmap p(34, 18);
  p.fill(on ? QColor(40, 96, 40) : QColor(48, 48, 54));
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(on ? QColor(150, 255, 150) : QColor(205, 205, 205));
  if (play) {
    painter.drawPolygon(QPolygonF() << QPointF(13, 4) << QPointF(22, 9) << QPointF(13, 14));
  } else {
    painter.drawRect(QRectF(12.5, 4.5, 9, 9));
  }
  return p;
}

}  // namespace

TJinglesForm::TJinglesForm(JingleBank& bank, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), bank_(bank) {
  setObjectName(QStringLiteral("JinglesForm"));
  setWindowTitle(QStringLiteral("Jingles"));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(30, 32, 40));
  pal.setColor(QPalette::WindowText, QColor(200, 206, 220));
  setPalette(pal);
  setAutoFillBackground(true);
  for (int slot = 1; slot <= kJingleSlots; ++slot) BuildSlot(slot);

  const int right = kMargin + kSlotWidth + 8;
  auto* caption = new QLabel(QStringLiteral("DJ jingle lists"), this);
  caption->setGeometry(right, kMargin, kListWidth, 16);
  lists_ = new QListWidget(this);
  lists_->setObjectName(QStringLiteral("DJJinglesList"));
  const int height = kMargin * 2 + kJingleSlots * kSlotHeight + (kJingleSlots - 1) * kSlotGap;
  lists_->setGeometry(right, kMargin + 20, kListWidth, height - kMargin * 2 - 20 - 34);
  load_ = new QPushButton(QStringLiteral("Load DJ Jingles"), this);
  load_->setObjectName(QStringLiteral("LoadDJJingles"));
  load_->setGeometry(right, height - kMargin - 28, kListWidth, 28);
  connect(load_, &QPushButton::clicked, this, [this] { LoadDJJinglesClick(); });
  connect(lists_, &QListWidget::itemDoubleClicked, this, [this] { LoadDJJinglesClick(); });
  setFixedSize(right + kListWidth + kMargin, height);

  connect(&bank_, &JingleBank::LabelChanged, this, [this](int slot, const QString& text) {
    if (slot >= 1 && slot <= kJingleSlots) slots_[size_t(slot - 1)].label->setText(text);
  });
  connect(&bank_, &JingleBank::ListsChanged, this, [this](const QStringList& names) {
    lists_->clear();
    lists_->addItems(names);
  });

  WatchKeys(this);
  CopySlotPictures();
  GetLists();
}

void TJinglesForm::BuildSlot(int slot) {
  JingleSlotControls& c = slots_[size_t(slot - 1)];
  const QString n = QString::number(slot);
  const int y = kMargin + (slot - 1) * (kSlotHeight + kSlotGap);
  c.panel = new TImagePanel(this);
  c.panel->setObjectName(QStringLiteral("Jingle") + n);
  c.panel->setGeometry(kMargin, y, kSlotWidth, kSlotHeight);
  c.panel->SetColor(Qt::black);
  if (slot == 1) c.panel->SetImage(SlotPicture());

  c.play = new TEMButton(c.panel);
  c.play->setObjectName(QStringLiteral("Play") + n);
  c.play->move(6, 6);
  c.stop = new TEMButton(c.panel);
  c.stop->setObjectName(QStringLiteral("Stop") + n);
  c.stop->move(6, 28);
  if (slot == 1) {
    c.play->SetGlyphOff(Glyph(true, false));
    c.play->SetGlyphOn(Glyph(true, true));
    c.stop->SetGlyphOff(Glyph(false, false));
    c.stop->SetGlyphOn(Glyph(false, true));
  }

  c.label = new QLabel(QString::fromLatin1(JingleBank::kNoJingle), c.panel);
  c.label->setObjectName(QStringLiteral("Label") + n);
  c.label->setGeometry(48, 3, 190, 15);
  c.label->setStyleSheet(QStringLiteral("color: #e6ecf6; background: transparent;"));
  c.label->setText(bank_.Label(slot));

  c.position = new TRLed(c.panel);
  c.position->setObjectName(QStringLiteral("Position") + n);
  c.position->SetOrientation(trHorizontal);
  c.position->setGeometry(48, 20, 190, 8);
  c.position->SetBarSize(4);

  auto meter = [&](const QString& name, int top) {
    auto* m = new TRLed(c.panel);
    m->setObjectName(name);
    m->SetOrientation(trHorizontal);
    m->setGeometry(48, top, 190, 6);
    m->SetBarSize(4);
    m->SetMaxValue(100);
    m->SetColorLow(QColor(0, 255, 0));
    m->SetColorMid(QColor(255, 165, 0));
    m->SetColorHi(QColor(255, 0, 0));
    m->SetBackColor(Qt::black);
    return m;
  };
  c.vuLeft = meter(QStringLiteral("VU%1L").arg(slot), 33);
  c.vuRight = meter(QStringLiteral("VU%1R").arg(slot), 41);

  c.minutes = new TEMLCD(c.panel);
  c.minutes->setObjectName(QStringLiteral("Time%1m").arg(slot));
  c.minutes->SetDigitNum(3);
  c.minutes->setGeometry(246, 14, 45, 24);
  c.minutes->SetValue(QStringLiteral("- 0"));
  c.seconds = new TEMLCD(c.panel);
  c.seconds->setObjectName(QStringLiteral("Time%1s").arg(slot));
  c.seconds->SetDigitNum(2);
  c.seconds->setGeometry(294, 14, 32, 24);
  c.seconds->SetValue(QStringLiteral("00"));

  c.volume = new TEMSlider(c.panel);
  c.volume->setObjectName(QStringLiteral("Volume") + n);
  c.volume->SetOrientation(soVertical);
  c.volume->setGeometry(kVolumeRect);
  c.volume->SetRange(0, 255);
  c.volume->SetValue(255);
}

void TJinglesForm::CopySlotPictures() {
  JingleSlotControls& first = slots_[0];
  const QPixmap& panel = first.panel->Image();
  if (!panel.isNull()) first.volume->SetImageRuler(panel.copy(first.volume->geometry()));
  for (size_t i = 1; i < slots_.size(); ++i) {
    JingleSlotControls& c = slots_[i];
    c.panel->SetImage(panel);
    c.volume->SetImageRuler(first.volume->ImageRuler());
    if (first.volume->ThumbAssigned()) c.volume->SetImageThumb(first.volume->ImageThumb());
    for (int g = 0; g < 2; ++g) {
      c.play->SetSwitchGlyph(g, first.play->GetSwitchGlyph(g));
      c.stop->SetSwitchGlyph(g, first.stop->GetSwitchGlyph(g));
    }
  }
}

void TJinglesForm::CreatPlayers(TFMODJingle& player) {
  for (int slot = 1; slot <= kJingleSlots; ++slot) {
    JingleSlotControls& c = slots_[size_t(slot - 1)];
    const int index = player.AddFileEntry(c.vuLeft, c.vuRight, c.position, c.minutes, c.seconds,
                                          nullptr, nullptr, nullptr, c.volume, c.play, c.stop,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr);
    bank_.SetSlotEntry(slot, index);
  }
}

void TJinglesForm::GetLists() { bank_.GetLists(); }

void TJinglesForm::LoadDJJinglesClick() {
  const QList<QListWidgetItem*> selected = lists_->selectedItems();
  bank_.LoadList(selected.isEmpty() ? -1 : lists_->row(selected.first()));
}

void TJinglesForm::JinglesClick() {
  if (!bank_.Enabled()) return;
  setVisible(!isVisible());
}

void TJinglesForm::JingleSCClick(int key) { bank_.JingleSCClick(key); }

void TJinglesForm::WatchKeys(QWidget* widget) {
  widget->installEventFilter(this);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool TJinglesForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    // A key a child does not take travels on to its parents, the same event object through this
    // same filter; only its first receiver forwards it, so the console sees every key once.
    const bool propagated = event == lastKey_ && event->type() == lastKeyType_ && lastReceiver_ &&
                            watched == lastReceiver_->parent();
    lastKey_ = event;
    lastKeyType_ = event->type();
    lastReceiver_ = watched;
    if (!propagated) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (event->type() == QEvent::KeyPress) {
        emit KeyPressed(key);
      } else {
        emit KeyReleased(key);
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace spinwave
