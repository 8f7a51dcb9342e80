// A small HTTP server on 127.0.0.1 for the request tests: records every request it gets (the
// exact request line and the headers) and answers with a chosen status and body, or never
// answers at all (a dead server that accepted the connection).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QTcpServer>

class QTcpSocket;

namespace spinwave::test {

struct RecordedRequest {
  std::string line;                  // "GET /path?query HTTP/1.1"
  std::vector<std::string> headers;  // "Name: value", as received
  std::string Header(const std::string& name) const;  // value, or "" (name case ignored)
};

struct HttpAnswer {
  int status = 200;
  std::string body;
};

class TestHttpServer : public QObject {
  Q_OBJECT
 public:
  // Listens on 127.0.0.1 at a free port.
  TestHttpServer();
  ~TestHttpServer() override;

  uint16_t Port() const;
  std::string PortText() const { return std::to_string(Port()); }

  // Every request gets this answer (200 with an empty body at first).
  void SetAnswer(int status, std::string body) { answer_ = {status, std::move(body)}; }
  // Chooses the answer from the request line.
  void SetAnswers(std::function<HttpAnswer(const std::string& line)> answers) {
    answers_ = std::move(answers);
  }
  // Accepts connections and reads requests but never answers.
  void SetSilent(bool silent) { silent_ = silent; }

  const std::vector<RecordedRequest>& Requests() const { return requests_; }
  std::vector<std::string> RequestLines() const;
  // Spins the event loop until `count` requests have arrived or `ms` has passed.
  bool WaitForRequests(size_t count, int ms = 5000);

 private:
  void Read(QTcpSocket* socket);

  QTcpServer server_;
  HttpAnswer answer_;
  std::function<HttpAnswer(const std::string&)> answers_;
  bool silent_ = false;
  std::vector<RecordedRequest> requests_;
};

// A port on 127.0.0.1 where nothing listens (connections are refused).
uint16_t RefusingPort();

// Spins the event loop until `done` is true or `ms` has passed.
bool WaitUntil(const std::function<bool()>& done, int ms = 5000);

}  // namespace spinwave::test
