// main() of every test program: a QApplication on the offscreen platform (no display needed)
// with the no-sound output, then GoogleTest.
//
// Tests never touch the user's own folders: each test process gets a private folder under the
// build tree (CTest runs every test case as its own process, several at once) holding the
// program folder, the settings folder, the data and runtime folders and the temporary files,
// and removes it when it ends.
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

// Leaks inside system libraries that Spinwave does not own (read by LeakSanitizer in the
// sanitizer build; unused otherwise).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libdbus\nleak:libQt6Core\nleak:libQt6Gui\n"
         "leak:libQt6Widgets\nleak:libglib\nleak:libasound\nleak:libportaudio\n"
         "leak:libpulse\nleak:libjack\nleak:libmpg123\nleak:libshout\n";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

namespace {

std::string MakePrivateFolders() {
  const std::string folder = std::string(SPINWAVE_TEST_BASE) + "/p" + std::to_string(::getpid());
  const struct {
    const char* variable;
    const char* sub;
  } places[] = {{"SPINWAVE_HOME", "/program/"}, {"XDG_CONFIG_HOME", "/config"},
                {"XDG_DATA_HOME", "/data"},     {"XDG_RUNTIME_DIR", "/run"},
                {"SPINWAVE_TEST_TMP", "/tmp"}};
  for (const auto& p : places) {
    const std::string path = folder + p.sub;
    QDir().mkpath(QString::fromStdString(path));
    setenv(p.variable, path.c_str(), 1);
  }
  ::chmod((folder + "/run").c_str(), 0700);  // Qt insists on a private runtime folder
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("SPINWAVE_OUTPUT", "nosound", 1);
  const std::string folder = MakePrivateFolders();
  int result;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  QDir(QString::fromStdString(folder)).removeRecursively();
  return result;
}
