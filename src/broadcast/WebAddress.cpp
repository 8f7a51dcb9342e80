#include "broadcast/WebAddress.h"

#include "core/AsciiText.h"

namespace spinwave {

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

WebAddress ParseWebAddress(std::string_view setting) {
  WebAddress address;
  std::string_view text = Trimmed(setting);
  if (text.empty()) {
    address.error = "no web address is set";
    return address;
  }
  if (StartsWithNoCase(text, "https:")) {
    address.error = "https addresses are not supported, use an http:// address";
    return address;
  }
  if (StartsWithNoCase(text, "http:")) {
    text.remove_prefix(5);
    for (int i = 0; i < 2 && !text.empty() && text.front() == '/'; ++i) text.remove_prefix(1);
  }
  const size_t slash = text.find('/');
  std::string_view hostPart;
  if (slash == std::string_view::npos) {
    // Without a "/" the whole text would be the path of a request to no host.
    address.path = std::string(text);
    address.error = "the web address needs a path after its host (http://host/np.php?t=)";
    return address;
  }
  hostPart = text.substr(0, slash);
  address.path = std::string(text.substr(slash));
  const size_t colon = hostPart.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view portText = hostPart.substr(colon + 1);
    hostPart = hostPart.substr(0, colon);
    int64_t port = 0;
    if (Trimmed(portText).empty()) {
      address.port = 0;
    } else if (!ParseStrictInteger(portText, port) || port > 65535) {
      address.error = "the port \"" + std::string(portText) + "\" is not a number from 1 to 65535";
      return address;
    } else {
      address.port = port > 0 ? int(port) : 0;
    }
  }
  address.host = std::string(hostPart);
  if (address.host.empty()) {
    address.error = "the web address has no host (http://host/np.php?t=)";
    return address;
  }
  return address;
}

PortField CheckPortField(std::string_view text, uint16_t& port) {
  int64_t value = 0;
  if (!ParseStrictInteger(text, value)) return PortField::Invalid;
  if (value <= 0) return PortField::Off;
  if (value > 65535) return PortField::Invalid;
  port = static_cast<uint16_t>(value);
  return PortField::Send;
}

HostSetting ParseHostSetting(std::string_view setting, uint16_t defaultPort) {
  HostSetting result;
  std::string_view text = Trimmed(setting);
  const size_t colon = text.find(':');
  result.port = defaultPort;
  if (colon != std::string_view::npos) {
    uint16_t port = 0;
    if (CheckPortField(text.substr(colon + 1), port) != PortField::Send) return {};
    result.port = port;
    text = Trimmed(text.substr(0, colon));
  }
  result.host = std::string(text);
  return result;
}

}  // namespace spinwave
