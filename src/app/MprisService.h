// MprisService: the console on the desktop's media-player bus (MPRIS 2), so that media keys,
// the desktop's sound menu and `playerctl` drive it.
//
// The bus name is "org.mpris.MediaPlayer2.spinwave", the object "/org/mpris/MediaPlayer2" with
// the interfaces org.mpris.MediaPlayer2 (Raise, Quit, Identity "Spinwave") and
// org.mpris.MediaPlayer2.Player. Its methods act as the deck buttons do, on the deck that holds
// the keyboard, else the deck that plays (deck 1 first), else a paused deck, else deck 1:
//   PlayPause  the deck's play button (plays, pauses, resumes; an empty deck loads the list's
//              next row)
//   Play       the play button unless the deck plays;  Pause  the play button while it plays
//   Stop       the stop button (pause at the cue point)
//   Next, Previous  the deck's track buttons
// Metadata describes the track of the deck that plays (else of that target deck): artist,
// title, length and file URL. PlaybackStatus is "Playing" while a deck plays, "Paused" while
// one is paused and "Stopped" otherwise; changes are announced with PropertiesChanged.
#pragma once

#include <functional>

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace spinwave {

class ConsoleCore;

class MprisService : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.spinwave";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  explicit MprisService(ConsoleCore& core, QObject* parent = nullptr);
  ~MprisService() override;

  // Exports the object and takes the bus name on `bus`. False, with a reason, when the bus is
  // not there or the name is taken (the console then runs without it).
  bool Register(const QDBusConnection& bus, QString* error = nullptr);
  bool Registered() const { return registered_; }

  // The deck the methods act on (see above): 0 or 1.
  int TargetDeck() const;
  QString PlaybackStatus() const;
  QVariantMap Metadata() const;
  // The shown deck's elapsed time in microseconds.
  qlonglong PositionUs() const;

  // The window's side: the deck that holds the keyboard (-1 none), Raise and Quit.
  std::function<int()> FocusedDeck;
  std::function<void()> RaiseWindow;
  std::function<void()> QuitConsole;

  // Methods of the Player interface (also called by the adaptor).
  void PlayPause();
  void Play();
  void Pause();
  void Stop();
  void Next();
  void Previous();
  // A file URL (or path): added to the playlist as a remote file name is.
  void OpenUri(const QString& uri);

 private:
  void DeckChanged();
  int ShownDeck() const;

  ConsoleCore& core_;
  QDBusConnection bus_;
  bool registered_ = false;
  QString artist_[2], title_[2];
  QString lastStatus_;
  QVariantMap lastMetadata_;
};

}  // namespace spinwave
