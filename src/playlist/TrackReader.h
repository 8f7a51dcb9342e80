// What an audio file says about itself when it joins the playlist without coming from the
// library: its length (from opening it on the library scan's checking deck, which plays
// nothing), and its tag or, without one, what its folder and file names say.
#pragma once

#include <memory>
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
  // A reader that gives the same results and may be used on another thread (a playlist's tags
  // are read by a worker while the console goes on); null when this reader has none.
  virtual std::unique_ptr<TrackReader> ForWorker() const { return nullptr; }
};

// Reads a file on its own, without a deck entry: the length from the file's decoder, exactly
// as a deck's stream measures it when it opens the file, then the tag. Holds no shared state,
// so each thread may use one of its own.
class FileTrackReader : public TrackReader {
 public:
  explicit FileTrackReader(std::vector<std::string> structures = {})
      : structures_(std::move(structures)) {}
  bool Read(const std::string& path, TrackInfo& info, TrackError* error = nullptr) override;
  std::unique_ptr<TrackReader> ForWorker() const override {
    return std::make_unique<FileTrackReader>(structures_);
  }

 private:
  std::vector<std::string> structures_;
};

// The console's reader: opens the file on the checking deck entry `entry` (played through
// `checker`, a silent component) with accurate timing off, then reads the tag.
class CheckingDeckReader : public TrackReader {
 public:
  CheckingDeckReader(TFMODJingle& checker, int entry) : checker_(checker), entry_(entry) {}
  bool Read(const std::string& path, TrackInfo& info, TrackError* error = nullptr) override;
  // The same reading without the checking deck (which belongs to the interface thread).
  std::unique_ptr<TrackReader> ForWorker() const override {
    return std::make_unique<FileTrackReader>(structures_);
  }
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
