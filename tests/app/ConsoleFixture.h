// Each console test gets its own program and settings folders, captures every message box and
// builds the console core with every deck on the non-real-time output (time moves only with
// Advance), so playing is exact and needs no sound card.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "app/ConsoleCore.h"
#include "common/TestSupport.h"
#include "core/Messages.h"
#include "core/Paths.h"

namespace spinwave::test {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(dir.Path() + "program");
    setenv("XDG_CONFIG_HOME", (dir.Path() + "config").c_str(), 1);
  }
  std::string Program(const std::string& name) const { return dir.Path() + "program/" + name; }
  std::string Ini() const { return dir.Path() + "config/spinwave/spinwave2.ini"; }
  void WriteIni(const std::string& text) {
    MakeFolders(dir.Path() + "config/spinwave");
    WriteFile(Ini(), text);
  }
  std::unique_ptr<ConsoleCore> MakeCore(const QStringList& arguments = {}) {
    ConsoleCoreOptions options;
    options.nonRealtime = true;
    return std::make_unique<ConsoleCore>(arguments, "spinwave2.ini", options);
  }
  // A WAV tone of `ms` milliseconds in the test's folder.
  std::string Track(const std::string& name, int ms) {
    ToneSpec spec;
    spec.durationMs = ms;
    const std::string path = dir.File(name + ".wav");
    EXPECT_TRUE(WriteTone(path, AudioFormat::Wav, spec));
    return path;
  }
  // An M3U list of the files.
  std::string M3U(const std::string& name, const std::vector<std::string>& files) {
    std::string text = "#EXTM3U\r\n";
    for (const std::string& f : files) text += f + "\r\n";
    WriteFile(dir.File(name), text);
    return dir.File(name);
  }

  TempFolder dir;
  MessageCapture messages;
};

}  // namespace spinwave::test
