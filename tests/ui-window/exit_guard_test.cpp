#include "ui/exit_guard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// Qt's Wayland plugin logs one of two fixed warnings, from any of its
// threads and often from two at once, and then ends the process with
// _exit(): the last words run then, once, on the thread that made the guard.
TEST(ExitGuardTest, QtsFatalWaylandWarningsRunTheLastWordsOnceOnTheGuardingThread) {
  const struct {
    const char* warning;
    std::size_t runs;
  } cases[] = {
      {"The Wayland connection broke. Did the Wayland compositor die?", 1},
      {"The Wayland connection experienced a fatal error: Protocol error", 1},
      {"The Wayland connection broke.", 0},
  };
  for (const auto& c : cases) {
    std::vector<std::thread::id> ranOn;
    const ExitGuard guard([&ranOn] { ranOn.push_back(std::this_thread::get_id()); });
    std::atomic<int> warning{2};
    const auto warn = [&] {
      qWarning("%s", c.warning);
      --warning;
    };
    std::thread first(warn), second(warn);
    while (warning > 0) QCoreApplication::processEvents();
    first.join();
    second.join();
    EXPECT_EQ(ranOn, std::vector(c.runs, std::this_thread::get_id())) << c.warning;
  }
}

}  // namespace
}  // namespace corvane
