// How one stream channel turns its file's frames into frames at the mix rate: played as they are
// (the channel at exactly the mix rate), resampled at a fixed ratio by libsoxr (pitch as a vinyl
// speed change), or stretched by Rubber Band in its real-time mode (keylock: the tempo follows the
// channel frequency, the key stays).
//
// A change of ratio or of kind builds a new path on the control side (where allocation is
// allowed); the mixer primes it with the input it already holds (history), so that its first
// frame is the next one the listener would have heard, and cross-fades the old path into it. No
// jump in position and no click, and the mixer never allocates, locks or frees: it hands paths
// back through two atomic slots.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace spinwave {

class AudioPath;

// The decoded input of one channel: a linear window of stereo float frames, addressed by frame
// number relative to the stream's position after its last jump (seek). Frames before the window
// (and before 0) read as silence.
struct VoiceWindow {
  static constexpr std::int64_t kCapacity = 16384;  // frames
  std::vector<float> data = std::vector<float>(static_cast<std::size_t>(kCapacity) * 2);
  std::int64_t base = 0;   // frame number of data[0]
  std::int64_t count = 0;  // frames held
  bool ended = false;      // no frame after base + count will come

  std::int64_t End() const { return base + count; }
  // Copies frames [from, from + n) (silence outside the window) into `out`.
  void Copy(std::int64_t from, std::int64_t n, float* out) const;
  const float* At(std::int64_t frame) const { return data.data() + (frame - base) * 2; }
};

// What a channel asks for: its frequency (the source's playback rate), the key reference of a
// keylocked channel (0 = no keylock), the file's and the mixer's rates.
struct VoiceTarget {
  int frequency = 44100;
  int keyFrequency = 0;
  int sourceRate = 44100;
  int mixRate = 44100;
};

class StreamVoice {
 public:
  StreamVoice();
  ~StreamVoice();
  StreamVoice(const StreamVoice&) = delete;
  StreamVoice& operator=(const StreamVoice&) = delete;

  // --- Control side (the channel is not being mixed, or through the pending slot) -----------
  // A fresh channel: drops every path and the window and installs the path for `target`.
  void Start(const VoiceTarget& target);
  // The channel's frequency or keylock changed while it may play: builds the path it now needs
  // when that differs from the last one built, and offers it to the mixer.
  void Retarget(const VoiceTarget& target);
  // Frees the paths the mixer has handed back.
  void Collect();
  // Drops everything (the channel is stopped and the mixer has passed).
  void Clear();

  // --- Mixer side ----------------------------------------------------------------------------
  // The stream jumped (a seek): the window and the path's state start afresh at frame 0.
  void Restart();
  VoiceWindow& Window() { return window_; }
  // Frames the window can take now (after dropping history no path needs).
  std::int64_t MakeRoom();
  // Renders up to `frames` frames into `out` (stereo); `frequency` and `keyFrequency` are the
  // channel's current values (read by the keylock path each block). Returns the frames written;
  // *ended is set once the stream's last frame has been played.
  int Render(float* out, int frames, int frequency, int keyFrequency, bool* ended);
  // Source frame (relative to the last jump) of the next frame to be heard.
  double Position() const;

 private:
  static bool SameKind(const VoiceTarget& a, const VoiceTarget& b);

  VoiceWindow window_;
  AudioPath* current_ = nullptr;  // mixer
  AudioPath* fading_ = nullptr;   // mixer: the path being faded out
  std::atomic<AudioPath*> pending_{nullptr};  // control → mixer
  std::atomic<AudioPath*> spent_{nullptr};    // mixer → control
  bool primed_ = false;                        // mixer: current_ has been primed
  int fadeDone_ = 0;
  int fadeLength_ = 0;
  std::vector<float> fadeScratch_;
  VoiceTarget built_{};  // control: the target of the last path built
  bool haveBuilt_ = false;
};

}  // namespace spinwave
