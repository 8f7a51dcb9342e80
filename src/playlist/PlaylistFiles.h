// Playlist files: ".npl2" (the table file of the playlist table, read and written), ".npl" (the
// older text format, read only) and ".m3u" (read and written).
//
// Readers fill a table with the 9 playlist columns. They never stop half-way in the caller's
// table: the whole file is read into a fresh table, which the caller then takes in one step.
// Every reader accepts CR, LF and CR LF line ends and a UTF-8 byte-order mark; an M3U entry
// whose bytes are not UTF-8 (a list written in Latin-1) is also tried as Latin-1 converted to
// UTF-8 before it counts as missing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/TrackReader.h"
#include "table/TEMDB.h"

namespace spinwave {

enum class PlaylistFormat { Npl2, Npl, M3U, Other };

// By the extension, ASCII case ignored (".NPL2" is ".npl2").
PlaylistFormat FormatOf(const std::string& path);
bool IsPlaylistFile(const std::string& path);
bool IsAudioFile(const std::string& path);  // ".mp3", ".wav", ".ogg"
// The extension in lower case with its dot ("" when none).
std::string LowerExtension(const std::string& path);

struct PlaylistReadResult {
  bool readable = true;  // false: the file could not be read at all (nothing changed)
  bool loaded = false;   // the file counted as a playlist (the deck rows are released)
  bool replaced = false; // the table was replaced by what was read
  int rows = 0;          // rows read
  std::string error;     // why the file was not read, or was not a playlist of its kind
  // Entries that could not be read: the path and why ("doesn't exist", ...).
  std::vector<std::pair<std::string, std::string>> skipped;
  // Reading with `deferTracks`: the files of M3U rows whose length and tag are still to be
  // read (each such row holds its file, the file name as artist and the default segue).
  std::vector<std::string> deferred;
};

// Gives `table` the 9 playlist columns with their names, title and built-in widths (marks 30,
// Artist and Title 120, Time, Intro and Outro 50, File, Gain and Segue hidden).
void SetPlaylistColumns(TEMDB& table);

// Reads `path` into `out` (a fresh table, which gets the playlist columns). Audio entries of
// M3U lists are read with `reader` (tag and length come from the files); ".npl" rows keep
// their stored values. `defaultSegueMs` is the segue of rows that bring none.
// `progress(done, total)` is called every 100 entries of a long list. With `deferTracks` the
// M3U entries are only looked up (a file that is not there is skipped at once) and their
// files listed in `deferred`, for the caller to read later.
PlaylistReadResult ReadPlaylist(const std::string& path, TEMDB& out, TrackReader& reader,
                                int defaultSegueMs,
                                const std::function<void(int, int)>& progress = {},
                                bool deferTracks = false);

// The same over a file's text already in memory (`path` gives the format and the folder that
// relative M3U entries are read against).
PlaylistReadResult ReadPlaylistText(std::string_view text, const std::string& path, TEMDB& out,
                                    TrackReader& reader, int defaultSegueMs,
                                    const std::function<void(int, int)>& progress = {},
                                    bool deferTracks = false);

// Fills table row `row` of a playlist table from what the file says about itself (artist,
// title, length, gain, intro, outro); the mark, the file and the segue stay.
void SetTrackCells(TEMDB& table, int row, const TrackInfo& info);
// Why a file could not be read, as the load message words it ("doesn't exist", ...).
const char* TrackErrorText(TrackError error);

// The M3U path of an entry line read from a list in `folder` (ending with "/"): entries
// beginning with "/" and Windows-form entries ("C:\...", "\\server\...") are kept as they
// stand; any other entry is relative to the list's folder ("\" read as "/").
std::string ResolveM3UEntry(std::string_view entry, const std::string& folder);

// The M3U text of a playlist table: "#EXTM3U", then per row "#EXTINF:<seconds>,<artist> -
// <title>" and the file, CR LF line ends.
std::string M3UText(const TEMDB& table);

// Writes the table: ".m3u" as M3U, any other name as the table file. Atomic.
bool WritePlaylist(const TEMDB& table, const std::string& path, std::string* error = nullptr);

// The name a playlist is saved under: a chosen name that ends in neither ".m3u" nor ".npl2"
// (ASCII case ignored) gets ".m3u" when the M3U filter was chosen, else ".npl2"; so "mix.npl"
// is saved as "mix.npl.npl2" (the old format is never written).
std::string SavePlaylistName(const std::string& chosen, bool m3uFilter);

// One message naming what could not be read; empty when nothing was skipped and no error.
std::string DescribeReadProblems(const std::string& path, const PlaylistReadResult& result);

}  // namespace spinwave
