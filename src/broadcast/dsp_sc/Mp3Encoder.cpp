#include "Mp3Encoder.h"

namespace spinwave {

Mp3Encoder::Mp3Encoder(int bitRate) : lame_(lame_init()) {
  if (!lame_) return;
  lame_set_in_samplerate(lame_, 44100);
  lame_set_out_samplerate(lame_, 44100);
  lame_set_num_channels(lame_, 2);
  lame_set_mode(lame_, JOINT_STEREO);
  lame_set_brate(lame_, bitRate);
  lame_set_quality(lame_, 5);  // LAME's "good and fast": a live stream must keep up on any machine
  lame_set_bWriteVbrTag(lame_, 0);
  ready_ = lame_init_params(lame_) >= 0;
}

Mp3Encoder::~Mp3Encoder() {
  if (lame_) lame_close(lame_);
}

int Mp3Encoder::Encode(const short* stereo, int frames, unsigned char* out, int room) {
  if (!ready_) return -1;
  return lame_encode_buffer_interleaved(lame_, const_cast<short*>(stereo), frames, out, room);
}

}  // namespace spinwave
