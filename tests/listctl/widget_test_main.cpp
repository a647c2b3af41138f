// Widgets need a QApplication; off-screen also when CTest lists the tests
// without its environment, and away from the user's own settings and cache.

#include <QApplication>

#include "support/test_home.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return corvane::test::RunTestsInOwnHome<QApplication>(argc, argv);
}
