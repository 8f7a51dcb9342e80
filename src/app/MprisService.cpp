#include "app/MprisService.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>

#include "app/ConsoleCore.h"
#include "app/ConsoleKeys.h"
#include "app/MprisAdaptors.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave {

namespace {

bool Playing(int state) {
  return state == fsPlaying || state == fsFading || state == fsSearching;
}
// A deck stopped at its cue point is stopped; only a paused one is paused.
bool Paused(int state) { return state == fsPaused; }

}  // namespace

MprisService::MprisService(ConsoleCore& core, QObject* parent)
    : QObject(parent), core_(core), bus_(QString()) {
  new MprisRootAdaptor(this, *this);
  new MprisPlayerAdaptor(this, *this);
  DeckTransport& transport = core_.Transport();
  connect(&transport, &DeckTransport::deckTrackChanged, this,
          [this](int deck, const QString& artist, const QString& title) {
            if (deck != 0 && deck != 1) return;
            artist_[deck] = artist;
            title_[deck] = title;
            DeckChanged();
          });
  connect(&transport, &DeckTransport::deckStateChanged, this, [this] { DeckChanged(); });
  lastStatus_ = PlaybackStatus();
  lastMetadata_ = Metadata();
}

MprisService::~MprisService() {
  if (!registered_) return;
  bus_.unregisterObject(kObjectPath);
  bus_.unregisterService(kServiceName);
}

bool MprisService::Register(const QDBusConnection& bus, QString* error) {
  if (registered_) return true;
  bus_ = bus;
  if (!bus_.isConnected()) {
    if (error) *error = "no session bus: " + bus_.lastError().message();
    return false;
  }
  if (!bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
    if (error) *error = "cannot export " + QString(kObjectPath) + ": " + bus_.lastError().message();
    return false;
  }
  if (!bus_.registerService(kServiceName)) {
    if (error) *error = QString(kServiceName) + " is taken: " + bus_.lastError().message();
    bus_.unregisterObject(kObjectPath);
    return false;
  }
  registered_ = true;
  return true;
}

int MprisService::TargetDeck() const {
  const int focused = FocusedDeck ? FocusedDeck() : -1;
  if (focused == 0 || focused == 1) return focused;
  const DeckTransport& transport = core_.Transport();
  for (int deck = 0; deck < 2; ++deck)
    if (Playing(transport.DeckState(deck))) return deck;
  for (int deck = 0; deck < 2; ++deck)
    if (Paused(transport.DeckState(deck))) return deck;
  return 0;
}

int MprisService::ShownDeck() const {
  const DeckTransport& transport = core_.Transport();
  for (int deck = 0; deck < 2; ++deck)
    if (Playing(transport.DeckState(deck))) return deck;
  return TargetDeck();
}

QString MprisService::PlaybackStatus() const {
  const DeckTransport& transport = core_.Transport();
  bool paused = false;
  for (int deck = 0; deck < 2; ++deck) {
    if (Playing(transport.DeckState(deck))) return QStringLiteral("Playing");
    paused |= Paused(transport.DeckState(deck));
  }
  return paused ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

QVariantMap MprisService::Metadata() const {
  const int deck = ShownDeck();
  DeckPort& port = core_.Deck(deck);
  const QString file = QString::fromStdString(port.FileName());
  QVariantMap map;
  if (file.isEmpty()) {
    map.insert("mpris:trackid",
               QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
    return map;
  }
  map.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath(
                                  QStringLiteral("/org/spinwave/deck%1").arg(deck + 1))));
  if (!artist_[deck].isEmpty()) map.insert("xesam:artist", QStringList{artist_[deck]});
  if (!title_[deck].isEmpty()) map.insert("xesam:title", title_[deck]);
  const int ms = port.Duration();
  if (ms > 0) map.insert("mpris:length", qlonglong(ms) * 1000);
  map.insert("xesam:url", QUrl::fromLocalFile(file).toString());
  return map;
}

qlonglong MprisService::PositionUs() const {
  const int ms = core_.Deck(ShownDeck()).LastTime();
  return ms > 0 ? qlonglong(ms) * 1000 : 0;
}

void MprisService::DeckChanged() {
  QVariantMap changed;
  const QString status = PlaybackStatus();
  if (status != lastStatus_) changed.insert("PlaybackStatus", lastStatus_ = status);
  const QVariantMap metadata = Metadata();
  if (metadata != lastMetadata_) changed.insert("Metadata", lastMetadata_ = metadata);
  if (changed.isEmpty() || !registered_) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  bus_.send(signal);
}

void MprisService::PlayPause() { core_.Transport().PlayClick(TargetDeck()); }

void MprisService::Play() {
  const int deck = TargetDeck();
  if (!Playing(core_.Transport().DeckState(deck))) core_.Transport().PlayClick(deck);
}

void MprisService::Pause() {
  const int deck = TargetDeck();
  if (Playing(core_.Transport().DeckState(deck))) core_.Transport().PlayClick(deck);
}

void MprisService::Stop() { ConsoleKeys::StopDeck(core_.Deck(TargetDeck())); }

void MprisService::Next() { core_.Transport().GoTrack(TargetDeck() == 0 ? 1 : 3); }

void MprisService::Previous() { core_.Transport().GoTrack(TargetDeck() == 0 ? 0 : 2); }

void MprisService::OpenUri(const QString& uri) {
  const QUrl url(uri);
  const QString path = url.isLocalFile() ? url.toLocalFile() : uri;
  core_.Playlist().LoadToPlaylist(path.toStdString(), true);
}

}  // namespace spinwave
