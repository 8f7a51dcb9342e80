// Feeds arbitrary bytes to the MP3 frame walk as the contents of an ".mp3" file, in fast and in
// exact mode.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "meta/TEMMP3Info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm/spinwave-fuzz-") : std::string("/tmp/spinwave-fuzz-")) + std::to_string(::getpid()) + ".mp3";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  for (bool exact : {false, true}) {
    spinwave::TEMMP3Info info;
    info.SetExactSearch(exact);
    long steps = 0;
    info.SetOnScanPos([&steps](spinwave::TEMMP3Info*, int, int) { ++steps; });
    if (info.GetInfo(path) && info.GetFrames() == 0) __builtin_trap();
  }
  return 0;
}
