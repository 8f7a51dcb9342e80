#include "jingles/JingleBank.h"

#include <algorithm>

#include <QDir>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "engine/TFMODJingle.h"
#include "jingles/JingleTable.h"
#include "table/TEMDB.h"

namespace spinwave {

JingleBank::JingleBank(TFMODJingle& player, QObject* parent) : QObject(parent), player_(player) {
  entries_.fill(-1);
  labels_.fill(QString::fromLatin1(kNoJingle));
}

void JingleBank::SetSlotEntry(int slot, int index) {
  if (slot >= 1 && slot <= kJingleSlots) entries_[size_t(slot - 1)] = index;
}

int JingleBank::SlotEntry(int slot) const {
  return slot >= 1 && slot <= kJingleSlots ? entries_[size_t(slot - 1)] : -1;
}

QString JingleBank::Label(int slot) const {
  return slot >= 1 && slot <= kJingleSlots ? labels_[size_t(slot - 1)] : QString();
}

void JingleBank::SetLabel(int slot, const QString& text) {
  QString& label = labels_[size_t(slot - 1)];
  if (label == text) return;
  label = text;
  emit LabelChanged(slot, text);
}

void JingleBank::GetLists() {
  listPaths_.clear();
  listNames_.clear();
  const std::string folder = JingleListsFolder();
  QDir dir(QString::fromStdString(folder));
  std::vector<std::string> names;
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Readable | QDir::Hidden)) {
    const std::string name = entry.toStdString();
    if (name.size() > 5 && EndsWithNoCase(name, kJingleListExtension)) names.push_back(name);
  }
  // Sorted, so that the list numbers remote commands use stay the same from run to run.
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
  for (const std::string& name : names) {
    listPaths_.push_back(folder + name);
    listNames_.push_back(QString::fromStdString(name.substr(0, name.size() - 5)));
  }
  emit ListsChanged(listNames_);
}

QStringList JingleBank::ListNames() const { return listNames_; }

std::string JingleBank::ListPath(int n) const {
  return n >= 0 && n < int(listPaths_.size()) ? listPaths_[size_t(n)] : std::string();
}

bool JingleBank::LoadList(int n) {
  if (!enabled_) return false;
  if (n < 0 || n >= int(listPaths_.size())) {
    ShowMessage("Choose a DJ Jingle List first");
    return false;
  }
  return LoadListFile(listPaths_[size_t(n)]);
}

bool JingleBank::LoadListFile(const std::string& path) {
  if (!enabled_) return false;
  for (int slot = 1; slot <= kJingleSlots; ++slot) SetLabel(slot, QString::fromLatin1(kNoJingle));
  TEMDB list;
  std::string error = "No such file or directory";
  if (!FileExists(path) || !LoadJingleTable(list, path, &error)) {
    // The slots keep their files; only the labels were reset.
    ShowMessage("Couldn't open the DJ jingle list " + path + ": " + error);
    return false;
  }
  std::vector<std::string> failed;
  for (int row = 0; row < list.RowCount(); ++row) {
    const int slot = SlotOfShortcut(list.TableCell(kJingleShortcutCol, row));
    if (slot == 0) continue;
    const int entry = SlotEntry(slot);
    const std::string file(list.TableCell(kJingleFileCol, row));
    // A file that does not open leaves the slot empty (the open closes what it held first). A
    // missing file is told at once: a component that opens in the background (the left deck's,
    // which the jingles share with one output) would accept it and fail later, unseen.
    if (entry >= 0 && (!FileExists(file) || player_.OpenFile(file, entry) <= 0)) {
      player_.CloseFile(entry);
      failed.push_back(file.empty() ? "(no file) for slot " + std::to_string(slot) : file);
    }
    SetLabel(slot, QString::fromStdString(std::string(list.TableCell(kJingleDescriptionCol, row))));
  }
  // One message for the whole list: a list moved from another machine names ten missing files,
  // and ten boxes in a row on air is worse than one.
  if (!failed.empty()) {
    std::string text = "Couldn't open the jingle file";
    text += failed.size() > 1 ? "s:" : ":";
    for (const std::string& f : failed) text += "\n" + f;
    ShowMessage(text);
  }
  return true;
}

void JingleBank::JingleSCClick(int key) {
  if (!enabled_ || key < '0' || key > '9') return;
  const int slot = key == '0' ? 10 : key - '0';
  const int entry = SlotEntry(slot);
  FMOD_File* file = TFMODJingle::GetFileEntry(entry);
  if (!file) return;
  if (file->VolumeSlider && file->VolumeSlider->Value() < 100) file->VolumeSlider->SetValue(255);
  if (player_.GetFileState(entry) == fsPlaying) {
    player_.Stop(entry);
  } else {
    player_.Play(entry);
  }
}

}  // namespace spinwave
