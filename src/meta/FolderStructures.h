// The user's list of folder structures and its file data/struct.dat in the program folder: one
// structure per line, CR LF line ends, no header. The file is written whole and atomically.
#pragma once

#include <string>
#include <vector>

namespace spinwave {

// The structures a new list starts with, in order.
std::vector<std::string> DefaultStructures();

// Full name of the structures file: ProgramFolder() + "data/struct.dat".
std::string StructureFilePath();

// Reads the structures file into `structures` (empty lines skipped). When the file does not
// exist `structures` is left as it is and false is returned.
bool ReadStructureFile(std::vector<std::string>& structures);

// Writes the whole list, creating the data folder when needed. False with a reason on failure.
bool WriteStructureFile(const std::vector<std::string>& structures, std::string* error = nullptr);

// Appends a structure and orders the list by length, longest first; structures of equal length
// keep their order, so the longer, more specific ones are tried first.
void AddStructure(std::vector<std::string>& structures, const std::string& structure);

}  // namespace spinwave
