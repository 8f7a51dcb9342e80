#include "core/LanguageTexts.h"

#include <map>

namespace spinwave {

namespace {

// Fixed keys besides the message table whose value a later language falls back on.
const LanguageEntry kFixedWords[] = {
    {"FilterNone", "None"}, {"FilterAll", "All"}, {"Seconds", "Seconds"}, {"Second", "second"}};

std::map<std::string, std::string, std::less<>>& Texts() {
  static std::map<std::string, std::string, std::less<>> texts = [] {
    std::map<std::string, std::string, std::less<>> t;
    for (const LanguageEntry& e : LanguageTextDefaults()) t[e.key] = e.english;
    for (const LanguageEntry& e : kFixedWords) t[e.key] = e.english;
    return t;
  }();
  return texts;
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
      // The access lock's messages.
      {"PasswordWrong", "Password wrong"},
      {"PasswordShort", "The password must atleast contain 4 characters!"},
      {"PasswordNotSame", "The new password is NOT wright!"},
  };
  return texts;
}

std::string LangText(std::string_view key) {
  auto& texts = Texts();
  const auto it = texts.find(key);
  return it == texts.end() ? std::string() : it->second;
}

void SetLangText(std::string_view key, std::string value) {
  Texts()[std::string(key)] = std::move(value);
}

void ResetLanguageTexts() {
  auto& texts = Texts();
  for (const LanguageEntry& e : LanguageTextDefaults()) texts[e.key] = e.english;
  for (const LanguageEntry& e : kFixedWords) texts[e.key] = e.english;
}

}  // namespace spinwave
