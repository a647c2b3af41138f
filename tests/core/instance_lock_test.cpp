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

TEST_F(InstanceLockTest, OneHolderPerKeyUntilReleased) {
  InstanceLock first(log);
  InstanceLock second(log);
  ASSERT_TRUE(first.RegisterInstance(kKey));
  EXPECT_EQ(Lines(), std::vector<std::string>{"  Debug ] Mutex for 'srvinpoints.xml' registered."});
  EXPECT_FALSE(second.RegisterInstance("srvin/points.xml"));  // the same name
  EXPECT_FALSE(second.IsHeld());
  EXPECT_TRUE(second.RegisterInstance("/srv/in/other.xml"));  // another file: side by side

  first.ReleaseInstance();
  {
    InstanceLock third(log);
    EXPECT_TRUE(third.RegisterInstance(kKey));
    EXPECT_FALSE(first.RegisterInstance(kKey));
  }
  EXPECT_TRUE(first.RegisterInstance(kKey));  // the third one let go when it went
}

}  // namespace
}  // namespace corvane
