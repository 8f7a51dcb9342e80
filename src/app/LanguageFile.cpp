#include "app/LanguageFile.h"

#include <map>

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include "controls/TEMLed.h"
#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "core/Paths.h"

namespace spinwave {

namespace {

// --- What a language reaches -----------------------------------------------------------------

// Fixed hint keys and the two decks' controls they go to.
struct FixedHint {
  const char* key;
  const char* english;
  const char* left;
  const char* right;
};
const FixedHint kFixedHints[] = {
    {"HintTime", "Click to show the elapsed or the remaining time", "Minutes1", "Minutes2"},
    {"HintTrckBck", "Previous track", "TrackBack1", "TrackBack2"},
    {"HintTrckFrw", "Next track", "TrackForw1", "TrackForw2"},
    {"HintSrchBck", "Search backward", "SearchBack1", "SearchBack2"},
    {"HintSrchFrw", "Search forward", "SearchForw1", "SearchForw2"},
    {"HintSetCue", "Set the cue point", "SetCue1", "SetCue2"},
    {"HintToCue", "Back to the cue point", "ToCue1", "ToCue2"},
    {"HintFade", "Fade in or out", "Fade1", "Fade2"},
    {"HintPitch", "Pitch", "Pitch1", "Pitch2"},
    {"HintPtchTxt", "Pitch in per cent", "PitchInfo1", "PitchInfo2"},
    {"HintVolume", "Volume", "Volume1", "Volume2"},
    {"HintSlider", "Position and cue point", "Slider1", "Slider2"},
    {"HintIntro", "Intro time left", "Intro1", "Intro2"},
    {"HintOutro", "Outro time", "Outro1", "Outro2"},
    {"HintPosition", "Click to jump to a position", "P1Pos", "P2Pos"},
    {"HintEject", "Eject the track", "Eject1", "Eject2"},
    {"HintActive", "The keyboard works on this player", "Active1", "Active2"},
};

// Console controls that get only a hint (<Name>Hint).
const LanguageEntry kConsoleHints[] = {
    {"Talkover", "Talk over the music"},   {"Playlist", "The playlist"},
    {"Break", "Stop after this track"},    {"Shuffle", "Shuffle the playlist"},
    {"XFader", "Crossfader"},              {"ClearV", "Clear the played marks"},
    {"ClearX", "Clear the do-not-play marks"}, {"ClearList", "New playlist"},
    {"OpenList", "Open a playlist"},       {"SaveList", "Save the playlist"},
    {"Jingles", "Jingles"},                {"Setup", "Setup"},
    {"SecSwitch", "Seconds before the end at which automix starts the next track"},
    {"SendInfo", "Send the playing title to the streaming servers"},
    {"ShowLive365", "Live365"},            {"DBGrid", "Database"},
    {"SearchBtn", "Search in the database"}, {"FilterCol", "Column to search in"},
    {"FilterTxt", "Text to search for"},
};

// Controls translated by caption (and hint), per window.
const LanguageEntry kConsoleCaptions[] = {
    {"AutoMixLabel", "seconds"},         {"AutoMix", "Automix"},
    {"OpenInPlayer", "Open in player"},  {"OpenLeftPlayer", "Left player"},
    {"OpenRightPlayer", "Right player"}, {"SegueFinetune", "Automix..."},
    {"FindInDbase", "Find in database"}, {"RemoveX", "Remove mark"},
    {"DontPlay", "Don't play"},          {"DeleteEntry", "Delete entry"},
    {"SearchIt", "Search"},              {"AddToPlaylist", "Add to playlist"},
    {"PreListenTrack", "Pre-listen"},    {"PreListenStop", "Stop pre-listening"},
    {"EditTrack", "Edit track"},         {"DeleteTrack", "Delete track"},
    {"CtrlDatabase", "Database"},        {"CtrlOptions", "Options"},
    {"Information", "Information"},      {"Help", "Help"},
    {"ShutDown", "Shutdown"},            {"AutoCross", "Auto crossfade"},
};
const LanguageEntry kScanCaptions[] = {
    {"EditDatabase", "Database"},  {"Step1", "Step 1"},          {"Step2", "Step 2"},
    {"Step3", "Step 3"},           {"Step4", "Step 4"},          {"AddBtn", "Add"},
    {"SearchBtn", "Search"},       {"EmptyBtn", "Empty database"}, {"UpdateBtn", "Update"},
    {"CloseBtn", "Close"},         {"CancelBtn", "Cancel"},      {"BackBtn", "< Back"},
    {"NextBtn", "Next >"},         {"KeywordBtn", "Keyword"},    {"AddStructBtn", "Add structure"},
    {"BrowseBtn", "Browse..."},    {"RemoveBtn", "Remove"},      {"SubDirs", "Include sub-folders"},
    {"ExactSearch", "Exact time (slow)"},
};
const LanguageEntry kOptionsCaptions[] = {
    {"CancelBtn", "Cancel"},
    {"GeneralOpt", "General"},
    {"OnStartup", "On Startup"},
    {"FullScrMode", "Full screen mode"},
    {"StartMaximized", "Start maximized"},
    {"WinSizeable", "Window sizeable"},
    {"Minimizeable", "Window minimizeable"},
    {"StartMix", "Start automix"},
    {"StartXFader", "Start crossfader"},
    {"ShowBrowser", "Show the folder tree"},
    {"OnPlayback", "Playback"},
    {"ShowHints", "Show hints"},
    {"ShowHintsBar", "Show hints in the status bar"},
    {"OnClose", "On Close"},
    {"SafeClose", "Don't close while a player plays"},
    {"LanguageTxt", "Language:"},
    {"FontTxt", "Font:"},
    {"Translator", "Built-in English"},
    {"UseWinColors", "Use the desktop's colours"},
    {"OutputOpt", "Output"},
    {"CentralOutput", "Only 1 output"},
    {"LeftPlayer", "Left player:"},
    {"RightPlayer", "Right player:"},
    {"ListenPlayer", "Pre-listen player:"},
    {"JinglePlayer", "Jingles player:"},
    {"BuffersizeTxt", "Buffersize:"},
    {"BuffersizeMS", "milliseconds"},
    {"Left", "Left"},
    {"Right", "Right"},
    {"RecordInput", "Talkover from the sound card input"},
    {"PlayersOpt", "Players"},
    {"ExactTime", "Read the exact time when a track is loaded"},
    {"JingleEnabled", "Jingles enabled"},
    {"IntroInTime", "Intro in the time display"},
    {"BlinkTime", "Blink the time in the last 30 seconds"},
    {"ReversePitch", "Reverse the pitch sliders"},
    {"CalculateTime", "Recalculate the time when pitching"},
    {"HWAudio", "Hardware audio (switches DSP off)"},
    {"PitchMax", "Pitch range:"},
    {"DontStart", "Don't start a loaded track"},
    {"TalkVolTxt", "Talkover volume:"},
    {"PlaylistOpt", "Playlist"},
    {"TrackPlayed", "When a track is played"},
    {"DelPlTracks", "Remove it from the playlist"},
    {"UseVMark", "Mark it with \"V\""},
    {"RepeatPl", "Repeat the playlist at its end"},
    {"TrExistPl", "Warn when a track is already in the playlist"},
    {"SortPlaylist", "Playlist columns can be sorted"},
    {"InOutroEnabled", "Show intro and outro"},
    {"BroadcastTime", "Show broadcast start times"},
    {"DatabaseOpt", "Database"},
    {"VisibleFields", "The following fields are visible:"},
    {"ShowFilePath", "Show the file path instead of images"},
    {"CountPlTimes", "Count how often a track is played"},
    {"MouseWheel", "Mousewheel scrolls x rows (0 = a whole page)"},
    {"SecurityOpt", "Security"},
    {"AllSecured", "All edit functions are secured"},
    {"ChangePass", "Change password"},
    {"AdminClose", "Nobody may close the program"},
    {"AddJingleBox", "Add jingle"},
    {"DescriptionTxt", "Description:"},
    {"FileTxt", "File:"},
    {"PlayJingleBtn", "Play"},
    {"AddJingleBtn", "Add"},
    {"ClearBtn", "Clear"},
    {"RemoveJingleBtn", "Remove jingle"},
    {"ShortcutTxt", "Shortcut:"},
    {"SaveDJList", "Save DJ List"},
    {"ShortcutOpt", "Shortcuts"},
    {"DSPActive", "DSP plug-ins active"},
    {"DSPLock", "Keep the DSP window on top"},
    {"Shoutcast", "Streaming encoder active"},
    {"ShoutcastLock", "Keep the encoder window on top"},
    {"SAM2", "Second encoder active"},
    {"InternetOpt", "Internet"},
    {"StreamTitle", "Playing title streaming"},
    {"Live365Ctrl", "Live365 control"},
    {"Title2Web", "Send titles to a web address"},
};
const LanguageEntry kPasswordCaptions[] = {
    {"CancelBtn", "Cancel"},
    {"NewPassword", "Fill in the new password:"},
    {"NewPasswordAgain", "Fill in the new password again:"},
};

// The library columns' check boxes and the texts they take.
const std::pair<const char*, const char*> kFieldBoxes[] = {
    {"ShowAlbum", "DBAlbum"},     {"ShowYear", "DBYear"},     {"ShowComment", "DBComment"},
    {"ShowGenre1", "DBGenre1"},   {"ShowGenre2", "DBGenre2"}, {"ShowTime", "DBTime"},
    {"ShowPlTimes", "DBPlTimes"},
};

// --- The language texts -----------------------------------------------------------------------

std::map<std::string, std::string, std::less<>>& Texts() {
  static std::map<std::string, std::string, std::less<>> texts = [] {
    std::map<std::string, std::string, std::less<>> t;
    for (const LanguageEntry& e : LanguageTextDefaults()) t[e.key] = e.english;
    // Fixed keys whose value a later language falls back on.
    t["FilterNone"] = "None";
    t["FilterAll"] = "All";
    t["Seconds"] = "Seconds";
    return t;
  }();
  return texts;
}

std::string ReplaceLineBreaks(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 1 < value.size() && value[i + 1] == 'R') {
      out += '\n';
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The object called `name` in a window: the window itself or any object under it (menu
// commands are actions).
QObject* Find(QWidget* root, const char* name) {
  if (!root) return nullptr;
  if (root->objectName() == QLatin1String(name)) return root;
  return root->findChild<QObject*>(QString::fromLatin1(name));
}

void SetCaption(QObject* control, const QString& text) {
  if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(QLatin1Char(' ') + text + QLatin1Char(' '));
  } else if (auto* action = qobject_cast<QAction*>(control)) {
    action->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* lamp = qobject_cast<TEMLed*>(control)) {
    lamp->SetCaption(text);  // the auto-crossfade lamp
  } else if (auto* widget = qobject_cast<QWidget*>(control)) {
    // A page of a tab widget shows its caption on its tab.
    auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (tabs && tabs->indexOf(widget) >= 0)
      tabs->setTabText(tabs->indexOf(widget), text);
    else if (widget->isWindow())
      widget->setWindowTitle(text);
    else if (widget->metaObject()->indexOfProperty("text") >= 0)
      widget->setProperty("text", text);
  }
}

void SetToolTip(QObject* control, const QString& hint) {
  if (auto* action = qobject_cast<QAction*>(control))
    action->setToolTip(hint);
  else if (auto* widget = qobject_cast<QWidget*>(control))
    widget->setToolTip(hint);
}

QString ToolTipOf(QObject* control) {
  if (auto* action = qobject_cast<QAction*>(control)) return action->toolTip();
  if (auto* widget = qobject_cast<QWidget*>(control)) return widget->toolTip();
  return {};
}

}  // namespace

const std::vector<LanguageEntry>& LanguageTextDefaults() {
  static const std::vector<LanguageEntry> texts = {
      {"TotalPlay", "Total playingtime"},
      {"SaveBtn", "Save"},
      {"TracksDB", "tracks in database"},
      {"DBArtist", "Artist"},
      {"DBTitle", "Title"},
      {"DBAlbum", "Album"},
      {"DBYear", "Year"},
      {"DBComment", "Comment"},
      {"DBGenre1", "Genre 1"},
      {"DBGenre2", "Genre 2"},
      {"DBTime", "Time"},
      {"DBPlTimes", "Played times"},
      {"DelDataTitl", "Delete?"},
      {"DelDataText", "Delete %n from the database?"},
      {"FileDoesntExist", "doesn't exist!"},
      {"CantClose", "Can't close unless both players are stopped!"},
      {"PlayMixErr",
       "Automix is ON, so tracks are loaded automatically!\nJust drag the file to the wright "
       "position."},
      {"LoadTrackErr",
       "Track can't be loaded!\nPlayer(s) not on \"stop\".\n\nPut a player on \"stop\" to load a "
       "track there."},
      {"TrackLoadedErr", "Track is already in player %P!"},
      {"TrackInPlaylist", "Track already in playlist!\n\nAdd it again?"},
      {"EmptyDataTitl", "Empty database?"},
      {"EmptyDataText", "Are you really sure to empty the database?"},
      {"ErrorScanTitl", "Wrong file"},
      {"ErrorScanText",
       "is fully analysed but...\nprobably it's no MPeg file, or it's damaged!\n\nIt won't be "
       "added to the database!"},
      {"FinishScanTitl", "Finished scanning"},
      {"FinishScanText", "Finished scanning of directory"},
      {"ScanInfoText1", "Searching MP3's in:"},
      {"ScanInfoText2", "Adding in database:"},
      {"DelJingleTitl", "Delete jingle"},
      {"DelJingleText", "Do you really want to delete %j from the jingle list?"},
  };
  return texts;
}

std::string LangText(std::string_view key) {
  auto& texts = Texts();
  const auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}

void ResetLanguageTexts() {
  auto& texts = Texts();
  for (const LanguageEntry& e : LanguageTextDefaults()) texts[e.key] = e.english;
  texts["FilterNone"] = "None";
  texts["FilterAll"] = "All";
  texts["Seconds"] = "Seconds";
}

const std::vector<LanguageEntry>& EnglishLanguageTable() {
  static const std::vector<LanguageEntry> table = [] {
    std::vector<LanguageEntry> t;
    std::map<std::string, bool> seen;
    auto add = [&](const char* key, const char* english) {
      if (seen.emplace(key, true).second) t.push_back({key, english});
    };
    add("VersionCheck", "2.2.0");
    add("FilterNone", "None");
    add("FilterAll", "All");
    add("Seconds", "Seconds");
    for (const FixedHint& h : kFixedHints) add(h.key, h.english);
    static std::vector<std::string> hintKeys;  // the table keeps plain pointers
    if (hintKeys.empty())
      for (const LanguageEntry& e : kConsoleHints) hintKeys.push_back(std::string(e.key) + "Hint");
    for (size_t i = 0; i < hintKeys.size(); ++i) add(hintKeys[i].c_str(), kConsoleHints[i].english);
    for (const LanguageEntry& e : kConsoleCaptions) add(e.key, e.english);
    for (const LanguageEntry& e : kScanCaptions) add(e.key, e.english);
    for (const LanguageEntry& e : kOptionsCaptions) add(e.key, e.english);
    for (const LanguageEntry& e : kPasswordCaptions) add(e.key, e.english);
    add("ScanInfo", "Scanning");
    for (const LanguageEntry& e : LanguageTextDefaults()) add(e.key, e.english);
    return t;
  }();
  return table;
}

std::vector<std::string> MissingLanguageKeys(const std::string& fileName) {
  TLanguageFile file;
  file.Load(fileName);
  std::vector<std::string> missing;
  for (const LanguageEntry& e : EnglishLanguageTable()) {
    const std::string prefix = std::string(e.key) + "=";
    bool found = false;
    for (const std::string& line : file.Lines())
      if (line.compare(0, prefix.size(), prefix) == 0) {
        found = true;
        break;
      }
    if (!found) missing.push_back(e.key);
  }
  return missing;
}

// --- TLanguageFile ----------------------------------------------------------------------------

bool TLanguageFile::Load(const std::string& fileName) {
  lines_.clear();
  std::string text;
  if (!ReadWholeFile(fileName, text)) return false;
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // BOM
  lines_ = SplitLines(text);
  return true;
}

std::string TLanguageFile::Lookup(std::string_view key, std::string_view fallback) const {
  for (const std::string& line : lines_)
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=')
      return ReplaceLineBreaks(std::string_view(line).substr(key.size() + 1));
  return std::string(fallback);
}

bool TLanguageFile::LookupHint(std::string_view key, std::string& hint) const {
  for (const std::string& line : lines_)
    if (line.compare(0, key.size(), key) == 0) {
      hint = line.size() > key.size() + 1 ? line.substr(key.size() + 1) : std::string();
      return true;
    }
  return false;
}

bool TLanguageFile::TranslateControl(QObject* control) const {
  if (!control || control->objectName().isEmpty()) return false;
  const std::string name = control->objectName().toStdString();
  const std::string marker = "\x01";  // no line holds it: tells "absent" from an empty value
  const std::string caption = Lookup(name, marker);
  const bool found = caption != marker;
  if (found) SetCaption(control, Q(caption));
  SetHint(control, nullptr, {});
  return found;
}

bool TLanguageFile::SetHint(QObject* control, QObject* second, std::string_view key) const {
  if (!control) return false;
  const std::string k = key.empty() ? control->objectName().toStdString() + "Hint" : std::string(key);
  std::string hint;
  if (!LookupHint(k, hint)) return false;
  SetToolTip(control, Q(hint));
  if (second) SetToolTip(second, Q(hint));
  return true;
}

// --- TLanguage --------------------------------------------------------------------------------

std::string TLanguage::FileOf(const QString& name) {
  if (name.isEmpty()) return {};
  return FindSharedFile(name.toStdString() + ".lng");
}

QStringList TLanguage::Names() {
  QStringList names;
  QStringList folders = {Q(ProgramFolder())};
  for (const std::string& base : SharedFolders()) folders << Q(base);
  for (const QString& folder : folders)
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files)) {
      if (!f.fileName().endsWith(QStringLiteral(".lng"), Qt::CaseInsensitive)) continue;
      const QString stem = f.fileName().chopped(4);
      if (!names.contains(stem, Qt::CaseInsensitive)) names << stem;
    }
  names.sort(Qt::CaseInsensitive);
  return names;
}

bool TLanguage::Apply(const QString& name, const LanguageForms& forms) {
  problem_.clear();
  const std::string path = FileOf(name);
  if (path.empty()) return false;
  TLanguageFile file;
  if (!file.Load(path)) {
    problem_ = QStringLiteral("The language file %1 could not be read.").arg(Q(path));
    return false;
  }
  if (file.Lookup("VersionCheck", "0") != "2.2.0")
    ShowMessage("Language file is older, some functions aren't translated!");

  // Hints of both decks' controls; the seconds displays take the minutes display's.
  for (const FixedHint& h : kFixedHints)
    file.SetHint(Find(forms.console, h.left), Find(forms.console, h.right), h.key);
  if (QObject* minutes = Find(forms.console, "Minutes1")) {
    const QString hint = ToolTipOf(minutes);
    for (const char* seconds : {"Seconds1", "Seconds2"})
      if (QObject* s = Find(forms.console, seconds)) SetToolTip(s, hint);
  }
  for (const LanguageEntry& e : kConsoleHints)
    file.SetHint(Find(forms.console, e.key), nullptr, std::string(e.key) + "Hint");

  for (const LanguageEntry& e : kConsoleCaptions) file.TranslateControl(Find(forms.console, e.key));
  for (const LanguageEntry& e : kScanCaptions) file.TranslateControl(Find(forms.libraryScan, e.key));
  for (const LanguageEntry& e : kOptionsCaptions) file.TranslateControl(Find(forms.options, e.key));

  if (forms.changePassword) {
    QString caption;
    if (auto* button = qobject_cast<QAbstractButton*>(Find(forms.options, "ChangePass")))
      caption = button->text();
    else
      caption = Q(file.Lookup("ChangePass", forms.changePassword->windowTitle().toStdString()));
    forms.changePassword->setWindowTitle(caption);
    for (const LanguageEntry& e : kPasswordCaptions)
      file.TranslateControl(Find(forms.changePassword, e.key));
  }
  file.TranslateControl(Find(forms.scanInfo, "ScanInfo"));

  auto& texts = Texts();
  for (const LanguageEntry& e : LanguageTextDefaults()) texts[e.key] = file.Lookup(e.key, texts[e.key]);

  if (QObject* grid = Find(forms.console, "DBGrid")) emit LibraryNodeNameChanged(ToolTipOf(grid));
  emit ScanMenuChanged(Q(texts["DBArtist"]), Q(texts["DBTitle"]));

  texts["FilterNone"] = file.Lookup("FilterNone", texts["FilterNone"]);
  texts["FilterAll"] = file.Lookup("FilterAll", texts["FilterAll"]);
  emit FilterColumnsChanged({Q(texts["FilterNone"]), Q(texts["FilterAll"]), Q(texts["DBArtist"]),
                             Q(texts["DBTitle"]), Q(texts["DBAlbum"])});

  for (const auto& [box, text] : kFieldBoxes)
    if (auto* b = qobject_cast<QAbstractButton*>(Find(forms.options, box))) b->setText(Q(texts[text]));

  emit LayoutChanged();

  texts["Seconds"] = file.Lookup("Seconds", texts["Seconds"]);
  QStringList fade;
  for (int n = 1; n <= 20; ++n) fade << QString::number(n) + QLatin1Char(' ') + Q(texts["Seconds"]);
  emit FadeMenuChanged(fade);
  return true;
}

}  // namespace spinwave
