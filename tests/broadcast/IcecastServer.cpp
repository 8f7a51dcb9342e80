#include "broadcast/IcecastServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTcpServer>

#include "broadcast/TestHttpServer.h"

namespace spinwave::test {

namespace {

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

// A port P with P + 1 free as well (the SHOUTcast source port).
uint16_t FreePortPair() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    QTcpServer first;
    if (!first.listen(QHostAddress::LocalHost, 0)) continue;
    const uint16_t port = first.serverPort();
    if (port == 65535) continue;
    QTcpServer second;
    if (second.listen(QHostAddress::LocalHost, port + 1)) return port;
  }
  return 0;
}

// One MPEG-1 Layer III frame header (128 kbit/s, 44.1 kHz) and a silent body: enough for the
// server to take the source's data as a stream.
QByteArray SilentFrame() {
  QByteArray frame(417, '\0');
  frame[0] = char(0xFF);
  frame[1] = char(0xFB);
  frame[2] = char(0x90);
  frame[3] = char(0x64);
  return frame;
}

}  // namespace

IcecastServer::IcecastServer(std::string sourcePassword) : password_(std::move(sourcePassword)) {
  if (StartServer()) ConnectSource();
}

IcecastServer::~IcecastServer() {
  feed_.stop();
  source_.abort();
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }
}

bool IcecastServer::StartServer() {
  QString program = QStandardPaths::findExecutable("icecast2");
  if (program.isEmpty()) program = QStandardPaths::findExecutable("icecast2", {"/usr/bin"});
  if (program.isEmpty()) {
    error_ = "icecast2 is not installed (bash scripts/deps.sh installs it)";
    return false;
  }
  port_ = FreePortPair();
  if (port_ == 0) {
    error_ = "no two free ports in a row";
    return false;
  }
  // Icecast refuses to run as root unless it is told whom to become; it then writes its logs
  // as that user.
  const bool root = ::geteuid() == 0;
  const std::string logs = folder_.File("logs");
  ::mkdir(logs.c_str(), 0777);
  ::chmod(logs.c_str(), 0777);
  ::chmod(folder_.Path().c_str(), 0755);
  const std::string config =
      "<icecast>\n"
      "  <limits><sources>2</sources><source-timeout>30</source-timeout></limits>\n"
      "  <authentication><source-password>" + XmlEscaped(password_) +
      "</source-password><admin-user>admin</admin-user>"
      "<admin-password>admin-only-here</admin-password></authentication>\n"
      "  <hostname>127.0.0.1</hostname>\n"
      "  <listen-socket><port>" + std::to_string(port_) +
      "</port><bind-address>127.0.0.1</bind-address>"
      "<shoutcast-mount>/live</shoutcast-mount></listen-socket>\n"
      "  <mount><mount-name>/live</mount-name><charset>UTF-8</charset></mount>\n"
      "  <paths><basedir>/usr/share/icecast2</basedir><logdir>" + logs +
      "</logdir><webroot>/usr/share/icecast2/web</webroot>"
      "<adminroot>/usr/share/icecast2/admin</adminroot></paths>\n"
      "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
      "<loglevel>2</loglevel></logging>\n"
      "  <security><chroot>0</chroot>" +
      std::string(root ? "<changeowner><user>icecast2</user><group>icecast</group></changeowner>"
                       : "") +
      "</security>\n"
      "</icecast>\n";
  const std::string configPath = folder_.File("icecast.xml");
  WriteFile(configPath, config);
  ::chmod(configPath.c_str(), 0644);

  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(program, {"-c", QString::fromStdString(configPath)});
  if (!process_.waitForStarted(5000)) {
    error_ = "icecast2 did not start";
    return false;
  }
  const bool listening = WaitUntil(
      [&] {
        if (process_.state() == QProcess::NotRunning) return true;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        return probe.waitForConnected(100);
      },
      10000);
  if (!listening || process_.state() == QProcess::NotRunning) {
    error_ = "icecast2 is not listening: " + process_.readAll().toStdString() +
             ReadFile(logs + "/error.log");
    return false;
  }
  return true;
}

bool IcecastServer::ConnectSource() {
  source_.connectToHost(QHostAddress::LocalHost, port_ + 1);
  if (!source_.waitForConnected(5000)) {
    error_ = "the source port does not accept connections";
    return false;
  }
  source_.write(QByteArray::fromStdString(password_ + "\r\n"));
  QByteArray answer;
  WaitUntil([&] {
    answer += source_.readAll();
    return answer.contains("\r\n\r\n") || source_.state() != QAbstractSocket::ConnectedState;
  });
  if (!answer.startsWith("OK2")) {
    error_ = "the source was refused: " + answer.toStdString();
    return false;
  }
  source_.write("icy-name:Spinwave test\r\ncontent-type:audio/mpeg\r\nicy-br:128\r\n\r\n");
  for (int i = 0; i < 20; ++i) source_.write(SilentFrame());
  // Keeps the source streaming (about real time) so that the server applies title updates.
  QObject::connect(&feed_, &QTimer::timeout, [this] { source_.write(SilentFrame()); });
  feed_.start(26);
  // The server takes a title only for a mount it lists: wait until the source is live, or an
  // update sent at once may be refused on a busy machine.
  if (!WaitUntil([&] { return !Source().isEmpty(); }, 10000)) {
    error_ = "the source never appeared on the server's status page";
    return false;
  }
  return true;
}

QJsonObject IcecastServer::Source() {
  QNetworkAccessManager manager;
  QNetworkReply* reply = manager.get(QNetworkRequest(
      QUrl(QString("http://127.0.0.1:%1/status-json.xsl").arg(port_))));
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  const QJsonObject stats = QJsonDocument::fromJson(reply->readAll()).object()["icestats"].toObject();
  reply->deleteLater();
  QJsonValue source = stats["source"];
  if (source.isArray()) source = source.toArray().first();
  return source.toObject();
}

std::string IcecastServer::Title() { return Source()["title"].toString().toStdString(); }

}  // namespace spinwave::test
