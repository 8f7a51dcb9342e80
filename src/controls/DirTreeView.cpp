#include "controls/DirTreeView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <set>

#include "controls/FolderListing.h"
#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/LogFile.h"
#include "core/Paths.h"

// Resources of a static library must be registered by hand.
static void InitDirTreeResources() { Q_INIT_RESOURCE(DirTreeIcons); }

namespace spinwave {

namespace {

int g_instances = 0;

std::string Qs(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string StripOneSlash(std::string s) {
  if (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

std::string BaseName(const std::string& path) {
  const std::string p = StripOneSlash(path);
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string ParentPath(const std::string& path) {
  const std::string p = StripOneSlash(path);
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : p.substr(0, slash);
}

// Order of sibling folders: by name with ASCII case ignored, exact order as the tie-break.
bool NameBefore(const std::string& a, const std::string& b) {
  const int c = CompareNoCase(a, b);
  return c != 0 ? c < 0 : a < b;
}

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

}  // namespace

// ---- nodes ----

TDirTreeNode::TDirTreeNode(TDirTreeView* tree, TFolderData data, uint64_t serial)
    : Data(std::move(data)), Serial(serial), tree_(tree) {}

TDirTreeNode::~TDirTreeNode() {
  if (tree_) tree_->NodeGone(this);
}

TDirTreeNode* TDirTreeView::Node(QTreeWidgetItem* item) {
  return static_cast<TDirTreeNode*>(item);  // the tree holds nothing but TDirTreeNode items
}

// ---- life cycle ----

TDirTreeView::TDirTreeView(QWidget* parent) : QTreeWidget(parent) {
  InitDirTreeResources();
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  folderIcon_ = style()->standardIcon(QStyle::SP_DirIcon);
  computerIcon_ = style()->standardIcon(QStyle::SP_ComputerIcon);
  networkIcon_ = style()->standardIcon(QStyle::SP_DriveNetIcon);
  connect(this, &QTreeWidget::itemExpanded, this, &TDirTreeView::ItemExpanded);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { CurrentChanged(current); });

  if (g_instances++ == 0) {
    DirTreeLog("\r\nReading mount list ");
    VolumeLists probe;
    DirTreeLog(ReadVolumes(mountListFile_, probe) ? "done" : "error");
  }
  watcher_ = new QFileSystemWatcher(this);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TDirTreeView::FolderChanged);
  OpenMountNotifier();
  CreateRoot();
}

TDirTreeView::~TDirTreeView() {
  destroying_ = true;
  clear();  // nodes call back into this object while it still exists
  delete mountNotifier_;
  if (mountFd_ >= 0) ::close(mountFd_);
  if (--g_instances == 0) {
    DirTreeLog("\r\nStop folder tree ");
    DirTreeLog("done");
  }
}

void TDirTreeView::OpenMountNotifier() {
  delete mountNotifier_;
  mountNotifier_ = nullptr;
  if (mountFd_ >= 0) ::close(mountFd_);
  // The kernel marks the mount list with an exceptional condition whenever a file system is
  // mounted or unmounted.
  mountFd_ = ::open(mountListFile_.c_str(), O_RDONLY | O_CLOEXEC);
  if (mountFd_ < 0) return;
  mountNotifier_ = new QSocketNotifier(mountFd_, QSocketNotifier::Exception, this);
  connect(mountNotifier_, &QSocketNotifier::activated, this, [this] { RefreshVolumes(); });
}

void TDirTreeView::SetMountListFile(const std::string& file) {
  mountListFile_ = file;
  OpenMountNotifier();
}

// ---- building ----

TDirTreeNode* TDirTreeView::AddSimpleNode(TDirTreeNode* parent, const std::string& path,
                                          const std::string& text, TFolderType kind) {
  auto* node = new TDirTreeNode(this, TFolderData{path, kind}, nextSerial_++);
  node->setText(0, Q(text));
  if (parent)
    parent->addChild(node);
  else
    addTopLevelItem(node);
  return node;
}

void TDirTreeView::CreateRoot() {
  clear();
  TDirTreeNode* library = AddSimpleNode(nullptr, "Database", "Databases", ftLibrary);
  library->setIcon(0, QIcon(":/dirtree/database.png"));
  TDirTreeNode* playlists = AddSimpleNode(nullptr, "", "Playlists", ftPlaylists);
  playlists->setIcon(0, QIcon(":/dirtree/playlist.png"));

  TDirTreeNode* computer = CreateFolderNode("", "My Computer", nullptr, ftMyComputer);
  TDirTreeNode* network = CreateFolderNode("", "Network", nullptr, ftNetwork);
  ReadVolumes(mountListFile_, volumes_);
  AttachFolders(computer);
  AttachFolders(network);
}

bool TDirTreeView::UnderNetwork(const TDirTreeNode* node) const {
  for (const QTreeWidgetItem* p = node; p; p = p->parent()) {
    const TFolderType k = static_cast<const TDirTreeNode*>(p)->Data.Kind;
    if (k == ftNetwork || k == ftNetworkEntry) return true;
  }
  return false;
}

TDirTreeNode* TDirTreeView::MakeFolderNode(const std::string& path, const std::string& caption,
                                           TDirTreeNode* parent, TFolderType& kind) {
  if (parent && parent->Data.Kind == ftNetwork) kind = ftNetworkEntry;
  auto* node = new TDirTreeNode(this, TFolderData{path, kind}, nextSerial_++);
  node->setText(0, Q(caption));
  switch (kind) {
    case ftMyComputer: node->setIcon(0, computerIcon_); break;
    case ftNetwork:
    case ftNetworkEntry: node->setIcon(0, networkIcon_); break;
    default: node->setIcon(0, folderIcon_); break;
  }
  // Has-children mark. Folders on network mounts are not probed (a slow server would freeze
  // the window); expanding them finds out.
  bool hasChildren = true;
  if (kind == ftFolder && !(parent && UnderNetwork(parent))) hasChildren = HasSubFolder(path);
  node->setChildIndicatorPolicy(hasChildren ? QTreeWidgetItem::ShowIndicator
                                            : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return node;
}

TDirTreeNode* TDirTreeView::CreateFolderNode(const std::string& path, const std::string& caption,
                                             TDirTreeNode* parent, TFolderType kind) {
  TDirTreeNode* node = MakeFolderNode(path, caption, parent, kind);
  const bool child = kind == ftFolder || kind == ftVirtual || kind == ftNetworkEntry;
  if (child && parent)
    parent->addChild(node);
  else
    addTopLevelItem(node);
  return node;
}

void TDirTreeView::AttachVolumes(TDirTreeNode* node) {
  if (node->Data.Kind == ftMyComputer) {
    auto* root = CreateFolderNode("/", "/", node, ftFolder);
    root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    const std::string home = StripOneSlash(Qs(QDir::homePath()));
    std::set<std::string> shown{"/"};
    if (!home.empty() && home != "/" && DirectoryExists(home)) {
      auto* h = CreateFolderNode(home, "Home", node, ftFolder);
      h->setIcon(0, style()->standardIcon(QStyle::SP_DirHomeIcon));
      shown.insert(home);
    }
    for (const MountEntry& m : volumes_.local) {
      if (shown.count(m.mountPoint) || !DirectoryExists(m.mountPoint)) continue;
      shown.insert(m.mountPoint);
      auto* v = CreateFolderNode(m.mountPoint, BaseName(m.mountPoint), node, ftFolder);
      v->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    }
  } else {
    for (const MountEntry& m : volumes_.network)
      CreateFolderNode(m.mountPoint, BaseName(m.mountPoint) + " (" + m.device + ")", node,
                       ftNetworkEntry);
  }
}

bool TDirTreeView::ListChildren(TDirTreeNode* node, bool& anyAdded) {
  anyAdded = false;
  if (node->Data.Kind == ftMyComputer || node->Data.Kind == ftNetwork) {
    AttachVolumes(node);
    anyAdded = node->childCount() > 0;
    node->setChildIndicatorPolicy(anyAdded ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return true;
  }
  if (node->Data.Path.empty() || node->Data.Kind <= ftPlaylists) return true;
  std::vector<std::string> names;
  {
    WaitCursor wait;
    std::string error;
    if (!ListSubFolders(node->Data.Path, names, &error)) {
      DirTreeLog("\r\nCannot list " + error);
      return false;
    }
  }
  // Built first and added in one step: one insertion instead of one per folder.
  QList<QTreeWidgetItem*> children;
  children.reserve(static_cast<qsizetype>(names.size()));
  for (const std::string& name : names) {
    TFolderType kind = ftFolder;
    children.append(MakeFolderNode(JoinPath(node->Data.Path, name), name, node, kind));
  }
  node->addChildren(children);
  anyAdded = !names.empty();
  node->setChildIndicatorPolicy(anyAdded ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  if (!node->Listed) {
    node->Listed = true;
    Watch(node->Data.Path);
  }
  return true;
}

bool TDirTreeView::AttachFolders(TDirTreeNode* node) {
  if (!node) return false;
  bool any = false;
  ListChildren(node, any);
  return any;
}

// ---- expansion ----

bool TDirTreeView::ExpandStep(TDirTreeNode* node) {
  if (destroying_) return false;
  const bool topLevel = node->parent() == nullptr;
  if (topLevel && node->Data.Kind > ftPlaylists)
    for (int i = 0; i < node->childCount(); ++i)
      node->child(i)->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  // Network contents are always read afresh.
  if (node->Data.Kind == ftNetworkEntry && node->childCount() > 0) {
    qDeleteAll(node->takeChildren());
    if (node->Listed) {
      node->Listed = false;
      Unwatch(node->Data.Path);
    }
  }
  if (topLevel) return true;
  if (node->childCount() == 0 && node->Data.Kind > ftPlaylists) {
    bool any = false;
    if (!ListChildren(node, any)) return false;
    return any;
  }
  return true;
}

void TDirTreeView::ItemExpanded(QTreeWidgetItem* item) {
  if (inExpand_) return;
  inExpand_ = true;
  if (!ExpandStep(Node(item))) item->setExpanded(false);
  inExpand_ = false;
}

void TDirTreeView::UpdateNode(TDirTreeNode* node) {
  if (!node) return;
  const bool wasExpanded = node->isExpanded();
  inExpand_ = true;
  if (wasExpanded) {
    setUpdatesEnabled(false);
    node->setExpanded(false);
    setUpdatesEnabled(true);
  }
  qDeleteAll(node->takeChildren());
  if (node->Listed) {
    node->Listed = false;
    Unwatch(node->Data.Path);
  }
  bool yielded;
  if (node->parent() == nullptr && (node->Data.Kind == ftMyComputer || node->Data.Kind == ftNetwork)) {
    // A top-level node lists its volumes again rather than staying empty.
    yielded = AttachFolders(node);
  } else {
    yielded = ExpandStep(node) && node->childCount() > 0;
  }
  if (yielded && wasExpanded) node->setExpanded(true);
  inExpand_ = false;
}

void TDirTreeView::FreeChildren(TDirTreeNode* node) {
  if (!node) return;
  qDeleteAll(node->takeChildren());
  if (node->Listed) {
    node->Listed = false;
    Unwatch(node->Data.Path);
  }
  node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

// ---- look-up ----

std::vector<TDirTreeNode*> TDirTreeView::Nodes() const {
  std::vector<TDirTreeNode*> nodes;
  for (QTreeWidgetItemIterator it(const_cast<TDirTreeView*>(this)); *it; ++it)
    nodes.push_back(Node(*it));
  std::sort(nodes.begin(), nodes.end(),
            [](const TDirTreeNode* a, const TDirTreeNode* b) { return a->Serial < b->Serial; });
  return nodes;
}

TDirTreeNode* TDirTreeView::GetSpecialNode(TFolderType kind) const {
  TDirTreeNode* best = nullptr;
  for (QTreeWidgetItemIterator it(const_cast<TDirTreeView*>(this)); *it; ++it) {
    TDirTreeNode* n = Node(*it);
    if (n->Data.Kind == kind && (!best || n->Serial < best->Serial)) best = n;
  }
  return best;
}

TDirTreeNode* TDirTreeView::FindNode(const std::string& path) {
  const std::string wanted = StripOneSlash(ToLowerAscii(path));
  if (wanted.size() <= 2) {
    setCurrentItem(nullptr);
    clearSelection();
    return nullptr;
  }
  TDirTreeNode* best = nullptr;
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    TDirTreeNode* n = Node(*it);
    if (best && n->Serial > best->Serial) continue;
    if (EqualsNoCase(StripOneSlash(n->Data.Path), wanted)) best = n;
  }
  return best;
}

void TDirTreeView::SetDBName(const std::string& text) {
  if (topLevelItemCount() > 0) topLevelItem(0)->setText(0, Q(text));
}

void TDirTreeView::RemoveNode(TFolderType kind) {
  std::vector<TDirTreeNode*> doomed;
  std::set<QTreeWidgetItem*> set;
  for (TDirTreeNode* n : Nodes())
    if (n->Data.Kind == kind) set.insert(n);
  for (QTreeWidgetItem* n : set) {
    bool insideAnother = false;
    for (QTreeWidgetItem* p = n->parent(); p; p = p->parent())
      if (set.count(p)) insideAnother = true;
    if (!insideAnother) doomed.push_back(Node(n));
  }
  for (TDirTreeNode* n : doomed) delete n;
}

// ---- selection ----

void TDirTreeView::CurrentChanged(QTreeWidgetItem* current) {
  if (!current || destroying_) return;
  TDirTreeNode* node = Node(current);
  if (node->Data.Kind > ftFolder) return;
  path_ = node->Data.Path;
  if (OnPathChange) OnPathChange(this, path_);
}

// ---- change following ----

void TDirTreeView::NodeGone(TDirTreeNode* node) {
  if (node->Listed) Unwatch(node->Data.Path);
  node->Listed = false;
}

void TDirTreeView::Watch(const std::string& path) {
  if (path.empty()) return;
  if (watchCount_[path]++ == 0) watcher_->addPath(Q(path));
}

void TDirTreeView::Unwatch(const std::string& path) {
  auto it = watchCount_.find(path);
  if (it == watchCount_.end()) return;
  if (--it->second <= 0) {
    watchCount_.erase(it);
    if (watcher_) watcher_->removePath(Q(path));
  }
}

QStringList TDirTreeView::WatchedFolders() const { return watcher_->directories(); }

void TDirTreeView::FolderChanged(const QString& folder) {
  if (destroying_) return;
  const std::string path = Qs(folder);
  // A folder that still exists gained or lost sub-folders; one that is gone (removed or
  // renamed) is dropped from its parent's children.
  const std::string target = DirectoryExists(path) ? path : ParentPath(path);
  if (!DirectoryExists(path)) Unwatch(path);
  if (target.empty()) return;
  // Syncing one node may delete others, so the nodes are looked up afresh by serial each time.
  std::vector<uint64_t> serials;
  for (TDirTreeNode* n : Nodes())
    if (n->Listed && StripOneSlash(n->Data.Path) == StripOneSlash(target)) serials.push_back(n->Serial);
  for (uint64_t serial : serials) {
    for (TDirTreeNode* n : Nodes())
      if (n->Serial == serial) {
        SyncChildren(n);
        break;
      }
  }
}

// Brings a listed node's children in line with the folder's sub-folders, keeping the nodes
// (and their expansion) of folders that are still there.
void TDirTreeView::SyncChildren(TDirTreeNode* node) {
  std::vector<std::string> names;
  if (!ListSubFolders(node->Data.Path, names)) return;
  std::set<std::string> wanted(names.begin(), names.end());
  std::set<std::string> present;
  for (int i = node->childCount() - 1; i >= 0; --i) {
    TDirTreeNode* c = Node(node->child(i));
    const std::string name = BaseName(c->Data.Path);
    if (!wanted.count(name) || !present.insert(name).second) delete c;
  }
  for (const std::string& name : names) {
    if (present.count(name)) continue;
    TDirTreeNode* c =
        CreateFolderNode(JoinPath(node->Data.Path, name), name, node, ftFolder);
    // Move it to its place among the sorted siblings.
    node->removeChild(c);
    int at = 0;
    while (at < node->childCount() && NameBefore(BaseName(Node(node->child(at))->Data.Path), name))
      ++at;
    node->insertChild(at, c);
  }
  node->setChildIndicatorPolicy(node->childCount() > 0
                                    ? QTreeWidgetItem::ShowIndicator
                                    : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TDirTreeView::RebuildTopNode(TDirTreeNode* node) {
  if (!node) return;
  const bool wasExpanded = node->isExpanded();
  inExpand_ = true;
  node->setExpanded(false);
  qDeleteAll(node->takeChildren());
  AttachFolders(node);
  if (wasExpanded && node->childCount() > 0) node->setExpanded(true);
  inExpand_ = false;
}

void TDirTreeView::RefreshVolumes() {
  VolumeLists now;
  if (!ReadVolumes(mountListFile_, now)) return;
  const bool localChanged = now.local != volumes_.local;
  const bool networkChanged = now.network != volumes_.network;
  volumes_ = std::move(now);
  if (localChanged) RebuildTopNode(GetSpecialNode(ftMyComputer));
  if (networkChanged) RebuildTopNode(GetSpecialNode(ftNetwork));
}

// ---- log ----

void TDirTreeView::DirTreeLog(const std::string& text) {
  AppendToLog(ProgramFolder() + "dirtreelog.txt", text);
}

}  // namespace spinwave
