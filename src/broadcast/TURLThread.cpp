#include "broadcast/TURLThread.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "core/LogFile.h"
#include "core/Paths.h"

namespace spinwave {

namespace {

// The system's proxy settings (http_proxy, no_proxy), except for the machine's own loopback
// addresses, which a proxy elsewhere could never reach.
class RequestProxyFactory : public QNetworkProxyFactory {
 public:
  QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
    const QString host = query.peerHostName();
    const QHostAddress address(host);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        (!address.isNull() && address.isLoopback()))
      return {QNetworkProxy(QNetworkProxy::NoProxy)};
    return systemProxyForQuery(query);
  }
};

// One access manager for every request of the process, created with the first request and
// destroyed with the application.
QNetworkAccessManager* Manager() {
  static QPointer<QNetworkAccessManager> manager;
  if (!manager) {
    manager = new QNetworkAccessManager(QCoreApplication::instance());
    manager->setProxyFactory(new RequestProxyFactory);
  }
  return manager;
}

std::string SecondsText(int ms) {
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  return std::to_string(ms) + " ms";
}

// Our own texts: Qt's error strings repeat the whole address, query and password included.
std::string ErrorOf(QNetworkReply::NetworkError error) {
  switch (error) {
    case QNetworkReply::ConnectionRefusedError: return "connection refused";
    case QNetworkReply::RemoteHostClosedError: return "the server closed the connection";
    case QNetworkReply::HostNotFoundError: return "host not found";
    case QNetworkReply::TimeoutError: return "no answer";
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::BackgroundRequestNotAllowedError: return "no network";
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError: return "bad redirection";
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError: return "the proxy failed";
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure: return "the server's answer is not HTTP";
    default: return "network error " + std::to_string(int(error));
  }
}

}  // namespace

std::string NetLogPath() { return ProgramFolder() + kNetLogName; }

void AppendNetLog(const std::string& text) {
  const std::string stamp = QDateTime::currentDateTime()
                                .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                .toStdString();
  AppendToLog(NetLogPath(), stamp + ' ' + text + '\n');
}

TURLThread::TURLThread(std::string host, std::string path, uint16_t port)
    : QObject(QCoreApplication::instance()),
      host_(std::move(host)),
      path_(std::move(path)),
      port_(port) {}

TURLThread::~TURLThread() {
  if (reply_) {
    reply_->disconnect(this);
    reply_->abort();
    delete reply_.data();
  }
}

void TURLThread::Start() {
  if (started_) return;
  started_ = true;
  if (port_ == 0) {
    // Nothing to send: end as a request that was never made (no OnDone, no log line).
    QMetaObject::invokeMethod(
        this, [this] {
          ended_ = true;
          emit Finished(this);
          deleteLater();
        },
        Qt::QueuedConnection);
    return;
  }

  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setHost(QString::fromStdString(host_));
  url.setPort(port_);
  // Path and query are set apart so that the "?" stays the query's start and every
  // percent-encoding of the query is kept as it was built.
  const size_t question = path_.find('?');
  const std::string pathPart = path_.substr(0, question);
  url.setPath(QString::fromStdString(pathPart.empty() ? "/" : pathPart), QUrl::TolerantMode);
  if (question != std::string::npos)
    url.setQuery(QString::fromStdString(path_.substr(question + 1)), QUrl::TolerantMode);
  if (host_.empty() || !url.isValid()) {
    error_ = "not a usable address";
    QMetaObject::invokeMethod(this, &TURLThread::End, Qt::QueuedConnection);
    return;
  }

  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Mozilla/1.0"));
  // Always from the server, never from a cache, and nothing kept.
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                       QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setRawHeader("Cache-Control", "no-cache");
  request.setRawHeader("Pragma", "no-cache");
  request.setRawHeader("Connection", "Keep-Alive");

  reply_ = Manager()->get(request);
  connect(reply_, &QNetworkReply::readyRead, this, &TURLThread::ReadAvailable);
  connect(reply_, &QNetworkReply::finished, this, &TURLThread::ReplyFinished);
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &TURLThread::TimedOut);
  timer_->start(timeoutMs_);
}

void TURLThread::ReadAvailable() {
  if (!reply_ || tooLong_) return;
  const QByteArray piece = reply_->readAll();
  const int64_t room = kMaxResponseBytes - int64_t(response_.size());
  if (int64_t(piece.size()) > room) {
    response_.append(piece.constData(), size_t(room));
    tooLong_ = true;
    reply_->abort();
    return;
  }
  response_.append(piece.constData(), size_t(piece.size()));
}

void TURLThread::TimedOut() {
  timedOut_ = true;
  if (reply_) reply_->abort();
}

void TURLThread::ReplyFinished() {
  if (!reply_ || ended_) return;
  if (timer_) timer_->stop();
  ReadAvailable();
  httpStatus_ = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QNetworkReply::NetworkError error = reply_->error();
  if (tooLong_) {
    error_ = "the answer is longer than " + std::to_string(kMaxResponseBytes) + " bytes";
  } else if (timedOut_) {
    error_ = "no answer within " + SecondsText(timeoutMs_);
  } else if (httpStatus_ >= 400) {
    error_ = "HTTP " + std::to_string(httpStatus_);
  } else if (error != QNetworkReply::NoError) {
    error_ = ErrorOf(error);
  }
  reply_->disconnect(this);
  reply_->deleteLater();
  reply_ = nullptr;
  End();
}

void TURLThread::End() {
  if (ended_) return;
  ended_ = true;
  if (timer_) timer_->stop();
  std::string line = label_ + ' ' + host_ + ':' + std::to_string(port_) + ": ";
  if (Failed()) {
    line += error_;
  } else {
    line += "sent";
    if (httpStatus_ != 0) line += ", HTTP " + std::to_string(httpStatus_);
  }
  AppendNetLog(line);

  if (OnDone && (!hasReceiver_ || receiver_)) OnDone(receiver_.data(), response_);
  emit Finished(this);
  deleteLater();
}

}  // namespace spinwave
