#include "StreamSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cstdlib>

namespace spinwave {

namespace {
constexpr int kBitRates[] = {32, 48, 64, 96, 112, 128, 160, 192, 256, 320};

std::string Text(const QSettings& ini, const char* key, const std::string& fallback) {
  return ini.value(QLatin1String(key), QString::fromStdString(fallback)).toString().toStdString();
}
}  // namespace

const int* StreamSettings::BitRates(int* count) {
  *count = static_cast<int>(std::size(kBitRates));
  return kBitRates;
}

StreamSettings StreamSettings::Load(const std::string& path) {
  StreamSettings s;
  QSettings ini(QString::fromStdString(path), QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("Server"));
  s.host = Text(ini, "Host", s.host);
  const int port = ini.value(QStringLiteral("Port"), s.port).toInt();
  if (port > 0 && port < 65536) s.port = port;
  s.user = Text(ini, "User", s.user);
  s.password = Text(ini, "Password", s.password);
  s.mount = Text(ini, "Mount", s.mount);
  if (s.mount.empty() || s.mount[0] != '/') s.mount = "/" + s.mount;
  const QString protocol = ini.value(QStringLiteral("Protocol"), QStringLiteral("HTTP")).toString();
  s.protocol = protocol.compare(QLatin1String("ICY"), Qt::CaseInsensitive) == 0 ? kIcy : kHttp;
  const int rate = ini.value(QStringLiteral("Bitrate"), s.bitRate).toInt();
  if (std::find(std::begin(kBitRates), std::end(kBitRates), rate) != std::end(kBitRates)) s.bitRate = rate;
  s.name = Text(ini, "Name", s.name);
  s.genre = Text(ini, "Genre", s.genre);
  return s;
}

bool StreamSettings::Save(const std::string& path) const {
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
  QSettings ini(QString::fromStdString(path), QSettings::IniFormat);  // writes through a temporary file
  ini.beginGroup(QStringLiteral("Server"));
  ini.setValue(QStringLiteral("Host"), QString::fromStdString(host));
  ini.setValue(QStringLiteral("Port"), port);
  ini.setValue(QStringLiteral("User"), QString::fromStdString(user));
  ini.setValue(QStringLiteral("Password"), QString::fromStdString(password));
  ini.setValue(QStringLiteral("Mount"), QString::fromStdString(mount));
  ini.setValue(QStringLiteral("Protocol"), protocol == kIcy ? QStringLiteral("ICY") : QStringLiteral("HTTP"));
  ini.setValue(QStringLiteral("Bitrate"), bitRate);
  ini.setValue(QStringLiteral("Name"), QString::fromStdString(name));
  ini.setValue(QStringLiteral("Genre"), QString::fromStdString(genre));
  ini.endGroup();
  ini.sync();
  // It holds the source password.
  QFile::setPermissions(QString::fromStdString(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  return ini.status() == QSettings::NoError;
}

std::string StreamSettings::DefaultPath() {
  std::string folder;
  if (const char* home = std::getenv("SPINWAVE_HOME"); home && *home) {
    folder = home;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    folder = std::string(data) + "/spinwave";
  } else if (const char* user = std::getenv("HOME"); user && *user) {
    folder = std::string(user) + "/.local/share/spinwave";
  }
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "plugins/dsp_sc.ini";
}

}  // namespace spinwave
