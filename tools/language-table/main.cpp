// Prints the built-in English language table as a language file, or lists the keys a language
// file lacks against it (for translators).
//
//   spinwave-language-table > share/English.lng
//   spinwave-language-table --missing share/German.lng
#include <cstdio>
#include <cstring>
#include <string>

#include "app/LanguageFile.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--missing") == 0) {
    const auto missing = spinwave::MissingLanguageKeys(argv[2]);
    for (const std::string& key : missing) std::printf("%s\n", key.c_str());
    return missing.empty() ? 0 : 1;
  }
  if (argc != 1) {
    std::fprintf(stderr, "usage: spinwave-language-table [--missing FILE.lng]\n");
    return 2;
  }
  for (const spinwave::LanguageEntry& e : spinwave::EnglishLanguageTable()) {
    std::string value = e.english;
    for (size_t at = value.find('\n'); at != std::string::npos; at = value.find('\n', at))
      value.replace(at, 1, "%R");
    std::printf("%s=%s\r\n", e.key, value.c_str());
  }
  return 0;
}
