#include "engine/Mp3Decoder.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace spinwave {

// The file as libmpg123 reads it: through a 64 KiB buffer, because the decoder asks for a few
// bytes at a time (4 for every header it tries while skipping junk) and a system call for each
// made the frame scan of a 10-minute file cost more than its decoding.
struct Mp3Decoder::Source {
  int fd = -1;
  bool seekable = false;
  off_t size = 0;
  off_t pos = 0;
  off_t bufferStart = 0;
  std::size_t bufferLength = 0;
  unsigned char buffer[65536];

  ~Source() {
    if (fd >= 0) ::close(fd);
  }

  // Refills the buffer at `pos`; false at the end or on an error.
  bool Fill() {
    for (;;) {
      const ssize_t got = seekable ? ::pread(fd, buffer, sizeof(buffer), pos)
                                   : ::read(fd, buffer, sizeof(buffer));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      bufferStart = pos;
      bufferLength = static_cast<std::size_t>(got);
      return true;
    }
  }

  static mpg123_ssize_t ReadThunk(void* self, void* out, std::size_t n) {
    auto& s = *static_cast<Source*>(self);
    auto* dst = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < n) {
      if (s.pos < s.bufferStart || s.pos >= s.bufferStart + static_cast<off_t>(s.bufferLength)) {
        if (!s.Fill()) break;
      }
      const std::size_t offset = static_cast<std::size_t>(s.pos - s.bufferStart);
      const std::size_t take = std::min(n - done, s.bufferLength - offset);
      std::memcpy(dst + done, s.buffer + offset, take);
      done += take;
      s.pos += static_cast<off_t>(take);
    }
    return static_cast<mpg123_ssize_t>(done);
  }

  // Reads `n` bytes at `at` without moving the decoder's position.
  bool PeekAt(off_t at, unsigned char* out, std::size_t n) {
    const off_t kept = pos;
    pos = at;
    const bool whole = ReadThunk(this, out, n) == static_cast<mpg123_ssize_t>(n);
    pos = kept;
    return whole;
  }

  static off_t SeekThunk(void* self, off_t offset, int whence) {
    auto& s = *static_cast<Source*>(self);
    if (!s.seekable) return -1;  // libmpg123 then treats the source as a stream
    off_t next;
    switch (whence) {
      case SEEK_SET: next = offset; break;
      case SEEK_CUR: next = s.pos + offset; break;
      case SEEK_END: next = s.size + offset; break;
      default: return -1;
    }
    if (next < 0) return -1;
    s.pos = next;
    return next;
  }
};

namespace {

std::string Mpg123Text(mpg123_handle* handle, int code) {
  const char* text = handle && code == MPG123_ERR ? mpg123_strerror(handle) : mpg123_plain_strerror(code);
  return text ? text : "unknown decoder error";
}

}  // namespace

std::unique_ptr<Mp3Decoder> Mp3Decoder::Open(int fd, bool seekable, std::string* error) {
  std::unique_ptr<Mp3Decoder> self(new Mp3Decoder);
  self->source_ = std::make_unique<Source>();
  Source& source = *self->source_;
  source.fd = fd;
  source.seekable = seekable;
  if (seekable) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) source.size = st.st_size;
  }
  int code = MPG123_OK;
  mpg123_handle* h = mpg123_new(nullptr, &code);
  if (!h) {
    *error = "the MP3 decoder does not start: " + Mpg123Text(nullptr, code);
    return nullptr;
  }
  self->handle_ = h;
  // Quiet: damaged files are common, and the decoder's warnings would land on the console's
  // terminal. A seek index that grows to hold every frame makes every seek exact and short.
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | (seekable ? 0 : MPG123_NO_PEEK_END), 0);
  mpg123_param(h, MPG123_RESYNC_LIMIT, kResyncLimit, 0);
  mpg123_param(h, MPG123_INDEX_SIZE, -1000, 0);
  // After a seek a Layer III frame needs the bytes of earlier frames (the bit reservoir, up to
  // 511 bytes back, which for quiet VBR frames of 32 kbit/s spans about eight frames). The
  // library's default of 4 frames decoded ahead left the first 7 to 23 ms after a seek wrong or
  // silent; 24 frames make the audio after a seek identical to playing through, for half a
  // millisecond of decoding.
  mpg123_param(h, MPG123_PREFRAMES, 24, 0);
  // Float stereo at the file's own rate (every rate is allowed, so the decoder never resamples).
  mpg123_format_none(h);
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i) mpg123_format(h, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

  if ((code = mpg123_replace_reader_handle(h, &Source::ReadThunk, &Source::SeekThunk, nullptr)) !=
          MPG123_OK ||
      (code = mpg123_open_handle(h, &source)) != MPG123_OK) {
    *error = "the MP3 decoder cannot read the file: " + Mpg123Text(h, code);
    return nullptr;
  }
  long rate = 0;
  int channels = 0, encoding = 0;
  code = mpg123_getformat(h, &rate, &channels, &encoding);
  if (code != MPG123_OK || rate <= 0 || encoding != MPG123_ENC_FLOAT_32) {
    *error = "no MPEG audio frame found";
    return nullptr;
  }
  self->sampleRate_ = static_cast<int>(rate);
  // A stream that changes its rate part way (files stuck together) keeps playing at the first
  // rate: the decoder converts the rest instead of changing the speed under the mixer.
  mpg123_format_none(h);
  mpg123_format(h, rate, MPG123_STEREO, MPG123_ENC_FLOAT_32);

  if (seekable) {
    // Counting the frames is the only length that holds for every file: a VBR file without a
    // Xing header gives an estimate from its first frame, a truncated download keeps the header
    // of the whole file. The scan reads headers only (a few ms for ten minutes).
    if ((code = mpg123_scan(h)) != MPG123_OK) {
      *error = "the MP3 frames cannot be read: " + Mpg123Text(h, code);
      return nullptr;
    }
    const off_t length = mpg123_length(h);
    if (length <= 0) {
      *error = "no MPEG audio frame found";
      return nullptr;
    }
    self->frames_ = static_cast<std::int64_t>(length);
    // Files stuck together (or a header the frames contradict) make a "Frankenstein" stream:
    // where its rate changes, the decoder converts to the first rate, and the frames the scan
    // counted are not the samples that come out. Such rare files (the frame index shows a rate
    // change, or the decoder says so) are counted by decoding them once, about a thousand times
    // faster than real time.
    long frankenstein = 0;
    mpg123_getstate(h, MPG123_FRANKENSTEIN, &frankenstein, nullptr);
    if (frankenstein || self->RateChanges()) {
      std::vector<float> scratch(4096 * 2);
      std::int64_t counted = 0, got;
      while ((got = self->Read(scratch.data(), 4096)) > 0) counted += got;
      if (counted <= 0 || self->Seek(0) != 0) {
        *error = "no MPEG audio frame could be decoded";
        return nullptr;
      }
      self->frames_ = counted;
    }
  }
  return self;
}

bool Mp3Decoder::RateChanges() {
  off_t* offsets = nullptr;
  off_t step = 0;
  std::size_t fill = 0;
  if (mpg123_index(handle_, &offsets, &step, &fill) != MPG123_OK || !offsets) return true;
  // An index that keeps only every n-th frame cannot tell: count by decoding.
  if (step != 1) return fill > 1;
  unsigned char first[4] = {}, header[4] = {};
  for (std::size_t i = 0; i < fill; ++i) {
    if (!source_->PeekAt(offsets[i], i == 0 ? first : header, 4)) return true;
    // Version bits (byte 1, bits 4-3) and sample-rate index (byte 2, bits 3-2).
    if (i > 0 && (((first[1] ^ header[1]) & 0x18) != 0 || ((first[2] ^ header[2]) & 0x0C) != 0)) return true;
  }
  return false;
}

Mp3Decoder::~Mp3Decoder() {
  if (handle_) {
    mpg123_close(handle_);
    mpg123_delete(handle_);
  }
}

std::int64_t Mp3Decoder::Read(float* interleaved, std::int64_t frames) {
  if (ended_ || frames <= 0) return 0;
  auto* out = reinterpret_cast<unsigned char*>(interleaved);
  const std::size_t wanted = static_cast<std::size_t>(frames) * 2 * sizeof(float);
  std::size_t filled = 0;
  while (filled < wanted) {
    std::size_t done = 0;
    const int code = mpg123_read(handle_, out + filled, wanted - filled, &done);
    filled += done;
    if (code == MPG123_OK || code == MPG123_NEW_FORMAT) {
      if (done == 0 && code == MPG123_OK) break;
      continue;
    }
    // MPG123_DONE, or an error the decoder could not resync past: the end of what plays.
    ended_ = true;
    break;
  }
  return static_cast<std::int64_t>(filled / (2 * sizeof(float)));
}

std::int64_t Mp3Decoder::Seek(std::int64_t frame) {
  const off_t landed = mpg123_seek(handle_, static_cast<off_t>(std::max<std::int64_t>(frame, 0)), SEEK_SET);
  if (landed < 0) return -1;
  ended_ = false;
  return std::min<std::int64_t>(static_cast<std::int64_t>(landed), frame);
}

}  // namespace spinwave
