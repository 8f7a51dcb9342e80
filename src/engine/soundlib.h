// Spinwave's sound library: streams decoded by libmpg123 (MP3) and libsndfile (WAV, Ogg),
// channels mixed at the mix rate
// (44100 Hz stereo), playback rate through libsoxr (streams; libsamplerate for samples), keylock
// through Rubber Band, DSP units, PortAudio output and recording. Each deck component owns one instance; the instance's name ("fmod.dll", "fmod2.dll",
// ...) appears in its error texts and diagnostics.
//
// Threads: every operation may be called from any thread (the interface thread, the microphone
// thread); operations serialise on an internal mutex. The mixer (the PortAudio callback, the
// NOSOUND clock thread, or the caller of Update/Render with NOSOUND_NONREALTIME) never blocks,
// allocates, locks or touches a file: it only reads what the decoder threads put into the streams'
// ring buffers.
//
// Units: times in milliseconds, volume 0..255, pan -1 (stereo) / 0 (left) .. 255 (right),
// frequencies in Hz, levels 0..1, positions of samples in sample frames.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace spinwave {

// Output types, numbered as the deck engine stores and logs them.
enum SoundOutputType : int {
  kOutputNoSound = 0,             // no device; mixing runs paced by the clock
  kOutputWinMM = 1,               // PortAudio's ALSA host API
  kOutputDirectSound = 2,         // the system's default output (PipeWire / PulseAudio / ALSA)
  kOutputA3D = 3,                 // not available
  kOutputOSS = 4,                 // PortAudio's OSS host API
  kOutputESD = 5,                 // not available
  kOutputALSA = 6,                // PortAudio's ALSA host API
  kOutputASIO = 7,                // PortAudio's JACK host API
  kOutputXBOX = 8,                // not available
  kOutputPS2 = 9,                 // not available
  kOutputMAC = 10,                // not available
  kOutputGC = 11,                 // not available
  kOutputNoSoundNonRealtime = 12  // no device; mixing happens only in Update / Render
};

// Open and sample mode bits.
inline constexpr unsigned kModeLoopOff = 0x00000001;
inline constexpr unsigned kModeLoopNormal = 0x00000002;
inline constexpr unsigned kModeLoopBidi = 0x00000004;
inline constexpr unsigned kMode8Bits = 0x00000008;
inline constexpr unsigned kMode16Bits = 0x00000010;
inline constexpr unsigned kModeMono = 0x00000020;
inline constexpr unsigned kModeStereo = 0x00000040;
inline constexpr unsigned kModeUnsigned = 0x00000080;
inline constexpr unsigned kModeSigned = 0x00000100;
inline constexpr unsigned kModeHw3D = 0x00001000;
inline constexpr unsigned kMode2D = 0x00002000;            // software 2D mixing
// Exact length of MPEG files. Accepted; every MP3 gets its exact length from a frame scan.
inline constexpr unsigned kModeAccurateLength = 0x00020000;
inline constexpr unsigned kModeForceMono = 0x00040000;     // decode to mono (played on both sides)
inline constexpr unsigned kModeHw2D = 0x00080000;          // hardware 2D mixing (mixed like 2D)
inline constexpr unsigned kModeNonBlocking = 0x01000000;   // open finishes on the decoder thread
inline constexpr unsigned kModeNormal = kMode16Bits | kModeSigned | kModeMono;  // 0x130

// Init flag: keep playing when the window is not active (meaningless here, accepted).
inline constexpr unsigned kInitGlobalFocus = 0x02;

// Mixer numbers.
inline constexpr int kMixerAutodetect = 0;
inline constexpr int kMixerQualityAutodetect = 4;

// Channel argument of Stream_Play / PlaySound that picks a free channel.
inline constexpr int kFreeChannel = -1;
// Pan value that plays a stereo source unchanged on both sides.
inline constexpr int kStereoPan = -1;

// Stream_GetOpenState results.
inline constexpr int kOpenReady = 0;
inline constexpr int kOpenFailed = -1;       // file missing or unreadable
inline constexpr int kOpenPending = -2;      // still opening on the decoder thread
inline constexpr int kOpenBadFormat = -3;    // not an audio file the decoder knows

// Handles. They stay owned by the instance; a handle that was closed or freed (or belongs to
// another instance) is refused by every operation.
struct SoundStream;
struct SoundSample;
struct SoundDspUnit;

// A DSP unit's callback, called on the mixing thread for every mixed block: `input` is the block
// as mixed (before any unit), `buffer` is what the previous unit returned, `length` is the number
// of stereo frames of signed 16-bit samples at the mix rate. The callback may change `buffer` in
// place and returns the buffer the next unit (and the output) gets: usually `buffer` itself, or
// a buffer of its own holding `length` frames (nullptr keeps `buffer`). It must not block nor
// call the library. `param` is the value given to DSP_Create.
using SoundDspCallback = std::function<void*(void* input, void* buffer, int length, void* param)>;

class SoundLib {
 public:
  explicit SoundLib(std::string name);
  ~SoundLib();  // closes everything (as Close does)
  SoundLib(const SoundLib&) = delete;
  SoundLib& operator=(const SoundLib&) = delete;

  // The name used in messages and diagnostics ("fmod.dll" ...).
  const std::string& Name() const;
  // Text of the last failure (open, init, record), for logs; "" when none.
  std::string LastError() const;

  // --- Set-up ------------------------------------------------------------------------------
  // Selects the output type used for device lists and by the next Init. False (and nothing
  // changes) while initialised or for a type outside 0..12. With SPINWAVE_OUTPUT=nosound in the
  // environment every device type is taken as NOSOUND (NOSOUND_NONREALTIME stays).
  bool SetOutput(int outputType);
  // The output type in effect (after the environment override).
  int GetOutput() const;
  // Output devices of the current output type, in device order (for the system default output
  // type the default device comes first). NOSOUND types have one device, "No sound".
  int GetNumDrivers();
  std::string GetDriverName(int driver);  // "" outside 0..GetNumDrivers()-1
  // Device, mixer and buffer size for the next Init. False while initialised.
  bool SetDriver(int driver);
  bool SetMixer(int mixer);
  bool SetBufferSize(int ms);  // output buffer length in ms (1..2000)
  int GetMixer() const;
  int GetDriver() const;
  // Opens the output: mixing at `mixRate` Hz stereo (8000..192000) with `maxChannels` channels
  // (1..1024). True = ready. A device that cannot be opened gives false with LastError() set.
  bool Init(int mixRate, int maxChannels, unsigned flags);
  bool IsInitialised() const;
  int GetOutputRate() const;     // the mix rate, 0 when not initialised
  int GetMaxChannels() const;    // 0 when not initialised
  // Stops the output and recording and frees every stream, sample and DSP unit.
  void Close();

  // Mixes `ms` milliseconds of audio (NOSOUND_NONREALTIME only; false otherwise). The mixed
  // sound is dropped after the DSP units saw it.
  bool Update(int ms);
  // Mixes exactly `frames` stereo frames into `out` (2 × frames samples), NOSOUND_NONREALTIME
  // only. Returns the frames written (0 when not in that mode).
  int Render(std::int16_t* out, int frames);

  // Processor load in percent: time spent mixing / audio time mixed, over the last second.
  float GetCPUUsage() const;
  // Blocks the mixer found its stream buffers dry (the block played silence for that channel).
  std::int64_t GetUnderruns() const;

  // --- Streams -------------------------------------------------------------------------------
  // Opens an MP3, OGG or WAV file for streaming. Blocking: returns once the format and length
  // are known (nullptr on failure; LastError() says why). With kModeNonBlocking: returns a
  // handle at once (nullptr only without a name) and the open finishes on the decoder thread;
  // poll Stream_GetOpenState. kModeForceMono plays the file's mono mix. `offset` and `length`
  // are not used (0).
  SoundStream* Stream_Open(const std::string& fileName, unsigned mode, int offset = 0,
                           int length = 0);
  // 0 ready, -2 still opening, -1 failed (missing/unreadable), -3 failed (not an audio file);
  // -1 for an unknown handle.
  int Stream_GetOpenState(SoundStream* stream);
  // Length in ms of the file's own time (exact for MP3, OGG and WAV); 0 while opening or unknown.
  int Stream_GetLengthMs(SoundStream* stream);
  // The file's sample rate in Hz (0 while opening or unknown).
  int Stream_GetFrequency(SoundStream* stream);
  // Starts the stream from its current position on `channel` (kFreeChannel = any free one) at
  // volume 255, stereo pan and the file's own rate. Returns the channel handle, negative on
  // failure (no free channel, not initialised, still opening, failed open). A stream plays on
  // one channel at a time: playing it again moves it to the new channel.
  int Stream_Play(int channel, SoundStream* stream);
  // Moves the stream to `ms` of the file's own time (clamped to the length). The old audio is
  // dropped at once; the new position is heard as soon as the decoder has refilled.
  bool Stream_SetTime(SoundStream* stream, int ms);
  // Position in ms of the file's own time; after Stream_SetTime the target until played on.
  int Stream_GetTime(SoundStream* stream);
  // Stops the stream's channel and rewinds the stream to its start.
  bool Stream_Stop(SoundStream* stream);
  // Stops and frees the stream; true when done (false for an unknown handle). Should the mixer
  // be stuck inside a block for more than a second, the stream is kept until it has left.
  bool Stream_Close(SoundStream* stream);
  // Milliseconds of decoded audio waiting in the stream's buffer (diagnostics, tests).
  int Stream_GetBufferedMs(SoundStream* stream);

  // Waits (at most timeoutMs) until every open stream has finished opening and its buffer is
  // full or holds the rest of the file. True when so. For tests and offline rendering, so that
  // Update/Render never meets a dry buffer.
  bool WaitForDecoders(int timeoutMs);

  // --- Channels (handles returned by Stream_Play / PlaySound) ---------------------------------
  bool SetVolume(int channel, int volume);      // 0..255 (clamped)
  int GetVolume(int channel);                   // -1 for an unknown channel
  bool SetPan(int channel, int pan);            // -1 stereo, 0 left .. 128 centre .. 255 right
  int GetPan(int channel);
  // Playback rate of the channel's source in Hz (the source's own rate plays at true speed);
  // clamped to 200..705600. GetFrequency reads back the rate in effect (0 for an unknown one).
  bool SetFrequency(int channel, int hz);
  int GetFrequency(int channel);
  // SetFrequency for a keylocked stream channel that is to keep the file's key at the new
  // frequency (its key frequency becomes the new frequency in the same step); on any other
  // channel the same as SetFrequency.
  bool SetTempo(int channel, int hz);
  // Keylock of a stream channel: with `keyFrequency` > 0 the channel's frequency sets only the
  // tempo, and the key is the file's own key times frequency / keyFrequency (so it stays while
  // the frequency equals keyFrequency and falls with it in a vinyl stop). 0 turns keylock off:
  // the frequency sets tempo and key together, as a record. Switching is cross-faded, without a
  // jump in position. False for an unknown channel or one that plays a sample.
  bool SetKeyLock(int channel, int keyFrequency);
  int GetKeyLock(int channel);  // the key frequency in effect, 0 = off
  bool SetPaused(int channel, bool paused);
  bool GetPaused(int channel);
  // True while the channel holds a source that has not ended (paused counts as playing).
  bool IsPlaying(int channel);
  // Peak levels 0..1 of the channel's last mixed block after volume and pan; 0 when paused.
  bool GetCurrentLevels(int channel, float* left, float* right);
  // Sample channels: position in frames within the sample; stream channels: frames of the file.
  int GetCurrentPosition(int channel);
  bool StopSound(int channel);

  // --- DSP units -----------------------------------------------------------------------------
  // Creates an inactive unit; units run in ascending priority order, each seeing every mixed
  // block (see SoundDspCallback). nullptr without a callback.
  SoundDspUnit* DSP_Create(SoundDspCallback callback, int priority, void* param);
  bool DSP_SetActive(SoundDspUnit* unit, bool active);
  bool DSP_GetActive(SoundDspUnit* unit);
  // Frees the unit; once this returns no later mixer block calls it. A mixer stuck inside the
  // callback for more than a second (a plug-in that does not return) does not freeze the
  // caller: the unit is then kept, and freed once the mixer has left that block or at Close.
  void DSP_Free(SoundDspUnit* unit);

  // --- Samples and recording -------------------------------------------------------------------
  // Recording devices of the current output type (same host-API mapping as the outputs).
  int Record_GetNumDrivers();
  std::string Record_GetDriverName(int driver);
  bool Record_SetDriver(int driver);  // false outside the list or while recording
  int Record_GetDriver() const;
  // Allocates a 16-bit stereo sample of `length` frames (silence) with default rate, volume
  // (0..255), pan (-1, 0..255) and priority. `index` is ignored (unmanaged). nullptr on failure.
  SoundSample* Sample_Alloc(int index, int length, unsigned mode, int defaultFrequency,
                            int defaultVolume, int defaultPan, int defaultPriority);
  // Loop mode of the sample: kModeLoopOff or kModeLoopNormal (bidi plays as normal).
  bool Sample_SetMode(SoundSample* sample, unsigned mode);
  int Sample_GetLength(SoundSample* sample);  // frames, 0 for an unknown sample
  // Copies `frames` stereo frames into the sample at `offset` (wrapping at its end).
  bool Sample_Upload(SoundSample* sample, int offset, const std::int16_t* frames, int count);
  // Stops what plays or records the sample, then frees it.
  void Sample_Free(SoundSample* sample);
  // Records from the selected recording device into the sample, from its start; with `loop`
  // recording wraps to the start at the end, otherwise it stops there. False when no device can
  // be opened (always with the NOSOUND types).
  bool Record_StartSample(SoundSample* sample, bool loop);
  // Frame the next recorded frame goes to; 0 when not recording.
  int Record_GetPosition();
  bool Record_Stop();
  // Plays the sample from its start at its defaults on `channel` (kFreeChannel = any free one).
  // Returns the channel handle, negative on failure.
  int PlaySound(int channel, SoundSample* sample);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace spinwave
