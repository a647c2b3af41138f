#include "startup/command_line.h"

#include <array>
#include <optional>

#include "core/std_helpers.h"

namespace corvane {
namespace {

struct SwitchInfo {
  std::string_view name;
  bool hasValue;
};

constexpr std::array<SwitchInfo, 12> kSwitches{{
    {"xml", true},
    {"log", true},
    {"name", true},
    {"nic", false},
    {"runnow", false},
    {"pause", false},
    {"console", false},
    // Printing the journal instead of running the daemon.
    {"journal", true},
    {"point", true},
    {"since", true},
    {"until", true},
    {"outcome", true},
}};

const SwitchInfo* SwitchNamed(std::string_view lowerName) {
  for (const SwitchInfo& s : kSwitches) {
    if (s.name == lowerName) return &s;
  }
  return nullptr;
}

struct ParsedSwitch {
  const SwitchInfo* info;
  std::optional<std::string> inlineValue;  // from "--xml=VALUE"
};

// "/XML", "--xml" and "--xml=VALUE" name the same switch.
std::optional<ParsedSwitch> ParseSwitch(std::string_view arg) {
  std::string_view body;
  if (arg.starts_with("--")) {
    body = arg.substr(2);
  } else if (arg.starts_with('/')) {
    body = arg.substr(1);
  } else {
    return std::nullopt;
  }
  std::optional<std::string> inlineValue;
  if (arg.starts_with("--")) {
    if (const auto eq = body.find('='); eq != std::string_view::npos) {
      inlineValue = std::string(body.substr(eq + 1));
      body = body.substr(0, eq);
    }
  }
  const SwitchInfo* info = SwitchNamed(AsciiLower(body));
  if (!info || (inlineValue && !info->hasValue)) return std::nullopt;
  return ParsedSwitch{info, std::move(inlineValue)};
}

}  // namespace

CommandLineSwitches::CommandLineSwitches(const std::vector<std::string>& args) {
  // Index of the value switch that takes the following arguments.
  std::optional<std::size_t> valueOf;
  for (const std::string& arg : args) {
    const std::string lower = AsciiLower(arg);
    if (lower == "--help") {
      wantsHelp_ = true;
      valueOf.reset();
      continue;
    }
    if (lower == "--version") {
      wantsVersion_ = true;
      valueOf.reset();
      continue;
    }
    if (const auto sw = ParseSwitch(arg)) {
      switches_.push_back({std::string(sw->info->name), sw->inlineValue.value_or("")});
      valueOf.reset();
      if (sw->info->hasValue) valueOf = switches_.size() - 1;
      continue;
    }
    if (valueOf) {
      std::string& value = switches_[*valueOf].value;
      if (!value.empty()) value += ' ';
      value += arg;
    } else {
      unknown_.push_back(arg);
    }
  }
}

const CommandLineSwitches::Found* CommandLineSwitches::Find(std::string_view name) const {
  std::string key = AsciiLower(name);
  if (key.starts_with("--")) {
    key.erase(0, 2);
  } else if (key.starts_with('/')) {
    key.erase(0, 1);
  }
  for (const Found& f : switches_) {
    if (f.name == key) return &f;
  }
  return nullptr;
}

std::string CommandLineSwitches::Value(std::string_view name,
                                       const std::string& defaultText) const {
  const Found* found = Find(name);
  return found && !found->value.empty() ? found->value : defaultText;
}

std::string UsageText() {
  return "Usage: corvane /XML <observation file> [/Log <log file>] [/Name <name>]\n"
         "               [/NIC] [/runnow] [/pause] [/Console]\n"
         "\n"
         "Watches the directories named in the observation file and runs the\n"
         "configured command for every file that arrives.\n"
         "\n"
         "  /XML <file>    the observation file (required)\n"
         "  /Log <file>    also write every log line to this file\n"
         "  /Name <name>   the daemon's name (overrides the observation file's)\n"
         "  /NIC           allow a second daemon on the same observation file\n"
         "  /runnow        check every point once at start-up\n"
         "  /pause         start paused (type 'go' to start)\n"
         "  /Console       run without a window: log on stdout, commands on stdin\n"
         "  --help         show this text\n"
         "  --version      show the version\n"
         "\n"
         "       corvane --journal <observation file> [--point <name>]\n"
         "               [--since <time>] [--until <time>] [--outcome <word>]\n"
         "\n"
         "Prints the journal of hand-overs of that observation file as JSON lines,\n"
         "oldest first, and exits; no daemon needs to run. The journal is the\n"
         "setting Journal.File, else the one kept for the observation file.\n"
         "\n"
         "  --point <name>    only this point's hand-overs\n"
         "  --since <time>    only those started at or after the time\n"
         "  --until <time>    only those started before the time\n"
         "  --outcome <word>  exit, signal, terminated, left running, not started\n"
         "                    or running\n"
         "\n"
         "A time is ISO 8601 (2026-12-07T14:05:00Z; local time without a zone) or\n"
         "as the log writes it (2026-12-07 14:05:00, local); a date alone is its\n"
         "midnight. Exit status: 0, with or without rows; 1 when the journal is\n"
         "missing or cannot be read; 2 for a switch it cannot use.\n"
         "\n"
         "Switches are matched in any letter case and may also be written\n"
         "--xml, --log, ... or --xml=<file>. A value runs up to the next switch.\n";
}

}  // namespace corvane
