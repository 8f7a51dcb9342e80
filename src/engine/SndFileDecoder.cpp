#include "engine/SndFileDecoder.h"

#include <sndfile.h>

#include <unistd.h>

#include <algorithm>

#include "engine/soundlib.h"

namespace spinwave {

namespace {
// Ogg seeks inside the last page can land on wrong samples: targets this close to the end are
// reached by seeking this much earlier and decoding forward.
constexpr std::int64_t kOggTailMs = 1500;
constexpr std::int64_t kOggLeadMs = 2000;
}  // namespace

std::unique_ptr<SndFileDecoder> SndFileDecoder::Take(SNDFILE* file, int major, int samplerate,
                                                     int channels, std::int64_t frames) {
  std::unique_ptr<SndFileDecoder> self(new SndFileDecoder);
  self->file_ = file;
  self->sampleRate_ = samplerate;
  self->channels_ = channels;
  // SF_COUNT_MAX is libsndfile's "unknown" (a stream without a length).
  self->frames_ = frames == SF_COUNT_MAX || frames < 0 ? kUnknownLength : frames;
  self->isOgg_ = major == SF_FORMAT_OGG;
  self->isMpeg_ = major == SF_FORMAT_MPEG;
  return self;
}

std::unique_ptr<SndFileDecoder> SndFileDecoder::OpenByName(const std::string& path, int* state,
                                                           std::string* error) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    const int code = sf_error(nullptr);
    *state = code == SF_ERR_SYSTEM ? kOpenFailed : kOpenBadFormat;
    *error = std::string(code == SF_ERR_SYSTEM ? "cannot read file \"" : "not a playable audio file \"") +
             path + "\": " + sf_strerror(nullptr);
    return nullptr;
  }
  return Take(file, info.format & SF_FORMAT_TYPEMASK, info.samplerate, info.channels, info.frames);
}

std::unique_ptr<SndFileDecoder> SndFileDecoder::OpenDescriptor(int fd, int* state, std::string* error) {
  SF_INFO info{};
  SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
  if (!file) {
    ::close(fd);
    *state = kOpenBadFormat;
    *error = std::string("not a playable audio stream: ") + sf_strerror(nullptr);
    return nullptr;
  }
  return Take(file, info.format & SF_FORMAT_TYPEMASK, info.samplerate, info.channels, info.frames);
}

SndFileDecoder::~SndFileDecoder() {
  if (file_) sf_close(file_);
}

std::int64_t SndFileDecoder::Read(float* interleaved, std::int64_t frames) {
  const sf_count_t got = sf_readf_float(file_, interleaved, frames);
  return got > 0 ? got : 0;
}

std::int64_t SndFileDecoder::Seek(std::int64_t frame) {
  std::int64_t to = frame;
  if (isOgg_ && frames_ > 0 && frames_ - frame < sampleRate_ * kOggTailMs / 1000)
    to = std::max<std::int64_t>(0, frame - sampleRate_ * kOggLeadMs / 1000);
  const sf_count_t landed = sf_seek(file_, to, SEEK_SET);
  return landed < 0 ? -1 : std::min<std::int64_t>(landed, frame);
}

}  // namespace spinwave
