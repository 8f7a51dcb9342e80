// The MP3 encoder of the stream: libmp3lame at a constant bit rate, 44100 Hz joint stereo, no
// header frame (a stream has no start to rewrite). One per connection, so that every listener
// of a new connection gets a stream that starts cleanly.
#pragma once

#include <lame/lame.h>

namespace spinwave {

class Mp3Encoder {
 public:
  explicit Mp3Encoder(int bitRate);
  ~Mp3Encoder();
  Mp3Encoder(const Mp3Encoder&) = delete;
  Mp3Encoder& operator=(const Mp3Encoder&) = delete;

  bool Ok() const { return ready_; }
  // Encodes `frames` stereo frames of 16-bit samples into `out` (room for BufferBytes(frames));
  // returns the bytes written (often 0: the encoder holds audio until a frame is full), < 0 on
  // error.
  int Encode(const short* stereo, int frames, unsigned char* out, int room);
  // Room the encoded data of `frames` frames may need.
  static int BufferBytes(int frames) { return frames * 5 / 4 + 7200; }

 private:
  lame_global_flags* lame_ = nullptr;
  bool ready_ = false;
};

}  // namespace spinwave
