#include "engine/AudioRingBuffer.h"

#include <algorithm>
#include <cstring>

namespace spinwave {

AudioRingBuffer::AudioRingBuffer(std::size_t minFrames) {
  capacity_ = 1;
  while (capacity_ < minFrames) capacity_ <<= 1;
  mask_ = capacity_ - 1;
  data_.assign(capacity_ * 2, 0.0f);
}

std::size_t AudioRingBuffer::FreeFrames() const {
  const auto w = write_.load(std::memory_order_relaxed);
  const auto r = read_.load(std::memory_order_acquire);
  return capacity_ - static_cast<std::size_t>(w - r);
}

std::size_t AudioRingBuffer::AvailableFrames() const {
  const auto w = write_.load(std::memory_order_acquire);
  const auto r = read_.load(std::memory_order_relaxed);
  return static_cast<std::size_t>(w - r);
}

std::size_t AudioRingBuffer::Write(const float* stereo, std::size_t frames) {
  const auto w = write_.load(std::memory_order_relaxed);
  frames = std::min(frames, FreeFrames());
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t at = static_cast<std::size_t>(w + done) & mask_;
    const std::size_t run = std::min(frames - done, capacity_ - at);
    std::memcpy(&data_[at * 2], stereo + done * 2, run * 2 * sizeof(float));
    done += run;
  }
  write_.store(w + frames, std::memory_order_release);
  return frames;
}

std::size_t AudioRingBuffer::Read(float* stereo, std::size_t frames) {
  const auto r = read_.load(std::memory_order_relaxed);
  frames = std::min(frames, AvailableFrames());
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t at = static_cast<std::size_t>(r + done) & mask_;
    const std::size_t run = std::min(frames - done, capacity_ - at);
    std::memcpy(stereo + done * 2, &data_[at * 2], run * 2 * sizeof(float));
    done += run;
  }
  read_.store(r + frames, std::memory_order_release);
  return frames;
}

void AudioRingBuffer::SkipTo(std::uint64_t index) {
  const auto r = read_.load(std::memory_order_relaxed);
  const auto w = write_.load(std::memory_order_acquire);
  if (index > w) index = w;
  if (index > r) read_.store(index, std::memory_order_release);
}

}  // namespace spinwave
