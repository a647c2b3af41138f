#include <gtest/gtest.h>

#include "core/version.h"
#include "corvane_process.h"

namespace corvane::test {
namespace {

TEST(Startup, WithoutObservationFileShowsBannerAndTheXmlHintAndFails) {
  CorvaneProcess run({});
  EXPECT_EQ(run.Finished(), 1);
  EXPECT_EQ(run.Out(), std::string("Corvane v. ") + kVersionText + " is starting...\n");
  EXPECT_NE(
      run.Err().find("Use /XML to specify an XML file containing the File Points to observe."),
      std::string::npos);
}

TEST(Startup, HelpAndVersionSucceed) {
  CorvaneProcess help({"--help"});
  EXPECT_EQ(help.Finished(), 0);
  EXPECT_NE(help.Out().find("/XML"), std::string::npos);
  CorvaneProcess version({"--VERSION"});
  EXPECT_EQ(version.Finished(), 0);
  EXPECT_EQ(version.Out(), std::string("Corvane ") + kVersionText + "\n");
}

}  // namespace
}  // namespace corvane::test
