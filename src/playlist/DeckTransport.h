// DeckTransport: the console's transport rules for the two main decks and the playlist.
// Loading playlist rows into deck 1 and deck 2, the play, track and eject buttons, the vinyl
// stop, the crossfader, the fade-time menu, the time of day and what happens when a deck's file
// opens, plays and ends. It works on two DeckPorts and the PlaylistModel and knows no widget:
// the players panel forwards its buttons here and shows what the signals say.
//
// Automix plays the list by itself on the positions the playing deck reports: the next unplayed
// row is loaded into the other deck 5 s before the playing track's segue point and started
// 100 ms before it; with AutoCross lit the incoming deck's position slides the crossfader
// across while it plays through the old track's segue time, and the old deck is then ended
// (marked played, ejected, counted). Break holds the next start. The talkover ramp ducks both
// decks to the TalkoverVol level while the Talking lamp is lit and brings them back after.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QObject>
#include <QString>

#include "playlist/PlaylistModel.h"

namespace spinwave {

class DeckPort;
class OptionsStore;

class DeckTransport : public QObject {
  Q_OBJECT
 public:
  static constexpr int kCrossFaderMax = 168;
  static constexpr int kCrossFaderCentre = 84;
  static constexpr int kVinylStep = 250;  // Hz per clock tick: 44100 Hz stops in about 1.8 s

  // English defaults of texts the user's language replaces (shown through LangText).
  static constexpr const char* kPlayMixErr =
      "Automix is ON, so tracks are loaded automatically!\nJust drag the file to the wright "
      "position.";
  static constexpr const char* kLoadTrackErr =
      "Track can't be loaded!\nPlayer(s) not on \"stop\".\n\nPut a player on \"stop\" to load a "
      "track there.";
  static constexpr const char* kTrackLoadedErr = "Track is already in player %P!";
  static constexpr const char* kNoTrackInfo = "No live trackinfo at the moment";

  // `deck1` and `deck2` are the main decks (entries 0 and 1); their state and position signals
  // are connected here. `preListen` may be null (no pre-listen deck).
  DeckTransport(DeckPort& deck1, DeckPort& deck2, PlaylistModel& list,
                const OptionsStore& options, DeckPort* preListen = nullptr,
                QObject* parent = nullptr);

  DeckPort& Deck(int deck) { return deck == 0 ? deck1_ : deck2_; }
  // The last state reported for deck 0 or 1 (0 = stopped = free).
  int DeckState(int deck) const { return (deck == 0 || deck == 1) ? state_[deck] : 0; }
  bool DeckBusy(int deck) const { return DeckState(deck) != 0; }
  bool AnyDeckBusy() const { return state_[0] != 0 || state_[1] != 0; }

  // --- Loading and the transport buttons ------------------------------------------------------
  // Loads the first playable row from `start` on into deck 0 or 1 (rows of missing files are
  // removed on the way). Returns the open's result, 0 when nothing was loaded.
  int PlayTrack(int deck, int start);
  // The play button of deck 0 or 1 (click and double-click, "Open in left/right player").
  void PlayClick(int deck);
  // A double-click or Enter on the playlist, and the play button of an empty deck (`fromDeck2`:
  // the right deck's button, which prefers deck 2).
  void PlaylistDblClick(bool fromDeck2 = false);
  // Track buttons: tag 0 back / 1 forward on deck 1, 2 back / 3 forward on deck 2.
  void GoTrack(int tag);
  void EjectClick(int deck);
  // A right press on a play button (and on deck 2's stop button): the record brakes to a halt.
  void VinylStop(int deck);
  // A double-click on a pitch slider: normal speed.
  void PitchDblClick(int deck);
  // "Open in pre-listen player": the cursor row's file on the pre-listen deck.
  void OpenInPreListen();

  // --- Crossfader -----------------------------------------------------------------------------
  bool XFader() const { return xFader_; }
  void XFaderClick();
  bool AutoCross() const { return autoCross_; }
  void AutoCrossClick();
  int CrossFader() const { return crossFader_; }
  // The slider moved to v (0 all deck 1 .. 168 all deck 2).
  void CrossSliderChange(int v);
  void CrossSliderDblClick() { SetCrossFaderValue(kCrossFaderCentre); }

  // --- Segue menus ---------------------------------------------------------------------------
  // "Automix..." entry `seconds` (0..15) on the selected rows and the cursor row; a row in a
  // deck also gives the deck its new mix time.
  void SegueClick(int seconds);
  // "Automix finetune": adds `deltaMs` (negative: subtracts, never below 0).
  void SegueFracClick(int deltaMs);

  // --- Fade-time menu -------------------------------------------------------------------------
  // A press on a deck's fade button chooses the deck the menu acts on.
  void FadeMouseDown(int deck) { fadeDeck_ = deck; }
  // The menu entry to check: fade time - 1 of that deck (0..19), -1 when none.
  int FadeMenuCheckedIndex() const;
  // An entry of "Fade...": the deck's fade time becomes `seconds` (1..20).
  void FadeSecClick(int seconds);

  // --- Time of day ----------------------------------------------------------------------------
  // One tick of the console's timer: refreshes the time of day (10 ms resolution) and runs a
  // step of each deck's talkover ramp.
  void PauseTimerTimer();
  int64_t TimeOfDayMs() const { return timeOfDay_; }
  // Where the time of day comes from (ms since midnight); empty: the system clock.
  void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }
  // The deck that broadcast start times count from: deck 2 while it plays, else deck 1's row.
  StartTimeReference StartReference() const;

  // --- Title ----------------------------------------------------------------------------------
  // "Artist - Title" of the deck that started last; the window's caption.
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption) { caption_ = caption; }
  // The title-streaming switch: while on, every new caption is handed on (titleToSend).
  bool SendInfo() const { return sendInfo_; }
  void SetSendInfo(bool on) { sendInfo_ = on; }
  // Closing: the streaming servers are told no title plays any more (while SendInfo is on).
  void SayNoTitle();

  // --- Automix ------------------------------------------------------------------------------
  bool AutoMix() const { return autoMix_; }
  bool Break() const { return break_; }
  // The console's first activation has run: from then on automix needs two tracks or more.
  void SetActivated(bool on) { activated_ = on; }
  // The AutoMix lamp: toggles automix (refused with one track or none once activated) and
  // lights AutoCross with it; on, the "Segue" column shows, off, it hides.
  void AutoMixClick();
  // The Break switch: holds the next start; switched off, the waiting deck starts.
  void BreakClick();
  bool CrossFading() const { return crossFading_; }

  // --- Talkover ramp -------------------------------------------------------------------------
  // The talkover button's part on the decks: the Talking lamp is now `lampLit`; each deck's
  // ramp starts from its current stream time, and a deck not ducked yet remembers its volume.
  void TalkoverClick(bool lampLit);
  bool Talking() const { return talking_; }
  bool Ducking(int deck) const { return (deck == 0 || deck == 1) && ducking_[deck]; }
  // One ramp step of deck 0 or 1 (run by PauseTimerTimer while its ducking flag is set);
  // returns whether the ramp goes on.
  bool Fadeing(int deck);

  // --- Notifications of the decks -------------------------------------------------------------
  void PlayerNotifyFileState(int deck, int state);
  void PlayerNotifyPosition(int deck, int position, int range);
  // A background open of deck 0 or 1 ended (fsOpened, or fsOpenFailed with the open's result).
  // A file that cannot be opened any more gets the "X" mark and the deck is freed and shows no
  // track, so automix goes on with the next row instead of waiting for it for ever; loaded by
  // hand, the DJ gets a message saying so.
  void PlayerNotifyOpened(int deck, int state, int result);
  // The pre-listen deck's time: "m:ss" for its time label, and its stream time for the slider.
  void DataPlayerNotifyTime(int minutes, int seconds);

 signals:
  // What the deck's labels show: artist, title, intro and outro ("0:00" after an eject).
  void deckTrackChanged(int deck, const QString& artist, const QString& title,
                        const QString& intro, const QString& outro);
  void deckStateChanged(int deck, int state);
  // The caption changed to "Artist - Title" (a deck started a different title).
  void captionChanged(const QString& caption);
  // A title for the streaming servers and the web address (only while SendInfo is on).
  void titleToSend(const QString& title);
  void crossFaderChanged(int value);
  void autoMixChanged(bool on);
  void breakChanged(bool on);
  // The "Segue" column: width 40 while automix is on, hidden (-1) otherwise.
  void segueColumnWidthChanged(int width);
  void xFaderChanged(bool on);
  void autoCrossChanged(bool lit);
  // A deck could not open a row's file (it is marked "X" and skipped).
  void openFailed(int deck, const QString& file, int result);
  // A track played to its end (or was ended by a crossfade); with CountPlTimes the library
  // counts it.
  void trackPlayed(const QString& file);
  void preListenTime(const QString& text, int streamTimeMs);
  void preListenOpened(const QString& file);

 private:
  int RowOf(int deck) const { return deck == 0 ? list_.CurrentRow() : list_.Deck2Row(); }
  static const char* MarkOf(int deck) { return deck == 0 ? "1" : "2"; }
  void SetCrossFaderValue(int v);
  void SetSegue(const std::function<int(int)>& newValue);
  // A deck could not open `file`: the deck shows no track, the DJ is told (not under
  // automix, which goes on by itself).
  void OpenFailed(int deck, const std::string& file, int result);
  // The end of a deck's track: marks, eject, the next track, the play count.
  void TrackEnded(int deck);
  // Starts a deck that waits: resumes it when paused, plays it when opened. False otherwise.
  bool StartWaiting(int deck);
  // The crossfader's gains count only while the crossfader can move (shown, or slid by
  // automix); otherwise both decks play at full gain.
  bool CrossFaderInUse() const { return xFader_ || autoCross_; }

  DeckPort& deck1_;
  DeckPort& deck2_;
  PlaylistModel& list_;
  const OptionsStore& options_;
  DeckPort* preListen_;
  int state_[2] = {0, 0};
  QString artist_[2], title_[2];
  QString caption_;
  bool sendInfo_ = false;
  bool xFader_ = false;
  bool autoCross_ = false;
  int crossFader_ = kCrossFaderCentre;
  bool crossFading_ = false;  // an automatic crossfade is pending or running
  bool repeated_ = false;     // the list was just restarted from the top
  bool autoMix_ = false;
  bool break_ = false;
  bool activated_ = false;
  bool talking_ = false;
  bool ducking_[2] = {false, false};
  int fadeStart_[2] = {0, 0};        // stream time at the last talkover press
  int fadeStartVolume_[2] = {0, 0};  // volume before the ducking began
  int fadeDeck_ = 0;
  int64_t timeOfDay_ = 0;
  std::function<int64_t()> clock_;
};

}  // namespace spinwave
