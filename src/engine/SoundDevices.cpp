#include "engine/SoundDevices.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/AsciiText.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

std::mutex gPaMutex;
int gPaUsers = 0;

// ALSA prints probe failures of absent cards on stderr; they mean nothing to the user.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// The JACK client library (loaded with PortAudio) reports a missing JACK server on stderr at
// every probe. Its message hooks are looked up at run time: the program does not link JACK.
void QuietJackMessage(const char*) {}

void QuietJack() {
  using SetFunction = void (*)(void (*)(const char*));
  for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
    if (void* symbol = dlsym(RTLD_DEFAULT, name)) {
      reinterpret_cast<SetFunction>(symbol)(&QuietJackMessage);
    }
  }
}

int HostApiFor(int outputType) {
  PaHostApiTypeId type;
  switch (outputType) {
    case kOutputWinMM:
    case kOutputALSA: type = paALSA; break;
    case kOutputOSS: type = paOSS; break;
    case kOutputASIO: type = paJACK; break;
    case kOutputDirectSound: return Pa_GetDefaultHostApi();
    default: return -1;
  }
  const PaHostApiIndex index = Pa_HostApiTypeIdToHostApiIndex(type);
  return index < 0 ? -1 : index;
}

}  // namespace

bool SoundOutputForcedOff() {
  const char* value = std::getenv("SPINWAVE_OUTPUT");
  return value && EqualsNoCase(value, "nosound");
}

PortAudioUse::PortAudioUse() {
  std::lock_guard lock(gPaMutex);
  if (gPaUsers == 0) {
    snd_lib_error_set_handler(&QuietAlsaErrors);
    QuietJack();
    if (Pa_Initialize() != paNoError) return;
  }
  ++gPaUsers;
  ok_ = true;
}

PortAudioUse::~PortAudioUse() {
  if (!ok_) return;
  std::lock_guard lock(gPaMutex);
  if (--gPaUsers == 0) Pa_Terminate();
}

std::vector<SoundDevice> ListSoundDevices(int outputType, bool input) {
  std::vector<SoundDevice> devices;
  if (SoundOutputForcedOff()) return devices;
  PortAudioUse use;
  if (!use.Ok()) return devices;
  std::lock_guard lock(gPaMutex);
  const int api = HostApiFor(outputType);
  if (api < 0) return devices;
  const PaHostApiInfo* apiInfo = Pa_GetHostApiInfo(api);
  if (!apiInfo) return devices;
  const PaDeviceIndex preferred = input ? apiInfo->defaultInputDevice : apiInfo->defaultOutputDevice;
  for (int i = 0; i < apiInfo->deviceCount; ++i) {
    const PaDeviceIndex device = Pa_HostApiDeviceIndexToDeviceIndex(api, i);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info) continue;
    if ((input ? info->maxInputChannels : info->maxOutputChannels) < 1) continue;
    SoundDevice entry{device, info->name ? info->name : ""};
    if (outputType == kOutputDirectSound && device == preferred) {
      devices.insert(devices.begin(), entry);
    } else {
      devices.push_back(entry);
    }
  }
  return devices;
}

SoundDeviceStream::~SoundDeviceStream() { Close(); }

namespace {

int OutputCallback(const void*, void* output, unsigned long frames,
                   const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
  static_cast<SoundDeviceStream*>(self)->RenderInto(static_cast<std::int16_t*>(output),
                                                    static_cast<int>(frames));
  return paContinue;
}

int InputCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                  PaStreamCallbackFlags, void* self) {
  if (input) {
    static_cast<SoundDeviceStream*>(self)->CaptureFrom(static_cast<const std::int16_t*>(input),
                                                       static_cast<int>(frames));
  }
  return paContinue;
}

}  // namespace

bool SoundDeviceStream::OpenOutput(const SoundDevice& device, int rate, int bufferMs,
                                   SoundRenderFn render, void* context, std::string* error) {
  Close();
  if (!use_.Ok()) {
    *error = "the sound system does not start";
    return false;
  }
  render_ = render;
  context_ = context;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(device.paIndex);
  if (!info) {
    *error = "no such output device";
    return false;
  }
  PaStreamParameters params{};
  params.device = device.paIndex;
  params.channelCount = 2;
  params.sampleFormat = paInt16;
  params.suggestedLatency =
      bufferMs > 0 ? bufferMs / 1000.0 : info->defaultHighOutputLatency;
  PaStream* stream = nullptr;
  PaError result =
      // 10 ms callbacks keep stream times and levels moving in steps the deck clock can show.
      Pa_OpenStream(&stream, nullptr, &params, rate, static_cast<unsigned long>(rate / 100), paNoFlag,
                    &OutputCallback, this);
  if (result == paNoError) result = Pa_StartStream(stream);
  if (result != paNoError) {
    *error = Pa_GetErrorText(result);
    if (stream) Pa_CloseStream(stream);
    return false;
  }
  stream_ = stream;
  return true;
}

bool SoundDeviceStream::OpenInput(const SoundDevice& device, int rate, SoundCaptureFn capture,
                                  void* context, std::string* error) {
  Close();
  if (!use_.Ok()) {
    *error = "the sound system does not start";
    return false;
  }
  capture_ = capture;
  context_ = context;
  const PaDeviceInfo* info = Pa_GetDeviceInfo(device.paIndex);
  if (!info) {
    *error = "no such recording device";
    return false;
  }
  PaStreamParameters params{};
  params.device = device.paIndex;
  params.channelCount = 2;
  params.sampleFormat = paInt16;
  params.suggestedLatency = info->defaultLowInputLatency;
  PaStream* stream = nullptr;
  PaError result =
      Pa_OpenStream(&stream, &params, nullptr, rate, paFramesPerBufferUnspecified, paNoFlag,
                    &InputCallback, this);
  if (result == paNoError) result = Pa_StartStream(stream);
  if (result != paNoError) {
    *error = Pa_GetErrorText(result);
    if (stream) Pa_CloseStream(stream);
    return false;
  }
  stream_ = stream;
  return true;
}

void SoundDeviceStream::Close() {
  if (!stream_) return;
  auto* stream = static_cast<PaStream*>(stream_);
  Pa_StopStream(stream);
  Pa_CloseStream(stream);
  stream_ = nullptr;
}

}  // namespace spinwave
