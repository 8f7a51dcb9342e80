// Reads the MPEG audio frame headers of an MP3 file and reports version, layer, sample rate,
// channel mode, flags, frame count, bit rate and duration. Plain file reads, no decoder, no tag
// or VBR-header parsing: a leading ID3v2 tag is only skipped by its size. Fast mode reads two
// frames and extrapolates over the bytes after that tag; exact mode (ExactSearch) walks every
// frame, so variable-bit-rate files get their true length.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace spinwave {

// The 4 header bytes, most significant first in the file, reversed in memory by ChangeEndian so
// that they form one 32-bit little-endian value (frame sync in bits 31-21).
using MP3FRAMEHEADER = uint32_t;

enum ENMPEGVER { MPEGVER_NA, MPEGVER_25, MPEGVER_2, MPEGVER_1 };
enum ENCHANNELMODE { MP3CM_STEREO, MP3CM_JOINT_STEREO, MP3CM_DUAL_CHANNEL, MP3CM_SINGLE_CHANNEL };
enum ENEMPHASIS { MP3EM_NONE, MP3EM_50_15_MS, MP3EM_RESERVED, MP3EM_CCIT_J17 };

class MP3FileReader;

class TEMMP3Info {
 public:
  // Progress of the sync search: Pos = scan position + steps of the current search, MaxPos =
  // file size.
  using ScanPosEvent = std::function<void(TEMMP3Info* sender, int pos, int maxPos)>;

  TEMMP3Info() = default;

  // Analyses the file and fills the properties; true when at least one frame was found. Only
  // files whose extension is ".mp3" (ASCII case ignored) are opened.
  bool GetInfo(const std::string& fileName);

  // From the reader's current position: skips `skip` bytes when positive, then searches for the
  // next frame header (at most 40,001 start positions). A sync counts only as a valid header
  // (no reserved version, layer, bit rate or sample rate) whose next frame, where the file goes
  // on, starts with a valid header of the same version, layer and sample rate; otherwise the
  // search goes on. True when found; `header` then holds it.
  bool GetNextFrameHeader(MP3FileReader& file, MP3FRAMEHEADER* header, int skip);

  // Reverses the 4 bytes at `header` in place; nothing for a null pointer.
  static void ChangeEndian(void* header);

  uint32_t GetFrames() const { return frames_; }
  uint32_t GetLength() const { return length_; }
  int32_t GetMPEGLayer() const { return layer_; }
  bool GetHasCRC() const { return hasCRC_; }
  int32_t GetBitRate() const { return bitRate_; }
  int32_t GetSampleRate() const { return sampleRate_; }
  ENMPEGVER GetMPEGVersion() const { return version_; }
  ENCHANNELMODE GetChannelMode() const { return channelMode_; }
  ENEMPHASIS GetEmphasis() const { return emphasis_; }
  bool GetCopyrighted() const { return copyrighted_; }
  bool GetOriginal() const { return original_; }

  bool GetExactSearch() const { return exactSearch_; }
  void SetExactSearch(bool exact) { exactSearch_ = exact; }
  const ScanPosEvent& GetOnScanPos() const { return onScanPos_; }
  void SetOnScanPos(ScanPosEvent handler) { onScanPos_ = std::move(handler); }

  // Bit rate in kbit/s for a header bit-rate index: 0 for free format (index 0) and for a
  // reserved layer, -1 for the bad index 15.
  static int32_t BitRateFor(ENMPEGVER version, int32_t layer, unsigned index);
  // Sample rate in Hz for a sample-rate index; 0 for index 3 and the reserved version.
  static int32_t SampleRateFor(ENMPEGVER version, unsigned index);
  // Frame length in bytes, header included (integer arithmetic).
  static int32_t FrameLength(ENMPEGVER version, int32_t layer, int32_t bitRate,
                             int32_t sampleRate, int padding);

 private:
  uint32_t frames_ = 0;
  uint32_t length_ = 0;
  int32_t layer_ = 0;
  bool hasCRC_ = false;
  int32_t bitRate_ = 0;
  int32_t sampleRate_ = 0;
  ENMPEGVER version_ = MPEGVER_NA;
  ENCHANNELMODE channelMode_ = MP3CM_STEREO;
  ENEMPHASIS emphasis_ = MP3EM_NONE;
  bool copyrighted_ = false;
  bool original_ = false;
  bool exactSearch_ = false;
  ScanPosEvent onScanPos_;

  int64_t fileSize_ = 0;
  int64_t scanPos_ = 0;
};

// Buffered sequential reader used by the frame walk: 4-byte reads, forward skips and 3-byte
// steps back, without a system call per step.
class MP3FileReader {
 public:
  MP3FileReader() = default;
  ~MP3FileReader();
  MP3FileReader(const MP3FileReader&) = delete;
  MP3FileReader& operator=(const MP3FileReader&) = delete;

  bool Open(const std::string& path);
  void Close();
  int64_t Size() const { return size_; }
  // Reads up to n bytes at the current position; returns the count read.
  size_t Read(void* out, size_t n);
  // Moves the position by delta bytes (clamped to 0..size).
  void Seek(int64_t delta);

 private:
  bool Fill(int64_t at);

  int fd_ = -1;
  int64_t size_ = 0;
  int64_t pos_ = 0;
  int64_t bufStart_ = 0;
  size_t bufLen_ = 0;
  unsigned char buf_[65536];
};

}  // namespace spinwave
