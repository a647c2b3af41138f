#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include "support/temp_dir.h"

namespace {

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
  qint64 ms;
};

Outcome RunCorvane(const QStringList& args) {
  QProcess process;
  QElapsedTimer elapsed;
  elapsed.start();
  process.start(QStringLiteral(CORVANE_EXE), args);
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(10000));
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString(), elapsed.elapsed()};
}

TEST(Startup, WithoutArgumentsShowsBannerAndTheXmlHint) {
  const Outcome run = RunCorvane({});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(run.out, "Corvane v. 1.0.2 is starting...\n");
  EXPECT_NE(run.err.find("Use /XML to specify an XML file containing the File Points to observe."),
            std::string::npos);
  EXPECT_LT(run.ms, 1000);
}

TEST(Startup, HelpAndVersionSucceed) {
  const Outcome help = RunCorvane({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("/XML"), std::string::npos);
  const Outcome version = RunCorvane({"--VERSION"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Corvane 1.0.2\n");
}

TEST(Startup, UnknownArgumentIsReportedAndIgnored) {
  const Outcome run = RunCorvane({"--frobnicate"});
  EXPECT_NE(run.err.find("unknown argument '--frobnicate'"), std::string::npos);
  EXPECT_NE(run.err.find("Use /XML"), std::string::npos);
}

}  // namespace
