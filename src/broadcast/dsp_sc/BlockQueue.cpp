#include "BlockQueue.h"

#include <algorithm>
#include <cstring>

namespace spinwave {

BlockQueue::BlockQueue(int slots) : slots_(std::max(slots, 2)), ring_(new Slot[static_cast<std::size_t>(slots_)]) {}

void BlockQueue::Push(const short* stereo, int frames) {
  while (frames > 0) {
    const int n = std::min(frames, kBlockFrames);
    const std::uint64_t block = written_.load(std::memory_order_relaxed);
    Slot& slot = ring_[block % static_cast<std::uint64_t>(slots_)];
    // A seqlock: a reader that saw the old sequence and sees another one after its copy knows
    // the block changed under it.
    slot.sequence.store(2 * block + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    std::memcpy(slot.samples, stereo, static_cast<std::size_t>(n) * 2 * sizeof(short));
    slot.frames = n;
    slot.sequence.store(2 * block + 2, std::memory_order_release);
    written_.store(block + 1, std::memory_order_release);
    stereo += n * 2;
    frames -= n;
  }
}

int BlockQueue::Pop(short* out) {
  for (;;) {
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    if (written - read_ > static_cast<std::uint64_t>(slots_)) {
      // Lapped: the oldest blocks are gone.
      const std::uint64_t oldest = written - static_cast<std::uint64_t>(slots_);
      dropped_.fetch_add(static_cast<std::int64_t>(oldest - read_), std::memory_order_relaxed);
      read_ = oldest;
    }
    if (read_ == written) return 0;
    Slot& slot = ring_[read_ % static_cast<std::uint64_t>(slots_)];
    const std::uint64_t expected = 2 * read_ + 2;
    if (slot.sequence.load(std::memory_order_acquire) != expected) {
      dropped_.fetch_add(1, std::memory_order_relaxed);  // overwritten since `written` was read
      ++read_;
      continue;
    }
    const int frames = std::clamp(slot.frames, 0, kBlockFrames);
    std::memcpy(out, slot.samples, static_cast<std::size_t>(frames) * 2 * sizeof(short));
    std::atomic_thread_fence(std::memory_order_acquire);
    const bool intact = slot.sequence.load(std::memory_order_relaxed) == expected;
    ++read_;
    if (!intact) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    return frames;
  }
}

void BlockQueue::Clear() { read_ = written_.load(std::memory_order_acquire); }

}  // namespace spinwave
