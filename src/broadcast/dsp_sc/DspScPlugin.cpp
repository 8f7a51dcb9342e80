// dsp_sc.so: Spinwave's streaming-encoder plug-in. It receives the mix of deck 1's output through
// the DSP plug-in interface (DSPPluginApi.h), encodes it to MP3 and sends it to an Icecast 2 or
// SHOUTcast server (ShoutStreamer), configured in plugins/dsp_sc.ini through its Config window.
// The title on air comes in through spinwaveDSPSetTitle and goes out as the stream's metadata.
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstring>
#include <string>

#include "ConfigWindow.h"
#include "DspScStatus.h"
#include "ShoutStreamer.h"
#include "StreamSettings.h"
#include "engine/DSPPluginApi.h"

namespace spinwave {
namespace {

struct Plugin {
  ShoutStreamer streamer;
  StreamSettings settings;
  std::string iniPath;
  QPointer<ConfigWindow> window;
};

// Written by Init and Quit on the interface thread; the mixing thread only calls ModifySamples
// between them (the host creates its unit after Init and frees it before Quit).
std::atomic<Plugin*> g_plugin{nullptr};

void Config(winampDSPModule* module) {
  Plugin* p = g_plugin.load();
  if (!p) return;
  if (!p->window) {
    auto* parent = static_cast<QWidget*>(module->hwndParent);
    p->window = new ConfigWindow(
        p->settings, p->streamer,
        [p](const StreamSettings& edited) {
          p->settings = edited;
          edited.Save(p->iniPath);
          p->streamer.Start(edited);
        },
        parent);
    p->window->setAttribute(Qt::WA_DeleteOnClose);
  }
  p->window->show();
  p->window->raise();
  p->window->activateWindow();
}

int Init(winampDSPModule*) {
  if (g_plugin.load()) return 0;
  auto* p = new Plugin;
  p->iniPath = StreamSettings::DefaultPath();
  p->settings = StreamSettings::Load(p->iniPath);
  p->streamer.Start(p->settings);
  g_plugin.store(p);
  return 0;
}

int ModifySamples(winampDSPModule*, short int* samples, int frames, int bps, int channels, int rate) {
  Plugin* p = g_plugin.load(std::memory_order_acquire);
  // Only copies: the encoding and the network are on the streamer's own thread.
  if (p && bps == 16 && channels == 2 && rate == 44100) p->streamer.Feed(samples, frames);
  return frames;
}

void Quit(winampDSPModule*) {
  Plugin* p = g_plugin.exchange(nullptr);
  if (!p) return;
  delete p->window.data();
  p->streamer.Stop();
  delete p;
}

char g_description[] = "Spinwave streaming encoder (Icecast 2, SHOUTcast)";
winampDSPModule g_module = {g_description, nullptr, nullptr, Config, Init, ModifySamples, Quit, nullptr};
winampDSPModule* GetModule(int which) { return which == 0 ? &g_module : nullptr; }
char g_headerDescription[] = "Spinwave streaming encoder";
winampDSPHeader g_header = {DSP_HDRVER, g_headerDescription, GetModule};

}  // namespace
}  // namespace spinwave

extern "C" __attribute__((visibility("default"))) winampDSPHeader* winampDSPGetHeader2(void) {
  return &spinwave::g_header;
}

extern "C" __attribute__((visibility("default"))) void spinwaveDSPSetTitle(const char* utf8Title) {
  if (spinwave::Plugin* p = spinwave::g_plugin.load()) p->streamer.SetTitle(utf8Title ? utf8Title : "");
}

extern "C" __attribute__((visibility("default"))) int spinwaveDspScStatus(DspScStatus* status) {
  spinwave::Plugin* p = spinwave::g_plugin.load();
  if (!p || !status) return 0;
  std::memset(status, 0, sizeof *status);
  status->state = static_cast<int>(p->streamer.GetState());
  status->connections = p->streamer.Connections();
  status->titlesSent = p->streamer.TitlesSent();
  status->retryInSeconds = p->streamer.RetryInSeconds();
  status->sentBytes = p->streamer.SentBytes();
  status->droppedBlocks = p->streamer.DroppedBlocks();
  const std::string text = p->streamer.StatusText();
  std::strncpy(status->text, text.c_str(), sizeof status->text - 1);
  return 1;
}
