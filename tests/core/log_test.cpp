#include "core/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/clock.h"
#include "core/daemon_state.h"
#include "lang/language.h"
#include "support/recording_hosts.h"
#include "support/temp_dir.h"

namespace corvane {
namespace {

class FixedClock final : public Clock {
 public:
  QDateTime Now() const override { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); }
};

class LogTest : public ::testing::Test {
 protected:
  std::string FileContent() const { return test::ReadFile(state.sLogFile); }

  test::TempDir dir;
  DaemonState state;
  Language language;
  test::RecordingLogView view;
  test::FakeDesktop desktop;
  FixedClock clock;
  Log log{state, language, view, desktop, clock};
};

TEST_F(LogTest, StampsEachLineWithDateTimeAndTag) {
  log.WriteLog("hello", LogLevel::Info);
  log.WriteLog("careful", LogLevel::Warning);
  log.WriteLog("odd level", 7);
  EXPECT_EQ(view.Texts(), (std::vector<std::string>{"[2026-01-02 03:04:05    Info ] hello",
                                                    "[2026-01-02 03:04:05 Warning ] careful",
                                                    "[2026-01-02 03:04:05odd level"}));
}

TEST_F(LogTest, TagsComeFromTheLanguage) {
  language.LoadLanguageFile(dir.Write("x.lng", "19=  Fehler\r\n"));
  log.WriteLog("kaputt", LogLevel::Error);
  EXPECT_EQ(view.Texts().at(0), "[2026-01-02 03:04:05  Fehler ] kaputt");
}

TEST_F(LogTest, MultiLineTextBecomesOneEntryPerLineInViewAndFile) {
  state.sLogFile = dir.File("log.txt");
  log.WriteLog("one\r\ntwo\r\nthree", LogLevel::Info);
  ASSERT_EQ(view.items.size(), 3u);
  EXPECT_EQ(view.items[2].text, "[2026-01-02 03:04:05    Info ] three");
  EXPECT_EQ(FileContent(),
            "[2026-01-02 03:04:05    Info ] one\r\n"
            "[2026-01-02 03:04:05    Info ] two\r\n"
            "[2026-01-02 03:04:05    Info ] three\r\n");
}

TEST_F(LogTest, LevelFiltersTheViewButNotTheFile) {
  state.sLogFile = dir.File("log.txt");
  state.iLogLevel = LogLevel::Info;
  log.WriteLog("debug detail", LogLevel::Debug);
  EXPECT_TRUE(view.items.empty());
  EXPECT_EQ(FileContent(), "[2026-01-02 03:04:05   Debug ] debug detail\r\n");
  EXPECT_EQ(view.scrolls, 1);
}

TEST_F(LogTest, RawLinesAreAlwaysShownNeverStampedNeverFiled) {
  state.sLogFile = dir.File("log.txt");
  state.iLogLevel = LogLevel::Error;
  log.WriteLog("> help:", LogLevel::Info, true, true);
  ASSERT_EQ(view.items.size(), 1u);
  EXPECT_EQ(view.items[0].text, "> help:");
  EXPECT_TRUE(view.items[0].bold);
  EXPECT_EQ(FileContent(), "");
}

TEST_F(LogTest, BalloonsOnlyForWarningsAndErrorsWhileHidden) {
  desktop.visible = true;
  log.WriteLog("visible warning", LogLevel::Warning);
  desktop.visible = false;
  log.WriteLog("hidden debug", LogLevel::Debug);
  log.WriteLog("hidden info", LogLevel::Info);
  log.WriteLog("hidden warning", LogLevel::Warning);
  log.WriteLog("hidden error", LogLevel::Error, false, true);
  ASSERT_EQ(desktop.balloons.size(), 2u);
  EXPECT_EQ(desktop.balloons[0].text, "[2026-01-02 03:04:05 Warning ] hidden warning");
  EXPECT_EQ(desktop.balloons[0].durationMs, 5000);
  EXPECT_EQ(desktop.balloons[0].type, BalloonType::Warning);
  EXPECT_EQ(desktop.balloons[1].type, BalloonType::Error);
}

TEST_F(LogTest, EmptyTextAddsNothing) {
  state.sLogFile = dir.File("log.txt");
  log.WriteLog("", LogLevel::Error);
  EXPECT_TRUE(view.items.empty());
  EXPECT_TRUE(desktop.balloons.empty());
  EXPECT_FALSE(std::filesystem::exists(state.sLogFile));
}

TEST_F(LogTest, UnwritableLogFileNeitherStopsNorHidesLines) {
  state.sLogFile = dir.File("no/such/dir/log.txt");
  log.WriteLog("first\r\nsecond", LogLevel::Info);
  EXPECT_EQ(view.items.size(), 2u);
  state.sLogFile = dir.path();  // a directory cannot be appended to
  log.WriteLog("third", LogLevel::Info);
  EXPECT_EQ(view.items.size(), 3u);
}

TEST_F(LogTest, LogFileIsAppendedAndNeverHeldOpen) {
  state.sLogFile = dir.File("log.txt");
  log.WriteLog("one", LogLevel::Info);
  std::filesystem::rename(state.sLogFile, dir.File("moved.txt"));
  log.WriteLog("two", LogLevel::Info);
  EXPECT_EQ(FileContent(), "[2026-01-02 03:04:05    Info ] two\r\n");
  EXPECT_EQ(test::ReadFile(dir.File("moved.txt")), "[2026-01-02 03:04:05    Info ] one\r\n");
}

TEST_F(LogTest, MessageTranslatesAndFills) {
  language.LoadLanguageFile(dir.Write("x.lng", "23=Verzeichnis fehlt: %1\n"));
  log.Message(txt::DirectoryNotFound, LogLevel::Warning, {"/data/in/"});
  EXPECT_EQ(view.Texts().at(0), "[2026-01-02 03:04:05 Warning ] Verzeichnis fehlt: /data/in/");
}

}  // namespace
}  // namespace corvane
