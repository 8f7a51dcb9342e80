#include "broadcast/TitleStreamer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "broadcast/QueryText.h"
#include "broadcast/TURLThread.h"
#include "broadcast/WebAddress.h"
#include "options/OptionsStore.h"

namespace spinwave {

namespace {

// The option keys of server n (1..5).
struct ServerKeys {
  std::string enabled, address, port, password;
};

ServerKeys KeysOf(int server) {
  if (server == 1) return {"TitleStreaming", "ShoutServer", "ShoutPort", "ShoutPass"};
  const std::string n = std::to_string(server);
  return {"StreamTitle" + n, "ShoutServer" + n, "ShoutPort" + n, "ShoutPass" + n};
}

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string RequestFailureText(const std::string& label, const std::string& host, int port,
                               const std::string& error) {
  return "Error sending/receiving data from internet: " + label + " (" + host + ":" +
         std::to_string(port) + "): " + error;
}

TitleStreamer::TitleStreamer(const OptionsStore& options, QObject* parent)
    : QObject(parent), options_(options), timeoutMs_(TURLThread::kDefaultTimeoutMs) {}

TitleStreamer::~TitleStreamer() = default;

void TitleStreamer::SendInfoClick() {
  sendInfo_ = !sendInfo_;
  emit SendInfoChanged(sendInfo_);
  Info2URL(sendInfo_ ? caption_ : std::string(kNoLiveTrackInfo));
}

bool TitleStreamer::TrackStarted(const std::string& artist, const std::string& title) {
  return NewCaption(artist + " - " + title);
}

bool TitleStreamer::NewCaption(const std::string& caption) {
  if (caption == caption_) return false;
  caption_ = caption;
  emit CaptionChanged(QString::fromStdString(caption_));
  if (sendInfo_) Info2URL(caption_);
  return true;
}

void TitleStreamer::Closing() {
  if (sendInfo_) Info2URL(kNoLiveTrackInfo);
}

bool TitleStreamer::AnyDestinationEnabled() const {
  if (options_.Bool("Title2Web")) return true;
  for (int server = 1; server <= kServers; ++server)
    if (options_.Bool(KeysOf(server).enabled)) return true;
  return false;
}

void TitleStreamer::Info2URL(const std::string& title) {
  if (options_.Bool("Title2Web")) SendToWeb(title);
  for (int server = 1; server <= kServers; ++server)
    if (options_.Bool(KeysOf(server).enabled)) SendToServer(server);
}

void TitleStreamer::SendToWeb(const std::string& title) {
  const WebAddress address = ParseWebAddress(options_.Text("WebURL"));
  if (!address.error.empty()) {
    Report("Title not sent to the web address: " + address.error);
    return;
  }
  if (address.port == 0) return;  // "host:" with no port: nothing is sent
  Launch("Web address", address.host, address.path + EncodeQueryText(title), address.port);
}

void TitleStreamer::SendToServer(int server) {
  const ServerKeys keys = KeysOf(server);
  const std::string label = "Server " + std::to_string(server);
  const std::string portText = options_.Text(keys.port);
  uint16_t port = 0;
  switch (CheckPortField(portText, port)) {
    case PortField::Off:
      return;  // port 0, the field's default: this server is not used
    case PortField::Invalid:
      Report("Title not sent to " + label + ": its port \"" + portText +
             "\" is not a number from 1 to 65535");
      return;
    case PortField::Send:
      break;
  }
  const std::string host = Trimmed(options_.Text(keys.address));
  if (host.empty()) {
    Report("Title not sent to " + label + ": it has no server address");
    return;
  }
  // The password is encoded like the title: a raw "&" or "#" in it would end the password
  // early and cut the song off the query.
  const std::string path = "/admin.cgi?pass=" + EncodeQueryText(options_.Text(keys.password)) +
                           "&mode=updinfo&song=" + EncodeQueryText(caption_);
  Launch(label, host, path, port);
}

void TitleStreamer::Launch(const std::string& label, const std::string& host,
                           const std::string& path, int port) {
  auto* request = new TURLThread(host, path, static_cast<uint16_t>(port));
  request->SetLabel(label);
  request->SetTimeoutMs(timeoutMs_);
  connect(request, &TURLThread::Finished, this, [this](TURLThread* r) {
    std::erase_if(pending_, [r](const QPointer<TURLThread>& p) { return p.isNull() || p == r; });
    if (r->Failed())
      emit StatusMessage(QString::fromStdString(
          RequestFailureText(r->Label(), r->Host(), r->Port(), r->ErrorText())));
  });
  // Forget requests that have ended so that the list does not grow with every title.
  std::erase_if(pending_, [](const QPointer<TURLThread>& p) { return p.isNull(); });
  pending_.emplace_back(request);
  request->Start();
}

void TitleStreamer::Report(const std::string& text) {
  AppendNetLog(text);
  emit StatusMessage(QString::fromStdString(text));
}

int TitleStreamer::PendingRequests() const {
  int n = 0;
  for (const auto& p : pending_)
    if (p) ++n;
  return n;
}

bool TitleStreamer::WaitForRequests(int maxMs) {
  const QDeadlineTimer deadline(maxMs);
  while (PendingRequests() > 0 && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
  return PendingRequests() == 0;
}

}  // namespace spinwave
