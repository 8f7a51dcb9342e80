// main() of every test program: a QApplication on the offscreen platform (no display needed),
// then GoogleTest.
#include <cstdlib>

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("SPINWAVE_OUTPUT")) setenv("SPINWAVE_OUTPUT", "nosound", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
