#include "engine/SampleRecording.h"

#include <atomic>
#include <cstddef>

namespace spinwave {

int WriteRecordedFrames(std::int16_t* buffer, int length, int position, bool loop,
                        const std::int16_t* in, int frames, bool* full) {
  *full = false;
  if (length <= 0) {
    *full = true;
    return 0;
  }
  if (position < 0 || position > length) position = 0;
  for (int i = 0; i < frames; ++i) {
    if (position >= length) {
      if (!loop) {
        *full = true;
        break;
      }
      position = 0;
    }
    std::int16_t* dst = buffer + static_cast<std::size_t>(position) * 2;
    std::atomic_ref<std::int16_t>(dst[0]).store(in[i * 2], std::memory_order_relaxed);
    std::atomic_ref<std::int16_t>(dst[1]).store(in[i * 2 + 1], std::memory_order_relaxed);
    ++position;
  }
  if (!loop && position >= length) *full = true;
  return position;
}

}  // namespace spinwave
