#include "broadcast/TestHttpServer.h"

#include <QTcpSocket>
#include <QTest>

#include "core/AsciiText.h"

namespace spinwave::test {

std::string RecordedRequest::Header(const std::string& name) const {
  for (const std::string& h : headers) {
    const size_t colon = h.find(':');
    if (colon != std::string::npos && EqualsNoCase(h.substr(0, colon), name)) {
      size_t b = colon + 1;
      while (b < h.size() && h[b] == ' ') ++b;
      return h.substr(b);
    }
  }
  return {};
}

TestHttpServer::TestHttpServer() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

TestHttpServer::~TestHttpServer() = default;

uint16_t TestHttpServer::Port() const { return server_.serverPort(); }

void TestHttpServer::Read(QTcpSocket* socket) {
  QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
  for (;;) {
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) break;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.remove(0, end + 4);
    RecordedRequest request;
    for (int i = 0; i < lines.size(); ++i) {
      std::string line = lines[i].toStdString();
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (i == 0)
        request.line = line;
      else
        request.headers.push_back(line);
    }
    requests_.push_back(request);
    if (silent_) continue;
    const HttpAnswer answer = answers_ ? answers_(request.line) : answer_;
    const std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " Answer\r\n" +
                             "Content-Type: text/plain\r\nContent-Length: " +
                             std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(QByteArray::fromStdString(head + answer.body));
    socket->disconnectFromHost();
  }
  socket->setProperty("buffer", buffer);
}

std::vector<std::string> TestHttpServer::RequestLines() const {
  std::vector<std::string> lines;
  for (const RecordedRequest& r : requests_) lines.push_back(r.line);
  return lines;
}

bool TestHttpServer::WaitForRequests(size_t count, int ms) {
  return WaitUntil([&] { return requests_.size() >= count; }, ms);
}

uint16_t RefusingPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed when probe goes: nothing listens there any more
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  return QTest::qWaitFor(done, ms);
}

}  // namespace spinwave::test
