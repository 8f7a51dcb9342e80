#include "engine/StreamVoice.h"

#include <rubberband/RubberBandStretcher.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace spinwave {

namespace {

constexpr int kFeedFrames = 1024;  // input handed to a resampler or stretcher at once
constexpr int kOutFrames = 1024;   // the mixer's block, at most
// History a new path is primed with before the frame it starts at: longer than libsoxr's
// filter and Rubber Band's preferred start pad, so that the path's first heard frame is built
// from real input, not from the silence of a fresh filter.
constexpr std::int64_t kPrimeFrames = 2048;
// Cross-fade from an old path into its replacement: 5.8 ms between two resamplers (they differ
// only in ratio), 20 ms into or out of the stretcher (its phases differ from the resampler's).
constexpr int kFadeResample = 256;
constexpr int kFadeStretch = 882;

enum class PathKind { Direct, Resample, Stretch };

PathKind KindOf(const VoiceTarget& t) {
  // Keylocked at its key frequency: stretched. A keylocked channel whose frequency left it (a
  // vinyl stop, which lowers the frequency tick by tick) plays as a record would, key and all.
  // (Rubber Band 3.1's real-time stretcher also outputs more than its time ratio asks once its
  // pitch scale is changed on the fly, which would move the position away from what is heard.)
  if (t.keyFrequency > 0 && t.frequency == t.keyFrequency) return PathKind::Stretch;
  if (t.frequency == t.mixRate) return PathKind::Direct;
  return PathKind::Resample;
}

}  // namespace

void VoiceWindow::Copy(std::int64_t from, std::int64_t n, float* out) const {
  for (std::int64_t i = 0; i < n;) {
    const std::int64_t f = from + i;
    if (f < base || f < 0 || f >= End()) {
      out[i * 2] = out[i * 2 + 1] = 0.0f;
      ++i;
      continue;
    }
    const std::int64_t run = std::min(n - i, End() - f);
    std::memcpy(out + i * 2, At(f), static_cast<std::size_t>(run) * 2 * sizeof(float));
    i += run;
  }
}

// One way of turning input frames into output frames. Every path knows the source position of
// the next frame it outputs, so that a replacement can start exactly there.
class AudioPath {
 public:
  explicit AudioPath(PathKind k) : kind(k) {}
  virtual ~AudioPath() = default;
  // The next frame output is the one at source position `position` (relative frame number).
  virtual void Prime(const VoiceWindow& w, double position) = 0;
  // Writes up to `frames` frames, none at or beyond `endPosition`. Fewer when the window runs
  // out of input.
  virtual int Produce(const VoiceWindow& w, float* out, int frames, int frequency,
                      int keyFrequency, double endPosition) = 0;
  virtual double Position() const = 0;
  // First window frame the path still reads.
  virtual std::int64_t NextInput() const = 0;
  // Nothing more will come out (the input ended and everything was output).
  virtual bool Exhausted(const VoiceWindow& w) const = 0;
  const PathKind kind;
};

namespace {

// The channel at exactly the mix rate: the file's frames as they are.
class DirectPath final : public AudioPath {
 public:
  DirectPath() : AudioPath(PathKind::Direct) {}
  void Prime(const VoiceWindow&, double position) override { cursor_ = std::llround(position); }
  int Produce(const VoiceWindow& w, float* out, int frames, int, int, double endPosition) override {
    std::int64_t n = std::min<std::int64_t>(frames, w.End() - cursor_);
    if (w.ended) n = std::min<std::int64_t>(n, static_cast<std::int64_t>(std::ceil(endPosition)) - cursor_);
    if (n <= 0) return 0;
    w.Copy(cursor_, n, out);
    cursor_ += n;
    return static_cast<int>(n);
  }
  double Position() const override { return static_cast<double>(cursor_); }
  std::int64_t NextInput() const override { return cursor_; }
  bool Exhausted(const VoiceWindow& w) const override { return w.ended && cursor_ >= w.End(); }

 private:
  std::int64_t cursor_ = 0;
};

// A fixed ratio by libsoxr (medium quality): the source played at `frequency` frames per second.
// libsoxr's output frame k lies at input time k × ratio exactly (no leading delay), which lets
// the path know the source position of every frame it outputs.
class ResamplePath final : public AudioPath {
 public:
  explicit ResamplePath(const VoiceTarget& t)
      : AudioPath(PathKind::Resample), ratio_(static_cast<double>(t.frequency) / t.mixRate) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_ = soxr_create(t.frequency, t.mixRate, 2, &error, &io, &quality, &runtime);
    if (error) soxr_ = nullptr;
    // Run silence through it once here, on the control side: libsoxr sizes its buffers on the
    // first calls, and the mixer must not allocate.
    if (soxr_) {
      const std::vector<float> zeros(static_cast<std::size_t>(kFeedFrames) * 2, 0.0f);
      for (int i = 0; i < 4; ++i) Feed(zeros.data(), kFeedFrames, nullptr);
    }
  }
  ~ResamplePath() override {
    if (soxr_) soxr_delete(soxr_);
  }
  bool Valid() const { return soxr_ != nullptr; }

  void Prime(const VoiceWindow&, double position) override {
    // From here on, input index inFed_ is source frame `start`.
    const std::int64_t start = static_cast<std::int64_t>(std::floor(position)) - kPrimeFrames;
    origin_ = static_cast<double>(start) - static_cast<double>(inFed_);
    next_ = start;
    dropBefore_ = position - ratio_ * 0.5;
    flushed_ = false;
  }

  int Produce(const VoiceWindow& w, float* out, int frames, int, int, double endPosition) override {
    int produced = 0;
    while (produced < frames) {
      // What is already out of the resampler but not yet handed on.
      while (heldAt_ < heldCount_ && produced < frames) {
        const double pos = HeldPosition(heldAt_);
        if (w.ended && pos >= endPosition) {
          heldAt_ = heldCount_;
          done_ = true;
          return produced;
        }
        if (pos >= dropBefore_) {
          out[produced * 2] = held_[static_cast<std::size_t>(heldAt_) * 2];
          out[produced * 2 + 1] = held_[static_cast<std::size_t>(heldAt_) * 2 + 1];
          ++produced;
        }
        ++heldAt_;
      }
      if (produced >= frames) break;
      if (done_) break;
      // Refill the held output from the next input.
      const std::int64_t available = w.End() - next_;
      const int n = static_cast<int>(std::clamp<std::int64_t>(available, 0, kFeedFrames));
      if (n == 0 && !w.ended) break;  // dry: more input next block
      const float* in = nullptr;
      if (n > 0) {
        if (next_ >= w.base && next_ >= 0) {
          in = w.At(next_);
        } else {
          w.Copy(next_, n, feedScratch_.data());
          in = feedScratch_.data();
        }
      }
      heldBase_ += heldCount_;
      heldCount_ = 0;
      heldAt_ = 0;
      std::size_t used = 0;
      // What libsoxr holds from earlier input comes first: new input only once it is empty,
      // so that its buffers (and the input read ahead) stay as small as one feed.
      if (!flushed_) {
        std::size_t got = 0;
        soxr_process(soxr_, feedScratch_.data(), 0, nullptr, held_.data(), kOutFrames, &got);
        heldCount_ = static_cast<int>(got);
        if (got > 0) continue;
      }
      if (n > 0) {
        used = Feed(in, n, &heldCount_);
        next_ += static_cast<std::int64_t>(used);
      } else if (!flushed_) {
        // The input ended: let the filter's tail out.
        std::size_t got = 0;
        soxr_process(soxr_, nullptr, 0, nullptr, held_.data(), kOutFrames, &got);
        heldCount_ = static_cast<int>(got);
        if (got == 0) flushed_ = true;
      }
      if (n > 0 && used == 0 && heldCount_ == 0) break;
      if (n == 0 && flushed_ && heldCount_ == 0) {
        done_ = true;
        break;
      }
    }
    return produced;
  }

  double Position() const override {
    return heldAt_ < heldCount_ ? HeldPosition(heldAt_) : HeldPosition(heldCount_);
  }
  std::int64_t NextInput() const override { return next_; }
  bool Exhausted(const VoiceWindow&) const override { return done_; }

 private:
  double HeldPosition(int i) const { return origin_ + static_cast<double>(heldBase_ + i) * ratio_; }

  // Hands `frames` frames to libsoxr; what comes out goes to the held buffer (or is dropped
  // while warming up). Returns the input frames taken.
  std::size_t Feed(const float* in, int frames, int* outCount) {
    std::size_t used = 0, got = 0;
    soxr_process(soxr_, in, static_cast<std::size_t>(frames), &used, held_.data(), kOutFrames, &got);
    inFed_ += static_cast<std::int64_t>(used);
    if (outCount) {
      *outCount = static_cast<int>(got);
    } else {
      heldBase_ += static_cast<std::int64_t>(got);
    }
    return used;
  }

  const double ratio_;  // input frames per output frame
  soxr_t soxr_ = nullptr;
  std::vector<float> held_ = std::vector<float>(static_cast<std::size_t>(kOutFrames) * 2);
  std::vector<float> feedScratch_ = std::vector<float>(static_cast<std::size_t>(kFeedFrames) * 2);
  std::int64_t heldBase_ = 0;  // output index of held_[0]
  int heldCount_ = 0;
  int heldAt_ = 0;
  std::int64_t inFed_ = 0;
  double origin_ = 0;  // source frame of input index 0
  std::int64_t next_ = 0;
  double dropBefore_ = 0;
  bool flushed_ = false;
  bool done_ = false;
};

// Keylock: Rubber Band's real-time stretcher plays `frequency / sourceRate` times as fast in the
// file's own key. Its output is at the file's rate; a constant pitch scale carries the change to
// the mix rate, so no resampler follows it. Tempo changes (slider, bend) go to its time ratio.
class StretchPath final : public AudioPath {
 public:
  explicit StretchPath(const VoiceTarget& t)
      : AudioPath(PathKind::Stretch), sourceRate_(t.sourceRate), mixRate_(t.mixRate) {
    using RB = RubberBand::RubberBandStretcher;
    rb_ = std::make_unique<RB>(static_cast<std::size_t>(t.sourceRate), 2,
                               RB::OptionProcessRealTime | RB::OptionEngineFaster |
                                   RB::OptionPitchHighConsistency | RB::OptionTransientsMixed,
                               TimeRatio(t.frequency), PitchScale(t.frequency, t.keyFrequency));
    rb_->setMaxProcessSize(kFeedFrames);
    frequency_ = t.frequency;
    key_ = t.keyFrequency;
    for (auto& v : in_) v.assign(kFeedFrames, 0.0f);
    for (auto& v : out_) v.assign(kOutFrames, 0.0f);
  }

  void Prime(const VoiceWindow& w, double position) override {
    rb_->reset();
    const std::int64_t at = static_cast<std::int64_t>(std::floor(position));
    const std::int64_t pad = static_cast<std::int64_t>(rb_->getPreferredStartPad());
    next_ = at - pad;
    // The pad is fed from the history (or silence before the start), like the stretcher's own
    // start pad; its delay is dropped from the output.
    while (next_ < at) {
      const int n = static_cast<int>(std::min<std::int64_t>(kFeedFrames, at - next_));
      FeedFrom(w, n, false);
    }
    drop_ = static_cast<std::int64_t>(rb_->getStartDelay());
    position_ = static_cast<double>(at);
    final_ = false;
    done_ = false;
  }

  int Produce(const VoiceWindow& w, float* out, int frames, int frequency, int keyFrequency,
              double endPosition) override {
    if (frequency != frequency_ || keyFrequency != key_) {
      frequency_ = frequency;
      key_ = keyFrequency;
      rb_->setTimeRatio(TimeRatio(frequency));
      rb_->setPitchScale(PitchScale(frequency, keyFrequency));
    }
    const double step = static_cast<double>(frequency) / mixRate_;
    int produced = 0;
    while (produced < frames && !done_) {
      const int available = rb_->available();
      if (available < 0) {
        done_ = true;
        break;
      }
      if (available > 0) {
        const int want = static_cast<int>(std::min<std::int64_t>(
            std::min<std::int64_t>(available, kOutFrames), drop_ > 0 ? drop_ : frames - produced));
        float* planes[2] = {out_[0].data(), out_[1].data()};
        const int got = static_cast<int>(rb_->retrieve(planes, static_cast<std::size_t>(want)));
        for (int i = 0; i < got; ++i) {
          if (drop_ > 0) {
            --drop_;
            continue;
          }
          if (w.ended && position_ >= endPosition) {
            done_ = true;
            break;
          }
          out[produced * 2] = out_[0][static_cast<std::size_t>(i)];
          out[produced * 2 + 1] = out_[1][static_cast<std::size_t>(i)];
          position_ += step;
          ++produced;
        }
        continue;
      }
      std::size_t required = rb_->getSamplesRequired();
      if (required == 0) required = 256;
      const std::int64_t left = w.End() - next_;
      const int n = static_cast<int>(std::clamp<std::int64_t>(
          std::min<std::int64_t>(static_cast<std::int64_t>(required), left), 0, kFeedFrames));
      if (n > 0) {
        FeedFrom(w, n, false);
      } else if (w.ended && !final_) {
        FeedFrom(w, 0, true);
        final_ = true;
      } else {
        break;  // dry: more input next block
      }
    }
    return produced;
  }

  double Position() const override { return position_; }
  std::int64_t NextInput() const override { return next_; }
  bool Exhausted(const VoiceWindow&) const override { return done_; }

 private:
  double TimeRatio(int frequency) const { return static_cast<double>(mixRate_) / frequency; }
  double PitchScale(int frequency, int key) const {
    const double scale = key > 0 ? static_cast<double>(frequency) / key : 1.0;
    return scale * sourceRate_ / mixRate_;
  }

  void FeedFrom(const VoiceWindow& w, int n, bool final) {
    for (int i = 0; i < n; ++i) {
      const std::int64_t f = next_ + i;
      if (f < w.base || f < 0 || f >= w.End()) {
        in_[0][static_cast<std::size_t>(i)] = in_[1][static_cast<std::size_t>(i)] = 0.0f;
      } else {
        const float* s = w.At(f);
        in_[0][static_cast<std::size_t>(i)] = s[0];
        in_[1][static_cast<std::size_t>(i)] = s[1];
      }
    }
    const float* planes[2] = {in_[0].data(), in_[1].data()};
    rb_->process(planes, static_cast<std::size_t>(n), final);
    next_ += n;
  }

  const int sourceRate_;
  const int mixRate_;
  std::unique_ptr<RubberBand::RubberBandStretcher> rb_;
  std::vector<float> in_[2];
  std::vector<float> out_[2];
  int frequency_ = 0;
  int key_ = 0;
  std::int64_t next_ = 0;
  std::int64_t drop_ = 0;
  double position_ = 0;
  bool final_ = false;
  bool done_ = false;
};

AudioPath* BuildPath(const VoiceTarget& t) {
  switch (KindOf(t)) {
    case PathKind::Direct:
      return new DirectPath();
    case PathKind::Stretch:
      return new StretchPath(t);
    case PathKind::Resample: {
      auto* path = new ResamplePath(t);
      if (path->Valid()) return path;
      delete path;
      return new DirectPath();
    }
  }
  return new DirectPath();
}

}  // namespace

StreamVoice::StreamVoice() : fadeScratch_(static_cast<std::size_t>(kOutFrames) * 2) {}

StreamVoice::~StreamVoice() { Clear(); }

bool StreamVoice::SameKind(const VoiceTarget& a, const VoiceTarget& b) {
  const PathKind k = KindOf(a);
  if (k != KindOf(b) || a.mixRate != b.mixRate || a.sourceRate != b.sourceRate) return false;
  // The stretcher follows frequency and key by itself; a resampler has one ratio.
  return k != PathKind::Resample || a.frequency == b.frequency;
}

void StreamVoice::Clear() {
  delete current_;
  delete fading_;
  delete pending_.exchange(nullptr);
  delete spent_.exchange(nullptr);
  current_ = fading_ = nullptr;
  haveBuilt_ = false;
  primed_ = false;
  fadeDone_ = fadeLength_ = 0;
  window_.base = window_.count = 0;
  window_.ended = false;
}

void StreamVoice::Start(const VoiceTarget& target) {
  Clear();
  current_ = BuildPath(target);
  built_ = target;
  haveBuilt_ = true;
}

void StreamVoice::Collect() { delete spent_.exchange(nullptr, std::memory_order_acq_rel); }

void StreamVoice::Retarget(const VoiceTarget& target) {
  Collect();
  if (haveBuilt_ && SameKind(built_, target)) return;
  AudioPath* path = BuildPath(target);
  built_ = target;
  haveBuilt_ = true;
  // One the mixer has not taken yet is replaced unseen.
  delete pending_.exchange(path, std::memory_order_acq_rel);
}

void StreamVoice::Restart() {
  window_.base = window_.count = 0;
  window_.ended = false;
  // A path fading out is of the old position: the new one starts clean.
  if (fading_ && !spent_.load(std::memory_order_acquire)) {
    spent_.store(fading_, std::memory_order_release);
    fading_ = nullptr;
  }
  primed_ = false;
}

std::int64_t StreamVoice::MakeRoom() {
  VoiceWindow& w = window_;
  std::int64_t keep = w.End();
  for (const AudioPath* p : {current_, fading_}) {
    if (!p) continue;
    keep = std::min(keep, p->NextInput());
    keep = std::min(keep, static_cast<std::int64_t>(std::floor(p->Position())) - kPrimeFrames);
  }
  keep = std::max(keep, w.base);
  const std::int64_t free = VoiceWindow::kCapacity - w.count;
  // Move only when it gains a useful amount.
  if (keep - w.base >= VoiceWindow::kCapacity / 4 || (free < kFeedFrames && keep > w.base)) {
    const std::int64_t drop = keep - w.base;
    std::memmove(w.data.data(), w.data.data() + drop * 2,
                 static_cast<std::size_t>(w.count - drop) * 2 * sizeof(float));
    w.base = keep;
    w.count -= drop;
  }
  return VoiceWindow::kCapacity - w.count;
}

double StreamVoice::Position() const { return current_ ? current_->Position() : 0.0; }

int StreamVoice::Render(float* out, int frames, int frequency, int keyFrequency, bool* ended) {
  *ended = false;
  if (!current_) return 0;
  frames = std::min(frames, kOutFrames);
  if (!primed_) {
    // Nothing of the channel has been heard yet: a path asked for meanwhile replaces the
    // first one outright, without a cross-fade.
    if (!spent_.load(std::memory_order_acquire)) {
      if (AudioPath* next = pending_.exchange(nullptr, std::memory_order_acq_rel)) {
        spent_.store(current_, std::memory_order_release);
        current_ = next;
      }
    }
    current_->Prime(window_, 0.0);
    primed_ = true;
  }
  if (!fading_ && !spent_.load(std::memory_order_acquire)) {
    if (AudioPath* next = pending_.exchange(nullptr, std::memory_order_acq_rel)) {
      next->Prime(window_, current_->Position());
      fadeLength_ = (next->kind == PathKind::Stretch || current_->kind == PathKind::Stretch)
                        ? kFadeStretch
                        : kFadeResample;
      fadeDone_ = 0;
      fading_ = current_;
      current_ = next;
    }
  }
  const double endPosition = static_cast<double>(window_.End());
  const int produced = current_->Produce(window_, out, frames, frequency, keyFrequency, endPosition);
  if (fading_) {
    const int old = fading_->Produce(window_, fadeScratch_.data(), produced, frequency, keyFrequency,
                                     endPosition);
    for (int i = 0; i < produced; ++i) {
      const float w = std::min(1.0f, static_cast<float>(fadeDone_ + i) / static_cast<float>(fadeLength_));
      const float l = i < old ? fadeScratch_[static_cast<std::size_t>(i) * 2] : 0.0f;
      const float r = i < old ? fadeScratch_[static_cast<std::size_t>(i) * 2 + 1] : 0.0f;
      out[i * 2] = out[i * 2] * w + l * (1.0f - w);
      out[i * 2 + 1] = out[i * 2 + 1] * w + r * (1.0f - w);
    }
    fadeDone_ += produced;
    if (fadeDone_ >= fadeLength_) {
      spent_.store(fading_, std::memory_order_release);
      fading_ = nullptr;
    }
  }
  if (window_.ended && (current_->Exhausted(window_) || current_->Position() >= endPosition ||
                        (produced == 0 && current_->NextInput() >= window_.End()))) {
    *ended = true;
  }
  return produced;
}

}  // namespace spinwave
