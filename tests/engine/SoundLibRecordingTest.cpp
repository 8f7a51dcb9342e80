// Recorded frames going into the microphone's capture sample: looping and one-shot.
#include <gtest/gtest.h>

#include <vector>

#include "engine/SampleRecording.h"

namespace spinwave {
namespace {

// Frame i of the input carries (i + 1, -(i + 1)) so every stored frame shows where it came from.
std::vector<std::int16_t> Numbered(int frames) {
  std::vector<std::int16_t> in;
  for (int i = 0; i < frames; ++i) {
    in.push_back(static_cast<std::int16_t>(i + 1));
    in.push_back(static_cast<std::int16_t>(-(i + 1)));
  }
  return in;
}

TEST(SoundLibRecordingTest, FramesWrapInALoopAndStopAtTheEndOtherwise) {
  struct Case {
    const char* name;
    int position;
    bool loop;
    int frames;
    int nextPosition;
    bool full;
    std::vector<int> expected;  // left sample of each of the 6 buffer frames afterwards
  };
  const Case cases[] = {
      {"inside", 1, true, 3, 4, false, {0, 1, 2, 3, 0, 0}},
      {"wraps", 4, true, 4, 2, false, {3, 4, 0, 0, 1, 2}},
      {"fills exactly", 3, true, 3, 6, false, {0, 0, 0, 1, 2, 3}},
      {"wraps many times", 0, true, 14, 2, false, {13, 14, 9, 10, 11, 12}},
      {"one-shot stops", 4, false, 5, 6, true, {0, 0, 0, 0, 1, 2}},
      {"one-shot just fits", 0, false, 6, 6, true, {1, 2, 3, 4, 5, 6}},
      {"one-shot with room", 0, false, 2, 2, false, {1, 2, 0, 0, 0, 0}},
      {"bad position starts over", 99, true, 1, 1, false, {1, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::int16_t> buffer(12, 0);
    const auto in = Numbered(c.frames);
    bool full = false;
    EXPECT_EQ(WriteRecordedFrames(buffer.data(), 6, c.position, c.loop, in.data(), c.frames, &full),
              c.nextPosition);
    EXPECT_EQ(full, c.full);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(buffer[static_cast<size_t>(i) * 2], c.expected[static_cast<size_t>(i)]) << "frame " << i;
      EXPECT_EQ(buffer[static_cast<size_t>(i) * 2 + 1], -c.expected[static_cast<size_t>(i)]) << "frame " << i;
    }
  }
}

}  // namespace
}  // namespace spinwave
