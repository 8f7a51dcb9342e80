// Audio files of known content, written at run time with libsndfile, for engine tests.
#pragma once

#include <string>
#include <vector>

namespace spinwave::test {

enum class AudioFormat { Wav, Ogg, Mp3 };

// ".wav", ".ogg" or ".mp3".
const char* ExtensionOf(AudioFormat format);
// "WAV", "OGG" or "MP3" (test names).
const char* NameOf(AudioFormat format);

struct ToneSpec {
  int sampleRate = 44100;
  int channels = 2;          // 1 or 2
  double frequency = 1000;   // Hz of the sine
  double amplitude = 0.5;    // peak, 0..1
  int durationMs = 1000;
  // When > 0 the sine only sounds for the first `pulseLengthMs` of every `pulseEveryMs`
  // (silence in between): a pulse train whose onsets mark known file times.
  int pulseEveryMs = 0;
  int pulseLengthMs = 0;
  // Channel gains (stereo only): left carries amplitude × leftGain, right × rightGain.
  double leftGain = 1.0;
  double rightGain = 1.0;
};

// The interleaved float samples a ToneSpec describes.
std::vector<float> MakeTone(const ToneSpec& spec);

// Writes interleaved float samples as a WAV (16-bit PCM), Ogg Vorbis or MP3 (MPEG layer III)
// file. True on success.
bool WriteAudioFile(const std::string& path, AudioFormat format, int sampleRate, int channels,
                    const std::vector<float>& samples);

// MakeTone + WriteAudioFile.
bool WriteTone(const std::string& path, AudioFormat format, const ToneSpec& spec);

}  // namespace spinwave::test

// --- Looking at rendered audio (interleaved 16-bit stereo) -----------------------------------

namespace spinwave {
class SoundLib;
}

namespace spinwave::test {

// Renders `ms` of a NOSOUND_NONREALTIME library in 100 ms steps, waiting for the decoder threads
// before each step so that no buffer runs dry. Returns 2 × frames samples.
std::vector<short> RenderMs(SoundLib& lib, int ms);

// Frequency of one side (0 left, 1 right) from its rising zero crossings.
double ZeroCrossingFrequency(const std::vector<short>& stereo, int side, int rate = 44100);
// Root mean square of one side, in full-scale units (0..1).
double Rms(const std::vector<short>& stereo, int side);
// Peak of one side, 0..1.
double Peak(const std::vector<short>& stereo, int side);
// Milliseconds until the first sample of either side above `threshold` (0..1); -1 when none.
double FirstOnsetMs(const std::vector<short>& stereo, double threshold, int rate = 44100);

}  // namespace spinwave::test
