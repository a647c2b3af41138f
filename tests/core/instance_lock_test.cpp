#include "core/instance_lock.h"

#include <gtest/gtest.h>

#include "support/logging_core.h"

namespace corvane {
namespace {

const std::string kKey = "/srv/in/points.xml";

TEST(InstanceLockName, DropsEverySlashAndShortensLongKeysByAHash) {
  EXPECT_EQ(InstanceLockName(kKey), "CorvaneApp_srvinpoints.xml");
  const std::string a(400, 'k');
  EXPECT_LE(InstanceLockName(a).size(), 255u);
  EXPECT_NE(InstanceLockName(a), InstanceLockName(a + "2"));
}

class InstanceLockTest : public ::testing::Test, protected test::LoggingCore {};

TEST_F(InstanceLockTest, OneHolderPerNameUntilReleased) {
  InstanceLock first(log), second(log);
  ASSERT_TRUE(first.RegisterInstance(kKey));
  EXPECT_EQ(Lines(), std::vector<std::string>{"  Debug ] Mutex for 'srvinpoints.xml' registered."});
  EXPECT_FALSE(second.RegisterInstance("srvin/points.xml"));  // the same name
  EXPECT_TRUE(second.RegisterInstance("/srv/in/other.xml"));  // another file: side by side
  first.ReleaseInstance();
  EXPECT_TRUE(second.RegisterInstance(kKey));
}

}  // namespace
}  // namespace corvane
