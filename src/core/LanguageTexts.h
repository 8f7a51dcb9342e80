// The named message texts a language file may replace ("CantClose", "TotalPlay", ...): every
// part that shows one reads it here, so the language the user chose reaches the playlist, the
// deck transport and the console alike. Each text starts as its English default; applying a
// language overwrites only the texts its file supplies. Interface thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

struct LanguageEntry {
  const char* key;
  const char* english;
};

// The named message texts with their English defaults, in the order a language applies them.
const std::vector<LanguageEntry>& LanguageTextDefaults();
// The current text of a named message (English until a language supplies it); "" for a key
// that is not a language text.
std::string LangText(std::string_view key);
// Replaces one text (the language step; the filter and fade-menu words are kept here too).
void SetLangText(std::string_view key, std::string value);
// Back to the English texts (tests; a language switch never does this).
void ResetLanguageTexts();

}  // namespace spinwave
