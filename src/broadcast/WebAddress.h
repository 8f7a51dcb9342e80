// Where a request goes: the web address setting taken apart, port fields, host settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace spinwave {

// The web address setting taken apart. The setting is a prefix to which the title is appended:
// an optional "http://", a host, an optional ":" and port, a path and the start of a query whose
// last parameter takes the title ("http://radio.example:8080/np.php?t=").
struct WebAddress {
  std::string host;
  int port = 80;      // 0 when the ":" has no number after it or a number of 0 or less: nothing
                      // is sent
  std::string path;   // from the first "/" on, as typed
  std::string error;  // not empty: the setting cannot be used and the text says why
};

// White space around the setting is dropped; a leading "http:" (any letter case) and the two
// slashes after it are dropped. The first "/" ends the host part. A ":" in the host part is
// followed by the port, 80 without one. A setting without a host, with a port that is not a
// number or beyond 65535, or with an "https:" scheme (title updates are plain HTTP) gives an
// error instead of a request that could only fail.
WebAddress ParseWebAddress(std::string_view setting);

// A server's port field.
enum class PortField {
  Send,    // 1 to 65535
  Off,     // 0 or less: the server is not used (the field's default is "0")
  Invalid  // not a decimal number, or above 65535
};
// White space around the number is ignored.
PortField CheckPortField(std::string_view text, uint16_t& port);

// A host setting ("host" or "host:port") of the update server or the Live365 service. Empty
// `host` when the setting is empty or unusable (then nothing is sent).
struct HostSetting {
  std::string host;
  uint16_t port = 80;
};
HostSetting ParseHostSetting(std::string_view setting, uint16_t defaultPort = 80);

}  // namespace spinwave
