#include "playlist/DeckTransport.h"

#include <QTime>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "core/Messages.h"
#include "engine/DeckPort.h"
#include "options/OptionsStore.h"

namespace spinwave {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

DeckTransport::DeckTransport(DeckPort& deck1, DeckPort& deck2, PlaylistModel& list,
                             const OptionsStore& options, DeckPort* preListen, QObject* parent)
    : QObject(parent),
      deck1_(deck1),
      deck2_(deck2),
      list_(list),
      options_(options),
      preListen_(preListen) {
  // Queued would let the clock run on between an end and its handling; the events arrive on the
  // interface thread, so they are handled as they come.
  connect(&deck1_, &DeckPort::stateChanged, this, [this](int s) { PlayerNotifyFileState(0, s); });
  connect(&deck2_, &DeckPort::stateChanged, this, [this](int s) { PlayerNotifyFileState(1, s); });
  connect(&deck1_, &DeckPort::positionChanged, this,
          [this](int p, int r) { PlayerNotifyPosition(0, p, r); });
  connect(&deck2_, &DeckPort::positionChanged, this,
          [this](int p, int r) { PlayerNotifyPosition(1, p, r); });
  connect(&deck1_, &DeckPort::opened, this,
          [this](int s, int r) { PlayerNotifyOpened(0, s, r); });
  connect(&deck2_, &DeckPort::opened, this,
          [this](int s, int r) { PlayerNotifyOpened(1, s, r); });
  if (preListen_)
    connect(preListen_, &DeckPort::timeChanged, this,
            [this](int m, int s, int) { DataPlayerNotifyTime(m, s); });
  PauseTimerTimer();
}

// --- Loading --------------------------------------------------------------------------------

int DeckTransport::PlayTrack(int deck, int start) {
  if (deck != 0 && deck != 1) return 0;
  if (start <= 0) start = 1;
  int chosen = 0;
  for (int r = start; r < list_.RowCount();) {
    const std::string file = list_.File(r);
    if (!FileExists(file)) {
      // A track whose file is gone is taken out of the list; the next row moves up into r.
      const int before = list_.RowCount();
      list_.RemoveRow(r);
      if (list_.RowCount() == before) ++r;  // a loaded row stays: step over it
      continue;
    }
    const std::string mark = list_.Mark(r);
    if (mark.empty() || (mark == "V" && !autoMix_)) {
      // A row of a list still being read gets its length and tag first; a file that turned
      // out unplayable leaves the list like a missing one.
      const int before = list_.RowCount();
      if (!list_.FillRowNow(r)) {
        if (list_.RowCount() == before) ++r;
        continue;
      }
      chosen = r;
      break;
    }
    ++r;
  }

  if (chosen > 0) {
    const int b = chosen;
    // Taken back when the engine refuses the open at once.
    const int oldCurrent = list_.CurrentRow(), oldDeck2 = list_.Deck2Row();
    const QString oldArtist = artist_[deck], oldTitle = title_[deck];
    if (deck == 0) {
      list_.SetCurrentRow(b);
    } else {
      list_.SetDeck2Row(b);
      if (autoMix_) list_.SetCurrentRow(b);
    }
    DeckPort& port = Deck(deck);
    const QString intro = Q(list_.Cell(plIntro, b));
    const QString outro = Q(list_.Cell(plOutro, b));
    artist_[deck] = Q(list_.Cell(plArtist, b));
    title_[deck] = Q(list_.Cell(plTitle, b));
    const int result = port.Open(list_.File(b));
    if (result < 0) {
      // Refused at once: the row did not go into the deck, so it is not marked and the deck
      // rows stay where they were. An entry still opening its last file (-3) goes on with
      // that one; otherwise (no output, no stream) the deck holds no track of this row.
      list_.SetCurrentRow(oldCurrent);
      list_.SetDeck2Row(oldDeck2);
      artist_[deck] = oldArtist;
      title_[deck] = oldTitle;
      if (result != -3) OpenFailed(deck, list_.File(b), result);
      return result;
    }
    list_.SetMark(b, MarkOf(deck));
    if (intro.size() == 4 && intro[1] == ':')
      port.SetIntroTime(intro.left(1).toInt() * 60 + intro.mid(2).toInt());
    emit deckTrackChanged(deck, artist_[deck], title_[deck], intro, outro);
    port.SetMixTime(list_.SegueMs(b));
    return result;
  }

  if (options_.Bool("RepeatPl")) {
    state_[deck] = 0;
    if (deck == 0)
      list_.SetCurrentRow(0);
    else
      list_.SetDeck2Row(0);
    repeated_ = true;
    list_.ClearMark("V");
    if (start != 1) return PlayTrack(deck, 1);
  }
  return 0;
}

void DeckTransport::PlayClick(int deck) {
  if (deck != 0 && deck != 1) return;
  DeckPort& port = Deck(deck);
  switch (port.State()) {
    case fsOpened:
      if (autoCross_) crossFading_ = true;
      port.Play();
      break;
    case fsStopped:
    case fsEnded:
      PlaylistDblClick(deck == 1);
      break;
    case fsPlaying:
      port.SetCuePoint();
      port.Pause();
      break;
    default:
      port.Pause();
      break;
  }
}

void DeckTransport::PlaylistDblClick(bool fromDeck2) {
  if (autoMix_ && AnyDeckBusy()) {
    ShowMessage(LangText("PlayMixErr"));
    return;
  }
  const int row = list_.CursorRow();
  if (row >= 1 && !list_.File(row).empty()) {
    const std::string mark = list_.Mark(row);
    if (mark != "1" && mark != "2") {
      if (!DeckBusy(0) && !fromDeck2)
        PlayTrack(0, row);
      else if (!DeckBusy(1))
        PlayTrack(1, row);
      else
        ShowMessage(LangText("LoadTrackErr"));
    } else {
      std::string text = LangText("TrackLoadedErr");
      for (size_t at = text.find("%P"); at != std::string::npos; at = text.find("%P", at))
        text.replace(at, 2, mark);
      ShowMessage(text);
    }
  }
  list_.ClearSelection();
}

void DeckTransport::GoTrack(int tag) {
  if (tag < 0 || tag > 3) return;
  const int deck = tag >= 2 ? 1 : 0;
  const int start = (deck == 1 && !autoMix_) ? list_.Deck2Row() : list_.CurrentRow();
  int target = -1;
  if (tag % 2 == 0) {
    if (start >= 2) {
      for (int r = start - 1; r >= 0; --r) {
        if (r == 0 || list_.Mark(r).empty()) {
          target = r;
          break;
        }
      }
    }
  } else if (start < list_.RowCount()) {
    target = start + 1;
  }
  if (target < 0) return;
  // The deck is not ejected first: the file opened next replaces the loaded one.
  std::vector<int> marked;
  for (int r = 1; r < list_.RowCount(); ++r)
    if (list_.Mark(r) == MarkOf(deck)) marked.push_back(r);
  list_.ClearMark(MarkOf(deck));
  const int result = PlayTrack(deck, target);
  // Refused before the entry let its file go (no output, still opening): the deck keeps its
  // track, and its row its mark.
  if (result == -2 || result == -3)
    for (int r : marked) list_.SetMark(r, MarkOf(deck));
}

void DeckTransport::EjectClick(int deck) {
  if (deck != 0 && deck != 1) return;
  DeckPort& port = Deck(deck);
  artist_[deck].clear();
  title_[deck].clear();
  emit deckTrackChanged(deck, QString(), QString(), QStringLiteral("0:00"),
                        QStringLiteral("0:00"));
  const int volume = port.Volume();
  if (volume >= 0 && volume < 100) port.SetVolume(255);
  port.Close();
}

void DeckTransport::VinylStop(int deck) {
  if (deck == 0 || deck == 1) Deck(deck).VinylStop(kVinylStep);
}

void DeckTransport::PitchDblClick(int deck) {
  if (deck == 0 || deck == 1) Deck(deck).SetPitch(100000);
}

void DeckTransport::OpenInPreListen() {
  if (!preListen_) return;
  const std::string file = list_.File(list_.CursorRow());
  if (!FileExists(file)) {
    ShowMessage("\"" + file + "\" " + LangText("FileDoesntExist"));
    return;
  }
  preListen_->Close();
  emit preListenOpened(Q(file));
  if (preListen_->Open(file) > 0 || preListen_->State() == fsOpening ||
      preListen_->State() == fsOpened)
    preListen_->Play();
}

// --- Crossfader -------------------------------------------------------------------------------

void DeckTransport::SetCrossFaderValue(int v) {
  v = std::clamp(v, 0, kCrossFaderMax);
  const bool changed = v != crossFader_;
  if (CrossFaderInUse()) {
    CrossSliderChange(v);
  } else {
    // A hidden crossfader that no automatic crossfade moves would leave the deck it points
    // away from silent for its whole track (automix sets it to the first deck when that one
    // starts): the decks then keep full gain, as when the crossfader is switched off.
    crossFader_ = v;
    deck1_.SetCrossFader(100);
    deck2_.SetCrossFader(100);
  }
  if (changed) emit crossFaderChanged(v);
}

void DeckTransport::CrossSliderChange(int v) {
  crossFader_ = std::clamp(v, 0, kCrossFaderMax);
  deck1_.SetCrossFader(kCrossFaderMax - crossFader_);
  deck2_.SetCrossFader(crossFader_);
}

void DeckTransport::XFaderClick() {
  xFader_ = !xFader_;
  if (xFader_) {
    if (!crossFading_) {
      const bool one = state_[0] == fsPlaying, two = state_[1] == fsPlaying;
      // Through 83 first, so that the decks take their gains even when the slider already
      // stood at the target.
      SetCrossFaderValue(83);
      SetCrossFaderValue(one && !two ? 0 : two && !one ? 164 : kCrossFaderCentre);
    }
  } else {
    if (autoCross_) {
      autoCross_ = false;
      emit autoCrossChanged(false);
    }
    deck1_.SetCrossFader(100);
    deck2_.SetCrossFader(100);
  }
  emit xFaderChanged(xFader_);
}

void DeckTransport::AutoCrossClick() {
  autoCross_ = !autoCross_;
  emit autoCrossChanged(autoCross_);
  // Unlit with the crossfader hidden, nothing moves the crossfader any more: full gain, as
  // when the crossfader is switched off.
  if (!CrossFaderInUse()) {
    deck1_.SetCrossFader(100);
    deck2_.SetCrossFader(100);
  }
}

// --- Automix switches -------------------------------------------------------------------------

void DeckTransport::AutoMixClick() {
  // One track has nothing to mix into; before the activation (StartMix) the list is not read
  // yet, so the switch is taken as it is.
  if (activated_ && !autoMix_ && list_.RowCount() <= 2) return;
  autoMix_ = !autoMix_;
  autoCross_ = autoMix_;
  emit autoMixChanged(autoMix_);
  emit autoCrossChanged(autoCross_);
  if (autoMix_) {
    // The row of the deck that plays becomes the current row: the next load starts after it.
    if (state_[0] < 1 && state_[1] == fsPlaying)
      list_.SetCurrentRow(list_.Deck2Row());
    else if (state_[1] < 1 && state_[0] == fsPlaying)
      list_.SetDeck2Row(list_.CurrentRow());
  } else {
    crossFading_ = false;
    if (!xFader_) {
      deck1_.SetCrossFader(100);
      deck2_.SetCrossFader(100);
    }
  }
  const int width = autoMix_ ? 40 : -1;
  list_.Table().SetColWidth(plSegue, width);
  emit segueColumnWidthChanged(width);
  // The total playing time subtracts the segues while automix is on.
  list_.SetAutoMix(autoMix_);
}

bool DeckTransport::StartWaiting(int deck) {
  DeckPort& port = Deck(deck);
  if (state_[deck] == fsPaused) {
    port.Pause();  // toggles: resumes
    return true;
  }
  if (state_[deck] == fsOpened) {
    port.Play();
    return true;
  }
  return false;
}

void DeckTransport::BreakClick() {
  break_ = !break_;
  emit breakChanged(break_);
  if (break_) return;
  if (!StartWaiting(0) && state_[0] != fsPlaying) StartWaiting(1);
}

// --- Talkover ramp ----------------------------------------------------------------------------

void DeckTransport::TalkoverClick(bool lampLit) {
  talking_ = lampLit;
  for (int d = 0; d < 2; ++d) {
    DeckPort& port = Deck(d);
    fadeStart_[d] = port.LastTime();
    // A second press while still ducked keeps the volume of before the first one, so the
    // release goes back to where the DJ had the deck.
    if (lampLit && !ducking_[d]) fadeStartVolume_[d] = port.Volume();
    ducking_[d] = true;
  }
}

bool DeckTransport::Fadeing(int deck) {
  if (deck != 0 && deck != 1) return false;
  DeckPort& port = Deck(deck);
  const int v = fadeStartVolume_[deck] != 0 ? fadeStartVolume_[deck] : 1;
  const int step = std::max(1, 1000 / v);
  const int elapsed = std::max(0, port.LastTime() - fadeStart_[deck]);
  const int level = options_.Int("TalkoverVol");
  const int low = (level * 255 + 2550) / 100;
  const int volume = port.Volume();
  const bool playing = port.State() == fsPlaying;
  if (talking_) {
    if (!playing) {
      // A deck that does not play is set to its ducked level at once.
      port.SetVolume((level + 10) * v / 100);
      return true;
    }
    if (low >= volume) return false;
    port.SetVolume(std::max(low, v - elapsed / step));
    return true;
  }
  if (!playing && volume != v) {
    port.SetVolume(v);
    return true;
  }
  if (volume >= v) return false;
  port.SetVolume(std::min(v, low + elapsed / step));
  return true;
}

// --- Segue menus ------------------------------------------------------------------------------

void DeckTransport::SetSegue(const std::function<int(int)>& newValue) {
  for (int r = 1; r < list_.RowCount(); ++r) {
    if (!list_.Selected(r) && r != list_.CursorRow()) continue;
    const int value = newValue(list_.SegueMs(r));
    list_.SetSegue(r, value);
    const std::string mark = list_.Mark(r);
    if (mark == "1") deck1_.SetMixTime(value);
    if (mark == "2") deck2_.SetMixTime(value);
  }
}

void DeckTransport::SegueClick(int seconds) {
  SetSegue([seconds](int) { return seconds * 1000; });
}

void DeckTransport::SegueFracClick(int deltaMs) {
  SetSegue([deltaMs](int old) { return std::max(0, old + deltaMs); });
}

// --- Fade menu --------------------------------------------------------------------------------

int DeckTransport::FadeMenuCheckedIndex() const {
  const int seconds = const_cast<DeckTransport*>(this)->Deck(fadeDeck_).FadeTime();
  return seconds >= 1 && seconds <= 20 ? seconds - 1 : -1;
}

void DeckTransport::FadeSecClick(int seconds) {
  if (seconds >= 1 && seconds <= 20) Deck(fadeDeck_).SetFadeTime(seconds);
}

// --- Time of day ------------------------------------------------------------------------------

void DeckTransport::PauseTimerTimer() {
  const int64_t now = clock_ ? clock_() : QTime::currentTime().msecsSinceStartOfDay();
  timeOfDay_ = now - now % 10;
  for (int d = 0; d < 2; ++d)
    if (ducking_[d]) ducking_[d] = Fadeing(d);
}

StartTimeReference DeckTransport::StartReference() const {
  StartTimeReference ref;
  const bool deck2Plays = state_[1] == fsPlaying && list_.Deck2Row() > 0;
  const DeckPort& port = deck2Plays ? deck2_ : deck1_;
  ref.row = deck2Plays ? list_.Deck2Row() : list_.CurrentRow();
  ref.positionMs = port.Position();
  ref.rangeMs = port.Range();
  return ref;
}

void DeckTransport::SayNoTitle() {
  if (sendInfo_) emit titleToSend(QString::fromLatin1(kNoTrackInfo));
}

// --- Notifications ----------------------------------------------------------------------------

void DeckTransport::PlayerNotifyFileState(int deck, int state) {
  if (deck != 0 && deck != 1) return;
  const int row = RowOf(deck);
  state_[deck] = state;
  emit deckStateChanged(deck, state);
  switch (state) {
    case fsStopped:
      list_.ClearMark(MarkOf(deck));
      break;
    case fsOpened:
      if (state_[0] != fsPlaying && state_[1] != fsPlaying && !break_ &&
          !options_.Bool("DontStart")) {
        Deck(deck).Play();
        if (autoMix_ || xFader_) SetCrossFaderValue(deck * kCrossFaderMax);
      }
      list_.SetMark(row, MarkOf(deck));
      break;
    case fsPlaying: {
      const QString caption = artist_[deck] + " - " + title_[deck];
      if (caption != caption_) {
        caption_ = caption;
        emit captionChanged(caption_);
        if (sendInfo_) emit titleToSend(caption_);
      }
      break;
    }
    case fsEnded:
      TrackEnded(deck);
      break;
    default:
      break;
  }
}

void DeckTransport::TrackEnded(int deck) {
  int row = RowOf(deck);
  const std::string mark = MarkOf(deck);
  std::string played;
  if (repeated_) {
    repeated_ = false;  // the first track after a restart of the list is not marked played
  } else if (options_.Bool("UseVMark") || autoMix_) {
    played = "V";
  }
  const bool remove = options_.Bool("DelPlTracks");
  for (int r = 1; r < list_.RowCount(); ++r) {
    if (list_.Mark(r) != mark) continue;
    if (remove) {
      list_.SetMark(r, "");
      list_.RemoveRow(r);
      if (!autoMix_) --row;
      --r;  // the next row moved up into r
    } else {
      list_.SetMark(r, played);
    }
  }
  const QString file = Q(Deck(deck).FileName());
  EjectClick(deck);
  // Automix loads the next track itself at the segue point; without it the next row goes
  // into the same deck and starts at once when the other deck is idle.
  if (!autoMix_ && !options_.Bool("DontStart")) PlayTrack(deck, row + 1);
  if (!file.isEmpty()) emit trackPlayed(file);
}

void DeckTransport::PlayerNotifyPosition(int deck, int position, int range) {
  if ((deck != 0 && deck != 1) || !autoMix_) return;
  DeckPort& port = Deck(deck);
  if (port.State() != fsPlaying || RowOf(deck) <= 0) return;
  const int other = 1 - deck;
  DeckPort& o = Deck(other);
  int64_t mix = port.MixTime();
  // A segue as long as the track (or nearly) would start the next one at once.
  if (mix + 1000 >= range) mix = 0;
  const int64_t pos = position;

  if (pos >= range - mix - 100 && (state_[other] == fsPaused || state_[other] == fsOpened) &&
      !break_) {
    // Start point: the waiting deck starts; without a segue the crossfader jumps to it.
    if (mix == 0 && xFader_) SetCrossFaderValue(deck == 0 ? kCrossFaderMax : 0);
    StartWaiting(other);
  } else if (pos >= range - mix - 5000 && state_[other] == fsStopped) {
    // Preload point: the next unplayed row (the scan passes over the rows in the decks).
    PlayTrack(other, list_.CurrentRow());
    crossFading_ = true;
  }

  if (!crossFading_) return;
  if (!autoCross_) {
    crossFading_ = false;
    return;
  }
  // Only the incoming deck (the one with the smaller position) drives the crossfader.
  if (position > o.LastTime() && o.State() != fsStopped) return;
  int v = crossFader_;
  const int oMix = o.MixTime();
  const int64_t g = oMix <= 0 ? 0 : pos * 138 / oMix + 30;
  if (deck == 0) {
    if (v > 0 && g <= kCrossFaderMax)
      v = kCrossFaderMax - static_cast<int>(g);
    else if (v >= 0)
      --v;
  } else {
    if (v < kCrossFaderMax && g <= kCrossFaderMax)
      v = static_cast<int>(g);
    else if (v <= kCrossFaderMax)
      ++v;
  }
  if (v >= kCrossFaderMax || v <= 0) {
    // The crossfade is over: the old deck is handled as if its track had ended.
    crossFading_ = false;
    if (o.State() != fsStopped) PlayerNotifyFileState(other, fsEnded);
  }
  SetCrossFaderValue(v);
}

void DeckTransport::PlayerNotifyOpened(int deck, int state, int result) {
  if ((deck != 0 && deck != 1) || state != fsOpenFailed) return;
  const std::string mark = MarkOf(deck);
  std::string file;
  for (int r = 1; r < list_.RowCount(); ++r) {
    if (list_.Mark(r) != mark) continue;
    file = list_.File(r);
    list_.SetMark(r, "X");
  }
  Deck(deck).Close();
  // A failed open leaves the entry without a stream: no stop is reported for it.
  if (state_[deck] != fsStopped) PlayerNotifyFileState(deck, fsStopped);
  OpenFailed(deck, file, result);
}

void DeckTransport::OpenFailed(int deck, const std::string& file, int result) {
  // The deck's labels still name the track it could not open: it shows no track, as after an
  // eject, so the DJ does not take it for loaded. (Without an output (-2) the entry was not
  // touched: what it showed stays.)
  if (result != -2) {
    artist_[deck].clear();
    title_[deck].clear();
    emit deckTrackChanged(deck, QString(), QString(), QStringLiteral("0:00"),
                          QStringLiteral("0:00"));
  }
  qWarning("Spinwave: deck %d could not open %s (%d)", deck + 1, file.c_str(), result);
  emit openFailed(deck, Q(file), result);
  // Loaded by hand, the DJ must know why nothing plays; automix goes on with the next row by
  // itself (the row is marked "X").
  if (!autoMix_) {
    std::string text = "\"" + file + "\" can't be played in player " + MarkOf(deck) +
                       ": the file could not be opened.";
    if (result == -2) text = "Player " + std::string(MarkOf(deck)) + " has no sound output: \"" +
                             file + "\" was not loaded.";
    ShowMessage(text);
  }
}

void DeckTransport::DataPlayerNotifyTime(int minutes, int seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%.2d", minutes, seconds);
  emit preListenTime(QString::fromLatin1(text), preListen_ ? preListen_->LastTime() : 0);
}

}  // namespace spinwave
