// One opened audio file decoded to interleaved float frames at the file's own rate, as the
// stream's decoder thread reads it. MP3 is decoded by libmpg123 (Mp3Decoder), WAV, Ogg and the
// other formats libsndfile knows by libsndfile (SndFileDecoder); OpenAudioDecoder picks one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace spinwave {

class AudioDecoder {
 public:
  // Frames() of a source whose length the decoder cannot know before its end (a pipe).
  static constexpr std::int64_t kUnknownLength = -1;

  virtual ~AudioDecoder() = default;
  virtual int SampleRate() const = 0;
  virtual int Channels() const = 0;
  // Length in frames: the number of frames Read delivers from the start to the end.
  virtual std::int64_t Frames() const = 0;
  // Reads up to `frames` frames (Channels() samples each); 0 at the end or after an error that
  // ends the decoding.
  virtual std::int64_t Read(float* interleaved, std::int64_t frames) = 0;
  // Moves to `frame`. Returns the frame the next Read starts at (at most `frame`: the caller
  // decodes forward from there), or -1 when the source cannot be moved.
  virtual std::int64_t Seek(std::int64_t frame) = 0;
};

struct AudioDecoderOpen {
  int state = 0;  // the sound library's open state: kOpenReady, kOpenFailed or kOpenBadFormat
  std::unique_ptr<AudioDecoder> decoder;  // set when ready
  std::string error;                      // why not, when not ready
};

// Opens `path`: kOpenFailed when it cannot be read, kOpenBadFormat when it holds no audio the
// decoders know. An MP3 is recognised by its content (an ID3v2 tag or a valid frame header at
// the start) or, when something else comes first (junk, a frame cut in half), by its extension.
AudioDecoderOpen OpenAudioDecoder(const std::string& path);

// Frames ↔ milliseconds without overflow for any 64-bit frame count; results saturate at the
// int range (a length the decoder does not know never turns into a negative time). A time
// turns into the first frame at or after it, so FramesToMs(MsToFrames(ms)) == ms.
int FramesToMs(std::int64_t frames, int sampleRate);
std::int64_t MsToFrames(std::int64_t ms, int sampleRate);

}  // namespace spinwave
