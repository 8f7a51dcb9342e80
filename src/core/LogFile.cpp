#include "core/LogFile.h"

#include <cstdio>
#include <sys/stat.h>

namespace spinwave {

void AppendToLog(const std::string& path, std::string_view text, long limit) {
  struct stat st {};
  const bool restart = ::stat(path.c_str(), &st) == 0 && st.st_size > limit;
  if (std::FILE* f = std::fopen(path.c_str(), restart ? "wb" : "ab")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

}  // namespace spinwave
