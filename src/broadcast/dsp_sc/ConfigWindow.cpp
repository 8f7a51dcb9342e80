#include "ConfigWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "ShoutStreamer.h"

namespace spinwave {

ConfigWindow::ConfigWindow(const StreamSettings& settings, const ShoutStreamer& streamer,
                           SaveHandler onSave, QWidget* parent)
    : QDialog(parent), streamer_(streamer), onSave_(std::move(onSave)), original_(settings) {
  setWindowTitle(tr("Spinwave streaming encoder"));
  setObjectName(QStringLiteral("DspScConfig"));
  auto* form = new QFormLayout;
  host_ = new QLineEdit(QString::fromStdString(settings.host));
  host_->setPlaceholderText(tr("icecast.example.org"));
  port_ = new QSpinBox;
  port_->setRange(1, 65535);
  port_->setValue(settings.port);
  user_ = new QLineEdit(QString::fromStdString(settings.user));
  password_ = new QLineEdit(QString::fromStdString(settings.password));
  password_->setEchoMode(QLineEdit::Password);
  mount_ = new QLineEdit(QString::fromStdString(settings.mount));
  protocol_ = new QComboBox;
  protocol_->addItem(tr("Icecast 2 (HTTP)"), StreamSettings::kHttp);
  protocol_->addItem(tr("SHOUTcast (ICY)"), StreamSettings::kIcy);
  protocol_->setCurrentIndex(settings.protocol == StreamSettings::kIcy ? 1 : 0);
  bitRate_ = new QComboBox;
  int count = 0;
  const int* rates = StreamSettings::BitRates(&count);
  for (int i = 0; i < count; ++i) {
    bitRate_->addItem(tr("%1 kbit/s").arg(rates[i]), rates[i]);
    if (rates[i] == settings.bitRate) bitRate_->setCurrentIndex(i);
  }
  name_ = new QLineEdit(QString::fromStdString(settings.name));
  genre_ = new QLineEdit(QString::fromStdString(settings.genre));
  // Named after their keys in dsp_sc.ini.
  host_->setObjectName(QStringLiteral("Host"));
  port_->setObjectName(QStringLiteral("Port"));
  user_->setObjectName(QStringLiteral("User"));
  password_->setObjectName(QStringLiteral("Password"));
  mount_->setObjectName(QStringLiteral("Mount"));
  protocol_->setObjectName(QStringLiteral("Protocol"));
  bitRate_->setObjectName(QStringLiteral("Bitrate"));
  name_->setObjectName(QStringLiteral("Name"));
  genre_->setObjectName(QStringLiteral("Genre"));
  form->addRow(tr("Server:"), host_);
  form->addRow(tr("Port:"), port_);
  form->addRow(tr("User:"), user_);
  form->addRow(tr("Password:"), password_);
  form->addRow(tr("Mount:"), mount_);
  form->addRow(tr("Protocol:"), protocol_);
  form->addRow(tr("Bit rate:"), bitRate_);
  form->addRow(tr("Stream name:"), name_);
  form->addRow(tr("Genre:"), genre_);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("Status"));
  status_->setWordWrap(true);
  status_->setMinimumWidth(320);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    const StreamSettings edited = Edited();
    if (onSave_ && !(edited == original_)) onSave_(edited);
    original_ = edited;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  timer_ = new QTimer(this);
  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, &ConfigWindow::RefreshStatus);
  timer_->start();
  RefreshStatus();
}

StreamSettings ConfigWindow::Edited() const {
  StreamSettings s = original_;
  s.host = host_->text().trimmed().toStdString();
  s.port = port_->value();
  s.user = user_->text().trimmed().toStdString();
  s.password = password_->text().toStdString();
  s.mount = mount_->text().trimmed().toStdString();
  if (s.mount.empty() || s.mount[0] != '/') s.mount = "/" + s.mount;
  s.protocol = protocol_->currentData().toInt();
  s.bitRate = bitRate_->currentData().toInt();
  s.name = name_->text().toStdString();
  s.genre = genre_->text().toStdString();
  return s;
}

void ConfigWindow::RefreshStatus() {
  QString text = QString::fromStdString(streamer_.StatusText());
  if (streamer_.GetState() == ShoutStreamer::State::Connected) {
    text += tr("\n%1 KiB sent").arg(streamer_.SentBytes() / 1024);
  }
  if (const auto dropped = streamer_.DroppedBlocks(); dropped > 0) {
    text += tr("\n%1 blocks dropped (the connection was too slow)").arg(dropped);
  }
  status_->setText(text);
}

}  // namespace spinwave
