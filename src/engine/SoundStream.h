// One open audio file of the sound library: a decoder thread reads it (MP3 with libmpg123, the
// rest with libsndfile, see AudioDecoder.h) into a ring buffer that the mixer drains. Seeks are
// requested by generation numbers so that the mixer can drop old audio without locking.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore.h>
#include <string>
#include <thread>

#include "engine/AudioDecoder.h"
#include "engine/AudioRingBuffer.h"

namespace spinwave {

// Told by the decoder threads of one sound library whenever one of them made progress (opened,
// decoded a chunk, applied a seek, reached the end), so that a caller waiting for the decoders
// wakes at once instead of polling.
class DecoderSignal {
 public:
  void Notify();
  std::uint64_t Count();
  // Waits until the count differs from `seen` or until `deadline`.
  void WaitChange(std::uint64_t seen, std::chrono::steady_clock::time_point deadline);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t count_ = 0;
};

struct SoundStream : std::enable_shared_from_this<SoundStream> {
  SoundStream(std::string path, unsigned mode);
  ~SoundStream();  // stops and joins the decoder thread
  SoundStream(const SoundStream&) = delete;
  SoundStream& operator=(const SoundStream&) = delete;

  // Progress reports go to `signal` (set before opening).
  void SetSignal(std::shared_ptr<DecoderSignal> signal) { signal_ = std::move(signal); }
  // Opens the file on the calling thread and starts decoding. Returns the open state.
  int OpenBlocking();
  // Starts the decoder thread, which opens the file first. The stream must be owned by a
  // std::shared_ptr: a thread still waiting for its file (a hung network share, a pipe) keeps the
  // stream alive after Shutdown and ends on its own once the open returns.
  void OpenInBackground();
  // Stops the decoder thread: joins it, or lets it go when it still waits in the open.
  void Shutdown();

  int OpenState() const { return openState_.load(std::memory_order_acquire); }
  // Valid once OpenState() is 0.
  int SampleRate() const { return sampleRate_; }
  // Length in frames, AudioDecoder::kUnknownLength while the decoder cannot tell. Corrected to
  // the decoded end once the decoder reached it by decoding from the start (never from a seek's
  // landing, which is the decoder's claim, not a count), or when it was unknown.
  std::int64_t Frames() const { return frames_.load(std::memory_order_acquire); }
  bool LengthKnown() const { return Frames() != AudioDecoder::kUnknownLength; }
  // 0 while opening or unknown.
  int LengthMs() const;
  std::string Error() const;

  // Control side (any thread but the mixer). A seek takes two steps: BeginSeek makes the mixer
  // stop reading the stream; once the caller has seen the mixer finish a block (so no read of
  // old audio is in flight), ReleaseSeek lets the decoder drop the old audio and refill.
  void BeginSeek(std::int64_t frame);
  void ReleaseSeek();
  // The file frame the listener hears (the seek target while a seek is pending).
  std::int64_t PositionFrames() const;
  bool SeekPending() const;
  // Frames decoded ahead of the mixer.
  std::size_t BufferedFrames() const;
  // True when the ring is full, or holds the file's rest, with no seek pending.
  bool Settled() const;

  // Mixer side. What Pull found.
  enum class PullResult { Data, SeekPending, Dry, End };
  // Before reading: applies a finished seek. Returns true when the stream jumped (the caller
  // drops what it holds of the old position).
  bool SyncGeneration();
  // Reads up to `frames` stereo frames of the current position.
  std::size_t Read(float* stereo, std::size_t frames, PullResult* result);
  // The mixer's played position, published for PositionFrames().
  void PublishPlayed(double framesSinceBase);
  // The stream ended: its position is its end.
  void PublishEnd();
  std::int64_t BaseFrame() const { return consumerBase_; }

  const std::string path;
  const unsigned mode;

  // Mixer-only bookkeeping of the played position since the last jump.
  double played = 0;
  bool everPlayed = false;  // control side: the stream has been on a channel

 private:
  int OpenFile();
  void Run(bool openFirst);
  void DecodeLoop();
  void SetError(const std::string& text);

  std::atomic<int> openState_{-2};
  // Clamps a frame to the stream's range (only from below while the length is unknown).
  std::int64_t ClampFrame(std::int64_t frame) const;

  int sampleRate_ = 0;
  int fileChannels_ = 0;
  std::atomic<std::int64_t> frames_{0};
  std::unique_ptr<AudioDecoder> decoder_;  // decoder thread only, once open
  std::unique_ptr<AudioRingBuffer> ring_;

  void Notify() {
    if (signal_) signal_->Notify();
  }

  mutable std::mutex mutex_;  // guards error_ and quit_ (never taken by the mixer)
  // The decoder sleeps on this when its ring is full; the mixer posts it (sem_post: no lock,
  // safe in the audio callback) once it has read a chunk's worth of room, a seek or shutdown
  // posts it too. (libstdc++ 12's timed semaphore wait spins instead of sleeping.)
  sem_t wake_;
  std::atomic<bool> idle_{false};
  std::shared_ptr<DecoderSignal> signal_;
  bool quit_ = false;
  std::string error_;
  std::thread thread_;

  // Control → decoder.
  std::atomic<std::uint64_t> requestGen_{0};
  std::atomic<std::uint64_t> releasedGen_{0};
  std::atomic<std::int64_t> seekTarget_{0};
  // Decoder → mixer.
  std::atomic<std::uint64_t> producedGen_{0};
  std::atomic<std::uint64_t> genStartIndex_{0};
  std::atomic<std::int64_t> genBaseFrame_{0};
  std::atomic<std::uint64_t> eofGenPlusOne_{0};
  // Mixer → control.
  std::atomic<std::uint64_t> consumedGen_{0};
  std::atomic<std::int64_t> position_{0};
  std::int64_t consumerBase_ = 0;  // mixer only
};

}  // namespace spinwave
