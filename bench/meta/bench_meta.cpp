// Track-metadata throughput: tag reads and fast frame-info reads over 2,000 small tagged MP3
// files (in the page cache after the first pass), and a finder walk over 10,000 files in 500
// folders.
#include <sndfile.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "meta/TEMFindFile.h"
#include "meta/TEMID3Tag.h"
#include "meta/TEMMP3Info.h"

namespace {

using namespace spinwave;

QTemporaryDir* g_dir = nullptr;
std::vector<std::string> g_mp3s;

std::string Root() { return g_dir->path().toStdString() + "/"; }

// 0.5 s of tone encoded once, tagged with TagLib, then copied 2,000 times.
void MakeTaggedFiles() {
  const std::string master = Root() + "master.mp3";
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  SNDFILE* f = sf_open(master.c_str(), SFM_WRITE, &info);
  std::vector<float> samples(22050 * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.3f * float(std::sin(double(i) * 0.03));
  sf_writef_float(f, samples.data(), 22050);
  sf_close(f);
  {
    TagLib::MPEG::File file(master.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    const std::pair<const char*, const char*> frames[] = {
        {"TIT2", "A Title"}, {"TPE1", "An Artist"}, {"TALB", "An Album"}, {"TCON", "(17)Live"},
        {"TRCK", "3/12"},    {"TLEN", "500"},       {"TYER", "2001"}};
    for (const auto& [id, text] : frames) {
      auto* fr = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
      fr->setText(text);
      tag->addFrame(fr);
    }
    file.save(TagLib::MPEG::File::AllTags, TagLib::File::StripNone, TagLib::ID3v2::v3, TagLib::File::Duplicate);
  }
  std::string bytes;
  ReadWholeFile(master, bytes);
  MakeFolders(Root() + "tagged");
  for (int i = 0; i < 2000; ++i) {
    g_mp3s.push_back(Root() + "tagged/" + std::to_string(i) + ".mp3");
    std::ofstream(g_mp3s.back(), std::ios::binary) << bytes;
  }
}

void MakeFinderTree() {
  for (int d = 0; d < 500; ++d) {
    const std::string folder = Root() + "tree/g" + std::to_string(d / 25) + "/f" + std::to_string(d) + "/";
    MakeFolders(folder);
    for (int i = 0; i < 20; ++i) {
      const char* ext = i % 3 == 0 ? ".ogg" : i % 3 == 1 ? ".mp3" : ".wav";
      std::ofstream(folder + "track" + std::to_string(i) + ext) << "x";
    }
  }
}

void BM_TagRead(benchmark::State& state) {
  size_t i = 0;
  for (auto _ : state) {
    TEMID3Tag tag;
    tag.SetFilename(g_mp3s[i++ % g_mp3s.size()]);
    benchmark::DoNotOptimize(tag.GetTitle());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TagRead)->Unit(benchmark::kMicrosecond);

void BM_FastFrameInfo(benchmark::State& state) {
  size_t i = 0;
  TEMMP3Info info;
  for (auto _ : state) {
    benchmark::DoNotOptimize(info.GetInfo(g_mp3s[i++ % g_mp3s.size()]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FastFrameInfo)->Unit(benchmark::kMicrosecond);

// arg 0: no events; arg 1: a file event per file (as the library scan uses it).
void BM_FinderWalk(benchmark::State& state) {
  size_t found = 0;
  for (auto _ : state) {
    TEMFindFile finder;
    finder.SetMask("*.mp3;*.wav;*.ogg");
    finder.SetPath(Root() + "tree");
    QEventLoop loop;
    finder.SetOnFinnished([&loop](TEMFindFile*) { loop.quit(); });
    if (state.range(0)) finder.SetOnNotifyFile([](TEMFindFile*, const std::string&, bool& add) { add = true; });
    finder.Start();
    loop.exec();
    found = finder.Files().size();
  }
  state.counters["files"] = double(found);
}
BENCHMARK(BM_FinderWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  MakeTaggedFiles();
  MakeFinderTree();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
