// RemoteCommands: what the running console does with a command text that another program sent
// it (a second start of spinwave, spinwave-remote, a script), and what it answers.
//
// Commands are compared whole, after turning the text to lower case:
//   "-exit"     closes the console (its close query and close run)        0
//   "-clear"    removes every playlist row                                  0
//   "-count"    the playlist's number of tracks
//   "-row"      the playlist table's FoundRow
//   "-play"     both decks free: playlist row 1 into a deck, as a double-click does
//                                                1 done, 0 a deck busy or no track
//   "-time"     the playing deck's elapsed seconds (deck 1 when it plays, else deck 2), 0 when
//               neither plays
//   "-rowdata"  deck 1's artist as the text of the reply (1; 0 without text when it is empty)
//   "-stream"   switches title sending on                                   1
//   "-shuffle"  shuffles the playlist                                       1
// While the jingle bank is enabled, "-jl" d loads DJ jingle list d (1, 0 out of range) and
// "-jp" d plays jingle d (0 the tenth) (1); a fourth character that is not a digit is an error
// shown to the user that does nothing (-1). Any other text is a file or playlist added as it
// stands (letter case kept, no question asked, an audio file already listed not added again):
// 1 added or list read, 0 not added or missing, -1 not a file the playlist takes.
#pragma once

#include <functional>

#include <QObject>
#include <QString>

#include "app/SingleInstance.h"

namespace spinwave {

class ConsoleCore;

class RemoteCommands : public QObject {
  Q_OBJECT
 public:
  explicit RemoteCommands(ConsoleCore& core, QObject* parent = nullptr);

  // Runs one command and returns its reply.
  RemoteReply Execute(const QString& text);

  // "-exit": closes the console the way its window closes (set by the window). Without it the
  // core's own close query and close run.
  std::function<void()> CloseConsole;
  // What deck 1's artist label shows (set by the window). Without it, the artist the transport
  // last reported for deck 1.
  std::function<QString()> Deck1Artist;

 private:
  RemoteReply Jingle(const QString& text);
  int PlayingSeconds() const;

  ConsoleCore& core_;
  QString deck1Artist_;
};

}  // namespace spinwave
