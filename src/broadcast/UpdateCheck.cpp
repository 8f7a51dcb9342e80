#include "broadcast/UpdateCheck.h"

#include "broadcast/TURLThread.h"
#include "broadcast/WebAddress.h"
#include "core/Messages.h"
#include "core/SettingsFile.h"

namespace spinwave {

UpdateCheck::UpdateCheck(QObject* parent)
    : QObject(parent), timeoutMs_(TURLThread::kDefaultTimeoutMs) {}

std::string UpdateCheck::UpdateMessage(const std::string& versionText, const std::string& reply) {
  const std::string running = versionText.substr(versionText.empty() ? 0 : 1, 6);
  if (reply.substr(0, 6) != running && reply.rfind("2.", 0) == 0) return "Spinwave v" + reply;
  return {};
}

bool UpdateCheck::Start(const TSettingsFile& settings, const std::string& versionText) {
  return StartWithHost(settings.ReadString("Internet", kHostKey, ""), versionText);
}

bool UpdateCheck::StartWithHost(const std::string& hostSetting, const std::string& versionText) {
  const HostSetting server = ParseHostSetting(hostSetting, 80);
  if (server.host.empty()) return false;
  versionText_ = versionText;
  auto* request = new TURLThread(server.host, kPath, server.port);
  request->SetLabel("Update check");
  request->SetTimeoutMs(timeoutMs_);
  request->SetReceiver(this);
  request->OnDone = [this, request](QObject*, const std::string& response) {
    // An error page is no version.
    UpdateInfoRecieved(request->Failed() ? std::string() : response);
    emit Finished();
  };
  request->Start();
  return true;
}

void UpdateCheck::UpdateInfoRecieved(const std::string& reply) {
  const std::string message = UpdateMessage(versionText_, reply);
  if (!message.empty()) ShowMessage(message);
}

}  // namespace spinwave
