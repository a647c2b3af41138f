#include <QCoreApplication>

#include "support/test_home.h"

int main(int argc, char** argv) {
  return corvane::test::RunTestsInOwnHome<QCoreApplication>(argc, argv);
}
