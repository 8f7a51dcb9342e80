// PortAudio behind the sound library: the host API each output type uses, device lists, and the
// output and input streams. PortAudio is initialised while any SoundDevices user holds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spinwave {

struct SoundDevice {
  int paIndex = -1;  // PortAudio device index
  std::string name;
};

// True when SPINWAVE_OUTPUT=nosound is set: no device is ever listed or opened.
bool SoundOutputForcedOff();

// Holds PortAudio initialised for its lifetime (reference counted, thread-safe).
class PortAudioUse {
 public:
  PortAudioUse();
  ~PortAudioUse();
  PortAudioUse(const PortAudioUse&) = delete;
  PortAudioUse& operator=(const PortAudioUse&) = delete;
  bool Ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// Devices of the host API that `outputType` maps to (outputs or inputs), in device order; for
// the system-default type the default device comes first. Empty for types without devices.
std::vector<SoundDevice> ListSoundDevices(int outputType, bool input);

// Renders `frames` stereo frames of signed 16-bit samples into `out`.
using SoundRenderFn = void (*)(void* context, std::int16_t* out, int frames);
// Receives `frames` recorded stereo frames of signed 16-bit samples.
using SoundCaptureFn = void (*)(void* context, const std::int16_t* in, int frames);

// One PortAudio stream (output or input) at a given rate, 2 channels, 16-bit.
class SoundDeviceStream {
 public:
  SoundDeviceStream() = default;
  ~SoundDeviceStream();
  SoundDeviceStream(const SoundDeviceStream&) = delete;
  SoundDeviceStream& operator=(const SoundDeviceStream&) = delete;

  bool OpenOutput(const SoundDevice& device, int rate, int bufferMs, SoundRenderFn render,
                  void* context, std::string* error);
  bool OpenInput(const SoundDevice& device, int rate, SoundCaptureFn capture, void* context,
                 std::string* error);
  void Close();
  bool IsOpen() const { return stream_ != nullptr; }

  // Called by PortAudio's threads.
  void RenderInto(std::int16_t* out, int frames) { render_(context_, out, frames); }
  void CaptureFrom(const std::int16_t* in, int frames) { capture_(context_, in, frames); }

 private:
  PortAudioUse use_;
  void* stream_ = nullptr;
  SoundRenderFn render_ = nullptr;
  SoundCaptureFn capture_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace spinwave
