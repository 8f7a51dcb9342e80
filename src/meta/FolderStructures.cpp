#include "meta/FolderStructures.h"

#include <algorithm>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Paths.h"

namespace spinwave {

std::vector<std::string> DefaultStructures() {
  return {"Artist_-_Title.mp3", "Artist - Title.mp3", "Artist/Title.mp3"};
}

std::string StructureFilePath() { return ProgramFolder() + "data/struct.dat"; }

bool ReadStructureFile(std::vector<std::string>& structures) {
  std::string text;
  if (!FileExists(StructureFilePath()) || !ReadWholeFile(StructureFilePath(), text)) return false;
  std::vector<std::string> lines = SplitLines(text);
  lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
  structures = std::move(lines);
  return true;
}

bool WriteStructureFile(const std::vector<std::string>& structures, std::string* error) {
  if (!MakeFolders(ProgramFolder() + "data")) {
    if (error) *error = "Cannot create the folder " + ProgramFolder() + "data";
    return false;
  }
  std::string text;
  for (const std::string& s : structures) {
    if (s.empty()) continue;
    text += s;
    text += "\r\n";
  }
  return WriteFileAtomically(StructureFilePath(), text, error);
}

void AddStructure(std::vector<std::string>& structures, const std::string& structure) {
  structures.push_back(structure);
  std::stable_sort(structures.begin(), structures.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

}  // namespace spinwave
