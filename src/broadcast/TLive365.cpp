#include "broadcast/TLive365.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "broadcast/Live365Control.h"

namespace spinwave {

namespace {

QLabel* ValueLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setMinimumWidth(60);
  label->setTextFormat(Qt::PlainText);  // what the service reports is shown, never rendered
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TLive365::TLive365(Live365Control& control, QWidget* parent)
    : QWidget(parent, Qt::Window), control_(control) {
  setObjectName("Live365");
  setWindowTitle("Live365");

  auto* state = new QGroupBox("Current server settings", this);
  auto* grid = new QGridLayout(state);
  mode_ = ValueLabel("mode", state);
  active_ = ValueLabel("Active", state);
  ip_ = ValueLabel("ip", state);
  port_ = ValueLabel("port", state);
  listners_ = ValueLabel("Listners", state);
  grid->addWidget(new QLabel("Mode:", state), 0, 0);
  grid->addWidget(mode_, 0, 1);
  grid->addWidget(active_, 0, 2);
  grid->addWidget(new QLabel("IP:", state), 1, 0);
  grid->addWidget(ip_, 1, 1, 1, 2);
  grid->addWidget(new QLabel("Port:", state), 2, 0);
  grid->addWidget(port_, 2, 1, 1, 2);
  grid->addWidget(new QLabel("Listners:", state), 3, 0);
  grid->addWidget(listners_, 3, 1, 1, 2);
  grid->setColumnStretch(2, 1);

  button1_ = new QPushButton("Refresh ->", this);
  button1_->setObjectName("Button1");
  button2_ = new QPushButton("Switch Mode", this);
  button2_->setObjectName("Button2");

  auto* switchTo = new QGroupBox(" Switch to: ", this);
  switchTo->setObjectName("LiveMode");
  auto* radios = new QVBoxLayout(switchTo);
  liveMode_ = new QButtonGroup(this);
  liveMode_->setExclusive(true);
  const char* const modes[] = {"Basic", "Live"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(modes[i], switchTo);
    radios->addWidget(radio);
    liveMode_->addButton(radio, i);
  }
  auto* note = new QLabel("You can't switch to Relay mode externaly", this);
  note->setWordWrap(true);

  auto* right = new QVBoxLayout;
  right->addWidget(button1_);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(state, 1);
  top->addLayout(right);

  auto* bottom = new QHBoxLayout;
  auto* switchColumn = new QVBoxLayout;
  switchColumn->addWidget(switchTo);
  switchColumn->addWidget(note);
  bottom->addLayout(switchColumn, 1);
  auto* switchButton = new QVBoxLayout;
  switchButton->addStretch();
  switchButton->addWidget(button2_);
  bottom->addLayout(switchButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);

  connect(button1_, &QPushButton::clicked, this, [this] { control_.Button1Click(); });
  connect(button2_, &QPushButton::clicked, this, [this] { control_.Button2Click(); });
  connect(liveMode_, &QButtonGroup::idClicked, this,
          [this](int id) { control_.SetSelection(id); });
  connect(&control_, &Live365Control::LabelsChanged, this, &TLive365::ShowState);
  connect(&control_, &Live365Control::ButtonsEnabledChanged, this, &TLive365::ShowState);
  ShowState();
}

QRadioButton* TLive365::LiveModeButton(int index) const {
  return qobject_cast<QRadioButton*>(liveMode_->button(index));
}

void TLive365::ShowLive365Click() {
  if (isVisible()) {
    hide();
  } else {
    show();
    raise();
  }
}

void TLive365::ShowState() {
  mode_->setText(QString::fromStdString(control_.Mode()));
  active_->setText(QString::fromStdString(control_.Active()));
  ip_->setText(QString::fromStdString(control_.Ip()));
  port_->setText(QString::fromStdString(control_.Port()));
  listners_->setText(QString::fromStdString(control_.Listners()));
  button1_->setEnabled(control_.ButtonsEnabled());
  button2_->setEnabled(control_.ButtonsEnabled());
}

}  // namespace spinwave
