#include "playlist/TrackReader.h"

#include "core/AtomicFile.h"
#include "engine/TFMODJingle.h"
#include "meta/TEMID3Tag.h"

namespace spinwave {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CheckingDeckReader::Read(const std::string& path, TrackInfo& info, TrackError* error) {
  auto fail = [error](TrackError why) {
    if (error) *error = why;
    return false;
  };
  // A name with a NUL byte would reach the system cut short at it: another file.
  if (path.find('\0') != std::string::npos) return fail(TrackError::Missing);
  if (!FileExists(path)) return fail(DirectoryExists(path) ? TrackError::Folder : TrackError::Missing);
  checker_.SetAccurateTime(false);
  const int length = checker_.OpenFile(path, entry_);
  if (length < 0) {
    checker_.CloseFile(entry_);
    return fail(TrackError::CannotOpen);
  }
  info = TrackInfo();
  info.artist = FileNameOf(path);
  info.timeMs = length;

  // A fresh tag component for every file: one that could not open a file (a WAV file has no
  // tag) keeps the properties of the last file it read, which would give this track the
  // artist and title of the previous one.
  TEMID3Tag tag;
  tag.SetStructures(structures_);
  tag.SetFilename(path);
  if (tag.IsOpened() && tag.GetHasTag()) {
    tag.ReadID3v2Tag();
    if (!tag.GetGain().empty()) info.gain = tag.GetGain();
    if (!tag.GetIntro().empty()) info.intro = tag.GetIntro();
    if (!tag.GetOutro().empty()) info.outro = tag.GetOutro();
  } else {
    tag.ReadStructure(1);
  }
  info.artist = tag.GetArtist().empty() ? FileNameOf(path) : tag.GetArtist();
  info.title = tag.GetTitle();
  checker_.CloseFile(entry_);
  if (error) *error = TrackError::None;
  return true;
}

}  // namespace spinwave
