// Every bundled example observation file loads completely.

#include <gtest/gtest.h>

#include <filesystem>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/point_loader.h"
#include "lang/language.h"
#include "support/recording_hosts.h"

namespace corvane {
namespace {

TEST(Examples, EveryFileLoadsEveryPoint) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".xml") continue;
    ++files;
    DaemonState state;
    Language language;
    test::RecordingLogView view;
    test::FakeDesktop desktop;
    SystemClock clock;
    Log log(state, language, view, desktop, clock);
    PointLoader loader(state, log);
    ASSERT_TRUE(loader.fLoadFile(entry.path().string())) << entry.path();
    EXPECT_NE(state.sDaemonName, "Corvane") << entry.path();
    ASSERT_FALSE(view.items.empty());
    EXPECT_EQ(view.items.back().text.find("failed"), std::string::npos) << entry.path();
  }
  EXPECT_GE(files, 6);
}

}  // namespace
}  // namespace corvane
