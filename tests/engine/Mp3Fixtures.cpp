#include "Mp3Fixtures.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>

namespace spinwave::test {

Mp3Encoding EncodeMp3(const std::vector<float>& interleaved, const Mp3Options& options) {
  Mp3Encoding result;
  lame_t lame = lame_init();
  lame_set_in_samplerate(lame, options.sampleRate);
  lame_set_num_channels(lame, options.channels);
  lame_set_mode(lame, options.channels == 1 ? MONO : JOINT_STEREO);
  lame_set_quality(lame, 7);  // fast; the tests look at lengths and onsets, not at fidelity
  if (options.variableBitRate) {
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_q(lame, 2);
  } else {
    lame_set_brate(lame, options.bitRate);
  }
  lame_set_bWriteVbrTag(lame, options.headerFrame ? 1 : 0);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return result;
  }
  const int channels = options.channels;
  const std::int64_t frames = static_cast<std::int64_t>(interleaved.size()) / channels;
  constexpr int kPiece = 8192;
  std::vector<unsigned char> buffer(kPiece * 2 + 7200);
  std::vector<float> left(kPiece), right(kPiece);
  for (std::int64_t at = 0; at < frames; at += kPiece) {
    const int n = static_cast<int>(std::min<std::int64_t>(kPiece, frames - at));
    for (int i = 0; i < n; ++i) {
      left[static_cast<std::size_t>(i)] = interleaved[static_cast<std::size_t>((at + i) * channels)];
      right[static_cast<std::size_t>(i)] =
          interleaved[static_cast<std::size_t>((at + i) * channels + (channels - 1))];
    }
    const int got = lame_encode_buffer_ieee_float(lame, left.data(), right.data(), n, buffer.data(),
                                                  static_cast<int>(buffer.size()));
    if (got > 0) result.bytes.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
  }
  const int got = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
  if (got > 0) result.bytes.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
  if (options.headerFrame) {
    // The encoder wrote a placeholder first; the final header frame (frame count, delay and
    // padding) replaces it.
    const std::size_t length = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (length > 0 && length <= result.bytes.size()) std::memcpy(result.bytes.data(), buffer.data(), length);
  }
  result.samples = frames;
  result.encoderDelay = lame_get_encoder_delay(lame);
  result.audioFrames = lame_get_frameNum(lame);
  lame_close(lame);
  return result;
}

std::vector<std::size_t> Mp3FrameOffsets(const std::string& bytes) {
  static constexpr int kMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static constexpr int kMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  std::vector<std::size_t> offsets;
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) break;
    const int version = (b[1] >> 3) & 3;
    const int bitRate = (version == 3 ? kMpeg1 : kMpeg2)[b[2] >> 4];
    const int sr = (b[2] >> 2) & 3;
    if (bitRate == 0 || sr == 3 || version == 1) break;
    const int rate = kRates[version][sr];
    const std::size_t length =
        static_cast<std::size_t>((version == 3 ? 144000 : 72000) * bitRate / rate + ((b[2] >> 1) & 1));
    if (at + length > bytes.size()) break;
    offsets.push_back(at);
    at += length;
  }
  return offsets;
}

}  // namespace spinwave::test
