#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>

#include "common/TestSupport.h"
#include "core/AtomicFile.h"

using namespace spinwave;

TEST(AtomicFile, ReplacesWholeAndKeepsPermissions) {
  test::TempFolder dir;
  const std::string path = dir.File("list.txt");
  test::WriteFile(path, "old contents that are longer");
  ::chmod(path.c_str(), 0640);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "new", &error)) << error;
  EXPECT_EQ(test::ReadFile(path), "new");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(QString::fromStdString(dir.Path())).entryList(QDir::Files).size(), 1);
}

TEST(AtomicFile, FailureLeavesOldFileAndSaysWhy) {
  test::TempFolder dir;
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.File("missing/sub/x.txt"), "x", &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  std::string bytes;
  EXPECT_FALSE(ReadWholeFile(dir.File("nothing"), bytes, &error));
  EXPECT_FALSE(ReadWholeFile(dir.Path(), bytes, &error));
}
