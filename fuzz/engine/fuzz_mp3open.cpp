// Feeds arbitrary bytes, as the contents of an ".mp3" file, through the sound library's opening
// path: decoder choice, open with the frame scan, decoding to the end, seeks. A file that opens
// must play the length it reports (one MPEG frame of slack).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/AudioDecoder.h"
#include "engine/soundlib.h"

namespace {

std::int64_t DecodeToEnd(spinwave::AudioDecoder& decoder, std::vector<float>& buffer) {
  std::int64_t total = 0;
  for (int guard = 0; guard < 100000; ++guard) {
    const std::int64_t got = decoder.Read(buffer.data(), 1024);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm/spinwave-fuzz-open-") : std::string("/tmp/spinwave-fuzz-open-")) +
      std::to_string(::getpid()) + ".mp3";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  spinwave::AudioDecoderOpen opened = spinwave::OpenAudioDecoder(path);
  if (opened.state != spinwave::kOpenReady) return 0;
  spinwave::AudioDecoder& decoder = *opened.decoder;
  if (decoder.SampleRate() <= 0 || decoder.Channels() < 1) __builtin_trap();
  std::vector<float> buffer(1024 * static_cast<size_t>(decoder.Channels()));
  const std::int64_t frames = decoder.Frames();
  const std::int64_t decoded = DecodeToEnd(decoder, buffer);
  if (frames >= 0 && std::llabs(decoded - frames) > 1152) {
    std::fprintf(stderr, "reported %lld frames, decoded %lld\n", static_cast<long long>(frames),
                 static_cast<long long>(decoded));
    __builtin_trap();
  }
  // Seeks into the middle and back to the start play on to the same end.
  const std::int64_t half = decoded / 2;
  const std::int64_t landed = decoder.Seek(half);
  if (landed > half) __builtin_trap();
  if (landed >= 0) DecodeToEnd(decoder, buffer);
  if (decoder.Seek(0) == 0 && DecodeToEnd(decoder, buffer) != decoded) __builtin_trap();
  return 0;
}
