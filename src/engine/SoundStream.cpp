#include "engine/SoundStream.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "engine/soundlib.h"

namespace spinwave {

namespace {
constexpr std::size_t kChunkFrames = 4096;
// Frames kept decoded ahead of the mixer: 4 s at the file's rate.
constexpr int kAheadSeconds = 4;
}  // namespace

void DecoderSignal::Notify() {
  {
    std::lock_guard lock(mutex_);
    ++count_;
  }
  changed_.notify_all();
}

std::uint64_t DecoderSignal::Count() {
  std::lock_guard lock(mutex_);
  return count_;
}

void DecoderSignal::WaitChange(std::uint64_t seen, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, deadline, [&] { return count_ != seen; });
}

SoundStream::SoundStream(std::string p, unsigned m) : path(std::move(p)), mode(m) {
  sem_init(&wake_, 0, 0);
}

void SoundStream::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  sem_post(&wake_);
  if (!thread_.joinable()) return;
  if (thread_.get_id() == std::this_thread::get_id() || OpenState() == kOpenPending) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

SoundStream::~SoundStream() {
  Shutdown();
  // A detached thread still waiting in its open owns the stream through its shared pointer, so
  // the destructor only runs once no thread uses the semaphore.
  sem_destroy(&wake_);
}

int SoundStream::LengthMs() const {
  if (OpenState() != kOpenReady || !LengthKnown()) return 0;
  return FramesToMs(Frames(), sampleRate_);
}

std::string SoundStream::Error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void SoundStream::SetError(const std::string& text) {
  std::lock_guard lock(mutex_);
  error_ = text;
}

std::int64_t SoundStream::ClampFrame(std::int64_t frame) const {
  frame = std::max<std::int64_t>(frame, 0);
  return LengthKnown() ? std::min(frame, Frames()) : frame;
}

int SoundStream::OpenFile() {
  AudioDecoderOpen opened = OpenAudioDecoder(path);
  if (opened.state != kOpenReady) {
    SetError(opened.error);
    return opened.state;
  }
  AudioDecoder& decoder = *opened.decoder;
  if (decoder.SampleRate() < 1000 || decoder.SampleRate() > 384000 || decoder.Channels() < 1 ||
      decoder.Frames() == 0) {
    SetError("no audio in \"" + path + "\"");
    return kOpenBadFormat;
  }
  sampleRate_ = decoder.SampleRate();
  fileChannels_ = decoder.Channels();
  frames_ = decoder.Frames();
  decoder_ = std::move(opened.decoder);
  ring_ = std::make_unique<AudioRingBuffer>(static_cast<std::size_t>(sampleRate_) * kAheadSeconds);
  return kOpenReady;
}

int SoundStream::OpenBlocking() {
  const int state = OpenFile();
  openState_.store(state, std::memory_order_release);
  Notify();
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
    Notify();
    if (state != kOpenReady) return;
    std::lock_guard lock(mutex_);
    if (quit_) return;
  }
  DecodeLoop();
}

void SoundStream::DecodeLoop() {
  AudioDecoder& decoder = *decoder_;
  std::vector<float> raw(kChunkFrames * static_cast<std::size_t>(fileChannels_));
  std::vector<float> stereo(kChunkFrames * 2);
  const bool forceMono = (mode & kModeForceMono) != 0;
  std::uint64_t gen = 0;
  bool eof = false;
  std::int64_t discard = 0;       // frames to drop after a seek that landed early
  std::int64_t filePosition = 0;  // frame of the file the next read returns
  // The position is a count of decoded frames from the start of the file: only then may the
  // end it reaches replace the length.
  bool countedFromStart = true;
  for (;;) {
    const std::uint64_t wanted = releasedGen_.load(std::memory_order_acquire);
    if (wanted != gen) {
      gen = wanted;
      const std::int64_t target = ClampFrame(seekTarget_.load());
      std::int64_t base = target;
      std::int64_t landed = decoder.Seek(target);
      if (landed < 0) {
        // The decoder cannot move there (damaged file): decode from the start and drop up to
        // the target.
        landed = decoder.Seek(0);
      }
      if (landed < 0) {
        // A source that cannot move at all (a pipe) goes on from where it is: forward by
        // dropping, never back.
        landed = filePosition;
        base = std::max(target, filePosition);
      } else {
        countedFromStart = landed == 0;
      }
      discard = std::max<std::int64_t>(0, base - landed);
      filePosition = landed;
      // The mixer no longer reads this stream (see BeginSeek): drop the old audio here.
      ring_->SkipTo(ring_->WriteIndex());
      eof = false;
      genBaseFrame_.store(base, std::memory_order_relaxed);
      genStartIndex_.store(ring_->WriteIndex(), std::memory_order_relaxed);
      producedGen_.store(gen, std::memory_order_release);
      Notify();
      continue;
    }
    if (eof || ring_->FreeFrames() < kChunkFrames) {
      // Announce the sleep, then look again: a read or a seek between the first look and the
      // announcement would otherwise not wake us.
      idle_.store(true, std::memory_order_seq_cst);
      {
        std::lock_guard lock(mutex_);
        if (quit_) return;
      }
      if (releasedGen_.load(std::memory_order_seq_cst) == gen &&
          (eof || ring_->FreeFrames() < kChunkFrames)) {
        // A post (the mixer made room, a seek, shutdown) ends the wait at once; the 5 ms bound
        // keeps the old polling interval as a safety net.
        timespec until{};
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_nsec += 5 * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
          until.tv_sec += 1;
          until.tv_nsec -= 1000000000L;
        }
        (void)sem_clockwait(&wake_, CLOCK_MONOTONIC, &until);
      }
      idle_.store(false, std::memory_order_seq_cst);
      continue;
    }
    {
      std::lock_guard lock(mutex_);
      if (quit_) return;
    }
    const std::int64_t got = decoder.Read(raw.data(), kChunkFrames);
    if (got <= 0) {
      // The end is reached. Counted from the start, it is the real length (a header's estimate
      // gives way to it); after a seek it is not, and the length stays as it was.
      if ((countedFromStart && filePosition != Frames()) || !LengthKnown())
        frames_.store(filePosition, std::memory_order_release);
      eof = true;
      eofGenPlusOne_.store(gen + 1, std::memory_order_release);
      Notify();
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
    Notify();
  }
}

void SoundStream::BeginSeek(std::int64_t frame) {
  seekTarget_.store(ClampFrame(frame));
  requestGen_.fetch_add(1, std::memory_order_seq_cst);
}

void SoundStream::ReleaseSeek() {
  releasedGen_.store(requestGen_.load(std::memory_order_seq_cst), std::memory_order_release);
  sem_post(&wake_);
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
  // Wake a sleeping decoder once there is room for a chunk: a post, never a lock.
  if (!eof && idle_.load(std::memory_order_seq_cst) && ring_->FreeFrames() >= kChunkFrames &&
      idle_.exchange(false, std::memory_order_seq_cst)) {
    sem_post(&wake_);
  }
  if (got > 0) {
    *result = PullResult::Data;
  } else {
    *result = eof ? PullResult::End : PullResult::Dry;
  }
  return got;
}

void SoundStream::PublishPlayed(double framesSinceBase) {
  played = framesSinceBase;
  position_.store(ClampFrame(consumerBase_ + static_cast<std::int64_t>(played)), std::memory_order_release);
}

void SoundStream::PublishEnd() {
  // The decoder stored the length (if it was to change) before it flagged the end.
  if (LengthKnown()) PublishPlayed(static_cast<double>(Frames() - consumerBase_));
}

}  // namespace spinwave
