// `spinwave --scan FOLDER [--exact]`: adds a folder's audio files to the library without a
// window, for station engineers who run it from cron after copying new music.
#pragma once

#include <QStringList>

namespace spinwave {

// Runs the library scan's search-and-add step over FOLDER (the arguments after "--scan") on
// the program folder's data/data.db, with the folder structures of data/struct.dat and the scan
// options of data/scan.ini ("--exact" asks for exact lengths whatever they say). Prints a
// progress line on standard error and, at the end, "N added, M already in the library,
// K unreadable" on standard output.
//
// The caller must make sure no console runs (the single-instance lock): two writers of the
// library would lose each other's rows. A QCoreApplication is created when none exists.
//
// Returns the exit status: 0 done (unreadable files included), 1 the library could not be
// saved, 2 wrong arguments or FOLDER is not a readable folder.
int RunLibraryScanCommand(const QStringList& args);

}  // namespace spinwave
