// Title streaming: the playing title goes to up to five streaming servers of the SHOUTcast kind
// (their administration request that sets the stream's song title) and to one web address.
//
// The console owns one TitleStreamer. It hands over the window caption (SetCaption, or
// TrackStarted when a deck reports that it plays), forwards the SendInfo switch button
// (SendInfoClick, SendInfoChanged) and shows StatusMessage in its status bar. The destinations
// are read from the live options at the moment of sending, so a change in the options dialog
// counts from the next title on.
//
// Sending never waits: Info2URL only builds the request texts and starts one request per
// destination. A destination that cannot be used (a port that is not a number, a web address
// without a host) is skipped with a status message and the others are still served; a request
// that fails reports through the status message and the request log, never through a box
// over the console at every track change. Passwords never appear in either.
#pragma once

#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

namespace spinwave {

class OptionsStore;
class TURLThread;

class TitleStreamer : public QObject {
  Q_OBJECT
 public:
  // What the web address is sent when sending is switched off or the console closes (the
  // servers then get the caption that is showing).
  static constexpr const char* kNoLiveTrackInfo = "No live trackinfo at the moment";
  static constexpr int kServers = 5;

  explicit TitleStreamer(const OptionsStore& options, QObject* parent = nullptr);
  ~TitleStreamer() override;

  // The main window's caption: what the servers receive.
  void SetCaption(const std::string& caption) { caption_ = caption; }
  const std::string& Caption() const { return caption_; }

  // The SendInfo switch: off at start, never stored.
  bool SendInfo() const { return sendInfo_; }
  // Toggles SendInfo. Now on: Info2URL(caption); now off: Info2URL(kNoLiveTrackInfo).
  void SendInfoClick();

  // A deck reports that it has started playing: "artist - title" becomes the caption when it
  // differs from it (CaptionChanged), and is sent when SendInfo is on. True when the caption
  // changed.
  bool TrackStarted(const std::string& artist, const std::string& title);
  // The console's caption changed (the deck transport reports it): the caption is taken, and
  // sent when SendInfo is on and it differs from the last one. True when it changed.
  bool NewCaption(const std::string& caption);
  // The console closes: when SendInfo is on, the destinations are told that nothing plays.
  // Follow with WaitForRequests so that the requests leave before the program ends.
  void Closing();

  // Sends to every enabled destination in this order: the web address (receives `title`), then
  // servers 1 to 5 (receive the caption).
  void Info2URL(const std::string& title);

  // True when at least one destination is enabled (the options dialog shows the SendInfo button
  // only then).
  bool AnyDestinationEnabled() const;

  // How long a request may take before it is given up (10 s by default).
  void SetRequestTimeoutMs(int ms) { timeoutMs_ = ms; }
  int RequestTimeoutMs() const { return timeoutMs_; }
  // Requests started by this streamer that have not ended yet.
  int PendingRequests() const;
  // Runs the event loop until every pending request has ended or `maxMs` has passed (used at
  // close, where the program would otherwise end before the last title leaves). True when none
  // is left.
  bool WaitForRequests(int maxMs);

 signals:
  void SendInfoChanged(bool on);
  void CaptionChanged(const QString& caption);
  // A destination skipped or a request failed ("Error sending/receiving data from internet:
  // Server 3 (radio.example:8000): connection refused").
  void StatusMessage(const QString& text);

 private:
  void SendToWeb(const std::string& title);
  void SendToServer(int server);
  void Launch(const std::string& label, const std::string& host, const std::string& path,
              int port);
  void Report(const std::string& text);

  const OptionsStore& options_;
  std::string caption_;
  bool sendInfo_ = false;
  int timeoutMs_;
  std::vector<QPointer<TURLThread>> pending_;
};

// The message text of a failed request (shared with the Live365 control).
std::string RequestFailureText(const std::string& label, const std::string& host, int port,
                               const std::string& error);

}  // namespace spinwave
