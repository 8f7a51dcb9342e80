#include "meta/TEMFindFile.h"

#include "core/AsciiText.h"
#include "meta/TFindFileThread.h"

namespace spinwave {

TEMFindFile::TEMFindFile(QObject* parent) : QObject(parent) {}

TEMFindFile::~TEMFindFile() {
  // Stops a running search and waits for its thread; the thread stops waiting for this object
  // as soon as it learns the object is going.
  thread_.reset();
  finished_.reset();
}

void TEMFindFile::Start() {
  if (path_.empty() || path_.back() != '/') path_ += '/';
  if (thread_) return;
  finished_.reset();  // joins the thread of the previous search, which has already handed over
  thread_ = std::make_unique<TFindFileThread>(this, path_, mask_, recursive_,
                                              bool(onNotifyPath_), bool(onNotifyFile_));
  thread_->Start();
}

void TEMFindFile::Cancel() {
  if (thread_) thread_->RequestStop();
}

bool TEMFindFile::MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative wildcard match with back-tracking to the last "*".
  size_t p = 0, n = 0;
  size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace spinwave
