#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CommandLineSwitches, ValuesKeepTheirCaseAndTheFirstOccurrenceWins) {
  struct Case {
    std::vector<std::string> args;
    const char* sw;
    std::string expected;
  };
  for (const Case& c :
       std::vector<Case>{{{"/xMl", "/Data/P.xml"}, "/XML", "/Data/P.xml"},
                         {{"--xml", "a.xml"}, "/XML", "a.xml"},
                         {{"--XML=a b.xml"}, "/XML", "a b.xml"},
                         {{"/Name", "Hot", "Folder", "/NIC"}, "/Name", "Hot Folder"},
                         {{"/Log", "one", "/LOG", "two"}, "/Log", "one"},
                         {{"/pause"}, "/XML", "dflt"},
                         {{"/XML", "/XML", "x"}, "/XML", "dflt"}}) {
    EXPECT_EQ(CommandLineSwitches(c.args).GetCmdParam(c.sw, true, "dflt"), c.expected) << c.args[0];
  }
}

TEST(CommandLineSwitches, FlagsHelpVersionAndUnknownArguments) {
  const CommandLineSwitches cmd({"stray", "/RUNNOW", "extra", "--nic", "--pause=1", "/pausefoo"});
  EXPECT_EQ(cmd.GetCmdParam("/runnow", false), "1");
  EXPECT_EQ(cmd.GetCmdParam("/NIC", false), "1");
  EXPECT_EQ(cmd.GetCmdParam("/pause", false), "");
  EXPECT_EQ(cmd.UnknownArguments(),
            (std::vector<std::string>{"stray", "extra", "--pause=1", "/pausefoo"}));
  EXPECT_FALSE(cmd.WantsHelp() || cmd.WantsVersion());
  EXPECT_TRUE(CommandLineSwitches({"--HELP"}).WantsHelp());
  EXPECT_TRUE(CommandLineSwitches({"/XML", "x", "--version"}).WantsVersion());
}

}  // namespace
}  // namespace corvane
