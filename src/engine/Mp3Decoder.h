// An MP3 (MPEG-1/2/2.5 layers I-III) decoded by libmpg123 directly:
// - junk before the first frame is skipped (a file cut in the middle of a frame, bytes of another
//   program in front) up to kResyncLimit bytes;
// - the encoder's delay and padding from the LAME header are removed (gapless), so the length is
//   the samples that were encoded;
// - a file that can be read at random gets a frame scan at open: the length is then counted
//   frame by frame (right for VBR files without a Xing header and for files whose header
//   promises more than they hold), and every frame goes into the seek index, so seeks land on
//   the exact sample after decoding a few frames.
// A source that cannot be read at random (a pipe) gets no scan: its length is unknown until it
// has been decoded to its end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/AudioDecoder.h"

struct mpg123_handle_struct;

namespace spinwave {

class Mp3Decoder final : public AudioDecoder {
 public:
  // Bytes of junk searched for the first frame; beyond that the file is not an MP3.
  static constexpr long kResyncLimit = 1 << 20;

  // Takes `fd` (closed with the decoder, or at once on failure). On failure returns nullptr
  // with `error` set (the file holds no MPEG audio).
  static std::unique_ptr<Mp3Decoder> Open(int fd, bool seekable, std::string* error);
  ~Mp3Decoder() override;
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  int SampleRate() const override { return sampleRate_; }
  int Channels() const override { return 2; }  // mono files are decoded to both sides
  std::int64_t Frames() const override { return frames_; }
  std::int64_t Read(float* interleaved, std::int64_t frames) override;
  std::int64_t Seek(std::int64_t frame) override;

 private:
  struct Source;
  Mp3Decoder() = default;
  // True when a frame of the scanned index has another MPEG version or sample rate than the
  // first (or the index cannot tell).
  bool RateChanges();

  mpg123_handle_struct* handle_ = nullptr;
  std::unique_ptr<Source> source_;
  int sampleRate_ = 0;
  std::int64_t frames_ = kUnknownLength;
  bool ended_ = false;
};

}  // namespace spinwave
