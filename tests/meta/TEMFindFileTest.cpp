#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/Paths.h"
#include "meta/TEMFindFile.h"

namespace spinwave {
namespace {

// Runs one search to its end and records what the finder reported, and on which thread.
struct Recorder {
  explicit Recorder(TEMFindFile& finder) {
    finder.SetOnNotifyPath([this](TEMFindFile*, const std::string& path) {
      paths.push_back(path);
      offThread |= QThread::currentThread() != qApp->thread();
    });
    finder.SetOnNotifyFile([this](TEMFindFile* sender, const std::string& file, bool& add) {
      reported.push_back(file);
      offThread |= QThread::currentThread() != qApp->thread();
      if (veto && veto(file)) add = false;
      if (onFile) onFile(sender);
    });
    finder.SetOnFinnished([this](TEMFindFile*) {
      ++finished;
      offThread |= QThread::currentThread() != qApp->thread();
    });
  }
  bool Wait() { return QTest::qWaitFor([this] { return finished > 0; }, 10000); }

  std::vector<std::string> paths, reported;
  std::function<bool(const std::string&)> veto;
  std::function<void(TEMFindFile*)> onFile;
  int finished = 0;
  bool offThread = false;
};

void Touch(const std::string& path) {
  MakeFolders(path.substr(0, path.find_last_of('/')));
  test::WriteFile(path, "x");
}

TEST(TEMFindFile, FilesOfTheFirstPatternComeFirstAndCaseIsIgnored) {
  test::TempFolder dir;
  for (const char* name : {"a.ogg", "b.mp3", "c.wav", "D.MP3", "notes.txt"}) Touch(dir.File(name));
  TEMFindFile finder;
  Recorder rec(finder);
  finder.SetMask("*.mp3;*.wav;*.ogg");
  finder.SetPath(dir.Path());
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  const auto& files = finder.Files();
  ASSERT_EQ(files.size(), 4u);
  // The two MP3 files in the order the folder gives them, then the WAV, then the OGG file.
  EXPECT_EQ(std::set<std::string>(files.begin(), files.begin() + 2),
            (std::set<std::string>{dir.File("b.mp3"), dir.File("D.MP3")}));
  EXPECT_EQ(files[2], dir.File("c.wav"));
  EXPECT_EQ(files[3], dir.File("a.ogg"));
  EXPECT_EQ(rec.reported, files);
  EXPECT_EQ(rec.finished, 1);
  EXPECT_FALSE(rec.offThread) << "every event runs on the interface thread";
}

TEST(TEMFindFile, AFoldersFilesComeBeforeItsSubfolders) {
  test::TempFolder dir;
  Touch(dir.File("root.mp3"));
  Touch(dir.File("sub/one.mp3"));
  Touch(dir.File("sub/deeper/two.mp3"));
  Touch(dir.File("album.mp3/inside.txt"));  // a folder whose name matches is reported too
  TEMFindFile finder;
  Recorder rec(finder);
  finder.SetMask("*.mp3");
  const std::string root = dir.Path().substr(0, dir.Path().size() - 1);
  finder.SetPath(root);
  finder.Start();
  EXPECT_EQ(finder.GetPath(), dir.Path()) << "the path gets its final separator";
  ASSERT_TRUE(rec.Wait());

  const auto& files = finder.Files();
  ASSERT_EQ(files.size(), 4u);
  const auto at = [&](const std::string& f) { return std::find(files.begin(), files.end(), f) - files.begin(); };
  EXPECT_LT(at(dir.File("root.mp3")), at(dir.File("sub/one.mp3")));
  EXPECT_LT(at(dir.File("album.mp3")), at(dir.File("sub/one.mp3")));
  EXPECT_LT(at(dir.File("sub/one.mp3")), at(dir.File("sub/deeper/two.mp3")));
  EXPECT_EQ(rec.paths.front(), dir.Path());
  EXPECT_LT(std::find(rec.paths.begin(), rec.paths.end(), dir.File("sub/")),
            std::find(rec.paths.begin(), rec.paths.end(), dir.File("sub/deeper/")));
  EXPECT_EQ(rec.paths.size(), 4u);

  TEMFindFile flat;
  Recorder flatRec(flat);
  flat.SetMask("*.MP3");
  flat.SetPath(dir.Path());
  flat.SetRecursive(false);
  flat.Start();
  ASSERT_TRUE(flatRec.Wait());
  EXPECT_EQ(flat.Files().size(), 2u);
  EXPECT_EQ(flatRec.paths, std::vector<std::string>{dir.Path()});
}

TEST(TEMFindFile, AVetoedFileIsLeftOutAndTheSearchGoesOn) {
  test::TempFolder dir;
  for (const char* name : {"keep1.mp3", "skip.mp3", "sub/keep2.mp3", "sub/skip2.mp3"}) Touch(dir.File(name));
  TEMFindFile finder;
  Recorder rec(finder);
  rec.veto = [](const std::string& f) { return f.find("skip") != std::string::npos; };
  finder.SetMask("*.mp3");
  finder.SetPath(dir.Path());
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  EXPECT_EQ(rec.reported.size(), 4u);
  EXPECT_EQ(std::set<std::string>(finder.Files().begin(), finder.Files().end()),
            (std::set<std::string>{dir.File("keep1.mp3"), dir.File("sub/keep2.mp3")}));
}

TEST(TEMFindFile, CancelStillFinishesWithTheFilesAcceptedSoFar) {
  test::TempFolder dir;
  for (int i = 0; i < 50; ++i) Touch(dir.File("f" + std::to_string(i) + ".mp3"));
  Touch(dir.File("sub/later.mp3"));
  TEMFindFile finder;
  Recorder rec(finder);
  rec.onFile = [&rec](TEMFindFile* sender) {
    if (rec.reported.size() == 5) sender->Cancel();
  };
  finder.SetMask("*.mp3");
  finder.SetPath(dir.Path());
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  EXPECT_EQ(rec.finished, 1);
  EXPECT_EQ(finder.Files().size(), 5u);
  EXPECT_EQ(rec.reported.size(), 5u);
  EXPECT_FALSE(finder.IsSearching());

  // The finder can search again afterwards, and a second Start while searching is ignored.
  rec.onFile = nullptr;
  rec.finished = 0;
  finder.Start();
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  QTest::qWait(50);
  EXPECT_EQ(rec.finished, 1);
  EXPECT_EQ(finder.Files().size(), 51u);
}

TEST(TEMFindFile, EmptyMaskFindsNoFilesButEntersSubfolders) {
  test::TempFolder dir;
  Touch(dir.File("a.mp3"));
  Touch(dir.File("sub/b.mp3"));
  TEMFindFile finder;
  Recorder rec(finder);
  finder.SetPath(dir.Path());
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  EXPECT_TRUE(finder.Files().empty());
  EXPECT_EQ(rec.paths, (std::vector<std::string>{dir.Path(), dir.File("sub/")}));

  // "*.*" lists every entry but the folder's own "." and "..".
  TEMFindFile all;
  Recorder allRec(all);
  all.SetMask("*.*");
  all.SetPath(dir.Path());
  all.SetRecursive(false);
  all.Start();
  ASSERT_TRUE(allRec.Wait());
  EXPECT_EQ(std::set<std::string>(all.Files().begin(), all.Files().end()),
            (std::set<std::string>{dir.File("a.mp3"), dir.File("sub")}));

  // A folder that does not exist contributes nothing and still finishes.
  TEMFindFile missing;
  Recorder missingRec(missing);
  missing.SetMask("*.*");
  missing.SetPath(dir.File("nowhere"));
  missing.Start();
  ASSERT_TRUE(missingRec.Wait());
  EXPECT_TRUE(missing.Files().empty());
}

TEST(TEMFindFile, AFolderLoopThroughASymbolicLinkEnds) {
  test::TempFolder dir;
  Touch(dir.File("music/a.mp3"));
  ASSERT_EQ(::symlink(dir.File("music").c_str(), dir.File("music/again").c_str()), 0);
  TEMFindFile finder;
  Recorder rec(finder);
  finder.SetMask("*.mp3");
  finder.SetPath(dir.File("music"));
  finder.Start();
  ASSERT_TRUE(rec.Wait());
  EXPECT_EQ(finder.Files(), std::vector<std::string>{dir.File("music/a.mp3")});
}

TEST(TEMFindFile, DestroyingARunningFinderDoesNotHang) {
  test::TempFolder dir;
  for (int i = 0; i < 20; ++i) Touch(dir.File("d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".mp3"));
  {
    // No event loop runs while the finder is destroyed: its thread is waiting for one.
    TEMFindFile finder;
    Recorder rec(finder);
    finder.SetMask("*.mp3");
    finder.SetPath(dir.Path());
    finder.Start();
  }
  {
    // Destroyed from within its own event.
    auto* finder = new TEMFindFile;
    bool destroyed = false;
    finder->SetMask("*.mp3");
    finder->SetPath(dir.Path());
    finder->SetOnNotifyFile([&](TEMFindFile* sender, const std::string&, bool&) {
      if (!destroyed) {
        destroyed = true;
        delete sender;
      }
    });
    finder->Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return destroyed; }, 10000));
    QTest::qWait(20);
  }
}

TEST(TEMFindFile, WildcardPatterns) {
  const struct {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.mp3", "a.MP3", true},   {"*.mp3", "a.mp3.bak", false}, {"*.*", "noext", true},
      {"*", "x", true},           {"?.ogg", "a.ogg", true},       {"?.ogg", "ab.ogg", false},
      {"a*b*c", "aXbYc", true},   {"a*b*c", "aXbY", false},      {"", "a", false},
      {"*.npl", "list.NPL", true}, {"*mix*", "Best MIX 2", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TEMFindFile::MatchesPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

}  // namespace
}  // namespace spinwave
