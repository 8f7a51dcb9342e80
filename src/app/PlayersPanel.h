// PlayersPanel: the deck panel of the console. Deck 1 and deck 2 with their labels, intro and
// outro displays, time displays, level meters, volume and pitch sliders, position bar and
// slider and transport buttons; the talkover button and lamp between the decks; below, the
// audio-control panel with the crossfader and the "Crossfade automatic" lamp, shown while the
// crossfader switch is on.
//
// Every control sits at its built-in position (the table in PlayersPanel.cpp; a skin moves
// them later by the same names). The panel binds nothing itself and knows no playlist: the
// console core hands its DeckControlSets to the deck engine, and the window connects the
// panel's signals to the transport.
#pragma once

#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>

#include "app/DeckControlSet.h"
#include "controls/PeaksTimer.h"
#include "controls/TEMButton.h"
#include "controls/TEMLCD.h"
#include "controls/TEMLed.h"
#include "controls/TEMSlider.h"
#include "controls/TImagePanel.h"
#include "controls/TRLed.h"

namespace spinwave {

// A control's place: top and left (the order of a skin's position file), then width and height
// for controls that are also sized (0: the control's own size).
struct ControlPlace {
  const char* name;
  int top, left, width, height;
};
// The built-in places of the "Players" and "AudioCtrl" sections, in table order.
const std::vector<ControlPlace>& BuiltInPlayersPlaces();
const std::vector<ControlPlace>& BuiltInAudioCtrlPlaces();

class PlayersPanel : public TImagePanel {
  Q_OBJECT
 public:
  explicit PlayersPanel(QWidget* parent = nullptr);

  // The controls the deck engine binds to deck 0 or 1.
  const DeckControlSet& Controls(int deck) const { return decks_[deck == 1 ? 1 : 0].set; }

  // Shows a deck's track: artist and title (both labels get "artist<line>title" as hint),
  // intro and outro.
  void ShowTrack(int deck, const QString& artist, const QString& title, const QString& intro,
                 const QString& outro);
  QLabel* ArtistLabel(int deck) const { return decks_[deck == 1 ? 1 : 0].artist; }
  QLabel* TitleLabel(int deck) const { return decks_[deck == 1 ? 1 : 0].title; }
  QLabel* IntroLabel(int deck) const { return decks_[deck == 1 ? 1 : 0].intro; }
  QLabel* OutroLabel(int deck) const { return decks_[deck == 1 ? 1 : 0].outro; }
  TEMButton* EjectButton(int deck) const { return decks_[deck == 1 ? 1 : 0].eject; }
  TEMButton* TrackBackButton(int deck) const { return decks_[deck == 1 ? 1 : 0].trackBack; }
  TEMButton* TrackForwButton(int deck) const { return decks_[deck == 1 ? 1 : 0].trackForw; }
  TEMLed* ActiveLed(int deck) const { return decks_[deck == 1 ? 1 : 0].active; }
  TEMButton* KeyLockButton(int deck) const { return decks_[deck == 1 ? 1 : 0].keyLock; }
  // Lights the deck's "KEY" button while keylock is on.
  void ShowKeyLock(int deck, bool on) { KeyLockButton(deck)->SetBtnState(on); }
  // Lights the deck's activity lamp while it plays.
  void ShowDeckState(int deck, int state);
  // Volume sliders as the settings keep them (0..255).
  void SetVolumes(int left, int right);

  TEMButton* Talkover() const { return talkover_; }
  TEMLed* Talking() const { return talking_; }
  TImagePanel* AudioCtrlPanel() const { return audioCtrl_; }
  TEMSlider* CrossSlider() const { return crossSlider_; }
  TEMLed* AutoCrossLed() const { return autoCross_; }
  // Shows or hides the audio-control panel; the panel's height follows.
  void ShowAudioCtrl(bool on);
  void SetCrossFader(int value);
  void SetAutoCross(bool lit);

  // The 250 ms timer that lets the meters' peaks fall (runs while VUPeaksFall is on).
  PeaksTimer& Peaks() { return peaks_; }

  // Height of the panel's picture (the decks), without the audio-control panel.
  int ImageHeight() const { return Image().height(); }
  // A skin's pictures of the deck panel and of the audio-control panel (null: keep that one):
  // the panel takes the deck picture's width, the audio-control panel sits below the deck
  // picture with its own picture's height.
  void SetPanelPictures(const QPixmap& players, const QPixmap& audioCtrl);

  // Where a control of this panel lies, by its name ("Play1", "CrossSlider"); empty when none.
  QRect PlaceOf(const QString& name) const;

 signals:
  void playClicked(int deck);
  void playRightPressed(int deck);  // vinyl stop (also a right press on deck 2's stop button)
  void ejectClicked(int deck);
  void trackClicked(int tag);  // 0 back / 1 forward on deck 1, 2 / 3 on deck 2
  void pitchDoubleClicked(int deck);
  void fadePressed(int deck);  // before the fade menu opens
  void fadeMenuRequested(int deck, const QPoint& globalPos);
  void crossFaderMoved(int value);
  void crossFaderDoubleClicked();
  void talkoverClicked();
  void keyLockClicked(int deck);

 private:
  struct Deck {
    DeckControlSet set;
    QLabel* artist = nullptr;
    QLabel* title = nullptr;
    QLabel* intro = nullptr;
    QLabel* outro = nullptr;
    QLabel* timeLabel = nullptr;
    TEMButton* eject = nullptr;
    TEMButton* trackBack = nullptr;
    TEMButton* trackForw = nullptr;
    TEMLed* active = nullptr;
    TEMButton* keyLock = nullptr;
  };
  void BuildDeck(int deck);
  void BuildAudioCtrl();
  void Place(QWidget* w, const ControlPlace& place);
  const ControlPlace* Find(const std::vector<ControlPlace>& places, const QString& name) const;

  Deck decks_[2];
  TEMButton* talkover_ = nullptr;
  TEMLed* talking_ = nullptr;
  TImagePanel* audioCtrl_ = nullptr;
  TEMSlider* crossSlider_ = nullptr;
  TEMLed* autoCross_ = nullptr;
  PeaksTimer peaks_;
  bool settingCrossFader_ = false;
  QSize panelSize_;   // the deck picture's size
  int audioHeight_;   // the audio-control panel's height
};

}  // namespace spinwave
