// TDirTreeView: the folder tree beside the library and playlist. Besides the file system it shows
// two entries of Spinwave's own: the library node ("Databases", path "Database") and the
// "Playlists" node (empty path). "My Computer" holds the root folder, the home folder and mounted
// volumes; "Network" holds network mounts. Sub-folders are read when a node is first expanded,
// and the tree follows folders created, removed or renamed (QFileSystemWatcher) and volumes
// mounted or unmounted (the kernel's mount list).
#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/MountList.h"

class QFileSystemWatcher;
class QSocketNotifier;

namespace spinwave {

// Node kinds.
enum TFolderType : uint8_t {
  ftLibrary = 0,       // library node, path "Database"
  ftPlaylists = 1,     // "Playlists" node, empty path
  ftFolder = 2,        // file-system folder
  ftMyComputer = 3,    // "My Computer"
  ftVirtual = 4,       // folder that is not part of the file system
  ftNetwork = 5,       // "Network"
  ftNetworkEntry = 6,  // entry directly below "Network" (a network mount)
};

// The data record every node carries.
struct TFolderData {
  std::string Path;
  TFolderType Kind = ftFolder;
};

class TDirTreeView;

// One node of the tree. Nodes are owned by the tree widget and freed with their parent.
class TDirTreeNode : public QTreeWidgetItem {
 public:
  TDirTreeNode(TDirTreeView* tree, TFolderData data, uint64_t serial);
  ~TDirTreeNode() override;

  TFolderData Data;
  uint64_t Serial;      // creation order
  bool Listed = false;  // sub-folders have been read (and the folder is watched)

 private:
  TDirTreeView* tree_;
};

class TDirTreeView : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TDirTreeView(QWidget* parent = nullptr);
  ~TDirTreeView() override;

  // Raised when a library, playlists or folder node becomes the selected one.
  std::function<void(TDirTreeView* sender, const std::string& path)> OnPathChange;

  // Builds the top level: the library node, "Playlists", "My Computer" and "Network" (the
  // last two with their volumes listed at once).
  void CreateRoot();
  // Adds a node whose record has only a path and a kind; no icon. A null parent adds at the top.
  TDirTreeNode* AddSimpleNode(TDirTreeNode* parent, const std::string& path,
                              const std::string& text, TFolderType kind);
  // Adds a folder node. Folders, virtual folders and network entries go below `parent`, other
  // kinds at the top level. A folder below "Network" becomes a network entry.
  TDirTreeNode* CreateFolderNode(const std::string& path, const std::string& caption,
                                 TDirTreeNode* parent, TFolderType kind);
  // Lists the node's sub-folders as folder children (sorted by name); true when any were added.
  // For "My Computer" and "Network" the children are the volumes and network mounts.
  bool AttachFolders(TDirTreeNode* node);
  // Renames the first node (the library node).
  void SetDBName(const std::string& text);
  // Deletes every node of that kind.
  void RemoveNode(TFolderType kind);
  // The first node of that kind in creation order, or null.
  TDirTreeNode* GetSpecialNode(TFolderType kind) const;
  // The first node (creation order) whose path equals `path` with letter case ignored and one
  // trailing "/" stripped from both. Two characters or fewer find nothing and clear the
  // selection.
  TDirTreeNode* FindNode(const std::string& path);
  // Re-reads a node's sub-folders; an expanded node is expanded again when it has any.
  void UpdateNode(TDirTreeNode* node);
  // Deletes the node's children but keeps its has-children mark.
  void FreeChildren(TDirTreeNode* node);
  // Appends to dirtreelog.txt in the program folder; a log beyond 102,400 bytes starts anew.
  static void DirTreeLog(const std::string& text);

  // The path of the last library, playlists or folder node selected ("Database" at first).
  const std::string& GetPath() const { return path_; }
  // Every node in creation order.
  std::vector<TDirTreeNode*> Nodes() const;
  static TDirTreeNode* Node(QTreeWidgetItem* item);

  // The mount list read for volumes (default /proc/self/mounts; tests point it at a file).
  void SetMountListFile(const std::string& file);
  // Re-reads the mount list; when volumes or network mounts changed, "My Computer" and
  // "Network" are listed anew. Runs by itself when the kernel reports a mount change.
  void RefreshVolumes();
  // Folders currently watched for changes.
  QStringList WatchedFolders() const;

 private:
  friend class TDirTreeNode;
  void NodeGone(TDirTreeNode* node);
  void ItemExpanded(QTreeWidgetItem* item);
  void CurrentChanged(QTreeWidgetItem* current);
  bool ExpandStep(TDirTreeNode* node);
  // Lists the node's children; false on a listing error (tree left as it was).
  bool ListChildren(TDirTreeNode* node, bool& anyAdded);
  void AttachVolumes(TDirTreeNode* node);
  void FolderChanged(const QString& folder);
  void SyncChildren(TDirTreeNode* node);
  void RebuildTopNode(TDirTreeNode* node);
  void Watch(const std::string& path);
  void Unwatch(const std::string& path);
  void OpenMountNotifier();
  bool UnderNetwork(const TDirTreeNode* node) const;
  // A new folder node, not yet in the tree; `kind` becomes the kind it was given.
  TDirTreeNode* MakeFolderNode(const std::string& path, const std::string& caption,
                               TDirTreeNode* parent, TFolderType& kind);

  QIcon folderIcon_, computerIcon_, networkIcon_;
  std::string path_ = "Database";
  uint64_t nextSerial_ = 0;
  bool destroying_ = false;
  bool inExpand_ = false;
  QFileSystemWatcher* watcher_ = nullptr;
  std::map<std::string, int> watchCount_;
  std::string mountListFile_ = "/proc/self/mounts";
  VolumeLists volumes_;
  int mountFd_ = -1;
  QSocketNotifier* mountNotifier_ = nullptr;
};

}  // namespace spinwave
