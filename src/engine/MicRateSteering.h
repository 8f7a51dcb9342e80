// Keeps the live playback of the microphone's looping capture sample 50 to 100 ms behind the
// recording: read every 10 ms, it answers the playback rate for the play and record positions
// (frames within the loop).
#pragma once

namespace spinwave {

class MicRateSteering {
 public:
  // 50 ms and 100 ms at 44100 Hz.
  static constexpr int kNearFrames = 2205;
  static constexpr int kFarFrames = 4410;
  static constexpr int kStepHz = 1000;

  explicit MicRateSteering(int baseRate) : base_(baseRate) {}

  // The rate for this reading, or -1 to leave the rate as it is: when either position has not
  // grown since the last reading (one wrapped to the start of the loop, or nothing moved), the
  // distance between them means nothing. Playback less than 50 ms behind runs 1000 Hz slower,
  // more than 100 ms behind 1000 Hz faster, otherwise at the base rate.
  int Next(int playPosition, int recordPosition) {
    int rate = -1;
    if (playPosition > lastPlay_ && recordPosition > lastRecord_) {
      const int d = playPosition - recordPosition;
      if (d > -kNearFrames) {
        rate = base_ - kStepHz;
      } else if (d < -kFarFrames) {
        rate = base_ + kStepHz;
      } else {
        rate = base_;
      }
    }
    lastPlay_ = playPosition;
    lastRecord_ = recordPosition;
    return rate;
  }

  int Base() const { return base_; }

 private:
  int base_;
  int lastPlay_ = 0;
  int lastRecord_ = 0;
};

}  // namespace spinwave
