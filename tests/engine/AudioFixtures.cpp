#include "AudioFixtures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
  // Written in pieces: the Vorbis encoder crashes when handed a minute of audio in one call.
  constexpr sf_count_t kPiece = 8192;
  sf_count_t written = 0;
  while (written < frames) {
    const sf_count_t n = std::min(kPiece, frames - written);
    const sf_count_t done = sf_writef_float(file, samples.data() + written * channels, n);
    if (done != n) break;
    written += n;
  }
  const int closed = sf_close(file);
  return written == frames && closed == 0;
}

bool WriteTone(const std::string& path, AudioFormat format, const ToneSpec& spec) {
  return WriteAudioFile(path, format, spec.sampleRate, spec.channels, MakeTone(spec));
}

}  // namespace spinwave::test

#include "engine/soundlib.h"

namespace spinwave::test {

std::vector<short> RenderMs(SoundLib& lib, int ms) {
  const int rate = lib.GetOutputRate();
  std::vector<short> out;
  int left = static_cast<int>(static_cast<long long>(ms) * rate / 1000);
  while (left > 0) {
    const int n = std::min(left, rate / 10);
    lib.WaitForDecoders(5000);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) * 2);
    lib.Render(out.data() + at, n);
    left -= n;
  }
  return out;
}

double ZeroCrossingFrequency(const std::vector<short>& stereo, int side, int rate) {
  const size_t frames = stereo.size() / 2;
  long first = -1, last = -1, count = 0;
  for (size_t i = 1; i < frames; ++i) {
    if (stereo[(i - 1) * 2 + side] < 0 && stereo[i * 2 + side] >= 0) {
      if (first < 0) first = static_cast<long>(i);
      last = static_cast<long>(i);
      ++count;
    }
  }
  if (count < 2) return 0;
  return static_cast<double>(count - 1) * rate / static_cast<double>(last - first);
}

double Rms(const std::vector<short>& stereo, int side) {
  const size_t frames = stereo.size() / 2;
  if (frames == 0) return 0;
  double sum = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double v = stereo[i * 2 + side] / 32768.0;
    sum += v * v;
  }
  return std::sqrt(sum / static_cast<double>(frames));
}

double Peak(const std::vector<short>& stereo, int side) {
  double peak = 0;
  for (size_t i = side; i < stereo.size(); i += 2) peak = std::max(peak, std::abs(stereo[i] / 32768.0));
  return peak;
}

double FirstOnsetMs(const std::vector<short>& stereo, double threshold, int rate) {
  const int limit = static_cast<int>(threshold * 32768.0);
  for (size_t i = 0; i < stereo.size(); ++i) {
    if (std::abs(static_cast<int>(stereo[i])) > limit) return static_cast<double>(i / 2) * 1000.0 / rate;
  }
  return -1;
}

}  // namespace spinwave::test
