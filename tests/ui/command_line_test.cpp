#include "ui/command_line.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct ValueCase {
  const char* name;
  std::vector<std::string> args;
  const char* sw;
  std::string expected;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class CommandLineValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CommandLineValueTest, ReadsTheValue) {
  const CommandLineSwitches cmd(GetParam().args);
  EXPECT_EQ(cmd.GetCmdParam(GetParam().sw, true, "dflt"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineValueTest,
    ::testing::Values(
        ValueCase{"Plain", {"/XML", "/data/Points.xml"}, "/XML", "/data/Points.xml"},
        ValueCase{"SwitchCaseIgnoredValueCaseKept", {"/xMl", "/Data/P.xml"}, "/XML", "/Data/P.xml"},
        ValueCase{"GnuSpelling", {"--xml", "a.xml"}, "/XML", "a.xml"},
        ValueCase{"GnuWithEquals", {"--XML=a b.xml"}, "/XML", "a b.xml"},
        ValueCase{
            "BlankInsideArgument", {"/XML", "my points.xml", "/pause"}, "/XML", "my points.xml"},
        ValueCase{
            "SeveralArgumentsJoined", {"/Name", "Hot", "Folder", "/NIC"}, "/Name", "Hot Folder"},
        ValueCase{"QuotesStay", {"/XML", "\"a.xml\""}, "/XML", "\"a.xml\""},
        ValueCase{"FirstOccurrenceWins", {"/Log", "one", "/LOG", "two"}, "/Log", "one"},
        ValueCase{"MissingGivesDefault", {"/pause"}, "/XML", "dflt"},
        ValueCase{"EmptyGivesDefault", {"/XML", "/Log", "x"}, "/XML", "dflt"},
        ValueCase{"EmptyFirstWins", {"/XML", "/XML", "x"}, "/XML", "dflt"},
        ValueCase{"NothingAtAll", {}, "/XML", "dflt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineSwitches, FlagsAnswerOneWhenGiven) {
  const CommandLineSwitches cmd({"/RUNNOW", "--nic", "/XML", "x"});
  EXPECT_EQ(cmd.GetCmdParam("/runnow", false), "1");
  EXPECT_EQ(cmd.GetCmdParam("/NIC", false), "1");
  EXPECT_EQ(cmd.GetCmdParam("/pause", false), "");
  // Only whole switches count: "/pausefoo" is not "/pause".
  EXPECT_EQ(CommandLineSwitches({"/pausefoo"}).GetCmdParam("/pause", false), "");
}

TEST(CommandLineSwitches, UnknownArgumentsAreCollectedNotFatal) {
  const CommandLineSwitches cmd(
      {"stray", "/pause", "extra", "--frobnicate", "--pause=1", "/XML", "x"});
  EXPECT_EQ(cmd.UnknownArguments(),
            (std::vector<std::string>{"stray", "extra", "--frobnicate", "--pause=1"}));
  EXPECT_EQ(cmd.GetCmdParam("/XML", true), "x");
}

TEST(CommandLineSwitches, HelpAndVersion) {
  EXPECT_TRUE(CommandLineSwitches({"--HELP"}).WantsHelp());
  EXPECT_TRUE(CommandLineSwitches({"/XML", "x", "--version"}).WantsVersion());
  EXPECT_FALSE(CommandLineSwitches({"/XML", "x"}).WantsHelp());
  EXPECT_NE(UsageText().find("/XML"), std::string::npos);
}

}  // namespace
}  // namespace corvane
