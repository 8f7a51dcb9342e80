// WAV, Ogg Vorbis and the other formats libsndfile reads (never MP3: OpenAudioDecoder hands
// those to Mp3Decoder).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/AudioDecoder.h"

typedef struct sf_private_tag SNDFILE;

namespace spinwave {

class SndFileDecoder final : public AudioDecoder {
 public:
  // Opens the file by name, so that libsndfile can also use the extension. `state` gets
  // kOpenFailed (cannot be read) or kOpenBadFormat (not audio) on failure.
  static std::unique_ptr<SndFileDecoder> OpenByName(const std::string& path, int* state,
                                                    std::string* error);
  // Reads from `fd` (a pipe, which cannot be opened a second time); takes it.
  static std::unique_ptr<SndFileDecoder> OpenDescriptor(int fd, int* state, std::string* error);
  ~SndFileDecoder() override;
  SndFileDecoder(const SndFileDecoder&) = delete;
  SndFileDecoder& operator=(const SndFileDecoder&) = delete;

  int SampleRate() const override { return sampleRate_; }
  int Channels() const override { return channels_; }
  std::int64_t Frames() const override { return frames_; }
  std::int64_t Read(float* interleaved, std::int64_t frames) override;
  std::int64_t Seek(std::int64_t frame) override;

  // True when libsndfile recognised MPEG audio (it is then better read by Mp3Decoder).
  bool IsMpeg() const { return isMpeg_; }

 private:
  SndFileDecoder() = default;
  static std::unique_ptr<SndFileDecoder> Take(SNDFILE* file, int major, int samplerate, int channels,
                                              std::int64_t frames);

  SNDFILE* file_ = nullptr;
  int sampleRate_ = 0;
  int channels_ = 0;
  std::int64_t frames_ = kUnknownLength;
  bool isOgg_ = false;
  bool isMpeg_ = false;
};

}  // namespace spinwave
