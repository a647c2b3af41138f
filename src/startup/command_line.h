#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The switches of the command line, read from the arguments as the shell
// passed them. A switch is an argument equal, ignoring case, to "/XML",
// "--xml" (or "--xml=VALUE") and so on; its value is the following
// arguments up to the next switch, joined with single blanks, in their own
// letter case. The first occurrence of a switch wins. Parsing never fails:
// anything else is collected as an unknown argument.
class CommandLineSwitches {
 public:
  // args: the arguments without the program's own path.
  explicit CommandLineSwitches(const std::vector<std::string>& args);

  // A value switch's value, or defaultText when it is missing or empty.
  std::string Value(std::string_view name, const std::string& defaultText = {}) const;
  // Whether a flag is given.
  bool IsSet(std::string_view name) const { return Find(name) != nullptr; }

  bool WantsHelp() const { return wantsHelp_; }
  bool WantsVersion() const { return wantsVersion_; }
  const std::vector<std::string>& UnknownArguments() const { return unknown_; }

 private:
  struct Found {
    std::string name;  // lower case, without "/" or "--"
    std::string value;
  };
  const Found* Find(std::string_view name) const;

  std::vector<Found> switches_;
  std::vector<std::string> unknown_;
  bool wantsHelp_ = false;
  bool wantsVersion_ = false;
};

// The text "corvane --help" prints.
std::string UsageText();

}  // namespace corvane
