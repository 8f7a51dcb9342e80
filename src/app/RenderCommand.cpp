#include "app/RenderCommand.h"

#include <sndfile.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <vector>

#include "app/ConsoleCore.h"
#include "app/DeckControlSet.h"
#include "controls/TEMSlider.h"
#include "core/AtomicFile.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave {

namespace {

// libsndfile's format for the output's extension; 0 for one it cannot write.
int FormatOf(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == QLatin1String("wav")) return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  if (ext == QLatin1String("flac")) return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  if (ext == QLatin1String("ogg")) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  if (ext == QLatin1String("mp3")) return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  return 0;
}

std::string ClockText(long long ms, bool withMs) {
  char text[48];
  const long long m = ms / 60000, s = ms / 1000 % 60;
  if (withMs)
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", m, s, ms % 1000);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  return text;
}

// Rows that got the playlist's default segue while reading carry this value; they take the
// render's segue afterwards.
constexpr int kNoSegueSeconds = -1;

constexpr int kSettleEveryBlocks = 150;
constexpr long long kStallMs = 10000;

// The length the show will have: every track, less each change's overlap (the segue and the
// 100 ms by which the next track starts early; a segue within 1 s of the length counts as 0).
long long ExpectedShowMs(const PlaylistModel& list) {
  long long ms = 0;
  for (int r = 1; r < list.RowCount(); ++r) {
    const int length = std::max(0, list.TimeMs(r));
    ms += length;
    if (r + 1 < list.RowCount()) {
      const int mix = list.SegueMs(r) + 1000 >= length ? 0 : std::max(0, list.SegueMs(r));
      ms -= mix + 100;
    }
  }
  return ms;
}

// The file being written, removed when the render is interrupted (Ctrl+C, a kill): the name
// asked for is only ever given to a complete file, and no partial file is left beside it.
char g_partFile[4096];

extern "C" void RemovePartFile(int signal) {
  if (g_partFile[0]) ::unlink(g_partFile);
  ::_exit(128 + signal);
}

class SoundFileOut {
 public:
  ~SoundFileOut() {
    if (file_) sf_close(file_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
    g_partFile[0] = 0;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
  }
  bool Open(const QString& target, int rate, QString* error) {
    target_ = target.toStdString();
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = FormatOf(target);
    temp_ = target_ + ".part-" + std::to_string(::getpid());
    if (temp_.size() < sizeof g_partFile) {
      std::memcpy(g_partFile, temp_.c_str(), temp_.size() + 1);
      for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, RemovePartFile);
    }
    file_ = sf_open(temp_.c_str(), SFM_WRITE, &info);
    if (!file_) {
      *error = QStringLiteral("Cannot write %1: %2").arg(target, QString::fromLocal8Bit(sf_strerror(nullptr)));
      temp_.clear();
      g_partFile[0] = 0;
      return false;
    }
    if (info.format == (SF_FORMAT_OGG | SF_FORMAT_VORBIS) ||
        (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
      double quality = 0.3;  // a fair quality that keeps the encoder fast
      sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &quality, sizeof quality);
    }
    return true;
  }
  bool Write(const std::vector<std::int16_t>& block, QString* error) {
    const sf_count_t frames = static_cast<sf_count_t>(block.size() / 2);
    if (sf_writef_short(file_, block.data(), frames) != frames) {
      *error = QStringLiteral("Cannot write %1: %2")
                   .arg(QString::fromStdString(target_), QString::fromLocal8Bit(sf_strerror(file_)));
      return false;
    }
    return true;
  }
  // Completes the file and gives it its name.
  bool Finish(QString* error) {
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0 || std::rename(temp_.c_str(), target_.c_str()) != 0) {
      *error = QStringLiteral("Cannot write %1").arg(QString::fromStdString(target_));
      return false;
    }
    temp_.clear();
    g_partFile[0] = 0;
    return true;
  }

 private:
  SNDFILE* file_ = nullptr;
  std::string target_;
  std::string temp_;
};

}  // namespace

bool RenderCommand::Parse(const QStringList& arguments, RenderRequest& request, QString* error) {
  const QString usage = QStringLiteral(
      "usage: spinwave --render PLAYLIST --out FILE [--segue SECONDS] "
      "[--crossfade|--no-crossfade]");
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--out") && i + 1 < arguments.size()) {
      request.out = arguments[++i];
    } else if (a == QLatin1String("--segue") && i + 1 < arguments.size()) {
      bool ok = false;
      const double seconds = arguments[++i].toDouble(&ok);
      if (!ok || seconds < 0 || seconds > 600) {
        *error = QStringLiteral("--segue wants seconds from 0 to 600, not \"%1\"").arg(arguments[i]);
        return false;
      }
      request.segueMs = static_cast<int>(std::lround(seconds * 1000));
    } else if (a == QLatin1String("--crossfade")) {
      request.crossfade = 1;
    } else if (a == QLatin1String("--no-crossfade")) {
      request.crossfade = 0;
    } else if (!a.startsWith(QLatin1String("--")) && request.playlist.isEmpty()) {
      request.playlist = a;
    } else {
      *error = QStringLiteral("unknown argument \"%1\"\n").arg(a) + usage;
      return false;
    }
  }
  if (request.playlist.isEmpty() || request.out.isEmpty()) {
    *error = usage;
    return false;
  }
  if (FormatOf(request.out) == 0) {
    *error = QStringLiteral("%1: the output must end in .wav, .flac, .ogg or .mp3").arg(request.out);
    return false;
  }
  return true;
}

bool RenderCommand::Render(const RenderRequest& request, RenderSummary& summary, QString* error,
                           std::FILE* progress) {
  const std::string playlistPath = request.playlist.toStdString();
  if (!FileExists(playlistPath) || !QFileInfo(request.playlist).isReadable()) {
    *error = QStringLiteral("Cannot read the playlist %1").arg(request.playlist);
    return false;
  }

  ConsoleCoreOptions coreOptions;
  coreOptions.nonRealtime = true;
  ConsoleCore core({}, "spinwave2.ini", coreOptions);
  // The decks' volume sliders, never shown: the deck engine applies the crossfader's gain
  // through a deck's volume slider, so a deck without one would ignore the crossfade. Both
  // stand at full volume, as a show is mixed.
  TEMSlider volume1, volume2;
  DeckControlSet deck1, deck2;
  for (auto [slider, set] : {std::pair{&volume1, &deck1}, std::pair{&volume2, &deck2}}) {
    slider->SetRange(0, 255);
    slider->SetValue(255);
    set->volumeSlider = slider;
  }
  core.Activate(&deck1, &deck2);
  // A render is no airplay: no play counts, no list that starts again, no row taken away.
  OptionsStore& options = core.Options();
  options.SetBool("RepeatPl", false);
  options.SetBool("DontStart", false);
  options.SetBool("DelPlTracks", false);
  options.SetBool("CountPlTimes", false);

  PlaylistModel& list = core.Playlist();
  DeckTransport& transport = core.Transport();
  const int segueMs = request.segueMs >= 0 ? request.segueMs : core.AutomixSeconds() * 1000;
  list.SetDefaultSegueSeconds(kNoSegueSeconds);
  const PlaylistReadResult read = list.Load(playlistPath);
  list.SetDefaultSegueSeconds(core.AutomixSeconds());
  if (!read.readable || !read.loaded) {
    *error = QStringLiteral("Cannot read the playlist %1%2")
                 .arg(request.playlist,
                      read.error.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(read.error));
    return false;
  }
  if (list.TrackCount() == 0) {
    *error = QStringLiteral("The playlist %1 holds no track that can be played").arg(request.playlist);
    return false;
  }
  for (int r = 1; r < list.RowCount(); ++r) {
    const std::string cell = list.Cell(plSegue, r);
    if (cell.empty() || list.SegueMs(r) == kNoSegueSeconds * 1000) list.SetSegue(r, segueMs);
  }

  SoundFileOut out;
  if (!out.Open(request.out, core.MixRate(), error)) return false;

  if (!transport.AutoMix()) transport.AutoMixClick();
  if (request.crossfade >= 0 && transport.AutoCross() != (request.crossfade == 1))
    transport.AutoCrossClick();

  // Each track start, at its time in the written mix (a cue sheet of the show).
  long long writtenFrames = 0;
  bool started = false;
  // The decoders run 4 s ahead of the mixer. Waiting for them to fill up before every 10 ms
  // block would hand over between threads a hundred times per second of audio; once every
  // 1.5 s (at most 2.25 s of a file at the fastest pitch), and at every change of a deck (a
  // new file opens, a deck starts), keeps every block fed.
  bool settleNext = true;
  int blocksSinceSettle = 0;
  const int rate = core.MixRate();
  for (int d = 0; d < 2; ++d) {
    // Connected after the transport's own handler: the caption already names the new track.
    QObject::connect(&core.Deck(d), &DeckPort::stateChanged, &core, [&](int state) {
      settleNext = true;
      if (state != fsPlaying) return;
      ++summary.tracks;
      // A deck started on a clock tick is heard from the next block on, which is written
      // after the block being mixed now (the first block is not written at all).
      const long long at = writtenFrames + (started ? rate / 100 : 0);
      summary.trackStarts += ClockText(at * 1000 / rate, true) + "  " +
                             transport.Caption().toStdString() + "\n";
    });
  }

  list.SetCursorRow(1);
  transport.PlaylistDblClick();

  const long long expectedMs = std::max<long long>(1, ExpectedShowMs(list));
  // A deck whose time stands still while it plays (a file the decoder stalls on) would render
  // silence for ever.
  int lastTime[2] = {-1, -1};
  long long stillMs = 0;

  QElapsedTimer wall;
  wall.start();
  // "[####------]  42%  12:34 of 40:00  ×85 real time" on one line, redrawn in place.
  auto showProgress = [&](long long doneMs) {
    const int percent = static_cast<int>(std::min<long long>(100, doneMs * 100 / expectedMs));
    const double speed = doneMs / 1000.0 / std::max(0.001, wall.elapsed() / 1000.0);
    char bar[31];
    for (int i = 0; i < 30; ++i) bar[i] = i < percent * 30 / 100 ? '#' : '-';
    bar[30] = 0;
    std::fprintf(progress, "\r[%s] %3d%%  %s of %s  \xC3\x97%.0f real time ", bar, percent,
                 ClockText(doneMs, false).c_str(), ClockText(expectedMs, false).c_str(), speed);
    std::fflush(progress);
  };
  long long lastShown = -1000;
  std::vector<std::int16_t> block;
  long long idleMs = 0;
  for (;;) {
    const bool playing = transport.DeckState(0) == fsPlaying || transport.DeckState(1) == fsPlaying;
    if (playing) started = true;
    if (started && !transport.AnyDeckBusy()) break;  // the last track ended
    if (!started && (idleMs += 10) > 10000) {
      *error = QStringLiteral("No track of %1 could be played").arg(request.playlist);
      return false;
    }
    const bool settle = settleNext || ++blocksSinceSettle >= kSettleEveryBlocks;
    if (settle) {
      settleNext = false;
      blocksSinceSettle = 0;
    }
    if (core.MixBlock(block, settle) <= 0) {
      *error = QStringLiteral("The mixer could not run");
      return false;
    }
    // The mix starts with the first track, not with the time its file took to open.
    if (!started) continue;
    if (!out.Write(block, error)) return false;
    writtenFrames += static_cast<long long>(block.size() / 2);
    const long long doneMs = writtenFrames * 1000 / rate;
    bool moved = false;
    for (int d = 0; d < 2; ++d) {
      const int now = core.Deck(d).LastTime();
      if (transport.DeckState(d) == fsPlaying && now != lastTime[d]) moved = true;
      lastTime[d] = now;
    }
    stillMs = moved ? 0 : stillMs + 10;
    if (stillMs > kStallMs) {
      *error = QStringLiteral("The show stalled at %1: no deck's time moved for %2 s")
                   .arg(QString::fromStdString(ClockText(doneMs, false)))
                   .arg(kStallMs / 1000);
      return false;
    }
    if (progress && wall.elapsed() - lastShown >= 250) {
      lastShown = wall.elapsed();
      showProgress(doneMs);
    }
  }
  if (progress) {
    showProgress(writtenFrames * 1000 / rate);
    std::fprintf(progress, "\n");
  }
  if (!out.Finish(error)) return false;
  summary.audioMs = writtenFrames * 1000 / rate;
  summary.underruns = core.Player1().Library()->GetUnderruns();
  if (&core.Player2() != &core.Player1())
    summary.underruns += core.Player2().Library()->GetUnderruns();
  summary.seconds = wall.elapsed() / 1000.0;
  return true;
}

int RenderCommand::Main(const QStringList& arguments, std::FILE* err) {
  RenderRequest request;
  QString error;
  if (!Parse(arguments, request, &error)) {
    std::fprintf(err, "spinwave --render: %s\n", qUtf8Printable(error));
    return 1;
  }
  RenderSummary summary;
  if (!Render(request, summary, &error, err)) {
    std::fprintf(err, "\nspinwave --render: %s\n", qUtf8Printable(error));
    return 1;
  }
  std::fprintf(err, "%s", summary.trackStarts.c_str());
  std::fprintf(err, "Rendered %d tracks, %s in %.1f s (\xC3\x97%.0f real time) to %s\n",
               summary.tracks, ClockText(summary.audioMs, true).c_str(), summary.seconds,
               summary.audioMs / 1000.0 / std::max(0.001, summary.seconds),
               qUtf8Printable(request.out));
  if (summary.underruns > 0)
    std::fprintf(err, "Warning: %lld blocks of the mix found a track not decoded in time and "
                      "hold silence\n", summary.underruns);
  return 0;
}

}  // namespace spinwave
