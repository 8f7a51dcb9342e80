// The library grid's columns as the Database page's check boxes choose them.
#pragma once

#include "table/TEMDB.h"

namespace spinwave {

class OptionsStore;

// Gives each optional library column its width ("File" 30, "Album" 64, "Year" 37, "Comment" 80,
// "Genre 1" 64, "Genre 2" 64, "Time" 36, "ID" 64, "PlTimes" 80, "Intro" and "Outro" 50,
// "Tracknr" 50) when its box is on and -1 (hidden) when off; ShowInOutro governs both "Intro"
// and "Outro". A column the table does not have is left alone.
void ApplyLibraryColumnWidths(TEMDB& library, const OptionsStore& options);

}  // namespace spinwave
