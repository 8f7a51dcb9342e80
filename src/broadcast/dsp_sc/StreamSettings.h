// Where and how the streaming plug-in sends the mix: plugins/dsp_sc.ini in the program folder,
// section [Server].
#pragma once

#include <string>

namespace spinwave {

struct StreamSettings {
  enum Protocol { kHttp = 0, kIcy = 1 };  // Icecast 2 (HTTP PUT/SOURCE), SHOUTcast (ICY)

  std::string host;  // empty: nothing is sent (the plug-in waits to be configured)
  int port = 8000;
  std::string user = "source";
  std::string password;
  std::string mount = "/stream";
  int protocol = kHttp;
  int bitRate = 128;  // kbit/s of the MP3 stream
  std::string name = "Spinwave";
  std::string genre;

  bool operator==(const StreamSettings&) const = default;

  // The bit rates offered (kbit/s).
  static const int* BitRates(int* count);
  // Reads `path` (an ini file); missing keys keep their defaults, values out of range too.
  static StreamSettings Load(const std::string& path);
  // Writes every key to `path` (through a temporary file); false when it cannot be written.
  bool Save(const std::string& path) const;
  // plugins/dsp_sc.ini in the program folder ($SPINWAVE_HOME, else $XDG_DATA_HOME/spinwave,
  // else ~/.local/share/spinwave).
  static std::string DefaultPath();
};

}  // namespace spinwave
