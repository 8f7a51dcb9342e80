// Helpers for tests: a fresh temporary folder per test and small file utilities.
#pragma once

#include <string>

#include <QTemporaryDir>

namespace spinwave::test {

// A temporary folder removed at the end of the test. Path() ends with "/".
class TempFolder {
 public:
  TempFolder();
  std::string Path() const;
  std::string File(const std::string& name) const { return Path() + name; }

 private:
  QTemporaryDir dir_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace spinwave::test
