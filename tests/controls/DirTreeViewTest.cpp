#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "common/TestSupport.h"
#include "controls/DirTreeView.h"
#include "core/Paths.h"

using namespace spinwave;

namespace {

QStringList ChildNames(QTreeWidgetItem* node) {
  QStringList names;
  for (int i = 0; i < node->childCount(); ++i) names << node->child(i)->text(0);
  return names;
}

void MakeFolder(const std::string& path) { ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path))); }

struct PathLog {
  std::vector<std::string> paths;
  void Bind(TDirTreeView& tree) {
    tree.OnPathChange = [this](TDirTreeView*, const std::string& p) { paths.push_back(p); };
  }
};

}  // namespace

TEST(DirTreeView, TopLevelHoldsLibraryPlaylistsComputerAndNetwork) {
  TDirTreeView tree;
  ASSERT_EQ(tree.topLevelItemCount(), 4);
  const struct {
    const char* caption;
    TFolderType kind;
    const char* path;
  } expected[] = {{"Databases", ftLibrary, "Database"},
                  {"Playlists", ftPlaylists, ""},
                  {"My Computer", ftMyComputer, ""},
                  {"Network", ftNetwork, ""}};
  for (int i = 0; i < 4; ++i) {
    TDirTreeNode* n = TDirTreeView::Node(tree.topLevelItem(i));
    EXPECT_EQ(n->text(0).toStdString(), expected[i].caption);
    EXPECT_EQ(n->Data.Kind, expected[i].kind);
    EXPECT_EQ(n->Data.Path, expected[i].path);
  }
  // "My Computer" is listed at once and starts with the root folder, then the home folder.
  TDirTreeNode* computer = tree.GetSpecialNode(ftMyComputer);
  ASSERT_GE(computer->childCount(), 2);
  EXPECT_EQ(TDirTreeView::Node(computer->child(0))->Data.Path, "/");
  EXPECT_EQ(TDirTreeView::Node(computer->child(1))->Data.Path, QDir::homePath().toStdString());
  EXPECT_EQ(TDirTreeView::Node(computer->child(0))->Data.Kind, ftFolder);
  // The two nodes of Spinwave's own carry the program's icons.
  EXPECT_FALSE(tree.GetSpecialNode(ftLibrary)->icon(0).isNull());
  EXPECT_FALSE(tree.GetSpecialNode(ftPlaylists)->icon(0).isNull());
  EXPECT_TRUE(QFile::exists(":/dirtree/database.png"));
  EXPECT_TRUE(QFile::exists(":/dirtree/playlist.png"));

  tree.SetDBName("Music library");
  EXPECT_EQ(tree.topLevelItem(0)->text(0), "Music library");
}

TEST(DirTreeView, WithoutComputerAndNetworkOnlyTheTwoSpecialNodesRemain) {
  TDirTreeView tree;
  // Open a few levels first so nested nodes go too.
  TDirTreeNode* root = TDirTreeView::Node(tree.GetSpecialNode(ftMyComputer)->child(0));
  root->setExpanded(true);
  tree.RemoveNode(ftMyComputer);
  tree.RemoveNode(ftNetwork);
  const auto nodes = tree.Nodes();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0]->Data.Kind, ftLibrary);
  EXPECT_EQ(nodes[1]->Data.Kind, ftPlaylists);
  EXPECT_EQ(tree.GetSpecialNode(ftMyComputer), nullptr);
  EXPECT_TRUE(tree.WatchedFolders().isEmpty());
}

TEST(DirTreeView, SelectionReportsPathsOfLibraryPlaylistsAndFoldersOnly) {
  test::TempFolder dir;
  TDirTreeView tree;
  PathLog log;
  log.Bind(tree);
  EXPECT_EQ(tree.GetPath(), "Database");

  tree.setCurrentItem(tree.GetSpecialNode(ftPlaylists));
  tree.setCurrentItem(tree.GetSpecialNode(ftLibrary));
  tree.setCurrentItem(tree.GetSpecialNode(ftPlaylists));
  tree.setCurrentItem(tree.GetSpecialNode(ftMyComputer));  // reports nothing
  tree.setCurrentItem(tree.GetSpecialNode(ftNetwork));     // reports nothing
  TDirTreeNode* folder = tree.AddSimpleNode(nullptr, dir.Path(), "Temp", ftFolder);
  tree.setCurrentItem(folder);

  const std::vector<std::string> expected{"", "Database", "", dir.Path()};
  EXPECT_EQ(log.paths, expected);
  EXPECT_EQ(tree.GetPath(), dir.Path());
}

TEST(DirTreeView, FindNodeRules) {
  TDirTreeView tree;
  tree.RemoveNode(ftMyComputer);
  tree.RemoveNode(ftNetwork);
  TDirTreeNode* first = tree.AddSimpleNode(nullptr, "/srv/Music/", "Music", ftFolder);
  TDirTreeNode* second = tree.AddSimpleNode(nullptr, "/srv/music", "music again", ftFolder);
  TDirTreeNode* shortOne = tree.AddSimpleNode(nullptr, "/m", "short", ftFolder);
  (void)second;
  (void)shortOne;
  const struct {
    const char* path;
    TDirTreeNode* expected;
  } cases[] = {
      {"/srv/Music", first},   // trailing "/" of the node's path ignored
      {"/SRV/MUSIC/", first},  // letter case and the asked path's trailing "/" ignored
      {"/srv/music//", nullptr},  // only one "/" is stripped
      {"Database", tree.GetSpecialNode(ftLibrary)},
      {"/m", nullptr},  // two characters or fewer find nothing
      {"/", nullptr},
      {"", nullptr},
      {"/srv/other", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(tree.FindNode(c.path), c.expected) << c.path;

  tree.setCurrentItem(first);
  ASSERT_FALSE(tree.selectedItems().isEmpty());
  EXPECT_EQ(tree.FindNode("/m/"), nullptr);
  EXPECT_TRUE(tree.selectedItems().isEmpty());
  EXPECT_EQ(tree.currentItem(), nullptr);
}

TEST(DirTreeView, ExpansionListsSubFoldersSortedAndRefusesWhenThereAreNone) {
  test::TempFolder dir;
  for (const char* f : {"gamma", "Alpha", "beta", ".hidden", "beta/inner"}) MakeFolder(dir.File(f));
  test::WriteFile(dir.File("track.mp3"), "not a folder");
  TDirTreeView tree;
  TDirTreeNode* top = tree.AddSimpleNode(nullptr, dir.Path(), "Temp", ftFolder);
  ASSERT_TRUE(tree.AttachFolders(top));
  EXPECT_EQ(ChildNames(top), (QStringList{"Alpha", "beta", "gamma"}));
  TDirTreeNode* alpha = TDirTreeView::Node(top->child(0));
  TDirTreeNode* beta = TDirTreeView::Node(top->child(1));
  EXPECT_EQ(alpha->Data.Path, dir.File("Alpha"));
  EXPECT_EQ(alpha->Data.Kind, ftFolder);
  // Has-children marks come from the folders themselves.
  EXPECT_EQ(alpha->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  EXPECT_EQ(beta->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  top->setExpanded(true);
  beta->setExpanded(true);
  EXPECT_TRUE(beta->isExpanded());
  EXPECT_EQ(ChildNames(beta), (QStringList{"inner"}));

  alpha->setExpanded(true);  // no sub-folders: the expansion is refused
  EXPECT_FALSE(alpha->isExpanded());
  EXPECT_EQ(alpha->childCount(), 0);

  // A folder that cannot be listed refuses the expansion and leaves the tree as it was.
  TDirTreeNode* gone = tree.CreateFolderNode(dir.File("missing"), "missing", top, ftFolder);
  gone->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  gone->setExpanded(true);
  EXPECT_FALSE(gone->isExpanded());
  EXPECT_EQ(gone->childCount(), 0);
}

TEST(DirTreeView, FollowsFoldersCreatedRenamedAndRemoved) {
  test::TempFolder dir;
  MakeFolder(dir.File("Crates/House"));
  MakeFolder(dir.File("Jingles"));
  TDirTreeView tree;
  TDirTreeNode* top = tree.AddSimpleNode(nullptr, dir.Path(), "Temp", ftFolder);
  tree.AttachFolders(top);
  top->setExpanded(true);
  TDirTreeNode* crates = TDirTreeView::Node(top->child(0));
  crates->setExpanded(true);
  ASSERT_TRUE(crates->isExpanded());
  EXPECT_TRUE(tree.WatchedFolders().contains(QString::fromStdString(dir.File("Crates"))));

  MakeFolder(dir.File("Acapellas"));
  QTRY_COMPARE_WITH_TIMEOUT(ChildNames(top), (QStringList{"Acapellas", "Crates", "Jingles"}), 5000);
  // The folders already shown keep their nodes and their expansion.
  EXPECT_EQ(top->child(1), crates);
  EXPECT_TRUE(crates->isExpanded());

  ASSERT_TRUE(QDir().rename(QString::fromStdString(dir.File("Jingles")),
                            QString::fromStdString(dir.File("Beds"))));
  QTRY_COMPARE_WITH_TIMEOUT(ChildNames(top), (QStringList{"Acapellas", "Beds", "Crates"}), 5000);
  EXPECT_EQ(TDirTreeView::Node(top->child(1))->Data.Path, dir.File("Beds"));

  MakeFolder(dir.File("Crates/Techno"));
  QTRY_COMPARE_WITH_TIMEOUT(ChildNames(crates), (QStringList{"House", "Techno"}), 5000);

  ASSERT_TRUE(QDir(QString::fromStdString(dir.File("Crates"))).removeRecursively());
  QTRY_COMPARE_WITH_TIMEOUT(ChildNames(top), (QStringList{"Acapellas", "Beds"}), 5000);
  EXPECT_FALSE(tree.WatchedFolders().contains(QString::fromStdString(dir.File("Crates"))));
}

TEST(DirTreeView, UpdateNodeRereadsAndReexpands) {
  test::TempFolder dir;
  MakeFolder(dir.File("one"));
  TDirTreeView tree;
  TDirTreeNode* top = tree.AddSimpleNode(nullptr, dir.Path(), "Temp", ftFolder);
  TDirTreeNode* mid = tree.CreateFolderNode(dir.Path(), "again", top, ftFolder);
  mid->setExpanded(true);
  ASSERT_EQ(ChildNames(mid), QStringList{"one"});
  MakeFolder(dir.File("two"));
  tree.UpdateNode(mid);
  EXPECT_EQ(ChildNames(mid), (QStringList{"one", "two"}));
  EXPECT_TRUE(mid->isExpanded());

  tree.FreeChildren(mid);
  EXPECT_EQ(mid->childCount(), 0);
  EXPECT_EQ(mid->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  // Updating "My Computer" lists its volumes again instead of leaving it empty.
  TDirTreeNode* computer = tree.GetSpecialNode(ftMyComputer);
  const int before = computer->childCount();
  tree.UpdateNode(computer);
  EXPECT_EQ(computer->childCount(), before);
}

TEST(DirTreeView, MountedVolumesAndNetworkMountsFollowTheMountList) {
  test::TempFolder dir;
  MakeFolder(dir.File("usb/Sets"));
  MakeFolder(dir.File("nas"));
  const std::string mounts = dir.File("mounts");
  test::WriteFile(mounts, "/dev/vda / ext4 rw 0 0\n");
  TDirTreeView tree;
  tree.SetMountListFile(mounts);
  tree.RefreshVolumes();
  TDirTreeNode* computer = tree.GetSpecialNode(ftMyComputer);
  TDirTreeNode* network = tree.GetSpecialNode(ftNetwork);
  const int plain = computer->childCount();
  EXPECT_EQ(network->childCount(), 0);

  std::string usb = dir.File("usb"), nas = dir.File("nas");
  test::WriteFile(mounts, "/dev/vda / ext4 rw 0 0\n/dev/sdb1 " + usb + " vfat rw 0 0\n"
                          "nas:/music " + nas + " nfs4 rw 0 0\n");
  tree.RefreshVolumes();
  ASSERT_EQ(computer->childCount(), plain + 1);
  TDirTreeNode* volume = TDirTreeView::Node(computer->child(plain));
  EXPECT_EQ(volume->Data.Path, usb);
  EXPECT_EQ(volume->Data.Kind, ftFolder);
  EXPECT_EQ(volume->text(0), "usb");
  ASSERT_EQ(network->childCount(), 1);
  TDirTreeNode* share = TDirTreeView::Node(network->child(0));
  EXPECT_EQ(share->Data.Kind, ftNetworkEntry);
  EXPECT_EQ(share->Data.Path, nas);

  // A network entry reads its contents afresh at every expansion.
  share->setExpanded(true);
  EXPECT_EQ(share->childCount(), 0);
  MakeFolder(dir.File("nas/Live"));
  share->setExpanded(false);
  share->setExpanded(true);
  EXPECT_EQ(ChildNames(share), QStringList{"Live"});

  test::WriteFile(mounts, "/dev/vda / ext4 rw 0 0\n");
  tree.RefreshVolumes();
  EXPECT_EQ(computer->childCount(), plain);
  EXPECT_EQ(network->childCount(), 0);
}

TEST(DirTreeView, LogStartsAnewBeyondLimit) {
  const std::string log = ProgramFolder() + "dirtreelog.txt";
  const struct {
    size_t existing;
    size_t expectedAfter;
  } cases[] = {{0, 3}, {102400, 102403}, {102401, 3}};
  for (const auto& c : cases) {
    test::WriteFile(log, std::string(c.existing, 'x'));
    TDirTreeView::DirTreeLog("abc");
    const std::string text = test::ReadFile(log);
    EXPECT_EQ(text.size(), c.expectedAfter) << c.existing;
    EXPECT_EQ(text.substr(text.size() - 3), "abc");
  }
}
