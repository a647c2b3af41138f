#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "platform/shared_files.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::MoveOutcome;
using platform::NoReplaceWay;
using Files = std::map<std::string, std::string>;

// Every file in `folder` with its content.
Files FilesIn(const std::string& folder) {
  Files files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = test::ReadFile(entry.path().string());
  }
  return files;
}

struct Case {
  const char* situation;
  std::optional<std::string> source, target;  // the contents of "a" before; none: missing
  MoveOutcome outcome;
  Files sourceAfter, targetAfter;
};

// Each way, forced on a file system that knows them all, moves only to a
// free name, replaces nothing and leaves no reservation behind.
TEST(NoReplaceRenameTest, EveryWayMovesOnlyToAFreeName) {
  const Case cases[] = {
      {"target free", "new", std::nullopt, MoveOutcome::Moved, {}, {{"a", "new"}}},
      {"target taken", "new", "old", MoveOutcome::TargetTaken, {{"a", "new"}}, {{"a", "old"}}},
      {"source gone", std::nullopt, std::nullopt, MoveOutcome::SourceGone, {}, {}},
  };
  for (const NoReplaceWay way :
       {NoReplaceWay::Rename, NoReplaceWay::Link, NoReplaceWay::Reservation}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.situation << ", way " << static_cast<int>(way));
      const test::TempDir dir;
      fs::create_directory(dir.File("from"));
      fs::create_directory(dir.File("to"));
      if (c.source) dir.Write("from/a", *c.source);
      if (c.target) dir.Write("to/a", *c.target);
      const platform::Result<platform::UniqueFd> from = platform::OpenDirectory(dir.File("from"));
      const platform::Result<platform::UniqueFd> to = platform::OpenDirectory(dir.File("to"));
      const platform::Result<MoveOutcome> moved =
          platform::MoveWithoutReplacing(from->get(), "a", to->get(), "a", way);
      ASSERT_TRUE(moved) << moved.error().text;
      EXPECT_EQ(*moved, c.outcome);
      EXPECT_EQ(FilesIn(dir.File("from")), c.sourceAfter);
      EXPECT_EQ(FilesIn(dir.File("to")), c.targetAfter);
    }
  }
}

}  // namespace
}  // namespace corvane
