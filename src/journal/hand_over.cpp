#include "journal/hand_over.h"

#include <array>
#include <utility>

namespace corvane::journal {
namespace {

constexpr std::array<std::pair<Outcome, std::string_view>, 6> kOutcomeNames{{
    {Outcome::Running, "running"},
    {Outcome::Exited, "exit"},
    {Outcome::Signalled, "signal"},
    {Outcome::Terminated, "terminated"},
    {Outcome::LeftRunning, "left running"},
    {Outcome::NotStarted, "not started"},
}};

}  // namespace

std::string_view OutcomeName(Outcome outcome) {
  for (const auto& [value, name] : kOutcomeNames)
    if (value == outcome) return name;
  return "running";
}

std::optional<Outcome> OutcomeFromName(std::string_view name) {
  for (const auto& [value, word] : kOutcomeNames)
    if (word == name) return value;
  return std::nullopt;
}

}  // namespace corvane::journal
