#include "engine/DSPHost.h"

#include <dlfcn.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>

#include "core/Messages.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"
#include "engine/DeckEntry.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"

namespace spinwave {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// --- A plug-in's Init run under a guard against its crashes ------------------------------------
// A third-party plug-in that dereferences a null pointer in its Init would take the console down
// before a deck could play. The guard catches the fault on this thread and returns to the host,
// which then never calls that module again. (A crash on the mixing thread is not caught: that
// would leave the mixer in an unknown state.)

thread_local sigjmp_buf* t_guard = nullptr;
constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};

void GuardHandler(int signal) {
  if (sigjmp_buf* guard = t_guard) siglongjmp(*guard, signal);
  // Not ours: fall back to the default action, which ends the process as it would have.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// Calls module->Init; false when it crashed or threw.
bool GuardedInit(winampDSPModule* module) {
  struct sigaction previous[4];
  struct sigaction action {};
  action.sa_handler = &GuardHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_NODEFER;
  for (int i = 0; i < 4; ++i) sigaction(kGuardedSignals[i], &action, &previous[i]);
  sigjmp_buf guard;
  bool ok = true;
  if (sigsetjmp(guard, 1) == 0) {
    t_guard = &guard;
    try {
      if (module->Init) module->Init(module);
    } catch (...) {
      ok = false;
    }
  } else {
    ok = false;
  }
  t_guard = nullptr;
  for (int i = 0; i < 4; ++i) sigaction(kGuardedSignals[i], &previous[i], nullptr);
  return ok;
}

TFileState StateOf(const FMOD_File* entry) {
  // One byte written by the interface thread; read here without a lock, as a relaxed load.
  return std::atomic_ref<TFileState>(const_cast<FMOD_File*>(entry)->State)
      .load(std::memory_order_relaxed);
}

}  // namespace

DSPHost::DSPHost(TFMODJingle* player1, TFMODJingle* player2, const Settings& settings,
                 const std::atomic<bool>* talking)
    : player1_(player1), player2_(player2), settings_(settings), talking_(talking) {}

DSPHost::~DSPHost() { UnloadDSPPlugins(); }

void DSPHost::SetWindows(void* consoleWindow, void* applicationWindow) {
  consoleWindow_ = consoleWindow;
  applicationWindow_ = applicationWindow;
}

std::string DSPHost::SlotFile(Slot slot) {
  switch (slot) {
    case kStreamingSlot: return "plugins/dsp_sc.so";
    case kEncoderSlot: return "plugins/dsp_encoders.so";
    case kMultiDSP1Slot: return "plugins/player1/multidsp.so";
    case kMultiDSP2Slot: return "plugins/player2/multidsp.so";
  }
  return "";
}

namespace {
// Set by SetFallbackFolders (interface thread only, like every load).
bool g_fallbackReplaced = false;
std::vector<std::string>& ReplacedFallbackFolders() {
  static std::vector<std::string> folders;
  return folders;
}
}  // namespace

void DSPHost::SetFallbackFolders(std::vector<std::string> folders) {
  ReplacedFallbackFolders() = std::move(folders);
  g_fallbackReplaced = true;
}

void DSPHost::ResetFallbackFolders() {
  ReplacedFallbackFolders().clear();
  g_fallbackReplaced = false;
}

std::vector<std::string> DSPHost::FallbackFolders() {
  if (g_fallbackReplaced) return ReplacedFallbackFolders();
  std::vector<std::string> folders;
#ifdef SPINWAVE_BUILD_PLUGIN_FOLDER
  folders.push_back(SPINWAVE_BUILD_PLUGIN_FOLDER);
#endif
#ifdef SPINWAVE_INSTALL_PLUGIN_FOLDER
  folders.push_back(SPINWAVE_INSTALL_PLUGIN_FOLDER);
#endif
  return folders;
}

std::string DSPHost::Locate(const std::string& programFolder, Slot slot) {
  const std::string own = programFolder + SlotFile(slot);
  if (IsRegularFile(own)) return own;
  // Spinwave's own plug-ins (the streaming encoder) also come from where they are built or
  // installed; the per-deck multi-DSPs are always the user's.
  if (slot == kStreamingSlot || slot == kEncoderSlot) {
    const std::string name = BaseName(own);
    for (const std::string& folder : FallbackFolders()) {
      const std::string candidate = folder + "/" + name;
      if (IsRegularFile(candidate)) return candidate;
    }
  }
  return own;
}

bool DSPHost::LoadSlot(const std::string& programFolder, Slot slot) {
  if (slot < 0 || slot >= kSlotCount || slots_[slot].library) return false;
  if (slot == kMultiDSP2Slot && (settings_.CentralOutput || !player2_)) return false;
  return LoadDSPModule(Locate(programFolder, slot), slot == kMultiDSP2Slot ? player2_ : player1_,
                       slot);
}

void DSPHost::LoadDSPPlugins(const std::string& programFolder, TSettingsFile& settings) {
  if (settings_.Shoutcast) LoadDSPModule(Locate(programFolder, kStreamingSlot), player1_, kStreamingSlot);
  if (settings_.SAM2) LoadDSPModule(Locate(programFolder, kEncoderSlot), player1_, kEncoderSlot);
  if (!settings_.DSPActive) return;
  // The multi-DSP reads whether to keep its window on top from its own plugin.ini.
  const std::string previous = settings.GetFileName();
  for (const char* deck : {"plugins/player1/", "plugins/player2/"}) {
    MakeFolders(programFolder + deck);  // a plug-in installed there later finds the value
    settings.SetFileName(programFolder + deck + "plugin.ini");
    settings.WriteInteger("MultiDSP", "TopMost", settings_.DSPLock ? 1 : 0);
  }
  settings.SetFileName(previous);
  LoadDSPModule(Locate(programFolder, kMultiDSP1Slot), player1_, kMultiDSP1Slot);
  if (!settings_.CentralOutput && player2_) {
    LoadDSPModule(Locate(programFolder, kMultiDSP2Slot), player2_, kMultiDSP2Slot);
  }
}

bool DSPHost::LoadDSPModule(const std::string& path, TFMODJingle* library, Slot slot) {
  if (slot < 0 || slot >= kSlotCount || slots_[slot].library) return false;
  const std::string name = BaseName(path);
  if (!IsRegularFile(path)) {
    ShowMessage("DSP plugin doesn't exist: " + name);
    return false;
  }
  // RTLD_NOW: a plug-in that needs a symbol nothing provides fails here, not in the mixer.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    ShowMessage("Couldn't load DSP DLL: " + name);
    return false;
  }
  auto getHeader = reinterpret_cast<winampDSPGetHeaderType>(::dlsym(handle, WINAMP_DSP_GET_HEADER));
  winampDSPHeader* header = getHeader ? getHeader() : nullptr;
  winampDSPModule* module = header && header->getModule ? header->getModule(0) : nullptr;
  if (!module) {
    ShowMessage("Couldn't load DSP module from: " + name);
    ::dlclose(handle);
    return false;
  }
  const bool lockedToConsole = slot == kStreamingSlot && settings_.ShoutcastLock;
  module->hwndParent = lockedToConsole ? consoleWindow_ : applicationWindow_;
  module->hDllInstance = handle;
  Loaded& loaded = slots_[slot];
  loaded.library = handle;
  if (!GuardedInit(module)) {
    // The module's state is unknown after a crash: it is neither fed nor asked to quit, and its
    // file stays loaded (its code may still be referenced).
    loaded.crashed = true;
    ShowMessage("Couldn't load DSP module from: " + name);
    return false;
  }
  loaded.module.store(module, std::memory_order_release);
  EnsureUnit(slot == kMultiDSP2Slot ? 1 : 0, library);
  return true;
}

void DSPHost::EnsureUnit(int param, TFMODJingle* library) {
  if (units_[param]) return;
  decks_[param].store(TFMODJingle::GetFileEntry(param), std::memory_order_release);
  SoundLib* lib = library ? library->Library() : nullptr;
  if (!lib) return;  // a component without sound: nothing is mixed to feed the plug-in
  SoundDspUnit* unit = lib->DSP_Create(
      [this, param](void* input, void* buffer, int length, void*) {
        return DSPCallback(input, buffer, length, param);
      },
      kUnitPriority, reinterpret_cast<void*>(static_cast<std::intptr_t>(param)));
  if (!unit) return;
  lib->DSP_SetActive(unit, true);
  units_[param] = unit;
  unitLibraries_[param] = lib;
}

void DSPHost::UnloadDSPPlugins() {
  for (int param = 0; param < 2; ++param) {
    if (units_[param]) {
      unitLibraries_[param]->DSP_SetActive(units_[param], false);
      unitLibraries_[param]->DSP_Free(units_[param]);  // the mixer no longer calls in
    }
    units_[param] = nullptr;
    unitLibraries_[param] = nullptr;
  }
  for (Loaded& loaded : slots_) {
    if (!loaded.library) continue;
    winampDSPModule* module = loaded.module.exchange(nullptr);
    if (module && !loaded.crashed) {
      module->hwndParent = nullptr;
      module->hDllInstance = nullptr;
      if (module->Quit) module->Quit(module);
    }
    if (!loaded.crashed) ::dlclose(loaded.library);
    loaded.library = nullptr;
    loaded.crashed = false;
  }
}

// Every mixed block of a deck output, on the mixing thread:
// 1. Bypass, unless deck 1's talkover lamp is lit (param 0), one output serves every deck
//    (CentralOutput), or the deck is playing: the block goes on untouched.
// 2. Digital silence becomes the pattern (1, 1), (-1, -1), ...: plug-ins (encoders that pause on
//    silence) never see exact zeros.
// 3. Deck 1: its multi-DSP, then the streaming plug-in, then the encoder plug-in; deck 2: its
//    multi-DSP. Each sees what the one before left in the buffer.
void* DSPHost::DSPCallback(void* input, void* buffer, int length, int param) {
  if (param < 0 || param > 1 || length <= 0) return input;
  const bool talking = param == 0 && talking_ && talking_->load(std::memory_order_relaxed);
  bool feed = talking || settings_.CentralOutput;
  if (!feed) {
    const FMOD_File* deck = decks_[param].load(std::memory_order_acquire);
    feed = deck && StateOf(deck) == fsPlaying;
  }
  if (!feed) return input;
  auto* samples = static_cast<short*>(buffer);
  const int count = 2 * length;
  bool silent = true;
  for (int i = 0; i < count; ++i) {
    if (samples[i] != 0) {
      silent = false;
      break;
    }
  }
  if (silent) {
    for (int frame = 0; frame < length; ++frame) {
      const short v = (frame & 1) ? -1 : 1;
      samples[2 * frame] = v;
      samples[2 * frame + 1] = v;
    }
  }
  if (param == 0) {
    FeedSlot(kMultiDSP1Slot, samples, length);
    FeedSlot(kStreamingSlot, samples, length);
    FeedSlot(kEncoderSlot, samples, length);
  } else {
    FeedSlot(kMultiDSP2Slot, samples, length);
  }
  return buffer;
}

void DSPHost::FeedSlot(Slot slot, short* samples, int frames) {
  winampDSPModule* module = slots_[slot].module.load(std::memory_order_acquire);
  if (module && module->ModifySamples) module->ModifySamples(module, samples, frames, 16, 2, 44100);
}

void DSPHost::SetTitle(const std::string& utf8Title) {
  for (Loaded& loaded : slots_) {
    if (!loaded.library || loaded.crashed || !loaded.module.load()) continue;
    auto setTitle = reinterpret_cast<spinwaveDSPSetTitleType>(::dlsym(loaded.library, SPINWAVE_DSP_SET_TITLE));
    if (setTitle) setTitle(utf8Title.c_str());
  }
}

bool DSPHost::Config(Slot slot) {
  if (slot < 0 || slot >= kSlotCount) return false;
  winampDSPModule* module = slots_[slot].module.load();
  if (!module || !module->Config) return false;
  module->Config(module);
  return true;
}

bool DSPHost::IsLoaded(Slot slot) const {
  return slot >= 0 && slot < kSlotCount && slots_[slot].module.load() != nullptr;
}

winampDSPModule* DSPHost::Module(Slot slot) const {
  return slot >= 0 && slot < kSlotCount ? slots_[slot].module.load() : nullptr;
}

SoundDspUnit* DSPHost::Unit(int param) const {
  return param == 0 || param == 1 ? units_[param] : nullptr;
}

}  // namespace spinwave
