// Matches an arbitrary structure against an arbitrary path: the input is split at its first
// newline into the two.
#include <cstdint>
#include <string_view>

#include "meta/TEMID3Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t newline = input.find('\n');
  std::string_view structure = input.substr(0, newline);
  std::string_view path = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  spinwave::TEMID3Tag tag;
  tag.CheckStructure(structure, path);
  (void)spinwave::TEMID3Tag::FindKeyword(path);
  (void)spinwave::TEMID3Tag::CountDirs(structure);
  return 0;
}
