#include "broadcast/Live365Control.h"

#include <vector>

#include "broadcast/QueryText.h"
#include "broadcast/TURLThread.h"
#include "broadcast/TitleStreamer.h"
#include "broadcast/WebAddress.h"
#include "core/Messages.h"
#include "core/SettingsFile.h"
#include "options/OptionsStore.h"
#include "table/CommaText.h"

namespace spinwave {

namespace {

// An answer of a web server usually ends with a line break; "-2\n" is still "-2".
std::string WithoutOuterBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
    --e;
  return s.substr(b, e - b);
}

// A wrong host may answer with a whole web page: the box shows its start only.
constexpr size_t kMaxShownAnswer = 256;

std::string Shortened(const std::string& s) {
  if (s.size() <= kMaxShownAnswer) return s;
  size_t cut = kMaxShownAnswer;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8
  return s.substr(0, cut) + "...";
}

}  // namespace

Live365Control::Live365Control(const OptionsStore& options, QObject* parent)
    : QObject(parent), options_(options), timeoutMs_(TURLThread::kDefaultTimeoutMs) {}

void Live365Control::SetEndpoint(const std::string& hostSetting) {
  const HostSetting endpoint = ParseHostSetting(hostSetting, 80);
  host_ = endpoint.host;
  endpointPort_ = endpoint.port;
}

void Live365Control::LoadEndpoint(const TSettingsFile& settings) {
  SetEndpoint(settings.ReadString("Internet", kHostKey, ""));
}

std::string Live365Control::Credentials() const {
  return "&membername=" + EncodeQueryText(options_.Text("LiveMember")) +
         "&password=" + EncodeQueryText(options_.Text("LivePass"));
}

void Live365Control::SetButtonsEnabled(bool enabled) {
  if (buttonsEnabled_ == enabled) return;
  buttonsEnabled_ = enabled;
  emit ButtonsEnabledChanged(enabled);
}

bool Live365Control::Send(const std::string& path, Answer answer, const std::string& label) {
  if (host_.empty()) {
    const std::string text = std::string("Live365: no service host is set (") + kHostKey +
                             " under [Internet] in the settings file); nothing sent";
    AppendNetLog(text);
    emit StatusMessage(QString::fromStdString(text));
    return false;
  }
  SetButtonsEnabled(false);
  auto* request = new TURLThread(host_, path, endpointPort_);
  request->SetLabel(label);
  request->SetTimeoutMs(timeoutMs_);
  request->SetReceiver(this);
  request->OnDone = [this, request, answer](QObject*, const std::string& response) {
    if (request->Failed())
      emit StatusMessage(QString::fromStdString(RequestFailureText(
          request->Label(), request->Host(), request->Port(), request->ErrorText())));
    // The body of a failed request is an error page, not an answer of the service.
    const std::string text = request->Failed() ? std::string() : response;
    if (answer == Answer::State)
      StateAnswer(text);
    else
      SwitchAnswer(text);
  };
  request->Start();
  return true;
}

void Live365Control::Button1Click() {
  Send("/cgi-bin/bcinfo.cgi?version=2" + Credentials(), Answer::State, "Live365 refresh");
}

void Live365Control::Button2Click() {
  std::string stream;
  if (selection_ == 0 && mode_ != "Basic")
    stream = "easycast";
  else if (selection_ == 1 && mode_ != "Live")
    stream = "live";
  else
    return;  // nothing chosen, or the chosen mode is already the current one
  Send("/cgi-bin/netcast.cgi?from=mode&stream=" + stream + Credentials(), Answer::Switch,
       "Live365 switch");
}

void Live365Control::OptionsApplied() {
  if (options_.Bool("Live365Ctrl") && mode_ == "none") Button1Click();
}

void Live365Control::SwitchAnswer(const std::string& answer) {
  if (WithoutOuterBlanks(answer) == "0") {
    static const char* const kModes[] = {"Basic", "Live", "Relay"};
    if (selection_ >= 0 && selection_ <= 2) {
      mode_ = kModes[selection_];
      emit LabelsChanged();
    }
  }
  Button1Click();
}

void Live365Control::StateAnswer(const std::string& rawAnswer) {
  const std::string answer = WithoutOuterBlanks(rawAnswer);
  if (answer == "-2") {
    ShowMessage("Live365 login incorrect");
  } else if (!answer.empty()) {
    const std::vector<std::string> items = ReadCommaText(answer);
    if (items.size() < 9) {
      ShowMessage("Live365 Error: " + Shortened(answer));
    } else {
      if (items[1] == "LI")
        mode_ = "Live";
      else if (items[1] == "OR")
        mode_ = "Basic";
      else if (items[1] == "RE")
        mode_ = "Relay";
      active_ = items[2];
      listners_ = items[3];
      ip_ = items[7];
      port_ = items[8];
      emit LabelsChanged();
    }
  }
  SetButtonsEnabled(true);
}

}  // namespace spinwave
