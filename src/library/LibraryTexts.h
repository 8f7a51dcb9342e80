// The texts the library dialogs, the editor and the browser show. Those a language file may
// replace are named after their language-table key; until the language table is wired in, the
// English defaults below are what the user sees. Keeping them in one place means the language
// table replaces them here and nowhere else.
#pragma once

#include <string>

namespace spinwave::library_texts {

// Language-table texts (key in the comment).
inline const std::string kTracksDB = "tracks in database";                 // TracksDB
inline const std::string kDBArtist = "Artist";                             // DBArtist
inline const std::string kDBTitle = "Title";                               // DBTitle
inline const std::string kDBAlbum = "Album";                               // DBAlbum
inline const std::string kDBYear = "Year";                                 // DBYear
inline const std::string kDBComment = "Comment";                           // DBComment
inline const std::string kDBGenre1 = "Genre 1";                            // DBGenre1
inline const std::string kDBGenre2 = "Genre 2";                            // DBGenre2
inline const std::string kDBTime = "Time";                                 // DBTime
inline const std::string kDBPlTimes = "Played times";                      // DBPlTimes
inline const std::string kDelDataTitl = "Delete?";                         // DelDataTitl
inline const std::string kDelDataText = "Delete %n from the database?";    // DelDataText
inline const std::string kFileDoesntExist = "doesn't exist!";              // FileDoesntExist

// Fixed texts of the scan.
inline const std::string kFinishedCaption = "Finished scanning";
inline const std::string kFinishedText = "Finished scanning of directory";
inline const std::string kWrongFile = "Wrong file";
inline const std::string kCouldntOpen = "Couldn't open file: ";
inline const std::string kNotInitialized = "FMOD not initialized";
inline const std::string kSearching = "Searching MP3's in:";
inline const std::string kAdding = "Adding in database:";
inline const std::string kChecking = "Checking if files exist";
inline const std::string kBusy = "Busy with scanning:";
inline const std::string kEmptyQuestion = "Are you really sure to empty the database?";
inline const std::string kInvalidAutomix = "Invalid automix value";

}  // namespace spinwave::library_texts
