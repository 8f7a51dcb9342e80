#include "app/SkinFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include "app/LanguageFile.h"
#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"
#include "core/SettingsFile.h"

namespace spinwave {

namespace {

struct PositionDefault {
  const char* section;
  const char* key;
  int top, left, width, height;  // width < 0: not sized
};

const PositionDefault kPositions[] = {
    {"Players", "Talkover", 16, 373, -1, -1},   {"Players", "Talking", 2, 374, -1, -1},
    {"Players", "Artist1", 10, 78, 149, 13},    {"Players", "Title1", 22, 78, 149, 13},
    {"Players", "Intro1", 44, 80, 21, 13},      {"Players", "Outro1", 58, 80, 21, 13},
    {"Players", "PitchInfo1", 8, 238, 42, 13},  {"Players", "Pitch1", 9, 292, 29, 121},
    {"Players", "P1Pos", 81, 30, 165, 9},       {"Players", "Slider1", 94, 31, 163, 17},
    {"Players", "VU1L", 13, 337, 8, 101},       {"Players", "Volume1", 13, 346, 17, 101},
    {"Players", "VU1R", 13, 364, 8, 101},       {"Players", "Eject1", 7, 39, -1, -1},
    {"Players", "Active1", 48, 39, -1, -1},     {"Players", "Time1", 48, 109, -1, -1},
    {"Players", "PitchDown1", 38, 238, -1, -1}, {"Players", "PitchUp1", 38, 262, -1, -1},
    {"Players", "Stop1", 81, 202, -1, -1},      {"Players", "Play1", 81, 245, -1, -1},
    {"Players", "SetCue1", 118, 32, -1, -1},    {"Players", "ToCue1", 118, 73, -1, -1},
    {"Players", "SearchBack1", 118, 114, -1, -1}, {"Players", "SearchForw1", 118, 155, -1, -1},
    {"Players", "TrackBack1", 118, 202, -1, -1}, {"Players", "TrackForw1", 118, 245, -1, -1},
    {"Players", "Fade1", 118, 337, -1, -1},
    {"Players", "Artist2", 10, 488, 149, 13},   {"Players", "Title2", 22, 488, 149, 13},
    {"Players", "Intro2", 44, 490, 21, 13},     {"Players", "Outro2", 58, 490, 21, 13},
    {"Players", "PitchInfo2", 8, 647, 42, 13},  {"Players", "Pitch2", 9, 701, 29, 121},
    {"Players", "P2Pos", 81, 439, 165, 9},      {"Players", "Slider2", 94, 440, 163, 17},
    {"Players", "VU2L", 13, 387, 8, 101},       {"Players", "Volume2", 13, 396, 17, 101},
    {"Players", "VU2R", 13, 414, 8, 101},       {"Players", "Eject2", 7, 448, -1, -1},
    {"Players", "Active2", 48, 448, -1, -1},    {"Players", "Time2", 48, 519, -1, -1},
    {"Players", "PitchDown2", 38, 647, -1, -1}, {"Players", "PitchUp2", 38, 671, -1, -1},
    {"Players", "Stop2", 81, 611, -1, -1},      {"Players", "Play2", 81, 654, -1, -1},
    {"Players", "SetCue2", 118, 441, -1, -1},   {"Players", "ToCue2", 118, 482, -1, -1},
    {"Players", "SearchBack2", 118, 523, -1, -1}, {"Players", "SearchForw2", 118, 564, -1, -1},
    {"Players", "TrackBack2", 118, 611, -1, -1}, {"Players", "TrackForw2", 118, 654, -1, -1},
    {"Players", "Fade2", 118, 386, -1, -1},
    {"AudioCtrl", "CrossSlider", 6, 325, 109, 35}, {"AudioCtrl", "AutoCross", 42, 325, -1, -1},
};

// Positions beyond these are absurd for a panel of a few hundred pixels: a typing error, not a
// design.
constexpr int kMaxCoordinate = 4000;
constexpr int kMaxSize = 4000;

struct PictureKey {
  const char* key;
  const char* target;
};
const PictureKey kPictures[] = {
    {"MP3Icon", "LibraryIcon:0"},      {"OGGIcon", "LibraryIcon:1"},
    {"WAVIcon", "LibraryIcon:2"},      {"LeftIcon", "PlaylistIcon:0"},
    {"RightIcon", "PlaylistIcon:1"},   {"PlayedIcon", "PlaylistIcon:2"},
    {"NotPlayIcon", "PlaylistIcon:3"}, {"PlayersPanel", "PlayersPanel"},
    {"AudioCtrlPanel", "AudioCtrlPanel"}, {"TalkBtn", "Talkover:off"},
    {"CuePointThumb", "Slider1:thumb"}, {"VolumeThumb", "Volume1:thumb"},
    {"PitchThumb", "Pitch1:thumb"},    {"StopButtonOn", "Stop1:on"},
    {"StopButtonOff", "Stop1:off"},    {"PlayButtonOn", "Play1:on"},
    {"PlayButtonOff", "Play1:off"},    {"TrackBButton", "TrackBack1:off"},
    {"TrackFButton", "TrackForw1:off"}, {"SetButton", "SetCue1:off"},
    {"CueButton", "ToCue1:off"},       {"CuePosBButton", "SearchBack1:off"},
    {"CuePosFButton", "SearchForw1:off"}, {"FadeButton", "Fade1:off"},
    {"PitchDownButton", "PitchDown1:off"}, {"PitchUpButton", "PitchUp1:off"},
    {"EjectButton", "Eject1:off"},     {"BreakBtnOn", "Break:on"},
    {"BreakBtnOff", "Break:off"},      {"ShuffleBtnOn", "Shuffle:off"},
    {"ShuffleBtn", "Shuffle:off"},     {"XFaderBtnOn", "XFader:on"},
    {"XFaderBtnOff", "XFader:off"},    {"ClearVBtn", "ClearV:off"},
    {"ClearXBtn", "ClearX:off"},       {"NewListBtn", "ClearList:off"},
    {"OpenListBtn", "OpenList:off"},   {"SaveListBtn", "SaveList:off"},
    {"JinglesBtn", "Jingles:off"},     {"SetupBtn", "Setup:off"},
    {"StreamBtnOn", "SendInfo:on"},    {"StreamBtnOff", "SendInfo:off"},
    {"Live365Btn", "ShowLive365:off"},
};

struct ColourDefault {
  const char* key;
  const char* value;
};
const ColourDefault kColours[] = {
    {"StopBtnLightColor", "B5636B"},    {"StopBtnShadeColor", "4A2626"},
    {"PlayBtnLightColor", "509550"},    {"PlayBtnShadeColor", "233F23"},
    {"TrackBBtnLightClr", "737373"},    {"TrackBBtnShadeClr", "212121"},
    {"TrackFBtnLightClr", "737373"},    {"TrackFBtnShadeClr", "212121"},
    {"SetCueBtnLightClr", "737373"},    {"SetCueBtnShadeClr", "212121"},
    {"ToCueBtnLightClr", "737373"},     {"ToCueBtnShadeClr", "212121"},
    {"CuePosBBtnLightClr", "737373"},   {"CuePosBBtnShadeClr", "212121"},
    {"CuePosFBtnLightClr", "737373"},   {"CuePosFBtnShadeClr", "212121"},
    {"FadeBtnLightClr", "737373"},      {"FadeBtnShadeClr", "212121"},
    {"PitchDownBtnLightClr", "737373"}, {"PitchDownBtnShadeClr", "212121"},
    {"PitchUpBtnLightClr", "737373"},   {"PitchUpBtnShadeClr", "212121"},
    {"EjectBtnLightClr", "FFFFFF"},     {"EjectBtnShadeClr", "7D7D7D"},
    {"TalkBtnLightClr", "737373"},      {"TalkBtnShadeClr", "212121"},
    {"BreakBtnLightClr", "DDDDDD"},     {"BreakBtnShadeClr", "434343"},
    {"ShuffleBtnLightClr", "DDDDDD"},   {"ShuffleBtnShadeClr", "434343"},
    {"XFaderBtnLightClr", "DDDDDD"},    {"XFaderBtnShadeClr", "434343"},
    {"ClearVBtnLightClr", "DDDDDD"},    {"ClearVBtnShadeClr", "434343"},
    {"ClearXBtnLightClr", "DDDDDD"},    {"ClearXBtnShadeClr", "434343"},
    {"NewListBtnLightClr", "DDDDDD"},   {"NewListBtnShadeClr", "434343"},
    {"OpenListBtnLightClr", "DDDDDD"},  {"OpenListBtnShadeClr", "434343"},
    {"SaveListBtnLightClr", "DDDDDD"},  {"SaveListBtnShadeClr", "434343"},
    {"JinglesBtnLightClr", "DDDDDD"},   {"JinglesBtnShadeClr", "434343"},
    {"SetupBtnLightClr", "DDDDDD"},     {"SetupBtnShadeClr", "434343"},
    {"StreamBtnLightClr", "DDDDDD"},    {"StreamBtnShadeClr", "434343"},
    {"Live365BtnLightClr", "DDDDDD"},   {"Live365BtnShadeClr", "434343"},
    {"PosLedColorHi", "FF0000"},        {"PosLedColorMid", "FFBA00"},
    {"PosLedColorLow", "00FF00"},       {"VULedColorHi", "FF0000"},
    {"VULedColorMid", "FFBA00"},        {"VULedColorLow", "00FF00"},
    {"TimeOnColor", "3F5871"},          {"TimeOffColor", "93C8FD"},
    {"AutoXFadeColor", "93C8FD"},       {"FormColor", "000000"},
    {"FormTextColor", "86B7E7"},        {"ListColor", "000000"},
    {"ListTextColor", "FFFF00"},        {"ListArrowColor", "00FF00"},
    {"ListFixedColor", "000084"},       {"ListFixedTextColor", "00FF00"},
    {"ListSelectTextColor", "FFFFFF"},  {"ListSelectBgColor", "505000"},
};

QColor ColourOf(int value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// "top,left[,width,height]" → rect; false when the numbers do not fit the control.
bool ParsePosition(const std::string& text, bool sized, QRect& rect, std::string& why) {
  std::vector<int64_t> numbers;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    int64_t n = 0;
    if (!ParseStrictInteger(std::string_view(text).substr(start, comma - start), n)) {
      why = "is not a list of whole numbers";
      return false;
    }
    numbers.push_back(n);
    start = comma + 1;
  }
  const size_t needed = sized ? 4 : 2;
  if (numbers.size() < needed) {
    why = sized ? "needs top,left,width,height" : "needs top,left";
    return false;
  }
  const int64_t top = numbers[0], left = numbers[1];
  if (top < 0 || left < 0 || top > kMaxCoordinate || left > kMaxCoordinate) {
    why = "lies outside the panel";
    return false;
  }
  int64_t width = rect.width(), height = rect.height();
  if (sized) {
    width = numbers[2];
    height = numbers[3];
    if (width < 1 || height < 1 || width > kMaxSize || height > kMaxSize) {
      why = "has an impossible size";
      return false;
    }
  }
  rect = QRect(int(left), int(top), int(width), int(height));
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() ? ProgramFolder() + name : folder + name;
}

}  // namespace

QRect SkinDescription::PositionOf(const std::string& key) const {
  for (const SkinPosition& p : positions)
    if (key == p.key) return p.rect;
  return {};
}

QImage SkinDescription::PictureFor(const std::string& target) const {
  QImage found;
  for (const SkinPicture& p : pictures)
    if (target == p.target) found = p.image;
  return found;
}

QColor SkinDescription::Colour(const std::string& key) const {
  const auto it = colours.find(key);
  return it == colours.end() ? QColor() : it->second;
}

QImage SkinDescription::BackgroundUnder(const QRect& rect, bool audioPanel) const {
  const QImage panel = PictureFor(audioPanel ? "AudioCtrlPanel" : "PlayersPanel");
  if (panel.isNull()) return {};
  const QRect part = rect.intersected(panel.rect());
  return part.isEmpty() ? QImage() : panel.copy(part);
}

QPoint TimeDisplayPlace(const QRect& timePoint, int part) {
  const int t = timePoint.top(), l = timePoint.left();
  switch (part) {
    case 1: return QPoint(l + 57, t);
    case 2: return QPoint(l + 94, t + 13);
    case 3: return QPoint(l + 45, t - 8);
    default: return QPoint(l, t);
  }
}

int SkinColourValue(const std::string& text) {
  if (text.size() != 6) return -1;
  int rgb = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return -1;
    rgb = rgb * 16 + digit;
  }
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return (b << 16) | (g << 8) | r;
}

SkinDescription ReadSkin(const std::string& folder, TSettingsFile& settings) {
  SkinDescription skin;
  skin.folder = folder;
  auto problem = [&](const std::string& text) { skin.problems << QString::fromStdString(text); };

  // 1. Positions through the settings object, pointed back afterwards whatever happens.
  const std::string own = settings.GetFileName();
  settings.SetFileName(folder.empty() ? std::string("pos.ini") : folder + "pos.ini");
  for (const PositionDefault& d : kPositions) {
    const bool sized = d.width >= 0;
    SkinPosition p{d.section, d.key, QRect(d.left, d.top, sized ? d.width : 0, sized ? d.height : 0), sized};
    const std::string fallback = "\x01";
    const std::string text = settings.ReadString(d.section, d.key, fallback);
    if (text != fallback) {
      QRect rect = p.rect;
      std::string why;
      if (ParsePosition(text, sized, rect, why))
        p.rect = rect;
      else
        problem("pos.ini: " + std::string(d.key) + "=" + text + " " + why + "; the built-in place is used");
    }
    skin.positions.push_back(p);
  }
  settings.SetFileName(own);

  // 2. skin.ini, looked up like a language file.
  TLanguageFile lines;
  const std::string skinIni = JoinPath(folder, "skin.ini");
  if (FileExists(skinIni) && !lines.Load(skinIni)) problem("skin.ini could not be read");

  // 3. Pictures that exist and read as pictures.
  const std::string none = "\x01";
  for (const PictureKey& k : kPictures) {
    const std::string name = lines.Lookup(k.key, none);
    if (name == none || name.empty()) continue;
    const std::string path = JoinPath(folder, name);
    if (!FileExists(path)) {
      problem("skin.ini: " + std::string(k.key) + " names " + name + ", which is missing");
      continue;
    }
    QImageReader reader(QString::fromStdString(path));
    QImage image = reader.read();
    if (image.isNull()) {
      problem("skin.ini: " + name + " (" + k.key + ") is not a picture that can be read");
      continue;
    }
    skin.pictures.push_back({k.key, k.target, image});
  }

  // 4. Colours and meter sizes.
  for (const ColourDefault& c : kColours) {
    const std::string text = lines.Lookup(c.key, c.value);
    int value = SkinColourValue(text);
    if (value < 0) {
      problem("skin.ini: " + std::string(c.key) + "=" + text + " is not a colour (RRGGBB)");
      value = SkinColourValue(c.value);
    }
    skin.colours[c.key] = ColourOf(value);
  }
  for (auto [key, size] : {std::pair{"VULedSize", &skin.vuLedSize}, std::pair{"PosLedSize", &skin.posLedSize}}) {
    const std::string text = lines.Lookup(key, "4");
    int64_t n = 0;
    if (!ParseStrictInteger(text, n)) {
      problem("skin.ini: " + std::string(key) + "=" + text + " is not a number");
      n = 4;
    }
    *size = int(n < 3 ? 3 : n > 5 ? 5 : n);
  }
  return skin;
}

std::string SkinFolderOf(const QString& name) {
  if (name.isEmpty() || name == QLatin1String("<Default>")) return {};
  const std::string own = ProgramFolder() + "skins/" + name.toStdString() + "/";
  if (DirectoryExists(own)) return own;
  for (const std::string& base : SharedFolders())
    if (DirectoryExists(base + "skins/" + name.toStdString())) return base + "skins/" + name.toStdString() + "/";
  return {};
}

QStringList SkinNames() {
  QStringList names;
  QStringList folders = {QString::fromStdString(ProgramFolder() + "skins")};
  for (const std::string& base : SharedFolders()) folders << QString::fromStdString(base + "skins");
  for (const QString& folder : folders)
    for (const QString& n : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      if (!names.contains(n, Qt::CaseInsensitive)) names << n;
  names.sort(Qt::CaseInsensitive);
  return names;
}

}  // namespace spinwave
