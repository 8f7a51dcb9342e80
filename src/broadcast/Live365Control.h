// The Live365 control: shows the state of the user's Live365 broadcast (mode, active flag,
// server address, port, listener count) and switches it between the service's "Basic" and
// "Live" modes through its web interface. The logic of the TLive365 window, without widgets.
//
// The service host is a setting with an empty default ("Live365Host" under [Internet] in the
// settings file, "host" or "host:port", port 80 when none is given): with no host nothing is
// sent. Member name and password are the live options LiveMember and LivePass, read at the
// moment of each request and percent-encoded like a title, so that an "&" or a blank in them
// cannot split the query.
#pragma once

#include <cstdint>
#include <string>

#include <QObject>
#include <QString>

class TSettingsFile;

namespace spinwave {

class OptionsStore;
class TURLThread;

class Live365Control : public QObject {
  Q_OBJECT
 public:
  // The key of the service host in the Internet section of the settings file.
  static constexpr const char* kHostKey = "Live365Host";

  explicit Live365Control(const OptionsStore& options, QObject* parent = nullptr);

  // The service endpoint: "host" or "host:port". Empty: nothing is sent.
  void SetEndpoint(const std::string& hostSetting);
  // Reads the endpoint from [Internet] Live365Host.
  void LoadEndpoint(const TSettingsFile& settings);
  const std::string& EndpointHost() const { return host_; }
  uint16_t EndpointPort() const { return endpointPort_; }

  // What the labels show: the last reported state.
  const std::string& Mode() const { return mode_; }          // "none", "Basic", "Live", "Relay"
  const std::string& Active() const { return active_; }      // "off" until reported
  const std::string& Ip() const { return ip_; }              // "0" until reported
  const std::string& Port() const { return port_; }          // "0" until reported
  const std::string& Listners() const { return listners_; }  // "0" until reported

  // The "Switch to:" choice: -1 none (at start), 0 "Basic", 1 "Live".
  int Selection() const { return selection_; }
  void SetSelection(int index) { selection_ = index; }

  // Refresh and Switch Mode are enabled together.
  bool ButtonsEnabled() const { return buttonsEnabled_; }

  // Refresh: asks for the current state.
  void Button1Click();
  // Switch Mode: asks for the chosen mode when it is not the current one; otherwise nothing is
  // sent and the buttons stay enabled.
  void Button2Click();
  // The options dialog has applied its settings: with Live365Ctrl on and no state known yet, a
  // refresh fills the window once without the user asking.
  void OptionsApplied();

  // The answers (called with the whole answer text when a request ends; also callable
  // directly). A failed request hands them an empty answer.
  void StateAnswer(const std::string& answer);
  void SwitchAnswer(const std::string& answer);

  void SetRequestTimeoutMs(int ms) { timeoutMs_ = ms; }

 signals:
  void LabelsChanged();
  void ButtonsEnabledChanged(bool enabled);
  // A request that could not be sent or failed.
  void StatusMessage(const QString& text);

 private:
  enum class Answer { State, Switch };
  bool Send(const std::string& path, Answer answer, const std::string& label);
  std::string Credentials() const;
  void SetButtonsEnabled(bool enabled);

  const OptionsStore& options_;
  std::string host_;
  uint16_t endpointPort_ = 80;
  std::string mode_ = "none";
  std::string active_ = "off";
  std::string ip_ = "0";
  std::string port_ = "0";
  std::string listners_ = "0";
  int selection_ = -1;
  bool buttonsEnabled_ = true;
  int timeoutMs_;
};

}  // namespace spinwave
