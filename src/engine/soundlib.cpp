#include "engine/soundlib.h"

#include <samplerate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/SampleRecording.h"
#include "engine/SoundDevices.h"
#include "engine/SoundStream.h"
#include "engine/StreamVoice.h"

namespace spinwave {

// A block of 16-bit stereo audio that channels can play (the microphone's looping sample).
struct SoundSample {
  std::vector<std::int16_t> data;  // interleaved stereo
  int length = 0;                  // frames
  std::atomic<bool> loop{false};
  int defaultFrequency = 44100;
  int defaultVolume = 255;
  int defaultPan = kStereoPan;
  int defaultPriority = 0;
};

struct SoundDspUnit {
  SoundDspCallback callback;
  int priority = 0;
  void* param = nullptr;
  std::uint64_t created = 0;  // keeps creation order among equal priorities
  std::atomic<bool> active{false};
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlockFrames = 1024;   // the mixer works (and DSP units see) blocks of at most this
constexpr int kInputFrames = 2048;   // per-channel input buffer feeding the resampler
constexpr int kMaxDspUnits = 64;
constexpr int kChannelBits = 12;     // channel handle = index | serial << kChannelBits
constexpr int kSerialMask = 0x7ffff;
constexpr int kMinFrequency = 200;
constexpr int kMaxFrequency = 705600;

// One mixer voice. Control fields are atomics written by the control side; the rest belongs to
// the mixer while `active` is set and to the control side (under the instance mutex, after a
// mixer pass) otherwise.
struct Channel {
  std::atomic<bool> active{false};    // the mixer plays it
  std::atomic<bool> inUse{false};     // handed out and not stopped
  std::atomic<bool> finished{false};  // the source ended
  std::atomic<bool> paused{false};
  std::atomic<int> volume{255};
  std::atomic<int> pan{kStereoPan};
  std::atomic<int> frequency{44100};
  std::atomic<int> keyFrequency{0};  // keylock: the frequency whose key the stream keeps (0 = off)
  std::atomic<std::uint64_t> rateKey{0};  // frequency << 32 | keyFrequency, as the mixer reads them
  std::atomic<float> levelLeft{0};
  std::atomic<float> levelRight{0};
  std::atomic<std::int64_t> samplePosition{0};
  int serial = 0;
  // The last stop ran out of time waiting for the mixer's pass (block `stopSeen`): the channel
  // is not reused before the mixer has left that block.
  bool unconfirmedStop = false;
  std::uint64_t stopSeen = 0;
  SoundStream* stream = nullptr;
  SoundSample* sample = nullptr;

  // Mixer state. A stream plays through its voice (created on the control side at the first
  // Stream_Play); a sample through the libsamplerate state.
  std::unique_ptr<StreamVoice> voice;
  SRC_STATE* src = nullptr;
  std::vector<float> in = std::vector<float>(kInputFrames * 2);
  std::size_t inCount = 0;
  std::vector<float> out = std::vector<float>(kBlockFrames * 2);
  std::int64_t sampleRead = 0;  // next sample frame to feed the resampler
  double samplePlayed = 0;      // sample frames heard

  ~Channel() {
    if (src) src_delete(src);
  }
};

struct DspChain {
  int count = 0;
  std::array<SoundDspUnit*, kMaxDspUnits> units{};
};

float Clip(float v) { return v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v); }

}  // namespace

struct SoundLib::Impl {
  explicit Impl(std::string n) : name(std::move(n)) {}

  const std::string name;
  mutable std::mutex mutex;
  std::string lastError;

  // Set-up.
  int outputType = kOutputDirectSound;
  int driver = 0;
  int mixer = kMixerQualityAutodetect;
  int bufferMs = 0;
  int recordDriver = 0;
  std::vector<SoundDevice> outputDevices;
  std::vector<SoundDevice> inputDevices;
  bool outputListed = false;
  bool inputListed = false;

  // Running output.
  bool initialised = false;
  int activeOutput = kOutputNoSound;
  int mixRate = 0;
  std::vector<std::unique_ptr<Channel>> channels;
  std::unique_ptr<SoundDeviceStream> device;
  std::thread clockThread;
  std::atomic<bool> clockQuit{false};

  // Owned objects.
  std::shared_ptr<DecoderSignal> decoderSignal = std::make_shared<DecoderSignal>();
  std::vector<std::shared_ptr<SoundStream>> streams;
  std::vector<std::unique_ptr<SoundSample>> samples;
  std::vector<std::unique_ptr<SoundDspUnit>> dspUnits;
  std::uint64_t dspCreated = 0;
  // The chain the mixer runs: replaced whole, never changed while the mixer may read it.
  std::atomic<DspChain*> chain_{nullptr};
  std::unique_ptr<DspChain> ownedChain;
  // Objects taken away while a mixer pass that may still use them had not ended within the
  // wait (a stalled plug-in, a stopped device): freed once the mixer is known to have moved on,
  // or at Close, never under a running mixer.
  struct Retired {
    std::uint64_t blocksSeen;
    std::shared_ptr<void> object;
  };
  std::vector<Retired> retired;
  std::vector<std::pair<std::uint64_t, SoundStream*>> heldSeeks;

  // Mixer.
  std::atomic<bool> mixerEnabled{false};  // channels and buffers exist (set by Init, cleared by Close)
  std::atomic<bool> nonRealtime{false};   // Update / Render may mix
  std::atomic<int> mixRateShared{0};
  std::atomic<bool> inBlock{false};
  std::atomic<std::uint64_t> blocks{0};
  std::vector<float> accumulator = std::vector<float>(kBlockFrames * 2);
  std::vector<std::int16_t> mixed = std::vector<std::int16_t>(kBlockFrames * 2);
  std::vector<std::int16_t> original = std::vector<std::int16_t>(kBlockFrames * 2);
  std::vector<std::int16_t> scratch = std::vector<std::int16_t>(kBlockFrames * 2);
  double updateCarry = 0;
  std::atomic<std::int64_t> underruns{0};
  std::int64_t loadNs = 0;
  std::int64_t loadFrames = 0;
  std::atomic<float> cpuUsage{0};

  // Recording.
  std::unique_ptr<SoundDeviceStream> recorder;
  SoundSample* recordSample = nullptr;  // read by the capture callback only while recording
  std::atomic<bool> recordLoop{false};
  std::atomic<bool> recording{false};
  std::atomic<int> recordPosition{0};

  std::string Fail(const std::string& text) {
    lastError = name + ": " + text;
    return lastError;
  }

  int EffectiveOutput(int type) const {
    if (type != kOutputNoSound && type != kOutputNoSoundNonRealtime && SoundOutputForcedOff())
      return kOutputNoSound;
    return type;
  }

  // True when the mixer is outside the block it was in when `blocks` read `seen`.
  bool MixerPassed(std::uint64_t seen) const {
    return !inBlock.load(std::memory_order_seq_cst) || blocks.load(std::memory_order_seq_cst) != seen;
  }

  // Waits until the mixer is outside a block it may have started before the caller's last
  // change, so that what the caller took away is no longer in use. False when the mixer stayed
  // inside that block for the whole second; `seen` then tells Retire which block it was.
  bool WaitMixerPass(std::uint64_t* seenOut = nullptr) {
    const std::uint64_t seen = blocks.load(std::memory_order_seq_cst);
    if (seenOut) *seenOut = seen;
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    while (!MixerPassed(seen)) {
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    ReapRetired();
    ReleaseHeldSeeks();
    return true;
  }

  // Keeps `object` until the mixer has left the block it was in at `seen`.
  void Retire(std::uint64_t seen, std::shared_ptr<void> object) {
    retired.push_back(Retired{seen, std::move(object)});
  }

  void ReapRetired() {
    std::erase_if(retired, [this](const Retired& r) { return MixerPassed(r.blocksSeen); });
  }

  // --- Handles -------------------------------------------------------------------------------
  SoundStream* FindStream(SoundStream* s) const {
    for (auto& owned : streams)
      if (owned.get() == s) return s;
    return nullptr;
  }
  SoundSample* FindSample(SoundSample* s) const {
    for (auto& owned : samples)
      if (owned.get() == s) return s;
    return nullptr;
  }
  SoundDspUnit* FindDsp(SoundDspUnit* u) const {
    for (auto& owned : dspUnits)
      if (owned.get() == u) return u;
    return nullptr;
  }
  Channel* FindChannel(int handle) const {
    if (handle < 0) return nullptr;
    const std::size_t index = static_cast<std::size_t>(handle & ((1 << kChannelBits) - 1));
    if (index >= channels.size()) return nullptr;
    Channel* c = channels[index].get();
    if (!c->inUse.load() || c->serial != (handle >> kChannelBits)) return nullptr;
    return c;
  }
  int HandleOf(const Channel* c) const {
    for (std::size_t i = 0; i < channels.size(); ++i)
      if (channels[i].get() == c) return static_cast<int>(i) | (c->serial << kChannelBits);
    return -1;
  }
  Channel* ChannelOfStream(const SoundStream* s) const {
    for (auto& c : channels)
      if (c->inUse.load() && c->stream == s) return c.get();
    return nullptr;
  }

  // False when the mixer may still be in a block that plays the channel: its resampler and
  // buffers must then not be reused yet.
  bool StopChannel(Channel* c) {
    c->active.store(false, std::memory_order_seq_cst);
    c->inUse.store(false);
    std::uint64_t seen = 0;
    const bool passed = WaitMixerPass(&seen);
    c->unconfirmedStop = !passed;
    c->stopSeen = seen;
    c->stream = nullptr;
    c->sample = nullptr;
    c->levelLeft.store(0);
    c->levelRight.store(0);
    return passed;
  }

  // Picks the channel for a new sound and makes it ready for set-up; nullptr when none is free.
  Channel* TakeChannel(int requested) {
    Channel* c = nullptr;
    if (requested == kFreeChannel) {
      for (auto& candidate : channels) {
        if (candidate->unconfirmedStop && !MixerPassed(candidate->stopSeen)) continue;
        if (!candidate->inUse.load() || candidate->finished.load()) {
          c = candidate.get();
          break;
        }
      }
    } else if (requested >= 0 && static_cast<std::size_t>(requested) < channels.size()) {
      c = channels[static_cast<std::size_t>(requested)].get();
    }
    if (!c || !StopChannel(c)) return nullptr;
    if (!c->src) {
      int error = 0;
      c->src = src_new(SRC_SINC_FASTEST, 2, &error);
      if (!c->src) return nullptr;
    }
    src_reset(c->src);
    c->inCount = 0;
    c->sampleRead = 0;
    c->samplePlayed = 0;
    c->samplePosition.store(0);
    c->finished.store(false);
    c->paused.store(false);
    c->serial = (c->serial + 1) & kSerialMask;
    return c;
  }

  // The decoder drops the old audio only once the mixer is known not to be reading it; a seek
  // whose wait ran out is released at a later pass.
  void Seek(SoundStream* s, std::int64_t frame) {
    s->BeginSeek(frame);
    std::uint64_t seen = 0;
    if (WaitMixerPass(&seen)) {
      s->ReleaseSeek();
    } else {
      heldSeeks.emplace_back(seen, s);
    }
  }

  void ReleaseHeldSeeks() {
    std::erase_if(heldSeeks, [this](const std::pair<std::uint64_t, SoundStream*>& held) {
      if (!MixerPassed(held.first)) return false;
      held.second->ReleaseSeek();
      return true;
    });
  }

  void ForgetHeldSeeks(const SoundStream* s) {
    std::erase_if(heldSeeks, [s](const auto& held) { return held.second == s; });
  }

  // Builds the chain of the current units in running order and hands it to the mixer. False
  // when the mixer did not leave the block (`seen`) that may still run the old chain.
  bool RebuildDspChain(std::uint64_t* seenOut = nullptr) {
    auto next = std::make_unique<DspChain>();
    DspChain& chain = *next;
    std::vector<SoundDspUnit*> order;
    for (auto& u : dspUnits) order.push_back(u.get());
    std::stable_sort(order.begin(), order.end(), [](SoundDspUnit* a, SoundDspUnit* b) {
      return a->priority != b->priority ? a->priority < b->priority : a->created < b->created;
    });
    chain.count = static_cast<int>(std::min<std::size_t>(order.size(), kMaxDspUnits));
    for (int i = 0; i < chain.count; ++i) chain.units[static_cast<std::size_t>(i)] = order[static_cast<std::size_t>(i)];
    chain_.store(next.get(), std::memory_order_seq_cst);
    std::swap(ownedChain, next);
    std::uint64_t seen = 0;
    const bool passed = WaitMixerPass(&seen);
    if (!passed) Retire(seen, std::shared_ptr<DspChain>(std::move(next)));  // the old chain
    if (seenOut) *seenOut = seen;
    return passed;
  }

  // --- Mixer (never blocks, allocates or locks) ------------------------------------------------
  int PullStream(Channel& c, SoundStream& s, int frames) {
    StreamVoice& voice = *c.voice;
    if (s.SyncGeneration()) voice.Restart();
    // Top the channel's window up from the stream's ring.
    VoiceWindow& w = voice.Window();
    SoundStream::PullResult result = SoundStream::PullResult::Data;
    if (!w.ended) {
      std::int64_t room = voice.MakeRoom();
      while (room > 0) {
        const std::size_t got =
            s.Read(w.data.data() + w.count * 2, static_cast<std::size_t>(room), &result);
        w.count += static_cast<std::int64_t>(got);
        room -= static_cast<std::int64_t>(got);
        if (result == SoundStream::PullResult::SeekPending) {
          // The old position's audio is dropped; the new one starts once decoded.
          return 0;
        }
        if (result == SoundStream::PullResult::End) w.ended = true;
        if (got == 0) break;
      }
    }
    bool ended = false;
    const std::uint64_t rateKey = c.rateKey.load(std::memory_order_acquire);
    const int produced = voice.Render(c.out.data(), frames, static_cast<int>(rateKey >> 32),
                                      static_cast<int>(rateKey & 0xffffffffu), &ended);
    if (produced < frames && !ended && result == SoundStream::PullResult::Dry)
      underruns.fetch_add(1, std::memory_order_relaxed);
    s.PublishPlayed(voice.Position());
    if (ended) {
      s.PublishEnd();
      c.finished.store(true, std::memory_order_release);
    }
    return produced;
  }

  int ClampFrequency(int hz) const {
    // The resampler handles ratios up to 256 either way.
    const int low = std::max(kMinFrequency, mixRate / 256 + 1);
    const int high = std::min(kMaxFrequency, mixRate * 256);
    return std::clamp(hz, low, high);
  }

  // Frequency and key frequency change together for the mixer (one word), so that no block
  // plays a keylocked channel with the new tempo and the old key reference.
  void SetRate(Channel& c, int frequency, int keyFrequency) {
    c.frequency.store(frequency);
    c.keyFrequency.store(keyFrequency);
    c.rateKey.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(frequency)) << 32) |
                        static_cast<std::uint32_t>(keyFrequency),
                    std::memory_order_release);
    RetargetVoice(c);
  }

  // The path of a stream channel follows its frequency and keylock (control side).
  void RetargetVoice(Channel& c) {
    if (!c.stream || !c.voice) return;
    VoiceTarget t;
    t.frequency = c.frequency.load();
    t.keyFrequency = c.keyFrequency.load();
    t.sourceRate = c.stream->SampleRate();
    t.mixRate = mixRate;
    c.voice->Retarget(t);
  }

  int PullSample(Channel& c, SoundSample& smp, int frames, int frequency) {
    const double ratio = static_cast<double>(mixRate) / frequency;
    const bool loop = smp.loop.load(std::memory_order_relaxed);
    const std::int64_t length = smp.length;
    int produced = 0;
    bool ended = false;
    while (produced < frames) {
      std::size_t space = kInputFrames - c.inCount;
      while (space > 0) {
        if (c.sampleRead >= length) {
          if (!loop) break;
          c.sampleRead = 0;
        }
        const std::size_t run = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(space), length - c.sampleRead));
        float* dst = c.in.data() + c.inCount * 2;
        std::int16_t* src = smp.data.data() + c.sampleRead * 2;
        for (std::size_t i = 0; i < run * 2; ++i)
          dst[i] = std::atomic_ref<std::int16_t>(src[i]).load(std::memory_order_relaxed) / 32768.0f;
        c.inCount += run;
        c.sampleRead += static_cast<std::int64_t>(run);
        space -= run;
      }
      const bool endOfInput = !loop && c.sampleRead >= length;
      SRC_DATA d{};
      d.data_in = c.in.data();
      d.input_frames = static_cast<long>(c.inCount);
      d.data_out = c.out.data() + produced * 2;
      d.output_frames = frames - produced;
      d.src_ratio = ratio;
      d.end_of_input = endOfInput ? 1 : 0;
      if (src_process(c.src, &d) != 0) {
        ended = true;
        break;
      }
      const std::size_t used = static_cast<std::size_t>(d.input_frames_used);
      if (used > 0) {
        std::memmove(c.in.data(), c.in.data() + used * 2, (c.inCount - used) * 2 * sizeof(float));
        c.inCount -= used;
      }
      produced += static_cast<int>(d.output_frames_gen);
      if (d.output_frames_gen == 0 && (endOfInput || used == 0)) {
        ended = endOfInput;
        break;
      }
    }
    c.samplePlayed += static_cast<double>(produced) * frequency / mixRate;
    if (loop && length > 0) c.samplePlayed = std::fmod(c.samplePlayed, static_cast<double>(length));
    c.samplePosition.store(std::min<std::int64_t>(static_cast<std::int64_t>(c.samplePlayed), length),
                           std::memory_order_relaxed);
    if (ended) c.finished.store(true, std::memory_order_release);
    return produced;
  }

  void MixBlock(std::int16_t* out, int frames) {
    inBlock.store(true, std::memory_order_seq_cst);
    if (!mixerEnabled.load(std::memory_order_seq_cst)) {
      std::memset(out, 0, static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
      inBlock.store(false, std::memory_order_seq_cst);
      return;
    }
    const auto started = Clock::now();
    std::fill(accumulator.begin(), accumulator.begin() + frames * 2, 0.0f);
    for (auto& owned : channels) {
      Channel& c = *owned;
      if (!c.active.load(std::memory_order_seq_cst) || c.finished.load(std::memory_order_acquire))
        continue;
      if (c.paused.load(std::memory_order_relaxed)) {
        c.levelLeft.store(0, std::memory_order_relaxed);
        c.levelRight.store(0, std::memory_order_relaxed);
        continue;
      }
      const int frequency = c.frequency.load(std::memory_order_relaxed);
      int produced = 0;
      if (c.stream) {
        produced = PullStream(c, *c.stream, frames);
      } else if (c.sample) {
        produced = PullSample(c, *c.sample, frames, frequency);
      }
      const float gain = static_cast<float>(c.volume.load(std::memory_order_relaxed)) / 255.0f;
      const int pan = c.pan.load(std::memory_order_relaxed);
      float gainLeft = gain, gainRight = gain;
      const bool mono = pan >= 0;
      if (mono) {
        gainLeft *= std::min(1.0f, 2.0f * static_cast<float>(255 - pan) / 255.0f);
        gainRight *= std::min(1.0f, 2.0f * static_cast<float>(pan) / 255.0f);
      }
      float peakLeft = 0, peakRight = 0;
      const float* o = c.out.data();
      float* acc = accumulator.data();
      for (int i = 0; i < produced; ++i) {
        float l = o[i * 2], r = o[i * 2 + 1];
        if (mono) l = r = 0.5f * (l + r);
        l *= gainLeft;
        r *= gainRight;
        acc[i * 2] += l;
        acc[i * 2 + 1] += r;
        peakLeft = std::max(peakLeft, std::fabs(l));
        peakRight = std::max(peakRight, std::fabs(r));
      }
      c.levelLeft.store(std::min(1.0f, peakLeft), std::memory_order_relaxed);
      c.levelRight.store(std::min(1.0f, peakRight), std::memory_order_relaxed);
    }
    for (int i = 0; i < frames * 2; ++i) {
      mixed[static_cast<std::size_t>(i)] =
          static_cast<std::int16_t>(std::lrint(Clip(accumulator[static_cast<std::size_t>(i)]) * 32767.0f));
    }
    const std::int16_t* result = mixed.data();
    const DspChain* running = chain_.load(std::memory_order_seq_cst);
    if (running && running->count > 0) {
      const DspChain& chain = *running;
      std::memcpy(original.data(), mixed.data(), static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
      void* buffer = mixed.data();
      for (int i = 0; i < chain.count; ++i) {
        SoundDspUnit* unit = chain.units[static_cast<std::size_t>(i)];
        if (!unit->active.load(std::memory_order_acquire)) continue;
        void* next = unit->callback(original.data(), buffer, frames, unit->param);
        if (next) buffer = next;
      }
      result = static_cast<const std::int16_t*>(buffer);
    }
    if (out != result) std::memcpy(out, result, static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
    const auto took = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    loadNs += took;
    loadFrames += frames;
    if (loadFrames >= mixRate) {
      const double audioNs = static_cast<double>(loadFrames) * 1e9 / mixRate;
      cpuUsage.store(static_cast<float>(100.0 * static_cast<double>(loadNs) / audioNs), std::memory_order_relaxed);
      loadNs = 0;
      loadFrames = 0;
    }
    blocks.fetch_add(1, std::memory_order_seq_cst);
    inBlock.store(false, std::memory_order_seq_cst);
  }

  void Mix(std::int16_t* out, int frames) {
    while (frames > 0) {
      const int n = std::min(frames, kBlockFrames);
      MixBlock(out, n);
      out += n * 2;
      frames -= n;
    }
  }

  static void RenderThunk(void* context, std::int16_t* out, int frames) {
    static_cast<Impl*>(context)->Mix(out, frames);
  }

  static void CaptureThunk(void* context, const std::int16_t* in, int frames) {
    static_cast<Impl*>(context)->Capture(in, frames);
  }

  // Recording callback: writes into the sample at the record position.
  void Capture(const std::int16_t* in, int frames) {
    if (!recording.load(std::memory_order_acquire)) return;
    SoundSample* smp = recordSample;
    bool full = false;
    const int pos = WriteRecordedFrames(smp->data.data(), smp->length,
                                        recordPosition.load(std::memory_order_relaxed),
                                        recordLoop.load(std::memory_order_relaxed), in, frames, &full);
    recordPosition.store(pos, std::memory_order_release);
    if (full) recording.store(false, std::memory_order_release);
  }

  void ClockLoop() {
    // NOSOUND: mix in real time without a device, 10 ms at a time.
    const auto period = std::chrono::milliseconds(10);
    auto next = Clock::now();
    double carry = 0;
    while (!clockQuit.load()) {
      next += period;
      std::this_thread::sleep_until(next);
      const auto now = Clock::now();
      if (now - next > std::chrono::milliseconds(200)) next = now;  // suspended: do not catch up
      carry += mixRate / 100.0;
      int frames = static_cast<int>(carry);
      carry -= frames;
      while (frames > 0) {
        const int n = std::min(frames, kBlockFrames);
        MixBlock(scratch.data(), n);
        frames -= n;
      }
    }
  }

  void StopRecordingLocked() {
    recording.store(false, std::memory_order_release);
    if (recorder) recorder->Close();
    recorder.reset();
    recordSample = nullptr;
    recordPosition.store(0);
  }

  void CloseLocked() {
    nonRealtime.store(false, std::memory_order_seq_cst);
    mixerEnabled.store(false, std::memory_order_seq_cst);
    WaitMixerPass();
    StopRecordingLocked();
    if (device) device->Close();
    device.reset();
    if (clockThread.joinable()) {
      clockQuit.store(true);
      clockThread.join();
    }
    for (auto& c : channels) {
      c->active.store(false);
      c->inUse.store(false);
    }
    chain_.store(nullptr, std::memory_order_seq_cst);
    heldSeeks.clear();
    for (auto& s : streams) s->Shutdown();
    // The output is stopped, so no mixer runs but a caller of Update still inside its block.
    // Should one be stuck there, everything it may touch stays until it has left.
    std::uint64_t seen = 0;
    if (WaitMixerPass(&seen)) {
      retired.clear();
    } else {
      Retire(seen, std::shared_ptr<DspChain>(std::move(ownedChain)));
      for (auto& u : dspUnits) Retire(seen, std::shared_ptr<SoundDspUnit>(std::move(u)));
      for (auto& st : streams) Retire(seen, std::move(st));
      for (auto& smp : samples) Retire(seen, std::shared_ptr<SoundSample>(std::move(smp)));
      for (auto& c : channels) Retire(seen, std::shared_ptr<Channel>(std::move(c)));
    }
    ownedChain.reset();
    dspUnits.clear();
    streams.clear();
    samples.clear();
    channels.clear();
    initialised = false;
    mixRate = 0;
    cpuUsage.store(0);
  }

  const std::vector<SoundDevice>& Devices(bool input, bool refresh) {
    bool& listed = input ? inputListed : outputListed;
    auto& list = input ? inputDevices : outputDevices;
    if (refresh || !listed) {
      const int type = EffectiveOutput(outputType);
      list.clear();
      if (type == kOutputNoSound || type == kOutputNoSoundNonRealtime) {
        if (!input) list.push_back(SoundDevice{-1, "No sound"});
      } else {
        list = ListSoundDevices(type, input);
      }
      listed = true;
    }
    return list;
  }

  // Name of a listed device (as last listed), or "" for a number out of range.
  std::string DeviceName(bool input, int driver) {
    const auto& list = Devices(input, false);
    if (driver < 0 || static_cast<std::size_t>(driver) >= list.size()) return "";
    return list[static_cast<std::size_t>(driver)].name;
  }
};

SoundLib::SoundLib(std::string name) : impl_(std::make_unique<Impl>(std::move(name))) {}

SoundLib::~SoundLib() { Close(); }

const std::string& SoundLib::Name() const { return impl_->name; }

std::string SoundLib::LastError() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->lastError;
}

// --- Set-up ----------------------------------------------------------------------------------

bool SoundLib::SetOutput(int outputType) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->initialised || outputType < kOutputNoSound || outputType > kOutputNoSoundNonRealtime)
    return false;
  if (outputType != impl_->outputType) {
    impl_->outputListed = false;
    impl_->inputListed = false;
  }
  impl_->outputType = outputType;
  return true;
}

int SoundLib::GetOutput() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->initialised ? impl_->activeOutput : impl_->EffectiveOutput(impl_->outputType);
}

int SoundLib::GetNumDrivers() {
  std::lock_guard lock(impl_->mutex);
  return static_cast<int>(impl_->Devices(false, true).size());
}

std::string SoundLib::GetDriverName(int driver) {
  std::lock_guard lock(impl_->mutex);
  return impl_->DeviceName(false, driver);
}

bool SoundLib::SetDriver(int driver) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->initialised || driver < 0) return false;
  impl_->driver = driver;
  return true;
}

bool SoundLib::SetMixer(int mixer) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->initialised || mixer < 0) return false;
  impl_->mixer = mixer;
  return true;
}

bool SoundLib::SetBufferSize(int ms) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->initialised || ms < 1 || ms > 2000) return false;
  impl_->bufferMs = ms;
  return true;
}

int SoundLib::GetMixer() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->mixer;
}

int SoundLib::GetDriver() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->driver;
}

bool SoundLib::Init(int mixRate, int maxChannels, unsigned /*flags*/) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.initialised) m.CloseLocked();
  if (mixRate < 8000 || mixRate > 192000) {
    m.Fail("unsupported mix rate " + std::to_string(mixRate));
    return false;
  }
  maxChannels = std::clamp(maxChannels, 1, 1024);
  const int type = m.EffectiveOutput(m.outputType);
  m.mixRate = mixRate;
  m.channels.clear();
  for (int i = 0; i < maxChannels; ++i) m.channels.push_back(std::make_unique<Channel>());
  m.updateCarry = 0;
  m.loadNs = 0;
  m.loadFrames = 0;
  if (type == kOutputNoSound) {
    m.clockQuit.store(false);
    m.clockThread = std::thread([&m] { m.ClockLoop(); });
  } else if (type != kOutputNoSoundNonRealtime) {
    const auto& devices = m.Devices(false, !m.outputListed);
    if (m.driver < 0 || static_cast<std::size_t>(m.driver) >= devices.size()) {
      m.Fail(devices.empty() ? "no output device for output type " + std::to_string(type)
                             : "no output device number " + std::to_string(m.driver));
      m.channels.clear();
      m.mixRate = 0;
      return false;
    }
    auto device = std::make_unique<SoundDeviceStream>();
    std::string error;
    if (!device->OpenOutput(devices[static_cast<std::size_t>(m.driver)], mixRate, m.bufferMs,
                            &Impl::RenderThunk, &m, &error)) {
      m.Fail("cannot open output device \"" + devices[static_cast<std::size_t>(m.driver)].name +
             "\": " + error);
      m.channels.clear();
      m.mixRate = 0;
      return false;
    }
    m.device = std::move(device);
  }
  m.activeOutput = type;
  m.initialised = true;
  m.lastError.clear();
  m.mixRateShared.store(mixRate);
  m.mixerEnabled.store(true, std::memory_order_seq_cst);
  m.nonRealtime.store(type == kOutputNoSoundNonRealtime, std::memory_order_seq_cst);
  return true;
}

bool SoundLib::IsInitialised() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->initialised;
}

int SoundLib::GetOutputRate() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->mixRate;
}

int SoundLib::GetMaxChannels() const {
  std::lock_guard lock(impl_->mutex);
  return static_cast<int>(impl_->channels.size());
}

void SoundLib::Close() {
  std::lock_guard lock(impl_->mutex);
  impl_->CloseLocked();
}

// Update and Render are the mixer of the non-real-time output: like the audio callback they take
// no lock (they run beside the other operations, which hand changes over through atomics).
bool SoundLib::Update(int ms) {
  Impl& m = *impl_;
  if (!m.nonRealtime.load(std::memory_order_acquire) || ms < 0) return false;
  m.updateCarry += static_cast<double>(ms) * m.mixRateShared.load() / 1000.0;
  int frames = static_cast<int>(m.updateCarry);
  m.updateCarry -= frames;
  while (frames > 0) {
    const int n = std::min(frames, kBlockFrames);
    m.MixBlock(m.scratch.data(), n);
    frames -= n;
  }
  return true;
}

int SoundLib::Render(std::int16_t* out, int frames) {
  Impl& m = *impl_;
  if (!m.nonRealtime.load(std::memory_order_acquire) || !out || frames <= 0) return 0;
  m.Mix(out, frames);
  return frames;
}

float SoundLib::GetCPUUsage() const { return impl_->cpuUsage.load(); }

std::int64_t SoundLib::GetUnderruns() const { return impl_->underruns.load(); }

// --- Streams ---------------------------------------------------------------------------------

SoundStream* SoundLib::Stream_Open(const std::string& fileName, unsigned mode, int, int) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  if (fileName.empty()) {
    m.Fail("no file name");
    return nullptr;
  }
  auto stream = std::make_shared<SoundStream>(fileName, mode);
  stream->SetSignal(m.decoderSignal);
  if (mode & kModeNonBlocking) {
    stream->OpenInBackground();
  } else if (stream->OpenBlocking() != kOpenReady) {
    m.Fail(stream->Error());
    return nullptr;
  }
  m.streams.push_back(std::move(stream));
  return m.streams.back().get();
}

int SoundLib::Stream_GetOpenState(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  if (!s) return kOpenFailed;
  const int state = s->OpenState();
  if (state != kOpenReady && state != kOpenPending) impl_->Fail(s->Error());
  return state;
}

int SoundLib::Stream_GetLengthMs(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  return s ? s->LengthMs() : 0;
}

int SoundLib::Stream_GetFrequency(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  return s && s->OpenState() == kOpenReady ? s->SampleRate() : 0;
}

int SoundLib::Stream_Play(int channel, SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundStream* s = m.FindStream(stream);
  if (!m.initialised || !s || s->OpenState() != kOpenReady) return -1;
  if (Channel* old = m.ChannelOfStream(s)) m.StopChannel(old);
  // Whatever an earlier channel held of the stream is gone: continue exactly where it was.
  if (s->everPlayed && !s->SeekPending()) m.Seek(s, s->PositionFrames());
  Channel* c = m.TakeChannel(channel);
  if (!c) return -1;
  c->stream = s;
  c->volume.store(255);
  c->pan.store(kStereoPan);
  if (!c->voice) c->voice = std::make_unique<StreamVoice>();
  c->voice->Start(VoiceTarget{s->SampleRate(), 0, s->SampleRate(), m.mixRate});
  m.SetRate(*c, s->SampleRate(), 0);
  c->inUse.store(true);
  s->everPlayed = true;
  c->active.store(true, std::memory_order_seq_cst);
  return m.HandleOf(c);
}

bool SoundLib::Stream_SetTime(SoundStream* stream, int ms) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  if (!s || s->OpenState() != kOpenReady) return false;
  impl_->Seek(s, MsToFrames(ms, s->SampleRate()));
  return true;
}

int SoundLib::Stream_GetTime(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  if (!s || s->OpenState() != kOpenReady) return 0;
  return FramesToMs(s->PositionFrames(), s->SampleRate());
}

bool SoundLib::Stream_Stop(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  if (!s) return false;
  if (Channel* c = impl_->ChannelOfStream(s)) impl_->StopChannel(c);
  if (s->OpenState() == kOpenReady) impl_->Seek(s, 0);
  return true;
}

bool SoundLib::Stream_Close(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundStream* s = m.FindStream(stream);
  if (!s) return false;
  bool passed;
  std::uint64_t seen = 0;
  if (Channel* c = m.ChannelOfStream(s)) {
    passed = m.StopChannel(c);
    seen = c->stopSeen;
  } else {
    passed = m.WaitMixerPass(&seen);
  }
  m.ForgetHeldSeeks(s);
  auto owned = std::find_if(m.streams.begin(), m.streams.end(),
                            [s](const auto& p) { return p.get() == s; });
  (*owned)->Shutdown();  // never waits for a file that does not answer
  // A mixer still inside the block that read the stream keeps it until that block is over.
  if (!passed) m.Retire(seen, std::move(*owned));
  m.streams.erase(owned);
  return true;
}

int SoundLib::Stream_GetBufferedMs(SoundStream* stream) {
  std::lock_guard lock(impl_->mutex);
  SoundStream* s = impl_->FindStream(stream);
  if (!s || s->OpenState() != kOpenReady) return 0;
  return FramesToMs(static_cast<std::int64_t>(s->BufferedFrames()), s->SampleRate());
}

bool SoundLib::WaitForDecoders(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  DecoderSignal& signal = *impl_->decoderSignal;
  for (;;) {
    // Read the count first: progress made while we look is then not missed.
    const std::uint64_t seen = signal.Count();
    {
      std::lock_guard lock(impl_->mutex);
      bool settled = true;
      for (auto& s : impl_->streams) settled = settled && s->Settled();
      if (settled) return true;
    }
    const auto now = Clock::now();
    if (now >= deadline) return false;
    // A decoder reports every step; the short bound covers a seek released by another caller.
    signal.WaitChange(seen, std::min(deadline, now + std::chrono::milliseconds(20)));
  }
}

// --- Channels --------------------------------------------------------------------------------

bool SoundLib::SetVolume(int channel, int volume) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  c->volume.store(std::clamp(volume, 0, 255));
  return true;
}

int SoundLib::GetVolume(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c ? c->volume.load() : -1;
}

bool SoundLib::SetPan(int channel, int pan) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  c->pan.store(pan < 0 ? kStereoPan : std::min(pan, 255));
  return true;
}

int SoundLib::GetPan(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c ? c->pan.load() : -1;
}

bool SoundLib::SetFrequency(int channel, int hz) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  impl_->SetRate(*c, impl_->ClampFrequency(hz), c->keyFrequency.load());
  return true;
}

bool SoundLib::SetTempo(int channel, int hz) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  const int f = impl_->ClampFrequency(hz);
  impl_->SetRate(*c, f, c->keyFrequency.load() > 0 && c->stream ? f : 0);
  return true;
}

int SoundLib::GetFrequency(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c ? c->frequency.load() : 0;
}

bool SoundLib::SetKeyLock(int channel, int keyFrequency) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c || !c->stream) return false;
  impl_->SetRate(*c, c->frequency.load(), std::max(keyFrequency, 0));
  return true;
}

int SoundLib::GetKeyLock(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c ? c->keyFrequency.load() : 0;
}

bool SoundLib::SetPaused(int channel, bool paused) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  c->paused.store(paused);
  if (paused) {
    c->levelLeft.store(0);
    c->levelRight.store(0);
  }
  return true;
}

bool SoundLib::GetPaused(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c && c->paused.load();
}

bool SoundLib::IsPlaying(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  return c && !c->finished.load();
}

bool SoundLib::GetCurrentLevels(int channel, float* left, float* right) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (c && c->voice) c->voice->Collect();  // the deck clock asks every tick
  const bool silent = !c || c->finished.load() || c->paused.load();
  if (left) *left = silent ? 0.0f : c->levelLeft.load();
  if (right) *right = silent ? 0.0f : c->levelRight.load();
  return c != nullptr;
}

int SoundLib::GetCurrentPosition(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return 0;
  if (c->stream) return static_cast<int>(c->stream->PositionFrames());
  return static_cast<int>(c->samplePosition.load());
}

bool SoundLib::StopSound(int channel) {
  std::lock_guard lock(impl_->mutex);
  Channel* c = impl_->FindChannel(channel);
  if (!c) return false;
  impl_->StopChannel(c);
  return true;
}

// --- DSP units -------------------------------------------------------------------------------

SoundDspUnit* SoundLib::DSP_Create(SoundDspCallback callback, int priority, void* param) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  if (!callback || m.dspUnits.size() >= static_cast<std::size_t>(kMaxDspUnits)) return nullptr;
  auto unit = std::make_unique<SoundDspUnit>();
  unit->callback = std::move(callback);
  unit->priority = priority;
  unit->param = param;
  unit->created = ++m.dspCreated;
  m.dspUnits.push_back(std::move(unit));
  SoundDspUnit* created = m.dspUnits.back().get();
  m.RebuildDspChain();
  return created;
}

bool SoundLib::DSP_SetActive(SoundDspUnit* unit, bool active) {
  std::lock_guard lock(impl_->mutex);
  SoundDspUnit* u = impl_->FindDsp(unit);
  if (!u) return false;
  u->active.store(active, std::memory_order_seq_cst);
  if (!active) impl_->WaitMixerPass();
  return true;
}

bool SoundLib::DSP_GetActive(SoundDspUnit* unit) {
  std::lock_guard lock(impl_->mutex);
  SoundDspUnit* u = impl_->FindDsp(unit);
  return u && u->active.load();
}

void SoundLib::DSP_Free(SoundDspUnit* unit) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundDspUnit* u = m.FindDsp(unit);
  if (!u) return;
  u->active.store(false, std::memory_order_seq_cst);
  auto owned = std::find_if(m.dspUnits.begin(), m.dspUnits.end(),
                            [u](const auto& p) { return p.get() == u; });
  std::shared_ptr<SoundDspUnit> doomed(std::move(*owned));
  m.dspUnits.erase(owned);
  // Once the mixer has left the block that may run the old chain, nothing calls the unit. A
  // mixer stuck in that block (a plug-in that does not return, a device that stopped calling
  // back) would still call it: then it is kept until that block is over, never freed under it.
  std::uint64_t seen = 0;
  if (!m.RebuildDspChain(&seen)) m.Retire(seen, std::move(doomed));
}

// --- Samples and recording -------------------------------------------------------------------

int SoundLib::Record_GetNumDrivers() {
  std::lock_guard lock(impl_->mutex);
  return static_cast<int>(impl_->Devices(true, true).size());
}

std::string SoundLib::Record_GetDriverName(int driver) {
  std::lock_guard lock(impl_->mutex);
  return impl_->DeviceName(true, driver);
}

bool SoundLib::Record_SetDriver(int driver) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.recording.load() || driver < 0) return false;
  const auto& list = m.Devices(true, false);
  if (static_cast<std::size_t>(driver) >= list.size()) return false;
  m.recordDriver = driver;
  return true;
}

int SoundLib::Record_GetDriver() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->recordDriver;
}

SoundSample* SoundLib::Sample_Alloc(int, int length, unsigned mode, int defaultFrequency,
                                    int defaultVolume, int defaultPan, int defaultPriority) {
  std::lock_guard lock(impl_->mutex);
  if (length <= 0 || length > 100000000) return nullptr;
  auto sample = std::make_unique<SoundSample>();
  sample->data.assign(static_cast<std::size_t>(length) * 2, 0);
  sample->length = length;
  sample->loop.store((mode & (kModeLoopNormal | kModeLoopBidi)) != 0);
  sample->defaultFrequency = defaultFrequency > 0 ? defaultFrequency : 44100;
  sample->defaultVolume = std::clamp(defaultVolume, 0, 255);
  sample->defaultPan = defaultPan < 0 ? kStereoPan : std::min(defaultPan, 255);
  sample->defaultPriority = defaultPriority;
  impl_->samples.push_back(std::move(sample));
  return impl_->samples.back().get();
}

bool SoundLib::Sample_SetMode(SoundSample* sample, unsigned mode) {
  std::lock_guard lock(impl_->mutex);
  SoundSample* s = impl_->FindSample(sample);
  if (!s) return false;
  if (mode & (kModeLoopNormal | kModeLoopBidi)) {
    s->loop.store(true);
  } else if (mode & kModeLoopOff) {
    s->loop.store(false);
  }
  return true;
}

int SoundLib::Sample_GetLength(SoundSample* sample) {
  std::lock_guard lock(impl_->mutex);
  SoundSample* s = impl_->FindSample(sample);
  return s ? s->length : 0;
}

bool SoundLib::Sample_Upload(SoundSample* sample, int offset, const std::int16_t* frames, int count) {
  std::lock_guard lock(impl_->mutex);
  SoundSample* s = impl_->FindSample(sample);
  if (!s || !frames || count < 0 || offset < 0) return false;
  int pos = offset % s->length;
  for (int i = 0; i < count; ++i) {
    std::int16_t* dst = s->data.data() + static_cast<std::size_t>(pos) * 2;
    std::atomic_ref<std::int16_t>(dst[0]).store(frames[i * 2], std::memory_order_relaxed);
    std::atomic_ref<std::int16_t>(dst[1]).store(frames[i * 2 + 1], std::memory_order_relaxed);
    if (++pos >= s->length) pos = 0;
  }
  return true;
}

void SoundLib::Sample_Free(SoundSample* sample) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundSample* s = m.FindSample(sample);
  if (!s) return;
  if (m.recordSample == s) m.StopRecordingLocked();
  bool passed = true;
  std::uint64_t seen = 0;
  for (auto& c : m.channels) {
    if (c->inUse.load() && c->sample == s && !m.StopChannel(c.get())) {
      passed = false;
      seen = c->stopSeen;
    }
  }
  if (passed) passed = m.WaitMixerPass(&seen);
  auto owned = std::find_if(m.samples.begin(), m.samples.end(),
                            [s](const auto& p) { return p.get() == s; });
  if (!passed) m.Retire(seen, std::shared_ptr<SoundSample>(std::move(*owned)));
  m.samples.erase(owned);
}

bool SoundLib::Record_StartSample(SoundSample* sample, bool loop) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundSample* s = m.FindSample(sample);
  if (!s) return false;
  m.StopRecordingLocked();
  const auto& list = m.Devices(true, false);
  if (static_cast<std::size_t>(m.recordDriver) >= list.size()) {
    m.Fail("no recording device");
    return false;
  }
  m.recordSample = s;
  m.recordLoop.store(loop);
  m.recordPosition.store(0);
  m.recording.store(true, std::memory_order_release);
  auto recorder = std::make_unique<SoundDeviceStream>();
  std::string error;
  const int rate = m.mixRate > 0 ? m.mixRate : s->defaultFrequency;
  if (!recorder->OpenInput(list[static_cast<std::size_t>(m.recordDriver)], rate, &Impl::CaptureThunk,
                           &m, &error)) {
    m.recording.store(false);
    m.recordSample = nullptr;
    m.Fail("cannot record from \"" + list[static_cast<std::size_t>(m.recordDriver)].name + "\": " + error);
    return false;
  }
  m.recorder = std::move(recorder);
  return true;
}

int SoundLib::Record_GetPosition() {
  return impl_->recording.load() ? impl_->recordPosition.load() : 0;
}

bool SoundLib::Record_Stop() {
  std::lock_guard lock(impl_->mutex);
  const bool was = impl_->recorder != nullptr;
  impl_->StopRecordingLocked();
  return was;
}

int SoundLib::PlaySound(int channel, SoundSample* sample) {
  std::lock_guard lock(impl_->mutex);
  Impl& m = *impl_;
  SoundSample* s = m.FindSample(sample);
  if (!m.initialised || !s) return -1;
  Channel* c = m.TakeChannel(channel);
  if (!c) return -1;
  c->sample = s;
  c->volume.store(s->defaultVolume);
  c->pan.store(s->defaultPan);
  c->frequency.store(std::clamp(s->defaultFrequency, kMinFrequency, kMaxFrequency));
  c->inUse.store(true);
  c->active.store(true, std::memory_order_seq_cst);
  return m.HandleOf(c);
}

}  // namespace spinwave
