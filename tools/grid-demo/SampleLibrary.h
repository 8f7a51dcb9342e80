// A generated music library of any size, for the grid demo and the grid benchmark: the 16
// library columns filled with plausible, repeatable values.
#pragma once

#include <random>
#include <string>

#include "table/LibraryFile.h"
#include "table/TEMDB.h"

namespace spinwave::sample {

inline void FillLibrary(TEMDB& table, int rows, unsigned seed = 7) {
  static const char* const kFirst[] = {"Velvet", "Neon",   "Midnight", "Electric", "Silver",
                                       "Golden", "Broken", "Crystal",  "Northern", "Paper",
                                       "Lunar",  "Static", "Violet",   "Echo",     "Urban"};
  static const char* const kSecond[] = {"Engines", "Tigers", "Harbour", "Rivers",  "Machines",
                                        "Lights",  "Saints", "Parade",  "Circuit", "Dreamers",
                                        "Signals", "Waves",  "Hearts",  "Motel",   "Orchestra"};
  static const char* const kWords[] = {"Love",  "Night", "Fire",  "Summer", "Radio", "Dance",
                                       "Heart", "Road",  "City",  "Rain",   "Gold",  "Stars",
                                       "Time",  "Fever", "Ocean", "Shadow", "Light", "Home"};
  static const char* const kGenres[] = {"Pop", "Rock", "Dance", "House", "Soul", "Funk",
                                        "Disco", "Techno", "Jazz", "Reggae", "Hip-Hop"};
  std::mt19937 rng(seed);
  auto pick = [&](const auto& list) {
    return list[rng() % (sizeof(list) / sizeof(list[0]))];
  };
  SetLibraryColumns(table);
  table.SetRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const std::string artist = std::string("The ") + pick(kFirst) + " " + pick(kSecond);
    const std::string title = std::string(pick(kWords)) + " " + pick(kWords);
    const std::string album = std::string(pick(kWords)) + " of " + pick(kWords);
    const int track = 1 + static_cast<int>(rng() % 14);
    const int ms = 120000 + static_cast<int>(rng() % 360000);
    const int intro = static_cast<int>(rng() % 30);
    const int outro = ms / 1000 - 5 - static_cast<int>(rng() % 20);
    char buf[64];
    table.SetItem(0, r, "/music/" + artist + "/" + album + "/" + std::to_string(track) + " - " + title + ".mp3");
    table.SetItem(1, r, artist);
    table.SetItem(2, r, title);
    table.SetItem(3, r, album);
    table.SetItem(4, r, std::to_string(1965 + rng() % 60));
    if (rng() % 4 == 0) table.SetItem(5, r, "Crowd favourite");
    table.SetItem(6, r, pick(kGenres));
    if (rng() % 3 == 0) table.SetItem(7, r, pick(kGenres));
    table.SetItem(8, r, std::to_string(ms));
    std::snprintf(buf, sizeof buf, "%d:%02d", intro / 60, intro % 60);
    table.SetItem(9, r, buf);
    std::snprintf(buf, sizeof buf, "%d:%02d", outro / 60, outro % 60);
    table.SetItem(10, r, buf);
    table.SetItem(11, r, "Crate " + std::to_string(1 + rng() % 12));
    table.SetItem(12, r, "0");
    table.SetItem(13, r, std::to_string(rng() % 40));
    table.SetItem(14, r, std::to_string(track));
    table.SetItem(15, r, "-1");
  }
}

}  // namespace spinwave::sample
