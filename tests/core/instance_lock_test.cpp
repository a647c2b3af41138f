#include "core/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

TEST(InstanceLockName, DropsEverySlashAndShortensLongKeysKeepingTheHash) {
  EXPECT_TRUE(InstanceLockName("/srv/in/points.xml").starts_with("CorvaneApp_srvinpoints.xml_"));
  const std::string a(400, 'k');
  EXPECT_LE(InstanceLockName(a).size(), 255u);
  EXPECT_NE(InstanceLockName(a), InstanceLockName(a + "2"));
}

// Every spelling of one file shares its lock, and the log names the
// resolved path; files whose paths differ only in their "/" do not share.
TEST(InstanceLock, IsKeyedOnTheResolvedPath) {
  test::TempDir dir;
  test::LoggingCore core;
  fs::create_directories(dir.File("ab"));
  fs::create_directories(dir.File("a"));
  for (const char* name : {"obs.xml", "ab/c.xml", "a/bc.xml"}) dir.Write(name, "");
  fs::create_symlink("obs.xml", dir.File("link.xml"));
  InstanceLock holder(core.log), other(core.log);
  ASSERT_TRUE(holder.RegisterInstance(dir.File("link.xml")));
  std::string key = fs::canonical(dir.path()).string() + "obs.xml";
  std::erase(key, '/');
  EXPECT_EQ(core.Lines().back(), "  Debug ] Mutex for '" + key + "' registered.");
  ASSERT_TRUE(other.RegisterInstance(dir.File("ab/c.xml")));
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.File("ab"));
  for (const std::string& same :
       {dir.File("obs.xml"), dir.File("./obs.xml"), dir.File("a/../obs.xml"),
        std::string("../obs.xml"), std::string("c.xml")}) {
    EXPECT_FALSE(InstanceLock(core.log).RegisterInstance(same)) << same;
  }
  EXPECT_TRUE(InstanceLock(core.log).RegisterInstance(dir.File("a/bc.xml")));
  fs::current_path(cwd);
}

}  // namespace
}  // namespace corvane
