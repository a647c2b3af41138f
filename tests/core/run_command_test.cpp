#include "core/run_command.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "core/child_reaper.h"
#include "core/command_split.h"
#include "support/event_loop.h"
#include "support/hot_folder.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// One shell word holding s literally.
std::string Quoted(const std::string& s) {
  return "'" + std::regex_replace(s, std::regex("'"), "'\\''") + "'";
}

// Whether a process of the group runs (is neither gone nor a zombie).
bool GroupRunning(int pgrp) {
  return std::ranges::any_of(fs::directory_iterator("/proc"), [&](const fs::directory_entry& e) {
    const std::string stat = test::ReadFile(e.path().string() + "/stat");
    char state = 'Z';
    int group = 0;  // none when the process is gone: "" is read then
    std::sscanf(stat.c_str() + stat.rfind(')') + 1, " %c %*d %d", &state, &group);
    return group == pgrp && state != 'Z';
  });
}

class RunCommandTest : public ::testing::Test, protected test::HotFolder {
 protected:
  // Runs `command` for /in/<name> as a fresh copy of the point.
  ObservationPoint Run(const std::string& command, std::int32_t wait = 0, bool terminate = false,
                       const std::string& name = "f") {
    ObservationPoint run = point;
    run.command = command, run.wait = wait, run.terminate = terminate;
    runner.RunCommand("/in/", name, run);
    return run;
  }
  // The start of a command that writes its remaining arguments to `record`.
  std::string Dump() const { return Quoted(CORVANE_ARGV_DUMP) + " " + Quoted(record) + " "; }
  Words Dumped() const {
    const Words words = test::NulTerminated(test::ReadFile(record));
    fs::remove(record);
    return words;
  }
  // The pid shown by the "Executing" message.
  int ShownPid() const {
    const std::string first = view.Texts().at(0);
    return std::stoi(first.substr(first.rfind("(PID: ") + 6));
  }
  // The lines after "Executing", with the shown pid written as "<pid>".
  Words Outcome() const {
    Words outcome = Lines();
    outcome.erase(outcome.begin());
    for (std::string& line : outcome)
      line = std::regex_replace(line, std::regex(std::to_string(ShownPid())), "<pid>");
    return outcome;
  }
};

// A value is filled in once, after the command is split: a file name stays
// one word, byte for byte, and is never searched for placeholders again.
TEST_F(RunCommandTest, EachPlaceholderBecomesItsValueAndEveryNameOneArgument) {
  state.daemonName = "My Daemon", point.name = "Inbox";
  const std::string command = Dump() +
                              "%FileName% \"%FileName%\" '[%FileName%]' %File% %Dir% "
                              "%PointName% %DaemonName% %file% %Unknown% %%Dir%%";
  for (const std::string name :
       {"f", "with blank", "quote\"d", "it's", "$(touch pwned)", "a;b|c*", "line\nbreak",
        "\xff\xfe\x80", "%Dir%x%File%", "back\\", "rtl\u202egnp.exe.t"}) {
    EXPECT_EQ(Run(command, 0, false, name).executed, 1);
    EXPECT_EQ(Dumped(),
              (Words{name, name, "[" + name + "]", "/in/" + name, point.directory, "Inbox",
                     "My Daemon", "%file%", "%Unknown%", "%" + point.directory + "%"}))
        << name;
  }
}

// Wait 0 waits silently for as long as it takes; a limit reports how the
// wait ended. Terminate 0 leaves an outlasting command to the reaper;
// Terminate 1 kills it with everything it started, even a shell that
// ignores SIGTERM and has a child in the background. The event loop turns
// meanwhile.
TEST_F(RunCommandTest, AWaitTurnsTheEventLoopAndReportsHowItEnded) {
  const std::string late = "Warning ] Process with PID: <pid> did not complete after ";
  // The command, its wait and Terminate, whether it is left running, and what is said.
  const std::tuple<const char*, std::int32_t, bool, bool, Words> cases[] = {
      {"sleep 0.2", 0, false, false, {}},
      {"sleep 0.2", 60000, false, false, {"  Debug ] Process with PID: <pid> ended in time."}},
      {"sleep 300",
       300,
       false,
       true,
       {late + "300 ms.", "  Error ] Process with PID: <pid> could not be terminated."}},
      {"sh -c 'trap \"\" TERM; sleep 300 & sleep 300'",
       2000,
       true,
       false,
       {late + "2000 ms.", "Warning ] Process with PID: <pid> was terminated after 2000 ms."}}};
  for (const auto& [command, wait, terminate, left, said] : cases) {
    view.Clear();
    bool turned = false;
    QTimer::singleShot(0, [&] { turned = true; });
    Run(command, wait, terminate);
    EXPECT_EQ(Outcome(), said) << command;
    // What ended, the wait collected.
    EXPECT_EQ(std::tuple(turned, terminate || reaper.Count() == (left ? 1u : 0u)),
              std::tuple(true, true))
        << command;
    if (left) ::kill(-ShownPid(), SIGKILL);
    EXPECT_TRUE(test::Eventually([&] { return reaper.Count() == 0 && !GroupRunning(ShownPid()); }))
        << command;
  }
}

TEST_F(RunCommandTest, CommandsThatCannotStartAreCountedAndRunNothing) {
  // The Debug line says why.
  for (const auto& [command, reason] : std::vector<std::pair<std::string, std::string>>{
           {"corvane-no-such-program %FileName%", "No such file or directory"},
           {Dump() + "\"open quote %FileName%", "no program named"}}) {
    view.Clear();
    const ObservationPoint point = Run(command);
    const std::string shown = FillPlaceholders(command, {"/in/f", "f", point.directory, "", ""});
    EXPECT_EQ(Lines(), (Words{"  Error ] Could not execute '" + shown + "'!",
                              "  Debug ] Could not start '" + shown + "': " + reason + "."}))
        << command;
    EXPECT_EQ(std::pair(point.failed, point.executed), std::pair(1, 0)) << command;
  }
  EXPECT_EQ(std::tuple(fs::exists(record), reaper.Count()), std::tuple(false, 0u));
}

TEST(SplitCommand, FollowsShellQuotingWithoutExpansion) {
  for (const auto& [text, words] : std::vector<std::pair<std::string, Words>>{
           {"  a \t b\nc  ", {"a", "b", "c"}},
           {"pre'mid dle'post \"c d\" '' \"\"", {"premid dlepost", "c d", "", ""}},
           {"'$HOME `id` \\n \"'", {"$HOME `id` \\n \""}},
           {R"("a\"b" "c\\d" "\$x" "\`" "\q")", {"a\"b", "c\\d", "$x", "`", "\\q"}},
           {"\"line\\\nbreak\" one\\\ntwo", {"linebreak", "onetwo"}},
           {R"(a\ b \'c \"d \\e trailing\)", {"a b", "'c", "\"d", "\\e", "trailing\\"}},
           {"$(rm -rf x) ; | * `y`", {"$(rm", "-rf", "x)", ";", "|", "*", "`y`"}},
           {"   ", {}}}) {
    EXPECT_EQ(SplitCommand(text), std::optional<Words>(words)) << text;
  }
  for (const std::string open : {"prog 'open", "prog \"esc\\\"", "a\"b'c"}) {
    EXPECT_EQ(SplitCommand(open), std::nullopt) << open;
  }
}

}  // namespace
}  // namespace corvane
