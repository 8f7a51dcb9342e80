#include "playlist/TrackReader.h"

#include "core/AtomicFile.h"
#include "engine/AudioDecoder.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"
#include "meta/TEMID3Tag.h"

namespace spinwave {

namespace {

// Artist, title, gain, intro and outro from the file's tag, or from its folder and file names
// when it has none. `info` holds the length already.
void ReadTag(const std::string& path, const std::vector<std::string>& structures,
             TrackInfo& info) {
  // A fresh tag component for every file: one that could not open a file (a WAV file has no
  // tag) keeps the properties of the last file it read, which would give this track the
  // artist and title of the previous one.
  TEMID3Tag tag;
  tag.SetStructures(structures);
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
}

// Why `path` cannot be read before it is opened: a NUL byte (the system would see the name cut
// short at it: another file), a folder, nothing there.
bool Unreadable(const std::string& path, TrackError& why) {
  if (path.find('\0') != std::string::npos) {
    why = TrackError::Missing;
    return true;
  }
  if (!FileExists(path)) {
    why = DirectoryExists(path) ? TrackError::Folder : TrackError::Missing;
    return true;
  }
  return false;
}

}  // namespace

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CheckingDeckReader::Read(const std::string& path, TrackInfo& info, TrackError* error) {
  auto fail = [error](TrackError why) {
    if (error) *error = why;
    return false;
  };
  TrackError why = TrackError::None;
  if (Unreadable(path, why)) return fail(why);
  checker_.SetAccurateTime(false);
  const int length = checker_.OpenFile(path, entry_);
  if (length < 0) {
    checker_.CloseFile(entry_);
    return fail(TrackError::CannotOpen);
  }
  info = TrackInfo();
  info.timeMs = length;
  ReadTag(path, structures_, info);
  checker_.CloseFile(entry_);
  if (error) *error = TrackError::None;
  return true;
}

bool FileTrackReader::Read(const std::string& path, TrackInfo& info, TrackError* error) {
  auto fail = [error](TrackError why) {
    if (error) *error = why;
    return false;
  };
  TrackError why = TrackError::None;
  if (Unreadable(path, why)) return fail(why);
  int length = 0;
  // The deck takes a name this short for no file at all and reports a length of 0.
  if (path.size() >= 5) {
    // What a deck's stream accepts when it opens a file, and the length it then reports.
    AudioDecoderOpen opened = OpenAudioDecoder(path);
    if (opened.state != kOpenReady) return fail(TrackError::CannotOpen);
    const AudioDecoder& decoder = *opened.decoder;
    if (decoder.SampleRate() < 1000 || decoder.SampleRate() > 384000 || decoder.Channels() < 1 ||
        decoder.Frames() == 0)
      return fail(TrackError::CannotOpen);
    if (decoder.Frames() != AudioDecoder::kUnknownLength)
      length = FramesToMs(decoder.Frames(), decoder.SampleRate());
  }
  info = TrackInfo();
  info.timeMs = length;
  ReadTag(path, structures_, info);
  if (error) *error = TrackError::None;
  return true;
}

}  // namespace spinwave
