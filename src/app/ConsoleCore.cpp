#include "app/ConsoleCore.h"

#include <algorithm>
#include <set>

#include "app/DeckControlSet.h"
#include "app/RemoteCommands.h"
#include "core/AtomicFile.h"
#include "core/LanguageTexts.h"
#include "core/Messages.h"
#include "core/Paths.h"
#include "engine/DSPHost.h"
#include "engine/DeckPort.h"
#include "engine/TFMODJingle.h"
#include "engine/TMicThread.h"
#include "engine/soundlib.h"
#include "jingles/JingleBank.h"
#include "broadcast/Live365Control.h"
#include "broadcast/TitleStreamer.h"
#include "broadcast/UpdateCheck.h"
#include "library/LibraryModel.h"
#include "meta/FolderStructures.h"
#include "options/OptionsStore.h"
#include "playlist/DeckTransport.h"
#include "playlist/PlaylistModel.h"
#include "playlist/TrackReader.h"
#include "table/LibraryFile.h"

namespace spinwave {

namespace {

// The stored output choice of the settings: 0 ALSA, 1 the system's default output, 2 JACK
// (the engine's WINMM, DIRECTSOUND and ASIO numbers).
FSOUND_OUTPUTTYPES OutputTypeOf(int stored) {
  switch (stored) {
    case 0: return WINMM;
    case 2: return ASIO;
    default: return DIRECTSOUND;
  }
}

TOutputType SpeakersOf(int stored) {
  switch (stored) {
    case 0: return MONO_LEFT;
    case 2: return MONO_RIGHT;
    default: return STEREO;
  }
}

}  // namespace

ConsoleCore::ConsoleCore(QStringList commandLine, std::string settingsFile,
                         ConsoleCoreOptions options, QObject* parent)
    : QObject(parent),
      commandLine_(std::move(commandLine)),
      coreOptions_(options),
      settings_(std::make_unique<TSettingsFile>(std::move(settingsFile))),
      options_(std::make_unique<OptionsStore>()) {
  programFolder_ = spinwave::ProgramFolder();
  browseList_.SetColCount(9);
  browseList_.Title = kPlaylistTitle;
  SetPlaylistColumns(playlist_);

  startup_ = settings_->LoadAll();
  centralOutput_ = settings_->CentralOutput;
  jingleEnabled_ = settings_->JingleEnabled;
  automixSeconds_ = std::clamp(startup_.AutomixSec, 0, 15);

  if (coreOptions_.nonRealtime) TFMODJingle::SetClockManual(true);
  CreateDecks();

  CreateFolders();
  OpenLibraryTable();

  reader_ = std::make_unique<CheckingDeckReader>(*checkMP3_, CheckingEntry());
  std::vector<std::string> structures = DefaultStructures();
  ReadStructureFile(structures);
  reader_->SetStructures(structures);
  playlistModel_ = std::make_unique<PlaylistModel>(playlist_, *options_, *reader_);
  playlistModel_->SetDefaultSegueSeconds(automixSeconds_);
  // A long list shows at once and gets its tags from a worker; the non-real-time console
  // (tests, rendering) reads lists whole, so what it does stays exact.
  playlistModel_->SetBackgroundReading(!coreOptions_.nonRealtime);

  // Each port listens to the component that owns (or will own) its entry.
  deckPorts_[0] = std::make_unique<DeckPort>(player1_.get(), 0);
  deckPorts_[1] = std::make_unique<DeckPort>(player2_, 1);
  preListenPort_ = std::make_unique<DeckPort>(dataPlayer_.get(), PreListenEntry());
  transport_ = std::make_unique<DeckTransport>(*deckPorts_[0], *deckPorts_[1], *playlistModel_,
                                               *options_, preListenPort_.get());
  connect(transport_.get(), &DeckTransport::trackPlayed, this, &ConsoleCore::CountPlay);

  // The console's timer keeps the time of day for the broadcast start times.
  pauseTimer_.setInterval(10);
  connect(&pauseTimer_, &QTimer::timeout, transport_.get(), &DeckTransport::PauseTimerTimer);
  BuildLibraryAndBroadcast();
  remote_ = std::make_unique<RemoteCommands>(*this);

  // Switches pressed at start as the user would press them. The console is not activated yet,
  // so automix goes on even before the playlist is read.
  if (startup_.StartMix) transport_->AutoMixClick();
  if (startup_.StartXFader) transport_->XFaderClick();
}

ConsoleCore::~ConsoleCore() {
  if (!closed_) {
    // A core destroyed without a close (a test, an exception) still frees the decks in order;
    // nothing is written.
    pauseTimer_.stop();
  }
  StopDSPAndMic();  // the mixer and the microphone stop calling in before anything goes
  remote_.reset();
  // The browser's scan uses the checking deck; the streamer listens to the transport.
  browser_.reset();
  updateCheck_.reset();
  live365_.reset();
  streamer_.reset();
  // Ports before the components they listen to; the transport before the ports.
  transport_.reset();
  preListenPort_.reset();
  deckPorts_[1].reset();
  deckPorts_[0].reset();
  playlistModel_.reset();
  reader_.reset();
  jingles_.reset();
  checkMP3_.reset();
  dataPlayer_.reset();
  ownJingles_.reset();
  ownPlayer2_.reset();
  player1_.reset();
}

DeckPort& ConsoleCore::Deck(int deck) { return *deckPorts_[deck == 1 ? 1 : 0]; }

// --- Creation ---------------------------------------------------------------------------------

void ConsoleCore::CreateFolders() {
  const std::string dataFolder = programFolder_ + "data";
  if (!DirectoryExists(dataFolder) && !MakeFolders(dataFolder))
    ShowMessage("Can't create \"Data\" directory!");
  listsFolder_ = programFolder_ + "lists";
  if (!DirectoryExists(listsFolder_) && !MakeFolders(listsFolder_))
    ShowMessage("Can't create \"lists\" directory!");
}

void ConsoleCore::OpenLibraryTable() {
  const OpenLibraryResult result = OpenLibrary(library_, programFolder_ + "data/data.db");
  if (!result.saved && !result.error.empty())
    qWarning("Spinwave: the library file was not saved: %s", result.error.c_str());
  if (result.fileColumn < library_.ColCount() && library_.GetColWidth(result.fileColumn) >= 0)
    library_.SetColWidth(result.fileColumn, result.fileColumnWidth);
}

std::unique_ptr<TFMODJingle> ConsoleCore::MakeDeck(const char* name, const char* library,
                                                   int maxChannels, int driver, int speakers,
                                                   bool mainDeck) {
  auto deck = std::make_unique<TFMODJingle>(QString::fromLatin1(name));
  deck->SetMaxChannels(maxChannels);
  // The engine's own messages of a failed output would claim that nothing can play; the
  // console falls back to no sound instead and says so once (status bar and fmodlog.txt).
  std::vector<std::string> engineMessages;
  MessageHandler previous = SetMessageHandler([&](MessageKind, const std::string& text) {
    engineMessages.push_back(text);
    return true;
  });
  deck->Init(library);
  deck->SetOutputDriver(driver);
  deck->SetSpeakers(SpeakersOf(speakers));
  deck->SetOutputType(coreOptions_.nonRealtime ? FSOUND_OUTPUT_NOSOUND_NONREALTIME
                                               : OutputTypeOf(startup_.OutputPlayer1));
  deck->SetBufferSize(startup_.BufferSizeMs);
  deck->SetAccurateTime(mainDeck && startup_.ExactTime);
  deck->SetDisplayExactTime(mainDeck && startup_.CalculateTime);
  deck->SetHW2D(mainDeck && startup_.HWAudio);
  deck->SetOutput();
  if (!deck->Initialised()) {
    deck->SetOutputType(NOSOUND);
    deck->SetOutput();
    TFMODJingle::FMODLog("\r\n    " + deck->Name() + ": no sound device could be opened (" +
                         (engineMessages.empty() ? std::string("output failed")
                                                 : engineMessages.front()) +
                         "); playing without sound");
    if (outputNote_.isEmpty())
      outputNote_ = QStringLiteral("No sound device could be opened: playing without sound "
                                   "(see fmodlog.txt)");
  }
  SetMessageHandler(previous);
  return deck;
}

void ConsoleCore::CreateDecks() {
  player1_ = MakeDeck("Player1", "fmod.dll", 14, startup_.DriverPlayer1, startup_.Player1Stereo,
                      true);
  player1_->SetBlockAtOpening(false);
  if (centralOutput_) {
    player2_ = player1_.get();
    jinglesPlayer_ = player1_.get();
  } else {
    ownPlayer2_ = MakeDeck("Player2", "fmod2.dll", 1, startup_.DriverPlayer2,
                           startup_.Player2Stereo, true);
    ownPlayer2_->SetBlockAtOpening(false);
    player2_ = ownPlayer2_.get();
    ownJingles_ = MakeDeck("JinglesPlayer", "fmodj.dll", 10, startup_.DriverJingles,
                           startup_.JinglesStereo, false);
    jinglesPlayer_ = ownJingles_.get();
  }
  dataPlayer_ = MakeDeck("DataPlayer", "fmod3.dll", 1, startup_.DriverDataPlayer,
                         startup_.DataPlayerStereo, false);
  // The library scan's checking deck only opens files to learn their length: it never plays,
  // so it needs no device and no mixing thread.
  checkMP3_ = std::make_unique<TFMODJingle>(QStringLiteral("CheckMP3"));
  checkMP3_->SetMaxChannels(1);
  checkMP3_->Init("fmoddb.dll");
  checkMP3_->SetOutputType(FSOUND_OUTPUT_NOSOUND_NONREALTIME);
  checkMP3_->SetOutput();
}

void ConsoleCore::RegisterEntries(const DeckControlSet* deck1, const DeckControlSet* deck2,
                                  const DeckControlSet* preListen) {
  const DeckControlSet none;
  const int first = (deck1 ? *deck1 : none).AddTo(*player1_);
  (deck2 ? *deck2 : none).AddTo(*player2_);
  if (jingleEnabled_) {
    jingles_ = std::make_unique<JingleBank>(*jinglesPlayer_);
    for (int slot = 0; slot < kJingleSlots; ++slot) {
      const int entry = CreateJinglePlayer ? CreateJinglePlayer(*jinglesPlayer_, slot)
                                           : none.AddTo(*jinglesPlayer_);
      jingles_->SetSlotEntry(slot + 1, entry);
    }
    jingles_->SetEnabled(true);
    jingles_->GetLists();
  }
  DeckControlSet listen;
  if (preListen) {
    listen.play = preListen->play;
    listen.stop = preListen->stop;
    listen.positionSlider = preListen->positionSlider;
  }
  const int pre = listen.AddTo(*dataPlayer_);
  const int check = none.AddTo(*checkMP3_);
  if (first != 0 || pre != PreListenEntry() || check != CheckingEntry())
    qWarning("Spinwave: deck entries registered at %d..%d instead of 0..%d (another deck "
             "component was alive)", first, check, CheckingEntry());
  // Gains set before the entries existed (the crossfader switched on at start) take effect.
  transport_->CrossSliderChange(transport_->CrossFader());
  if (!transport_->XFader()) {
    deckPorts_[0]->SetCrossFader(100);
    deckPorts_[1]->SetCrossFader(100);
  }
}

// --- First activation -------------------------------------------------------------------------

void ConsoleCore::Activate(const DeckControlSet* deck1, const DeckControlSet* deck2,
                           const DeckControlSet* preListen) {
  if (activated_ || closed_) return;
  activated_ = true;  // first: what follows may show boxes that activate the window again
  options_->Load(*settings_);
  RegisterEntries(deck1, deck2, preListen);
  StartKeyLock();
  transport_->SetActivated(true);
  RestorePlaylist();
  ExecuteCommandLine(commandLine_);
  ActivateLibraryAndBroadcast();
  StartDSPAndMic();
  transport_->PauseTimerTimer();
  pauseTimer_.start();
  emit activated();
  if (library_.RowCount() == 0) emit libraryScanWanted();
}

void ConsoleCore::RestorePlaylist() {
  std::string path = programFolder_ + "spinwave.npl2";
  if (!FileExists(path)) path = programFolder_ + "spinwave.npl";
  if (FileExists(path)) playlistModel_->Load(path);
}

void ConsoleCore::ExecuteCommandLine(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("-play")) {
      playlistModel_->SetCursorRow(1);
      transport_->PlaylistDblClick();
    } else if (argument == QLatin1String("-clear")) {
      playlistModel_->ClearRows();
    } else {
      const std::string path = argument.toStdString();
      if (playlistModel_->LoadToPlaylist(path, false) == 0 && !FileExists(path))
        ShowMessage("\"" + path + "\" " + LangText("FileDoesntExist"));
    }
  }
}

RemoteReply ConsoleCore::RemoteCommand(const QString& text) { return remote_->Execute(text); }

void ConsoleCore::SetAutomixSeconds(int seconds) {
  automixSeconds_ = std::clamp(seconds, 0, 15);
  playlistModel_->SetDefaultSegueSeconds(automixSeconds_);
}

void ConsoleCore::CountPlay(const QString& file) {
  if (!options_->Bool("CountPlTimes")) return;
  std::string error;
  if (!library_.IncCounter(file.toStdString(), ColumnIndex(library_, "PlTimes"), &error) &&
      !error.empty())
    qWarning("Spinwave: the play count of %s was not written: %s", qUtf8Printable(file),
             error.c_str());
}

// --- Running ----------------------------------------------------------------------------------

void ConsoleCore::Advance(int ms) {
  std::set<SoundLib*> libraries;
  for (TFMODJingle* deck : {player1_.get(), player2_, jinglesPlayer_, dataPlayer_.get()})
    if (deck && deck->Library() && deck->Library()->GetOutput() == kOutputNoSoundNonRealtime)
      libraries.insert(deck->Library());
  for (int t = 0; t < ms; t += 10) {
    for (SoundLib* lib : libraries) {
      lib->WaitForDecoders(5000);
      lib->Update(10);
    }
    TFMODJingle::NotifyTimerTime();
    transport_->PauseTimerTimer();
  }
}

int ConsoleCore::MixRate() const {
  const SoundLib* lib = player1_ ? player1_->Library() : nullptr;
  return lib ? lib->GetOutputRate() : 0;
}

int ConsoleCore::MixBlock(std::vector<std::int16_t>& out, bool settle) {
  std::vector<SoundLib*> mains;
  for (TFMODJingle* deck : {player1_.get(), player2_}) {
    SoundLib* lib = deck ? deck->Library() : nullptr;
    if (lib && lib->GetOutput() == kOutputNoSoundNonRealtime &&
        std::find(mains.begin(), mains.end(), lib) == mains.end())
      mains.push_back(lib);
  }
  const int frames = MixRate() / 100;
  if (mains.empty() || frames <= 0) return 0;
  out.assign(static_cast<size_t>(frames) * 2, 0);
  std::vector<std::int16_t> second;
  for (size_t i = 0; i < mains.size(); ++i) {
    if (settle) mains[i]->WaitForDecoders(5000);
    if (i == 0) {
      mains[i]->Render(out.data(), frames);
      continue;
    }
    second.assign(out.size(), 0);
    mains[i]->Render(second.data(), frames);
    for (size_t k = 0; k < out.size(); ++k)
      out[k] = static_cast<std::int16_t>(std::clamp(out[k] + second[k], -32768, 32767));
  }
  for (TFMODJingle* deck : {jinglesPlayer_, dataPlayer_.get()}) {
    SoundLib* lib = deck ? deck->Library() : nullptr;
    if (lib && lib->GetOutput() == kOutputNoSoundNonRealtime &&
        std::find(mains.begin(), mains.end(), lib) == mains.end())
      lib->Update(10);
  }
  TFMODJingle::NotifyTimerTime();
  transport_->PauseTimerTimer();
  return frames;
}

// --- Close ------------------------------------------------------------------------------------

bool ConsoleCore::CloseQuery() {
  if (closed_) return true;
  if (transport_->AnyDeckBusy() && options_->Bool("SafeClose")) {
    ShowMessage(LangText("CantClose"));
    return false;
  }
  return true;
}

void ConsoleCore::Close() {
  if (closed_) return;
  closed_ = true;
  pauseTimer_.stop();
  // Every entry of the process-wide table, last first.
  for (int i = TFMODJingle::FileEntryCount() - 1; i >= 0; --i) {
    if (!TFMODJingle::GetFileEntry(i)) continue;
    player1_->Stop(i);
    player1_->CloseFile(i);
  }
  StopDSPAndMic();
  CloseBroadcast();

  std::string error;
  if (!playlistModel_->Save(KeptPlaylistPath(), &error))
    ShowMessage("The playlist could not be kept in " + KeptPlaylistPath() + ": " + error);
  // The widths the user dragged are kept in the library file without rewriting its rows.
  if (!library_.SaveColWidths({}, &error))
    qWarning("Spinwave: the library's column widths were not saved: %s", error.c_str());

  TSettingsFile& s = *settings_;
  s.WriteInteger("General", "AutomixSec", automixSeconds_);
  const int left = deckPorts_[0]->Volume(), right = deckPorts_[1]->Volume();
  s.WriteInteger("Players", "VolumeL", left >= 0 ? left : std::clamp(startup_.VolumeL, 0, 255));
  s.WriteInteger("Players", "VolumeR", right >= 0 ? right : std::clamp(startup_.VolumeR, 0, 255));
  settings_.reset();
}

}  // namespace spinwave
