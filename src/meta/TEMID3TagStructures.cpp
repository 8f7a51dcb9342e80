// Folder structures of the tag component: a structure such as "Artist/Album/Tracknr - Title.mp3"
// is matched against a file's path below a scanned folder, and the parts standing where the
// keywords stand fill the tag properties. Literal characters between two keywords are the
// separator looked for in the path; other literal characters are not compared, only the number
// of folder levels. "/" and "\" are both folder separators, in structures and in paths.
#include <algorithm>

#include "core/AsciiText.h"
#include "meta/TEMID3Tag.h"

namespace spinwave {

namespace {

constexpr std::string_view kKeywords[] = {"Ignore", "Artist", "Title", "Album", "Genre", "Tracknr"};

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Byte equality, except that the two folder separators stand for each other.
bool SameChar(char a, char b) { return a == b || (IsSeparator(a) && IsSeparator(b)); }

bool ContinuesWith(std::string_view text, size_t at, std::string_view part) {
  if (at > text.size() || text.size() - at < part.size()) return false;
  for (size_t i = 0; i < part.size(); ++i)
    if (!SameChar(text[at + i], part[i])) return false;
  return true;
}

size_t KeywordLength(std::string_view text) {
  for (std::string_view k : kKeywords)
    if (text.substr(0, k.size()) == k) return k.size();
  return 0;
}

}  // namespace

std::string TEMID3Tag::FindKeyword(std::string_view text) {
  for (std::string_view k : kKeywords)
    if (text.substr(0, k.size()) == k) return std::string(k);
  return "-1";
}

int TEMID3Tag::CountDirs(std::string_view text) {
  if (text.empty()) return 0;
  return int(std::count_if(text.begin(), text.end() - 1, IsSeparator));
}

void TEMID3Tag::StoreKeyword(const std::string& keyword, std::string_view value) {
  if (keyword == "Artist") {
    artist_ = std::string(value);
  } else if (keyword == "Title") {
    title_ = std::string(value);
  } else if (keyword == "Album") {
    album_ = std::string(value);
  } else if (keyword == "Genre") {
    v2Genre_ = std::string(value);
  } else if (keyword == "Tracknr") {
    int64_t n = 0;
    if (ParseStrictInteger(value, n) && n >= INT32_MIN && n <= INT32_MAX) tracknr_ = int32_t(n);
  }
  // "Ignore": the part is skipped.
}

bool TEMID3Tag::CheckStructure(std::string_view s, std::string_view p) {
  // Walks structure and path together; each turn either drops one literal character from both
  // or takes the part of the path that belongs to the keyword at the start of the structure.
  for (;;) {
    if (s.empty() || p.empty()) return false;
    if (CountDirs(s) != CountDirs(p)) return false;
    const size_t keyLength = KeywordLength(s);
    if (keyLength == 0) {
      s.remove_prefix(1);
      p.remove_prefix(1);
      continue;
    }
    const std::string keyword(s.substr(0, keyLength));

    size_t next = std::string_view::npos;
    for (size_t i = keyLength; i < s.size(); ++i) {
      if (KeywordLength(s.substr(i)) > 0) {
        next = i;
        break;
      }
    }

    if (next == std::string_view::npos) {
      // Last keyword: the rest of the path without its four-character extension.
      StoreKeyword(keyword, p.size() > 4 ? p.substr(0, p.size() - 4) : std::string_view());
      return true;
    }

    const std::string_view separator = s.substr(keyLength, next - keyLength);
    size_t j = std::string_view::npos;
    for (size_t at = 0; at + 1 < p.size(); ++at) {
      if (ContinuesWith(p, at, separator)) {
        j = at;
        break;
      }
    }
    if (j == std::string_view::npos) return false;

    std::string_view value = p.substr(0, j);
    if (value.size() >= 4 && value[value.size() - 4] == '.') value.remove_suffix(4);
    StoreKeyword(keyword, value);

    s.remove_prefix(next);
    p.remove_prefix(j + separator.size());
  }
}

int TEMID3Tag::ReadStructure(int start) {
  if (!opened_) return -1;
  const size_t from = size_t(std::max(start, 1) - 1);
  std::string text = from < fileName_.size() ? fileName_.substr(from, 256) : std::string();

  // The file's bare name: what follows its last separator (the last character not looked at).
  const std::string_view searched = std::string_view(fileName_).substr(0, fileName_.empty() ? 0 : fileName_.size() - 1);
  size_t last = std::string_view::npos;
  size_t beforeLast = std::string_view::npos;
  for (size_t i = 0; i < searched.size(); ++i) {
    if (IsSeparator(searched[i])) {
      beforeLast = last;
      last = i;
    }
  }
  const std::string bareName = last == std::string_view::npos ? fileName_ : fileName_.substr(last + 1);
  if (text == bareName && last != std::string_view::npos) {
    // A file directly in the searched folder: its name alone is tried first (so that
    // "Artist - Title.mp3" fits "Band - Song.mp3"), then with its own folder in front, as in
    // "Pop/Song.mp3", so that "Artist/Title.mp3" fits when the folder searched is "Pop" itself.
    for (const std::string& structure : structures_)
      if (CheckStructure(structure, text)) return 0;
    text = beforeLast == std::string_view::npos ? fileName_ : fileName_.substr(beforeLast + 1);
  }

  for (const std::string& structure : structures_)
    if (CheckStructure(structure, text)) break;
  return 0;
}

}  // namespace spinwave
