// The window's part of automix: the AutoMix and AutoCross lamps forward their clicks to the
// transport, the Break switch and the lamps show its state, and the playlist grid shows or
// hides its "Segue" column with automix.
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "app/ConsoleCore.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "table/TEMDBGrid.h"

using spinwave::DeckTransport;

void TSpinwaveMain::ConnectAutomix() {
  DeckTransport& t = core_.Transport();
  autoMixLed_->OnClick = [this](spinwave::TEMLed*) { core_.Transport().AutoMixClick(); };
  players_->AutoCrossLed()->OnClick = [this](spinwave::TEMLed*) {
    core_.Transport().AutoCrossClick();
  };
  connect(&t, &DeckTransport::autoMixChanged, autoMixLed_, &spinwave::TEMLed::SetState);
  connect(&t, &DeckTransport::breakChanged, this,
          [this](bool on) { Button(QStringLiteral("Break"))->SetBtnState(on); });
  connect(&t, &DeckTransport::segueColumnWidthChanged, this, [this](int width) {
    playlist_->SetColWidth(spinwave::plSegue, width);
    playlist_->Repaint();
  });
  // StartMix switched automix on before the window existed.
  autoMixLed_->SetState(t.AutoMix());
  players_->SetAutoCross(t.AutoCross());
  if (t.AutoMix()) playlist_->SetColWidth(spinwave::plSegue, 40);
}
