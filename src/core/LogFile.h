// Diagnostic log files in the program folder (fmodlog.txt, dirtreelog.txt).
#pragma once

#include <string>
#include <string_view>

namespace spinwave {

// Size beyond which a log file starts anew.
inline constexpr long kLogFileLimit = 102400;

// Appends `text` to the log file `path`. A file already longer than `limit` bytes is emptied
// first (one at exactly `limit` is still appended to). Failures are ignored: a log must never
// stop the program.
void AppendToLog(const std::string& path, std::string_view text, long limit = kLogFileLimit);

}  // namespace spinwave
