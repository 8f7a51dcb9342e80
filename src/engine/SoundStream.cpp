#include "engine/SoundStream.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "engine/soundlib.h"

namespace spinwave {

namespace {
constexpr std::size_t kChunkFrames = 4096;
// Frames kept decoded ahead of the mixer: 4 s at the file's rate (never under 2 s).
constexpr int kAheadSeconds = 4;
// Ogg seeks inside the last page can land on wrong samples: targets this close to the end are
// reached by seeking earlier and decoding forward.
constexpr int kOggTailMs = 1500;

}  // namespace

SoundStream::SoundStream(std::string p, unsigned m) : path(std::move(p)), mode(m) {}

void SoundStream::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id() || OpenState() == kOpenPending) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

SoundStream::~SoundStream() {
  Shutdown();
  if (file_) sf_close(file_);
  if (fd_ >= 0) ::close(fd_);
}

int SoundStream::LengthMs() const {
  if (OpenState() != kOpenReady || sampleRate_ <= 0) return 0;
  return static_cast<int>(Frames() * 1000 / sampleRate_);
}

std::string SoundStream::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void SoundStream::SetError(const std::string& text) {
  std::lock_guard lock(mutex_);
  error_ = text;
}

int SoundStream::OpenFile() {
  // One open for both questions: can the file be read at all, and is it audio.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError("cannot read file \"" + path + "\": " + std::strerror(errno));
    return kOpenFailed;
  }
  SF_INFO info{};
  file_ = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
  if (!file_) {
    ::close(fd);
    SetError("not a playable audio file \"" + path + "\": " + sf_strerror(nullptr));
    return kOpenBadFormat;
  }
  fd_ = fd;
  if (info.samplerate < 1000 || info.samplerate > 384000 || info.channels < 1 ||
      info.frames <= 0) {
    SetError("no audio in \"" + path + "\"");
    sf_close(file_);
    file_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    return kOpenBadFormat;
  }
  sampleRate_ = info.samplerate;
  fileChannels_ = info.channels;
  frames_ = info.frames;
  const int major = info.format & SF_FORMAT_TYPEMASK;
  isOgg_ = major == SF_FORMAT_OGG;
  if ((mode & kModeAccurateLength) && major == SF_FORMAT_MPEG) {
    // Count the frames by decoding the whole file: exact even without a length header.
    std::vector<float> scratch(kChunkFrames * static_cast<std::size_t>(fileChannels_));
    std::int64_t counted = 0;
    sf_count_t got;
    while ((got = sf_readf_float(file_, scratch.data(), kChunkFrames)) > 0) counted += got;
    sf_seek(file_, 0, SEEK_SET);
    if (counted > 0) frames_ = counted;
  }
  ring_ = std::make_unique<AudioRingBuffer>(static_cast<std::size_t>(sampleRate_) * kAheadSeconds);
  return kOpenReady;
}

int SoundStream::OpenBlocking() {
  const int state = OpenFile();
  openState_.store(state, std::memory_order_release);
  if (state == kOpenReady) thread_ = std::thread([this] { Run(false); });
  return state;
}

void SoundStream::OpenInBackground() {
  thread_ = std::thread([self = shared_from_this()] { self->Run(true); });
}

void SoundStream::Run(bool openFirst) {
  if (openFirst) {
    const int state = OpenFile();
    openState_.store(state, std::memory_order_release);
    if (state != kOpenReady) return;
    std::lock_guard lock(mutex_);
    if (quit_) return;
  }
  DecodeLoop();
}

void SoundStream::DecodeLoop() {
  std::vector<float> raw(kChunkFrames * static_cast<std::size_t>(fileChannels_));
  std::vector<float> stereo(kChunkFrames * 2);
  const bool forceMono = (mode & kModeForceMono) != 0;
  std::uint64_t gen = 0;
  bool eof = false;
  std::int64_t discard = 0;  // frames to drop after a seek that landed early
  std::int64_t filePosition = 0;  // frame of the file the next read returns
  for (;;) {
    const std::uint64_t wanted = releasedGen_.load(std::memory_order_acquire);
    if (wanted != gen) {
      gen = wanted;
      std::int64_t target = std::clamp<std::int64_t>(seekTarget_.load(), 0, Frames());
      std::int64_t seekTo = target;
      if (isOgg_ && Frames() - target < static_cast<std::int64_t>(sampleRate_) * kOggTailMs / 1000)
        seekTo = std::max<std::int64_t>(0, target - static_cast<std::int64_t>(sampleRate_) * 2);
      sf_count_t landed = sf_seek(file_, seekTo, SEEK_SET);
      if (landed < 0) {
        // The decoder cannot seek (damaged file): decode from the start and drop up to there.
        sf_seek(file_, 0, SEEK_SET);
        landed = 0;
      }
      discard = std::max<std::int64_t>(0, target - landed);
      filePosition = landed;
      // The mixer no longer reads this stream (see BeginSeek): drop the old audio here.
      ring_->SkipTo(ring_->WriteIndex());
      eof = false;
      genBaseFrame_.store(target, std::memory_order_relaxed);
      genStartIndex_.store(ring_->WriteIndex(), std::memory_order_relaxed);
      producedGen_.store(gen, std::memory_order_release);
      continue;
    }
    if (eof || ring_->FreeFrames() < kChunkFrames) {
      std::unique_lock lock(mutex_);
      if (quit_) return;
      wake_.wait_for(lock, std::chrono::milliseconds(5));
      if (quit_) return;
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      if (quit_) return;
    }
    const sf_count_t got = sf_readf_float(file_, raw.data(), kChunkFrames);
    if (got <= 0) {
      // The real end is known now: it replaces an estimated length.
      if (filePosition > 0 && filePosition != Frames()) frames_.store(filePosition, std::memory_order_release);
      eof = true;
      eofGenPlusOne_.store(gen + 1, std::memory_order_release);
      continue;
    }
    filePosition += got;
    std::size_t n = static_cast<std::size_t>(got);
    std::size_t skip = 0;
    if (discard > 0) {
      skip = static_cast<std::size_t>(std::min<std::int64_t>(discard, got));
      discard -= static_cast<std::int64_t>(skip);
    }
    const std::size_t ch = static_cast<std::size_t>(fileChannels_);
    std::size_t out = 0;
    for (std::size_t i = skip; i < n; ++i, ++out) {
      const float* f = &raw[i * ch];
      float l = f[0];
      float r = ch > 1 ? f[1] : f[0];
      if (forceMono && ch > 1) l = r = 0.5f * (l + r);
      stereo[out * 2] = l;
      stereo[out * 2 + 1] = r;
    }
    if (out > 0) ring_->Write(stereo.data(), out);
  }
}

void SoundStream::BeginSeek(std::int64_t frame) {
  seekTarget_.store(std::clamp<std::int64_t>(frame, 0, Frames()));
  requestGen_.fetch_add(1, std::memory_order_seq_cst);
}

void SoundStream::ReleaseSeek() {
  releasedGen_.store(requestGen_.load(std::memory_order_seq_cst), std::memory_order_release);
  wake_.notify_all();
}

bool SoundStream::SeekPending() const {
  return requestGen_.load(std::memory_order_acquire) !=
         consumedGen_.load(std::memory_order_acquire);
}

std::int64_t SoundStream::PositionFrames() const {
  if (SeekPending()) return seekTarget_.load();
  return position_.load(std::memory_order_acquire);
}

std::size_t SoundStream::BufferedFrames() const {
  if (OpenState() != kOpenReady) return 0;
  return ring_->AvailableFrames();
}

bool SoundStream::Settled() const {
  const int state = OpenState();
  if (state == kOpenPending) return false;
  if (state != kOpenReady) return true;
  const std::uint64_t wanted = requestGen_.load(std::memory_order_acquire);
  if (producedGen_.load(std::memory_order_acquire) != wanted) return false;
  if (eofGenPlusOne_.load(std::memory_order_acquire) == wanted + 1) return true;
  return ring_->FreeFrames() < kChunkFrames;
}

bool SoundStream::SyncGeneration() {
  const std::uint64_t wanted = requestGen_.load(std::memory_order_acquire);
  const std::uint64_t consumed = consumedGen_.load(std::memory_order_relaxed);
  if (wanted == consumed) return false;
  const std::uint64_t produced = producedGen_.load(std::memory_order_acquire);
  if (produced != wanted) return false;
  ring_->SkipTo(genStartIndex_.load(std::memory_order_relaxed));
  consumerBase_ = genBaseFrame_.load(std::memory_order_relaxed);
  played = 0;
  position_.store(consumerBase_, std::memory_order_release);
  consumedGen_.store(wanted, std::memory_order_release);
  return true;
}

std::size_t SoundStream::Read(float* stereoOut, std::size_t frames, PullResult* result) {
  const std::uint64_t consumed = consumedGen_.load(std::memory_order_relaxed);
  if (requestGen_.load(std::memory_order_acquire) != consumed) {
    *result = PullResult::SeekPending;
    return 0;
  }
  const bool eof = eofGenPlusOne_.load(std::memory_order_acquire) == consumed + 1;
  const std::size_t got = ring_->Read(stereoOut, frames);
  if (got > 0) {
    *result = PullResult::Data;
  } else {
    *result = eof ? PullResult::End : PullResult::Dry;
  }
  return got;
}

void SoundStream::PublishPlayed(double framesSinceBase) {
  played = framesSinceBase;
  const std::int64_t pos =
      std::min<std::int64_t>(Frames(), consumerBase_ + static_cast<std::int64_t>(played));
  position_.store(pos, std::memory_order_release);
}

}  // namespace spinwave
