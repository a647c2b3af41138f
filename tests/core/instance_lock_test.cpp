#include "core/instance_lock.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const std::string kKey = "/srv/in/points.xml";

TEST(InstanceLockName, DropsEverySlashAndShortensLongKeysByAHash) {
  EXPECT_EQ(InstanceLockName(kKey), "CorvaneApp_srvinpoints.xml");
  const std::string a(400, 'k');
  EXPECT_LE(InstanceLockName(a).size(), 255u);
  EXPECT_NE(InstanceLockName(a), InstanceLockName(a + "2"));
}

}  // namespace
}  // namespace corvane
