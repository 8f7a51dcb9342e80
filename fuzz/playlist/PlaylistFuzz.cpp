// Feeds arbitrary bytes to the playlist readers. The first byte chooses the format (".npl2",
// ".npl", ".m3u"); the rest is the file's text. Audio entries are "read" by a reader that
// touches no file, so every entry line reaches the row filling. Checks: the table always has
// the nine playlist columns and the rows the result reports, and a list read as the table file
// is written and read back with the same files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/Messages.h"
#include "playlist/PlaylistFiles.h"
#include "table/TEMDB.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every path of odd length "exists"; the others, and names holding a NUL byte, are missing.
class FakeReader : public spinwave::TrackReader {
 public:
  bool Read(const std::string& path, spinwave::TrackInfo& info,
            spinwave::TrackError* error) override {
    if (path.size() % 2 == 0 || path.find('\0') != std::string::npos) {
      if (error) *error = spinwave::TrackError::Missing;
      return false;
    }
    info.artist = path.substr(0, 10);
    info.title = path.substr(path.size() / 2);
    info.timeMs = static_cast<int>(path.size()) * 1000;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    spinwave::SetMessageHandler([](spinwave::MessageKind, const std::string&) { return true; });
    return true;
  }();
  (void)quiet;
  if (size < 1) return 0;
  static const char* const kNames[3] = {"/lists/fuzz.npl2", "/lists/fuzz.npl", "/lists/fuzz.m3u"};
  const std::string path = kNames[data[0] % 3];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  FakeReader reader;
  spinwave::TEMDB table;
  const spinwave::PlaylistReadResult result =
      spinwave::ReadPlaylistText(text, path, table, reader, 4000);
  if (result.replaced) {
    Check(table.ColCount() == 9);
    Check(table.RowCount() == result.rows);
    Check(table.Title == spinwave::kPlaylistTitle);
    // The table file of what was read reads back with the same files.
    const std::string written = table.SaveToText();
    spinwave::TEMDB again;
    const spinwave::PlaylistReadResult back =
        spinwave::ReadPlaylistText(written, "/lists/back.npl2", again, reader, 4000);
    Check(back.readable && back.replaced);
    Check(again.RowCount() == table.RowCount());
    for (int r = 0; r < table.RowCount(); ++r)
      Check(again.GetItem(3, r) == table.GetItem(3, r));
    (void)spinwave::M3UText(table);
  }
  (void)spinwave::DescribeReadProblems(path, result);
  return 0;
}
