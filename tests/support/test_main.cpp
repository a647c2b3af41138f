// The main of every Qt-using test executable: it keeps the tests away from
// the user's own settings, runtime and cache directories and makes the
// application object that timers and event loops need.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

int main(int argc, char** argv) {
  const corvane::test::TempDir home;
  for (const char* var : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    const std::string dir = home.File(var);
    std::filesystem::create_directory(dir);
    ::setenv(var, dir.c_str(), 1);
  }
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
