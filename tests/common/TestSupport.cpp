#include "common/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QDir>

namespace spinwave::test {

static QString TempBase() {
  const char* base = std::getenv("SPINWAVE_TEST_TMP");
  QString dir = (base && *base) ? QString::fromLocal8Bit(base) : QDir::tempPath();
  QDir().mkpath(dir);
  return dir + "/spinwave-XXXXXX";
}

TempFolder::TempFolder() : dir_(TempBase()) {}

std::string TempFolder::Path() const { return dir_.path().toStdString() + "/"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace spinwave::test
