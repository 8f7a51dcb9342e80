// The ID3v1 genre list shared by every tag component: "Unknown" at position 0, then ID3v1
// genre n at position n + 1 (the original 80 and the later extensions up to 147).
#pragma once

#include <string>
#include <vector>

namespace spinwave {

// The 149 names, in order. Created on first use, lives for the whole process.
const std::vector<std::string>& ID3v1Genres();

// Position of `name` in the list, letter case of ASCII letters ignored; -1 when absent.
int ID3v1GenreIndex(const std::string& name);

}  // namespace spinwave
