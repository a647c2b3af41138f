#include <sys/stat.h>

#include <fstream>

#include "console_fixture.h"
#include "core/instance_lock.h"

namespace corvane::test {
namespace {

using SetCommandTest = ConsoleTest;

TEST_F(SetCommandTest, WithoutAValueOrWithAWrongCaseNameNothingChanges) {
  EXPECT_EQ(Run("set loglevel"),
            (Strings{"> set:", "Configuration not avaliable! (Check the language file!)"}));
  daemon.state.daemonName = "Kept";
  for (const auto& [line, name] : std::vector<std::pair<std::string, std::string>>{
           {"set LogLevel 2", "LogLevel"}, {"set colour blue", "colour"}}) {
    EXPECT_EQ(Run(line), (Strings{"> set:", "Unknown parameter: '" + name + "'"})) << line;
  }
  EXPECT_EQ(daemon.state.logLevel, LogLevel::Info);
  EXPECT_EQ(daemon.state.daemonName, "Kept");
  EXPECT_TRUE(captions.empty());
}

TEST_F(SetCommandTest, LogLevelTakesWholeLevelsAndRoundsHalvesToEven) {
  for (const auto& [value, level, line] : std::vector<std::tuple<std::string, int, std::string>>{
           {"0", 0, Info("Changed 'loglevel' to '0'.")},
           {"7", 0, ""},
           {"2.5", 2, ""},  // rounds to 2; Info is then below the level
           {"1", 1, Info("Changed 'loglevel' to '1'.")},
           {"40000", 1, NotUnderstood("set loglevel 40000")},
           {"many", 1, NotUnderstood("set loglevel many")}}) {
    EXPECT_EQ(Run("set loglevel " + value),
              (line.empty() ? Strings{"> set:"} : Strings{"> set:", line}))
        << value;
    EXPECT_EQ(daemon.state.logLevel, level) << value;
  }
}

// A FIFO would block the daemon: refused with the reason, and the setting
// before stays in force. A device is the end-to-end test's.
TEST_F(SetCommandTest, FifosAndHugeFilesAreRefusedAsLogOrLanguageFile) {
  const std::string log = dir.File("kept.log");
  const std::string language = dir.Write("kept.lng", "40=Neu: %1 = %2\n");
  Run("set logfile " + log);
  Run("set languagefile " + language);
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  std::ofstream(dir.File("huge.lng")).seekp(Language::kMaxFileBytes) << '\n';
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"logfile", dir.File("fifo"), "not a regular file"},
      {"languagefile", dir.File("huge.lng"), "larger than 4194304 bytes"},
  };
  for (const auto& [setting, value, reason] : cases) {
    EXPECT_EQ(Run("set " + setting + " " + value),
              (Strings{"> set:", "  Error ] Cannot use '" + value + "' as " + setting + ": " +
                                     reason + "."}));
  }
  EXPECT_EQ(daemon.state.logFile, log);
  EXPECT_EQ(daemon.state.languageFile, language);
  EXPECT_EQ(Run("set logfile " + log), (Strings{"> set:", "   Info ] Neu: logfile = " + log}));
}

TEST_F(SetCommandTest, NameTakesOneWordAndRefreshesTheCaption) {
  daemon.state.xmlFile = "/srv/points.xml";
  EXPECT_EQ(Run("set name Night Shift"), Strings{"> set:"});
  EXPECT_EQ(captions.back(), "Night (running)");
  controller.Pause();
  Run("set name \"\"");
  EXPECT_EQ(daemon.state.daemonName, "");
  EXPECT_EQ(captions.back(), "Corvane [/srv/points.xml] (stopped)");
}

TEST_F(SetCommandTest, XmlFileMovesTheLockOrHaltsTheDaemonWhenTheFileIsHeld) {
  const std::string first = ObservationFile("first.xml", "First", {"<Command>true</Command>"});
  const std::string second =
      ObservationFile("second.xml", "Second", {"<Command>a</Command>", "<Command>b</Command>"});
  const std::string held = ObservationFile("held.xml", "Held", {"<Command>x</Command>"});
  daemon.state.xmlFile = first;
  ASSERT_TRUE(daemon.loader.LoadFile(first));
  ASSERT_TRUE(daemon.lock.RegisterInstance(first));
  InstanceLock holder(daemon.log);
  ASSERT_TRUE(holder.RegisterInstance(held));
  EXPECT_EQ(Run("set xmlfile " + dir.File("missing.xml")),
            (Strings{"> set:", "  Error ] Cannot use '" + dir.File("missing.xml") +
                                   "' as xmlfile: no such file."}));
  EXPECT_EQ(daemon.state.xmlFile, first);

  EXPECT_EQ(Run("set xmlfile " + second),
            (Strings{"> set:", Info("Changed 'xmlfile' to '" + second + "'."),
                     Info("Loaded " + second + ",  2 observation points added.")}));
  EXPECT_EQ(captions.back(), "Second (running)");
  EXPECT_TRUE(InstanceLock(daemon.log).RegisterInstance(first));  // the old file is free now
  EXPECT_TRUE(daemon.lock.IsHeld());

  EXPECT_EQ(Run("set xmlfile " + held).back(),
            "  Error ] Could not lock '" + held +
                "'. The daemon was halted. (Maybe another daemon is running.)");
  EXPECT_EQ(daemon.state.Points.at(0).Command, "x");  // loaded all the same
  EXPECT_FALSE(controller.IsRunning());
  EXPECT_EQ(captions.back(), "Held (stopped)");
  EXPECT_FALSE(daemon.lock.IsHeld());
}

TEST_F(SetCommandTest, LanguageFileMustExistAndIsLoadedAtOnce) {
  int trayTranslations = 0;
  commands.context().translateTrayMenu = [&] { ++trayTranslations; };
  EXPECT_EQ(Run("set languagefile no-such-language.lng"),
            (Strings{"> set:", Info("Language file not found: no-such-language.lng")}));
  EXPECT_EQ(daemon.state.languageFile, "english.lng");
  EXPECT_EQ(trayTranslations, 0);
  const std::string file = dir.Write("test.lng", "17=    INFO\n40=Neu: %1 = %2\n");
  EXPECT_EQ(Run("set languagefile " + file),
            (Strings{"> set:", "   INFO ] Neu: languagefile = " + file}));
  EXPECT_EQ(trayTranslations, 1);
}

}  // namespace
}  // namespace corvane::test
