// Single-producer single-consumer ring of interleaved stereo float frames. The producer (a
// decoder thread) and the consumer (the mixer) never block or lock; indices only grow.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace spinwave {

class AudioRingBuffer {
 public:
  // Capacity is rounded up to a power of two frames.
  explicit AudioRingBuffer(std::size_t minFrames);

  std::size_t Capacity() const { return capacity_; }
  // Producer side.
  std::size_t FreeFrames() const;
  // Writes up to `frames` frames; returns how many were written.
  std::size_t Write(const float* stereo, std::size_t frames);
  std::uint64_t WriteIndex() const { return write_.load(std::memory_order_acquire); }

  // Consumer side.
  std::size_t AvailableFrames() const;
  std::size_t Read(float* stereo, std::size_t frames);
  // Drops everything before `index` (a write index published by the producer); nothing when the
  // read position is already there or beyond.
  void SkipTo(std::uint64_t index);
  std::uint64_t ReadIndex() const { return read_.load(std::memory_order_acquire); }

 private:
  std::size_t capacity_;
  std::size_t mask_;
  std::vector<float> data_;
  alignas(64) std::atomic<std::uint64_t> write_{0};
  alignas(64) std::atomic<std::uint64_t> read_{0};
};

}  // namespace spinwave
