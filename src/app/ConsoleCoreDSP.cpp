// The console core's DSP plug-ins and talkover: the plug-in host on the mixed output of the two
// main decks (loaded at the end of the first activation, released by the close before the deck
// components go), the title on air handed to the plug-ins, the talkover button with its lamp,
// the ramp that lowers the music and the microphone thread that puts the presenter on air.
#include <QString>

#include "app/ConsoleCore.h"
#include "engine/DSPHost.h"
#include "engine/TFMODJingle.h"
#include "engine/TMicThread.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"

namespace spinwave {

namespace {

QString MicOffHint() {
  return QStringLiteral("Talkover lowers the music (the microphone input is off in the options)");
}

QString MicOnHint() {
  return QStringLiteral("Talkover: lowers the music and puts the microphone on air while the "
                        "lamp is lit");
}

}  // namespace

void ConsoleCore::SetDSPWindows(void* consoleWindow, void* applicationWindow) {
  dspWindows_[0] = consoleWindow;
  dspWindows_[1] = applicationWindow;
}

void ConsoleCore::StartDSPAndMic() {
  // The plug-in settings as they were read at start-up: which plug-ins load, and which deck's
  // state opens the bypass, are fixed for the session (the DSP units are made once).
  DSPHost::Settings dsp;
  dsp.CentralOutput = centralOutput_;
  dsp.DSPActive = settings_->DSPActive;
  dsp.DSPLock = settings_->DSPLock;
  dsp.Shoutcast = settings_->Shoutcast;
  dsp.ShoutcastLock = settings_->ShoutcastLock;
  dsp.SAM2 = settings_->SAM2;
  dsp_ = std::make_unique<DSPHost>(player1_.get(), centralOutput_ ? nullptr : player2_, dsp,
                                   &talking_);
  dsp_->SetWindows(dspWindows_[0], dspWindows_[1]);
  dsp_->LoadDSPPlugins(programFolder_, *settings_);

  // The stream's metadata follows the caption (whatever the title-streaming switch says: the
  // listeners of the mix should see what they hear).
  connect(transport_.get(), &DeckTransport::captionChanged, this, [this](const QString& caption) {
    if (dsp_) dsp_->SetTitle(caption.toStdString());
  });
  if (!transport_->Caption().isEmpty()) dsp_->SetTitle(transport_->Caption().toStdString());

  // A plug-in switched on in the options loads at once; switching one off takes effect at the
  // next start (a plug-in is released only after its unit, and the units live for the session).
  // The microphone follows its options at once.
  connect(options_.get(), &OptionsStore::Changed, this, [this](const QString& key) {
    if (!dsp_ || closed_) return;
    if (key == QLatin1String("Shoutcast") && options_->Bool("Shoutcast")) {
      dsp_->LoadSlot(programFolder_, DSPHost::kStreamingSlot);
    } else if (key == QLatin1String("SAM2") && options_->Bool("SAM2")) {
      dsp_->LoadSlot(programFolder_, DSPHost::kEncoderSlot);
    } else if (key == QLatin1String("DSPActive") && options_->Bool("DSPActive")) {
      dsp_->LoadSlot(programFolder_, DSPHost::kMultiDSP1Slot);
      dsp_->LoadSlot(programFolder_, DSPHost::kMultiDSP2Slot);
    } else if (key == QLatin1String("RecordInput") || key == QLatin1String("RecordDriver")) {
      StartMic();
    }
  });
  StartMic();
}

void ConsoleCore::StartMic() {
  mic_.reset();  // ends a running microphone and waits for its thread
  if (!options_->Bool("RecordInput")) {
    talkoverHint_ = MicOffHint();
    emit talkoverHintChanged(talkoverHint_);
    return;
  }
  talkoverHint_ = MicOnHint();
  emit talkoverHintChanged(talkoverHint_);
  mic_ = std::make_unique<TMicThread>(player1_->Library(), options_->Int("RecordDriver"));
  TMicThread* mic = mic_.get();
  // Both are emitted on the microphone's thread and arrive here queued.
  connect(mic, &TMicThread::Failed, this, [this, mic](const QString& reason) {
    if (mic_.get() != mic) return;  // a thread already replaced
    talkoverHint_ = reason;
    emit talkoverHintChanged(talkoverHint_);
  });
  connect(mic, &TMicThread::Started, this, [this, mic](int) {
    // The lamp may have lit while the thread was starting: the microphone joins it.
    if (mic_.get() == mic && talking_.load()) mic->SetTalking(true);
  });
  mic->Start();
}

void ConsoleCore::StopDSPAndMic() {
  mic_.reset();
  if (dsp_) dsp_->UnloadDSPPlugins();
  dsp_.reset();
}

bool ConsoleCore::ConfigDSP(int slot) {
  if (!dsp_ || slot < 0 || slot >= DSPHost::kSlotCount) return false;
  return dsp_->Config(static_cast<DSPHost::Slot>(slot));
}

void ConsoleCore::TalkoverClick() {
  if (closed_) return;
  const bool lit = !talking_.load();
  talking_.store(lit);
  transport_->TalkoverClick(lit);
  if (mic_ && options_->Bool("RecordInput") && TMicThread::MicChannel() != -1)
    mic_->SetTalking(lit);
  emit talkingChanged(lit);
}

}  // namespace spinwave
