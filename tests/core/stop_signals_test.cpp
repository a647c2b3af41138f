#include "platform/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <memory>

#include "platform/processes.h"

namespace corvane::platform {
namespace {

// A holder is replaced the way a smart pointer does it: the new one is made
// before the old one goes. The old one must not take the new one's pipe
// along, or a signal would no longer wake the event loop.
TEST(StopSignalsTest, OneThatGoesLeavesTheNextOneAwake) {
  auto signals = std::make_unique<StopSignals>();
  signals = std::make_unique<StopSignals>();
  ASSERT_GE(signals->ReadEnd(), 0);
  ASSERT_EQ(::raise(SIGHUP), 0);
  EXPECT_TRUE(AwaitReadable(signals->ReadEnd(), 0));
  signals = std::make_unique<StopSignals>();  // clears the flag for the tests after this one
}

}  // namespace
}  // namespace corvane::platform
