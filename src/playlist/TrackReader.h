// What an audio file says about itself when it joins the playlist without coming from the
// library: its length (from opening it on the library scan's checking deck, which plays
// nothing), and its tag or, without one, what its folder and file names say.
#pragma once

#include <string>
#include <vector>

namespace spinwave {

class TFMODJingle;

struct TrackInfo {
  std::string artist;
  std::string title;
  int timeMs = 0;
  std::string gain = "0";
  std::string intro = "0:00";
  std::string outro = "0:00";
};

// Why a file could not be read.
enum class TrackError { None, Missing, Folder, CannotOpen };

class TrackReader {
 public:
  virtual ~TrackReader() = default;
  // Fills `info` from the file; false (with the reason) when it does not exist or cannot be
  // opened as audio.
  virtual bool Read(const std::string& path, TrackInfo& info, TrackError* error = nullptr) = 0;
};

// The console's reader: opens the file on the checking deck entry `entry` (played through
// `checker`, a silent component) with accurate timing off, then reads the tag.
class CheckingDeckReader : public TrackReader {
 public:
  CheckingDeckReader(TFMODJingle& checker, int entry) : checker_(checker), entry_(entry) {}
  bool Read(const std::string& path, TrackInfo& info, TrackError* error = nullptr) override;
  // Folder structures used for files without a tag (the user's list; loaded once by the owner).
  void SetStructures(std::vector<std::string> structures) { structures_ = std::move(structures); }

 private:
  TFMODJingle& checker_;
  int entry_;
  std::vector<std::string> structures_;
};

// "Track" of "/music/Track" (the text after the last "/").
std::string FileNameOf(const std::string& path);

}  // namespace spinwave
