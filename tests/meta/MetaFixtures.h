// Fixtures for the track-metadata tests, made at run time: MPEG frame headers written byte by
// byte, real MP3 and Ogg Vorbis files encoded with libsndfile, and tags written with TagLib.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace spinwave::test {

struct FrameSpec {
  unsigned version = 3;      // header bits 20-19: 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
  unsigned layer = 1;        // header bits 18-17: 1 Layer III, 2 Layer II, 3 Layer I
  bool protectedByCrc = false;
  unsigned bitRateIndex = 9;  // 128 kbit/s for MPEG-1 Layer III
  unsigned sampleRateIndex = 0;
  bool padding = false;
  unsigned channelMode = 1;
  bool copyright = false;
  bool original = true;
  unsigned emphasis = 0;
};

// The 4 header bytes in file order.
std::vector<uint8_t> FrameHeader(const FrameSpec& f);
// A whole frame: header followed by `length - 4` bytes of `fill`.
std::vector<uint8_t> Frame(const FrameSpec& f, size_t length, uint8_t fill = 0);
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Encodes `seconds` of a stereo 44.1 kHz tone with libsndfile. `mp3` chooses MPEG Layer III,
// otherwise Ogg Vorbis.
void MakeSoundFile(const std::string& path, bool mp3, double seconds);
// Number of sample frames libsndfile decodes from the file; -1 when it cannot open it.
long long DecodedFrames(const std::string& path);

// Replaces the ID3v2 tag of an MP3 file by these text frames (COMM gets a comment frame), in
// ID3v2.3, each with the given text encoding (0 Latin-1, 1 UTF-16).
void WriteId3v2(const std::string& path, const std::vector<std::pair<std::string, std::string>>& frames,
                int encoding = 0);
// Gives an MP3 file an ID3v1 tag with this title.
void WriteId3v1Title(const std::string& path, const std::string& title);

// Runs `fn` as an unprivileged user when the tests run as root (so that file permissions
// apply), else directly; returns fn's result.
bool RunWithoutPrivileges(const std::function<bool()>& fn);

}  // namespace spinwave::test
