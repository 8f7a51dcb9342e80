// The jingle bank without its window: ten slots, each one deck entry of the jingle component,
// the DJ jingle lists of the lists folder, loading a list into the slots and firing a slot from
// a digit key. TJinglesForm shows it; the console's key handler and remote commands call it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

namespace spinwave {

class TFMODJingle;

class JingleBank : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kNoJingle = "NO JINGLE !";

  // `player` is the component that plays the jingles (the jingle component, or the left deck's
  // component when one output serves all decks).
  explicit JingleBank(TFMODJingle& player, QObject* parent = nullptr);

  TFMODJingle& Player() { return player_; }

  // The bank is off while the jingle feature is disabled: firing and loading do nothing.
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }

  // The deck entry of slot 1..10 (the index AddFileEntry returned); -1 when none.
  void SetSlotEntry(int slot, int index);
  int SlotEntry(int slot) const;
  // The slot's label text: the jingle's description, "NO JINGLE !" when none was loaded.
  QString Label(int slot) const;

  // Re-reads the DJ jingle lists (lists/*.jpl2, extension in any case) sorted by name, and
  // emits ListsChanged with their names without the extension.
  void GetLists();
  QStringList ListNames() const;
  // Path of list n (0-based) or "" when there is none.
  std::string ListPath(int n) const;

  // Loads list n into the slots: "Choose a DJ Jingle List first" when n is no list. Every label
  // becomes "NO JINGLE !", then each row with a shortcut digit opens its file into that slot
  // (replacing what the slot held) and shows its description. Slots the list does not name keep
  // their files. Files that fail to open leave their slots empty and are named in one message.
  // False when nothing was loaded.
  bool LoadList(int n);
  // The same for a list file given by path.
  bool LoadListFile(const std::string& path);

  // A digit key ('0'..'9', '0' being slot 10): a slot whose volume slider was pulled below 100
  // is put back to 255, then a playing slot stops and any other starts. Other keys: nothing.
  void JingleSCClick(int key);

 signals:
  void LabelChanged(int slot, const QString& text);
  void ListsChanged(const QStringList& names);

 private:
  void SetLabel(int slot, const QString& text);

  TFMODJingle& player_;
  bool enabled_ = true;
  std::array<int, 10> entries_;
  std::array<QString, 10> labels_;
  std::vector<std::string> listPaths_;
  QStringList listNames_;
};

}  // namespace spinwave
