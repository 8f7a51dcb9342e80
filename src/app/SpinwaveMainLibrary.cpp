// The window's library browser and broadcast controls: the browser built over the core's
// library model, its requests forwarded to the playlist, the pre-listen panel on the pre-listen
// deck, the track count in the status bar, the scan dialog, the SendInfo and ShowLive365
// buttons and the status messages of title streaming and Live365.
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include "app/ConsoleCore.h"
#include "app/ConsoleKeyboard.h"
#include "app/ConsoleLock.h"
#include "app/ConsoleLook.h"
#include "app/SpinwaveMain.h"
#include "broadcast/Live365Control.h"
#include "broadcast/TLive365.h"
#include "broadcast/TitleStreamer.h"
#include "controls/DirTreeView.h"
#include "controls/TEMButton.h"
#include "engine/DeckPort.h"
#include "library/LibraryBrowser.h"
#include "library/LibraryModel.h"
#include "options/OptionsStore.h"
#include "options/PasswordDialogs.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDB.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

LibraryBrowser* TSpinwaveMain::BuildLibrary(QWidget* parent) {
  LibraryModel& model = core_.Browser();
  // A browsed playlist shows with the playlist grid's column widths.
  std::vector<int> widths;
  for (int c = 0; c < core_.PlaylistTable().ColCount(); ++c)
    widths.push_back(core_.PlaylistTable().GetColWidth(c));
  model.SetPlaylistColumnWidths(widths);
  auto* browser = new LibraryBrowser(model, core_.Options(), parent);
  browser->SetTreeVisible(core_.Startup().ShowBrowser);
  return browser;
}

void TSpinwaveMain::ConnectLibrary() {
  LibraryBrowser* b = library_;
  LibraryModel& model = core_.Browser();
  connect(b, &LibraryBrowser::AddToPlaylistRequested, this, [this] { AddToPlaylist(false); });
  connect(b, &LibraryBrowser::SourcePressed, this,
          [this] { core_.Playlist().SetInsertionRow(core_.Playlist().RowCount()); });
  connect(&model, &LibraryModel::CountChanged, this, &TSpinwaveMain::ShowTrackCount);
  connect(&core_.PreListen(), &DeckPort::timeChanged, b, [this, b](int minutes, int seconds, int) {
    b->SetPreListenTime(minutes, seconds);
    b->SetPreListenPosition(core_.PreListen().LastTime());
  });
  connect(&core_, &ConsoleCore::libraryScanWanted, this, &TSpinwaveMain::EditDatabaseClick);
  // With AllSecured on the scan dialog opens only after the password.
  b->AskPassword = [this] { return lock_->MayEdit(this); };

  // The on-screen keyboard opens from the search field; the language renames the filter
  // columns and the library node of the tree.
  keyboard_->Attach(b->FilterTxt()->lineEdit(), b->SearchBtn(), b->FilterCol());
  connect(look_, &ConsoleLook::filterColumnsChanged, b, [b](const QStringList& entries) {
    for (int i = 0; i < entries.size() && i < b->FilterCol()->count(); ++i)
      b->FilterCol()->setItemText(i, entries[i]);
  });
  connect(look_, &ConsoleLook::libraryNodeNameChanged, b, [b](const QString& name) {
    if (b->BrowseTree()->topLevelItemCount() > 0) b->BrowseTree()->topLevelItem(0)->setText(0, name);
  });

  // Title streaming and Live365.
  TitleStreamer& streamer = core_.Streamer();
  connect(&streamer, &TitleStreamer::SendInfoChanged, this,
          [this](bool on) { Button(QStringLiteral("SendInfo"))->SetBtnState(on); });
  connect(&core_, &ConsoleCore::statusMessage, this, &TSpinwaveMain::ShowStatusMessage);
  connect(&core_, &ConsoleCore::broadcastButtonsChanged, this,
          &TSpinwaveMain::ShowBroadcastButtons);
  live365_ = new TLive365(core_.Live365(), this);
  live365_->setWindowFlag(Qt::Window);
  live365_->hide();
  ShowBroadcastButtons();
  model.SetDBInfo();
}

void TSpinwaveMain::ShowLanguageTexts() {
  ShowTotal();
  core_.Browser().SetDBInfo();
}

void TSpinwaveMain::EditDatabaseClick() { library_->EditDatabaseClick(); }

void TSpinwaveMain::SendInfoClick() { core_.Streamer().SendInfoClick(); }

void TSpinwaveMain::ShowLive365Click() { live365_->ShowLive365Click(); }

void TSpinwaveMain::ShowBroadcastButtons() {
  Button(QStringLiteral("SendInfo"))->setVisible(core_.SendInfoButtonVisible());
  Button(QStringLiteral("ShowLive365"))->setVisible(core_.Live365ButtonVisible());
}

void TSpinwaveMain::ShowStatusMessage(const QString& text) {
  statusPanels_[1]->setText(text);
  statusPanels_[1]->setToolTip(text);
}

void TSpinwaveMain::ShowTrackCount(const QString& text) {
  statusPanels_[2]->setText(text);
  statusPanels_[2]->setFixedWidth(QFontMetrics(statusPanels_[2]->font()).horizontalAdvance(text) +
                                  12);
  FormResize();
}
