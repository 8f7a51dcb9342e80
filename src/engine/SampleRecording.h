// Writing recorded audio into a sample: the microphone's looping capture buffer.
#pragma once

#include <cstdint>

namespace spinwave {

// Copies `frames` stereo 16-bit frames from `in` into `buffer` (`length` frames) from frame
// `position` on. A looping buffer wraps to its start at the end; a one-shot buffer stops there
// and sets *full. Each sample is stored atomically (the mixer may be playing the buffer).
// Returns the position of the next frame.
int WriteRecordedFrames(std::int16_t* buffer, int length, int position, bool loop,
                        const std::int16_t* in, int frames, bool* full);

}  // namespace spinwave
