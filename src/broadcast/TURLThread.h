// One HTTP GET: a title update to a streaming server or web address, a Live365 request, the
// update query.
//
// Each request is its own object, started by the sender and left to itself: it deletes itself
// once it has finished, the sender keeps no reference, and several may run at the same time.
// The request runs on QtNetwork's own thread, so the interface never waits on the network, and
// its end is handed to the interface thread. A request that gets no answer is given up after
// its timeout (10 s), so a dead server never leaves one hanging.
//
// Failures are not shown in boxes: each finished request writes one line to "netlog.txt" in the
// program folder, and the sender reads Failed() and ErrorText() in Finished to show a status
// message. Neither the log nor the error text ever holds the request's path, which may carry a
// password.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QObject>
#include <QPointer>

class QNetworkReply;
class QTimer;

namespace spinwave {

// Name of the request log in the program folder.
inline constexpr const char* kNetLogName = "netlog.txt";
// The request log's full path.
std::string NetLogPath();
// Appends one line to the request log, with the date and time in front.
void AppendNetLog(const std::string& text);

class TURLThread : public QObject {
  Q_OBJECT
 public:
  static constexpr int kDefaultTimeoutMs = 10000;
  // Answers are short texts; a server that sends more than this is cut off rather than being
  // allowed to fill the memory.
  static constexpr int64_t kMaxResponseBytes = 1 << 20;

  // OnDone(receiver, response).
  using DoneEvent = std::function<void(QObject* receiver, const std::string& response)>;

  // `path` is the request path with its query, already encoded; it goes into the request line
  // as it stands. A port of 0 makes the request end at once without sending anything.
  TURLThread(std::string host, std::string path, uint16_t port);
  ~TURLThread() override;

  const std::string& Host() const { return host_; }
  const std::string& Path() const { return path_; }
  uint16_t Port() const { return port_; }
  // The body of the answer, filled while it is read.
  const std::string& Response() const { return response_; }

  // Called on the interface thread with the receiver and the whole answer once the request has
  // ended, after a failure too (with what was read, usually nothing), so that a caller waiting
  // for an answer is never left waiting. Not called while the receiver set by SetReceiver has
  // been destroyed, nor for a request with port 0.
  DoneEvent OnDone;
  void SetReceiver(QObject* receiver) {
    receiver_ = receiver;
    hasReceiver_ = receiver != nullptr;
  }

  void SetTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kDefaultTimeoutMs; }
  int TimeoutMs() const { return timeoutMs_; }
  // What the request is for, as the log and the error texts name it ("Server 3").
  void SetLabel(std::string label) { label_ = std::move(label); }
  const std::string& Label() const { return label_; }

  // Sends the request ("GET <path> HTTP/1.1" to host:port, agent "Mozilla/1.0", no cache, the
  // system's proxy except for loopback addresses). Call once.
  void Start();

  // The outcome, valid from Finished on.
  bool Failed() const { return !error_.empty(); }
  // Why it failed: "connection refused", "no answer within 10 s", "HTTP 401", ... Empty on
  // success.
  const std::string& ErrorText() const { return error_; }
  // The answer's HTTP status, 0 when none arrived.
  int HttpStatus() const { return httpStatus_; }

 signals:
  // The request has ended (after OnDone); the object is deleted right after.
  void Finished(spinwave::TURLThread* request);

 private:
  void ReadAvailable();
  void ReplyFinished();
  void TimedOut();
  void End();

  std::string host_;
  std::string path_;
  uint16_t port_;
  std::string response_;
  std::string label_ = "Request";
  std::string error_;
  int httpStatus_ = 0;
  int timeoutMs_ = kDefaultTimeoutMs;
  bool started_ = false;
  bool ended_ = false;
  bool timedOut_ = false;
  bool tooLong_ = false;
  QPointer<QObject> receiver_;
  bool hasReceiver_ = false;
  QPointer<QNetworkReply> reply_;
  QTimer* timer_ = nullptr;
};

}  // namespace spinwave
