#include "app/ConsoleKeys.h"

#include "app/ConsoleCore.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "engine/soundlib.h"
#include "jingles/JingleBank.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave {

namespace {

// The options key of each deck function (comma and period have none).
constexpr const char* kOptionKey[ConsoleKeys::kFunctionCount] = {
    "Play",     "Stop",     "Eject",     "Set",        "Cue",     "CueForw",
    "CueBack",  "PitchUp",  "PitchDown", "PitchZero",  "PitchBUp", "PitchBDown",
    "PitchUp1", "PitchDown1", "Fade",    "Talkover",   nullptr,   nullptr};

constexpr int kNormalPitch = 100000;

}  // namespace

ConsoleKeys::ConsoleKeys(ConsoleCore& core, QObject* parent) : QObject(parent), core_(core) {}

void ConsoleKeys::StopDeck(DeckPort& deck) {
  FMOD_File* e = TFMODJingle::GetFileEntry(deck.Index());
  if (!e || !e->Owner) return;
  // The button itself when the deck has one, so its own handler stays the one rule.
  if (e->StopButton) {
    e->Owner->StopClick(e->StopButton);
    return;
  }
  if (e->State != fsPlaying) return;
  TFMODJingle* owner = e->Owner;
  const int index = deck.Index();
  if (SoundLib* lib = owner->Library()) lib->SetPaused(e->Channel, true);
  owner->SetFileState(fsCueStop, e);
  // A state handler may have freed the entry.
  if (TFMODJingle::GetFileEntry(index) == e) owner->ToCuePoint(index);
}

int ConsoleKeys::Code(Function f) const {
  if (f == kTrackBack) return kCommaKey;
  if (f == kTrackForw) return kPeriodKey;
  if (f < 0 || f >= kFunctionCount) return 0;
  return core_.Options().Int(kOptionKey[f]);
}

bool ConsoleKeys::Pressed(Function f, int deck) const {
  return f >= 0 && f < kFunctionCount && (deck == 0 || deck == 1) && pressed_[f][deck];
}

void ConsoleKeys::SetActive(int deck) {
  if (deck != 0 && deck != 1) return;
  RemoveFocus();
  active_[deck] = true;
  emit activeChanged(deck, true);
}

void ConsoleKeys::RemoveFocus() {
  for (int d = 0; d < 2; ++d) {
    if (!active_[d]) continue;
    active_[d] = false;
    emit activeChanged(d, false);
  }
}

bool ConsoleKeys::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  DeckTransport& transport = core_.Transport();
  if (key >= kF1 && key <= kF1 + 11) {
    switch (key - kF1 + 1) {
      case 1:
      case 2: {
        const int deck = key - kF1;
        if (Active(deck)) return true;
        RemoveFocus();
        if (FocusDeck) FocusDeck(deck);
        SetActive(deck);
        return true;
      }
      case 3:
        if (FocusPlaylist) FocusPlaylist();
        return true;
      case 4:
        if (FocusLibrary) FocusLibrary();
        return true;
      case 5:
        if (ToggleJingles && core_.Jingles() && core_.Jingles()->Enabled()) ToggleJingles();
        return true;
      case 6: transport.BreakClick(); return true;
      case 7: transport.AutoMixClick(); return true;
      case 8:
        if (Shuffle)
          Shuffle();
        else
          core_.Playlist().Shuffle();
        return true;
      case 9: transport.XFaderClick(); return true;
      case 11: core_.Playlist().ClearMark("V"); return true;
      case 12: core_.Playlist().ClearMark("X"); return true;
      default: break;  // F10 is the window system's
    }
  }
  if (key >= '0' && key <= '9') {
    // In the library's filter field a digit is text.
    if (FilterFieldHasFocus && FilterFieldHasFocus()) return false;
    if (JingleKey) return JingleKey(key);
    if (JingleBank* jingles = core_.Jingles())
      jingles->JingleSCClick(key);
    return true;
  }
  const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
  const bool alt = modifiers.testFlag(Qt::AltModifier);
  bool acted = false;
  if (ctrl || (Active(0) && !alt)) acted |= DeckKey(0, key);
  if (alt || (Active(1) && !ctrl)) acted |= DeckKey(1, key);
  return acted;
}

bool ConsoleKeys::DeckKey(int deck, int key) {
  if (key == 0) return false;
  for (int f = 0; f < kFunctionCount; ++f) {
    const auto function = static_cast<Function>(f);
    // Talkover is one button between the decks: only deck 1's lookup has it.
    if (function == kTalkover && deck != 0) continue;
    if (Code(function) != key) continue;
    Act(function, deck);
    return true;
  }
  return false;
}

void ConsoleKeys::Act(Function f, int deck) {
  DeckTransport& transport = core_.Transport();
  DeckPort& port = core_.Deck(deck);
  TFMODJingle* engine = port.Engine();
  const int entry = port.Index();
  auto pitchBy = [&port](int delta) {
    const int pitch = port.Pitch();
    if (pitch >= 0) port.SetPitch(pitch + delta);
  };
  switch (f) {
    case kPlay: transport.PlayClick(deck); break;
    case kStop: StopDeck(port); break;
    case kEject: transport.EjectClick(deck); break;
    case kSet: if (engine) engine->SetCuePoint(entry); break;
    case kCue: if (engine) engine->ToCuePoint(entry); break;
    case kCueForw: if (engine) engine->SearchPress(10, entry); break;
    case kCueBack: if (engine) engine->SearchPress(-9, entry); break;
    case kPitchUp: pitchBy(10); break;
    case kPitchDown: pitchBy(-9); break;
    case kPitchZero: if (port.Pitch() >= 0) port.SetPitch(kNormalPitch); break;
    case kPitchBUp: if (engine) engine->PitchBend(200, entry); break;
    case kPitchBDown: if (engine) engine->PitchBend(-200, entry); break;
    case kPitchUp1: pitchBy(1000); break;
    case kPitchDown1: pitchBy(-1000); break;
    case kFade: if (engine) engine->Fade(entry); break;
    case kTalkover:
      if (Talkover)
        Talkover();
      else
        transport.TalkoverClick(!transport.Talking());
      break;
    case kTrackBack: transport.GoTrack(deck == 0 ? 0 : 2); break;
    case kTrackForw: transport.GoTrack(deck == 0 ? 1 : 3); break;
    default: return;
  }
  switch (f) {
    case kPitchUp:
    case kPitchDown:
    case kPitchZero:
    case kPitchUp1:
    case kPitchDown1:
      break;  // the slider moves; no button of its own
    default:
      Draw(f, deck, true);
  }
}

void ConsoleKeys::Draw(Function f, int deck, bool down) {
  if (pressed_[f][deck] == down) return;
  pressed_[f][deck] = down;
  emit buttonDrawn(f, deck, down);
}

void ConsoleKeys::FormKeyUp(int key) {
  if (key == 0) return;
  for (int f = 0; f < kFunctionCount; ++f) {
    const auto function = static_cast<Function>(f);
    if (Code(function) != key) continue;
    switch (function) {
      case kPlay: case kStop: case kEject: case kSet: case kCue: case kCueBack: case kCueForw:
      case kFade: case kTrackBack: case kTrackForw:
        Draw(function, 0, false);
        Draw(function, 1, false);
        return;
      case kTalkover:
        Draw(function, 0, false);
        return;
      case kPitchBUp:
      case kPitchBDown:
        for (int d = 0; d < 2; ++d) {
          DeckPort& port = core_.Deck(d);
          if (port.Engine()) port.Engine()->ReleasePitchBend(port.Index());
          Draw(kPitchBUp, d, false);
          Draw(kPitchBDown, d, false);
        }
        return;
      default:
        return;
    }
  }
}

}  // namespace spinwave
