// The DSP plug-in host: loads up to four Winamp-style DSP plug-ins (shared objects, see
// DSPPluginApi.h) from the program folder's plugins/ folder, feeds them every mixed block of the
// main deck outputs through one sound-library DSP unit per output, and releases them at
// shutdown.
//
// Slots, loaded by LoadDSPPlugins from the cached DSP settings:
//   streaming plug-in  plugins/dsp_sc.so             Shoutcast               deck-1 unit
//   encoder plug-in    plugins/dsp_encoders.so       SAM2                    deck-1 unit
//   deck-1 multi-DSP   plugins/player1/multidsp.so   DSPActive               deck-1 unit
//   deck-2 multi-DSP   plugins/player2/multidsp.so   DSPActive, not Central  deck-2 unit
// A file missing from the program folder is also looked for where the build puts Spinwave's own
// plug-ins and where they are installed.
//
// Threads: loading, unloading, SetTitle and the settings run on the interface thread;
// DSPCallback runs on the mixing thread and reads only atomics (the talkover lamp, the slots'
// modules) and the two deck entries' states, with no lock.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/DSPPluginApi.h"

class TSettingsFile;

namespace spinwave {

class TFMODJingle;
class SoundLib;
struct SoundDspUnit;
struct FMOD_File;

class DSPHost {
 public:
  enum Slot { kStreamingSlot = 0, kEncoderSlot = 1, kMultiDSP1Slot = 2, kMultiDSP2Slot = 3 };
  static constexpr int kSlotCount = 4;
  // Priority of both DSP units.
  static constexpr int kUnitPriority = 302;

  // The DSP settings the console caches at start-up (section DSP, and Players/CentralOutput).
  struct Settings {
    bool CentralOutput = true;
    bool DSPActive = false;
    bool DSPLock = false;
    bool Shoutcast = false;
    bool ShoutcastLock = false;
    bool SAM2 = false;
  };

  // `player1` feeds the deck-1 unit; `player2` the deck-2 unit (null with CentralOutput, when
  // the console has no second component). `talking` is the console's talkover lamp: while it is
  // lit deck 1's plug-ins keep being fed even when deck 1 is silent (the microphone goes on air).
  DSPHost(TFMODJingle* player1, TFMODJingle* player2, const Settings& settings,
          const std::atomic<bool>* talking);
  ~DSPHost();  // UnloadDSPPlugins
  DSPHost(const DSPHost&) = delete;
  DSPHost& operator=(const DSPHost&) = delete;

  // Windows handed to the modules as their parent: `consoleWindow` for the streaming plug-in
  // when ShoutcastLock is on, `applicationWindow` otherwise (QWidget pointers, or null).
  void SetWindows(void* consoleWindow, void* applicationWindow);

  // At start-up, after the deck entries exist (deck 1 is entry 0, deck 2 entry 1). Loads the
  // configured plug-ins from `programFolder` (ending in "/") in the slot order above; before
  // the multi-DSPs it writes MultiDSP/TopMost (the DSPLock flag) into both plugin.ini files
  // through `settings`, which is pointed back at its own file afterwards. Each failure shows
  // one message and leaves its slot empty.
  void LoadDSPPlugins(const std::string& programFolder, TSettingsFile& settings);
  // Loads one plug-in file into `slot`, with `library` the component whose output feeds it.
  // Messages: "DSP plugin doesn't exist: ", "Couldn't load DSP DLL: ", "Couldn't load DSP module
  // from: " + the file name. A module whose Init crashes is reported with the last of these and
  // never called again.
  bool LoadDSPModule(const std::string& path, TFMODJingle* library, Slot slot);
  // Frees both units (so the mixer no longer calls in), then for every loaded slot clears the
  // module's window and instance fields, calls Quit and unloads the file.
  void UnloadDSPPlugins();

  // The units' callback (mixing thread): `param` 0 for deck 1, 1 for deck 2. See the .cpp.
  void* DSPCallback(void* input, void* buffer, int length, int param);

  // Hands the title on air to every loaded plug-in that exports spinwaveDSPSetTitle.
  void SetTitle(const std::string& utf8Title);
  // Opens the configuration of the plug-in in `slot` (its module's Config); false when empty.
  bool Config(Slot slot);

  bool IsLoaded(Slot slot) const;
  winampDSPModule* Module(Slot slot) const;
  // The unit of deck 1 (0) or deck 2 (1), null when none was created.
  SoundDspUnit* Unit(int param) const;

  // The file of a slot relative to the program folder ("plugins/dsp_sc.so" ...).
  static std::string SlotFile(Slot slot);
  // Where a plug-in file is looked for when the program folder has none (build and install
  // folders of Spinwave's own plug-ins), in order.
  static std::vector<std::string> FallbackFolders();
  // Replaces the fallback folders for the rest of the process (a test that needs a plug-in to
  // be missing everywhere); ResetFallbackFolders brings back the built-in ones.
  static void SetFallbackFolders(std::vector<std::string> folders);
  static void ResetFallbackFolders();
  // Where the file of `slot` is: under `programFolder` (ending in "/"), else, for Spinwave's own
  // streaming and encoder plug-ins, in the fallback folders; the program folder's name when
  // none has it (the name the missing-file message shows).
  static std::string Locate(const std::string& programFolder, Slot slot);
  // Loads the plug-in of `slot` from where Locate finds it, after start-up (the options turned
  // it on): the same as LoadDSPModule with the slot's component. False when the slot is loaded.
  bool LoadSlot(const std::string& programFolder, Slot slot);

 private:
  struct Loaded {
    void* library = nullptr;                     // dlopen handle
    std::atomic<winampDSPModule*> module{nullptr};  // published once Init has returned
    bool crashed = false;                        // Init crashed: never called again
  };

  void FeedSlot(Slot slot, short* samples, int frames);
  void EnsureUnit(int param, TFMODJingle* library);

  TFMODJingle* player1_;
  TFMODJingle* player2_;
  const Settings settings_;
  const std::atomic<bool>* talking_;
  void* consoleWindow_ = nullptr;
  void* applicationWindow_ = nullptr;
  Loaded slots_[kSlotCount];
  SoundDspUnit* units_[2] = {nullptr, nullptr};
  SoundLib* unitLibraries_[2] = {nullptr, nullptr};
  // The deck entries whose state opens the bypass (entries 0 and 1 of the entry table); their
  // addresses stay valid until the components are destroyed, which is after unloading.
  std::atomic<const FMOD_File*> decks_[2] = {nullptr, nullptr};
};

}  // namespace spinwave
