#include "meta/MetaFixtures.h"

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <stdexcept>

#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

namespace spinwave::test {

std::vector<uint8_t> FrameHeader(const FrameSpec& f) {
  uint32_t h = 0xFFE00000u;
  h |= (f.version & 3u) << 19;
  h |= (f.layer & 3u) << 17;
  h |= (f.protectedByCrc ? 0u : 1u) << 16;
  h |= (f.bitRateIndex & 15u) << 12;
  h |= (f.sampleRateIndex & 3u) << 10;
  h |= (f.padding ? 1u : 0u) << 9;
  h |= (f.channelMode & 3u) << 6;
  h |= (f.copyright ? 1u : 0u) << 3;
  h |= (f.original ? 1u : 0u) << 2;
  h |= f.emphasis & 3u;
  return {uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
}

std::vector<uint8_t> Frame(const FrameSpec& f, size_t length, uint8_t fill) {
  std::vector<uint8_t> bytes = FrameHeader(f);
  bytes.resize(length, fill);
  return bytes;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void MakeSoundFile(const std::string& path, bool mp3, double seconds) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = mp3 ? (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III) : (SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) throw std::runtime_error("libsndfile cannot write " + path + ": " + sf_strerror(nullptr));
  const size_t frames = size_t(seconds * 44100);
  std::vector<float> samples(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    float v = 0.3f * float(std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0));
    samples[2 * i] = samples[2 * i + 1] = v;
  }
  sf_writef_float(file, samples.data(), sf_count_t(frames));
  sf_close(file);
}

long long DecodedFrames(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return -1;
  std::vector<float> buffer(4096 * size_t(info.channels));
  long long total = 0;
  for (;;) {
    sf_count_t n = sf_readf_float(file, buffer.data(), 4096);
    if (n <= 0) break;
    total += n;
  }
  sf_close(file);
  return total;
}

void WriteId3v2(const std::string& path, const std::vector<std::pair<std::string, std::string>>& frames,
                int encoding) {
  TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
  if (!file.isValid()) throw std::runtime_error("TagLib cannot open " + path);
  TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
  const auto type = encoding == 1 ? TagLib::String::UTF16 : TagLib::String::Latin1;
  for (const auto& [id, text] : frames) {
    const TagLib::String value(text, TagLib::String::UTF8);
    tag->removeFrames(id.c_str());
    if (id == "COMM") {
      auto* c = new TagLib::ID3v2::CommentsFrame(type);
      c->setLanguage("eng");
      c->setText(value);
      tag->addFrame(c);
    } else {
      auto* t = new TagLib::ID3v2::TextIdentificationFrame(id.c_str(), type);
      t->setText(value);
      tag->addFrame(t);
    }
  }
  if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                 TagLib::File::DoNotDuplicate))
    throw std::runtime_error("TagLib cannot save " + path);
}

void WriteId3v1Title(const std::string& path, const std::string& title) {
  TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
  file.ID3v1Tag(true)->setTitle(TagLib::String(title, TagLib::String::UTF8));
  if (!file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripNone, TagLib::ID3v2::v3,
                 TagLib::File::DoNotDuplicate))
    throw std::runtime_error("TagLib cannot save " + path);
}

bool RunWithoutPrivileges(const std::function<bool()>& fn) {
  if (::geteuid() != 0) return fn();
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && fn();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace spinwave::test
