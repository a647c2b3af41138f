// Every bundled example observation file loads completely.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/point_loader.h"
#include "support/logging_core.h"

namespace corvane {
namespace {

TEST(Examples, EveryFileLoadsEveryPoint) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".xml") continue;
    ++files;
    test::LoggingCore core;
    PointLoader loader(core.state, core.log);
    ASSERT_TRUE(loader.LoadFile(entry.path().string())) << entry.path();
    EXPECT_NE(core.state.daemonName, "Corvane") << entry.path();
    EXPECT_FALSE(core.Logged("failed")) << entry.path();
  }
  EXPECT_GE(files, 7);
}

}  // namespace
}  // namespace corvane
