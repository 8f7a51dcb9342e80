#include "meta/TEMMP3Info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"

namespace spinwave {

namespace {

// Bit rates in kbit/s by header index (MPEG audio standard). Index 0 is free format, 15 bad.
constexpr int32_t kMpeg1Layer1[16] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1};
constexpr int32_t kMpeg1Layer2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1};
constexpr int32_t kMpeg1Layer3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
constexpr int32_t kMpeg2Layer1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1};
constexpr int32_t kMpeg2Layer23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1};

constexpr uint32_t kSyncMask = 0xFFE00000u;
// The fields every frame of one stream shares: sync, version, layer and sample rate.
constexpr uint32_t kStreamMask = 0xFFFE0C00u;

ENMPEGVER VersionOf(MP3FRAMEHEADER h) {
  static constexpr ENMPEGVER versions[4] = {MPEGVER_25, MPEGVER_NA, MPEGVER_2, MPEGVER_1};
  return versions[(h >> 19) & 3u];
}

int32_t LayerOf(MP3FRAMEHEADER h) {
  static constexpr int32_t layers[4] = {0, 3, 2, 1};
  return layers[(h >> 17) & 3u];
}

// A frame header with no reserved field: a reserved version, layer or sample rate or the bad
// bit-rate index is no frame (two bytes of an ID3 tag, a picture or junk that look like a sync).
bool IsValidHeader(MP3FRAMEHEADER h) {
  return (h & kSyncMask) == kSyncMask && ((h >> 19) & 3u) != 1 && ((h >> 17) & 3u) != 0 &&
         ((h >> 12) & 15u) != 15 && ((h >> 10) & 3u) != 3;
}

// Bytes of the ID3v2 tag at the start of the file (header, body and footer), 0 without one.
int64_t LeadingId3v2Size(MP3FileReader& file) {
  unsigned char b[10];
  const size_t got = file.Read(b, sizeof(b));
  file.Seek(-int64_t(got));
  if (got < 10 || std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return 0;
  if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;  // the size is "synchsafe": 7 bits a byte
  int64_t size = 10 + ((int64_t(b[6]) << 21) | (int64_t(b[7]) << 14) | (int64_t(b[8]) << 7) | b[9]);
  if (b[3] >= 4 && (b[5] & 0x10)) size += 10;  // footer
  return size <= file.Size() ? size : 0;
}

bool HasMp3Extension(const std::string& name) {
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return EqualsNoCase(std::string_view(name).substr(dot), ".mp3");
}

int ClampInt(int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return int(v);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// MP3FileReader

MP3FileReader::~MP3FileReader() { Close(); }

bool MP3FileReader::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  size_ = st.st_size;
  pos_ = 0;
  bufStart_ = 0;
  bufLen_ = 0;
  return true;
}

void MP3FileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = pos_ = bufStart_ = 0;
  bufLen_ = 0;
}

bool MP3FileReader::Fill(int64_t at) {
  bufStart_ = at;
  bufLen_ = 0;
  while (bufLen_ < sizeof(buf_)) {
    ssize_t n = ::pread(fd_, buf_ + bufLen_, sizeof(buf_) - bufLen_, off_t(at + int64_t(bufLen_)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bufLen_ += size_t(n);
  }
  return bufLen_ > 0;
}

size_t MP3FileReader::Read(void* out, size_t n) {
  if (fd_ < 0) return 0;
  auto* dst = static_cast<unsigned char*>(out);
  size_t done = 0;
  while (done < n) {
    if (pos_ < bufStart_ || pos_ >= bufStart_ + int64_t(bufLen_)) {
      if (!Fill(pos_)) break;
    }
    size_t offset = size_t(pos_ - bufStart_);
    size_t take = std::min(n - done, bufLen_ - offset);
    std::memcpy(dst + done, buf_ + offset, take);
    done += take;
    pos_ += int64_t(take);
  }
  return done;
}

void MP3FileReader::Seek(int64_t delta) {
  int64_t next = pos_ + delta;
  if (delta > 0 && next < pos_) next = size_;  // overflow
  pos_ = std::clamp<int64_t>(next, 0, std::max<int64_t>(size_, 0));
}

// ---------------------------------------------------------------------------------------------
// TEMMP3Info

void TEMMP3Info::ChangeEndian(void* header) {
  if (!header) return;
  auto* b = static_cast<unsigned char*>(header);
  std::swap(b[0], b[3]);
  std::swap(b[1], b[2]);
}

int32_t TEMMP3Info::BitRateFor(ENMPEGVER version, int32_t layer, unsigned index) {
  index &= 15u;
  if (layer < 1 || layer > 3) return 0;
  if (version == MPEGVER_1) {
    if (layer == 1) return kMpeg1Layer1[index];
    if (layer == 2) return kMpeg1Layer2[index];
    return kMpeg1Layer3[index];
  }
  if (layer == 1) return kMpeg2Layer1[index];
  return kMpeg2Layer23[index];
}

int32_t TEMMP3Info::SampleRateFor(ENMPEGVER version, unsigned index) {
  static constexpr int32_t rates[4][3] = {
      {0, 0, 0}, {11025, 12000, 8000}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  if (index > 2 || version < MPEGVER_NA || version > MPEGVER_1) return 0;
  return rates[version][index];
}

int32_t TEMMP3Info::FrameLength(ENMPEGVER version, int32_t layer, int32_t bitRate,
                                int32_t sampleRate, int padding) {
  if (sampleRate <= 0) return 0;
  if (layer == 1) return 4 * (12000 * bitRate / sampleRate + padding);
  if (layer == 2 || (layer == 3 && version == MPEGVER_1)) return 144000 * bitRate / sampleRate + padding;
  if (layer == 3) return 72000 * bitRate / sampleRate + padding;
  // Reserved layer: no bit rate was looked up, so only the padding remains.
  return padding;
}

namespace {

// True when the frame `header` (just read, the reader right after it) is followed by a frame of
// the same stream, or by the end of the file. Leaves the reader where it was.
bool NextHeaderAgrees(MP3FileReader& file, MP3FRAMEHEADER header) {
  const ENMPEGVER version = VersionOf(header);
  const int32_t layer = LayerOf(header);
  const int32_t bitRate = TEMMP3Info::BitRateFor(version, layer, (header >> 12) & 15u);
  const int32_t length = TEMMP3Info::FrameLength(
      version, layer, bitRate, TEMMP3Info::SampleRateFor(version, (header >> 10) & 3u), int((header >> 9) & 1u));
  // A free-format frame does not say where the next one starts.
  if (bitRate <= 0 || length < 4) return true;
  file.Seek(length - 4);
  unsigned char next[4];
  const size_t got = file.Read(next, 4);
  file.Seek(-(int64_t(length - 4) + int64_t(got)));
  // The last frame of a file (whole or cut short) has no next one to agree.
  if (got < 4) return true;
  TEMMP3Info::ChangeEndian(next);
  MP3FRAMEHEADER nextHeader;
  std::memcpy(&nextHeader, next, 4);
  return IsValidHeader(nextHeader) && (nextHeader & kStreamMask) == (header & kStreamMask);
}

}  // namespace

bool TEMMP3Info::GetNextFrameHeader(MP3FileReader& file, MP3FRAMEHEADER* header, int skip) {
  if (skip > 0) file.Seek(skip);
  unsigned char bytes[4];
  int64_t i = 0;
  bool found = false;
  for (;;) {
    size_t got = file.Read(bytes, 4);
    if (got == 4) {
      ChangeEndian(bytes);
      std::memcpy(header, bytes, 4);
    }
    if (onScanPos_) onScanPos_(this, ClampInt(scanPos_ + i), ClampInt(fileSize_));
    ++i;
    // A short read ends the search without a header: the value left from an earlier frame must
    // not count as a new one (it would repeat at the end of the file for ever).
    if (got < 4) return false;
    if (IsValidHeader(*header) && NextHeaderAgrees(file, *header)) {
      found = true;
      break;
    }
    if (i > 40000 || scanPos_ + i > fileSize_ - 4) break;
    file.Seek(-3);
  }
  return found;
}

bool TEMMP3Info::GetInfo(const std::string& fileName) {
  if (!HasMp3Extension(fileName) || !FileExists(fileName)) return false;
  MP3FileReader file;
  if (!file.Open(fileName)) return false;

  fileSize_ = file.Size();
  // A leading ID3v2 tag is skipped whole: a picture inside it is full of bytes that look like a
  // frame sync, and a large one would use up the search before the first frame.
  scanPos_ = LeadingId3v2Size(file);
  file.Seek(scanPos_);
  // The audio is what follows the tag: the fast mode extrapolates over that.
  const int64_t audioBytes = fileSize_ - scanPos_;
  frames_ = 0;
  double totalTime = 0.0;
  int64_t bitRateSum = 0;
  int skip = 0;
  MP3FRAMEHEADER header = 0;
  bool extrapolated = false;

  while (GetNextFrameHeader(file, &header, skip)) {
    if (frames_ == 0) {
      version_ = VersionOf(header);
      layer_ = LayerOf(header);
      hasCRC_ = ((header >> 16) & 1u) == 0;
    }
    const int32_t b = BitRateFor(version_, layer_, (header >> 12) & 15u);
    if (b > 0) bitRateSum += b;
    sampleRate_ = SampleRateFor(version_, (header >> 10) & 3u);
    if (sampleRate_ == 0) break;
    channelMode_ = ENCHANNELMODE((header >> 6) & 3u);
    copyrighted_ = ((header >> 3) & 1u) != 0;
    original_ = ((header >> 2) & 1u) != 0;
    emphasis_ = ENEMPHASIS(header & 3u);

    const int padding = int((header >> 9) & 1u);
    const int32_t frameLength = FrameLength(version_, layer_, b, sampleRate_, padding);
    skip = frameLength - 4;
    scanPos_ += skip;
    ++frames_;
    if (b > 0) totalTime += double(frameLength) * 8.0 / double(b);

    if (!exactSearch_ && frames_ >= 2) {
      const double averageFrameTime = totalTime / frames_;
      const int32_t g = int32_t(bitRateSum / frames_);
      // Without a usable bit rate in the first two frames there is nothing to extrapolate
      // from: keep what was counted instead of dividing by a zero frame length.
      if (g > 0) {
        const double factor = layer_ == 1 ? 48.0 : (layer_ == 3 && version_ != MPEGVER_1) ? 72.0 : 144.0;
        const double estimatedLength = double(g) * 1000.0 / double(sampleRate_) * factor;
        const double estimated = double(audioBytes) / estimatedLength;
        frames_ = estimated >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(estimated);
        totalTime = double(frames_) * averageFrameTime;
      }
      bitRate_ = g;
      extrapolated = true;
      break;
    }
  }
  file.Close();

  if (frames_ == 0) return false;
  length_ = totalTime >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(totalTime);
  // Exact mode averages over every frame. A fast walk that ended before its second frame has no
  // extrapolated rate: it gets the average of what it read instead of the previous file's value.
  if (!extrapolated) bitRate_ = int32_t(bitRateSum / frames_);
  return true;
}

}  // namespace spinwave
