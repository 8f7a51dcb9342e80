#include "engine/AudioDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

#include "core/AsciiText.h"
#include "engine/Mp3Decoder.h"
#include "engine/SndFileDecoder.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

bool HasMpegExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string_view ext = std::string_view(path).substr(dot);
  for (const char* known : {".mp3", ".mp2", ".mp1", ".mpa", ".mpga"})
    if (EqualsNoCase(ext, known)) return true;
  return false;
}

// An MPEG audio frame header with no reserved field: sync, version, layer, bit rate, rate.
bool IsFrameHeader(const unsigned char* b) {
  return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 && ((b[1] >> 1) & 3) != 0 &&
         (b[2] >> 4) != 15 && ((b[2] >> 2) & 3) != 3;
}

AudioDecoderOpen Mp3(int fd, bool seekable, const std::string& path) {
  AudioDecoderOpen result;
  std::string why;
  result.decoder = Mp3Decoder::Open(fd, seekable, &why);
  if (!result.decoder) {
    result.state = kOpenBadFormat;
    result.error = "not a playable audio file \"" + path + "\": " + why;
  } else {
    result.state = kOpenReady;
  }
  return result;
}

}  // namespace

AudioDecoderOpen OpenAudioDecoder(const std::string& path) {
  AudioDecoderOpen result;
  // The open tells whether the file can be read at all (and waits for a pipe's writer).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.state = kOpenFailed;
    result.error = "cannot read file \"" + path + "\": " + std::strerror(errno);
    return result;
  }
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!regular) {
    // A pipe cannot be looked at without taking its bytes, nor opened a second time: the
    // extension chooses, and the decoder reads the descriptor.
    if (HasMpegExtension(path)) return Mp3(fd, false, path);
    std::unique_ptr<SndFileDecoder> decoder = SndFileDecoder::OpenDescriptor(fd, &result.state, &result.error);
    if (decoder) {
      result.state = kOpenReady;
      result.decoder = std::move(decoder);
    }
    return result;
  }

  unsigned char head[4] = {};
  ssize_t got;
  do {
    got = ::pread(fd, head, sizeof(head), 0);
  } while (got < 0 && errno == EINTR);
  const bool looksMpeg =
      got == 4 && (std::memcmp(head, "ID3", 3) == 0 || IsFrameHeader(head));
  // An MP3 that starts with something else (junk, the tail of a cut frame) is known by its name.
  if (looksMpeg || HasMpegExtension(path)) return Mp3(fd, true, path);

  // WAV, Ogg and the rest are opened by name: libsndfile can then use the extension too.
  std::unique_ptr<SndFileDecoder> decoder = SndFileDecoder::OpenByName(path, &result.state, &result.error);
  if (decoder && decoder->IsMpeg()) {
    decoder.reset();
    return Mp3(fd, true, path);
  }
  ::close(fd);
  if (decoder) {
    result.state = kOpenReady;
    result.decoder = std::move(decoder);
  }
  return result;
}

int FramesToMs(std::int64_t frames, int sampleRate) {
  if (frames <= 0 || sampleRate <= 0) return 0;
  // Divided first: frames × 1000 overflows for the largest counts.
  const std::int64_t ms = frames / sampleRate * 1000 + frames % sampleRate * 1000 / sampleRate;
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

std::int64_t MsToFrames(std::int64_t ms, int sampleRate) {
  if (ms <= 0 || sampleRate <= 0) return 0;
  // Rounded up: the first frame at or after `ms`, so that a position set in ms reads back as
  // the same ms.
  return ms / 1000 * sampleRate + (ms % 1000 * sampleRate + 999) / 1000;
}

}  // namespace spinwave
