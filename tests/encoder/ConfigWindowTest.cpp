// The streaming plug-in's configuration window, offscreen: it shows the settings and the
// connection's state, OK hands the edited settings over, Cancel keeps them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <cstdlib>
#include <optional>

#include "ConfigWindow.h"
#include "ShoutStreamer.h"

namespace spinwave {
namespace {

TEST(ConfigWindow, ShowsTheSettingsAndTheStateAndOkHandsTheEditsOver) {
  StreamSettings settings;
  settings.host = "radio.example.org";
  settings.port = 8010;
  settings.password = "secret";
  settings.bitRate = 192;
  ShoutStreamer streamer;  // never started: "Stopped"
  std::optional<StreamSettings> saved;
  ConfigWindow window(settings, streamer, [&](const StreamSettings& s) { saved = s; });
  window.show();
  auto* host = window.findChild<QLineEdit*>("Host");
  auto* mount = window.findChild<QLineEdit*>("Mount");
  auto* password = window.findChild<QLineEdit*>("Password");
  ASSERT_TRUE(host && mount && password);
  EXPECT_EQ(host->text(), "radio.example.org");
  EXPECT_EQ(window.findChild<QSpinBox*>("Port")->value(), 8010);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(window.findChild<QComboBox*>("Bitrate")->currentData().toInt(), 192);
  EXPECT_EQ(window.findChild<QLabel*>("Status")->text(), "Stopped");

  if (const char* shot = std::getenv("SPINWAVE_SHOT")) window.grab().save(QString::fromLocal8Bit(shot));

  // Cancel: nothing handed over.
  host->setText("other.example.org");
  window.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_FALSE(saved.has_value());

  host->setText("  icecast.example.org ");
  mount->setText("studio");  // a mount without its "/"
  window.findChild<QComboBox*>("Protocol")->setCurrentIndex(1);  // SHOUTcast (ICY)
  window.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->host, "icecast.example.org");
  EXPECT_EQ(saved->mount, "/studio");
  EXPECT_EQ(saved->protocol, StreamSettings::kIcy);
  EXPECT_EQ(saved->password, "secret");
  EXPECT_EQ(saved->bitRate, 192);
}

}  // namespace
}  // namespace spinwave
