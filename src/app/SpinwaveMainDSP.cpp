// The console window's side of talkover and the DSP plug-ins: the talkover button (a click and
// the second press of a double click both toggle, as two clicks would) and its hint, the
// Talking lamp, and the windows the plug-ins parent theirs on.
#include "app/ConsoleCore.h"
#include "app/PlayersPanel.h"
#include "app/SpinwaveMain.h"
#include "controls/TEMButton.h"
#include "controls/TEMLed.h"

using namespace spinwave;

void TSpinwaveMain::ConnectTalkover() {
  // A plug-in kept on top of the console is parented on it; the others get windows of their
  // own.
  core_.SetDSPWindows(static_cast<QWidget*>(this), nullptr);
  TEMButton* button = players_->Talkover();
  button->setEnabled(true);
  connect(players_, &PlayersPanel::talkoverClicked, &core_, &ConsoleCore::TalkoverClick);
  button->OnDblClick = [this](TEMButton*) { core_.TalkoverClick(); };
  connect(&core_, &ConsoleCore::talkingChanged, players_->Talking(), &TEMLed::SetState);
  connect(&core_, &ConsoleCore::talkoverHintChanged, button, &QWidget::setToolTip);
  if (!core_.TalkoverHint().isEmpty()) button->setToolTip(core_.TalkoverHint());
}
