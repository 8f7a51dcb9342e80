#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "meta/MetaFixtures.h"
#include "meta/TEMMP3Info.h"

namespace spinwave {
namespace {

using test::Append;
using test::Frame;
using test::FrameHeader;
using test::FrameSpec;

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz: 417 bytes, 418 with padding.
FrameSpec Cbr128(bool padding = false) {
  FrameSpec f;
  f.padding = padding;
  return f;
}

TEST(TEMMP3Info, FastModeExtrapolatesA128kFileOverItsSize) {
  test::TempFolder dir;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 100; ++i) Append(bytes, Frame(Cbr128(), 417));
  test::WriteBytes(dir.File("cbr.mp3"), bytes);

  TEMMP3Info info;
  ASSERT_TRUE(info.GetInfo(dir.File("cbr.mp3")));
  EXPECT_EQ(info.GetMPEGLayer(), 3);
  EXPECT_EQ(info.GetMPEGVersion(), MPEGVER_1);
  EXPECT_EQ(info.GetBitRate(), 128);
  EXPECT_EQ(info.GetSampleRate(), 44100);
  // 41,700 bytes / 417.96 bytes per average frame = 99.77 frames, of 26.0625 ms each.
  EXPECT_EQ(info.GetFrames(), uint32_t(41700 / 417.96));
  EXPECT_EQ(info.GetFrames(), 99u);
  EXPECT_EQ(info.GetLength(), 2580u);

  info.SetExactSearch(true);
  ASSERT_TRUE(info.GetInfo(dir.File("cbr.mp3")));
  EXPECT_EQ(info.GetFrames(), 100u);
  EXPECT_EQ(info.GetLength(), 2606u);
  EXPECT_EQ(info.GetBitRate(), 128);
}

TEST(TEMMP3Info, Mpeg2LayerIIIFramesAre208BytesAnd209WithPadding) {
  // Bodies full of 0xFF: a walk that lands one byte off reads a false header (reserved sample
  // rate) and ends early, so three frames are only counted with the exact lengths.
  FrameSpec f;
  f.version = 2;
  f.bitRateIndex = 8;  // 64 kbit/s in the MPEG-2 table
  test::TempFolder dir;
  std::vector<uint8_t> bytes;
  Append(bytes, Frame(f, 208, 0xFF));
  f.padding = true;
  Append(bytes, Frame(f, 209, 0xFF));
  f.padding = false;
  Append(bytes, Frame(f, 208, 0xFF));
  test::WriteBytes(dir.File("mpeg2.mp3"), bytes);

  EXPECT_EQ(TEMMP3Info::FrameLength(MPEGVER_2, 3, 64, 22050, 0), 208);
  EXPECT_EQ(TEMMP3Info::FrameLength(MPEGVER_2, 3, 64, 22050, 1), 209);

  TEMMP3Info info;
  info.SetExactSearch(true);
  ASSERT_TRUE(info.GetInfo(dir.File("mpeg2.mp3")));
  EXPECT_EQ(info.GetFrames(), 3u);
  EXPECT_EQ(info.GetMPEGVersion(), MPEGVER_2);
  EXPECT_EQ(info.GetSampleRate(), 22050);
  EXPECT_EQ(info.GetBitRate(), 64);
  EXPECT_EQ(info.GetLength(), 78u);  // 26 + 26.125 + 26 ms
}

TEST(TEMMP3Info, ExactModeSumsTheFrameTimesOfAVariableBitRateFile) {
  test::TempFolder dir;
  std::vector<uint8_t> bytes;
  FrameSpec f;
  f.bitRateIndex = 9;  // 128 kbit/s, 417 bytes
  Append(bytes, Frame(f, 417));
  f.bitRateIndex = 11;  // 192 kbit/s, 626 bytes
  Append(bytes, Frame(f, 626));
  f.bitRateIndex = 14;  // 320 kbit/s, 1044 bytes
  Append(bytes, Frame(f, 1044));
  test::WriteBytes(dir.File("vbr.mp3"), bytes);

  TEMMP3Info info;
  info.SetExactSearch(true);
  ASSERT_TRUE(info.GetInfo(dir.File("vbr.mp3")));
  EXPECT_EQ(info.GetFrames(), 3u);
  EXPECT_EQ(info.GetLength(), 78u);    // 26.0625 + 26.083 + 26.1 ms
  EXPECT_EQ(info.GetBitRate(), 213);  // (128 + 192 + 320) / 3

  // Fast mode takes the first two frames as typical: 160 kbit/s, 522.4 bytes a frame.
  info.SetExactSearch(false);
  ASSERT_TRUE(info.GetInfo(dir.File("vbr.mp3")));
  EXPECT_EQ(info.GetBitRate(), 160);
  EXPECT_EQ(info.GetFrames(), 3u);  // 2087 / 522.4
}

struct HeaderCase {
  const char* name;
  FrameSpec spec;
  ENMPEGVER version;
  int layer;
  bool crc;
  int sampleRate;
  int bitRate;
  ENCHANNELMODE mode;
  ENEMPHASIS emphasis;
};

TEST(TEMMP3Info, DecodesTheHeaderFieldsOfTheFirstFrame) {
  auto spec = [](unsigned version, unsigned layer, bool crc, unsigned br, unsigned sr, unsigned mode,
                 unsigned emphasis, bool copyright, bool original) {
    FrameSpec f;
    f.version = version;
    f.layer = layer;
    f.protectedByCrc = crc;
    f.bitRateIndex = br;
    f.sampleRateIndex = sr;
    f.channelMode = mode;
    f.emphasis = emphasis;
    f.copyright = copyright;
    f.original = original;
    return f;
  };
  const HeaderCase cases[] = {
      {"mpeg1 layer3 crc", spec(3, 1, true, 9, 0, 0, 0, true, false), MPEGVER_1, 3, true, 44100, 128,
       MP3CM_STEREO, MP3EM_NONE},
      {"mpeg1 layer2 48k", spec(3, 2, false, 10, 1, 3, 1, false, true), MPEGVER_1, 2, false, 48000, 192,
       MP3CM_SINGLE_CHANNEL, MP3EM_50_15_MS},
      {"mpeg1 layer1 32k", spec(3, 3, false, 4, 2, 2, 3, false, false), MPEGVER_1, 1, false, 32000, 128,
       MP3CM_DUAL_CHANNEL, MP3EM_CCIT_J17},
      {"mpeg2 layer3 24k", spec(2, 1, false, 8, 1, 1, 0, false, false), MPEGVER_2, 3, false, 24000, 64,
       MP3CM_JOINT_STEREO, MP3EM_NONE},
      {"mpeg2 layer1 16k", spec(2, 3, false, 9, 2, 0, 0, false, false), MPEGVER_2, 1, false, 16000, 144,
       MP3CM_STEREO, MP3EM_NONE},
      {"mpeg2.5 layer3 11k", spec(0, 1, true, 4, 0, 3, 0, false, false), MPEGVER_25, 3, true, 11025, 32,
       MP3CM_SINGLE_CHANNEL, MP3EM_NONE},
      {"mpeg2.5 layer2 8k", spec(0, 2, false, 14, 2, 0, 0, false, false), MPEGVER_25, 2, false, 8000, 160,
       MP3CM_STEREO, MP3EM_NONE},
  };
  test::TempFolder dir;
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TEMMP3Info info;
    info.SetExactSearch(true);
    const int length = TEMMP3Info::FrameLength(c.version, c.layer, c.bitRate, c.sampleRate, 0);
    std::vector<uint8_t> bytes;
    Append(bytes, Frame(c.spec, size_t(length)));
    Append(bytes, Frame(c.spec, size_t(length)));
    test::WriteBytes(dir.File("h.mp3"), bytes);
    ASSERT_TRUE(info.GetInfo(dir.File("h.mp3")));
    EXPECT_EQ(info.GetFrames(), 2u);
    EXPECT_EQ(info.GetMPEGVersion(), c.version);
    EXPECT_EQ(info.GetMPEGLayer(), c.layer);
    EXPECT_EQ(info.GetHasCRC(), c.crc);
    EXPECT_EQ(info.GetSampleRate(), c.sampleRate);
    EXPECT_EQ(info.GetBitRate(), c.bitRate);
    EXPECT_EQ(info.GetChannelMode(), c.mode);
    EXPECT_EQ(info.GetEmphasis(), c.emphasis);
    EXPECT_EQ(info.GetCopyrighted(), c.spec.copyright);
    EXPECT_EQ(info.GetOriginal(), c.spec.original);
  }
}

TEST(TEMMP3Info, TheSyncSearchLooksAt40001StartPositions) {
  test::TempFolder dir;
  for (size_t garbage : {size_t(40000), size_t(40001)}) {
    SCOPED_TRACE(garbage);
    std::vector<uint8_t> bytes(garbage, 0);
    Append(bytes, Frame(Cbr128(), 417));
    Append(bytes, Frame(Cbr128(), 417));
    test::WriteBytes(dir.File("late.mp3"), bytes);
    TEMMP3Info info;
    EXPECT_EQ(info.GetInfo(dir.File("late.mp3")), garbage == 40000);
  }
}

TEST(TEMMP3Info, OnlyMp3NamesAreOpened) {
  test::TempFolder dir;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 3; ++i) Append(bytes, Frame(Cbr128(), 417));
  const struct {
    const char* name;
    bool analysed;
  } cases[] = {{"upper.MP3", true}, {"mixed.Mp3", true}, {"copy.mp2", false}, {"noext", false},
               {"dot.mp3.bak", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteBytes(dir.File(c.name), bytes);
    TEMMP3Info info;
    int scans = 0;
    info.SetOnScanPos([&](TEMMP3Info*, int, int) { ++scans; });
    EXPECT_EQ(info.GetInfo(dir.File(c.name)), c.analysed);
    EXPECT_EQ(scans > 0, c.analysed) << "a file that is not analysed is not read";
  }
  TEMMP3Info info;
  EXPECT_FALSE(info.GetInfo(dir.File("missing.mp3")));
  EXPECT_FALSE(info.GetInfo(dir.Path()));
}

TEST(TEMMP3Info, ReportsTheScanPositionOfEverySearchStep) {
  test::TempFolder dir;
  std::vector<uint8_t> bytes = {0x00, 0x12, 0x34};
  Append(bytes, Frame(Cbr128(), 417));
  test::WriteBytes(dir.File("scan.mp3"), bytes);
  TEMMP3Info info;
  std::vector<std::pair<int, int>> steps;
  info.SetOnScanPos([&](TEMMP3Info* sender, int pos, int max) {
    EXPECT_EQ(sender, &info);
    steps.emplace_back(pos, max);
  });
  ASSERT_TRUE(info.GetInfo(dir.File("scan.mp3")));
  ASSERT_GE(steps.size(), 4u);
  // The first search tries offsets 0..3; the frame is found on the fourth step.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(steps[size_t(i)], std::make_pair(i, 420));
}

TEST(TEMMP3Info, TheWalkEndsAtTheEndOfTheFileInExactMode) {
  // The last header read must not be counted again once the reads fail at the end of the file.
  test::TempFolder dir;
  std::vector<uint8_t> bytes;
  Append(bytes, Frame(Cbr128(), 417));
  Append(bytes, Frame(Cbr128(), 200));  // cut short
  test::WriteBytes(dir.File("cut.mp3"), bytes);
  TEMMP3Info info;
  info.SetExactSearch(true);
  ASSERT_TRUE(info.GetInfo(dir.File("cut.mp3")));
  EXPECT_EQ(info.GetFrames(), 2u);
}

TEST(TEMMP3Info, FreeFormatAndSingleFrameFilesGiveTheirOwnBitRate) {
  test::TempFolder dir;
  TEMMP3Info info;
  // A file with one frame after a file of another rate: the rate is the new file's.
  std::vector<uint8_t> big;
  FrameSpec f320;
  f320.bitRateIndex = 14;
  for (int i = 0; i < 3; ++i) Append(big, Frame(f320, 1044));
  test::WriteBytes(dir.File("320.mp3"), big);
  ASSERT_TRUE(info.GetInfo(dir.File("320.mp3")));
  EXPECT_EQ(info.GetBitRate(), 320);
  test::WriteBytes(dir.File("one.mp3"), Frame(Cbr128(), 417));
  ASSERT_TRUE(info.GetInfo(dir.File("one.mp3")));
  EXPECT_EQ(info.GetFrames(), 1u);
  EXPECT_EQ(info.GetBitRate(), 128);

  // Free-format frames (bit-rate index 0) carry no rate to extrapolate from.
  FrameSpec free;
  free.bitRateIndex = 0;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 4; ++i) Append(bytes, Frame(free, 300));
  test::WriteBytes(dir.File("free.mp3"), bytes);
  ASSERT_TRUE(info.GetInfo(dir.File("free.mp3")));
  EXPECT_EQ(info.GetBitRate(), 0);
  EXPECT_EQ(info.GetLength(), 0u);
  EXPECT_EQ(info.GetFrames(), 2u);
}

TEST(TEMMP3Info, MeasuresAnEncodedFile) {
  test::TempFolder dir;
  test::MakeSoundFile(dir.File("tone.mp3"), true, 2.0);
  TEMMP3Info info;
  info.SetExactSearch(true);
  ASSERT_TRUE(info.GetInfo(dir.File("tone.mp3")));
  EXPECT_EQ(info.GetMPEGVersion(), MPEGVER_1);
  EXPECT_EQ(info.GetMPEGLayer(), 3);
  EXPECT_EQ(info.GetSampleRate(), 44100);
  // Two seconds of sound, plus the encoder's header frame and its delay and padding.
  EXPECT_NEAR(double(info.GetLength()), 2000.0, 120.0);
  EXPECT_GT(info.GetFrames(), 70u);

  // Fast mode sees the same stream (its length is only as good as the first two frames of
  // this variable-rate encoding).
  info.SetExactSearch(false);
  ASSERT_TRUE(info.GetInfo(dir.File("tone.mp3")));
  EXPECT_EQ(info.GetMPEGLayer(), 3);
  EXPECT_EQ(info.GetSampleRate(), 44100);
}

// An ID3v2 tag of `body` bytes (version 2.3, or 2.4 with a footer).
std::vector<uint8_t> Id3v2(const std::vector<uint8_t>& body, bool footer = false) {
  const size_t n = body.size();
  std::vector<uint8_t> tag = {'I', 'D', '3', uint8_t(footer ? 4 : 3), 0, uint8_t(footer ? 0x10 : 0),
                              uint8_t((n >> 21) & 0x7f), uint8_t((n >> 14) & 0x7f),
                              uint8_t((n >> 7) & 0x7f), uint8_t(n & 0x7f)};
  Append(tag, body);
  if (footer) {
    std::vector<uint8_t> foot(tag.begin(), tag.begin() + 10);
    foot[0] = '3';
    foot[1] = 'D';
    foot[2] = 'I';
    Append(tag, foot);
  }
  return tag;
}

// Bytes that hold what looks like a frame sync, and more.
std::vector<uint8_t> Repeat(std::vector<uint8_t> pattern, size_t n) {
  std::vector<uint8_t> out;
  while (out.size() < n) Append(out, pattern);
  out.resize(n);
  return out;
}

// What comes before the audio must not be taken for frames: a picture in the tag, junk with a
// reserved sample rate, a lone header whose next frame is not there. 17 frames of 128 kbit/s
// are 443 ms; found by the first sync alone, such files gave no frame info or a few fake
// frames.
TEST(TEMMP3Info, TheSearchSkipsWhatOnlyLooksLikeAFrame) {
  const std::vector<uint8_t> validHeader = FrameHeader(Cbr128());  // FF FB 90 44
  const std::vector<uint8_t> reservedRate = {0xFF, 0xFB, 0x9C, 0x44};
  std::vector<uint8_t> loneHeader = validHeader;
  Append(loneHeader, std::vector<uint8_t>(700, 0x55));
  const struct {
    const char* name;
    std::vector<uint8_t> before;
  } cases[] = {
      {"ID3v2 tag with frame syncs in a picture", Id3v2(Repeat(validHeader, 3000))},
      {"ID3v2.4 tag with a footer", Id3v2(Repeat({0xFF, 0xFA, 0x00, 0xFF}, 500), true)},
      {"ID3v2 tag beyond the search's reach", Id3v2(std::vector<uint8_t>(100000, 0))},
      {"junk with a reserved sample rate", Repeat(reservedRate, 64)},
      {"a header whose next frame is missing", loneHeader},
      {"bad bit-rate index and reserved layer", Repeat({0xFF, 0xFB, 0xF0, 0x00, 0xFF, 0xF9, 0x90, 0x00}, 96)},
  };
  test::TempFolder dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = c.before;
    for (int i = 0; i < 17; ++i) Append(bytes, Frame(Cbr128(), 417, 0x11));
    test::WriteBytes(dir.File("junk.mp3"), bytes);
    TEMMP3Info info;
    info.SetExactSearch(true);
    if (!info.GetInfo(dir.File("junk.mp3"))) {
      ADD_FAILURE() << "no frame found";
      continue;
    }
    EXPECT_EQ(info.GetFrames(), 17u);
    EXPECT_EQ(info.GetLength(), 443u);
    EXPECT_EQ(info.GetBitRate(), 128);
    EXPECT_EQ(info.GetSampleRate(), 44100);
    EXPECT_EQ(info.GetMPEGVersion(), MPEGVER_1);
  }
}

// The fast mode extrapolates over the audio, not over a tag in front of it.
TEST(TEMMP3Info, FastModeLeavesTheTagOutOfItsEstimate) {
  test::TempFolder dir;
  std::vector<uint8_t> bytes = Id3v2(std::vector<uint8_t>(200000, 0));
  for (int i = 0; i < 100; ++i) Append(bytes, Frame(Cbr128(), 417));
  test::WriteBytes(dir.File("tagged.mp3"), bytes);
  TEMMP3Info info;
  ASSERT_TRUE(info.GetInfo(dir.File("tagged.mp3")));
  EXPECT_EQ(info.GetFrames(), 99u);  // 41,700 bytes of audio / 417.96, as without the tag
  EXPECT_EQ(info.GetLength(), 2580u);
}

TEST(TEMMP3Info, ChangeEndianReversesFourBytes) {
  uint8_t b[4] = {1, 2, 3, 4};
  TEMMP3Info::ChangeEndian(b);
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(b[1], 3);
  EXPECT_EQ(b[2], 2);
  EXPECT_EQ(b[3], 1);
  TEMMP3Info::ChangeEndian(nullptr);
}

}  // namespace
}  // namespace spinwave
