// The widget tests need a QApplication; they draw off-screen, also when the
// test list is read without the tests' environment.

#include <QApplication>

#include "support/test_home.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return corvane::test::RunTestsInOwnHome<QApplication>(argc, argv);
}
