#include "core/std_helpers.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <limits>
#include <stdexcept>

#include "support/temp_dir.h"

namespace corvane {
namespace {

TEST(StdHelpers, StrAppendChangesAndReturnsTheText) {
  std::string s = "ab";
  EXPECT_EQ(StrAppend(s, "cd"), "abcd");
  EXPECT_EQ(s, "abcd");
}

TEST(StdHelpers, IncCountsAndRefusesToOverflow) {
  std::int32_t n = 41;
  EXPECT_EQ(Inc(n), 42);
  EXPECT_EQ(n, 42);
  n = std::numeric_limits<std::int32_t>::max();
  EXPECT_THROW(Inc(n), std::overflow_error);
  EXPECT_EQ(n, std::numeric_limits<std::int32_t>::max());
}

TEST(StdHelpers, PathExistsForFilesAndDirectoriesOnly) {
  test::TempDir dir;
  EXPECT_TRUE(PathExists(dir.path()));
  EXPECT_TRUE(PathExists(dir.Write("f", "x")));
  EXPECT_FALSE(PathExists(dir.File("missing")));
  EXPECT_FALSE(PathExists(""));
}

TEST(StdHelpers, PumpMessageRunsPendingEvents) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  PumpMessage();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace corvane
