#include "app/RemoteCommands.h"

#include <string>

#include "app/ConsoleCore.h"
#include "broadcast/TitleStreamer.h"
#include "core/Messages.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleBank.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"

namespace spinwave {

RemoteCommands::RemoteCommands(ConsoleCore& core, QObject* parent)
    : QObject(parent), core_(core) {
  connect(&core_.Transport(), &DeckTransport::deckTrackChanged, this,
          [this](int deck, const QString& artist) {
            if (deck == 0) deck1Artist_ = artist;
          });
}

RemoteReply RemoteCommands::Execute(const QString& text) {
  if (text.isEmpty()) return -1;
  // Only ASCII letters fold: a file name's other letters are compared as they are.
  QString lower = text;
  for (QChar& c : lower)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);

  PlaylistModel& list = core_.Playlist();
  DeckTransport& transport = core_.Transport();
  if (lower == QLatin1String("-exit")) {
    if (CloseConsole) {
      CloseConsole();
    } else if (core_.CloseQuery()) {
      core_.Close();
    }
    return 0;
  }
  if (lower == QLatin1String("-clear")) {
    list.ClearRows();
    return 0;
  }
  if (lower == QLatin1String("-count")) return list.TrackCount();
  if (lower == QLatin1String("-row")) return list.Table().FoundRow;
  if (lower == QLatin1String("-play")) {
    // A busy deck is never taken away from the show; an empty list plays nothing and says so.
    if (transport.AnyDeckBusy() || list.TrackCount() == 0) return 0;
    list.SetCursorRow(1);
    transport.PlaylistDblClick();
    return 1;
  }
  if (lower == QLatin1String("-time")) return PlayingSeconds();
  if (lower == QLatin1String("-rowdata")) {
    const QString artist = Deck1Artist ? Deck1Artist() : deck1Artist_;
    if (artist.isEmpty()) return 0;
    return RemoteReply(1, artist);
  }
  if (lower == QLatin1String("-stream")) {
    if (!core_.Streamer().SendInfo()) core_.Streamer().SendInfoClick();
    return 1;
  }
  if (lower == QLatin1String("-shuffle")) {
    list.Shuffle();
    return 1;
  }
  JingleBank* jingles = core_.Jingles();
  if (jingles && jingles->Enabled() &&
      (lower.startsWith(QLatin1String("-jl")) || lower.startsWith(QLatin1String("-jp"))))
    return Jingle(lower);
  return list.LoadToPlaylist(text.toStdString(), true);
}

RemoteReply RemoteCommands::Jingle(const QString& text) {
  JingleBank& jingles = *core_.Jingles();
  const QChar d = text.size() > 3 ? text.at(3) : QChar();
  if (d < QLatin1Char('0') || d > QLatin1Char('9')) {
    ShowMessage("\"" + text.toStdString() +
                "\" is not a jingle command: a digit must follow \"" +
                text.left(3).toStdString() + "\"");
    return -1;
  }
  const int digit = d.unicode() - '0';
  if (text.startsWith(QLatin1String("-jl"))) {
    if (digit >= jingles.ListNames().size()) return 0;
    jingles.LoadList(digit);
    return 1;
  }
  const int entry = jingles.SlotEntry(digit == 0 ? 10 : digit);
  if (TFMODJingle::GetFileEntry(entry)) jingles.Player().Play(entry);
  return 1;
}

int RemoteCommands::PlayingSeconds() const {
  for (int deck = 0; deck < 2; ++deck) {
    DeckPort& port = core_.Deck(deck);
    if (port.State() != fsPlaying) continue;
    const int ms = port.LastTime();
    return ms > 0 ? ms / 1000 : 0;
  }
  return 0;
}

}  // namespace spinwave
