// Whole-file reads and crash-safe whole-file writes. A file the user cares about (library,
// playlists, jingle lists, structures, settings) is written to a temporary file in the same
// folder, flushed to disk and renamed over the old one, so a crash never leaves half a file.
#pragma once

#include <string>
#include <string_view>

namespace spinwave {

// Reads the whole file into `out`. On failure returns false and, when `error` is given, a
// readable reason ("No such file or directory").
bool ReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

// Replaces `path` with `data` atomically. An existing file keeps its permission bits. On failure
// the old file is untouched, the temporary file removed, and false returned with a reason.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

// Copies a file byte for byte (atomically at the target); used to keep a copy aside before a
// file is rebuilt.
bool CopyFileAtomically(const std::string& from, const std::string& to,
                        std::string* error = nullptr);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace spinwave
