// RenderCommand: `spinwave --render PLAYLIST --out FILE [--segue SECONDS]
// [--crossfade|--no-crossfade]` plays a playlist under automix from row 1 to its end and writes
// the mix to a sound file, headless. It runs the console itself (ConsoleCore, its decks and the
// deck transport) on the non-real-time output, advancing the deck clock, the console's timer and
// the mixer by hand in 10 ms steps, so the file holds exactly what the console would have played:
// a DJ prepares a pre-recorded show with it, and it is the end-to-end harness of automix.
//
// The output format follows the file's extension (".wav", ".flac", ".ogg", ".mp3", through
// libsndfile). The file is written under a temporary name and renamed into place when complete,
// so a failed or interrupted render never leaves half a file under the name asked for.
#pragma once

#include <cstdio>
#include <string>

#include <QString>
#include <QStringList>

namespace spinwave {

struct RenderRequest {
  QString playlist;
  QString out;
  int segueMs = -1;    // rows without a segue of their own; -1: the AutomixSec setting
  int crossfade = -1;  // 1 --crossfade, 0 --no-crossfade, -1 as automix sets it (on)
};

struct RenderSummary {
  int tracks = 0;             // tracks started
  long long audioMs = 0;      // length of the written mix
  double seconds = 0;         // wall time taken
  std::string trackStarts;    // one line per track: "m:ss.mmm  Artist - Title"
  long long underruns = 0;    // blocks a decoder could not feed in time (silence in the mix)
};

class RenderCommand {
 public:
  // The arguments after the program name, "--render" first. False with a message in `error`
  // when they are not understood.
  static bool Parse(const QStringList& arguments, RenderRequest& request, QString* error);

  // Whether the arguments ask for a render (the first one is "--render").
  static bool Wanted(const QStringList& arguments) {
    return !arguments.isEmpty() && arguments.front() == QLatin1String("--render");
  }

  // Runs the whole command with its progress bar on `err`; returns the exit status (0 done,
  // 1 an unreadable playlist, an unwritable output or bad arguments). Needs a QApplication
  // (offscreen is enough).
  static int Main(const QStringList& arguments, std::FILE* err = stderr);

  // The render alone: false with a message in `error`. `progress` (may be null) gets the
  // progress bar lines.
  static bool Render(const RenderRequest& request, RenderSummary& summary, QString* error,
                     std::FILE* progress = nullptr);
};

}  // namespace spinwave
