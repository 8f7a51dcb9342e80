// MP3 files of the kinds found in real collections, encoded at run time with LAME (libmp3lame):
// with or without the encoder's header frame (Xing/Info with the LAME tag), constant or
// variable bit rate, so that tests know exactly which samples went in and how many frames
// came out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spinwave::test {

struct Mp3Options {
  bool variableBitRate = false;  // LAME's VBR (-V2) instead of a constant rate
  bool headerFrame = true;       // the Xing/Info frame with the LAME tag (lame -t leaves it out)
  int bitRate = 128;             // kbit/s of a constant-rate file
  int sampleRate = 44100;
  int channels = 2;
};

struct Mp3Encoding {
  std::string bytes;
  std::int64_t samples = 0;  // frames of audio that went in
  int encoderDelay = 0;      // samples LAME put in front of them
  int audioFrames = 0;       // MPEG frames holding audio (the header frame not counted)
};

// Samples every MPEG-1 Layer III frame decodes to.
inline constexpr int kSamplesPerFrame = 1152;
// Delay of an MP3 decoder (the synthesis filter) on top of the encoder's: without gapless
// information a decoder outputs the encoded audio this many samples after the encoder's delay.
inline constexpr int kDecoderDelay = 529;

// Encodes interleaved float samples.
Mp3Encoding EncodeMp3(const std::vector<float>& interleaved, const Mp3Options& options);

// Byte offsets of the frames of an MPEG-1/2 Layer III file that starts with a frame (the files
// EncodeMp3 writes), the header frame included, walking frame lengths from offset 0. A frame
// that does not fit whole is not listed.
std::vector<std::size_t> Mp3FrameOffsets(const std::string& bytes);

}  // namespace spinwave::test
