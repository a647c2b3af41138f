#pragma once

// Keeps the tests away from the user's own settings, runtime, cache and state
// directories.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace corvane::test {

template <typename Application>
int RunTestsInOwnHome(int argc, char** argv) {
  const TempDir home;
  for (const char* var :
       {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
    const std::string dir = home.File(var);
    std::filesystem::create_directory(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    ::setenv(var, dir.c_str(), 1);
  }
  Application app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace corvane::test
