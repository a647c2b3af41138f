#include "core/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/logging_core.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

using Texts = std::vector<std::string>;

class LogTest : public ::testing::Test, protected test::LoggingCore {
 protected:
  LogTest() { state.logFile = dir.File("log.txt"); }
  std::string FileContent() const { return test::ReadFile(state.logFile); }

  test::TempDir dir;
};

TEST_F(LogTest, EachLineIsStampedAndTaggedInTheLanguageInViewAndFile) {
  log.WriteLog("one\r\ntwo", LogLevel::Info);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("", LogLevel::Error);
  EXPECT_EQ(view.Texts(),
            (Texts{"[2026-01-02 03:04:05    Info ] one", "[2026-01-02 03:04:05    Info ] two",
                   "[2026-01-02 03:04:05 Warning ] careful"}));
  EXPECT_EQ(FileContent(),
            "[2026-01-02 03:04:05    Info ] one\r\n[2026-01-02 03:04:05    Info ] two\r\n"
            "[2026-01-02 03:04:05 Warning ] careful\r\n");
  // Tags and messages come from the language.
  language.LoadLanguageFile(dir.Write("x.lng", "19=  Fehler\r\n23=Verzeichnis fehlt: %1\n"));
  log.Message(txt::DirectoryNotFound, LogLevel::Error, {"/data/in/"});
  EXPECT_EQ(view.Texts().back(), "[2026-01-02 03:04:05  Fehler ] Verzeichnis fehlt: /data/in/");
}

// Raw lines are only shown; warnings and errors ask for a balloon whatever
// the level.
TEST_F(LogTest, LevelFiltersTheViewButNeitherTheFileNorTheBalloons) {
  state.logLevel = LogLevel::Error;
  log.WriteLog("debug detail", LogLevel::Debug);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("> help:", LogLevel::Info, {.bold = true, .raw = true});
  ASSERT_EQ(view.items.size(), 1u);
  EXPECT_EQ(view.items[0].text, "> help:");
  EXPECT_TRUE(view.items[0].bold);
  EXPECT_EQ(view.balloons, Texts{"[2026-01-02 03:04:05 Warning ] careful"});
  EXPECT_EQ(FileContent(),
            "[2026-01-02 03:04:05   Debug ] debug detail\r\n"
            "[2026-01-02 03:04:05 Warning ] careful\r\n");
}

// Each target that cannot take a line is told once, with its reason, in the
// view and on stderr, and once more when it can be written again. A FIFO
// without a reader, which must not block, is the end-to-end test's.
TEST_F(LogTest, AnUnwritableLogFileIsReportedOnceAndItsRecoveryToo) {
  const std::pair<std::string, std::string> targets[] = {
      {dir.path(), "Is a directory"},
      {dir.File("no/such/dir/log.txt"), "No such file or directory"},  // recovers below
  };
  for (const auto& [target, reason] : targets) {
    state.logFile = target;
    view.items.clear();
    testing::internal::CaptureStderr();
    log.WriteLog("one", LogLevel::Info);
    log.WriteLog("two", LogLevel::Info);
    const std::string report =
        "  Error ] Cannot write the log file '" + target + "': " + reason + ".";
    EXPECT_EQ(Lines(), (Texts{"   Info ] one", report, "   Info ] two"}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[2026-01-02 03:04:05 " + report + "\n");
  }
  std::filesystem::create_directories(dir.File("no/such/dir"));
  log.WriteLog("three", LogLevel::Info);
  log.WriteLog("four", LogLevel::Info);
  EXPECT_EQ(FileContent(),
            "[2026-01-02 03:04:05    Info ] three\r\n"
            "[2026-01-02 03:04:05    Info ] The log file '" +
                state.logFile + "' is written again.\r\n[2026-01-02 03:04:05    Info ] four\r\n");
}

}  // namespace
}  // namespace corvane
