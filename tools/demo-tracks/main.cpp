// Writes a small show to try the console with: tagged MP3 files of tones (artist and title in
// their ID3v2 tags) and an M3U list "show.m3u" of them, all in FOLDER.
//
//   spinwave-demo-tracks FOLDER [COUNT] [SECONDS]
//
// Then: SPINWAVE_OUTPUT=nosound scripts/run.sh FOLDER/show.m3u
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include "AudioFixtures.h"
#include "meta/MetaFixtures.h"

namespace {

const char* const kArtists[] = {"Nightline", "The Tonemakers", "Aurora Drive", "Kilohertz",
                                "Sine Society", "Low Pass", "Mira Vale", "Northern Square"};
const char* const kTitles[] = {"Morning Signal", "Open Air", "Slow Burn", "City Lights",
                               "Second Wind", "Afterglow", "Static Hearts", "Last Call"};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: spinwave-demo-tracks FOLDER [COUNT] [SECONDS]\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  ::mkdir(folder.c_str(), 0755);
  const int count = argc > 2 ? std::atoi(argv[2]) : 6;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  std::ofstream m3u(folder + "show.m3u", std::ios::binary);
  m3u << "#EXTM3U\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string artist = kArtists[i % 8];
    const std::string title = kTitles[(i * 3) % 8];
    const std::string name = std::to_string(i + 1) + " " + artist + " - " + title + ".mp3";
    spinwave::test::ToneSpec tone;
    tone.frequency = 220.0 * (1 + i % 5);
    tone.durationMs = (seconds + (i * 7) % 23) * 1000;
    tone.amplitude = 0.3;
    if (!spinwave::test::WriteTone(folder + name, spinwave::test::AudioFormat::Mp3, tone)) {
      std::fprintf(stderr, "could not write %s\n", (folder + name).c_str());
      return 1;
    }
    spinwave::test::WriteId3v2(folder + name, {{"TPE1", artist}, {"TIT2", title}});
    m3u << "#EXTINF:" << tone.durationMs / 1000 << "," << artist << " - " << title << "\r\n"
        << name << "\r\n";
  }
  std::printf("%s\n", (folder + "show.m3u").c_str());
  return 0;
}
