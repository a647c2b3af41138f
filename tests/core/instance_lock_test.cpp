#include "core/instance_lock.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "core/log.h"
#include "core/platform/platform.h"
#include "lang/language.h"
#include "support/recording_hosts.h"

namespace corvane {
namespace {

TEST(InstanceLockName, DropsEverySlashAndShortensLongKeysByAHash) {
  EXPECT_EQ(InstanceLockName("/srv/in/points.xml"), "CorvaneApp_srvinpoints.xml");
  EXPECT_EQ(InstanceLockName("srvin/points.xml"), InstanceLockName("/srv/in/points.xml"));
  EXPECT_EQ(InstanceLockName("a\\b.xml"), "CorvaneApp_a\\b.xml");

  const std::string fits(255 - 11, 'k');
  EXPECT_EQ(InstanceLockName(fits), "CorvaneApp_" + fits);
  const std::string a(400, 'k');
  const std::string b = a + "2";
  EXPECT_LE(InstanceLockName(a).size(), 255u);
  EXPECT_NE(InstanceLockName(a), InstanceLockName(b));
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override { state.iLogLevel = LogLevel::Debug; }

  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  SystemClock clock;
  Log log{state, language, view, desktop, clock};
};

TEST_F(InstanceLockTest, OneHolderPerKeyUntilReleased) {
  const std::string key = "/srv/in/points.xml";
  InstanceLock first(log);
  InstanceLock second(log);
  ASSERT_TRUE(first.RegisterInstance(key));
  ASSERT_EQ(view.items.size(), 1u);
  EXPECT_NE(view.items[0].text.find("  Debug ] Mutex for 'srvinpoints.xml' registered."),
            std::string::npos);

  EXPECT_FALSE(second.RegisterInstance(key));
  EXPECT_FALSE(second.RegisterInstance("srvin/points.xml"));
  EXPECT_FALSE(second.IsHeld());
  EXPECT_TRUE(second.RegisterInstance("/srv/in/other.xml"));  // another file: side by side
  EXPECT_TRUE(second.RegisterInstance(std::string(400, 'k')));

  first.ReleaseInstance();
  EXPECT_TRUE(std::filesystem::exists(platform::InstanceLockPath(InstanceLockName(key))));
  {
    InstanceLock third(log);
    EXPECT_TRUE(third.RegisterInstance(key));
  }
  EXPECT_TRUE(first.RegisterInstance(key));  // the third one let go when it went
}

TEST_F(InstanceLockTest, AnotherProcessHoldsItUntilKilled) {
  const std::string key = "/srv/in/points.xml";
  const QString path = QString::fromStdString(platform::InstanceLockPath(InstanceLockName(key)));
  QProcess holder;
  holder.start("sh", {"-c", "exec 9>>\"$0\"; flock 9; echo locked; exec sleep 120", path});
  QByteArray said;
  while (!said.contains("locked") && holder.waitForReadyRead(60000)) {
    said += holder.readAllStandardOutput();
  }
  ASSERT_TRUE(said.contains("locked"));

  InstanceLock lock(log);
  EXPECT_FALSE(lock.RegisterInstance(key));
  holder.kill();
  ASSERT_TRUE(holder.waitForFinished(60000));
  ASSERT_TRUE(lock.RegisterInstance(key));

  // And the other way round: the lock this process holds is seen outside.
  QProcess probe;
  probe.start("flock", {"--nonblock", path, "true"});
  ASSERT_TRUE(probe.waitForFinished(60000));
  EXPECT_NE(probe.exitCode(), 0);
  lock.ReleaseInstance();
  probe.start("flock", {"--nonblock", path, "true"});
  ASSERT_TRUE(probe.waitForFinished(60000));
  EXPECT_EQ(probe.exitCode(), 0);
}

}  // namespace
}  // namespace corvane
