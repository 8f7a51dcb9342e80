#include "AudioFixtures.h"

#include <cmath>
#include <numbers>

#include <sndfile.h>

namespace spinwave::test {

const char* ExtensionOf(AudioFormat format) {
  switch (format) {
    case AudioFormat::Wav: return ".wav";
    case AudioFormat::Ogg: return ".ogg";
    case AudioFormat::Mp3: return ".mp3";
  }
  return "";
}

const char* NameOf(AudioFormat format) {
  switch (format) {
    case AudioFormat::Wav: return "WAV";
    case AudioFormat::Ogg: return "OGG";
    case AudioFormat::Mp3: return "MP3";
  }
  return "";
}

std::vector<float> MakeTone(const ToneSpec& spec) {
  const long long frames = static_cast<long long>(spec.sampleRate) * spec.durationMs / 1000;
  std::vector<float> samples(static_cast<size_t>(frames * spec.channels));
  const long long pulseEvery = static_cast<long long>(spec.sampleRate) * spec.pulseEveryMs / 1000;
  const long long pulseLength = static_cast<long long>(spec.sampleRate) * spec.pulseLengthMs / 1000;
  for (long long i = 0; i < frames; ++i) {
    double v = spec.amplitude *
               std::sin(2.0 * std::numbers::pi * spec.frequency * static_cast<double>(i) /
                        spec.sampleRate);
    if (pulseEvery > 0 && i % pulseEvery >= pulseLength) v = 0;
    if (spec.channels == 1) {
      samples[static_cast<size_t>(i)] = static_cast<float>(v);
    } else {
      samples[static_cast<size_t>(i * 2)] = static_cast<float>(v * spec.leftGain);
      samples[static_cast<size_t>(i * 2 + 1)] = static_cast<float>(v * spec.rightGain);
    }
  }
  return samples;
}

bool WriteAudioFile(const std::string& path, AudioFormat format, int sampleRate, int channels,
                    const std::vector<float>& samples) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  switch (format) {
    case AudioFormat::Wav: info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16; break;
    case AudioFormat::Ogg: info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS; break;
    case AudioFormat::Mp3: info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; break;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  if (format == AudioFormat::Mp3) {
    // A constant bit rate keeps the encoder's output predictable across machines.
    int mode = SF_BITRATE_MODE_CONSTANT;
    sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
  }
  if (format != AudioFormat::Wav) {
    double quality = 0.3;  // compression level 0 (best) .. 1
    sf_command(file, SFC_SET_COMPRESSION_LEVEL, &quality, sizeof(quality));
  }
  const sf_count_t frames = static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels));
  const sf_count_t written = sf_writef_float(file, samples.data(), frames);
  const int closed = sf_close(file);
  return written == frames && closed == 0;
}

bool WriteTone(const std::string& path, AudioFormat format, const ToneSpec& spec) {
  return WriteAudioFile(path, format, spec.sampleRate, spec.channels, MakeTone(spec));
}

}  // namespace spinwave::test
