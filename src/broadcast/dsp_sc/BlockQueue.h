// The hand-over from the real-time mixing thread to the encoder thread: a fixed ring of audio
// blocks that the producer never waits for. When the consumer falls behind (a slow network, a
// server that is gone), the producer overwrites the oldest blocks; the consumer notices and
// counts them as dropped. The mixer thus never blocks, locks or allocates here.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace spinwave {

class BlockQueue {
 public:
  // Frames one block holds; longer pushes are split.
  static constexpr int kBlockFrames = 2048;

  explicit BlockQueue(int slots);

  // Producer (one thread): copies `frames` stereo frames of 16-bit samples.
  void Push(const short* stereo, int frames);

  // Consumer (one thread): copies the oldest block not yet read into `out` (room for
  // kBlockFrames stereo frames) and returns its frames; 0 when there is none.
  int Pop(short* out);
  // Skips everything queued (not counted as dropped: the caller chose to discard it).
  void Clear();

  // Blocks lost because the consumer did not take them in time.
  std::int64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }
  std::int64_t Pushed() const { return written_.load(std::memory_order_relaxed); }
  int Slots() const { return slots_; }

 private:
  struct Slot {
    // 2 × block number + 2 once the block is complete; odd while it is being written.
    std::atomic<std::uint64_t> sequence{0};
    int frames = 0;
    short samples[kBlockFrames * 2];
  };

  const int slots_;
  std::unique_ptr<Slot[]> ring_;
  alignas(64) std::atomic<std::uint64_t> written_{0};  // blocks pushed
  alignas(64) std::uint64_t read_ = 0;                 // consumer only
  std::atomic<std::int64_t> dropped_{0};
};

}  // namespace spinwave
