// The console core's library browser and broadcasting: the browser's logic over the library
// (with the pre-listen and checking entries), the title streamer that owns the SendInfo
// switch, the Live365 control and the update query at start-up.
#include <QStringList>

#include "app/ConsoleCore.h"
#include "broadcast/Live365Control.h"
#include "broadcast/TitleStreamer.h"
#include "broadcast/UpdateCheck.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "library/LibraryModel.h"
#include "library/LibraryScan.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistFiles.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TrackReader.h"

namespace spinwave {

namespace {

// The options that decide whether the SendInfo and ShowLive365 buttons show.
bool ShapesBroadcastButtons(const QString& key) {
  return key == QLatin1String("TitleStreaming") || key == QLatin1String("Title2Web") ||
         key.startsWith(QLatin1String("StreamTitle")) || key == QLatin1String("Live365Ctrl");
}

// How long the close waits for the last title requests to leave.
constexpr int kCloseRequestWaitMs = 2000;

}  // namespace

QString ConsoleCore::VersionText() {
  // The build gives "v<major>.<minor>.<patch>"; the minor number is written with two digits so
  // that the number after the "v" has the six characters the update check compares.
  QString number = QStringLiteral(SPINWAVE_VERSION_TEXT).mid(1);
  QStringList parts = number.split('.');
  if (parts.size() >= 2 && parts[1].size() < 2) parts[1] = parts[1].rightJustified(2, '0');
  number = parts.join('.');
  while (number.size() < 6) number += ".0";
  return "v" + number;
}

void ConsoleCore::BuildLibraryAndBroadcast() {
  browser_ = std::make_unique<LibraryModel>(library_, *options_);
  // ".m3u" and ".npl" files in the tree are read by the playlist's own reader, so the browser
  // shows a list exactly as loading it into the playlist would.
  browser_->ReadM3uOrNplPlaylist = [this](const std::string& path, TEMDB& browseList) {
    const PlaylistReadResult result =
        ReadPlaylist(path, browseList, *reader_, playlistModel_->DefaultSegueMs());
    const std::string problems = DescribeReadProblems(path, result);
    if (!problems.empty()) ShowMessage(problems);
    return result.readable;
  };

  streamer_ = std::make_unique<TitleStreamer>(*options_);
  // The transport decides when the caption changes (a deck started a different title); the
  // streamer alone holds the SendInfo switch and sends each new caption once.
  connect(transport_.get(), &DeckTransport::captionChanged, streamer_.get(),
          [this](const QString& caption) { streamer_->NewCaption(caption.toStdString()); });
  connect(streamer_.get(), &TitleStreamer::StatusMessage, this, &ConsoleCore::statusMessage);

  live365_ = std::make_unique<Live365Control>(*options_);
  live365_->LoadEndpoint(*settings_);
  connect(live365_.get(), &Live365Control::StatusMessage, this, &ConsoleCore::statusMessage);

  updateCheck_ = std::make_unique<UpdateCheck>();

  connect(options_.get(), &OptionsStore::Reloaded, this, [this] {
    emit broadcastButtonsChanged();
    live365_->OptionsApplied();
  });
  connect(options_.get(), &OptionsStore::Changed, this, [this](const QString& key) {
    if (!ShapesBroadcastButtons(key)) return;
    emit broadcastButtonsChanged();
    if (key == QLatin1String("Live365Ctrl")) live365_->OptionsApplied();
  });
}

void ConsoleCore::ActivateLibraryAndBroadcast() {
  browser_->SetDecks(dataPlayer_.get(), PreListenEntry(), checkMP3_.get(), CheckingEntry());
  // A scan takes the checking deck and the event loop in slices: the console's timer rests
  // meanwhile and runs again when the scan has ended.
  connect(&browser_->Scan(), &LibraryScan::ScanRunning, this, [this](bool running) {
    if (running)
      pauseTimer_.stop();
    else if (!closed_)
      pauseTimer_.start();
  });
  if (DirectoryExists(listsFolder_)) browser_->FindLists(listsFolder_);
  updateCheck_->Start(*settings_, VersionText().toStdString());
}

void ConsoleCore::CloseBroadcast() {
  streamer_->Closing();
  // The program ends soon after the close: give the last requests time to leave.
  if (streamer_->PendingRequests() > 0) streamer_->WaitForRequests(kCloseRequestWaitMs);
}

bool ConsoleCore::SendInfoButtonVisible() const { return streamer_->AnyDestinationEnabled(); }

bool ConsoleCore::Live365ButtonVisible() const { return options_->Bool("Live365Ctrl"); }

}  // namespace spinwave
