#include "app/LanguageFile.h"

#include <map>

#include <QAbstractButton>
#include <QAction>
#include <QFontMetrics>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include "app/PanelArt.h"
#include "controls/TEMButton.h"
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
    {"OpenInPlayer", "Open in a player   (Dubbleclick)"},  {"OpenLeftPlayer", "Open in left player"},
    {"OpenRightPlayer", "Open in right player"}, {"SegueFinetune", "Automix finetune"},
    {"FindInDbase", "Find in database"}, {"RemoveX", "Remove X mark"},
    {"DontPlay", "Don't play track"},          {"DeleteEntry", "Remove track(s)"},
    {"SearchIt", "Search"},              {"AddToPlaylist", "Add to playlist"},
    {"PreListenTrack", "Pre-listen"},    {"PreListenStop", "Stop pre-listening"},
    {"EditTrack", "Edit track"},         {"DeleteTrack", "Delete track"},
    {"CtrlDatabase", "Database"},        {"CtrlOptions", "Options"},
    {"Information", "Information"},      {"Help", "Help"},
    {"ShutDown", "Shutdown"},            {"AutoCross", "Crossfade automatic"},
    // The console's own commands besides those above.
    {"OpenInPreListen", "Open in pre-listen player"}, {"Dockplayers", "Dock players"},
    {"FadeSub", "Fade..."},               {"OnScreenKeyboard", "On-screen keyboard"},
    // The console buttons whose captions are drawn into them.
    {"Setup", "SETUP"},      {"Jingles", "JINGLES"},   {"SendInfo", "SEND INFO"},
    {"ClearList", "NEW"},    {"OpenList", "OPEN"},     {"SaveList", "SAVE"},
    {"ClearV", "CLEAR V"},   {"ClearX", "CLEAR X"},    {"Shuffle", "SHUFFLE"},
    {"XFader", "X-FADER"},
};
const LanguageEntry kScanCaptions[] = {
    {"EditDatabase", "Database"},  {"Step1", "Step 1"},          {"Step2", "Step 2"},
    {"Step3", "Step 3"},           {"Step4", "Step 4"},          {"AddBtn", "Add"},
    {"SearchBtn", "Search && Add"},       {"EmptyBtn", "Empty database"}, {"UpdateBtn", "Update"},
    {"CloseBtn", "Close"},         {"CancelBtn", "Cancel"},      {"BackBtn", "Back"},
    {"NextBtn", "Next"},         {"KeywordBtn", "Keyword"},    {"AddStructBtn", "Add"},
    {"BrowseBtn", "Browse..."},    {"RemoveBtn", "Remove"},      {"SubDirs", "Include subdirectories"},
    {"ExactSearch", "Get exact timelength"},
};
const LanguageEntry kOptionsCaptions[] = {
    {"CancelBtn", "Cancel"},
    {"GeneralOpt", "General"},
    {"OnStartup", "On Startup"},
    {"FullScrMode", "Full screen mode"},
    {"StartMaximized", "Start maximized"},
    {"WinSizeable", "Window can be sized"},
    {"Minimizeable", "Window can be minimized"},
    {"StartMix", "Start with automix on"},
    {"StartXFader", "Start with the crossfader on"},
    {"ShowBrowser", "Show the folder tree"},
    {"OnPlayback", "Playback"},
    {"ShowHints", "Show hints"},
    {"ShowHintsBar", "Show hints in the status bar"},
    {"OnClose", "On Close"},
    {"SafeClose", "Don't close while a player plays"},
    {"LanguageTxt", "Language:"},
    {"FontTxt", "Font:"},
    {"Translator", ""},
    {"UseWinColors", "Use the desktop's colours"},
    {"OutputOpt", "Output"},
    {"CentralOutput", "Only 1 output"},
    {"LeftPlayer", "Left player:"},
    {"RightPlayer", "Right player:"},
    {"ListenPlayer", "Pre-listen player:"},
    {"JinglePlayer", "Jingles player:"},
    {"BuffersizeTxt", "Buffer:"},
    {"BuffersizeMS", "milliseconds"},
    {"Left", "Left"},
    {"Right", "Right"},
    {"RecordInput", "Talkover from the input:"},
    {"PlayersOpt", "Players"},
    {"ExactTime", "Exact track length when opening (slower)"},
    {"JingleEnabled", "Jingles (after a restart)"},
    {"IntroInTime", "Intro in the time display"},
    {"BlinkTime", "Blink the time at the end of a track"},
    {"ReversePitch", "Reverse pitch slider"},
    {"CalculateTime", "Time follows the pitch"},
    {"HWAudio", "Hardware audio (turns DSP off)"},
    {"PitchMax", "Pitch range:"},
    {"DontStart", "Don't start a loaded track"},
    {"TalkVolTxt", "Music during talkover:"},
    {"PlaylistOpt", "Playlist"},
    {"TrackPlayed", "When a track is played"},
    {"DelPlTracks", "Remove it from the playlist"},
    {"UseVMark", "Mark it with a V"},
    {"RepeatPl", "Repeat the playlist at its end"},
    {"TrExistPl", "Warn when a track is already in the playlist"},
    {"SortPlaylist", "Playlist columns can be sorted"},
    {"InOutroEnabled", "Show intro and outro"},
    {"BroadcastTime", "Show broadcast start times"},
    {"DatabaseOpt", "Database"},
    {"VisibleFields", "The following fields are visible:"},
    {"ShowFilePath", "Show the file path instead of pictures"},
    {"CountPlTimes", "Count how often a track is played"},
    {"MouseWheel", "Mousewheel scrolls"},
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
    {"Shoutcast", "Streaming encoder active (dsp_sc)"},
    {"ShoutcastLock", "Keep the encoder window on top"},
    {"SAM2", "Second encoder active (dsp_encoders)"},
    {"InternetOpt", "Internet"},
    {"StreamTitle", "Playing title streaming"},
    {"Live365Ctrl", "Live365 control"},
    {"Title2Web", "Title to web address:"},
};
// Windows of their own translated by name when they are made (ApplyLanguage(QWidget*)).
const LanguageEntry kOtherWindowCaptions[] = {
    {"Password", "Security"},
    {"PasswordTxt", "Fill in the password:"},
    {"TouchBoard", "Virtual Keyboard"},
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
  } else if (auto* menu = qobject_cast<QMenu*>(control)) {
    menu->setTitle(text);  // a submenu's caption is its entry in the parent menu
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
  } else if (auto* button = qobject_cast<TEMButton*>(control);
             button && button->property("textGlyph").toBool()) {
    // A console button whose caption is drawn into its glyphs: drawn again, wider when the
    // caption needs it so that it is never cut.
    QSize size = button->GetSwitchGlyph(0).size();
    QFont font = button->font();
    font.setPixelSize(10);
    font.setBold(true);
    size.setWidth(std::max(size.width(), QFontMetrics(font).horizontalAdvance(text) + 10));
    button->SetGlyphOff(art::Glyph(art::Symbol::Text, size, false, art::kAccent, text));
    button->SetGlyphOn(art::Glyph(art::Symbol::Text, size, true, art::kAccent, text));
    button->updateGeometry();
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

// The caption and hint steps of the language for the windows in `forms` (the console's fixed
// hints, the captions of each window's controls, the options dialog's column boxes).
void TranslateForms(const TLanguageFile& file, const LanguageForms& forms) {
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

  for (const auto& [box, text] : kFieldBoxes)
    if (auto* b = qobject_cast<QAbstractButton*>(Find(forms.options, box))) b->setText(Q(LangText(text)));
}

// The file of the language applied last ("" before any).
std::string& CurrentLanguageFile() {
  static std::string path;
  return path;
}
QString& CurrentLanguageName() {
  static QString name;
  return name;
}

}  // namespace

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
    add("Second", "second");
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
    for (const LanguageEntry& e : kOtherWindowCaptions) add(e.key, e.english);
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

  TranslateForms(file, forms);

  for (const LanguageEntry& e : LanguageTextDefaults())
    SetLangText(e.key, file.Lookup(e.key, LangText(e.key)));

  if (QObject* grid = Find(forms.console, "DBGrid")) emit LibraryNodeNameChanged(ToolTipOf(grid));
  emit ScanMenuChanged(Q(LangText("DBArtist")), Q(LangText("DBTitle")));

  for (const char* word : {"FilterNone", "FilterAll"}) SetLangText(word, file.Lookup(word, LangText(word)));
  emit FilterColumnsChanged({Q(LangText("FilterNone")), Q(LangText("FilterAll")),
                             Q(LangText("DBArtist")), Q(LangText("DBTitle")),
                             Q(LangText("DBAlbum"))});

  // The library column boxes of the options dialog take the texts just read.
  TranslateForms(TLanguageFile(), LanguageForms{nullptr, nullptr, forms.options, nullptr, nullptr});

  emit LayoutChanged();

  // The first entry takes the singular ("1 second") where the file gives one, else the plural
  // word of the file, so that no entry stays in the language before.
  const std::string none = "\x01";
  const std::string plural = file.Lookup("Seconds", none);
  if (plural != none) SetLangText("Seconds", plural);
  SetLangText("Second", file.Lookup("Second", plural != none ? plural : LangText("Second")));
  QStringList fade;
  for (int n = 1; n <= 20; ++n)
    fade << QString::number(n) + QLatin1Char(' ') + Q(LangText(n == 1 ? "Second" : "Seconds"));
  emit FadeMenuChanged(fade);
  CurrentLanguageFile() = path;
  CurrentLanguageName() = name;
  return true;
}

QString CurrentLanguage() { return CurrentLanguageName(); }

bool ApplyLanguage(QWidget* window) {
  if (!window || CurrentLanguageFile().empty()) return false;
  TLanguageFile file;
  if (!file.Load(CurrentLanguageFile())) return false;
  const QString name = window->objectName();
  LanguageForms forms;
  if (name == QLatin1String("Options")) {
    forms.options = window;
  } else if (name == QLatin1String("EditDatabase")) {
    forms.libraryScan = window;
  } else if (name == QLatin1String("ScanInfo")) {
    forms.scanInfo = window;
  } else if (name == QLatin1String("ChangePassword")) {
    forms.changePassword = window;
  } else {
    // Any other window: every control the file names by caption or hint.
    file.TranslateControl(window);
    for (QObject* o : window->findChildren<QObject*>())
      if (!o->objectName().isEmpty()) file.TranslateControl(o);
    return true;
  }
  TranslateForms(file, forms);
  return true;
}

}  // namespace spinwave
