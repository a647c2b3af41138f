#include "core/std_helpers.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <limits>
#include <stdexcept>

#include "support/temp_dir.h"

namespace corvane {
namespace {

TEST(StdHelpers, IncRefusesToOverflow) {
  std::int32_t n = 41;
  EXPECT_EQ(Inc(n), 42);
  n = std::numeric_limits<std::int32_t>::max();
  EXPECT_THROW(Inc(n), std::overflow_error);
  EXPECT_EQ(n, std::numeric_limits<std::int32_t>::max());
}

TEST(StdHelpers, PathExistsAndPumpMessage) {
  test::TempDir dir;
  EXPECT_TRUE(PathExists(dir.Write("f", "x")));
  EXPECT_FALSE(PathExists(dir.File("missing")));
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  PumpMessage();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace corvane
