#include "core/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/settings.h"
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
  const std::string at = "[2026-01-02 03:04:05 ";  // the fixed clock's stamp
};

TEST_F(LogTest, EachLineIsStampedAndTaggedInTheLanguageInViewAndFile) {
  log.WriteLog("one\r\ntwo", LogLevel::Info);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("", LogLevel::Error);
  const Texts lines = {at + "   Info ] one", at + "   Info ] two", at + "Warning ] careful"};
  EXPECT_EQ(view.Texts(), lines);
  EXPECT_EQ(FileContent(), lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
  // Tags and messages come from the language.
  language.LoadLanguageFile(dir.Write("x.lng", "19=  Fehler\r\n23=Verzeichnis fehlt: %1\n"));
  log.Message(txt::DirectoryNotFound, LogLevel::Error, {"/data/in/"});
  EXPECT_EQ(view.Texts().back(), at + " Fehler ] Verzeichnis fehlt: /data/in/");
}

// Raw lines are only shown; warnings and errors ask for a balloon whatever
// the level.
TEST_F(LogTest, LevelFiltersTheViewButNeitherTheFileNorTheBalloons) {
  state.logLevel = LogLevel::Error;
  log.WriteLog("debug detail", LogLevel::Debug);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("> help:", LogLevel::Info, {.bold = true, .raw = true});
  EXPECT_EQ(view.Texts(), Texts{"> help:"});
  EXPECT_TRUE(view.items.at(0).bold);
  EXPECT_EQ(view.balloons, Texts{at + "Warning ] careful"});
  EXPECT_EQ(FileContent(), at + "  Debug ] debug detail\r\n" + at + "Warning ] careful\r\n");
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
    EXPECT_EQ(testing::internal::GetCapturedStderr(), at + report + "\n");
  }
  std::filesystem::create_directories(dir.File("no/such/dir"));
  log.WriteLog("three", LogLevel::Info);
  log.WriteLog("four", LogLevel::Info);
  EXPECT_EQ(FileContent(), at + "   Info ] three\r\n" + at + "   Info ] The log file '" +
                               state.logFile + "' is written again.\r\n" + at +
                               "   Info ] four\r\n");
}

// A folder that is a file stops root too. Each failing save is tried
// anew, but reported only once until a save works again.
TEST_F(LogTest, ASettingsFileThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
  SettingsSaver saver{log};
  const std::string file = SettingsFile();
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  for (const LogLevel level : {LogLevel::Warning, LogLevel::Error}) {
    std::filesystem::remove_all(folder);
    std::ofstream(folder.string()) << "";
    saver.Save({level, "english.lng", {}});
    saver.Save({level, "english.lng", {}});
    std::filesystem::remove(folder);
    saver.Save({level, "english.lng", {}});
    EXPECT_NE(test::ReadFile(file).find("Log.Level=" + std::to_string(LevelNumber(level))),
              std::string::npos);
  }
  const std::string report =
      "  Error ] Cannot write the settings file '" + file + "': Not a directory.";
  EXPECT_EQ(Lines(), (std::vector<std::string>{report, report}));
}

}  // namespace
}  // namespace corvane
