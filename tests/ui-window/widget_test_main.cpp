// The main of the widget tests: like the other tests' main, with its own
// settings, runtime and cache directories, but with a QApplication.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
  const corvane::test::TempDir home;
  for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    const std::string dir = home.File(var);
    std::filesystem::create_directory(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    ::setenv(var, dir.c_str(), 1);
  }
  // Also when the test list is read without the tests' environment.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
