// Skins: a folder under skins/ with pos.ini (positions and sizes of the console's deck controls,
// "top,left[,width,height]" under [Players] and [AudioCtrl]), skin.ini (picture file names,
// RRGGBB colours and meter sizes as key=value lines) and the pictures it names (BMP or PNG).
//
// ReadSkin turns a skin folder into a plain description: every position, every colour and both
// meter sizes with the built-in value wherever the skin gives none or one that cannot be used,
// the pictures that loaded, and the problems met on the way. The console applies it to its
// players panel (see docs/shell.md for the order) and shows the first problem in its status bar,
// so a broken skin never leaves the console unusable.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class TSettingsFile;

namespace spinwave {

struct SkinPosition {
  const char* section;  // "Players" or "AudioCtrl"
  const char* key;      // the control's object name ("Play1", "CrossSlider" ...)
  QRect rect;           // left, top and, when `sized`, width and height
  bool sized = false;
};

struct SkinPicture {
  const char* key;     // skin.ini key ("PlayButtonOn" ...)
  const char* target;  // what it styles ("Play1:on", "PlayersPanel", "LibraryIcon:0" ...)
  QImage image;
};

struct SkinDescription {
  std::string folder;                  // the skin folder ("" = the built-in look)
  std::vector<SkinPosition> positions; // every key of the position tables, in table order
  std::vector<SkinPicture> pictures;   // the pictures that loaded, in the order they apply
  std::map<std::string, QColor> colours;  // every colour key
  int vuLedSize = 4;
  int posLedSize = 4;
  QStringList problems;                // what could not be used, in the order met

  // Position of a control (its default when the skin has none); an empty rect for other names.
  QRect PositionOf(const std::string& key) const;
  // The picture that styles `target` last (a later key wins: ShuffleBtn over ShuffleBtnOn);
  // null when none loaded.
  QImage PictureFor(const std::string& target) const;
  QColor Colour(const std::string& key) const;
  // The part of the players-panel picture under a control (a slider or time display drawn into
  // the panel); null without a panel picture. `audioPanel` cuts from the audio-control panel.
  QImage BackgroundUnder(const QRect& rect, bool audioPanel = false) const;
};

// The four places of a deck's time displays from its Time1/Time2 point (top T, left L):
// 0 minutes (T, L), 1 seconds (T, L + 57), 2 fractions (T + 13, L + 94), 3 label (T - 8, L + 45),
// as (left, top) points.
QPoint TimeDisplayPlace(const QRect& timePoint, int part);

// A skin colour text RRGGBB as the settings' colour value 0x00BBGGRR, or -1 when it is not six
// hexadecimal digits.
int SkinColourValue(const std::string& text);

// Reads a skin folder (ending with "/"; "" reads the built-in look: pos.ini under its bare name
// in the settings folder, skin.ini in the program folder). pos.ini is read through `settings`,
// pointed at it for the while and pointed back at its own file afterwards.
SkinDescription ReadSkin(const std::string& folder, TSettingsFile& settings);

// The skin folder of a name ("" for "<Default>"), in the program folder or among the shipped
// skins; "" when neither has it.
std::string SkinFolderOf(const QString& name);
// Names of the skins: folders under skins/ in the program folder and among the shipped files.
QStringList SkinNames();

}  // namespace spinwave
